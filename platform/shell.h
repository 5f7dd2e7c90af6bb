// The desktop shell on Linux: opening a file or an address with the user's chosen program
// (xdg-open, started with posix_spawn and never through a shell), starting a program and waiting
// for it while the application keeps pumping its messages, MIME types, default programs and file
// icons from the freedesktop databases ($XDG_DATA_HOME, $XDG_DATA_DIRS, $XDG_CONFIG_*).
// Implemented: [x] open file or address [x] start and wait with a pump seam [x] MIME type of an
//              extension [x] default program of a MIME type [x] icon theme icons (Adwaita, hicolor)
//              [ ] writing associations (no registry: callers report it unavailable)
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace platform {
// Hands a file name or an address to the desktop opener; true when the opener was started.
// The opener runs detached: its exit is collected in the background.
bool openWithDesktop(const std::string& target);
// Tests point the opener at a program of their own; empty restores xdg-open.
void setOpenerForTesting(const std::string& program);

// Splits a command line into arguments: blanks separate, double quotes group, "" inside quotes
// is one quote character. No other character is special (no shell runs it).
std::vector<std::string> splitCommandLine(const std::string& line);
// Starts `program` (a path, or a name looked up on PATH) with the arguments; -1 when it could not
// be started.
int startProgram(const std::string& program, const std::vector<std::string>& args);

// The application's message pump: handles pending messages, waiting at most `maxWaitMs` for the
// next one; false when the application is terminating. The window layer sets it.
using MessagePump = std::function<bool(int maxWaitMs)>;
void setMessagePump(MessagePump pump);
// Lets the application handle what is pending without waiting (nothing without a pump).
void pumpPendingMessages();
// Waits until the process ends, pumping messages meanwhile (without a pump it simply blocks).
// True when the process ended; false when the pump reported the application terminating or the
// process cannot be waited for. `exitCode` gets the process's exit status (128 + signal).
bool waitForProgram(int pid, int* exitCode = nullptr);

// The value of `key` in section `section` of a desktop-entry style file (desktop entries, systemd
// units, mimeapps.list); empty when absent.
std::string keyFileValue(const std::string& path, const std::string& section, const std::string& key);

// The MIME type whose glob is "*." + ext (letter case ignored unless the glob says otherwise);
// empty when none is known.
std::string mimeTypeOfExtension(const std::string& ext);
// The executable of the default program for a MIME type (its desktop entry's Exec, resolved on
// PATH); empty when there is none.
std::string defaultProgramOf(const std::string& mimeType);
// The icon theme's file for a MIME type at about `size` pixels; empty when none exists.
std::string iconFileOf(const std::string& mimeType, int size);

// Icon handles: small positive numbers standing for an icon file; 0 means none.
int loadFileIcon(const std::string& ext, int size);
std::string iconFile(int handle);
void freeIcon(int handle);
}  // namespace platform
