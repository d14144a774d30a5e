// Small helpers shared by the module: memory blocks from the process heap,
// byte copy and zero fill, and the module version query.
#ifndef POINTIX_UTIL_H
#define POINTIX_UTIL_H

#include <windows.h>

// Zero-filled block from the process heap, or null.
void* HeapAllocZero(SIZE_T Size);
// Gives a block of HeapAllocZero back; null is allowed.
void HeapFreeBlock(void* Block);

void ZeroFill(void* Destination, SIZE_T Length);
void ByteCopy(void* Destination, const void* Source, SIZE_T Length);

// Owner of one heap block, freed when the owner goes out of scope.
template <typename T>
class THeapBuffer
{
public:
    explicit THeapBuffer(SIZE_T Size) : FData(static_cast<T*>(HeapAllocZero(Size))) {}
    ~THeapBuffer() { HeapFreeBlock(FData); }
    THeapBuffer(const THeapBuffer&) = delete;
    THeapBuffer& operator=(const THeapBuffer&) = delete;

    T* Get() const { return FData; }
    explicit operator bool() const { return FData != nullptr; }

private:
    T* FData;
};

// Reads the file version of Module from its version resource. Each non-null
// out-parameter receives its 16-bit part; on failure none is written.
BOOL GetModuleVersion(HMODULE Module, DWORD* Major, DWORD* Minor, DWORD* Release, DWORD* Build);

#endif
