// The three pages without a mouse: Tab reaches every control that takes
// input, in the order the eye reads them, and each has a name that says
// what it sets, by the rule a screen reader's names come from.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Every control that takes input, page by page in visual order: whether
// Tab stops at it, and the name it must get, its own text or its caption
// (null for the graph, whose text describes the curve).
const struct
{
    int Page, Id;
    bool Tab;
    const char* Name;
} InputControls[] = {
    {0, IDC_VERT_EDIT, true, "Vertikal:"},
    {0, IDC_VERT_UPDOWN, false, "Vertikal:"},
    {0, IDC_HORZ_EDIT, true, "Horizontal:"},
    {0, IDC_HORZ_UPDOWN, false, "Horizontal:"},
    {0, IDC_THRESHOLD1_TRACK, true, "Empfindlichkeit für doppelte Beschleunigung:"},
    {0, IDC_QUAD_CHECK, true, "Vierfache Geschwindigkeit aktivieren"},
    {0, IDC_THRESHOLD2_TRACK, true, "Empfindlichkeit für vierfache Beschleunigung:"},
    {0, IDC_LINK_LABEL, true, "© 2026 Pointix-Projekt"},
    {1, IDC_DRAG_WIDTH_EDIT, true, "Breite:"},
    {1, IDC_DRAG_WIDTH_UPDOWN, false, "Breite:"},
    {1, IDC_DRAG_HEIGHT_EDIT, true, "Höhe:"},
    {1, IDC_DRAG_HEIGHT_UPDOWN, false, "Höhe:"},
    {1, IDC_HOVER_TIME_EDIT, true, "Verweildauer (ms):"},
    {1, IDC_HOVER_TIME_UPDOWN, false, "Verweildauer (ms):"},
    {1, IDC_HOVER_WIDTH_EDIT, true, "Bereich waagerecht:"},
    {1, IDC_HOVER_WIDTH_UPDOWN, false, "Bereich waagerecht:"},
    {1, IDC_HOVER_HEIGHT_EDIT, true, "Bereich senkrecht:"},
    {1, IDC_HOVER_HEIGHT_UPDOWN, false, "Bereich senkrecht:"},
    {1, IDC_MENU_DELAY_EDIT, true, "Untermenüs öffnen nach (ms):"},
    {1, IDC_MENU_DELAY_UPDOWN, false, "Untermenüs öffnen nach (ms):"},
    {1, IDC_TRACKING_CHECK, true, "Fenster aktivieren, auf das der Mauszeiger zeigt"},
    {1, IDC_TRACKING_ZORDER_CHECK, true, "Aktiviertes Fenster in den Vordergrund holen"},
    {1, IDC_TRACKING_DELAY_EDIT, true, "Verzögerung (ms):"},
    {1, IDC_TRACKING_DELAY_UPDOWN, false, "Verzögerung (ms):"},
    {1, IDC_DEFAULTS_BUTTON, true, "Standardwerte"},
    {2, IDC_CURVE_PRESET, true, "Vorlage:"},
    {2, IDC_CURVE_SCALE, true, "Skalierung der Anzeige:"},
    {2, IDC_CURVE_GRAPH, true, nullptr},
    {2, IDC_CURVE_POINT, true, "Punkt:"},
    {2, IDC_CURVE_COUNTS_EDIT, true, "Zählimpulse:"},
    {2, IDC_CURVE_FACTOR_EDIT, true, "Faktor:"},
    {2, IDC_CURVE_DEFAULTS, true, "Standardwerte"},
};

std::wstring TextOf(HWND Window)
{
    std::wstring Text(GetWindowTextLengthW(Window) + 1, L'\0');
    Text.resize(GetWindowTextW(Window, &Text[0], static_cast<int>(Text.size())));
    const size_t Amp = Text.find(L'&');
    return Amp == std::wstring::npos ? Text : Text.erase(Amp, 1);
}

bool IsClass(HWND Window, const wchar_t* Class)
{
    wchar_t Name[64] = L"";
    GetClassNameW(Window, Name, 64);
    return lstrcmpiW(Name, Class) == 0;
}

// Windows' rule: a button or static is named by its own text; a control
// whose text is its value (edit, combo box, trackbar, up-down) by the
// nearest static before it in z-order. The mnemonic's '&' is not read.
std::wstring NameOf(HWND Control)
{
    if (IsClass(Control, L"Button") || IsClass(Control, L"Static"))
        return TextOf(Control);
    for (HWND Before = GetWindow(Control, GW_HWNDPREV); Before; Before = GetWindow(Before, GW_HWNDPREV))
        if (IsClass(Before, L"Static"))
            return TextOf(Before);
    return L"";
}
}

TEST(Keyboard, TabReachesEveryInputInVisualOrderAndEachIsNamedByItsCaption)
{
    TMouseSettingsGuard Guard;
    TSheet Sheet;
    for (int Page = 0; Page < 3; ++Page)
    {
        SCOPED_TRACE(testing::Message() << "page " << Page);
        HWND Shown = Sheet.ShowPage(Page);
        // Window tracking on: its two options take input only then.
        if (Page == 1 && IsDlgButtonChecked(Shown, IDC_TRACKING_CHECK) != BST_CHECKED)
            Sheet.Click(IDC_TRACKING_CHECK);
        std::vector<int> Expected, Reached;
        for (const auto& Control : InputControls)
        {
            if (Control.Page != Page)
                continue;
            HWND Window = GetDlgItem(Shown, Control.Id);
            const std::wstring Name = NameOf(Window);
            EXPECT_EQ(Control.Name ? Widen(Control.Name) : TextOf(Window), Name) << "control " << Control.Id;
            EXPECT_FALSE(Name.empty()) << "control " << Control.Id;
            if (Control.Tab)
                Expected.push_back(Control.Id);
        }
        // From the page's first stop, Tab until the focus leaves the page.
        SetFocus(GetDlgItem(Shown, Expected[0]));
        for (HWND Focus = GetFocus(); GetParent(Focus) == Shown && Reached.size() <= Expected.size(); Focus = GetFocus())
        {
            Reached.push_back(GetDlgCtrlID(Focus));
            KeyStroke(VK_TAB);
        }
        EXPECT_EQ(Expected, Reached);
    }
    Sheet.PressButton(PSBTN_CANCEL);
}
