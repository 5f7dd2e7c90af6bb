// r_BitBase: file types, plain file handles and the image header readers (BMP, TIFF, PNG, JPEG).
// Every read is checked against the file's length; a value lies in a TIFF entry when its count
// times its type's size fits in four bytes.
#include "imaging/r_BitBase.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>

#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "imaging/r_BitBase_read.h"
#include "platform/TMemoryStream.h"

int32_t lastDepth = 0;
int32_t lastBitsPerSample = 0;
int32_t lastSamples = 0;
double geoMp = 0, geoX1 = 0, geoY1 = 0, geoX2 = 0, geoY2 = 0;

namespace bitbase {

// ---- readers

bool TfileReader::readAt(int64_t pos, void* buf, size_t n) const {
  if (pos < 0 || n > uint64_t(fsize) || pos > fsize - int64_t(n)) return false;
  return r_fileBase::FileSeek(f, pos) && r_fileBase::FileRead(f, buf, int64_t(n)) == int64_t(n);
}

TfileReader::TfileReader(const std::string& filename) {
  if (!r_fileBase::fileOpen(f, filename)) {
    f = -1;
    return;
  }
  fsize = r_fileBase::filesize(f);
  if (fsize < 0) fsize = 0;
}

TfileReader::~TfileReader() {
  if (f >= 0) r_fileBase::FileClose(f);
}

bool TmemReader::readAt(int64_t pos, void* buf, size_t n) const {
  if (pos < 0 || n > uint64_t(fsize) || pos > fsize - int64_t(n)) return false;
  std::memcpy(buf, p + pos, n);
  return true;
}

bool Treader::u8(int64_t pos, uint8_t& v) const { return readAt(pos, &v, 1); }

bool Treader::u16(int64_t pos, bool big, uint16_t& v) const {
  uint8_t b[2];
  if (!readAt(pos, b, 2)) return false;
  v = big ? uint16_t(b[0] << 8 | b[1]) : uint16_t(b[1] << 8 | b[0]);
  return true;
}

bool Treader::u32(int64_t pos, bool big, uint32_t& v) const {
  uint8_t b[4];
  if (!readAt(pos, b, 4)) return false;
  v = big ? uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]
          : uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0];
  return true;
}

bool Treader::f64(int64_t pos, bool big, double& v) const {
  uint8_t b[8];
  if (!readAt(pos, b, 8)) return false;
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= uint64_t(b[big ? i : 7 - i]) << (8 * (7 - i));
  std::memcpy(&v, &bits, 8);
  return true;
}

// ---- TIFF directory

namespace {
// Bytes of one value of a TIFF field type; 0 for a type this reader does not know.
int typeSize(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // BYTE ASCII SBYTE UNDEFINED
    case 3: case 8: return 2;                   // SHORT SSHORT
    case 4: case 9: case 11: case 13: return 4; // LONG SLONG FLOAT IFD
    case 5: case 10: case 12: return 8;         // RATIONAL SRATIONAL DOUBLE
    default: return 0;
  }
}
}  // namespace

bool TtiffEntry::inEntry() const { return typeSize(type) > 0 && uint64_t(count) * typeSize(type) <= 4; }

int64_t TtiffEntry::valuePos() const { return inEntry() ? at + 8 : int64_t(offset); }

// The first integer value: in the entry or at its offset, read by its type.
bool TtiffEntry::firstInt(const Treader& r, bool big, int64_t& v) const {
  if (count == 0) return false;
  const int64_t pos = valuePos();
  switch (type) {
    case 1: case 6: case 7: {
      uint8_t b;
      if (!r.u8(pos, b)) return false;
      v = b;
      return true;
    }
    case 3: case 8: {
      uint16_t s;
      if (!r.u16(pos, big, s)) return false;
      v = s;
      return true;
    }
    default: {  // LONG, and any other type as the four bytes of the value field
      uint32_t l;
      if (!r.u32(inEntry() || typeSize(type) != 4 ? at + 8 : pos, big, l)) return false;
      v = l;
      return true;
    }
  }
}

bool TtiffEntry::doubles(const Treader& r, bool big, double* out, int n) const {
  if (type != 12 || count < uint32_t(n)) return false;
  for (int i = 0; i < n; ++i)
    if (!r.f64(int64_t(offset) + 8 * i, big, out[i])) return false;
  return true;
}

bool readTiffDir(const Treader& r, TtiffDir& d) {
  uint8_t order[2] = {0, 0};
  uint16_t version = 0;
  uint32_t ifd = 0;
  // "II" or "MM" and the magic number: any other file is no TIFF, however its bytes fall.
  if (!r.readAt(0, order, 2) || order[0] != order[1] || (order[0] != 'I' && order[0] != 'M')) return false;
  d.big = order[0] == 'M';
  if (!r.u16(2, d.big, version) || !r.u32(4, d.big, ifd)) return false;
  if (version != 42) return false;  // 43 is BigTIFF: 64-bit offsets this reader does not walk
  uint16_t n = 0;
  if (!r.u16(ifd, d.big, n)) return false;  // a directory beyond the file
  // Entries that the file cuts off are not there.
  const int64_t fit = std::max<int64_t>(0, (r.size() - int64_t(ifd) - 2) / 12);
  const int count = int(std::min<int64_t>(n, fit));
  // The whole directory in one read: a damaged count may name tens of thousands of entries.
  std::vector<uint8_t> raw(size_t(count) * 12);
  if (count > 0 && !r.readAt(int64_t(ifd) + 2, raw.data(), raw.size())) return false;
  const TmemReader m(raw.data(), int64_t(raw.size()));
  d.entries.resize(size_t(count));
  for (int i = 0; i < count; ++i) {
    TtiffEntry& e = d.entries[size_t(i)];
    e.at = int64_t(ifd) + 2 + 12 * int64_t(i);
    const int64_t at = 12 * int64_t(i);
    if (!m.u16(at, d.big, e.tag) || !m.u16(at + 2, d.big, e.type) || !m.u32(at + 4, d.big, e.count) ||
        !m.u32(at + 8, d.big, e.offset))
      return false;
  }
  return true;
}

// Width, height and depth of a first directory, by the TIFF reader's rules. A tag repeated in
// a damaged directory counts by its first entry, as the decoder counts it, in every form.
void measureTiff(const Treader& r, const TtiffDir& d, TtiffSize& s, bool stopWhenKnown) {
  s = TtiffSize{};
  lastBitsPerSample = 0;
  lastSamples = 0;
  bool seen[4] = {false, false, false, false};  // 256, 257, 258, 277
  for (const TtiffEntry& e : d.entries) {
    int64_t v = 0;
    const int which = e.tag == 256 ? 0 : e.tag == 257 ? 1 : e.tag == 258 ? 2 : e.tag == 277 ? 3 : -1;
    if (which < 0 || seen[which]) continue;
    seen[which] = true;
    switch (e.tag) {
      case 256:
        if (e.firstInt(r, d.big, v) && v <= INT32_MAX) s.width = int32_t(v);
        break;
      case 257:
        if (e.firstInt(r, d.big, v) && v <= INT32_MAX) s.height = int32_t(v);
        break;
      case 258:
        if (e.firstInt(r, d.big, v)) s.bits = lastBitsPerSample = int32_t(std::min<int64_t>(v, 0xFFFF));
        break;
      case 277:
        if (e.firstInt(r, d.big, v)) s.samples = lastSamples = int32_t(std::min<int64_t>(v, 0xFFFF));
        break;
      default: break;
    }
    if (stopWhenKnown && seen[0] && seen[1] && seen[2] && seen[3]) break;
  }
  // Both are 16-bit fields in a sound file; a damaged one must not overflow the product.
  s.depth = lastDepth = int32_t(std::min<int64_t>(int64_t(s.samples) * s.bits, INT32_MAX));
}

void readGeoTags(const Treader& r, const TtiffDir& d, double& mp, double& x1, double& y2) {
  double scale = 0, tie[5] = {0, 0, 0, 0, 0};
  bool haveTie = false, seenScale = false, seenTie = false;
  for (const TtiffEntry& e : d.entries) {  // first entries, as in measureTiff
    if (e.tag == 33550 && !seenScale) {
      seenScale = true;
      double v[1];
      if (e.doubles(r, d.big, v, 1)) scale = v[0];
    } else if (e.tag == 33922 && !seenTie) {
      seenTie = true;
      haveTie = e.doubles(r, d.big, tie, 5);
    }
  }
  mp = std::isfinite(scale) ? scale : 0;
  // The tie point maps pixel (I, J) to (X, Y): the image's corner lies I and J pixels away.
  if (haveTie) {
    x1 = tie[3] - tie[0] * mp;
    y2 = tie[4] + tie[1] * mp;
  }
}

}  // namespace bitbase

using namespace bitbase;

// ---------------------------------------------------------------------------------------------
// File types and handles

int getfiletype(const std::string& filename) {
  std::string e = filename.size() > 3 ? filename.substr(filename.size() - 3) : filename;
  for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (e == "tif" || e == "iff") return 4;
  if (e == "jpg" || e == "peg") return 5;
  if (e == "bmp") return 3;
  if (e == "jp2") return 100;
  if (e == "j2k") return 210;
  if (e == "ecw") return 14;
  if (e == "les") return 215;
  return 0;
}

bool fileOpen(int& f, const std::string& filename) { return r_fileBase::fileOpen(f, filename); }
bool FileClose(int f) {
  try {
    return r_fileBase::FileClose(f);
  } catch (...) {
    return false;
  }
}
int64_t FileRead(int f, void* v, int64_t size) { return r_fileBase::FileRead(f, v, size); }
int64_t filesize(int f) { return r_fileBase::filesize(f); }
bool FileSeek(int f, int64_t position) { return r_fileBase::FileSeek(f, position); }
int64_t FilePosition(int f) { return r_fileBase::FilePosition(f); }

uint16_t ReadMWord(TCustomMemoryStream& stream) {
  uint8_t b[2] = {0, 0};
  stream.read(b, 2);
  return uint16_t(b[0] << 8 | b[1]);
}

// ---------------------------------------------------------------------------------------------
// JPEG

namespace {
bool isFrameMarker(uint8_t m) {
  // Every start of frame: C0-C3, C5-C7, C9-CB, CD-CF (C4 DHT, C8 JPG and CC DAC are not frames).
  return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Walks the marker segments to the first frame header; end: the position after it.
bool jpegWalk(const Treader& r, int32_t& iWidth, int32_t& iHeight, int64_t& end) {
  const int64_t n = r.size() - 8;
  uint8_t b = 0, m = 0;
  uint16_t soi = 0;
  if (n <= 0 || !r.u16(0, true, soi) || soi != 0xFFD8) return false;
  int64_t pos = 2;
  if (!r.u8(pos++, b)) return false;
  while (pos < n && b == 0xFF) {
    do {  // fill bytes before the marker
      if (!r.u8(pos++, m)) return false;
    } while (m == 0xFF);
    if (isFrameMarker(m)) {
      uint16_t h = 0, w = 0;
      uint8_t c = 0;
      if (!r.u16(pos + 3, true, h) || !r.u16(pos + 5, true, w) || !r.u8(pos + 7, c)) return false;
      iHeight = h;
      iWidth = w;
      lastDepth = int32_t(c) * 8;
      end = pos + 8;
      return true;
    }
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD9)) {  // markers without a segment
      if (!r.u8(pos++, b)) return false;
      continue;
    }
    uint16_t len = 0;
    if (!r.u16(pos, true, len) || len < 2) return false;
    pos += len;  // the segment's bytes, length field included
    if (pos > r.size()) return false;
    if (!r.u8(pos++, b)) return false;
  }
  return false;
}
}  // namespace

bool GetJPGSize(TCustomMemoryStream& mem, int32_t& iWidth, int32_t& iHeight) {
  TmemReader r(mem.memory(), mem.size());
  int64_t end = 0;
  const bool ok = jpegWalk(r, iWidth, iHeight, end);
  mem.setPosition(ok ? end : 0);
  return ok;
}

bool GetJPGSize(const std::string& sFile, int32_t& iWidth, int32_t& iHeight) {
  TfileReader r(sFile);
  if (!r.isOpen()) {
    log("r_BitBase.GetJPGSize: cannot open " + sFile);
    return false;
  }
  int64_t end = 0;
  return jpegWalk(r, iWidth, iHeight, end);
}

// ---------------------------------------------------------------------------------------------
// TIFF

namespace {
// The TIFF reader's rules on any bytes; with geo, the file form's GeoTIFF globals as well.
bool tiffSize(const Treader& r, bool open, bool geo, int32_t& iwidth, int32_t& iHeight, int32_t& bitdepth) {
  TtiffDir d;
  TtiffSize s;
  if (open && readTiffDir(r, d)) {
    measureTiff(r, d, s, !geo);
    if (geo) readGeoTags(r, d, geoMp, geoX1, geoY2);
  } else {
    lastBitsPerSample = lastSamples = 0;
    lastDepth = s.depth;
  }
  iwidth = s.width;
  iHeight = s.height;
  bitdepth = s.depth;
  return s.width >= 0 && s.height >= 0;
}
}  // namespace

bool doGetTifSize(const std::string& filename, int32_t& iwidth, int32_t& iHeight, int32_t& bitdepth) {
  geoMp = geoX1 = geoY1 = geoX2 = geoY2 = 0;
  TfileReader r(filename);
  const bool ok = tiffSize(r, r.isOpen(), true, iwidth, iHeight, bitdepth);
  if (geoMp > 0) {
    geoX2 = geoX1 + iwidth * geoMp;
    geoY1 = geoY2 - iHeight * geoMp;
  }
  return ok;
}

int32_t getTiffDepth(const std::string& filename) {
  int32_t w = 0, h = 0, depth = 1;
  doGetTifSize(filename, w, h, depth);
  return depth;
}

bool GetTifSize(const std::string& FileName, int32_t& iWidth, int32_t& iHeight) {
  int32_t depth = 0;
  return doGetTifSize(FileName, iWidth, iHeight, depth);
}

bool GetTifSize(const std::string& FileName, int32_t& iWidth, int32_t& iHeight, int32_t& bitdepth) {
  return doGetTifSize(FileName, iWidth, iHeight, bitdepth);
}

bool GetTifSize(TCustomMemoryStream& mem, int32_t& iWidth, int32_t& iHeight, int32_t& bitdepth) {
  return tiffSize(TmemReader(mem.memory(), mem.size()), true, false, iWidth, iHeight, bitdepth);
}

// ---------------------------------------------------------------------------------------------
// PNG and BMP

namespace {
bool pngSize(const Treader& r, int32_t& iWidth, int32_t& iHeight) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  uint8_t head[8];
  uint32_t w = 0, h = 0;
  if (!r.readAt(0, head, 8) || std::memcmp(head, sig, 8) != 0) return false;
  if (!r.u32(16, true, w) || !r.u32(20, true, h) || w > uint32_t(INT32_MAX) || h > uint32_t(INT32_MAX)) return false;
  iWidth = int32_t(w);
  iHeight = int32_t(h);
  return true;
}

bool bmpSize(const Treader& r, int32_t& iwidth, int32_t& iHeight, int32_t* bitdepth) {
  uint16_t sig = 0, bits = 0;
  uint32_t infoSize = 0, w = 0, h = 0;
  if (!r.u16(0, true, sig) || sig != 0x424D || !r.u32(14, false, infoSize)) return false;
  if (infoSize == 12) {  // the old core header: 16-bit fields
    uint16_t w16 = 0, h16 = 0;
    if (!r.u16(18, false, w16) || !r.u16(20, false, h16) || !r.u16(24, false, bits)) return false;
    w = w16;
    h = uint32_t(int32_t(int16_t(h16)));
  } else if (!r.u32(18, false, w) || !r.u32(22, false, h) || !r.u16(28, false, bits)) {
    return false;
  }
  iwidth = int32_t(w);
  iHeight = int32_t(h);
  if (bitdepth) *bitdepth = lastDepth = bits == 0 ? 24 : bits;
  return true;
}
}  // namespace

bool GetPNGSize(const std::string& sFile, int32_t& iWidth, int32_t& iHeight) {
  TfileReader r(sFile);
  if (!r.isOpen()) log("r_BitBase.GetPNGSize: cannot open " + sFile);
  return r.isOpen() && pngSize(r, iWidth, iHeight);
}

bool GetPNGSize(TCustomMemoryStream& mem, int32_t& iWidth, int32_t& iHeight) {
  return pngSize(TmemReader(mem.memory(), mem.size()), iWidth, iHeight);
}

bool GetBmpSize(const std::string& filename, int32_t& iwidth, int32_t& iHeight) {
  TfileReader r(filename);
  return r.isOpen() && bmpSize(r, iwidth, iHeight, nullptr);
}

bool GetBmpSize(const std::string& filename, int32_t& iwidth, int32_t& iHeight, int32_t& bitdepth) {
  TfileReader r(filename);
  return r.isOpen() && bmpSize(r, iwidth, iHeight, &bitdepth);
}

bool GetBmpSize(TCustomMemoryStream& mem, int32_t& iwidth, int32_t& iHeight, int32_t& bitdepth) {
  return bmpSize(TmemReader(mem.memory(), mem.size()), iwidth, iHeight, &bitdepth);
}
