// The brightness curve between the working palette's 6-bit components and the device palette.
#pragma once

#include "platform/platform.h"

#define BRIGHTNESS_STEPS 64

extern double BrightnessExponent;
// Index: a 6-bit component; value: that component bent through the curve, 0..63.
extern unsigned char BrightnessTable[BRIGHTNESS_STEPS];

void BuildBrightnessTable();
// Fills 256 device entries from WorkPalette; an entry with any component above 63 is black.
void ConvertPalette(PALETTEENTRY* entries);
// Each returns 1 when it moved the exponent (and rebuilt the table), 0 at its bound.
int RaiseBrightness();
int LowerBrightness();
