// The languages of the pages, which one a sheet speaks, and its templates
// and texts. German is language-neutral, as the system finds it when
// nobody names a language; English is tagged English (United States). A
// further language is a resource file of its own (res/languages) and a row
// in Language.cpp.
#ifndef POINTIX_LANGUAGE_H
#define POINTIX_LANGUAGE_H

#include <windows.h>

struct TLanguage
{
    // The primary language of the UI languages it serves.
    WORD UiLanguage;
    // What its dialog templates and its string table are tagged with.
    LANGID Templates;
    LANGID Strings;
    // The system's own loaders (of page titles, tooltips, help popups)
    // find its resources without being told the language: they get
    // resource IDs. Those of any other language get its texts.
    bool SystemFinds;
};

// The language of a sheet: the user's Windows display language as Windows
// picks it for its own dialogs (on Vista and later the first preferred UI
// language of the thread, which falls back to the user's; before, the
// user's default UI language). Asked once per sheet.
const TLanguage& SheetLanguage();
// The language for a UI language: German for every German one, English
// for all others.
const TLanguage& LanguageFor(LANGID UiLanguage);

// String Id of Language into Text (Capacity characters, terminated, cut
// to fit); its length, 0 when there is no such string.
int LoadText(const TLanguage& Language, UINT Id, WCHAR* Text, int Capacity);
// The dialog template Id of Language, or null.
const DLGTEMPLATE* LoadTemplate(const TLanguage& Language, WORD Id);

#endif
