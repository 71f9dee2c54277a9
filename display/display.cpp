#include "display/display.h"

#include <string.h>

#include "palette/brightness.h"
#include "palette/work_palette.h"

#define PALETTE_CAPS (DDPCAPS_8BIT | DDPCAPS_ALLOW256)

LPDIRECTDRAW lpDD = NULL;
LPDIRECTDRAWSURFACE lpSurface = NULL;
LPDIRECTDRAWPALETTE lpPalette = NULL;

int InitDisplay(HWND window) {
    // A failed creation must not leave a stale pointer behind for ReleaseDisplay to follow.
    if (DirectDrawCreate(NULL, &lpDD, NULL) != DD_OK) {
        lpDD = NULL;
        return 0;
    }
    if (lpDD->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK)
        return 0;
    if (lpDD->SetDisplayMode(DISPLAY_WIDTH, DISPLAY_HEIGHT, DISPLAY_BITS) != DD_OK)
        return 0;

    DDSURFACEDESC desc;
    memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (lpDD->CreateSurface(&desc, &lpSurface, NULL) != DD_OK) {
        lpSurface = NULL;
        return 0;
    }

    PALETTEENTRY black[PALETTE_ENTRIES];
    memset(black, 0, sizeof(black));
    if (lpDD->CreatePalette(PALETTE_CAPS, black, &lpPalette, NULL) != DD_OK) {
        lpPalette = NULL;
        return 0;
    }
    if (lpSurface->SetPalette(lpPalette) != DD_OK)
        return 0;
    return 1;
}

int ApplyPalette() {
    if (lpDD == NULL || lpSurface == NULL)
        return 0;
    PALETTEENTRY entries[PALETTE_ENTRIES];
    ConvertPalette(entries);
    LPDIRECTDRAWPALETTE fresh = NULL;
    // Keep the current palette when no new one could be made.
    if (lpDD->CreatePalette(PALETTE_CAPS, entries, &fresh, NULL) != DD_OK)
        return 0;
    if (lpPalette != NULL)
        lpPalette->Release();
    lpPalette = fresh;
    return lpSurface->SetPalette(lpPalette) == DD_OK ? 1 : 0;
}

void ReleaseDisplay() {
    if (lpPalette != NULL) {
        lpPalette->Release();
        lpPalette = NULL;
    }
    if (lpSurface != NULL) {
        lpSurface->Release();
        lpSurface = NULL;
    }
    if (lpDD != NULL) {
        lpDD->RestoreDisplayMode();
        lpDD->Release();
        lpDD = NULL;
    }
}
