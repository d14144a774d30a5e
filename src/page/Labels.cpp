// Context help, the web link label and the version label.
#include "PropSheetExt.h"
#include "GdiObjects.h"
#include "../util/Module.h"
#include "../util/Util.h"
#include "PointixConfig.h"

namespace
{
const WCHAR WebAddress[] = L"" POINTIX_WEB_URL;
const int TextCapacity = 260;

// Controls with help; the text is the string with the control's ID.
const WORD HelpControls[] = {
    IDC_VERT_EDIT, IDC_HORZ_EDIT, IDC_THRESHOLD1_TRACK, IDC_QUAD_CHECK, IDC_THRESHOLD2_TRACK, IDC_LINK_LABEL,
};
}

void TPropSheetExt::OnHelp(HWND hDlg, int CtrlId, HANDLE)
{
    for (WORD Id : HelpControls)
        if (Id == CtrlId)
            FHelp.ShowPopup(hDlg, *FLanguage, CtrlId, CtrlId);
}

// The link label is drawn blue on the page's own background; in a
// high-contrast theme, where blue may not be seen, in the theme's colour
// for links.
HBRUSH TPropSheetExt::OnCtlColorStatic(HWND hDlg, HWND hStatic, HDC hdc)
{
    if (hStatic != GetDlgItem(hDlg, IDC_LINK_LABEL))
        return nullptr;
    HIGHCONTRASTW Contrast;
    ZeroFill(&Contrast, sizeof(Contrast));
    Contrast.cbSize = sizeof(Contrast);
    const bool HighContrast =
        SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(Contrast), &Contrast, 0) && (Contrast.dwFlags & HCF_HIGHCONTRASTON);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, HighContrast ? GetSysColor(COLOR_HOTLIGHT) : RGB(0, 0, 255));
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

// Underlined font and hand cursor. The cursor is the class cursor of all
// static controls of the process; only statics that take the mouse (the
// link label, with SS_NOTIFY) ever show it. The link is a tab stop, after
// the last trackbar, as its place in the template has it.
void TPropSheetExt::SetupLinkLabel(HWND hDlg)
{
    HWND hLabel = GetDlgItem(hDlg, IDC_LINK_LABEL);
    SetWindowLongPtrW(hLabel, GWL_STYLE, GetWindowLongPtrW(hLabel, GWL_STYLE) | WS_TABSTOP);
    HFONT Font = reinterpret_cast<HFONT>(SendMessageW(hLabel, WM_GETFONT, 0, 0));
    LOGFONTW Description;
    ZeroFill(&Description, sizeof(Description));
    GetObjectW(Font, sizeof(Description), &Description);
    Description.lfUnderline = 1;
    FLinkFont = CreateFontIndirectW(&Description);
    if (FLinkFont)
        SendMessageW(hLabel, WM_SETFONT, reinterpret_cast<WPARAM>(FLinkFont), 0);
    SetClassLongPtrW(hLabel, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(LoadCursorW(nullptr, IDC_HAND)));
}

// Replaces the template's "Version 1.0" with the module's file version; on
// any failure the template text stays.
void TPropSheetExt::SetupVersionLabel(HWND hDlg)
{
    DWORD Version[4] = {0, 0, 0, 0};
    if (!GetModuleVersion(HInstance, &Version[0], &Version[1], &Version[2], &Version[3]))
        return;
    THeapBuffer<WCHAR> Text(TextCapacity * sizeof(WCHAR));
    if (Text && FormatResString(*FLanguage, Text.Get(), TextCapacity, IDS_VERSION_FMT, Version, 4))
        SetDlgItemTextW(hDlg, IDC_VERSION_LABEL, Text.Get());
}

// The link as the keyboard uses it: Enter and Space open the web page as a
// click does (Enter is the link's, not the sheet's OK), and while it has
// the focus the system's focus rectangle surrounds its text. The label is
// transparent: when the focus comes or goes, the page repaints behind it.
LRESULT TPropSheetExt::LinkProc(HWND hLink, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_GETDLGCODE:
    {
        const MSG* Message = reinterpret_cast<const MSG*>(lParam);
        if (Message && Message->message == WM_KEYDOWN && Message->wParam == VK_RETURN)
            return DLGC_WANTMESSAGE;
        break;
    }
    case WM_KEYDOWN:
        // A key held down opens the page once.
        if ((wParam == VK_RETURN || wParam == VK_SPACE) && !(lParam & 0x40000000))
        {
            OpenWebPage(GetParent(hLink));
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    {
        HWND hDlg = GetParent(hLink);
        RECT Area;
        GetWindowRect(hLink, &Area);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&Area), 2);
        RedrawWindow(hDlg, &Area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        break;
    }
    case WM_PAINT:
    {
        const LRESULT Result = CallWindowProcW(FOldLinkProc, hLink, uMsg, wParam, lParam);
        if (GetFocus() == hLink)
            DrawLinkFocus(hLink);
        return Result;
    }
    }
    return CallWindowProcW(FOldLinkProc, hLink, uMsg, wParam, lParam);
}

// Around the text as the label draws it, at its left, inside the label.
void TPropSheetExt::DrawLinkFocus(HWND hLink)
{
    TWindowDC Dc(hLink);
    if (!Dc.Get())
        return;
    TSelection Font(Dc.Get(), reinterpret_cast<HFONT>(SendMessageW(hLink, WM_GETFONT, 0, 0)));
    WCHAR Text[TextCapacity];
    GetWindowTextW(hLink, Text, TextCapacity);
    RECT Client, Around = {0, 0, 0, 0};
    GetClientRect(hLink, &Client);
    DrawTextW(Dc.Get(), Text, -1, &Around, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    Around.right = Around.right + 1 < Client.right ? Around.right + 1 : Client.right;
    Around.bottom = Client.bottom;
    DrawFocusRect(Dc.Get(), &Around);
}

void TPropSheetExt::OpenWebPage(HWND hDlg)
{
    const HINSTANCE Result = ShellExecuteW(GetParent(hDlg), L"open", WebAddress, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(Result) <= 32)
        ShowResMessage(hDlg, IDS_WEB_ERROR, MB_ICONERROR);
}

// A message box with a text of the page's language under the sheet's
// caption. Returns 0 when no box could be shown.
int TPropSheetExt::ShowResMessage(HWND hOwner, UINT StringId, UINT Type)
{
    THeapBuffer<WCHAR> Text(TextCapacity * sizeof(WCHAR));
    if (!Text)
        return 0;
    if (LoadText(*FLanguage, StringId, Text.Get(), TextCapacity) == 0)
        return 0;
    return ShowSheetMessage(hOwner, Text.Get(), Type);
}
