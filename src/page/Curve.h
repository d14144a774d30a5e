// The pointer-acceleration curve of Windows, without anything of Windows in
// it: its two registry values, the curves Windows ships and the exact 1:1
// curve, and what a curve does to a mouse movement, as the page
// "Beschleunigungskurve" shows it.
//
// Windows keeps five points per user, SmoothMouseXCurve (mouse speed) and
// SmoothMouseYCurve (pointer speed), each 40 bytes: per point a 16.16
// fixed-point number in the low four bytes, little-endian, and four zero
// bytes. Point 0 is always 0. For a report of `Counts` mouse counts
// (max(|dx|, |dy|) + min(|dx|, |dy|) / 2) it takes the mouse speed
// v = Counts / 3.5, interpolates Y(v) linearly between the points (past the
// last one it goes on along the last segment) and moves the pointer
// Gain · Counts pixels, Gain = k · (s / 10) · (Y(v) / v) / 3.5: s is the
// pointer speed (1–20), k the display's DPI divided by 120 (Windows 8 and
// later) or 150 (Windows 7), cut to 16.16 as Windows cuts it.
#ifndef POINTIX_CURVE_H
#define POINTIX_CURVE_H

const int CurvePoints = 5;
const unsigned CurveValueSize = 40;

struct TCurve
{
    unsigned X[CurvePoints];
    unsigned Y[CurvePoints];
};

bool SameCurve(const TCurve& A, const TCurve& B);
// X rises strictly from point to point and Y never falls, both from 0, and
// every number is below 32768: the only curves the page writes.
bool IsWritableCurve(const TCurve& Curve);

// One registry value into its five numbers; false when it is not 40 bytes
// of five points with zero high halves and point 0 at 0.
bool ReadCurveValue(const unsigned char* Bytes, unsigned Size, unsigned* Values);
void WriteCurveValue(const unsigned* Values, unsigned char* Bytes);

// Windows' own curve, and the one whose gain is exactly 1 at pointer
// speed Speed on a display of Dpi, for Windows 8 and later (Windows8) or
// Windows 7.
void WindowsCurve(TCurve& Curve, bool Windows8);
void OneToOneCurve(TCurve& Curve, bool Windows8, unsigned Dpi, unsigned Speed);

// What turns Y(v) / v into the gain: k · (s / 10) / 3.5.
double GainScale(bool Windows8, unsigned Dpi, unsigned Speed);
// The gain for a report of Counts counts. Below the first point the gain
// stays as it is there, which is also what counts of 0 or less get.
double GainAt(const TCurve& Curve, double Scale, double Counts);
// Point Index (1–4) as the graph shows it: counts per report and gain.
double PointCounts(const TCurve& Curve, int Index);
double PointGain(const TCurve& Curve, double Scale, int Index);
// Moves point Index to Counts counts per report and Gain. X must stay
// between the neighbours' X and Y between their Y, inside 16.16; Y is
// held there. With Clamp so is X (a dragged point stops at its
// neighbours); without, a place that would pass a neighbour is refused:
// false, and nothing changes.
bool MovePoint(TCurve& Curve, double Scale, int Index, double Counts, double Gain, bool Clamp);

// The nearest whole number; NaN is 0, and numbers beyond the int range
// end at its edges.
int Rounded(double Value);
// Value brought to the nearest of Low and High when outside them.
int Bounded(int Value, int Low, int High);

// Base-10 logarithm and power, for the graph's logarithmic axis (within a
// few millionths; the module has no C runtime to ask). Both always end and
// always answer a finite number: Log10 answers -400 for 0, negative
// numbers and NaN and 400 for infinity; Pow10 answers 0 below 10^-330 and
// for NaN, and the largest double above 10^308.25.
double Log10(double Value);
double Pow10(double Exponent);

#endif
