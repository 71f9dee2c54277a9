#include "display/grid.h"

#include <string.h>

#include "display/display.h"

void DrawPaletteGrid() {
    if (lpSurface == NULL)
        return;
    DDSURFACEDESC desc;
    memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    if (lpSurface->Lock(NULL, &desc, DDLOCK_WAIT, NULL) != DD_OK)
        return;
    // Rows shorter than the mode would make the grid run over into the next row and past the end.
    unsigned char* pixels = (unsigned char*)desc.lpSurface;
    if (pixels != NULL && desc.lPitch >= DISPLAY_WIDTH) {
        for (int y = 0; y < DISPLAY_HEIGHT; ++y) {
            unsigned char* row = pixels + (size_t)y * (size_t)desc.lPitch;
            unsigned char first = (unsigned char)(GRID_SIDE * (y / GRID_BLOCK_HEIGHT));
            for (int c = 0; c < GRID_SIDE; ++c)
                memset(row + c * GRID_BLOCK_WIDTH, first + c, GRID_BLOCK_WIDTH);
        }
    }
    lpSurface->Unlock(NULL);
}
