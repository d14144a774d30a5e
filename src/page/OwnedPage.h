// A page that owns itself, as "Zeigen und Ziehen" and "Beschleunigungskurve"
// do: made by Add, counted in the module's object count while it lives, and
// freed when the sheet releases it, whether or not its dialog was ever
// created. Its dialog procedure and the subclass procedure of its controls
// are reached through a thunk each; the dialog procedure hands each message
// to the page's handler for it.
#ifndef POINTIX_OWNEDPAGE_H
#define POINTIX_OWNEDPAGE_H

#include <windows.h>
#include <commctrl.h>

#include "PageControls.h"
#include "../util/Object.h"

class TOwnedPage : public TObject
{
public:
    // Hands Page (null when it could not be made) to the host. A page that
    // cannot be made, or that the host refuses, is destroyed again; the
    // other pages stay.
    static void Add(TOwnedPage* Page, LPFNADDPROPSHEETPAGE pfnAddPage, LPARAM lParam);

    INT_PTR PageDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual LRESULT EditSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

protected:
    TOwnedPage(const TLanguage& Language, WORD TemplateId, WORD TitleId);
    ~TOwnedPage() override;

    // The handlers; those a page does not need do nothing.
    virtual void OnInitDialog(HWND hDlg);
    // Before the help popups are closed and the balloon goes.
    virtual void OnDestroy(HWND hDlg);
    virtual void OnCommand(HWND hDlg, UINT Code, HWND hCtl, UINT Id);
    virtual void OnHelp(HWND hDlg, int CtrlId);
    // True when the notification's result is set: an apply that could not
    // write a setting (the user was told which) keeps the sheet open on
    // this page with Apply still enabled.
    virtual bool OnNotify(HWND hDlg, UINT Code);
    // WM_DRAWITEM; true when the page drew the item.
    virtual bool OnDrawItem(HWND hDlg, const DRAWITEMSTRUCT* Item);

    // The subclass procedure's thunk, for the page's own controls.
    void* FEditProcThunk;
    THelpLibrary FHelp;
    TEntryGuard FGuard;
    // The language of the sheet, which the page speaks.
    const TLanguage* FLanguage;

private:
    static UINT CALLBACK PageCallback(HWND hWnd, UINT uMsg, LPPROPSHEETPAGEW Page);

    WORD FTemplateId;
    WORD FTitleId;
    void* FDlgProcThunk;
    WCHAR FTitle[TitleCapacity];
};

#endif
