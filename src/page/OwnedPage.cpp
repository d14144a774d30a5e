// The life of a page that owns itself, from Add to the sheet's release.
#include "OwnedPage.h"
#include "CallbackThunk.h"
#include "../util/Module.h"

TOwnedPage::TOwnedPage(WORD TemplateId, WORD TitleId) : FTemplateId(TemplateId), FTitleId(TitleId)
{
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

void TOwnedPage::Offer(void* DialogEntry, void* EditEntry, LPFNADDPROPSHEETPAGE pfnAddPage, LPARAM lParam)
{
    FDlgProcThunk = MakeCallbackThunk(DialogEntry, this);
    FEditProcThunk = FDlgProcThunk ? MakeCallbackThunk(EditEntry, this) : nullptr;
    HPROPSHEETPAGE Handle = nullptr;
    if (FEditProcThunk)
    {
        PROPSHEETPAGEW Page;
        FillPageRecord(Page, FTemplateId, FTitleId, FDlgProcThunk);
        Page.dwFlags |= PSP_USECALLBACK;
        Page.pfnCallback = PageCallback;
        Page.lParam = reinterpret_cast<LPARAM>(this);
        Handle = CreatePropertySheetPageW(&Page);
    }
    if (!Handle)
    {
        delete this;
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
