// Choosing the language of a sheet, and finding a string or a dialog
// template in it.
#include "Language.h"
#include "../util/Module.h"
#include "../util/Util.h"

namespace
{
enum
{
    German,
    English
};

// One row per language; English serves every UI language no other row
// serves.
const TLanguage Languages[] = {
    {LANG_GERMAN, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), true},
    {LANG_ENGLISH, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), false},
};

typedef BOOL(WINAPI* TGetPreferredUILanguages)(DWORD Flags, PULONG Count, PZZWSTR Languages, PULONG Length);
typedef LANGID(WINAPI* TGetUserDefaultUILanguage)();

// The value of the first four hex digits of Text, as the preferred
// languages are listed ("0407"); 0 when they are not that.
LANGID HexLanguage(const WCHAR* Text)
{
    LANGID Value = 0;
    for (int i = 0; i < 4; ++i)
    {
        const WCHAR Digit = Text[i];
        const int Nibble = Digit >= L'0' && Digit <= L'9'   ? Digit - L'0'
                           : Digit >= L'a' && Digit <= L'f' ? Digit - L'a' + 10
                           : Digit >= L'A' && Digit <= L'F' ? Digit - L'A' + 10
                                                            : -1;
        if (Nibble < 0)
            return 0;
        Value = static_cast<LANGID>(Value << 4 | Nibble);
    }
    return Value;
}

// Both calls exist only on newer Windows (Vista, and 2000): they are looked
// up, so that the module still loads where they are missing.
LANGID UserUiLanguage()
{
    HMODULE Kernel = GetModuleHandleW(L"kernel32.dll");
    const auto Preferred = reinterpret_cast<TGetPreferredUILanguages>(
        reinterpret_cast<void*>(GetProcAddress(Kernel, "GetThreadPreferredUILanguages")));
    WCHAR List[64];
    ULONG Count = 0, Length = sizeof(List) / sizeof(List[0]);
    const LANGID First =
        Preferred && Preferred(MUI_LANGUAGE_ID | MUI_MERGE_USER_FALLBACK, &Count, List, &Length) && Count > 0 ? HexLanguage(List) : 0;
    if (First)
        return First;
    const auto Default = reinterpret_cast<TGetUserDefaultUILanguage>(
        reinterpret_cast<void*>(GetProcAddress(Kernel, "GetUserDefaultUILanguage")));
    return Default ? Default() : GetUserDefaultLangID();
}
}

const TLanguage& LanguageFor(LANGID UiLanguage)
{
    for (const TLanguage& Language : Languages)
        if (Language.UiLanguage == PRIMARYLANGID(UiLanguage))
            return Language;
    return Languages[English];
}

const TLanguage& SheetLanguage()
{
    return LanguageFor(UserUiLanguage());
}

// A string table block holds 16 strings, each its length and its
// characters, unterminated.
int LoadText(const TLanguage& Language, UINT Id, WCHAR* Text, int Capacity)
{
    if (Capacity <= 0)
        return 0;
    Text[0] = 0;
    HRSRC Block = FindResourceExW(HInstance, RT_STRING, MAKEINTRESOURCEW(Id / 16 + 1), Language.Strings);
    const WCHAR* Entry = Block ? static_cast<const WCHAR*>(LockResource(LoadResource(HInstance, Block))) : nullptr;
    if (!Entry)
        return 0;
    for (UINT Skipped = Id % 16; Skipped > 0; --Skipped)
        Entry += *Entry + 1;
    const int Length = *Entry < Capacity ? *Entry : Capacity - 1;
    ByteCopy(Text, Entry + 1, Length * sizeof(WCHAR));
    Text[Length] = 0;
    return Length;
}

const DLGTEMPLATE* LoadTemplate(const TLanguage& Language, WORD Id)
{
    HRSRC Template = FindResourceExW(HInstance, RT_DIALOG, MAKEINTRESOURCEW(Id), Language.Templates);
    return Template ? static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(HInstance, Template))) : nullptr;
}
