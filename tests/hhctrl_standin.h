// What the recording help control stand-in keeps of each call.
#ifndef POINTIX_HHCTRL_STANDIN_H
#define POINTIX_HHCTRL_STANDIN_H

#include <windows.h>
#include <htmlhelp.h>

struct THelpCall
{
    HWND Caller;
    bool HasFile;
    UINT Command;
    DWORD_PTR Data;
    HH_POPUP Popup;
    // The popup's text where it was handed over (pszText), which lives
    // only during the call.
    wchar_t Text[300];
};

typedef int(WINAPI* TRecordedHelpCalls)(const THelpCall** First);
typedef void(WINAPI* TForgetHelpCalls)();

#endif
