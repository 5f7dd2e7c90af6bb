// The pixel buffers' file access: a raw file handle that closes itself, positioned reads,
// whole-file reads, and the folder test of a save.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rawio {

// An open file, closed when it goes out of scope.
class TrawFile {
 public:
  TrawFile() = default;
  ~TrawFile() { close(); }
  TrawFile(const TrawFile&) = delete;
  TrawFile& operator=(const TrawFile&) = delete;
  TrawFile(TrawFile&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  TrawFile& operator=(TrawFile&& o) noexcept;

  bool openRead(const std::string& path);
  // Creates or truncates.
  bool create(const std::string& path);
  [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
  // Length of the file in bytes; -1 when unknown.
  [[nodiscard]] int64_t size() const;
  // Reads up to n bytes at pos; returns the bytes read (short at the end of the file).
  size_t readAt(int64_t pos, void* buf, size_t n) const;
  // Writes all n bytes at the current end of what was written; false on any failure.
  bool write(const void* buf, size_t n);
  void close();

 private:
  int fd_ = -1;
};

// The whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
// The folder part of a path ("" for a bare name) and whether that folder exists
// (the current folder for a bare name).
std::string folderOf(const std::string& path);
bool folderExists(const std::string& folder);

}  // namespace rawio
