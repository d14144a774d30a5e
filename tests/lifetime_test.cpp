// What the page leaves behind when its sheet is gone, over one and over
// many lifetimes, and the acceleration controls per Windows version.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
// Watches the page's edits: their window procedures when the page is
// initialized (before it subclasses them) and when they are destroyed.
struct TEditWatch
{
    WNDPROC AtInit[2];
    WNDPROC AtDestroy[2];
};
TEditWatch Watch;

LRESULT CALLBACK WatchMessages(int Code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* Message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (Code == HC_ACTION)
    {
        if (Message->message == WM_INITDIALOG && GetDlgItem(Message->hwnd, IDC_VERSION_LABEL))
        {
            Watch.AtInit[0] = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(GetDlgItem(Message->hwnd, IDC_VERT_EDIT), GWLP_WNDPROC));
            Watch.AtInit[1] = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(GetDlgItem(Message->hwnd, IDC_HORZ_EDIT), GWLP_WNDPROC));
        }
        else if (Message->message == WM_DESTROY)
        {
            const int Id = GetDlgCtrlID(Message->hwnd);
            if (Id == IDC_VERT_EDIT || Id == IDC_HORZ_EDIT)
                Watch.AtDestroy[Id == IDC_HORZ_EDIT] = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Message->hwnd, GWLP_WNDPROC));
        }
    }
    return CallNextHookEx(nullptr, Code, wParam, lParam);
}

// A popup made for a child window is owned by its top-level ancestor.
HWND FindBalloon(HWND Page)
{
    HWND Owner = GetAncestor(Page, GA_ROOT);
    for (HWND Window = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); Window;
         Window = FindWindowExW(nullptr, Window, TOOLTIPS_CLASSW, nullptr))
        if (GetWindow(Window, GW_OWNER) == Owner)
            return Window;
    return nullptr;
}

DWORD BlockState(void* Address)
{
    MEMORY_BASIC_INFORMATION Info = {};
    VirtualQuery(Address, &Info, sizeof(Info));
    return Info.State;
}

// Holds the message watch for its scope.
class TWatchHook
{
public:
    TWatchHook() : FHook(SetWindowsHookExW(WH_CALLWNDPROC, WatchMessages, nullptr, GetCurrentThreadId())) { Watch = TEditWatch{}; }
    ~TWatchHook() { UnhookWindowsHookEx(FHook); }
    bool Installed() const { return FHook != nullptr; }

private:
    HHOOK FHook;
};

class LifetimeTest : public testing::Test
{
protected:
    void SetUp() override { ResetSettings({4, 4, {6, 10, 1}}); }
    TMouseSettingsGuard FGuard;
};
}

TEST_F(LifetimeTest, DestroyedSheetLeavesNothingBehind)
{
    IShellPropSheetExt* Extension = nullptr;
    void* DialogThunk = nullptr;
    void* EditThunk = nullptr;
    {
        TWatchHook Hook;
        ASSERT_TRUE(Hook.Installed());
        TSheet Sheet;
        ASSERT_NE(nullptr, Sheet.Page());
        Extension = Sheet.Extension();
        Extension->AddRef();
        EXPECT_EQ(3u, RefCount(Extension)) << "the host's, ours and the page's";

        HFONT LinkFont = reinterpret_cast<HFONT>(SendMessageW(Sheet.Item(IDC_LINK_LABEL), WM_GETFONT, 0, 0));
        ASSERT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(LinkFont));
        LOGFONTW Description = {};
        GetObjectW(LinkFont, sizeof(Description), &Description);
        EXPECT_TRUE(Description.lfUnderline);

        Sheet.Type(IDC_VERT_EDIT, L'q');
        HWND Balloon = FindBalloon(Sheet.Page());
        ASSERT_NE(nullptr, Balloon);

        DialogThunk = reinterpret_cast<void*>(GetWindowLongPtrW(Sheet.Page(), DWLP_DLGPROC));
        EditThunk = reinterpret_cast<void*>(GetWindowLongPtrW(Sheet.Item(IDC_VERT_EDIT), GWLP_WNDPROC));
        EXPECT_EQ(EditThunk, reinterpret_cast<void*>(GetWindowLongPtrW(Sheet.Item(IDC_HORZ_EDIT), GWLP_WNDPROC)))
            << "one thunk serves both edits";
        ASSERT_NE(nullptr, Watch.AtInit[0]);
        EXPECT_NE(reinterpret_cast<void*>(Watch.AtInit[0]), EditThunk);
        EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), BlockState(DialogThunk));
        EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), BlockState(EditThunk));

        Sheet.Destroy();
        EXPECT_EQ(0u, GetObjectType(LinkFont)) << "the link font was deleted";
        EXPECT_FALSE(IsWindow(Balloon)) << "the balloon was destroyed";
        EXPECT_EQ(Watch.AtInit[0], Watch.AtDestroy[0]) << "vertical edit got its own procedure back";
        EXPECT_EQ(Watch.AtInit[1], Watch.AtDestroy[1]) << "horizontal edit got its own procedure back";
        EXPECT_EQ(2u, RefCount(Extension)) << "the page dropped its reference";
    }
    EXPECT_EQ(S_FALSE, Pointix().CanUnloadNow());
    EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), BlockState(DialogThunk)) << "the object still owns its thunks";
    EXPECT_EQ(0u, Extension->Release());
    EXPECT_EQ(S_OK, Pointix().CanUnloadNow());
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), BlockState(DialogThunk));
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), BlockState(EditThunk));
}

namespace
{
BOOL CALLBACK CollectPage(HPROPSHEETPAGE Page, LPARAM lParam)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(lParam)->push_back(Page);
    return TRUE;
}
}

// A host that asks twice gets a second "Einstellungen" that runs on the same
// pair of thunks, which the object gives back once. (The two other pages
// come after each, as pages of their own.)
TEST_F(LifetimeTest, SecondAddPagesServesBothPagesWithOneThunkPair)
{
    IShellPropSheetExt* Extension = NewExtension();
    ASSERT_NE(nullptr, Extension);
    std::vector<HPROPSHEETPAGE> Pages;
    ASSERT_EQ(S_OK, Extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&Pages)));
    ASSERT_EQ(S_OK, Extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&Pages)));
    ASSERT_EQ(6u, Pages.size());
    EXPECT_EQ(3u, RefCount(Extension));

    HWND Sheet = OpenSheet(Pages);
    ASSERT_NE(nullptr, Sheet);
    void* Thunks[2] = {};
    for (int Index : {0, 1})
    {
        PropSheet_SetCurSel(Sheet, nullptr, Index * 3);
        Thunks[Index] = reinterpret_cast<void*>(GetWindowLongPtrW(PropSheet_GetCurrentPageHwnd(Sheet), DWLP_DLGPROC));
    }
    ASSERT_NE(nullptr, Thunks[0]);
    EXPECT_EQ(Thunks[0], Thunks[1]);
    DestroyWindow(Sheet);
    TSheet::Pump();
    EXPECT_EQ(1u, RefCount(Extension)) << "both pages dropped their references";
    EXPECT_EQ(0u, Extension->Release());
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), BlockState(Thunks[0]));
}

// Inside the Mouse control panel, whose own pages come first, the sheet
// is often closed without "Einstellungen" ever shown: the page lets go of
// the object all the same, and the module can be unloaded.
TEST_F(LifetimeTest, PageNeverShownLetsTheModuleUnload)
{
    IShellPropSheetExt* Extension = NewExtension();
    ASSERT_NE(nullptr, Extension);
    std::vector<HPROPSHEETPAGE> Pages;
    ASSERT_EQ(S_OK, Extension->AddPages(CollectPage, reinterpret_cast<LPARAM>(&Pages)));
    HWND Sheet = OpenSheet(Pages, 1);
    ASSERT_NE(nullptr, Sheet);
    EXPECT_EQ(nullptr, PropSheet_IndexToHwnd(Sheet, 0)) << "the sheet opened on the second page";
    EXPECT_EQ(1u, Extension->Release()) << "the page holds the object";
    DestroyWindow(Sheet);
    TSheet::Pump();
    EXPECT_EQ(S_OK, Pointix().CanUnloadNow());
}

TEST_F(LifetimeTest, HostReleasingFirstLeavesThePageWorking)
{
    TSheet Sheet;
    ASSERT_NE(nullptr, Sheet.Page());
    IShellPropSheetExt* Extension = Sheet.Extension();
    EXPECT_EQ(1u, Extension->Release()) << "the page still holds the object";
    Sheet.PressKey(IDC_THRESHOLD1_TRACK, VK_RIGHT);
    EXPECT_EQ(7, LiveSettings().Mouse.Threshold1);
    Sheet.PressButton(PSBTN_CANCEL);
    EXPECT_EQ(6, LiveSettings().Mouse.Threshold1);
    Extension->AddRef();  // given back by the sheet's own Release
}

TEST_F(LifetimeTest, RepeatedUseLeaksNothing)
{
    const int Warmup = 25, Rounds = RepeatedUseRounds();
    auto UseOnce = [](int Round) {
        TSheet Sheet;
        ASSERT_NE(nullptr, Sheet.Page());
        HFONT LinkFont = reinterpret_cast<HFONT>(SendMessageW(Sheet.Item(IDC_LINK_LABEL), WM_GETFONT, 0, 0));
        Sheet.Type(IDC_VERT_EDIT, L'z');
        HWND Balloon = FindBalloon(Sheet.Page());
        Sheet.SetText(IDC_HORZ_EDIT, L"9");
        Sheet.PressKey(IDC_THRESHOLD1_TRACK, VK_RIGHT);
        Sheet.PressButton(Round % 2 ? PSBTN_CANCEL : PSBTN_APPLYNOW);
        Sheet.Destroy();
        ASSERT_EQ(0u, GetObjectType(LinkFont)) << "round " << Round;
        ASSERT_FALSE(IsWindow(Balloon)) << "round " << Round;
    };
    for (int Round = 0; Round < Warmup; ++Round)
        UseOnce(Round);
    ResetSettings({4, 4, {6, 10, 1}});
    const SIZE_T BytesBefore = PrivateBytes();
    const int WindowsBefore = ThreadWindows();
    for (int Round = 0; Round < Rounds && !HasFatalFailure(); ++Round)
    {
        UseOnce(Round);
        if (Round % 50 == 49)
            ResetSettings({4, 4, {6, 10, 1}});
    }
    const SIZE_T BytesAfter = PrivateBytes();
    const int WindowsAfter = ThreadWindows();
    std::printf("after %d rounds: pagefile usage %lu -> %lu bytes (%+ld), windows of the thread %d -> %d\n", Rounds,
                static_cast<unsigned long>(BytesBefore), static_cast<unsigned long>(BytesAfter),
                static_cast<long>(BytesAfter) - static_cast<long>(BytesBefore), WindowsBefore, WindowsAfter);
    EXPECT_EQ(WindowsBefore, WindowsAfter);
    EXPECT_EQ(S_OK, Pointix().CanUnloadNow());
    if (WhyMemoryIsNotBounded())
        GTEST_SKIP() << WhyMemoryIsNotBounded();
    // A lost thunk pair alone would be 8 KiB a round, 4 MiB in all.
    EXPECT_LT(static_cast<long>(BytesAfter) - static_cast<long>(BytesBefore), 1024L * 1024L);
}

// ----------------------------------------------------------------------
// The acceleration settings exist from Windows NT 5.1 on, the acceleration
// curve from NT 6.1. Wine reports the Windows version it is told to for a
// program, so each version runs in a copy of this program that Wine takes
// for that version.

namespace
{
const int AccelerationControls[] = {
    IDC_ACCEL_GROUP, IDC_THRESHOLD1_TRACK, IDC_THRESHOLD2_TRACK, IDC_QUAD_CHECK,
    IDC_THRESHOLD1_LABEL, IDC_THRESHOLD2_LABEL, IDC_THRESHOLD1_FAST, IDC_THRESHOLD1_SLOW,
    IDC_THRESHOLD2_FAST, IDC_THRESHOLD2_SLOW,
};
const char ExpectVariable[] = "POINTIX_EXPECT_ACCELERATION";
}

// Disabled, so that only the copies run it.
TEST(AccelerationVisibility, DISABLED_InThisProcess)
{
    const char* Expect = std::getenv(ExpectVariable);
    ASSERT_NE(nullptr, Expect) << "runs in a copy of the program started with a Windows version";
    const bool Shown = Expect[0] == '1';
    TMouseSettingsGuard Guard;
    ResetSettings({4, 4, {6, 10, 2}});
    TSheet Sheet;
    ASSERT_NE(nullptr, Sheet.Page());
    EXPECT_EQ(std::atoi(Expect + 2), TabCtrl_GetItemCount(PropSheet_GetTabControl(Sheet.Window())));
    for (int Id : AccelerationControls)
        EXPECT_EQ(Shown, IsWindowVisible(Sheet.Item(Id)) != FALSE) << "control " << Id;
    for (int Id : {IDC_VERT_EDIT, IDC_HORZ_EDIT, IDC_LINK_LABEL, IDC_VERSION_LABEL})
        EXPECT_TRUE(IsWindowVisible(Sheet.Item(Id))) << "control " << Id;
    EXPECT_EQ(L"4", Sheet.Text(IDC_VERT_EDIT));
    if (Shown)
    {
        EXPECT_EQ(16, SendMessageW(Sheet.Item(IDC_THRESHOLD1_TRACK), TBM_GETRANGEMAX, 0, 0));
        EXPECT_EQ(6, SendMessageW(Sheet.Item(IDC_THRESHOLD1_TRACK), TBM_GETPOS, 0, 0));
        EXPECT_EQ(static_cast<UINT>(BST_CHECKED), IsDlgButtonChecked(Sheet.Page(), IDC_QUAD_CHECK));
    }
    else
    {
        // Nothing was read: no range, no position, no tick.
        EXPECT_NE(16, SendMessageW(Sheet.Item(IDC_THRESHOLD1_TRACK), TBM_GETRANGEMAX, 0, 0));
        EXPECT_EQ(0, SendMessageW(Sheet.Item(IDC_THRESHOLD1_TRACK), TBM_GETPOS, 0, 0));
        EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), IsDlgButtonChecked(Sheet.Page(), IDC_QUAD_CHECK));
    }
    Sheet.PressButton(PSBTN_CANCEL);
}

TEST(AccelerationVisibility, FollowsTheWindowsVersion)
{
    const struct
    {
        const wchar_t* Version;  // as Wine names it
        const char* Expect;      // acceleration shown, and the number of pages
    } Cases[] = {
        {L"win98", "0 2"},  // not NT
        {L"nt40", "0 2"},
        {L"win2k", "0 2"},  // NT 5.0
        {L"winxp", "1 2"},  // NT 5.1
        {L"vista", "1 2"},  // NT 6.0
        {L"win7", "1 3"},   // NT 6.1: the acceleration curve
        {L"win10", "1 3"},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(testing::Message() << Case.Version);
        SetEnvironmentVariableA(ExpectVariable, Case.Expect);
        std::string Output;
        EXPECT_EQ(0u, RunAsWindowsVersion(Case.Version, L"--gtest_also_run_disabled_tests --gtest_filter=AccelerationVisibility.DISABLED_InThisProcess", Output)) << Output;
        SetEnvironmentVariableA(ExpectVariable, nullptr);
    }
}
