// Files on Linux for the system's file services: integer handles (POSIX descriptors) with 64-bit
// positions, attributes (a dot name is hidden, no owner write bit is read-only), file times in UTC
// date-time values at full precision, advisory locks, folder listing by wildcard, whole-file writes.
// Implemented: [x] handles [x] attributes [x] times [x] locks [x] listing (fnmatch, no case)
//              [x] replace-by-rename writes [x] exclusive creation [x] rename without replacing
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"

namespace platform {
constexpr int kNoFile = -1;

// Handles: -1 when the call failed. Opening never creates unless said.
int openRead(const std::string& path);
int openReadWrite(const std::string& path);
int createTruncate(const std::string& path);  // created when missing, else emptied; mode 0666 & ~umask
int openAppend(const std::string& path);      // created when missing; every write goes to the end
// Creates a new file that did not exist before (false when the name is taken or the folder is missing).
bool createExclusive(const std::string& path);
bool closeFile(int fd);
// Bytes read (0 at the end or on failure); never reads past `size`.
int64_t readFile(int fd, void* buf, int64_t size);
// True when every byte was written (retries short writes).
bool writeFile(int fd, const void* buf, int64_t size);
// Absolute position; -1 on failure.
int64_t seekFile(int fd, int64_t position);
int64_t filePosition(int fd);
int64_t fileLength(int fd);  // the position is left where it was

// Advisory locks. lockRange waits for nothing: false when another process holds the range.
bool lockRange(int fd, int64_t start, int64_t length);
bool unlockRange(int fd, int64_t start, int64_t length);
// True when another process holds a lock on any part of the file.
bool fileLockedByOther(const std::string& path);

// Kinds of entries.
bool isFile(const std::string& path);    // a regular file, links followed
bool isFolder(const std::string& path);  // a folder, links followed
bool isLink(const std::string& path);    // the entry itself is a symbolic link
bool isHiddenName(std::string_view name);  // begins with a full stop
bool isReadOnly(const std::string& path);  // the owner may not write it
bool setReadOnly(const std::string& path, bool readOnly);
// False when the entry is missing; the size in bytes otherwise.
bool fileSize(const std::string& path, int64_t& size);

// Times as UTC date-time values (days since 1899-12-30) with the file system's full precision.
// Creation falls back to the last write where the file system keeps no birth time.
bool fileTimes(const std::string& path, TDateTime& created, TDateTime& accessed, TDateTime& written);
// Sets the last access and last write times (Linux keeps no settable creation time).
bool setFileTimes(const std::string& path, TDateTime accessed, TDateTime written);

// Entry names of a folder matching a wildcard pattern (fnmatch, letter case ignored), in the
// order the folder gives them; "." and ".." never appear.
enum class Entries { Files, Folders, All };
std::vector<std::string> listFolder(const std::string& folder, const std::string& pattern, Entries kind,
                                    bool withHidden = false);

// Whether a name matches a wildcard pattern ("*", "?", "[...]"), letter case ignored.
bool fnmatchNoCase(const std::string& pattern, const std::string& name);

bool makeFolder(const std::string& path, unsigned mode = 0777);
// A real folder (not a link) owned by this user that nobody else may enter; makes it so when it
// is ours but too open.
bool ensurePrivateFolder(const std::string& path);  // one level; true when it exists afterwards
bool removeFile(const std::string& path);    // unlinks a file or a link, never a folder
bool removeFolder(const std::string& path);  // an empty folder
bool renameFile(const std::string& from, const std::string& to);
// Moves a file to a name that must not exist yet: false, and nothing moved, when it does.
bool renameNoReplace(const std::string& from, const std::string& to);
// Copies into a new file beside the target and renames it over the target, as
// replaceFileContents writes: a failed copy leaves the old target whole. The copy keeps the old
// target's permissions (a new one gets the source's); the same file under two names is refused.
bool copyFileBytes(const std::string& source, const std::string& target);

// Writes the bytes to a new file in the same folder, flushes it to disk and renames it over
// `path`, so readers find the old file or the new one whole, never a mix. On failure the old file
// is untouched, the temporary file is removed and `error` says why. The temporary file is
// ".<name>.XXXXXX"; such files left by a killed save (this user's, untouched for a minute, named
// after a file of the folder) are removed first.
// Flush::Later skips flushing the new file to disk before the rename: it is still whole or not
// there after a kill or a full disk, but may be lost with the machine's power.
enum class Flush { ToDisk, Later };
bool replaceFileContents(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                         Flush flush = Flush::ToDisk);
// The same for a file made of several pieces written one after the other.
bool replaceFileContents(const std::string& path, std::span<const std::string_view> pieces,
                         std::string* error = nullptr, Flush flush = Flush::ToDisk);
// Tests make the next replaceFileContents of path (of any file when empty) fail after its
// temporary file is written (a full disk).
void failNextReplaceForTesting(const std::string& path = {});
// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& bytes);

// The text of the last failed call (errno).
std::string lastErrorText();
}  // namespace platform
