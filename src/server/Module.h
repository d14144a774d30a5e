// Module-wide state of the COM server: the instance handle, the count of
// live COM objects that decides unloading, and the Windows version snapshot
// taken when the module is loaded.
#ifndef POINTIX_MODULE_H
#define POINTIX_MODULE_H

#include <windows.h>

extern HINSTANCE HInstance;
extern volatile LONG ObjectCount;
// Null before attach, after detach, and when its allocation failed; no class
// factory is handed out while it is null.
extern OSVERSIONINFOW* OsVersionInfo;

// The class identifier of PointixConfig.h.
extern const CLSID CLSID_PropSheetExt;

void DllNotify(DWORD Reason);

#endif
