// The page "Zeigen und Ziehen": its settings, how each is read, shown and
// written, and the page's life from Add to the sheet's release.
#include "PointerPage.h"
#include "CallbackThunk.h"
#include "../server/Module.h"
#include "../util/Util.h"
#include "../../res/resource.h"

namespace
{
const UINT Persisted = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

// One setting of the page: its control, how the system keeps it, and
// Windows' default. A check box is a field with the range 0–1 and no
// up-down; it is its own label.
struct TSettingDescription
{
    TNumberField Field;
    WORD LabelId;
    WORD Default;
    WORD GetAction;   // SPI_GET…, or 0 to read the metric
    WORD SetAction;
    BYTE Metric;
    bool ValueInPvParam;  // SPI_SET… takes the value in pvParam, not in uiParam
};

const TSettingDescription Settings[PointerSettingCount] = {
    {{IDC_DRAG_WIDTH_EDIT, IDC_DRAG_WIDTH_UPDOWN, 1, 99}, IDC_DRAG_WIDTH_LABEL, 4,
     0, SPI_SETDRAGWIDTH, SM_CXDRAG, false},
    {{IDC_DRAG_HEIGHT_EDIT, IDC_DRAG_HEIGHT_UPDOWN, 1, 99}, IDC_DRAG_HEIGHT_LABEL, 4,
     0, SPI_SETDRAGHEIGHT, SM_CYDRAG, false},
    {{IDC_HOVER_TIME_EDIT, IDC_HOVER_TIME_UPDOWN, 10, 5000}, IDC_HOVER_TIME_LABEL, 400,
     SPI_GETMOUSEHOVERTIME, SPI_SETMOUSEHOVERTIME, 0, false},
    {{IDC_HOVER_WIDTH_EDIT, IDC_HOVER_WIDTH_UPDOWN, 1, 99}, IDC_HOVER_WIDTH_LABEL, 4,
     SPI_GETMOUSEHOVERWIDTH, SPI_SETMOUSEHOVERWIDTH, 0, false},
    {{IDC_HOVER_HEIGHT_EDIT, IDC_HOVER_HEIGHT_UPDOWN, 1, 99}, IDC_HOVER_HEIGHT_LABEL, 4,
     SPI_GETMOUSEHOVERHEIGHT, SPI_SETMOUSEHOVERHEIGHT, 0, false},
    {{IDC_MENU_DELAY_EDIT, IDC_MENU_DELAY_UPDOWN, 0, 5000}, IDC_MENU_DELAY_LABEL, 400,
     SPI_GETMENUSHOWDELAY, SPI_SETMENUSHOWDELAY, 0, false},
    {{IDC_TRACKING_CHECK, 0, 0, 1}, IDC_TRACKING_CHECK, 0,
     SPI_GETACTIVEWINDOWTRACKING, SPI_SETACTIVEWINDOWTRACKING, 0, true},
    {{IDC_TRACKING_ZORDER_CHECK, 0, 0, 1}, IDC_TRACKING_ZORDER_CHECK, 0,
     SPI_GETACTIVEWNDTRKZORDER, SPI_SETACTIVEWNDTRKZORDER, 0, true},
    {{IDC_TRACKING_DELAY_EDIT, IDC_TRACKING_DELAY_UPDOWN, 0, 5000}, IDC_TRACKING_DELAY_LABEL, 0,
     SPI_GETACTIVEWNDTRKTIMEOUT, SPI_SETACTIVEWNDTRKTIMEOUT, 0, true},
};

// Bringing the activated window to the front and the delay mean something
// only while window tracking is on.
const int TrackingDependents[] = {psTrackingZOrder, psTrackingDelay};

bool IsCheckBox(const TSettingDescription& Setting)
{
    return Setting.Field.UpDownId == 0;
}

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

int ReadSetting(const TSettingDescription& Setting)
{
    if (!Setting.GetAction)
        return GetSystemMetrics(Setting.Metric);
    // UINT, DWORD or BOOL: 32 bits each.
    int Value = 0;
    SystemParametersInfoW(Setting.GetAction, 0, &Value, 0);
    return IsCheckBox(Setting) ? Value != 0 : Clamp(Setting.Field, Value);
}

// Persisted and announced to every program at once, so nobody has to log
// off for it. Written means the system reads the value back afterwards: a
// call may answer non-zero without having stored it (Wine answers an
// access-violation status for the tracking delay).
bool WriteSetting(const TSettingDescription& Setting, int Value)
{
    const BOOL Answer = Setting.ValueInPvParam
        ? SystemParametersInfoW(Setting.SetAction, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(Value)), Persisted)
        : SystemParametersInfoW(Setting.SetAction, Value, nullptr, Persisted);
    return Answer && ReadSetting(Setting) == Value;
}
}

void TPointerPage::Add(LPFNADDPROPSHEETPAGE pfnAddPage, LPARAM lParam)
{
    TPointerPage* Page = new TPointerPage;
    if (!Page)
        return;
    HPROPSHEETPAGE Handle = Page->Create();
    if (!Handle)
    {
        delete Page;
        return;
    }
    // From here on the sheet's release notification frees the page, also
    // when the host refuses it and the handle is destroyed right away.
    if (!pfnAddPage(Handle, lParam))
        DestroyPropertySheetPage(Handle);
}

TPointerPage::TPointerPage()
{
    InterlockedIncrement(&ObjectCount);
    FHelp.Load();
}

TPointerPage::~TPointerPage()
{
    FHelp.Free();
    if (FEditProcThunk)
        FreeCallbackThunk(FEditProcThunk);
    if (FDlgProcThunk)
        FreeCallbackThunk(FDlgProcThunk);
    InterlockedDecrement(&ObjectCount);
}

HPROPSHEETPAGE TPointerPage::Create()
{
    FDlgProcThunk = MakeCallbackThunk(reinterpret_cast<void*>(&DialogEntry<TPointerPage>), this);
    if (!FDlgProcThunk)
        return nullptr;
    FEditProcThunk = MakeCallbackThunk(reinterpret_cast<void*>(&EditEntry<TPointerPage>), this);
    if (!FEditProcThunk)
        return nullptr;
    PROPSHEETPAGEW Page;
    FillPageRecord(Page, IDD_POINTERPAGE, IDS_POINTER_TITLE, FDlgProcThunk);
    Page.dwFlags |= PSP_USECALLBACK;
    Page.pfnCallback = PageCallback;
    Page.lParam = reinterpret_cast<LPARAM>(this);
    return CreatePropertySheetPageW(&Page);
}

// The sheet calls this when it gives the page up, after the page's window
// (if it ever had one) is gone.
UINT CALLBACK TPointerPage::PageCallback(HWND, UINT uMsg, LPPROPSHEETPAGEW Page)
{
    if (uMsg == PSPCB_RELEASE)
        delete reinterpret_cast<TPointerPage*>(Page->lParam);
    return 1;
}

INT_PTR TPointerPage::PageDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        break;
    case WM_DESTROY:
        OnDestroy(hDlg);
        break;
    case WM_COMMAND:
        OnCommand(hDlg, HIWORD(wParam), reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        break;
    case WM_HELP:
        OnHelp(hDlg, reinterpret_cast<HELPINFO*>(lParam)->iCtrlId);
        break;
    case WM_NOTIFY:
        // A setting that could not be written keeps the sheet open on this
        // page, with Apply still enabled.
        if (reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY) && !ApplyChanges(hDlg))
            return TRUE;
        break;
    }
    return 0;
}

LRESULT TPointerPage::EditSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    const int Setting = SettingOf(GetDlgCtrlID(hWnd));
    if (Setting < 0)
        return 0;
    if (FGuard.Refuses(hWnd, uMsg, wParam, DigitLimit(Settings[Setting].Field)))
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
            FOldEditProc[i] = SubclassEdit(GetDlgItem(hDlg, Settings[i].Field.EditId), FEditProcThunk);
}

void TPointerPage::OnDestroy(HWND hDlg)
{
    FHelp.CloseAll();
    for (int i = 0; i < PointerSettingCount; ++i)
        if (FOldEditProc[i])
            SubclassEdit(GetDlgItem(hDlg, Settings[i].Field.EditId), reinterpret_cast<void*>(FOldEditProc[i]));
    FGuard.DestroyBalloon();
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
    if (!FOldEditProc[Setting])
        return;
    // A field may not stay empty. The number put back arrives as a new
    // EN_CHANGE and is recorded there.
    if (SendMessageW(hEdit, WM_GETTEXTLENGTH, 0, 0) == 0)
    {
        SetDlgItemInt(hDlg, Settings[Setting].Field.EditId, FLastGood[Setting], FALSE);
        return;
    }
    FLastGood[Setting] = Clamp(Settings[Setting].Field, GetDlgItemInt(hDlg, Settings[Setting].Field.EditId, nullptr, FALSE));
    MarkPageChanged(hDlg);
}

void TPointerPage::OnHelp(HWND hDlg, int CtrlId)
{
    const UINT StringId = HelpStringOf(CtrlId);
    if (StringId)
        FHelp.ShowPopup(hDlg, CtrlId, StringId);
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
        SetDlgItemInt(hDlg, Id, Value, FALSE);
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
    HWND Failed[PointerSettingCount];
    int Count = 0;
    for (int i = 0; i < PointerSettingCount; ++i)
    {
        const int Value = ControlValue(hDlg, i);
        if (Value == FSaved[i])
            continue;
        if (WriteSetting(Settings[i], Value))
            FSaved[i] = Value;
        else
            Failed[Count++] = GetDlgItem(hDlg, Settings[i].LabelId);
    }
    return !RefuseApply(hDlg, Failed, Count);
}
