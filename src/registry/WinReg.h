// Owner of one open registry key at a time. Relative paths resolve against
// the key it holds, or else against the selected root key. Results are the
// registry's own Win32 codes (0 on success).
#ifndef POINTIX_WINREG_H
#define POINTIX_WINREG_H

#include <windows.h>

#include "../util/Object.h"

class TWinReg : public TObject
{
public:
    TWinReg();
    ~TWinReg() override;

    void SetRootKey(HKEY Key);
    LONG CloseKey();
    void SetCurrentKey(HKEY Key);
    HKEY BaseKey() const;
    HKEY CurrentKey() const { return FCurrentKey; }

    LONG CreateKey(LPCWSTR Path);
    // Opens an existing key for reading, as CreateKey would descend into
    // it; nothing is created, and nothing can be written through it.
    LONG OpenKey(LPCWSTR Path);
    LONG DeleteKey(LPCWSTR Path);
    LONG WriteValue(LPCWSTR Name, const void* Data, DWORD Type, DWORD Size);
    LONG WriteString(LPCWSTR Name, LPCWSTR Value);
    LONG DeleteValue(LPCWSTR Name);
    // Size: the room at Data on the way in, the value's size on the way
    // out. A value larger than the room answers ERROR_MORE_DATA.
    LONG ReadValue(LPCWSTR Name, void* Data, DWORD* Type, DWORD* Size);

private:
    HKEY FCurrentKey;
    HKEY FRootKey;
    bool FCloseKeys;
};

#endif
