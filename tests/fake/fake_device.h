// The scripted device the tests link instead of the SDL one: a clock the test drives, input at
// chosen ticks, every message box and DirectDraw call recorded, failures injectable at any call,
// a surface with a chosen pitch and the screen as it would look.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/directdraw.h"

namespace fake {

struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};

// One recorded call: its name ("SetDisplayMode") and its arguments as text ("640,480,8").
struct Call {
    std::string name;
    std::string args;
    std::string ToString() const { return name + "(" + args + ")"; }
};

struct Rgb {
    BYTE r, g, b;
    bool operator==(const Rgb&) const = default;
};

using Palette = std::array<PALETTEENTRY, 256>;

// Back to a fresh device and a fresh layer (no classes, windows or messages). Tests that run
// WinMain also reset the program's own state (see tests/support/).
void Reset();

// Clock: GetTickCount answers Ticks(); every poll of the input (each PeekMessageA or GetMessageA)
// first advances it by the step, which is 0 unless set.
void SetTicks(DWORD ticks);
void SetTickStep(DWORD step);
DWORD Ticks();

// Input, delivered at the first poll at or after the tick.
void ScheduleKey(DWORD at_tick, WPARAM virtual_key);
void ScheduleActivation(DWORD at_tick, bool active);
void ScheduleClose(DWORD at_tick);        // WM_CLOSE, as a window close request
void ScheduleInputFailure(DWORD at_tick); // one failed poll: GetMessageA answers -1
// A run that never ends on its own is closed (WM_CLOSE) after this many polls; 0 means never.
void SetPollLimit(uint64_t polls);
uint64_t Polls();

// Failures: the occurrence-th call of that name (1 = the first; 0 = every one) answers result
// instead. Names: DirectDrawCreate, SetCooperativeLevel, SetDisplayMode, CreateSurface,
// CreatePalette, SetPalette, Lock, Unlock, RestoreDisplayMode, OpenWindow.
void FailCall(const std::string& name, int occurrence = 1, HRESULT result = DDERR_GENERIC);
void ClearFailures();

// Records.
const std::vector<MessageBoxRecord>& MessageBoxes();
const std::vector<Call>& Calls(); // DirectDraw calls and the device's window calls, in order
std::vector<std::string> CallNames();
int CountCalls(const std::string& name);
int CursorCount(); // ShowCursor's display count: below 0 means hidden

// The primary surface: a chosen pitch (default 640) and a sentinel byte it is prefilled with.
void SetSurfacePitch(LONG pitch);
void SetSurfaceSentinel(BYTE sentinel);
const std::vector<BYTE>& SurfaceBytes(); // pitch x 480 bytes, empty before the surface exists
LONG SurfacePitch();

// Live objects of each kind.
int LiveDirectDraws();
int LiveSurfaces();
int LivePalettes();

// The display: whether the mode is 640 x 480 x 8 now, the palette attached to the primary
// surface, the screen as it would look, and the attached palette at every present (after each
// Unlock and each SetPalette).
bool DisplayModeSet();
Palette AttachedPalette();
Rgb ScreenPixel(int x, int y);
const std::vector<Palette>& Presents();

// The desktop size GetSystemMetrics reports (default 1024 x 768).
void SetScreenSize(int width, int height);

} // namespace fake
