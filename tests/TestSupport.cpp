#include "TestSupport.h"

#include <gtest/gtest.h>

const CLSID CLSID_Pointix = {0x1FC54B62, 0xC2F7, 0x44B4, {0xB0, 0x96, 0x47, 0x3C, 0xAA, 0xA6, 0xD3, 0x28}};

std::wstring ProgramFolder()
{
    wchar_t Path[MAX_PATH * 4];
    DWORD Length = GetModuleFileNameW(nullptr, Path, MAX_PATH * 4);
    std::wstring Folder(Path, Length);
    return Folder.substr(0, Folder.find_last_of(L"\\/") + 1);
}

std::wstring PointixPath()
{
    return ProgramFolder() + L"Pointix.dll";
}

const TPointix& Pointix()
{
    static TPointix Loaded = [] {
        TPointix P = {};
        P.Module = LoadLibraryW(PointixPath().c_str());
        if (!P.Module)
        {
            ADD_FAILURE() << "Pointix.dll did not load, error " << GetLastError();
            return P;
        }
        P.GetClassObject = reinterpret_cast<TDllGetClassObject>(GetProcAddress(P.Module, "DllGetClassObject"));
        P.CanUnloadNow = reinterpret_cast<TDllCanUnloadNow>(GetProcAddress(P.Module, "DllCanUnloadNow"));
        P.RegisterServer = reinterpret_cast<TDllRegisterServer>(GetProcAddress(P.Module, "DllRegisterServer"));
        P.UnregisterServer = reinterpret_cast<TDllRegisterServer>(GetProcAddress(P.Module, "DllUnregisterServer"));
        return P;
    }();
    return Loaded;
}

ULONG RefCount(IUnknown* Unknown)
{
    Unknown->AddRef();
    return Unknown->Release();
}

IClassFactory* NewFactory()
{
    IClassFactory* Factory = nullptr;
    EXPECT_EQ(S_OK, Pointix().GetClassObject(CLSID_Pointix, IID_IClassFactory, reinterpret_cast<void**>(&Factory)));
    return Factory;
}

IShellPropSheetExt* NewExtension()
{
    IClassFactory* Factory = NewFactory();
    if (!Factory)
        return nullptr;
    IShellPropSheetExt* Extension = nullptr;
    EXPECT_EQ(S_OK, Factory->CreateInstance(nullptr, IID_IShellPropSheetExt, reinterpret_cast<void**>(&Extension)));
    Factory->Release();
    return Extension;
}

DWORD RunProgram(const std::wstring& CommandLine, DWORD TimeoutMs)
{
    STARTUPINFOW Startup = {};
    Startup.cb = sizeof(Startup);
    PROCESS_INFORMATION Process = {};
    std::wstring Line = CommandLine;
    if (!CreateProcessW(nullptr, &Line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Process))
        return static_cast<DWORD>(-1);
    DWORD Code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(Process.hProcess, TimeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(Process.hProcess, &Code);
    else
        TerminateProcess(Process.hProcess, 1);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    return Code;
}
