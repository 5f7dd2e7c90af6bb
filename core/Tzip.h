// Tzip: writes ZIP archives (deflate) from a list of files, each under its own name or a name
// given after "|", and extracts archives through the shell services of `os`. TPtrStream: a
// read-only stream laid over a buffer somebody else owns (a blob handed out by SQLite).
// Entry names inside an archive always use "/" and are stored as UTF-8.
#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/TMemoryStream.h"
#include "platform/TStringList.h"

// What the archive writer raises: a target that cannot be made or a source that cannot be read.
// The target is then left as it was before.
class EZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Tzip {
 public:
  Tzip();
  ~Tzip();
  Tzip(const Tzip&) = delete;
  Tzip& operator=(const Tzip&) = delete;

  void add(const std::string& filename);
  void add(const std::string& filename, const std::string& newName);
  // Writes the pending entries into `target` and clears them (also when writing fails).
  void zip(const std::string& target);
  // An archive holding one file under its own name; useTempfiles does not apply.
  void zipFile(const std::string& source, const std::string& target);
  // An archive from a list of "file" or "file|name inside" lines; the list is not changed.
  void zipList(const TStringList& source, const std::string& target);
  // Extracts the archive into the folder (see TosShell::unzip).
  bool unzip(const std::string& source, const std::string& targetdir);

  [[nodiscard]] TStringList& pending() { return *list; }
  // Archive a temporary copy of each file instead of the file itself.
  bool useTempfiles = false;

 private:
  std::unique_ptr<TStringList> list;
};

class TPtrStream : public TCustomMemoryStream {
 public:
  // Lays the stream over `Size` bytes at `Ptr` (neither copied nor freed); position 0.
  void SetPointer(const void* Ptr, int64_t Size);
  // Exactly `count` bytes from the absolute position `offset`, else EReadError with nothing read.
  void read(void* Buffer, int64_t count, int64_t offset);
  using TCustomMemoryStream::read;
};
