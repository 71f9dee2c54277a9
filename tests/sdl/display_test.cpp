// The device's DirectDraw on the offscreen driver: the display mode as a fullscreen window at the
// desktop's size, presents after Unlock and SetPalette, references, and the errors the program's
// calls can meet.
#include <array>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/device.h"
#include "platform/sdl/sdl_device.h"
#include "reference.h"

namespace {

// A display set up as the program sets it up: object, exclusive level, mode, primary surface.
class Display : public testing::Test {
  protected:
    void SetUp() override {
        reference::UseOffscreenVideo();
        live_before = sdl::LiveObjects();
        ASSERT_EQ(DirectDrawCreate(NULL, &dd, NULL), DD_OK);
        ASSERT_NE(dd, nullptr);
        ASSERT_EQ(dd->SetCooperativeLevel(window(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        ASSERT_EQ(dd->SetDisplayMode(640, 480, 8), DD_OK);
        DDSURFACEDESC desc;
        std::memset(&desc, 0, sizeof(desc));
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        ASSERT_EQ(dd->CreateSurface(&desc, &surface, NULL), DD_OK);
        ASSERT_NE(surface, nullptr);
    }

    void TearDown() override {
        if (surface)
            surface->Release();
        if (dd) {
            dd->RestoreDisplayMode();
            dd->Release();
        }
        EXPECT_EQ(sdl::LiveObjects(), live_before) << "objects left alive";
    }

    static HWND window() { return reinterpret_cast<HWND>(uintptr_t{1}); }

    // Locks, lets draw write the pixels, unlocks; remembers the picture for the reference.
    template <typename F> void draw(F&& paint) {
        DDSURFACEDESC desc;
        std::memset(&desc, 0, sizeof(desc));
        desc.dwSize = sizeof(desc);
        ASSERT_EQ(surface->Lock(NULL, &desc, DDLOCK_WAIT, NULL), DD_OK);
        ASSERT_NE(desc.lpSurface, nullptr);
        ASSERT_GE(desc.lPitch, 640);
        auto* bytes = static_cast<BYTE*>(desc.lpSurface);
        paint(bytes, desc.lPitch);
        picture.assign(bytes, bytes + size_t(desc.lPitch) * 480);
        pitch = desc.lPitch;
        ASSERT_EQ(surface->Unlock(NULL), DD_OK);
    }

    LPDIRECTDRAWPALETTE make_palette(const std::array<PALETTEENTRY, 256>& entries) {
        LPDIRECTDRAWPALETTE p = NULL;
        std::array<PALETTEENTRY, 256> copy = entries;
        EXPECT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, copy.data(), &p, NULL), DD_OK);
        return p;
    }

    // The window's pixels against the picture through these entries.
    void expect_shows(const PALETTEENTRY* entries, const char* when) {
        std::vector<uint32_t> shown;
        int w = 0, h = 0;
        ASSERT_TRUE(sdl::ReadDisplay(shown, w, h)) << when;
        std::vector<uint32_t> want = reference::Frame(w, h, picture.data(), pitch, entries);
        EXPECT_EQ(reference::Compare(shown, want, w), "") << when;
    }

    int live_before = 0;
    LPDIRECTDRAW dd = NULL;
    LPDIRECTDRAWSURFACE surface = NULL;
    std::vector<BYTE> picture;
    LONG pitch = 0;
};

std::array<PALETTEENTRY, 256> Ramp(int seed) {
    std::array<PALETTEENTRY, 256> entries{};
    for (int n = 0; n < 256; ++n)
        entries[size_t(n)] = {BYTE(n * seed), BYTE(n + seed), BYTE(255 - n), 0};
    return entries;
}

TEST_F(Display, TheModeIsAFullscreenWindowAtTheDesktopsSize) {
    SDL_Window* w = sdl::DisplayWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(w), "Quarnel Pallette Demo");
    EXPECT_EQ(SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN_DESKTOP, SDL_WINDOW_FULLSCREEN_DESKTOP);
    int width = 0, height = 0;
    SDL_GetWindowSize(w, &width, &height);
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(width, 0);

    ASSERT_EQ(dd->RestoreDisplayMode(), DD_OK);
    EXPECT_EQ(sdl::DisplayWindow(), nullptr);
    // The mode can be taken again by the same object.
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 8), DD_OK);
    EXPECT_NE(sdl::DisplayWindow(), nullptr);
}

TEST_F(Display, OnlyThe640By480By8ModeIsOffered) {
    struct mode {
        DWORD w, h, bpp;
    };
    const mode refused[] = {{800, 600, 8}, {640, 480, 16}, {640, 480, 32},
                            {320, 200, 8}, {480, 640, 8},  {0, 0, 0}};
    for (const mode& m : refused)
        EXPECT_NE(dd->SetDisplayMode(m.w, m.h, m.bpp), DD_OK) << m.w << "x" << m.h << "x" << m.bpp;
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 8), DD_OK);
}

TEST_F(Display, UnlockAndSetPaletteShowThePictureThroughTheAttachedPalette) {
    // Black before any palette: nothing else may show through.
    draw([](BYTE* pixels, LONG p) { reference::DrawGrid(pixels, p); });
    std::array<PALETTEENTRY, 256> black{};
    expect_shows(black.data(), "the grid with no palette");

    std::array<PALETTEENTRY, 256> first = Ramp(3);
    LPDIRECTDRAWPALETTE one = make_palette(first);
    ASSERT_EQ(surface->SetPalette(one), DD_OK);
    expect_shows(first.data(), "the first palette");

    // The program drops its own reference before attaching the next one: the surface's keeps the
    // palette alive and shown until then.
    std::array<PALETTEENTRY, 256> second = first;
    for (int n = 229; n <= 254; ++n)
        second[size_t(n)] = {BYTE(n), 0, BYTE(n / 2), 0};
    LPDIRECTDRAWPALETTE two = make_palette(second);
    one->Release();
    expect_shows(first.data(), "the first palette, its own reference dropped");
    ASSERT_EQ(surface->SetPalette(two), DD_OK);
    expect_shows(second.data(), "a cycling change");

    draw([](BYTE* pixels, LONG p) {
        for (int y = 0; y < 480; ++y)
            std::memset(pixels + size_t(y) * size_t(p), y % 256, 640);
    });
    expect_shows(second.data(), "new pixels");

    // An expose redraws everything from the surface.
    sdl::RedrawDisplay();
    expect_shows(second.data(), "a redraw");
    two->Release();
}

TEST_F(Display, TheSurfaceHoldsAReferenceOnItsPalette) {
    int before = sdl::LiveObjects();
    LPDIRECTDRAWPALETTE p = make_palette(Ramp(1));
    EXPECT_EQ(sdl::LiveObjects(), before + 1);
    ASSERT_EQ(surface->SetPalette(p), DD_OK);
    EXPECT_EQ(p->Release(), 1u); // the surface's
    EXPECT_EQ(sdl::LiveObjects(), before + 1);
    ASSERT_EQ(surface->SetPalette(NULL), DD_OK);
    EXPECT_EQ(sdl::LiveObjects(), before);

    p = make_palette(Ramp(2));
    ASSERT_EQ(surface->SetPalette(p), DD_OK);
    p->Release();
    // Releasing the surface lets go of its palette.
    EXPECT_EQ(surface->Release(), 0u);
    surface = NULL;
    EXPECT_EQ(sdl::LiveObjects(), before - 1);
}

TEST_F(Display, LocksAreOneAtATime) {
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(surface->Unlock(NULL), DDERR_NOTLOCKED);
    ASSERT_EQ(surface->Lock(NULL, &desc, DDLOCK_WAIT, NULL), DD_OK);
    DDSURFACEDESC again = desc;
    EXPECT_EQ(surface->Lock(NULL, &again, DDLOCK_WAIT, NULL), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Unlock(NULL), DD_OK);
    EXPECT_EQ(surface->Unlock(NULL), DDERR_NOTLOCKED);

    DDSURFACEDESC wrong_size = desc;
    wrong_size.dwSize = 4;
    EXPECT_EQ(surface->Lock(NULL, &wrong_size, DDLOCK_WAIT, NULL), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Lock(NULL, NULL, DDLOCK_WAIT, NULL), DDERR_INVALIDPARAMS);
}

TEST_F(Display, OneDisplayAndOnePrimarySurface) {
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    LPDIRECTDRAWSURFACE second = NULL;
    EXPECT_NE(dd->CreateSurface(&desc, &second, NULL), DD_OK);
    EXPECT_EQ(second, nullptr);

    LPDIRECTDRAW other = NULL;
    ASSERT_EQ(DirectDrawCreate(NULL, &other, NULL), DD_OK);
    ASSERT_EQ(other->SetCooperativeLevel(window(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_NE(other->SetDisplayMode(640, 480, 8), DD_OK);
    other->Release();
    EXPECT_NE(sdl::DisplayWindow(), nullptr) << "the other object's release took the display";
}

TEST(DisplayWithoutLevel, TheModeNeedsTheExclusiveLevel) {
    reference::UseOffscreenVideo();
    LPDIRECTDRAW dd = NULL;
    ASSERT_EQ(DirectDrawCreate(NULL, &dd, NULL), DD_OK);
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 8), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(dd->SetCooperativeLevel(NULL, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(sdl::DisplayWindow(), nullptr);
    // Releasing the object while it holds the mode gives the desktop back.
    ASSERT_EQ(dd->SetCooperativeLevel(reinterpret_cast<HWND>(uintptr_t{1}),
                                      DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 8), DD_OK);
    EXPECT_EQ(dd->Release(), 0u);
    EXPECT_EQ(sdl::DisplayWindow(), nullptr);
}

} // namespace
