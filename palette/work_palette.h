// The working palette: 256 entries of red, green and blue in the palette file's 6-bit form.
#pragma once

#define PALETTE_ENTRIES 256
#define PALETTE_BYTES (PALETTE_ENTRIES * 3)

// Entry n at bytes 3n..3n+2; all zero (black) until something writes it.
extern unsigned char WorkPalette[PALETTE_BYTES];

// Fills WorkPalette from the file named by the first command-line argument, warning the user in a
// box when there is none or it cannot be opened or read.
void LoadPaletteFile();
