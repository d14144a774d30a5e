// Numeric fields, help popups and message boxes, as both pages use them.
#include "PageControls.h"
#include "../server/Module.h"
#include "../util/Util.h"
#include "../../res/resource.h"

#include <stddef.h>

namespace
{
const WCHAR HelpLibraryName[] = L"hhctrl.ocx";

// Room for the message that names every setting that could not be written.
const int MessageCapacity = 600;

// The page record as far as hActCtx.
const UINT PageRecordSize = offsetof(PROPSHEETPAGEW, hActCtx) + sizeof(HANDLE);
#if defined(__i386__)
static_assert(PageRecordSize == 52, "PROPSHEETPAGEW up to hActCtx is 52 bytes on x86");
#elif defined(_WIN64)
static_assert(PageRecordSize == 96, "PROPSHEETPAGEW up to hActCtx is 96 bytes on 64-bit Windows");
#endif
}

int Clamp(const TNumberField& Field, int Value)
{
    if (Value < Field.Min)
        return Field.Min;
    if (Value > Field.Max)
        return Field.Max;
    return Value;
}

int DigitLimit(const TNumberField& Field)
{
    int Digits = 1;
    for (int Rest = Field.Max; Rest >= 10; Rest /= 10)
        ++Digits;
    return Digits;
}

void SetupNumberField(HWND hDlg, const TNumberField& Field, int Value)
{
    SendDlgItemMessageW(hDlg, Field.EditId, EM_LIMITTEXT, DigitLimit(Field), 0);
    SendDlgItemMessageW(hDlg, Field.UpDownId, UDM_SETRANGE, 0, MAKELONG(Field.Max, Field.Min));
    SendDlgItemMessageW(hDlg, Field.UpDownId, UDM_SETPOS, 0, MAKELONG(LOWORD(Value), 0));
}

int TakeNumber(HWND hDlg, const TNumberField& Field)
{
    BOOL Read = FALSE;
    const int Typed = static_cast<int>(GetDlgItemInt(hDlg, Field.EditId, &Read, FALSE));
    const int Value = Clamp(Field, Read ? Typed : Field.Min);
    if (!Read || Value != Typed)
        SetDlgItemInt(hDlg, Field.EditId, Value, FALSE);
    return Value;
}

// From the system directory only: a file of that name in the host
// program's folder or in the current folder must never be loaded into the
// control panel's process. Windows before 8 without its loader update does
// not know the search flag and refuses it; there the full path is given.
void THelpLibrary::Load()
{
    FHtmlHelpLib = LoadLibraryExW(HelpLibraryName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!FHtmlHelpLib && GetLastError() == ERROR_INVALID_PARAMETER)
    {
        WCHAR Path[MAX_PATH];
        const UINT Length = GetSystemDirectoryW(Path, MAX_PATH);
        // The folder, a backslash, the name and its terminator.
        if (Length > 0 && Length + 1 + sizeof(HelpLibraryName) / sizeof(WCHAR) <= MAX_PATH)
        {
            ByteCopy(Path + Length, L"\\", sizeof(WCHAR));
            ByteCopy(Path + Length + 1, HelpLibraryName, sizeof(HelpLibraryName));
            FHtmlHelpLib = LoadLibraryW(Path);
        }
    }
    if (FHtmlHelpLib)
        FHtmlHelp = reinterpret_cast<THtmlHelpW>(reinterpret_cast<void*>(GetProcAddress(FHtmlHelpLib, "HtmlHelpW")));
}

void THelpLibrary::Free()
{
    if (FHtmlHelpLib)
    {
        FreeLibrary(FHtmlHelpLib);
        FHtmlHelpLib = nullptr;
    }
}

void THelpLibrary::ShowPopup(HWND hDlg, int CtrlId, UINT StringId)
{
    if (!FHtmlHelpLib || !FHtmlHelp)
        return;
    HH_POPUP Popup;
    ZeroFill(&Popup, sizeof(Popup));
    Popup.cbStruct = sizeof(HH_POPUP);
    Popup.hinst = HInstance;
    Popup.idString = StringId;
    Popup.clrForeground = static_cast<COLORREF>(-1);
    Popup.clrBackground = static_cast<COLORREF>(-1);
    Popup.rcMargins.left = -1;
    Popup.rcMargins.top = -1;
    Popup.rcMargins.right = -1;
    Popup.rcMargins.bottom = -1;
    HWND hCtl = GetDlgItem(hDlg, CtrlId);
    RECT Client = {0, 0, 0, 0};
    GetClientRect(hCtl, &Client);
    Popup.pt.x = 0;
    Popup.pt.y = Client.bottom / 2;
    ClientToScreen(hCtl, &Popup.pt);
    FHtmlHelp(hDlg, nullptr, HH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&Popup));
}

void THelpLibrary::CloseAll()
{
    if (FHtmlHelpLib && FHtmlHelp)
        FHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

void FillPageRecord(PROPSHEETPAGEW& Page, WORD TemplateId, WORD TitleId, void* DlgProc)
{
    ZeroFill(&Page, sizeof(Page));
    Page.dwSize = PageRecordSize;
    Page.dwFlags = PSP_USETITLE;
    Page.hInstance = HInstance;
    Page.pszTemplate = MAKEINTRESOURCEW(TemplateId);
    Page.pszTitle = MAKEINTRESOURCEW(TitleId);
    Page.pfnDlgProc = reinterpret_cast<DLGPROC>(DlgProc);
}

WNDPROC SubclassEdit(HWND hEdit, void* Thunk)
{
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Thunk)));
}

int ShowSheetMessage(HWND hPage, const WCHAR* Text, UINT Type)
{
    HWND hSheet = GetParent(hPage);
    const LRESULT CaptionLength = SendMessageW(hSheet, WM_GETTEXTLENGTH, 0, 0);
    THeapBuffer<WCHAR> Caption((CaptionLength + 1) * sizeof(WCHAR));
    if (!Caption)
        return 0;
    GetWindowTextW(hSheet, Caption.Get(), static_cast<int>(CaptionLength + 1));
    return MessageBoxW(hPage, Text, Caption.Get(), Type);
}

void MarkPageChanged(HWND hPage)
{
    SendMessageW(GetParent(hPage), PSM_CHANGED, reinterpret_cast<WPARAM>(hPage), 0);
}

bool RefuseApply(HWND hPage, const HWND* FailedLabels, int Count)
{
    if (Count == 0)
        return false;
    THeapBuffer<WCHAR> Message(MessageCapacity * sizeof(WCHAR));
    if (Message)
    {
        WCHAR* Text = Message.Get();
        int Length = LoadStringW(HInstance, IDS_WRITE_ERROR, Text, MessageCapacity);
        for (int i = 0; i < Count && Length + 3 < MessageCapacity; ++i)
        {
            Text[Length++] = L'\r';
            Text[Length++] = L'\n';
            WCHAR* Name = Text + Length;
            const int NameLength = GetWindowTextW(FailedLabels[i], Name, MessageCapacity - Length);
            for (int j = 0; j < NameLength; ++j)
                if (Name[j] != L'&' && !(Name[j] == L':' && j == NameLength - 1))
                    Text[Length++] = Name[j];
        }
        Text[Length] = 0;
        ShowSheetMessage(hPage, Text, MB_ICONERROR);
    }
    MarkPageChanged(hPage);
    SetWindowLongPtrW(hPage, DWLP_MSGRESULT, PSNRET_INVALID);
    return true;
}
