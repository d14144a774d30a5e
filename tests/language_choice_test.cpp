// The language a sheet speaks, for the UI languages a user may have.
#include "page/Language.h"

#include <gtest/gtest.h>

// The module's instance, which the choice does not need.
HINSTANCE HInstance = nullptr;

TEST(LanguageChoice, GermanForEveryGermanUiLanguageEnglishForAllOthers)
{
    const struct
    {
        LANGID UiLanguage;
        bool German;
    } Rows[] = {
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), true},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN), true},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_SWISS), true},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_LUXEMBOURG), true},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_LIECHTENSTEIN), true},
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), false},
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), false},
        {MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), false},
        {MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), false},
        {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), false},
    };
    for (const auto& Row : Rows)
    {
        const TLanguage& Language = LanguageFor(Row.UiLanguage);
        EXPECT_EQ(Row.German, Language.UiLanguage == LANG_GERMAN) << std::hex << Row.UiLanguage;
        // German is the language-neutral one the system finds by itself,
        // English is tagged English (United States).
        EXPECT_EQ(Row.German ? MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT) : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                  Language.Strings);
        EXPECT_EQ(Row.German, Language.SystemFinds);
    }
}
