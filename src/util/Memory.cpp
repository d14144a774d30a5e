// Heap blocks and the byte loops behind them. The module links without a C
// runtime, so memset and memcpy, which the compiler may emit for structure
// copies and zero-initialisation, are defined here too. This file is built
// with loop-to-library-call conversion switched off, so these loops never
// turn into calls of themselves.
#include "Util.h"
#include "Object.h"

void* HeapAllocZero(SIZE_T Size)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, Size);
}

void HeapFreeBlock(void* Block)
{
    if (Block)
        HeapFree(GetProcessHeap(), 0, Block);
}

void ZeroFill(void* Destination, SIZE_T Length)
{
    BYTE* D = static_cast<BYTE*>(Destination);
    while (Length--)
        *D++ = 0;
}

void ByteCopy(void* Destination, const void* Source, SIZE_T Length)
{
    BYTE* D = static_cast<BYTE*>(Destination);
    const BYTE* S = static_cast<const BYTE*>(Source);
    while (Length--)
        *D++ = *S++;
}

void* TObject::operator new(size_t Size) noexcept
{
    return HeapAllocZero(Size);
}

void TObject::operator delete(void* Instance) noexcept
{
    HeapFreeBlock(Instance);
}

#ifdef POINTIX_NO_CRT
extern "C" void* memset(void* Destination, int Value, size_t Length)
{
    BYTE* D = static_cast<BYTE*>(Destination);
    while (Length--)
        *D++ = static_cast<BYTE>(Value);
    return Destination;
}

extern "C" void* memcpy(void* Destination, const void* Source, size_t Length)
{
    ByteCopy(Destination, Source, Length);
    return Destination;
}

// IsEqualGUID compares with memcmp.
extern "C" int memcmp(const void* First, const void* Second, size_t Length)
{
    const BYTE* A = static_cast<const BYTE*>(First);
    const BYTE* B = static_cast<const BYTE*>(Second);
    for (; Length; --Length, ++A, ++B)
        if (*A != *B)
            return *A < *B ? -1 : 1;
    return 0;
}

// Called only if a pure virtual method were ever reached through a
// half-built object; the module never does that.
extern "C" void __cxa_pure_virtual()
{
    ExitProcess(3);
}
#endif
