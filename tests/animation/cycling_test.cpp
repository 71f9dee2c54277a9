// AnimatePalette, SpeedUpCycling and SlowDownCycling on the fake device's clock.
#include <gtest/gtest.h>

#include <array>

#include "animation/cycling.h"
#include "display/display.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(uintptr_t{7});

using Entry = std::array<int, 3>;

Entry At(int n) {
    return {WorkPalette[3 * n], WorkPalette[3 * n + 1], WorkPalette[3 * n + 2]};
}

std::vector<unsigned char> Snapshot() {
    return std::vector<unsigned char>(WorkPalette, WorkPalette + PALETTE_BYTES);
}

enum Group { A, B, C, D };

class CyclingTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        // A file's colours everywhere, (63, 0, 63) in the animated block: no table holds it.
        for (int n = 0; n < PALETTE_ENTRIES; ++n) {
            bool animated = n >= 229 && n <= 254;
            WorkPalette[3 * n] = static_cast<unsigned char>(animated ? 63 : n % 64);
            WorkPalette[3 * n + 1] = static_cast<unsigned char>(animated ? 0 : n / 4);
            WorkPalette[3 * n + 2] = static_cast<unsigned char>(animated ? 63 : 5);
        }
        BuildBrightnessTable();
        ASSERT_EQ(InitDisplay(kWindow), 1);
        ASSERT_EQ(ApplyPalette(), 1);
    }
    int Installs() const { return fake::CountCalls("CreatePalette") - 2; }

    // Every group last fired at `tick`, except those in `due`, which are exactly one period late.
    void OnlyDue(DWORD now, std::initializer_list<Group> due) {
        for (int g = 0; g < CYCLE_GROUPS; ++g)
            CycleGroups[g].lastFire = now;
        for (Group g : due)
            CycleGroups[g].lastFire = now - SpeedFactor * CycleGroups[g].period;
        fake::SetTicks(now);
    }
};

TEST_F(CyclingTest, TheFirstPassFiresEveryGroupAndInstallsOnce) {
    fake::SetTicks(200);
    AnimatePalette();
    EXPECT_EQ(At(232), (Entry{0, 27, 0}));
    EXPECT_EQ(At(231), (Entry{2, 28, 1}));
    EXPECT_EQ(At(230), (Entry{6, 30, 3}));
    EXPECT_EQ(At(229), (Entry{10, 32, 6}));
    EXPECT_EQ(At(254), (Entry{4, 0, 0}));
    EXPECT_EQ(PulseStep, 4);
    EXPECT_EQ(Installs(), 1);
    // The installed palette carries the new colours.
    fake::Palette attached = fake::AttachedPalette();
    EXPECT_EQ(attached[254].peRed, 16);
    EXPECT_EQ(attached[229].peGreen, 128);
}

TEST_F(CyclingTest, TheFileColoursOfTheAnimatedEntriesLastUntilTheFirstPass) {
    std::vector<unsigned char> before = Snapshot();
    fake::Palette shown = fake::AttachedPalette();
    for (int n = 229; n <= 254; ++n)
        EXPECT_EQ(shown[n].peRed, 252) << n;
    fake::SetTicks(5000);
    AnimatePalette();
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        bool animated = n >= 229 && n <= 254;
        EXPECT_EQ(At(n) != (Entry{before[3 * n], before[3 * n + 1], before[3 * n + 2]}), animated)
            << "entry " << n;
    }
}

TEST_F(CyclingTest, TheSecondFiringOfGroupAShiftsItsColoursOnePlace) {
    fake::SetTicks(200);
    AnimatePalette();
    fake::SetTicks(400);
    AnimatePalette();
    EXPECT_EQ(At(232), (Entry{2, 28, 1}));
    EXPECT_EQ(At(231), (Entry{6, 30, 3}));
    EXPECT_EQ(At(230), (Entry{10, 32, 6}));
    EXPECT_EQ(At(229), (Entry{0, 27, 0}));
}

TEST_F(CyclingTest, EachRangeRotatesThroughItsWholeTable) {
    // The colour on each range's top entry at successive firings: its table in order, shifted.
    struct Range {
        Group group;
        int top;
        std::vector<Entry> top_colours;
    };
    std::vector<Range> ranges = {
        {A, 253, {{20, 15, 10}, {18, 14, 10}, {16, 13, 9}, {15, 12, 9}, {13, 11, 8}, {12, 10, 8}}},
        {A, 242, {{63, 0, 0}, {53, 0, 0}, {36, 10, 2}, {63, 29, 0}, {63, 14, 0}}},
        {B, 247, {{17, 0, 0}, {30, 0, 0}, {44, 0, 0}, {30, 0, 0}, {17, 0, 0}}},
        {C, 237, {{26, 26, 27}, {24, 25, 31}, {21, 26, 35}, {0, 36, 40}, {26, 46, 63}}},
    };
    for (const Range& r : ranges) {
        SCOPED_TRACE("range with top entry " + std::to_string(r.top));
        size_t n = r.top_colours.size();
        for (CycleRange& range : CycleRanges)
            range.phase = 0;
        for (size_t firing = 0; firing < 2 * n; ++firing) {
            OnlyDue(100000 + static_cast<DWORD>(firing) * 10000, {r.group});
            AnimatePalette();
            ASSERT_EQ(At(r.top), r.top_colours[firing % n]) << "firing " << firing;
            // The top's colour of the previous firing has moved round to the bottom entry.
            ASSERT_EQ(At(r.top - static_cast<int>(n) + 1), r.top_colours[(firing + n - 1) % n])
                << "firing " << firing;
        }
    }
}

struct PulseCase {
    int level;
    int step;
    int next_level;
    int next_step;
};

void PrintTo(const PulseCase& c, std::ostream* os) {
    *os << "level " << c.level << " step " << c.step;
}

class PulseTest : public CyclingTest, public testing::WithParamInterface<PulseCase> {};

TEST_P(PulseTest, TurnsAtTheEnds) {
    const PulseCase& c = GetParam();
    PulseLevel = static_cast<unsigned char>(c.level);
    PulseStep = static_cast<signed char>(c.step);
    OnlyDue(50000, {D});
    AnimatePalette();
    EXPECT_EQ(PulseLevel, c.next_level);
    EXPECT_EQ(PulseStep, c.next_step);
    EXPECT_EQ(At(254), (Entry{c.next_level, 0, 0}));
    EXPECT_EQ(Installs(), 1);
}

INSTANTIATE_TEST_SUITE_P(Levels, PulseTest,
                         testing::Values(PulseCase{60, 4, 56, -4}, PulseCase{0, -4, 4, 4},
                                         PulseCase{56, 4, 60, 4}, PulseCase{4, -4, 0, -4},
                                         PulseCase{28, -4, 24, -4}));

TEST_F(CyclingTest, ThePulseRisesAndFallsInThirtyFirings) {
    std::vector<int> levels;
    for (int i = 0; i < 31; ++i) {
        OnlyDue(100000 + static_cast<DWORD>(i) * 1000, {D});
        AnimatePalette();
        levels.push_back(PulseLevel);
    }
    std::vector<int> expected;
    for (int l = 4; l <= 60; l += 4)
        expected.push_back(l);
    for (int l = 56; l >= 0; l -= 4)
        expected.push_back(l);
    expected.push_back(4);
    EXPECT_EQ(levels, expected);
}

TEST_F(CyclingTest, AtSpeedFactorTenThePeriodsAreTenfold) {
    SpeedFactor = SPEED_FACTOR_MAX;
    // Passes on every millisecond for 7 seconds, from a large uptime.
    std::array<std::vector<DWORD>, CYCLE_GROUPS> firings;
    for (DWORD t = 1000000; t < 1007000; ++t) {
        fake::SetTicks(t);
        std::array<DWORD, CYCLE_GROUPS> last;
        for (int g = 0; g < CYCLE_GROUPS; ++g)
            last[g] = CycleGroups[g].lastFire;
        AnimatePalette();
        for (int g = 0; g < CYCLE_GROUPS; ++g)
            if (CycleGroups[g].lastFire != last[g])
                firings[g].push_back(t);
    }
    const DWORD periods[CYCLE_GROUPS] = {2000, 1420, 1000, 330};
    for (int g = 0; g < CYCLE_GROUPS; ++g) {
        SCOPED_TRACE("group " + std::to_string(g));
        ASSERT_GE(firings[g].size(), 3u);
        EXPECT_EQ(firings[g][0], 1000000u);
        for (size_t i = 1; i < firings[g].size(); ++i)
            EXPECT_EQ(firings[g][i] - firings[g][i - 1], periods[g]);
    }
}

TEST_F(CyclingTest, GroupBAloneUpdatesOnlyItsRange) {
    OnlyDue(70000, {B});
    std::vector<unsigned char> before = Snapshot();
    AnimatePalette();
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        bool in_b = n >= 243 && n <= 247;
        EXPECT_EQ(At(n) != (Entry{before[3 * n], before[3 * n + 1], before[3 * n + 2]}), in_b)
            << "entry " << n;
    }
    EXPECT_EQ(At(247), (Entry{17, 0, 0}));
    EXPECT_EQ(At(245), (Entry{44, 0, 0}));
    EXPECT_EQ(Installs(), 1);
}

TEST_F(CyclingTest, APassWithNothingDueChangesAndCallsNothing) {
    OnlyDue(80000, {});
    std::vector<unsigned char> before = Snapshot();
    size_t calls = fake::Calls().size();
    uint64_t reads = fake::TickReads();
    AnimatePalette();
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(fake::Calls().size(), calls);
    EXPECT_EQ(fake::TickReads() - reads, 4u) << "one reading of the clock per group";
}

struct WrapCase {
    DWORD last_fire;
    DWORD now;
    bool fires;
};

void PrintTo(const WrapCase& c, std::ostream* os) {
    *os << c.last_fire << " to " << c.now;
}

class WrapTest : public CyclingTest, public testing::WithParamInterface<WrapCase> {};

TEST_P(WrapTest, ComparesTheWrappedDifference) {
    const WrapCase& c = GetParam();
    OnlyDue(c.now, {});
    CycleGroups[A].lastFire = c.last_fire;
    AnimatePalette();
    EXPECT_EQ(CycleGroups[A].lastFire == c.now, c.fires);
    EXPECT_EQ(At(232) == (Entry{0, 27, 0}), c.fires);
    EXPECT_EQ(Installs(), c.fires ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Ticks, WrapTest,
                         testing::Values(WrapCase{4294967000u, 100, true},          // 396 ms
                                         WrapCase{4294967000u, 4294967100u, false}, // 100 ms
                                         WrapCase{4294967000u, 4294967200u, true},  // 200 ms
                                         WrapCase{4294967100u, 3, false}));         // 199 ms

TEST_F(CyclingTest, AFailedInstallationIsTriedAgainOnTheNextFiringPass) {
    fake::FailCall("CreatePalette", 3);
    fake::SetTicks(10000);
    AnimatePalette();
    EXPECT_EQ(At(254), (Entry{4, 0, 0})) << "the animation moved on";
    EXPECT_EQ(fake::ObjectName(lpPalette), "palette#2");
    fake::SetTicks(10033);
    AnimatePalette();
    EXPECT_EQ(fake::AttachedPalette()[254].peRed, 32);
}

struct SpeedCase {
    const char* name;
    DWORD start;
    void (*key)();
    DWORD after;
};

void PrintTo(const SpeedCase& c, std::ostream* os) {
    *os << c.name;
}

class SpeedTest : public testing::TestWithParam<SpeedCase> {};

TEST_P(SpeedTest, StaysWithinOneToTen) {
    const SpeedCase& c = GetParam();
    ResetProgramState();
    SpeedFactor = c.start;
    std::array<DWORD, CYCLE_GROUPS> last;
    for (int g = 0; g < CYCLE_GROUPS; ++g)
        last[g] = CycleGroups[g].lastFire = 1234u + static_cast<DWORD>(g);
    c.key();
    EXPECT_EQ(SpeedFactor, c.after);
    for (int g = 0; g < CYCLE_GROUPS; ++g)
        EXPECT_EQ(CycleGroups[g].lastFire, last[g]) << "the timers are left alone";
    EXPECT_TRUE(fake::Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, SpeedTest,
                         testing::Values(SpeedCase{"SpeedUpAtOne", 1, SpeedUpCycling, 1},
                                         SpeedCase{"SpeedUpAtFive", 5, SpeedUpCycling, 4},
                                         SpeedCase{"SpeedUpAtTen", 10, SpeedUpCycling, 9},
                                         SpeedCase{"SlowDownAtTen", 10, SlowDownCycling, 10},
                                         SpeedCase{"SlowDownAtOne", 1, SlowDownCycling, 2},
                                         SpeedCase{"SlowDownAtNine", 9, SlowDownCycling, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
