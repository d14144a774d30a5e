// The page "Beschleunigungskurve" in a real sheet, against the two registry
// values it keeps: the bytes its presets write on Windows 7 and 10, OK,
// Apply and Cancel, stored values it cannot use, typed and dragged points.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{
const int CurvePage = 2;
const wchar_t X[] = L"SmoothMouseXCurve";
const wchar_t Y[] = L"SmoothMouseYCurve";
enum
{
    Windows,
    OneToOne,
    Custom
};
const TCurveValue WindowsX = CurveValue(0x6E15, 0x14000, 0x3DC29, 0x280000);
const TCurveValue WindowsY7 = CurveValue(0x15EB8, 0x54CCD, 0x184CCD, 0x2380000);
const TCurveValue WindowsY8 = CurveValue(0x111FD, 0x42400, 0x12FC00, 0x1BBC000);
const TCurveValue OneToOneY = CurveValue(0x380000, 0x700000, 0xA80000, 0xE00000);
const TCurveValue OneToOneX7 = CurveValue(0xA3D70, 0x147AE0, 0x1EB850, 0x28F5C0);  // Windows 7, 100 %

// A combo box choice, as the user makes it.
void Choose(TSheet& Sheet, int ComboId, int Index)
{
    SendMessageW(Sheet.Item(ComboId), CB_SETCURSEL, Index, 0);
    SendMessageW(Sheet.Page(), WM_COMMAND, MAKEWPARAM(ComboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Sheet.Item(ComboId)));
}

// Windows takes the speed in pvParam, Wine 8 in uiParam.
void SetSpeed(int Speed)
{
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETMOUSESPEED, Speed, reinterpret_cast<void*>(static_cast<INT_PTR>(Speed)), 0));
}

void Store(const TCurveValue& XValue, const TCurveValue& YValue)
{
    WriteCurveValue(X, XValue);
    WriteCurveValue(Y, YValue);
}

class CurvePageTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SetSpeed(10);
        ResetSettings({4, 4, {6, 10, 1}});
        Store(WindowsX, WindowsY7);
    }
    void TearDown() override { EXPECT_EQ(S_OK, Pointix().CanUnloadNow()) << "an object of the module is still alive"; }

    TCurveGuard FGuard;
};
}

// In a copy that Wine takes for Windows 7 or 10: each preset writes the
// documented bytes for that version, the scale chosen and the system's
// pointer speed. (The 1:1 curve's numbers at every scale and speed are
// checked natively, in curve_tests.)
TEST(CurvePresets, DISABLED_BytesInThisProcess)
{
    OSVERSIONINFOW Version = {};
    Version.dwOSVersionInfoSize = sizeof(Version);
    GetVersionExW(&Version);
    const bool Windows8 = Version.dwMajorVersion > 6 || (Version.dwMajorVersion == 6 && Version.dwMinorVersion >= 2);
    const struct
    {
        int Preset, Scale, Speed;  // Scale: 0 is 100 %, each step 25 % more
        TCurveValue X, Y;
    } Cases7[] = {
        {OneToOne, 2, 7, CurveValue(0xAC07C, 0x1580F9, 0x204176, 0x2B01F3), OneToOneY},
        {Windows, 2, 10, WindowsX, WindowsY7},
    }, Cases8[] = {
        {OneToOne, 1, 20, CurveValue(0x200000, 0x400000, 0x600000, 0x800000), OneToOneY},
        {Windows, 0, 10, WindowsX, WindowsY8},
    };
    TCurveGuard Guard;
    for (const auto& Case : Windows8 ? Cases8 : Cases7)
    {
        SCOPED_TRACE(testing::Message() << "Windows " << (Windows8 ? "8 and later" : "7") << ", preset " << Case.Preset
                                        << ", scale " << 100 + 25 * Case.Scale << " %, speed " << Case.Speed);
        SetSpeed(Case.Speed);
        Store(CurveValue(1, 2, 3, 4), CurveValue(1, 2, 3, 4));
        TSheet Sheet;
        Sheet.ShowPage(CurvePage);
        Choose(Sheet, IDC_CURVE_SCALE, Case.Scale);
        Choose(Sheet, IDC_CURVE_PRESET, Case.Preset);
        Sheet.PressButton(PSBTN_APPLYNOW);
        EXPECT_EQ(Case.X, ReadCurveValue(X));
        EXPECT_EQ(Case.Y, ReadCurveValue(Y));
        EXPECT_EQ(Widen("Die neue Kurve wirkt ab der nächsten Anmeldung."), Sheet.Text(IDC_CURVE_NOTE));
    }
}

TEST(CurvePresets, WriteTheDocumentedBytesOnWindows7And10)
{
    for (const wchar_t* Version : {L"win7", L"win10"})
    {
        std::string Output;
        EXPECT_EQ(0u, RunAsWindowsVersion(Version, L"--gtest_also_run_disabled_tests --gtest_filter=CurvePresets.DISABLED_*", Output))
            << Output;
    }
}

TEST_F(CurvePageTest, CancelWritesNothingAndApplyWritesBothValues)
{
    for (int Button : {PSBTN_CANCEL, PSBTN_APPLYNOW})
    {
        TSheet Sheet;
        Sheet.ShowPage(CurvePage);
        EXPECT_FALSE(Sheet.ApplyEnabled());
        Choose(Sheet, IDC_CURVE_PRESET, OneToOne);
        EXPECT_TRUE(Sheet.ApplyEnabled());
        EXPECT_EQ(WindowsX, ReadCurveValue(X)) << "nothing is written before OK or Apply";
        Sheet.PressButton(Button);
        EXPECT_EQ(Button == PSBTN_CANCEL ? WindowsX : OneToOneX7, ReadCurveValue(X));
        EXPECT_EQ(Button == PSBTN_CANCEL ? WindowsY7 : OneToOneY, ReadCurveValue(Y));
    }
}

// Pointer speed and acceleration switched on another page while this one
// was not shown are shown when it becomes active again, and the 1:1 curve
// is filled in for the new speed.
TEST_F(CurvePageTest, FollowsSpeedAndPrecisionSetOnAnotherPage)
{
    TSheet Sheet;
    Sheet.ShowPage(CurvePage);
    Choose(Sheet, IDC_CURVE_PRESET, OneToOne);
    Sheet.ShowPage(0);
    SetSpeed(15);
    TMouse Off = {6, 10, 0};
    SystemParametersInfoW(SPI_SETMOUSE, 0, &Off, 0);
    Sheet.ShowPage(CurvePage);
    EXPECT_EQ(L"Zeigergeschwindigkeit: 15 von 20", Sheet.Text(IDC_CURVE_SPEED));
    EXPECT_EQ(Widen("„Zeigerbeschleunigung verbessern“ ist ausgeschaltet. Die Kurve wirkt erst, wenn diese Option auf der "
                    "Seite „Zeigeroptionen“ eingeschaltet ist."),
              Sheet.Text(IDC_CURVE_PRECISION_NOTE));
    EXPECT_EQ(L"Ohne Beschleunigung (1:1)", Sheet.Text(IDC_CURVE_PRESET));
    Sheet.PressButton(PSBTN_APPLYNOW);
    EXPECT_EQ(CurveValue(0xF5C28, 0x1EB850, 0x2E1478, 0x3D70A0), ReadCurveValue(X)) << "1:1 at speed 15";
}

// What the page makes of the stored values; it writes nothing by itself.
TEST_F(CurvePageTest, ShowsTheStoredCurveOrWindowsOwn)
{
    const TCurveValue Falling = CurveValue(0x15EB8, 0x54CCD, 0x54CCC, 0x2380000);
    TCurveValue HighHalf = WindowsX, Short = WindowsX;
    HighHalf.Bytes[12] = 1;
    Short.Bytes.pop_back();
    const struct
    {
        const char* Name;
        TCurveValue X, Y;
        int Acceleration, Preset;
        bool Unusable;
    } Cases[] = {
        {"Windows", WindowsX, WindowsY7, 1, Windows, false},
        {"OneToOne", OneToOneX7, OneToOneY, 1, OneToOne, false},
        {"Custom", CurveValue(1, 2, 3, 4), OneToOneY, 1, Custom, false},
        {"Absent", {0, {}}, {0, {}}, 1, Windows, false},
        {"OneAbsent", WindowsX, {0, {}}, 1, Windows, true},
        {"OtherAbsent", {0, {}}, WindowsY7, 1, Windows, true},
        {"WrongType", {REG_DWORD, {1, 0, 0, 0}}, WindowsY7, 1, Windows, true},
        {"Short", Short, WindowsY7, 1, Windows, true},
        {"HighHalfSet", HighHalf, WindowsY7, 1, Windows, true},
        {"XNotRising", CurveValue(0x6E15, 0x6E15, 0x3DC29, 0x280000), WindowsY7, 1, Windows, true},
        {"YFalling", WindowsX, Falling, 1, Windows, true},
        {"PrecisionOff", WindowsX, WindowsY7, 0, Windows, false},
    };
    const char* Presets[] = {"Windows-Standard", "Ohne Beschleunigung (1:1)", "Eigene Kurve"};
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.Name);
        ResetSettings({4, 4, {6, 10, Case.Acceleration}});
        Store(Case.X, Case.Y);
        TSheet Sheet;
        Sheet.ShowPage(CurvePage);
        EXPECT_EQ(Widen(Presets[Case.Preset]), Sheet.Text(IDC_CURVE_PRESET));
        EXPECT_EQ(Case.Unusable ? Widen("Die gespeicherte Kurve ist ungültig; angezeigt wird die Standardkurve.") : L"",
                  Sheet.Text(IDC_CURVE_NOTE));
        EXPECT_EQ(Case.Acceleration ? L""
                                    : Widen("„Zeigerbeschleunigung verbessern“ ist ausgeschaltet. Die Kurve wirkt erst, wenn "
                                            "diese Option auf der Seite „Zeigeroptionen“ eingeschaltet ist."),
                  Sheet.Text(IDC_CURVE_PRECISION_NOTE));
        EXPECT_EQ(L"Zeigergeschwindigkeit: 10 von 20", Sheet.Text(IDC_CURVE_SPEED));
        Sheet.PressButton(PSBTN_OK);
        EXPECT_EQ(Case.X, ReadCurveValue(X));
        EXPECT_EQ(Case.Y, ReadCurveValue(Y));
    }
}

// A typed place past a neighbour is refused and nothing is written; one
// between the neighbours moves only that point.
TEST_F(CurvePageTest, TypedPointStaysBetweenItsNeighbours)
{
    TSheet Sheet;
    Sheet.ShowPage(CurvePage);
    Choose(Sheet, IDC_CURVE_POINT, 1);
    EXPECT_EQ(L"4,38", Sheet.Text(IDC_CURVE_COUNTS_EDIT));
    SetFocus(Sheet.Item(IDC_CURVE_COUNTS_EDIT));
    Sheet.SetText(IDC_CURVE_COUNTS_EDIT, L"500");
    SetFocus(Sheet.Item(IDC_CURVE_FACTOR_EDIT));
    EXPECT_EQ(L"4,38", Sheet.Text(IDC_CURVE_COUNTS_EDIT));
    Sheet.PressButton(PSBTN_APPLYNOW);
    EXPECT_EQ(WindowsX, ReadCurveValue(X));
    EXPECT_EQ(WindowsY7, ReadCurveValue(Y));

    Sheet.SetText(IDC_CURVE_COUNTS_EDIT, L"5");
    Sheet.PressButton(PSBTN_APPLYNOW);
    EXPECT_EQ(L"5,00", Sheet.Text(IDC_CURVE_COUNTS_EDIT));
    EXPECT_EQ(L"Eigene Kurve", Sheet.Text(IDC_CURVE_PRESET));
    EXPECT_EQ(CurveValue(0x6E15, 93623, 0x3DC29, 0x280000), ReadCurveValue(X)) << "5 counts are 5 / 3.5 in 16.16";
}

// The fields take digits and the decimal separator of the user's number
// format, whatever the language of the pages, once; the other separator
// and anything else are refused, typed or pasted.
TEST_F(CurvePageTest, FieldsTakeDigitsAndTheUsersDecimalSeparatorOnce)
{
    // Puts the user's separator back, however the test ends.
    struct TSavedSeparator
    {
        wchar_t Text[8] = L"";
        TSavedSeparator() { GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Text, 8); }
        ~TSavedSeparator() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Text); }
    } Saved;
    for (const std::wstring Separator : {L".", L","})
    {
        SCOPED_TRACE(testing::PrintToString(Separator));
        const std::wstring Other = Separator == L"." ? L"," : L".";
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Separator.c_str()));
        Store(WindowsX, WindowsY7);
        TSheet Sheet;
        Sheet.ShowPage(CurvePage);
        Sheet.SetText(IDC_CURVE_FACTOR_EDIT, L"");
        EXPECT_EQ(L"0" + Separator + L"58", Sheet.Text(IDC_CURVE_FACTOR_EDIT)) << "an emptied field gets its number back";
        SendMessageW(Sheet.Item(IDC_CURVE_FACTOR_EDIT), EM_SETSEL, 0, -1);
        for (wchar_t Char : {L'1', L',', L'.', L'x', L'.', L',', L'5'})
            Sheet.Type(IDC_CURVE_FACTOR_EDIT, Char);
        EXPECT_EQ(L"1" + Separator + L"5", Sheet.Text(IDC_CURVE_FACTOR_EDIT)) << "the separator once, the other never";
        ASSERT_EQ(1u, Balloons(Sheet).size());
        EXPECT_FALSE(IsWindowVisible(Balloons(Sheet)[0])) << "the digit after the refused characters hid it";
        Sheet.PressButton(PSBTN_APPLYNOW);
        EXPECT_EQ(L"1" + Separator + L"50", Sheet.Text(IDC_CURVE_FACTOR_EDIT));
        EXPECT_EQ(L"Eigene Kurve", Sheet.Text(IDC_CURVE_PRESET));
        for (const std::wstring& Paste : {L"2" + Separator + L"25", L"1" + Separator + L"2" + Separator + L"3", std::wstring(L"a1"),
                                          L"3" + Other + L"25"})
        {
            SetClipboardText(Paste.c_str());
            SendMessageW(Sheet.Item(IDC_CURVE_FACTOR_EDIT), EM_SETSEL, 0, -1);
            SendMessageW(Sheet.Item(IDC_CURVE_FACTOR_EDIT), WM_PASTE, 0, 0);
            EXPECT_EQ(L"2" + Separator + L"25", Sheet.Text(IDC_CURVE_FACTOR_EDIT)) << "pasted " << testing::PrintToString(Paste);
        }
    }
}

namespace
{
// The centres of the handles as the graph shows them, left to right: the
// runs of the highlight colour.
std::vector<POINT> Handles(HWND Graph)
{
    RECT Client;
    GetClientRect(Graph, &Client);
    BITMAPINFO Info = {};
    Info.bmiHeader = {sizeof(BITMAPINFOHEADER), Client.right, -Client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* Bits = nullptr;
    HDC Window = GetDC(Graph), Memory = CreateCompatibleDC(Window);
    HBITMAP Bitmap = CreateDIBSection(Window, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(Memory, Bitmap);
    BitBlt(Memory, 0, 0, Client.right, Client.bottom, Window, 0, 0, SRCCOPY);
    GdiFlush();
    const COLORREF Highlight = GetSysColor(COLOR_HIGHLIGHT);
    std::map<int, std::vector<POINT>> Columns;  // by handle, found left to right
    std::vector<POINT> Found;
    for (int x = 0; x < Client.right; ++x)
        for (int y = 0; y < Client.bottom; ++y)
        {
            const BYTE* Pixel = static_cast<const BYTE*>(Bits) + 4 * (y * Client.right + x);
            if (RGB(Pixel[2], Pixel[1], Pixel[0]) != Highlight)
                continue;
            if (Found.empty() || x - Found.back().x > 3)
                Found.push_back({x, y});
            Columns[static_cast<int>(Found.size()) - 1].push_back({x, y});
            Found.back().x = x;
        }
    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
    ReleaseDC(Graph, Window);
    std::vector<POINT> Centres;
    for (const auto& Handle : Columns)
    {
        POINT Low = Handle.second.front(), High = Handle.second.front();
        for (const POINT& At : Handle.second)
            Low = {std::min(Low.x, At.x), std::min(Low.y, At.y)}, High = {std::max(High.x, At.x), std::max(High.y, At.y)};
        Centres.push_back({(Low.x + High.x) / 2, (Low.y + High.y) / 2});
    }
    return Centres;
}
}

namespace
{
POINT OnScreen(HWND Window, POINT At)
{
    ClientToScreen(Window, &At);
    return At;
}

// Point Point's X as the registry holds it.
unsigned StoredX(int Point)
{
    unsigned Value = 0;
    memcpy(&Value, &ReadCurveValue(X).Bytes.at(8 * Point), 4);
    return Value;
}
}

// The graph with a real mouse: pressed on a point (or beside all of them),
// moved with the button held, let go; Esc during the drag. Only the point
// pressed moves, never past its neighbour, also when the mouse leaves the
// graph; Apply writes it.
TEST_F(CurvePageTest, PointsAreDraggedWithTheMouse)
{
    const int Beside = -1;
    enum TTarget
    {
        Up,           // 15 pixels up from the point
        LeftOfGraph,  // past the left neighbour and out of the graph
    };
    const struct
    {
        const char* Name;
        int Handle;  // 0–3, left to right, or Beside: where no point is
        TTarget To;
        bool Escape;
        bool Moved;
    } Rows[] = {
        {"one point dragged", 2, Up, false, true},
        {"dragged past its neighbour", 1, LeftOfGraph, false, true},
        {"pressed beside the points", Beside, Up, false, false},
        {"Esc during the drag", 2, Up, true, false},
    };
    for (const auto& Row : Rows)
    {
        SCOPED_TRACE(Row.Name);
        Store(WindowsX, WindowsY7);
        TSheet Sheet;
        Sheet.ShowPage(CurvePage);
        HWND Graph = Sheet.Item(IDC_CURVE_GRAPH);
        UpdateWindow(Graph);
        const std::vector<POINT> Centres = Handles(Graph);
        ASSERT_EQ(4u, Centres.size()) << "four handles";
        const POINT From = Row.Handle == Beside ? POINT{(Centres[0].x + Centres[1].x) / 2, Centres[3].y} : Centres[Row.Handle];
        const POINT To = Row.To == Up ? POINT{From.x, From.y - 15} : POINT{-30, From.y};
        MouseTo(OnScreen(Graph, From));
        ASSERT_EQ(Graph, WindowFromPoint(OnScreen(Graph, From))) << "the graph takes the mouse";
        EXPECT_EQ(LoadCursorW(nullptr, Row.Handle == Beside ? IDC_ARROW : IDC_SIZEALL), GetCursor());
        MouseButton(true);
        MouseTo(OnScreen(Graph, POINT{(From.x + To.x) / 2, (From.y + To.y) / 2}));
        MouseTo(OnScreen(Graph, To));
        if (Row.Escape)
            KeyStroke(VK_ESCAPE);
        MouseButton(false);
        MouseTo(OnScreen(Graph, To));

        ASSERT_TRUE(IsWindow(Sheet.Window())) << "Esc did not close the sheet";
        EXPECT_EQ(Row.Handle == Beside ? L"1" : std::to_wstring(Row.Handle + 1), Sheet.Text(IDC_CURVE_POINT));
        EXPECT_EQ(Row.Moved ? L"Eigene Kurve" : L"Windows-Standard", Sheet.Text(IDC_CURVE_PRESET));
        EXPECT_EQ(Row.Moved, Sheet.ApplyEnabled());
        Sheet.PressButton(PSBTN_APPLYNOW);
        const TCurveValue WrittenX = ReadCurveValue(X), WrittenY = ReadCurveValue(Y);
        ASSERT_EQ(40u, WrittenX.Bytes.size());
        ASSERT_EQ(40u, WrittenY.Bytes.size());
        // Only the dragged point's bytes may differ.
        TCurveValue ExpectedX = WindowsX, ExpectedY = WindowsY7;
        const int Offset = 8 * (Row.Handle + 1);
        if (Row.Moved)
        {
            memcpy(&ExpectedX.Bytes[Offset], &WrittenX.Bytes[Offset], 4);
            memcpy(&ExpectedY.Bytes[Offset], &WrittenY.Bytes[Offset], 4);
            EXPECT_FALSE(WrittenX == WindowsX && WrittenY == WindowsY7) << "the point moved";
        }
        EXPECT_EQ(ExpectedX, WrittenX) << "no other point moved";
        EXPECT_EQ(ExpectedY, WrittenY) << "no other point moved";
        if (Row.To == LeftOfGraph)
        {
            EXPECT_EQ(StoredX(Row.Handle) + 1, StoredX(Row.Handle + 1)) << "the point stops just right of its neighbour";
        }
    }
}

namespace
{
// What a screen reader reads for a window: its accessible object's name.
std::wstring AccessibleName(HWND Window)
{
    IAccessible* Object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(Window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&Object))))
        return L"(no accessible object)";
    VARIANT Self;
    Self.vt = VT_I4;
    Self.lVal = CHILDID_SELF;
    BSTR Name = nullptr;
    std::wstring Text = Object->get_accName(Self, &Name) == S_OK ? std::wstring(Name) : L"(no name)";
    SysFreeString(Name);
    Object->Release();
    return Text;
}

// A field's number, written with a decimal comma.
double Number(std::wstring Text)
{
    std::replace(Text.begin(), Text.end(), L',', L'.');
    return _wtof(Text.c_str());
}
}

// The graph with the keyboard alone, through the system's input: a digit
// chooses the point, an arrow moves it a pixel along one axis (ten with
// Ctrl), never past a neighbour; the graph's accessible name tells the
// preset and the points as the fields show them.
TEST_F(CurvePageTest, GraphIsOperatedAndReadWithTheKeyboard)
{
    TSheet Sheet;
    Sheet.ShowPage(CurvePage);
    HWND Graph = Sheet.Item(IDC_CURVE_GRAPH);
    SetFocus(Graph);
    KeyStroke('3');
    EXPECT_EQ(L"3", Sheet.Text(IDC_CURVE_POINT));
    const std::wstring Counts = Sheet.Text(IDC_CURVE_COUNTS_EDIT), Factor = Sheet.Text(IDC_CURVE_FACTOR_EDIT);
    EXPECT_FALSE(Sheet.ApplyEnabled());
    KeyStroke(VK_RIGHT);
    EXPECT_GT(Number(Sheet.Text(IDC_CURVE_COUNTS_EDIT)), Number(Counts)) << "moved right along the counts";
    EXPECT_EQ(Factor, Sheet.Text(IDC_CURVE_FACTOR_EDIT));
    EXPECT_EQ(L"Eigene Kurve", Sheet.Text(IDC_CURVE_PRESET));
    EXPECT_TRUE(Sheet.ApplyEnabled());
    const std::wstring Name = AccessibleName(Graph);
    EXPECT_EQ(0u, Name.find(L"Diagramm der Beschleunigungskurve: Eigene Kurve; Punkt 1: ")) << Name;
    EXPECT_NE(std::wstring::npos, Name.find(Widen("; Punkt 3: ") + Sheet.Text(IDC_CURVE_COUNTS_EDIT) + Widen(" Zählimpulse, Faktor ") + Factor + L"; "))
        << Name;

    KeyStroke('2');
    for (int Press = 0; Press < 40; ++Press)
        KeyStroke(VK_LEFT, VK_CONTROL);
    Sheet.PressButton(PSBTN_APPLYNOW);
    EXPECT_EQ(StoredX(1) + 1, StoredX(2)) << "point 2 stops just right of point 1";
    EXPECT_EQ(0x6E15u, StoredX(1));
}

namespace
{
decltype(&RegSetValueExW) RegistryCall;
const wchar_t* RefusedValue;

LONG WINAPI RefusingOneValue(HKEY Key, LPCWSTR Name, DWORD Reserved, DWORD Type, const BYTE* Data, DWORD Size)
{
    return wcscmp(Name, RefusedValue) == 0 ? ERROR_ACCESS_DENIED : RegistryCall(Key, Name, Reserved, Type, Data, Size);
}
}

// A value the registry does not take is named; the other one goes back to
// what was stored (also to absent), so that the stored curve stays whole.
// The page stays changed and Apply writes both once the registry takes
// them.
TEST_F(CurvePageTest, RefusedWriteIsNamedAndLeavesTheStoredCurveWhole)
{
    const TCurveValue Absent = {0, {}};
    const struct
    {
        const wchar_t* Refused;
        const char* Named;
        TCurveValue OldX, OldY;
    } Rows[] = {
        {Y, "Zeigergeschwindigkeit (SmoothMouseYCurve)", WindowsX, WindowsY7},
        {X, "Mausgeschwindigkeit (SmoothMouseXCurve)", WindowsX, WindowsY7},
        {Y, "Zeigergeschwindigkeit (SmoothMouseYCurve)", Absent, Absent},
    };
    for (const auto& Row : Rows)
    {
        SCOPED_TRACE(testing::Message() << "refused " << testing::PrintToString(std::wstring(Row.Refused))
                                        << (Row.OldX.Type ? "" : ", nothing stored before"));
        Store(Row.OldX, Row.OldY);
        TSheet Sheet;
        Sheet.ShowPage(CurvePage);
        Choose(Sheet, IDC_CURVE_PRESET, OneToOne);
        {
            TImportPatch Patch(Pointix().Module, "ADVAPI32.dll", "RegSetValueExW", reinterpret_cast<void*>(&RefusingOneValue));
            ASSERT_NE(nullptr, Patch.Original());
            RegistryCall = reinterpret_cast<decltype(RegistryCall)>(Patch.Original());
            RefusedValue = Row.Refused;
            const TSeenBox Box = CatchMessageBox([&] { Sheet.PressButton(PSBTN_OK); });
            ASSERT_TRUE(Box.Found) << "no message";
            EXPECT_EQ(Widen("Diese Einstellungen konnten nicht geändert werden:\r\n\r\n") + Widen(Row.Named), Box.Text);
            EXPECT_TRUE(IsWindow(Sheet.Window())) << "the sheet stays open";
            EXPECT_TRUE(Sheet.ApplyEnabled());
            EXPECT_EQ(Row.OldX, ReadCurveValue(X));
            EXPECT_EQ(Row.OldY, ReadCurveValue(Y));
            EXPECT_EQ(L"", Sheet.Text(IDC_CURVE_NOTE));
        }
        Sheet.PressButton(PSBTN_APPLYNOW);
        EXPECT_FALSE(Sheet.ApplyEnabled());
        EXPECT_EQ(OneToOneX7, ReadCurveValue(X));
        EXPECT_EQ(OneToOneY, ReadCurveValue(Y));
    }
}

namespace
{
// The graph's drawing with one GDI call failing, as the module sees it:
// the failing call below, and a record of the memory DC and bitmap it
// made and of how they were given back.
enum TGdiFault
{
    NoTextMetrics,
    BitmapNotSelected,
    OwnBitmapNotPutBack
};
struct TGdiRecord
{
    TGdiFault Fault;
    int BitmapSelections;
    HDC Memory;
    HBITMAP Bitmap;
    bool DeletedWhileSelected;
    long Lines;
};
TGdiRecord Gdi;
decltype(&SelectObject) RealSelect;
decltype(&CreateCompatibleDC) RealCreateDC;
decltype(&CreateCompatibleBitmap) RealCreateBitmap;
decltype(&DeleteObject) RealDelete;
decltype(&LineTo) RealLineTo;

// What a failing call leaves in the record is whatever was there: here a
// text height of about -10^9, with which unchecked drawing loops for
// minutes.
BOOL WINAPI FailingTextMetrics(HDC, LPTEXTMETRICW Metrics)
{
    memset(Metrics, 0xC0, sizeof(*Metrics));
    return FALSE;
}

// The first selection of a bitmap puts the graph's bitmap in, the second
// puts the DC's own one back.
HGDIOBJ WINAPI FailingSelect(HDC Dc, HGDIOBJ Object)
{
    if (GetObjectType(Object) == OBJ_BITMAP && ++Gdi.BitmapSelections == (Gdi.Fault == BitmapNotSelected ? 1 : 2))
        return nullptr;
    return RealSelect(Dc, Object);
}

HDC WINAPI RecordingCreateDC(HDC Dc)
{
    return Gdi.Memory = RealCreateDC(Dc);
}

HBITMAP WINAPI RecordingCreateBitmap(HDC Dc, int Width, int Height)
{
    return Gdi.Bitmap = RealCreateBitmap(Dc, Width, Height);
}

// Windows refuses to delete a bitmap that a DC still holds (Wine defers
// it), so that is what is recorded.
BOOL WINAPI RecordingDelete(HGDIOBJ Object)
{
    if (Object == Gdi.Bitmap && GetObjectType(Gdi.Memory) == OBJ_MEMDC && GetCurrentObject(Gdi.Memory, OBJ_BITMAP) == Object)
        Gdi.DeletedWhileSelected = true;
    return RealDelete(Object);
}

BOOL WINAPI CountingLineTo(HDC Dc, int X, int Y)
{
    ++Gdi.Lines;
    return RealLineTo(Dc, X, Y);
}

template <typename T>
void Patch(std::vector<std::unique_ptr<TImportPatch>>& Patches, const char* Dll, const char* Name, void* Replacement, T& Real)
{
    Patches.push_back(std::make_unique<TImportPatch>(Pointix().Module, Dll, Name, Replacement));
    ASSERT_NE(nullptr, Patches.back()->Original()) << Name;
    Real = reinterpret_cast<T>(Patches.back()->Original());
}
}

// A paint in which a call the drawing depends on fails draws less (no
// line at all without the font's measures or a bitmap to draw into), ends,
// and gives back its memory DC and bitmap; the next paint draws the graph.
TEST_F(CurvePageTest, GraphSurvivesFailingDrawingCalls)
{
    TSheet Sheet;
    Sheet.ShowPage(CurvePage);
    HWND Graph = Sheet.Item(IDC_CURVE_GRAPH);
    for (TGdiFault Fault : {NoTextMetrics, BitmapNotSelected, OwnBitmapNotPutBack})
    {
        SCOPED_TRACE(testing::Message() << "fault " << Fault);
        Gdi = TGdiRecord{Fault, 0, nullptr, nullptr, false, 0};
        {
            std::vector<std::unique_ptr<TImportPatch>> Patches;
            decltype(&GetTextMetricsW) Unused;
            Patch(Patches, "GDI32.dll", "CreateCompatibleDC", reinterpret_cast<void*>(&RecordingCreateDC), RealCreateDC);
            Patch(Patches, "GDI32.dll", "CreateCompatibleBitmap", reinterpret_cast<void*>(&RecordingCreateBitmap), RealCreateBitmap);
            Patch(Patches, "GDI32.dll", "DeleteObject", reinterpret_cast<void*>(&RecordingDelete), RealDelete);
            Patch(Patches, "GDI32.dll", "LineTo", reinterpret_cast<void*>(&CountingLineTo), RealLineTo);
            if (Fault == NoTextMetrics)
                Patch(Patches, "GDI32.dll", "GetTextMetricsW", reinterpret_cast<void*>(&FailingTextMetrics), Unused);
            else
                Patch(Patches, "GDI32.dll", "SelectObject", reinterpret_cast<void*>(&FailingSelect), RealSelect);
            InvalidateRect(Graph, nullptr, FALSE);
            UpdateWindow(Graph);
        }
        ASSERT_NE(nullptr, Gdi.Bitmap) << "the graph was painted";
        if (Fault != OwnBitmapNotPutBack)
        {
            EXPECT_EQ(0, Gdi.Lines) << "no axes drawn without a font's measures or a bitmap to draw into";
        }
        EXPECT_FALSE(Gdi.DeletedWhileSelected) << "the bitmap was deleted while the memory DC held it";
        EXPECT_EQ(0u, GetObjectType(Gdi.Bitmap)) << "the bitmap is gone";
        EXPECT_EQ(0u, GetObjectType(Gdi.Memory)) << "the memory DC is gone";
        InvalidateRect(Graph, nullptr, FALSE);
        UpdateWindow(Graph);
        EXPECT_EQ(4u, Handles(Graph).size()) << "the next paint draws the graph again";
    }
}
