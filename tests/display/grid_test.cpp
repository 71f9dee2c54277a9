// DrawPaletteGrid on the fake's primary surface: the picture, the row pitch and a failed lock.
#include <gtest/gtest.h>

#include "display/display.h"
#include "display/grid.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(uintptr_t{7});
const BYTE kSentinel = 0xA5;

BYTE Pixel(int x, int y) {
    return fake::SurfaceBytes()[static_cast<size_t>(y) * static_cast<size_t>(fake::SurfacePitch()) +
                                static_cast<size_t>(x)];
}

class GridTest : public testing::TestWithParam<LONG> {
  protected:
    void SetUp() override {
        ResetProgramState();
        fake::SetSurfaceSentinel(kSentinel);
        fake::SetSurfacePitch(GetParam());
        for (int n = 0; n < PALETTE_ENTRIES; ++n) {
            WorkPalette[3 * n] = static_cast<unsigned char>(n % 64);
            WorkPalette[3 * n + 1] = static_cast<unsigned char>(n / 4);
            WorkPalette[3 * n + 2] = static_cast<unsigned char>(n % 7);
        }
        BuildBrightnessTable();
        ASSERT_EQ(InitDisplay(kWindow), 1);
        ASSERT_EQ(ApplyPalette(), 1);
    }
    void TearDown() override { EXPECT_TRUE(fake::Misuses().empty()) << fake::Misuses()[0]; }
};

TEST_P(GridTest, EveryIndexIsOneWholeBlock) {
    DrawPaletteGrid();
    std::vector<int> count(256, 0);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            int expected = 16 * (y / 30) + x / 40;
            ASSERT_EQ(Pixel(x, y), expected) << "pixel (" << x << "," << y << ")";
            ++count[Pixel(x, y)];
        }
    for (int n = 0; n < 256; ++n)
        EXPECT_EQ(count[n], 40 * 30) << "index " << n;
}

TEST_P(GridTest, SamplePixels) {
    DrawPaletteGrid();
    struct Sample {
        int x, y, index;
    };
    for (Sample s : {Sample{0, 0, 0}, Sample{639, 479, 255}, Sample{40, 0, 1}, Sample{0, 30, 16},
                     Sample{39, 29, 0}, Sample{40, 30, 17}, Sample{14 * 40, 15 * 30, 254},
                     Sample{5 * 40, 14 * 30, 229}, Sample{15 * 40 + 39, 14 * 30 + 29, 239}})
        EXPECT_EQ(Pixel(s.x, s.y), s.index) << "pixel (" << s.x << "," << s.y << ")";
}

// Only a pitch wider than the mode has bytes beyond the row.
class WidePitchGridTest : public GridTest {};

TEST_P(WidePitchGridTest, LeavesTheBytesBeyondTheRowAlone) {
    DrawPaletteGrid();
    LONG pitch = fake::SurfacePitch();
    const auto& bytes = fake::SurfaceBytes();
    ASSERT_EQ(bytes.size(), static_cast<size_t>(pitch) * 480);
    for (int y = 0; y < 480; ++y)
        for (LONG x = 640; x < pitch; ++x)
            ASSERT_EQ(bytes[static_cast<size_t>(y) * pitch + x], kSentinel)
                << "byte " << x << " of row " << y;
}

TEST_P(GridTest, LocksWithWaitAndPresentsOnUnlock) {
    size_t before = fake::Calls().size();
    size_t presents = fake::Presents().size();
    DrawPaletteGrid();
    std::vector<std::string> made;
    for (size_t i = before; i < fake::Calls().size(); ++i)
        made.push_back(fake::Calls()[i].ToString());
    char lock[64];
    std::snprintf(lock, sizeof lock, "Lock(surface#1,NULL,0x%x,NULL)", DDLOCK_WAIT);
    EXPECT_EQ(made, (std::vector<std::string>{lock, "Unlock(surface#1,NULL)"}));
    EXPECT_EQ(fake::Presents().size(), presents + 1);
}

TEST_P(GridTest, ABusySurfaceIsWaitedFor) {
    fake::SetSurfaceBusy(true);
    DrawPaletteGrid();
    EXPECT_EQ(fake::LockWaits(), 1);
    EXPECT_EQ(Pixel(639, 479), 255);
}

TEST_P(GridTest, AFailedLockWritesNothing) {
    fake::FailCall("Lock", 1, DDERR_SURFACELOST);
    DrawPaletteGrid();
    for (BYTE b : fake::SurfaceBytes())
        ASSERT_EQ(b, kSentinel);
    EXPECT_EQ(fake::CountCalls("Unlock"), 0);
}

TEST_P(GridTest, TheScreenShowsEachBlockInItsEntrysColour) {
    DrawPaletteGrid();
    fake::Palette attached = fake::AttachedPalette();
    for (int n = 0; n < 256; ++n) {
        int x = 40 * (n % 16) + 20, y = 30 * (n / 16) + 15;
        EXPECT_EQ(fake::ScreenPixel(x, y),
                  (fake::Rgb{attached[n].peRed, attached[n].peGreen, attached[n].peBlue}))
            << "block of index " << n;
    }
    EXPECT_EQ(fake::ScreenPixel(639, 0).r, 4 * 15);
}

TEST_P(GridTest, DrawingTwiceGivesTheSamePicture) {
    DrawPaletteGrid();
    std::vector<BYTE> first = fake::SurfaceBytes();
    DrawPaletteGrid();
    EXPECT_EQ(fake::SurfaceBytes(), first);
}

INSTANTIATE_TEST_SUITE_P(Pitches, GridTest, testing::Values(640, 1024),
                         [](const auto& info) { return "Pitch" + std::to_string(info.param); });
INSTANTIATE_TEST_SUITE_P(Pitches, WidePitchGridTest, testing::Values(641, 1024),
                         [](const auto& info) { return "Pitch" + std::to_string(info.param); });

TEST(GridWithoutDisplay, DrawsNothing) {
    ResetProgramState();
    DrawPaletteGrid();
    EXPECT_TRUE(fake::Calls().empty());
    EXPECT_TRUE(fake::SurfaceBytes().empty());
}

} // namespace
