// The one drawing ever made: a 16 x 16 grid of 40 x 30 blocks, block (row r, column c) holding
// palette index 16r + c, so every later palette change shows without drawing again.
#pragma once

#define GRID_SIDE 16
#define GRID_BLOCK_WIDTH 40
#define GRID_BLOCK_HEIGHT 30

void DrawPaletteGrid();
