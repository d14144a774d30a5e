// What the pages of the Mouse control panel share: the description of a
// numeric field and of a system setting, the guard around numeric edits,
// context help through the HTML Help control, and message boxes under the
// sheet's caption.
#ifndef POINTIX_PAGECONTROLS_H
#define POINTIX_PAGECONTROLS_H

#include <windows.h>
#include <commctrl.h>
#include <htmlhelp.h>

#include "Language.h"

// A numeric field: an edit, its up-down buddy (0: none), and the range it
// takes, counted in its last decimal place. A field with decimals shows
// and takes the user's decimal separator and has no up-down.
struct TNumberField
{
    WORD EditId;
    WORD UpDownId;
    int Min;
    int Max;
    BYTE Decimals;
};

// Value brought to the nearest bound of the field's range.
int Clamp(const TNumberField& Field, int Value);
// As many characters as the field's largest value has, with its comma;
// the edit takes no more.
int DigitLimit(const TNumberField& Field);
// Limits the edit's text, sets the up-down's range and puts Value into it
// (the up-down brings it into the range and writes the edit).
void SetupNumberField(HWND hDlg, const TNumberField& Field, int Value);
// Value as the field shows it ("12", or "12,50" with two decimals).
void ShowNumber(HWND hDlg, const TNumberField& Field, int Value);
// The edit's number brought to the nearest bound of the range. When that
// changed it, the edit shows the number that counts from now on.
int TakeNumber(HWND hDlg, const TNumberField& Field);
// At the edit's EN_CHANGE: an emptied field gets LastGood back (and that
// change arrives as an EN_CHANGE of its own); otherwise LastGood becomes
// the number the field now holds. True when the field holds a new text.
bool RecordFieldChange(HWND hDlg, HWND hEdit, const TNumberField& Field, int& LastGood);
// The decimal separator of the user's number format, whatever the
// language of the pages.
WCHAR DecimalSeparator();
// Value, counted in its last of Decimals decimal places, as text with the
// decimal separator; returns the text's length. Text takes at least 16
// characters.
int FormatDecimal(WCHAR* Text, int Value, int Decimals);
// One argument of a formatted string: a number, or with Text set a text.
struct TFormatArg
{
    DWORD Number;
    const WCHAR* Text;
};
// The string FormatId of the module in Language formatted with Count
// arguments into Text; false when that failed, and Text is then of no use.
bool FormatResText(const TLanguage& Language, WCHAR* Text, int Capacity, UINT FormatId, const TFormatArg* Args, int Count);
// The same with numbers only.
bool FormatResString(const TLanguage& Language, WCHAR* Text, int Capacity, UINT FormatId, const DWORD* Numbers, int Count);

// A system setting: the field that shows it, how the system keeps it, and
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

bool IsCheckBox(const TSettingDescription& Setting);
// What the system has, brought into the field's range.
int ReadSetting(const TSettingDescription& Setting);
// Persisted and announced to every program at once, so nobody has to log
// off for it. True when the system reads the value back afterwards: a call
// may answer non-zero without having stored it.
bool WriteSetting(const TSettingDescription& Setting, int Value);

// HtmlHelpW of hhctrl.ocx, loaded at run time.
typedef HWND(WINAPI* THtmlHelpW)(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData);

// The HTML Help control for one owner. Without the library, or without its
// entry, there are no popups and no error.
class THelpLibrary
{
public:
    void Load();
    void Free();
    // The popup with the string StringId of Language, its stem at the
    // control's left edge at half its height.
    void ShowPopup(HWND hDlg, const TLanguage& Language, int CtrlId, UINT StringId);
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
    // The language of the balloon; set before the first refused character.
    void SetLanguage(const TLanguage& Language) { FLanguage = &Language; }
    // Looks at a message before the edit of Field gets it. True when the
    // message is refused: the edit must not see it, and its result is 0.
    // A field with decimals takes one decimal separator besides the digits.
    bool Refuses(HWND hEdit, UINT uMsg, WPARAM wParam, const TNumberField& Field);
    // What the balloon says, the first time it is shown: that only digits
    // go in, or (Decimal) only digits and the decimal separator.
    void ShowBalloon(HWND hEdit, bool Decimal);
    void HideBalloon();
    // At the page's WM_DESTROY.
    void DestroyBalloon();

private:
    const TLanguage* FLanguage;
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

// Room for a page's title.
const int TitleCapacity = 64;
// A page record of the newest layout every supported comctl32 knows: the
// dialog template and the title of Language, the dialog procedure, and
// Released with Owner in lParam, which the sheet calls with PSPCB_RELEASE
// when it gives the page up, whether or not the page's dialog was ever
// created; everything else 0. Template and title go by resource ID where
// the system finds the language by itself; otherwise the record takes the
// template from memory and the title as text, which Title (TitleCapacity
// characters, kept while the page lives) holds. False when the language
// has no such template or title.
bool FillPageRecord(PROPSHEETPAGEW& Page, const TLanguage& Language, WORD TemplateId, WORD TitleId, void* DlgProc,
                    LPFNPSPCALLBACKW Released, void* Owner, WCHAR* Title);
// The window procedure a control had before subclassing, after it got
// Thunk as its new one.
WNDPROC SubclassControl(HWND hControl, void* Thunk);
// A message box with Text under the sheet's caption, owned by the page.
// Returns 0 when no box could be shown.
int ShowSheetMessage(HWND hPage, const WCHAR* Text, UINT Type);
// Tells the sheet the page has changes, which enables Apply.
void MarkPageChanged(HWND hPage);
// A setting that could not be written, named by the text of its label
// (without mnemonic and closing colon) or, with no label, by the string
// NameId of the page's language.
struct TFailedSetting
{
    HWND Label;
    UINT NameId;
};
// Ends an apply of the page's PSN_APPLY in which Count writes failed: one
// message under the sheet's caption names each of their settings, the page
// stays changed so that Apply can try again, and the sheet stays open on it
// (PSNRET_INVALID). With Count 0 it does nothing and returns false.
bool RefuseApply(HWND hPage, const TLanguage& Language, const TFailedSetting* Failed, int Count);

#endif
