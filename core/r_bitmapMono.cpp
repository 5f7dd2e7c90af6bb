// TbitmapMono (one bit, black and white) and TrawBitmap (1, 8 or 24 bits with a palette).
// Every pixel access is checked against the size and the memory, and every file is checked
// against its real length before a row of it is read.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "core/bmpCheck.h"
#include "core/r_bitmapRaw.h"
#include "core/r_log.h"

namespace {
constexpr int kMonoHeaderBytes = 62;  // headers 54 + two palette entries
constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;

// A palette entry in the file (blue, green, red, reserved) as a colour integer 0x00BBGGRR.
uint32_t entryColour(const uint8_t* q) { return uint32_t(q[2]) | (uint32_t(q[1]) << 8) | (uint32_t(q[0]) << 16); }
void putEntry(uint8_t* q, uint32_t c) {
  q[0] = uint8_t(c >> 16);
  q[1] = uint8_t(c >> 8);
  q[2] = uint8_t(c);
  q[3] = 0;
}
int brightness(uint32_t c) { return int(c & 0xFF) + int((c >> 8) & 0xFF) + int((c >> 16) & 0xFF); }
}  // namespace

// ---------------------------------------------------------------------------------------------
// TbitmapMono

void TbitmapMono::doclear(bool clearSize) {
  fdc.reset();
  h.reset();
  fpt.reset();
  if (clearSize) {
    fwidth = fheight = rowL = fImageSize = 0;
    fh = TbmpFileHeader{};
    bi = TbmpInfoHeader{};
  }
}

void TbitmapMono::setwidth(int width) {
  fwidth = width;
  init();
}
void TbitmapMono::setHeight(int height) {
  fheight = height;
  init();
}
void TbitmapMono::setSize(int width, int height) {
  fwidth = width;
  fheight = height;
  init();
}

// A non-positive size leaves no memory behind that the old size had described.
void TbitmapMono::init() {
  doclear(false);
  rowL = fImageSize = 0;
  fh = TbmpFileHeader{};
  bi = TbmpInfoHeader{};
  if (fwidth <= 0 || fheight <= 0) return;
  const int64_t rl = bmpRowLength(fwidth, 1);
  if (rl * fheight > INT32_MAX - kMonoHeaderBytes) {
    log("TbitmapMono: size " + std::to_string(fwidth) + " x " + std::to_string(fheight) + " refused: too large");
    fwidth = fheight = 0;
    return;
  }
  rowL = int(rl);
  fImageSize = rowL * fheight;
  fillBmpHeaders(fh, bi, fwidth, fheight, 1, kMonoHeaderBytes, uint32_t(fImageSize));
}

bool TbitmapMono::createPixels() {
  if (fpt) return true;
  if (fImageSize <= 0) return false;
  fpt.reset(static_cast<uint8_t*>(std::calloc(size_t(fImageSize), 1)));
  return fpt != nullptr;
}

uint8_t* TbitmapMono::byteOf(int col, int row) const {
  if (!fpt || !inRange(col, row)) return nullptr;
  return fpt.get() + int64_t(rowL) * (fheight - 1 - row) + col / 8;
}

void TbitmapMono::fillBlack() {
  if (createPixels()) std::memset(fpt.get(), 0, size_t(fImageSize));
}
void TbitmapMono::fillWhite() {
  if (createPixels()) std::memset(fpt.get(), 0xFF, size_t(fImageSize));
}

bool TbitmapMono::isWhite(int col, int row) const {
  const uint8_t* p = byteOf(col, row);
  return p && (*p & (0x80 >> (col % 8)));
}

void TbitmapMono::setPixel(int col, int row, bool white) {
  if (!inRange(col, row) || !createPixels()) return;
  uint8_t* p = byteOf(col, row);
  if (white) *p = uint8_t(*p | (0x80 >> (col % 8)));
  else *p = uint8_t(*p & ~(0x80 >> (col % 8)));
}

void TbitmapMono::invert(int col, int row) {
  if (!inRange(col, row) || !createPixels()) return;
  uint8_t* p = byteOf(col, row);
  *p = uint8_t(*p ^ (0x80 >> (col % 8)));
}

uint8_t* TbitmapMono::rowPtr(int index) {
  if (index < 0 || index >= fheight || !createPixels()) return nullptr;
  return fpt.get() + int64_t(rowL) * (fheight - 1 - index);
}

bool TbitmapMono::saveToMem(std::vector<uint8_t>& mem) {
  mem.assign(size_t(fImageSize) + kMonoHeaderBytes, 0);
  writeBmpHeaders(fh, bi, mem.data());
  putEntry(mem.data() + 54, kBlack);
  putEntry(mem.data() + 58, kWhite);
  if (!fpt) return false;
  std::memcpy(mem.data() + kMonoHeaderBytes, fpt.get(), size_t(fImageSize));
  return true;
}

bool TbitmapMono::savetofile(const std::string& filename) {
  if (!fpt) return false;
  std::vector<uint8_t> bytes;
  saveToMem(bytes);
  return saveBmpFile(filename, {byteView(bytes.data(), bytes.size())}, "TbitmapMono.savetofile");
}

// A file whose palette puts white first is read with its bits flipped, so a set bit stays white.
bool TbitmapMono::load(const uint8_t* bytes, size_t length) {
  TbmpLayout lay;
  bool wrongDepth = false;
  std::string why = checkBmp(bytes, length, 1, lay, wrongDepth);
  if (!why.empty()) {
    floadError = why;
    log("TbitmapMono.load: " + why);
    return false;
  }
  uint32_t c0 = kBlack, c1 = kWhite;
  if (lay.paletteEntries >= 1) c0 = entryColour(bytes + lay.paletteOffset);
  if (lay.paletteEntries >= 2) c1 = entryColour(bytes + lay.paletteOffset + 4);
  const bool flip = brightness(c0) > brightness(c1);
  doclear(true);
  setSize(lay.width, lay.height);
  if (!createPixels()) {
    floadError = "no memory for the pixels";
    return false;
  }
  for (int i = 0; i < lay.height; ++i) {
    const int64_t src = lay.offset + lay.rowLength * i;
    const int64_t avail = std::min<int64_t>(lay.rowLength, int64_t(length) - src);
    uint8_t* dst = fpt.get() + int64_t(rowL) * (lay.topDown ? lay.height - 1 - i : i);
    std::memcpy(dst, bytes + src, size_t(avail));
    if (flip)
      for (int64_t k = 0; k < avail; ++k) dst[k] = uint8_t(~dst[k]);
  }
  floadError.clear();
  return true;
}

bool TbitmapMono::loadFromfile(const std::string& filename) {
  std::vector<uint8_t> bytes;
  if (!rawio::readWholeFile(filename, bytes)) {
    floadError = "cannot read " + filename;
    log("TbitmapMono.loadFromfile: " + floadError);
    return false;
  }
  return load(bytes.data(), bytes.size());
}

bool TbitmapMono::LoadFromMem(const std::vector<uint8_t>& mem) { return load(mem.data(), mem.size()); }

// ---------------------------------------------------------------------------------------------
// TrawBitmap

void TrawBitmap::clear() {
  fdc.reset();
  h.reset();
  buf.clear();
  fcolours.clear();
}

void TrawBitmap::setExternal(uint8_t* memory, size_t bytes) {
  pt = memory;
  ptBytes = memory ? bytes : 0;
}

void TrawBitmap::setHeaders() {
  fh = TbmpFileHeader{};
  bi = TbmpInfoHeader{};
  if (fwidth <= 0 || fheight <= 0) return;
  const auto palette = uint32_t(4 * fcolours.size());
  fillBmpHeaders(fh, bi, fwidth, fheight, fdepth, kBmpHeaderBytes + palette, uint32_t(imageBytes()));
}

bool TrawBitmap::sizeAllowed(int width, int height, int depth) {
  return (depth == 1 || depth == 8 || depth == 24) && width > 0 && height > 0 &&
         bmpRowLength(width, depth) * height <= INT32_MAX - 2048;
}

bool TrawBitmap::init(int width, int height, int depth) {
  clear();
  fwidth = fheight = fdepth = rowL = 0;
  if (!sizeAllowed(width, height, depth)) {
    setHeaders();
    return false;
  }
  if (depth == 1) fcolours = {kBlack, kWhite};
  if (depth == 8)
    for (uint32_t i = 0; i < 256; ++i) fcolours.push_back(i | (i << 8) | (i << 16));
  fwidth = width;
  fheight = height;
  fdepth = depth;
  rowL = int(bmpRowLength(width, depth));
  if (!pt) {
    try {
      buf.assign(size_t(imageBytes()), 0);
    } catch (const std::bad_alloc&) {
      log("TrawBitmap: no memory for " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
      clear();
      fwidth = fheight = fdepth = rowL = 0;
      setHeaders();
      return false;
    }
  }
  setHeaders();
  return true;
}

uint8_t* TrawBitmap::rowPt(int row) {
  if (fheight <= 0 || memoryBytes() < size_t(imageBytes())) return nullptr;
  row = std::clamp(row, 0, fheight - 1);
  return memory() + int64_t(row) * rowL;
}

void TrawBitmap::getcolour24(int col, int row, uint8_t& r, uint8_t& g, uint8_t& b) const {
  if (col < 0 || row < 0 || col >= fwidth || row >= fheight || memoryBytes() < size_t(imageBytes())) return;
  const uint8_t* line = memory() + int64_t(fheight - row - 1) * rowL;
  if (fdepth == 24) {
    const uint8_t* p = line + 3 * int64_t(col);
    b = p[0];
    g = p[1];
    r = p[2];
  } else if (fdepth == 8) {
    const uint8_t i = line[col];
    if (i >= fcolours.size()) return;
    r = uint8_t(fcolours[i]);
    g = uint8_t(fcolours[i] >> 8);
    b = uint8_t(fcolours[i] >> 16);
  }
}

// Shallower buffers take the nearest palette entry; three bytes never go into a narrower row.
void TrawBitmap::setcolour24(int col, int row, uint8_t r, uint8_t g, uint8_t b) {
  if (col < 0 || row < 0 || col >= fwidth || row >= fheight || memoryBytes() < size_t(imageBytes())) return;
  uint8_t* line = memory() + int64_t(fheight - row - 1) * rowL;
  if (fdepth == 24) {
    uint8_t* p = line + 3 * int64_t(col);
    p[0] = b;
    p[1] = g;
    p[2] = r;
    return;
  }
  int best = 0;
  int64_t bestD = INT64_MAX;
  for (size_t i = 0; i < fcolours.size(); ++i) {
    const int dr = int(fcolours[i] & 0xFF) - r, dg = int((fcolours[i] >> 8) & 0xFF) - g,
              db = int((fcolours[i] >> 16) & 0xFF) - b;
    const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
    if (d < bestD) {
      bestD = d;
      best = int(i);
    }
  }
  if (fdepth == 8) line[col] = uint8_t(best);
  else if (fdepth == 1) setMono(col, fheight - row - 1, best == 1);
}

bool TrawBitmap::getMono(int col, int row) const {
  if (col < 0 || row < 0 || row >= fheight || col / 8 >= rowL) return false;
  const size_t at = size_t(row) * rowL + size_t(col / 8);
  return at < memoryBytes() && (memory()[at] & (0x80 >> (col % 8)));
}

void TrawBitmap::setMono(int col, int row, bool white) {
  if (col < 0 || row < 0 || row >= fheight || col / 8 >= rowL) return;
  const size_t at = size_t(row) * rowL + size_t(col / 8);
  if (at >= memoryBytes()) return;
  uint8_t& byte = memory()[at];
  if (white) byte = uint8_t(byte | (0x80 >> (col % 8)));
  else byte = uint8_t(byte & ~(0x80 >> (col % 8)));
}

bool TrawBitmap::saveToFile(const std::string& filename) {
  if (fwidth <= 0 || memoryBytes() < size_t(imageBytes())) return false;
  std::vector<uint8_t> bytes(54 + 4 * fcolours.size());
  writeBmpHeaders(fh, bi, bytes.data());
  for (size_t i = 0; i < fcolours.size(); ++i) putEntry(bytes.data() + 54 + 4 * i, fcolours[i]);
  return saveBmpFile(filename, {byteView(bytes.data(), bytes.size()), byteView(memory(), size_t(imageBytes()))},
                     "TrawBitmap.saveToFile");
}

// The rows are read from the file's own pixel offset; an 8-bit palette shorter than 256 entries
// is read as far as the file gives it. Only the headers and palette are read before the buffer
// is sized, and a buffer that refuses the size ends the load before any row is read.
bool TrawBitmap::loadfromfile(const std::string& filename) {
  constexpr int64_t kMostHeadBytes = 14 + 4096 + 4 * 256;  // file and info headers, full palette
  rawio::TrawFile f;
  const int64_t length = f.openRead(filename) ? f.size() : -1;
  std::vector<uint8_t> head(size_t(std::clamp<int64_t>(length, 0, kMostHeadBytes)));
  TbmpLayout lay;
  bool wrongDepth = false;
  std::string why;
  if (length < 0 || f.readAt(0, head.data(), head.size()) != head.size()) why = "cannot read the file";
  else why = checkBmp(head.data(), size_t(length), 0, lay, wrongDepth);
  if (why.empty() && pt && ptBytes < size_t(lay.rowLength * lay.height)) why = "the given memory is too small";
  if (why.empty() && !sizeAllowed(lay.width, lay.height, lay.bits))
    why = "the buffer refuses " + std::to_string(lay.width) + " x " + std::to_string(lay.height) + " pixels";
  if (why.empty() && !init(lay.width, lay.height, lay.bits)) why = "no memory for the pixels";
  if (!why.empty()) {
    log("TrawBitmap.loadfromfile: " + filename + ": " + why);
    return false;
  }
  for (int i = 0; i < lay.paletteEntries && size_t(i) < fcolours.size(); ++i)
    fcolours[size_t(i)] = entryColour(head.data() + lay.paletteOffset + 4 * i);
  if (lay.bits == 8)
    for (size_t i = size_t(lay.paletteEntries); i < fcolours.size(); ++i) fcolours[i] = 0;
  for (int i = 0; i < lay.height; ++i) {
    const int64_t src = lay.offset + lay.rowLength * i;
    const int64_t avail = std::min<int64_t>(lay.rowLength, length - src);
    uint8_t* dst = memory() + int64_t(rowL) * (lay.topDown ? lay.height - 1 - i : i);
    const size_t got = f.readAt(src, dst, size_t(avail));
    if (got < size_t(rowL)) std::memset(dst + got, 0, size_t(rowL) - got);
  }
  return true;
}

// The index and the frame's bytes are checked against the file before the buffer is sized: a
// damaged header may name a frame of gigabytes in a file of a few bytes.
bool TrawBitmap::loadFromBin(TbitmapBin& bin, int index) {
  std::string why;
  if (!bin.isOpen()) why = "the container is not open";
  else if (index < 0 || index >= bin.count())
    why = "frame " + std::to_string(index) + " is not among the " + std::to_string(bin.count()) + " frames";
  else if (bin.fHeaderSize + (int64_t(index) + 1) * bin.fsize > bin.ffileSize)
    why = "frame " + std::to_string(index) + " lies beyond the end of the file";
  else if (!sizeAllowed(bin.width(), bin.height(), bin.depth()))
    why = "the buffer refuses " + std::to_string(bin.width()) + " x " + std::to_string(bin.height()) + " pixels";
  if (!why.empty()) {
    log("TrawBitmap.loadFromBin: " + why);
    return false;
  }
  if (!init(bin.width(), bin.height(), bin.depth())) return false;
  if (memoryBytes() < size_t(bin.frameSize()) || bin.rowLength() != rowL) return false;
  return bin.readFrame(index, memory(), bin.frameSize());
}

void TrawBitmap::blend24(const TrawBitmap& other, double percent) {
  const int w = std::min(fwidth, other.fwidth), hh = std::min(fheight, other.fheight);
  for (int row = 0; row < hh; ++row)
    for (int col = 0; col < w; ++col) {
      uint8_t r1 = 0, g1 = 0, b1 = 0, r2 = 0, g2 = 0, b2 = 0, r, g, b;
      getcolour24(col, row, r1, g1, b1);
      other.getcolour24(col, row, r2, g2, b2);
      FadeColour(r1, g1, b1, r2, g2, b2, percent, r, g, b);
      setcolour24(col, row, r, g, b);
    }
}
