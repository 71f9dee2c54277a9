// Prints the brightness exponent and table after every key of a script of raises and lowers, as
// the program's own code computes them with the C run-time's pow, so a test can hold them against
// tables computed elsewhere. Usage: brightness_tables +++--...
#include <cstdio>

#include "palette/brightness.h"

int main(int argc, char** argv) {
    BuildBrightnessTable();
    const char* keys = argc > 1 ? argv[1] : "";
    for (const char* key = keys; *key; ++key) {
        int accepted = *key == '+' ? RaiseBrightness() : LowerBrightness();
        std::printf("%c %d %.17g", *key, accepted, BrightnessExponent);
        for (int i = 0; i < BRIGHTNESS_STEPS; ++i)
            std::printf(" %d", BrightnessTable[i]);
        std::printf("\n");
    }
    return 0;
}
