// The module version query on real modules.
#include "util/Util.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
struct TVersion
{
    DWORD Part[4];
};

const DWORD Untouched = 0xDEADBEEF;

TVersion Query(HMODULE Module, BOOL& Result)
{
    TVersion Version = {{Untouched, Untouched, Untouched, Untouched}};
    Result = GetModuleVersion(Module, &Version.Part[0], &Version.Part[1], &Version.Part[2], &Version.Part[3]);
    return Version;
}
}

TEST(ModuleVersion, ReadsTheFourPartsOfTheFileVersion)
{
    const struct
    {
        const wchar_t* Module;
        DWORD Expected[4];
    } Cases[] = {
        {L"Pointix.dll", {1, 0, 0, 0}},
        {L"versioned.dll", {2, 5, 17, 300}},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(testing::Message() << Case.Module);
        HMODULE Module = LoadLibraryExW((ProgramFolder() + Case.Module).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, Module);
        BOOL Result = FALSE;
        const TVersion Version = Query(Module, Result);
        EXPECT_NE(FALSE, Result);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Case.Expected[i], Version.Part[i]) << "part " << i;
        FreeLibrary(Module);
    }
}

TEST(ModuleVersion, WithoutAVersionResourceLeavesTheSlotsAlone)
{
    BOOL Result = TRUE;
    const TVersion Version = Query(GetModuleHandleW(nullptr), Result);  // this program has none
    EXPECT_EQ(FALSE, Result);
    for (DWORD Part : Version.Part)
        EXPECT_EQ(Untouched, Part);
}

TEST(ModuleVersion, AnswersWithNoSlotsAtAll)
{
    HMODULE Module = LoadLibraryExW((ProgramFolder() + L"versioned.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, Module);
    EXPECT_NE(FALSE, GetModuleVersion(Module, nullptr, nullptr, nullptr, nullptr));
    DWORD Build = Untouched;
    EXPECT_NE(FALSE, GetModuleVersion(Module, nullptr, nullptr, nullptr, &Build));
    EXPECT_EQ(300u, Build);
    FreeLibrary(Module);
}
