// Root class of every object of the module. Instances come zero-filled from
// the process heap: fields start as 0 or null and the code relies on it.
#ifndef POINTIX_OBJECT_H
#define POINTIX_OBJECT_H

#include <stddef.h>

class TObject
{
public:
    // Returns null when the heap has no room; the new-expression then skips
    // the constructor and yields null, which callers test.
    static void* operator new(size_t Size) noexcept;
    static void operator delete(void* Instance) noexcept;

    virtual ~TObject() {}
};

#endif
