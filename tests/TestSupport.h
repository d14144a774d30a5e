// Loading the built Pointix.dll the way a host does, and small helpers the
// black-box tests share.
#ifndef POINTIX_TESTSUPPORT_H
#define POINTIX_TESTSUPPORT_H

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

extern const CLSID CLSID_Pointix;

typedef HRESULT(WINAPI* TDllGetClassObject)(REFCLSID, REFIID, void**);
typedef HRESULT(WINAPI* TDllCanUnloadNow)();
typedef HRESULT(WINAPI* TDllRegisterServer)();

struct TPointix
{
    HMODULE Module;
    TDllGetClassObject GetClassObject;
    TDllCanUnloadNow CanUnloadNow;
    TDllRegisterServer RegisterServer;
    TDllRegisterServer UnregisterServer;
};

// The folder of the running test program; the module is built next to it.
std::wstring ProgramFolder();
std::wstring PointixPath();
// The module, loaded once per process and kept loaded.
const TPointix& Pointix();

// The current reference count of an interface pointer, probed with
// AddRef/Release.
ULONG RefCount(IUnknown* Unknown);

// A fresh class factory and a fresh extension object through it.
IClassFactory* NewFactory();
IShellPropSheetExt* NewExtension();

// UTF-8 source text as UTF-16.
std::wstring Widen(const char* Utf8);

// View: 0 for the process's own registry view, or KEY_WOW64_32KEY /
// KEY_WOW64_64KEY.
bool KeyExists(HKEY Root, const std::wstring& Path, REGSAM View = 0);

// Why a test that needs the 32-bit side (the 32-bit module or the 32-bit
// installer) cannot run here, or null when it can. The Wine session says
// whether this host runs 32-bit programs at all.
const char* Without32BitWine();

// Replaces, for its lifetime, a module's import of one function by another:
// a test double where a system call cannot be made to fail for real.
class TImportPatch
{
public:
    TImportPatch(HMODULE Module, const char* Dll, const char* Function, void* Replacement);
    ~TImportPatch();
    TImportPatch(const TImportPatch&) = delete;
    TImportPatch& operator=(const TImportPatch&) = delete;
    // What the module imported; null when it imports no such function.
    void* Original() const { return FOriginal; }

private:
    void** FSlot;
    void* FOriginal;
};

// Reads a classic dialog template.
class TTemplateReader
{
public:
    explicit TTemplateReader(const std::vector<BYTE>& Bytes) : FBytes(Bytes), FAt(0) {}
    WORD Word()
    {
        WORD Value = FBytes[FAt] | FBytes[FAt + 1] << 8;
        FAt += 2;
        return Value;
    }
    DWORD DWord()
    {
        DWORD Low = Word();
        return Low | static_cast<DWORD>(Word()) << 16;
    }
    std::wstring Text()
    {
        std::wstring Result;
        for (WORD Unit = Word(); Unit != 0; Unit = Word())
            Result += static_cast<wchar_t>(Unit);
        return Result;
    }
    // A name or an ordinal (0xFFFF followed by the number).
    std::wstring NameOrOrdinal()
    {
        if (FBytes[FAt] == 0xFF && FBytes[FAt + 1] == 0xFF)
        {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        return Text();
    }
    void AlignDWord() { FAt = (FAt + 3) & ~static_cast<size_t>(3); }

private:
    const std::vector<BYTE>& FBytes;
    size_t FAt;
};

// The resource languages of the pages: where their templates and their
// texts are, for German (language-neutral) and English (United States).
struct TPageLanguage
{
    const char* Name;
    LANGID Templates, Strings;
};
extern const TPageLanguage GermanPages, EnglishPages;
// The pages this process sees: German for a German UI language, English
// for any other.
const TPageLanguage& PagesOfThisProcess();
// A resource of the module in exactly that language; empty when there is
// none in it.
std::vector<BYTE> ModuleResource(LPCWSTR Type, LPCWSTR Name, LANGID Language);
// String Id of the module in exactly that language; empty when absent.
std::wstring ModuleString(UINT Id, LANGID Language);

// Runs this program once more, as Wine's Windows version Version ("win7",
// "win10", …: Wine takes it from AppDefaults for a program of that name),
// with Arguments; returns its exit code, or -1 when it could not be started,
// and what it wrote to its standard output.
DWORD RunAsWindowsVersion(const wchar_t* Version, const std::wstring& Arguments, std::string& Output);

// Runs a program of the test's folder with arguments and returns its exit
// code, or -1 when it could not be started.
DWORD RunProgram(const std::wstring& CommandLine, DWORD TimeoutMs = 60000);
// The same, collecting what the program writes to its standard output.
DWORD RunProgram(const std::wstring& CommandLine, std::string& Output, DWORD TimeoutMs = 60000);

#endif
