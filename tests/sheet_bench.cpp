// What the pages cost: opening the sheet with every page shown once, against
// the same dialog templates (of the language the pages speak in this
// process) with a dialog procedure that does nothing; and drawing the
// acceleration curve's graph. Prints the times; run by `./pointix.sh bench`
// in German and in English, never by the tests.
#include "Sheet.h"
#include "TestSupport.h"
#include "resource.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
const int Rounds = 40;

INT_PTR CALLBACK DoNothing(HWND, UINT uMsg, WPARAM, LPARAM)
{
    return uMsg == WM_INITDIALOG;
}

BOOL CALLBACK Collect(HPROPSHEETPAGE Page, LPARAM lParam)
{
    reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(lParam)->push_back(Page);
    return TRUE;
}

double Now()
{
    LARGE_INTEGER Count, Frequency;
    QueryPerformanceCounter(&Count);
    QueryPerformanceFrequency(&Frequency);
    return static_cast<double>(Count.QuadPart) / Frequency.QuadPart;
}

// Opens a sheet of the pages, shows each once (creating and painting it)
// and closes it; the seconds that took.
double OpenAndShowEach(std::vector<HPROPSHEETPAGE> Pages)
{
    const double Start = Now();
    HWND Sheet = OpenSheet(Pages);
    for (UINT i = 0; i < Pages.size(); ++i)
    {
        PropSheet_SetCurSel(Sheet, nullptr, i);
        UpdateWindow(Sheet);
        TSheet::Pump();
    }
    DestroyWindow(Sheet);
    TSheet::Pump();
    return Now() - Start;
}

double Median(std::vector<double> Times)
{
    std::sort(Times.begin(), Times.end());
    return Times[Times.size() / 2];
}
}

int main()
{
    INITCOMMONCONTROLSEX Controls = {sizeof(Controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&Controls);
    const TPageLanguage& Language = PagesOfThisProcess();
    std::vector<std::vector<BYTE>> Templates;
    for (WORD Template : {IDD_MOUSEPAGE, IDD_POINTERPAGE, IDD_CURVEPAGE})
        Templates.push_back(ModuleResource(RT_DIALOG, MAKEINTRESOURCEW(Template), Language.Templates));
    std::vector<double> Real, Plain;
    for (int Round = 0; Round < Rounds; ++Round)
    {
        IShellPropSheetExt* Extension = NewExtension();
        std::vector<HPROPSHEETPAGE> Pages;
        Extension->AddPages(Collect, reinterpret_cast<LPARAM>(&Pages));
        Real.push_back(OpenAndShowEach(Pages));
        Extension->Release();

        Pages.clear();
        for (const std::vector<BYTE>& Template : Templates)
        {
            PROPSHEETPAGEW Page = {};
            Page.dwSize = sizeof(Page);
            Page.dwFlags = PSP_DLGINDIRECT;
            Page.hInstance = Pointix().Module;
            Page.pResource = reinterpret_cast<const DLGTEMPLATE*>(Template.data());
            Page.pfnDlgProc = DoNothing;
            Pages.push_back(CreatePropertySheetPageW(&Page));
        }
        Plain.push_back(OpenAndShowEach(Pages));
    }
    std::printf("%s: open the sheet and show each of its %d pages: %.2f ms, with do-nothing procedures %.2f ms, "
                "ratio %.3f (medians of %d)\n",
                Language.Name, 3, Median(Real) * 1000, Median(Plain) * 1000, Median(Real) / Median(Plain), Rounds);

    TSheet Sheet;
    HWND Graph = GetDlgItem(Sheet.ShowPage(2), IDC_CURVE_GRAPH);
    const int Draws = 500;
    const double Start = Now();
    for (int i = 0; i < Draws; ++i)
    {
        InvalidateRect(Graph, nullptr, FALSE);
        UpdateWindow(Graph);
    }
    const double ToWindow = (Now() - Start) * 1e6 / Draws;
    // The same into a bitmap: what the page's own drawing costs, without
    // the display's.
    RECT Client;
    GetClientRect(Graph, &Client);
    HDC Window = GetDC(Graph), Memory = CreateCompatibleDC(Window);
    HBITMAP Bitmap = CreateCompatibleBitmap(Window, Client.right, Client.bottom);
    HGDIOBJ Old = SelectObject(Memory, Bitmap);
    const double Begin = Now();
    for (int i = 0; i < Draws; ++i)
        SendMessageW(Graph, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Memory), PRF_CLIENT);
    const double ToBitmap = (Now() - Begin) * 1e6 / Draws;
    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
    ReleaseDC(Graph, Window);
    std::printf("draw the graph (%ld x %ld pixels): into its window %.1f us, into a bitmap %.1f us (means of %d)\n",
                Client.right, Client.bottom, ToWindow, ToBitmap, Draws);
    return 0;
}
