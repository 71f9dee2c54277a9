// The seam between the layer and a device. The device is chosen at link time: the viewer links
// the SDL device (platform/sdl/), the tests link the scripted fake (tests/fake/).
//
// Besides the functions below, a device defines these platform functions itself:
//   MessageBoxA, GetTickCount, ShowCursor, GetSystemMetrics (win32.h) and DirectDrawCreate
//   (directdraw.h).
#pragma once

#include "platform/win32.h"

namespace device {

// Delivers pending input through layer::PostInput and layer::Activate. With nothing pending it may
// wait up to wait_ms milliseconds for input to arrive; 0 means answer at once. Returns false when
// the device's input has failed, which GetMessageA reports as -1.
bool PumpInput(DWORD wait_ms);

// A window is being created with this style; returning false makes CreateWindowExA fail.
bool OpenWindow(HWND window, DWORD style);

// A window has been destroyed.
void CloseWindow(HWND window);

} // namespace device

namespace layer {

// Posts an input message (WM_KEYDOWN, WM_CLOSE) to the focus window; dropped when there is none.
void PostInput(UINT message, WPARAM wParam, LPARAM lParam);

// Tells the layer whether the application is the active one. On a change it sends
// WM_ACTIVATEAPP with 1 or 0 to every live window, at once, as the platform does.
void Activate(bool active);

// The window that has the keyboard focus, or NULL.
HWND FocusWindow();

// Forgets every class, window and message: tests start each run of WinMain from nothing.
void Reset();

} // namespace layer
