// The page's editing model: what a user action does to the system and when.
// Double-click tolerances are only recorded and written at apply; the
// acceleration settings are written live without touching the user profile;
// apply commits with profile update, cancel writes back the values found
// when the page was opened. A setting the system does not take at apply is
// named to the user and stays changed.
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

bool WriteMouse(int* Mouse)
{
    int Read[3] = {0, 0, 0};
    return SystemParametersInfoW(SPI_SETMOUSE, 0, Mouse, Persisted) && SystemParametersInfoW(SPI_GETMOUSE, 0, Read, 0) &&
           Read[0] == Mouse[0] && Read[1] == Mouse[1] && Read[2] == Mouse[2];
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
            OnQuadCheckClick(hDlg);
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

void TPropSheetExt::OnQuadCheckClick(HWND hDlg)
{
    const int Acceleration = QuadCheckAcceleration(hDlg);
    PreviewMouse(hDlg, &Acceleration, nullptr, nullptr);
}

// Every scroll code writes, so the pointer speed follows the slider while it
// is dragged.
void TPropSheetExt::OnHScroll(HWND hDlg, HWND hTrack)
{
    if (hTrack == GetDlgItem(hDlg, IDC_THRESHOLD1_TRACK))
    {
        const int Threshold = static_cast<int>(SendMessageW(hTrack, TBM_GETPOS, 0, 0));
        PreviewMouse(hDlg, nullptr, &Threshold, nullptr);
    }
    if (hTrack == GetDlgItem(hDlg, IDC_THRESHOLD2_TRACK))
    {
        const int Threshold = static_cast<int>(SendMessageW(hTrack, TBM_GETPOS, 0, 0));
        PreviewMouse(hDlg, nullptr, nullptr, &Threshold);
    }
}

// A live acceleration change: written without profile update and recorded
// only when the system took it.
void TPropSheetExt::PreviewMouse(HWND hDlg, const int* Acceleration, const int* Threshold1, const int* Threshold2)
{
    if (SetMouseParams(Acceleration, Threshold1, Threshold2, false))
    {
        FChanged |= CHANGED_MOUSE;
        MarkPageChanged(hDlg);
    }
}

// Null arguments keep the value the system has now. Nothing is written while
// pointer acceleration is switched off.
BOOL TPropSheetExt::SetMouseParams(const int* Acceleration, const int* Threshold1, const int* Threshold2, bool Persist)
{
    int Mouse[3] = {0, 0, 0};
    if (!SystemParametersInfoW(SPI_GETMOUSE, 0, Mouse, 0))
        return FALSE;
    if (Mouse[2] != 1 && Mouse[2] != 2)
        return FALSE;
    if (Acceleration)
        Mouse[2] = *Acceleration;
    if (Threshold1)
        Mouse[0] = *Threshold1;
    if (Threshold2)
        Mouse[1] = *Threshold2;
    return SystemParametersInfoW(SPI_SETMOUSE, 0, Mouse, Persist ? Persisted : 0);
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
        int Mouse[3] = {0, 0, 0};
        SystemParametersInfoW(SPI_GETMOUSE, 0, Mouse, 0);
        // Acceleration switched off elsewhere since the last live change:
        // the thresholds are left alone.
        if (Mouse[2] > 0)
        {
            Mouse[2] = QuadCheckAcceleration(hDlg);
            Mouse[0] = TrackPosition(hDlg, IDC_THRESHOLD1_TRACK);
            Mouse[1] = TrackPosition(hDlg, IDC_THRESHOLD2_TRACK);
            if (!WriteMouse(Mouse))
            {
                Unwritten |= CHANGED_MOUSE;
                Failed[Count++] = TFailedSetting{GetDlgItem(hDlg, IDC_ACCEL_GROUP), 0};
            }
        }
    }
    FChanged = Unwritten;
    return !RefuseApply(hDlg, Failed, Count);
}

// Writes back, without profile update, what the page found when it opened.
void TPropSheetExt::RevertChanges()
{
    if (FChanged == 0)
        return;
    if (FChanged & CHANGED_VERT)
        SystemParametersInfoW(SPI_SETDOUBLECLKHEIGHT, FSavedDblClkHeight, nullptr, 0);
    if (FChanged & CHANGED_HORZ)
        SystemParametersInfoW(SPI_SETDOUBLECLKWIDTH, FSavedDblClkWidth, nullptr, 0);
    if (FChanged & CHANGED_MOUSE)
        SystemParametersInfoW(SPI_SETMOUSE, 0, FSavedMouse, 0);
    FChanged = 0;
}
