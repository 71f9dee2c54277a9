// ConvertPalette: WorkPalette through the brightness table into 8-bit device entries.
#include <gtest/gtest.h>

#include <cstring>

#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/support/test_support.h"

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

struct ConvertCase {
    const char* name;
    int raises;
    Rgb in;
    Rgb out;
};

void PrintTo(const ConvertCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertPaletteTest : public testing::TestWithParam<ConvertCase> {
  protected:
    void SetUp() override {
        ResetProgramState();
        BuildBrightnessTable();
    }
};

void SetEntry(int n, Rgb c) {
    WorkPalette[3 * n] = static_cast<unsigned char>(c.r);
    WorkPalette[3 * n + 1] = static_cast<unsigned char>(c.g);
    WorkPalette[3 * n + 2] = static_cast<unsigned char>(c.b);
}

Rgb Device(const PALETTEENTRY& e) {
    return Rgb{e.peRed, e.peGreen, e.peBlue};
}

TEST_P(ConvertPaletteTest, GivesTheDeviceColour) {
    const ConvertCase& c = GetParam();
    for (int i = 0; i < c.raises; ++i)
        ASSERT_EQ(RaiseBrightness(), 1);
    // The same colour at the first, a middle and the last index, plain grey elsewhere, so an
    // entry read from the wrong place shows.
    for (int n = 0; n < PALETTE_ENTRIES; ++n)
        SetEntry(n, Rgb{20, 20, 20});
    for (int n : {0, 137, 255})
        SetEntry(n, c.in);
    PALETTEENTRY entries[PALETTE_ENTRIES];
    std::memset(entries, 0xEE, sizeof entries);

    ConvertPalette(entries);

    Rgb grey{BrightnessTable[20] * 4, BrightnessTable[20] * 4, BrightnessTable[20] * 4};
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        bool chosen = n == 0 || n == 137 || n == 255;
        EXPECT_EQ(Device(entries[n]), chosen ? c.out : grey) << "entry " << n;
        EXPECT_EQ(entries[n].peFlags, 0) << "entry " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ConvertPaletteTest,
    testing::Values(ConvertCase{"WhiteIsTimesFour", 0, {63, 63, 63}, {252, 252, 252}},
                    ConvertCase{"EachComponentOnItsOwn", 0, {1, 2, 3}, {4, 8, 12}},
                    ConvertCase{"BlackStaysBlack", 0, {0, 0, 0}, {0, 0, 0}},
                    ConvertCase{"GreenAbove63IsBlack", 0, {10, 64, 0}, {0, 0, 0}},
                    ConvertCase{"RedAbove63IsBlack", 0, {255, 0, 0}, {0, 0, 0}},
                    ConvertCase{"BlueAbove63IsBlack", 0, {63, 63, 64}, {0, 0, 0}},
                    ConvertCase{"Above63IsBlackWhenRaised", 101, {10, 64, 0}, {0, 0, 0}},
                    ConvertCase{"RaisedOnceBendsThirtyNine", 1, {39, 63, 0}, {160, 252, 0}},
                    ConvertCase{"RaisedFullyBendsLowValues", 101, {9, 11, 12}, {168, 236, 252}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertPalette, AllZeroGivesAllZero) {
    ResetProgramState();
    BuildBrightnessTable();
    PALETTEENTRY entries[PALETTE_ENTRIES];
    std::memset(entries, 0xEE, sizeof entries);
    ConvertPalette(entries);
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        EXPECT_EQ(entries[n].peRed, 0) << n;
        EXPECT_EQ(entries[n].peGreen, 0) << n;
        EXPECT_EQ(entries[n].peBlue, 0) << n;
        EXPECT_EQ(entries[n].peFlags, 0) << n;
    }
}

} // namespace
