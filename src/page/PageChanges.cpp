// The page's editing model: what a user action does to the system and when.
// Double-click tolerances are only recorded and written at apply; the
// acceleration settings are written live without touching the user profile;
// apply commits with profile update, cancel writes back the values found
// when the page was opened. Of the mouse triple, which other pages write
// too, only the members changed on this page are ever written. A setting
// the system does not take at apply is named to the user and stays
// changed.
#include "PropSheetExt.h"

namespace
{
const UINT Persisted = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

int QuadCheckAcceleration(HWND hDlg)
{
    return IsDlgButtonChecked(hDlg, IDC_QUAD_CHECK) == BST_CHECKED ? 2 : 1;
}

int TrackPosition(HWND hDlg, int Id)
{
    return static_cast<int>(SendDlgItemMessageW(hDlg, Id, TBM_GETPOS, 0, 0));
}

// The double-click tolerances as the system keeps them.
const TSettingDescription DoubleClickHeight = {VertField, 0, 4, 0, SPI_SETDOUBLECLKHEIGHT, SM_CYDOUBLECLK, false};
const TSettingDescription DoubleClickWidth = {HorzField, 0, 4, 0, SPI_SETDOUBLECLKWIDTH, SM_CXDOUBLECLK, false};

// The triple as the controls show it.
void ShownMouse(HWND hDlg, int* Mouse)
{
    Mouse[mmThreshold1] = TrackPosition(hDlg, IDC_THRESHOLD1_TRACK);
    Mouse[mmThreshold2] = TrackPosition(hDlg, IDC_THRESHOLD2_TRACK);
    Mouse[mmAcceleration] = QuadCheckAcceleration(hDlg);
}

// A numeric field is named by its label, the control before it.
TFailedSetting LabelOf(HWND hDlg, int EditId)
{
    return TFailedSetting{GetWindow(GetDlgItem(hDlg, EditId), GW_HWNDPREV), 0};
}
}

void TPropSheetExt::OnCommand(HWND hDlg, UINT Code, HWND hCtl, UINT Id)
{
    if (Code == EN_CHANGE)
        OnEditChange(hDlg, hCtl, Id);
    else if (Code == BN_CLICKED)
    {
        if (Id == IDC_QUAD_CHECK)
            PreviewMouse(hDlg, mmAcceleration);
        else if (Id == IDC_LINK_LABEL)
            OpenWebPage(hDlg);
    }
}

void TPropSheetExt::OnEditChange(HWND hDlg, HWND hEdit, UINT Id)
{
    FGuard.HideBalloon();
    // Until the edits are subclassed the changes are the page's own
    // initialization and are not recorded.
    if (!((Id == IDC_VERT_EDIT && FOldVertEditProc) || (Id == IDC_HORZ_EDIT && FOldHorzEditProc)))
        return;
    if (SendMessageW(hEdit, WM_GETTEXTLENGTH, 0, 0) == 0)
    {
        // A field may not stay empty. The text put back arrives as a new
        // EN_CHANGE and is recorded there.
        if (SendMessageW(hEdit, WM_UNDO, 0, 0) == 0)
            SetDlgItemInt(hDlg, Id, 4, FALSE);
        return;
    }
    FChanged |= Id == IDC_VERT_EDIT ? CHANGED_VERT : CHANGED_HORZ;
    MarkPageChanged(hDlg);
}

// Every scroll code writes, so the pointer speed follows the slider while it
// is dragged.
void TPropSheetExt::OnHScroll(HWND hDlg, HWND hTrack)
{
    if (hTrack == GetDlgItem(hDlg, IDC_THRESHOLD1_TRACK))
        PreviewMouse(hDlg, mmThreshold1);
    if (hTrack == GetDlgItem(hDlg, IDC_THRESHOLD2_TRACK))
        PreviewMouse(hDlg, mmThreshold2);
}

// A live change of one member: written without profile update and
// recorded only when the system took it. Nothing is written while pointer
// acceleration is switched off.
void TPropSheetExt::PreviewMouse(HWND hDlg, int Member)
{
    int Mouse[MouseMemberCount] = {0, 0, 0};
    if (!SystemParametersInfoW(SPI_GETMOUSE, 0, Mouse, 0) || (Mouse[mmAcceleration] != 1 && Mouse[mmAcceleration] != 2))
        return;
    int Shown[MouseMemberCount];
    ShownMouse(hDlg, Shown);
    if (SetMouseParams((FChanged & CHANGED_MOUSE) | MouseMemberBit(Member), Shown, 0))
    {
        FChanged |= MouseMemberBit(Member);
        MarkPageChanged(hDlg);
    }
}

// Another page of the sheet (Windows' own "Zeigeroptionen", say) writes
// the same triple: every write starts from what the system has now and
// replaces only what this page changed, so that what the other page set
// stays set.
BOOL TPropSheetExt::SetMouseParams(DWORD Members, const int* Values, UINT fWinIni)
{
    int Mouse[MouseMemberCount] = {0, 0, 0};
    if (!SystemParametersInfoW(SPI_GETMOUSE, 0, Mouse, 0))
        return FALSE;
    for (int i = 0; i < MouseMemberCount; ++i)
        if (Members & MouseMemberBit(i))
            Mouse[i] = Values[i];
    if (!SystemParametersInfoW(SPI_SETMOUSE, 0, Mouse, fWinIni))
        return FALSE;
    if (!(fWinIni & SPIF_UPDATEINIFILE))
        return TRUE;
    int Read[MouseMemberCount] = {0, 0, 0};
    return SystemParametersInfoW(SPI_GETMOUSE, 0, Read, 0) && Read[0] == Mouse[0] && Read[1] == Mouse[1] && Read[2] == Mouse[2];
}

// What was written is no longer changed; what the system did not take stays
// changed, for the next Apply or for Cancel.
bool TPropSheetExt::ApplyChanges(HWND hDlg)
{
    TFailedSetting Failed[3];
    int Count = 0;
    DWORD Unwritten = 0;
    if ((FChanged & CHANGED_VERT) &&
        !WriteSetting(DoubleClickHeight, GetDlgItemInt(hDlg, IDC_VERT_EDIT, nullptr, FALSE)))
    {
        Unwritten |= CHANGED_VERT;
        Failed[Count++] = LabelOf(hDlg, IDC_VERT_EDIT);
    }
    if ((FChanged & CHANGED_HORZ) &&
        !WriteSetting(DoubleClickWidth, GetDlgItemInt(hDlg, IDC_HORZ_EDIT, nullptr, FALSE)))
    {
        Unwritten |= CHANGED_HORZ;
        Failed[Count++] = LabelOf(hDlg, IDC_HORZ_EDIT);
    }
    if (FChanged & CHANGED_MOUSE)
    {
        int Mouse[MouseMemberCount] = {0, 0, 0};
        SystemParametersInfoW(SPI_GETMOUSE, 0, Mouse, 0);
        // Acceleration switched off elsewhere since the last live change:
        // the triple is left alone.
        int Shown[MouseMemberCount];
        ShownMouse(hDlg, Shown);
        if (Mouse[mmAcceleration] > 0 && !SetMouseParams(FChanged & CHANGED_MOUSE, Shown, Persisted))
        {
            Unwritten |= FChanged & CHANGED_MOUSE;
            Failed[Count++] = TFailedSetting{GetDlgItem(hDlg, IDC_ACCEL_GROUP), 0};
        }
    }
    FChanged = Unwritten;
    return !RefuseApply(hDlg, *FLanguage, Failed, Count);
}

// Writes back, without profile update, what the page found when it opened,
// for the settings it changed: of the triple only those members.
void TPropSheetExt::RevertChanges()
{
    if (FChanged == 0)
        return;
    if (FChanged & CHANGED_VERT)
        SystemParametersInfoW(SPI_SETDOUBLECLKHEIGHT, FSavedDblClkHeight, nullptr, 0);
    if (FChanged & CHANGED_HORZ)
        SystemParametersInfoW(SPI_SETDOUBLECLKWIDTH, FSavedDblClkWidth, nullptr, 0);
    if (FChanged & CHANGED_MOUSE)
        SetMouseParams(FChanged & CHANGED_MOUSE, FSavedMouse, 0);
    FChanged = 0;
}
