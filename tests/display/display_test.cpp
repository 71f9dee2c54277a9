// InitDisplay, ApplyPalette and ReleaseDisplay on the fake device: the calls made, the references
// held, and what is attached.
#include <gtest/gtest.h>

#include "display/display.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(uintptr_t{7});

std::string Hex(unsigned long v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", v);
    return text;
}

const std::string kPaletteCaps = Hex(DDPCAPS_8BIT | DDPCAPS_ALLOW256);

std::vector<std::string> CallsFrom(size_t first) {
    std::vector<std::string> out;
    const auto& calls = fake::Calls();
    for (size_t i = first; i < calls.size(); ++i)
        out.push_back(calls[i].ToString());
    return out;
}

// The whole set-up, as each step is expected to call it.
std::vector<std::string> FullInit() {
    return {
        "DirectDrawCreate(NULL,NULL)",
        "SetCooperativeLevel(7," + Hex(DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) + ")",
        "SetDisplayMode(640,480,8)",
        "CreateSurface(" + std::to_string(sizeof(DDSURFACEDESC)) + "," + Hex(DDSD_CAPS) +
            ",0,0,0,0,NULL," + Hex(DDSCAPS_PRIMARYSURFACE) + ")",
        "CreatePalette(" + kPaletteCaps + ",palette#1)",
        "SetPalette(surface#1,palette#1)",
    };
}

// A working palette whose every entry differs, in valid components.
void FillWorkPalette() {
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        WorkPalette[3 * n] = static_cast<unsigned char>(n % 64);
        WorkPalette[3 * n + 1] = static_cast<unsigned char>((n / 4) % 64);
        WorkPalette[3 * n + 2] = static_cast<unsigned char>(63 - n % 64);
    }
}

bool AllBlack(const fake::Palette& p) {
    for (const PALETTEENTRY& e : p)
        if (e.peRed || e.peGreen || e.peBlue || e.peFlags)
            return false;
    return true;
}

void ExpectNothingLive() {
    EXPECT_EQ(fake::LiveDirectDraws(), 0);
    EXPECT_EQ(fake::LiveSurfaces(), 0);
    EXPECT_EQ(fake::LivePalettes(), 0);
    EXPECT_EQ(lpDD, nullptr);
    EXPECT_EQ(lpSurface, nullptr);
    EXPECT_EQ(lpPalette, nullptr);
}

class DisplayTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        FillWorkPalette();
        BuildBrightnessTable();
    }
    void TearDown() override { EXPECT_TRUE(fake::Misuses().empty()) << fake::Misuses()[0]; }
};

TEST_F(DisplayTest, InitDisplayTakesTheScreenInSixSteps) {
    ASSERT_EQ(InitDisplay(kWindow), 1);
    EXPECT_EQ(CallsFrom(0), FullInit());
    EXPECT_TRUE(fake::DisplayModeSet());
    EXPECT_EQ(fake::ObjectName(lpDD), "directdraw#1");
    EXPECT_EQ(fake::ObjectName(lpSurface), "surface#1");
    EXPECT_EQ(fake::ObjectName(lpPalette), "palette#1");
    EXPECT_EQ(fake::AttachedPaletteName(), "palette#1");
    // Black until the first ApplyPalette, although the working palette holds colours.
    EXPECT_TRUE(AllBlack(fake::AttachedPalette()));
    ASSERT_FALSE(fake::Presents().empty());
    EXPECT_TRUE(AllBlack(fake::Presents().back()));
    EXPECT_EQ(fake::ScreenPixel(320, 240), (fake::Rgb{0, 0, 0}));
}

struct InitFailure {
    const char* step;
    int occurrence;
    bool holds_object, holds_surface, holds_palette;
    std::vector<std::string> release_calls;
};

void PrintTo(const InitFailure& c, std::ostream* os) {
    *os << c.step;
}

class InitDisplayFailureTest : public DisplayTest,
                               public testing::WithParamInterface<InitFailure> {};

TEST_P(InitDisplayFailureTest, StopsAtTheFailedStepAndLeavesTheRestToRelease) {
    const InitFailure& c = GetParam();
    fake::FailCall(c.step, c.occurrence);

    EXPECT_EQ(InitDisplay(kWindow), 0);

    // Every step up to the failed one, and none after it.
    std::vector<std::string> expected = FullInit();
    size_t failed = 0;
    while (failed < expected.size() && expected[failed].rfind(c.step, 0) != 0)
        ++failed;
    ASSERT_LT(failed, expected.size());
    expected.resize(failed + 1);
    std::vector<std::string> made = CallsFrom(0);
    if (std::string(c.step) == "CreatePalette")
        expected.back() = "CreatePalette(" + kPaletteCaps + ",none)";
    EXPECT_EQ(made, expected);

    EXPECT_EQ(lpDD != nullptr, c.holds_object);
    EXPECT_EQ(lpSurface != nullptr, c.holds_surface);
    EXPECT_EQ(lpPalette != nullptr, c.holds_palette);

    size_t before = fake::Calls().size();
    ReleaseDisplay();
    EXPECT_EQ(CallsFrom(before), c.release_calls);
    ExpectNothingLive();
    EXPECT_FALSE(fake::DisplayModeSet());
}

const std::vector<std::string> kReleaseObject = {"RestoreDisplayMode(directdraw#1)",
                                                 "Release(directdraw#1)"};

INSTANTIATE_TEST_SUITE_P(
    Steps, InitDisplayFailureTest,
    testing::Values(InitFailure{"DirectDrawCreate", 1, false, false, false, {}},
                    InitFailure{"SetCooperativeLevel", 1, true, false, false, kReleaseObject},
                    InitFailure{"SetDisplayMode", 1, true, false, false, kReleaseObject},
                    InitFailure{"CreateSurface", 1, true, false, false, kReleaseObject},
                    InitFailure{"CreatePalette",
                                1,
                                true,
                                true,
                                false,
                                {"Release(surface#1)", "RestoreDisplayMode(directdraw#1)",
                                 "Release(directdraw#1)"}},
                    InitFailure{"SetPalette",
                                1,
                                true,
                                true,
                                true,
                                {"Release(palette#1)", "Release(surface#1)",
                                 "RestoreDisplayMode(directdraw#1)", "Release(directdraw#1)"}}),
    [](const auto& info) { return std::string(info.param.step); });

TEST_F(DisplayTest, ReleaseDisplayReleasesNewestFirstAndOnlyOnce) {
    ASSERT_EQ(InitDisplay(kWindow), 1);
    ASSERT_EQ(ApplyPalette(), 1);
    size_t before = fake::Calls().size();
    ReleaseDisplay();
    EXPECT_EQ(CallsFrom(before), (std::vector<std::string>{
                                     "Release(palette#2)", "Release(surface#1)",
                                     "RestoreDisplayMode(directdraw#1)", "Release(directdraw#1)"}));
    ExpectNothingLive();
    EXPECT_FALSE(fake::DisplayModeSet());

    before = fake::Calls().size();
    ReleaseDisplay();
    EXPECT_EQ(fake::Calls().size(), before) << "the second release must do nothing";
}

TEST_F(DisplayTest, ReleaseDisplayWithNothingSetUpDoesNothing) {
    ReleaseDisplay();
    EXPECT_TRUE(fake::Calls().empty());
}

TEST_F(DisplayTest, ApplyPaletteInstallsTheConvertedWorkingPalette) {
    ASSERT_EQ(InitDisplay(kWindow), 1);
    size_t before = fake::Calls().size();
    ASSERT_EQ(ApplyPalette(), 1);
    EXPECT_EQ(CallsFrom(before),
              (std::vector<std::string>{"CreatePalette(" + kPaletteCaps + ",palette#2)",
                                        "Release(palette#1)", "SetPalette(surface#1,palette#2)"}));
    fake::Palette attached = fake::AttachedPalette();
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        EXPECT_EQ(attached[n].peRed, 4 * WorkPalette[3 * n]) << n;
        EXPECT_EQ(attached[n].peGreen, 4 * WorkPalette[3 * n + 1]) << n;
        EXPECT_EQ(attached[n].peBlue, 4 * WorkPalette[3 * n + 2]) << n;
        EXPECT_EQ(attached[n].peFlags, 0) << n;
    }
    ASSERT_FALSE(fake::Presents().empty());
    EXPECT_EQ(fake::Presents().back()[200].peRed, attached[200].peRed);
}

TEST_F(DisplayTest, TwoApplyPalettesLeaveOnlyTheNewestPalette) {
    ASSERT_EQ(InitDisplay(kWindow), 1);
    ASSERT_EQ(ApplyPalette(), 1);
    WorkPalette[3 * 5] = 33; // the second installation carries a change
    ASSERT_EQ(ApplyPalette(), 1);

    EXPECT_EQ(fake::CountCalls("CreatePalette"), 3);
    EXPECT_EQ(fake::RefCount("palette#1"), 0);
    EXPECT_EQ(fake::RefCount("palette#2"), 0);
    EXPECT_EQ(fake::RefCount("palette#3"), 2) << "held by the program and by the surface";
    EXPECT_EQ(fake::ObjectName(lpPalette), "palette#3");
    EXPECT_EQ(fake::AttachedPaletteName(), "palette#3");
    EXPECT_EQ(fake::LivePalettes(), 1);
    EXPECT_EQ(fake::AttachedPalette()[5].peRed, 132);
}

TEST_F(DisplayTest, FailedCreatePaletteKeepsTheCurrentPalette) {
    ASSERT_EQ(InitDisplay(kWindow), 1);
    fake::FailCall("CreatePalette", 2);
    size_t before = fake::Calls().size();
    EXPECT_EQ(ApplyPalette(), 0);
    EXPECT_EQ(CallsFrom(before),
              (std::vector<std::string>{"CreatePalette(" + kPaletteCaps + ",none)"}));
    EXPECT_EQ(fake::ObjectName(lpPalette), "palette#1");
    EXPECT_EQ(fake::AttachedPaletteName(), "palette#1");
    EXPECT_EQ(fake::RefCount("palette#1"), 2);

    // The next installation starts again from the working palette.
    EXPECT_EQ(ApplyPalette(), 1);
    EXPECT_EQ(fake::AttachedPaletteName(), "palette#2");
    EXPECT_EQ(fake::LivePalettes(), 1);
}

TEST_F(DisplayTest, FailedSetPaletteReportsFailureAndLeaksNothing) {
    ASSERT_EQ(InitDisplay(kWindow), 1);
    fake::FailCall("SetPalette", 2);
    EXPECT_EQ(ApplyPalette(), 0);
    EXPECT_EQ(fake::AttachedPaletteName(), "palette#1") << "the failed attach changed nothing";
    ReleaseDisplay();
    ExpectNothingLive();
}

TEST_F(DisplayTest, WithoutADisplayApplyPaletteFailsAndCallsNothing) {
    EXPECT_EQ(ApplyPalette(), 0);
    EXPECT_TRUE(fake::Calls().empty());
}

TEST_F(DisplayTest, AfterReleaseApplyPaletteFailsAndCallsNothing) {
    ASSERT_EQ(InitDisplay(kWindow), 1);
    ReleaseDisplay();
    size_t before = fake::Calls().size();
    EXPECT_EQ(ApplyPalette(), 0);
    EXPECT_EQ(fake::Calls().size(), before);
}

} // namespace
