// Shared by the tests that run the program's code on the fake device.
#pragma once

#include <string>
#include <vector>

// Puts every program-wide variable of palette/, display/, animation/ and viewer/ back to the value
// it has when the process starts, clears the argument vector, and resets the fake device and the
// layer (fake::Reset). The display references are dropped without a Release: the fake's objects
// go with its reset.
void ResetProgramState();

// Sets __argc and __argv as the run-time start-up would for this command line (program name
// first). The strings live until the next call.
void SetArguments(const std::vector<std::string>& args);

// A fresh empty directory under the system's temporary directory, and its removal.
std::string MakeScratchDir();
void RemoveScratchDir(const std::string& dir);

// Writes bytes to a file, replacing it; returns its path.
std::string WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Runs WinMain as the run-time start-up does, with an instance of our own.
int RunWinMain();
