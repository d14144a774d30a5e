// The acceleration curve's numbers: registry values, Windows' curves, the
// 1:1 curve and the gain.
#include "Curve.h"

namespace
{
const double One = 65536.0;        // 1 in 16.16
const double CountsPerSpeed = 3.5;  // a report's counts per unit of mouse speed
const unsigned Largest = 0x7FFFFFFF;
const double Ln2 = 0.6931471805599453, Ln10 = 2.302585092994046;
// The largest finite double, and what Log10 answers beyond every finite
// double's logarithm: for 0 (and anything that is not a positive number)
// and for infinity.
const double Greatest = 1.7976931348623157e308;
const double LogOfZero = -400, LogOfInfinity = 400;
// Powers of ten below the smallest double are 0, above 10^308.25 the
// largest double.
const double LowestExponent = -330, HighestExponent = 308.25;
// The mouse speeds (16.16) the gain is taken at: below the first point it
// stays as it is there, and past 2^40 no mouse reports.
const double SlowestSpeed = 1, FastestSpeed = 1099511627776.0;

// Points 1–4 of the curves Windows ships.
const unsigned WindowsX[] = {0x6E15, 0x14000, 0x3DC29, 0x280000};
const unsigned WindowsY8[] = {0x111FD, 0x42400, 0x12FC00, 0x1BBC000};
const unsigned WindowsY7[] = {0x15EB8, 0x54CCD, 0x184CCD, 0x2380000};

// Windows' divisor of the DPI.
unsigned DpiDivisor(bool Windows8)
{
    return Windows8 ? 120 : 150;
}

// k in 16.16, cut as Windows cuts it.
unsigned DpiFactor(bool Windows8, unsigned Dpi)
{
    return Dpi * 65536 / DpiDivisor(Windows8);
}

// NaN counts as 0.
unsigned Nearest(double Value)
{
    if (!(Value > 0))
        return 0;
    if (Value >= Largest)
        return Largest;
    return static_cast<unsigned>(Value + 0.5);
}

unsigned BoundedRaw(unsigned Value, unsigned Low, unsigned High)
{
    return Value < Low ? Low : Value > High ? High : Value;
}

// Y at mouse speed V (16.16 units as a double): linear between the points,
// along the last segment past the last point.
double YAt(const TCurve& Curve, double V)
{
    int i = 1;
    while (i < CurvePoints - 1 && V > Curve.X[i])
        ++i;
    const double X0 = Curve.X[i - 1], X1 = Curve.X[i], Y0 = Curve.Y[i - 1], Y1 = Curve.Y[i];
    // A segment that does not rise (only in a curve the page never writes)
    // has no slope to follow: it stands for its right end.
    if (X1 <= X0)
        return Y1;
    return Y0 + (Y1 - Y0) * (V - X0) / (X1 - X0);
}
}

bool SameCurve(const TCurve& A, const TCurve& B)
{
    for (int i = 0; i < CurvePoints; ++i)
        if (A.X[i] != B.X[i] || A.Y[i] != B.Y[i])
            return false;
    return true;
}

bool IsWritableCurve(const TCurve& Curve)
{
    if (Curve.X[0] != 0 || Curve.Y[0] != 0)
        return false;
    for (int i = 1; i < CurvePoints; ++i)
        if (Curve.X[i] <= Curve.X[i - 1] || Curve.Y[i] < Curve.Y[i - 1] || Curve.X[i] > Largest || Curve.Y[i] > Largest)
            return false;
    return true;
}

bool ReadCurveValue(const unsigned char* Bytes, unsigned Size, unsigned* Values)
{
    if (Size != CurveValueSize)
        return false;
    for (int i = 0; i < CurvePoints; ++i)
    {
        const unsigned char* Point = Bytes + 8 * i;
        Values[i] = Point[0] | Point[1] << 8 | Point[2] << 16 | static_cast<unsigned>(Point[3]) << 24;
        if (Point[4] | Point[5] | Point[6] | Point[7])
            return false;
    }
    return Values[0] == 0;
}

void WriteCurveValue(const unsigned* Values, unsigned char* Bytes)
{
    for (int i = 0; i < CurvePoints; ++i)
        for (int b = 0; b < 8; ++b)
            Bytes[8 * i + b] = b < 4 ? static_cast<unsigned char>(Values[i] >> 8 * b) : 0;
}

void WindowsCurve(TCurve& Curve, bool Windows8)
{
    Curve.X[0] = Curve.Y[0] = 0;
    for (int i = 1; i < CurvePoints; ++i)
    {
        Curve.X[i] = WindowsX[i - 1];
        Curve.Y[i] = Windows8 ? WindowsY8[i - 1] : WindowsY7[i - 1];
    }
}

// Y rises by 56 a point and X by 16 k a point, so Y / v is 3.5 / k and the
// gain (s / 10) exactly; at another speed X rises s / 10 times as fast.
// With k cut as Windows cuts it, the cut cancels out.
void OneToOneCurve(TCurve& Curve, bool Windows8, unsigned Dpi, unsigned Speed)
{
    const unsigned Step = DpiFactor(Windows8, Dpi) * 16;
    for (unsigned i = 0; i < CurvePoints; ++i)
    {
        Curve.X[i] = Step * i * Speed / 10;
        Curve.Y[i] = 56 * 65536 * i;
    }
}

double GainScale(bool Windows8, unsigned Dpi, unsigned Speed)
{
    return DpiFactor(Windows8, Dpi) / One * Speed / 10 / CountsPerSpeed;
}

// Counts that are not positive (or not a number) count as the slowest
// speed, infinite ones as the fastest.
double GainAt(const TCurve& Curve, double Scale, double Counts)
{
    double V = Counts / CountsPerSpeed * One;
    if (!(V >= SlowestSpeed))
        V = SlowestSpeed;
    if (V > FastestSpeed)
        V = FastestSpeed;
    return Scale * YAt(Curve, V) / V;
}

double PointCounts(const TCurve& Curve, int Index)
{
    return Curve.X[Index] / One * CountsPerSpeed;
}

// A point at X 0 (point 0, or one of a broken curve) has the gain 0.
double PointGain(const TCurve& Curve, double Scale, int Index)
{
    return Curve.X[Index] ? Scale * Curve.Y[Index] / Curve.X[Index] : 0;
}

bool MovePoint(TCurve& Curve, double Scale, int Index, double Counts, double Gain, bool Clamp)
{
    const unsigned XLow = Curve.X[Index - 1] + 1;
    const unsigned XHigh = Index + 1 < CurvePoints ? Curve.X[Index + 1] - 1 : Largest;
    const unsigned YLow = Curve.Y[Index - 1];
    const unsigned YHigh = Index + 1 < CurvePoints ? Curve.Y[Index + 1] : Largest;
    const unsigned Wanted = Nearest(Counts / CountsPerSpeed * One);
    const unsigned X = BoundedRaw(Wanted, XLow, XHigh);
    if (XLow > XHigh || (!Clamp && X != Wanted))
        return false;
    Curve.X[Index] = X;
    Curve.Y[Index] = BoundedRaw(Nearest(Gain * X / Scale), YLow, YHigh);
    return true;
}

int Bounded(int Value, int Low, int High)
{
    return Value < Low ? Low : Value > High ? High : Value;
}

// NaN is 0; numbers beyond the int range end at its edges.
int Rounded(double Value)
{
    const double Limit = 2147483647.0;
    if (!(Value > -Limit))
        return Value == Value ? -2147483647 : 0;
    if (Value >= Limit)
        return 2147483647;
    return Value < 0 ? -static_cast<int>(0.5 - Value) : static_cast<int>(Value + 0.5);
}

// ln(m) for m in [1, 2) from the series of artanh, then the power of two.
// The loops halve or double a finite positive number: at most 1075 times.
double Log10(double Value)
{
    if (!(Value > 0))
        return LogOfZero;
    if (Value > Greatest)
        return LogOfInfinity;
    int Exponent = 0;
    while (Value >= 2)
    {
        Value /= 2;
        ++Exponent;
    }
    while (Value < 1)
    {
        Value *= 2;
        --Exponent;
    }
    const double T = (Value - 1) / (Value + 1), T2 = T * T;
    double Term = T, Sum = 0;
    for (int k = 1; k <= 13; k += 2)
    {
        Sum += Term / k;
        Term *= T2;
    }
    return (2 * Sum + Exponent * Ln2) / Ln10;
}

// 10^e = 2^n · e^r with r in [0, ln 2), e^r from its series; n is at
// most 1100 either way.
double Pow10(double Exponent)
{
    if (!(Exponent > LowestExponent))
        return 0;
    if (Exponent > HighestExponent)
        return Greatest;
    double R = Exponent * Ln10;
    int N = 0;
    while (R >= Ln2)
    {
        R -= Ln2;
        ++N;
    }
    while (R < 0)
    {
        R += Ln2;
        --N;
    }
    double Term = 1, Sum = 1;
    for (int k = 1; k <= 12; ++k)
    {
        Term *= R / k;
        Sum += Term;
    }
    for (; N > 0; --N)
        Sum *= 2;
    for (; N < 0; ++N)
        Sum /= 2;
    return Sum;
}
