// FormatWide's behaviour as tables: conversions and flags, sizes, '*'
// slots, the termination rules and the refusals.
#include "Slots.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
typedef std::basic_string<TWideChar> TText;

TText W(const char* Ascii)
{
    TText Text;
    while (*Ascii)
        Text += static_cast<TWideChar>(static_cast<unsigned char>(*Ascii++));
    return Text;
}

std::string Narrow(const TText& Text)
{
    std::string Result;
    for (TWideChar Unit : Text)
        Result += Unit < 128 && Unit >= 32 ? static_cast<char>(Unit) : '?';
    return Result;
}

const TWideChar Canary = 0xCAFE;

struct TResult
{
    int32_t Value;
    std::vector<TWideChar> Buffer;  // whole buffer, canaries included
    TText Text() const
    {
        TText Result;
        for (TWideChar Unit : Buffer)
        {
            if (Unit == 0)
                break;
            Result += Unit;
        }
        return Result;
    }
};

// Formats into a buffer of Units units (its size in bytes is what
// FormatWide gets) followed by four canary units.
TResult Format(const char* Fmt, const TSlots& Slots, uint32_t Units = 260, int32_t MaxCount = -1)
{
    TResult Result;
    Result.Buffer.assign(Units + 4, Canary);
    const TText Text = W(Fmt);
    Result.Value = FormatWide(Result.Buffer.data(), Units * 2, MaxCount, Text.c_str(), Slots.Data());
    for (uint32_t i = Units; i < Units + 4; ++i)
        EXPECT_EQ(Canary, Result.Buffer[i]) << "written past the buffer at " << i;
    return Result;
}

struct TCase
{
    const char* Format;
    TSlots Slots;
    const char* Expected;
};

void PrintTo(const TCase& Case, std::ostream* Out)
{
    *Out << '"' << Case.Format << '"';
}

class Conversions : public testing::TestWithParam<TCase>
{
};

TEST_P(Conversions, GiveTheExpectedText)
{
    const TCase& Case = GetParam();
    const TResult Result = Format(Case.Format, Case.Slots);
    EXPECT_EQ(Case.Expected, Narrow(Result.Text()));
    EXPECT_EQ(static_cast<int32_t>(std::string(Case.Expected).size()), Result.Value);
}

const uint32_t AllBits = 0xFFFFFFFFu;

INSTANTIATE_TEST_SUITE_P(Integers, Conversions, testing::Values(
    TCase{"Version %d.%d.%d.%d", {1, 0, 0, 0}, "Version 1.0.0.0"},
    TCase{"%d", {0x80000000u}, "-2147483648"},
    TCase{"%d", {AllBits}, "-1"},
    TCase{"%i", {AllBits}, "-1"},
    TCase{"%u", {AllBits}, "4294967295"},
    TCase{"%o", {AllBits}, "37777777777"},
    TCase{"%x", {AllBits}, "ffffffff"},
    TCase{"%X", {AllBits}, "FFFFFFFF"},
    TCase{"%X", {0xABCDEFu}, "ABCDEF"},
    TCase{"%p", {0x2A}, "2a"},
    TCase{"%hp", {0x12345}, "12345"},
    TCase{"%d %u %x", {0, 0, 0}, "0 0 0"},
    TCase{"%ld %Ld %lu", {AllBits, 7, AllBits}, "-1 7 4294967295"}));

INSTANTIATE_TEST_SUITE_P(Sizes, Conversions, testing::Values(
    TCase{"%hd", {0x1FFFF}, "-1"},
    TCase{"%hx", {0x1FFFF}, "ffff"},
    TCase{"%hu", {0x12345}, "9029"},
    TCase{"%hd", {0x18000}, "-32768"},
    TCase{"%ho", {0x10008}, "10"},
    TCase{"%lld|%d", {7}, "d|7"},
    TCase{"%hhd|%d", {7}, "d|7"}));

INSTANTIATE_TEST_SUITE_P(FlagsWidthPrecision, Conversions, testing::Values(
    TCase{"%5d", {42}, "   42"},
    TCase{"%-5d|", {42}, "42   |"},
    TCase{"%05d", {42}, "00042"},
    TCase{"%-05d|", {42}, "00042|"},
    TCase{"%+5d", {42}, "  +42"},
    TCase{"%.4d", {42}, "0042"},
    TCase{"%05d", {static_cast<uint32_t>(-42)}, "-0042"},
    TCase{"%+d % d %+ d", {5, 5, 5}, "+5  5 +5"},
    TCase{"%+u % u", {5, 5}, "5 5"},
    TCase{"%+x", {255}, "ff"},
    TCase{"%.0d", {0}, "0"},
    TCase{"%08.5d", {1}, "00001"},
    TCase{"%8.5d", {1}, "   00001"},
    TCase{"%-8.5d|", {1}, "00001   |"},
    TCase{"% 8.5d", {1}, "   00001"},
    TCase{"%#x", {255}, "ff"},
    TCase{"%#o", {8}, "10"},
    TCase{"%.d", {0}, "0"},
    TCase{"%--++  ##00d", {3}, "+3"},
    TCase{"%3d|%-3d|%03d", {1234, 1234, 1234}, "1234|1234|1234"}));

INSTANTIATE_TEST_SUITE_P(StarSlots, Conversions, testing::Values(
    TCase{"%*d", {static_cast<uint32_t>(-5), 42}, "42"},
    TCase{"%*d", {5, 42}, "   42"},
    TCase{"%.*d", {4, 42}, "0042"},
    TCase{"%*.*d|%d", {6, 4, 42, 9}, "  0042|9"},
    TCase{"%.*d", {static_cast<uint32_t>(-1), 0}, "0"},
    TCase{"%-*d|", {4, 7}, "7   |"}));

INSTANTIATE_TEST_SUITE_P(CharactersAndOthers, Conversions, testing::Values(
    TCase{"%c%c", {'O', 'K'}, "OK"},
    TCase{"%5c|", {'A'}, "A|"},
    TCase{"%-5.1c|", {'A'}, "A|"},
    TCase{"%%", {}, "%"},
    TCase{"%5%|", {}, "%|"},
    TCase{"abc%", {}, "abc"},
    TCase{"abc%5", {}, "abc"},
    TCase{"a%yb", {}, "ab"},
    TCase{"a%fb%d", {3}, "ab3"},
    TCase{"", {}, ""},
    TCase{"plain text", {}, "plain text"}));

TEST(Strings, FieldRules)
{
    static const TWideChar Abc[] = {'a', 'b', 'c', 0};
    static const TWideChar Abcdef[] = {'a', 'b', 'c', 'd', 'e', 'f', 0};
    static const TWideChar Empty[] = {0};
    const struct
    {
        const char* Format;
        const TWideChar* Arg;
        const char* Expected;
    } Cases[] = {
        {"%s", nullptr, "(<null>)"},
        {"%10s", nullptr, "  (<null>)"},
        {"%.3s", nullptr, "(<n"},
        {"%s", Abc, "abc"},
        {"%10s", Abc, "       abc"},
        {"%-10s|", Abc, "abc       |"},
        {"%.2s", Abc, "ab"},
        {"%.s", Abc, "abc"},
        {"%10.3s|", Abcdef, "   |"},
        {"%-10.3s|", Abcdef, "abc|"},
        {"%2s", Abcdef, "abcdef"},
        {"%010s", Abc, "       abc"},
        {"%s|%s", Empty, "|"},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.Format);
        TSlots Slots;
        Slots.Str(Case.Arg);
        if (std::string(Case.Format) == "%s|%s")
            Slots.Str(Empty);
        const TResult Result = Format(Case.Format, Slots);
        EXPECT_EQ(Case.Expected, Narrow(Result.Text()));
        EXPECT_EQ(static_cast<int32_t>(std::string(Case.Expected).size()), Result.Value);
    }
}

TEST(Characters, TakeTheLow16BitsAndAZeroIsStoredAndCounted)
{
    TResult Result = Format("%c", {0x12345});
    EXPECT_EQ(0x2345, Result.Buffer[0]);
    EXPECT_EQ(1, Result.Value);
    Result = Format("a%cb", {0});
    EXPECT_EQ(3, Result.Value);
    EXPECT_EQ('a', Result.Buffer[0]);
    EXPECT_EQ(0, Result.Buffer[1]);
    EXPECT_EQ('b', Result.Buffer[2]);
    EXPECT_EQ(0, Result.Buffer[3]);
}

// Texts of n units into a buffer with limit L, for the three termination
// rules: fits with room to spare, fits exactly or overflows (truncation),
// does not fit (refusal).
struct TLimitCase
{
    uint32_t Units;     // buffer size in units
    int32_t MaxCount;
    uint32_t TextLength;
    int32_t Expected;
    uint32_t Kept;      // units of the text left in the buffer
};

class Termination : public testing::TestWithParam<TLimitCase>
{
};

TEST_P(Termination, FollowsTheRules)
{
    const TLimitCase& Case = GetParam();
    const std::string Text(Case.TextLength, 'x');
    const TResult Result = Format(Text.c_str(), {}, Case.Units, Case.MaxCount);
    EXPECT_EQ(Case.Expected, Result.Value);
    const uint32_t L = Case.MaxCount == -1 || static_cast<uint32_t>(Case.MaxCount) > Case.Units
                           ? Case.Units : static_cast<uint32_t>(Case.MaxCount);
    for (uint32_t i = 0; i < Case.Kept; ++i)
        EXPECT_EQ('x', Result.Buffer[i]) << "unit " << i;
    EXPECT_EQ(0, Result.Buffer[Case.Kept]) << "terminator after the kept text";
    for (uint32_t i = L; i < Case.Units; ++i)
        EXPECT_EQ(Canary, Result.Buffer[i]) << "unit " << i << " lies past the limit " << L;
}

INSTANTIATE_TEST_SUITE_P(Limits, Termination, testing::Values(
    // The page's buffer: 260 units, no count limit.
    TLimitCase{260, -1, 258, 258, 258},
    TLimitCase{260, -1, 259, 259, 259},
    TLimitCase{260, -1, 260, 260, 259},
    TLimitCase{260, -1, 400, 260, 259},
    // A count limit of 10 in a larger buffer: L-2 fits, L-1 and L are refused.
    TLimitCase{260, 10, 8, 8, 8},
    TLimitCase{260, 10, 9, -1, 0},
    TLimitCase{260, 10, 10, -1, 0},
    TLimitCase{260, 10, 30, -1, 0},
    // A count limit above the buffer's capacity is cut to it.
    TLimitCase{10, 50, 8, 8, 8},
    TLimitCase{10, 50, 9, -1, 0},
    // Any negative limit but -1 refuses too, at the buffer's capacity.
    TLimitCase{10, -5, 8, 8, 8},
    TLimitCase{10, -5, 9, -1, 0},
    // Tiny buffers.
    TLimitCase{1, -1, 0, 0, 0},
    TLimitCase{1, -1, 1, 1, 0},
    TLimitCase{2, -1, 1, 1, 1},
    TLimitCase{1, 1, 0, -1, 0},
    TLimitCase{260, -1, 0, 0, 0}));

TEST(Termination, TruncationStopsReadingTheFormatAndFetchingSlots)
{
    // Only the first slot is there: the second conversion lies past the limit.
    TSlots One = {12345};
    const TResult Result = Format("%d%s", One, 3, -1);
    EXPECT_EQ(3, Result.Value);
    EXPECT_EQ('1', Result.Buffer[0]);
    EXPECT_EQ('2', Result.Buffer[1]);
    EXPECT_EQ(0, Result.Buffer[2]);
}

TEST(Refusals, LeaveTheBufferUntouched)
{
    const TText Fmt = W("abc");
    TWideChar Buffer[8];
    const struct
    {
        const char* Name;
        TWideChar* Buffer;
        uint32_t Bytes;
        int32_t MaxCount;
        const TWideChar* Format;
    } Cases[] = {
        {"null format", Buffer, sizeof(Buffer), -1, nullptr},
        {"null buffer", nullptr, sizeof(Buffer), -1, Fmt.c_str()},
        {"count 0", Buffer, sizeof(Buffer), 0, Fmt.c_str()},
        {"no room for a terminator (0 bytes)", Buffer, 0, -1, Fmt.c_str()},
        {"no room for a terminator (1 byte)", Buffer, 1, -1, Fmt.c_str()},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.Name);
        for (TWideChar& Unit : Buffer)
            Unit = Canary;
        EXPECT_EQ(-1, FormatWide(Case.Buffer, Case.Bytes, Case.MaxCount, Case.Format, nullptr));
        for (TWideChar Unit : Buffer)
            EXPECT_EQ(Canary, Unit);
    }
}

// Widths and precisions far beyond the buffer saturate and stop at the
// limit: the result is what the unbounded loops would give, at once.
TEST(HugeFields, SaturateAndStopAtTheLimit)
{
    const struct
    {
        const char* Format;
        TSlots Slots;
        TWideChar Fill;
    } Cases[] = {
        {"%2147483647d", {42}, ' '},
        {"%99999999999999999999d", {42}, ' '},
        {"%.2147483647d", {42}, '0'},
        {"%02147483647d", {42}, '0'},
        {"%*d", {0x7FFFFFFF, 42}, ' '},
        {"%2147483647s", TSlots().Str(nullptr), ' '},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.Format);
        const TResult Result = Format(Case.Format, Case.Slots, 260, -1);
        EXPECT_EQ(260, Result.Value);
        for (int i = 0; i < 259; ++i)
            ASSERT_EQ(Case.Fill, Result.Buffer[i]) << "unit " << i;
        EXPECT_EQ(0, Result.Buffer[259]);
    }
    const TResult Left = Format("%-2147483647d", {42}, 260, -1);
    EXPECT_EQ(260, Left.Value);
    EXPECT_EQ('4', Left.Buffer[0]);
    EXPECT_EQ('2', Left.Buffer[1]);
    EXPECT_EQ(' ', Left.Buffer[258]);
    const TResult Refused = Format("%2147483647d", {42}, 260, 100);
    EXPECT_EQ(-1, Refused.Value);
    EXPECT_EQ(0, Refused.Buffer[0]);
}
}  // namespace
