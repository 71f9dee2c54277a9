// The presenter against a full expansion worked out apart from it: every frame, after long random
// runs of picture writes and palette changes, at window sizes that scale up, down, exactly and not
// at all, with bars at the sides or above and below.
#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sdl/screen.h"
#include "reference.h"

namespace {

struct window_size {
    int w, h;
};

void PrintTo(const window_size& s, std::ostream* os) {
    *os << s.w << "x" << s.h;
}

// A pitch wider than the picture, so a presenter that takes 640 for the pitch shows it.
constexpr LONG test_pitch = 700;

class Present : public testing::TestWithParam<window_size> {
  protected:
    void SetUp() override {
        reference::UseOffscreenVideo();
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        size = GetParam();
        window = SDL_CreateWindow("present test", 0, 0, size.w, size.h, 0);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        view = std::make_unique<sdl::screen>(window);
        ASSERT_TRUE(view->ok()) << SDL_GetError();
        pixels.assign(size_t(test_pitch) * 480, 0);
        // Bytes past column 639 are not the picture's: an index there that shows is a fault.
        for (int y = 0; y < 480; ++y)
            for (int x = 640; x < test_pitch; ++x)
                pixels[size_t(y) * test_pitch + size_t(x)] = 255;
        reference::DrawGrid(pixels.data(), test_pitch);
        for (int n = 0; n < 256; ++n)
            palette[size_t(n)] = {BYTE(n), BYTE(255 - n), BYTE(n * 7), 0};
    }

    void TearDown() override {
        view.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // Presents, then compares the whole window with the full expansion.
    void present_and_check(bool pixels_changed, const std::string& step) {
        view->present(pixels.data(), test_pitch, sdl::ColourTable(palette.data()), pixels_changed);
        check(step);
    }

    void check(const std::string& step) {
        int w = 0, h = 0;
        ASSERT_TRUE(view->read_pixels(shown, w, h)) << SDL_GetError();
        ASSERT_EQ(w, size.w);
        ASSERT_EQ(h, size.h);
        reference::Frame(want, size.w, size.h, pixels.data(), test_pitch, palette.data());
        ASSERT_EQ(reference::Compare(shown, want, size.w), "") << "after " << step;
    }

    window_size size{};
    SDL_Window* window = nullptr;
    std::unique_ptr<sdl::screen> view;
    std::vector<BYTE> pixels;
    std::array<PALETTEENTRY, 256> palette{};
    std::vector<uint32_t> shown, want;
};

PALETTEENTRY RandomColour(std::mt19937& rng) {
    return {BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
}

TEST_P(Present, EveryFrameOfALongRandomRunIsTheFullExpansion) {
    std::mt19937 rng(uint32_t(size.w * 7919 + size.h));
    present_and_check(true, "the first present");
    int partial = 0;
    int full_rows = view->rows_written();
    for (int step = 0; step < 300; ++step) {
        std::string what;
        bool pixels_changed = false;
        switch (rng() % 10) {
        case 0:
        case 1: { // one entry, in the picture or not
            int n = int(rng() % 256);
            palette[size_t(n)] = RandomColour(rng);
            what = "entry " + std::to_string(n);
            break;
        }
        case 2:
        case 3: { // a run of entries
            int first = int(rng() % 256);
            int count = 1 + int(rng() % 40);
            for (int n = first; n < std::min(256, first + count); ++n)
                palette[size_t(n)] = RandomColour(rng);
            what = "entries from " + std::to_string(first);
            break;
        }
        case 4: // every entry
            for (PALETTEENTRY& e : palette)
                e = RandomColour(rng);
            what = "all entries";
            break;
        case 5: // nothing changed at all
            what = "no change";
            break;
        case 6: { // a cycling pass: 229..253 move one place, 254 steps
            PALETTEENTRY top = palette[253];
            for (int n = 253; n > 229; --n)
                palette[size_t(n)] = palette[size_t(n) - 1];
            palette[229] = top;
            palette[254].peRed = BYTE(palette[254].peRed + 16);
            what = "a cycling pass";
            break;
        }
        case 7: { // a rectangle of one index
            int x0 = int(rng() % 640), y0 = int(rng() % 480);
            int x1 = std::min(640, x0 + 1 + int(rng() % 200));
            int y1 = std::min(480, y0 + 1 + int(rng() % 100));
            BYTE index = BYTE(rng());
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    pixels[size_t(y) * test_pitch + size_t(x)] = index;
            pixels_changed = true;
            what = "a rectangle of " + std::to_string(index);
            break;
        }
        case 8: // single pixels anywhere
            for (int i = 0; i < 64; ++i)
                pixels[size_t(rng() % 480) * test_pitch + rng() % 640] = BYTE(rng());
            pixels_changed = true;
            what = "scattered pixels";
            break;
        default: // the grid again, with a palette change in the same present
            reference::DrawGrid(pixels.data(), test_pitch);
            palette[size_t(rng() % 256)] = RandomColour(rng);
            pixels_changed = true;
            what = "the grid";
            break;
        }
        ASSERT_NO_FATAL_FAILURE(
            present_and_check(pixels_changed, "step " + std::to_string(step) + ", " + what));
        if (!pixels_changed && view->rows_written() < full_rows)
            ++partial;
    }
    // The run must have gone through the partial path, or it proved nothing about it.
    EXPECT_GT(partial, 100);
}

// The texture rows that show picture rows [first, last): row r shows picture row r * 480 / h.
int TextureRows(int height, int first, int last) {
    int rows = 0;
    for (int r = 0; r < height; ++r) {
        int y = r * 480 / height;
        rows += y >= first && y < last;
    }
    return rows;
}

std::vector<int> Every() {
    std::vector<int> entries(256);
    for (int n = 0; n < 256; ++n)
        entries[size_t(n)] = n;
    return entries;
}

TEST_P(Present, RedoesOnlyTheRowsThatHoldAChangedIndex) {
    struct change_case {
        const char* name;
        std::vector<int> entries;
        std::vector<std::pair<int, int>> rows; // picture rows that must be redone
    };
    const change_case cases[] = {
        {"none", {}, {}},
        {"the cycling entries 229..254", {229, 240, 247, 253, 254}, {{420, 480}}},
        {"entry 0", {0}, {{0, 30}}},
        {"entries 17 and 250, two bands", {17, 250}, {{30, 60}, {450, 480}}},
        {"entries 15 and 16, two neighbouring block rows", {15, 16}, {{0, 60}}},
        {"every entry", Every(), {{0, 480}}},
    };
    present_and_check(true, "the first present");
    int height = view->layout().height;
    EXPECT_EQ(view->rows_written(), height);
    for (const change_case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int n : c.entries)
            palette[size_t(n)].peBlue = BYTE(palette[size_t(n)].peBlue ^ 0x55);
        ASSERT_NO_FATAL_FAILURE(present_and_check(false, c.name));
        int want = 0;
        for (const auto& band : c.rows)
            want += TextureRows(height, band.first, band.second);
        EXPECT_EQ(view->rows_written(), want);
    }
    // Pixels that changed make everything new, whatever the palette did.
    ASSERT_NO_FATAL_FAILURE(present_and_check(true, "pixels changed"));
    EXPECT_EQ(view->rows_written(), height);
}

TEST_P(Present, AnIndexThatIsNowhereInThePictureRedoesNothing) {
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            pixels[size_t(y) * test_pitch + size_t(x)] = BYTE(x < 320 ? 3 : 9);
    present_and_check(true, "two halves");
    palette[4].peRed ^= 0xFF;
    palette[255].peGreen ^= 0xFF; // only in the bytes past column 639
    ASSERT_NO_FATAL_FAILURE(present_and_check(false, "entries 4 and 255"));
    EXPECT_EQ(view->rows_written(), 0);
    palette[9].peRed ^= 0xFF;
    ASSERT_NO_FATAL_FAILURE(present_and_check(false, "entry 9"));
    EXPECT_EQ(view->rows_written(), view->layout().height);
}

TEST_P(Present, FollowsTheWindowToANewSize) {
    present_and_check(true, "the first present");
    window_size other = {size.h + 37, size.w / 2 + 11};
    SDL_SetWindowSize(window, other.w, other.h);
    size = other;
    // Nothing changed but the window: the present must lay the picture out anew.
    ASSERT_NO_FATAL_FAILURE(present_and_check(false, "the resize"));
    palette[250].peRed ^= 0xFF;
    ASSERT_NO_FATAL_FAILURE(present_and_check(false, "entry 250 after the resize"));
}

TEST_P(Present, InvalidateRedoesEverything) {
    present_and_check(true, "the first present");
    view->invalidate();
    ASSERT_NO_FATAL_FAILURE(present_and_check(false, "invalidate"));
    EXPECT_EQ(view->rows_written(), view->layout().height);
}

TEST_P(Present, BlankShowsBlackUntilTheNextPresent) {
    present_and_check(true, "the first present");
    view->blank();
    std::vector<uint32_t> shown;
    int w = 0, h = 0;
    ASSERT_TRUE(view->read_pixels(shown, w, h));
    for (uint32_t p : shown)
        ASSERT_EQ(p & 0xFFFFFFu, 0u);
    // After a blank the next present must not take the window for what it last showed.
    ASSERT_NO_FATAL_FAILURE(present_and_check(false, "the present after blank"));
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, Present,
                         testing::Values(window_size{800, 450},  // wider: bars left and right
                                         window_size{500, 700},  // taller: bars above and below
                                         window_size{1024, 768}, // 4:3, scaled by 1.6
                                         window_size{640, 480},  // the picture's own size
                                         window_size{333, 250}), // smaller: rows and columns drop
                         [](const testing::TestParamInfo<window_size>& info) {
                             return std::to_string(info.param.w) + "x" +
                                    std::to_string(info.param.h);
                         });

TEST(FitPicture, KeepsFourToThreeCentredAndAsLargeAsFits) {
    struct fit_case {
        int window_w, window_h;
        reference::rect want;
    };
    const fit_case cases[] = {
        {640, 480, {0, 0, 640, 480}},
        {1024, 768, {0, 0, 1024, 768}},
        {1920, 1080, {240, 0, 1440, 1080}},
        {800, 450, {100, 0, 600, 450}},
        {500, 700, {0, 162, 500, 375}},
        {1366, 768, {171, 0, 1024, 768}},
        {1280, 1024, {0, 32, 1280, 960}},
        {641, 480, {0, 0, 640, 480}},
        {3, 2, {0, 0, 2, 2}},
        {0, 0, {0, 0, 0, 0}},
    };
    for (const fit_case& c : cases) {
        sdl::picture_layout got = sdl::FitPicture(c.window_w, c.window_h);
        SCOPED_TRACE(std::to_string(c.window_w) + "x" + std::to_string(c.window_h));
        EXPECT_EQ(got.left, c.want.x);
        EXPECT_EQ(got.top, c.want.y);
        EXPECT_EQ(got.width, c.want.w);
        EXPECT_EQ(got.height, c.want.h);
    }
}

} // namespace
