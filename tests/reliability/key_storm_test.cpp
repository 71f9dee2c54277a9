// A storm of 100,000 keys of every code on a running viewer, mixed with activation changes and two
// spells of a lost surface (Lock and SetPalette failing): the exponent and the speed factor stay
// in bounds and end where the keys take them, the program never holds more than one palette, and
// Esc still ends the run with 0 and the display given back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "animation/cycling.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"

namespace {

constexpr double exponent_min = 1.0;                // the floor: the last lower is clamped onto it
constexpr double exponent_max = 1.7069999999999894; // the hundred-and-first raise
constexpr int storm_keys = 100'000;
constexpr BYTE sentinel = 0x5A;

struct Event {
    enum Kind { key, activation, lose_surface, restore_surface } kind;
    DWORD tick;
    WPARAM value;
};

struct Expected {
    double exponent = 1.0;
    DWORD speed = 1;
};

void Apply(Expected& e, WPARAM key) {
    if (key == VK_PRIOR && e.speed > 1)
        --e.speed;
    else if (key == VK_NEXT && e.speed < 10)
        ++e.speed;
    else if (key == VK_ADD && e.exponent < 1.7)
        e.exponent += 0.007;
    else if (key == VK_SUBTRACT && e.exponent > 1.0)
        e.exponent = e.exponent - 0.007 < 1.0 ? 1.0 : e.exponent - 0.007;
}

// Keys of every code but Esc, the viewer's other four keys among them often enough to push both
// settings against their bounds; Esc comes once, last, since it ends the run.
std::vector<Event> MakeStorm(DWORD start, std::mt19937& random, Expected& expected) {
    const WPARAM viewer_keys[] = {VK_PRIOR, VK_NEXT, VK_ADD, VK_SUBTRACT};
    std::uniform_int_distribution<int> gap(0, 12), percent(0, 99), any_code(0, 255), viewer(0, 3);
    std::vector<Event> events;
    DWORD tick = start;
    // Lost from the very start (so the grid's one lock fails), and once more in the middle.
    events.push_back({Event::lose_surface, tick + 1, 0});
    for (int k = 0; k < storm_keys; ++k) {
        tick += static_cast<DWORD>(gap(random));
        if (k == 5'000 || k == 60'000)
            events.push_back({Event::restore_surface, tick, 0});
        if (k == 40'000)
            events.push_back({Event::lose_surface, tick, 0});
        if (percent(random) < 2)
            events.push_back({Event::activation, tick, static_cast<WPARAM>(percent(random) % 2)});
        WPARAM key = percent(random) < 60 ? viewer_keys[viewer(random)]
                                          : static_cast<WPARAM>(any_code(random));
        if (key == VK_ESCAPE)
            key = VK_ESCAPE + 1;
        events.push_back({Event::key, tick, key});
        Apply(expected, key);
    }
    events.push_back({Event::activation, tick + 50, 1});
    events.push_back({Event::key, tick + 400, VK_ESCAPE});
    return events;
}

// The device entry of a file's colour under an exponent, worked out from the file alone.
PALETTEENTRY FileEntry(const std::vector<unsigned char>& file, int n, double exponent) {
    auto curve = [&](unsigned char v) {
        double x = std::pow(static_cast<double>(v), exponent);
        return static_cast<BYTE>(4 * (x > 63.0 ? 63 : x > 0.0 ? static_cast<int>(x) : 0));
    };
    const unsigned char* c = &file[3 * static_cast<size_t>(n)];
    if (c[0] > 63 || c[1] > 63 || c[2] > 63)
        return PALETTEENTRY{0, 0, 0, 0};
    return PALETTEENTRY{curve(c[0]), curve(c[1]), curve(c[2]), 0};
}

TEST(KeyStorm, EndsWithEscInBoundsAndWithTheDisplayGivenBack) {
    ResetProgramState();
    std::string dir = MakeScratchDir();
    std::vector<unsigned char> file(PALETTE_BYTES);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<unsigned char>((i * 5) % 70); // some components above 63
    SetArguments({"quarnel", WriteBytes(dir + "/storm.pal", file)});

    // Close enough to the wrap that the storm crosses it.
    const DWORD start = 0xFFFFFFFFu - 300'000;
    const unsigned seed = 20240611;
    std::mt19937 random(seed);
    Expected expected;
    std::vector<Event> events = MakeStorm(start, random, expected);
    fake::SetTicks(start);
    fake::SetTickStep(1);
    fake::SetSurfacePitch(700);
    fake::SetSurfaceSentinel(sentinel);
    fake::SetPollLimit(10'000'000); // a backstop only: Esc ends the run long before

    size_t next = 0;
    uint64_t out_of_bounds = 0, extra_palettes = 0, lost_spells = 0;
    size_t misuses = 0;
    fake::Palette last_shown{};
    // Scheduled as they fall due, so the fake's list of pending input stays short.
    fake::OnPoll([&] {
        DWORD now = fake::Ticks();
        while (next < events.size() && static_cast<DWORD>(now - events[next].tick) < 0x80000000u) {
            const Event& e = events[next++];
            switch (e.kind) {
            case Event::key:
                fake::ScheduleKey(now, e.value);
                break;
            case Event::activation:
                fake::ScheduleActivation(now, e.value != 0);
                break;
            case Event::lose_surface:
                fake::FailCall("Lock", 0, DDERR_SURFACELOST);
                fake::FailCall("SetPalette", 0, DDERR_SURFACELOST);
                ++lost_spells;
                break;
            case Event::restore_surface:
                fake::ClearFailures();
                break;
            }
        }
        if (BrightnessExponent < exponent_min || BrightnessExponent > exponent_max ||
            SpeedFactor < 1 || SpeedFactor > 10)
            ++out_of_bounds;
        // A failed SetPalette leaves the old palette attached, held by the surface alone.
        std::string attached = fake::AttachedPaletteName();
        int device_only = !attached.empty() && fake::RefCount(attached) == 1 ? 1 : 0;
        // A second palette held is a leak that would only grow: end the run at the next poll.
        if (fake::LivePalettes() - device_only > 1 && extra_palettes++ == 0)
            fake::SetPollLimit(fake::Polls() + 1);
        if (fake::Polls() % 5'000 == 0) {
            misuses += fake::Misuses().size();
            if (!fake::Presents().empty())
                last_shown = fake::Presents().back();
            fake::ForgetHistory();
        }
    });

    int code = RunWinMain();
    fake::OnPoll(nullptr);
    RemoveScratchDir(dir);
    misuses += fake::Misuses().size();

    std::printf("storm: %zu events over %llu polls, ended at exponent %.17g and speed %u\n",
                events.size(), static_cast<unsigned long long>(fake::Polls()), BrightnessExponent,
                static_cast<unsigned>(SpeedFactor));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(next, events.size()) << "the run ended before the storm was through";
    EXPECT_LT(fake::Polls(), 10'000'000u) << "Esc did not end the run";
    EXPECT_EQ(lost_spells, 2u);
    EXPECT_EQ(out_of_bounds, 0u);
    EXPECT_EQ(extra_palettes, 0u);
    EXPECT_EQ(misuses, 0u) << "calls the platform would refuse";
    // Every key reached the window, in order.
    EXPECT_EQ(BrightnessExponent, expected.exponent);
    EXPECT_EQ(SpeedFactor, expected.speed);
    // The last palette shown, after the surface came back: the file's entries through the curve
    // of the final exponent.
    if (!fake::Presents().empty())
        last_shown = fake::Presents().back();
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        if (n >= 229 && n < 255)
            continue;
        PALETTEENTRY want = FileEntry(file, n, expected.exponent);
        const PALETTEENTRY& got = last_shown[n];
        EXPECT_TRUE(got.peRed == want.peRed && got.peGreen == want.peGreen &&
                    got.peBlue == want.peBlue && got.peFlags == 0)
            << "entry " << n;
    }
    EXPECT_EQ(fake::LivePalettes(), 0);
    EXPECT_EQ(fake::LiveSurfaces(), 0);
    EXPECT_EQ(fake::LiveDirectDraws(), 0);
    EXPECT_FALSE(fake::DisplayModeSet());
    // The grid's only lock came while the surface was lost: nothing was drawn, then or later.
    const std::vector<BYTE>& bytes = fake::SurfaceBytes();
    ASSERT_EQ(bytes.size(), 700u * 480u);
    size_t written = 0;
    for (BYTE b : bytes)
        written += b != sentinel;
    EXPECT_EQ(written, 0u);
}

} // namespace
