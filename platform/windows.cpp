// Window classes, windows and the thread's message queue, with the semantics the program relies
// on: sent messages reach the window procedure at once, posted ones wait in the queue, the quit
// message is taken only once no posted message is waiting, and a destroyed window gets nothing.
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/device.h"

namespace {

struct window_class {
    std::string name;
    WNDPROC proc;
};

struct window {
    WNDPROC proc;
    DWORD style;
    bool alive;
};

// Windows live until Reset so a stale handle can always be checked; a handle is index + 1.
std::vector<window_class> classes;
std::vector<std::unique_ptr<window>> windows;
std::deque<MSG> posted;
bool quit_pending = false;
int quit_code = 0;
bool app_active = false;
HWND focus = NULL;

window* find_window(HWND hwnd) {
    uintptr_t index = reinterpret_cast<uintptr_t>(hwnd);
    if (index == 0 || index > windows.size())
        return nullptr;
    window* w = windows[index - 1].get();
    return w->alive ? w : nullptr;
}

LRESULT send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    window* w = find_window(hwnd);
    return w ? w->proc(hwnd, message, wParam, lParam) : 0;
}

void post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg = {};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    posted.push_back(msg);
}

bool message_waiting() { return !posted.empty() || quit_pending; }

// Copies the next message; the quit message only comes once the posted ones are gone.
bool take_message(LPMSG out, bool remove) {
    if (!posted.empty()) {
        *out = posted.front();
        if (remove)
            posted.pop_front();
        return true;
    }
    if (!quit_pending)
        return false;
    *out = MSG{};
    out->message = WM_QUIT;
    out->wParam = static_cast<WPARAM>(quit_code);
    if (remove)
        quit_pending = false;
    return true;
}

} // namespace

namespace layer {

void PostInput(UINT message, WPARAM wParam, LPARAM lParam) {
    if (find_window(focus))
        post(focus, message, wParam, lParam);
}

void Activate(bool active) {
    if (active == app_active)
        return;
    app_active = active;
    for (size_t i = 0; i < windows.size(); ++i)
        if (windows[i]->alive)
            send(reinterpret_cast<HWND>(i + 1), WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

HWND FocusWindow() { return find_window(focus) ? focus : NULL; }

void Reset() {
    classes.clear();
    windows.clear();
    posted.clear();
    quit_pending = false;
    quit_code = 0;
    app_active = false;
    focus = NULL;
}

} // namespace layer

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName)
        return 0;
    for (const window_class& c : classes)
        if (c.name == lpWndClass->lpszClassName)
            return 0; // already registered, as on the platform
    classes.push_back({lpWndClass->lpszClassName, lpWndClass->lpfnWndProc});
    return static_cast<ATOM>(classes.size());
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR, DWORD dwStyle, int, int, int, int,
                            HWND, HMENU, HINSTANCE, LPVOID) {
    if (!lpClassName)
        return NULL;
    const window_class* cls = nullptr;
    for (const window_class& c : classes)
        if (c.name == lpClassName)
            cls = &c;
    if (!cls)
        return NULL;
    windows.push_back(std::make_unique<window>(window{cls->proc, dwStyle, true}));
    HWND hwnd = reinterpret_cast<HWND>(windows.size());
    if (!device::OpenWindow(hwnd, dwStyle)) {
        windows.back()->alive = false;
        return NULL;
    }
    if (send(hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return NULL;
    }
    // A visible top-level window of the foreground process is activated as it appears.
    if (dwStyle & WS_VISIBLE) {
        focus = hwnd;
        if (app_active)
            send(hwnd, WM_ACTIVATEAPP, 1, 0);
        else
            layer::Activate(true);
    }
    return find_window(hwnd) ? hwnd : NULL;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    window* w = find_window(hWnd);
    if (!w)
        return FALSE;
    send(hWnd, WM_DESTROY, 0, 0);
    w->alive = false;
    if (focus == hWnd)
        focus = NULL;
    device::CloseWindow(hWnd);
    return TRUE;
}

HWND WINAPI SetFocus(HWND hWnd) {
    HWND previous = layer::FocusWindow();
    if (hWnd && !find_window(hWnd))
        return NULL;
    focus = hWnd;
    if (hWnd)
        layer::Activate(true);
    return previous;
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND, UINT, UINT, UINT wRemoveMsg) {
    device::PumpInput(0);
    if (!message_waiting())
        device::PumpInput(1); // a short wait keeps the caller's polling loop off a whole core
    return take_message(lpMsg, (wRemoveMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND, UINT, UINT) {
    if (!lpMsg)
        return -1;
    // A failed device leaves the record as it was, as the platform's error return does.
    if (!device::PumpInput(0))
        return -1;
    while (!message_waiting())
        if (!device::PumpInput(10))
            return -1;
    take_message(lpMsg, true);
    return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    return lpMsg && lpMsg->message == WM_KEYDOWN ? TRUE : FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg)
        return 0;
    return send(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!find_window(hWnd))
        return FALSE;
    post(hWnd, Msg, wParam, lParam);
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
    quit_pending = true;
    quit_code = nExitCode;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
    if (Msg == WM_CLOSE)
        DestroyWindow(hWnd);
    return 0;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR lpCursorName) {
    // Only the system's arrow exists here; it stands for itself.
    return lpCursorName == IDC_ARROW ? reinterpret_cast<HCURSOR>(uintptr_t{32512}) : NULL;
}

HGDIOBJ WINAPI GetStockObject(int i) {
    static int black_brush;
    return i == BLACK_BRUSH ? &black_brush : NULL;
}
