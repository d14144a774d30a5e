// The callback thunk on its own: what it calls, with what, and what it
// leaves behind in memory.
#include "page/CallbackThunk.h"

#include <gtest/gtest.h>

namespace
{
struct TCall
{
    void* Object;
    WPARAM A;
    LPARAM B, C, D;
    int Count;
};

TCall LastCall;

LRESULT CALLBACK Recorder(void* Object, WPARAM A, LPARAM B, LPARAM C, LPARAM D)
{
    LastCall.Object = Object;
    LastCall.A = A;
    LastCall.B = B;
    LastCall.C = C;
    LastCall.D = D;
    ++LastCall.Count;
    return static_cast<LRESULT>(A + B + C + D) ^ reinterpret_cast<LRESULT>(Object);
}

typedef LRESULT(CALLBACK* TFourArgs)(WPARAM, LPARAM, LPARAM, LPARAM);

MEMORY_BASIC_INFORMATION Query(void* Address)
{
    MEMORY_BASIC_INFORMATION Info = {};
    VirtualQuery(Address, &Info, sizeof(Info));
    return Info;
}
}

TEST(CallbackThunk, CallsTheBoundFunctionWithTheObjectFirst)
{
    int Object = 0;
    void* Thunk = MakeCallbackThunk(reinterpret_cast<void*>(&Recorder), &Object);
    ASSERT_NE(nullptr, Thunk);
    TFourArgs Call = reinterpret_cast<TFourArgs>(Thunk);
    LastCall = TCall{};

    const struct
    {
        WPARAM A;
        LPARAM B, C, D;
    } Cases[] = {
        {1, 2, 3, 4},
        {0, 0, 0, 0},
        {0xFFFFFFFF, -1, 0x7FFFFFFF, static_cast<LPARAM>(0x80000000)},
        {WM_COMMAND, MAKELONG(201, EN_CHANGE), 0x12345678, -42},
#if defined(_WIN64)
        // Whole 64-bit registers, high bits set, each argument different.
        {0xFEDCBA9876543210, static_cast<LPARAM>(0x8000000000000001), static_cast<LPARAM>(0xC3C3C3C3A5A5A5A5),
         0x7FFFFFFF00000000},
#endif
    };
    for (const auto& Case : Cases)
    {
        LRESULT Result = Call(Case.A, Case.B, Case.C, Case.D);
        EXPECT_EQ(&Object, LastCall.Object);
        EXPECT_EQ(Case.A, LastCall.A);
        EXPECT_EQ(Case.B, LastCall.B);
        EXPECT_EQ(Case.C, LastCall.C);
        EXPECT_EQ(Case.D, LastCall.D);
        EXPECT_EQ((static_cast<LRESULT>(Case.A + Case.B + Case.C + Case.D) ^ reinterpret_cast<LRESULT>(&Object)), Result);
    }
    FreeCallbackThunk(Thunk);
}

// A thunk that left the stack unbalanced would crash or corrupt long
// before this many calls.
TEST(CallbackThunk, KeepsTheStackBalancedOverManyCalls)
{
    int Object = 0;
    void* Thunk = MakeCallbackThunk(reinterpret_cast<void*>(&Recorder), &Object);
    ASSERT_NE(nullptr, Thunk);
    TFourArgs Call = reinterpret_cast<TFourArgs>(Thunk);
    LastCall = TCall{};
    LRESULT Sum = 0;
    for (int i = 0; i < 100000; ++i)
        Sum += Call(i, 1, 0, 0) ^ reinterpret_cast<LRESULT>(&Object);
    EXPECT_EQ(100000, LastCall.Count);
    EXPECT_EQ(static_cast<LRESULT>(100000LL * 99999 / 2 + 100000), Sum);
    FreeCallbackThunk(Thunk);
}

TEST(CallbackThunk, LivesInAnExecuteReadBlockOfItsOwnUntilFreed)
{
    int Object = 0;
    void* First = MakeCallbackThunk(reinterpret_cast<void*>(&Recorder), &Object);
    void* Second = MakeCallbackThunk(reinterpret_cast<void*>(&Recorder), &Object);
    ASSERT_NE(nullptr, First);
    ASSERT_NE(nullptr, Second);
    for (void* Thunk : {First, Second})
    {
        MEMORY_BASIC_INFORMATION Info = Query(Thunk);
        EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), Info.State);
        EXPECT_EQ(static_cast<DWORD>(PAGE_EXECUTE_READ), Info.Protect) << "never writable while executable";
        EXPECT_EQ(Thunk, Info.AllocationBase) << "one block per thunk";
        EXPECT_GE(Info.RegionSize, 15u);
    }
    SYSTEM_INFO System;
    GetSystemInfo(&System);
    EXPECT_NE(reinterpret_cast<UINT_PTR>(First) / System.dwPageSize, reinterpret_cast<UINT_PTR>(Second) / System.dwPageSize);

    FreeCallbackThunk(First);
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), Query(First).State);
    EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), Query(Second).State);
    FreeCallbackThunk(Second);
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), Query(Second).State);
}

#if defined(__i386__)
TEST(CallbackThunk, HoldsTheDocumentedBytes)
{
    int Object = 0;
    void* Thunk = MakeCallbackThunk(reinterpret_cast<void*>(&Recorder), &Object);
    ASSERT_NE(nullptr, Thunk);
    const BYTE* Code = static_cast<const BYTE*>(Thunk);
    DWORD ObjectValue, EntryValue;
    memcpy(&ObjectValue, Code + 1, 4);
    memcpy(&EntryValue, Code + 9, 4);
    EXPECT_EQ(0xB9, Code[0]);
    EXPECT_EQ(reinterpret_cast<DWORD>(&Object), ObjectValue);
    EXPECT_EQ(0x5A, Code[5]);
    EXPECT_EQ(0x51, Code[6]);
    EXPECT_EQ(0x52, Code[7]);
    EXPECT_EQ(0xB9, Code[8]);
    EXPECT_EQ(reinterpret_cast<DWORD>(&Recorder), EntryValue);
    EXPECT_EQ(0xFF, Code[13]);
    EXPECT_EQ(0xE1, Code[14]);
    FreeCallbackThunk(Thunk);
}
#endif

#if defined(_WIN64)
namespace
{
struct TStackProbe
{
    UINT_PTR AlignedLocal;
    USHORT Frames;
    void* Trace[32];
};

TStackProbe Probe;

// The return addresses from here up, found the way an exception unwinds:
// with the system's unwinder and the function table entries of what is on
// the stack (ARM64 Wine has no RtlCaptureStackBackTrace of its own). A
// function without an entry is a leaf whose caller's address is at the top
// of the stack (x64) or in the link register (ARM64).
__attribute__((noinline)) USHORT WalkStack(void** Trace, USHORT Max)
{
    CONTEXT Context;
    RtlCaptureContext(&Context);
#if defined(__x86_64__)
    DWORD64& Pc = Context.Rip;
#else
    DWORD64& Pc = Context.Pc;
#endif
    USHORT Count = 0;
    while (Count < Max && Pc)
    {
        DWORD64 Base = 0, Frame = 0;
        void* HandlerData = nullptr;
        if (RUNTIME_FUNCTION* Function = RtlLookupFunctionEntry(Pc, &Base, nullptr))
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, Base, Pc, Function, &Context, &HandlerData, &Frame, nullptr);
        else
#if defined(__x86_64__)
            Pc = *reinterpret_cast<DWORD64*>(Context.Rsp), Context.Rsp += 8;
#else
            Pc = Context.Lr;
#endif
        Trace[Count++] = reinterpret_cast<void*>(Pc);
    }
    return Count;
}

// Looks at its own frame: the Win64 convention promises a 16-byte aligned
// stack at every call, which the compiler relies on for aligned locals, and
// a stack walk from here has to get through the thunk to the test body.
LRESULT CALLBACK StackProber(void* Object, WPARAM A, LPARAM, LPARAM, LPARAM D)
{
    alignas(16) volatile BYTE Local[16];
    Local[0] = static_cast<BYTE>(A);
    Probe.AlignedLocal = reinterpret_cast<UINT_PTR>(Local);
    Probe.Frames = WalkStack(Probe.Trace, 8);
    return reinterpret_cast<LRESULT>(Object) + D + Local[0];
}

bool InsideImage(HMODULE Module, void* Address)
{
    const BYTE* Base = reinterpret_cast<const BYTE*>(Module);
    const IMAGE_NT_HEADERS* Headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(Base + reinterpret_cast<const IMAGE_DOS_HEADER*>(Base)->e_lfanew);
    const BYTE* At = static_cast<const BYTE*>(Address);
    return At >= Base && At < Base + Headers->OptionalHeader.SizeOfImage;
}

// Called from here, with this function's own return address in the trace.
__attribute__((noinline)) LRESULT CallThroughThunk(void* Thunk, WPARAM A, LPARAM D)
{
    return reinterpret_cast<TFourArgs>(Thunk)(A, 0, 0, D);
}
}

TEST(CallbackThunk, CallsWithAnAlignedStackAndCanBeUnwound)
{
    int Object = 0;
    void* Thunk = MakeCallbackThunk(reinterpret_cast<void*>(&StackProber), &Object);
    ASSERT_NE(nullptr, Thunk);

    DWORD64 ImageBase = 0;
    RUNTIME_FUNCTION* Function = RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(Thunk) + 20, &ImageBase, nullptr);
#if defined(__x86_64__)
    const int ThunkBytes = 45;
    ASSERT_NE(nullptr, Function) << "the thunk's frame is known to the unwinder";
    EXPECT_EQ(reinterpret_cast<DWORD64>(Thunk), ImageBase);
    EXPECT_EQ(0u, Function->BeginAddress);
#else
    const int ThunkBytes = 48;
    EXPECT_EQ(nullptr, Function) << "the ARM64 thunk is a leaf without frame: nothing to unwind";
#endif

    Probe = TStackProbe{};
    EXPECT_EQ(reinterpret_cast<LRESULT>(&Object) + 1000 + 7, CallThroughThunk(Thunk, 7, 1000));
    EXPECT_EQ(0u, Probe.AlignedLocal % 16);

    // The trace runs from the entry into the caller, which lies in the test
    // program: on x64 through the thunk's frame, on ARM64 straight, as the
    // entry returns to the thunk's caller itself.
    int InThunk = -1, InCaller = -1;
    for (int i = 0; i < Probe.Frames; ++i)
    {
        BYTE* At = static_cast<BYTE*>(Probe.Trace[i]);
        if (InThunk < 0 && At > Thunk && At <= static_cast<BYTE*>(Thunk) + ThunkBytes)
            InThunk = i;
        else if (i > 0 && InCaller < 0 && InsideImage(GetModuleHandleW(nullptr), At))
            InCaller = i;
    }
#if defined(__x86_64__)
    EXPECT_GE(InThunk, 0);
    EXPECT_EQ(InThunk + 1, InCaller) << "the walk did not get from the thunk to its caller";
#else
    EXPECT_EQ(-1, InThunk) << "the thunk left a frame";
    EXPECT_EQ(1, InCaller) << "the walk did not get from the entry to the thunk's caller";
#endif
    if (InCaller > 0)
    {
        DWORD64 CallerBase = 0;
        EXPECT_EQ(RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(&CallThroughThunk), &CallerBase, nullptr),
                  RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(Probe.Trace[InCaller]), &CallerBase, nullptr))
            << "the caller's frame is the function that called the thunk";
    }

    FreeCallbackThunk(Thunk);
    EXPECT_EQ(nullptr, RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(Thunk) + 20, &ImageBase, nullptr))
        << "the frame record goes with the thunk";
}
#endif
