// The extension object's COM side, AddPages, and the page's dialog procedure
// with its initialization and clean-up.
#include "PropSheetExt.h"
#include "CallbackThunk.h"
#include "CurvePage.h"
#include "PointerPage.h"
#include "../util/Module.h"

namespace
{
// Controls shown only where Windows has the acceleration thresholds
// (NT 5.1 and later), in the order they are hidden elsewhere.
const int AccelerationControls[] = {
    IDC_ACCEL_GROUP, IDC_THRESHOLD1_TRACK, IDC_THRESHOLD2_TRACK, IDC_QUAD_CHECK,
    IDC_THRESHOLD1_LABEL, IDC_THRESHOLD2_LABEL, IDC_THRESHOLD1_FAST, IDC_THRESHOLD1_SLOW,
    IDC_THRESHOLD2_FAST, IDC_THRESHOLD2_SLOW,
};

const int MaxThreshold = 16;

// Windows names a control without text of its own after the nearest static
// before it in z-order, which for each trackbar is its "Langsam". Each goes
// right after its caption instead: the tab stops keep their order, and a
// caption's mnemonic still reaches the next tab stop after it, its
// trackbar. Nothing moves on the page.
void NameTrackbarsByTheirCaptions(HWND hDlg)
{
    const int Captioned[][2] = {{IDC_THRESHOLD1_LABEL, IDC_THRESHOLD1_TRACK}, {IDC_THRESHOLD2_LABEL, IDC_THRESHOLD2_TRACK}};
    for (const auto& Pair : Captioned)
        SetWindowPos(GetDlgItem(hDlg, Pair[1]), GetDlgItem(hDlg, Pair[0]), 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
}

// The triple in the controls, but for the members whose bits are in Keep.
// A trackbar shows a threshold beyond its range at the range's end.
void ShowMouseIn(HWND hDlg, const int* Mouse, DWORD Keep)
{
    const int Tracks[] = {IDC_THRESHOLD1_TRACK, IDC_THRESHOLD2_TRACK};
    for (int i = mmThreshold1; i <= mmThreshold2; ++i)
        if (!(Keep & MouseMemberBit(i)))
            SendDlgItemMessageW(hDlg, Tracks[i], TBM_SETPOS, TRUE, Mouse[i] > MaxThreshold ? MaxThreshold : Mouse[i]);
    if (!(Keep & MouseMemberBit(mmAcceleration)))
        CheckDlgButton(hDlg, IDC_QUAD_CHECK, Mouse[mmAcceleration] == 2 ? BST_CHECKED : BST_UNCHECKED);
}
}

TPropSheetExt::TPropSheetExt()
{
    FHelp.Load();
}

TPropSheetExt::~TPropSheetExt()
{
    FHelp.Free();
    if (FEditProcThunk)
    {
        FreeCallbackThunk(FEditProcThunk);
        FEditProcThunk = nullptr;
    }
    if (FDlgProcThunk)
    {
        FreeCallbackThunk(FDlgProcThunk);
        FDlgProcThunk = nullptr;
    }
}

// The IShellPropSheetExt pointer is the object's identity.
HRESULT STDMETHODCALLTYPE TPropSheetExt::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IUnknown* Found = nullptr;
    if (IsEqualGUID(riid, __uuidof(IShellPropSheetExt)) || IsEqualGUID(riid, __uuidof(IUnknown)))
        Found = static_cast<IShellPropSheetExt*>(this);
    else if (IsEqualGUID(riid, __uuidof(IShellExtInit)))
        Found = static_cast<IShellExtInit*>(this);
    if (!Found)
        return E_NOINTERFACE;
    *ppv = Found;
    Found->AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE TPropSheetExt::AddRef()
{
    return InterlockedIncrement(&FRefCount);
}

ULONG STDMETHODCALLTYPE TPropSheetExt::Release()
{
    LONG Count = InterlockedDecrement(&FRefCount);
    if (Count == 0)
    {
        InterlockedDecrement(&ObjectCount);
        delete this;
    }
    return Count;
}

HRESULT STDMETHODCALLTYPE TPropSheetExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject*, HKEY)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TPropSheetExt::ReplacePage(UINT, LPFNADDPROPSHEETPAGE, LPARAM)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TPropSheetExt::AddPages(LPFNADDPROPSHEETPAGE pfnAddPage, LPARAM lParam)
{
    // The host calls this once. Should it call again, the thunks made the
    // first time serve again: each field holds one thunk, and a second
    // pair would overwrite the first and never be given back.
    if (!FDlgProcThunk)
        FDlgProcThunk = MakeCallbackThunk(reinterpret_cast<void*>(&DialogEntry<TPropSheetExt>), this);
    if (!FDlgProcThunk)
        return E_OUTOFMEMORY;
    if (!FEditProcThunk)
        FEditProcThunk = MakeCallbackThunk(reinterpret_cast<void*>(&EditEntry<TPropSheetExt>), this);
    if (!FEditProcThunk)
        return E_OUTOFMEMORY;

    // The language is chosen once, for all pages of the sheet.
    FLanguage = &SheetLanguage();
    FGuard.SetLanguage(*FLanguage);
    PROPSHEETPAGEW Page;
    HPROPSHEETPAGE PageHandle = nullptr;
    if (FillPageRecord(Page, *FLanguage, IDD_MOUSEPAGE, IDS_PAGE_TITLE, FDlgProcThunk, PageCallback, this, FTitle))
        PageHandle = CreatePropertySheetPageW(&Page);
    if (!PageHandle)
        return E_INVALIDARG;
    // The page holds this reference until the sheet releases it, shown or
    // not; a page that the host refuses is released at once.
    AddRef();
    if (!pfnAddPage(PageHandle, lParam))
    {
        DestroyPropertySheetPage(PageHandle);
        return E_FAIL;
    }
    // The other pages own themselves; whether they could be added or not,
    // the first one stays.
    TOwnedPage::Add(new TPointerPage(*FLanguage), pfnAddPage, lParam);
    // Windows keeps the acceleration curve from Windows 7 (NT 6.1) on.
    if (IsWindowsNT(6, 1))
        TOwnedPage::Add(new TCurvePage(*FLanguage), pfnAddPage, lParam);
    return S_OK;
}

// The sheet gives the page up after its window, if it ever had one, is
// gone, so that the dialog procedure is never called again: the page's
// reference goes, and with the host's gone too, the object.
UINT CALLBACK TPropSheetExt::PageCallback(HWND, UINT uMsg, LPPROPSHEETPAGEW Page)
{
    if (uMsg == PSPCB_RELEASE)
        reinterpret_cast<TPropSheetExt*>(Page->lParam)->Release();
    return 1;
}

// Stores a message result only for an apply that could not write a
// setting; every other notification is answered with 0.
INT_PTR TPropSheetExt::PageDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        SubclassEdits(hDlg);
        break;
    case WM_DESTROY:
        OnDestroy(hDlg);
        break;
    case WM_NOTIFY:
        if (OnNotify(hDlg, reinterpret_cast<NMHDR*>(lParam)->code))
            return TRUE;
        break;
    case WM_HELP:
    {
        const HELPINFO* Info = reinterpret_cast<HELPINFO*>(lParam);
        OnHelp(hDlg, Info->iCtrlId, Info->hItemHandle);
        break;
    }
    case WM_COMMAND:
        OnCommand(hDlg, HIWORD(wParam), reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        break;
    case WM_HSCROLL:
        OnHScroll(hDlg, reinterpret_cast<HWND>(lParam));
        break;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(OnCtlColorStatic(hDlg, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
    }
    return 0;
}

void TPropSheetExt::OnInitDialog(HWND hDlg)
{
    FSavedDblClkHeight = GetSystemMetrics(SM_CYDOUBLECLK);
    SetupNumberField(hDlg, VertField, FSavedDblClkHeight);
    FSavedDblClkWidth = GetSystemMetrics(SM_CXDOUBLECLK);
    SetupNumberField(hDlg, HorzField, FSavedDblClkWidth);

    if (IsWindowsNT(5, 1))
    {
        SendDlgItemMessageW(hDlg, IDC_THRESHOLD1_TRACK, TBM_SETRANGEMIN, FALSE, 0);
        SendDlgItemMessageW(hDlg, IDC_THRESHOLD1_TRACK, TBM_SETRANGEMAX, FALSE, MaxThreshold);
        SendDlgItemMessageW(hDlg, IDC_THRESHOLD2_TRACK, TBM_SETRANGEMIN, FALSE, 0);
        SendDlgItemMessageW(hDlg, IDC_THRESHOLD2_TRACK, TBM_SETRANGEMAX, FALSE, MaxThreshold);
        // Kept as read, so that a cancel puts back a threshold above 16
        // too, which the trackbar shows as 16.
        SystemParametersInfoW(SPI_GETMOUSE, 0, FSavedMouse, 0);
        ShowMouseIn(hDlg, FSavedMouse, 0);
    }
    else
    {
        for (int Id : AccelerationControls)
            ShowWindow(GetDlgItem(hDlg, Id), SW_HIDE);
    }

    SetupLinkLabel(hDlg);
    SetupVersionLabel(hDlg);
    NameTrackbarsByTheirCaptions(hDlg);
}

// Runs after the edits got their initial values, so the EN_CHANGE those
// caused found the saved procedures still null and recorded nothing. The
// link label takes keys and shows the focus.
void TPropSheetExt::SubclassEdits(HWND hDlg)
{
    FOldVertEditProc = SubclassControl(GetDlgItem(hDlg, IDC_VERT_EDIT), FEditProcThunk);
    FOldHorzEditProc = SubclassControl(GetDlgItem(hDlg, IDC_HORZ_EDIT), FEditProcThunk);
    FOldLinkProc = SubclassControl(GetDlgItem(hDlg, IDC_LINK_LABEL), FEditProcThunk);
}

void TPropSheetExt::OnDestroy(HWND hDlg)
{
    FHelp.CloseAll();
    if (FLinkFont)
        DeleteObject(FLinkFont);
    if (FOldVertEditProc)
        SubclassControl(GetDlgItem(hDlg, IDC_VERT_EDIT), reinterpret_cast<void*>(FOldVertEditProc));
    if (FOldHorzEditProc)
        SubclassControl(GetDlgItem(hDlg, IDC_HORZ_EDIT), reinterpret_cast<void*>(FOldHorzEditProc));
    if (FOldLinkProc)
        SubclassControl(GetDlgItem(hDlg, IDC_LINK_LABEL), reinterpret_cast<void*>(FOldLinkProc));
    FGuard.DestroyBalloon();
}

// The system's triple in the controls, but for the members changed on the
// page and not yet applied.
void TPropSheetExt::ShowMouse(HWND hDlg)
{
    int Mouse[MouseMemberCount] = {0, 0, 0};
    if (IsWindowsNT(5, 1) && SystemParametersInfoW(SPI_GETMOUSE, 0, Mouse, 0))
        ShowMouseIn(hDlg, Mouse, FChanged & CHANGED_MOUSE);
}

// Another page of the sheet may have written the triple while this one
// was not shown.
bool TPropSheetExt::OnNotify(HWND hDlg, UINT Code)
{
    if (Code == static_cast<UINT>(PSN_SETACTIVE))
        ShowMouse(hDlg);
    else if (Code == static_cast<UINT>(PSN_RESET))
        RevertChanges();
    else if (Code == static_cast<UINT>(PSN_APPLY))
        return !ApplyChanges(hDlg);
    return false;
}
