// Sounds, the bell, the platform's own message box, clipboard text, and starting programs and
// addresses (posix_spawn, no shell). On the headless desktop nothing is played, shown or started:
// each request is recorded for tests to read.
// Implemented: [x] WAV through SDL audio, synchronous or not [x] bell [x] simple message box
//              [x] clipboard text [x] spawn with arguments, xdg-open [x] waiting for a child
//              [x] starting a program by path with its failure told [x] collecting ended children
//              while messages are pumped, with a limit [x] systemd's services
//              [ ] sounds mixed (a new one cuts the last)
#pragma once
#include "platform/shell.h"
#include <string>
#include <vector>

namespace platform {
// Plays a WAV file; synchronous waits (pumping nothing) until it ends. False when unreadable.
bool playSound(std::string const& path, bool async);
void messageBeep();
// A modal box of the platform with one OK button; recorded on the headless desktop.
void showMessageBox(std::string const& title, std::string const& text);
[[nodiscard]] std::string clipboardText();
void setClipboardText(std::string const&);
// Starts a program found on PATH (or by path) with arguments, asking it (when it is one of ours)
// to show its first window as `show` says; the process id, 0 when it failed. The headless desktop
// records "launch <program> <args...>", with " (hidden)" or " (minimized)" after a request.
int launch(std::string const& program, std::vector<std::string> const& args, StartWindow show = StartWindow::Normal);
// Starts the program at path (no search along PATH) with arguments and does not wait for it.
// False, with the reason in why, when the file is missing, is not an executable file or cannot be
// started. The headless desktop checks the file the same way, then records the launch as
// launch does and starts nothing (pid 0).
bool startProgram(std::string const& path, std::vector<std::string> const& args, int& pid, std::string& why);
// Collects a program started earlier once it has ended, without waiting; true when it had ended
// (or is not a child of this process).
bool reapProgram(int pid);
// Opens a file or address with the desktop's default program (xdg-open); false when none.
bool openAddress(std::string const& address);
// Waits for a started program to end, handling messages meanwhile and never longer than
// timeoutMs; true when it ended.
bool waitProcess(int pid, unsigned timeoutMs);
// splitCommandLine comes from platform/shell.h.

// The services systemd knows (its unit folders), by description (the unit's name where it has
// none), sorted by unit name; templates, masked units and aliases are left out. False, with
// nothing added, when systemd is not the running init.
bool systemServices(std::vector<std::string>& names);
// Tests read the unit folders below a root folder of their own; empty restores "/".
void setSystemRootForTesting(const std::string& root);

// What the headless desktop recorded: "sound <path>", "sound async <path>", "beep",
// "box <title>|<text>", "launch <program> <args...>", "open <address>".
std::vector<std::string>& recorded();
}  // namespace platform
