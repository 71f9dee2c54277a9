#include "tests/support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "animation/cycling.h"
#include "display/display.h"
#include "palette/brightness.h"
#include "palette/work_palette.h"
#include "tests/fake/fake_device.h"
#include "viewer/viewer.h"

namespace {

std::vector<std::string> argument_text;
std::vector<char*> argument_vector;

} // namespace

void ResetProgramState() {
    // palette/
    std::memset(WorkPalette, 0, sizeof WorkPalette);
    BrightnessExponent = 1.0;
    std::memset(BrightnessTable, 0, sizeof BrightnessTable);
    // display/
    lpDD = NULL;
    lpSurface = NULL;
    lpPalette = NULL;
    // animation/
    SpeedFactor = SPEED_FACTOR_MIN;
    PulseLevel = 0;
    PulseStep = -PULSE_STEP;
    for (CycleRange& range : CycleRanges)
        range.phase = 0;
    for (CycleGroup& group : CycleGroups)
        group.lastFire = 0;
    // viewer/
    ViewerWindow = NULL;
    PatternPending = 1;
    AppActive = 0;
    // The run-time start-up's arguments.
    SetArguments({});
    fake::Reset();
}

void SetArguments(const std::vector<std::string>& args) {
    argument_text = args;
    argument_vector.clear();
    for (std::string& a : argument_text)
        argument_vector.push_back(a.data());
    argument_vector.push_back(nullptr);
    __argc = static_cast<int>(args.size());
    __argv = args.empty() ? nullptr : argument_vector.data();
}

std::string MakeScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

void RemoveScratchDir(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())) {
        std::perror(path.c_str());
        std::abort();
    }
    std::fclose(f);
    return path;
}

int RunWinMain() {
    static int module;
    static char command_line[] = "";
    return WinMain(reinterpret_cast<HINSTANCE>(&module), NULL, command_line, SW_SHOWNORMAL);
}
