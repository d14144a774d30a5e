// The COM server's own state: the class it serves and the entry's
// notification. What the rest of the module reads about the module (its
// instance handle, object count and Windows version) is in util/Module.h.
#ifndef POINTIX_MODULE_H
#define POINTIX_MODULE_H

#include <windows.h>

#include "../util/Module.h"

// The class identifier of PointixConfig.h.
extern const CLSID CLSID_PropSheetExt;

void DllNotify(DWORD Reason);

#endif
