// Loading the built Pointix.dll the way a host does, and small helpers the
// black-box tests share.
#ifndef POINTIX_TESTSUPPORT_H
#define POINTIX_TESTSUPPORT_H

#include <windows.h>
#include <shlobj.h>

#include <string>

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
