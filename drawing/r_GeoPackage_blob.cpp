// GeoPackage geometry blobs: the 8-byte header ("GP", version 0, flags, srs id), the envelope the
// flags announce (0, 32, 48, 48 or 64 bytes) and the well-known binary, each geometry and member
// in its own byte order, with ISO (+1000 Z, +2000 M, +3000 ZM) or high-bit dimension codes.
// Only x and y are kept; every count is checked against the bytes left before it sizes anything.
#include <cmath>
#include <cstring>

#include "drawing/r_GeoPackage.h"
#include "platform/TMemoryStream.h"

namespace {
constexpr size_t kEnvelopeSizes[] = {0, 32, 48, 48, 64};
constexpr int kMaxDepth = 2;  // a multi-geometry and its members

class TwkbReader {
 public:
  TwkbReader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  [[nodiscard]] size_t left() const { return n_ - pos_; }
  bool byte(uint8_t& v) {
    if (left() < 1) return false;
    v = p_[pos_++];
    return true;
  }
  bool u32(uint32_t& v, bool big) {
    if (left() < 4) return false;
    const uint8_t* q = p_ + pos_;
    v = big ? uint32_t(q[0]) << 24 | uint32_t(q[1]) << 16 | uint32_t(q[2]) << 8 | q[3]
            : uint32_t(q[3]) << 24 | uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
    pos_ += 4;
    return true;
  }
  bool f64(double& v, bool big) {
    if (left() < 8) return false;
    uint8_t b[8];
    std::memcpy(b, p_ + pos_, 8);
    if (big)
      for (int i = 0; i < 4; ++i) std::swap(b[i], b[7 - i]);
    std::memcpy(&v, b, 8);
    pos_ += 8;
    return true;
  }
  void skip(size_t k) { pos_ += k; }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

struct WkbType {
  uint32_t base = 0;  // 1 point ... 7 collection
  size_t pointSize = 16;
};

bool readType(TwkbReader& r, bool& big, WkbType& t, std::string& why) {
  uint8_t order = 0;
  uint32_t code = 0;
  if (!r.byte(order) || order > 1) {
    why = "no byte order";
    return false;
  }
  big = order == 0;
  if (!r.u32(code, big)) {
    why = "no geometry type";
    return false;
  }
  bool z = code & 0x80000000u, m = code & 0x40000000u;
  if (code & 0x20000000u) {
    why = "geometry type with an embedded srid";
    return false;
  }
  code &= 0x0FFFFFFFu;
  const uint32_t dims = code / 1000;
  if (dims > 3) {
    why = "geometry type " + std::to_string(code);
    return false;
  }
  z = z || dims == 1 || dims == 3;
  m = m || dims == 2 || dims == 3;
  t.base = code % 1000;
  t.pointSize = 16 + (z ? 8 : 0) + (m ? 8 : 0);
  return true;
}

bool readPoints(TwkbReader& r, bool big, const WkbType& t, Txyvalues& out, std::string& why) {
  uint32_t count = 0;
  if (!r.u32(count, big) || uint64_t(count) * t.pointSize > r.left()) {
    why = "point count beyond the blob";
    return false;
  }
  out.clear();
  out.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    xyrec p;
    r.f64(p.x, big);
    r.f64(p.y, big);
    r.skip(t.pointSize - 16);
    out.push_back(p);
  }
  return true;
}

// One point, line or polygon as parts; empty parts for an empty geometry.
bool readSingle(TwkbReader& r, bool big, const WkbType& t, TpolyXyValues& parts, std::string& why) {
  parts.clear();
  switch (t.base) {
    case 1: {
      if (r.left() < t.pointSize) {
        why = "point cut short";
        return false;
      }
      xyrec p;
      r.f64(p.x, big);
      r.f64(p.y, big);
      r.skip(t.pointSize - 16);
      if (!(std::isnan(p.x) && std::isnan(p.y))) parts.push_back({p});
      return true;
    }
    case 2: {
      Txyvalues line;
      if (!readPoints(r, big, t, line, why)) return false;
      if (!line.empty()) parts.push_back(std::move(line));
      return true;
    }
    case 3: {
      uint32_t rings = 0;
      if (!r.u32(rings, big) || uint64_t(rings) * 4 > r.left()) {
        why = "ring count beyond the blob";
        return false;
      }
      for (uint32_t k = 0; k < rings; ++k) {
        Txyvalues ring;
        if (!readPoints(r, big, t, ring, why)) return false;
        if (ring.size() >= 4) parts.push_back(std::move(ring));  // fewer cannot close an area
      }
      return true;
    }
    default:
      why = "geometry type " + std::to_string(t.base) + " not read";
      return false;
  }
}

int32_t rawTypeOf(uint32_t base) {
  switch (base) {
    case 1: return 1;
    case 2: return 2;
    case 3: return 6;
    case 4: return 10;
    case 5: return 11;
    case 6: return 12;
    default: return 0;
  }
}

bool readGeometry(TwkbReader& r, TgpkgGeometry& out, std::string& why) {
  bool big = false;
  WkbType t;
  if (!readType(r, big, t, why)) return false;
  out.rawType = rawTypeOf(t.base);
  out.members.clear();
  if (t.base >= 1 && t.base <= 3) {
    TpolyXyValues parts;
    if (!readSingle(r, big, t, parts, why)) return false;
    if (!parts.empty()) out.members.push_back(std::move(parts));
    return true;
  }
  if (t.base < 4 || t.base > 6) {
    why = "geometry type " + std::to_string(t.base) + " not read";
    return false;
  }
  uint32_t count = 0;
  // A member needs at least its byte order, type and a count or a point.
  if (!r.u32(count, big) || uint64_t(count) * 9 > r.left()) {
    why = "member count beyond the blob";
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    bool memberBig = false;
    WkbType mt;
    if (!readType(r, memberBig, mt, why)) return false;
    if (mt.base != t.base - 3) {
      why = "member of type " + std::to_string(mt.base) + " in a multi-geometry of type " + std::to_string(t.base);
      return false;
    }
    TpolyXyValues parts;
    if (!readSingle(r, memberBig, mt, parts, why)) return false;
    if (!parts.empty()) out.members.push_back(std::move(parts));
  }
  return true;
}

void envelopeFromPoints(TgpkgGeometry& g) {
  bool first = true;
  for (const TpolyXyValues& m : g.members)
    for (const Txyvalues& part : m)
      for (const xyrec& p : part) {
        if (first) {
          g.envelope = {p.x, p.x, p.y, p.y};
          first = false;
        }
        g.envelope.left = std::min(g.envelope.left, p.x);
        g.envelope.right = std::max(g.envelope.right, p.x);
        g.envelope.bottom = std::min(g.envelope.bottom, p.y);
        g.envelope.top = std::max(g.envelope.top, p.y);
      }
  g.hasEnvelope = !first;
}
}  // namespace

TblobResult decodeBlob(const uint8_t* p, size_t n, TgpkgGeometry& out, std::string& why) {
  out = TgpkgGeometry();
  if (!p || n < 8) {
    why = "blob shorter than its header";
    return TblobResult::Refused;
  }
  gHeader h;
  h.magic[0] = p[0];
  h.magic[1] = p[1];
  h.version = p[2];
  h.flags = p[3];
  if (h.magic[0] != 'G' || h.magic[1] != 'P') {
    why = "no GeoPackage blob";
    return TblobResult::Refused;
  }
  if (h.version != 0) {
    why = "blob version " + std::to_string(h.version);
    return TblobResult::Refused;
  }
  if (h.flags & 0x20) {
    why = "extended geometry type";
    return TblobResult::Refused;
  }
  const unsigned code = (h.flags >> 1) & 7;
  if (code >= std::size(kEnvelopeSizes)) {
    why = "envelope code " + std::to_string(code);
    return TblobResult::Refused;
  }
  const size_t envelope = kEnvelopeSizes[code];
  if (n < 8 + envelope) {
    why = "blob shorter than its envelope";
    return TblobResult::Refused;
  }
  TwkbReader header(p + 4, 4 + envelope);
  const bool bigHeader = !(h.flags & 1);
  uint32_t srs = 0;
  header.u32(srs, bigHeader);
  h.srsId = static_cast<int32_t>(srs);
  if (envelope > 0) {
    header.f64(out.envelope.left, bigHeader);
    header.f64(out.envelope.right, bigHeader);
    header.f64(out.envelope.bottom, bigHeader);
    header.f64(out.envelope.top, bigHeader);
  }
  if (h.flags & 0x10) return TblobResult::Empty;
  TwkbReader r(p + 8 + envelope, n - 8 - envelope);
  if (!readGeometry(r, out, why)) {
    out.members.clear();
    return TblobResult::Refused;
  }
  if (out.members.empty()) return TblobResult::Empty;
  if (envelope > 0 && std::isfinite(out.envelope.left) && std::isfinite(out.envelope.right) &&
      std::isfinite(out.envelope.bottom) && std::isfinite(out.envelope.top))
    out.hasEnvelope = true;
  else
    envelopeFromPoints(out);
  return TblobResult::Geometry;
}

bool decodeGeom(int32_t /*obType*/, TpolyXyValues& xy, TMemoryStream& mem) {
  TgpkgGeometry geo;
  std::string why;
  if (decodeBlob(mem.memory(), static_cast<size_t>(mem.size()), geo, why) != TblobResult::Geometry) return false;
  xy = std::move(geo.members[0]);
  return true;
}

bool decodeMultiGeom(int32_t /*obType*/, TpolyPolyXYvalues& list, TMemoryStream& mem) {
  TgpkgGeometry geo;
  std::string why;
  if (decodeBlob(mem.memory(), static_cast<size_t>(mem.size()), geo, why) != TblobResult::Geometry) return false;
  list = std::move(geo.members);
  return true;
}
