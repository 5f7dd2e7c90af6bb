// TdataList: an object's attribute values in one block of bytes. Layout: the line count and the
// bytes the lines take (two 32-bit words in the machine's order), then each line as its length in
// 7-bit groups (low group first, the top bit set on every byte but the last) and its bytes.
// Invariants: (1) no block for an empty list; (2) a block holds exactly `count` lines filling
// exactly `used` bytes. Every change builds the new block before the old one is freed, so the text
// it is given may lie in the old one.
#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "drawing/r_Dra.h"

namespace {
constexpr size_t kHead = 8;

uint32_t word(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void putWord(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// The length at p and the number of bytes it takes.
size_t lengthAt(const uint8_t* p, size_t& bytes) {
  size_t n = 0;
  int shift = 0;
  bytes = 0;
  uint8_t b;
  do {
    b = p[bytes++];
    n |= size_t(b & 0x7F) << shift;
    shift += 7;
  } while (b & 0x80);
  return n;
}

void appendLine(std::string& out, std::string_view line) {
  size_t n = line.size();
  do {
    const uint8_t b = uint8_t(n & 0x7F);
    n >>= 7;
    out += char(n ? b | 0x80 : b);
  } while (n);
  out.append(line.data(), line.size());
}

std::string encoded(std::string_view line) {
  std::string out;
  appendLine(out, line);
  return out;
}
}  // namespace

TdataList::~TdataList() { std::free(p); }

TdataList::TdataList(const TdataList& other) {
  if (!other.p) return;
  const size_t n = kHead + other.used();
  p = static_cast<uint8_t*>(std::malloc(n));
  if (!p) throw std::bad_alloc();
  std::memcpy(p, other.p, n);
}

TdataList& TdataList::operator=(const TdataList& other) {
  if (this != &other) {
    TdataList copy(other);
    std::swap(p, copy.p);
  }
  return *this;
}

TdataList& TdataList::operator=(TdataList&& other) noexcept {
  if (this != &other) {
    std::free(p);
    p = other.p;
    other.p = nullptr;
  }
  return *this;
}

int TdataList::count() const { return p ? static_cast<int>(word(p)) : 0; }

size_t TdataList::used() const { return p ? word(p + 4) : 0; }

size_t TdataList::offsetOf(int index) const {
  size_t at = 0;
  for (int i = 0; i < index; ++i) {
    size_t bytes = 0;
    const size_t n = lengthAt(p + kHead + at, bytes);
    at += bytes + n;
  }
  return at;
}

std::string_view TdataList::operator[](int index) const {
  assert(index >= 0 && index < count() && "TdataList: index outside the list; check count() first");
  size_t bytes = 0;
  const uint8_t* at = p + kHead + offsetOf(index);
  const size_t n = lengthAt(at, bytes);
  return {reinterpret_cast<const char*>(at + bytes), n};
}

void TdataList::splice(size_t from, size_t to, std::string_view with, int added, int removed) {
  const size_t before = used();
  const size_t after = before - (to - from) + with.size();
  const int lines = count() + added - removed;
  if (lines == 0) {
    clear();
    return;
  }
  if (after > UINT32_MAX) throw std::length_error("TdataList: values beyond 4 GB");
  auto* q = static_cast<uint8_t*>(std::malloc(kHead + after));
  if (!q) throw std::bad_alloc();
  putWord(q, static_cast<uint32_t>(lines));
  putWord(q + 4, static_cast<uint32_t>(after));
  if (from) std::memcpy(q + kHead, p + kHead, from);
  if (!with.empty()) std::memcpy(q + kHead + from, with.data(), with.size());
  if (before > to) std::memcpy(q + kHead + from + with.size(), p + kHead + to, before - to);
  std::free(p);
  p = q;
  checkInvariants();
}

void TdataList::checkInvariants() const {
#ifndef NDEBUG
  assert((p == nullptr || count() > 0) && "(1) an empty list holds no block");
  assert(offsetOf(count()) == used() && "(2) the lines fill the used bytes exactly");
#endif
}

void TdataList::set(int index, std::string_view line) {
  assert(index >= 0 && index < count() && "TdataList: index outside the list; check count() first");
  const size_t from = offsetOf(index);
  size_t bytes = 0;
  const size_t n = lengthAt(p + kHead + from, bytes);
  splice(from, from + bytes + n, encoded(line), 1, 1);
}

int TdataList::add(std::string_view line) {
  const size_t end = used();
  splice(end, end, encoded(line), 1, 0);
  return count() - 1;
}

void TdataList::insert(int index, std::string_view line) {
  index = std::clamp(index, 0, count());
  const size_t at = offsetOf(index);
  splice(at, at, encoded(line), 1, 0);
}

void TdataList::remove(int index) {
  if (index < 0 || index >= count()) return;
  const size_t from = offsetOf(index);
  size_t bytes = 0;
  const size_t n = lengthAt(p + kHead + from, bytes);
  splice(from, from + bytes + n, {}, 0, 1);
}

void TdataList::clear() {
  std::free(p);
  p = nullptr;
}

void TdataList::swap(int indexA, int indexB) {
  if (indexA == indexB) return;
  const std::string a((*this)[indexA]), b((*this)[indexB]);
  set(indexA, b);
  set(indexB, a);
}

void TdataList::setCount(int n) {
  n = std::max(n, 0);
  const int have = count();
  if (n == have) return;
  if (n < have) {
    const size_t from = offsetOf(n);
    splice(from, used(), {}, 0, have - n);
    return;
  }
  const size_t end = used();
  splice(end, end, std::string(static_cast<size_t>(n - have), '\0'), n - have, 0);
}

void TdataList::assign(const std::vector<std::string>& lines) {
  std::string with;
  for (const std::string& l : lines) appendLine(with, l);
  const int had = count();
  splice(0, used(), with, static_cast<int>(lines.size()), had);
}

std::vector<std::string> TdataList::lines() const {
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(count()));
  size_t at = 0;
  for (int i = 0; i < count(); ++i) {
    size_t bytes = 0;
    const size_t n = lengthAt(p + kHead + at, bytes);
    out.emplace_back(reinterpret_cast<const char*>(p + kHead + at + bytes), n);
    at += bytes + n;
  }
  return out;
}

std::string TdataList::text() const {
  std::string out;
  out.reserve(used() + 2 * static_cast<size_t>(count()));
  size_t at = 0;
  for (int i = 0; i < count(); ++i) {
    size_t bytes = 0;
    const size_t n = lengthAt(p + kHead + at, bytes);
    out.append(reinterpret_cast<const char*>(p + kHead + at + bytes), n);
    out += "\r\n";
    at += bytes + n;
  }
  return out;
}
