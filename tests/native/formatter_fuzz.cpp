// libFuzzer target for FormatWide, built with AddressSanitizer and
// UndefinedBehaviorSanitizer. The input chooses the buffer size, the count
// limit, the format and the argument values. The argument block holds
// exactly the slots the format asks for, at the end of its own allocation,
// so a fetch beyond it is caught.
#include "vsnprintf/vsnprintf.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
enum TSlotKind
{
    skInt,
    skStr
};

bool IsDigitUnit(TWideChar Unit)
{
    return Unit >= '0' && Unit <= '9';
}

// Digits of a width or precision, or the '*' (after digits too) that takes
// a slot instead.
const TWideChar* SkipNumber(const TWideChar* At, std::vector<TSlotKind>& Kinds)
{
    while (IsDigitUnit(*At))
        ++At;
    if (*At == '*')
    {
        Kinds.push_back(skInt);
        ++At;
    }
    return At;
}

// The slots a format consumes, in order, read off the format independently
// of the formatter.
std::vector<TSlotKind> SlotsOf(const TWideChar* Format)
{
    std::vector<TSlotKind> Kinds;
    const TWideChar* At = Format;
    while (*At)
    {
        if (*At++ != '%')
            continue;
        while (*At == '-' || *At == '+' || *At == ' ' || *At == '#' || *At == '0')
            ++At;
        At = SkipNumber(At, Kinds);
        if (*At == '.')
            At = SkipNumber(At + 1, Kinds);
        if (*At == 'h' || *At == 'l' || *At == 'L')
            ++At;
        if (!*At)
            break;
        const TWideChar Conversion = *At++;
        if (Conversion == 's')
            Kinds.push_back(skStr);
        else if (Conversion == 'd' || Conversion == 'i' || Conversion == 'o' || Conversion == 'u' ||
                 Conversion == 'x' || Conversion == 'X' || Conversion == 'p' || Conversion == 'c')
            Kinds.push_back(skInt);
    }
    return Kinds;
}

class TInput
{
public:
    TInput(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size), FAt(0) {}
    uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
    uint32_t Word32()
    {
        uint32_t Value = 0;
        for (int i = 0; i < 4; ++i)
            Value |= static_cast<uint32_t>(Byte()) << (8 * i);
        return Value;
    }
    TWideChar Unit() { return static_cast<TWideChar>(Byte() | Byte() << 8); }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FAt;
};

void Check(bool Condition)
{
    if (!Condition)
        std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    TInput In(Data, Size);
    const uint32_t BufferBytes = (In.Byte() | In.Byte() << 8) % 1100;
    int32_t MaxCount;
    switch (In.Byte() % 5)
    {
    case 0:
    case 1:
        MaxCount = -1;
        break;
    case 2:
        MaxCount = In.Byte();
        break;
    case 3:
        MaxCount = -2 - In.Byte();
        break;
    default:
        MaxCount = static_cast<int32_t>(In.Word32());
        break;
    }

    // The format: up to 255 units, terminated.
    const size_t FormatLength = In.Byte();
    std::vector<TWideChar> Format(FormatLength + 1, 0);
    for (size_t i = 0; i < FormatLength; ++i)
        Format[i] = In.Unit();

    // The argument block, exactly as long as the format needs.
    const std::vector<TSlotKind> Kinds = SlotsOf(Format.data());
    std::vector<std::unique_ptr<TWideChar[]>> Strings;
    uint8_t* Block = static_cast<uint8_t*>(std::malloc(Kinds.size() * SlotSize));
    for (size_t i = 0; i < Kinds.size(); ++i)
    {
        uint8_t* Slot = Block + i * SlotSize;
        std::memset(Slot, 0, SlotSize);
        if (Kinds[i] == skInt)
        {
            const uint32_t Value = In.Word32();
            std::memcpy(Slot, &Value, 4);
            continue;
        }
        const uint8_t Length = In.Byte();
        if (Length == 0xFF)
            continue;  // a null string
        Strings.emplace_back(new TWideChar[Length + 1]);
        for (uint8_t k = 0; k < Length; ++k)
        {
            TWideChar Unit = In.Unit();
            Strings.back()[k] = Unit ? Unit : 'z';
        }
        Strings.back()[Length] = 0;
        const TWideChar* Address = Strings.back().get();
        std::memcpy(Slot, &Address, sizeof(Address));
    }

    uint8_t* Buffer = static_cast<uint8_t*>(std::malloc(BufferBytes));
    std::memset(Buffer, 0xAB, BufferBytes);
    const int32_t Result = FormatWide(reinterpret_cast<TWideChar*>(Buffer), BufferBytes, MaxCount, Format.data(), Block);

    const uint32_t Units = BufferBytes / 2;
    uint32_t L = Units;
    if (MaxCount != -1 && static_cast<uint32_t>(MaxCount) < L)
        L = static_cast<uint32_t>(MaxCount);
    const TWideChar* Text = reinterpret_cast<const TWideChar*>(Buffer);

    // Nothing written past the limit (nor into an odd last byte).
    for (uint32_t Byte = L * 2; Byte < BufferBytes; ++Byte)
        Check(Buffer[Byte] == 0xAB);
    if (MaxCount == 0 || Units == 0)
    {
        Check(Result == -1);
        for (uint32_t Byte = 0; Byte < BufferBytes; ++Byte)
            Check(Buffer[Byte] == 0xAB);
    }
    else if (Result == -1)
    {
        Check(MaxCount != -1);
        Check(Text[0] == 0);
    }
    else
    {
        Check(Result >= 0 && static_cast<uint32_t>(Result) <= L);
        if (static_cast<uint32_t>(Result) + 1 < L)
            Check(Text[Result] == 0);
        else
        {
            Check(MaxCount == -1);
            Check(Text[L - 1] == 0);
        }
    }
    std::free(Buffer);
    std::free(Block);
    return 0;
}
