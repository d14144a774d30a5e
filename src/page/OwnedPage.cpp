// The life of a page that owns itself, from Add to the sheet's release,
// and the messages its handlers serve.
#include "OwnedPage.h"
#include "CallbackThunk.h"
#include "../util/Module.h"

TOwnedPage::TOwnedPage(const TLanguage& Language, WORD TemplateId, WORD TitleId)
    : FLanguage(&Language), FTemplateId(TemplateId), FTitleId(TitleId)
{
    FGuard.SetLanguage(Language);
    InterlockedIncrement(&ObjectCount);
    FHelp.Load();
}

TOwnedPage::~TOwnedPage()
{
    FHelp.Free();
    if (FEditProcThunk)
        FreeCallbackThunk(FEditProcThunk);
    if (FDlgProcThunk)
        FreeCallbackThunk(FDlgProcThunk);
    InterlockedDecrement(&ObjectCount);
}

void TOwnedPage::Add(TOwnedPage* Page, LPFNADDPROPSHEETPAGE pfnAddPage, LPARAM lParam)
{
    if (!Page)
        return;
    Page->FDlgProcThunk = MakeCallbackThunk(reinterpret_cast<void*>(&DialogEntry<TOwnedPage>), Page);
    if (Page->FDlgProcThunk)
        Page->FEditProcThunk = MakeCallbackThunk(reinterpret_cast<void*>(&EditEntry<TOwnedPage>), Page);
    HPROPSHEETPAGE Handle = nullptr;
    if (Page->FEditProcThunk)
    {
        PROPSHEETPAGEW Record;
        if (FillPageRecord(Record, *Page->FLanguage, Page->FTemplateId, Page->FTitleId, Page->FDlgProcThunk, PageCallback, Page,
                           Page->FTitle))
            Handle = CreatePropertySheetPageW(&Record);
    }
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

// The sheet calls this when it gives the page up, after the page's window
// (if it ever had one) is gone.
UINT CALLBACK TOwnedPage::PageCallback(HWND, UINT uMsg, LPPROPSHEETPAGEW Page)
{
    if (uMsg == PSPCB_RELEASE)
        delete reinterpret_cast<TOwnedPage*>(Page->lParam);
    return 1;
}

// Stores a message result only for an apply that could not write a
// setting; every other message is answered with 0.
INT_PTR TOwnedPage::PageDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        break;
    case WM_DESTROY:
        OnDestroy(hDlg);
        FHelp.CloseAll();
        FGuard.DestroyBalloon();
        break;
    case WM_COMMAND:
        OnCommand(hDlg, HIWORD(wParam), reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        break;
    case WM_HELP:
        OnHelp(hDlg, reinterpret_cast<HELPINFO*>(lParam)->iCtrlId);
        break;
    case WM_DRAWITEM:
        return OnDrawItem(hDlg, reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    case WM_SYSCOLORCHANGE:
        // What a page draws itself takes the new colours at once.
        RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        break;
    case WM_NOTIFY:
        if (OnNotify(hDlg, reinterpret_cast<NMHDR*>(lParam)->code))
            return TRUE;
        break;
    }
    return 0;
}

LRESULT TOwnedPage::EditSubclassProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

void TOwnedPage::OnInitDialog(HWND)
{
}

void TOwnedPage::OnDestroy(HWND)
{
}

void TOwnedPage::OnCommand(HWND, UINT, HWND, UINT)
{
}

void TOwnedPage::OnHelp(HWND, int)
{
}

bool TOwnedPage::OnNotify(HWND, UINT)
{
    return false;
}

bool TOwnedPage::OnDrawItem(HWND, const DRAWITEMSTRUCT*)
{
    return false;
}
