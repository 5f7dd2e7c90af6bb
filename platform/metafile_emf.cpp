// The EMF file writer, from the published enhanced-metafile format: little-endian records of a
// 32-bit type and size, a header first and EOF last. Logical units are the pixels of a reference
// device of 100 pixels per millimetre (0.01 mm, as the records are kept), so pen widths and font
// heights are plain logical sizes that every reader scales alike. Shapes within 327 mm of the
// frame's corner go as 16-bit points, others as 32-bit ones; bitmaps go as device-independent
// bits of 24 bits.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/files.h"
#include "platform/metafile.h"
#include "platform/text.h"

namespace platform {

namespace {

// Record types.
enum : uint32_t {
  EMR_HEADER = 1, EMR_POLYPOLYGON = 8, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_EOF = 14, EMR_SETBKMODE = 18,
  EMR_SETSTRETCHBLTMODE = 21, EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24, EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27,
  EMR_INTERSECTCLIPRECT = 30, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43, EMR_LINETO = 54,
  EMR_STRETCHDIBITS = 81, EMR_EXTCREATEFONTINDIRECTW = 82, EMR_EXTTEXTOUTW = 84, EMR_POLYGON16 = 86, EMR_POLYLINE16 = 87,
  EMR_POLYPOLYGON16 = 91
};
constexpr uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kStock = 0x80000000;
constexpr uint32_t WHITE_BRUSH = kStock | 0, BLACK_PEN = kStock | 7, NULL_PEN = kStock | 8;
constexpr int kHeaderBytes = 108;       // the header with both extensions
constexpr int kLogFontPanoseBytes = 320;  // what font records carry after their handle
constexpr int kLogFontBytes = 92;

// A code point as UTF-16 units: a pair above the basic plane.
std::u16string utf16(char32_t c) {
  if (c < 0x10000) return std::u16string(1, char16_t(c));
  c -= 0x10000;
  return {char16_t(0xD800 + (c >> 10)), char16_t(0xDC00 + (c & 0x3FF))};
}

class Writer {
 public:
  explicit Writer(TMetafile const& m)
      : fw(m.MMWidth()), fh(m.MMHeight()) {}

  std::string bytes(TMetafile const& m) {
    start();
    for (auto const& rp : m.records()) one(*rp);
    begin(EMR_EOF);
    u32(0);
    u32(16);
    u32(20);
    end();
    return header() + fout;
  }

 private:
  // ---- raw output
  void u32(uint32_t v) {
    char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    frec.append(b, 4);
  }
  void i32(int32_t v) { u32(uint32_t(v)); }
  void u16(uint16_t v) {
    char b[2] = {char(v), char(v >> 8)};
    frec.append(b, 2);
  }
  void f32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    u32(u);
  }
  void begin(uint32_t type) {
    frec.clear();
    u32(type);
    u32(0);  // the size, set by end
  }
  void end() {
    while (frec.size() % 4) frec.push_back('\0');
    const uint32_t n = uint32_t(frec.size());
    for (int i = 0; i < 4; ++i) frec[4 + size_t(i)] = char(n >> (8 * i));
    fout += frec;
    ++fcount;
  }
  void simple(uint32_t type, std::initializer_list<int32_t> values) {
    begin(type);
    for (int32_t v : values) i32(v);
    end();
  }

  // ---- coordinates: frame units (0.01 mm) to logical units and device pixels
  static int32_t clamp32(double v) {
    return int32_t(std::clamp(std::nearbyint(v), -2147483648.0, 2147483647.0));
  }
  static int32_t lx(double x) { return clamp32(x); }
  static int32_t ly(double y) { return clamp32(y); }
  static int32_t dev(double v) { return clamp32(v); }  // the device's pixels are 0.01 mm
  void bounds(std::vector<TFPoint> const& pts, double grow = 0) {
    double l = 0, t = 0, r = -1, b = -1;
    for (size_t i = 0; i < pts.size(); ++i) {
      auto const& p = pts[i];
      if (i == 0) l = r = p.x, t = b = p.y;
      l = std::min(l, p.x), r = std::max(r, p.x), t = std::min(t, p.y), b = std::max(b, p.y);
    }
    if (pts.empty()) {
      for (int32_t v : {0, 0, -1, -1}) i32(v);
      return;
    }
    i32(dev(l - grow)), i32(dev(t - grow)), i32(dev(r + grow)), i32(dev(b + grow));
  }
  static bool fitsShort(std::vector<TFPoint> const& pts) {
    for (auto const& p : pts)
      if (std::abs(lx(p.x)) > 32767 || std::abs(ly(p.y)) > 32767) return false;
    return true;
  }
  void points(std::vector<TFPoint> const& pts, bool shortForm) {
    for (auto const& p : pts)
      if (shortForm) u16(uint16_t(int16_t(lx(p.x)))), u16(uint16_t(int16_t(ly(p.y))));
      else i32(lx(p.x)), i32(ly(p.y));
  }
  void box(TMetafile::Record const& r) {
    i32(lx(r.pts[0].x)), i32(ly(r.pts[0].y)), i32(lx(r.pts[1].x)), i32(ly(r.pts[1].y));
  }

  // ---- the object table: handles are reused once nothing selects them, now or at a saved level
  struct Selection {
    uint32_t pen = 0, brush = 0, font = 0;  // 0: the stock object of the start
  };
  bool referenced(uint32_t h) const {
    if (h == 0) return false;
    if (fsel.pen == h || fsel.brush == h || fsel.font == h) return true;
    for (auto const& s : fstack)
      if (s.pen == h || s.brush == h || s.font == h) return true;
    return false;
  }
  uint32_t allocate() {
    for (size_t i = 1; i < fused.size(); ++i)
      if (!fused[i]) {
        fused[i] = true;
        return uint32_t(i);
      }
    fused.push_back(true);
    return uint32_t(fused.size() - 1);
  }
  void release(uint32_t h) {
    if (h == 0 || referenced(h)) return;
    simple(EMR_DELETEOBJECT, {int32_t(h)});
    fused[h] = false;
  }
  void select(uint32_t h) { simple(EMR_SELECTOBJECT, {int32_t(h)}); }
  // Selects a new object into the slot and lets the one it replaces go.
  void replace(uint32_t& slot, uint32_t h) {
    const uint32_t old = slot;
    select(h);
    slot = h;
    release(old);
  }

  static uint32_t penStyle(TPenDesc const& p) {
    uint32_t s = 0;
    switch (p.style) {
      case PenStyle::Solid: case PenStyle::Alternate: s = 0; break;
      case PenStyle::Dash: case PenStyle::UserStyle: s = 1; break;
      case PenStyle::Dot: s = 2; break;
      case PenStyle::DashDot: s = 3; break;
      case PenStyle::DashDotDot: s = 4; break;
      case PenStyle::Null: s = 5; break;
      case PenStyle::InsideFrame: s = 6; break;
    }
    if (p.type == PenType::Geometric) {
      s |= 0x10000;
      s |= p.cap == PenEndCap::Square ? 0x100 : p.cap == PenEndCap::Flat ? 0x200 : 0;
      s |= p.join == PenJoin::Bevel ? 0x1000 : p.join == PenJoin::Miter ? 0x2000 : 0;
    }
    return s;
  }
  uint32_t createPen(TPenDesc const& p, double width) {
    const uint32_t h = allocate();
    begin(EMR_CREATEPEN);
    u32(h);
    u32(penStyle(p));
    i32(p.type == PenType::Geometric ? std::max(1, clamp32(width)) : 0);
    i32(0);
    u32(p.color & 0xFFFFFF);
    end();
    return h;
  }
  uint32_t createBrush(TBrushDesc const& b) {
    const uint32_t h = allocate();
    begin(EMR_CREATEBRUSHINDIRECT);
    u32(h);
    u32(b.style == BrushStyle::Solid ? 0 : b.style == BrushStyle::Clear ? 1 : 2);
    u32(b.color & 0xFFFFFF);
    u32(uint32_t(b.hatch));
    end();
    return h;
  }
  uint32_t createFont(TLogFont const& f, double height) {
    const uint32_t h = allocate();
    begin(EMR_EXTCREATEFONTINDIRECTW);
    u32(h);
    const size_t at = frec.size();
    i32(f.height == 0 ? 0 : clamp32(height) != 0 ? clamp32(height) : (height < 0 ? -1 : 1));
    i32(f.width);
    i32(f.escapement);
    i32(f.orientation);
    i32(f.weight);
    for (uint8_t v : {uint8_t(f.italic), uint8_t(f.underline), uint8_t(f.strikeOut), f.charSet, f.outPrecision,
                      f.clipPrecision, f.quality, f.pitchAndFamily})
      frec.push_back(char(v));
    std::u16string face;
    for (char32_t c : toUtf32(f.faceName)) face += utf16(c);
    face = face.substr(0, 31);
    face.resize(32, u'\0');
    for (char16_t c : face) u16(uint16_t(c));
    frec.resize(at + kLogFontPanoseBytes, '\0');
    end();
    return h;
  }

  // ---- the file
  void start() {
    fused.assign(1, true);  // index 0 is the metafile itself
  }

  std::string header() {
    frec.clear();
    u32(EMR_HEADER);
    u32(kHeaderBytes);
    for (int32_t v : {0, 0, fw, fh}) i32(v);  // bounds, device pixels
    for (int32_t v : {0, 0, fw, fh}) i32(v);  // frame, 0.01 mm
    u32(kSignature);
    u32(0x10000);
    u32(uint32_t(kHeaderBytes + fout.size()));
    u32(fcount + 1);
    u16(uint16_t(fused.size()));
    u16(0);
    u32(0), u32(0), u32(0);  // no description, no palette
    // The reference device: as large as the frame, 100 pixels to the millimetre.
    i32(fw), i32(fh);
    i32(std::max(1, clamp32(fw / 100.0))), i32(std::max(1, clamp32(fh / 100.0)));
    u32(0), u32(0), u32(0);  // no pixel format, no OpenGL
    i32(fw * 10), i32(fh * 10);
    return frec;
  }

  void poly(uint32_t shortType, uint32_t longType, std::vector<TFPoint> const& pts) {
    const bool s = fitsShort(pts);
    begin(s ? shortType : longType);
    bounds(pts);
    u32(uint32_t(pts.size()));
    points(pts, s);
    end();
  }

  void text(TMetafile::Record const& r) {
    const std::u32string cps = toUtf32(r.text);
    std::u16string units;
    std::vector<int32_t> dx;
    auto f = realizeFont(fhasFont ? fmeasure : TLogFont{});
    const int32_t extra = clamp32(fextra);
    for (char32_t c : cps) {
      const std::u16string u = utf16(c);
      units += u;
      dx.push_back(f->advance(c) + extra);
      for (size_t i = 1; i < u.size(); ++i) dx.push_back(0);
    }
    const TFPoint at = r.pts[0];
    begin(EMR_EXTTEXTOUTW);
    // The cell the text covers, laid out as the player lays it out (alignment, escapement).
    const auto cell = textCell(fhasFont ? fmeasure : TLogFont{}, falign, double(extra), at, r.text);
    bounds({cell.begin(), cell.end()});
    u32(1);  // compatible graphics mode
    f32(1), f32(1);
    i32(lx(at.x)), i32(ly(at.y));
    u32(uint32_t(units.size()));
    const uint32_t offString = 76;
    const uint32_t stringBytes = uint32_t((units.size() * 2 + 3) / 4 * 4);
    u32(offString);
    u32(0);  // options
    for (int32_t v : {0, 0, -1, -1}) i32(v);
    u32(offString + stringBytes);
    for (char16_t c : units) u16(uint16_t(c));
    while (frec.size() % 4) frec.push_back('\0');
    for (int32_t d : dx) i32(d);
    end();
  }

  // The pixels as a device-independent bitmap of 24 bits, bottom-up rows padded to 4 bytes (the
  // surface's own layout), stretched onto the target box with the record's operation. A mirrored
  // box goes as an upright one over mirrored pixels: not every reader mirrors.
  void stretchBits(TMetafile::Record const& r) {
    TSurface const& b = *r.bits;
    simple(EMR_SETSTRETCHBLTMODE, {int32_t(r.stretch)});
    const uint32_t kFixed = 80, kInfo = 40;
    const size_t stride = size_t(b.stride());
    const uint32_t image = uint32_t(stride * size_t(b.height()));
    int32_t x = lx(r.pts[0].x), y = ly(r.pts[0].y), cx = lx(r.pts[1].x) - x, cy = ly(r.pts[1].y) - y;
    std::string pixels(reinterpret_cast<const char*>(b.bits()), image);
    if (cx < 0) {
      x += cx, cx = -cx;
      for (size_t row = 0; row < size_t(b.height()); ++row)
        for (int i = 0, j = b.width() - 1; i < j; ++i, --j)
          for (int k = 0; k < 3; ++k) std::swap(pixels[row * stride + size_t(3 * i + k)], pixels[row * stride + size_t(3 * j + k)]);
    }
    if (cy < 0) {
      y += cy, cy = -cy;
      for (size_t i = 0, j = size_t(b.height()) - 1; i < j; ++i, --j)
        std::swap_ranges(pixels.begin() + ptrdiff_t(i * stride), pixels.begin() + ptrdiff_t((i + 1) * stride),
                         pixels.begin() + ptrdiff_t(j * stride));
    }
    begin(EMR_STRETCHDIBITS);
    bounds(r.pts);
    i32(x), i32(y);
    i32(0), i32(0), i32(b.width()), i32(b.height());  // the whole source
    u32(kFixed), u32(kInfo), u32(kFixed + kInfo), u32(image);
    u32(0);  // colours are RGB values
    u32(r.value);
    i32(cx), i32(cy);
    // BITMAPINFOHEADER
    u32(kInfo);
    i32(b.width()), i32(b.height());
    u16(1), u16(24);
    u32(0);  // no compression
    u32(image);
    i32(0), i32(0), u32(0), u32(0);
    frec += pixels;
    end();
  }

  void one(TMetafile::Record const& r) {
    using K = TMetafile::Record::Kind;
    switch (r.kind) {
      case K::Pen: replace(fsel.pen, createPen(r.pen, r.size)); break;
      case K::Brush: replace(fsel.brush, createBrush(r.brush)); break;
      case K::Font:
        fmeasure = r.font;
        if (fmeasure.height != 0) fmeasure.height = clamp32(r.size) != 0 ? clamp32(r.size) : (r.size < 0 ? -1 : 1);
        fhasFont = true;
        replace(fsel.font, createFont(r.font, r.size));
        break;
      case K::TextColor: simple(EMR_SETTEXTCOLOR, {int32_t(r.colour & 0xFFFFFF)}); break;
      case K::BkColor: simple(EMR_SETBKCOLOR, {int32_t(r.colour & 0xFFFFFF)}); break;
      case K::BkMode: simple(EMR_SETBKMODE, {int32_t(r.value)}); break;
      case K::TextAlign:
        falign = r.value;
        simple(EMR_SETTEXTALIGN, {int32_t(r.value)});
        break;
      case K::CharExtra: fextra = r.size; break;
      case K::MoveTo: simple(EMR_MOVETOEX, {lx(r.pts[0].x), ly(r.pts[0].y)}); break;
      case K::LineTo: simple(EMR_LINETO, {lx(r.pts[0].x), ly(r.pts[0].y)}); break;
      case K::Polyline: poly(EMR_POLYLINE16, EMR_POLYLINE, r.pts); break;
      case K::Polygon: poly(EMR_POLYGON16, EMR_POLYGON, r.pts); break;
      case K::PolyPolygon: {
        // Only whole rings: counts beyond the points are left out, as the player does.
        std::vector<uint32_t> counts;
        size_t total = 0;
        for (int c : r.counts) {
          if (c < 0 || total + size_t(c) > r.pts.size()) break;
          counts.push_back(uint32_t(c));
          total += size_t(c);
        }
        const std::vector<TFPoint> pts(r.pts.begin(), r.pts.begin() + ptrdiff_t(total));
        const bool s = fitsShort(pts);
        begin(s ? EMR_POLYPOLYGON16 : EMR_POLYPOLYGON);
        bounds(pts);
        u32(uint32_t(counts.size()));
        u32(uint32_t(total));
        for (uint32_t c : counts) u32(c);
        points(pts, s);
        end();
        break;
      }
      case K::Rectangle:
      case K::Ellipse:
        begin(r.kind == K::Rectangle ? EMR_RECTANGLE : EMR_ELLIPSE);
        box(r);
        end();
        break;
      case K::FillRect: {
        // A rectangle with the record's brush and no pen; the selection is put back after it.
        const uint32_t b = createBrush(r.brush);
        select(b);
        select(NULL_PEN);
        begin(EMR_RECTANGLE);
        box(r);
        end();
        select(fsel.pen ? fsel.pen : BLACK_PEN);
        select(fsel.brush ? fsel.brush : WHITE_BRUSH);
        release(b);
        break;
      }
      case K::Text: text(r); break;
      case K::StretchBits: stretchBits(r); break;
      case K::ClipRect:
        begin(EMR_INTERSECTCLIPRECT);
        box(r);
        end();
        break;
      case K::SaveDC:
        simple(EMR_SAVEDC, {});
        fstack.push_back(fsel);
        fextras.push_back({fextra, fmeasure, fhasFont, falign});
        break;
      case K::RestoreDC: {
        const size_t levels = std::min<size_t>(r.value, fstack.size());
        if (levels == 0) break;
        simple(EMR_RESTOREDC, {-int32_t(levels)});
        const size_t at = fstack.size() - levels;
        fsel = fstack[at];
        fextra = fextras[at].extra;
        fmeasure = fextras[at].font;
        fhasFont = fextras[at].hasFont;
        falign = fextras[at].align;
        fstack.resize(at);
        fextras.resize(at);
        // What only the dropped levels selected is free now.
        for (uint32_t h = 1; h < fused.size(); ++h)
          if (fused[h]) release(h);
        break;
      }
    }
  }

  int32_t fw, fh;
  std::string fout, frec;
  uint32_t fcount = 0;
  std::vector<bool> fused;
  Selection fsel;
  std::vector<Selection> fstack;
  struct TextState {
    double extra = 0;
    TLogFont font;
    bool hasFont = false;
    unsigned align = TA_LEFT | TA_TOP;
  };
  std::vector<TextState> fextras;
  double fextra = 0;      // character extra, frame units
  TLogFont fmeasure;      // the selected font at its logical height, for the advances
  bool fhasFont = false;
  unsigned falign = TA_LEFT | TA_TOP;  // the text alignment in force, for the texts' bounds
};

}  // namespace

std::string enhMetaFileBytes(TMetafile const& m) {
  if (m.MMWidth() <= 0 || m.MMHeight() <= 0) return {};
  return Writer(m).bytes(m);
}

bool saveEnhMetaFile(TMetafile const& m, std::string const& filename, std::string* error) {
  const std::string bytes = enhMetaFileBytes(m);
  if (bytes.empty()) {
    if (error) *error = "the picture has no width or height";
    return false;
  }
  return replaceFileContents(filename, bytes, error);
}

}  // namespace platform
