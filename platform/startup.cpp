// The run-time start-up: keeps the command line's arguments for the program, calls WinMain and
// returns its result as the process exit code.
#include <string>

#include "platform/win32.h"

int main(int argc, char** argv) {
    __argc = argc;
    __argv = argv;
    // WinMain's command line is everything after the program's own name.
    static std::string command_line;
    for (int i = 1; i < argc; ++i)
        command_line += (i > 1 ? " " : "") + std::string(argv[i]);
    // Any address will do as the module instance; the program only hands it back to the layer.
    static int module;
    return WinMain(reinterpret_cast<HINSTANCE>(&module), NULL, command_line.data(), SW_SHOWNORMAL);
}
