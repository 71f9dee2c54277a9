// LoadPaletteFile against files the tests make: which box it shows and what WorkPalette holds.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>
#include <functional>

#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

const char* const kNotSpecified =
    "Warning: Palette file is not specified\nOnly animated colors will be shown";
const char* const kCannotOpen =
    "Warning: Unable open input file\nOnly animated colors will be shown";
const char* const kCannotRead =
    "Warning: Unable read palette from file\nOnly animated colors will be shown";

// Valid 6-bit components that differ from their neighbours, so a shifted read shows.
Bytes Pattern(size_t size) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = static_cast<unsigned char>((i * 7 + 3) % 64);
    return b;
}

// The first `count` bytes of `source`, then zero up to 768.
Bytes Prefix(const Bytes& source, size_t count) {
    Bytes b(PALETTE_BYTES, 0);
    std::copy(source.begin(), source.begin() + static_cast<long>(std::min(count, source.size())),
              b.begin());
    return b;
}

int OpenDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    while (readdir(dir))
        ++count;
    closedir(dir);
    return count;
}

struct LoadCase {
    const char* name;
    // The command line after the program's name; "FILE" stands for the fixture file, "DIR" for
    // the scratch directory.
    std::vector<std::string> args;
    bool make_file;
    Bytes content;
    const char* box; // expected warning text, or nullptr for none
    Bytes expected;  // WorkPalette afterwards
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

Bytes WithHighBytes() {
    Bytes b = Pattern(PALETTE_BYTES);
    b[3 * 5 + 1] = 64;
    b[3 * 9] = 255;
    b[767] = 200;
    return b;
}

const Bytes kZero(PALETTE_BYTES, 0);

std::vector<LoadCase> Cases() {
    return {
        {"NoArgument", {}, false, {}, kNotSpecified, kZero},
        {"MissingPath", {"DIR/missing.pal"}, false, {}, kCannotOpen, kZero},
        {"Directory", {"DIR"}, false, {}, kCannotOpen, kZero},
        {"EmptyFile", {"FILE"}, true, {}, nullptr, kZero},
        {"ShortFile301Bytes", {"FILE"}, true, Pattern(301), nullptr, Prefix(Pattern(301), 301)},
        {"Exactly768Bytes", {"FILE"}, true, Pattern(768), nullptr, Pattern(768)},
        {"LongerThan768Bytes", {"FILE"}, true, Pattern(1000), nullptr, Prefix(Pattern(1000), 768)},
        {"ComponentAbove63StoredAsIs", {"FILE"}, true, WithHighBytes(), nullptr, WithHighBytes()},
        {"ExtraArgumentsIgnored",
         {"FILE", "DIR/missing.pal", "--more"},
         true,
         Pattern(768),
         nullptr,
         Pattern(768)},
        // Opens, but every read of it fails: the process's memory at address 0 is not mapped.
        {"ReadFails", {"/proc/self/mem"}, false, {}, kCannotRead, kZero},
    };
}

class LoadPaletteFileTest : public testing::TestWithParam<LoadCase> {
  protected:
    void SetUp() override {
        ResetProgramState();
        dir_ = MakeScratchDir();
    }
    void TearDown() override { RemoveScratchDir(dir_); }
    std::string dir_;
};

TEST_P(LoadPaletteFileTest, ShowsTheRightBoxAndFillsThePalette) {
    const LoadCase& c = GetParam();
    std::string file = dir_ + "/palette.pal";
    if (c.make_file)
        WriteBytes(file, c.content);
    std::vector<std::string> args = {"quarnel"};
    for (std::string a : c.args) {
        if (a.rfind("FILE", 0) == 0)
            a = file + a.substr(4);
        else if (a.rfind("DIR", 0) == 0)
            a = dir_ + a.substr(3);
        args.push_back(a);
    }
    SetArguments(args);
    int descriptors = OpenDescriptors();

    LoadPaletteFile();

    const auto& boxes = fake::MessageBoxes();
    if (c.box) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(boxes[0].caption, "Tintrel");
        EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(boxes[0].owner, static_cast<HWND>(NULL));
    } else {
        EXPECT_TRUE(boxes.empty()) << boxes[0].text;
    }
    EXPECT_EQ(Bytes(WorkPalette, WorkPalette + PALETTE_BYTES), c.expected);
    // The file is closed after a good read and after a failed one.
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(Files, LoadPaletteFileTest, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The 301-byte file read entry by entry: the edge the short read leaves.
TEST(LoadPaletteFile, ShortFileEndsInsideEntry100) {
    ResetProgramState();
    std::string dir = MakeScratchDir();
    Bytes content = Pattern(301);
    SetArguments({"quarnel", WriteBytes(dir + "/short.pal", content)});
    LoadPaletteFile();
    RemoveScratchDir(dir);

    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(WorkPalette[3 * 99 + 2], content[299]);
    EXPECT_EQ(WorkPalette[3 * 100], content[300]);
    EXPECT_NE(WorkPalette[3 * 100], 0) << "the fixture's red of entry 100 must show";
    EXPECT_EQ(WorkPalette[3 * 100 + 1], 0);
    EXPECT_EQ(WorkPalette[3 * 100 + 2], 0);
    for (int n = 101; n < PALETTE_ENTRIES; ++n)
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(WorkPalette[3 * n + k], 0) << "entry " << n;
}

} // namespace
