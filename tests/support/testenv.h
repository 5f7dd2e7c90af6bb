// The pinned world every test runs in: a fresh temporary folder of its own as HOME (documents,
// data and temporary folders below it), the C.UTF-8 locale and a fixed time zone. Each test starts
// in a new folder, so nothing one test leaves behind meets the next, whatever their order.
#pragma once
#include <string>

namespace testenv {
// The running test's own temporary folder, ending in "/" (before the first test, the process's);
// every such folder is removed when the process ends.
const std::string& tempDir();
// Gives the test about to run a fresh folder below the process's and makes it HOME, with its
// "tmp" folder as TMPDIR. The test main calls it before every test.
void beginTest();
// Where the services object takes the test program to lie: a folder of the process's own below
// tempDir(), so that what it keeps beside the program (its first log) stays out of the build
// folder. The test main sets it; a test that pretends another program path restores this one.
const std::string& programPath();
// The source tree's root, ending in "/".
std::string sourceDir();
// Writes bytes to a file below tempDir() (folders made as needed) and returns its full path.
std::string writeFile(const std::string& relativeName, const std::string& bytes);
std::string readFile(const std::string& path);
// How much longer than usual this build waits on other processes and the X server: 4 in sanitizer
// builds (their programs start 3-10 times slower), times KESTROVA_TEST_SLOW when it is set to a
// number above 1 (a loaded machine). Every deadline of a test that waits on a window, a pixel, a
// file or a process passes through deadlineMs.
double slowFactor();
int deadlineMs(int ms);
// Runs a shell command of an outside tool; its standard output and error, the status in *status.
std::string runCommand(const std::string& cmd, int* status = nullptr);
// Makes a file in the test's folder by an outside tool's command run there (a failure is a test
// failure); the file's full path.
std::string makeByCommand(const std::string& name, const std::string& cmd);
}  // namespace testenv
