// The scripted device the tests link instead of the SDL one: a clock the test drives, input at
// chosen ticks, every message box and DirectDraw call recorded, failures injectable at any call,
// a surface with a chosen pitch and the screen as it would look.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
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
    DWORD tick = 0;  // the clock when the call was made
    long result = 0; // what it answered: an HRESULT, Release's new count, OpenWindow's 1 or 0, ...
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
// The close goes to the focus window, or to the newest open window when none has the focus. A run
// still polling a million polls after the limit aborts the process with a message.
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

// ---- Beyond the above ----
//
// The log (Calls) holds, with these arguments:
//   DirectDrawCreate(guid,outer)            NULL or "ptr" each
//   SetCooperativeLevel(hwnd,flags)         hwnd as a number, flags in hex: "1,0x11"
//   SetDisplayMode(width,height,bpp)        "640,480,8"
//   CreateSurface(dwSize,dwFlags,dwHeight,dwWidth,lPitch,dwBackBufferCount,lpSurface,dwCaps)
//   CreatePalette(flags,made)               "0x44,palette#2"; made is "none" when it failed
//   SetPalette(surface,palette)             "surface#1,palette#2" or "surface#1,NULL"
//   Lock(surface,rect,flags,event)          "surface#1,NULL,0x1,NULL"
//   Unlock(surface,pointer)                 "surface#1,NULL"
//   RestoreDisplayMode(object)              "directdraw#1"
//   Release(object)                         "palette#2"; only the program's own Release calls, not
//                                           the reference a surface drops on its palette
//   OpenWindow(hwnd,style), CloseWindow(hwnd)
//   MessageBoxA(owner,caption,style), ShowCursor(show), GetSystemMetrics(index)
// GetTickCount is not logged (it is read on every pass); TickReads counts it.
//
// Objects are named by kind and creation order from Reset on: directdraw#1, surface#1, palette#1.
// A released object stays known until Reset, so a call on it is caught (Misuses) instead of
// crashing. Failure occurrences count the calls of that name since Reset.
//
// Input: each PumpInput(0) is one poll (every PeekMessageA and GetMessageA starts with one); it
// advances the clock by the step and delivers what is due: a tick is due when the clock has reached
// it, compared on the wrapped difference (up to 2^31 ms behind counts as reached). Due input goes
// out oldest first. An input failure is reported only as the first thing of its poll, so a failure
// due at the same tick as a key fails the poll after the one that delivered the key (the
// GetMessageA that follows the PeekMessageA which saw the key). A waiting PumpInput (wait_ms > 0)
// leaves the clock alone, except when it is the second in a row: then the caller blocks
// (GetMessageA with nothing queued), and the clock jumps to the next scripted input, the wait
// counting as a poll; with nothing scripted and no close to come it answers false rather than hang.

// Runs after every logged call, with the call as logged; an empty function removes it.
void OnCall(std::function<void(const Call&)> hook);

// Runs at every poll, after the clock has stepped and before due input is delivered, so it may set
// the clock and schedule input for that very poll; an empty function removes it.
void OnPoll(std::function<void()> hook);

// For runs too long to keep everything: empties the records (calls, boxes, misuses, created
// palettes, presents) and forgets the palettes already released. Live objects, names (palette#n
// keeps counting), call counts and injected failures stay.
void ForgetHistory();

// The name of one of the fake's objects ("palette#2"), or "" for anything else.
std::string ObjectName(const IDirectDraw* object);
std::string ObjectName(const IDirectDrawSurface* object);
std::string ObjectName(const IDirectDrawPalette* object);
// The reference count of a named object; 0 once released, -1 for an unknown name.
int RefCount(const std::string& name);
// The palette attached to the latest primary surface, "" when none.
std::string AttachedPaletteName();
// The entries of every palette made, in order of creation.
const std::vector<Palette>& CreatedPalettes();

// A busy surface: a Lock with DDLOCK_WAIT waits until it is free (and succeeds), one without it
// answers DDERR_SURFACEBUSY.
void SetSurfaceBusy(bool busy);
int LockWaits(); // how many Lock calls waited for a busy surface

// Calls the platform would not have accepted, in order ("Release of released palette#2").
const std::vector<std::string>& Misuses();
uint64_t FailedPolls(); // polls that reported an input failure
uint64_t TickReads();   // GetTickCount calls

} // namespace fake
