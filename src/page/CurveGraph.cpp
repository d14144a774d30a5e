// Drawing the acceleration curve, and finding its points again under the
// mouse.
#include "CurveGraph.h"
#include "GdiObjects.h"
#include "PageControls.h"
#include "../util/Module.h"
#include "../util/Util.h"
#include "../../res/resource.h"

namespace
{
// Factor steps the axis may take, in tenths: at most six of them up to its
// top, and fewer where the plot has no room for six labels.
const BYTE GainSteps[] = {1, 2, 5, 10, 20, 50, 100, 200};
const double LargestGain = 100;
const int MostGainSteps = 6;
const int LowestDecade = -2, HighestDecade = 5;
// The smallest plot worth drawing, in pixels each way.
const int MinimumPlot = 8;
const int LabelCapacity = 64;

int Floor(double Value)
{
    const int Whole = static_cast<int>(Value);
    return Whole > Value ? Whole - 1 : Whole;
}

int Ceiling(double Value)
{
    const int Whole = static_cast<int>(Value);
    return Whole < Value ? Whole + 1 : Whole;
}

// How far below the counts axis its labels begin: clear of the lowest
// factor label, which is centred on the axis.
int CountsLabelDrop(int LineHeight)
{
    return (LineHeight + 1) / 2 + 2;
}

int PowerOfTen(int Exponent)
{
    int Value = 1;
    while (Exponent-- > 0)
        Value *= 10;
    return Value;
}

void Line(HDC hdc, int X0, int Y0, int X1, int Y1)
{
    MoveToEx(hdc, X0, Y0, nullptr);
    LineTo(hdc, X1, Y1);
}

// Text with its anchor at X (left, centre or right by Format) and its top
// at Y.
void Label(HDC hdc, const WCHAR* Text, int X, int Y, UINT Format)
{
    RECT Room = {X - 1000, Y, X + 1000, Y + 1000};
    if (Format & DT_RIGHT)
        Room.right = X;
    else if (!(Format & DT_CENTER))
        Room.left = X;
    DrawTextW(hdc, Text, -1, &Room, Format | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

int TextWidth(HDC hdc, const WCHAR* Text)
{
    RECT Room = {0, 0, 0, 0};
    DrawTextW(hdc, Text, -1, &Room, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return Room.right;
}

// The label of the factor tick Index.
void GainLabel(WCHAR* Text, double Step, int Index)
{
    const int Decimals = Step < 1 ? 1 : 0;
    FormatDecimal(Text, Rounded(Step * Index * PowerOfTen(Decimals)), Decimals);
}

// The label of the decade 10^Decade: "0,01", "0,1", "1", "10" and so on.
void DecadeLabel(WCHAR* Text, int Decade)
{
    const int Decimals = Decade < 0 ? -Decade : 0;
    FormatDecimal(Text, PowerOfTen(Decade + Decimals), Decimals);
}
}

void TCurveGraph::Fit(const TCurve& Curve, double Scale)
{
    FLogLow = Bounded(Floor(Log10(PointCounts(Curve, 1) / 2)), LowestDecade, HighestDecade - 1);
    FLogHigh = Bounded(Ceiling(Log10(PointCounts(Curve, CurvePoints - 1) * 1.25)), FLogLow + 1, HighestDecade);
    // The gain changes monotonically between points and stays as it is
    // before the first: its largest value is at a point or at the right end.
    // The axis always reaches factor 1, and ends at the largest factor a
    // point can be given.
    double Top = GainAt(Curve, Scale, Pow10(FLogHigh));
    Top = Top > 1 ? Top : 1;
    for (int i = 1; i < CurvePoints; ++i)
        Top = PointGain(Curve, Scale, i) > Top ? PointGain(Curve, Scale, i) : Top;
    FTopGain = Top * 1.1 < LargestGain ? Top * 1.1 : LargestGain;
}

// The factor axis's step: the smallest of GainSteps that needs at most
// Most steps up to the top.
void TCurveGraph::FitGainSteps(int Most)
{
    int Step = 0;
    while (FTopGain * 10 / GainSteps[Step] > Most && Step + 1 < static_cast<int>(sizeof(GainSteps)))
        ++Step;
    FGainStep = GainSteps[Step] / 10.0;
    FGainTicks = Ceiling(FTopGain / FGainStep);
}

int TCurveGraph::XOf(double Counts) const
{
    const double Share = (Log10(Counts) - FLogLow) / (FLogHigh - FLogLow);
    return Bounded(FPlot.left + Rounded(Share * (FPlot.right - FPlot.left)), FPlot.left, FPlot.right);
}

int TCurveGraph::YOf(double Gain) const
{
    return Bounded(FPlot.bottom - Rounded(Gain / (FGainStep * FGainTicks) * (FPlot.bottom - FPlot.top)), FPlot.top, FPlot.bottom);
}

POINT TCurveGraph::HandleOf(const TCurve& Curve, double Scale, int Index) const
{
    POINT Handle = {XOf(PointCounts(Curve, Index)), YOf(PointGain(Curve, Scale, Index))};
    return Handle;
}

// The handle nearest to Where, as far as the square it is drawn in plus a
// margin reaches.
int TCurveGraph::HandleAt(const TCurve& Curve, double Scale, POINT Where) const
{
    if (FPlot.right <= FPlot.left)
        return 0;
    int Found = 0, Nearest = FGrip + 1;
    for (int i = 1; i < CurvePoints; ++i)
    {
        const POINT Handle = HandleOf(Curve, Scale, i);
        const int Across = Handle.x > Where.x ? Handle.x - Where.x : Where.x - Handle.x;
        const int Down = Handle.y > Where.y ? Handle.y - Where.y : Where.y - Handle.y;
        const int Distance = Across > Down ? Across : Down;
        if (Distance < Nearest)
        {
            Nearest = Distance;
            Found = i;
        }
    }
    return Found;
}

void TCurveGraph::ValueAt(POINT Where, double& Counts, double& Gain) const
{
    const int X = Bounded(Where.x, FPlot.left, FPlot.right), Y = Bounded(Where.y, FPlot.top, FPlot.bottom);
    Counts = Pow10(FLogLow + static_cast<double>(X - FPlot.left) / (FPlot.right - FPlot.left) * (FLogHigh - FLogLow));
    Gain = static_cast<double>(FPlot.bottom - Y) / (FPlot.bottom - FPlot.top) * FGainStep * FGainTicks;
}

bool TCurveGraph::Beside(double& Counts, double& Gain, int Across, int Up) const
{
    if (FPlot.right <= FPlot.left)
        return false;
    Counts = Pow10(Log10(Counts) + static_cast<double>(Across) * (FLogHigh - FLogLow) / (FPlot.right - FPlot.left));
    Gain += static_cast<double>(Up) * FGainStep * FGainTicks / (FPlot.bottom - FPlot.top);
    return true;
}

// Axes with their ticks, labels and titles; the line of factor 1, dotted.
void TCurveGraph::DrawAxes(HDC hdc, int Width, int Height, int LineHeight, const TLanguage& Language) const
{
    WCHAR Text[LabelCapacity];
    const int Tick = LineHeight / 3;
    Line(hdc, FPlot.left, FPlot.top, FPlot.left, FPlot.bottom);
    Line(hdc, FPlot.left, FPlot.bottom, FPlot.right + 1, FPlot.bottom);
    for (int Decade = FLogLow; Decade <= FLogHigh; ++Decade)
    {
        for (int Step = 1; Step < (Decade < FLogHigh ? 10 : 2); ++Step)
        {
            const int X = XOf(Step * Pow10(Decade));
            Line(hdc, X, FPlot.bottom, X, FPlot.bottom + (Step == 1 ? Tick : Tick / 2 + 1));
        }
        DecadeLabel(Text, Decade);
        Label(hdc, Text, XOf(Pow10(Decade)), FPlot.bottom + CountsLabelDrop(LineHeight), DT_CENTER);
    }
    for (int Index = 0; Index <= FGainTicks; ++Index)
    {
        const int Y = YOf(Index * FGainStep);
        Line(hdc, FPlot.left - Tick, Y, FPlot.left, Y);
        GainLabel(Text, FGainStep, Index);
        Label(hdc, Text, FPlot.left - Tick - 2, Y - LineHeight / 2, DT_RIGHT);
    }
    for (int X = FPlot.left + 2; X < FPlot.right; X += 4)
        Line(hdc, X, YOf(1), X + 2, YOf(1));
    LoadText(Language, IDS_CURVE_AXIS_Y, Text, LabelCapacity);
    Label(hdc, Text, 2, 1, DT_LEFT);
    LoadText(Language, IDS_CURVE_AXIS_X, Text, LabelCapacity);
    Label(hdc, Text, Width - 3, Height - LineHeight - 1, DT_RIGHT);
}

// Where anything the drawing depends on fails, the paint draws less: no
// bitmap or memory DC, nothing at all; no text metrics, or no room for a
// plot, only the background. The plot is then empty, and no handle can be
// hit until a paint draws them.
void TCurveGraph::Draw(HDC hdc, const RECT& Area, HFONT Font, const TLanguage& Language, const TCurve& Curve, double Scale,
                       int Selected, bool Focused)
{
    FPlot = RECT{0, 0, 0, 0};
    const int Width = Area.right - Area.left, Height = Area.bottom - Area.top;
    // The bitmap outlives the memory DC: deleting the DC lets go of the
    // bitmap even where putting the DC's own one back failed, and only a
    // bitmap that no DC holds can be deleted.
    TGdiObject Bitmap(CreateCompatibleBitmap(hdc, Width, Height));
    TMemoryDC Memory(hdc);
    HDC Dc = Memory.Get();
    if (!Dc || !Bitmap.Get())
        return;
    TSelection Canvas(Dc, Bitmap.Get());
    if (!Canvas.Selected())
        return;
    TSelection Text(Dc, Font);
    // One pen of the text colour: lines of one pixel, the curve two of them.
    TSelection Pen(Dc, GetStockObject(DC_PEN));
    const COLORREF Ink = GetSysColor(COLOR_WINDOWTEXT);
    SetDCPenColor(Dc, Ink);
    SetTextColor(Dc, Ink);
    SetBkMode(Dc, TRANSPARENT);
    const RECT Client = {0, 0, Width, Height};
    FillRect(Dc, &Client, GetSysColorBrush(COLOR_WINDOW));
    DrawPlot(Dc, Width, Height, Language, Curve, Scale, Selected);
    if (Focused)
    {
        RECT Inside = {1, 1, Width - 1, Height - 1};
        DrawFocusRect(Dc, &Inside);
    }
    BitBlt(hdc, Area.left, Area.top, Width, Height, Dc, 0, 0, SRCCOPY);
    if (FPlot.right > FPlot.left)
        FPlot = RECT{FPlot.left + Area.left, FPlot.top + Area.top, FPlot.right + Area.left, FPlot.bottom + Area.top};
}

void TCurveGraph::DrawPlot(HDC Dc, int Width, int Height, const TLanguage& Language, const TCurve& Curve, double Scale,
                           int Selected)
{
    // Room for the labels: the widest factor (the top one) left of the
    // plot, a line of counts and one of the axis title below it, the
    // factor title above it, half the last decade's label right of it.
    TEXTMETRICW Metrics;
    if (!GetTextMetricsW(Dc, &Metrics) || Metrics.tmHeight <= 0 || Metrics.tmHeight > Height)
        return;
    // The tick labels keep a gap from the axis titles: half a label
    // reaches above the plot's top, and the counts hang below it.
    const int LineHeight = Metrics.tmHeight, Gap = LineHeight / 4 > 2 ? LineHeight / 4 : 2;
    RECT Plot;
    Plot.top = 1 + LineHeight + Gap + LineHeight / 2;
    Plot.bottom = Height - 1 - LineHeight - Gap - LineHeight - CountsLabelDrop(LineHeight);
    if (Plot.bottom - Plot.top < MinimumPlot)
        return;
    // As many factor labels as fit one above the other with a gap.
    const int Most = (Plot.bottom - Plot.top) / (LineHeight + Gap);
    FitGainSteps(Most < MostGainSteps ? (Most > 1 ? Most : 1) : MostGainSteps);
    WCHAR Label[LabelCapacity];
    GainLabel(Label, FGainStep, FGainTicks);
    Plot.left = TextWidth(Dc, Label) + LineHeight / 3 + 5;
    DecadeLabel(Label, FLogHigh);
    Plot.right = Width - TextWidth(Dc, Label) / 2 - 4;
    if (Plot.right - Plot.left < MinimumPlot)
        return;
    FPlot = Plot;
    // Handles and the margin around them that still catches a press grow
    // with the font, and so with the DPI.
    FHandle = LineHeight / 4 > 3 ? LineHeight / 4 : 3;
    FGrip = FHandle + (LineHeight / 6 > 3 ? LineHeight / 6 : 3);
    DrawAxes(Dc, Width, Height, LineHeight, Language);

    // The gain at every column of the plot, drawn twice, a pixel apart.
    const int Columns = FPlot.right - FPlot.left + 1;
    THeapBuffer<POINT> Points(Columns * sizeof(POINT));
    if (Points && Columns > 1)
    {
        POINT* At = Points.Get();
        for (int i = 0; i < Columns; ++i)
        {
            const double Counts = Pow10(FLogLow + static_cast<double>(i) / (Columns - 1) * (FLogHigh - FLogLow));
            At[i] = POINT{FPlot.left + i, YOf(GainAt(Curve, Scale, Counts))};
        }
        Polyline(Dc, At, Columns);
        for (int i = 0; i < Columns; ++i)
            ++At[i].y;
        Polyline(Dc, At, Columns);
    }

    // Handles: a square in the highlight colour, hollow but for the chosen
    // point's, framed in the text colour, which every colour scheme sets
    // apart from the background even where the highlight is close to it.
    for (int i = 1; i < CurvePoints; ++i)
    {
        const POINT Handle = HandleOf(Curve, Scale, i);
        RECT Box = {Handle.x - FHandle - 1, Handle.y - FHandle - 1, Handle.x + FHandle + 2, Handle.y + FHandle + 2};
        FillRect(Dc, &Box, GetSysColorBrush(COLOR_WINDOWTEXT));
        Box = RECT{Box.left + 1, Box.top + 1, Box.right - 1, Box.bottom - 1};
        FillRect(Dc, &Box, GetSysColorBrush(COLOR_HIGHLIGHT));
        Box = RECT{Box.left + 2, Box.top + 2, Box.right - 2, Box.bottom - 2};
        FillRect(Dc, &Box, GetSysColorBrush(i == Selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    }
}
