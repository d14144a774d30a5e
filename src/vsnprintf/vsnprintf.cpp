#include "vsnprintf.h"

namespace
{
const uint32_t FLAG_LEFT = 0x01;
const uint32_t FLAG_PLUS = 0x02;
const uint32_t FLAG_SPACE = 0x04;
const uint32_t FLAG_ALT = 0x08;
const uint32_t FLAG_ZERO = 0x10;
const uint32_t FLAG_UPPER = 0x20;
const uint32_t FLAG_UNSIGNED = 0x40;

const int32_t MaxNumber = 2147483647;

struct TSpec
{
    uint32_t Flags;
    int32_t Width;
    int32_t Precision;
    int Size;
};

void ResetSpec(TSpec& Spec)
{
    Spec.Flags = 0;
    Spec.Width = 0;
    Spec.Precision = -1;
    Spec.Size = 0;
}

// Flags may repeat and come in any order.
bool AddFlag(TSpec& Spec, TWideChar Ch)
{
    switch (Ch)
    {
    case '-':
        Spec.Flags |= FLAG_LEFT;
        return true;
    case '+':
        Spec.Flags |= FLAG_PLUS;
        return true;
    case ' ':
        Spec.Flags |= FLAG_SPACE;
        return true;
    case '#':
        Spec.Flags |= FLAG_ALT;
        return true;
    case '0':
        Spec.Flags |= FLAG_ZERO;
        return true;
    }
    return false;
}

bool IsDigit(TWideChar Ch)
{
    return Ch >= '0' && Ch <= '9';
}

int32_t DigitValue(TWideChar Ch)
{
    return static_cast<int32_t>(Ch - '0');
}

// Width and precision digits stop growing at the largest 32-bit number
// instead of wrapping around.
int32_t AppendDigit(int32_t Number, TWideChar Ch)
{
    const int32_t Digit = DigitValue(Ch);
    if (Number > (MaxNumber - Digit) / 10)
        return MaxNumber;
    return Number * 10 + Digit;
}

void PutChar(TWideChar* Buffer, uint32_t& n, uint32_t L, TWideChar Ch)
{
    if (n < L)
    {
        Buffer[n] = Ch;
        ++n;
    }
}

// Count copies of Ch. Once the limit is reached every further unit would be
// dropped, so the loop ends there: a huge width costs nothing.
void PutRepeated(TWideChar* Buffer, uint32_t& n, uint32_t L, TWideChar Ch, int64_t Count)
{
    while (Count > 0 && n < L)
    {
        PutChar(Buffer, n, L, Ch);
        --Count;
    }
}

int64_t Larger(int64_t A, int64_t B)
{
    return A > B ? A : B;
}

// Base is 8, 10 or 16.
void FormatInteger(TWideChar* Buffer, uint32_t& n, uint32_t L, uint32_t Value, uint32_t Base,
                   int32_t Width, int32_t Precision, uint32_t Flags)
{
    if (Precision < 0)
        Precision = 0;

    TWideChar Sign = 0;
    uint32_t Magnitude = Value;
    if (!(Flags & FLAG_UNSIGNED))
    {
        if (static_cast<int32_t>(Value) < 0)
        {
            Sign = '-';
            Magnitude = 0u - Value;
        }
        else if (Flags & FLAG_PLUS)
            Sign = '+';
        else if (Flags & FLAG_SPACE)
            Sign = ' ';
    }

    // Least significant digit first; the constant bases let the compiler
    // replace the divisions.
    TWideChar Digits[20];
    int DigitCount = 0;
    if (Base == 10)
    {
        do
        {
            Digits[DigitCount++] = static_cast<TWideChar>('0' + Magnitude % 10);
            Magnitude /= 10;
        } while (Magnitude != 0);
    }
    else if (Base == 16)
    {
        const char* Set = (Flags & FLAG_UPPER) ? "0123456789ABCDEF" : "0123456789abcdef";
        do
        {
            Digits[DigitCount++] = static_cast<TWideChar>(Set[Magnitude & 15]);
            Magnitude >>= 4;
        } while (Magnitude != 0);
    }
    else
    {
        do
        {
            Digits[DigitCount++] = static_cast<TWideChar>('0' + (Magnitude & 7));
            Magnitude >>= 3;
        } while (Magnitude != 0);
    }

    int64_t Zeros = Larger(static_cast<int64_t>(Precision) - DigitCount, 0);
    int64_t Pad = Larger(static_cast<int64_t>(Width) - Larger(Precision, DigitCount) - (Sign ? 1 : 0), 0);
    if (Flags & FLAG_ZERO)
    {
        Zeros = Larger(Zeros, Pad);
        Pad = 0;
    }

    if (!(Flags & FLAG_LEFT))
        PutRepeated(Buffer, n, L, ' ', Pad);
    if (Sign)
        PutChar(Buffer, n, L, Sign);
    PutRepeated(Buffer, n, L, '0', Zeros);
    while (DigitCount > 0)
        PutChar(Buffer, n, L, Digits[--DigitCount]);
    if (Flags & FLAG_LEFT)
        PutRepeated(Buffer, n, L, ' ', Pad);
}

// Precision is the most units the whole field may write, padding included.
void FormatString(TWideChar* Buffer, uint32_t& n, uint32_t L, const TWideChar* Str,
                  int32_t Width, int32_t Precision, uint32_t Flags)
{
    static const TWideChar NullText[] = {'(', '<', 'n', 'u', 'l', 'l', '>', ')', 0};
    if (!Str)
        Str = NullText;
    int64_t Length = 0;
    while (Str[Length] != 0)
        ++Length;
    const int64_t Pad = Larger(static_cast<int64_t>(Width) - Length, 0);

    // Units past the limit are dropped anyway, so each loop also ends there.
    int64_t Written = 0;
    if (!(Flags & FLAG_LEFT))
        for (int64_t i = 0; i < Pad && Written < Precision && n < L; ++i, ++Written)
            PutChar(Buffer, n, L, ' ');
    for (int64_t i = 0; i < Length && Written < Precision && n < L; ++i, ++Written)
        PutChar(Buffer, n, L, Str[i]);
    if (Flags & FLAG_LEFT)
        for (int64_t i = 0; i < Pad && Written < Precision && n < L; ++i, ++Written)
            PutChar(Buffer, n, L, ' ');
}

void Convert(TWideChar* Buffer, uint32_t& n, uint32_t L, TWideChar Unit, TSpec& Spec, TVarArg& Args)
{
    switch (Unit)
    {
    case '%':
        PutChar(Buffer, n, L, '%');
        break;
    case 'c':
        PutChar(Buffer, n, L, Args.GetChar());
        break;
    case 'd':
    case 'i':
    {
        const int32_t Value = Spec.Size == 1 ? static_cast<int32_t>(Args.GetShort()) : Args.GetInt();
        FormatInteger(Buffer, n, L, static_cast<uint32_t>(Value), 10, Spec.Width, Spec.Precision, Spec.Flags);
        break;
    }
    case 'o':
    case 'u':
    case 'x':
    case 'X':
    {
        const uint32_t Value = Spec.Size == 1 ? static_cast<uint32_t>(Args.GetUShort()) : Args.GetUInt();
        uint32_t Flags = Spec.Flags | FLAG_UNSIGNED;
        uint32_t Base = 10;
        if (Unit == 'o')
            Base = 8;
        else if (Unit == 'x')
            Base = 16;
        else if (Unit == 'X')
        {
            Base = 16;
            Flags |= FLAG_UPPER;
        }
        FormatInteger(Buffer, n, L, Value, Base, Spec.Width, Spec.Precision, Flags);
        break;
    }
    case 'p':
        FormatInteger(Buffer, n, L, Args.GetUInt(), 16, Spec.Width, Spec.Precision, Spec.Flags | FLAG_UNSIGNED);
        break;
    case 's':
    {
        const TWideChar* Str = Args.GetStr();
        const int32_t Precision = Spec.Precision < 0 ? static_cast<int32_t>(L) : Spec.Precision;
        FormatString(Buffer, n, L, Str, Spec.Width, Precision, Spec.Flags);
        break;
    }
    default:
        // Not a conversion of ours: skipped without output and without a slot.
        break;
    }
}
}

TVarArg::~TVarArg()
{
    FArgs = nullptr;
    FOffset = 0;
}

uint32_t TVarArg::GetDWord()
{
    const uint8_t* Slot = FArgs + FOffset;
    FOffset += SlotSize;
    return static_cast<uint32_t>(Slot[0]) | static_cast<uint32_t>(Slot[1]) << 8 |
           static_cast<uint32_t>(Slot[2]) << 16 | static_cast<uint32_t>(Slot[3]) << 24;
}

const TWideChar* TVarArg::GetStr()
{
    const uint8_t* Slot = FArgs + FOffset;
    FOffset += SlotSize;
    uintptr_t Address = 0;
    for (int i = SlotSize - 1; i >= 0; --i)
        Address = (Address << 8) | Slot[i];
    return reinterpret_cast<const TWideChar*>(Address);
}

int32_t FormatWide(TWideChar* Buffer, uint32_t BufferSize, int32_t MaxCount, const TWideChar* Format, const void* Args)
{
    if (!Format || !Buffer || MaxCount == 0)
        return -1;
    uint32_t L = BufferSize / 2;
    // A buffer without room for the terminator gets nothing at all.
    if (L == 0)
        return -1;
    if (MaxCount != -1 && static_cast<uint32_t>(MaxCount) < L)
        L = static_cast<uint32_t>(MaxCount);

    TVarArg Cursor(Args);
    TSpec Spec;
    uint32_t n = 0;
    const TWideChar* Unit = Format;

    // The format is read in the order text, flags, width, dot, precision,
    // size, conversion. Reading stops at the format's terminator, and
    // whenever the output has reached the limit; within a specification
    // nothing is written, so the limit is only tested between them.
    while (*Unit != 0 && n < L)
    {
        if (*Unit != '%')
        {
            // A run of literal text up to the next '%', the end or the limit.
            do
            {
                PutChar(Buffer, n, L, *Unit);
                ++Unit;
            } while (*Unit != 0 && *Unit != '%' && n < L);
            continue;
        }
        ++Unit;
        ResetSpec(Spec);

        while (AddFlag(Spec, *Unit))
            ++Unit;

        while (IsDigit(*Unit))
            Spec.Width = AppendDigit(Spec.Width, *Unit++);
        if (*Unit == '*')
        {
            Spec.Width = Cursor.GetInt();
            ++Unit;
        }

        if (*Unit == '.')
        {
            ++Unit;
            while (IsDigit(*Unit))
            {
                if (Spec.Precision < 0)
                    Spec.Precision = 0;
                Spec.Precision = AppendDigit(Spec.Precision, *Unit++);
            }
            if (*Unit == '*')
            {
                Spec.Precision = Cursor.GetInt();
                ++Unit;
            }
        }

        // Only one size letter: a second one is read as the conversion.
        if (*Unit == 'h')
            Spec.Size = 1;
        else if (*Unit == 'l')
            Spec.Size = 2;
        else if (*Unit == 'L')
            Spec.Size = 3;
        if (Spec.Size != 0)
            ++Unit;

        // A specification cut off by the end of the format writes nothing.
        if (*Unit == 0)
            break;
        Convert(Buffer, n, L, *Unit, Spec, Cursor);
        ++Unit;
    }

    if (n + 1 < L)
    {
        Buffer[n] = 0;
        return static_cast<int32_t>(n);
    }
    if (MaxCount == -1)
    {
        Buffer[L - 1] = 0;
        return static_cast<int32_t>(n);
    }
    Buffer[0] = 0;
    return -1;
}
