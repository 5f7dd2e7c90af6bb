// The framework's memory streams: see TMemoryStream.h.
#include "platform/TMemoryStream.h"

#include <algorithm>
#include <cstring>

int64_t TCustomMemoryStream::read(void* buffer, int64_t count) {
  if (count <= 0 || fposition >= fsize) return 0;
  int64_t n = std::min(count, fsize - fposition);
  std::memcpy(buffer, fmemory + fposition, static_cast<size_t>(n));
  fposition += n;
  return n;
}

void TCustomMemoryStream::readBuffer(void* buffer, int64_t count) {
  if (count < 0 || fposition > fsize || count > fsize - fposition) throw EReadError("Stream read error");
  read(buffer, count);
}

void TCustomMemoryStream::setPointer(const void* ptr, int64_t size) {
  fmemory = static_cast<const uint8_t*>(ptr);
  fsize = ptr ? std::max<int64_t>(size, 0) : 0;
}

int64_t TMemoryStream::write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  int64_t end = position() + count;
  if (end > size()) setSize(end);
  std::memcpy(bytes_.data() + (end - count), buffer, static_cast<size_t>(count));
  setPosition(end);
  return count;
}

void TMemoryStream::setSize(int64_t n) {
  int64_t p = position();
  bytes_.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
  setPointer(bytes_.data(), static_cast<int64_t>(bytes_.size()));
  setPosition(std::min(p, size()));
}
