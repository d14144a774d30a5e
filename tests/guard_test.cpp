// The numeric entry guard: the balloon tip for refused keystrokes, and the
// paste and clear checks.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
HWND Balloon(const TSheet& Sheet)
{
    std::vector<HWND> Found = Balloons(Sheet);
    EXPECT_LE(Found.size(), 1u) << "one balloon serves both fields";
    return Found.empty() ? nullptr : Found[0];
}

bool BalloonVisible(const TSheet& Sheet)
{
    HWND Window = Balloon(Sheet);
    return Window && IsWindowVisible(Window);
}

// What the page tells its balloon. Wine 8's tooltip does not answer
// TTM_GETTITLE, so the title is taken from the message that sets it.
struct TBalloonMessages
{
    std::wstring Title;
    WPARAM Icon;
    int TitleCount;
    LPARAM Position;
};
TBalloonMessages Told;

LRESULT CALLBACK WatchBalloon(int Code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* Message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (Code == HC_ACTION && Message->message == TTM_SETTITLEW)
    {
        Told.Title = reinterpret_cast<const wchar_t*>(Message->lParam);
        Told.Icon = Message->wParam;
        ++Told.TitleCount;
    }
    else if (Code == HC_ACTION && Message->message == TTM_TRACKPOSITION)
        Told.Position = Message->lParam;
    return CallNextHookEx(nullptr, Code, wParam, lParam);
}

class GuardTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetSettings({12, 34, {6, 10, 1}});
        Told = TBalloonMessages{};
        FHook = SetWindowsHookExW(WH_CALLWNDPROC, WatchBalloon, nullptr, GetCurrentThreadId());
        ASSERT_NE(nullptr, FHook);
    }
    void TearDown() override { UnhookWindowsHookEx(FHook); }

    // Where the balloon's stem must point: the caret of the edit, at half
    // the height of the field the balloon was made for.
    static POINT StemFor(HWND Edit, HWND FirstEdit)
    {
        POINT Caret = {0, 0};
        GetCaretPos(&Caret);
        RECT Field;
        GetClientRect(FirstEdit, &Field);
        Caret.y += Field.bottom / 2;
        ClientToScreen(Edit, &Caret);
        return Caret;
    }

    TMouseSettingsGuard FGuard;
    HHOOK FHook = nullptr;
};
}

TEST_F(GuardTest, RefusedCharacterShowsTheBalloonAtTheCaret)
{
    TSheet Sheet;
    EXPECT_EQ(nullptr, Balloon(Sheet)) << "no balloon before the first refused character";
    Sheet.Type(IDC_VERT_EDIT, L'a');
    HWND Window = Balloon(Sheet);
    ASSERT_NE(nullptr, Window);
    EXPECT_TRUE(IsWindowVisible(Window));
    EXPECT_EQ(L"12", Sheet.Text(IDC_VERT_EDIT)) << "the letter does not go in";
    EXPECT_TRUE(GetWindowLongW(Window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP),
              GetWindowLongW(Window, GWL_STYLE) & (WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP));

    EXPECT_EQ(Widen("Unzulässiges Zeichen"), Told.Title);
    EXPECT_EQ(static_cast<WPARAM>(TTI_ERROR), Told.Icon);

    wchar_t Text[100] = L"";
    TOOLINFOW Tool = {};
    Tool.cbSize = sizeof(Tool);
    ASSERT_TRUE(SendMessageW(Window, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&Tool)));
    EXPECT_EQ(Sheet.Item(IDC_VERT_EDIT), Tool.hwnd);
    EXPECT_EQ(0u, Tool.uId);
    EXPECT_TRUE(Tool.uFlags & TTF_TRACK);
    Tool.lpszText = Text;
    SendMessageW(Window, TTM_GETTEXTW, 100, reinterpret_cast<LPARAM>(&Tool));
    EXPECT_EQ(Widen("Sie können hier nur Zahlen eingeben."), std::wstring(Text));

    const POINT Stem = StemFor(Sheet.Item(IDC_VERT_EDIT), Sheet.Item(IDC_VERT_EDIT));
    EXPECT_EQ(MAKELONG(Stem.x, Stem.y), Told.Position);

    // Shown again: moved to the caret, the title is not set twice.
    SendMessageW(Sheet.Item(IDC_VERT_EDIT), EM_SETSEL, 0, 0);
    Sheet.Type(IDC_VERT_EDIT, L'b');
    const POINT Moved = StemFor(Sheet.Item(IDC_VERT_EDIT), Sheet.Item(IDC_VERT_EDIT));
    EXPECT_EQ(MAKELONG(Moved.x, Moved.y), Told.Position);
    EXPECT_NE(Stem.x, Moved.x);
    EXPECT_EQ(1, Told.TitleCount);
}

TEST_F(GuardTest, BalloonHidesOnDigitTabAndFocusChange)
{
    struct
    {
        const char* Name;
        wchar_t Char;  // 0: move the focus instead
        bool Hides;
    } Cases[] = {
        {"digit", L'5', true},
        {"tab", L'\t', true},
        {"focus change", 0, true},
        {"digit in the low byte", 0x0131, true},
        {"tab in the low byte", 0x0109, true},
        {"letter", L'x', false},
        {"letter in the low byte over a digit high byte", 0x3141, false},
        {"backspace with nothing to delete", L'\b', false},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.Name);
        TSheet Sheet;
        Sheet.Type(IDC_VERT_EDIT, L'a');
        ASSERT_TRUE(BalloonVisible(Sheet));
        SendMessageW(Sheet.Item(IDC_VERT_EDIT), EM_SETSEL, 0, 0);
        if (Case.Char)
            Sheet.Type(IDC_VERT_EDIT, Case.Char);
        else
            SetFocus(Sheet.Item(IDC_THRESHOLD1_TRACK));
        EXPECT_EQ(!Case.Hides, BalloonVisible(Sheet));
    }
}

TEST_F(GuardTest, NoBalloonForDigitsAndTab)
{
    TSheet Sheet;
    for (wchar_t Char : {L'0', L'9', L'\t', static_cast<wchar_t>(0xFF37)})
        Sheet.Type(IDC_HORZ_EDIT, Char);
    EXPECT_FALSE(BalloonVisible(Sheet));
}

TEST_F(GuardTest, BackspaceThatDeletesShowsTheBalloonAndTheChangeHidesIt)
{
    TSheet Sheet;
    SendMessageW(Sheet.Item(IDC_VERT_EDIT), EM_SETSEL, 2, 2);
    Sheet.Type(IDC_VERT_EDIT, L'\b');
    EXPECT_EQ(L"1", Sheet.Text(IDC_VERT_EDIT));
    ASSERT_NE(nullptr, Balloon(Sheet)) << "the backspace made the balloon";
    EXPECT_FALSE(BalloonVisible(Sheet)) << "the edit change hid it again";
}

TEST_F(GuardTest, OneBalloonServesBothFields)
{
    TSheet Sheet;
    Sheet.Type(IDC_HORZ_EDIT, L'x');
    HWND First = Balloon(Sheet);
    ASSERT_NE(nullptr, First);
    Sheet.Type(IDC_VERT_EDIT, L'y');
    EXPECT_EQ(First, Balloon(Sheet));
    EXPECT_TRUE(IsWindowVisible(First));
    const POINT Stem = StemFor(Sheet.Item(IDC_VERT_EDIT), Sheet.Item(IDC_HORZ_EDIT));
    EXPECT_EQ(MAKELONG(Stem.x, Stem.y), Told.Position) << "it moved to the caret of the other field";
    EXPECT_EQ(1, Told.TitleCount);
    TOOLINFOW Tool = {};
    Tool.cbSize = sizeof(Tool);
    ASSERT_TRUE(SendMessageW(First, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&Tool)));
    EXPECT_EQ(Sheet.Item(IDC_HORZ_EDIT), Tool.hwnd) << "the tool stays that of the first field";
}

TEST_F(GuardTest, PasteLetsOnlyLeadingDigitsIn)
{
    const struct
    {
        const wchar_t* Clipboard;  // null: no text on the clipboard
        const wchar_t* Result;
    } Cases[] = {
        {L"7", L"7"},
        {L"12", L"12"},
        {L"123", L"12"},
        {L"1a", L"34"},
        {L"a1", L"34"},
        {L" 1", L"34"},
        {L"", L"34"},
        {L"\x0661\x0662", L"34"},
        {nullptr, L"34"},
    };
    TSheet Sheet;
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(testing::Message() << "clipboard " << (Case.Clipboard ? Case.Clipboard : L"(no text)"));
        SetWindowTextW(Sheet.Item(IDC_HORZ_EDIT), L"34");
        SetClipboardText(Case.Clipboard);
        SendMessageW(Sheet.Item(IDC_HORZ_EDIT), EM_SETSEL, 0, -1);
        SendMessageW(Sheet.Item(IDC_HORZ_EDIT), WM_PASTE, 0, 0);
        EXPECT_EQ(std::wstring(Case.Result), Sheet.Text(IDC_HORZ_EDIT));
        // The clipboard is given back after every paste.
        EXPECT_TRUE(OpenClipboard(nullptr));
        CloseClipboard();
    }
}

TEST_F(GuardTest, ClearRefusesToEmptyTheWholeField)
{
    TSheet Sheet;
    HWND Edit = Sheet.Item(IDC_VERT_EDIT);
    SendMessageW(Edit, EM_SETSEL, 0, -1);
    SendMessageW(Edit, WM_CLEAR, 0, 0);
    EXPECT_EQ(L"12", Sheet.Text(IDC_VERT_EDIT));
    EXPECT_FALSE(Sheet.ApplyEnabled());
    SendMessageW(Edit, EM_SETSEL, 0, 1);
    SendMessageW(Edit, WM_CLEAR, 0, 0);
    EXPECT_EQ(L"2", Sheet.Text(IDC_VERT_EDIT));
    EXPECT_TRUE(Sheet.ApplyEnabled());
}
