// The page "Beschleunigungskurve": the curve by which Windows 7 and later
// scale the mouse's movements while "Zeigerbeschleunigung verbessern" is on
// (SmoothMouseXCurve and SmoothMouseYCurve), drawn as a graph, with Windows'
// own curve and the exact 1:1 curve as presets, and its four points to drag
// or type. Nothing is written while the user edits; OK or Apply writes the
// two values when the curve differs from what the page started with, and
// Windows reads them at the next logon.
#ifndef POINTIX_CURVEPAGE_H
#define POINTIX_CURVEPAGE_H

#include <windows.h>
#include <commctrl.h>

#include "Curve.h"
#include "CurveGraph.h"
#include "OwnedPage.h"

// The presets in the order of their combo box.
enum TCurvePreset
{
    cpWindows,
    cpOneToOne,
    cpCustom
};

// The fields of the chosen point, in the order of their controls.
enum TCurveField
{
    cfCounts,
    cfFactor,
    CurveFieldCount
};

class TCurvePage : public TOwnedPage
{
public:
    explicit TCurvePage(const TLanguage& Language);

    // The two fields and the graph.
    LRESULT EditSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnInitDialog(HWND hDlg) override;
    void OnDestroy(HWND hDlg) override;
    void OnCommand(HWND hDlg, UINT Code, HWND hCtl, UINT Id) override;
    void OnHelp(HWND hDlg, int CtrlId) override;
    bool OnNotify(HWND hDlg, UINT Code) override;
    // False when a value could not be written; the user was told which.
    bool ApplyChanges(HWND hDlg);
    bool OnDrawItem(HWND hDlg, const DRAWITEMSTRUCT* Item) override;
    void OnFieldChange(HWND hDlg, HWND hEdit, int Field);
    LRESULT GraphProc(HWND hGraph, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static POINT PointOf(LPARAM Where);
    void StartDrag(HWND hDlg, HWND hGraph, POINT Where);
    void DragTo(HWND hDlg, POINT Where);
    void EndDrag(HWND hDlg, HWND hGraph, bool Keep);
    bool MoveChosenPoint(HWND hDlg, double Counts, double Gain);
    bool OnGraphKey(HWND hDlg, UINT Key);
    void ChoosePoint(HWND hDlg, int Point);

    void ReadPointerSettings(HWND hDlg);
    // Takes what a field holds into the curve; a place that would pass a
    // neighbour is refused with a beep.
    void TakeField(HWND hDlg, int Field);
    void ChoosePreset(HWND hDlg, int Preset);
    // The curve changed by the user: shown, the preset it now is selected,
    // the page marked changed.
    void CurveEdited(HWND hDlg);
    // The curve as it is, for the scale and pointer speed now chosen: its
    // axes, the preset it equals, the chosen point's fields, the graph.
    void ShowCurve(HWND hDlg);
    void SelectMatchingPreset(HWND hDlg);
    void DescribeGraph(HWND hDlg);
    void ShowPoint(HWND hDlg);
    void ShowNote(HWND hDlg, UINT StringId);
    void Redraw(HWND hDlg);
    unsigned Dpi(HWND hDlg) const;
    double GainScaleNow(HWND hDlg) const;

    TCurve FCurve;
    // What the page started from: the stored curve (Windows' own where it
    // was unusable), then what Apply wrote.
    TCurve FSaved;
    bool FWindows8;
    int FSpeed;
    int FPoint;
    bool FDragging;
    // The curve as it was when the drag began, for Esc.
    TCurve FBeforeDrag;
    TCurveGraph FGraph;
    WNDPROC FOldFieldProc[CurveFieldCount];
    WNDPROC FOldGraphProc;
    // The last number each field showed, for a field that was emptied.
    int FLastGood[CurveFieldCount];
    // Typed into since the field last showed the point.
    bool FTyped[CurveFieldCount];
    // The page itself is filling in the fields.
    bool FShowing;
};

#endif
