#include "CallbackThunk.h"

namespace
{
void PutBytes(BYTE* Code, UINT_PTR Value, int Count)
{
    for (int i = 0; i < Count; ++i)
        Code[i] = static_cast<BYTE>(Value >> (8 * i));
}

#if defined(__i386__) || defined(_M_IX86)
const SIZE_T ThunkSize = 15;
const SIZE_T BlockSize = ThunkSize;

// mov ecx, object    ; B9 <object>
// pop edx            ; 5A  caller's return address
// push ecx           ; 51  object becomes the first stack argument
// push edx           ; 52  return address back on top
// mov ecx, entry     ; B9 <entry>
// jmp ecx            ; FF E1
void WriteThunk(BYTE* Code, void* Entry, void* Object)
{
    Code[0] = 0xB9;
    PutBytes(Code + 1, reinterpret_cast<UINT_PTR>(Object), 4);
    Code[5] = 0x5A;
    Code[6] = 0x51;
    Code[7] = 0x52;
    Code[8] = 0xB9;
    PutBytes(Code + 9, reinterpret_cast<UINT_PTR>(Entry), 4);
    Code[13] = 0xFF;
    Code[14] = 0xE1;
}

bool PublishThunk(BYTE*)
{
    return true;
}

void WithdrawThunk(BYTE*)
{
}

#elif defined(__x86_64__) || defined(_M_X64)
// A Win64 callback gets its four arguments in rcx, rdx, r8 and r9. The
// entry wants five, so the thunk shifts them one register up, puts the
// fourth into the stack slot of the fifth and calls the entry from a frame
// of its own: 32 bytes of home space, the fifth argument and 8 bytes that
// keep rsp 16-byte aligned at the call.
//
// sub rsp, 38h          ; 48 83 EC 38            the only prolog instruction
// mov [rsp+20h], r9     ; 4C 89 4C 24 20         fourth -> fifth
// mov r9, r8            ; 4D 89 C1
// mov r8, rdx           ; 49 89 D0
// mov rdx, rcx          ; 48 89 CA
// mov rcx, object       ; 48 B9 <object>         object first
// mov rax, entry        ; 48 B8 <entry>
// call rax              ; FF D0
// add rsp, 38h          ; 48 83 C4 38
// ret                   ; C3
const SIZE_T ThunkSize = 45;
const BYTE FrameSize = 0x38;
const BYTE PrologSize = 4;

// Behind the code, in the same block: the unwind record describing that
// frame, and the function table entry that points the system's unwinder to
// it. Without them an exception or a stack walk from inside the entry could
// not get past the thunk.
const SIZE_T UnwindInfoOffset = 48;
const SIZE_T FunctionOffset = UnwindInfoOffset + 8;
const SIZE_T BlockSize = FunctionOffset + sizeof(RUNTIME_FUNCTION);

void WriteThunk(BYTE* Code, void* Entry, void* Object)
{
    static const BYTE Head[] = {
        0x48, 0x83, 0xEC, FrameSize,
        0x4C, 0x89, 0x4C, 0x24, 0x20,
        0x4D, 0x89, 0xC1,
        0x49, 0x89, 0xD0,
        0x48, 0x89, 0xCA,
        0x48, 0xB9,
    };
    static const BYTE Tail[] = {0xFF, 0xD0, 0x48, 0x83, 0xC4, FrameSize, 0xC3};
    SIZE_T At = 0;
    for (BYTE Byte : Head)
        Code[At++] = Byte;
    PutBytes(Code + At, reinterpret_cast<UINT_PTR>(Object), 8);
    At += 8;
    Code[At++] = 0x48;
    Code[At++] = 0xB8;
    PutBytes(Code + At, reinterpret_cast<UINT_PTR>(Entry), 8);
    At += 8;
    for (BYTE Byte : Tail)
        Code[At++] = Byte;

    // Version 1, no handler; one unwind code: at the end of the prolog,
    // UWOP_ALLOC_SMALL (2) of (info + 1) * 8 bytes. The code array is padded
    // to an even count.
    BYTE* Unwind = Code + UnwindInfoOffset;
    Unwind[0] = 1;
    Unwind[1] = PrologSize;
    Unwind[2] = 1;
    Unwind[3] = 0;
    Unwind[4] = PrologSize;
    Unwind[5] = static_cast<BYTE>(2 | ((FrameSize / 8 - 1) << 4));
    Unwind[6] = 0;
    Unwind[7] = 0;

    RUNTIME_FUNCTION* Function = reinterpret_cast<RUNTIME_FUNCTION*>(Code + FunctionOffset);
    Function->BeginAddress = 0;
    Function->EndAddress = ThunkSize;
    Function->UnwindData = UnwindInfoOffset;
}

bool PublishThunk(BYTE* Code)
{
    return RtlAddFunctionTable(reinterpret_cast<RUNTIME_FUNCTION*>(Code + FunctionOffset), 1,
                               reinterpret_cast<DWORD64>(Code));
}

void WithdrawThunk(BYTE* Code)
{
    RtlDeleteFunctionTable(reinterpret_cast<RUNTIME_FUNCTION*>(Code + FunctionOffset));
}

#elif defined(__aarch64__) || defined(_M_ARM64)
// On ARM64 a callback's four arguments come in x0-x3 and the entry's five
// all fit in registers too (x0-x4), so the thunk moves the arguments one
// register up, loads the object into x0 and branches to the entry. It
// makes no frame and leaves the stack and the link register as it found
// them: the entry returns straight to the thunk's caller.
//
// That is also why it needs no unwind record. An unwinder that finds no
// function entry for an address treats it as a leaf whose caller is in the
// link register, which is true at every instruction here; and once the
// entry runs, the thunk is no longer on the stack at all.
//
// mov x4, x3            ; AA0303E4
// mov x3, x2            ; AA0203E3
// mov x2, x1            ; AA0103E2
// mov x1, x0            ; AA0003E1
// ldr x0, object        ; 58000080   pc + 16
// ldr x16, entry        ; 580000B0   pc + 20
// br x16                ; D61F0200
// brk #0                ; D4200000   never reached; aligns the literals
// object: .quad, entry: .quad
const SIZE_T ThunkSize = 48;
const SIZE_T BlockSize = ThunkSize;
const SIZE_T LiteralsOffset = 32;

void WriteThunk(BYTE* Code, void* Entry, void* Object)
{
    static const DWORD Instructions[] = {
        0xAA0303E4, 0xAA0203E3, 0xAA0103E2, 0xAA0003E1, 0x58000080, 0x580000B0, 0xD61F0200, 0xD4200000,
    };
    SIZE_T At = 0;
    for (DWORD Instruction : Instructions)
    {
        PutBytes(Code + At, Instruction, 4);
        At += 4;
    }
    PutBytes(Code + LiteralsOffset, reinterpret_cast<UINT_PTR>(Object), 8);
    PutBytes(Code + LiteralsOffset + 8, reinterpret_cast<UINT_PTR>(Entry), 8);
}

bool PublishThunk(BYTE*)
{
    return true;
}

void WithdrawThunk(BYTE*)
{
}

#else
#error "No callback thunk for this processor."
#endif
}

// The block is written while it is only readable and writable, then turned
// into execute-read: it is never writable and executable at the same time.
void* MakeCallbackThunk(void* Entry, void* Object)
{
    BYTE* Code = static_cast<BYTE*>(VirtualAlloc(nullptr, BlockSize, MEM_COMMIT, PAGE_READWRITE));
    if (!Code)
        return nullptr;
    WriteThunk(Code, Entry, Object);
    DWORD OldProtect;
    if (!VirtualProtect(Code, BlockSize, PAGE_EXECUTE_READ, &OldProtect) ||
        !FlushInstructionCache(GetCurrentProcess(), Code, ThunkSize) || !PublishThunk(Code))
    {
        VirtualFree(Code, 0, MEM_RELEASE);
        return nullptr;
    }
    return Code;
}

void FreeCallbackThunk(void* Thunk)
{
    WithdrawThunk(static_cast<BYTE*>(Thunk));
    VirtualFree(Thunk, 0, MEM_RELEASE);
}
