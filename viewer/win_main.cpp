// The program's entry: start-up in its fixed order, then the polling main loop.
#include "animation/cycling.h"
#include "display/display.h"
#include "display/grid.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "viewer/viewer.h"

HWND ViewerWindow = NULL;
int PatternPending = 1;
int AppActive = 0;

static void ShowStartupError(LPCSTR text) {
    MessageBoxA(NULL, text, VIEWER_TITLE, MB_ICONERROR);
}

static int RegisterViewerClass(HINSTANCE instance) {
    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ViewerWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = NULL;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = VIEWER_CLASS;
    return RegisterClassA(&wc) != 0;
}

static int CreateViewerWindow(HINSTANCE instance) {
    // The desktop's size, read before the display mode changes.
    ViewerWindow = CreateWindowExA(WS_EX_TOPMOST, VIEWER_CLASS, VIEWER_TITLE,
                                   WS_POPUP | WS_VISIBLE | WS_SYSMENU, 0, 0,
                                   GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                   NULL, NULL, instance, NULL);
    return ViewerWindow != NULL;
}

static void DoIdleWork() {
    if (PatternPending) {
        DrawPaletteGrid();
        PatternPending = 0;
    } else {
        AnimatePalette();
    }
}

static int RunMainLoop() {
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE)) {
            BOOL got = GetMessageA(&msg, NULL, 0, 0);
            if (got == 0)
                return (int)msg.wParam;
            // -1 filled in nothing: the record still holds the previous message.
            if (got == -1)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (AppActive) {
            DoIdleWork();
        }
    }
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd) {
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;

    // Before any window exists, so its warnings appear on the ordinary desktop.
    LoadPaletteFile();

    if (!RegisterViewerClass(hInstance)) {
        ShowStartupError("Unable register window class");
        return 1;
    }
    if (!CreateViewerWindow(hInstance)) {
        ShowStartupError("Unable create window");
        return 1;
    }
    ShowCursor(FALSE);
    SetFocus(ViewerWindow);

    if (!InitDisplay(ViewerWindow)) {
        ReleaseDisplay();
        return 1;
    }
    BuildBrightnessTable();
    if (!ApplyPalette()) {
        ReleaseDisplay();
        return 1;
    }
    return RunMainLoop();
}
