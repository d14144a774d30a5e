/* Entry point of the version-only test module: nothing to do. */
#include <windows.h>

BOOL WINAPI VersionedEntry(HINSTANCE Instance, DWORD Reason, LPVOID Reserved)
{
    (void)Instance;
    (void)Reason;
    (void)Reserved;
    return TRUE;
}
