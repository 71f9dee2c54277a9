// The device's seam: SDL input to window messages, the key codes, the tick count, the cursor, and
// what the user gets where no display can be had.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/device.h"
#include "platform/sdl/sdl_device.h"
#include "reference.h"

namespace {

TEST(VirtualKey, TheViewersFiveKeys) {
    EXPECT_EQ(sdl::VirtualKey(SDLK_ESCAPE), 27u);
    EXPECT_EQ(sdl::VirtualKey(SDLK_PAGEUP), 33u);
    EXPECT_EQ(sdl::VirtualKey(SDLK_PAGEDOWN), 34u);
    EXPECT_EQ(sdl::VirtualKey(SDLK_KP_PLUS), 107u);
    EXPECT_EQ(sdl::VirtualKey(SDLK_KP_MINUS), 109u);
}

TEST(VirtualKey, OtherKeysHaveThePlatformsCodes) {
    const std::pair<SDL_Keycode, UINT> cases[] = {
        {SDLK_a, 'A'},          {SDLK_z, 'Z'},          {SDLK_0, '0'},
        {SDLK_9, '9'},          {SDLK_SPACE, 0x20},     {SDLK_RETURN, 0x0D},
        {SDLK_KP_ENTER, 0x0D},  {SDLK_F1, 0x70},        {SDLK_F12, 0x7B},
        {SDLK_KP_0, 0x60},      {SDLK_KP_9, 0x69},      {SDLK_HOME, 0x24},
        {SDLK_LEFT, 0x25},      {SDLK_DOWN, 0x28},      {SDLK_MINUS, 0xBD},
        {SDLK_EQUALS, 0xBB},    {SDLK_PLUS, 0xBB},      {SDLK_KP_MULTIPLY, 0x6A},
        {SDLK_KP_DIVIDE, 0x6F}, {SDLK_KP_PERIOD, 0x6E}, {SDLK_MUTE, 0xFF},
        {SDLK_UNKNOWN, 0xFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sdl::VirtualKey(c.first), c.second) << SDL_GetKeyName(c.first);
}

TEST(VirtualKey, NoOtherKeyPassesForOneOfTheFive) {
    const SDL_Keycode five[] = {SDLK_ESCAPE, SDLK_PAGEUP, SDLK_PAGEDOWN, SDLK_KP_PLUS,
                                SDLK_KP_MINUS};
    // Every key SDL knows, by scancode and as the characters typed with it.
    std::vector<SDL_Keycode> keys;
    for (int s = 0; s < SDL_NUM_SCANCODES; ++s)
        keys.push_back(SDL_SCANCODE_TO_KEYCODE(s));
    for (SDL_Keycode c = 0; c < 128; ++c)
        keys.push_back(c);
    for (SDL_Keycode key : keys) {
        bool is_one_of_five = false;
        for (SDL_Keycode k : five)
            is_one_of_five = is_one_of_five || k == key;
        if (is_one_of_five)
            continue;
        UINT code = sdl::VirtualKey(key);
        EXPECT_TRUE(code != 27 && code != 33 && code != 34 && code != 107 && code != 109)
            << "key " << key << " (" << SDL_GetKeyName(key) << ") maps to " << code;
        EXPECT_NE(code, 0u) << "key " << key;
    }
}

// A window on the layer that records every message its procedure gets.
std::vector<std::pair<UINT, WPARAM>> received;
std::vector<LPARAM> key_data;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_ACTIVATEAPP || message == WM_CLOSE)
        received.push_back({message, wParam});
    if (message == WM_KEYDOWN)
        key_data.push_back(lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Input : public testing::Test {
  protected:
    void SetUp() override {
        reference::UseOffscreenVideo();
        ASSERT_TRUE(sdl::EnsureVideo()) << sdl::VideoError();
        layer::Reset();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "input test";
        ASSERT_NE(RegisterClassA(&wc), 0);
        window = CreateWindowExA(0, "input test", "input test", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                 NULL, NULL, NULL, NULL);
        ASSERT_NE(window, nullptr);
        received.clear();
        key_data.clear();
    }
    void TearDown() override { layer::Reset(); }

    static void push_key(SDL_Keycode key, bool repeat, Uint32 type = SDL_KEYDOWN) {
        SDL_Event e = {};
        e.type = type;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.sym = key;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    static void push_window_event(Uint8 what) {
        SDL_Event e = {};
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    static void dispatch_all() {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }

    HWND window = NULL;
};

TEST_F(Input, KeysFocusAndQuitBecomeWindowMessages) {
    push_key(SDLK_PAGEUP, false);
    push_key(SDLK_PAGEUP, true); // key repeat: a message for each
    push_key(SDLK_PAGEUP, false, SDL_KEYUP);
    push_key(SDLK_KP_PLUS, false);
    push_key(SDLK_a, false);
    push_window_event(SDL_WINDOWEVENT_FOCUS_LOST);
    push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);

    ASSERT_TRUE(device::PumpInput(0));
    // Activation is sent at once; keys and the close request wait in the queue.
    const std::vector<std::pair<UINT, WPARAM>> sent = {{WM_ACTIVATEAPP, 0}, {WM_ACTIVATEAPP, 1}};
    EXPECT_EQ(received, sent);
    received.clear();
    dispatch_all();
    const std::vector<std::pair<UINT, WPARAM>> posted = {
        {WM_KEYDOWN, 33}, {WM_KEYDOWN, 33}, {WM_KEYDOWN, 107}, {WM_KEYDOWN, 'A'}, {WM_CLOSE, 0}};
    EXPECT_EQ(received, posted);
    ASSERT_EQ(key_data.size(), 4u);
    EXPECT_EQ(key_data[0] & (LPARAM(1) << 30), 0) << "a first press is no repeat";
    EXPECT_NE(key_data[1] & (LPARAM(1) << 30), 0) << "a repeat says the key was down";
}

TEST_F(Input, AWaitWithEventsPendingTakesThemAll) {
    push_key(SDLK_ESCAPE, false);
    push_key(SDLK_PAGEDOWN, false);
    ASSERT_TRUE(device::PumpInput(50));
    dispatch_all();
    const std::vector<std::pair<UINT, WPARAM>> posted = {{WM_KEYDOWN, 27}, {WM_KEYDOWN, 34}};
    EXPECT_EQ(received, posted);
}

TEST_F(Input, InputWithNoWindowToTakeItIsDropped) {
    DestroyWindow(window);
    push_key(SDLK_ESCAPE, false);
    ASSERT_TRUE(device::PumpInput(0));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
}

TEST(Cursor, HiddenWhileTheCountIsBelowZero) {
    reference::UseOffscreenVideo();
    ASSERT_TRUE(sdl::EnsureVideo()) << sdl::VideoError();
    int count = ShowCursor(TRUE);
    while (count > 0)
        count = ShowCursor(FALSE);
    while (count < 0)
        count = ShowCursor(TRUE);
    ASSERT_EQ(count, 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    const std::pair<BOOL, int> steps[] = {{FALSE, -1}, {FALSE, -2}, {TRUE, -1},
                                          {TRUE, 0},   {TRUE, 1},   {FALSE, 0}};
    for (const auto& step : steps) {
        EXPECT_EQ(ShowCursor(step.first), step.second);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), step.second < 0 ? SDL_DISABLE : SDL_ENABLE)
            << "at count " << step.second;
    }
}

TEST(TickCount, IsTheTimeSinceTheSystemStarted) {
    std::ifstream uptime_file("/proc/uptime");
    double uptime = 0;
    ASSERT_TRUE(uptime_file >> uptime);
    DWORD ticks = GetTickCount();
    // Both count from boot; the tick count wraps at 2^32 milliseconds, so compare modulo that.
    DWORD expected = DWORD(uint64_t(uptime * 1000.0));
    int32_t difference = int32_t(ticks - expected);
    EXPECT_LT(std::abs(difference), 1500) << "ticks " << ticks << ", uptime " << uptime << " s";
    // Far from a count since the program started, which would be a few hundred milliseconds.
    if (uptime > 10) {
        EXPECT_GT(ticks, 5000u);
    }
}

// Runs with neither DISPLAY nor WAYLAND_DISPLAY, restoring them afterwards.
class WithoutDisplay : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
            const char* value = std::getenv(name);
            saved.push_back({name, value ? value : ""});
            unsetenv(name);
        }
    }
    void TearDown() override {
        for (const auto& s : saved)
            if (!s.second.empty())
                setenv(s.first.c_str(), s.second.c_str(), 1);
    }
    std::vector<std::pair<std::string, std::string>> saved;
};

TEST_F(WithoutDisplay, AMessageBoxWritesCaptionAndTextToStandardError) {
    struct box_case {
        const char* caption;
        const char* text;
        UINT style;
    };
    const box_case cases[] = {
        {"Tintrel", "Warning: Unable open input file\nOnly animated colors will be shown",
         MB_ICONWARNING},
        {"Quarnel Pallette Demo", "Unable create window", MB_ICONERROR},
    };
    for (const box_case& c : cases) {
        testing::internal::CaptureStderr();
        int answer = MessageBoxA(NULL, c.text, c.caption, c.style);
        std::string written = testing::internal::GetCapturedStderr();
        EXPECT_EQ(answer, IDOK);
        EXPECT_EQ(written, std::string(c.caption) + ": " + c.text + "\n");
    }
}

// Runs the whole program as the viewer would start it, with a palette file that is not there.
int RunWithoutDisplay() {
    unsetenv("SDL_VIDEODRIVER");
    static char name[] = "quarnel";
    static char path[] = "/nonexistent/palette.pal";
    static char* argv[] = {name, path, nullptr};
    __argc = 2;
    __argv = argv;
    static int module;
    int code = WinMain(reinterpret_cast<HINSTANCE>(&module), NULL, path, SW_SHOWNORMAL);
    std::fflush(stderr);
    return code;
}

TEST_F(WithoutDisplay, TheProgramSaysWhyOnOneLineAndExitsWithOne) {
    // In a fresh process, so that no earlier test has SDL's video running.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(RunWithoutDisplay()), testing::ExitedWithCode(1),
                "^Tintrel: Warning: Unable open input file\nOnly animated colors will be shown\n"
                "quarnel: no display: [^\n]+\n$");
}

} // namespace
