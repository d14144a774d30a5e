// The module's resources read back at run time: strings, version block,
// manifest and the page's dialog template.
#include "TestSupport.h"
#include "resource.h"
#include "PointixConfig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// The build this test belongs to says so in its version block and manifest.
#if defined(__aarch64__)
const char* const ModuleBits = "ARM64";
const char* const ModuleArchitecture = "arm64";
#elif defined(_WIN64)
const char* const ModuleBits = "64-Bit";
const char* const ModuleArchitecture = "amd64";
#else
const char* const ModuleBits = "32-Bit";
const char* const ModuleArchitecture = "x86";
#endif

std::wstring LoadText(UINT Id)
{
    wchar_t Buffer[260];
    int Length = LoadStringW(Pointix().Module, Id, Buffer, 260);
    return std::wstring(Buffer, Length);
}

std::vector<BYTE> ResourceBytes(LPCWSTR Type, LPCWSTR Name)
{
    HRSRC Resource = FindResourceW(Pointix().Module, Name, Type);
    if (!Resource)
        return {};
    const BYTE* Data = static_cast<const BYTE*>(LockResource(LoadResource(Pointix().Module, Resource)));
    return std::vector<BYTE>(Data, Data + SizeofResource(Pointix().Module, Resource));
}

struct TStringCase
{
    UINT Id;
    const char* Text;  // UTF-8 here, compared as UTF-16
};

const TStringCase Strings[] = {
    {IDS_PAGE_TITLE, "Einstellungen"},
    {IDS_VERSION_FMT, "Version %d.%d.%d.%d"},
    {IDS_WEB_ERROR, "Die Webseite konnte nicht geöffnet werden. Geben Sie Webadresse in der Browserzeile ein."},
    {IDS_BAD_CHAR_TITLE, "Unzulässiges Zeichen"},
    {IDS_BAD_CHAR_TEXT, "Sie können hier nur Zahlen eingeben."},
    {201, "Geben Sie hier die vertikale (X-Achse, [DoubleClickHeight]) Abweichung für die Erkennung eines "
          "Doppelklicks in Pixel ein.\r\nDas Eingabefeld lässt nur Zahlen zu."},
    {203, "Geben Sie hier die horizontale (Y-Achse, [DoubleClickWidth]) Abweichung für die Erkennung eines "
          "Doppelklicks in Pixel ein.\r\nDas Eingabefeld lässt nur Zahlen zu."},
    {206, "Die Cursorgeschwindigkeit wird verdoppelt, wenn die Geschwindigkeit der Maus den angegeben Wert (in "
          "Pixel) erreicht.\r\n\r\nHinweis: Die Einstellung hat keine Auswirkung, wenn die Zeigerbeschleunigung auf "
          "der Seite \"Zeigeroptionen\" deaktiviert ist."},
    {208, "Die Cursorgeschwindigkeit wird vervierfacht, wenn die Geschwindigkeit der Maus den angegeben Wert (in "
          "Pixel) erreicht.\r\n\r\nHinweis: Die Einstellung hat keine Auswirkung, wenn die Zeigerbeschleunigung auf "
          "der Seite \"Zeigeroptionen\" deaktiviert ist."},
    {209, "Für weitere Informationen kann die Webseite des Autors aufgerufen werden. Hier finden Sie ggf. weitere "
          "Informationen und Updates."},
};
}

TEST(Resources, StringTableHoldsEveryTextExactly)
{
    for (const auto& Case : Strings)
    {
        std::wstring Text = LoadText(Case.Id);
        EXPECT_EQ(Widen(Case.Text), Text) << "string " << Case.Id;
        EXPECT_LT(Text.size(), 260u) << "string " << Case.Id << " would be cut in the page's buffers";
    }
    for (UINT Absent : {100u, 106u, 202u, 204u, 205u, 207u, 210u})
        EXPECT_EQ(L"", LoadText(Absent)) << "string " << Absent;
}

namespace
{
BOOL CALLBACK CollectBlock(HMODULE, LPCWSTR, LPWSTR Name, LONG_PTR Blocks)
{
    reinterpret_cast<std::vector<WORD>*>(Blocks)->push_back(static_cast<WORD>(reinterpret_cast<UINT_PTR>(Name)));
    return TRUE;
}

// The placeholders of a format, in order ("%d", "%s", "%%").
std::wstring Placeholders(const std::wstring& Text)
{
    std::wstring Found;
    for (size_t At = Text.find(L'%'); At != std::wstring::npos && At + 1 < Text.size(); At = Text.find(L'%', At + 2))
        Found += Text.substr(At, 2);
    return Found;
}
}

// Every text has its twin in the other language, with the same
// placeholders in the same order (else the formatter reads the wrong
// argument). The German texts are there a second time, neutral with neutral
// sublanguage, for loaders that are not told a language: the same ones.
TEST(Resources, BothLanguagesHaveEveryTextWithTheSamePlaceholders)
{
    std::vector<WORD> Blocks;
    EnumResourceNamesW(Pointix().Module, RT_STRING, CollectBlock, reinterpret_cast<LONG_PTR>(&Blocks));
    ASSERT_GE(Blocks.size(), 8u);
    int Texts = 0;
    for (WORD Block : Blocks)
        for (UINT Id = (Block - 1) * 16u; Id < Block * 16u; ++Id)
        {
            const std::wstring German = ModuleString(Id, GermanPages.Strings), English = ModuleString(Id, EnglishPages.Strings);
            EXPECT_EQ(German.empty(), English.empty()) << "string " << Id << " has no twin";
            EXPECT_EQ(Placeholders(German), Placeholders(English)) << "string " << Id;
            EXPECT_EQ(German, ModuleString(Id, GermanPages.Templates)) << "string " << Id << ", the neutral copy";
            EXPECT_LT(English.size(), 260u) << "string " << Id << " would be cut in the page's buffers";
            Texts += !German.empty();
        }
    EXPECT_GE(Texts, 45) << "the texts of all three pages";
}

TEST(Resources, VersionBlockCarriesTheProductFacts)
{
    DWORD Handle = 0;
    DWORD Size = GetFileVersionInfoSizeW(PointixPath().c_str(), &Handle);
    ASSERT_GT(Size, 0u);
    std::vector<BYTE> Block(Size);
    ASSERT_TRUE(GetFileVersionInfoW(PointixPath().c_str(), 0, Size, Block.data()));

    VS_FIXEDFILEINFO* Fixed = nullptr;
    UINT Length = 0;
    ASSERT_TRUE(VerQueryValueW(Block.data(), L"\\", reinterpret_cast<void**>(&Fixed), &Length));
    EXPECT_EQ(0xFEEF04BDu, Fixed->dwSignature);
    EXPECT_EQ(0x10000u, Fixed->dwFileVersionMS);
    EXPECT_EQ(0u, Fixed->dwFileVersionLS);
    EXPECT_EQ(0x10000u, Fixed->dwProductVersionMS);
    EXPECT_EQ(0u, Fixed->dwProductVersionLS);
    EXPECT_EQ(0u, Fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, Fixed->dwFileFlags);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), Fixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), Fixed->dwFileType);
    EXPECT_EQ(0u, Fixed->dwFileSubtype);
    EXPECT_EQ(0u, Fixed->dwFileDateMS);
    EXPECT_EQ(0u, Fixed->dwFileDateLS);

    WORD* Translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(Block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&Translation), &Length));
    ASSERT_EQ(4u, Length);
    EXPECT_EQ(0x0407, Translation[0]);
    EXPECT_EQ(0x04E4, Translation[1]);

    const struct
    {
        const wchar_t* Name;
        std::string Value;
    } Values[] = {
        {L"Comments", "Dieses Programm ist Freeware."},
        {L"FileDescription", std::string("Erweiterung für Mauserdialog (") + ModuleBits + ")"},
        {L"FileVersion", "1.0.0.0"},
        {L"OriginalFilename", "Pointix.dll"},
        {L"ProductName", "Pointix"},
        {L"ProductVersion", "1.0.0.0"},
        {L"OLESelfRegister", ""},
        {L"Internet", POINTIX_WEB_URL},
    };
    for (const auto& Value : Values)
    {
        std::wstring Path = std::wstring(L"\\StringFileInfo\\040704e4\\") + Value.Name;
        wchar_t* Text = nullptr;
        Length = 0;
        ASSERT_TRUE(VerQueryValueW(Block.data(), Path.c_str(), reinterpret_cast<void**>(&Text), &Length)) << Path;
        EXPECT_EQ(Widen(Value.Value.c_str()), std::wstring(Text)) << Path;
    }
    for (const wchar_t* Name : {L"CompanyName", L"LegalCopyright"})
    {
        std::wstring Path = std::wstring(L"\\StringFileInfo\\040704e4\\") + Name;
        wchar_t* Text = nullptr;
        ASSERT_TRUE(VerQueryValueW(Block.data(), Path.c_str(), reinterpret_cast<void**>(&Text), &Length)) << Path;
        EXPECT_NE(L"", std::wstring(Text)) << Path;
    }
}

TEST(Resources, ManifestAsksForCommonControls6)
{
    std::vector<BYTE> Bytes = ResourceBytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(2));
    ASSERT_FALSE(Bytes.empty()) << "no RT_MANIFEST 2";
    std::string Xml(Bytes.begin(), Bytes.end());
    const std::string Architecture = std::string("processorArchitecture=\"") + ModuleArchitecture + "\"";
    for (const std::string& Part : {
             "<assemblyIdentity version=\"1.0.0.0\" " + Architecture + " name=\"Pointix\" type=\"win32\"/>",
             std::string("<description>Mouse Shell Extension (") + ModuleBits + ")</description>",
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" " + Architecture,
             std::string("publicKeyToken=\"6595b64144ccf1df\""),
             std::string("language=\"*\""),
         })
        EXPECT_NE(std::string::npos, Xml.find(Part)) << Part;
}

namespace
{
std::wstring ClassName(const std::wstring& Raw)
{
    if (Raw == L"#128")
        return L"BUTTON";
    if (Raw == L"#129")
        return L"EDIT";
    if (Raw == L"#130")
        return L"STATIC";
    std::wstring Upper = Raw;
    for (auto& C : Upper)
        C = towupper(C);
    return Upper;
}

struct TControl
{
    int Id;
    const wchar_t* Class;
    const char* Text;
    DWORD Style;
    DWORD ExStyle;
    short X, Y, Cx, Cy;
};

const DWORD Child = WS_CHILD | WS_VISIBLE;
const DWORD NumberEdit = Child | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL | ES_CENTER;
const DWORD UpDown = Child | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
const DWORD Label = Child | WS_GROUP;
const DWORD Track = Child | WS_TABSTOP | TBS_AUTOTICKS;

// Widened (and the description heightened) so that every text fits with
// room for the fonts of Windows; every other control as it always was.
const TControl Controls[] = {
    {-1, L"BUTTON", "Doppelklickabweichung", Child | BS_GROUPBOX, 0, 10, 10, 230, 60},
    {-1, L"STATIC", "Geben Sie die Abweichung der Maus zur Erkennung eines Doppelklicks in Pixel ein.", Label, 0, 20, 25, 210, 24},
    {-1, L"STATIC", "&Vertikal:", Label, 0, 20, 52, 34, 14},
    {IDC_VERT_EDIT, L"EDIT", "", NumberEdit, 0, 55, 50, 40, 14},
    {IDC_VERT_UPDOWN, L"msctls_updown32", "", UpDown, 0, 84, 50, 11, 14},
    {-1, L"STATIC", "&Horizontal:", Label, 0, 115, 52, 40, 14},
    {IDC_HORZ_EDIT, L"EDIT", "", NumberEdit, 0, 155, 50, 40, 14},
    {IDC_HORZ_UPDOWN, L"msctls_updown32", "", UpDown, 0, 184, 50, 11, 14},
    {IDC_ACCEL_GROUP, L"BUTTON", "Beschleunigung", Child | BS_GROUPBOX, 0, 10, 80, 230, 110},
    {IDC_THRESHOLD1_LABEL, L"STATIC", "Empfindlichkeit für &doppelte Beschleunigung:", Label, 0, 20, 95, 210, 8},
    {IDC_THRESHOLD1_FAST, L"STATIC", "Schnell", Label, 0, 20, 115, 30, 8},
    {IDC_THRESHOLD1_SLOW, L"STATIC", "Langsam", Label, 0, 200, 115, 34, 8},
    {IDC_THRESHOLD1_TRACK, L"msctls_trackbar32", "", Track, 0, 55, 110, 135, 20},
    {IDC_QUAD_CHECK, L"BUTTON", "Vierfache &Geschwindigkeit aktivieren", Child | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 20, 140, 150, 8},
    {IDC_THRESHOLD2_LABEL, L"STATIC", "Empfindlichkeit für &vierfache Beschleunigung:", Label, 0, 20, 155, 210, 8},
    {IDC_THRESHOLD2_FAST, L"STATIC", "Schnell", Label, 0, 20, 170, 30, 8},
    {IDC_THRESHOLD2_SLOW, L"STATIC", "Langsam", Label, 0, 200, 165, 34, 8},
    {IDC_THRESHOLD2_TRACK, L"msctls_trackbar32", "", Track, 0, 55, 165, 135, 20},
    {IDC_LINK_LABEL, L"STATIC", nullptr, Label | SS_NOTIFY, 0, 10, 200, 84, 8},
    {IDC_VERSION_LABEL, L"STATIC", "Version 1.0", Label, WS_EX_RIGHT, 180, 200, 60, 8},
};
}

TEST(Resources, DialogTemplateDescribesThePage)
{
    std::vector<BYTE> Bytes = ResourceBytes(MAKEINTRESOURCEW(5) /* RT_DIALOG */, MAKEINTRESOURCEW(IDD_MOUSEPAGE));
    ASSERT_FALSE(Bytes.empty());
    TTemplateReader Read(Bytes);
    ASSERT_EQ(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, Read.DWord()) << "style (a classic template)";
    EXPECT_EQ(0u, Read.DWord()) << "extended style";
    const WORD Count = Read.Word();
    EXPECT_EQ(20, Count);
    EXPECT_EQ(0, Read.Word());
    EXPECT_EQ(0, Read.Word());
    EXPECT_EQ(250, Read.Word());
    EXPECT_EQ(220, Read.Word());
    EXPECT_EQ(L"", Read.NameOrOrdinal()) << "menu";
    EXPECT_EQ(L"", Read.NameOrOrdinal()) << "class";
    EXPECT_EQ(L"Dialog", Read.Text());
    EXPECT_EQ(8, Read.Word()) << "font size";
    EXPECT_EQ(L"Ms Shell Dlg", Read.Text());

    ASSERT_EQ(sizeof(Controls) / sizeof(Controls[0]), Count);
    for (const TControl& Control : Controls)
    {
        Read.AlignDWord();
        SCOPED_TRACE(testing::Message() << "control " << Control.Id << " " << Control.Text);
        EXPECT_EQ(Control.Style, Read.DWord());
        EXPECT_EQ(Control.ExStyle, Read.DWord());
        EXPECT_EQ(Control.X, static_cast<short>(Read.Word()));
        EXPECT_EQ(Control.Y, static_cast<short>(Read.Word()));
        EXPECT_EQ(Control.Cx, static_cast<short>(Read.Word()));
        EXPECT_EQ(Control.Cy, static_cast<short>(Read.Word()));
        EXPECT_EQ(static_cast<WORD>(Control.Id), Read.Word());
        EXPECT_EQ(ClassName(Control.Class), ClassName(Read.NameOrOrdinal()));
        std::wstring Text = Read.NameOrOrdinal();
        if (Control.Text)
            EXPECT_EQ(Widen(Control.Text), Text);
        else
            EXPECT_NE(L"", Text) << "the author label names the project";
        const WORD Extra = Read.Word();
        for (WORD i = 0; i < Extra; ++i)
            Read.Word();  // creation data, none expected
        EXPECT_EQ(0, Extra);
    }
}
