// TbitmapBin: the multi-frame map image container. The file is mapped read only once its header
// has been checked against its length, so a frame is read straight from the system's file cache:
// copied into a 24-bit buffer by extract, or used in place through frameData.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "core/r_bitmapRaw.h"
#include "core/r_log.h"

namespace {
constexpr int kBinHeaderBytes = 24;
constexpr uintptr_t kHugePage = uintptr_t(2) << 20;

int32_t get32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24));
}
void put32(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(uint32_t(v) >> (8 * i));
}

// A frame-sized buffer not yet touched is backed by huge pages where the system allows: a few
// faults instead of one per 4 KB page when the frame is copied in.
void adviseHugePages(uint8_t* p, size_t n) {
#ifdef MADV_HUGEPAGE
  const uintptr_t first = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (reinterpret_cast<uintptr_t>(p) + n) & ~(kHugePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)p;
  (void)n;
#endif
}
}  // namespace

// Steps: a open, b header read, c header fields, d frames against the file length, e mapping.
bool TbitmapBin::open(const std::string& filename) {
  close();  // never leak a file that was open before
  auto fail = [&](const std::string& why) {
    ferror = why;
    log("TbitmapBin.open: " + filename + ": " + why);
    f.close();
    return false;
  };
  if (!f.openRead(filename)) return fail("cannot open");
  uint8_t head[kBinHeaderBytes];
  const int64_t length = f.size();
  if (length < kBinHeaderBytes || f.readAt(0, head, sizeof head) != sizeof head) return fail("shorter than its header");
  const int32_t w = get32(head), h = get32(head + 4), depth = get32(head + 8), rowL = get32(head + 12),
                size = get32(head + 16), n = get32(head + 20);
  if (w <= 0 || h <= 0) return fail("frame size " + std::to_string(w) + " x " + std::to_string(h) + " is not valid");
  if (depth != 24) return fail("depth " + std::to_string(depth) + " is not read; only 24");
  if (rowL != bmpRowLength(w, 24)) return fail("row length " + std::to_string(rowL) + " does not match width " + std::to_string(w));
  if (int64_t(rowL) * h > INT32_MAX || size != int64_t(rowL) * h)
    return fail("frame size " + std::to_string(size) + " does not match the rows");
  if (n < 0) return fail("frame count " + std::to_string(n) + " is not valid");
  // A cut file is refused whole: its header no longer describes it.
  const int64_t needed = kBinHeaderBytes + int64_t(n) * size;
  if (needed > length)
    return fail("shorter than its header says: " + std::to_string(n) + " frames need " + std::to_string(needed) +
                " bytes, the file has " + std::to_string(length));
  fwidth = w;
  fheight = h;
  fdepth = depth;
  frowL = rowL;
  fsize = size;
  fcount = n;
  fHeaderSize = kBinHeaderBytes;
  ffileSize = length;
  ferror.clear();
  // Without a mapping (a file system that has none) frames are read with positioned reads.
  if (n > 0 && uint64_t(needed) <= SIZE_MAX) {
    const int fd = ::open(filename.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      void* m = mmap(nullptr, size_t(needed), PROT_READ, MAP_PRIVATE, fd, 0);
      ::close(fd);
      if (m != MAP_FAILED) {
        fmap = static_cast<const uint8_t*>(m);
        fmapLength = size_t(needed);
      }
    }
  }
  return true;
}

void TbitmapBin::close() {
  temp.reset();
  if (fmap) munmap(const_cast<uint8_t*>(fmap), fmapLength);
  fmap = nullptr;
  fmapLength = 0;
  f.close();
}

const uint8_t* TbitmapBin::frameData(int index) const {
  if (!fmap || index < 0 || index >= fcount) return nullptr;
  return fmap + fHeaderSize + int64_t(index) * fsize;
}

void TbitmapBin::releaseFrame(int index) const {
  const uint8_t* p = frameData(index);
  if (!p) return;
  // Whole pages inside the frame only: a neighbour's pages stay.
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t first = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
  const uintptr_t last = (reinterpret_cast<uintptr_t>(p) + fsize) & ~(page - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

bool TbitmapBin::readFrame(int index, uint8_t* dst, int64_t bytes) {
  int64_t got = 0;
  if (const uint8_t* src = frameData(index); src && bytes == fsize) {
    std::memcpy(dst, src, size_t(bytes));
    got = bytes;
  } else if (f.isOpen() && index >= 0 && index < fcount && bytes == fsize) {
    got = int64_t(f.readAt(fHeaderSize + int64_t(index) * fsize, dst, size_t(bytes)));
  }
  if (got < bytes) std::memset(dst + got, 0, size_t(bytes - got));
  return got == bytes && bytes > 0;
}

bool TbitmapBin::extract(TrawBitmap24& rb, int index) {
  rb.clear();
  if (f.isOpen() && (index < 0 || index >= fcount)) {
    // Checked before anything is allocated: the image keeps its size and has no pixels.
    ferror = "frame " + std::to_string(index) + " is not among the " + std::to_string(fcount) + " frames";
    log("TbitmapBin.extract: " + ferror);
    return false;
  }
  if (rb.width() != fwidth || rb.height() != fheight) {
    rb.fwidth = 0;
    rb.fheight = 0;
    rb.setWid(fwidth);
    rb.setHei(fheight);
  }
  uint8_t* pt = rb.imageData();
  if (!pt) return false;
  adviseHugePages(pt, size_t(rb.imageSize()));
  bool ok = readFrame(index, pt, rb.imageSize());
  if (!ok) {
    ferror = "frame " + std::to_string(index) + " could not be read";
    log("TbitmapBin.extract: " + ferror);
  }
  return ok;
}

void TbitmapBin::getcolour24(int index, int col, int row, uint8_t& r, uint8_t& g, uint8_t& b) const {
  if (!f.isOpen() || index < 0 || index >= fcount || col < 0 || col >= fwidth || row < 0 || row >= fheight) return;
  uint8_t px[3];
  const int64_t at = int64_t(row) * frowL + int64_t(col) * 3;
  if (const uint8_t* frame = frameData(index)) std::memcpy(px, frame + at, 3);
  else if (f.readAt(fHeaderSize + int64_t(index) * fsize + at, px, 3) != 3) return;
  b = px[0];
  g = px[1];
  r = px[2];
}

// Each source is read as a BMP file; one that cannot be read or has another size gives a black
// frame (and a false result) instead of the previous frame's pixels.
bool TbitmapBin::MakeFromFiles(const std::string& target, int wid, int hei, int depth, const TStringList& files) {
  if (depth != 24 || wid <= 0 || hei <= 0) {
    log("TbitmapBin.MakeFromFiles: only 24-bit frames of a positive size are written");
    return false;
  }
  const int64_t rowL = bmpRowLength(wid, 24), size = rowL * hei;
  if (size > INT32_MAX) return false;
  rawio::TrawFile out;
  if (!out.create(target)) {
    log("TbitmapBin.MakeFromFiles: cannot create " + target);
    return false;
  }
  uint8_t head[kBinHeaderBytes];
  put32(head, wid);
  put32(head + 4, hei);
  put32(head + 8, depth);
  put32(head + 12, int32_t(rowL));
  put32(head + 16, int32_t(size));
  put32(head + 20, files.count());
  bool written = out.write(head, sizeof head);
  bool allSources = true;
  std::vector<uint8_t> zeros;
  for (int i = 0; i < files.count() && written; ++i) {
    TrawBitmap24 src;
    const std::string name = files[i];
    if (src.loadfromFile(name) && src.width() == wid && src.height() == hei) {
      written = out.write(src.imageData(), size_t(size));
      continue;
    }
    log("TbitmapBin.MakeFromFiles: " + name + " is not a " + std::to_string(wid) + " x " + std::to_string(hei) +
        " 24-bit BMP; its frame is black");
    allSources = false;
    if (zeros.empty()) zeros.assign(size_t(size), 0);
    written = out.write(zeros.data(), zeros.size());
  }
  if (!written) log("TbitmapBin.MakeFromFiles: cannot write " + target);
  return written && allSources;
}
