// The guard around the numeric edits of the pages: a balloon tip that
// explains a refused keystroke, a paste check that lets only leading digits
// (and in a field with decimals one comma) in, and a clear check that
// refuses emptying the whole field.
#include "PropSheetExt.h"
#include "../util/Module.h"
#include "../util/Util.h"
#include "../../res/resource.h"

#include <stddef.h>

namespace
{
// The first version of the record, ending with lpszText.
const UINT ToolInfoSize = offsetof(TOOLINFOW, lpszText) + sizeof(LPWSTR);
#if defined(__i386__)
static_assert(ToolInfoSize == 40, "TOOLINFOW up to lpszText is 40 bytes on x86");
#elif defined(_WIN64)
static_assert(ToolInfoSize == 56, "TOOLINFOW up to lpszText is 56 bytes on 64-bit Windows");
#endif

bool IsDigitUnit(WCHAR Unit)
{
    return static_cast<WORD>(Unit - L'0') < 10;
}

// Holds the clipboard open for its scope.
class TClipboard
{
public:
    TClipboard() : FOpen(OpenClipboard(nullptr) != FALSE) {}
    ~TClipboard()
    {
        if (FOpen)
            CloseClipboard();
    }
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;
    bool IsOpen() const { return FOpen; }

private:
    bool FOpen;
};

// Holds a global memory block locked for its scope.
class TGlobalLock
{
public:
    explicit TGlobalLock(HGLOBAL Memory) : FMemory(Memory), FData(Memory ? GlobalLock(Memory) : nullptr) {}
    ~TGlobalLock()
    {
        if (FData)
            GlobalUnlock(FMemory);
    }
    TGlobalLock(const TGlobalLock&) = delete;
    TGlobalLock& operator=(const TGlobalLock&) = delete;
    const void* Data() const { return FData; }

private:
    HGLOBAL FMemory;
    void* FData;
};

const int BalloonCapacity = 260;

// What the balloon says: that only digits go in, or (Decimal) only digits
// and one decimal separator, named ("Komma", "comma") or shown.
bool BalloonText(const TLanguage& Language, bool Decimal, WCHAR* Text)
{
    if (!Decimal)
        return LoadText(Language, IDS_BAD_CHAR_TEXT, Text, BalloonCapacity) > 0;
    const WCHAR Separator[] = {DecimalSeparator(), 0};
    const UINT NameId = Separator[0] == L',' ? IDS_DECIMAL_COMMA : Separator[0] == L'.' ? IDS_DECIMAL_POINT : IDS_DECIMAL_OTHER;
    WCHAR Name[32];
    const TFormatArg Shown = {0, Separator}, Named = {0, Name};
    return FormatResText(Language, Name, 32, NameId, &Shown, 1) &&
           FormatResText(Language, Text, BalloonCapacity, IDS_BAD_DECIMAL_TEXT, &Named, 1);
}

// True when the clipboard holds text whose first characters, as many as the
// field takes, are all digits, with at most Separators decimal separators.
bool IsNumberPaste(int TextLimit, int Separators)
{
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
        return false;
    TClipboard Clipboard;
    if (!Clipboard.IsOpen())
        return false;
    TGlobalLock Lock(GetClipboardData(CF_UNICODETEXT));
    const WCHAR* Text = static_cast<const WCHAR*>(Lock.Data());
    if (!Text || Text[0] == 0)
        return false;
    const WCHAR Separator = DecimalSeparator();
    for (int i = 0; i < TextLimit && Text[i] != 0; ++i)
        if (!IsDigitUnit(Text[i]) && !(Text[i] == Separator && Separators-- > 0))
            return false;
    return true;
}

// A field with decimals takes a decimal separator where its text outside
// the selection (which a typed or pasted text replaces) has none.
int SeparatorsAllowed(HWND hEdit, const TNumberField& Field)
{
    if (!Field.Decimals)
        return 0;
    WCHAR Text[32];
    const int Length = GetWindowTextW(hEdit, Text, 32);
    const DWORD Selection = static_cast<DWORD>(SendMessageW(hEdit, EM_GETSEL, 0, 0));
    const WCHAR Separator = DecimalSeparator();
    for (int i = 0; i < Length; ++i)
        if (Text[i] == Separator && (i < LOWORD(Selection) || i >= HIWORD(Selection)))
            return 0;
    return 1;
}

// The selection covers the whole text; an empty field counts as well.
bool ClearsWholeText(HWND hEdit)
{
    const DWORD Selection = static_cast<DWORD>(SendMessageW(hEdit, EM_GETSEL, 0, 0));
    const LRESULT Length = SendMessageW(hEdit, WM_GETTEXTLENGTH, 0, 0);
    return Length == static_cast<LRESULT>(HIWORD(Selection)) - static_cast<LRESULT>(LOWORD(Selection));
}
}

// Both double-click fields take two digits; the link label has a
// procedure of its own.
LRESULT TPropSheetExt::EditSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    const int Id = GetDlgCtrlID(hWnd);
    if (Id == IDC_LINK_LABEL)
        return LinkProc(hWnd, uMsg, wParam, lParam);
    if (FGuard.Refuses(hWnd, uMsg, wParam, VertField))
        return 0;
    switch (Id)
    {
    case IDC_VERT_EDIT:
        return CallWindowProcW(FOldVertEditProc, hWnd, uMsg, wParam, lParam);
    case IDC_HORZ_EDIT:
        return CallWindowProcW(FOldHorzEditProc, hWnd, uMsg, wParam, lParam);
    }
    return 0;
}

bool TEntryGuard::Refuses(HWND hEdit, UINT uMsg, WPARAM wParam, const TNumberField& Field)
{
    switch (uMsg)
    {
    case WM_KILLFOCUS:
        HideBalloon();
        break;
    case WM_CHAR:
    {
        // A whole-number field has ES_NUMBER, which decides whether the
        // character goes in. A field with decimals cannot have it and
        // refuses what it does not take itself: everything but digits, one
        // decimal separator and the control characters (backspace, the
        // clipboard keys).
        if (Field.Decimals)
        {
            const bool Takes = (wParam >= L'0' && wParam <= L'9') || (wParam == DecimalSeparator() && SeparatorsAllowed(hEdit, Field));
            if (Takes || wParam < L' ')
            {
                HideBalloon();
                break;
            }
            ShowBalloon(hEdit, true);
            return true;
        }
        const BYTE Char = static_cast<BYTE>(wParam);
        if (Char == '\t' || (Char >= '0' && Char <= '9'))
            HideBalloon();
        else
            ShowBalloon(hEdit, false);
        break;
    }
    case WM_PASTE:
        if (!IsNumberPaste(DigitLimit(Field), SeparatorsAllowed(hEdit, Field)))
        {
            MessageBeep(0);
            return true;
        }
        break;
    case WM_CLEAR:
        if (ClearsWholeText(hEdit))
        {
            MessageBeep(0);
            return true;
        }
        break;
    }
    return false;
}

// The balloon is made on the first refused character and then kept; it
// always shows the tool of the edit it was made for, and only its position
// follows the caret of the edit that refused the character. Where the
// system finds the language by itself, the tooltip loads the text of a
// whole-number field itself; every other text is handed over, and the
// tooltip keeps a copy.
void TEntryGuard::ShowBalloon(HWND hEdit, bool Decimal)
{
    if (!FBalloon)
    {
        FBalloon = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   GetParent(hEdit), nullptr, HInstance, nullptr);
        if (!FBalloon)
            return;
        ZeroFill(&FToolInfo, sizeof(FToolInfo));
        FToolInfo.cbSize = ToolInfoSize;
        FToolInfo.uFlags = TTF_TRACK;
        FToolInfo.hwnd = hEdit;
        FToolInfo.uId = 0;
        GetClientRect(hEdit, &FToolInfo.rect);
        FToolInfo.hinst = HInstance;
        THeapBuffer<WCHAR> Text(BalloonCapacity * sizeof(WCHAR));
        if (FLanguage->SystemFinds && !Decimal)
            FToolInfo.lpszText = MAKEINTRESOURCEW(IDS_BAD_CHAR_TEXT);
        else if (Text && BalloonText(*FLanguage, Decimal, Text.Get()))
            FToolInfo.lpszText = Text.Get();
        if (!FToolInfo.lpszText || !SendMessageW(FBalloon, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&FToolInfo)))
        {
            DestroyWindow(FBalloon);
            FBalloon = nullptr;
            return;
        }
        if (FToolInfo.lpszText == Text.Get())
            FToolInfo.lpszText = nullptr;
        THeapBuffer<WCHAR> Title(BalloonCapacity * sizeof(WCHAR));
        if (Title)
        {
            LoadText(*FLanguage, IDS_BAD_CHAR_TITLE, Title.Get(), BalloonCapacity);
            SendMessageW(FBalloon, TTM_SETTITLEW, TTI_ERROR, reinterpret_cast<LPARAM>(Title.Get()));
        }
    }
    POINT Caret = {0, 0};
    GetCaretPos(&Caret);
    Caret.y += FToolInfo.rect.bottom / 2;
    ClientToScreen(hEdit, &Caret);
    SendMessageW(FBalloon, TTM_TRACKPOSITION, 0, MAKELONG(Caret.x, Caret.y));
    SendMessageW(FBalloon, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&FToolInfo));
}

void TEntryGuard::HideBalloon()
{
    if (FBalloon)
        SendMessageW(FBalloon, TTM_TRACKACTIVATE, FALSE, 0);
}

void TEntryGuard::DestroyBalloon()
{
    if (FBalloon)
        DestroyWindow(FBalloon);
}
