#include "platform/sdl/screen.h"

#include <cstring>

namespace sdl {

picture_layout FitPicture(int window_width, int window_height) {
    picture_layout place;
    place.window_width = window_width;
    place.window_height = window_height;
    if (window_width <= 0 || window_height <= 0)
        return place;
    if (window_width * picture_height <= window_height * picture_width) {
        place.width = window_width;
        place.height = window_width * picture_height / picture_width;
    } else {
        place.height = window_height;
        place.width = window_height * picture_width / picture_height;
    }
    place.left = (window_width - place.width) / 2;
    place.top = (window_height - place.height) / 2;
    return place;
}

colour_table ColourTable(const PALETTEENTRY* entries) {
    colour_table colours;
    for (int n = 0; n < 256; ++n) {
        // Alpha 255, so the picture stays opaque whatever blending a renderer applies.
        colours[n] = entries ? 0xFF000000u | uint32_t(entries[n].peRed) << 16 |
                                   uint32_t(entries[n].peGreen) << 8 | entries[n].peBlue
                             : 0xFF000000u;
    }
    return colours;
}

screen::screen(SDL_Window* window) {
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer)
        renderer = SDL_CreateRenderer(window, -1, 0);
    SDL_RendererInfo info;
    if (renderer && SDL_GetRendererInfo(renderer, &info) == 0)
        target_persists = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
}

screen::~screen() {
    if (texture)
        SDL_DestroyTexture(texture);
    if (renderer)
        SDL_DestroyRenderer(renderer);
}

// Follows the window's size; a new layout invalidates everything shown.
void screen::fit_window() {
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(renderer, &width, &height) != 0)
        return;
    if (fitted && width == place.window_width && height == place.window_height)
        return;
    fitted = true;
    if (texture)
        SDL_DestroyTexture(texture);
    texture = nullptr;
    place = FitPicture(width, height);
    if (place.width > 0 && place.height > 0) {
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                    place.width, place.height);
        if (texture)
            SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    }
    source_column.resize(size_t(place.width));
    for (int x = 0; x < place.width; ++x)
        source_column[size_t(x)] = x * picture_width / place.width;
    // Texture row r shows picture row r * 480 / height, so picture row y covers the texture rows
    // from ceil(y * height / 480) up to the next row's first.
    for (int y = 0; y <= picture_height; ++y)
        first_row[size_t(y)] = (y * place.height + picture_height - 1) / picture_height;
    valid = false;
}

void screen::record_rows(const BYTE* pixels, LONG pitch) {
    for (int y = 0; y < picture_height; ++y) {
        const BYTE* row = pixels + ptrdiff_t(y) * pitch;
        index_set set{};
        int previous = -1;
        for (int x = 0; x < picture_width; ++x) {
            if (row[x] == previous)
                continue;
            previous = row[x];
            set[size_t(previous >> 6)] |= uint64_t(1) << (previous & 63);
        }
        row_indexes[size_t(y)] = set;
    }
}

// Writes picture rows [first, last) into the texture: each row is expanded once and repeated for
// every texture row it covers.
void screen::expand_rows(const BYTE* pixels, LONG pitch, int first, int last) {
    int top = first_row[size_t(first)];
    int bottom = first_row[size_t(last)];
    if (!texture || bottom <= top)
        return;
    SDL_Rect band = {0, top, place.width, bottom - top};
    void* locked = nullptr;
    int locked_pitch = 0;
    if (SDL_LockTexture(texture, &band, &locked, &locked_pitch) != 0)
        return;
    BYTE* out = static_cast<BYTE*>(locked);
    for (int y = first; y < last; ++y) {
        int from = first_row[size_t(y)];
        int to = first_row[size_t(y) + 1];
        if (from == to)
            continue;
        const BYTE* source = pixels + ptrdiff_t(y) * pitch;
        uint32_t* row = reinterpret_cast<uint32_t*>(out + ptrdiff_t(from - top) * locked_pitch);
        for (int x = 0; x < place.width; ++x)
            row[x] = shown[source[source_column[size_t(x)]]];
        for (int r = from + 1; r < to; ++r)
            std::memcpy(out + ptrdiff_t(r - top) * locked_pitch, row, size_t(place.width) * 4);
    }
    SDL_UnlockTexture(texture);
    last_rows_written += bottom - top;
}

void screen::show_all() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    if (!target_persists || !texture) {
        // Other renderers' back buffers hold nothing defined after a present: clear it all.
        SDL_RenderClear(renderer);
    } else {
        // The window's own pixels: only the bars beside or above and below the picture need
        // black, and the picture covers the rest.
        const picture_layout& p = place;
        SDL_Rect bars[4] = {
            {0, 0, p.left, p.window_height},
            {p.left + p.width, 0, p.window_width - p.left - p.width, p.window_height},
            {p.left, 0, p.width, p.top},
            {p.left, p.top + p.height, p.width, p.window_height - p.top - p.height},
        };
        for (const SDL_Rect& bar : bars)
            if (bar.w > 0 && bar.h > 0)
                SDL_RenderFillRect(renderer, &bar);
    }
    if (texture) {
        SDL_Rect to = {place.left, place.top, place.width, place.height};
        SDL_RenderCopy(renderer, texture, nullptr, &to);
    }
}

void screen::show_rows(int first, int last) {
    int top = first_row[size_t(first)];
    int bottom = first_row[size_t(last)];
    if (bottom <= top)
        return;
    SDL_Rect from = {0, top, place.width, bottom - top};
    SDL_Rect to = {place.left, place.top + top, place.width, bottom - top};
    SDL_RenderCopy(renderer, texture, &from, &to);
}

void screen::present(const BYTE* pixels, LONG pitch, const colour_table& colours,
                     bool pixels_changed) {
    if (!renderer)
        return;
    fit_window();
    last_rows_written = 0;
    if (pixels_changed || !rows_known) {
        record_rows(pixels, pitch);
        rows_known = true;
        valid = false;
    }
    if (!valid) {
        shown = colours;
        expand_rows(pixels, pitch, 0, picture_height);
        show_all();
        SDL_RenderPresent(renderer);
        valid = true;
        return;
    }

    index_set changed{};
    bool any = false;
    for (int n = 0; n < 256; ++n) {
        if (colours[size_t(n)] != shown[size_t(n)]) {
            changed[size_t(n >> 6)] |= uint64_t(1) << (n & 63);
            any = true;
        }
    }
    if (!any)
        return;
    shown = colours;

    auto holds_changed = [&](int y) {
        const index_set& set = row_indexes[size_t(y)];
        return ((set[0] & changed[0]) | (set[1] & changed[1]) | (set[2] & changed[2]) |
                (set[3] & changed[3])) != 0;
    };
    // Runs of consecutive rows holding a changed index, each expanded and copied as one band.
    bool copy_rows = target_persists;
    for (int y = 0; y < picture_height;) {
        if (!holds_changed(y)) {
            ++y;
            continue;
        }
        int first = y;
        while (y < picture_height && holds_changed(y))
            ++y;
        expand_rows(pixels, pitch, first, y);
        if (copy_rows)
            show_rows(first, y);
    }
    if (!copy_rows)
        show_all();
    SDL_RenderPresent(renderer);
}

void screen::blank() {
    if (!renderer)
        return;
    fit_window();
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderPresent(renderer);
    valid = false;
}

bool screen::read_pixels(std::vector<uint32_t>& argb, int& width, int& height) {
    if (!renderer || SDL_GetRendererOutputSize(renderer, &width, &height) != 0)
        return false;
    argb.assign(size_t(width) * size_t(height), 0);
    return SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, argb.data(),
                                width * 4) == 0;
}

} // namespace sdl
