// Heap for the module's root class when its code runs natively.
#include "util/Object.h"

#include <cstdlib>

void* TObject::operator new(size_t Size) noexcept
{
    return std::calloc(1, Size);
}

void TObject::operator delete(void* Instance) noexcept
{
    std::free(Instance);
}
