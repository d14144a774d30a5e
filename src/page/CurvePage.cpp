// The page "Beschleunigungskurve": presets, display scale, the chosen
// point's fields, dragging in the graph, and the two registry values.
#include "CurvePage.h"
#include "../registry/WinReg.h"
#include "../util/Module.h"
#include "../util/Util.h"
#include "../../res/resource.h"

namespace
{
const WCHAR MouseKey[] = L"Control Panel\\Mouse";
const WCHAR* const ValueNames[] = {L"SmoothMouseXCurve", L"SmoothMouseYCurve"};
// How the message of a failed Apply names each value.
const UINT ValueTitles[] = {IDS_CURVE_X_NAME, IDS_CURVE_Y_NAME};

// The display scales of the combo box, 100 % to 500 % in steps of 25,
// each a DPI of 96 per 100 %.
const int ScaleLow = 100, ScaleStep = 25, ScaleCount = 17, BaseDpi = 96;
const int SpeedLow = 1, SpeedHigh = 20, SpeedDefault = 10;

// The chosen point's place on the counts axis and its factor, both in
// hundredths: wide enough for Windows' own curve and the 1:1 curve at
// every scale and pointer speed (up to 1792 counts and a factor of 26).
const TNumberField Fields[CurveFieldCount] = {
    {IDC_CURVE_COUNTS_EDIT, 0, 1, 200000, 2},
    {IDC_CURVE_FACTOR_EDIT, 0, 1, 9999, 2},
};

const int TextCapacity = 260;
// The graph's description: its name, the preset and four points, each of
// those a short text.
const int DescriptionCapacity = 600, PointTextCapacity = 80;

int FieldOf(int ControlId)
{
    for (int i = 0; i < CurveFieldCount; ++i)
        if (Fields[i].EditId == ControlId)
            return i;
    return -1;
}

double BoundedField(double Value, const TNumberField& Field)
{
    const double Low = Field.Min / 100.0, High = Field.Max / 100.0;
    return Value < Low ? Low : Value > High ? High : Value;
}

// A point's counts and factor as its fields show them, in hundredths.
void FieldValuesOf(const TCurve& Curve, double Scale, int Point, int (&Values)[CurveFieldCount])
{
    Values[cfCounts] = Rounded(PointCounts(Curve, Point) * 100);
    Values[cfFactor] = Rounded(PointGain(Curve, Scale, Point) * 100);
}

// Where the stored curve came from.
enum TStored
{
    stFound,
    stAbsent,
    stUnusable
};

// The stored curve; Windows' own where a value is missing or unusable.
// Unusable means that at least one of the two values is there.
TStored ReadStoredCurve(TCurve& Curve, bool Windows8)
{
    TWinReg Registry;
    const bool Opened = Registry.OpenKey(MouseKey) == ERROR_SUCCESS;
    bool Present = false, Usable = Opened;
    for (int v = 0; Opened && v < 2; ++v)
    {
        BYTE Bytes[CurveValueSize];
        DWORD Type = 0, Size = sizeof(Bytes);
        const LONG Result = Registry.ReadValue(ValueNames[v], Bytes, &Type, &Size);
        Present = Present || Result != ERROR_FILE_NOT_FOUND;
        Usable = Usable && Result == ERROR_SUCCESS && Type == REG_BINARY && ReadCurveValue(Bytes, Size, v ? Curve.Y : Curve.X);
    }
    if (Usable && IsWritableCurve(Curve))
        return stFound;
    WindowsCurve(Curve, Windows8);
    return Present ? stUnusable : stAbsent;
}

// True when the registry holds exactly Size bytes of Type under Name.
bool Holds(TWinReg& Registry, LPCWSTR Name, DWORD Type, const BYTE* Bytes, DWORD Size)
{
    // A byte more than expected, so that a longer value does not pass.
    THeapBuffer<BYTE> Read(Size + 1);
    DWORD ReadType = 0, ReadSize = Size + 1;
    if (!Read || Registry.ReadValue(Name, Read.Get(), &ReadType, &ReadSize) != ERROR_SUCCESS || ReadType != Type ||
        ReadSize != Size)
        return false;
    for (DWORD i = 0; i < Size; ++i)
        if (Read.Get()[i] != Bytes[i])
            return false;
    return true;
}

// Writes one value and reads it back: true when the registry then holds
// exactly these 40 bytes as binary.
bool StoreValue(TWinReg& Registry, int Value, const unsigned* Numbers)
{
    BYTE Bytes[CurveValueSize];
    WriteCurveValue(Numbers, Bytes);
    return Registry.WriteValue(ValueNames[Value], Bytes, REG_BINARY, CurveValueSize) == ERROR_SUCCESS &&
           Holds(Registry, ValueNames[Value], REG_BINARY, Bytes, CurveValueSize);
}

// A value as the registry held it before Apply wrote: absent, or its type
// and bytes, whatever they are.
class TValueCopy
{
public:
    TValueCopy() : FPresent(false), FType(0), FSize(0), FBytes(nullptr) {}
    ~TValueCopy() { HeapFreeBlock(FBytes); }
    TValueCopy(const TValueCopy&) = delete;
    TValueCopy& operator=(const TValueCopy&) = delete;

    // False when the value could not be read, and so could not be put back.
    bool Take(TWinReg& Registry, LPCWSTR Name)
    {
        DWORD Size = 0;
        const LONG Result = Registry.ReadValue(Name, nullptr, &FType, &Size);
        if (Result == ERROR_FILE_NOT_FOUND)
            return true;
        if (Result != ERROR_SUCCESS)
            return false;
        FBytes = static_cast<BYTE*>(HeapAllocZero(Size + 1));
        FSize = Size;
        FPresent = FBytes && Registry.ReadValue(Name, FBytes, &FType, &Size) == ERROR_SUCCESS && Size == FSize;
        return FPresent;
    }
    // Writes the value back (or deletes it, when it was absent) unless the
    // registry still holds it; true when the registry then holds it.
    bool PutBack(TWinReg& Registry, LPCWSTR Name) const
    {
        if (IsHeld(Registry, Name))
            return true;
        if (FPresent)
            Registry.WriteValue(Name, FBytes, FType, FSize);
        else
            Registry.DeleteValue(Name);
        return IsHeld(Registry, Name);
    }

private:
    bool IsHeld(TWinReg& Registry, LPCWSTR Name) const
    {
        DWORD Type = 0, Size = 0;
        if (!FPresent)
            return Registry.ReadValue(Name, nullptr, &Type, &Size) == ERROR_FILE_NOT_FOUND;
        return Holds(Registry, Name, FType, FBytes, FSize);
    }

    bool FPresent;
    DWORD FType;
    DWORD FSize;
    BYTE* FBytes;
};
}

TCurvePage::TCurvePage(const TLanguage& Language) : TOwnedPage(Language, IDD_CURVEPAGE, IDS_CURVE_TITLE)
{
}

// Pointer speed and acceleration may have changed on another page while
// this one was not shown. The 1:1 curve is one for the pointer speed, as
// for the scale: a new speed refills it.
bool TCurvePage::OnNotify(HWND hDlg, UINT Code)
{
    if (Code == static_cast<UINT>(PSN_SETACTIVE))
    {
        const int Speed = FSpeed;
        const bool OneToOne = SendDlgItemMessageW(hDlg, IDC_CURVE_PRESET, CB_GETCURSEL, 0, 0) == cpOneToOne;
        ReadPointerSettings(hDlg);
        if (Speed != FSpeed && OneToOne)
            ChoosePreset(hDlg, cpOneToOne);
        if (Speed != FSpeed)
            ShowCurve(hDlg);
    }
    return Code == static_cast<UINT>(PSN_APPLY) && !ApplyChanges(hDlg);
}

bool TCurvePage::OnDrawItem(HWND hDlg, const DRAWITEMSTRUCT* Item)
{
    if (Item->CtlID != IDC_CURVE_GRAPH)
        return false;
    const HFONT Font = reinterpret_cast<HFONT>(SendMessageW(hDlg, WM_GETFONT, 0, 0));
    FGraph.Draw(Item->hDC, Item->rcItem, Font, *FLanguage, FCurve, GainScaleNow(hDlg), FPoint, GetFocus() == Item->hwndItem);
    return true;
}

LRESULT TCurvePage::EditSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    const int Id = GetDlgCtrlID(hWnd);
    if (Id == IDC_CURVE_GRAPH)
        return GraphProc(hWnd, uMsg, wParam, lParam);
    const int Field = FieldOf(Id);
    if (Field < 0)
        return 0;
    if (FGuard.Refuses(hWnd, uMsg, wParam, Fields[Field]))
        return 0;
    return CallWindowProcW(FOldFieldProc[Field], hWnd, uMsg, wParam, lParam);
}

void TCurvePage::OnInitDialog(HWND hDlg)
{
    FWindows8 = IsWindowsNT(6, 2);
    FPoint = 1;
    WCHAR Text[TextCapacity];
    for (UINT Preset = IDS_CURVE_PRESET_WINDOWS; Preset <= IDS_CURVE_PRESET_CUSTOM; ++Preset)
    {
        LoadText(*FLanguage, Preset, Text, TextCapacity);
        SendDlgItemMessageW(hDlg, IDC_CURVE_PRESET, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text));
    }
    for (int i = 0; i < ScaleCount; ++i)
    {
        const DWORD Percent = ScaleLow + i * ScaleStep;
        FormatResString(*FLanguage, Text, TextCapacity, IDS_CURVE_SCALE_FMT, &Percent, 1);
        SendDlgItemMessageW(hDlg, IDC_CURVE_SCALE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text));
    }
    // The step nearest to the screen's logical DPI.
    HDC Screen = GetDC(nullptr);
    const int ScreenDpi = Screen ? GetDeviceCaps(Screen, LOGPIXELSX) : BaseDpi;
    if (Screen)
        ReleaseDC(nullptr, Screen);
    const int Step = (ScreenDpi * 100 / BaseDpi - ScaleLow + ScaleStep / 2) / ScaleStep;
    SendDlgItemMessageW(hDlg, IDC_CURVE_SCALE, CB_SETCURSEL, Bounded(Step, 0, ScaleCount - 1), 0);
    for (int Point = 1; Point < CurvePoints; ++Point)
    {
        Text[0] = static_cast<WCHAR>(L'0' + Point);
        Text[1] = 0;
        SendDlgItemMessageW(hDlg, IDC_CURVE_POINT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text));
    }
    SendDlgItemMessageW(hDlg, IDC_CURVE_POINT, CB_SETCURSEL, 0, 0);
    for (const TNumberField& Field : Fields)
        SendDlgItemMessageW(hDlg, Field.EditId, EM_LIMITTEXT, DigitLimit(Field), 0);

    ReadPointerSettings(hDlg);
    if (ReadStoredCurve(FCurve, FWindows8) == stUnusable)
        ShowNote(hDlg, IDS_CURVE_INVALID);
    FSaved = FCurve;
    ShowCurve(hDlg);
    // Only now: the EN_CHANGE of the values put in above found no saved
    // procedure and counted as no change.
    for (int i = 0; i < CurveFieldCount; ++i)
        FOldFieldProc[i] = SubclassControl(GetDlgItem(hDlg, Fields[i].EditId), FEditProcThunk);
    FOldGraphProc = SubclassControl(GetDlgItem(hDlg, IDC_CURVE_GRAPH), FEditProcThunk);
}

void TCurvePage::OnDestroy(HWND hDlg)
{
    for (int i = 0; i < CurveFieldCount; ++i)
        if (FOldFieldProc[i])
            SubclassControl(GetDlgItem(hDlg, Fields[i].EditId), reinterpret_cast<void*>(FOldFieldProc[i]));
    if (FOldGraphProc)
        SubclassControl(GetDlgItem(hDlg, IDC_CURVE_GRAPH), reinterpret_cast<void*>(FOldGraphProc));
}

// The pointer speed the graph uses, and whether the curve is in use at
// all: the third number of the mouse triple, which only the first page
// writes.
void TCurvePage::ReadPointerSettings(HWND hDlg)
{
    int Speed = SpeedDefault;
    SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &Speed, 0);
    FSpeed = Bounded(Speed, SpeedLow, SpeedHigh);
    WCHAR Text[TextCapacity];
    const DWORD Shown = FSpeed;
    if (FormatResString(*FLanguage, Text, TextCapacity, IDS_CURVE_SPEED_FMT, &Shown, 1))
        SetDlgItemTextW(hDlg, IDC_CURVE_SPEED, Text);
    int Mouse[3] = {0, 0, 1};
    SystemParametersInfoW(SPI_GETMOUSE, 0, Mouse, 0);
    Text[0] = 0;
    if (Mouse[2] == 0)
        LoadText(*FLanguage, IDS_CURVE_PRECISION_OFF, Text, TextCapacity);
    SetDlgItemTextW(hDlg, IDC_CURVE_PRECISION_NOTE, Text);
}

void TCurvePage::OnCommand(HWND hDlg, UINT Code, HWND hCtl, UINT Id)
{
    const int Field = FieldOf(Id);
    if (Field >= 0 && Code == EN_CHANGE)
        OnFieldChange(hDlg, hCtl, Field);
    else if (Field >= 0 && Code == EN_KILLFOCUS)
        TakeField(hDlg, Field);
    else if (Code == CBN_SELCHANGE && Id == IDC_CURVE_PRESET)
        ChoosePreset(hDlg, static_cast<int>(SendMessageW(hCtl, CB_GETCURSEL, 0, 0)));
    else if (Code == CBN_SELCHANGE && Id == IDC_CURVE_SCALE)
    {
        // The 1:1 curve is one for the chosen scale; any other curve only
        // looks different.
        if (SendDlgItemMessageW(hDlg, IDC_CURVE_PRESET, CB_GETCURSEL, 0, 0) == cpOneToOne)
            ChoosePreset(hDlg, cpOneToOne);
        ShowCurve(hDlg);
    }
    else if (Code == CBN_SELCHANGE && Id == IDC_CURVE_POINT)
        ChoosePoint(hDlg, static_cast<int>(SendMessageW(hCtl, CB_GETCURSEL, 0, 0)) + 1);
    else if (Code == BN_CLICKED && Id == IDC_CURVE_DEFAULTS)
        ChoosePreset(hDlg, cpWindows);
}

// A control shows the help string with its ID; one that has none (a label,
// the first note) shows that of the control after it.
void TCurvePage::OnHelp(HWND hDlg, int CtrlId)
{
    WCHAR Probe[2];
    UINT StringId = CtrlId;
    if (LoadText(*FLanguage, StringId, Probe, 2) == 0)
        StringId = GetDlgCtrlID(GetWindow(GetDlgItem(hDlg, CtrlId), GW_HWNDNEXT));
    if (GetDlgItem(hDlg, CtrlId))
        FHelp.ShowPopup(hDlg, *FLanguage, CtrlId, StringId);
}

void TCurvePage::OnFieldChange(HWND hDlg, HWND hEdit, int Field)
{
    FGuard.HideBalloon();
    if (FShowing || !FOldFieldProc[Field])
        return;
    if (RecordFieldChange(hDlg, hEdit, Fields[Field], FLastGood[Field]))
    {
        FTyped[Field] = true;
        MarkPageChanged(hDlg);
    }
}

void TCurvePage::TakeField(HWND hDlg, int Field)
{
    if (!FTyped[Field])
        return;
    FTyped[Field] = false;
    const int Value = TakeNumber(hDlg, Fields[Field]);
    const double Scale = GainScaleNow(hDlg);
    double Counts = PointCounts(FCurve, FPoint), Gain = PointGain(FCurve, Scale, FPoint);
    double& Changed = Field == cfCounts ? Counts : Gain;
    if (Value == Rounded(Changed * 100))
        return;
    Changed = Value / 100.0;
    if (!MovePoint(FCurve, Scale, FPoint, Counts, Gain, Field != cfCounts))
    {
        MessageBeep(0);
        ShowPoint(hDlg);
        return;
    }
    CurveEdited(hDlg);
}

void TCurvePage::ChoosePreset(HWND hDlg, int Preset)
{
    TCurve Chosen;
    if (Preset == cpWindows)
        WindowsCurve(Chosen, FWindows8);
    else if (Preset == cpOneToOne)
        OneToOneCurve(Chosen, FWindows8, Dpi(hDlg), FSpeed);
    else
        return;
    SendDlgItemMessageW(hDlg, IDC_CURVE_PRESET, CB_SETCURSEL, Preset, 0);
    if (SameCurve(Chosen, FCurve))
        return;
    FCurve = Chosen;
    CurveEdited(hDlg);
}

void TCurvePage::CurveEdited(HWND hDlg)
{
    ShowCurve(hDlg);
    MarkPageChanged(hDlg);
}

// While a point is dragged the axes stay as they are, so that the point
// stays under the mouse.
void TCurvePage::ShowCurve(HWND hDlg)
{
    if (!FDragging)
        FGraph.Fit(FCurve, GainScaleNow(hDlg));
    SelectMatchingPreset(hDlg);
    ShowPoint(hDlg);
    DescribeGraph(hDlg);
    Redraw(hDlg);
}

// The graph's own text, which is what a screen reader reads for it: what
// it is, the preset, and each point as the fields show it.
void TCurvePage::DescribeGraph(HWND hDlg)
{
    const double Scale = GainScaleNow(hDlg);
    WCHAR Preset[PointTextCapacity], Numbers[CurvePoints][CurveFieldCount][16], Points[CurvePoints][PointTextCapacity];
    GetDlgItemTextW(hDlg, IDC_CURVE_PRESET, Preset, PointTextCapacity);
    TFormatArg Args[CurvePoints];
    Args[0] = TFormatArg{0, Preset};
    for (int i = 1; i < CurvePoints; ++i)
    {
        int Values[CurveFieldCount];
        FieldValuesOf(FCurve, Scale, i, Values);
        for (int Field = 0; Field < CurveFieldCount; ++Field)
            FormatDecimal(Numbers[i][Field], Values[Field], Fields[Field].Decimals);
        const TFormatArg Point[] = {{static_cast<DWORD>(i), nullptr}, {0, Numbers[i][cfCounts]}, {0, Numbers[i][cfFactor]}};
        Points[i][0] = 0;
        FormatResText(*FLanguage, Points[i], PointTextCapacity, IDS_CURVE_POINT_FMT, Point, 3);
        Args[i] = TFormatArg{0, Points[i]};
    }
    THeapBuffer<WCHAR> Text(DescriptionCapacity * sizeof(WCHAR));
    if (Text && FormatResText(*FLanguage, Text.Get(), DescriptionCapacity, IDS_CURVE_GRAPH_TEXT, Args, CurvePoints))
        SetDlgItemTextW(hDlg, IDC_CURVE_GRAPH, Text.Get());
}

void TCurvePage::SelectMatchingPreset(HWND hDlg)
{
    TCurve Preset;
    int Match = cpCustom;
    WindowsCurve(Preset, FWindows8);
    if (SameCurve(Preset, FCurve))
        Match = cpWindows;
    OneToOneCurve(Preset, FWindows8, Dpi(hDlg), FSpeed);
    if (SameCurve(Preset, FCurve))
        Match = cpOneToOne;
    SendDlgItemMessageW(hDlg, IDC_CURVE_PRESET, CB_SETCURSEL, Match, 0);
}

// The chosen point's place and factor into the fields; these changes are
// the page's own and count as no edit.
void TCurvePage::ShowPoint(HWND hDlg)
{
    int Values[CurveFieldCount];
    FieldValuesOf(FCurve, GainScaleNow(hDlg), FPoint, Values);
    FShowing = true;
    for (int i = 0; i < CurveFieldCount; ++i)
    {
        ShowNumber(hDlg, Fields[i], Values[i]);
        FLastGood[i] = Values[i];
        FTyped[i] = false;
    }
    FShowing = false;
}

void TCurvePage::ShowNote(HWND hDlg, UINT StringId)
{
    WCHAR Text[TextCapacity];
    LoadText(*FLanguage, StringId, Text, TextCapacity);
    SetDlgItemTextW(hDlg, IDC_CURVE_NOTE, Text);
}

// The graph paints all of itself, into a bitmap first: no background is
// erased, so nothing flickers.
void TCurvePage::Redraw(HWND hDlg)
{
    InvalidateRect(GetDlgItem(hDlg, IDC_CURVE_GRAPH), nullptr, FALSE);
}

unsigned TCurvePage::Dpi(HWND hDlg) const
{
    const int Step = Bounded(static_cast<int>(SendDlgItemMessageW(hDlg, IDC_CURVE_SCALE, CB_GETCURSEL, 0, 0)), 0, ScaleCount - 1);
    return (ScaleLow + Step * ScaleStep) * BaseDpi / 100;
}

double TCurvePage::GainScaleNow(HWND hDlg) const
{
    return GainScale(FWindows8, Dpi(hDlg), FSpeed);
}

// The graph takes the mouse: a static would let it through to the page.
// A press on a point chooses it and starts a drag, which follows the mouse
// (also outside the graph, which holds the capture) until the button is
// let go; Esc, or another window taking the mouse, puts the point back.
LRESULT TCurvePage::GraphProc(HWND hGraph, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    HWND hDlg = GetParent(hGraph);
    switch (uMsg)
    {
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == hGraph && LOWORD(lParam) == HTCLIENT)
        {
            POINT Where;
            GetCursorPos(&Where);
            ScreenToClient(hGraph, &Where);
            SetCursor(LoadCursorW(nullptr, FGraph.HandleAt(FCurve, GainScaleNow(hDlg), Where) ? IDC_SIZEALL : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        StartDrag(hDlg, hGraph, PointOf(lParam));
        return 0;
    case WM_MOUSEMOVE:
        if (FDragging)
            DragTo(hDlg, PointOf(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (FDragging)
        {
            DragTo(hDlg, PointOf(lParam));
            EndDrag(hDlg, hGraph, true);
        }
        return 0;
    case WM_GETDLGCODE:
        // During a drag Esc is the graph's, not the sheet's Cancel; the
        // arrows and the digits always are.
        return FDragging ? DLGC_WANTALLKEYS : DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        // Other keys (F1 for help, say) go on as usual.
        if (FDragging && wParam == VK_ESCAPE)
            EndDrag(hDlg, hGraph, false);
        else if (FDragging || !OnGraphKey(hDlg, static_cast<UINT>(wParam)))
            break;
        return 0;
    case WM_CHAR:
        if (FDragging || wParam < L'1' || wParam >= static_cast<WPARAM>(L'0' + CurvePoints))
            break;
        ChoosePoint(hDlg, static_cast<int>(wParam - L'0'));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Redraw(hDlg);
        break;
    case WM_CAPTURECHANGED:
        if (FDragging)
            EndDrag(hDlg, hGraph, false);
        break;
    }
    return CallWindowProcW(FOldGraphProc, hGraph, uMsg, wParam, lParam);
}

POINT TCurvePage::PointOf(LPARAM Where)
{
    const POINT At = {static_cast<short>(LOWORD(Where)), static_cast<short>(HIWORD(Where))};
    return At;
}

// The graph takes the focus, so that Esc reaches it. Leaving a field takes
// what it held into the curve, which may move the point: it is looked for
// again.
void TCurvePage::StartDrag(HWND hDlg, HWND hGraph, POINT Where)
{
    if (!FGraph.HandleAt(FCurve, GainScaleNow(hDlg), Where))
        return;
    SetFocus(hGraph);
    const int Point = FGraph.HandleAt(FCurve, GainScaleNow(hDlg), Where);
    if (!Point)
        return;
    ChoosePoint(hDlg, Point);
    FBeforeDrag = FCurve;
    FDragging = true;
    SetCapture(hGraph);
    SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
}

// The dragged point follows the mouse. The page counts as changed only
// when the drag ends.
void TCurvePage::DragTo(HWND hDlg, POINT Where)
{
    double Counts, Gain;
    FGraph.ValueAt(Where, Counts, Gain);
    if (MoveChosenPoint(hDlg, Counts, Gain))
        ShowCurve(hDlg);
}

// The chosen point to Counts and Gain, inside the fields' ranges and
// never past its neighbours; true when the curve changed.
bool TCurvePage::MoveChosenPoint(HWND hDlg, double Counts, double Gain)
{
    TCurve Moved = FCurve;
    if (!MovePoint(Moved, GainScaleNow(hDlg), FPoint, BoundedField(Counts, Fields[cfCounts]), BoundedField(Gain, Fields[cfFactor]), true) ||
        SameCurve(Moved, FCurve))
        return false;
    FCurve = Moved;
    return true;
}

// The arrows move the chosen point by a pixel of the graph along one axis
// (ten with Ctrl), as a drag would: left and right along the counts,
// up and down along the factor. False for any other key.
bool TCurvePage::OnGraphKey(HWND hDlg, UINT Key)
{
    const int Step = GetKeyState(VK_CONTROL) < 0 ? 10 : 1;
    int Across = 0, Up = 0;
    if (Key == VK_LEFT || Key == VK_RIGHT)
        Across = Key == VK_RIGHT ? Step : -Step;
    else if (Key == VK_UP || Key == VK_DOWN)
        Up = Key == VK_UP ? Step : -Step;
    else
        return false;
    double Counts = PointCounts(FCurve, FPoint), Gain = PointGain(FCurve, GainScaleNow(hDlg), FPoint);
    if (FGraph.Beside(Counts, Gain, Across, Up) && MoveChosenPoint(hDlg, Counts, Gain))
        CurveEdited(hDlg);
    return true;
}

// As "Punkt" chooses it: the fields show the point, the graph marks it.
void TCurvePage::ChoosePoint(HWND hDlg, int Point)
{
    FPoint = Point;
    SendDlgItemMessageW(hDlg, IDC_CURVE_POINT, CB_SETCURSEL, Point - 1, 0);
    ShowPoint(hDlg);
    Redraw(hDlg);
}

// Kept, the moved point stays; otherwise it goes back where it was. The
// axes fit the curve again.
void TCurvePage::EndDrag(HWND hDlg, HWND hGraph, bool Keep)
{
    FDragging = false;
    if (GetCapture() == hGraph)
        ReleaseCapture();
    if (!Keep)
        FCurve = FBeforeDrag;
    ShowCurve(hDlg);
    if (!SameCurve(FCurve, FBeforeDrag))
        MarkPageChanged(hDlg);
}

// What the fields hold is taken first, as when they are left. Both values
// are written when the curve differs from the page's starting point, which
// the new curve then becomes. When either is refused, what was written
// goes back: the registry holds the new curve or the old one, never one
// value of each, and the page stays changed for the next Apply.
bool TCurvePage::ApplyChanges(HWND hDlg)
{
    for (int i = 0; i < CurveFieldCount; ++i)
        TakeField(hDlg, i);
    if (SameCurve(FCurve, FSaved))
        return true;
    TWinReg Registry;
    TValueCopy Before[2];
    // Only rising curves are written; the page makes no other, and a
    // curve it cannot write is reported like one the system refused. So is
    // one whose stored values could not be read, to be put back.
    const bool Writable = IsWritableCurve(FCurve) && Registry.CreateKey(MouseKey) == ERROR_SUCCESS &&
                          Before[0].Take(Registry, ValueNames[0]) && Before[1].Take(Registry, ValueNames[1]);
    bool Stored[2];
    for (int v = 0; v < 2; ++v)
        Stored[v] = Writable && StoreValue(Registry, v, v ? FCurve.Y : FCurve.X);
    if (Stored[0] && Stored[1])
    {
        FSaved = FCurve;
        ShowNote(hDlg, IDS_CURVE_LOGON);
        return true;
    }
    // Named: each value refused, and each that could not be put back.
    TFailedSetting Failed[2];
    int Count = 0;
    for (int v = 0; v < 2; ++v)
    {
        const bool Restored = Writable && Before[v].PutBack(Registry, ValueNames[v]);
        if (!Stored[v] || !Restored)
            Failed[Count++] = TFailedSetting{nullptr, ValueTitles[v]};
    }
    return !RefuseApply(hDlg, *FLanguage, Failed, Count);
}
