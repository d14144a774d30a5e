// What every part of the module reads about the module itself: its instance
// handle, the count of live objects that decides unloading, and the Windows
// version snapshot taken when it was loaded. The server's entry point sets
// them (src/server/dll.cpp).
#ifndef POINTIX_UTIL_MODULE_H
#define POINTIX_UTIL_MODULE_H

#include <windows.h>

extern HINSTANCE HInstance;
extern volatile LONG ObjectCount;
// Null before attach, after detach, and when its allocation failed; no class
// factory is handed out while it is null.
extern OSVERSIONINFOW* OsVersionInfo;

// True on Windows NT Major.Minor or later.
bool IsWindowsNT(DWORD Major, DWORD Minor);

#endif
