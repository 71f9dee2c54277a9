// What a window must show, worked out pixel by pixel and apart from the device's own code: the
// picture scaled as large as fits with 4:3 kept, centred, nearest-neighbour, black outside.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>

#include "platform/win32.h"

namespace reference {

struct rect {
    int x, y, w, h;
};

inline rect PictureRect(int window_w, int window_h) {
    double scale = std::min(window_w / 640.0, window_h / 480.0);
    int w = int(640 * scale + 1e-9), h = int(480 * scale + 1e-9);
    return {(window_w - w) / 2, (window_h - h) / 2, w, h};
}

inline uint32_t Argb(const PALETTEENTRY& e) {
    return 0xFF000000u | uint32_t(e.peRed) << 16 | uint32_t(e.peGreen) << 8 | e.peBlue;
}

// The whole window as ARGB8888, into frame (reused, so long runs do not allocate per frame).
inline void Frame(std::vector<uint32_t>& frame, int window_w, int window_h, const BYTE* pixels,
                  LONG pitch, const PALETTEENTRY* palette) {
    rect r = PictureRect(window_w, window_h);
    frame.assign(size_t(window_w) * size_t(window_h), 0xFF000000u);
    std::vector<int> column(size_t(r.w));
    for (int x = 0; x < r.w; ++x)
        column[size_t(x)] = int(int64_t(x) * 640 / r.w);
    for (int y = 0; y < r.h; ++y) {
        const BYTE* source = pixels + size_t(int64_t(y) * 480 / r.h) * size_t(pitch);
        uint32_t* out = &frame[size_t(r.y + y) * size_t(window_w) + size_t(r.x)];
        for (int x = 0; x < r.w; ++x)
            out[x] = palette ? Argb(palette[source[column[size_t(x)]]]) : 0xFF000000u;
    }
}

inline std::vector<uint32_t> Frame(int window_w, int window_h, const BYTE* pixels, LONG pitch,
                                   const PALETTEENTRY* palette) {
    std::vector<uint32_t> frame;
    Frame(frame, window_w, window_h, pixels, pitch, palette);
    return frame;
}

// Empty when equal; else where the first difference is and how many pixels differ.
inline std::string Compare(const std::vector<uint32_t>& shown, const std::vector<uint32_t>& want,
                           int window_w) {
    if (shown.size() != want.size())
        return "frame sizes differ";
    size_t first = shown.size(), count = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        // The read-back's alpha is the window's, not the picture's; colours must match exactly.
        if ((shown[i] & 0xFFFFFFu) != (want[i] & 0xFFFFFFu)) {
            if (first == shown.size())
                first = i;
            ++count;
        }
    }
    if (count == 0)
        return "";
    char text[160];
    std::snprintf(text, sizeof(text), "%zu pixels differ, first at (%d, %d): shown %06X, want %06X",
                  count, int(first % size_t(window_w)), int(first / size_t(window_w)),
                  shown[first] & 0xFFFFFFu, want[first] & 0xFFFFFFu);
    return text;
}

// The grid: block row r, column c (40 x 30 pixels) holds index 16r + c.
inline void DrawGrid(BYTE* pixels, LONG pitch) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            pixels[size_t(y) * size_t(pitch) + size_t(x)] = BYTE(16 * (y / 30) + x / 40);
}

// Tests run on SDL's offscreen driver unless the caller chose another.
inline void UseOffscreenVideo() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
}

} // namespace reference
