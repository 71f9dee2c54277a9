// SDL's video, started once for the whole device, and the cursor that follows ShowCursor.
#include <cstdlib>

#include "platform/sdl/sdl_device.h"

namespace {

bool tried = false;
bool ready = false;
std::string error;
int cursor_count = 0;

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
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return false;
    }
    std::atexit(SDL_Quit);
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
