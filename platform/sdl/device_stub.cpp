// Placeholder until the SDL device lands: answers every call as a device without a display.
#include <cstdio>

#include "platform/device.h"
#include "platform/directdraw.h"

bool device::PumpInput(DWORD) { return true; }
bool device::OpenWindow(HWND, DWORD) { return true; }
void device::CloseWindow(HWND) {}
int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return IDOK;
}
DWORD WINAPI GetTickCount(void) { return 0; }
int WINAPI ShowCursor(BOOL show) { return show ? 0 : -1; }
int WINAPI GetSystemMetrics(int) { return 0; }
HRESULT WINAPI DirectDrawCreate(GUID*, LPDIRECTDRAW* out, IUnknown*) {
    if (out)
        *out = NULL;
    return DDERR_NODIRECTDRAWHW;
}
