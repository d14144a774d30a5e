// The acceleration curve's numbers as tables, natively under the
// sanitizers: the logarithm and power at their edges, the gain of curves
// the page never writes, the 1:1 curve at every scale the page offers, and
// the clamps of a moved point.
#include "page/Curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
const double Infinity = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

TCurve MakeCurve(const unsigned (&X)[4], const unsigned (&Y)[4])
{
    TCurve Curve = {{0, X[0], X[1], X[2], X[3]}, {0, Y[0], Y[1], Y[2], Y[3]}};
    return Curve;
}

TCurve Windows8()
{
    TCurve Curve;
    WindowsCurve(Curve, true);
    return Curve;
}

// The gain of point Index as Windows computes it from the stored numbers:
// k = DPI / 120 (Windows 8 and later) or / 150 (Windows 7), cut to 16.16,
// times s / 10, times Y / X, divided by 3.5.
double WindowsGain(const TCurve& Curve, bool Win8, unsigned Dpi, unsigned Speed, int Index)
{
    const double K = std::floor(Dpi * 65536.0 / (Win8 ? 120 : 150)) / 65536.0;
    return K * Speed / 10.0 * Curve.Y[Index] / Curve.X[Index] / 3.5;
}
}

// Every input ends, and every answer is a finite number.
TEST(CurveNumbers, LogarithmAndPowerAtTheirEdges)
{
    const struct
    {
        double Value, Log;
    } Logs[] = {
        {1, 0},
        {1000, 3},
        {0.01, -2},
        {2000, 3.30103},
        {1.7976931348623157e308, 308.25471},
        {4.9406564584124654e-324, -323.30621},  // the smallest denormal
        {0, -400},
        {-1, -400},
        {-Infinity, -400},
        {NaN, -400},
        {Infinity, 400},
    };
    for (const auto& Row : Logs)
    {
        SCOPED_TRACE(testing::Message() << "Log10(" << Row.Value << ")");
        EXPECT_NEAR(Row.Log, Log10(Row.Value), 1e-5);
    }
    const struct
    {
        double Exponent, Power, Tolerance;
    } Powers[] = {
        {0, 1, 1e-12},
        {3, 1000, 1e-6},
        {-2, 0.01, 1e-12},
        {2.5, 316.227766, 1e-5},
        {-400, 0, 0},
        {-Infinity, 0, 0},
        {NaN, 0, 0},
        {400, 1.7976931348623157e308, 0},
        {Infinity, 1.7976931348623157e308, 0},
    };
    for (const auto& Row : Powers)
    {
        SCOPED_TRACE(testing::Message() << "Pow10(" << Row.Exponent << ")");
        const double Power = Pow10(Row.Exponent);
        EXPECT_TRUE(std::isfinite(Power));
        EXPECT_NEAR(Row.Power, Power, Row.Tolerance * (Row.Power > 1 ? Row.Power : 1));
    }
    EXPECT_NEAR(1.77827941e308, Pow10(308.25), 1e301) << "still a number below the top";
}

TEST(CurveNumbers, RoundedStaysInsideTheIntRange)
{
    const struct
    {
        double Value;
        int Rounded;
    } Rows[] = {
        {2.5, 3}, {-2.5, -3}, {0.49, 0}, {1e300, 2147483647}, {-1e300, -2147483647},
        {Infinity, 2147483647}, {-Infinity, -2147483647}, {NaN, 0},
    };
    for (const auto& Row : Rows)
        EXPECT_EQ(Row.Rounded, Rounded(Row.Value)) << Row.Value;
}

// The gain of Windows' curve is that of its first point down to 0 counts;
// curves the page never writes (points that do not rise, a point at 0)
// still give numbers.
TEST(CurveNumbers, GainOfEveryCountsAndCurve)
{
    const TCurve Windows = Windows8();
    const double Scale = GainScale(true, 96, 10);
    const double First = PointGain(Windows, Scale, 1);
    const TCurve Flat = MakeCurve({0x10000, 0x10000, 0x10000, 0x10000}, {0x10000, 0x20000, 0x30000, 0x40000});
    const TCurve Zero = MakeCurve({0, 0, 0, 0}, {0, 0, 0, 0});
    const TCurve Falling = MakeCurve({0x40000, 0x30000, 0x20000, 0x10000}, {1, 2, 3, 4});
    const struct
    {
        const char* Name;
        const TCurve& Curve;
        double Counts;
    } Rows[] = {
        {"zero counts", Windows, 0},       {"negative counts", Windows, -5},   {"NaN counts", Windows, NaN},
        {"infinite counts", Windows, Infinity}, {"below the first point", Windows, 0.5},
        {"flat X", Flat, 3.5},             {"flat X, far", Flat, 1e9},         {"all zero", Zero, 1},
        {"falling X", Falling, 2},
    };
    for (const auto& Row : Rows)
    {
        SCOPED_TRACE(Row.Name);
        const double Gain = GainAt(Row.Curve, Scale, Row.Counts);
        EXPECT_TRUE(std::isfinite(Gain)) << Gain;
        EXPECT_GE(Gain, 0);
    }
    for (double Counts : {0.0, -5.0, NaN, 0.5})
        EXPECT_NEAR(First, GainAt(Windows, Scale, Counts), 1e-9) << Counts;
    EXPECT_EQ(0, PointGain(Zero, Scale, 2)) << "a point at X 0";
    EXPECT_EQ(0, PointGain(Windows, Scale, 0));
}

// The 1:1 curve for every scale the page offers (100–500 %, 96–480 dpi) and
// every pointer speed, on both formulas: Windows then moves the pointer
// as far as the mouse reports, but for the cut of X to 16.16 (at most 2 in
// 100 000 at speed 1). And its bytes where they are known.
TEST(CurveNumbers, OneToOneCurveAtEveryScaleAndSpeed)
{
    for (bool Win8 : {false, true})
        for (unsigned Dpi = 96; Dpi <= 480; Dpi += 24)
            for (unsigned Speed = 1; Speed <= 20; ++Speed)
            {
                SCOPED_TRACE(testing::Message() << (Win8 ? "Windows 8" : "Windows 7") << ", " << Dpi << " dpi, speed " << Speed);
                TCurve Curve;
                OneToOneCurve(Curve, Win8, Dpi, Speed);
                ASSERT_TRUE(IsWritableCurve(Curve));
                for (int i = 1; i < CurvePoints; ++i)
                {
                    EXPECT_EQ(0x380000u * i, Curve.Y[i]);
                    EXPECT_NEAR(1, WindowsGain(Curve, Win8, Dpi, Speed, i), 2e-5) << "point " << i;
                }
                EXPECT_NEAR(1, GainAt(Curve, GainScale(Win8, Dpi, Speed), 7), 2e-5);
            }
    const struct
    {
        bool Win8;
        unsigned Dpi, Speed, X1;
    } Known[] = {
        {false, 96, 10, 0xA3D70}, {false, 120, 10, 0xCCCC0}, {false, 144, 10, 0xF5C20}, {false, 96, 7, 0x72B01},
        {true, 96, 10, 0xCCCC0},  {true, 120, 10, 0x100000}, {true, 144, 10, 0x133330}, {true, 120, 20, 0x200000},
    };
    for (const auto& Row : Known)
    {
        TCurve Curve;
        OneToOneCurve(Curve, Row.Win8, Row.Dpi, Row.Speed);
        EXPECT_EQ(Row.X1, Curve.X[1]) << Row.Dpi << " dpi, speed " << Row.Speed << (Row.Win8 ? ", Windows 8" : ", Windows 7");
    }
}

// A dragged point (Clamp) stops at its neighbours; a typed place past one
// is refused and changes nothing. Y is always held between the
// neighbours' Y.
TEST(CurveNumbers, MovedPointStaysBetweenItsNeighbours)
{
    const TCurve Windows = Windows8();
    const double Scale = GainScale(true, 96, 10);
    const double Counts2 = PointCounts(Windows, 2), Gain2 = PointGain(Windows, Scale, 2);
    const unsigned Largest = 0x7FFFFFFF;
    const struct
    {
        const char* Name;
        int Index;
        double Counts, Gain;
        bool Clamp, Moved;
        unsigned X, Y;  // of the point afterwards
    } Rows[] = {
        {"left of its neighbour, dragged", 2, 0.01, Gain2, true, true, Windows.X[1] + 1, 0},
        {"left of its neighbour, typed", 2, 0.01, Gain2, false, false, Windows.X[2], Windows.Y[2]},
        {"right of its neighbour, dragged", 2, 1000, Gain2, true, true, Windows.X[3] - 1, 0},
        {"right of its neighbour, typed", 2, 1000, Gain2, false, false, Windows.X[2], Windows.Y[2]},
        {"gain above the next point's Y", 2, Counts2, 99, true, true, Windows.X[2], Windows.Y[3]},
        {"gain 0", 2, Counts2, 0, true, true, Windows.X[2], Windows.Y[1]},
        {"last point far right", 4, 1e12, 1, true, true, Largest, 0},
        {"NaN counts, dragged", 2, NaN, Gain2, true, true, Windows.X[1] + 1, 0},
        {"NaN counts, typed", 2, NaN, Gain2, false, false, Windows.X[2], Windows.Y[2]},
        {"NaN gain", 2, Counts2, NaN, true, true, Windows.X[2], Windows.Y[1]},
        {"infinite gain", 2, Counts2, Infinity, true, true, Windows.X[2], Windows.Y[3]},
    };
    for (const auto& Row : Rows)
    {
        SCOPED_TRACE(Row.Name);
        TCurve Curve = Windows;
        EXPECT_EQ(Row.Moved, MovePoint(Curve, Scale, Row.Index, Row.Counts, Row.Gain, Row.Clamp));
        EXPECT_EQ(Row.X, Curve.X[Row.Index]);
        if (Row.Y)
            EXPECT_EQ(Row.Y, Curve.Y[Row.Index]);
        EXPECT_TRUE(IsWritableCurve(Curve));
        for (int i = 0; i < CurvePoints; ++i)
            if (i != Row.Index)
                EXPECT_TRUE(Curve.X[i] == Windows.X[i] && Curve.Y[i] == Windows.Y[i]) << "point " << i << " moved";
    }
    // Neighbours one apart leave no place between them.
    TCurve Tight = MakeCurve({5, 6, 6, 0x10000}, {1, 2, 3, 4});
    EXPECT_FALSE(MovePoint(Tight, Scale, 2, 1, 1, true));
}
