// The page in a real property sheet: what it shows, what each user action
// does to the system and when, the entry guard, and what is left after the
// sheet is gone.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdlib>
#include <vector>

namespace
{
const TMouseSettings Baseline = {4, 4, {6, 10, 1}};

class PageTest : public testing::Test
{
protected:
    void SetUp() override { ResetSettings(Baseline); }
    void TearDown() override { EXPECT_EQ(S_OK, Pointix().CanUnloadNow()) << "an object of the module is still alive"; }

    static int TrackPos(const TSheet& Sheet, int Id) { return static_cast<int>(SendMessageW(Sheet.Item(Id), TBM_GETPOS, 0, 0)); }
    static bool Checked(const TSheet& Sheet) { return IsDlgButtonChecked(Sheet.Page(), IDC_QUAD_CHECK) == BST_CHECKED; }

    TMouseSettingsGuard FGuard;
};

// Settings with the given changes applied to a base.
TMouseSettings With(TMouseSettings Settings, int Height, int Width)
{
    Settings.DblClkHeight = Height;
    Settings.DblClkWidth = Width;
    return Settings;
}

TMouseSettings With(TMouseSettings Settings, TMouse Mouse)
{
    Settings.Mouse = Mouse;
    return Settings;
}

// ----------------------------------------------------------------------
// Initialization

struct TInitCase
{
    TMouseSettings System;
    int Track1, Track2;
    bool Checked;
};

class PageInitTest : public PageTest, public testing::WithParamInterface<TInitCase>
{
};

TEST_P(PageInitTest, ShowsTheSystemValues)
{
    const TInitCase& Case = GetParam();
    ResetSettings(Case.System);
    TSheet Sheet;
    ASSERT_NE(nullptr, Sheet.Page());
    EXPECT_EQ(std::to_wstring(Case.System.DblClkHeight), Sheet.Text(IDC_VERT_EDIT));
    EXPECT_EQ(std::to_wstring(Case.System.DblClkWidth), Sheet.Text(IDC_HORZ_EDIT));
    for (int Id : {IDC_THRESHOLD1_TRACK, IDC_THRESHOLD2_TRACK})
    {
        EXPECT_EQ(0, SendMessageW(Sheet.Item(Id), TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(16, SendMessageW(Sheet.Item(Id), TBM_GETRANGEMAX, 0, 0));
        EXPECT_TRUE(IsWindowVisible(Sheet.Item(Id)));
    }
    EXPECT_EQ(Case.Track1, TrackPos(Sheet, IDC_THRESHOLD1_TRACK));
    EXPECT_EQ(Case.Track2, TrackPos(Sheet, IDC_THRESHOLD2_TRACK));
    EXPECT_EQ(Case.Checked, Checked(Sheet));
    EXPECT_EQ(2, SendMessageW(Sheet.Item(IDC_VERT_EDIT), EM_GETLIMITTEXT, 0, 0));
    EXPECT_EQ(MAKELONG(99, 0), SendMessageW(Sheet.Item(IDC_VERT_UPDOWN), UDM_GETRANGE, 0, 0));
    EXPECT_EQ(MAKELONG(99, 0), SendMessageW(Sheet.Item(IDC_HORZ_UPDOWN), UDM_GETRANGE, 0, 0));
    EXPECT_FALSE(Sheet.ApplyEnabled()) << "the page starts clean";
    EXPECT_EQ(L"Version 1.0.0.0", Sheet.Text(IDC_VERSION_LABEL));
}

INSTANTIATE_TEST_SUITE_P(Values, PageInitTest,
    testing::Values(
        TInitCase{{4, 4, {6, 10, 1}}, 6, 10, false},
        TInitCase{{12, 99, {0, 16, 2}}, 0, 16, true},
        TInitCase{{0, 7, {20, 17, 2}}, 16, 16, true},
        TInitCase{{5, 3, {-3, 2, 0}}, 0, 2, false}));

// A threshold above 16 is shown as 16, a negative one as 0; a cancel after
// a live change of either puts back what the page read.
TEST_F(PageTest, ThresholdsOutsideTheRangeAreShownAtItsEndsAndPutBack)
{
    const TMouseSettings System = With(Baseline, {20, -3, 1});
    const struct
    {
        int Track;
        UINT Key;
        TMouse Live;
    } Rows[] = {
        {IDC_THRESHOLD1_TRACK, VK_LEFT, {15, -3, 1}},
        {IDC_THRESHOLD2_TRACK, VK_RIGHT, {20, 1, 1}},
    };
    for (const auto& Row : Rows)
    {
        ResetSettings(System);
        TSheet Sheet;
        EXPECT_EQ(16, TrackPos(Sheet, IDC_THRESHOLD1_TRACK));
        EXPECT_EQ(0, TrackPos(Sheet, IDC_THRESHOLD2_TRACK));
        Sheet.PressKey(Row.Track, Row.Key);
        EXPECT_EQ(Row.Live, LiveSettings().Mouse);
        Sheet.PressButton(PSBTN_CANCEL);
        EXPECT_EQ(System, LiveSettings());
        EXPECT_EQ(System, StoredSettings());
    }
}

// ----------------------------------------------------------------------
// Untouched page

TEST_F(PageTest, OpeningAndClosingWithoutTouchingWritesNothing)
{
    for (int Button : {PSBTN_CANCEL, PSBTN_OK})
    {
        SCOPED_TRACE(Button == PSBTN_OK ? "OK" : "Cancel");
        TSheet Sheet;
        EXPECT_EQ(L"4", Sheet.Text(IDC_VERT_EDIT)) << "the up-down wrote the edit";
        Sheet.PressButton(Button);
        Sheet.Destroy();
        EXPECT_EQ(Baseline, LiveSettings());
        EXPECT_EQ(Baseline, StoredSettings());
        EXPECT_FALSE(HasLiveOnlyWrites());
    }
}

// ----------------------------------------------------------------------
// Acceleration: live preview, OK, Cancel

struct TAccelCase
{
    const char* Name;
    int Control;      // the trackbar moved with the key, or the check box clicked
    UINT Key;
    TMouse Live;      // expected right after the action
    TMouse Committed; // expected after OK
};

class AccelerationTest : public PageTest, public testing::WithParamInterface<TAccelCase>
{
protected:
    static void Act(TSheet& Sheet, const TAccelCase& Case)
    {
        if (Case.Control == IDC_QUAD_CHECK)
            Sheet.Click(IDC_QUAD_CHECK);
        else
            Sheet.PressKey(Case.Control, Case.Key);
    }
};

TEST_P(AccelerationTest, PreviewsLiveAndCommitsOnOk)
{
    const TAccelCase& Case = GetParam();
    TSheet Sheet;
    Act(Sheet, Case);
    EXPECT_EQ(Case.Live, LiveSettings().Mouse);
    EXPECT_EQ(Baseline, StoredSettings()) << "a live change is not persisted";
    EXPECT_TRUE(HasLiveOnlyWrites());
    EXPECT_TRUE(Sheet.ApplyEnabled());
    Sheet.PressButton(PSBTN_OK);
    EXPECT_EQ(Case.Committed, LiveSettings().Mouse);
    EXPECT_EQ(With(Baseline, Case.Committed), StoredSettings());
}

TEST_P(AccelerationTest, CancelWritesTheOpeningValuesBackUnpersisted)
{
    const TAccelCase& Case = GetParam();
    TSheet Sheet;
    Act(Sheet, Case);
    EXPECT_EQ(Case.Live, LiveSettings().Mouse);
    Sheet.PressButton(PSBTN_CANCEL);
    EXPECT_EQ(Baseline, LiveSettings());
    EXPECT_EQ(Baseline, StoredSettings());
}

TEST_P(AccelerationTest, ChangesNothingWhileAccelerationIsOff)
{
    const TAccelCase& Case = GetParam();
    const TMouseSettings Off = With(Baseline, {6, 10, 0});
    ResetSettings(Off);
    TSheet Sheet;
    Act(Sheet, Case);
    EXPECT_EQ(Off, LiveSettings());
    EXPECT_FALSE(HasLiveOnlyWrites());
    EXPECT_FALSE(Sheet.ApplyEnabled());
    Sheet.PressButton(PSBTN_OK);
    EXPECT_EQ(Off, LiveSettings());
    EXPECT_EQ(Off, StoredSettings());
}

INSTANTIATE_TEST_SUITE_P(Controls, AccelerationTest,
    testing::Values(
        TAccelCase{"Threshold1Right", IDC_THRESHOLD1_TRACK, VK_RIGHT, {7, 10, 1}, {7, 10, 1}},
        TAccelCase{"Threshold1Home", IDC_THRESHOLD1_TRACK, VK_HOME, {0, 10, 1}, {0, 10, 1}},
        TAccelCase{"Threshold2Left", IDC_THRESHOLD2_TRACK, VK_LEFT, {6, 9, 1}, {6, 9, 1}},
        TAccelCase{"Threshold2End", IDC_THRESHOLD2_TRACK, VK_END, {6, 16, 1}, {6, 16, 1}},
        TAccelCase{"QuadCheck", IDC_QUAD_CHECK, 0, {6, 10, 2}, {6, 10, 2}}),
    [](const testing::TestParamInfo<TAccelCase>& Info) { return Info.param.Name; });

TEST_F(PageTest, QuadCheckSwitchesBetweenDoublingAndQuadrupling)
{
    TSheet Sheet;
    Sheet.Click(IDC_QUAD_CHECK);
    EXPECT_EQ(2, LiveSettings().Mouse.Acceleration);
    Sheet.Click(IDC_QUAD_CHECK);
    EXPECT_EQ(1, LiveSettings().Mouse.Acceleration);
    EXPECT_EQ(1, StoredSettings().Mouse.Acceleration);
}

// Another page writes the same triple (Windows' own "Zeigeroptionen"
// does), live, before or after this page's slider move: what it set stays
// through the live change, OK and Cancel; the member moved here is this
// page's, and Cancel puts back only that one.
TEST_F(PageTest, WhatAnotherPageSetStaysSet)
{
    const TMouse Elsewhere = {1, 2, 2};
    const struct
    {
        const char* Name;
        bool WrittenFirst;
        int Button;
        TMouse Live, Stored;  // after the button
    } Rows[] = {
        {"written before the move, OK", true, PSBTN_OK, {7, 2, 2}, {7, 2, 2}},
        {"written after the move, OK", false, PSBTN_OK, {7, 2, 2}, {7, 2, 2}},
        {"written before the move, Cancel", true, PSBTN_CANCEL, {6, 2, 2}, Baseline.Mouse},
    };
    for (const auto& Row : Rows)
    {
        SCOPED_TRACE(Row.Name);
        ResetSettings(Baseline);
        TSheet Sheet;
        TMouse Other = Elsewhere;
        if (Row.WrittenFirst)
            SystemParametersInfoW(SPI_SETMOUSE, 0, &Other, 0);
        Sheet.PressKey(IDC_THRESHOLD1_TRACK, VK_RIGHT);
        if (Row.WrittenFirst)
            EXPECT_EQ((TMouse{7, 2, 2}), LiveSettings().Mouse) << "the live change";
        else
            SystemParametersInfoW(SPI_SETMOUSE, 0, &Other, 0);
        Sheet.PressButton(Row.Button);
        EXPECT_EQ(Row.Live, LiveSettings().Mouse);
        EXPECT_EQ(Row.Stored, StoredSettings().Mouse);
    }
}

// Shown again, the page shows the triple the system has now, but for what
// was changed on it and not yet applied.
TEST_F(PageTest, ShowsTheTripleAgainWhenActiveKeepingItsOwnChanges)
{
    TSheet Sheet;
    Sheet.PressKey(IDC_THRESHOLD2_TRACK, VK_LEFT);
    Sheet.ShowPage(1);
    TMouse Elsewhere = {3, 12, 2};
    SystemParametersInfoW(SPI_SETMOUSE, 0, &Elsewhere, 0);
    Sheet.ShowPage(0);
    EXPECT_EQ(3, TrackPos(Sheet, IDC_THRESHOLD1_TRACK));
    EXPECT_EQ(9, TrackPos(Sheet, IDC_THRESHOLD2_TRACK)) << "moved here, not yet applied";
    EXPECT_TRUE(Checked(Sheet));
    Sheet.PressButton(PSBTN_OK);
    EXPECT_EQ((TMouse{3, 9, 2}), StoredSettings().Mouse);
}

TEST_F(PageTest, ApplyAfterAccelerationWasSwitchedOffElsewhereWritesNoTriple)
{
    TSheet Sheet;
    Sheet.PressKey(IDC_THRESHOLD1_TRACK, VK_RIGHT);
    TMouse Off = {3, 4, 0};
    SystemParametersInfoW(SPI_SETMOUSE, 0, &Off, 0);
    Sheet.PressButton(PSBTN_APPLYNOW);
    EXPECT_EQ(Off, LiveSettings().Mouse);
    EXPECT_EQ(Baseline.Mouse, StoredSettings().Mouse);
    EXPECT_FALSE(Sheet.ApplyEnabled());
    // The bits were cleared: a cancel now writes nothing back.
    Sheet.PressButton(PSBTN_CANCEL);
    EXPECT_EQ(Off, LiveSettings().Mouse);
}

// ----------------------------------------------------------------------
// Double-click tolerance: recorded, written at apply

TEST_F(PageTest, EditChangesAreWrittenOnlyAtApply)
{
    TSheet Sheet;
    Sheet.SetText(IDC_VERT_EDIT, L"12");
    Sheet.ClickUpDown(IDC_HORZ_UPDOWN, true);
    EXPECT_EQ(L"5", Sheet.Text(IDC_HORZ_EDIT)) << "the up arrow raised the width";
    EXPECT_EQ(Baseline, LiveSettings());
    EXPECT_FALSE(HasLiveOnlyWrites());
    EXPECT_TRUE(Sheet.ApplyEnabled());
    Sheet.PressButton(PSBTN_APPLYNOW);
    EXPECT_EQ(With(Baseline, 12, 5), LiveSettings());
    EXPECT_EQ(With(Baseline, 12, 5), StoredSettings());
    EXPECT_FALSE(Sheet.ApplyEnabled());
}

TEST_F(PageTest, UpDownClicksCountAsChanges)
{
    for (bool Up : {true, false})
    {
        ResetSettings(Baseline);
        TSheet Sheet;
        Sheet.ClickUpDown(IDC_VERT_UPDOWN, Up);
        EXPECT_TRUE(Sheet.ApplyEnabled());
        Sheet.PressButton(PSBTN_OK);
        EXPECT_EQ(With(Baseline, Up ? 5 : 3, 4), StoredSettings());
    }
}

TEST_F(PageTest, CancelAfterApplyRestoresTheOpeningValuesOfWhatChangedSince)
{
    TSheet Sheet;
    Sheet.SetText(IDC_VERT_EDIT, L"12");
    Sheet.PressButton(PSBTN_APPLYNOW);
    Sheet.SetText(IDC_VERT_EDIT, L"20");
    Sheet.PressKey(IDC_THRESHOLD2_TRACK, VK_LEFT);
    Sheet.PressButton(PSBTN_APPLYNOW);  // applies 20 and the threshold
    Sheet.SetText(IDC_HORZ_EDIT, L"30");
    Sheet.SetText(IDC_VERT_EDIT, L"25");
    Sheet.PressButton(PSBTN_CANCEL);
    // Height changed after the last apply: back to the opening value, not
    // to the applied one, and only live. Width too gets its opening value.
    EXPECT_EQ(With(With(Baseline, {6, 9, 1}), 4, 4), LiveSettings());
    EXPECT_EQ(With(With(Baseline, {6, 9, 1}), 20, 4), StoredSettings());
}

TEST_F(PageTest, SecondApplyWithoutChangesWritesNothing)
{
    TSheet Sheet;
    Sheet.SetText(IDC_VERT_EDIT, L"12");
    Sheet.PressKey(IDC_THRESHOLD1_TRACK, VK_RIGHT);
    Sheet.PressButton(PSBTN_APPLYNOW);
    const TMouseSettings Elsewhere = {30, 31, {2, 3, 2}};
    ResetSettings(Elsewhere);
    Sheet.PressButton(PSBTN_APPLYNOW);
    Sheet.PressButton(PSBTN_OK);
    EXPECT_EQ(Elsewhere, LiveSettings());
    EXPECT_EQ(Elsewhere, StoredSettings());
}

// ----------------------------------------------------------------------
// A write the system does not take is named, and stays changed

namespace
{
// In place of the module's SystemParametersInfoW: a persisted write of the
// refused action fails and changes nothing; every other call reaches the
// system. Wine takes all of these writes, so none fails for real.
UINT RefusedAction;
decltype(&SystemParametersInfoW) SystemCall;

BOOL WINAPI RefusingSystemParametersInfo(UINT Action, UINT uiParam, PVOID pvParam, UINT fWinIni)
{
    if (Action == RefusedAction && (fWinIni & SPIF_UPDATEINIFILE))
        return FALSE;
    return SystemCall(Action, uiParam, pvParam, fWinIni);
}

struct TRefusedWrite
{
    const char* Name;
    UINT Action;
    const char* Label;  // as the message names the setting
    void (*Changes)(TSheet&);  // the refused one, and one the system takes
    int Button;                // that applies them
    TMouseSettings AfterRefusal, AfterRetry;  // stored
    bool ThenCancel;
};

void NewHeightAndWidth(TSheet& Sheet)
{
    Sheet.SetText(IDC_VERT_EDIT, L"17");
    Sheet.SetText(IDC_HORZ_EDIT, L"9");
}

void NewHeightAndThreshold(TSheet& Sheet)
{
    Sheet.SetText(IDC_VERT_EDIT, L"12");
    Sheet.PressKey(IDC_THRESHOLD1_TRACK, VK_RIGHT);
}

const TRefusedWrite RefusedWrites[] = {
    {"Height", SPI_SETDOUBLECLKHEIGHT, "Vertikal", NewHeightAndWidth, PSBTN_APPLYNOW, With(Baseline, 4, 9),
     With(Baseline, 17, 9), false},
    {"Width", SPI_SETDOUBLECLKWIDTH, "Horizontal", NewHeightAndWidth, PSBTN_OK, With(Baseline, 17, 4),
     With(Baseline, 17, 9), false},
    {"Acceleration", SPI_SETMOUSE, "Beschleunigung", NewHeightAndThreshold, PSBTN_APPLYNOW, With(Baseline, 12, 4),
     With(With(Baseline, 12, 4), {7, 10, 1}), false},
    {"AccelerationThenCancel", SPI_SETMOUSE, "Beschleunigung", NewHeightAndThreshold, PSBTN_OK, With(Baseline, 12, 4),
     With(Baseline, 12, 4), true},
};

void PrintTo(const TRefusedWrite& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class RefusedWriteTest : public PageTest, public testing::WithParamInterface<TRefusedWrite>
{
};
}

// The user is told which setting was not taken, the sheet stays open (also
// after OK) and changed, what could be written was; Apply then writes the
// rest, and Cancel puts back what the page found.
TEST_P(RefusedWriteTest, IsNamedAndStaysChanged)
{
    const TRefusedWrite& Case = GetParam();
    TSheet Sheet;
    Case.Changes(Sheet);
    {
        TImportPatch Patch(Pointix().Module, "USER32.dll", "SystemParametersInfoW",
                           reinterpret_cast<void*>(&RefusingSystemParametersInfo));
        ASSERT_NE(nullptr, Patch.Original()) << "the module imports SystemParametersInfoW";
        SystemCall = reinterpret_cast<decltype(SystemCall)>(Patch.Original());
        RefusedAction = Case.Action;
        const TSeenBox Box = CatchMessageBox([&] { Sheet.PressButton(Case.Button); });
        ASSERT_TRUE(Box.Found) << "no message";
        EXPECT_TRUE(IsWindow(Sheet.Window())) << "the sheet stays open";
        EXPECT_EQ(L"Eigenschaften von Maus", Box.Caption);
        EXPECT_EQ(Widen("Diese Einstellungen konnten nicht geändert werden:\r\n\r\n") + Widen(Case.Label), Box.Text);
        EXPECT_EQ(Sheet.Window(), Box.Owner);
        EXPECT_TRUE(Sheet.ApplyEnabled()) << "the page stays changed";
        EXPECT_EQ(Case.AfterRefusal, StoredSettings()) << "what could be written was";
    }
    if (Case.ThenCancel)
    {
        Sheet.PressButton(PSBTN_CANCEL);
        EXPECT_EQ(Baseline.Mouse, LiveSettings().Mouse) << "the live change is taken back";
    }
    else
    {
        const TSeenBox Box = CatchMessageBox([&] { Sheet.PressButton(PSBTN_APPLYNOW); });
        EXPECT_FALSE(Box.Found) << Box.Text.c_str();
        EXPECT_FALSE(Sheet.ApplyEnabled());
    }
    EXPECT_EQ(Case.AfterRetry, StoredSettings());
}

INSTANTIATE_TEST_SUITE_P(Writes, RefusedWriteTest, testing::ValuesIn(RefusedWrites),
    [](const testing::TestParamInfo<TRefusedWrite>& Info) { return std::string(Info.param.Name); });

// ----------------------------------------------------------------------
// A field may not stay empty

TEST_F(PageTest, CuttingTheWholeFieldPutsTheTextBackAndMarksItChanged)
{
    ResetSettings(With(Baseline, 9, 4));
    TSheet Sheet;
    SendMessageW(Sheet.Item(IDC_VERT_EDIT), EM_SETSEL, 0, -1);
    SendMessageW(Sheet.Item(IDC_VERT_EDIT), WM_CUT, 0, 0);
    EXPECT_EQ(L"9", Sheet.Text(IDC_VERT_EDIT));
    EXPECT_TRUE(Sheet.ApplyEnabled());
    Sheet.PressButton(PSBTN_OK);
    EXPECT_EQ(With(Baseline, 9, 4), StoredSettings());
}

// An edit whose undo has nothing to give back, put in front of the page's
// own subclass.
WNDPROC PageEditProc;
LRESULT CALLBACK NothingToUndo(HWND Window, UINT Message, WPARAM wParam, LPARAM lParam)
{
    if (Message == WM_UNDO)
        return 0;
    return CallWindowProcW(PageEditProc, Window, Message, wParam, lParam);
}

TEST_F(PageTest, EmptiedFieldWithoutUndoBecomesFour)
{
    ResetSettings(With(Baseline, 9, 7));
    TSheet Sheet;
    HWND Edit = Sheet.Item(IDC_HORZ_EDIT);
    PageEditProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(Edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NothingToUndo)));
    SendMessageW(Edit, EM_SETSEL, 0, -1);
    SendMessageW(Edit, WM_CUT, 0, 0);
    EXPECT_EQ(L"4", Sheet.Text(IDC_HORZ_EDIT));
    EXPECT_TRUE(Sheet.ApplyEnabled());
    SetWindowLongPtrW(Edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PageEditProc));
    Sheet.PressButton(PSBTN_OK);
    EXPECT_EQ(With(Baseline, 9, 4), StoredSettings());
}
}  // namespace
