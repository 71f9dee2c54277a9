// Waiting on the X connection itself. SDL's own wait pumps the connection several times over,
// each a handful of failed reads, which at a thousand waits a second is most of the viewer's
// processor time; one poll on the descriptor costs one system call.
#include <SDL.h>
#include <poll.h>

#if defined(QUARNEL_X11_WAIT)
#include <SDL_syswm.h>
#endif

namespace sdl {

int WindowDescriptor(SDL_Window* window) {
#if defined(QUARNEL_X11_WAIT) && defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
        return XConnectionNumber(info.info.x11.display);
#else
    (void)window;
#endif
    return -1;
}

bool WaitReadable(int descriptor, int wait_ms) {
    pollfd watch = {descriptor, POLLIN, 0};
    // A signal (SIGINT, SIGTERM) ends the wait too: SDL turns it into SDL_QUIT on the next pump.
    return poll(&watch, 1, wait_ms) != 0;
}

} // namespace sdl
