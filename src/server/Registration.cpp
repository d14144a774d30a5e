// Self-registration: the COM class as an in-process server, and the entry
// that makes the shell load it as a page of the Mouse control panel.
#include <windows.h>
#include <olectl.h>

#include "Module.h"
#include "../registry/WinReg.h"
#include "../util/Util.h"
#include "PointixConfig.h"

namespace
{
const WCHAR ClassKey[] = L"CLSID\\" POINTIX_CLSID_TEXT;
const WCHAR HandlerKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers\\" POINTIX_CLSID_TEXT;
// The class identifier in braces: the end of the class key's path.
const WCHAR* const ClassIdText = ClassKey + sizeof("CLSID\\") - 1;
const DWORD PathCapacity = 260;

// Writes the module's full path. A path that fills the whole buffer may
// have been cut, and a cut path is never registered.
bool WriteModulePath(TWinReg& Registry)
{
    THeapBuffer<WCHAR> Path(PathCapacity * sizeof(WCHAR));
    if (!Path)
        return false;
    const DWORD Length = GetModuleFileNameW(HInstance, Path.Get(), PathCapacity);
    if (Length == 0 || Length >= PathCapacity)
        return false;
    return Registry.WriteValue(L"", Path.Get(), REG_SZ, (Length + 1) * sizeof(WCHAR)) == ERROR_SUCCESS;
}
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    bool Success;
    {
        TWinReg Registry;
        Registry.SetRootKey(HKEY_CLASSES_ROOT);
        Success = Registry.CreateKey(ClassKey) == ERROR_SUCCESS;
        Success = Success && Registry.WriteString(L"", L"" POINTIX_CLASS_NAME) == ERROR_SUCCESS;
        Success = Success && Registry.CreateKey(L"InprocServer32") == ERROR_SUCCESS;
        Success = Success && WriteModulePath(Registry);
        Success = Success && Registry.WriteString(L"ThreadingModel", L"Apartment") == ERROR_SUCCESS;
        // Always runs: it also closes whatever key a failed step left open.
        Registry.SetRootKey(HKEY_LOCAL_MACHINE);
        Success = Success && Registry.CreateKey(HandlerKey) == ERROR_SUCCESS;
        Success = Success && Registry.WriteString(L"", ClassIdText) == ERROR_SUCCESS;
    }
    if (Success)
        return S_OK;
    DllUnregisterServer();
    return SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    bool Success = true;
    {
        TWinReg Registry;
        Registry.SetRootKey(HKEY_CLASSES_ROOT);
        if (Registry.DeleteKey(ClassKey) != ERROR_SUCCESS)
            Success = false;
        Registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (Registry.DeleteKey(HandlerKey) != ERROR_SUCCESS)
            Success = false;
    }
    return Success ? S_OK : SELFREG_E_CLASS;
}
