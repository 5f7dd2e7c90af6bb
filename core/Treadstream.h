// Buffered file streams for large binary files: Treadstream reads through a page of up to
// 1,000,000 bytes and can close its file while idle; TwriteStream collects writes in a
// 10,000,000-byte buffer and writes it out in large blocks. Positions are 64-bit byte offsets.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/r_base.h"

class Treadstream : public TqyObject {
 public:
  static constexpr uint32_t kPageSize = 1000000;

  Treadstream() = default;
  ~Treadstream() override;

  // Opens the file for reading; the page is the file's size when that is smaller (at least one
  // byte, so an empty file reads as nothing). False, logged, when it cannot be opened.
  bool open(const std::string& filename);
  [[nodiscard]] bool isOpen() const { return mem >= 0; }

  [[nodiscard]] int64_t position() const { return fposition; }
  // Moves to p, loading the page that holds it unless it is loaded already.
  void setPosition(int64_t p);
  // Bytes copied into v: from the page, or straight from the file when they cross its end.
  // The position advances by `size` in every case.
  int64_t read(void* v, int64_t size);
  // Reads at a position without moving the stream or its page.
  int64_t directread(int64_t position, void* v, int64_t size);

  [[nodiscard]] uint32_t bufsize() const { return fBufSize; }
  // A new, empty page; callers set the position afterwards.
  void setBufSize(uint32_t n);
  [[nodiscard]] bool resting() const { return fresting; }
  // Resting closes the file (the page stays); waking reopens it at position 0.
  bool setResting(bool value);
  [[nodiscard]] int64_t size() const { return fsize; }
  [[nodiscard]] const std::string& filename() const { return fname; }

 private:
  void loadPage(int64_t index);
  std::string fname;
  int mem = -1;
  std::unique_ptr<uint8_t[]> buf;
  bool fresting = false;
  uint32_t fBufSize = 0;
  uint32_t bufPosition = 0;
  uint32_t lastSize = 0;
  int64_t fposition = 0;
  int64_t fsize = 0;
  int64_t loadedPage = -1;  // index of the page in `buf`, -1 when none
};

class TwriteStream : public TqyObject {
 public:
  static constexpr uint32_t kBufferSize = 10000000;

  TwriteStream() = default;
  ~TwriteStream() override;  // commits and closes

  // Creates the file or empties an existing one. False, logged, when it cannot.
  bool open(const std::string& filename);
  // False when the file is not open or a block could not be written (logged once).
  bool write(const void* buffer, int64_t size);
  bool commit();
  // Commits and closes; false when anything written since opening was lost.
  bool close();
  [[nodiscard]] int64_t position() const;
  bool setPosition(int64_t value);
  [[nodiscard]] bool failed() const { return ffailed; }

 private:
  void fail(const std::string& what);
  std::string fname;
  int f = -1;
  std::unique_ptr<uint8_t[]> pt;
  uint32_t bufsize = kBufferSize;
  uint32_t cnt = 0;
  bool ffailed = false;
};
