#include "WinReg.h"
#include "../util/Util.h"

namespace
{
const REGSAM Access = KEY_READ | KEY_WRITE;

DWORD StringLength(LPCWSTR Text)
{
    DWORD Length = 0;
    while (Text[Length])
        ++Length;
    return Length;
}
}

TWinReg::TWinReg() : FCurrentKey(nullptr), FRootKey(HKEY_CURRENT_USER), FCloseKeys(true)
{
}

TWinReg::~TWinReg()
{
    CloseKey();
}

void TWinReg::SetRootKey(HKEY Key)
{
    if (Key == FRootKey)
        return;
    FRootKey = Key;
    CloseKey();
}

// Without close mode the key is only flushed; it stays open, and the
// wrapper simply stops holding it.
LONG TWinReg::CloseKey()
{
    if (!FCurrentKey)
        return ERROR_SUCCESS;
    const LONG Result = FCloseKeys ? RegCloseKey(FCurrentKey) : RegFlushKey(FCurrentKey);
    FCurrentKey = nullptr;
    return Result;
}

void TWinReg::SetCurrentKey(HKEY Key)
{
    CloseKey();
    FCurrentKey = Key;
}

HKEY TWinReg::BaseKey() const
{
    return FCurrentKey ? FCurrentKey : FRootKey;
}

// Consecutive calls descend: each path resolves below the key created
// before it, and only the deepest key stays open.
LONG TWinReg::CreateKey(LPCWSTR Path)
{
    HKEY Key = nullptr;
    const LONG Result = RegCreateKeyExW(BaseKey(), Path, 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr, &Key, nullptr);
    if (Result == ERROR_SUCCESS)
        SetCurrentKey(Key);
    return Result;
}

LONG TWinReg::OpenKey(LPCWSTR Path)
{
    HKEY Key = nullptr;
    const LONG Result = RegOpenKeyExW(BaseKey(), Path, 0, KEY_READ, &Key);
    if (Result == ERROR_SUCCESS)
        SetCurrentKey(Key);
    return Result;
}

// Deletes the key with all its subkeys, deepest first. The current key is
// the same, still open, afterwards. Subkeys are visited from the last index
// down, so deleting one never shifts the index of one still to come.
LONG TWinReg::DeleteKey(LPCWSTR Path)
{
    const HKEY Remembered = FCurrentKey;
    HKEY Opened = nullptr;
    LONG Result = RegOpenKeyExW(BaseKey(), Path, 0, Access, &Opened);
    if (Result != ERROR_SUCCESS)
        return Result;
    FCurrentKey = Opened;

    DWORD SubKeys = 0;
    DWORD LongestName = 0;
    Result = RegQueryInfoKeyW(Opened, nullptr, nullptr, nullptr, &SubKeys, &LongestName,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (Result == ERROR_SUCCESS && SubKeys > 0)
    {
        THeapBuffer<WCHAR> Name((LongestName + 1) * sizeof(WCHAR));
        if (!Name)
            Result = E_OUTOFMEMORY;
        for (DWORD Index = SubKeys; Result == ERROR_SUCCESS && Index-- > 0;)
        {
            DWORD Capacity = LongestName + 1;
            Result = RegEnumKeyExW(Opened, Index, Name.Get(), &Capacity, nullptr, nullptr, nullptr, nullptr);
            if (Result == ERROR_SUCCESS)
                Result = DeleteKey(Name.Get());
        }
    }
    FCurrentKey = Remembered;
    RegCloseKey(Opened);
    if (Result != ERROR_SUCCESS)
        return Result;
    return RegDeleteKeyW(BaseKey(), Path);
}

LONG TWinReg::WriteValue(LPCWSTR Name, const void* Data, DWORD Type, DWORD Size)
{
    return RegSetValueExW(FCurrentKey, Name, 0, Type, static_cast<const BYTE*>(Data), Size);
}

// The byte count includes the terminating zero.
LONG TWinReg::WriteString(LPCWSTR Name, LPCWSTR Value)
{
    return WriteValue(Name, Value, REG_SZ, (StringLength(Value) + 1) * sizeof(WCHAR));
}

LONG TWinReg::DeleteValue(LPCWSTR Name)
{
    return RegDeleteValueW(FCurrentKey, Name);
}

LONG TWinReg::ReadValue(LPCWSTR Name, void* Data, DWORD* Type, DWORD* Size)
{
    return RegQueryValueExW(FCurrentKey, Name, nullptr, Type, static_cast<BYTE*>(Data), Size);
}
