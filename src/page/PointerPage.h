// The page "Zeigen und Ziehen": drag threshold, hover time and area,
// submenu delay and window tracking. Unlike "Einstellungen" it previews
// nothing: edits only mark the page changed, and OK or Apply writes the
// settings that differ from what the page started from.
#ifndef POINTIX_POINTERPAGE_H
#define POINTIX_POINTERPAGE_H

#include <windows.h>
#include <commctrl.h>

#include "OwnedPage.h"

// The settings of the page, in tab order.
enum TPointerSetting
{
    psDragWidth,
    psDragHeight,
    psHoverTime,
    psHoverWidth,
    psHoverHeight,
    psMenuDelay,
    psTracking,
    psTrackingZOrder,
    psTrackingDelay,
    PointerSettingCount
};

class TPointerPage : public TOwnedPage
{
public:
    explicit TPointerPage(const TLanguage& Language);

    LRESULT EditSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnInitDialog(HWND hDlg) override;
    void OnDestroy(HWND hDlg) override;
    void OnCommand(HWND hDlg, UINT Code, HWND hCtl, UINT Id) override;
    void OnHelp(HWND hDlg, int CtrlId) override;
    bool OnNotify(HWND hDlg, UINT Code) override;
    // False when a setting could not be written; the user was told which.
    bool ApplyChanges(HWND hDlg);
    void OnEditChange(HWND hDlg, HWND hEdit, int Setting);
    void SetDefaults(HWND hDlg);
    void ShowControl(HWND hDlg, int Setting, int Value);
    int ControlValue(HWND hDlg, int Setting);
    void EnableTrackingControls(HWND hDlg);

    WNDPROC FOldEditProc[PointerSettingCount];
    // What the page started from: the system's values when it was
    // initialized, then what Apply wrote.
    int FSaved[PointerSettingCount];
    // The last number each field showed, for a field that was emptied.
    int FLastGood[PointerSettingCount];
};

#endif
