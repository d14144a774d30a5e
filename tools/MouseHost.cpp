// A stand-in for the Mouse control panel: it loads the property sheet
// handlers registered for the Mouse control panel exactly as the shell does
// and shows them in a sheet captioned "Eigenschaften von Maus".
//
//   MouseHost.exe                    show the sheet until the user closes it
//   MouseHost.exe --dll <path>       take the page straight from a module, unregistered
//   MouseHost.exe --list             print the pages' titles and exit
//   MouseHost.exe --screenshot <png> open, select "Einstellungen", save a PNG, close
//   MouseHost.exe --page <title> --screenshot <png>   the same with another page
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "PointixConfig.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
const wchar_t MouseKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse";
// The Mouse control panel's caption in the user's language, as Windows
// shows it in German and in English.
const wchar_t* Caption()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN ? L"Eigenschaften von Maus" : L"Mouse Properties";
}
const CLSID CLSID_Pointix = POINTIX_CLSID_INIT;
const UINT MaxPages = 16;

// Writes text as UTF-8. Not through the wide printf family: MinGW's own
// formatter hands wide text for a file to the C runtime with a va_list,
// which Debian's arm64 Wine cannot take.
void Print(FILE* Stream, const std::wstring& Text)
{
    int Length = WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
    std::string Utf8(Length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), static_cast<int>(Text.size()), &Utf8[0], Length, nullptr, nullptr);
    std::fputs(Utf8.c_str(), Stream);
}

BOOL CALLBACK AddPage(HPROPSHEETPAGE Page, LPARAM lParam)
{
    auto* Pages = reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(lParam);
    if (Pages->size() >= MaxPages)
        return FALSE;
    Pages->push_back(Page);
    return TRUE;
}

// The page straight from a module, without the registry.
bool AddPagesFromModule(const wchar_t* Path, std::vector<HPROPSHEETPAGE>& Pages, IShellPropSheetExt*& Extension)
{
    HMODULE Module = LoadLibraryW(Path);
    if (!Module)
        return false;
    auto GetClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(Module, "DllGetClassObject")));
    IClassFactory* Factory = nullptr;
    if (!GetClassObject || FAILED(GetClassObject(CLSID_Pointix, IID_IClassFactory, reinterpret_cast<void**>(&Factory))))
        return false;
    HRESULT Result = Factory->CreateInstance(nullptr, IID_IShellPropSheetExt, reinterpret_cast<void**>(&Extension));
    Factory->Release();
    return SUCCEEDED(Result) && SUCCEEDED(Extension->AddPages(AddPage, reinterpret_cast<LPARAM>(&Pages)));
}

std::wstring PageTitle(HWND Sheet, int Index)
{
    wchar_t Text[260] = L"";
    TCITEMW Item = {};
    Item.mask = TCIF_TEXT;
    Item.pszText = Text;
    Item.cchTextMax = 260;
    SendMessageW(PropSheet_GetTabControl(Sheet), TCM_GETITEMW, Index, reinterpret_cast<LPARAM>(&Item));
    return Text;
}

void Pump(DWORD Milliseconds)
{
    const DWORD End = GetTickCount() + Milliseconds;
    while (static_cast<LONG>(End - GetTickCount()) > 0)
    {
        MSG Message;
        while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&Message);
            DispatchMessageW(&Message);
        }
        Sleep(10);
    }
}

void PutBigEndian(std::vector<BYTE>& Out, DWORD Value)
{
    for (int Shift = 24; Shift >= 0; Shift -= 8)
        Out.push_back(static_cast<BYTE>(Value >> Shift));
}

DWORD Crc32(const BYTE* Data, size_t Length, DWORD Crc = 0)
{
    Crc = ~Crc;
    for (size_t i = 0; i < Length; ++i)
    {
        Crc ^= Data[i];
        for (int Bit = 0; Bit < 8; ++Bit)
            Crc = (Crc >> 1) ^ (0xEDB88320u & (0u - (Crc & 1)));
    }
    return ~Crc;
}

void PutChunk(std::vector<BYTE>& Out, const char* Type, const std::vector<BYTE>& Data)
{
    PutBigEndian(Out, static_cast<DWORD>(Data.size()));
    std::vector<BYTE> Body(Type, Type + 4);
    Body.insert(Body.end(), Data.begin(), Data.end());
    Out.insert(Out.end(), Body.begin(), Body.end());
    PutBigEndian(Out, Crc32(Body.data(), Body.size()));
}

// A PNG of 8-bit RGB rows, deflated as stored blocks: no compression library needed.
bool WritePng(const wchar_t* Path, int Width, int Height, const std::vector<BYTE>& Rgb)
{
    std::vector<BYTE> Raw;
    for (int y = 0; y < Height; ++y)
    {
        Raw.push_back(0);
        Raw.insert(Raw.end(), Rgb.begin() + y * Width * 3, Rgb.begin() + (y + 1) * Width * 3);
    }
    std::vector<BYTE> Z = {0x78, 0x01};
    for (size_t At = 0; At < Raw.size(); At += 65535)
    {
        const size_t Length = Raw.size() - At < 65535 ? Raw.size() - At : 65535;
        Z.push_back(At + Length == Raw.size() ? 1 : 0);
        Z.push_back(static_cast<BYTE>(Length));
        Z.push_back(static_cast<BYTE>(Length >> 8));
        Z.push_back(static_cast<BYTE>(~Length));
        Z.push_back(static_cast<BYTE>(~Length >> 8));
        Z.insert(Z.end(), Raw.begin() + At, Raw.begin() + At + Length);
    }
    DWORD A = 1, B = 0;
    for (BYTE Byte : Raw)
    {
        A = (A + Byte) % 65521;
        B = (B + A) % 65521;
    }
    PutBigEndian(Z, (B << 16) | A);

    std::vector<BYTE> Png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> Header;
    PutBigEndian(Header, Width);
    PutBigEndian(Header, Height);
    Header.insert(Header.end(), {8, 2, 0, 0, 0});
    PutChunk(Png, "IHDR", Header);
    PutChunk(Png, "IDAT", Z);
    PutChunk(Png, "IEND", {});

    FILE* File = _wfopen(Path, L"wb");
    if (!File)
        return false;
    const bool Written = fwrite(Png.data(), 1, Png.size(), File) == Png.size();
    return fclose(File) == 0 && Written;
}

// What the screen shows of the window.
bool SaveScreenshot(HWND Window, const wchar_t* Path)
{
    RECT Rect;
    GetWindowRect(Window, &Rect);
    const int Width = Rect.right - Rect.left, Height = Rect.bottom - Rect.top;
    HDC Screen = GetDC(nullptr);
    HDC Memory = CreateCompatibleDC(Screen);
    BITMAPINFO Info = {};
    Info.bmiHeader.biSize = sizeof(Info.bmiHeader);
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = -Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HBITMAP Bitmap = CreateDIBSection(Screen, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(Memory, Bitmap);
    BitBlt(Memory, 0, 0, Width, Height, Screen, Rect.left, Rect.top, SRCCOPY);
    GdiFlush();
    std::vector<BYTE> Rgb(static_cast<size_t>(Width) * Height * 3);
    const BYTE* Pixel = static_cast<const BYTE*>(Bits);
    for (size_t i = 0; i < static_cast<size_t>(Width) * Height; ++i)
    {
        Rgb[i * 3] = Pixel[i * 4 + 2];
        Rgb[i * 3 + 1] = Pixel[i * 4 + 1];
        Rgb[i * 3 + 2] = Pixel[i * 4];
    }
    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
    ReleaseDC(nullptr, Screen);
    return WritePng(Path, Width, Height, Rgb);
}
}

int wmain(int argc, wchar_t** argv)
{
    const wchar_t* Module = nullptr;
    const wchar_t* Screenshot = nullptr;
    std::wstring Shown = L"Einstellungen";
    bool List = false;
    for (int i = 1; i < argc; ++i)
    {
        std::wstring Arg = argv[i];
        if (Arg == L"--dll" && i + 1 < argc)
            Module = argv[++i];
        else if (Arg == L"--screenshot" && i + 1 < argc)
            Screenshot = argv[++i];
        else if (Arg == L"--page" && i + 1 < argc)
            Shown = argv[++i];
        else if (Arg == L"--list")
            List = true;
        else
        {
            Print(stderr, L"usage: MouseHost [--dll <module>] [--list | [--page <title>] --screenshot <file.png>]\n");
            return 2;
        }
    }

    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX Controls = {sizeof(Controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&Controls);

    std::vector<HPROPSHEETPAGE> Pages;
    HPSXA Handlers = nullptr;
    IShellPropSheetExt* Extension = nullptr;
    if (Module)
    {
        if (!AddPagesFromModule(Module, Pages, Extension))
        {
            Print(stderr, L"MouseHost: no page from " + std::wstring(Module) + L"\n");
            return 1;
        }
    }
    else
    {
        Handlers = SHCreatePropSheetExtArray(HKEY_LOCAL_MACHINE, MouseKey, MaxPages);
        if (Handlers)
            SHAddFromPropSheetExtArray(Handlers, AddPage, reinterpret_cast<LPARAM>(&Pages));
    }
    Print(stdout, L"pages: " + std::to_wstring(Pages.size()) + L"\n");
    if (Pages.empty())
    {
        Print(stderr, L"MouseHost: no property sheet handler is registered for the Mouse control panel\n");
        return 1;
    }

    PROPSHEETHEADERW Header = {};
    Header.dwSize = sizeof(Header);
    Header.pszCaption = Caption();
    Header.nPages = static_cast<UINT>(Pages.size());
    Header.phpage = Pages.data();
    int Result = 0;
    if (List || Screenshot)
    {
        Header.dwFlags |= PSH_MODELESS;
        HWND Sheet = reinterpret_cast<HWND>(PropertySheetW(&Header));
        if (!Sheet)
            return 1;
        int Ours = -1;
        for (UINT i = 0; i < Pages.size(); ++i)
        {
            std::wstring Title = PageTitle(Sheet, i);
            if (List)
                Print(stdout, L"page " + std::to_wstring(i) + L": " + Title + L"\n");
            if (Title == Shown)
                Ours = static_cast<int>(i);
        }
        if (Screenshot)
        {
            if (Ours >= 0)
                PropSheet_SetCurSel(Sheet, nullptr, Ours);
            SetForegroundWindow(Sheet);
            Pump(1500);
            if (!SaveScreenshot(Sheet, Screenshot))
                Result = 1;
            else
                Print(stdout, L"screenshot: " + std::wstring(Screenshot) + L"\n");
        }
        PropSheet_PressButton(Sheet, PSBTN_CANCEL);
        Pump(200);
        DestroyWindow(Sheet);
        if (Ours < 0)
            Result = 1;
    }
    else
        PropertySheetW(&Header);

    if (Handlers)
        SHDestroyPropSheetExtArray(Handlers);
    if (Extension)
        Extension->Release();
    CoUninitialize();
    return Result;
}
