// Colour cycling: five ranges of entries 229..253 rotate through built-in colour tables in three
// timer groups, and entry 254 pulses black to red in a fourth; a speed factor stretches them all.
#pragma once

#include "platform/platform.h"

#define SPEED_FACTOR_MIN 1u
#define SPEED_FACTOR_MAX 10u
#define PULSE_ENTRY 254
#define PULSE_TOP 60
#define PULSE_STEP 4

typedef struct CycleRange {
    int top;                           // the highest palette index the range writes
    int length;                        // N entries, from top downward
    const unsigned char (*colours)[3]; // N colours, 8-bit red, green, blue
    int phase;                         // 0..N-1
} CycleRange;

typedef struct CycleGroup {
    DWORD period;       // base period, milliseconds
    DWORD lastFire;     // tick count of the last firing
    CycleRange** ranges; // updated in order; NULL-terminated, empty for the pulse
} CycleGroup;

#define CYCLE_GROUPS 4
#define CYCLE_RANGES 5

extern DWORD SpeedFactor;
extern unsigned char PulseLevel;
extern signed char PulseStep;
// A1, A2, A3, B1, C1 in that order.
extern CycleRange CycleRanges[CYCLE_RANGES];
// A, B, C and the pulse D in that order.
extern CycleGroup CycleGroups[CYCLE_GROUPS];

// One animation pass: updates what its timers allow and installs the palette when anything moved.
void AnimatePalette();
void SpeedUpCycling();
void SlowDownCycling();
