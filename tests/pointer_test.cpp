// The page "Zeigen und Ziehen" in a real sheet, against the real system
// settings: what it shows, what OK/Apply, Cancel and "Standardwerte" write
// to the system and to the user profile, numeric entry, the controls that
// depend on window tracking, and the page's life.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <ostream>
#include <string>

namespace
{
const int PointerPage = 1;
const UINT Persist = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

// The page's settings, in its order.
enum
{
    DragWidth, DragHeight, HoverTime, HoverWidth, HoverHeight, MenuDelay, Tracking, ZOrder, Delay, SettingCount
};
struct TPointer
{
    std::array<int, SettingCount> Values;

    int& operator[](int Setting) { return Values[Setting]; }
    int operator[](int Setting) const { return Values[Setting]; }
    bool operator==(const TPointer& Other) const { return Values == Other.Values; }
    friend std::ostream& operator<<(std::ostream& Out, const TPointer& Pointer)
    {
        for (int Value : Pointer.Values)
            Out << Value << " ";
        return Out;
    }
};

// How the system takes each setting, and where Wine keeps it in the user
// profile (Windows keeps window tracking as a bit of UserPreferencesMask,
// Wine as a value of its own).
struct TSystemSetting
{
    UINT Get, Set;
    bool ValueInPvParam;
    const wchar_t* Key;
    const wchar_t* Value;
};
const TSystemSetting System[SettingCount] = {
    {0, SPI_SETDRAGWIDTH, false, L"Control Panel\\Desktop", L"DragWidth"},
    {0, SPI_SETDRAGHEIGHT, false, L"Control Panel\\Desktop", L"DragHeight"},
    {SPI_GETMOUSEHOVERTIME, SPI_SETMOUSEHOVERTIME, false, L"Control Panel\\Mouse", L"MouseHoverTime"},
    {SPI_GETMOUSEHOVERWIDTH, SPI_SETMOUSEHOVERWIDTH, false, L"Control Panel\\Mouse", L"MouseHoverWidth"},
    {SPI_GETMOUSEHOVERHEIGHT, SPI_SETMOUSEHOVERHEIGHT, false, L"Control Panel\\Mouse", L"MouseHoverHeight"},
    {SPI_GETMENUSHOWDELAY, SPI_SETMENUSHOWDELAY, false, L"Control Panel\\Desktop", L"MenuShowDelay"},
    {SPI_GETACTIVEWINDOWTRACKING, SPI_SETACTIVEWINDOWTRACKING, true, L"Control Panel\\Mouse", L"ActiveWindowTracking"},
    {SPI_GETACTIVEWNDTRKZORDER, SPI_SETACTIVEWNDTRKZORDER, true, L"Control Panel\\Desktop", L"UserPreferencesMask"},
    {SPI_GETACTIVEWNDTRKTIMEOUT, SPI_SETACTIVEWNDTRKTIMEOUT, true, L"Control Panel\\Desktop", L"ActiveWndTrackTimeout"},
};
const int Edits[SettingCount] = {
    IDC_DRAG_WIDTH_EDIT, IDC_DRAG_HEIGHT_EDIT, IDC_HOVER_TIME_EDIT, IDC_HOVER_WIDTH_EDIT, IDC_HOVER_HEIGHT_EDIT,
    IDC_MENU_DELAY_EDIT, IDC_TRACKING_CHECK, IDC_TRACKING_ZORDER_CHECK, IDC_TRACKING_DELAY_EDIT,
};
const TPointer Defaults = {{4, 4, 400, 4, 4, 400, 0, 0, 0}};
// Not the defaults, so that a write of the defaults shows.
const TPointer Custom = {{12, 7, 900, 9, 10, 123, 1, 1, 0}};

TPointer LivePointer()
{
    TPointer Values = {};
    Values[DragWidth] = GetSystemMetrics(SM_CXDRAG);
    Values[DragHeight] = GetSystemMetrics(SM_CYDRAG);
    for (int i = HoverTime; i < SettingCount; ++i)
        SystemParametersInfoW(System[i].Get, 0, &Values[i], 0);
    return Values;
}

TPointer StoredPointer()
{
    TPointer Values = {};
    for (int i = 0; i < SettingCount; ++i)
    {
        BYTE Data[64] = {};
        DWORD Size = sizeof(Data), Type = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, System[i].Key, System[i].Value, RRF_RT_ANY, &Type, Data, &Size) != ERROR_SUCCESS)
            Values[i] = -9999;
        else if (i == ZOrder)
            Values[i] = (Data[0] & 0x40) != 0;
        else if (Type == REG_DWORD)
            Values[i] = *reinterpret_cast<const int*>(Data);
        else
            Values[i] = _wtoi(reinterpret_cast<const wchar_t*>(Data));
    }
    return Values;
}

bool WritePointer(int Setting, int Value)
{
    if (System[Setting].ValueInPvParam)
        return SystemParametersInfoW(System[Setting].Set, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(Value)), Persist) == TRUE;
    return SystemParametersInfoW(System[Setting].Set, Value, nullptr, Persist) == TRUE;
}

// Sets live and stored values alike. Wine cannot write the tracking delay
// (see DelayCanBeWritten), so tests keep it at what the system has.
void ResetPointer(const TPointer& Values)
{
    for (int i = 0; i < Delay; ++i)
        ASSERT_TRUE(WritePointer(i, Values[i])) << "setting " << i;
    ASSERT_EQ(Values[Delay], LivePointer()[Delay]) << "the tracking delay cannot be set here";
    ASSERT_EQ(Values, LivePointer());
}

// Windows takes the tracking delay in pvParam. Wine 8 reads it through
// that pointer, answers with an access-violation status and keeps 0.
bool DelayCanBeWritten()
{
    const int Before = LivePointer()[Delay];
    const bool Written = WritePointer(Delay, 250) && LivePointer()[Delay] == 250;
    WritePointer(Delay, Before);
    return Written;
}

class TPointerGuard
{
public:
    TPointerGuard() : FSaved(LivePointer()) {}
    ~TPointerGuard() { ResetPointer(FSaved); }

private:
    TPointer FSaved;
};

class PointerPageTest : public testing::Test
{
protected:
    void SetUp() override { ResetPointer(Custom); }
    void TearDown() override { EXPECT_EQ(S_OK, Pointix().CanUnloadNow()) << "an object of the module is still alive"; }

    // The shown values of the page's controls, as numbers.
    static TPointer Shown(TSheet& Sheet)
    {
        TPointer Values = {};
        for (int i = 0; i < SettingCount; ++i)
            Values[i] = i == Tracking || i == ZOrder ? IsDlgButtonChecked(Sheet.Page(), Edits[i]) == BST_CHECKED
                                                     : std::stoi(Sheet.Text(Edits[i]));
        return Values;
    }
    static bool Enabled(TSheet& Sheet, int Id) { return IsWindowEnabled(Sheet.Item(Id)) != FALSE; }

    TPointerGuard FGuard;
};

TEST_F(PointerPageTest, FollowsEinstellungenWithTheSameSize)
{
    TSheet Sheet;
    HWND Tabs = PropSheet_GetTabControl(Sheet.Window());
    ASSERT_EQ(3, TabCtrl_GetItemCount(Tabs));
    const wchar_t* Titles[] = {L"Einstellungen", L"Zeigen und Ziehen", L"Beschleunigungskurve"};
    RECT Sizes[3] = {};
    for (int i = 0; i < 3; ++i)
    {
        wchar_t Title[64] = L"";
        TCITEMW Item = {};
        Item.mask = TCIF_TEXT;
        Item.pszText = Title;
        Item.cchTextMax = 64;
        TabCtrl_GetItem(Tabs, i, &Item);
        EXPECT_EQ(std::wstring(Titles[i]), Title);
        GetClientRect(Sheet.ShowPage(i), &Sizes[i]);
    }
    for (const RECT& Size : Sizes)
    {
        EXPECT_EQ(Sizes[0].right, Size.right);
        EXPECT_EQ(Sizes[0].bottom, Size.bottom);
    }
}

// Init shows what the system has; numbers outside a field's range show as
// its nearest bound.
TEST_F(PointerPageTest, ShowsTheSystemValues)
{
    const TPointer Cases[] = {Custom, Defaults, {{99, 1, 5000, 1, 99, 0, 0, 1, 0}}, {{12, 7, 5, 4, 4, 9000, 1, 0, 0}}};
    const TPointer Shows[] = {Custom, Defaults, {{99, 1, 5000, 1, 99, 0, 0, 1, 0}}, {{12, 7, 10, 4, 4, 5000, 1, 0, 0}}};
    for (int c = 0; c < 4; ++c)
    {
        SCOPED_TRACE(testing::Message() << "system " << Cases[c]);
        ResetPointer(Cases[c]);
        TSheet Sheet;
        Sheet.ShowPage(PointerPage);
        EXPECT_EQ(Shows[c], Shown(Sheet));
        EXPECT_FALSE(Sheet.ApplyEnabled()) << "the page starts clean";
        Sheet.PressButton(PSBTN_OK);
        EXPECT_EQ(Cases[c], LivePointer()) << "OK without a change writes nothing";
    }
}

TEST_F(PointerPageTest, FieldsTakeTheirRangesDigitsAndUpDownSteps)
{
    const struct
    {
        int Edit, UpDown, Min, Max, Digits;
    } Fields[] = {
        {IDC_DRAG_WIDTH_EDIT, IDC_DRAG_WIDTH_UPDOWN, 1, 99, 2},
        {IDC_DRAG_HEIGHT_EDIT, IDC_DRAG_HEIGHT_UPDOWN, 1, 99, 2},
        {IDC_HOVER_TIME_EDIT, IDC_HOVER_TIME_UPDOWN, 10, 5000, 4},
        {IDC_HOVER_WIDTH_EDIT, IDC_HOVER_WIDTH_UPDOWN, 1, 99, 2},
        {IDC_HOVER_HEIGHT_EDIT, IDC_HOVER_HEIGHT_UPDOWN, 1, 99, 2},
        {IDC_MENU_DELAY_EDIT, IDC_MENU_DELAY_UPDOWN, 0, 5000, 4},
        {IDC_TRACKING_DELAY_EDIT, IDC_TRACKING_DELAY_UPDOWN, 0, 5000, 4},
    };
    TSheet Sheet;
    Sheet.ShowPage(PointerPage);
    for (const auto& Field : Fields)
    {
        SCOPED_TRACE(testing::Message() << "field " << Field.Edit);
        int Min = -1, Max = -1;
        SendMessageW(Sheet.Item(Field.UpDown), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&Min), reinterpret_cast<LPARAM>(&Max));
        EXPECT_EQ(Field.Min, Min);
        EXPECT_EQ(Field.Max, Max);
        EXPECT_EQ(Field.Digits, SendMessageW(Sheet.Item(Field.Edit), EM_GETLIMITTEXT, 0, 0));
        EXPECT_EQ(Sheet.Item(Field.Edit), reinterpret_cast<HWND>(SendMessageW(Sheet.Item(Field.UpDown), UDM_GETBUDDY, 0, 0)));
    }
    Sheet.ClickUpDown(IDC_HOVER_TIME_UPDOWN, true);
    EXPECT_EQ(L"901", Sheet.Text(IDC_HOVER_TIME_EDIT)) << "no thousands separator";
    EXPECT_TRUE(Sheet.ApplyEnabled());
    EXPECT_EQ(900, LivePointer()[HoverTime]) << "nothing is written before Apply";
}

// One setting changed on the page: Apply writes exactly that one, to the
// system and to the user profile.
struct TApplyCase
{
    const char* Name;
    int Setting;
    const wchar_t* Typed;  // null: click the check box
    int Written;
};

class PointerApplyTest : public PointerPageTest, public testing::WithParamInterface<TApplyCase>
{
};

TEST_P(PointerApplyTest, WritesOnlyThatSettingAndKeepsIt)
{
    const TApplyCase& Case = GetParam();
    TSheet Sheet;
    Sheet.ShowPage(PointerPage);
    if (Case.Typed)
        Sheet.SetText(Edits[Case.Setting], Case.Typed);
    else
        Sheet.Click(Edits[Case.Setting]);
    EXPECT_TRUE(Sheet.ApplyEnabled());
    EXPECT_EQ(Custom, LivePointer()) << "nothing is written before Apply";
    Sheet.PressButton(PSBTN_APPLYNOW);
    TPointer Expected = Custom;
    Expected[Case.Setting] = Case.Written;
    EXPECT_EQ(Expected, LivePointer());
    EXPECT_EQ(Expected, StoredPointer());
    EXPECT_FALSE(Sheet.ApplyEnabled());
}

INSTANTIATE_TEST_SUITE_P(Settings, PointerApplyTest,
    testing::Values(
        TApplyCase{"DragWidth", DragWidth, L"30", 30},
        TApplyCase{"DragHeight", DragHeight, L"1", 1},
        TApplyCase{"HoverTime", HoverTime, L"1500", 1500},
        TApplyCase{"HoverWidth", HoverWidth, L"99", 99},
        TApplyCase{"HoverHeight", HoverHeight, L"2", 2},
        TApplyCase{"MenuDelay", MenuDelay, L"0", 0},
        TApplyCase{"Tracking", Tracking, nullptr, 0},
        TApplyCase{"ZOrder", ZOrder, nullptr, 0},
        TApplyCase{"DragWidthClamped", DragWidth, L"0", 1},
        TApplyCase{"HoverTimeClamped", HoverTime, L"9999", 5000}),
    [](const testing::TestParamInfo<TApplyCase>& Info) { return std::string(Info.param.Name); });

TEST_F(PointerPageTest, CancelWritesNothing)
{
    TSheet Sheet;
    Sheet.ShowPage(PointerPage);
    for (int i : {DragWidth, DragHeight, HoverTime, HoverWidth, HoverHeight, MenuDelay})
        Sheet.SetText(Edits[i], L"55");
    Sheet.Click(IDC_TRACKING_ZORDER_CHECK);
    Sheet.Click(IDC_TRACKING_CHECK);
    Sheet.PressButton(PSBTN_CANCEL);
    Sheet.Destroy();
    EXPECT_EQ(Custom, LivePointer());
    EXPECT_EQ(Custom, StoredPointer());
}

// After an Apply, the page starts from what it wrote: a second Apply writes
// only what was edited since, and leaves alone what someone else changed.
TEST_F(PointerPageTest, SecondApplyWritesOnlyTheNewEdit)
{
    TSheet Sheet;
    Sheet.ShowPage(PointerPage);
    Sheet.SetText(IDC_DRAG_WIDTH_EDIT, L"20");
    Sheet.PressButton(PSBTN_APPLYNOW);
    ASSERT_EQ(20, LivePointer()[DragWidth]);

    ASSERT_TRUE(WritePointer(DragWidth, 33));
    ASSERT_TRUE(WritePointer(HoverTime, 777));
    Sheet.SetText(IDC_MENU_DELAY_EDIT, L"250");
    Sheet.PressButton(PSBTN_APPLYNOW);
    TPointer Expected = Custom;
    Expected[DragWidth] = 33;
    Expected[HoverTime] = 777;
    Expected[MenuDelay] = 250;
    EXPECT_EQ(Expected, LivePointer());
    EXPECT_EQ(Expected, StoredPointer());
}

TEST_F(PointerPageTest, DefaultsButtonFillsInWindowsDefaultsForApply)
{
    TSheet Sheet;
    Sheet.ShowPage(PointerPage);
    Sheet.Click(IDC_DEFAULTS_BUTTON);
    EXPECT_EQ(Defaults, Shown(Sheet));
    EXPECT_FALSE(Enabled(Sheet, IDC_TRACKING_ZORDER_CHECK)) << "window tracking is off by default";
    EXPECT_TRUE(Sheet.ApplyEnabled());
    EXPECT_EQ(Custom, LivePointer()) << "only marked changed";
    Sheet.PressButton(PSBTN_OK);
    EXPECT_EQ(Defaults, LivePointer());
    EXPECT_EQ(Defaults, StoredPointer());
}

TEST_F(PointerPageTest, TrackingOptionsFollowTheTrackingCheckBox)
{
    const int Dependents[] = {IDC_TRACKING_ZORDER_CHECK, IDC_TRACKING_DELAY_LABEL, IDC_TRACKING_DELAY_EDIT, IDC_TRACKING_DELAY_UPDOWN};
    TSheet Sheet;
    Sheet.ShowPage(PointerPage);
    for (bool Tracking : {true, false, true})
    {
        for (int Id : Dependents)
            EXPECT_EQ(Tracking, Enabled(Sheet, Id)) << "control " << Id;
        EXPECT_TRUE(Enabled(Sheet, IDC_TRACKING_CHECK));
        Sheet.Click(IDC_TRACKING_CHECK);
    }
}

// A setting the system does not take is not reported as written: the user
// is told which one, the sheet stays open and changed, and what could be
// written was.
TEST_F(PointerPageTest, WriteThatFailsIsReportedAndCanBeTriedAgain)
{
    if (DelayCanBeWritten())
        GTEST_SKIP() << "this system takes the tracking delay, so no write can be made to fail honestly";
    TSheet Sheet;
    Sheet.ShowPage(PointerPage);
    Sheet.SetText(IDC_TRACKING_DELAY_EDIT, L"250");
    Sheet.SetText(IDC_DRAG_WIDTH_EDIT, L"21");
    for (int Button : {PSBTN_APPLYNOW, PSBTN_OK})
    {
        SCOPED_TRACE(Button == PSBTN_OK ? "OK" : "Apply");
        const TSeenBox Box = CatchMessageBox([&] { Sheet.PressButton(Button); });
        ASSERT_TRUE(Box.Found) << "no message";
        EXPECT_EQ(L"Eigenschaften von Maus", Box.Caption);
        EXPECT_EQ(Widen("Diese Einstellungen konnten nicht geändert werden:\r\n\r\nVerzögerung (ms)"), Box.Text);
        EXPECT_EQ(Sheet.Window(), Box.Owner);
        EXPECT_TRUE(IsWindow(Sheet.Window())) << "the sheet stays open";
        EXPECT_TRUE(Sheet.ApplyEnabled()) << "the page stays changed";
        EXPECT_EQ(21, LivePointer()[DragWidth]) << "what could be written was";
        EXPECT_EQ(0, LivePointer()[Delay]);
    }
}

// Entry as on the first page, for a two-digit and a four-digit field.
TEST_F(PointerPageTest, NumericEntryIsGuardedAndClampedWhenLeavingTheField)
{
    const struct
    {
        int Edit;
        const wchar_t* Typed;
        const wchar_t* Left;  // after the focus moved on
    } Cases[] = {
        {IDC_DRAG_HEIGHT_EDIT, L"0", L"1"},
        {IDC_DRAG_HEIGHT_EDIT, L"42", L"42"},
        {IDC_HOVER_TIME_EDIT, L"9999", L"5000"},
        {IDC_HOVER_TIME_EDIT, L"5", L"10"},
        {IDC_MENU_DELAY_EDIT, L"0", L"0"},
    };
    TSheet Sheet;
    Sheet.ShowPage(PointerPage);
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(testing::Message() << "field " << Case.Edit << " typed " << Case.Typed);
        SetFocus(Sheet.Item(Case.Edit));
        Sheet.SetText(Case.Edit, Case.Typed);
        EXPECT_EQ(std::wstring(Case.Typed), Sheet.Text(Case.Edit)) << "nothing changes while typing";
        SetFocus(Sheet.Item(IDC_DEFAULTS_BUTTON));
        EXPECT_EQ(std::wstring(Case.Left), Sheet.Text(Case.Edit));
    }

    // A refused character shows the balloon; a digit hides it.
    Sheet.Type(IDC_HOVER_TIME_EDIT, L'x');
    ASSERT_EQ(1u, Balloons(Sheet).size());
    EXPECT_TRUE(IsWindowVisible(Balloons(Sheet)[0]));
    EXPECT_EQ(L"10", Sheet.Text(IDC_HOVER_TIME_EDIT));
    Sheet.Type(IDC_HOVER_TIME_EDIT, L'7');
    EXPECT_FALSE(IsWindowVisible(Balloons(Sheet)[0]));

    // Paste: as many leading digits as the field takes.
    const struct
    {
        int Edit;
        const wchar_t* Clipboard;
        const wchar_t* Result;
    } Pastes[] = {
        {IDC_HOVER_TIME_EDIT, L"1234x", L"1234"},
        {IDC_HOVER_TIME_EDIT, L"12x4", L"800"},
        {IDC_DRAG_WIDTH_EDIT, L"12x", L"12"},
        {IDC_DRAG_WIDTH_EDIT, L"x1", L"800"},
    };
    for (const auto& Paste : Pastes)
    {
        SCOPED_TRACE(testing::Message() << "clipboard " << Paste.Clipboard);
        SetWindowTextW(Sheet.Item(Paste.Edit), L"800");
        SetClipboardText(Paste.Clipboard);
        SendMessageW(Sheet.Item(Paste.Edit), EM_SETSEL, 0, -1);
        SendMessageW(Sheet.Item(Paste.Edit), WM_PASTE, 0, 0);
        EXPECT_EQ(std::wstring(Paste.Result), Sheet.Text(Paste.Edit));
    }

    // Clearing the whole field is refused; emptying it otherwise brings
    // back its last good value.
    SetWindowTextW(Sheet.Item(IDC_MENU_DELAY_EDIT), L"321");
    SendMessageW(Sheet.Item(IDC_MENU_DELAY_EDIT), EM_SETSEL, 0, -1);
    SendMessageW(Sheet.Item(IDC_MENU_DELAY_EDIT), WM_CLEAR, 0, 0);
    EXPECT_EQ(L"321", Sheet.Text(IDC_MENU_DELAY_EDIT));
    Sheet.SetText(IDC_MENU_DELAY_EDIT, L"");
    EXPECT_EQ(L"321", Sheet.Text(IDC_MENU_DELAY_EDIT));
}

// Tab order runs top to bottom, and left to right in a row (controls side
// by side overlap vertically), and every mnemonic of the page is its own.
TEST_F(PointerPageTest, TabOrderTopToBottomAndMnemonicsUnique)
{
    TSheet Sheet;
    HWND Page = Sheet.ShowPage(PointerPage);
    std::wstring Mnemonics;
    RECT Last = {};
    for (HWND Child = GetWindow(Page, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT))
    {
        wchar_t Text[128] = L"";
        GetWindowTextW(Child, Text, 128);
        if (const wchar_t* Amp = wcschr(Text, L'&'))
        {
            const wchar_t Key = towlower(Amp[1]);
            EXPECT_EQ(std::wstring::npos, Mnemonics.find(Key)) << "mnemonic " << static_cast<char>(Key) << " twice";
            Mnemonics += Key;
        }
        if (!(GetWindowLongW(Child, GWL_STYLE) & WS_TABSTOP))
            continue;
        RECT Rect;
        GetWindowRect(Child, &Rect);
        const bool SameRow = Rect.top < Last.bottom && Last.top < Rect.bottom;
        EXPECT_TRUE(SameRow ? Rect.left > Last.left : Rect.top > Last.top) << "control " << GetDlgCtrlID(Child);
        Last = Rect;
    }
    EXPECT_EQ(L"bhvweuarzs", Mnemonics);
}

// Many sheets (500; 100 in ARM64 Wine) with the page never shown and as many
// with it shown and used: each
// page goes with its sheet (the module is unloadable after every round),
// and no window, handle or memory is left behind.
TEST_F(PointerPageTest, RepeatedSheetsLeaveNothingBehind)
{
    const int Warmup = 25, Rounds = RepeatedUseRounds();
    for (bool Visit : {false, true})
    {
        SCOPED_TRACE(Visit ? "page shown and used" : "page never shown");
        auto UseOnce = [&](int Round) {
            {
                TSheet Sheet;
                if (Visit)
                {
                    Sheet.ShowPage(PointerPage);
                    Sheet.Type(IDC_HOVER_TIME_EDIT, L'x');
                    Sheet.SetText(IDC_DRAG_WIDTH_EDIT, Round % 2 ? L"9" : L"12");
                    Sheet.PressButton(Round % 4 < 2 ? PSBTN_CANCEL : PSBTN_APPLYNOW);
                }
            }
            ASSERT_EQ(S_OK, Pointix().CanUnloadNow()) << "round " << Round;
        };
        for (int Round = 0; Round < Warmup; ++Round)
            UseOnce(Round);
        const SIZE_T BytesBefore = PrivateBytes();
        const int WindowsBefore = ThreadWindows();
        for (int Round = 0; Round < Rounds && !HasFatalFailure(); ++Round)
            UseOnce(Round);
        const SIZE_T BytesAfter = PrivateBytes();
        std::printf("%s, %d rounds: pagefile usage %lu -> %lu bytes (%+ld), windows of the thread %d -> %d\n",
                    Visit ? "shown" : "not shown", Rounds, static_cast<unsigned long>(BytesBefore),
                    static_cast<unsigned long>(BytesAfter), static_cast<long>(BytesAfter) - static_cast<long>(BytesBefore),
                    WindowsBefore, ThreadWindows());
        EXPECT_EQ(WindowsBefore, ThreadWindows());
        // A page object and its two thunks left behind would be at least
        // 8 KiB a round, 4 MiB in all.
        if (!WhyMemoryIsNotBounded())
        {
            EXPECT_LT(static_cast<long>(BytesAfter) - static_cast<long>(BytesBefore), 1024L * 1024L);
        }
    }
    if (WhyMemoryIsNotBounded())
        GTEST_SKIP() << WhyMemoryIsNotBounded();
}
}
