// TsunEle: the sun-elevation byte map and the day/night blend. The elevation figure of a point is
// 180° minus its angular distance from the sub-solar point (90 + the sun's altitude there); its
// byte is 255 in full day (sun above 4°), 0 at the antisolar point, a sine-shaped twilight between.
// Both hot loops are built three times (plain x86-64, AVX2, AVX-512) from one source, chosen at
// run time, and share the rows out over the worker pool; this file is built without contracting
// multiplies and adds, so every build computes every double the same way.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "astro/r_sunLite.h"
#include "astro/r_sunLite_rows.h"
#include "platform/numbers.h"

#if defined(__x86_64__) || defined(__i386__)
#define KESTROVA_X86_PATHS 1
#define KESTROVA_INLINE [[gnu::always_inline]] inline
#define KESTROVA_AVX2 [[gnu::target("avx2")]]
#define KESTROVA_AVX512 [[gnu::target("avx512f,avx512bw,avx512vl,avx512dq")]]
#else
#define KESTROVA_X86_PATHS 0
#define KESTROVA_INLINE inline
#endif

namespace {
constexpr double kPi = std::numbers::pi;
using Tpath = TsunEle::Tpath;

// day + (night − day) × weight / 300 rounded halves to even: the fade by (255 − v) / 3 percent.
// The numerator is an exact integer and float division is correctly rounded, so an exact half
// stays exact; adding and taking away 1.5 × 2^23 then rounds it to the even neighbour (the
// default rounding mode). Plain arithmetic, so the loop below vectorises.
KESTROVA_INLINE uint8_t fadeThirds(int day, int night, int weight) {
  constexpr float kRoundEven = 12582912.0f;
  const float q = static_cast<float>(day * 300 + (night - day) * weight) / 300.0f;
  return static_cast<uint8_t>(static_cast<int>((q + kRoundEven) - kRoundEven));
}

// The same fade in 16-bit integers, exactly (every day, night and weight is checked by a test):
// |night − day| × weight fits 16 bits, its quotient by 300 is a high multiply ((a / 4) / 75 with
// 55925 / 2^22 ≈ 1 / 75, exact for a / 4 < 16384) and the remainder settles the half to even.
// Sixteen bytes or more to a vector instruction and no division: the blend's loop.
// Written with masks instead of branches so that every build vectorises it.
KESTROVA_INLINE uint8_t fadeThirds16(uint16_t day, uint16_t night, uint16_t weight) {
  const uint16_t hi = day > night ? day : night, lo = day > night ? night : day;
  const uint16_t a = static_cast<uint16_t>((hi - lo) * weight);
  const uint16_t a4 = static_cast<uint16_t>(a >> 2);
  const uint16_t q = static_cast<uint16_t>(static_cast<uint16_t>((static_cast<uint32_t>(a4) * 55925u) >> 16) >> 6);
  const uint16_t r = static_cast<uint16_t>(a - q * 300);
  const uint16_t down = static_cast<uint16_t>(night >= day ? 0 : 0xFFFF);  // negates below when set
  const uint16_t base = static_cast<uint16_t>(day + ((q ^ down) - down));
  const uint16_t above = static_cast<uint16_t>(r > 150 ? 1 : 0), half = static_cast<uint16_t>(r == 150 ? 1 : 0);
  const uint16_t adjust = static_cast<uint16_t>(above | (half & base));  // a half goes to the even neighbour
  return static_cast<uint8_t>(base + ((adjust ^ down) - down));
}

// ---- the byte of a chord

// A pixel's byte depends only on its chord c to the sub-solar point (0 beneath the sun, 2 at
// the antisolar point) and never rises as c grows. The 255 chords where it steps down are found
// once by bisection over the doubles with the very arithmetic of the exact byte; the chord range
// is cut into bins (a power of two per unit, so c × scale is exact) that each hold at most one
// step. A pixel then needs a square root, one bin and one comparison. Chords within kNear of a
// bin's edges or of its step take the exact arithmetic, so a rounding wobble of the library's
// arcsine near a step can never change a byte.
struct TchordBytes {
  static constexpr double kNear = 1e-12;
  double deg2rad = 0;
  double scale = 0;
  int bins = 0;
  std::vector<uint8_t> first;  // the byte at the start of each bin (bins + 1: c = 2 has its own)
  std::vector<double> step;    // the chord inside the bin from which the byte is one lower; +inf: none

  static uint8_t exact(double c, double deg2rad) { return TsunEle::shade((kPi - 2 * std::asin(c / 2)) / deg2rad); }

  explicit TchordBytes(double d2r) : deg2rad(d2r) {
    // edge[k]: the smallest chord whose byte is at most 255 − k.
    std::vector<double> edge(256, 0.0);
    const int64_t top = std::bit_cast<int64_t>(2.0);
    for (int k = 1; k <= 255; ++k) {
      int64_t lo = 0, hi = top;  // byte(lo) > 255 − k ≥ byte(hi)
      while (hi - lo > 1) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (255 - exact(std::bit_cast<double>(mid), deg2rad) >= k) hi = mid;
        else lo = mid;
      }
      edge[k] = std::bit_cast<double>(hi);
    }
    for (bins = 1 << 14; bins <= 1 << 22; bins *= 2) {
      scale = bins / 2.0;
      first.assign(static_cast<size_t>(bins) + 1, 255);
      step.assign(static_cast<size_t>(bins) + 1, std::numeric_limits<double>::infinity());
      bool oneEach = true;
      int k = 1;
      for (int i = 0; i <= bins && oneEach; ++i) {
        const double lo = i / scale, hi = (i + 1) / scale;
        while (k <= 255 && edge[k] <= lo) ++k;
        first[i] = static_cast<uint8_t>(255 - (k - 1));
        if (k <= 255 && edge[k] < hi) {
          step[i] = edge[k];
          oneEach = k == 255 || edge[k + 1] >= hi;
        }
      }
      if (oneEach) return;
    }
    bins = 0;  // never: the steps lie far apart at these bin widths; every chord then goes exact
  }
};

const TchordBytes* chordBytes(double deg2rad) {
  static const TchordBytes table(kPi / 180);
  return table.bins > 0 && deg2rad == table.deg2rad ? &table : nullptr;
}

// ---- the two hot loops, one source for every build

struct TeleJob {
  const double* sinL;
  const double* cosL;
  int width, h;
  double sx, sy, sz, deg2rad;
  const TchordBytes* table;  // nullptr: every pixel by the exact arithmetic
  uint8_t* buf;
};

KESTROVA_INLINE void eleRowsBody(const TeleJob& j, int firstRow, int lastRow) {
  const int w = j.width;
  const TchordBytes* tb = j.table;
  for (int y = firstRow; y < lastRow; ++y) {
    const double phi = (90 - static_cast<double>(y) / j.h * 180) * j.deg2rad;
    const double cp = std::cos(phi), pz = std::sin(phi);
    const double dz2 = (j.sz - pz) * (j.sz - pz);
    uint8_t* row = j.buf + static_cast<size_t>(y) * w;
    auto chord = [&](int x) {
      const double px = j.sinL[x] * cp, py = j.cosL[x] * cp;
      return std::sqrt((j.sx - px) * (j.sx - px) + (j.sy - py) * (j.sy - py) + dz2);
    };
    if (!tb) {
      for (int x = 0; x < w; ++x) row[x] = TchordBytes::exact(chord(x), j.deg2rad);
      continue;
    }
    const double scale = tb->scale, near = TchordBytes::kNear * scale;
    const uint8_t* first = tb->first.data();
    const double* step = tb->step.data();
    int unsure = 0;
    for (int x = 0; x < w; ++x) {
      const double c = std::min(chord(x), 2.0);
      const double s = c * scale;
      const int i = static_cast<int>(s);
      const double t = s - i;
      row[x] = static_cast<uint8_t>(first[i] - (c >= step[i] ? 1 : 0));
      unsure |= (t < near) | (t > 1 - near) | (std::fabs(c - step[i]) * scale < near);
    }
    if (!unsure) continue;
    for (int x = 0; x < w; ++x) {
      const double c = chord(x);
      const double s = std::min(c, 2.0) * scale;
      const int i = static_cast<int>(s);
      const double t = s - i;
      if (t < near || t > 1 - near || std::fabs(std::min(c, 2.0) - step[i]) * scale < near)
        row[x] = TchordBytes::exact(c, j.deg2rad);
    }
  }
}

struct TblendJob {
  const uint8_t* bytes;  // the byte map, width per row
  int w, shift;          // column x reads byte x − shift
  uint8_t* const* target;
  const uint8_t* const* day;
  const uint8_t* const* night;
};

KESTROVA_INLINE void blendRowsBody(const TblendJob& j, int firstRow, int lastRow) {
  const int w = j.w, shift = j.shift;
  // The rolled row as one weight per byte, then one branch-free pass over the bytes: weight 0
  // (byte 255) gives the day byte back exactly.
  std::vector<uint8_t> rolled(static_cast<size_t>(w));
  std::vector<uint16_t> weights(static_cast<size_t>(3) * w);
  for (int y = firstRow; y < lastRow; ++y) {
    const uint8_t* bytes = j.bytes + static_cast<size_t>(y) * w;
    std::memcpy(rolled.data() + shift, bytes, static_cast<size_t>(w - shift));
    std::memcpy(rolled.data(), bytes + (w - shift), static_cast<size_t>(shift));
    for (int x = 0; x < w; ++x) {
      const uint16_t weight = static_cast<uint16_t>(255 - rolled[x]);  // percent × 300 / 100
      weights[3 * x] = weight;
      weights[3 * x + 1] = weight;
      weights[3 * x + 2] = weight;
    }
    uint8_t* __restrict t = j.target[y];
    const uint8_t* __restrict d = j.day[y];
    const uint8_t* __restrict n = j.night[y];
    const uint16_t* __restrict wt = weights.data();
    for (int i = 0; i < 3 * w; ++i) t[i] = fadeThirds16(d[i], n[i], wt[i]);
  }
}

void eleRowsBaseline(const TeleJob& j, int a, int b) { eleRowsBody(j, a, b); }
void blendRowsBaseline(const TblendJob& j, int a, int b) { blendRowsBody(j, a, b); }
#if KESTROVA_X86_PATHS
KESTROVA_AVX2 void eleRowsAvx2(const TeleJob& j, int a, int b) { eleRowsBody(j, a, b); }
KESTROVA_AVX2 void blendRowsAvx2(const TblendJob& j, int a, int b) { blendRowsBody(j, a, b); }
KESTROVA_AVX512 void eleRowsAvx512(const TeleJob& j, int a, int b) { eleRowsBody(j, a, b); }
KESTROVA_AVX512 void blendRowsAvx512(const TblendJob& j, int a, int b) { blendRowsBody(j, a, b); }
#endif

using TeleRows = void (*)(const TeleJob&, int, int);
using TblendRows = void (*)(const TblendJob&, int, int);

TeleRows eleRowsOf(Tpath p) {
#if KESTROVA_X86_PATHS
  if (p == Tpath::Avx512) return eleRowsAvx512;
  if (p == Tpath::Avx2) return eleRowsAvx2;
#endif
  (void)p;
  return eleRowsBaseline;
}

TblendRows blendRowsOf(Tpath p) {
#if KESTROVA_X86_PATHS
  if (p == Tpath::Avx512) return blendRowsAvx512;
  if (p == Tpath::Avx2) return blendRowsAvx2;
#endif
  (void)p;
  return blendRowsBaseline;
}

// Rows per band below which another thread costs more than it saves.
constexpr int kMinRowsPerBand = 32;
int bandsFor(int rows, int threads) {
  const int most = std::max(1, rows / kMinRowsPerBand);
  return std::min(threads > 0 ? threads : TrowPool::shared().threads(), most);
}
}  // namespace

bool TsunEle::pathSupported(Tpath p) {
  switch (p) {
    case Tpath::Auto:
    case Tpath::Baseline:
      return true;
#if KESTROVA_X86_PATHS
    case Tpath::Avx2:
      return __builtin_cpu_supports("avx2");
    case Tpath::Avx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
#endif
    default:
      return false;
  }
}

TsunEle::Tpath TsunEle::bestPath() {
  static const Tpath best = pathSupported(Tpath::Avx512) ? Tpath::Avx512
                            : pathSupported(Tpath::Avx2) ? Tpath::Avx2
                                                         : Tpath::Baseline;
  return best;
}

TsunEle::Tpath TsunEle::pathToRun() const {
  return path != Tpath::Auto && pathSupported(path) ? path : bestPath();
}

TsunEle::TsunEle() : deg2rad(kPi / 180) {}

void TsunEle::setSunLat(double lat) {
  sunlat = lat;
  sz = std::sin(lat * deg2rad);
  sx = 0;
  sy = std::cos(lat * deg2rad);
}

void TsunEle::setSunLong(double sunLong) {
  xoffset = static_cast<int32_t>(platform::Round(width / 360.0 * sunLong));
}

double TsunEle::elevation(double lat, double lng) const {
  const double phi = lat * deg2rad, lambda = lng * deg2rad;
  const double px = std::sin(lambda) * std::cos(phi), py = std::cos(lambda) * std::cos(phi), pz = std::sin(phi);
  const double c = std::sqrt((sx - px) * (sx - px) + (sy - py) * (sy - py) + (sz - pz) * (sz - pz));
  return (kPi - 2 * std::asin(c / 2)) / deg2rad;
}

uint8_t TsunEle::shade(double e) {
  // Figures a rounding error away from a boundary count as on it (the poles are exactly 90
  // with the sun on the equator, not 89.999999999).
  e = std::nearbyint(e * 1e9) / 1e9;
  double v;
  if (e > 94) v = 200 + (e - 94) / (180 - 94) * 55;
  else if (e < 86) v = e / 86 * 55;
  else v = 55 + 145 * (std::sin(kPi / 2 * (2 * (e - 86) / 8 - 1)) + 1) / 2;
  const int64_t b = platform::Round(v);
  return static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
}

// The same arithmetic as `elevation`, with each row's and column's sines taken once.
void TsunEle::eleMap(int w) {
  width = w > 0 ? w : 0;
  const int h = width / 2;
  noonX = h;
  buf.assign(static_cast<size_t>(width) * h, 0);
  std::vector<double> sinL(static_cast<size_t>(width)), cosL(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) {
    const double lambda = (static_cast<double>(x) / width * 360 - 180) * deg2rad;
    sinL[x] = std::sin(lambda);
    cosL[x] = std::cos(lambda);
  }
  const TeleJob job{sinL.data(), cosL.data(), width, h, sx, sy, sz, deg2rad, chordBytes(deg2rad), buf.data()};
  const TeleRows rows = eleRowsOf(pathToRun());
  TrowPool::shared().run(h, bandsFor(h, threads), [&](int a, int b) { rows(job, a, b); });
}

void TsunEle::applyMap(TrawBitmap24& target, TrawBitmap24& day, TrawBitmap24& night) {
  const int w = target.width(), h = target.height();
  // The byte map is read with the target's row stride: never past its end.
  if (w <= 0 || h <= 0 || buf.size() < static_cast<size_t>(w) * h) return;
  int shift = xoffset % w;
  if (shift < 0) shift += w;
  const bool direct = day.width() == w && day.height() == h && night.width() == w && night.height() == h &&
                      day.rowPt(0) && night.rowPt(0);
  if (!target.rowPt(0)) return;
  if (direct) {
    // Row addresses are taken here, on the calling thread: the workers only read and write pixels.
    std::vector<uint8_t*> t(static_cast<size_t>(h));
    std::vector<const uint8_t*> d(static_cast<size_t>(h)), n(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
      t[y] = target.rowPt(y);
      d[y] = day.rowPt(y);
      n[y] = night.rowPt(y);
    }
    const TblendJob job{buf.data(), w, shift, t.data(), d.data(), n.data()};
    const TblendRows rows = blendRowsOf(pathToRun());
    TrowPool::shared().run(h, bandsFor(h, threads), [&](int a, int b) { rows(job, a, b); });
    return;
  }
  // Images of another size (or none: a missing container) are read through the clamped reader.
  for (int y = 0; y < h; ++y) {
    const uint8_t* bytes = buf.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      int xs = x - shift;
      if (xs < 0) xs += w;
      const int v = bytes[xs];
      Tbgr dc, nc;
      day.getPixel(x, y, dc);
      if (v < 255) {
        night.getPixel(x, y, nc);
        const int weight = 255 - v;
        dc = Tbgr{fadeThirds(dc.blue, nc.blue, weight), fadeThirds(dc.green, nc.green, weight),
                  fadeThirds(dc.red, nc.red, weight)};
      }
      target.setPixel(x, y, dc);
    }
  }
}
