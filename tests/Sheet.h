// A real modeless property sheet holding the page, driven the way a user
// drives it, and the system mouse settings the page reads and writes.
#ifndef POINTIX_SHEET_H
#define POINTIX_SHEET_H

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

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

// One of the acceleration curve's two values (SmoothMouseXCurve,
// SmoothMouseYCurve) as the registry holds it; Type 0: absent.
struct TCurveValue
{
    DWORD Type;
    std::vector<BYTE> Bytes;
    bool operator==(const TCurveValue& Other) const { return Type == Other.Type && Bytes == Other.Bytes; }
};
std::ostream& operator<<(std::ostream& Out, const TCurveValue& Value);
TCurveValue ReadCurveValue(const wchar_t* Name);
void WriteCurveValue(const wchar_t* Name, const TCurveValue& Value);
// A value of points 1–4, raw 16.16, as Windows keeps it.
TCurveValue CurveValue(unsigned X1, unsigned X2, unsigned X3, unsigned X4);

// Saves both curve values, the pointer speed and the mouse settings, and
// puts them back when it goes.
class TCurveGuard
{
public:
    TCurveGuard();
    ~TCurveGuard();

private:
    TCurveValue FX, FY;
    int FSpeed;
    TMouseSettingsGuard FMouse;
};

// A message box of this thread, seen from a timer that runs in its modal
// loop, read and closed.
struct TSeenBox
{
    bool Found;
    std::wstring Caption, Text;
    HWND Owner;
};
// Runs Action and returns the message box it showed, if any.
TSeenBox CatchMessageBox(const std::function<void()>& Action);

class TSheet
{
public:
    // The page of a fresh object of the built module, or of the given
    // object, whose reference the sheet takes over.
    TSheet();
    explicit TSheet(IShellPropSheetExt* Extension);
    ~TSheet();

    HWND Window() const { return FSheet; }
    // The page shown, at first "Einstellungen"; Item and the user actions
    // below work on it.
    HWND Page() const { return FPage; }
    // Selects the page with that index, which creates its window, and
    // makes it the page shown.
    HWND ShowPage(int Index);
    HWND Item(int Id) const { return GetDlgItem(FPage, Id); }
    IShellPropSheetExt* Extension() const { return FExtension; }

    std::wstring Text(int Id) const;
    // The title on the tab of the page with that index.
    std::wstring TabTitle(int Index) const;
    HWND ApplyButton() const;
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

    // Dispatches what is queued; messages of an open sheet go through its
    // dialog manager first, as in a host's message loop.
    static void Pump();

private:
    void Open();

    IShellPropSheetExt* FExtension;
    HWND FSheet;
    HWND FPage;
};

// A modeless sheet of these pages under the Mouse control panel's caption,
// opened on the page StartPage.
HWND OpenSheet(std::vector<HPROPSHEETPAGE>& Pages, UINT StartPage = 0);

// Input as a person gives it, through the system's input queue, with
// hit-testing, capture and focus: the mouse moved to a point of the
// screen, its left button, a key pressed and let go. Each is dispatched
// before it returns.
void MouseTo(POINT Screen);
void MouseButton(bool Down);
// Key, with Modifier (VK_CONTROL, say) held down around it.
void KeyStroke(WORD Key, WORD Modifier = 0);

// Top-level windows of this thread.
int ThreadWindows();
// Wine 8 reports no PrivateUsage; PagefileUsage counts the private pages the
// process has touched, which a leak of thunks or heap blocks raises.
SIZE_T PrivateBytes();

// How many sheets the repeated-use tests open, and why the memory they
// leave cannot be bounded here (null where it can). Debian's arm64 Wine,
// run under qemu, is about ten times slower, and itself keeps memory of
// every sheet (about 3 KB for an empty page) and of every load and unload
// of a builtin DLL (about 60 KB for hhctrl.ocx with oleaut32, which each
// extension object loads and frees).
int RepeatedUseRounds();
const char* WhyMemoryIsNotBounded();

// The tooltip windows of the sheet's pages: the balloons of the entry guard.
std::vector<HWND> Balloons(const TSheet& Sheet);
// Puts Text on the clipboard; null leaves it without text.
void SetClipboardText(const wchar_t* Text);

#endif
