// The desktop shell on Linux: opening a file or an address with the user's chosen program
// (xdg-open, started with posix_spawn and never through a shell), starting a program and waiting
// for it while the application keeps pumping its messages, MIME types, default programs and file
// icons from the freedesktop databases ($XDG_DATA_HOME, $XDG_DATA_DIRS, $XDG_CONFIG_*).
// Implemented: [x] open file or address [x] start and wait with a pump seam [x] start minimised
//              or hidden (our own programs) [x] MIME type of an
//              extension [x] default program of a MIME type [x] icon theme icons (Adwaita, hicolor)
//              [x] per-user associations (shared MIME database, desktop entry, hicolor icon)
//              [x] shortcuts as desktop entries or symbolic links
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

// How a started program shows its first window. Only our own programs can be asked: the start
// sets the environment value KESTROVA_START_WINDOW ("minimized" or "hidden") for the program,
// whose window layer honours it on its first task-bar window. Other programs show their windows
// as they always do.
enum class StartWindow { Normal, Minimized, Hidden };
inline constexpr char kStartWindowVariable[] = "KESTROVA_START_WINDOW";
// The request this process was started with, taken from the environment (the window layer takes
// it once, as it opens): the programs it starts in turn do not inherit it, and a second call
// answers Normal.
StartWindow takeStartWindowRequest();
// The environment a started program gets: ours, with the start request for `show` set (or, for
// Normal, left out).
std::vector<std::string> childEnvironment(StartWindow show);
// Whether a program (a path, or a name looked up on PATH) lies in this program's own folder,
// where our own programs are.
bool isOwnProgram(const std::string& program);

// Starts `program` (a path, or a name looked up on PATH) with the arguments; -1 when it could not
// be started. With a working folder the program starts there (a relative program path is taken
// from the current folder, before the change).
int startProgram(const std::string& program, const std::vector<std::string>& args,
                 StartWindow show = StartWindow::Normal, const std::string& workingFolder = "");
// The same, with the program's end collected in the background; false when it could not start.
bool startDetached(const std::string& program, const std::vector<std::string>& args, StartWindow show,
                   const std::string& workingFolder);

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

// A per-user association of the files "*.<ext>" with a MIME type of their own, its description
// and its icon (a PNG or SVG picture), opened by `program`.
struct TfileAssociation {
  std::string ext;       // without the full stop
  std::string mimeType;  // "application/x-..."
  std::string description;
  std::string iconFile;
  std::string program;
};
enum class AssociationChange { Written, Unchanged, Failed };
// Writes the MIME package $XDG_DATA_HOME/mime/packages/<id>.xml, the desktop entry
// $XDG_DATA_HOME/applications/<id>.desktop (which records the icon file it was given) and copies
// the icon into the user's hicolor theme; <id> is `id`. Unchanged, with nothing written, when the
// desktop entry already records that icon file; Failed, with the reason, when the icon is not a
// PNG or SVG picture or a file cannot be written (files already replaced stay whole).
AssociationChange writeAssociation(const std::string& id, const TfileAssociation&, std::string& error);
// Rebuilds the user's MIME database and desktop-entry cache with update-mime-database and
// update-desktop-database, each where it is installed; answers whether the MIME database was
// rebuilt.
bool refreshAssociations();

// Shortcuts. A name ending ".desktop" becomes a desktop entry: one that runs `target` with the
// arguments in its own folder when the target is a program, else one that opens the target
// (no arguments then). Any other name becomes a symbolic link (no arguments either). An existing
// shortcut of that name is replaced; any other existing file is left alone (false).
bool makeShortcut(const std::string& linkFile, const std::string& target, const std::string& params,
                  std::string& error);
// The file a symbolic link or a desktop entry leads to (the program a desktop entry runs); empty
// when it is neither.
std::string shortcutTarget(const std::string& linkFile);

// Icon handles: small positive numbers standing for an icon file; 0 means none.
int loadFileIcon(const std::string& ext, int size);
std::string iconFile(int handle);
void freeIcon(int handle);
}  // namespace platform
