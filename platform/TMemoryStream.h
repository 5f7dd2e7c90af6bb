// The framework's memory streams: a read-only stream over memory somebody else owns
// (TCustomMemoryStream) and a growable stream that owns its bytes (TMemoryStream).
// Positions and sizes are 64-bit byte counts; a position may lie past the end (reads then give 0).
// Implemented: [x] read, seek, exact reads that raise EReadError [x] owned growable memory
//              [ ] file loading and saving (no caller yet)
#pragma once
#include <cstdint>
#include <stdexcept>
#include <vector>

// A read that could not be satisfied in full.
class EReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TCustomMemoryStream {
 public:
  TCustomMemoryStream() = default;
  TCustomMemoryStream(const TCustomMemoryStream&) = delete;
  TCustomMemoryStream& operator=(const TCustomMemoryStream&) = delete;
  virtual ~TCustomMemoryStream() = default;

  [[nodiscard]] const uint8_t* memory() const { return fmemory; }
  [[nodiscard]] int64_t size() const { return fsize; }
  [[nodiscard]] int64_t position() const { return fposition; }
  void setPosition(int64_t p) { fposition = p < 0 ? 0 : p; }
  // Bytes copied (0 at or past the end); the position advances by them.
  int64_t read(void* buffer, int64_t count);
  // Exactly `count` bytes or EReadError (nothing is copied then and the position stays).
  void readBuffer(void* buffer, int64_t count);

 protected:
  void setPointer(const void* ptr, int64_t size);

 private:
  const uint8_t* fmemory = nullptr;
  int64_t fsize = 0;
  int64_t fposition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
 public:
  // Bytes written at the position, growing the stream as needed; the position advances.
  int64_t write(const void* buffer, int64_t count);
  // Grows with zero bytes or cuts; the position is kept within the new size.
  void setSize(int64_t n);
  void clear() { setSize(0); }
  [[nodiscard]] uint8_t* data() { return bytes_.data(); }

 private:
  std::vector<uint8_t> bytes_;
};
