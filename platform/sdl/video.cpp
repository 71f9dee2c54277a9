// SDL's video, started once for the whole device, and the cursor that follows ShowCursor.
#include <cstdlib>
#include <cstring>

#include "platform/sdl/sdl_device.h"

namespace {

bool tried = false;
bool ready = false;
std::string error;
int cursor_count = 0;

bool is_set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// SDL falls back on its offscreen driver when no display answers, and the viewer would then run
// unseen: unless a driver is asked for by name, only drivers that show something will do.
void choose_visible_drivers() {
    if (is_set("SDL_VIDEODRIVER"))
        return;
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* name = SDL_GetVideoDriver(i);
        if (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0 ||
            std::strcmp(name, "evdev") == 0)
            continue;
        // Probing Wayland with no compositor named makes libwayland complain on standard error.
        if (std::strcmp(name, "wayland") == 0 && !is_set("WAYLAND_DISPLAY"))
            continue;
        drivers += (drivers.empty() ? "" : ",") + std::string(name);
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
}

} // namespace

namespace sdl {

bool EnsureVideo() {
    if (tried)
        return ready;
    tried = true;
    // On X11 the window's pixels otherwise go through an OpenGL texture (llvmpipe under Xvfb),
    // about a fifth of a core at 30 presents a second.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A fullscreen window is minimised on focus loss by default; the viewer only stops animating,
    // and without a window manager a minimised window never comes back.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Waiting for vertical sync would hold up the program's polling loop for a whole frame.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    choose_visible_drivers();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        // SDL's own message is lost when a list of drivers all fail; say what was missing.
        if (!is_set("SDL_VIDEODRIVER") && !is_set("DISPLAY") && !is_set("WAYLAND_DISPLAY"))
            error = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        else
            error = std::string("no video driver could start (") + SDL_GetError() + ")";
        return false;
    }
    // No SDL_Quit at exit: with the X server gone, Xlib exits from its error handler and SDL's
    // window teardown would then wait forever for an unmap that cannot come.
    ready = true;
    ApplyCursor();
    return true;
}

const std::string& VideoError() {
    return error;
}

int ChangeCursorCount(int delta) {
    cursor_count += delta;
    ApplyCursor();
    return cursor_count;
}

void ApplyCursor() {
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(cursor_count < 0 ? SDL_DISABLE : SDL_ENABLE);
}

} // namespace sdl
