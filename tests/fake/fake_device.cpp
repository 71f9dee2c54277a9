// The scripted device: everything the layer and the program ask of a device, answered from state a
// test sets and recorded for the test to inspect.
#include "tests/fake/fake_device.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace fake {
namespace {

class fake_palette;
class fake_surface;
class fake_directdraw;

struct scripted_input {
    enum kind_t { key, activation, close, failure } kind;
    DWORD tick;
    WPARAM value;
    uint64_t order;
};

struct injected_failure {
    std::string name;
    int occurrence;
    HRESULT result;
};

struct device_state {
    DWORD ticks = 0;
    DWORD step = 0;
    uint64_t polls = 0;
    uint64_t poll_limit = 0;
    bool limit_close_posted = false;
    std::vector<HWND> open_windows; // opened and not yet closed, oldest first
    int waits_in_a_row = 0;
    uint64_t failed_polls = 0;
    uint64_t tick_reads = 0;
    uint64_t input_order = 0;
    std::vector<scripted_input> input;

    std::vector<injected_failure> failures;
    std::map<std::string, int> call_counts;
    std::vector<Call> calls;
    std::function<void(const Call&)> hook;
    std::function<void()> poll_hook;
    size_t palettes_forgotten = 0; // released palettes dropped by ForgetHistory, for the names
    std::vector<MessageBoxRecord> boxes;
    std::vector<std::string> misuses;
    int cursor_count = 0;
    int screen_width = 1024;
    int screen_height = 768;

    LONG pitch = 640;
    BYTE sentinel = 0xCD;
    bool surface_busy = false;
    int lock_waits = 0;
    bool mode_set = false;

    // Every object made since Reset, released or not (shared_ptr: the classes come below).
    std::vector<std::shared_ptr<fake_directdraw>> directdraws;
    std::vector<std::shared_ptr<fake_surface>> surfaces;
    std::vector<std::shared_ptr<fake_palette>> palettes;
    std::vector<Palette> created;
    std::vector<Palette> presents;
};

device_state st;

const uint64_t runaway_polls = 1000000;

std::string hex(unsigned long value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

std::string pointer_text(const void* p) {
    return p ? "ptr" : "NULL";
}

std::string window_text(HWND hwnd) {
    return hwnd ? std::to_string(reinterpret_cast<uintptr_t>(hwnd)) : "NULL";
}

void misuse(const std::string& what) {
    st.misuses.push_back(what);
}

// Logs a call and answers the failure injected for this occurrence of its name, DD_OK if none.
HRESULT begin_call(const std::string& name, const std::string& args, size_t* index) {
    int occurrence = ++st.call_counts[name];
    st.calls.push_back(Call{name, args, st.ticks, 0});
    *index = st.calls.size() - 1;
    for (const injected_failure& f : st.failures)
        if (f.name == name && (f.occurrence == 0 || f.occurrence == occurrence))
            return f.result;
    return DD_OK;
}

template <typename T> T end_call(size_t index, T result) {
    st.calls[index].result = static_cast<long>(result);
    if (st.hook) {
        Call copy = st.calls[index]; // the hook may log calls of its own
        st.hook(copy);
    }
    return result;
}

class fake_palette final : public IDirectDrawPalette {
  public:
    fake_palette(std::string name, const Palette& entries)
        : name(std::move(name)), entries(entries) {}
    ~fake_palette() override = default;

    ULONG Release() override {
        size_t call;
        begin_call("Release", name, &call);
        if (refs == 0) {
            misuse("Release of released " + name);
            return end_call<ULONG>(call, 0);
        }
        return end_call<ULONG>(call, drop());
    }

    // A reference the device itself holds (a surface's on its attached palette).
    void hold() { ++refs; }
    ULONG drop() { return refs > 0 ? static_cast<ULONG>(--refs) : 0; }

    std::string name;
    Palette entries;
    int refs = 1;
};

fake_palette* find_palette(const IDirectDrawPalette* p) {
    for (auto& palette : st.palettes)
        if (palette.get() == p)
            return palette.get();
    return nullptr;
}

Palette no_palette() {
    Palette zero{};
    return zero;
}

class fake_surface final : public IDirectDrawSurface {
  public:
    fake_surface(std::string name, LONG pitch, BYTE sentinel)
        : name(std::move(name)), pitch(pitch),
          pixels(static_cast<size_t>(pitch > 0 ? pitch : 0) * 480, sentinel) {}
    ~fake_surface() override = default;

    HRESULT Lock(LPRECT lpDestRect, LPDDSURFACEDESC desc, DWORD dwFlags, HANDLE hEvent) override {
        size_t call;
        HRESULT hr = begin_call("Lock",
                                name + "," + pointer_text(lpDestRect) + "," + hex(dwFlags) + "," +
                                    pointer_text(hEvent),
                                &call);
        if (!usable("Lock"))
            return end_call(call, DDERR_GENERIC);
        if (!desc || desc->dwSize != sizeof(DDSURFACEDESC)) {
            misuse("Lock of " + name + " without a sized DDSURFACEDESC");
            return end_call(call, DDERR_INVALIDPARAMS);
        }
        if (hr != DD_OK)
            return end_call(call, hr);
        if (locked) {
            misuse("Lock of " + name + " while it is locked");
            return end_call(call, DDERR_SURFACEBUSY);
        }
        if (st.surface_busy) {
            if (!(dwFlags & DDLOCK_WAIT))
                return end_call(call, DDERR_SURFACEBUSY);
            // DDLOCK_WAIT: the call returns once whoever had the surface lets it go.
            st.surface_busy = false;
            ++st.lock_waits;
        }
        locked = true;
        desc->dwFlags |= DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH;
        desc->dwWidth = 640;
        desc->dwHeight = 480;
        desc->lPitch = pitch;
        desc->lpSurface = pixels.data();
        return end_call(call, DD_OK);
    }

    HRESULT Unlock(LPVOID lpSurfaceData) override {
        size_t call;
        HRESULT hr = begin_call("Unlock", name + "," + pointer_text(lpSurfaceData), &call);
        if (!usable("Unlock"))
            return end_call(call, DDERR_GENERIC);
        if (!locked) {
            misuse("Unlock of " + name + " that is not locked");
            return end_call(call, DDERR_NOTLOCKED);
        }
        if (hr != DD_OK)
            return end_call(call, hr);
        locked = false;
        present();
        return end_call(call, DD_OK);
    }

    HRESULT SetPalette(IDirectDrawPalette* lpDDPalette) override {
        fake_palette* palette = find_palette(lpDDPalette);
        size_t call;
        HRESULT hr =
            begin_call("SetPalette",
                       name + "," + (palette ? palette->name : pointer_text(lpDDPalette)), &call);
        if (!usable("SetPalette"))
            return end_call(call, DDERR_GENERIC);
        if (lpDDPalette && (!palette || palette->refs == 0)) {
            misuse("SetPalette of " + name + " with " +
                   (palette ? "released " + palette->name : std::string("an unknown palette")));
            return end_call(call, DDERR_INVALIDPARAMS);
        }
        if (hr != DD_OK)
            return end_call(call, hr);
        if (palette)
            palette->hold();
        if (attached)
            attached->drop();
        attached = palette;
        present();
        return end_call(call, DD_OK);
    }

    ULONG Release() override {
        size_t call;
        begin_call("Release", name, &call);
        if (refs == 0) {
            misuse("Release of released " + name);
            return end_call<ULONG>(call, 0);
        }
        if (--refs == 0 && attached) {
            attached->drop(); // the surface's own reference on its palette goes with it
            attached = nullptr;
        }
        return end_call<ULONG>(call, static_cast<ULONG>(refs));
    }

    bool usable(const char* method) {
        if (refs > 0)
            return true;
        misuse(std::string(method) + " on released " + name);
        return false;
    }

    Palette attached_entries() const { return attached ? attached->entries : no_palette(); }

    void present() { st.presents.push_back(attached_entries()); }

    std::string name;
    LONG pitch;
    std::vector<BYTE> pixels;
    fake_palette* attached = nullptr;
    bool locked = false;
    int refs = 1;
};

class fake_directdraw final : public IDirectDraw {
  public:
    explicit fake_directdraw(std::string name) : name(std::move(name)) {}
    ~fake_directdraw() override = default;

    HRESULT SetCooperativeLevel(HWND hWnd, DWORD dwFlags) override {
        size_t call;
        HRESULT hr =
            begin_call("SetCooperativeLevel", window_text(hWnd) + "," + hex(dwFlags), &call);
        if (!usable("SetCooperativeLevel"))
            return end_call(call, DDERR_GENERIC);
        if (hr != DD_OK)
            return end_call(call, hr);
        level = dwFlags;
        return end_call(call, DD_OK);
    }

    HRESULT SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP) override {
        size_t call;
        HRESULT hr = begin_call("SetDisplayMode",
                                std::to_string(dwWidth) + "," + std::to_string(dwHeight) + "," +
                                    std::to_string(dwBPP),
                                &call);
        if (!usable("SetDisplayMode"))
            return end_call(call, DDERR_GENERIC);
        if (hr != DD_OK)
            return end_call(call, hr);
        // Only an exclusive owner may change the mode, as on the platform.
        if (!(level & DDSCL_EXCLUSIVE))
            return end_call(call, DDERR_NOEXCLUSIVEMODE);
        st.mode_set = dwWidth == 640 && dwHeight == 480 && dwBPP == 8;
        return end_call(call, DD_OK);
    }

    HRESULT CreateSurface(LPDDSURFACEDESC desc, IDirectDrawSurface** out,
                          IUnknown* pUnkOuter) override {
        std::string args = "NULL";
        if (desc)
            args = std::to_string(desc->dwSize) + "," + hex(desc->dwFlags) + "," +
                   std::to_string(desc->dwHeight) + "," + std::to_string(desc->dwWidth) + "," +
                   std::to_string(desc->lPitch) + "," + std::to_string(desc->dwBackBufferCount) +
                   "," + pointer_text(desc->lpSurface) + "," + hex(desc->ddsCaps.dwCaps);
        size_t call;
        HRESULT hr = begin_call("CreateSurface", args, &call);
        if (out)
            *out = NULL;
        if (!usable("CreateSurface"))
            return end_call(call, DDERR_GENERIC);
        if (!out || pUnkOuter || !desc || desc->dwSize != sizeof(DDSURFACEDESC) ||
            !(desc->dwFlags & DDSD_CAPS) || !(desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE)) {
            misuse("CreateSurface with a description other than a primary surface's");
            return end_call(call, DDERR_INVALIDPARAMS);
        }
        if (hr != DD_OK)
            return end_call(call, hr);
        std::string made = "surface#" + std::to_string(st.surfaces.size() + 1);
        st.surfaces.push_back(std::make_shared<fake_surface>(made, st.pitch, st.sentinel));
        *out = st.surfaces.back().get();
        return end_call(call, DD_OK);
    }

    HRESULT CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable, IDirectDrawPalette** out,
                          IUnknown* pUnkOuter) override {
        std::string made =
            "palette#" + std::to_string(st.palettes_forgotten + st.palettes.size() + 1);
        size_t call;
        HRESULT hr = begin_call("CreatePalette", hex(dwFlags) + "," + made, &call);
        if (out)
            *out = NULL;
        auto fail = [&](HRESULT result) {
            st.calls[call].args = hex(dwFlags) + ",none";
            return end_call(call, result);
        };
        if (!usable("CreatePalette"))
            return fail(DDERR_GENERIC);
        if (!out || !lpColorTable || pUnkOuter) {
            misuse("CreatePalette without a colour table or a place for the result");
            return fail(DDERR_INVALIDPARAMS);
        }
        if (hr != DD_OK)
            return fail(hr);
        Palette entries;
        std::copy(lpColorTable, lpColorTable + 256, entries.begin());
        st.palettes.push_back(std::make_shared<fake_palette>(made, entries));
        st.created.push_back(entries);
        *out = st.palettes.back().get();
        return end_call(call, DD_OK);
    }

    HRESULT RestoreDisplayMode() override {
        size_t call;
        HRESULT hr = begin_call("RestoreDisplayMode", name, &call);
        if (!usable("RestoreDisplayMode"))
            return end_call(call, DDERR_GENERIC);
        if (hr != DD_OK)
            return end_call(call, hr);
        st.mode_set = false;
        return end_call(call, DD_OK);
    }

    ULONG Release() override {
        size_t call;
        begin_call("Release", name, &call);
        if (refs == 0) {
            misuse("Release of released " + name);
            return end_call<ULONG>(call, 0);
        }
        return end_call<ULONG>(call, static_cast<ULONG>(--refs));
    }

    bool usable(const char* method) {
        if (refs > 0)
            return true;
        misuse(std::string(method) + " on released " + name);
        return false;
    }

    std::string name;
    DWORD level = 0;
    int refs = 1;
};

fake_surface* primary() {
    return st.surfaces.empty() ? nullptr : st.surfaces.back().get();
}

// Hands one scripted input to the layer.
void deliver(const scripted_input& in) {
    switch (in.kind) {
    case scripted_input::key:
        layer::PostInput(WM_KEYDOWN, in.value, 0);
        break;
    case scripted_input::activation:
        layer::Activate(in.value != 0);
        break;
    case scripted_input::close:
        layer::PostInput(WM_CLOSE, 0, 0);
        break;
    case scripted_input::failure:
        break;
    }
}

bool reached(DWORD tick) {
    return static_cast<DWORD>(st.ticks - tick) < 0x80000000u;
}

// Delivers what is due, oldest first. False when the poll fails.
bool deliver_due() {
    bool delivered = false;
    for (;;) {
        auto next = st.input.end();
        for (auto it = st.input.begin(); it != st.input.end(); ++it) {
            if (!reached(it->tick))
                continue;
            if (next == st.input.end() ||
                static_cast<DWORD>(st.ticks - it->tick) >
                    static_cast<DWORD>(st.ticks - next->tick) ||
                (it->tick == next->tick && it->order < next->order))
                next = it;
        }
        if (next == st.input.end())
            return true;
        scripted_input in = *next;
        if (in.kind == scripted_input::failure) {
            if (delivered)
                return true; // a failure only as the first thing of a poll
            st.input.erase(next);
            ++st.failed_polls;
            return false;
        }
        st.input.erase(next);
        deliver(in); // may send messages into the program at once
        delivered = true;
    }
}

bool poll() {
    ++st.polls;
    if (st.poll_hook)
        st.poll_hook();
    bool ok = deliver_due();
    if (st.poll_limit != 0 && st.polls >= st.poll_limit && !st.limit_close_posted) {
        // To the focus window as a user's close would go; without one, to the newest window, so a
        // run that lost its focus still ends.
        HWND target = layer::FocusWindow();
        if (!target && !st.open_windows.empty())
            target = st.open_windows.back();
        if (target && PostMessageA(target, WM_CLOSE, 0, 0))
            st.limit_close_posted = true;
    }
    // A run still going long after its close is a program that ignores it: stop rather than hang.
    if (st.poll_limit != 0 && st.polls >= st.poll_limit + runaway_polls) {
        std::fprintf(stderr, "fake device: the run goes on %llu polls after its poll limit\n",
                     static_cast<unsigned long long>(runaway_polls));
        std::abort();
    }
    return ok;
}

bool closing_to_come() {
    return st.poll_limit != 0 && !st.limit_close_posted &&
           (layer::FocusWindow() != NULL || !st.open_windows.empty());
}

} // namespace

void Reset() {
    layer::Reset();
    st = device_state{};
}

void SetTicks(DWORD ticks) {
    st.ticks = ticks;
}
void SetTickStep(DWORD step) {
    st.step = step;
}
DWORD Ticks() {
    return st.ticks;
}

static void schedule(scripted_input::kind_t kind, DWORD tick, WPARAM value) {
    st.input.push_back(scripted_input{kind, tick, value, st.input_order++});
}

void ScheduleKey(DWORD at_tick, WPARAM virtual_key) {
    schedule(scripted_input::key, at_tick, virtual_key);
}
void ScheduleActivation(DWORD at_tick, bool active) {
    schedule(scripted_input::activation, at_tick, active ? 1 : 0);
}
void ScheduleClose(DWORD at_tick) {
    schedule(scripted_input::close, at_tick, 0);
}
void ScheduleInputFailure(DWORD at_tick) {
    schedule(scripted_input::failure, at_tick, 0);
}
void SetPollLimit(uint64_t polls) {
    st.poll_limit = polls;
}
uint64_t Polls() {
    return st.polls;
}

void FailCall(const std::string& name, int occurrence, HRESULT result) {
    st.failures.push_back(injected_failure{name, occurrence, result});
}
void ClearFailures() {
    st.failures.clear();
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
    return st.boxes;
}
const std::vector<Call>& Calls() {
    return st.calls;
}
std::vector<std::string> CallNames() {
    std::vector<std::string> names;
    for (const Call& c : st.calls)
        names.push_back(c.name);
    return names;
}
int CountCalls(const std::string& name) {
    auto it = st.call_counts.find(name);
    return it == st.call_counts.end() ? 0 : it->second;
}
int CursorCount() {
    return st.cursor_count;
}

void SetSurfacePitch(LONG pitch) {
    st.pitch = pitch;
}
void SetSurfaceSentinel(BYTE sentinel) {
    st.sentinel = sentinel;
}
const std::vector<BYTE>& SurfaceBytes() {
    static const std::vector<BYTE> none;
    return primary() ? primary()->pixels : none;
}
LONG SurfacePitch() {
    return primary() ? primary()->pitch : st.pitch;
}

int LiveDirectDraws() {
    return static_cast<int>(std::count_if(st.directdraws.begin(), st.directdraws.end(),
                                          [](const auto& d) { return d->refs > 0; }));
}
int LiveSurfaces() {
    return static_cast<int>(std::count_if(st.surfaces.begin(), st.surfaces.end(),
                                          [](const auto& s) { return s->refs > 0; }));
}
int LivePalettes() {
    return static_cast<int>(std::count_if(st.palettes.begin(), st.palettes.end(),
                                          [](const auto& p) { return p->refs > 0; }));
}

bool DisplayModeSet() {
    return st.mode_set;
}
Palette AttachedPalette() {
    return primary() ? primary()->attached_entries() : no_palette();
}

Rgb ScreenPixel(int x, int y) {
    fake_surface* s = primary();
    if (!s || s->refs == 0 || x < 0 || y < 0 || x >= 640 || y >= 480)
        return Rgb{0, 0, 0};
    size_t at = static_cast<size_t>(y) * static_cast<size_t>(s->pitch) + static_cast<size_t>(x);
    if (at >= s->pixels.size())
        return Rgb{0, 0, 0};
    if (!s->attached)
        return Rgb{0, 0, 0};
    const PALETTEENTRY& e = s->attached->entries[s->pixels[at]];
    return Rgb{e.peRed, e.peGreen, e.peBlue};
}

const std::vector<Palette>& Presents() {
    return st.presents;
}

void SetScreenSize(int width, int height) {
    st.screen_width = width;
    st.screen_height = height;
}

void OnCall(std::function<void(const Call&)> hook) {
    st.hook = std::move(hook);
}

void OnPoll(std::function<void()> hook) {
    st.poll_hook = std::move(hook);
}

void ForgetHistory() {
    st.calls.clear();
    st.boxes.clear();
    st.misuses.clear();
    st.created.clear();
    st.presents.clear();
    // An attached palette is held by its surface, so only palettes nobody can reach go.
    size_t before = st.palettes.size();
    st.palettes.erase(std::remove_if(st.palettes.begin(), st.palettes.end(),
                                     [](const auto& p) { return p->refs == 0; }),
                      st.palettes.end());
    st.palettes_forgotten += before - st.palettes.size();
}

std::string ObjectName(const IDirectDraw* object) {
    for (auto& d : st.directdraws)
        if (d.get() == object)
            return d->name;
    return "";
}
std::string ObjectName(const IDirectDrawSurface* object) {
    for (auto& s : st.surfaces)
        if (s.get() == object)
            return s->name;
    return "";
}
std::string ObjectName(const IDirectDrawPalette* object) {
    fake_palette* p = find_palette(object);
    return p ? p->name : "";
}

int RefCount(const std::string& name) {
    for (auto& d : st.directdraws)
        if (d->name == name)
            return d->refs;
    for (auto& s : st.surfaces)
        if (s->name == name)
            return s->refs;
    for (auto& p : st.palettes)
        if (p->name == name)
            return p->refs;
    return -1;
}

std::string AttachedPaletteName() {
    fake_surface* s = primary();
    return s && s->attached ? s->attached->name : "";
}

const std::vector<Palette>& CreatedPalettes() {
    return st.created;
}

void SetSurfaceBusy(bool busy) {
    st.surface_busy = busy;
}
int LockWaits() {
    return st.lock_waits;
}
const std::vector<std::string>& Misuses() {
    return st.misuses;
}
uint64_t FailedPolls() {
    return st.failed_polls;
}
uint64_t TickReads() {
    return st.tick_reads;
}

} // namespace fake

// ---- The device's side of the layer ----

bool device::PumpInput(DWORD wait_ms) {
    using fake::st;
    if (wait_ms == 0) {
        fake::st.waits_in_a_row = 0;
        st.ticks += st.step;
        return fake::poll();
    }
    // One wait after a poll is PeekMessageA's short wait for input: no time passes.
    if (++st.waits_in_a_row < 2)
        return fake::deliver_due();
    // More in a row: the caller blocks until input comes. Time runs on to the next scripted input.
    if (!st.input.empty()) {
        DWORD ahead = 0xFFFFFFFFu;
        bool any_ahead = false;
        for (const auto& in : st.input)
            if (!fake::reached(in.tick)) {
                ahead = std::min(ahead, static_cast<DWORD>(in.tick - st.ticks));
                any_ahead = true;
            }
        if (any_ahead && std::none_of(st.input.begin(), st.input.end(),
                                      [](const auto& in) { return fake::reached(in.tick); }))
            st.ticks += ahead;
    } else if (!fake::closing_to_come()) {
        ++st.failed_polls;
        return false; // nothing will ever arrive: fail instead of hanging the test
    }
    return fake::poll();
}

bool device::OpenWindow(HWND window, DWORD style) {
    size_t call;
    HRESULT hr =
        fake::begin_call("OpenWindow", fake::window_text(window) + "," + fake::hex(style), &call);
    if (hr == DD_OK)
        fake::st.open_windows.push_back(window);
    return fake::end_call(call, hr == DD_OK);
}

void device::CloseWindow(HWND window) {
    size_t call;
    fake::begin_call("CloseWindow", fake::window_text(window), &call);
    auto& open = fake::st.open_windows;
    open.erase(std::remove(open.begin(), open.end(), window), open.end());
    fake::end_call(call, 0);
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    using fake::st;
    st.boxes.push_back(
        fake::MessageBoxRecord{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "", uType});
    size_t call;
    fake::begin_call("MessageBoxA",
                     fake::window_text(hWnd) + "," + (lpCaption ? lpCaption : "NULL") + "," +
                         fake::hex(uType),
                     &call);
    return fake::end_call(call, IDOK);
}

DWORD WINAPI GetTickCount(void) {
    ++fake::st.tick_reads;
    return fake::st.ticks;
}

int WINAPI ShowCursor(BOOL bShow) {
    using fake::st;
    size_t call;
    fake::begin_call("ShowCursor", std::to_string(bShow), &call);
    st.cursor_count += bShow ? 1 : -1;
    return fake::end_call(call, st.cursor_count);
}

int WINAPI GetSystemMetrics(int nIndex) {
    using fake::st;
    size_t call;
    fake::begin_call("GetSystemMetrics", std::to_string(nIndex), &call);
    int value = nIndex == SM_CXSCREEN   ? st.screen_width
                : nIndex == SM_CYSCREEN ? st.screen_height
                                        : 0;
    return fake::end_call(call, value);
}

HRESULT WINAPI DirectDrawCreate(GUID* lpGUID, LPDIRECTDRAW* lplpDD, IUnknown* pUnkOuter) {
    using fake::st;
    size_t call;
    HRESULT hr =
        fake::begin_call("DirectDrawCreate",
                         fake::pointer_text(lpGUID) + "," + fake::pointer_text(pUnkOuter), &call);
    if (!lplpDD) {
        fake::misuse("DirectDrawCreate without a place for the result");
        return fake::end_call(call, DDERR_INVALIDPARAMS);
    }
    *lplpDD = NULL; // COM clears the result of a failed call
    if (hr != DD_OK)
        return fake::end_call(call, hr);
    std::string name = "directdraw#" + std::to_string(st.directdraws.size() + 1);
    st.directdraws.push_back(std::make_shared<fake::fake_directdraw>(name));
    *lplpDD = st.directdraws.back().get();
    return fake::end_call(call, DD_OK);
}
