// A page that owns itself, as "Zeigen und Ziehen" and "Beschleunigungskurve"
// do: made by Add, counted in the module's object count while it lives, and
// freed when the sheet releases it, whether or not its dialog was ever
// created. Its dialog procedure and the subclass procedure of its controls
// are reached through a thunk each.
#ifndef POINTIX_OWNEDPAGE_H
#define POINTIX_OWNEDPAGE_H

#include <windows.h>
#include <commctrl.h>

#include "PageControls.h"
#include "../util/Object.h"

class TOwnedPage : public TObject
{
public:
    // Makes a TPage and hands it to the host. A page that cannot be made,
    // or that the host refuses, is destroyed again; the other pages stay.
    template <class TPage>
    static void Add(LPFNADDPROPSHEETPAGE pfnAddPage, LPARAM lParam)
    {
        TPage* Page = new TPage;
        if (Page)
            Page->Offer(reinterpret_cast<void*>(&DialogEntry<TPage>), reinterpret_cast<void*>(&EditEntry<TPage>),
                        pfnAddPage, lParam);
    }

protected:
    TOwnedPage(WORD TemplateId, WORD TitleId);
    ~TOwnedPage() override;

    // The subclass procedure's thunk, for the page's own controls.
    void* FEditProcThunk;
    THelpLibrary FHelp;
    TEntryGuard FGuard;

private:
    void Offer(void* DialogEntry, void* EditEntry, LPFNADDPROPSHEETPAGE pfnAddPage, LPARAM lParam);
    static UINT CALLBACK PageCallback(HWND hWnd, UINT uMsg, LPPROPSHEETPAGEW Page);

    WORD FTemplateId;
    WORD FTitleId;
    void* FDlgProcThunk;
};

#endif
