// The exclusive 640 x 480 x 8 display: DirectDraw object, primary surface and current palette.
#pragma once

#include "platform/platform.h"

#define DISPLAY_WIDTH 640
#define DISPLAY_HEIGHT 480
#define DISPLAY_BITS 8

// Each is NULL when absent; set up by InitDisplay, cleared by ReleaseDisplay.
extern LPDIRECTDRAW lpDD;
extern LPDIRECTDRAWSURFACE lpSurface;
extern LPDIRECTDRAWPALETTE lpPalette;

// Takes the screen for the window; on failure returns 0 and leaves what it made for
// ReleaseDisplay.
int InitDisplay(HWND window);
// Installs a new palette made from the working palette; 1 when it is attached to the surface.
int ApplyPalette();
// Releases whatever exists, newest first, and gives the desktop its mode back. Safe to repeat.
void ReleaseDisplay();
