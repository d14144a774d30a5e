// Module entry and the two COM entry points that hand out the class factory
// and tell the host whether the module may be unloaded.
#include <windows.h>
#include <objbase.h>

#include "Module.h"
#include "ClassFactory.h"
#include "../util/Util.h"
#include "PointixConfig.h"

HINSTANCE HInstance;
volatile LONG ObjectCount;
OSVERSIONINFOW* OsVersionInfo;

const CLSID CLSID_PropSheetExt = POINTIX_CLSID_INIT;

bool IsWindowsNT(DWORD Major, DWORD Minor)
{
    return OsVersionInfo->dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (OsVersionInfo->dwMajorVersion > Major || (OsVersionInfo->dwMajorVersion == Major && OsVersionInfo->dwMinorVersion >= Minor));
}

void DllNotify(DWORD Reason)
{
    if (Reason == DLL_PROCESS_ATTACH)
    {
        DisableThreadLibraryCalls(HInstance);
        OsVersionInfo = static_cast<OSVERSIONINFOW*>(HeapAllocZero(sizeof(OSVERSIONINFOW)));
        if (!OsVersionInfo)
            return;
        OsVersionInfo->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        // A failed query leaves zeros, which hide the acceleration settings.
        GetVersionExW(OsVersionInfo);
    }
    else if (Reason == DLL_PROCESS_DETACH)
    {
        if (OsVersionInfo)
        {
            HeapFreeBlock(OsVersionInfo);
            OsVersionInfo = nullptr;
        }
    }
}

// The module has no static constructors or destructors, so the entry point
// only records the instance handle and notifies. The load never fails.
extern "C" BOOL WINAPI DllEntry(HINSTANCE Instance, DWORD Reason, LPVOID)
{
    if (Reason == DLL_PROCESS_ATTACH)
        HInstance = Instance;
    DllNotify(Reason);
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!OsVersionInfo)
        return E_OUTOFMEMORY;
    TClassFactory* Factory = new TClassFactory;
    if (!Factory)
        return E_OUTOFMEMORY;
    if (!IsEqualGUID(rclsid, CLSID_PropSheetExt))
    {
        delete Factory;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    HRESULT Result = Factory->QueryInterface(riid, ppv);
    if (FAILED(Result))
    {
        delete Factory;
        return Result;
    }
    InterlockedIncrement(&ObjectCount);
    return S_OK;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return ObjectCount != 0 ? S_FALSE : S_OK;
}
