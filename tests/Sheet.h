// A real modeless property sheet holding the page, driven the way a user
// drives it, and the system mouse settings the page reads and writes.
#ifndef POINTIX_SHEET_H
#define POINTIX_SHEET_H

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

// The three integers of SPI_GETMOUSE / SPI_SETMOUSE.
struct TMouse
{
    int Threshold1, Threshold2, Acceleration;
    bool operator==(const TMouse& Other) const
    {
        return Threshold1 == Other.Threshold1 && Threshold2 == Other.Threshold2 && Acceleration == Other.Acceleration;
    }
};

// The settings as the system has them now, and as the user profile stores
// them (HKCU\Control Panel\Mouse).
struct TMouseSettings
{
    int DblClkHeight, DblClkWidth;
    TMouse Mouse;
    bool operator==(const TMouseSettings& Other) const
    {
        return DblClkHeight == Other.DblClkHeight && DblClkWidth == Other.DblClkWidth && Mouse == Other.Mouse;
    }
};
std::ostream& operator<<(std::ostream& Out, const TMouse& Mouse);
std::ostream& operator<<(std::ostream& Out, const TMouseSettings& Settings);

TMouseSettings LiveSettings();
TMouseSettings StoredSettings();
// Sets live and stored values alike and forgets every earlier live-only
// write, so that a test can tell what the page wrote and how.
void ResetSettings(const TMouseSettings& Settings);
// True when something was written live (without profile update) since
// the last ResetSettings.
bool HasLiveOnlyWrites();

// Saves the system's mouse settings and puts them back when it goes.
class TMouseSettingsGuard
{
public:
    TMouseSettingsGuard() : FSaved(StoredSettings()) {}
    ~TMouseSettingsGuard() { ResetSettings(FSaved); }

private:
    TMouseSettings FSaved;
};

class TSheet
{
public:
    // The page of a fresh object of the built module, or of the given
    // object, whose reference the sheet takes over.
    TSheet();
    explicit TSheet(IShellPropSheetExt* Extension);
    ~TSheet();

    HWND Window() const { return FSheet; }
    HWND Page() const { return FPage; }
    HWND Item(int Id) const { return GetDlgItem(FPage, Id); }
    IShellPropSheetExt* Extension() const { return FExtension; }

    std::wstring Text(int Id) const;
    bool ApplyEnabled() const;

    // User actions.
    void Type(int EditId, wchar_t Char);
    void SetText(int EditId, const wchar_t* Text);
    void ClickUpDown(int UpDownId, bool Up);
    void PressKey(int Id, UINT Key);
    void Click(int ButtonId);
    void PressButton(int Button);  // PSBTN_APPLYNOW, PSBTN_OK, PSBTN_CANCEL
    // Destroys the sheet window (after OK or Cancel, or instead of them).
    void Destroy();

    static void Pump();

private:
    void Open();

    IShellPropSheetExt* FExtension;
    HWND FSheet;
    HWND FPage;
};

#endif
