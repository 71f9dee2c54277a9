#include "palette/brightness.h"

#include <math.h>

#include "palette/work_palette.h"

#define BRIGHTNESS_MIN 1.0
#define BRIGHTNESS_MAX 1.7
#define BRIGHTNESS_STEP 0.007
#define COMPONENT_MAX 63

double BrightnessExponent = BRIGHTNESS_MIN;
unsigned char BrightnessTable[BRIGHTNESS_STEPS];

void BuildBrightnessTable() {
    for (int i = 0; i < BRIGHTNESS_STEPS; ++i) {
        double x = pow((double)i, BrightnessExponent);
        if (x > (double)COMPONENT_MAX)
            BrightnessTable[i] = COMPONENT_MAX;
        else if (x > 0.0)
            BrightnessTable[i] = (unsigned char)x;
        else
            BrightnessTable[i] = 0;
    }
}

void ConvertPalette(PALETTEENTRY* entries) {
    for (int n = 0; n < PALETTE_ENTRIES; ++n) {
        unsigned char r = WorkPalette[3 * n];
        unsigned char g = WorkPalette[3 * n + 1];
        unsigned char b = WorkPalette[3 * n + 2];
        PALETTEENTRY* e = &entries[n];
        if (r > COMPONENT_MAX || g > COMPONENT_MAX || b > COMPONENT_MAX) {
            e->peRed = e->peGreen = e->peBlue = 0;
        } else {
            e->peRed = (BYTE)(BrightnessTable[r] << 2);
            e->peGreen = (BYTE)(BrightnessTable[g] << 2);
            e->peBlue = (BYTE)(BrightnessTable[b] << 2);
        }
        e->peFlags = 0;
    }
}

int RaiseBrightness() {
    if (!(BrightnessExponent < BRIGHTNESS_MAX))
        return 0;
    BrightnessExponent += BRIGHTNESS_STEP;
    BuildBrightnessTable();
    return 1;
}

int LowerBrightness() {
    if (!(BrightnessExponent > BRIGHTNESS_MIN))
        return 0;
    BrightnessExponent -= BRIGHTNESS_STEP;
    // Repeated steps of 0.007 do not add up exactly: without this the last step lands just below
    // 1.0 and leaves every colour one step darker than the file's.
    if (BrightnessExponent < BRIGHTNESS_MIN)
        BrightnessExponent = BRIGHTNESS_MIN;
    BuildBrightnessTable();
    return 1;
}
