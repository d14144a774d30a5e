// The property sheet extension object: adds the page "Einstellungen" to the
// Mouse control panel and carries the page's whole state while it exists.
#ifndef POINTIX_PROPSHEETEXT_H
#define POINTIX_PROPSHEETEXT_H

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "PageControls.h"
#include "../util/Object.h"
#include "../../res/resource.h"

// The double-click fields.
const TNumberField VertField = {IDC_VERT_EDIT, IDC_VERT_UPDOWN, 0, 99, 0};
const TNumberField HorzField = {IDC_HORZ_EDIT, IDC_HORZ_UPDOWN, 0, 99, 0};

// The members of the mouse triple, in its order.
enum TMouseMember
{
    mmThreshold1,
    mmThreshold2,
    mmAcceleration,
    MouseMemberCount
};

// Dirty bits of the page: the double-click fields, and one per member of
// the mouse triple (0x10 << member), which together are CHANGED_MOUSE.
const DWORD CHANGED_VERT = 0x01;
const DWORD CHANGED_HORZ = 0x02;
const DWORD CHANGED_MOUSE = 0x70;
inline DWORD MouseMemberBit(int Member)
{
    return 0x10u << Member;
}

class TPropSheetExt : public TObject, public IShellPropSheetExt, public IShellExtInit
{
public:
    TPropSheetExt();
    ~TPropSheetExt() override;

    // IUnknown, shared by both interfaces
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IShellPropSheetExt
    HRESULT STDMETHODCALLTYPE AddPages(LPFNADDPROPSHEETPAGE pfnAddPage, LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE ReplacePage(UINT uPageID, LPFNADDPROPSHEETPAGE pfnReplaceWith, LPARAM lParam) override;
    // IShellExtInit
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pdtobj, HKEY hkeyProgID) override;

    // Window procedures of the page and of its subclassed controls (the
    // two numeric edits and the link label), reached through the thunks.
    INT_PTR PageDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT EditSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

private:
    // Page life
    static UINT CALLBACK PageCallback(HWND hWnd, UINT uMsg, LPPROPSHEETPAGEW Page);
    void OnInitDialog(HWND hDlg);
    void SubclassEdits(HWND hDlg);
    void OnDestroy(HWND hDlg);
    // True when the notification's result is set (an apply refused).
    bool OnNotify(HWND hDlg, UINT Code);

    // Setting changes, live preview, apply and cancel
    void OnCommand(HWND hDlg, UINT Code, HWND hCtl, UINT Id);
    void OnHScroll(HWND hDlg, HWND hTrack);
    void OnEditChange(HWND hDlg, HWND hEdit, UINT Id);
    // The triple as the system has it shown in the controls, but for the
    // members changed on the page and not yet applied.
    void ShowMouse(HWND hDlg);
    void PreviewMouse(HWND hDlg, int Member);
    // The system's triple with the members in Members (bits of
    // CHANGED_MOUSE) taken from Values, written with fWinIni; with a
    // profile update, read back too. True when the system took it.
    BOOL SetMouseParams(DWORD Members, const int* Values, UINT fWinIni);
    // False when a setting could not be written; the user was told which.
    bool ApplyChanges(HWND hDlg);
    void RevertChanges();

    // Help, link and version labels
    void OnHelp(HWND hDlg, int CtrlId, HANDLE ItemHandle);
    HBRUSH OnCtlColorStatic(HWND hDlg, HWND hStatic, HDC hdc);
    void SetupLinkLabel(HWND hDlg);
    LRESULT LinkProc(HWND hLink, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void DrawLinkFocus(HWND hLink);
    void SetupVersionLabel(HWND hDlg);
    void OpenWebPage(HWND hDlg);
    int ShowResMessage(HWND hOwner, UINT StringId, UINT Type);

    volatile LONG FRefCount;
    void* FDlgProcThunk;
    HFONT FLinkFont;
    THelpLibrary FHelp;
    WNDPROC FOldVertEditProc;
    WNDPROC FOldHorzEditProc;
    WNDPROC FOldLinkProc;
    void* FEditProcThunk;
    TEntryGuard FGuard;
    // The language of the sheet, chosen when the pages are added.
    const TLanguage* FLanguage;
    WCHAR FTitle[TitleCapacity];
    DWORD FChanged;
    int FSavedDblClkHeight;
    int FSavedDblClkWidth;
    int FSavedMouse[3];
};

#endif
