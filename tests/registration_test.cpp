// Self-registration. Most tests point HKEY_CLASSES_ROOT and
// HKEY_LOCAL_MACHINE of this process at scratch keys, so the layout and the
// rollbacks are checked without touching the prefix's real roots; the last
// test goes through regsvr32 and the Mouse control panel host for real.
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <olectl.h>
#include <msi.h>
#include <msiquery.h>
#include <msidefs.h>

#include "PointixConfig.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace
{
const std::wstring ClassKey = L"CLSID\\" POINTIX_CLSID_TEXT;
const std::wstring HandlersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers";
const std::wstring HandlerKey = HandlersKey + L"\\" POINTIX_CLSID_TEXT;
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

TValue ReadValue(HKEY Root, const std::wstring& Path, const wchar_t* Name, REGSAM View = 0)
{
    TValue Value;
    HKEY Key;
    if (RegOpenKeyExW(Root, Path.c_str(), 0, KEY_READ | View, &Key) != ERROR_SUCCESS)
        return Value;
    wchar_t Buffer[1024] = L"";
    DWORD Size = sizeof(Buffer);
    if (RegGetValueW(Key, nullptr, Name, RRF_RT_ANY | RRF_NOEXPAND, &Value.Type, Buffer, &Size) == ERROR_SUCCESS)
    {
        Value.Bytes = Size;
        Value.Text = Buffer;
    }
    RegCloseKey(Key);
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

// The layout DllRegisterServer writes, byte for byte, under the given roots
// and in the given view (0: the process's own).
void ExpectRegistered(HKEY Classes, HKEY Machine, const std::wstring& ModulePath, REGSAM View = 0)
{
    const TValue Name = ReadValue(Classes, ClassKey, L"", View);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Name.Type);
    EXPECT_EQ(L"Mouse Shell Extension", Name.Text);
    EXPECT_EQ(44u, Name.Bytes);
    const TValue Path = ReadValue(Classes, ClassKey + L"\\InprocServer32", L"", View);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Path.Type);
    EXPECT_EQ(ModulePath, Path.Text);
    EXPECT_EQ((ModulePath.size() + 1) * 2, Path.Bytes);
    const TValue Model = ReadValue(Classes, ClassKey + L"\\InprocServer32", L"ThreadingModel", View);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Model.Type);
    EXPECT_EQ(L"Apartment", Model.Text);
    EXPECT_EQ(20u, Model.Bytes);
    const TValue Handler = ReadValue(Machine, HandlerKey, L"", View);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Handler.Type);
    // The published identifier: installed systems and the shell know it by
    // this, so it never changes.
    EXPECT_EQ(L"{1FC54B62-C2F7-44B4-B096-473CAAA6D328}", Handler.Text);
    EXPECT_EQ(78u, Handler.Bytes);
}

void ExpectRegistered(const TScratchRoots& Roots, const std::wstring& ModulePath)
{
    ExpectRegistered(Roots.Classes, Roots.Machine, ModulePath);
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

namespace
{
// What MouseHost --list prints when our handler is the only one: all three
// pages, "Einstellungen" first.
void ExpectOurPages(const std::string& Listed)
{
    EXPECT_NE(std::string::npos, Listed.find("pages: 3\n")) << Listed;
    EXPECT_NE(std::string::npos, Listed.find("page 0: Einstellungen\npage 1: Zeigen und Ziehen\npage 2: Beschleunigungskurve\n"))
        << Listed;
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
    ExpectOurPages(Lines(Listed));

    EXPECT_EQ(0u, RunProgram(L"regsvr32 /u /s " + Dll));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey));
    Listed.clear();
    EXPECT_EQ(1u, RunProgram(Host, Listed));
    EXPECT_NE(std::string::npos, Lines(Listed).find("pages: 0\n")) << Listed;
}

#if defined(__x86_64__)
// On 64-bit Windows each module registers itself in its own registry view,
// and the Mouse control panel of each bitness finds exactly its own. These
// tests run in the x64 test program, which is told where the other builds
// and the installer lie. (ARM64 Wine here runs no x86 programs.)
namespace
{
struct TView
{
    REGSAM Flag;
    std::wstring Host;
};

std::wstring WindowsPath(const char* UnixPath)
{
    std::wstring Path = L"Z:" + Widen(UnixPath);
    for (wchar_t& Unit : Path)
        if (Unit == L'/')
            Unit = L'\\';
    return Path;
}

// Where an administrator lets only approved shell extensions load; the
// installers write our value there, an other extension's stays.
const std::wstring ApprovedKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const std::wstring OurClass = L"" POINTIX_CLSID_TEXT;
const std::wstring ForeignClass = L"{00000000-1111-2222-3333-444444444444}";
const wchar_t ForeignApproval[] = L"Another extension";

// Another extension's approval in a view; false takes it away again.
void ApproveForeign(REGSAM View, bool Approve)
{
    HKEY Key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, ApprovedKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | View, nullptr,
                                             &Key, nullptr));
    if (Approve)
        RegSetValueExW(Key, ForeignClass.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(ForeignApproval), sizeof(ForeignApproval));
    else
        RegDeleteValueW(Key, ForeignClass.c_str());
    RegCloseKey(Key);
}

// Our approved value while installed and none after, in the module's view;
// the other extension's approval untouched either way.
void ExpectApproval(REGSAM View, bool Installed)
{
    EXPECT_EQ(Installed ? L"Mouse Shell Extension" : L"", ReadValue(HKEY_LOCAL_MACHINE, ApprovedKey, OurClass.c_str(), View).Text);
    EXPECT_EQ(ForeignApproval, ReadValue(HKEY_LOCAL_MACHINE, ApprovedKey, ForeignClass.c_str(), View).Text)
        << "another extension's approval stays";
}

std::wstring FolderFrom(const char* Variable)
{
    const char* Folder = getenv(Variable);
    return Folder && *Folder ? WindowsPath(Folder) + L"\\" : std::wstring();
}

std::wstring X86Folder()
{
    return FolderFrom("POINTIX_X86_BIN");
}

std::wstring Arm64Folder()
{
    return FolderFrom("POINTIX_ARM64_BIN");
}

// The 64-bit view with this build's host, the 32-bit view with the other's.
const TView View64 = {KEY_WOW64_64KEY, L"\"" + ProgramFolder() + L"MouseHost.exe\" --list"};
TView View32()
{
    return {KEY_WOW64_32KEY, L"\"" + X86Folder() + L"MouseHost.exe\" --list"};
}

// How many pages the view's Mouse control panel adds, and their titles.
std::string PagesListed(const TView& View)
{
    std::string Listed;
    RunProgram(View.Host, Listed);
    return Lines(Listed);
}

void ExpectOurPage(const TView& View)
{
    ExpectOurPages(PagesListed(View));
}

void ExpectNoPage(const TView& View)
{
    const std::string Listed = PagesListed(View);
    EXPECT_NE(std::string::npos, Listed.find("pages: 0\n")) << Listed;
}

WORD MachineOf(const std::wstring& Path)
{
    HANDLE File = CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (File == INVALID_HANDLE_VALUE)
        return 0;
    BYTE Header[4096] = {};
    DWORD Read = 0;
    ReadFile(File, Header, sizeof(Header), &Read, nullptr);
    CloseHandle(File);
    const LONG At = reinterpret_cast<const IMAGE_DOS_HEADER*>(Header)->e_lfanew;
    if (Read < sizeof(IMAGE_DOS_HEADER) || At < 0 || At + sizeof(IMAGE_FILE_HEADER) + 4 > Read)
        return 0;
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(Header + At)->FileHeader.Machine;
}

bool FileExists(const std::wstring& Path)
{
    return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
}

namespace
{
std::wstring RegSvr32(const TView& View)
{
    wchar_t Folder[MAX_PATH];
    if (View.Flag == KEY_WOW64_32KEY)
        GetSystemWow64DirectoryW(Folder, MAX_PATH);
    else
        GetSystemDirectoryW(Folder, MAX_PATH);
    return L"\"" + std::wstring(Folder) + L"\\regsvr32.exe\" ";
}

// The module that the view's class key names, empty when there is none.
std::wstring RegisteredPath(const TView& View)
{
    return ReadValue(HKEY_CLASSES_ROOT, ClassKey + L"\\InprocServer32", L"", View.Flag).Text;
}

// The files Windows deletes or renames at the next restart, lower case.
std::wstring PendingRenames()
{
    std::vector<wchar_t> Buffer(65536);
    DWORD Size = static_cast<DWORD>(Buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", L"PendingFileRenameOperations",
                     RRF_RT_REG_MULTI_SZ, nullptr, Buffer.data(), &Size) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring Text(Buffer.data(), Size / sizeof(wchar_t));
    for (wchar_t& Unit : Text)
        Unit = towlower(Unit);
    return Text;
}
}

TEST(Registration, BothModulesSideBySide)
{
    if (Without32BitWine())
        GTEST_SKIP() << Without32BitWine();
    if (X86Folder().empty())
        GTEST_SKIP() << "POINTIX_X86_BIN is not set";
    const TView Views[] = {View64, View32()};
    const std::wstring Modules[] = {PointixPath(), X86Folder() + L"Pointix.dll"};

    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(0u, RunProgram(RegSvr32(Views[i]) + L"/s \"" + Modules[i] + L"\""));
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(Modules[i], RegisteredPath(Views[i])) << "each view names its own module";
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey, Views[i].Flag));
        ExpectOurPage(Views[i]);
    }

    // Taking the 64-bit module away leaves the 32-bit one alone.
    EXPECT_EQ(0u, RunProgram(RegSvr32(Views[0]) + L"/u /s \"" + Modules[0] + L"\""));
    EXPECT_EQ(L"", RegisteredPath(Views[0]));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey, Views[0].Flag));
    ExpectNoPage(Views[0]);
    EXPECT_EQ(Modules[1], RegisteredPath(Views[1]));
    ExpectOurPage(Views[1]);

    EXPECT_EQ(0u, RunProgram(RegSvr32(Views[1]) + L"/u /s \"" + Modules[1] + L"\""));
    EXPECT_EQ(L"", RegisteredPath(Views[1]));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey, Views[1].Flag));
    ExpectNoPage(Views[1]);
}

// Pointix-Setup.exe on 64-bit Windows, silently.
class InstallerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (Without32BitWine())
            GTEST_SKIP() << Without32BitWine();
        const char* Path = getenv("POINTIX_SETUP");
        if (!Path || !*Path || X86Folder().empty())
            GTEST_SKIP() << "POINTIX_SETUP or POINTIX_X86_BIN is not set";
        Setup = WindowsPath(Path);
        wchar_t ProgramFiles[MAX_PATH];
        ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, ProgramFiles));
        Folder = std::wstring(ProgramFiles) + L"\\Pointix\\";
    }
    DWORD RunSetup() const
    {
        return RunProgram(L"\"" + Setup + L"\" /S", 120000);
    }

    const TView Views[2] = {View64, View32()};
    const std::wstring UninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pointix";
    std::wstring Setup;
    std::wstring Folder;
};

// The installer puts the 64-bit module in Program Files and the 32-bit one
// beside it, each registered in its own view; its uninstaller takes every
// file, key and its own entry back.
TEST_F(InstallerTest, SilentInstallAndUninstallOnA64BitSystem)
{
    const std::wstring Modules[] = {Folder + L"Pointix.dll", Folder + L"x86\\Pointix.dll"};
    const std::wstring Uninstaller = Folder + L"Uninstall.exe";
    for (const TView& View : Views)
        ApproveForeign(View.Flag, true);

    ASSERT_EQ(0u, RunSetup());
    EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, MachineOf(Modules[0]));
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(Modules[1]));
    EXPECT_TRUE(FileExists(Uninstaller));
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(Modules[i], RegisteredPath(Views[i]));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey, Views[i].Flag));
        ExpectApproval(Views[i].Flag, true);
        ExpectOurPage(Views[i]);
    }
    const TValue Entry = ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, L"QuietUninstallString");
    EXPECT_EQ(L"\"" + Uninstaller + L"\" /S", Entry.Text);
    EXPECT_EQ(L"Pointix", ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayName").Text);

    // The uninstaller runs from a copy in the temporary folder and returns
    // at once: wait for it to finish.
    ASSERT_EQ(0u, RunProgram(Entry.Text));
    for (int Waited = 0; Waited < 600 && (FileExists(Folder) || KeyExists(HKEY_LOCAL_MACHINE, UninstallKey, View64.Flag)); ++Waited)
        Sleep(100);
    Sleep(500);
    EXPECT_FALSE(FileExists(Folder)) << "files left behind";
    for (const TView& View : Views)
    {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey, View.Flag));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey, View.Flag));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, HandlersKey, View.Flag)) << "the shell's own key stays";
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey, View.Flag));
        ExpectApproval(View.Flag, false);
        ApproveForeign(View.Flag, false);
        ExpectNoPage(View);
    }
    // Only the temporary copy of the uninstaller may outlive it, and only
    // as long as the next restart: it cannot delete itself while it runs.
    const std::wstring Pending = PendingRenames();
    wchar_t Temp[MAX_PATH];
    GetTempPathW(MAX_PATH, Temp);
    WIN32_FIND_DATAW Found;
    HANDLE Search = FindFirstFileW((std::wstring(Temp) + L"~nsu*.tmp").c_str(), &Found);
    if (Search != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring Copy = std::wstring(Temp) + Found.cFileName;
            std::wstring Name = Copy.substr(Copy.find(L':') + 1);
            for (wchar_t& Unit : Name)
                Unit = towlower(Unit);
            EXPECT_NE(std::wstring::npos, Pending.find(Name)) << "not removed at the next restart: " << Copy.c_str();
        } while (FindNextFileW(Search, &Found));
        FindClose(Search);
    }
}

// A module that refuses to register makes the installer take everything
// back and fail. The refusal is real: a volatile handlers key cannot take
// the module's non-volatile handler key.
TEST_F(InstallerTest, TakesEverythingBackWhenAModuleRefusesToRegister)
{
    // Only an empty handlers key may be replaced: it holds nobody's handler.
    LSTATUS Status = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, HandlersKey.c_str(), KEY_WOW64_64KEY, 0);
    ASSERT_TRUE(Status == ERROR_SUCCESS || Status == ERROR_FILE_NOT_FOUND) << Status;
    HKEY Volatile = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, HandlersKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &Volatile, nullptr));

    EXPECT_EQ(2u, RunSetup());
    EXPECT_FALSE(FileExists(Folder)) << "files left behind";
    for (const TView& View : Views)
    {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey, View.Flag));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey, View.Flag));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey, View.Flag));
    }

    RegCloseKey(Volatile);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyExW(HKEY_LOCAL_MACHINE, HandlersKey.c_str(), KEY_WOW64_64KEY, 0));
}

// The release: every artefact carries the project's one version, and the
// Windows Installer packages do for an administrator's rollout what
// DllRegisterServer does, and take it back.
namespace
{
std::wstring ReleaseFile(const wchar_t* Name)
{
    const char* Folder = getenv("POINTIX_RELEASE");
    return Folder && *Folder ? WindowsPath(Folder) + L"\\" + Name : std::wstring();
}

const std::wstring UninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The versions of the Apps entries with this name, in both views.
std::vector<std::wstring> AppsEntries(const std::wstring& Name)
{
    std::vector<std::wstring> Versions;
    for (REGSAM View : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
    {
        HKEY Root;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallRoot.c_str(), 0, KEY_READ | View, &Root) != ERROR_SUCCESS)
            continue;
        wchar_t Sub[256];
        for (DWORD i = 0, Length = 256; RegEnumKeyExW(Root, i, Sub, &Length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i, Length = 256)
            if (ReadValue(Root, Sub, L"DisplayName").Text == Name)
                Versions.push_back(ReadValue(Root, Sub, L"DisplayVersion").Text);
        RegCloseKey(Root);
    }
    return Versions;
}

DWORD Msiexec(const std::wstring& Arguments)
{
    return RunProgram(L"msiexec " + Arguments + L" /qn", 180000);
}

struct TPackage
{
    const char* Arch;
    const wchar_t* File;
    const wchar_t* Name;        // in Apps
    int ProgramFiles;           // CSIDL of its folder
    WORD Machine;               // of the module it installs
    const wchar_t* Platform;    // in the summary, with the language
    int Schema;                 // the Windows Installer version it needs
    const wchar_t* Folder;      // its Program Files in the Directory table
};
const TPackage Packages[] = {
    {"x64", L"Pointix-x64.msi", L"Pointix (64-bit)", CSIDL_PROGRAM_FILES, IMAGE_FILE_MACHINE_AMD64, L"x64;1033", 200,
     L"ProgramFiles64Folder"},
    {"x86", L"Pointix-x86.msi", L"Pointix (32-bit)", CSIDL_PROGRAM_FILESX86, IMAGE_FILE_MACHINE_I386, L"Intel;1033", 200,
     L"ProgramFilesFolder"},
    {"arm64", L"Pointix-arm64.msi", L"Pointix (ARM64)", CSIDL_PROGRAM_FILES, IMAGE_FILE_MACHINE_ARM64, L"Arm64;1033", 500,
     L"ProgramFiles64Folder"},
};
// What Wine here can install: the x64 and x86 packages. ARM64 Wine 8's
// Windows Installer knows no 64-bit folders on ARM64 (it puts the module
// into C:\Pointix), so the ARM64 package is checked by its tables.
const TPackage* const Installable = Packages + 2;

class MsiTest : public testing::TestWithParam<TPackage>
{
protected:
    void SetUp() override
    {
        Package = ReleaseFile(GetParam().File);
        if (Package.empty())
            GTEST_SKIP() << "POINTIX_RELEASE is not set";
        wchar_t Folder[MAX_PATH];
        ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, GetParam().ProgramFiles, nullptr, SHGFP_TYPE_CURRENT, Folder));
        Module = std::wstring(Folder) + L"\\Pointix\\Pointix.dll";
    }
    bool Is32() const { return GetParam().Machine == IMAGE_FILE_MACHINE_I386; }
    TView View() const { return Is32() ? View32() : View64; }
    // The 32-bit host is a 32-bit program.
    bool CanListPages() const { return !Is32() || !Without32BitWine(); }

    std::wstring Package, Module;
};
}

namespace
{
std::wstring FileVersion(const std::wstring& Path)
{
    DWORD Handle = 0;
    std::vector<BYTE> Block(GetFileVersionInfoSizeW(Path.c_str(), &Handle));
    VS_FIXEDFILEINFO* Fixed = nullptr;
    UINT Size = 0;
    if (Block.empty() || !GetFileVersionInfoW(Path.c_str(), 0, static_cast<DWORD>(Block.size()), Block.data()) ||
        !VerQueryValueW(Block.data(), L"\\", reinterpret_cast<void**>(&Fixed), &Size))
        return L"(none)";
    return std::to_wstring(HIWORD(Fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(Fixed->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(Fixed->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(Fixed->dwFileVersionLS));
}

typedef std::vector<std::vector<std::wstring>> TRows;

// The rows a query of the package gives, every field as text.
TRows Query(const std::wstring& Path, const wchar_t* Sql)
{
    TRows Rows;
    MSIHANDLE Database = 0, View = 0, Record = 0;
    if (MsiOpenDatabaseW(Path.c_str(), MSIDBOPEN_READONLY, &Database) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewW(Database, Sql, &View) == ERROR_SUCCESS && MsiViewExecute(View, 0) == ERROR_SUCCESS)
        while (MsiViewFetch(View, &Record) == ERROR_SUCCESS)
        {
            std::vector<std::wstring> Row;
            for (UINT Field = 1; Field <= MsiRecordGetFieldCount(Record); ++Field)
            {
                wchar_t Text[1024] = L"";
                DWORD Length = 1024;
                MsiRecordGetStringW(Record, Field, Text, &Length);
                Row.push_back(Text);
            }
            Rows.push_back(Row);
            MsiCloseHandle(Record);
        }
    for (MSIHANDLE Handle : {View, Database})
        if (Handle)
            MsiCloseHandle(Handle);
    return Rows;
}

std::wstring PackageVersion(const std::wstring& Path)
{
    const TRows Rows = Query(Path, L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductVersion'");
    return Rows.empty() ? L"(none)" : Rows[0][0];
}

// A property of the package's summary: its text, or its number as text.
std::wstring Summary(const std::wstring& Path, UINT Property)
{
    MSIHANDLE Info = 0;
    UINT Type = 0;
    INT Number = 0;
    FILETIME Time = {};
    wchar_t Text[256] = L"";
    DWORD Length = 256;
    if (MsiGetSummaryInformationW(0, Path.c_str(), 0, &Info) != ERROR_SUCCESS)
        return L"(none)";
    MsiSummaryInfoGetPropertyW(Info, Property, &Type, &Number, &Time, Text, &Length);
    MsiCloseHandle(Info);
    return Type == VT_I4 ? std::to_wstring(Number) : std::wstring(Text);
}

std::string FileBytes(const std::wstring& Path)
{
    std::string Bytes;
    HANDLE File = CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (File == INVALID_HANDLE_VALUE)
        return Bytes;
    char Buffer[65536];
    DWORD Read = 0;
    while (ReadFile(File, Buffer, sizeof(Buffer), &Read, nullptr) && Read > 0)
        Bytes.append(Buffer, Read);
    CloseHandle(File);
    return Bytes;
}
}

TEST(Release, EveryArtefactCarriesTheProjectVersion)
{
    if (ReleaseFile(L"").empty() || X86Folder().empty())
        GTEST_SKIP() << "POINTIX_RELEASE or POINTIX_X86_BIN is not set";
    const std::wstring Version = Widen(POINTIX_VERSION_TEXT);
    EXPECT_EQ(Version, FileVersion(PointixPath())) << "64-bit module";
    EXPECT_EQ(Version, FileVersion(X86Folder() + L"Pointix.dll")) << "32-bit module";
    EXPECT_EQ(Version, FileVersion(ReleaseFile(L"Pointix-Setup.exe"))) << "installer";
    for (const TPackage* Package = Packages; Package != Installable; ++Package)
        EXPECT_EQ(Version, PackageVersion(ReleaseFile(Package->File))) << Package->File;
    if (!Arm64Folder().empty())
    {
        EXPECT_EQ(Version, FileVersion(Arm64Folder() + L"Pointix.dll")) << "ARM64 module";
        EXPECT_EQ(Version, PackageVersion(ReleaseFile(L"Pointix-arm64.msi"))) << "ARM64 package";
    }
}

TEST_P(MsiTest, InstallsLikeDllRegisterServerAndTakesItAllBack)
{
    const std::wstring Name = GetParam().Name;
    // Another vendor's handler shares the Mouse handlers key.
    const std::wstring Foreign = HandlersKey + L"\\{00000000-1111-2222-3333-444444444444}";
    HKEY Key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, Foreign.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | View().Flag, nullptr, &Key, nullptr));
    RegCloseKey(Key);
    ApproveForeign(View().Flag, true);

    ASSERT_EQ(0u, Msiexec(L"/i \"" + Package + L"\""));
    EXPECT_EQ(GetParam().Machine, MachineOf(Module));
    ExpectRegistered(HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, Module, View().Flag);
    ExpectApproval(View().Flag, true);
    if (CanListPages())
        ExpectOurPage(View());
    EXPECT_EQ(std::vector<std::wstring>{Widen(POINTIX_VERSION_TEXT)}, AppsEntries(Name));

    ASSERT_EQ(0u, Msiexec(L"/x \"" + Package + L"\""));
    EXPECT_FALSE(FileExists(Module));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey, View().Flag));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey, View().Flag));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Foreign, View().Flag)) << "the shared key and the other handler stay";
    ExpectApproval(View().Flag, false);
    EXPECT_TRUE(AppsEntries(Name).empty());
    if (CanListPages())
        ExpectNoPage(View());
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, Foreign.c_str(), View().Flag, 0);
    ApproveForeign(View().Flag, false);
    if (!CanListPages())
        GTEST_SKIP() << Without32BitWine() << ": files, registry and Apps entry were checked, the 32-bit host's pages were not";
}

INSTANTIATE_TEST_SUITE_P(Packages, MsiTest, testing::ValuesIn(Packages, Installable),
    [](const testing::TestParamInfo<TPackage>& Info) { return std::string(Info.param.Arch); });

// What each package tells Windows Installer, read from its tables: its
// platform and schema, the module of its architecture as its one file, in
// a component of the module's registry view under the matching Program
// Files, exactly the registry rows that DllRegisterServer writes, and the
// approved value.
class MsiTables : public testing::TestWithParam<TPackage>
{
};

TEST_P(MsiTables, DescribeTheModuleOfTheirArchitecture)
{
    const TPackage& Expected = GetParam();
    const std::wstring Package = ReleaseFile(Expected.File);
    const std::wstring Folder = Expected.Machine == IMAGE_FILE_MACHINE_I386    ? X86Folder()
                                : Expected.Machine == IMAGE_FILE_MACHINE_ARM64 ? Arm64Folder()
                                                                               : ProgramFolder();
    if (Package.empty() || Folder.empty())
        GTEST_SKIP() << "POINTIX_RELEASE or the module's build folder is not set";
    const bool Is64 = Expected.Machine != IMAGE_FILE_MACHINE_I386;

    EXPECT_EQ(Expected.Platform, Summary(Package, PID_TEMPLATE));
    EXPECT_EQ(std::to_wstring(Expected.Schema), Summary(Package, PID_PAGECOUNT));
    const TRows Files = Query(Package, L"SELECT `FileName`, `Component_`, `FileSize` FROM `File`");
    ASSERT_EQ(1u, Files.size());
    EXPECT_NE(std::wstring::npos, Files[0][0].find(L"Pointix.dll")) << Files[0][0].c_str();
    EXPECT_EQ(L"Module", Files[0][1]);
    EXPECT_EQ(std::to_wstring(FileBytes(Folder + L"Pointix.dll").size()), Files[0][2]) << "the module of its architecture";
    const TRows Component = Query(Package, L"SELECT `Directory_`, `Attributes` FROM `Component` WHERE `Component` = 'Module'");
    ASSERT_EQ(1u, Component.size());
    EXPECT_EQ(L"INSTALLDIR", Component[0][0]);
    EXPECT_EQ(Is64, (std::stoi(Component[0][1]) & msidbComponentAttributes64bit) != 0) << "the registry view of its bitness";
    EXPECT_EQ((TRows{{Expected.Folder}}), Query(Package, L"SELECT `Directory_Parent` FROM `Directory` WHERE `Directory` = 'INSTALLDIR'"));

    TRows Registry = Query(Package, L"SELECT `Root`, `Key`, `Name`, `Value`, `Component_` FROM `Registry`");
    std::sort(Registry.begin(), Registry.end());
    const TRows Ours = {
        {L"0", ClassKey, L"", L"Mouse Shell Extension", L"Module"},
        {L"0", ClassKey + L"\\InprocServer32", L"", L"[#PointixDll]", L"Module"},
        {L"0", ClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment", L"Module"},
        {L"2", HandlerKey, L"", OurClass, L"Module"},
        {L"2", ApprovedKey, OurClass, L"Mouse Shell Extension", L"Module"},
    };
    EXPECT_EQ(Ours, Registry);
}

INSTANTIATE_TEST_SUITE_P(Packages, MsiTables, testing::ValuesIn(Packages),
    [](const testing::TestParamInfo<TPackage>& Info) { return std::string(Info.param.Arch); });

// A newer version replaces the installed one: one product, the newer
// package's file, still registered.
TEST(MsiUpgrade, NewerVersionReplacesTheOlder)
{
    const std::wstring Older = ReleaseFile(L"Pointix-x64.msi"), Newer = ReleaseFile(L"Pointix-x64-next.msi");
    if (Older.empty())
        GTEST_SKIP() << "POINTIX_RELEASE is not set";
    const std::wstring NewerVersion = PackageVersion(Newer);
    ASSERT_NE(PackageVersion(Older), NewerVersion);
    wchar_t Folder[MAX_PATH];
    ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, Folder));
    const std::wstring Module = std::wstring(Folder) + L"\\Pointix\\Pointix.dll";

    ASSERT_EQ(0u, Msiexec(L"/i \"" + Older + L"\""));
    ASSERT_EQ(0u, Msiexec(L"/i \"" + Newer + L"\""));
    EXPECT_EQ(std::vector<std::wstring>{NewerVersion}, AppsEntries(L"Pointix (64-bit)")) << "one entry, the newer one";
    EXPECT_EQ(FileBytes(ProgramFolder() + L"PointixNoVersion.dll"), FileBytes(Module)) << "the newer package's file";
    ExpectRegistered(HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, Module, KEY_WOW64_64KEY);
    ExpectOurPage(View64);

    ASSERT_EQ(0u, Msiexec(L"/x \"" + Newer + L"\""));
    EXPECT_TRUE(AppsEntries(L"Pointix (64-bit)").empty());
    EXPECT_FALSE(FileExists(Module));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, HandlerKey, KEY_WOW64_64KEY));
}
#endif
