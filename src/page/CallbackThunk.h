// Callback thunks: a few bytes of code, one block per thunk, that bind an
// object to a function so that a platform callback called through the thunk
// runs the function with the object as an extra first argument.
#ifndef POINTIX_CALLBACKTHUNK_H
#define POINTIX_CALLBACKTHUNK_H

#include <windows.h>

// Entry must be a stdcall function (on x64 and ARM64: the platform's one calling
// convention) whose first argument is the object, followed by the four
// arguments of the callback.
// Returns the thunk's address, or null when no executable block could be had.
void* MakeCallbackThunk(void* Entry, void* Object);
// Gives the thunk's whole block back.
void FreeCallbackThunk(void* Thunk);

#endif
