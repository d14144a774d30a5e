// Numeric fields, system settings, help popups and message boxes, as the
// pages use them.
#include "PageControls.h"
#include "../util/Module.h"
#include "../util/Util.h"
#include "../vsnprintf/vsnprintf.h"
#include "../../res/resource.h"

#include <stddef.h>

namespace
{
const WCHAR HelpLibraryName[] = L"hhctrl.ocx";

// Room for the message that names every setting that could not be written,
// and for a help text.
const int MessageCapacity = 600, HelpCapacity = 260;

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
    int Digits = Field.Decimals ? 2 : 1;
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

// Only its first character, where a locale has more.
WCHAR DecimalSeparator()
{
    WCHAR Separator[4];
    return GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Separator, 4) > 1 ? Separator[0] : L'.';
}

int FormatDecimal(WCHAR* Text, int Value, int Decimals)
{
    const WCHAR Separator = DecimalSeparator();
    WCHAR Reversed[16];
    int Count = 0;
    for (unsigned Rest = Value < 0 ? 0 : Value; Count < 15 && (Rest > 0 || Count <= Decimals); Rest /= 10)
    {
        if (Count == Decimals && Decimals > 0)
            Reversed[Count++] = Separator;
        Reversed[Count++] = static_cast<WCHAR>(L'0' + Rest % 10);
    }
    for (int i = 0; i < Count; ++i)
        Text[i] = Reversed[Count - 1 - i];
    Text[Count] = 0;
    return Count;
}

void ShowNumber(HWND hDlg, const TNumberField& Field, int Value)
{
    WCHAR Text[16];
    FormatDecimal(Text, Value, Field.Decimals);
    SetDlgItemTextW(hDlg, Field.EditId, Text);
}

// The edit's digits, with as many decimals as the field has after its
// decimal separator (more are cut); false when there is no digit at all.
bool ReadNumber(HWND hDlg, const TNumberField& Field, int& Value)
{
    WCHAR Text[32];
    GetDlgItemTextW(hDlg, Field.EditId, Text, 32);
    const WCHAR Separator = DecimalSeparator();
    bool Digits = false;
    int Decimals = -1;
    Value = 0;
    for (const WCHAR* At = Text; *At; ++At)
    {
        if (*At == Separator && Field.Decimals && Decimals < 0)
            Decimals = 0;
        else if (*At < L'0' || *At > L'9')
            return false;
        else if (Decimals < Field.Decimals && Value < 100000000)
        {
            Value = Value * 10 + (*At - L'0');
            Digits = true;
            if (Decimals >= 0)
                ++Decimals;
        }
    }
    for (Decimals = Decimals < 0 ? 0 : Decimals; Decimals < Field.Decimals; ++Decimals)
        Value *= 10;
    return Digits;
}

int TakeNumber(HWND hDlg, const TNumberField& Field)
{
    int Typed = 0;
    const bool Read = ReadNumber(hDlg, Field, Typed);
    const int Value = Clamp(Field, Read ? Typed : Field.Min);
    if (!Read || Value != Typed)
        ShowNumber(hDlg, Field, Value);
    return Value;
}

bool RecordFieldChange(HWND hDlg, HWND hEdit, const TNumberField& Field, int& LastGood)
{
    if (SendMessageW(hEdit, WM_GETTEXTLENGTH, 0, 0) == 0)
    {
        ShowNumber(hDlg, Field, LastGood);
        return false;
    }
    int Typed = 0;
    if (ReadNumber(hDlg, Field, Typed))
        LastGood = Clamp(Field, Typed);
    return true;
}

bool FormatResText(const TLanguage& Language, WCHAR* Text, int Capacity, UINT FormatId, const TFormatArg* Args, int Count)
{
    THeapBuffer<WCHAR> Format(Capacity * sizeof(WCHAR));
    THeapBuffer<BYTE> Slots(Count * SlotSize);
    if (!Format || !Slots || LoadText(Language, FormatId, Format.Get(), Capacity) == 0)
        return false;
    // The argument block: one slot per argument, in the order of the format.
    for (int i = 0; i < Count; ++i)
    {
        if (Args[i].Text)
            ByteCopy(Slots.Get() + i * SlotSize, &Args[i].Text, sizeof(Args[i].Text));
        else
            ByteCopy(Slots.Get() + i * SlotSize, &Args[i].Number, sizeof(DWORD));
    }
    return FormatWide(Text, Capacity * sizeof(WCHAR), -1, Format.Get(), Slots.Get()) != -1;
}

bool FormatResString(const TLanguage& Language, WCHAR* Text, int Capacity, UINT FormatId, const DWORD* Numbers, int Count)
{
    THeapBuffer<TFormatArg> Args(Count * sizeof(TFormatArg));
    if (!Args)
        return false;
    for (int i = 0; i < Count; ++i)
        Args.Get()[i].Number = Numbers[i];
    return FormatResText(Language, Text, Capacity, FormatId, Args.Get(), Count);
}

bool IsCheckBox(const TSettingDescription& Setting)
{
    return Setting.Field.UpDownId == 0;
}

int ReadSetting(const TSettingDescription& Setting)
{
    if (!Setting.GetAction)
        return GetSystemMetrics(Setting.Metric);
    // UINT, DWORD or BOOL: 32 bits each.
    int Value = 0;
    SystemParametersInfoW(Setting.GetAction, 0, &Value, 0);
    return IsCheckBox(Setting) ? Value != 0 : Clamp(Setting.Field, Value);
}

// Wine, for one, answers an access-violation status for the tracking delay.
bool WriteSetting(const TSettingDescription& Setting, int Value)
{
    const UINT Persisted = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
    const BOOL Answer = Setting.ValueInPvParam
        ? SystemParametersInfoW(Setting.SetAction, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(Value)), Persisted)
        : SystemParametersInfoW(Setting.SetAction, Value, nullptr, Persisted);
    return Answer && ReadSetting(Setting) == Value;
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

// The help control loads the text itself where the system finds the
// language by itself; any other language's text is handed over (empty
// where there is none, as the help control then shows it).
void THelpLibrary::ShowPopup(HWND hDlg, const TLanguage& Language, int CtrlId, UINT StringId)
{
    if (!FHtmlHelpLib || !FHtmlHelp)
        return;
    HH_POPUP Popup;
    ZeroFill(&Popup, sizeof(Popup));
    Popup.cbStruct = sizeof(HH_POPUP);
    THeapBuffer<WCHAR> Text(HelpCapacity * sizeof(WCHAR));
    if (Language.SystemFinds)
    {
        Popup.hinst = HInstance;
        Popup.idString = StringId;
    }
    else
    {
        if (!Text)
            return;
        LoadText(Language, StringId, Text.Get(), HelpCapacity);
        Popup.pszText = Text.Get();
    }
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

bool FillPageRecord(PROPSHEETPAGEW& Page, const TLanguage& Language, WORD TemplateId, WORD TitleId, void* DlgProc,
                    LPFNPSPCALLBACKW Released, void* Owner, WCHAR* Title)
{
    ZeroFill(&Page, sizeof(Page));
    Page.dwSize = PageRecordSize;
    Page.dwFlags = PSP_USETITLE | PSP_USECALLBACK;
    Page.pfnCallback = Released;
    Page.lParam = reinterpret_cast<LPARAM>(Owner);
    Page.hInstance = HInstance;
    Page.pfnDlgProc = reinterpret_cast<DLGPROC>(DlgProc);
    if (Language.SystemFinds)
    {
        Page.pszTemplate = MAKEINTRESOURCEW(TemplateId);
        Page.pszTitle = MAKEINTRESOURCEW(TitleId);
        return true;
    }
    Page.dwFlags |= PSP_DLGINDIRECT;
    Page.pResource = LoadTemplate(Language, TemplateId);
    Page.pszTitle = Title;
    return Page.pResource && LoadText(Language, TitleId, Title, TitleCapacity) > 0;
}

WNDPROC SubclassControl(HWND hControl, void* Thunk)
{
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Thunk)));
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

bool RefuseApply(HWND hPage, const TLanguage& Language, const TFailedSetting* Failed, int Count)
{
    if (Count == 0)
        return false;
    THeapBuffer<WCHAR> Message(MessageCapacity * sizeof(WCHAR));
    if (Message)
    {
        WCHAR* Text = Message.Get();
        int Length = LoadText(Language, IDS_WRITE_ERROR, Text, MessageCapacity);
        for (int i = 0; i < Count && Length + 3 < MessageCapacity; ++i)
        {
            Text[Length++] = L'\r';
            Text[Length++] = L'\n';
            WCHAR* Name = Text + Length;
            const int NameLength = Failed[i].Label ? GetWindowTextW(Failed[i].Label, Name, MessageCapacity - Length)
                                                   : LoadText(Language, Failed[i].NameId, Name, MessageCapacity - Length);
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
