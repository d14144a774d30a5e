// What both pages of the Mouse control panel share: the description of a
// numeric field, the guard around numeric edits, context help through the
// HTML Help control, and message boxes under the sheet's caption.
#ifndef POINTIX_PAGECONTROLS_H
#define POINTIX_PAGECONTROLS_H

#include <windows.h>
#include <commctrl.h>
#include <htmlhelp.h>

// A numeric field: an edit with an up-down buddy, and the range it takes.
struct TNumberField
{
    WORD EditId;
    WORD UpDownId;
    WORD Min;
    WORD Max;
};

// Value brought to the nearest bound of the field's range.
int Clamp(const TNumberField& Field, int Value);
// As many digits as the field's largest value has; the edit takes no more.
int DigitLimit(const TNumberField& Field);
// Limits the edit's text, sets the up-down's range and puts Value into it
// (the up-down brings it into the range and writes the edit).
void SetupNumberField(HWND hDlg, const TNumberField& Field, int Value);
// The edit's number brought to the nearest bound of the range. When that
// changed it, the edit shows the number that counts from now on.
int TakeNumber(HWND hDlg, const TNumberField& Field);

// HtmlHelpW of hhctrl.ocx, loaded at run time.
typedef HWND(WINAPI* THtmlHelpW)(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData);

// The HTML Help control for one owner. Without the library, or without its
// entry, there are no popups and no error.
class THelpLibrary
{
public:
    void Load();
    void Free();
    // The popup with the string StringId, its stem at the control's left
    // edge at half its height.
    void ShowPopup(HWND hDlg, int CtrlId, UINT StringId);
    void CloseAll();

private:
    HMODULE FHtmlHelpLib;
    THtmlHelpW FHtmlHelp;
};

// The balloon that explains a refused character, the paste check that lets
// only leading digits in, and the clear check that refuses emptying a whole
// field. One guard serves all numeric edits of a page.
class TEntryGuard
{
public:
    // Looks at a message before the edit gets it. True when the message is
    // refused: the edit must not see it, and its result is 0. TextLimit is
    // the number of characters the edit takes.
    bool Refuses(HWND hEdit, UINT uMsg, WPARAM wParam, int TextLimit);
    void ShowBalloon(HWND hEdit);
    void HideBalloon();
    // At the page's WM_DESTROY.
    void DestroyBalloon();

private:
    HWND FBalloon;
    TOOLINFOW FToolInfo;
};

// What the callback thunks of a page call: plain stdcall functions with the
// page's object first, which go on to its window procedures.
template <class TPage>
INT_PTR CALLBACK DialogEntry(TPage* Self, HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return Self->PageDlgProc(hDlg, uMsg, wParam, lParam);
}

template <class TPage>
LRESULT CALLBACK EditEntry(TPage* Self, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return Self->EditSubclassProc(hWnd, uMsg, wParam, lParam);
}

// A page record of the newest layout every supported comctl32 knows: the
// dialog template, the title from the string table and the dialog
// procedure; everything else 0.
void FillPageRecord(PROPSHEETPAGEW& Page, WORD TemplateId, WORD TitleId, void* DlgProc);
// The window procedure an edit had before subclassing, after it got
// Thunk as its new one.
WNDPROC SubclassEdit(HWND hEdit, void* Thunk);
// A message box with Text under the sheet's caption, owned by the page.
// Returns 0 when no box could be shown.
int ShowSheetMessage(HWND hPage, const WCHAR* Text, UINT Type);
// Tells the sheet the page has changes, which enables Apply.
void MarkPageChanged(HWND hPage);
// Ends an apply of the page's PSN_APPLY in which Count writes failed: one
// message under the sheet's caption names each of their settings by the
// text of its label (without mnemonic and closing colon), the page stays
// changed so that Apply can try again, and the sheet stays open on it
// (PSNRET_INVALID). With Count 0 it does nothing and returns false.
bool RefuseApply(HWND hPage, const HWND* FailedLabels, int Count);

#endif
