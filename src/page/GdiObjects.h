// Device contexts and GDI objects of the pages, each given back at the end
// of its scope: a memory DC, a window's DC, an object to delete, and an
// object selected into a DC, whose DC gets its own one back.
#ifndef POINTIX_GDIOBJECTS_H
#define POINTIX_GDIOBJECTS_H

#include <windows.h>

class TMemoryDC
{
public:
    explicit TMemoryDC(HDC Compatible) : FDc(CreateCompatibleDC(Compatible)) {}
    ~TMemoryDC()
    {
        if (FDc)
            DeleteDC(FDc);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC Get() const { return FDc; }

private:
    HDC FDc;
};

class TGdiObject
{
public:
    explicit TGdiObject(HGDIOBJ Object) : FObject(Object) {}
    ~TGdiObject()
    {
        if (FObject)
            DeleteObject(FObject);
    }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    HGDIOBJ Get() const { return FObject; }

private:
    HGDIOBJ FObject;
};

class TSelection
{
public:
    TSelection(HDC Dc, HGDIOBJ Object) : FDc(Dc), FOld(Object ? SelectObject(Dc, Object) : nullptr) {}
    ~TSelection()
    {
        if (FOld)
            SelectObject(FDc, FOld);
    }
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;
    bool Selected() const { return FOld != nullptr; }

private:
    HDC FDc;
    HGDIOBJ FOld;
};

class TWindowDC
{
public:
    explicit TWindowDC(HWND Window) : FWindow(Window), FDc(GetDC(Window)) {}
    ~TWindowDC()
    {
        if (FDc)
            ReleaseDC(FWindow, FDc);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return FDc; }

private:
    HWND FWindow;
    HDC FDc;
};

#endif
