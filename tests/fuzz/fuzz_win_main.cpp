// libFuzzer target: one input is a palette file and a script of events (clock steps, keys of every
// code, activation changes, failed polls, a close) that drives a whole run of WinMain on the fake
// device. After every poll it checks what must hold whatever the input: the exponent and the
// speed factor are what the delivered keys made them, the program holds at most one palette
// object (a failed SetPalette leaves the old one held by the surface alone), no byte outside the
// locked picture is written, the entries the animation does not own are the file's colours
// through the current brightness curve, and after the run every object is released and the mode
// restored. Any breach traps.
//
// Input layout (every field optional; missing bytes read as zero):
//   0      argument mode: 0..5 a palette file, 6 no argument, 7 a path that does not exist;
//          odd file modes add extra arguments after the path
//   1      surface pitch: 641 + 3 * (byte % 128), always wider than the picture
//   2      surface sentinel byte
//   3..6   tick count at start, little-endian
//   7, 8   a DirectDraw or window call to fail: byte 7 >= 200 picks the call, byte 8 the occurrence
//   9, 10  palette file length, little-endian, modulo 1025
//   then   the palette file's bytes, then the script: two bytes per event, one event per poll
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "animation/cycling.h"
#include "display/display.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"
#include "viewer/viewer.h"

namespace {

constexpr double exponent_min = 1.0;                // the floor: the last lower is clamped onto it
constexpr double exponent_max = 1.7069999999999894; // the hundred-and-first raise
constexpr int width = 640;
constexpr int height = 480;

const char* const failable_calls[] = {
    "DirectDrawCreate",   "SetCooperativeLevel", "SetDisplayMode", "CreateSurface",
    "CreatePalette",      "SetPalette",          "Lock",           "Unlock",
    "RestoreDisplayMode", "OpenWindow",
};
const WPARAM viewer_keys[] = {VK_ESCAPE, VK_PRIOR, VK_NEXT, VK_ADD, VK_SUBTRACT};

void check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "fuzz invariant broken: %s\n", what);
        __builtin_trap();
    }
}

// What the keys sent so far make of the exponent and the speed factor, after each of them.
struct key_state {
    double exponent;
    DWORD speed;
};

struct run {
    const uint8_t* script;
    size_t script_size;
    size_t next_event;
    bool closing;

    unsigned char file[PALETTE_BYTES]; // the palette as the file fills it, zero beyond its end
    bool failure_injected;
    bool restore_fails;
    bool input_failed;
    BYTE sentinel;

    std::vector<key_state> after_key; // [0] is the start; [k] after the k-th key sent
    size_t keys_handled;              // the prefix of keys the program has handled so far
    std::vector<double> exponents;    // every exponent the program has held, for stale palettes

    size_t presents_checked;
    size_t calls_checked;
    double expected_for;
    PALETTEENTRY expected[PALETTE_ENTRIES];
};

run current;

key_state apply_key(key_state s, WPARAM key) {
    switch (key) {
    case VK_PRIOR:
        if (s.speed > 1)
            --s.speed;
        break;
    case VK_NEXT:
        if (s.speed < 10)
            ++s.speed;
        break;
    case VK_ADD:
        if (s.exponent < 1.7)
            s.exponent += 0.007;
        break;
    case VK_SUBTRACT:
        if (s.exponent > 1.0) {
            s.exponent -= 0.007;
            if (s.exponent < 1.0)
                s.exponent = 1.0;
        }
        break;
    }
    return s;
}

// The device entries a palette file gives under an exponent, worked out here from the file alone.
void convert_file(const unsigned char* file, double exponent, PALETTEENTRY* out) {
    unsigned char curve[64];
    for (int i = 0; i < 64; ++i) {
        double x = std::pow(static_cast<double>(i), exponent);
        curve[i] = x > 63.0 ? 63 : x > 0.0 ? static_cast<unsigned char>(x) : 0;
    }
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        const unsigned char* c = &file[3 * n];
        bool valid = c[0] <= 63 && c[1] <= 63 && c[2] <= 63;
        out[n].peRed = valid ? static_cast<BYTE>(curve[c[0]] * 4) : 0;
        out[n].peGreen = valid ? static_cast<BYTE>(curve[c[1]] * 4) : 0;
        out[n].peBlue = valid ? static_cast<BYTE>(curve[c[2]] * 4) : 0;
        out[n].peFlags = 0;
    }
}

bool same_entry(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue &&
           a.peFlags == b.peFlags;
}

// The entries outside the animated block 229..254.
bool file_entries_match(const fake::Palette& shown, const PALETTEENTRY* expected) {
    for (int n = 0; n < PALETTE_ENTRIES; ++n)
        if ((n < 229 || n == 255) && !same_entry(shown[n], expected[n]))
            return false;
    return true;
}

bool matches_some_exponent(const fake::Palette& shown) {
    PALETTEENTRY candidate[PALETTE_ENTRIES];
    for (double e : current.exponents) {
        convert_file(current.file, e, candidate);
        if (file_entries_match(shown, candidate))
            return true;
    }
    return false;
}

void check_keys() {
    // Keys arrive in the order they were sent, so what the program holds is the state after some
    // prefix of them, never an earlier one than it held before.
    key_state now{BrightnessExponent, SpeedFactor};
    check(now.exponent >= exponent_min && now.exponent <= exponent_max, "exponent out of bounds");
    check(now.speed >= 1 && now.speed <= 10, "speed factor out of bounds");
    if (current.exponents.back() != now.exponent)
        current.exponents.push_back(now.exponent);
    // A failed poll may hand a message over twice; then only the bounds hold.
    if (current.input_failed)
        return;
    size_t k = current.keys_handled;
    while (k < current.after_key.size() && (current.after_key[k].exponent != now.exponent ||
                                            current.after_key[k].speed != now.speed))
        ++k;
    check(k < current.after_key.size(), "exponent or speed not reachable by the keys sent");
    current.keys_handled = k;
}

void check_presents() {
    const std::vector<fake::Palette>& presents = fake::Presents();
    if (current.expected_for != BrightnessExponent) {
        convert_file(current.file, BrightnessExponent, current.expected);
        current.expected_for = BrightnessExponent;
    }
    for (size_t i = current.presents_checked; i < presents.size(); ++i) {
        const fake::Palette& shown = presents[i];
        bool all_black = true;
        for (const PALETTEENTRY& e : shown) {
            check(e.peRed % 4 == 0 && e.peGreen % 4 == 0 && e.peBlue % 4 == 0,
                  "a device component that is not a 6-bit value shifted by 2");
            check(e.peFlags == 0, "palette entry flags set");
            all_black = all_black && e.peRed == 0 && e.peGreen == 0 && e.peBlue == 0;
        }
        // The black palette the display starts with comes before any conversion.
        if (i == 0 && all_black)
            continue;
        // After a failed installation the palette shown can be an older one.
        if (current.failure_injected)
            check(matches_some_exponent(shown), "file entries match no exponent held");
        else
            check(file_entries_match(shown, current.expected),
                  "file entries differ from the file through the current exponent");
    }
    current.presents_checked = presents.size();
}

// Row y of the picture as the grid paints it.
const BYTE* grid_row(int y) {
    static BYTE rows[16][width];
    static bool made = false;
    if (!made) {
        for (int r = 0; r < 16; ++r)
            for (int x = 0; x < width; ++x)
                rows[r][x] = static_cast<BYTE>(16 * r + x / 40);
        made = true;
    }
    return rows[y / 30];
}

// Each pixel holds its grid index or the sentinel it started with; bytes past the picture keep
// the sentinel.
void check_surface() {
    const std::vector<BYTE>& bytes = fake::SurfaceBytes();
    if (bytes.empty())
        return;
    LONG pitch = fake::SurfacePitch();
    check(bytes.size() == static_cast<size_t>(pitch) * height, "surface size changed");
    std::vector<BYTE> untouched(static_cast<size_t>(pitch), current.sentinel);
    for (int y = 0; y < height; ++y) {
        const BYTE* row = &bytes[static_cast<size_t>(y) * pitch];
        const BYTE* grid = grid_row(y);
        if (memcmp(row, grid, width) != 0 && memcmp(row, untouched.data(), width) != 0)
            for (int x = 0; x < width; ++x)
                check(row[x] == grid[x] || row[x] == current.sentinel, "a pixel off the grid");
        check(memcmp(row + width, untouched.data(), pitch - width) == 0,
              "a byte written past column 639");
    }
}

// The surface changes only between a Lock and an Unlock: scan it when either was called.
void check_surface_if_touched() {
    const std::vector<fake::Call>& calls = fake::Calls();
    bool touched = false;
    for (size_t i = current.calls_checked; i < calls.size(); ++i)
        touched = touched || calls[i].name == "Lock" || calls[i].name == "Unlock";
    current.calls_checked = calls.size();
    if (touched)
        check_surface();
}

void check_step() {
    // After a failed SetPalette the surface still holds the palette the program let go; only
    // the palettes the program holds count.
    std::string attached = fake::AttachedPaletteName();
    int device_only = !attached.empty() && fake::RefCount(attached) == 1 ? 1 : 0;
    check(fake::LivePalettes() - device_only <= 1, "the program holds more than one palette");
    check(fake::LiveSurfaces() <= 1, "more than one live surface");
    check(fake::LiveDirectDraws() <= 1, "more than one live DirectDraw object");
    check_keys();
    check_presents();
    check_surface_if_touched();
}

void send_key(WPARAM key) {
    fake::ScheduleKey(fake::Ticks(), key);
    current.after_key.push_back(apply_key(current.after_key.back(), key));
}

// One script event per poll; a close once the script is spent.
void play_event() {
    if (current.closing)
        return;
    if (current.next_event + 2 > current.script_size) {
        fake::ScheduleClose(fake::Ticks());
        current.closing = true;
        return;
    }
    uint8_t op = current.script[current.next_event];
    uint8_t arg = current.script[current.next_event + 1];
    current.next_event += 2;
    DWORD now = fake::Ticks();
    switch (op % 16) {
    case 0:
    case 1:
    case 2:
    case 3:
        fake::SetTicks(now + arg);
        break;
    case 4:
        fake::SetTicks(now + 64u * arg);
        break;
    case 5:
        fake::SetTicks(now + 65536u * arg);
        break;
    case 6: // just short of the counter's wrap
        fake::SetTicks(0xFFFFFFFFu - 4u * arg);
        break;
    case 7:
        send_key(viewer_keys[arg % 5]);
        break;
    case 8:
    case 9:
    case 10:
        send_key(arg);
        break;
    case 11:
        fake::ScheduleActivation(now, arg & 1);
        break;
    case 12:
        fake::ScheduleClose(now);
        current.closing = true;
        break;
    case 13:
        fake::ScheduleInputFailure(now);
        current.input_failed = true;
        break;
    case 14:
        fake::SetTickStep(arg);
        break;
    default: // a poll with nothing new
        break;
    }
}

void on_poll() {
    check_step();
    play_event();
}

uint8_t byte_at(const uint8_t* data, size_t size, size_t i) {
    return i < size ? data[i] : 0;
}

std::string write_palette_file(const uint8_t* bytes, size_t size) {
    static std::string path = "/tmp/quarnel-fuzz-" + std::to_string(getpid()) + ".pal";
    FILE* f = fopen(path.c_str(), "wb");
    check(f != nullptr, "cannot write the palette file");
    if (size > 0)
        check(fwrite(bytes, 1, size, f) == size, "short write of the palette file");
    fclose(f);
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetProgramState();

    uint8_t mode = byte_at(data, size, 0) % 8;
    LONG pitch = 641 + 3 * (byte_at(data, size, 1) % 128);
    BYTE sentinel = byte_at(data, size, 2);
    DWORD start = static_cast<DWORD>(byte_at(data, size, 3)) |
                  static_cast<DWORD>(byte_at(data, size, 4)) << 8 |
                  static_cast<DWORD>(byte_at(data, size, 5)) << 16 |
                  static_cast<DWORD>(byte_at(data, size, 6)) << 24;
    uint8_t fail_pick = byte_at(data, size, 7);
    int fail_occurrence = 1 + byte_at(data, size, 8) % 8;
    size_t file_size = (byte_at(data, size, 9) | byte_at(data, size, 10) << 8) % 1025;
    size_t header = 11;
    const uint8_t* file_bytes = data + (size < header ? size : header);
    size_t available = size > header ? size - header : 0;
    if (file_size > available)
        file_size = available;

    current = run{};
    current.script = file_bytes + file_size;
    current.script_size = available - file_size;
    current.sentinel = sentinel;
    current.after_key.push_back({1.0, 1});
    current.exponents.push_back(1.0);
    current.expected_for = -1.0;
    if (mode < 6)
        memcpy(current.file, file_bytes, file_size < PALETTE_BYTES ? file_size : PALETTE_BYTES);

    fake::SetSurfacePitch(pitch);
    fake::SetSurfaceSentinel(sentinel);
    fake::SetTicks(start);
    if (fail_pick >= 200) {
        const char* name = failable_calls[fail_pick % 10];
        fake::FailCall(name, fail_occurrence);
        current.failure_injected = true;
        current.restore_fails = strcmp(name, "RestoreDisplayMode") == 0;
    }
    // Every run ends: the script closes the window when it is spent, this if nothing else does.
    fake::SetPollLimit(current.script_size + 1000);
    fake::OnPoll(on_poll);

    std::string path = mode < 6 ? write_palette_file(file_bytes, file_size) : "/nonexistent/q.pal";
    std::vector<std::string> args{"quarnel"};
    if (mode != 6)
        args.push_back(path);
    if (mode < 6 && (mode & 1)) {
        args.push_back("--extra");
        args.push_back("more");
    }
    SetArguments(args);

    int code = RunWinMain();
    fake::OnPoll(nullptr);

    check_step();
    check_surface();
    check(code == 0 || (code == 1 && current.failure_injected), "WinMain's exit code");
    check(fake::LivePalettes() == 0 && fake::LiveSurfaces() == 0 && fake::LiveDirectDraws() == 0,
          "display objects alive after WinMain returned");
    check(!fake::DisplayModeSet() || current.restore_fails, "the display mode was not restored");
    int warnings = 0;
    for (const fake::MessageBoxRecord& box : fake::MessageBoxes())
        warnings += box.caption == "Tintrel";
    check(warnings == (mode < 6 ? 0 : 1), "palette warnings other than one per missing file");

    if (mode < 6)
        unlink(path.c_str());
    return 0;
}
