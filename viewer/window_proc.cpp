// The viewer window's procedure: activation, destruction and the five keys.
#include "animation/cycling.h"
#include "display/display.h"
#include "palette/brightness.h"
#include "viewer/viewer.h"

static void HandleKey(HWND window, WPARAM key) {
    switch (key) {
    case VK_ESCAPE:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case VK_PRIOR:
        SpeedUpCycling();
        break;
    case VK_NEXT:
        SlowDownCycling();
        break;
    case VK_ADD:
        if (RaiseBrightness())
            ApplyPalette();
        break;
    case VK_SUBTRACT:
        if (LowerBrightness())
            ApplyPalette();
        break;
    }
}

LRESULT CALLBACK ViewerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        ReleaseDisplay();
        PostQuitMessage(0);
        break;
    case WM_ACTIVATEAPP:
        AppActive = (int)wParam;
        break;
    case WM_KEYDOWN:
        HandleKey(window, wParam);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
