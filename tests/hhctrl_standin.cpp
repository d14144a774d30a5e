// A stand-in for the HTML Help control that records every HtmlHelpW call
// instead of showing a popup (Wine's own shows none that could be checked).
// The page loads it as hhctrl.ocx from the test's folder.
#include <windows.h>
#include <htmlhelp.h>

#include "hhctrl_standin.h"

namespace
{
const int Capacity = 64;
THelpCall Calls[Capacity];
int Count;
}

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpW(HWND Caller, LPCWSTR File, UINT Command, DWORD_PTR Data)
{
    if (Count < Capacity)
    {
        THelpCall& Call = Calls[Count++];
        Call = THelpCall{};
        Call.Caller = Caller;
        Call.HasFile = File != nullptr;
        Call.Command = Command;
        Call.Data = Data;
        if (Command == HH_DISPLAY_TEXT_POPUP && Data)
            Call.Popup = *reinterpret_cast<const HH_POPUP*>(Data);
        // HtmlHelpW gets a wide text.
        if (Call.Popup.pszText)
            lstrcpynW(Call.Text, reinterpret_cast<const wchar_t*>(Call.Popup.pszText), 300);
    }
    return nullptr;
}

extern "C" __declspec(dllexport) int WINAPI RecordedHelpCalls(const THelpCall** First)
{
    *First = Calls;
    return Count;
}

extern "C" __declspec(dllexport) void WINAPI ForgetHelpCalls()
{
    Count = 0;
}
