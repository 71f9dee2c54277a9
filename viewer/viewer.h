// The viewer's window and the two flags that schedule the main loop's idle work.
#pragma once

#include "platform/platform.h"

#define VIEWER_TITLE "Quarnel Pallette Demo"
#define VIEWER_CLASS "Quarnel_Pallette_Demo_Class"

extern HWND ViewerWindow;
// 1 until the grid has been drawn, on the first idle pass while active.
extern int PatternPending;
// The wParam of the latest WM_ACTIVATEAPP: nonzero while the viewer is the active application.
extern int AppActive;

LRESULT CALLBACK ViewerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
