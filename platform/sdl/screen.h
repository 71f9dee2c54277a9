// The presenter: an 8-bit picture of 640 x 480 expanded through a 256-entry table into a
// streaming ARGB8888 texture, scaled as large as fits the window with 4:3 kept, centred between
// black bars. A present redoes only the rows that hold an index whose colour changed.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <SDL.h>

#include "platform/win32.h"

namespace sdl {

constexpr int picture_width = 640;
constexpr int picture_height = 480;

// Where the picture lands in a window: nearest-neighbour, window pixel (x, y) inside the
// rectangle shows picture pixel ((x - left) * 640 / width, (y - top) * 480 / height).
struct picture_layout {
    int window_width = 0, window_height = 0;
    int left = 0, top = 0, width = 0, height = 0;
};
picture_layout FitPicture(int window_width, int window_height);

// One opaque ARGB8888 colour per palette index.
using colour_table = std::array<uint32_t, 256>;
colour_table ColourTable(const PALETTEENTRY* entries);

class screen {
  public:
    // Renders into the window, which the caller keeps; false from ok() when SDL refused.
    explicit screen(SDL_Window* window);
    ~screen();
    screen(const screen&) = delete;
    screen& operator=(const screen&) = delete;

    bool ok() const { return renderer != nullptr; }

    // Shows the picture through the table. pixels_changed says the picture's bytes may differ
    // from the last present; otherwise only rows holding an index whose colour changed are
    // redone.
    void present(const BYTE* pixels, LONG pitch, const colour_table& colours, bool pixels_changed);
    // The next present redoes everything (the window was exposed or resized).
    void invalidate() { valid = false; }
    // Shows only black, until the next present.
    void blank();

    bool read_pixels(std::vector<uint32_t>& argb, int& width, int& height);
    const picture_layout& layout() const { return place; }
    // Rows of the texture written by the last present, for tests of how much it redid.
    int rows_written() const { return last_rows_written; }

  private:
    using index_set = std::array<uint64_t, 4>;

    void fit_window();
    void record_rows(const BYTE* pixels, LONG pitch);
    void expand_rows(const BYTE* pixels, LONG pitch, int first, int last);
    void show_all();
    void show_rows(int first, int last);

    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    // The software renderer draws into the window's own pixels, which stay between presents, so
    // a partial copy is enough; other renderers get the whole frame every time.
    bool target_persists = false;
    picture_layout place;
    std::vector<int> source_column;                  // per texture column
    std::array<int, picture_height + 1> first_row{}; // texture rows of picture row y
    std::array<index_set, picture_height> row_indexes{};
    std::vector<uint32_t> scaled_row;
    colour_table shown{};
    bool fitted = false;     // the layout follows the window's present size
    bool rows_known = false; // row_indexes describe the picture
    bool valid = false;      // the window shows the picture through `shown`
    int last_rows_written = 0;
};

} // namespace sdl
