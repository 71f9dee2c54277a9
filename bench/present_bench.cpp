// Presents on SDL's software renderer with the offscreen video driver, in the window the SDL
// device's display mode makes (the offscreen desktop, 1024 x 768): a plain full-frame present as
// SDL's own 8-bit path does it, against the device after a cycling pass and after a change of
// every entry.
#include <array>
#include <cstdlib>
#include <cstring>

#include <benchmark/benchmark.h>

#include "platform/sdl/screen.h"
#include "platform/sdl/sdl_device.h"

namespace {

using entries = std::array<PALETTEENTRY, 256>;

entries Colours(int seed) {
    entries e{};
    for (int n = 0; n < 256; ++n)
        e[size_t(n)] = {BYTE(n * 3 + seed), BYTE(255 - n + seed), BYTE(n ^ seed), 0};
    return e;
}

void DrawGrid(BYTE* pixels, LONG pitch) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            pixels[size_t(y) * size_t(pitch) + size_t(x)] = BYTE(16 * (y / 30) + x / 40);
}

// The device's display with the grid drawn, as the program leaves it before animating.
class device_display {
  public:
    explicit device_display(benchmark::State& state) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (sdl::CreateDirectDraw(&dd) != DD_OK ||
            dd->SetCooperativeLevel(reinterpret_cast<HWND>(uintptr_t{1}),
                                    DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK ||
            dd->SetDisplayMode(640, 480, 8) != DD_OK) {
            state.SkipWithError(("no display: " + sdl::VideoError()).c_str());
            return;
        }
        DDSURFACEDESC desc;
        std::memset(&desc, 0, sizeof(desc));
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        if (dd->CreateSurface(&desc, &surface, NULL) != DD_OK ||
            surface->Lock(NULL, &desc, DDLOCK_WAIT, NULL) != DD_OK) {
            state.SkipWithError("no primary surface");
            return;
        }
        DrawGrid(static_cast<BYTE*>(desc.lpSurface), desc.lPitch);
        surface->Unlock(NULL);
    }
    ~device_display() {
        if (surface)
            surface->Release();
        if (dd) {
            dd->RestoreDisplayMode();
            dd->Release();
        }
    }
    LPDIRECTDRAWPALETTE palette(entries e) {
        LPDIRECTDRAWPALETTE p = NULL;
        dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, e.data(), &p, NULL);
        return p;
    }

    LPDIRECTDRAW dd = NULL;
    LPDIRECTDRAWSURFACE surface = NULL;
};

// Alternates between two palettes that differ in entries [first, last].
void PresentAlternating(benchmark::State& state, int first, int last) {
    device_display display(state);
    if (!display.surface)
        return;
    entries a = Colours(0), b = a;
    for (int n = first; n <= last; ++n)
        b[size_t(n)] = {BYTE(~a[size_t(n)].peRed), BYTE(n), BYTE(~a[size_t(n)].peBlue), 0};
    LPDIRECTDRAWPALETTE pa = display.palette(a), pb = display.palette(b);
    display.surface->SetPalette(pa);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        display.surface->SetPalette(flip ? pb : pa);
    }
    display.surface->SetPalette(NULL);
    pa->Release();
    pb->Release();
}

void BM_PresentCyclingPass(benchmark::State& state) {
    PresentAlternating(state, 229, 254);
}
BENCHMARK(BM_PresentCyclingPass);

void BM_PresentFullPalette(benchmark::State& state) {
    PresentAlternating(state, 0, 255);
}
BENCHMARK(BM_PresentFullPalette);

// SDL's plain 8-bit path on the same renderer and window: set the palette of an INDEX8 surface,
// blit it to ARGB8888, upload the whole frame, clear, copy scaled, present.
void BM_PresentPlainFullFrame(benchmark::State& state) {
    device_display display(state);
    if (!display.surface)
        return;
    SDL_Window* window = sdl::DisplayWindow();
    SDL_Renderer* renderer = SDL_GetRenderer(window);
    SDL_Surface* indexed = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_Surface* argb = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Texture* texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STREAMING, 640, 480);
    if (!renderer || !indexed || !argb || !texture) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    DrawGrid(static_cast<BYTE*>(indexed->pixels), indexed->pitch);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer, &w, &h);
    sdl::picture_layout place = sdl::FitPicture(w, h);
    SDL_Rect to = {place.left, place.top, place.width, place.height};
    std::array<SDL_Color, 256> colours[2];
    for (int i = 0; i < 2; ++i) {
        entries e = Colours(i * 91);
        for (int n = 0; n < 256; ++n)
            colours[i][size_t(n)] = {e[size_t(n)].peRed, e[size_t(n)].peGreen, e[size_t(n)].peBlue,
                                     255};
    }
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        SDL_SetPaletteColors(indexed->format->palette, colours[flip].data(), 0, 256);
        SDL_BlitSurface(indexed, NULL, argb, NULL);
        SDL_UpdateTexture(texture, NULL, argb->pixels, argb->pitch);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, NULL, &to);
        SDL_RenderPresent(renderer);
    }
    SDL_DestroyTexture(texture);
    SDL_FreeSurface(argb);
    SDL_FreeSurface(indexed);
}
BENCHMARK(BM_PresentPlainFullFrame);

} // namespace
