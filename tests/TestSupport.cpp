#include "TestSupport.h"
#include "PointixConfig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

const CLSID CLSID_Pointix = POINTIX_CLSID_INIT;

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

std::wstring Widen(const char* Utf8)
{
    int Length = MultiByteToWideChar(CP_UTF8, 0, Utf8, -1, nullptr, 0);
    std::wstring Text(Length - 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, Utf8, -1, &Text[0], Length);
    return Text;
}

bool KeyExists(HKEY Root, const std::wstring& Path, REGSAM View)
{
    HKEY Key;
    if (RegOpenKeyExW(Root, Path.c_str(), 0, KEY_READ | View, &Key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(Key);
    return true;
}

const char* Without32BitWine()
{
    const char* Wine32 = getenv("POINTIX_WINE32");
    if (!Wine32 || std::string(Wine32) != "0")
        return nullptr;
    // The session's own words, so that the skip report puts these tests
    // beside the programs it could not run for the same reason.
    const char* Reason = getenv("POINTIX_NO32_REASON");
    return Reason && *Reason ? Reason : "the Wine session gave no reason";
}

const TPageLanguage GermanPages = {"German", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT)};
const TPageLanguage EnglishPages = {"English", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)};

const TPageLanguage& PagesOfThisProcess()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN ? GermanPages : EnglishPages;
}

namespace
{
BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD Language, LONG_PTR Found)
{
    reinterpret_cast<std::vector<WORD>*>(Found)->push_back(Language);
    return TRUE;
}
}

std::vector<BYTE> ModuleResource(LPCWSTR Type, LPCWSTR Name, LANGID Language)
{
    HMODULE Module = Pointix().Module;
    // The loader would fall back to another language: only one that is
    // there is asked for.
    std::vector<WORD> Languages;
    EnumResourceLanguagesW(Module, Type, Name, CollectLanguage, reinterpret_cast<LONG_PTR>(&Languages));
    if (std::find(Languages.begin(), Languages.end(), Language) == Languages.end())
        return {};
    HRSRC Resource = FindResourceExW(Module, Type, Name, Language);
    const BYTE* Data = Resource ? static_cast<const BYTE*>(LockResource(LoadResource(Module, Resource))) : nullptr;
    return Data ? std::vector<BYTE>(Data, Data + SizeofResource(Module, Resource)) : std::vector<BYTE>();
}

std::wstring ModuleString(UINT Id, LANGID Language)
{
    const std::vector<BYTE> Block = ModuleResource(RT_STRING, MAKEINTRESOURCEW(Id / 16 + 1), Language);
    if (Block.empty())
        return L"";
    TTemplateReader Read(Block);
    for (UINT i = 0; i < Id % 16; ++i)
        for (WORD Length = Read.Word(); Length > 0; --Length)
            Read.Word();
    std::wstring Text(Read.Word(), L'\0');
    for (auto& Unit : Text)
        Unit = static_cast<wchar_t>(Read.Word());
    return Text;
}

namespace
{
// Writes one import address slot, which the loader may have left read-only.
void WriteSlot(void** Slot, void* Value)
{
    DWORD Old = 0;
    VirtualProtect(Slot, sizeof(void*), PAGE_READWRITE, &Old);
    *Slot = Value;
    VirtualProtect(Slot, sizeof(void*), Old, &Old);
}
}

TImportPatch::TImportPatch(HMODULE Module, const char* Dll, const char* Function, void* Replacement)
    : FSlot(nullptr), FOriginal(nullptr)
{
    BYTE* Base = reinterpret_cast<BYTE*>(Module);
    const IMAGE_NT_HEADERS* Headers = reinterpret_cast<IMAGE_NT_HEADERS*>(Base + reinterpret_cast<IMAGE_DOS_HEADER*>(Base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& Imports = Headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* Descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(Base + Imports.VirtualAddress); Imports.Size && Descriptor->Name;
         ++Descriptor)
    {
        if (lstrcmpiA(reinterpret_cast<char*>(Base + Descriptor->Name), Dll) != 0)
            continue;
        auto* Names = reinterpret_cast<IMAGE_THUNK_DATA*>(Base + Descriptor->OriginalFirstThunk);
        auto* Slots = reinterpret_cast<void**>(Base + Descriptor->FirstThunk);
        for (; Names->u1.AddressOfData; ++Names, ++Slots)
        {
            if (IMAGE_SNAP_BY_ORDINAL(Names->u1.Ordinal))
                continue;
            auto* Named = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(Base + Names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(Named->Name), Function) == 0)
            {
                FSlot = Slots;
                FOriginal = *Slots;
                WriteSlot(FSlot, Replacement);
                return;
            }
        }
    }
}

TImportPatch::~TImportPatch()
{
    if (FSlot)
        WriteSlot(FSlot, FOriginal);
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

namespace
{
DWORD Run(const std::wstring& CommandLine, std::string* Output, DWORD TimeoutMs)
{
    STARTUPINFOW Startup = {};
    Startup.cb = sizeof(Startup);
    HANDLE Read = nullptr, Write = nullptr;
    if (Output)
    {
        SECURITY_ATTRIBUTES Inherit = {sizeof(Inherit), nullptr, TRUE};
        if (!CreatePipe(&Read, &Write, &Inherit, 0))
            return static_cast<DWORD>(-1);
        SetHandleInformation(Read, HANDLE_FLAG_INHERIT, 0);
        Startup.dwFlags = STARTF_USESTDHANDLES;
        Startup.hStdOutput = Write;
        Startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        Startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION Process = {};
    std::wstring Line = CommandLine;
    const BOOL Started = CreateProcessW(nullptr, &Line[0], nullptr, nullptr, Output != nullptr, 0, nullptr, nullptr, &Startup, &Process);
    if (Write)
        CloseHandle(Write);
    if (!Started)
    {
        if (Read)
            CloseHandle(Read);
        return static_cast<DWORD>(-1);
    }
    if (Read)
    {
        char Buffer[4096];
        DWORD Got = 0;
        while (ReadFile(Read, Buffer, sizeof(Buffer), &Got, nullptr) && Got > 0)
            Output->append(Buffer, Got);
        CloseHandle(Read);
    }
    DWORD Code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(Process.hProcess, TimeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(Process.hProcess, &Code);
    else
        TerminateProcess(Process.hProcess, 1);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    return Code;
}
}

DWORD RunProgram(const std::wstring& CommandLine, DWORD TimeoutMs)
{
    return Run(CommandLine, nullptr, TimeoutMs);
}

DWORD RunProgram(const std::wstring& CommandLine, std::string& Output, DWORD TimeoutMs)
{
    return Run(CommandLine, &Output, TimeoutMs);
}

DWORD RunAsWindowsVersion(const wchar_t* Version, const std::wstring& Arguments, std::string& Output)
{
    wchar_t Self[MAX_PATH];
    GetModuleFileNameW(nullptr, Self, MAX_PATH);
    std::wstring Name = Self;
    Name = Name.substr(Name.find_last_of(L'\\') + 1);
    Name = Name.substr(0, Name.size() - 4) + L"_" + Version + L".exe";
    const std::wstring Copy = ProgramFolder() + Name;
    if (!CopyFileW(Self, Copy.c_str(), FALSE))
        return static_cast<DWORD>(-1);
    const std::wstring Defaults = L"Software\\Wine\\AppDefaults\\" + Name;
    RegSetKeyValueW(HKEY_CURRENT_USER, Defaults.c_str(), L"Version", REG_SZ, Version,
                    static_cast<DWORD>((wcslen(Version) + 1) * sizeof(wchar_t)));
    const DWORD Code = RunProgram(L"\"" + Copy + L"\" " + Arguments, Output);
    RegDeleteTreeW(HKEY_CURRENT_USER, Defaults.c_str());
    DeleteFileW(Copy.c_str());
    return Code;
}
