#include "animation/cycling.h"

#include "display/display.h"
#include "palette/work_palette.h"

static const unsigned char GreenWaves[4][3] = {
    {0, 108, 0}, {11, 115, 7}, {27, 123, 15}, {43, 131, 27}};
static const unsigned char BrownEarth[6][3] = {{83, 63, 43}, {75, 59, 43}, {67, 55, 39},
                                               {63, 51, 39}, {55, 47, 35}, {51, 43, 35}};
static const unsigned char FireGlow[5][3] = {
    {255, 0, 0}, {215, 0, 0}, {147, 43, 11}, {255, 119, 0}, {255, 59, 0}};
static const unsigned char RedBeat[5][3] = {
    {71, 0, 0}, {123, 0, 0}, {179, 0, 0}, {123, 0, 0}, {71, 0, 0}};
static const unsigned char BlueWater[5][3] = {
    {107, 107, 111}, {99, 103, 127}, {87, 107, 143}, {0, 147, 163}, {107, 187, 255}};

DWORD SpeedFactor = SPEED_FACTOR_MIN;
unsigned char PulseLevel = 0;
signed char PulseStep = -PULSE_STEP;

CycleRange CycleRanges[CYCLE_RANGES] = {
    {232, 4, GreenWaves, 0}, {253, 6, BrownEarth, 0}, {242, 5, FireGlow, 0},
    {247, 5, RedBeat, 0},    {237, 5, BlueWater, 0},
};

static CycleRange* GroupARanges[] = {&CycleRanges[0], &CycleRanges[1], &CycleRanges[2], NULL};
static CycleRange* GroupBRanges[] = {&CycleRanges[3], NULL};
static CycleRange* GroupCRanges[] = {&CycleRanges[4], NULL};
static CycleRange* PulseRanges[] = {NULL};

CycleGroup CycleGroups[CYCLE_GROUPS] = {
    {200, 0, GroupARanges},
    {142, 0, GroupBRanges},
    {100, 0, GroupCRanges},
    {33, 0, PulseRanges},
};

// Each entry takes its lower neighbour's colour; the top colour reappears at the bottom.
static void UpdateRange(CycleRange* range) {
    for (int k = 0; k < range->length; ++k) {
        const unsigned char* colour = range->colours[(range->phase + k) % range->length];
        unsigned char* entry = &WorkPalette[3 * (range->top - k)];
        entry[0] = colour[0] >> 2;
        entry[1] = colour[1] >> 2;
        entry[2] = colour[2] >> 2;
    }
    range->phase = (range->phase + 1) % range->length;
}

// Reads the clock itself, just before its own comparison; the wrapped difference keeps timers
// running across the tick counter's wrap.
static int GroupDue(CycleGroup* group) {
    DWORD now = GetTickCount();
    if ((DWORD)(now - group->lastFire) < SpeedFactor * group->period)
        return 0;
    group->lastFire = now;
    return 1;
}

static void FireGroup(CycleGroup* group) {
    for (CycleRange** range = group->ranges; *range != NULL; ++range)
        UpdateRange(*range);
}

static void StepPulse() {
    if (PulseLevel == 0 || PulseLevel == PULSE_TOP)
        PulseStep = (signed char)-PulseStep;
    PulseLevel = (unsigned char)(PulseLevel + PulseStep);
    unsigned char* entry = &WorkPalette[3 * PULSE_ENTRY];
    entry[0] = PulseLevel;
    entry[1] = 0;
    entry[2] = 0;
}

void AnimatePalette() {
    int moved = 0;
    for (int g = 0; g < CYCLE_GROUPS - 1; ++g) {
        if (GroupDue(&CycleGroups[g])) {
            FireGroup(&CycleGroups[g]);
            moved = 1;
        }
    }
    if (GroupDue(&CycleGroups[CYCLE_GROUPS - 1])) {
        StepPulse();
        moved = 1;
    }
    // A failed installation is simply tried again on the next pass that moves something.
    if (moved)
        ApplyPalette();
}

void SpeedUpCycling() {
    if (SpeedFactor > SPEED_FACTOR_MIN)
        --SpeedFactor;
}

void SlowDownCycling() {
    if (SpeedFactor < SPEED_FACTOR_MAX)
        ++SpeedFactor;
}
