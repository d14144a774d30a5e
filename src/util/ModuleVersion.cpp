// The file version of a module, read from its own version resource.
#include "Util.h"

namespace
{
// Holds loaded resource data for its scope.
class TResourceData
{
public:
    TResourceData(HMODULE Module, HRSRC Resource) : FData(LoadResource(Module, Resource)) {}
    ~TResourceData()
    {
        if (FData)
            FreeResource(FData);
    }
    TResourceData(const TResourceData&) = delete;
    TResourceData& operator=(const TResourceData&) = delete;
    HGLOBAL Handle() const { return FData; }

private:
    HGLOBAL FData;
};

void StorePart(DWORD* Slot, WORD Part)
{
    if (Slot)
        *Slot = Part;
}
}

BOOL GetModuleVersion(HMODULE Module, DWORD* Major, DWORD* Minor, DWORD* Release, DWORD* Build)
{
    HRSRC Resource = FindResourceW(Module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    if (!Resource)
        return FALSE;
    const DWORD Size = SizeofResource(Module, Resource);
    if (Size == 0)
        return FALSE;
    TResourceData Data(Module, Resource);
    if (!Data.Handle())
        return FALSE;
    const void* Bytes = LockResource(Data.Handle());
    if (!Bytes)
        return FALSE;
    // VerQueryValueW works on a private, writable copy, never on the
    // resource itself.
    THeapBuffer<BYTE> Copy(Size);
    if (!Copy)
    {
        SetLastError(ERROR_OUTOFMEMORY);
        return FALSE;
    }
    ByteCopy(Copy.Get(), Bytes, Size);
    void* Value = nullptr;
    UINT Length = 0;
    if (!VerQueryValueW(Copy.Get(), L"\\", &Value, &Length))
        return FALSE;
    const VS_FIXEDFILEINFO* Info = static_cast<const VS_FIXEDFILEINFO*>(Value);
    StorePart(Major, HIWORD(Info->dwFileVersionMS));
    StorePart(Minor, LOWORD(Info->dwFileVersionMS));
    StorePart(Release, HIWORD(Info->dwFileVersionLS));
    StorePart(Build, LOWORD(Info->dwFileVersionLS));
    return static_cast<BOOL>(-1);
}
