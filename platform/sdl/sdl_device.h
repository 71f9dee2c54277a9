// The SDL device's internals, shared by its files and by the tests and benchmarks that drive the
// device directly. SDL types stay behind this header and platform/sdl/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <SDL.h>

#include "platform/directdraw.h"

namespace sdl {

// Starts SDL's video once, with the hints the device relies on; false when no display can be
// had, with SDL's reason in VideoError().
bool EnsureVideo();
const std::string& VideoError();

// The DirectDraw object, without DirectDrawCreate's report on standard error.
HRESULT CreateDirectDraw(LPDIRECTDRAW* out);
// DirectDraw objects (the object, surfaces, palettes) alive now; leaks show here.
int LiveObjects();

// The window that holds the display mode, or NULL while no mode is set.
SDL_Window* DisplayWindow();
// Presents the primary surface again, all of it (the window was exposed or resized).
void RedrawDisplay();
// Reads the whole display window back as ARGB8888 pixels; false while no mode is set.
bool ReadDisplay(std::vector<uint32_t>& argb, int& width, int& height);

// ShowCursor's display count: changes it by delta and returns it; the cursor shows while it is
// 0 or more. ApplyCursor hands the count to SDL again (SDL's cursor state is per video start).
int ChangeCursorCount(int delta);
void ApplyCursor();

// The descriptor of the window's X connection, or -1 where the window is not on X11.
int WindowDescriptor(SDL_Window* window);
// Waits until the descriptor has something to read, a signal came, or the time is up.
bool WaitReadable(int descriptor, int wait_ms);

// The virtual-key code of an SDL key; 0xFF for keys the layer has no code for.
UINT VirtualKey(SDL_Keycode key);

} // namespace sdl
