#include "CallbackThunk.h"

#if !defined(_M_IX86) && !defined(__i386__)
#error "The callback thunk is 32-bit x86 code."
#endif

namespace
{
const SIZE_T ThunkSize = 15;

// mov ecx, object    ; B9 <object>
// pop edx            ; 5A  caller's return address
// push ecx           ; 51  object becomes the first stack argument
// push edx           ; 52  return address back on top
// mov ecx, entry     ; B9 <entry>
// jmp ecx            ; FF E1
void WriteThunk(BYTE* Code, void* Entry, void* Object)
{
    const DWORD ObjectValue = reinterpret_cast<DWORD>(Object);
    const DWORD EntryValue = reinterpret_cast<DWORD>(Entry);
    Code[0] = 0xB9;
    for (int i = 0; i < 4; ++i)
        Code[1 + i] = static_cast<BYTE>(ObjectValue >> (8 * i));
    Code[5] = 0x5A;
    Code[6] = 0x51;
    Code[7] = 0x52;
    Code[8] = 0xB9;
    for (int i = 0; i < 4; ++i)
        Code[9 + i] = static_cast<BYTE>(EntryValue >> (8 * i));
    Code[13] = 0xFF;
    Code[14] = 0xE1;
}
}

// The block is written while it is only readable and writable, then turned
// into execute-read: it is never writable and executable at the same time.
void* MakeCallbackThunk(void* Entry, void* Object)
{
    BYTE* Code = static_cast<BYTE*>(VirtualAlloc(nullptr, ThunkSize, MEM_COMMIT, PAGE_READWRITE));
    if (!Code)
        return nullptr;
    WriteThunk(Code, Entry, Object);
    DWORD OldProtect;
    if (!VirtualProtect(Code, ThunkSize, PAGE_EXECUTE_READ, &OldProtect) ||
        !FlushInstructionCache(GetCurrentProcess(), Code, ThunkSize))
    {
        VirtualFree(Code, 0, MEM_RELEASE);
        return nullptr;
    }
    return Code;
}

void FreeCallbackThunk(void* Thunk)
{
    VirtualFree(Thunk, 0, MEM_RELEASE);
}
