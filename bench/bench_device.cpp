#include "bench/bench_device.h"

#include <cstring>

#include "platform/device.h"

namespace bench {

DWORD ticks = 0;
long palettes_made = 0;
long palettes_shown = 0;

namespace {

class null_palette final : public IDirectDrawPalette {
  public:
    explicit null_palette(const PALETTEENTRY* table) {
        std::memcpy(entries, table, sizeof(entries));
    }
    void add_ref() { ++refs; }
    ULONG Release() override {
        ULONG left = --refs;
        if (left == 0)
            delete this;
        return left;
    }
    PALETTEENTRY entries[256];

  private:
    ~null_palette() override = default;
    ULONG refs = 1;
};

class null_surface final : public IDirectDrawSurface {
  public:
    HRESULT Lock(LPRECT, LPDDSURFACEDESC desc, DWORD, HANDLE) override {
        desc->lpSurface = pixels;
        desc->lPitch = 640;
        desc->dwWidth = 640;
        desc->dwHeight = 480;
        return DD_OK;
    }
    HRESULT Unlock(LPVOID) override { return DD_OK; }
    HRESULT SetPalette(IDirectDrawPalette* p) override {
        auto* fresh = static_cast<null_palette*>(p);
        if (fresh)
            fresh->add_ref();
        if (attached)
            attached->Release();
        attached = fresh;
        ++palettes_shown;
        return DD_OK;
    }
    ULONG Release() override {
        if (attached)
            attached->Release();
        delete this;
        return 0;
    }

  private:
    ~null_surface() override = default;
    null_palette* attached = nullptr;
    BYTE pixels[640 * 480];
};

class null_direct_draw final : public IDirectDraw {
  public:
    HRESULT SetCooperativeLevel(HWND, DWORD) override { return DD_OK; }
    HRESULT SetDisplayMode(DWORD, DWORD, DWORD) override { return DD_OK; }
    HRESULT CreateSurface(LPDDSURFACEDESC, IDirectDrawSurface** out, IUnknown*) override {
        *out = new null_surface();
        return DD_OK;
    }
    HRESULT CreatePalette(DWORD, LPPALETTEENTRY table, IDirectDrawPalette** out,
                          IUnknown*) override {
        *out = new null_palette(table);
        ++palettes_made;
        return DD_OK;
    }
    HRESULT RestoreDisplayMode() override { return DD_OK; }
    ULONG Release() override {
        delete this;
        return 0;
    }

  private:
    ~null_direct_draw() override = default;
};

} // namespace
} // namespace bench

bool device::PumpInput(DWORD) {
    return true;
}
bool device::OpenWindow(HWND, DWORD) {
    return true;
}
void device::CloseWindow(HWND) {}
int WINAPI MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) {
    return IDOK;
}
DWORD WINAPI GetTickCount(void) {
    return bench::ticks;
}
int WINAPI ShowCursor(BOOL show) {
    return show ? 0 : -1;
}
int WINAPI GetSystemMetrics(int index) {
    return index == SM_CXSCREEN ? 640 : 480;
}
HRESULT WINAPI DirectDrawCreate(GUID*, LPDIRECTDRAW* out, IUnknown*) {
    *out = new bench::null_direct_draw();
    return DD_OK;
}
