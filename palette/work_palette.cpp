#include "palette/work_palette.h"

#include "platform/platform.h"

unsigned char WorkPalette[PALETTE_BYTES];

static void ShowPaletteWarning(LPCSTR text) {
    MessageBoxA(NULL, text, "Tintrel", MB_ICONWARNING);
}

void LoadPaletteFile() {
    if (__argc < 2) {
        ShowPaletteWarning(
            "Warning: Palette file is not specified\nOnly animated colors will be shown");
        return;
    }
    HANDLE file = CreateFileA(__argv[1], GENERIC_READ, FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        ShowPaletteWarning("Warning: Unable open input file\nOnly animated colors will be shown");
        return;
    }
    // A short file is no failure: the entries it does not reach stay black.
    DWORD bytesRead = 0;
    if (!ReadFile(file, WorkPalette, PALETTE_BYTES, &bytesRead, NULL))
        ShowPaletteWarning(
            "Warning: Unable read palette from file\nOnly animated colors will be shown");
    CloseHandle(file);
}
