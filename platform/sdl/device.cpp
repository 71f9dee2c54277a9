// The device's side of the seam: input, message boxes, cursor, screen size, tick count and
// DirectDrawCreate, over SDL.
#include <cstdio>
#include <ctime>

#include "platform/device.h"
#include "platform/sdl/sdl_device.h"

namespace {

void handle_event(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN: {
        // The platform's key data: a repeat count of 1, bit 30 set when the key was already down.
        LPARAM data = event.key.repeat ? LPARAM(1) | (LPARAM(1) << 30) : LPARAM(1);
        layer::PostInput(WM_KEYDOWN, sdl::VirtualKey(event.key.keysym.sym), data);
        break;
    }
    case SDL_QUIT: // the window closed, SIGINT or SIGTERM: all leave through WM_CLOSE
        layer::PostInput(WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            layer::Activate(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            layer::Activate(false);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            sdl::RedrawDisplay();
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

void sleep_ms(DWORD ms) {
    timespec pause = {time_t(ms / 1000), long(ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

uint64_t now_ns() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

uint64_t last_pump_ns = 0;

void pump() {
    SDL_PumpEvents();
    last_pump_ns = now_ns();
}

// Handles what SDL has queued, without pumping again; true when there was anything.
bool drain() {
    SDL_Event event;
    bool any = false;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        handle_event(event);
        any = true;
    }
    return any;
}

// Waits for input to arrive, then takes it in.
void wait_for_input(DWORD wait_ms) {
    static SDL_Window* watched = nullptr;
    static int descriptor = -1;
    SDL_Window* window = sdl::DisplayWindow();
    if (window != watched) {
        watched = window;
        descriptor = sdl::WindowDescriptor(window);
    }
    if (descriptor < 0) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, int(wait_ms))) {
            handle_event(event);
            drain();
        }
        return;
    }
    if (sdl::WaitReadable(descriptor, int(wait_ms))) {
        pump();
        drain();
    }
}

} // namespace

bool device::PumpInput(DWORD wait_ms) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        // No display yet, so no input can come: the wait is all there is to do.
        if (wait_ms > 0)
            sleep_ms(wait_ms);
        return true;
    }
    // The layer asks at once and then again with a wait; what the first pump took in is still
    // current for the second, which goes straight to waiting.
    if (wait_ms == 0 || now_ns() - last_pump_ns > 200000u)
        pump();
    if (!drain() && wait_ms > 0)
        wait_for_input(wait_ms);
    return true;
}

bool device::OpenWindow(HWND, DWORD) {
    return true;
}

void device::CloseWindow(HWND) {}

int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const char* text = lpText ? lpText : "";
    const char* caption = lpCaption ? lpCaption : "";
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((uType & 0xF0u) == MB_ICONWARNING)
        flags = SDL_MESSAGEBOX_WARNING;
    else if ((uType & 0xF0u) == MB_ICONERROR)
        flags = SDL_MESSAGEBOX_ERROR;
    // Blocks until dismissed. Without a display the user still gets the words, on the terminal.
    if (SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) != 0)
        std::fprintf(stderr, "%s: %s\n", caption, text);
    return IDOK;
}

DWORD WINAPI GetTickCount(void) {
    // Time since the system started, as the platform counts it: the animation's first pass
    // fires every timer only because this is large.
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return DWORD(ms);
}

int WINAPI ShowCursor(BOOL bShow) {
    return sdl::ChangeCursorCount(bShow ? 1 : -1);
}

int WINAPI GetSystemMetrics(int nIndex) {
    if (nIndex != SM_CXSCREEN && nIndex != SM_CYSCREEN)
        return 0;
    SDL_DisplayMode desktop;
    if (!sdl::EnsureVideo() || SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        return 0;
    return nIndex == SM_CXSCREEN ? desktop.w : desktop.h;
}

HRESULT WINAPI DirectDrawCreate(GUID*, LPDIRECTDRAW* lplpDD, IUnknown* pUnkOuter) {
    if (!lplpDD)
        return DDERR_INVALIDPARAMS;
    *lplpDD = NULL;
    if (pUnkOuter)
        return DDERR_INVALIDPARAMS;
    if (!sdl::EnsureVideo()) {
        std::fprintf(stderr, "quarnel: no display: %s\n", sdl::VideoError().c_str());
        return DDERR_NODIRECTDRAWHW;
    }
    return sdl::CreateDirectDraw(lplpDD);
}
