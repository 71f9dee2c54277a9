// WinMain run whole on the fake device: start-up order, failures and exit codes, keys, activation,
// the animation's pace, and the ways out.
#include <gtest/gtest.h>

#include <functional>

#include "animation/cycling.h"
#include "display/display.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"
#include "viewer/viewer.h"

namespace {

// A large uptime, as on a real system, so the first pass fires every group.
const DWORD kStart = 5000000;

std::vector<unsigned char> FilePalette() {
    std::vector<unsigned char> b(PALETTE_BYTES);
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        bool animated = n >= 229 && n <= 254;
        b[3 * n] = static_cast<unsigned char>(animated ? 63 : n % 64);
        b[3 * n + 1] = static_cast<unsigned char>(animated ? 63 : (n * 3) % 64);
        b[3 * n + 2] = static_cast<unsigned char>(animated ? 63 : 63 - n % 64);
    }
    return b;
}

std::vector<std::string> Strings(const std::vector<fake::Call>& calls) {
    std::vector<std::string> out;
    for (const fake::Call& c : calls)
        out.push_back(c.ToString());
    return out;
}

const fake::Call* FirstCall(const std::string& name) {
    for (const fake::Call& c : fake::Calls())
        if (c.name == name)
            return &c;
    return nullptr;
}

// The palettes made, with the tick each was made at.
struct Made {
    DWORD tick;
    fake::Palette entries;
};

std::vector<Made> MadePalettes() {
    std::vector<Made> made;
    size_t next = 0;
    for (const fake::Call& c : fake::Calls())
        if (c.name == "CreatePalette" && c.result == DD_OK)
            made.push_back(Made{c.tick, fake::CreatedPalettes().at(next++)});
    return made;
}

class WholeProgramTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        dir_ = MakeScratchDir();
        file_ = WriteBytes(dir_ + "/colours.pal", FilePalette());
        SetArguments({"quarnel", file_});
        fake::SetTicks(kStart);
        fake::SetTickStep(1);
        fake::SetPollLimit(200000); // a safety net: every test ends its run itself
    }
    void TearDown() override {
        fake::OnCall({});
        RemoveScratchDir(dir_);
        EXPECT_TRUE(fake::Misuses().empty()) << fake::Misuses()[0];
    }

    static void ExpectReleased() {
        EXPECT_EQ(fake::LiveDirectDraws(), 0);
        EXPECT_EQ(fake::LiveSurfaces(), 0);
        EXPECT_EQ(fake::LivePalettes(), 0);
        EXPECT_FALSE(fake::DisplayModeSet());
        EXPECT_EQ(fake::CountCalls("RestoreDisplayMode"), 1);
    }

    // The run ended on the scripted close, not on the safety net.
    static void ExpectEndedAt(DWORD tick) {
        const fake::Call* close = FirstCall("CloseWindow");
        ASSERT_NE(close, nullptr);
        EXPECT_GE(close->tick, tick);
        EXPECT_LT(close->tick, tick + 10);
    }

    std::string dir_;
    std::string file_;
};

TEST_F(WholeProgramTest, StartsUpInOrder) {
    HWND focus_at_display = NULL;
    fake::OnCall([&](const fake::Call& c) {
        // Take the focus away once the cursor is hidden: only the program's own SetFocus, after
        // ShowCursor, gives it back before the display is set up.
        if (c.name == "ShowCursor")
            SetFocus(NULL);
        if (c.name == "DirectDrawCreate")
            focus_at_display = layer::FocusWindow();
    });
    fake::ScheduleKey(kStart + 100, VK_ESCAPE);

    EXPECT_EQ(RunWinMain(), 0);

    ASSERT_NE(ViewerWindow, nullptr);
    EXPECT_EQ(focus_at_display, ViewerWindow);
    EXPECT_TRUE(fake::MessageBoxes().empty());

    std::vector<std::string> startup;
    int metrics = 0;
    for (const fake::Call& c : fake::Calls()) {
        if (c.name == "Unlock")
            break;
        if (c.name == "GetSystemMetrics") {
            ++metrics;
            continue;
        }
        if (c.name != "Lock")
            startup.push_back(c.ToString());
    }
    EXPECT_EQ(metrics, 2);
    char window[64];
    std::snprintf(window, sizeof window, "OpenWindow(1,0x%x)", WS_POPUP | WS_VISIBLE | WS_SYSMENU);
    EXPECT_EQ(startup, (std::vector<std::string>{
                           window,
                           "ShowCursor(0)",
                           "DirectDrawCreate(NULL,NULL)",
                           "SetCooperativeLevel(1,0x11)",
                           "SetDisplayMode(640,480,8)",
                           "CreateSurface(" + std::to_string(sizeof(DDSURFACEDESC)) +
                               ",0x1,0,0,0,0,NULL,0x200)",
                           "CreatePalette(0x44,palette#1)",
                           "SetPalette(surface#1,palette#1)",
                           "CreatePalette(0x44,palette#2)",
                           "Release(palette#1)",
                           "SetPalette(surface#1,palette#2)",
                       }));
    EXPECT_LT(fake::CursorCount(), 0) << "the cursor is hidden";

    // The table was built before the first installation: it carries the file's colours.
    std::vector<unsigned char> file = FilePalette();
    ASSERT_GE(fake::CreatedPalettes().size(), 2u);
    const fake::Palette& first = fake::CreatedPalettes()[1];
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        EXPECT_EQ(first[n].peRed, 4 * file[3 * n]) << n;
        EXPECT_EQ(first[n].peGreen, 4 * file[3 * n + 1]) << n;
        EXPECT_EQ(first[n].peBlue, 4 * file[3 * n + 2]) << n;
    }
}

TEST_F(WholeProgramTest, GetSystemMetricsIsReadBeforeTheWindowIsMade) {
    fake::ScheduleKey(kStart + 10, VK_ESCAPE);
    EXPECT_EQ(RunWinMain(), 0);
    std::vector<std::string> names = fake::CallNames();
    auto window = std::find(names.begin(), names.end(), "OpenWindow");
    ASSERT_NE(window, names.end());
    EXPECT_EQ(std::count(names.begin(), window, "GetSystemMetrics"), 2);
    EXPECT_EQ(std::count(window, names.end(), "GetSystemMetrics"), 0);
}

TEST_F(WholeProgramTest, ThePaletteFilesBoxComesBeforeAnyWindowClass) {
    SetArguments({"quarnel"});
    bool class_existed = true;
    fake::OnCall([&](const fake::Call& c) {
        if (c.name != "MessageBoxA")
            return;
        // Not visible, so it would take no focus; it can only be made once the class exists.
        HWND probe =
            CreateWindowExA(0, VIEWER_CLASS, "probe", 0, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
        class_existed = probe != NULL;
    });
    fake::ScheduleKey(kStart + 100, VK_ESCAPE);

    EXPECT_EQ(RunWinMain(), 0);

    EXPECT_FALSE(class_existed);
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text,
              "Warning: Palette file is not specified\nOnly animated colors will be shown");
    EXPECT_EQ(fake::CallNames().front(), "MessageBoxA");
    ExpectReleased();
}

TEST_F(WholeProgramTest, WithoutAFileOnlyTheAnimatedEntriesHaveColour) {
    SetArguments({"quarnel"});
    fake::ScheduleKey(kStart + 1000, VK_ESCAPE);
    EXPECT_EQ(RunWinMain(), 0);
    const fake::Palette& last = fake::CreatedPalettes().back();
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        bool lit = last[n].peRed || last[n].peGreen || last[n].peBlue;
        if (n >= 229 && n <= 253) {
            EXPECT_TRUE(lit) << "entry " << n;
        } else if (n != 254) {
            EXPECT_FALSE(lit) << "entry " << n;
        }
    }
}

struct StartFailure {
    const char* name;
    std::function<void()> arrange;
    const char* box;   // the error box's text, or nullptr for none
    bool made_display; // DirectDrawCreate succeeded, so the mode must be given back
};

void PrintTo(const StartFailure& c, std::ostream* os) {
    *os << c.name;
}

LRESULT CALLBACK OtherWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

class StartFailureTest : public WholeProgramTest,
                         public testing::WithParamInterface<StartFailure> {};

TEST_P(StartFailureTest, EndsWithExitCodeOne) {
    const StartFailure& c = GetParam();
    c.arrange();

    EXPECT_EQ(RunWinMain(), 1);

    const auto& boxes = fake::MessageBoxes();
    if (c.box) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(boxes[0].caption, "Quarnel Pallette Demo");
        EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(boxes[0].owner, static_cast<HWND>(NULL));
        EXPECT_EQ(fake::CountCalls("DirectDrawCreate"), 0) << "the display was never touched";
    } else {
        EXPECT_TRUE(boxes.empty()) << boxes[0].text;
    }
    EXPECT_EQ(fake::LiveDirectDraws(), 0);
    EXPECT_EQ(fake::LiveSurfaces(), 0);
    EXPECT_EQ(fake::LivePalettes(), 0);
    EXPECT_FALSE(fake::DisplayModeSet());
    EXPECT_EQ(fake::CountCalls("RestoreDisplayMode"), c.made_display ? 1 : 0);
    EXPECT_EQ(fake::CountCalls("Lock"), 0);
    EXPECT_EQ(fake::Polls(), 0u) << "no main loop";
}

std::function<void()> Fail(const char* name, int occurrence = 1) {
    return [=] { fake::FailCall(name, occurrence); };
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartFailureTest,
    testing::Values(
        StartFailure{"RegisterClassA",
                     [] {
                         WNDCLASSA wc = {};
                         wc.lpfnWndProc = OtherWndProc;
                         wc.lpszClassName = VIEWER_CLASS;
                         ASSERT_NE(RegisterClassA(&wc), 0);
                     },
                     "Unable register window class", false},
        StartFailure{"CreateWindowExA", Fail("OpenWindow"), "Unable create window", false},
        StartFailure{"DirectDrawCreate", Fail("DirectDrawCreate"), nullptr, false},
        StartFailure{"SetCooperativeLevel", Fail("SetCooperativeLevel"), nullptr, true},
        StartFailure{"SetDisplayMode", Fail("SetDisplayMode"), nullptr, true},
        StartFailure{"CreateSurface", Fail("CreateSurface"), nullptr, true},
        StartFailure{"CreatePalette", Fail("CreatePalette"), nullptr, true},
        StartFailure{"SetPalette", Fail("SetPalette"), nullptr, true},
        StartFailure{"FirstApplyPaletteCreatePalette", Fail("CreatePalette", 2), nullptr, true},
        StartFailure{"FirstApplyPaletteSetPalette", Fail("SetPalette", 2), nullptr, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WholeProgramTest, EscAsTheFirstKeyEndsWithZeroAndGivesTheDisplayBack) {
    fake::ScheduleKey(kStart + 100, VK_ESCAPE);
    EXPECT_EQ(RunWinMain(), 0);
    ExpectReleased();
    ExpectEndedAt(kStart + 100);
    std::vector<std::string> calls = Strings(fake::Calls());
    ASSERT_GE(calls.size(), 5u);
    std::vector<std::string> tail(calls.end() - 5, calls.end());
    std::string palette = "palette#" + std::to_string(fake::CreatedPalettes().size());
    EXPECT_EQ(tail, (std::vector<std::string>{"Release(" + palette + ")", "Release(surface#1)",
                                              "RestoreDisplayMode(directdraw#1)",
                                              "Release(directdraw#1)", "CloseWindow(1)"}));
}

TEST_F(WholeProgramTest, AWindowCloseRequestEndsWithZeroAndGivesTheDisplayBack) {
    fake::ScheduleClose(kStart + 300);
    EXPECT_EQ(RunWinMain(), 0);
    ExpectReleased();
    ExpectEndedAt(kStart + 300);
}

struct KeysCase {
    const char* name;
    std::vector<WPARAM> keys;
    DWORD speed;
    double exponent;
    int installs; // palettes made, the start-up's two included
};

void PrintTo(const KeysCase& c, std::ostream* os) {
    *os << c.name;
}

class KeysWhileInactiveTest : public WholeProgramTest,
                              public testing::WithParamInterface<KeysCase> {};

// Inactive from the first poll on, so no idle work runs: every installation comes from a key.
TEST_P(KeysWhileInactiveTest, ChangeOnlyWhatTheyStandFor) {
    const KeysCase& c = GetParam();
    fake::ScheduleActivation(kStart, false);
    for (size_t i = 0; i < c.keys.size(); ++i)
        fake::ScheduleKey(kStart + 100 + 10 * static_cast<DWORD>(i), c.keys[i]);
    fake::ScheduleClose(kStart + 1000);

    EXPECT_EQ(RunWinMain(), 0);

    EXPECT_EQ(SpeedFactor, c.speed);
    EXPECT_EQ(BrightnessExponent, c.exponent);
    EXPECT_EQ(fake::CountCalls("CreatePalette"), c.installs);
    EXPECT_EQ(fake::CountCalls("Lock"), 0);
    ExpectEndedAt(kStart + 1000);
    ExpectReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeysWhileInactiveTest,
    testing::Values(
        KeysCase{"PageUpAtOne", {VK_PRIOR}, 1, 1.0, 2},
        KeysCase{"PageDownStopsAtTen",
                 {VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT,
                  VK_NEXT, VK_NEXT},
                 10,
                 1.0,
                 2},
        KeysCase{"PageDownThenPageUp", {VK_NEXT, VK_NEXT, VK_PRIOR}, 2, 1.0, 2},
        KeysCase{"KeypadMinusAtTheFloor", {VK_SUBTRACT}, 1, 1.0, 2},
        KeysCase{"KeypadPlus", {VK_ADD}, 1, 1.007, 3},
        // The way back down ends exactly at 1.0, where a further lower is refused.
        KeysCase{"KeypadPlusThenMinusTwice", {VK_ADD, VK_SUBTRACT, VK_SUBTRACT}, 1, 1.0, 4},
        // Letters, Return, Space, arrows, the other keypad keys, F1: the default handling only.
        KeysCase{"OtherKeys", {'A', 13, 32, 37, 38, 106, 108, 110, 111, 0x70}, 1, 1.0, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WholeProgramTest, KeypadPlusWhileInactiveInstallsAtOnce) {
    fake::ScheduleActivation(kStart, false);
    fake::ScheduleKey(kStart + 200, VK_ADD);
    fake::ScheduleClose(kStart + 1000);
    EXPECT_EQ(RunWinMain(), 0);
    std::vector<Made> made = MadePalettes();
    ASSERT_EQ(made.size(), 3u);
    EXPECT_GE(made[2].tick, kStart + 200);
    EXPECT_LT(made[2].tick, kStart + 205);
    // Entry 39 has red 39 in the file; one raise bends it to 40.
    EXPECT_EQ(made[2].entries[39].peRed, 160);
    EXPECT_EQ(AppActive, 0);
}

TEST_F(WholeProgramTest, TheGridWaitsForActivationAndIsDrawnOnce) {
    fake::ScheduleActivation(kStart, false);
    fake::ScheduleActivation(kStart + 500, true);
    fake::ScheduleActivation(kStart + 1000, false);
    fake::ScheduleActivation(kStart + 1500, true);
    fake::ScheduleClose(kStart + 2000);

    EXPECT_EQ(RunWinMain(), 0);

    EXPECT_EQ(fake::CountCalls("Lock"), 1);
    const fake::Call* lock = FirstCall("Lock");
    ASSERT_NE(lock, nullptr);
    EXPECT_GE(lock->tick, kStart + 500);
    EXPECT_LT(lock->tick, kStart + 505);
    // The grid is there, kept after the run.
    const auto& bytes = fake::SurfaceBytes();
    ASSERT_EQ(bytes.size(), 640u * 480u);
    EXPECT_EQ(bytes[479 * 640 + 639], 255);
    EXPECT_EQ(bytes[30 * 640 + 40], 17);

    // The animation runs only while active, and resumes after reactivation.
    int while_inactive = 0, after_return = 0;
    for (const Made& m : MadePalettes()) {
        if ((m.tick > kStart + 1 && m.tick < kStart + 500) ||
            (m.tick > kStart + 1002 && m.tick < kStart + 1500))
            ++while_inactive;
        if (m.tick > kStart + 1500)
            ++after_return;
    }
    EXPECT_EQ(while_inactive, 0);
    EXPECT_GT(after_return, 0);
}

TEST_F(WholeProgramTest, TenSecondsGiveTheFiringsThePeriodsPredict) {
    fake::ScheduleClose(kStart + 10500);
    EXPECT_EQ(RunWinMain(), 0);

    std::vector<Made> made = MadePalettes();
    ASSERT_GT(made.size(), 3u);
    // made[0] is the black palette of the set-up, made[1] the start-up's, then the animation.
    DWORD first = made[2].tick;
    struct GroupEntries {
        int low, high;
        double period;
        int firings;
    };
    std::vector<GroupEntries> groups = {
        {229, 232, 200, 0}, {243, 247, 142, 0}, {233, 237, 100, 0}, {254, 254, 33, 0}};
    for (size_t i = 2; i < made.size() && made[i].tick < first + 10000; ++i)
        for (GroupEntries& g : groups)
            for (int n = g.low; n <= g.high; ++n) {
                const PALETTEENTRY& now = made[i].entries[n];
                const PALETTEENTRY& before = made[i - 1].entries[n];
                if (now.peRed != before.peRed || now.peGreen != before.peGreen ||
                    now.peBlue != before.peBlue) {
                    ++g.firings;
                    break;
                }
            }
    for (const GroupEntries& g : groups) {
        double predicted = 10000.0 / g.period;
        EXPECT_NEAR(g.firings, predicted, 1.0) << "group of entries " << g.low << ".." << g.high;
    }
}

struct FailureCase {
    const char* name;
    WPARAM key;
    DWORD speed;
    double exponent;
    int installs;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class InputFailureTest : public WholeProgramTest,
                         public testing::WithParamInterface<FailureCase> {};

// A failed GetMessageA leaves the record holding the message PeekMessageA saw; handling it would
// take the key twice.
TEST_P(InputFailureTest, TheStaleRecordIsNotDispatched) {
    const FailureCase& c = GetParam();
    fake::ScheduleActivation(kStart, false);
    fake::ScheduleKey(kStart + 100, c.key);
    fake::ScheduleInputFailure(kStart + 100);
    fake::ScheduleClose(kStart + 400);

    EXPECT_EQ(RunWinMain(), 0);

    EXPECT_EQ(fake::FailedPolls(), 1u);
    EXPECT_EQ(SpeedFactor, c.speed);
    EXPECT_EQ(BrightnessExponent, c.exponent);
    EXPECT_EQ(fake::CountCalls("CreatePalette"), c.installs);
    ExpectEndedAt(kStart + 400);
}

INSTANTIATE_TEST_SUITE_P(Keys, InputFailureTest,
                         testing::Values(FailureCase{"KeypadPlus", VK_ADD, 1, 1.007, 3},
                                         FailureCase{"PageDown", VK_NEXT, 2, 1.0, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
