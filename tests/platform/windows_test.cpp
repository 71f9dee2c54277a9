// The layer's window classes, windows and message queue, on the fake device.
#include <gtest/gtest.h>

#include "platform/device.h"
#include "platform/platform.h"
#include "tests/fake/fake_device.h"
#include "tests/support/test_support.h"

namespace {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
};

std::vector<Seen> seen;

LRESULT CALLBACK RecordingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    seen.push_back(Seen{w, m, wp});
    return DefWindowProcA(w, m, wp, lp);
}

std::vector<UINT> Messages() {
    std::vector<UINT> out;
    for (const Seen& s : seen)
        out.push_back(s.message);
    return out;
}

class WindowsTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        seen.clear();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "Probe_Class";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    HWND Make(DWORD style = WS_POPUP | WS_VISIBLE) {
        return CreateWindowExA(0, "Probe_Class", "probe", style, 0, 0, 10, 10, NULL, NULL, NULL,
                               NULL);
    }
    // Takes one message and hands it to its window; the result of GetMessageA.
    BOOL Pump(MSG* msg) {
        BOOL got = GetMessageA(msg, NULL, 0, 0);
        if (got > 0)
            DispatchMessageA(msg);
        return got;
    }
};

TEST_F(WindowsTest, AClassIsRegisteredOnce) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Probe_Class";
    EXPECT_EQ(RegisterClassA(&wc), 0);
}

TEST_F(WindowsTest, NoWindowOfAnUnknownClass) {
    EXPECT_EQ(CreateWindowExA(0, "Other_Class", "x", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL),
              static_cast<HWND>(NULL));
    EXPECT_EQ(fake::CountCalls("OpenWindow"), 0);
}

TEST_F(WindowsTest, AVisibleWindowIsActivatedAsItAppears) {
    HWND w = Make();
    ASSERT_NE(w, static_cast<HWND>(NULL));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CREATE, WM_ACTIVATEAPP}));
    EXPECT_EQ(seen[1].wParam, 1u);
    EXPECT_EQ(layer::FocusWindow(), w);
}

TEST_F(WindowsTest, ADeviceRefusingTheWindowFailsTheCreation) {
    fake::FailCall("OpenWindow");
    EXPECT_EQ(Make(), static_cast<HWND>(NULL));
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(layer::FocusWindow(), static_cast<HWND>(NULL));
}

TEST_F(WindowsTest, TheQuitMessageComesAfterThePostedOnes) {
    HWND w = Make();
    seen.clear();
    ASSERT_TRUE(PostMessageA(w, WM_KEYDOWN, 1, 0));
    PostQuitMessage(7);
    ASSERT_TRUE(PostMessageA(w, WM_KEYDOWN, 2, 0));

    MSG msg;
    // A look without taking: the first posted message, still there afterwards.
    ASSERT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(msg.wParam, 1u);

    EXPECT_EQ(Pump(&msg), TRUE);
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_EQ(Pump(&msg), TRUE);
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_EQ(Pump(&msg), FALSE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN}));
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE)) << "the quit message is taken once";
}

TEST_F(WindowsTest, CloseInTheDefaultHandlingDestroysTheWindow) {
    HWND w = Make();
    seen.clear();
    ASSERT_TRUE(PostMessageA(w, WM_CLOSE, 0, 0));
    MSG msg;
    EXPECT_EQ(Pump(&msg), TRUE);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(seen[1].window, w);
    EXPECT_EQ(fake::CountCalls("CloseWindow"), 1);
    EXPECT_EQ(layer::FocusWindow(), static_cast<HWND>(NULL));
    EXPECT_FALSE(PostMessageA(w, WM_KEYDOWN, 1, 0));
    EXPECT_FALSE(DestroyWindow(w)) << "a window is destroyed once";
}

TEST_F(WindowsTest, MessagesForADestroyedWindowAreDropped) {
    HWND w = Make();
    ASSERT_TRUE(PostMessageA(w, WM_KEYDOWN, 5, 0));
    ASSERT_TRUE(DestroyWindow(w));
    seen.clear();
    MSG msg;
    EXPECT_EQ(Pump(&msg), TRUE); // still taken from the queue...
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_TRUE(seen.empty()) << "...but it reaches no window procedure";
    EXPECT_FALSE(PostMessageA(w, WM_KEYDOWN, 6, 0));
    // Input for the focus goes nowhere once the window is gone.
    layer::PostInput(WM_KEYDOWN, 7, 0);
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE));
}

TEST_F(WindowsTest, InputGoesToTheFocusWindow) {
    HWND first = Make();
    HWND second = Make();
    ASSERT_NE(SetFocus(first), static_cast<HWND>(NULL));
    seen.clear();
    fake::ScheduleKey(0, 'Q');
    MSG msg;
    EXPECT_EQ(Pump(&msg), TRUE);
    EXPECT_EQ(msg.hwnd, first);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].window, first);
    EXPECT_NE(first, second);
}

TEST_F(WindowsTest, ActivationIsSentToEveryWindowOnAChangeOnly) {
    HWND a = Make();
    HWND b = Make(WS_POPUP);
    seen.clear();
    layer::Activate(true); // already active: nothing
    EXPECT_TRUE(seen.empty());
    layer::Activate(false);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].window, a);
    EXPECT_EQ(seen[1].window, b);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.message, WM_ACTIVATEAPP);
        EXPECT_EQ(s.wParam, 0u);
    }
}

TEST_F(WindowsTest, AFailedGetMessageLeavesTheRecordAlone) {
    HWND w = Make();
    fake::ScheduleInputFailure(0);
    MSG msg = {};
    msg.hwnd = w;
    msg.message = WM_KEYDOWN;
    msg.wParam = 42;
    EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), -1);
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(msg.wParam, 42u);
    EXPECT_EQ(fake::FailedPolls(), 1u);
}

TEST_F(WindowsTest, GetMessageWaitsForScriptedInput) {
    Make();
    fake::SetTicks(1000);
    fake::ScheduleKey(1500, 'K');
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), TRUE);
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('K'));
    EXPECT_EQ(fake::Ticks(), 1500u);
}

TEST_F(WindowsTest, GetMessageWithNothingToComeFailsInsteadOfHanging) {
    Make();
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), -1);
}

} // namespace
