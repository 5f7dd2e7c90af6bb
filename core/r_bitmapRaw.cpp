// TrawBitmap24: size, pixel memory, pixel access and BMP files.
// Invariants, after every size change or load:
//   (1) rowL == (width*3 + 3) & ~3 and fImageSize == rowL * height for a positive size; else all 0
//   (2) fpt is null or holds fImageSize bytes; it is made on first need, zero-filled, or borrowed
//       (usePixels) until the next clear()
//   (3) the headers describe the current size: bottom-up, 24 bits, rows at byte 54
//   (4) h and fdc exist only while fpt does, and view fpt's rows
#include "core/r_bitmapRaw.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstring>

#include "core/bmpCheck.h"
#include "core/r_base.h"
#include "core/r_log.h"
#include "platform/clipboard.h"
#include "platform/files.h"
#include "platform/imagecodec.h"
#include "platform/process.h"
#include "platform/numbers.h"

using platform::Round;

namespace {
void put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// round(old + (new - old) * percent / 100), low 8 bits; percent in 0..100 keeps it in range.
inline uint8_t mixChannel(int old, int nw, double percent) {
  return static_cast<uint8_t>(Round(old + (nw - old) * percent / 100.0) & 0xFF);
}

constexpr double kFarAway = 2147483648.0;  // beyond any buffer; keeps integer positions exact
double tame(double v) { return v > kFarAway ? kFarAway : (v < -kFarAway ? -kFarAway : v); }
}  // namespace

int64_t bmpRowLength(int64_t width, int bitsPerPixel) {
  if (width <= 0 || bitsPerPixel <= 0) return 0;
  return ((width * bitsPerPixel + 31) / 32) * 4;
}

void fillBmpHeaders(TbmpFileHeader& fh, TbmpInfoHeader& bi, int width, int height, int bitCount, uint32_t pixelOffset,
                    uint32_t imageSize) {
  fh.type = 0x4D42;
  fh.fileSize = pixelOffset + imageSize;
  fh.pixelOffset = pixelOffset;
  bi.size = 40;
  bi.width = width;
  bi.height = height;
  bi.planes = 1;
  bi.bitCount = uint16_t(bitCount);
  bi.imageSize = imageSize;
}

void writeBmpHeaders(const TbmpFileHeader& fh, const TbmpInfoHeader& bi, uint8_t out[kBmpHeaderBytes]) {
  put16(out + 0, fh.type);
  put32(out + 2, fh.fileSize);
  put16(out + 6, fh.reserved1);
  put16(out + 8, fh.reserved2);
  put32(out + 10, fh.pixelOffset);
  put32(out + 14, bi.size);
  put32(out + 18, uint32_t(bi.width));
  put32(out + 22, uint32_t(bi.height));
  put16(out + 26, bi.planes);
  put16(out + 28, bi.bitCount);
  put32(out + 30, bi.compression);
  put32(out + 34, bi.imageSize);
  put32(out + 38, uint32_t(bi.xPelsPerMeter));
  put32(out + 42, uint32_t(bi.yPelsPerMeter));
  put32(out + 46, bi.clrUsed);
  put32(out + 50, bi.clrImportant);
}

// ---------------------------------------------------------------------------------------------
// Life and size

TrawBitmap24::TrawBitmap24() = default;

TrawBitmap24::~TrawBitmap24() { clear(); }

void TrawBitmap24::clear() {
  const bool hadContext = fdc != nullptr;
  fdc.reset();
  h.reset();
  fpt.reset();
  fpt.get_deleter().owned = true;  // memory made from now on is ours again
  if (hadContext) contextReleased();
}

bool TrawBitmap24::usePixels(uint8_t* rows) {
  if (!rows || fImageSize <= 0) return false;
  clear();
  fpt = std::unique_ptr<uint8_t, TpixelDeleter>(rows, TpixelDeleter{false});
  checkInvariants();
  return true;
}

void TrawBitmap24::checkInvariants() const {
  assert(fwidth >= 0 && fheight >= 0);
  assert((fwidth > 0 && fheight > 0) ? rowL == ((fwidth * 3 + 3) & ~3) : rowL == 0);
  assert(int64_t(fImageSize) == int64_t(rowL) * fheight);
  assert(!fdc || fpt || fImageSize == 0);
  assert(fh.fileSize == (fImageSize > 0 ? uint32_t(kBmpHeaderBytes + fImageSize) : 0u));
}

void TrawBitmap24::setGeometry(int width, int height) {
  fwidth = width > 0 ? width : 0;
  fheight = height > 0 ? height : 0;
  int64_t rl = bmpRowLength(fwidth, 24);
  int64_t size = rl * fheight;
  if (size > INT32_MAX) {  // cannot be addressed: the buffer stays empty
    log("TrawBitmap24: size " + std::to_string(width) + " x " + std::to_string(height) + " refused: too large");
    fwidth = fheight = 0;
    rl = size = 0;
  }
  rowL = static_cast<int>(fwidth > 0 && fheight > 0 ? rl : 0);
  fImageSize = static_cast<int>(rowL * static_cast<int64_t>(fheight));
  fbox = {0, 0, fwidth - 1, fheight - 1};
  fboxPlus = {0, 0, fwidth, fheight};
  fh = TbmpFileHeader{};
  bi = TbmpInfoHeader{};
  if (fImageSize > 0) {
    fillBmpHeaders(fh, bi, fwidth, fheight, 24, kBmpHeaderBytes, uint32_t(fImageSize));
  }
}

void TrawBitmap24::sizeChange() {
  clear();
  setGeometry(fwidth, fheight);
  checkInvariants();
  if (onChangeSize) onChangeSize(this);
}

void TrawBitmap24::setsize(int width, int height) {
  fwidth = width;
  fheight = height;
  sizeChange();
}

void TrawBitmap24::setWid(int width) {
  fwidth = width;
  sizeChange();
}

void TrawBitmap24::setHei(int height) {
  fheight = height;
  sizeChange();
}

bool TrawBitmap24::createPixels() {
  if (fpt) return true;
  if (fImageSize <= 0) return false;
  fpt.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(fImageSize), 1)));
  return fpt != nullptr;
}

uint8_t* TrawBitmap24::imageData() {
  createPixels();
  return fpt.get();
}

uint8_t* TrawBitmap24::rowPt(int row) {
  if (!createPixels() || row < 0 || row >= fheight) return nullptr;
  return GetOffset(fpt.get(), static_cast<int64_t>(rowL) * (fheight - 1 - row));
}

// ---------------------------------------------------------------------------------------------
// Pixel writes

void TrawBitmap24::setPixelR(int col, int row, uint8_t value) {
  if (uint8_t* p = pixelAt(col, row)) p[2] = value;
}
void TrawBitmap24::setPixelG(int col, int row, uint8_t value) {
  if (uint8_t* p = pixelAt(col, row)) p[1] = value;
}
void TrawBitmap24::setPixelB(int col, int row, uint8_t value) {
  if (uint8_t* p = pixelAt(col, row)) p[0] = value;
}

void TrawBitmap24::mixInto(uint8_t* p, Tbgr c, double percent) {
  if (percent >= 100) {
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
    return;
  }
  if (!(percent > 0)) return;  // nothing to mix (a negative or NaN percent has no meaning here)
  p[0] = mixChannel(p[0], c.blue, percent);
  p[1] = mixChannel(p[1], c.green, percent);
  p[2] = mixChannel(p[2], c.red, percent);
}

void TrawBitmap24::setPixel(int col, int row, double percent, uint8_t r, uint8_t g, uint8_t b) {
  if (uint8_t* p = pixelAt(col, row)) mixInto(p, Tbgr{b, g, r}, percent);
}

void TrawBitmap24::setPixel(int col, int row, Tbgr c, int percent) {
  if (uint8_t* p = pixelAt(col, row)) mixInto(p, c, percent);
}

void TrawBitmap24::setPixel(double col, double row, double percent, uint8_t r, uint8_t g, uint8_t b) {
  if (std::isnan(col) || std::isnan(row)) return;
  col = tame(col);
  row = tame(row);
  const int64_t xi = platform::Trunc(col), yi = platform::Trunc(row);
  const double dx = platform::Frac(col), dy = platform::Frac(row);
  auto mix = [&](int64_t x, int64_t y, double p) {
    if (x >= 0 && y >= 0 && x < fwidth && y < fheight) setPixel(int(x), int(y), p, r, g, b);
  };
  if (dx > 0 && dy > 0) {
    mix(xi, yi, percent * (1 - dx) * (1 - dy));
    mix(xi + 1, yi, percent * dx * (1 - dy));
    mix(xi, yi + 1, percent * (1 - dx) * dy);
    mix(xi + 1, yi + 1, percent * dx * dy);
  } else if (dx > 0) {
    mix(xi, yi, percent * (1 - dx));
    mix(xi + 1, yi, percent * dx);
  } else if (dy > 0) {
    mix(xi, yi, percent * (1 - dy));
    mix(xi, yi + 1, percent * dy);
  } else {
    mix(xi, yi, percent);
  }
}

// ---------------------------------------------------------------------------------------------
// Pixel reads

void TrawBitmap24::getPixel(int col, int row, uint8_t& r, uint8_t& g, uint8_t& b) {
  Tbgr c;
  getPixel(col, row, c);
  r = c.red;
  g = c.green;
  b = c.blue;
}

void TrawBitmap24::getPixel(int col, int row, int32_t& colour) {
  Tbgr c;
  getPixel(col, row, c);
  colour = colouri(c);
}

namespace {
int clampPos(int64_t v) { return v < INT_MIN ? INT_MIN : (v > INT_MAX ? INT_MAX : int(v)); }
uint8_t clampByte(int64_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }
}  // namespace

void TrawBitmap24::getPixelD(double col, double row, Tbgr& c) {
  // Far outside, every sample clamps to the same edge pixels, so taming changes nothing.
  col = std::isnan(col) ? 0 : std::clamp(col, -2.0, double(fwidth) + 2);
  row = std::isnan(row) ? 0 : std::clamp(row, -2.0, double(fheight) + 2);
  const int64_t xi = platform::Trunc(col), yi = platform::Trunc(row);
  const double fx = platform::Frac(col), fy = platform::Frac(row);
  int64_t left, upper;
  double wx, wy;
  if (fx < 0.5) {
    left = xi - 1;
    wx = 0.5 - fx;
  } else {
    left = xi;
    wx = 1.5 - fx;
  }
  if (fy < 0.5) {
    upper = yi - 1;
    wy = 0.5 - fy;
  } else {
    upper = yi;
    wy = 1.5 - fy;
  }
  Tbgr c1, c2, c3, c4;
  getPixel(clampPos(left), clampPos(upper), c1);
  getPixel(clampPos(left + 1), clampPos(upper), c2);
  getPixel(clampPos(left), clampPos(upper + 1), c3);
  getPixel(clampPos(left + 1), clampPos(upper + 1), c4);
  const double w1 = wx * wy, w2 = (1 - wx) * wy, w3 = wx * (1 - wy), w4 = (1 - wx) * (1 - wy);
  auto ch = [&](uint8_t a, uint8_t b, uint8_t cc, uint8_t d) {
    return clampByte(Round(a * w1 + b * w2 + cc * w3 + d * w4));
  };
  c.red = ch(c1.red, c2.red, c3.red, c4.red);
  c.green = ch(c1.green, c2.green, c3.green, c4.green);
  c.blue = ch(c1.blue, c2.blue, c3.blue, c4.blue);
}

void TrawBitmap24::getPixelD(double col, double row, uint8_t& r, uint8_t& g, uint8_t& b, bool useInitialValues) {
  dCnt = 0;
  if (std::isnan(col) || std::isnan(row) || col < -1 || row < -1) return;
  col = tame(col);
  row = tame(row);
  const Tbgr initial{b, g, r};
  int64_t xi, yi;
  double dx, dy;
  if (col < 0) {
    xi = -1;
    dx = col + 1;
  } else {
    xi = platform::Trunc(col);
    dx = platform::Frac(col);
  }
  if (row < 0) {
    yi = -1;
    dy = row + 1;
  } else {
    yi = platform::Trunc(row);
    dy = platform::Frac(row);
  }
  // A sample outside is the initial colour, or black without initial values.
  auto sample = [&](int64_t x, int64_t y) -> Tbgr {
    if (x >= 0 && y >= 0 && x < fwidth && y < fheight) {
      Tbgr c;
      getPixel(int(x), int(y), c);
      return c;
    }
    return useInitialValues ? initial : Tbgr{0, 0, 0};
  };
  auto lerp = [](uint8_t a, uint8_t bb, double f) { return clampByte(platform::Trunc(a + (bb - a) * f)); };
  Tbgr v = sample(xi, yi);
  dCnt = 1;
  if (dx > 0 || dy > 0) {
    Tbgr lower;
    if (dy > 0) {
      lower = sample(xi, yi + 1);
      ++dCnt;
    }
    if (dx > 0) {
      Tbgr s = sample(xi + 1, yi);
      ++dCnt;
      v = Tbgr{lerp(v.blue, s.blue, dx), lerp(v.green, s.green, dx), lerp(v.red, s.red, dx)};
      if (dy > 0) {
        Tbgr s2 = sample(xi + 1, yi + 1);
        ++dCnt;
        lower = Tbgr{lerp(lower.blue, s2.blue, dx), lerp(lower.green, s2.green, dx), lerp(lower.red, s2.red, dx)};
      }
    }
    if (dy > 0) v = Tbgr{lerp(v.blue, lower.blue, dy), lerp(v.green, lower.green, dy), lerp(v.red, lower.red, dy)};
  }
  r = v.red;
  g = v.green;
  b = v.blue;
}

// ---------------------------------------------------------------------------------------------
// BMP files and streams

// Newer headers (V4, V5) keep the same first 40 bytes; the palette follows the info header.
std::string checkBmp(const uint8_t* p, size_t length, int bitsWanted, TbmpLayout& out, bool& wrongDepth) {
  wrongDepth = false;
  const auto len = static_cast<int64_t>(length);
  if (len < 14 + 4) return "too short for a BMP header";
  if (p[0] != 'B' || p[1] != 'M') return "not a BMP file";
  const uint32_t infoSize = get32(p + 14);
  if (infoSize == 12) return "OS/2 core headers are not read";
  if (infoSize < 40 || infoSize > 4096) return "info header size " + std::to_string(infoSize) + " is not valid";
  if (14 + int64_t(infoSize) > len) return "file ends inside its info header";
  const auto width = static_cast<int32_t>(get32(p + 18));
  const auto height = static_cast<int32_t>(get32(p + 22));
  const uint16_t planes = get16(p + 26);
  const uint16_t bits = get16(p + 28);
  const uint32_t compression = get32(p + 30);
  const uint32_t used = get32(p + 46);
  const uint32_t offset = get32(p + 10);
  const bool depthOk = bitsWanted ? bits == bitsWanted : (bits == 1 || bits == 8 || bits == 24);
  if (!depthOk) {
    wrongDepth = true;
    return std::to_string(bits) + " bits per pixel is not read here";
  }
  if (planes != 1) return "planes field is " + std::to_string(planes) + ", not 1";
  if (compression != 0) return "compression " + std::to_string(compression) + " is not read";
  if (width <= 0) return "width " + std::to_string(width) + " is not positive";
  if (height == 0 || height == INT32_MIN) return "height " + std::to_string(height) + " is not valid";
  int entries = 0;
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    if (used > most) return "palette of " + std::to_string(used) + " entries for " + std::to_string(bits) + " bits";
    entries = used ? int(used) : int(most);
  }
  const int64_t paletteOffset = 14 + int64_t(infoSize);
  if (int64_t(offset) < paletteOffset + 4 * int64_t(entries)) return "pixel offset lies inside the headers or palette";
  if (int64_t(offset) > len) return "pixel offset lies past the end of the file";
  const int64_t rows = height < 0 ? -int64_t(height) : height;
  const int64_t rl = bmpRowLength(width, bits);
  if (rl > INT32_MAX / rows) return "image too large";  // rl * rows could pass even 64 bits
  // The last row's padding may be missing; its pixels may not.
  const int64_t needed = rl * rows - (rl - (int64_t(width) * bits + 7) / 8);
  if (offset + needed > len) return "file is truncated: its rows need " + std::to_string(rl * rows) + " bytes";
  out.width = width;
  out.height = int(rows);
  out.topDown = height < 0;
  out.bits = bits;
  out.offset = offset;
  out.rowLength = rl;
  out.paletteOffset = paletteOffset;
  out.paletteEntries = entries;
  return "";
}

bool TrawBitmap24::loadBmp(const uint8_t* bytes, size_t length) {
  TbmpLayout lay;
  bool wrongDepth = false;
  std::string why = checkBmp(bytes, length, 24, lay, wrongDepth);
  if (!why.empty()) {
    floadError = why;
    log("TrawBitmap24.load: " + why);
    return false;
  }
  clear();
  setGeometry(lay.width, lay.height);
  if (!createPixels()) {
    floadError = "no memory for the pixels";
    log("TrawBitmap24.load: " + floadError);
    return false;
  }
  for (int i = 0; i < lay.height; ++i) {
    const int64_t src = lay.offset + lay.rowLength * i;
    const int64_t avail = std::min<int64_t>(lay.rowLength, int64_t(length) - src);
    uint8_t* dst = fpt.get() + int64_t(rowL) * (lay.topDown ? lay.height - 1 - i : i);
    std::memcpy(dst, bytes + src, size_t(avail));
    if (avail < rowL) std::memset(dst + avail, 0, size_t(rowL - avail));
  }
  floadError.clear();
  checkInvariants();
  if (onLoad) onLoad(this);
  return true;
}

bool TrawBitmap24::loadfromFile(const std::string& filename) {
  if (!rawio::readWholeFile(filename, mem)) {
    floadError = "cannot read " + filename;
    log("TrawBitmap24.loadfromFile: " + floadError);
    return false;
  }
  bool ok = loadBmp(mem.data(), mem.size());
  if (!ok) log("TrawBitmap24.loadfromFile: " + filename);
  mem.clear();
  mem.shrink_to_fit();
  return ok;
}

bool TrawBitmap24::loadfromMem(const std::vector<uint8_t>& stream) { return loadBmp(stream.data(), stream.size()); }

bool TrawBitmap24::loadFromResource(const std::string& name) {
  // Resources are files of the program's resources folder, named as the resource (letter case
  // ignored, as resource names are) with or without ".bmp".
  const std::string folder = os ? os->resourcedir : platform::exeFolder() + "resources/";
  const bool plainName = !name.empty() && name.find_first_of("/\\*?[") == std::string::npos;
  std::string file;
  if (plainName)
    for (const std::string& pattern : {name, name + ".bmp"}) {
      auto found = platform::listFolder(folder, pattern, platform::Entries::Files);
      if (!found.empty()) {
        file = folder + found.front();
        break;
      }
    }
  int64_t size = 0;
  if (file.empty() || !platform::fileSize(file, size) || size == 0) {
    floadError = "no resource " + name;
    return false;
  }
  return loadfromFile(file);
}

bool TrawBitmap24::saveToMem(std::vector<uint8_t>& stream) {
  stream.assign(size_t(fImageSize) + kBmpHeaderBytes, 0);
  writeBmpHeaders(fh, bi, stream.data());
  if (!fpt) return false;
  std::memcpy(stream.data() + kBmpHeaderBytes, fpt.get(), size_t(fImageSize));
  return true;
}

bool TrawBitmap24::savetofile(const std::string& filename) {
  if (!fpt || !rawio::folderExists(rawio::folderOf(filename))) return false;
  uint8_t head[kBmpHeaderBytes];
  writeBmpHeaders(fh, bi, head);
  return saveBmpFile(filename, {byteView(head, sizeof head), byteView(fpt.get(), size_t(fImageSize))},
                     "TrawBitmap24.savetofile");
}

bool saveBmpFile(const std::string& filename, std::initializer_list<std::string_view> pieces, const char* who) {
  std::string why;
  if (platform::replaceFileContents(filename, std::span<const std::string_view>(pieces.begin(), pieces.size()), &why))
    return true;
  log(std::string(who) + ": " + why + "; the file on disk is unchanged");
  return false;
}

void TrawBitmap24::saveToClipboard() {
  if (fImageSize <= 0 || !fpt) return;
  platform::TclipboardFormat bmp{"image/bmp", {}};
  if (!saveToMem(bmp.bytes)) return;
  platform::TrgbImage rgb{fwidth, fheight, std::vector<uint8_t>(size_t(fwidth) * fheight * 3)};
  for (int row = 0; row < fheight; ++row) {
    const uint8_t* src = fpt.get() + int64_t(rowL) * (fheight - 1 - row);  // rows run bottom-up
    uint8_t* dst = rgb.pixel(0, row);
    for (int col = 0; col < fwidth; ++col, src += 3, dst += 3) dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
  }
  platform::TclipboardFormat png{"image/png", {}};
  std::string error;
  std::vector<platform::TclipboardFormat> formats;
  if (platform::encodePng(rgb, png.bytes, error)) formats.push_back(std::move(png));
  formats.push_back(std::move(bmp));
  if (!platform::offerClipboard(std::move(formats))) log("TrawBitmap24.saveToClipboard: no clipboard to take");
}
