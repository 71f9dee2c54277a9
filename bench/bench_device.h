// The bench device: the seam's functions with a tick count the benchmark sets and DirectDraw
// objects that keep their palettes and draw nothing, so a benchmark of the program's own work
// measures that work. The SDL device's DirectDraw is reached apart from it, by
// sdl::CreateDirectDraw.
#pragma once

#include "platform/directdraw.h"

namespace bench {

extern DWORD ticks;         // what GetTickCount answers
extern long palettes_made;  // CreatePalette calls on the bench device
extern long palettes_shown; // SetPalette calls on the bench device's surface

} // namespace bench
