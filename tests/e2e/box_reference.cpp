// Shows one SDL message box with the given caption and text and waits until it is answered: the
// end-to-end tests compare the viewer's boxes with these pixel by pixel, which checks the texts
// that reached the screen.
#include <SDL.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "warning") != 0 && std::strcmp(argv[1], "error") != 0)) {
        std::fprintf(stderr, "usage: %s warning|error CAPTION TEXT\n", argv[0]);
        return 2;
    }
    Uint32 flags =
        std::strcmp(argv[1], "warning") == 0 ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_ERROR;
    if (SDL_ShowSimpleMessageBox(flags, argv[2], argv[3], nullptr) != 0) {
        std::fprintf(stderr, "no message box: %s\n", SDL_GetError());
        return 1;
    }
    return 0;
}
