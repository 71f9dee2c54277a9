// The argument count and vector the run-time start-up leaves for the program, as the platform's
// C run-time does with its own __argc and __argv.
#include "platform/win32.h"

int __argc = 0;
char** __argv = nullptr;
