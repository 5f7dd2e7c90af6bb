// TveryFastDra: the geometry of a drawing file read front to back for previews. Records other
// than points, lines, polygons and multi-lines are stepped over by their length; a record whose
// length is below its header, runs past the end of the file or is shorter than its block ends
// the reading, so no file can make it loop or read outside what it holds.
#include <algorithm>

#include "core/Treadstream.h"
#include "drawing/r_Dra.h"
#include "drawing/r_Dra_internal.h"

namespace {
constexpr int kHeader = 24;
constexpr int kEntry = 13;

int32_t objectType(uint8_t kind) {
  switch (kind) {
    case ob_line: case ob_link: case ob_dimension: return o_line;
    case ob_polygon: return o_polyGon;
    case ob_point: case ob_node: return o_point;
    case o_multiline: return o_multiline;
    default: return -1;
  }
}

int32_t int32At(const uint8_t* p) { return static_cast<int32_t>(dra::get32(p)); }
}  // namespace

TveryFastDra::TveryFastDra() = default;
TveryFastDra::~TveryFastDra() = default;

bool TveryFastDra::create(const std::string& filename) {
  const std::string why = open(filename);
  stopped = !why.empty();
  if (stopped) {
    seterr(why);  // kept for the caller after the procedure ends
    log("** " + why);
  }
  return !stopped;
}

// The reason the file cannot be read as a drawing, empty when it can.
std::string TveryFastDra::open(const std::string& filename) {
  TprocScope proc(*this, "create");
  seterr("a");  // a: open
  f = std::make_unique<Treadstream>();
  if (!f->open(filename)) return "cannot open " + filename;
  seterr("b");  // b: the file header
  if (f->size() < kHeader || f->read(buf, kHeader) != kHeader || buf[0] != 0xF0 || buf[1] != ob_fileheader)
    return filename + " is not a drawing file";
  x1 = int32At(buf + 6) / 100.0;
  y1 = int32At(buf + 10) / 100.0;
  x2 = int32At(buf + 14) / 100.0;
  y2 = int32At(buf + 18) / 100.0;
  return "";
}

bool TveryFastDra::getnext() {
  obType = -1;
  if (stopped || !f) return false;
  const int64_t size = f->size();
  while (size - f->position() > kHeader) {
    const int64_t p = f->position();
    if (f->read(buf, kHeader) != kHeader) break;
    const int64_t length = int32At(buf + 2);
    if (length < kHeader || length > size - p) break;  // a length that does not fit the file
    const int32_t type = objectType(buf[1]);
    if (type > 0) {
      const int64_t first = int64_t(dra::get16(buf + 22)) + kHeader;  // the first point entry
      if (first > length) break;
      const int64_t rest = length - first;
      if (static_cast<int64_t>(mem.size()) < rest) mem.resize(static_cast<size_t>(rest));
      f->setPosition(p + first);
      if (f->read(mem.data(), rest) != rest) break;
      obType = type;
      readEntries(mem.data(), std::max<int64_t>(rest / kEntry - 1, 0));  // the last entry is the label
    }
    f->setPosition(p + length);
    if (obType > 0) return true;
  }
  stopped = true;
  return false;
}

void TveryFastDra::readEntries(const uint8_t* p, int64_t n) {
  constexpr uint8_t kNotPoint = 0x40, kNewPart = 0x80;
  std::vector<int64_t> counts(1, 0);
  for (int64_t i = 0; i < n; ++i) {
    const uint8_t flag = p[i * kEntry + 12];
    if (!(flag & kNotPoint)) ++counts.back();
    if ((flag & kNewPart) && i != n - 1) counts.push_back(0);
  }
  xy.resize(counts.size());
  for (size_t k = 0; k < counts.size(); ++k) {
    xy[k].clear();
    xy[k].reserve(static_cast<size_t>(counts[k]));
  }
  ox1 = oy1 = ox2 = oy2 = 0;
  bool first = true;
  size_t part = 0;
  for (int64_t i = 0; i < n; ++i) {
    const uint8_t* e = p + i * kEntry;
    if (!(e[12] & kNotPoint)) {
      const double x = real48ToDouble(e), y = real48ToDouble(e + 6);
      xy[part].push_back({x, y});
      if (first) {
        ox1 = ox2 = x;
        oy1 = oy2 = y;
        first = false;
      } else {
        ox1 = std::min(ox1, x);
        oy1 = std::min(oy1, y);
        ox2 = std::max(ox2, x);
        oy2 = std::max(oy2, y);
      }
    }
    if ((e[12] & kNewPart) && i != n - 1) ++part;
  }
}
