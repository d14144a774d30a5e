// The pages in the user's language: German under a German UI language,
// English under any other. page_tests runs in German; its English run
// (POINTIX_LOCALE=en_US.UTF-8) repeats these tests. What a page must show
// is read from the module's own tables of that language, not copied here.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace
{
std::wstring WindowText(HWND Window)
{
    wchar_t Text[512] = L"";
    GetWindowTextW(Window, Text, 512);
    return Text;
}

// The control texts of a template, by ID (statics without one: -1).
std::multiset<std::pair<int, std::wstring>> TemplateTexts(WORD Id, LANGID Language)
{
    const std::vector<BYTE> Bytes = ModuleResource(RT_DIALOG, MAKEINTRESOURCEW(Id), Language);
    std::multiset<std::pair<int, std::wstring>> Texts;
    if (Bytes.empty())
        return Texts;
    TTemplateReader Read(Bytes);
    Read.DWord();
    Read.DWord();
    const WORD Count = Read.Word();
    for (int i = 0; i < 4; ++i)
        Read.Word();
    Read.NameOrOrdinal();
    Read.NameOrOrdinal();
    Read.Text();
    Read.Word();
    Read.Text();
    for (WORD Item = 0; Item < Count; ++Item)
    {
        Read.AlignDWord();
        Read.DWord();  // style
        Read.DWord();  // extended style
        for (int i = 0; i < 4; ++i)
            Read.Word();  // place and size
        const int Control = static_cast<short>(Read.Word());
        Read.NameOrOrdinal();
        const std::wstring Text = Read.NameOrOrdinal();
        for (WORD Extra = Read.Word(); Extra > 0; --Extra)
            Read.Word();
        if (!Text.empty())
            Texts.insert({Control, Text});
    }
    return Texts;
}

// The access key of each window that has one ("&Apply": 'a'), lowercase.
std::multiset<wchar_t> AccessKeys(const std::vector<HWND>& Windows)
{
    std::multiset<wchar_t> Keys;
    for (HWND Window : Windows)
    {
        const std::wstring Text = WindowText(Window);
        const size_t Amp = Text.find(L'&');
        if (Amp != std::wstring::npos && Amp + 1 < Text.size())
            Keys.insert(static_cast<wchar_t>(towlower(Text[Amp + 1])));
    }
    return Keys;
}
}

// Each page's tab title, every control text the page does not set itself,
// the curve page's presets and the balloon of a refused character.
TEST(Language, EveryPageSpeaksTheUsersLanguage)
{
    const TPageLanguage& Language = PagesOfThisProcess();
    SCOPED_TRACE(Language.Name);
    TMouseSettingsGuard Guard;
    TSheet Sheet;
    const struct
    {
        WORD Template;
        UINT Title;
    } Pages[] = {{IDD_MOUSEPAGE, IDS_PAGE_TITLE}, {IDD_POINTERPAGE, IDS_POINTER_TITLE}, {IDD_CURVEPAGE, IDS_CURVE_TITLE}};
    for (int Index = 0; Index < 3; ++Index)
    {
        HWND Page = Sheet.ShowPage(Index);
        EXPECT_EQ(ModuleString(Pages[Index].Title, Language.Strings), Sheet.TabTitle(Index));
        std::multiset<std::wstring> Shown;
        for (HWND Child = GetWindow(Page, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT))
            Shown.insert(WindowText(Child));
        // In English every access key of a page leads to one control, the
        // sheet's buttons' included. (The German texts stand as given, and
        // two of "Einstellungen" share 'v'.)
        if (Language.Strings == EnglishPages.Strings)
        {
            std::vector<HWND> Keyed = {GetDlgItem(Sheet.Window(), IDOK), GetDlgItem(Sheet.Window(), IDCANCEL),
                                       Sheet.ApplyButton()};
            for (HWND Child = GetWindow(Page, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT))
                Keyed.push_back(Child);
            const std::multiset<wchar_t> Keys = AccessKeys(Keyed);
            for (wchar_t Key : Keys)
                EXPECT_EQ(1u, Keys.count(Key)) << "page " << Index << ", access key " << static_cast<char>(Key);
        }
        const auto Texts = TemplateTexts(Pages[Index].Template, Language.Templates);
        EXPECT_GT(Texts.size(), 5u) << "page " << Index;
        for (const auto& Control : Texts)
        {
            if (Control.first == -1)
            {
                EXPECT_EQ(Texts.count(Control), Shown.count(Control.second)) << testing::PrintToString(Control.second);
            }
            else if (Control.first != IDC_VERSION_LABEL && Control.first != IDC_CURVE_SPEED)
            {
                EXPECT_EQ(Control.second, WindowText(GetDlgItem(Page, Control.first))) << "control " << Control.first;
            }
        }
    }
    for (int Preset = 0; Preset < 3; ++Preset)
    {
        wchar_t Text[64] = L"";
        SendMessageW(Sheet.Item(IDC_CURVE_PRESET), CB_GETLBTEXT, Preset, reinterpret_cast<LPARAM>(Text));
        EXPECT_EQ(ModuleString(IDS_CURVE_PRESET_WINDOWS + Preset, Language.Strings), Text);
    }

    Sheet.ShowPage(0);
    Sheet.Type(IDC_VERT_EDIT, L'x');
    ASSERT_EQ(1u, Balloons(Sheet).size());
    wchar_t Said[260] = L"";
    TOOLINFOW Tool = {};
    Tool.cbSize = sizeof(Tool);
    Tool.hwnd = Sheet.Item(IDC_VERT_EDIT);
    Tool.lpszText = Said;
    SendMessageW(Balloons(Sheet)[0], TTM_GETTEXTW, 260, reinterpret_cast<LPARAM>(&Tool));
    EXPECT_EQ(ModuleString(IDS_BAD_CHAR_TEXT, Language.Strings), Said);
    Sheet.PressButton(PSBTN_CANCEL);
}
