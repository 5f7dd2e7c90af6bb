// Buffered file streams: see Treadstream.h.
// Read page invariants: (1) buf holds fBufSize bytes; (2) lastSize <= fBufSize bytes of it are the
// file's bytes from loadedPage * fBufSize on; (3) bufPosition == fposition mod fBufSize.
#include "core/Treadstream.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"

#include <unistd.h>

// ---------------------------------------------------------------------------------------------
// Treadstream

Treadstream::~Treadstream() {
  if (mem >= 0) platform::closeFile(mem);
}

bool Treadstream::open(const std::string& filename) {
  TprocScope proc(*this, "open");
  if (mem >= 0) platform::closeFile(mem);
  fname = filename;
  seterr("a");  // a: open the file
  mem = platform::openRead(filename);
  if (mem < 0) {
    log("cannot open " + filename + ": " + platform::lastErrorText());
    return false;
  }
  fsize = platform::fileLength(mem);
  fBufSize = static_cast<uint32_t>(std::clamp<int64_t>(fsize, 1, kPageSize));
  buf = std::make_unique<uint8_t[]>(fBufSize);
  fposition = 0;
  bufPosition = 0;
  lastSize = 0;
  loadedPage = -1;
  fresting = false;
  return true;
}

void Treadstream::loadPage(int64_t index) {
  lastSize = 0;
  loadedPage = index;
  if (mem < 0) return;
  ssize_t n = ::pread(mem, buf.get(), fBufSize, index * static_cast<int64_t>(fBufSize));
  lastSize = n > 0 ? static_cast<uint32_t>(n) : 0;
}

void Treadstream::setPosition(int64_t p) {
  if (fBufSize == 0 || p < 0) return;
  const int64_t s = fBufSize;
  bufPosition = static_cast<uint32_t>(p % s);
  fposition = p;
  // A position at a page start always reloads: the file may have grown since.
  if (p / s == loadedPage && p % s != 0) return;
  loadPage(p / s);
}

int64_t Treadstream::read(void* v, int64_t size) {
  if (mem < 0 || fresting || fBufSize == 0 || size <= 0) return 0;
  const int64_t s = fBufSize;
  if (fposition % s == 0 || loadedPage != fposition / s) setPosition(fposition);
  if (static_cast<int64_t>(bufPosition) + size > lastSize) {
    int64_t got = directread(fposition, v, size);
    setPosition(fposition + size);
    return got;
  }
  std::memcpy(v, buf.get() + bufPosition, static_cast<size_t>(size));
  if ((fposition + size) % s != 0) {
    bufPosition += static_cast<uint32_t>(size);
    fposition += size;
  } else {
    setPosition(fposition + size);
  }
  return size;
}

int64_t Treadstream::directread(int64_t position, void* v, int64_t size) {
  if (mem < 0 || size <= 0 || position < 0) return 0;
  int64_t done = 0;
  auto* p = static_cast<char*>(v);
  while (done < size) {
    ssize_t n = ::pread(mem, p + done, static_cast<size_t>(size - done), position + done);
    if (n <= 0) break;
    done += n;
  }
  return done;
}

void Treadstream::setBufSize(uint32_t n) {
  n = std::max<uint32_t>(n, 1);
  if (n == fBufSize) return;
  fBufSize = n;
  buf = std::make_unique<uint8_t[]>(n);
  lastSize = 0;
  loadedPage = -1;
  bufPosition = static_cast<uint32_t>(fposition % n);
}

bool Treadstream::setResting(bool value) {
  if (value == fresting) return true;
  TprocScope proc(*this, "setResting");
  fresting = value;
  if (value) {
    if (mem >= 0) platform::closeFile(mem);
    mem = -1;
    return true;
  }
  seterr("a");  // a: reopen
  mem = platform::openRead(fname);
  if (mem < 0) {
    log("cannot reopen " + fname + ": " + platform::lastErrorText());
    return false;
  }
  setPosition(0);
  return true;
}

// ---------------------------------------------------------------------------------------------
// TwriteStream

TwriteStream::~TwriteStream() {
  if (f >= 0) close();
}

void TwriteStream::fail(const std::string& what) {
  if (!ffailed) log(what + " " + fname + ": " + platform::lastErrorText());
  ffailed = true;
}

bool TwriteStream::open(const std::string& filename) {
  TprocScope proc(*this, "open");
  if (f >= 0) close();
  fname = filename;
  ffailed = false;
  cnt = 0;
  seterr("a");  // a: create the file
  f = platform::createTruncate(filename);
  if (f < 0) {
    fail("cannot create");
    return false;
  }
  if (!pt) pt = std::make_unique<uint8_t[]>(bufsize);
  return true;
}

bool TwriteStream::write(const void* buffer, int64_t size) {
  if (f < 0) {
    fail("not open:");
    return false;
  }
  const auto* p = static_cast<const uint8_t*>(buffer);
  bool ok = true;
  while (size > 0) {
    auto part = static_cast<uint32_t>(std::min<int64_t>(size, bufsize - cnt));
    std::memcpy(pt.get() + cnt, p, part);
    cnt += part;
    p += part;
    size -= part;
    if (cnt == bufsize) ok = commit() && ok;
  }
  return ok;
}

bool TwriteStream::commit() {
  if (cnt == 0) return f >= 0;
  TprocScope proc(*this, "commit");
  seterr("a");  // a: write the buffer
  bool ok = platform::writeFile(f, pt.get(), cnt);
  cnt = 0;
  if (!ok) fail("cannot write");
  return ok;
}

bool TwriteStream::close() {
  if (f < 0) return !ffailed;
  commit();
  if (!platform::closeFile(f)) fail("cannot close");
  f = -1;
  return !ffailed;
}

int64_t TwriteStream::position() const { return f < 0 ? 0 : platform::filePosition(f) + cnt; }

bool TwriteStream::setPosition(int64_t value) {
  if (!commit()) return false;
  if (platform::seekFile(f, value) < 0) {
    fail("cannot seek in");
    return false;
  }
  return true;
}
