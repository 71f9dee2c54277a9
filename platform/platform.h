// The one platform header of the program. Windows builds use the real Win32 and DirectDraw;
// everywhere else the layer in platform/ offers the same operations under the same names.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <ddraw.h>
#include <stdlib.h> // __argc and __argv
#else
#include "platform/win32.h"
#include "platform/directdraw.h"
#endif
