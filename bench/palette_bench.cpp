// The program's palette work per animation pass: the conversion, a pass in which no timer runs
// out, and a pass in which all four fire and the palette is installed.
#include <random>

#include <benchmark/benchmark.h>

#include "animation/cycling.h"
#include "bench/bench_device.h"
#include "display/display.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"

namespace {

void FillWorkPalette() {
    std::mt19937 rng(7);
    for (unsigned char& component : WorkPalette)
        component = (unsigned char)(rng() % 64);
}

// The display as the program sets it up, on the bench device.
void SetUpDisplay() {
    ReleaseDisplay();
    FillWorkPalette();
    BrightnessExponent = 1.3;
    BuildBrightnessTable();
    InitDisplay(reinterpret_cast<HWND>(uintptr_t{1}));
    ApplyPalette();
}

void BM_ConvertPalette(benchmark::State& state) {
    FillWorkPalette();
    BrightnessExponent = 1.3;
    BuildBrightnessTable();
    PALETTEENTRY entries[PALETTE_ENTRIES];
    for (auto _ : state) {
        ConvertPalette(entries);
        benchmark::DoNotOptimize(entries);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ConvertPalette);

void BM_AnimateQuietPass(benchmark::State& state) {
    SetUpDisplay();
    SpeedFactor = 1;
    bench::ticks = 1000000;
    for (CycleGroup& group : CycleGroups)
        group.lastFire = bench::ticks;
    long made = bench::palettes_made;
    for (auto _ : state)
        AnimatePalette();
    if (bench::palettes_made != made)
        state.SkipWithError("a timer fired in a quiet pass");
    ReleaseDisplay();
}
BENCHMARK(BM_AnimateQuietPass);

void BM_AnimateFiringPass(benchmark::State& state) {
    SetUpDisplay();
    SpeedFactor = 1;
    bench::ticks += 1000000;
    for (CycleGroup& group : CycleGroups)
        group.lastFire = bench::ticks;
    long made = bench::palettes_made;
    long passes = 0;
    for (auto _ : state) {
        // Past the longest period, so every group fires.
        bench::ticks += 200;
        AnimatePalette();
        ++passes;
    }
    if (bench::palettes_made - made != passes)
        state.SkipWithError("a firing pass did not install exactly one palette");
    for (const CycleGroup& group : CycleGroups)
        if (group.lastFire != bench::ticks)
            state.SkipWithError("a group did not fire on the last pass");
    ReleaseDisplay();
}
BENCHMARK(BM_AnimateFiringPass);

} // namespace
