// Self-registration. Most tests point HKEY_CLASSES_ROOT and
// HKEY_LOCAL_MACHINE of this process at scratch keys, so the layout and the
// rollbacks are checked without touching the prefix's real roots; the last
// test goes through regsvr32 and the Mouse control panel host for real.
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <string>

namespace
{
const std::wstring ClassKey = L"CLSID\\{1FC54B62-C2F7-44B4-B096-473CAAA6D328}";
const std::wstring HandlersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers";
const std::wstring HandlerKey = HandlersKey + L"\\{1FC54B62-C2F7-44B4-B096-473CAAA6D328}";
const std::wstring ScratchRoot = L"Software\\PointixTest\\Registration";

HKEY MakeKey(HKEY Root, const std::wstring& Path, DWORD Options = 0)
{
    HKEY Key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(Root, Path.c_str(), 0, nullptr, Options, KEY_ALL_ACCESS, nullptr, &Key, nullptr)) << Path.c_str();
    return Key;
}

struct TValue
{
    DWORD Type = 0;
    DWORD Bytes = 0;
    std::wstring Text;
};

TValue ReadValue(HKEY Root, const std::wstring& Path, const wchar_t* Name)
{
    TValue Value;
    wchar_t Buffer[1024] = L"";
    DWORD Size = sizeof(Buffer);
    if (RegGetValueW(Root, Path.c_str(), Name, RRF_RT_ANY | RRF_NOEXPAND, &Value.Type, Buffer, &Size) == ERROR_SUCCESS)
    {
        Value.Bytes = Size;
        Value.Text = Buffer;
    }
    return Value;
}

// Points the two roots of this process at scratch keys for its lifetime.
class TScratchRoots
{
public:
    TScratchRoots()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, ScratchRoot.c_str());
        Classes = MakeKey(HKEY_CURRENT_USER, ScratchRoot + L"\\Classes");
        Machine = MakeKey(HKEY_CURRENT_USER, ScratchRoot + L"\\Machine");
        EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, Classes));
        EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, Machine));
    }
    ~TScratchRoots()
    {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(Classes);
        RegCloseKey(Machine);
        RegDeleteTreeW(HKEY_CURRENT_USER, ScratchRoot.c_str());
    }
    HKEY Classes;
    HKEY Machine;
};

void ExpectRegistered(const TScratchRoots& Roots, const std::wstring& ModulePath)
{
    const TValue Name = ReadValue(Roots.Classes, ClassKey, L"");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Name.Type);
    EXPECT_EQ(L"Mouse Shell Extension", Name.Text);
    EXPECT_EQ(44u, Name.Bytes);
    const TValue Path = ReadValue(Roots.Classes, ClassKey + L"\\InprocServer32", L"");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Path.Type);
    EXPECT_EQ(ModulePath, Path.Text);
    EXPECT_EQ((ModulePath.size() + 1) * 2, Path.Bytes);
    const TValue Model = ReadValue(Roots.Classes, ClassKey + L"\\InprocServer32", L"ThreadingModel");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Model.Type);
    EXPECT_EQ(L"Apartment", Model.Text);
    EXPECT_EQ(20u, Model.Bytes);
    const TValue Handler = ReadValue(Roots.Machine, HandlerKey, L"");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Handler.Type);
    EXPECT_EQ(L"{1FC54B62-C2F7-44B4-B096-473CAAA6D328}", Handler.Text);
    EXPECT_EQ(78u, Handler.Bytes);
}

void ExpectNothingOfOurs(const TScratchRoots& Roots)
{
    EXPECT_FALSE(KeyExists(Roots.Classes, ClassKey));
    EXPECT_FALSE(KeyExists(Roots.Machine, HandlerKey));
}

// The host's listing, without the carriage returns of text mode.
std::string Lines(std::string Text)
{
    std::string Result;
    for (char C : Text)
        if (C != '\r')
            Result += C;
    return Result;
}

std::wstring LoadedPath(HMODULE Module)
{
    wchar_t Path[1024];
    DWORD Length = GetModuleFileNameW(Module, Path, 1024);
    return std::wstring(Path, Length);
}
}

TEST(Registration, WritesTheLayoutAndAgainOnASecondRun)
{
    TScratchRoots Roots;
    for (int Run = 0; Run < 2; ++Run)
    {
        SCOPED_TRACE(testing::Message() << "run " << Run + 1);
        EXPECT_EQ(S_OK, Pointix().RegisterServer());
        ExpectRegistered(Roots, LoadedPath(Pointix().Module));
    }
}

TEST(Registration, UnregisterRemovesBothTreesAndNothingElse)
{
    TScratchRoots Roots;
    RegCloseKey(MakeKey(Roots.Machine, HandlersKey + L"\\{00000000-1111-2222-3333-444444444444}"));
    RegCloseKey(MakeKey(Roots.Classes, L"CLSID\\{00000000-1111-2222-3333-444444444444}"));
    ASSERT_EQ(S_OK, Pointix().RegisterServer());
    RegCloseKey(MakeKey(Roots.Classes, ClassKey + L"\\Added\\By\\Others"));

    EXPECT_EQ(S_OK, Pointix().UnregisterServer());
    ExpectNothingOfOurs(Roots);
    EXPECT_TRUE(KeyExists(Roots.Machine, HandlersKey + L"\\{00000000-1111-2222-3333-444444444444}"));
    EXPECT_TRUE(KeyExists(Roots.Classes, L"CLSID\\{00000000-1111-2222-3333-444444444444}"));
}

TEST(Registration, UnregisterReportsWhatWasMissing)
{
    TScratchRoots Roots;
    EXPECT_EQ(SELFREG_E_CLASS, Pointix().UnregisterServer()) << "not registered";
    EXPECT_TRUE(KeyExists(Roots.Classes, L""));

    RegCloseKey(MakeKey(Roots.Classes, ClassKey + L"\\InprocServer32"));
    EXPECT_EQ(SELFREG_E_CLASS, Pointix().UnregisterServer()) << "only the class key";
    EXPECT_FALSE(KeyExists(Roots.Classes, ClassKey)) << "the class key went all the same";

    RegCloseKey(MakeKey(Roots.Machine, HandlerKey));
    EXPECT_EQ(SELFREG_E_CLASS, Pointix().UnregisterServer()) << "only the handler key";
    EXPECT_FALSE(KeyExists(Roots.Machine, HandlerKey));
}

// Wine refuses a non-volatile key below a volatile one: a volatile key in
// the way makes one step of the registration fail for real.
TEST(Registration, RollsBackEverythingWhenAStepFails)
{
    const struct
    {
        const char* Step;
        bool ClassesRoot;
        std::wstring VolatileKey;
    } Cases[] = {
        {"class key", true, L"CLSID"},
        {"InprocServer32 key (class key there before)", true, ClassKey},
        {"handler key", false, HandlersKey},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.Step);
        TScratchRoots Roots;
        HKEY Volatile = MakeKey(Case.ClassesRoot ? Roots.Classes : Roots.Machine, Case.VolatileKey, REG_OPTION_VOLATILE);
        RegCloseKey(Volatile);
        EXPECT_EQ(SELFREG_E_CLASS, Pointix().RegisterServer());
        ExpectNothingOfOurs(Roots);
    }
}

// A module whose path does not fit the 260 characters of the path buffer
// must not register a cut path.
TEST(Registration, RefusesAModulePathThatWouldBeCut)
{
    for (size_t Length : {259u, 260u, 300u})
    {
        SCOPED_TRACE(testing::Message() << "path of " << Length << " characters");
        const std::wstring Folder = ProgramFolder() + std::wstring(150, L'd');
        CreateDirectoryW(Folder.c_str(), nullptr);
        const size_t NameLength = Length - Folder.size() - 1;
        std::wstring Path = Folder + L"\\" + std::wstring(NameLength - 4, L'p') + L".dll";
        ASSERT_EQ(Length, Path.size());
        ASSERT_TRUE(CopyFileW(PointixPath().c_str(), (L"\\\\?\\" + Path).c_str(), FALSE));
        HMODULE Module = LoadLibraryW((L"\\\\?\\" + Path).c_str());
        ASSERT_NE(nullptr, Module) << "Wine did not load the copy, error " << GetLastError();
        auto Register = reinterpret_cast<TDllRegisterServer>(GetProcAddress(Module, "DllRegisterServer"));
        {
            TScratchRoots Roots;
            if (Length < 260)
            {
                EXPECT_EQ(S_OK, Register());
                ExpectRegistered(Roots, LoadedPath(Module));
                EXPECT_EQ(Length, LoadedPath(Module).size());
            }
            else
            {
                EXPECT_EQ(SELFREG_E_CLASS, Register());
                ExpectNothingOfOurs(Roots);
            }
        }
        FreeLibrary(Module);
        DeleteFileW((L"\\\\?\\" + Path).c_str());
        RemoveDirectoryW(Folder.c_str());
    }
}

TEST(Registration, RegSvr32AndTheMouseControlPanel)
{
    const std::wstring Dll = L"\"" + PointixPath() + L"\"";
    const std::wstring Host = L"\"" + ProgramFolder() + L"MouseHost.exe\" --list";
    EXPECT_EQ(0u, RunProgram(L"regsvr32 /s " + Dll));
    const TValue Path = ReadValue(HKEY_CLASSES_ROOT, ClassKey + L"\\InprocServer32", L"");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Path.Type);
    EXPECT_NE(std::wstring::npos, Path.Text.find(L"Pointix.dll"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey));

    std::string Listed;
    EXPECT_EQ(0u, RunProgram(Host, Listed));
    Listed = Lines(Listed);
    EXPECT_NE(std::string::npos, Listed.find("pages: 1\n")) << Listed;
    EXPECT_NE(std::string::npos, Listed.find("page 0: Einstellungen")) << Listed;

    EXPECT_EQ(0u, RunProgram(L"regsvr32 /u /s " + Dll));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey));
    Listed.clear();
    EXPECT_EQ(1u, RunProgram(Host, Listed));
    EXPECT_NE(std::string::npos, Lines(Listed).find("pages: 0\n")) << Listed;
}

// Both modules side by side on 64-bit Windows: each registers itself in its
// own registry view, and the Mouse control panel of each bitness finds
// exactly its own. Runs in the 64-bit test program, which is told where the
// 32-bit build lies.
TEST(Registration, BothModulesSideBySide)
{
#ifndef _WIN64
    GTEST_SKIP() << "run by the 64-bit test program";
#else
    const char* X86Bin = getenv("POINTIX_X86_BIN");
    if (!X86Bin || !*X86Bin)
        GTEST_SKIP() << "POINTIX_X86_BIN is not set";
    std::wstring X86Folder = L"Z:" + Widen(X86Bin) + L"\\";
    for (wchar_t& Unit : X86Folder)
        if (Unit == L'/')
            Unit = L'\\';
    wchar_t Wow64System[MAX_PATH];
    ASSERT_NE(0u, GetSystemWow64DirectoryW(Wow64System, MAX_PATH));

    const std::wstring X64Dll = PointixPath();
    const std::wstring X86Dll = X86Folder + L"Pointix.dll";
    const std::wstring RegSvr64 = L"regsvr32 /s ";
    const std::wstring RegSvr32 = L"\"" + std::wstring(Wow64System) + L"\\regsvr32.exe\" /s ";
    const std::wstring Host64 = L"\"" + ProgramFolder() + L"MouseHost.exe\" --list";
    const std::wstring Host32 = L"\"" + X86Folder + L"MouseHost.exe\" --list";

    struct TView
    {
        REGSAM Flag;
        std::wstring Dll;
        std::wstring Host;
    };
    const TView Views[] = {{KEY_WOW64_64KEY, X64Dll, Host64}, {KEY_WOW64_32KEY, X86Dll, Host32}};
    auto RegisteredPath = [](const TView& View) {
        wchar_t Buffer[1024] = L"";
        DWORD Size = sizeof(Buffer);
        HKEY Key;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (ClassKey + L"\\InprocServer32").c_str(), 0, KEY_READ | View.Flag, &Key) != ERROR_SUCCESS)
            return std::wstring();
        LSTATUS Status = RegQueryValueExW(Key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(Buffer), &Size);
        RegCloseKey(Key);
        return Status == ERROR_SUCCESS ? std::wstring(Buffer) : std::wstring();
    };
    auto HasHandler = [](const TView& View) {
        HKEY Key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, HandlerKey.c_str(), 0, KEY_READ | View.Flag, &Key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(Key);
        return true;
    };
    auto PagesListed = [](const TView& View) {
        std::string Listed;
        RunProgram(View.Host, Listed);
        return Lines(Listed);
    };

    ASSERT_EQ(0u, RunProgram(RegSvr64 + L"\"" + X64Dll + L"\""));
    ASSERT_EQ(0u, RunProgram(RegSvr32 + L"\"" + X86Dll + L"\""));
    for (const TView& View : Views)
    {
        EXPECT_EQ(View.Dll, RegisteredPath(View)) << "each view names its own module";
        EXPECT_TRUE(HasHandler(View));
        const std::string Listed = PagesListed(View);
        EXPECT_NE(std::string::npos, Listed.find("pages: 1\n")) << Listed;
        EXPECT_NE(std::string::npos, Listed.find("page 0: Einstellungen")) << Listed;
    }

    // Taking the 64-bit module away leaves the 32-bit one alone.
    EXPECT_EQ(0u, RunProgram(L"regsvr32 /u /s \"" + X64Dll + L"\""));
    EXPECT_EQ(L"", RegisteredPath(Views[0]));
    EXPECT_FALSE(HasHandler(Views[0]));
    EXPECT_NE(std::string::npos, PagesListed(Views[0]).find("pages: 0\n"));
    EXPECT_EQ(X86Dll, RegisteredPath(Views[1]));
    EXPECT_NE(std::string::npos, PagesListed(Views[1]).find("pages: 1\n"));

    EXPECT_EQ(0u, RunProgram(L"\"" + std::wstring(Wow64System) + L"\\regsvr32.exe\" /u /s \"" + X86Dll + L"\""));
    EXPECT_EQ(L"", RegisteredPath(Views[1]));
    EXPECT_FALSE(HasHandler(Views[1]));
    EXPECT_NE(std::string::npos, PagesListed(Views[1]).find("pages: 0\n"));
#endif
}
