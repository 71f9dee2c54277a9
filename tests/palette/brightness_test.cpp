// The brightness exponent's steps and bounds, and the table built from it.
#include <gtest/gtest.h>

#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/support/test_support.h"

namespace {

std::vector<int> Table() {
    return std::vector<int>(BrightnessTable, BrightnessTable + 64);
}

std::vector<int> Identity() {
    std::vector<int> t(64);
    for (int i = 0; i < 64; ++i)
        t[i] = i;
    return t;
}

void Raise(int times) {
    for (int i = 0; i < times; ++i)
        ASSERT_EQ(RaiseBrightness(), 1) << "raise " << i + 1;
}

class BrightnessTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        BuildBrightnessTable();
    }
};

TEST_F(BrightnessTest, StartsAtTheIdentity) {
    EXPECT_EQ(BrightnessExponent, 1.0);
    EXPECT_EQ(Table(), Identity());
}

struct RaisedTable {
    int raises;
    double exponent;
    std::vector<int> begins; // the table's first entries
    int saturates_from;      // the first index that gives 63
};

void PrintTo(const RaisedTable& c, std::ostream* os) {
    *os << c.raises << " raises";
}

class RaisedTableTest : public BrightnessTest, public testing::WithParamInterface<RaisedTable> {};

TEST_P(RaisedTableTest, HasTheCurveOfItsExponent) {
    const RaisedTable& c = GetParam();
    Raise(c.raises);
    EXPECT_EQ(BrightnessExponent, c.exponent);
    std::vector<int> table = Table();
    EXPECT_EQ(std::vector<int>(table.begin(), table.begin() + static_cast<long>(c.begins.size())),
              c.begins);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(table[i] == 63, i >= c.saturates_from) << "index " << i << " gives " << table[i];
        EXPECT_GE(table[i], i) << "a raised curve never darkens";
        if (i > 0) {
            EXPECT_GE(table[i], table[i - 1]) << "the curve rises";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Raises, RaisedTableTest,
    testing::Values(
        RaisedTable{1, 1.007, {0, 1, 2}, 62},
        RaisedTable{100, 1.6999999999999895, {0, 1, 3, 6, 10, 15, 21, 27, 34, 41, 50, 58}, 12},
        RaisedTable{101, 1.7069999999999894, {0, 1, 3, 6, 10, 15, 21, 27, 34, 42, 50, 59}, 12}),
    [](const auto& info) { return std::to_string(info.param.raises) + "Raises"; });

TEST_F(BrightnessTest, OneRaiseSkipsThirtyNine) {
    Raise(1);
    EXPECT_EQ(BrightnessTable[39], 40);
    for (int i = 0; i < 64; ++i)
        EXPECT_NE(BrightnessTable[i], 39) << "index " << i;
}

TEST_F(BrightnessTest, TheHundredAndSecondRaiseIsRefused) {
    Raise(101);
    std::vector<int> table = Table();
    EXPECT_EQ(RaiseBrightness(), 0);
    EXPECT_EQ(BrightnessExponent, 1.7069999999999894);
    EXPECT_EQ(Table(), table);
}

TEST_F(BrightnessTest, TheFirstLowerIsRefusedAndBuildsNothing) {
    ResetProgramState(); // table all zero, as before the start-up builds it
    EXPECT_EQ(LowerBrightness(), 0);
    EXPECT_EQ(BrightnessExponent, 1.0);
    EXPECT_EQ(Table(), std::vector<int>(64, 0));
}

// However far the exponent went, as many lowers bring it back to exactly 1.0 and the picture back
// to the file's colours; a further lower is refused.
class RoundTripTest : public BrightnessTest, public testing::WithParamInterface<int> {};

TEST_P(RoundTripTest, EndsExactlyAtOne) {
    int steps = GetParam();
    Raise(steps);
    for (int i = 0; i < steps; ++i)
        ASSERT_EQ(LowerBrightness(), 1) << "lower " << i + 1;
    EXPECT_EQ(BrightnessExponent, 1.0);
    EXPECT_EQ(Table(), Identity());
    EXPECT_EQ(LowerBrightness(), 0);
    EXPECT_EQ(BrightnessExponent, 1.0);

    WorkPalette[0] = WorkPalette[1] = WorkPalette[2] = 63;
    PALETTEENTRY entries[PALETTE_ENTRIES];
    ConvertPalette(entries);
    EXPECT_EQ(entries[0].peRed, 252);
    EXPECT_EQ(entries[0].peGreen, 252);
    EXPECT_EQ(entries[0].peBlue, 252);
}

INSTANTIATE_TEST_SUITE_P(Steps, RoundTripTest, testing::Values(1, 2, 3, 7, 50, 99, 100, 101));

} // namespace
