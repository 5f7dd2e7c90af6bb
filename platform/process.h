// Facts about the running process: executable, program name, user, millisecond ticks.
// Implemented: [x] executable path [x] user name [x] tick count [ ] command-line parsing (callers own it)
#pragma once
#include <cstdint>
#include <string>

namespace platform {
// Full path of the running executable (from /proc/self/exe).
std::string exePath();
// Folder of the executable, ending in "/".
std::string exeFolder();
// File name of the executable without its folder.
std::string exeName();
// The login name of the user running the program ("user" when none can be found).
std::string userName();
// Milliseconds on a monotonic clock, wrapping like the platform's 32-bit tick count.
uint32_t tickCount();
// Overrides the executable path (tests and tools that act for another program); empty restores.
void setExePathForTesting(const std::string& path);
}  // namespace platform
