// The page "Zeigen und Ziehen": its settings, how each is shown, edited and
// written.
#include "PointerPage.h"
#include "../util/Util.h"
#include "../../res/resource.h"

namespace
{
const TSettingDescription Settings[PointerSettingCount] = {
    {{IDC_DRAG_WIDTH_EDIT, IDC_DRAG_WIDTH_UPDOWN, 1, 99, 0}, IDC_DRAG_WIDTH_LABEL, 4,
     0, SPI_SETDRAGWIDTH, SM_CXDRAG, false},
    {{IDC_DRAG_HEIGHT_EDIT, IDC_DRAG_HEIGHT_UPDOWN, 1, 99, 0}, IDC_DRAG_HEIGHT_LABEL, 4,
     0, SPI_SETDRAGHEIGHT, SM_CYDRAG, false},
    {{IDC_HOVER_TIME_EDIT, IDC_HOVER_TIME_UPDOWN, 10, 5000, 0}, IDC_HOVER_TIME_LABEL, 400,
     SPI_GETMOUSEHOVERTIME, SPI_SETMOUSEHOVERTIME, 0, false},
    {{IDC_HOVER_WIDTH_EDIT, IDC_HOVER_WIDTH_UPDOWN, 1, 99, 0}, IDC_HOVER_WIDTH_LABEL, 4,
     SPI_GETMOUSEHOVERWIDTH, SPI_SETMOUSEHOVERWIDTH, 0, false},
    {{IDC_HOVER_HEIGHT_EDIT, IDC_HOVER_HEIGHT_UPDOWN, 1, 99, 0}, IDC_HOVER_HEIGHT_LABEL, 4,
     SPI_GETMOUSEHOVERHEIGHT, SPI_SETMOUSEHOVERHEIGHT, 0, false},
    {{IDC_MENU_DELAY_EDIT, IDC_MENU_DELAY_UPDOWN, 0, 5000, 0}, IDC_MENU_DELAY_LABEL, 400,
     SPI_GETMENUSHOWDELAY, SPI_SETMENUSHOWDELAY, 0, false},
    {{IDC_TRACKING_CHECK, 0, 0, 1, 0}, IDC_TRACKING_CHECK, 0,
     SPI_GETACTIVEWINDOWTRACKING, SPI_SETACTIVEWINDOWTRACKING, 0, true},
    {{IDC_TRACKING_ZORDER_CHECK, 0, 0, 1, 0}, IDC_TRACKING_ZORDER_CHECK, 0,
     SPI_GETACTIVEWNDTRKZORDER, SPI_SETACTIVEWNDTRKZORDER, 0, true},
    {{IDC_TRACKING_DELAY_EDIT, IDC_TRACKING_DELAY_UPDOWN, 0, 5000, 0}, IDC_TRACKING_DELAY_LABEL, 0,
     SPI_GETACTIVEWNDTRKTIMEOUT, SPI_SETACTIVEWNDTRKTIMEOUT, 0, true},
};

// Bringing the activated window to the front and the delay mean something
// only while window tracking is on.
const int TrackingDependents[] = {psTrackingZOrder, psTrackingDelay};

// The setting whose edit or check box has this ID, or -1.
int SettingOf(int ControlId)
{
    for (int i = 0; i < PointerSettingCount; ++i)
        if (Settings[i].Field.EditId == ControlId)
            return i;
    return -1;
}

// A field's label and up-down show the help of its edit; the button has
// its own. 0: no help.
UINT HelpStringOf(int CtrlId)
{
    if (CtrlId == IDC_DEFAULTS_BUTTON)
        return CtrlId;
    for (const TSettingDescription& Setting : Settings)
        if (CtrlId == Setting.Field.EditId || CtrlId == Setting.LabelId || (CtrlId && CtrlId == Setting.Field.UpDownId))
            return Setting.Field.EditId;
    return 0;
}
}

TPointerPage::TPointerPage(const TLanguage& Language) : TOwnedPage(Language, IDD_POINTERPAGE, IDS_POINTER_TITLE)
{
}

bool TPointerPage::OnNotify(HWND hDlg, UINT Code)
{
    return Code == static_cast<UINT>(PSN_APPLY) && !ApplyChanges(hDlg);
}

LRESULT TPointerPage::EditSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    const int Setting = SettingOf(GetDlgCtrlID(hWnd));
    if (Setting < 0)
        return 0;
    if (FGuard.Refuses(hWnd, uMsg, wParam, Settings[Setting].Field))
        return 0;
    return CallWindowProcW(FOldEditProc[Setting], hWnd, uMsg, wParam, lParam);
}

void TPointerPage::OnInitDialog(HWND hDlg)
{
    for (int i = 0; i < PointerSettingCount; ++i)
    {
        const TSettingDescription& Setting = Settings[i];
        FSaved[i] = FLastGood[i] = ReadSetting(Setting);
        if (IsCheckBox(Setting))
            ShowControl(hDlg, i, FSaved[i]);
        else
            SetupNumberField(hDlg, Setting.Field, FSaved[i]);
    }
    EnableTrackingControls(hDlg);
    // Only now: the EN_CHANGE of the values put in above found no saved
    // procedure and counted as no change.
    for (int i = 0; i < PointerSettingCount; ++i)
        if (!IsCheckBox(Settings[i]))
            FOldEditProc[i] = SubclassControl(GetDlgItem(hDlg, Settings[i].Field.EditId), FEditProcThunk);
}

void TPointerPage::OnDestroy(HWND hDlg)
{
    for (int i = 0; i < PointerSettingCount; ++i)
        if (FOldEditProc[i])
            SubclassControl(GetDlgItem(hDlg, Settings[i].Field.EditId), reinterpret_cast<void*>(FOldEditProc[i]));
}

void TPointerPage::OnCommand(HWND hDlg, UINT Code, HWND hCtl, UINT Id)
{
    const int Setting = SettingOf(Id);
    if (Code == EN_CHANGE && Setting >= 0)
        OnEditChange(hDlg, hCtl, Setting);
    else if (Code == EN_KILLFOCUS && Setting >= 0 && FOldEditProc[Setting])
        // A number brought into range arrives as EN_CHANGE and is recorded there.
        TakeNumber(hDlg, Settings[Setting].Field);
    else if (Code == BN_CLICKED)
    {
        if (Id == IDC_DEFAULTS_BUTTON)
            SetDefaults(hDlg);
        else if (Setting >= 0)
        {
            if (Setting == psTracking)
                EnableTrackingControls(hDlg);
            MarkPageChanged(hDlg);
        }
    }
}

void TPointerPage::OnEditChange(HWND hDlg, HWND hEdit, int Setting)
{
    FGuard.HideBalloon();
    if (FOldEditProc[Setting] && RecordFieldChange(hDlg, hEdit, Settings[Setting].Field, FLastGood[Setting]))
        MarkPageChanged(hDlg);
}

void TPointerPage::OnHelp(HWND hDlg, int CtrlId)
{
    const UINT StringId = HelpStringOf(CtrlId);
    if (StringId)
        FHelp.ShowPopup(hDlg, *FLanguage, CtrlId, StringId);
}

// Windows' defaults into the controls; like any edit this only marks the
// page changed.
void TPointerPage::SetDefaults(HWND hDlg)
{
    for (int i = 0; i < PointerSettingCount; ++i)
        ShowControl(hDlg, i, Settings[i].Default);
    EnableTrackingControls(hDlg);
    MarkPageChanged(hDlg);
}

void TPointerPage::ShowControl(HWND hDlg, int Setting, int Value)
{
    const WORD Id = Settings[Setting].Field.EditId;
    if (IsCheckBox(Settings[Setting]))
        CheckDlgButton(hDlg, Id, Value ? BST_CHECKED : BST_UNCHECKED);
    else
        ShowNumber(hDlg, Settings[Setting].Field, Value);
}

// What the control holds; a number out of range is brought to the nearest
// bound and shown so.
int TPointerPage::ControlValue(HWND hDlg, int Setting)
{
    if (IsCheckBox(Settings[Setting]))
        return IsDlgButtonChecked(hDlg, Settings[Setting].Field.EditId) == BST_CHECKED;
    return TakeNumber(hDlg, Settings[Setting].Field);
}

void TPointerPage::EnableTrackingControls(HWND hDlg)
{
    const BOOL Tracking = IsDlgButtonChecked(hDlg, IDC_TRACKING_CHECK) == BST_CHECKED;
    for (int Dependent : TrackingDependents)
    {
        const TSettingDescription& Setting = Settings[Dependent];
        const WORD Ids[] = {Setting.LabelId, Setting.Field.EditId, Setting.Field.UpDownId};
        for (WORD Id : Ids)
            if (Id)
                EnableWindow(GetDlgItem(hDlg, Id), Tracking);
    }
}

// Writes each setting that differs from the page's starting point; what
// was written becomes the new starting point. A setting that could not be
// written stays different, so Apply can try it again.
bool TPointerPage::ApplyChanges(HWND hDlg)
{
    TFailedSetting Failed[PointerSettingCount];
    int Count = 0;
    for (int i = 0; i < PointerSettingCount; ++i)
    {
        const int Value = ControlValue(hDlg, i);
        if (Value == FSaved[i])
            continue;
        if (WriteSetting(Settings[i], Value))
            FSaved[i] = Value;
        else
            Failed[Count++] = TFailedSetting{GetDlgItem(hDlg, Settings[i].LabelId), 0};
    }
    return !RefuseApply(hDlg, *FLanguage, Failed, Count);
}
