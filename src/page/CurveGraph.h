// The graph of the page "Beschleunigungskurve": the gain ("Faktor") against
// the mouse movement per report ("Zählimpulse je Meldung"), with the line of
// factor 1 and the four points as handles. The counts axis is logarithmic,
// because Windows' own points lie a decade apart; both axes fit the curve.
// Drawn with GDI in the system's colours (readable in high-contrast themes)
// into a bitmap first, so that a redraw never flickers.
#ifndef POINTIX_CURVEGRAPH_H
#define POINTIX_CURVEGRAPH_H

#include <windows.h>

#include "Curve.h"
#include "Language.h"

class TCurveGraph
{
public:
    // Fits the axes to the curve: the decades around its points, and a
    // factor axis up to a round number above its largest gain and 1 (the
    // steps to it are chosen when it is drawn, by the room there is).
    void Fit(const TCurve& Curve, double Scale);
    // Draws into the graph's area of hdc, Selected (1–4) marked, with the
    // focus rectangle when the graph has the focus.
    void Draw(HDC hdc, const RECT& Area, HFONT Font, const TLanguage& Language, const TCurve& Curve, double Scale, int Selected,
              bool Focused);
    // The point whose handle lies under Where as last drawn, or 0 (also
    // while nothing was drawn).
    int HandleAt(const TCurve& Curve, double Scale, POINT Where) const;
    // Counts and gain at Where, held inside the plot.
    void ValueAt(POINT Where, double& Counts, double& Gain) const;
    // Counts and Gain moved Across pixels right and Up pixels up on the
    // axes as last drawn; false (and unchanged) while nothing is drawn.
    bool Beside(double& Counts, double& Gain, int Across, int Up) const;

private:
    int XOf(double Counts) const;
    int YOf(double Gain) const;
    POINT HandleOf(const TCurve& Curve, double Scale, int Index) const;
    // The axes, the curve and its handles into a bitmap of that size; sets
    // the plot, which stays empty when there is no room or no font to draw.
    void DrawPlot(HDC Dc, int Width, int Height, const TLanguage& Language, const TCurve& Curve, double Scale, int Selected);
    void DrawAxes(HDC hdc, int Width, int Height, int LineHeight, const TLanguage& Language) const;
    void FitGainSteps(int Most);

    RECT FPlot;
    int FLogLow, FLogHigh;
    // The factor axis: up to FTopGain at least, in FGainTicks steps of
    // FGainStep.
    double FTopGain;
    double FGainStep;
    int FGainTicks;
    // Half the side of a handle's square, and of the square that catches
    // a press on it.
    int FHandle;
    int FGrip;
};

#endif
