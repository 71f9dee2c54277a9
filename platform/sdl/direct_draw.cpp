// DirectDraw over SDL: the display mode is a fullscreen window at the desktop's own size, the
// primary surface an 8-bit buffer, and every Unlock and SetPalette presents it through a screen.
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/sdl/screen.h"
#include "platform/sdl/sdl_device.h"

namespace {

// The layer's windows do not reach the device with their titles; the display window has one.
const char* const display_title = "Quarnel Pallette Demo";
constexpr LONG surface_pitch = sdl::picture_width;

int live_objects = 0;

class display_palette final : public IDirectDrawPalette {
  public:
    explicit display_palette(const PALETTEENTRY* table) {
        std::memcpy(entries, table, sizeof(entries));
        ++live_objects;
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
    ~display_palette() override { --live_objects; }
    ULONG refs = 1;
};

class primary_surface;

class direct_draw final : public IDirectDraw {
  public:
    direct_draw() { ++live_objects; }
    void add_ref() { ++refs; }

    HRESULT SetCooperativeLevel(HWND hWnd, DWORD dwFlags) override;
    HRESULT SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP) override;
    HRESULT CreateSurface(LPDDSURFACEDESC lpDDSurfaceDesc, IDirectDrawSurface** lplpDDSurface,
                          IUnknown* pUnkOuter) override;
    HRESULT CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable,
                          IDirectDrawPalette** lplpDDPalette, IUnknown* pUnkOuter) override;
    HRESULT RestoreDisplayMode() override;
    ULONG Release() override;

    sdl::screen* view() { return shown.get(); }
    SDL_Window* display_window() { return window; }
    primary_surface* primary = nullptr;

  private:
    ~direct_draw() override { --live_objects; }
    ULONG refs = 1;
    DWORD cooperative_flags = 0;
    SDL_Window* window = nullptr;
    std::unique_ptr<sdl::screen> shown;
};

// The object whose display mode is set: the device has one display.
direct_draw* display_owner = nullptr;

class primary_surface final : public IDirectDrawSurface {
  public:
    explicit primary_surface(direct_draw* owner)
        : owner(owner), pixels(size_t(surface_pitch) * sdl::picture_height, 0) {
        owner->add_ref();
        owner->primary = this;
        ++live_objects;
    }

    HRESULT Lock(LPRECT lpDestRect, LPDDSURFACEDESC lpDDSurfaceDesc, DWORD, HANDLE) override {
        if (!lpDDSurfaceDesc || lpDDSurfaceDesc->dwSize != sizeof(DDSURFACEDESC))
            return DDERR_INVALIDPARAMS;
        if (locked)
            return DDERR_SURFACEBUSY;
        BYTE* start = pixels.data();
        if (lpDestRect) {
            const RECT& r = *lpDestRect;
            if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom ||
                r.right > sdl::picture_width || r.bottom > sdl::picture_height)
                return DDERR_INVALIDPARAMS;
            start += ptrdiff_t(r.top) * surface_pitch + r.left;
        }
        locked = true;
        lpDDSurfaceDesc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH;
        lpDDSurfaceDesc->dwWidth = sdl::picture_width;
        lpDDSurfaceDesc->dwHeight = sdl::picture_height;
        lpDDSurfaceDesc->lPitch = surface_pitch;
        lpDDSurfaceDesc->dwBackBufferCount = 0;
        lpDDSurfaceDesc->lpSurface = start;
        lpDDSurfaceDesc->ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        return DD_OK;
    }

    HRESULT Unlock(LPVOID) override {
        if (!locked)
            return DDERR_NOTLOCKED;
        locked = false;
        present(true);
        return DD_OK;
    }

    HRESULT SetPalette(IDirectDrawPalette* lpDDPalette) override {
        // Every palette here is the device's own.
        auto* fresh = static_cast<display_palette*>(lpDDPalette);
        if (fresh)
            fresh->add_ref();
        if (palette)
            palette->Release();
        palette = fresh;
        present(false);
        return DD_OK;
    }

    ULONG Release() override {
        ULONG left = --refs;
        if (left == 0)
            delete this;
        return left;
    }

    void present(bool pixels_changed) {
        if (sdl::screen* view = owner->view())
            view->present(pixels.data(), surface_pitch,
                          sdl::ColourTable(palette ? palette->entries : nullptr), pixels_changed);
    }

  private:
    ~primary_surface() override {
        if (palette)
            palette->Release();
        owner->primary = nullptr;
        owner->Release();
        --live_objects;
    }

    direct_draw* owner;
    std::vector<BYTE> pixels;
    display_palette* palette = nullptr;
    bool locked = false;
    ULONG refs = 1;
};

HRESULT direct_draw::SetCooperativeLevel(HWND hWnd, DWORD dwFlags) {
    if ((dwFlags & DDSCL_EXCLUSIVE) && (!hWnd || !(dwFlags & DDSCL_FULLSCREEN)))
        return DDERR_INVALIDPARAMS;
    cooperative_flags = dwFlags;
    return DD_OK;
}

HRESULT direct_draw::SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP) {
    if (!(cooperative_flags & DDSCL_EXCLUSIVE))
        return DDERR_NOEXCLUSIVEMODE;
    if (dwWidth != DWORD(sdl::picture_width) || dwHeight != DWORD(sdl::picture_height) ||
        dwBPP != 8)
        return DDERR_UNSUPPORTED;
    if (window)
        return DD_OK;
    if (display_owner)
        return DDERR_NOEXCLUSIVEMODE;
    if (!sdl::EnsureVideo())
        return DDERR_NODIRECTDRAWHW;

    // Fullscreen at the desktop's own size: no mode change. Under Xvfb without a window manager
    // a window made smaller keeps its size while SDL renders for the whole display, so it starts
    // at the display's bounds.
    SDL_Rect bounds = {0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
        bounds = {0, 0, sdl::picture_width, sdl::picture_height};
    window = SDL_CreateWindow(display_title, bounds.x, bounds.y, bounds.w, bounds.h,
                              SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (!window) {
        std::fprintf(stderr, "quarnel: cannot open the display: %s\n", SDL_GetError());
        return DDERR_GENERIC;
    }
    shown = std::make_unique<sdl::screen>(window);
    if (!shown->ok()) {
        std::fprintf(stderr, "quarnel: cannot draw on the display: %s\n", SDL_GetError());
        shown.reset();
        SDL_DestroyWindow(window);
        window = nullptr;
        return DDERR_GENERIC;
    }
    display_owner = this;
    SDL_StopTextInput(); // keys, not text: no input method in between
    sdl::ApplyCursor();
    shown->blank();
    if (primary)
        primary->present(true);
    return DD_OK;
}

HRESULT direct_draw::CreateSurface(LPDDSURFACEDESC lpDDSurfaceDesc,
                                   IDirectDrawSurface** lplpDDSurface, IUnknown* pUnkOuter) {
    if (!lplpDDSurface)
        return DDERR_INVALIDPARAMS;
    *lplpDDSurface = NULL;
    if (!lpDDSurfaceDesc || lpDDSurfaceDesc->dwSize != sizeof(DDSURFACEDESC) || pUnkOuter)
        return DDERR_INVALIDPARAMS;
    if (!(lpDDSurfaceDesc->dwFlags & DDSD_CAPS) ||
        !(lpDDSurfaceDesc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE))
        return DDERR_UNSUPPORTED; // the screen is the only surface here
    if (primary)
        return DDERR_GENERIC; // one primary surface at a time
    *lplpDDSurface = new primary_surface(this);
    return DD_OK;
}

HRESULT direct_draw::CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable,
                                   IDirectDrawPalette** lplpDDPalette, IUnknown* pUnkOuter) {
    if (!lplpDDPalette)
        return DDERR_INVALIDPARAMS;
    *lplpDDPalette = NULL;
    if (!lpColorTable || !(dwFlags & DDPCAPS_8BIT) || pUnkOuter)
        return DDERR_INVALIDPARAMS;
    *lplpDDPalette = new display_palette(lpColorTable);
    return DD_OK;
}

HRESULT direct_draw::RestoreDisplayMode() {
    if (!window)
        return DD_OK;
    shown.reset();
    SDL_DestroyWindow(window);
    window = nullptr;
    display_owner = nullptr;
    return DD_OK;
}

ULONG direct_draw::Release() {
    ULONG left = --refs;
    if (left == 0) {
        RestoreDisplayMode();
        delete this;
    }
    return left;
}

} // namespace

namespace sdl {

HRESULT CreateDirectDraw(LPDIRECTDRAW* out) {
    if (!out)
        return DDERR_INVALIDPARAMS;
    *out = new direct_draw();
    return DD_OK;
}

int LiveObjects() {
    return live_objects;
}

SDL_Window* DisplayWindow() {
    return display_owner ? display_owner->display_window() : nullptr;
}

void RedrawDisplay() {
    if (!display_owner || !display_owner->view())
        return;
    display_owner->view()->invalidate();
    if (display_owner->primary)
        display_owner->primary->present(false);
    else
        display_owner->view()->blank();
}

bool ReadDisplay(std::vector<uint32_t>& argb, int& width, int& height) {
    if (!display_owner || !display_owner->view())
        return false;
    return display_owner->view()->read_pixels(argb, width, height);
}

} // namespace sdl
