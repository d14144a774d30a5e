#include "Sheet.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <ostream>
#include <vector>

namespace
{
const wchar_t StoredKey[] = L"Control Panel\\Mouse";
const wchar_t LiveOnlyKey[] = L"Software\\Wine\\Temporary System Parameters\\Control Panel\\Mouse";

int StoredNumber(const wchar_t* Name)
{
    wchar_t Text[32] = L"";
    DWORD Size = sizeof(Text);
    if (RegGetValueW(HKEY_CURRENT_USER, StoredKey, Name, RRF_RT_REG_SZ, nullptr, Text, &Size) != ERROR_SUCCESS)
        return -9999;
    return _wtoi(Text);
}

TSeenBox Seen;

// A message box is a dialog with the static text 0xFFFF.
BOOL CALLBACK FindBox(HWND Window, LPARAM)
{
    wchar_t Class[32] = L"";
    GetClassNameW(Window, Class, 32);
    if (wcscmp(Class, L"#32770") != 0 || !IsWindowVisible(Window) || !GetDlgItem(Window, 0xFFFF))
        return TRUE;
    wchar_t Text[1024] = L"";
    GetWindowTextW(Window, Text, 1024);
    Seen.Caption = Text;
    GetDlgItemTextW(Window, 0xFFFF, Text, 1024);
    Seen.Text = Text;
    Seen.Owner = GetWindow(Window, GW_OWNER);
    Seen.Found = true;
    PostMessageW(Window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

void CALLBACK CloseBox(HWND, UINT, UINT_PTR, DWORD)
{
    if (!Seen.Found)
        EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
}

// The sheets of TSheet that are open, whose dialog manager sees their
// messages first.
std::vector<HWND> OpenSheets;

BOOL CALLBACK AddPage(HPROPSHEETPAGE Page, LPARAM lParam)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(lParam)->push_back(Page);
    return TRUE;
}
}

std::ostream& operator<<(std::ostream& Out, const TMouse& Mouse)
{
    return Out << "{" << Mouse.Threshold1 << ", " << Mouse.Threshold2 << ", " << Mouse.Acceleration << "}";
}

std::ostream& operator<<(std::ostream& Out, const TMouseSettings& Settings)
{
    return Out << "height " << Settings.DblClkHeight << ", width " << Settings.DblClkWidth << ", mouse " << Settings.Mouse;
}

TMouseSettings LiveSettings()
{
    TMouseSettings Settings = {};
    Settings.DblClkHeight = GetSystemMetrics(SM_CYDOUBLECLK);
    Settings.DblClkWidth = GetSystemMetrics(SM_CXDOUBLECLK);
    SystemParametersInfoW(SPI_GETMOUSE, 0, &Settings.Mouse, 0);
    return Settings;
}

TMouseSettings StoredSettings()
{
    TMouseSettings Settings = {};
    Settings.DblClkHeight = StoredNumber(L"DoubleClickHeight");
    Settings.DblClkWidth = StoredNumber(L"DoubleClickWidth");
    Settings.Mouse.Threshold1 = StoredNumber(L"MouseThreshold1");
    Settings.Mouse.Threshold2 = StoredNumber(L"MouseThreshold2");
    Settings.Mouse.Acceleration = StoredNumber(L"MouseSpeed");
    return Settings;
}

void ResetSettings(const TMouseSettings& Settings)
{
    const UINT Persist = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
    TMouse Mouse = Settings.Mouse;
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETDOUBLECLKHEIGHT, Settings.DblClkHeight, nullptr, Persist));
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETDOUBLECLKWIDTH, Settings.DblClkWidth, nullptr, Persist));
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETMOUSE, 0, &Mouse, Persist));
    // Only the values go: Wine made the key volatile and cannot make it
    // again as a non-volatile child of its volatile parent.
    HKEY Key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, LiveOnlyKey, 0, KEY_ALL_ACCESS, &Key) == ERROR_SUCCESS)
    {
        RegDeleteTreeW(Key, nullptr);
        RegCloseKey(Key);
    }
    ASSERT_EQ(Settings, LiveSettings());
    ASSERT_FALSE(HasLiveOnlyWrites());
}

bool HasLiveOnlyWrites()
{
    HKEY Key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, LiveOnlyKey, 0, KEY_READ, &Key) != ERROR_SUCCESS)
        return false;
    DWORD Values = 0;
    RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &Values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(Key);
    return Values > 0;
}

std::ostream& operator<<(std::ostream& Out, const TCurveValue& Value)
{
    Out << "type " << Value.Type << ":";
    for (BYTE Byte : Value.Bytes)
        Out << " " << static_cast<int>(Byte);
    return Out;
}

TCurveValue ReadCurveValue(const wchar_t* Name)
{
    TCurveValue Value = {0, std::vector<BYTE>(256)};
    DWORD Size = static_cast<DWORD>(Value.Bytes.size());
    if (RegGetValueW(HKEY_CURRENT_USER, StoredKey, Name, RRF_RT_ANY, &Value.Type, Value.Bytes.data(), &Size) != ERROR_SUCCESS)
        return TCurveValue{0, {}};
    Value.Bytes.resize(Size);
    return Value;
}

void WriteCurveValue(const wchar_t* Name, const TCurveValue& Value)
{
    if (Value.Type == 0)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, StoredKey, Name);
    else
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, StoredKey, Name, Value.Type, Value.Bytes.data(),
                                                 static_cast<DWORD>(Value.Bytes.size())));
}

TCurveValue CurveValue(unsigned X1, unsigned X2, unsigned X3, unsigned X4)
{
    TCurveValue Value = {REG_BINARY, std::vector<BYTE>(40)};
    const unsigned Points[] = {0, X1, X2, X3, X4};
    for (int i = 0; i < 5; ++i)
        memcpy(&Value.Bytes[8 * i], &Points[i], 4);
    return Value;
}

TCurveGuard::TCurveGuard() : FX(ReadCurveValue(L"SmoothMouseXCurve")), FY(ReadCurveValue(L"SmoothMouseYCurve")), FSpeed(10)
{
    SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &FSpeed, 0);
}

TCurveGuard::~TCurveGuard()
{
    WriteCurveValue(L"SmoothMouseXCurve", FX);
    WriteCurveValue(L"SmoothMouseYCurve", FY);
    // Windows takes the speed in pvParam, Wine 8 in uiParam.
    SystemParametersInfoW(SPI_SETMOUSESPEED, FSpeed, reinterpret_cast<void*>(static_cast<INT_PTR>(FSpeed)), SPIF_UPDATEINIFILE);
}

namespace
{
struct TFindBalloons
{
    HWND Owner;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectBalloon(HWND Window, LPARAM lParam)
{
    auto* Search = reinterpret_cast<TFindBalloons*>(lParam);
    wchar_t Class[64] = L"";
    GetClassNameW(Window, Class, 64);
    if (_wcsicmp(Class, TOOLTIPS_CLASSW) == 0 && GetWindow(Window, GW_OWNER) == Search->Owner)
        Search->Found.push_back(Window);
    return TRUE;
}
}

namespace
{
BOOL CALLBACK CountWindow(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}
}

HWND OpenSheet(std::vector<HPROPSHEETPAGE>& Pages, UINT StartPage)
{
    PROPSHEETHEADERW Header = {};
    Header.dwSize = sizeof(Header);
    Header.dwFlags = PSH_MODELESS;
    Header.nStartPage = StartPage;
    Header.pszCaption = L"Eigenschaften von Maus";
    Header.nPages = static_cast<UINT>(Pages.size());
    Header.phpage = Pages.data();
    return reinterpret_cast<HWND>(PropertySheetW(&Header));
}

namespace
{
void Send(INPUT& Input)
{
    ASSERT_EQ(1u, SendInput(1, &Input, sizeof(Input)));
    TSheet::Pump();
}
}

// Absolute coordinates run from 0 to 65535 across the screen; rounded up,
// the system's conversion back lands on the pixel meant.
void MouseTo(POINT Screen)
{
    const int Width = GetSystemMetrics(SM_CXSCREEN), Height = GetSystemMetrics(SM_CYSCREEN);
    INPUT Input = {};
    Input.type = INPUT_MOUSE;
    Input.mi.dx = (Screen.x * 65536 + Width - 1) / Width;
    Input.mi.dy = (Screen.y * 65536 + Height - 1) / Height;
    Input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(Input);
}

void MouseButton(bool Down)
{
    INPUT Input = {};
    Input.type = INPUT_MOUSE;
    Input.mi.dwFlags = Down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    Send(Input);
}

void KeyStroke(WORD Key, WORD Modifier)
{
    const WORD Keys[] = {Modifier, Key, Key, Modifier};
    for (int i = 0; i < 4; ++i)
    {
        if (!Keys[i])
            continue;
        INPUT Input = {};
        Input.type = INPUT_KEYBOARD;
        Input.ki.wVk = Keys[i];
        Input.ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
        Send(Input);
    }
}

int ThreadWindows()
{
    int Count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&Count));
    return Count;
}

int RepeatedUseRounds()
{
#if defined(__aarch64__)
    return 100;
#else
    return 500;
#endif
}

const char* WhyMemoryIsNotBounded()
{
#if defined(__aarch64__)
    return "windows, handles and unloading were checked, memory was not: Debian's arm64 Wine keeps some of every sheet "
           "and of every builtin DLL it loads and unloads";
#else
    return nullptr;
#endif
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX Counters = {};
    Counters.cb = sizeof(Counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&Counters), sizeof(Counters));
    return Counters.PagefileUsage;
}

// A popup made for a child window is owned by that window's top-level
// ancestor, the sheet.
std::vector<HWND> Balloons(const TSheet& Sheet)
{
    TFindBalloons Search = {Sheet.Window(), {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectBalloon, reinterpret_cast<LPARAM>(&Search));
    return Search.Found;
}

void SetClipboardText(const wchar_t* Text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (Text)
    {
        const size_t Bytes = (wcslen(Text) + 1) * sizeof(wchar_t);
        HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE, Bytes);
        memcpy(GlobalLock(Memory), Text, Bytes);
        GlobalUnlock(Memory);
        SetClipboardData(CF_UNICODETEXT, Memory);
    }
    CloseClipboard();
}

TSeenBox CatchMessageBox(const std::function<void()>& Action)
{
    Seen = TSeenBox{};
    const UINT_PTR Timer = SetTimer(nullptr, 0, 100, CloseBox);
    Action();
    KillTimer(nullptr, Timer);
    return Seen;
}

TSheet::TSheet() : FExtension(NewExtension()), FSheet(nullptr), FPage(nullptr)
{
    Open();
}

TSheet::TSheet(IShellPropSheetExt* Extension) : FExtension(Extension), FSheet(nullptr), FPage(nullptr)
{
    Open();
}

void TSheet::Open()
{
    if (!FExtension)
        return;
    std::vector<HPROPSHEETPAGE> Pages;
    EXPECT_EQ(S_OK, FExtension->AddPages(AddPage, reinterpret_cast<LPARAM>(&Pages)));
    if (Pages.empty())
        return;
    FSheet = OpenSheet(Pages);
    EXPECT_NE(nullptr, FSheet);
    if (!FSheet)
        return;
    OpenSheets.push_back(FSheet);
    // Only a page whose window exists takes part in apply and cancel.
    PropSheet_SetCurSel(FSheet, nullptr, 0);
    FPage = PropSheet_GetCurrentPageHwnd(FSheet);
    EXPECT_NE(nullptr, FPage);
    SetForegroundWindow(FSheet);
    Pump();
}

TSheet::~TSheet()
{
    Destroy();
    if (FExtension)
        FExtension->Release();
}

HWND TSheet::ShowPage(int Index)
{
    PropSheet_SetCurSel(FSheet, nullptr, Index);
    Pump();
    FPage = PropSheet_GetCurrentPageHwnd(FSheet);
    return FPage;
}

std::wstring TSheet::Text(int Id) const
{
    wchar_t Buffer[260] = L"";
    GetWindowTextW(Item(Id), Buffer, 260);
    return Buffer;
}

std::wstring TSheet::TabTitle(int Index) const
{
    wchar_t Title[64] = L"";
    TCITEMW Tab = {};
    Tab.mask = TCIF_TEXT;
    Tab.pszText = Title;
    Tab.cchTextMax = 64;
    SendMessageW(PropSheet_GetTabControl(FSheet), TCM_GETITEMW, Index, reinterpret_cast<LPARAM>(&Tab));
    return Title;
}

HWND TSheet::ApplyButton() const
{
    const int IDC_APPLY_BUTTON = 0x3021;
    return GetDlgItem(FSheet, IDC_APPLY_BUTTON);
}

bool TSheet::ApplyEnabled() const
{
    return IsWindowEnabled(ApplyButton()) != FALSE;
}

void TSheet::Type(int EditId, wchar_t Char)
{
    SetFocus(Item(EditId));
    SendMessageW(Item(EditId), WM_CHAR, Char, 1);
}

// What the user's typing over a selection does: the edit replaces the text
// and notifies the page.
void TSheet::SetText(int EditId, const wchar_t* Text)
{
    SendMessageW(Item(EditId), EM_SETSEL, 0, -1);
    SendMessageW(Item(EditId), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Text));
}

// A click on one arrow of an up-down control.
void TSheet::ClickUpDown(int UpDownId, bool Up)
{
    HWND UpDown = Item(UpDownId);
    RECT Client;
    GetClientRect(UpDown, &Client);
    const int X = Client.right / 2;
    const int Y = Up ? Client.bottom / 4 : Client.bottom * 3 / 4;
    SendMessageW(UpDown, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
    SendMessageW(UpDown, WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
    Pump();
}

void TSheet::PressKey(int Id, UINT Key)
{
    SetFocus(Item(Id));
    SendMessageW(Item(Id), WM_KEYDOWN, Key, 1);
    SendMessageW(Item(Id), WM_KEYUP, Key, 0xC0000001);
}

void TSheet::Click(int ButtonId)
{
    SendMessageW(Item(ButtonId), BM_CLICK, 0, 0);
}

void TSheet::PressButton(int Button)
{
    PropSheet_PressButton(FSheet, Button);
    Pump();
}

void TSheet::Destroy()
{
    OpenSheets.erase(std::remove(OpenSheets.begin(), OpenSheets.end(), FSheet), OpenSheets.end());
    if (FSheet && IsWindow(FSheet))
        DestroyWindow(FSheet);
    FSheet = nullptr;
    FPage = nullptr;
    Pump();
}

namespace
{
// The sheet that a message's window belongs to, if it is one of the open
// sheets.
HWND SheetOf(HWND Window)
{
    for (HWND Sheet : OpenSheets)
        if (IsWindow(Sheet) && (Window == Sheet || IsChild(Sheet, Window)))
            return Sheet;
    return nullptr;
}
}

void TSheet::Pump()
{
    MSG Message;
    while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE))
    {
        HWND Sheet = SheetOf(Message.hwnd);
        if (Sheet && PropSheet_IsDialogMessage(Sheet, &Message))
            continue;
        TranslateMessage(&Message);
        DispatchMessageW(&Message);
    }
}
