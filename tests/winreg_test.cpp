// The registry key wrapper against Wine's real registry. Every test works
// in a scratch subtree of its own below HKCU\Software\PointixTest.
#include "registry/WinReg.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
const std::wstring Scratch = L"Software\\PointixTest\\WinReg";

// A handle is still open when the registry still answers a query on it.
bool IsOpen(HKEY Key)
{
    return RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

void MakeKey(const std::wstring& Path)
{
    HKEY Key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr));
    RegCloseKey(Key);
}

class WinRegTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, Scratch.c_str());
        MakeKey(Scratch);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, Scratch.c_str()); }
};
}

TEST_F(WinRegTest, ResolvesAgainstTheCurrentUserUntilAnotherRootIsSelected)
{
    TWinReg Registry;
    EXPECT_EQ(HKEY_CURRENT_USER, Registry.BaseKey());
    EXPECT_EQ(0, Registry.CloseKey()) << "closing with nothing open";
    ASSERT_EQ(0, Registry.CreateKey((Scratch + L"\\A").c_str()));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch + L"\\A"));
    HKEY Current = Registry.CurrentKey();
    EXPECT_EQ(Current, Registry.BaseKey());

    Registry.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_EQ(Current, Registry.CurrentKey()) << "the same root keeps the key open";
    EXPECT_TRUE(IsOpen(Current));

    Registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(nullptr, Registry.CurrentKey());
    EXPECT_FALSE(IsOpen(Current)) << "another root closes the key";
    EXPECT_EQ(HKEY_LOCAL_MACHINE, Registry.BaseKey());
}

TEST_F(WinRegTest, ConsecutiveCreatesDescendAndHoldOnlyTheDeepestKey)
{
    TWinReg Registry;
    ASSERT_EQ(0, Registry.CreateKey((Scratch + L"\\A").c_str()));
    HKEY First = Registry.CurrentKey();
    ASSERT_EQ(0, Registry.CreateKey(L"B"));
    EXPECT_FALSE(IsOpen(First)) << "A is no longer held";
    ASSERT_EQ(0, Registry.WriteString(L"Name", L"Wert"));

    wchar_t Text[16] = L"";
    DWORD Size = sizeof(Text);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (Scratch + L"\\A\\B").c_str(), L"Name", RRF_RT_REG_SZ, nullptr, Text, &Size));
    EXPECT_STREQ(L"Wert", Text);

    // An existing key is opened, not refused.
    ASSERT_EQ(0, Registry.CloseKey());
    EXPECT_EQ(0, Registry.CreateKey((Scratch + L"\\A").c_str()));
}

// Wine refuses a non-volatile key below a volatile one: a real failure.
TEST_F(WinRegTest, FailedCreateLeavesTheWrapperAsItWas)
{
    HKEY Volatile;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (Scratch + L"\\Volatile").c_str(), 0, nullptr,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &Volatile, nullptr));
    TWinReg Registry;
    Registry.SetCurrentKey(Volatile);
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE, Registry.CreateKey(L"Child"));
    EXPECT_EQ(Volatile, Registry.CurrentKey());
    EXPECT_TRUE(IsOpen(Volatile));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Scratch + L"\\Volatile\\Child"));
}

TEST_F(WinRegTest, DeletingAMissingKeyChangesNothing)
{
    TWinReg Registry;
    ASSERT_EQ(0, Registry.CreateKey(Scratch.c_str()));
    HKEY Current = Registry.CurrentKey();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Registry.DeleteKey(L"Missing"));
    EXPECT_EQ(Current, Registry.CurrentKey());
    EXPECT_TRUE(IsOpen(Current));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch));
}

TEST_F(WinRegTest, DeletesADeepTreeFromTheCurrentKeyAndKeepsItOpen)
{
    const wchar_t* Tree[] = {
        L"T\\A\\A1\\A11", L"T\\A\\A1\\A12", L"T\\A\\A2", L"T\\B", L"T\\C\\C1\\C11\\C111",
        L"T\\C\\C2", L"Sibling\\Kept",
    };
    for (const wchar_t* Path : Tree)
        MakeKey(Scratch + L"\\" + Path);
    HKEY Valued;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (Scratch + L"\\T\\A\\A1").c_str(), 0, KEY_ALL_ACCESS, &Valued));
    RegSetValueExW(Valued, L"V", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    RegCloseKey(Valued);

    TWinReg Registry;
    ASSERT_EQ(0, Registry.CreateKey(Scratch.c_str()));
    HKEY Current = Registry.CurrentKey();
    EXPECT_EQ(0, Registry.DeleteKey(L"T"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Scratch + L"\\T"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Scratch + L"\\Sibling\\Kept"));
    EXPECT_EQ(Current, Registry.CurrentKey()) << "the same key stays current";
    EXPECT_TRUE(IsOpen(Current)) << "and open";
    EXPECT_EQ(0, Registry.WriteString(L"After", L"ok"));
}

TEST_F(WinRegTest, WritesStringsWithTheirTerminator)
{
    TWinReg Registry;
    ASSERT_EQ(0, Registry.CreateKey(Scratch.c_str()));
    const struct
    {
        const wchar_t* Name;
        const wchar_t* Value;
        DWORD Bytes;
    } Cases[] = {
        {L"Empty", L"", 2},
        {L"", L"Standard", 18},
        {L"Umlaut", L"Gr\u00fc\u00dfe", 12},
    };
    for (const auto& Case : Cases)
    {
        ASSERT_EQ(0, Registry.WriteString(Case.Name, Case.Value));
        DWORD Type = 0, Size = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(Registry.CurrentKey(), Case.Name, nullptr, &Type, nullptr, &Size));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), Type);
        EXPECT_EQ(Case.Bytes, Size) << "value " << Case.Name;
    }
}
