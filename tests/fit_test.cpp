// Every text of every page fits its control, with room to spare: Wine draws
// "MS Shell Dlg" with its own Tahoma, and the fonts of Windows need a
// little more. Measured in each control's own font, at 96, 144 and 192 dpi.
// At each, the pages keep the first page's margins and edit height, and
// the graph's labels stay inside it and apart.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace
{
const char DpiVariable[] = "POINTIX_LAYOUT_DPI";
const wchar_t DesktopKey[] = L"Control Panel\\Desktop";
// A text fits when it needs at most this share of the room it has.
const int MarginPercent = 92;

// What a text needs and what its control gives it, in pixels: widths for
// one-line texts, heights for texts that wrap.
struct TRoom
{
    int Needs, Has;
    bool Wraps;
};

int TextWidth(HDC Dc, const std::wstring& Text, UINT Flags)
{
    RECT Rect = {0, 0, 0, 0};
    DrawTextW(Dc, Text.c_str(), -1, &Rect, Flags | DT_CALCRECT | DT_SINGLELINE);
    return Rect.right;
}

// The room of a static, check box, radio button, push button or group box
// caption; false for any other control.
bool Measure(HWND Control, TRoom& Room)
{
    wchar_t Class[32] = L"";
    GetClassNameW(Control, Class, 32);
    const LONG Style = GetWindowLongW(Control, GWL_STYLE);
    std::wstring Text(GetWindowTextLengthW(Control) + 1, L'\0');
    Text.resize(GetWindowTextW(Control, &Text[0], static_cast<int>(Text.size())));
    if (Text.empty() || !IsWindowVisible(Control))
        return false;
    RECT Client;
    GetClientRect(Control, &Client);
    HDC Dc = GetDC(Control);
    HGDIOBJ Old = SelectObject(Dc, reinterpret_cast<HFONT>(SendMessageW(Control, WM_GETFONT, 0, 0)));
    TEXTMETRICW Metrics;
    GetTextMetricsW(Dc, &Metrics);
    bool Measured = true;
    Room = TRoom{0, Client.right, false};
    if (lstrcmpiW(Class, L"Static") == 0)
    {
        const LONG Type = Style & SS_TYPEMASK;
        const UINT Prefix = Style & SS_NOPREFIX ? DT_NOPREFIX : 0;
        const bool Wrapping = Type == SS_LEFT || Type == SS_CENTER || Type == SS_RIGHT;
        if (Type != SS_LEFT && Type != SS_CENTER && Type != SS_RIGHT && Type != SS_LEFTNOWORDWRAP && Type != SS_SIMPLE)
            Measured = false;
        else if (Wrapping && Client.bottom >= 2 * Metrics.tmHeight)
        {
            // Room for more than one line: the wrapped text against the height.
            RECT Rect = {0, 0, Client.right, 0};
            DrawTextW(Dc, Text.c_str(), -1, &Rect, Prefix | DT_CALCRECT | DT_WORDBREAK);
            Room = TRoom{Rect.bottom, Client.bottom, true};
        }
        else
            Room.Needs = TextWidth(Dc, Text, Prefix);
    }
    else if (lstrcmpiW(Class, L"Button") == 0)
    {
        const LONG Type = Style & BS_TYPEMASK;
        Room.Needs = TextWidth(Dc, Text, 0);
        if (Type == BS_GROUPBOX)
            // The caption sits in the frame, a character's width in from each end.
            Room.Has -= 2 * Metrics.tmAveCharWidth;
        else if (Type == BS_PUSHBUTTON || Type == BS_DEFPUSHBUTTON)
            Room.Has -= 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
        else if (Type == BS_CHECKBOX || Type == BS_AUTOCHECKBOX || Type == BS_3STATE || Type == BS_AUTO3STATE ||
                 Type == BS_RADIOBUTTON || Type == BS_AUTORADIOBUTTON)
            // The glyph and the gap after it.
            Room.Has -= GetSystemMetrics(SM_CXMENUCHECK) + Metrics.tmAveCharWidth / 2;
        else
            Measured = false;
    }
    else
        Measured = false;
    SelectObject(Dc, Old);
    ReleaseDC(Control, Dc);
    return Measured;
}

// Where a page's controls keep from its edges, and how high its edits are:
// the same on every page, so that the pages look like one dialog.
struct TFrame
{
    int Top, Left, Right, EditHeight;
    bool operator==(const TFrame& Other) const
    {
        return Top == Other.Top && Left == Other.Left && Right == Other.Right && EditHeight == Other.EditHeight;
    }
};

std::ostream& operator<<(std::ostream& Out, const TFrame& Frame)
{
    return Out << "top " << Frame.Top << ", left " << Frame.Left << ", right " << Frame.Right << ", edits " << Frame.EditHeight
               << " px high";
}

// EditHeight: -1 when the edits of the page differ in height.
TFrame FrameOf(HWND Page)
{
    RECT Client;
    GetClientRect(Page, &Client);
    TFrame Frame = {Client.bottom, Client.right, Client.right, 0};
    for (HWND Control = GetWindow(Page, GW_CHILD); Control; Control = GetWindow(Control, GW_HWNDNEXT))
    {
        if (!IsWindowVisible(Control))
            continue;
        RECT Rect;
        GetWindowRect(Control, &Rect);
        MapWindowPoints(nullptr, Page, reinterpret_cast<POINT*>(&Rect), 2);
        Frame.Top = std::min<int>(Frame.Top, Rect.top);
        Frame.Left = std::min<int>(Frame.Left, Rect.left);
        Frame.Right = std::min<int>(Frame.Right, Client.right - Rect.right);
        wchar_t Class[32] = L"";
        GetClassNameW(Control, Class, 32);
        if (lstrcmpiW(Class, L"Edit") == 0)
            Frame.EditHeight = Frame.EditHeight == 0 || Frame.EditHeight == Rect.bottom - Rect.top ? Rect.bottom - Rect.top : -1;
    }
    return Frame;
}

// The texts the module draws (the graph's labels), each with the
// rectangle it covers.
struct TDrawnText
{
    std::wstring Text;
    RECT Covers;
};
std::vector<TDrawnText> Drawn;
decltype(&DrawTextW) RealDrawText;

int WINAPI RecordingDrawText(HDC Dc, LPCWSTR Text, int Length, LPRECT Rect, UINT Format)
{
    if (!(Format & DT_CALCRECT))
    {
        RECT Size = {0, 0, 0, 0};
        RealDrawText(Dc, Text, Length, &Size, (Format & ~(DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
        const LONG Left = Format & DT_RIGHT ? Rect->right - Size.right
                          : Format & DT_CENTER ? (Rect->left + Rect->right - Size.right) / 2
                                               : Rect->left;
        Drawn.push_back({std::wstring(Text, Length < 0 ? wcslen(Text) : Length), {Left, Rect->top, Left + Size.right, Rect->top + Size.bottom}});
    }
    return RealDrawText(Dc, Text, Length, Rect, Format);
}

// Every label of the graph inside it, none touching another.
void ExpectGraphLabelsClear(HWND Graph)
{
    RECT Client;
    GetClientRect(Graph, &Client);
    Drawn.clear();
    InvalidateRect(Graph, nullptr, FALSE);
    UpdateWindow(Graph);
    EXPECT_GT(Drawn.size(), 8u) << "the graph's labels were drawn";
    for (size_t i = 0; i < Drawn.size(); ++i)
    {
        const RECT& A = Drawn[i].Covers;
        EXPECT_TRUE(A.left >= 0 && A.top >= 0 && A.right <= Client.right && A.bottom <= Client.bottom)
            << testing::PrintToString(Drawn[i].Text) << " is cut by the graph's edge";
        for (size_t j = i + 1; j < Drawn.size(); ++j)
        {
            const RECT& B = Drawn[j].Covers;
            EXPECT_FALSE(A.left <= B.right && B.left <= A.right && A.top <= B.bottom && B.top <= A.bottom)
                << testing::PrintToString(Drawn[i].Text) << " and " << testing::PrintToString(Drawn[j].Text) << " touch";
        }
    }
}

// Puts a DPI into the prefix for the programs started from now on, and the
// value that was there back at the end.
class TLogPixels
{
public:
    explicit TLogPixels(DWORD Dpi)
    {
        DWORD Size = sizeof(FOld);
        FHadOld = RegGetValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &FOld, &Size) == ERROR_SUCCESS;
        RegSetKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", REG_DWORD, &Dpi, sizeof(Dpi));
    }
    ~TLogPixels()
    {
        if (FHadOld)
            RegSetKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", REG_DWORD, &FOld, sizeof(FOld));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels");
    }

private:
    DWORD FOld = 0;
    bool FHadOld;
};
}

// In a copy of this program started at one DPI: each text that does not fit
// is reported by page, ID and text. Disabled, so that only the copies run it.
TEST(Layout, DISABLED_TextsFitInThisProcess)
{
    const char* Dpi = std::getenv(DpiVariable);
    ASSERT_NE(nullptr, Dpi) << "runs in a copy of the program started at a DPI";
    HDC Screen = GetDC(nullptr);
    ASSERT_EQ(std::atoi(Dpi), GetDeviceCaps(Screen, LOGPIXELSY)) << "the prefix's DPI did not take";
    ReleaseDC(nullptr, Screen);
    // "Beschleunigungskurve" with both its notes: pointer precision off,
    // and a stored curve it cannot use.
    TCurveGuard Curve;
    ResetSettings({4, 4, {6, 10, 0}});
    WriteCurveValue(L"SmoothMouseXCurve", TCurveValue{REG_DWORD, {1, 0, 0, 0}});
    TImportPatch Patch(Pointix().Module, "USER32.dll", "DrawTextW", reinterpret_cast<void*>(&RecordingDrawText));
    ASSERT_NE(nullptr, Patch.Original());
    RealDrawText = reinterpret_cast<decltype(RealDrawText)>(Patch.Original());
    TSheet Sheet;
    ASSERT_NE(nullptr, Sheet.Page());
    const TFrame First = FrameOf(Sheet.Page());
    int Measured = 0, Tightest = 0;
    for (int Index = 0; Index < TabCtrl_GetItemCount(PropSheet_GetTabControl(Sheet.Window())); ++Index)
    {
        HWND Page = Sheet.ShowPage(Index);
        const std::wstring Title = Sheet.TabTitle(Index);
        EXPECT_EQ(First, FrameOf(Page)) << "page " << testing::PrintToString(Title) << " is framed like the first";
        if (GetDlgItem(Page, IDC_CURVE_GRAPH))
            ExpectGraphLabelsClear(GetDlgItem(Page, IDC_CURVE_GRAPH));
        for (HWND Control = GetWindow(Page, GW_CHILD); Control; Control = GetWindow(Control, GW_HWNDNEXT))
        {
            TRoom Room = {};
            if (!Measure(Control, Room))
                continue;
            ++Measured;
            const int Percent = Room.Has > 0 ? Room.Needs * 100 / Room.Has : 1000;
            Tightest = Percent > Tightest ? Percent : Tightest;
            wchar_t Text[256] = L"";
            GetWindowTextW(Control, Text, 256);
            EXPECT_LE(Room.Needs * 100, MarginPercent * Room.Has)
                << "page " << testing::PrintToString(Title) << ", control " << GetDlgCtrlID(Control) << " "
                << testing::PrintToString(std::wstring(Text)) << ": needs " << Room.Needs << " of " << Room.Has << " px "
                << (Room.Wraps ? "height" : "width") << " (" << Percent << " %)";
        }
    }
    std::printf("%s dpi: %d texts measured, the tightest needs %d %% of its room\n", Dpi, Measured, Tightest);
    EXPECT_GT(Measured, 30) << "every page's texts";
    Sheet.PressButton(PSBTN_CANCEL);
}

// Every page at three DPIs, each in a fresh copy of this program: Wine
// takes the DPI when a program starts.
TEST(Layout, EveryTextFitsAtEachDpi)
{
    wchar_t Self[MAX_PATH];
    GetModuleFileNameW(nullptr, Self, MAX_PATH);
    for (int Dpi : {96, 144, 192})
    {
        SCOPED_TRACE(testing::Message() << Dpi << " dpi");
        TLogPixels Prefix(Dpi);
        SetEnvironmentVariableA(DpiVariable, std::to_string(Dpi).c_str());
        std::string Output;
        const DWORD Code = RunProgram(L"\"" + std::wstring(Self) + L"\" --gtest_also_run_disabled_tests --gtest_filter=Layout.DISABLED_TextsFitInThisProcess", Output, 120000);
        SetEnvironmentVariableA(DpiVariable, nullptr);
        EXPECT_EQ(0u, Code) << Output;
        // The copy's summary line, for the log.
        const size_t At = Output.find(" dpi: ");
        if (At != std::string::npos)
        {
            const size_t Begin = Output.rfind('\n', At) == std::string::npos ? 0 : Output.rfind('\n', At) + 1;
            std::printf("%s\n", Output.substr(Begin, Output.find_first_of("\r\n", At) - Begin).c_str());
        }
    }
}
