// The HALFTONE resampler: box (area average) reduction and bilinear enlargement per axis, with
// 14-bit weights; rows resampled across are cached so that each source row is done once.
#include "platform/gdi_stretch.h"

#include <algorithm>
#include <cmath>

namespace platform::detail {

namespace {
constexpr int kOne = 1 << 14;  // weight of a whole source pixel
}

void Resampler::makeTaps(int sn, int dn, bool mirror, int i0, int i1, Taps& t) {
  t = {};
  t.first.resize(size_t(std::max(0, i1 - i0)));
  t.count.resize(size_t(std::max(0, i1 - i0)));
  std::vector<std::pair<int, double>> raw;
  for (int slot = 0; slot < i1 - i0; ++slot) {
    // A mirrored target pixel takes what the unmirrored one at the far end would.
    int i = mirror ? dn - 1 - (i0 + slot) : i0 + slot;
    raw.clear();
    if (dn < sn) {
      // The target pixel covers source span [a, b): each source pixel counts by its overlap.
      double a = double(i) * sn / dn, b = double(i + 1) * sn / dn;
      int j0 = int(std::floor(a)), j1 = std::min(sn, int(std::ceil(b)));
      for (int j = j0; j < j1; ++j) {
        double ov = std::min(b, double(j + 1)) - std::max(a, double(j));
        if (ov > 0) raw.push_back({j, ov / (b - a)});
      }
    } else {
      // Bilinear between the two source centres round the target centre.
      double u = (i + 0.5) * sn / dn - 0.5;
      int j0 = int(std::floor(u));
      double f = u - j0;
      int ja = std::clamp(j0, 0, sn - 1), jb = std::clamp(j0 + 1, 0, sn - 1);
      if (ja == jb || f == 0) raw.push_back({ja, 1.0});
      else { raw.push_back({ja, 1 - f}); raw.push_back({jb, f}); }
    }
    // Quantise so that the weights sum to exactly kOne (the rest goes to the heaviest tap).
    int sum = 0, heavy = 0;
    size_t at = t.index.size();
    for (size_t k = 0; k < raw.size(); ++k) {
      int w = int(std::lround(raw[k].second * kOne));
      sum += w;
      t.index.push_back(mirror ? sn - 1 - raw[k].first : raw[k].first);
      t.weight.push_back(w);
      if (w > t.weight[at + size_t(heavy)]) heavy = int(k);
    }
    t.weight[at + size_t(heavy)] += kOne - sum;
    t.first[size_t(slot)] = int(at);
    t.count[size_t(slot)] = int(raw.size());
    t.most = std::max(t.most, int(raw.size()));
  }
  // Every pixel gets the same number of taps (zero weights pad), so the inner loops are fixed.
  Taps u;
  u.most = t.most;
  for (size_t i = 0; i < t.first.size(); ++i) {
    u.first.push_back(int(i) * t.most);
    u.count.push_back(t.most);
    for (int k = 0; k < t.most; ++k) {
      bool real = k < t.count[i];
      int from = t.first[i] + (real ? k : t.count[i] - 1);
      u.index.push_back(t.index[size_t(from)]);
      u.weight.push_back(real ? t.weight[size_t(from)] : 0);
    }
  }
  t = std::move(u);
}

namespace {
// One source row across: N taps per target pixel, C channels; results keep 8 fraction bits.
template <int N, int C>
void acrossFixed(uint8_t const* __restrict in, int const* __restrict idx, int32_t const* __restrict wt, int dw,
                 uint16_t* __restrict out) {
  for (int i = 0; i < dw; ++i, idx += N, wt += N, out += C) {
    uint32_t c[C] = {};
    for (int k = 0; k < N; ++k) {
      uint8_t const* p = in + C * idx[k];
      uint32_t w = uint32_t(wt[k]);
      for (int q = 0; q < C; ++q) c[q] += w * p[q];
    }
    for (int q = 0; q < C; ++q) out[q] = uint16_t((c[q] + 32) >> 6);
  }
}

template <int C>
void acrossAny(uint8_t const* in, int const* idx, int32_t const* wt, int n, int dw, uint16_t* out) {
  for (int i = 0; i < dw; ++i, idx += n, wt += n, out += C) {
    uint32_t c[C] = {};
    for (int k = 0; k < n; ++k) {
      uint8_t const* p = in + C * idx[k];
      uint32_t w = uint32_t(wt[k]);
      for (int q = 0; q < C; ++q) c[q] += w * p[q];
    }
    for (int q = 0; q < C; ++q) out[q] = uint16_t((c[q] + 32) >> 6);
  }
}

// Neighbour pairs: the pixel at the offset and the next one, the first weighted w of 2^14.
template <int C>
void acrossPairs(uint8_t const* __restrict in, int const* __restrict off, int32_t const* __restrict wt,
                 int dw, uint16_t* __restrict out) {
  for (int i = 0; i < dw; ++i, out += C) {
    uint8_t const* p = in + off[i];
    uint32_t w = uint32_t(wt[i]), v = 16384u - w;
    for (int q = 0; q < C; ++q) out[q] = uint16_t((w * p[q] + v * p[q + C] + 32) >> 6);
  }
}

// Two rows down into one: weights of 14 bits on values with 8 fraction bits. The plain x86-64
// build has no 32-bit vector multiply, so a second version for AVX2 processors is chosen at load
// (not under ThreadSanitizer, whose instrumented chooser would run before the sanitizer starts).
#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define KESTROVA_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#else
#define KESTROVA_AVX2_CLONE
#endif
KESTROVA_AVX2_CLONE void mix2(uint16_t const* __restrict h0,
                                                            uint16_t const* __restrict h1, uint32_t w0,
                                                            uint32_t w1, uint8_t* __restrict out, size_t len) {
  for (size_t k = 0; k < len; ++k) out[k] = uint8_t((w0 * h0[k] + w1 * h1[k] + (1u << 21)) >> 22);
}

template <int C>
void acrossRow(uint8_t const* in, Resampler::Taps const& t, int dw, uint16_t* out) {
  int const* idx = t.index.data();
  int32_t const* wt = t.weight.data();
  switch (t.most) {
    case 1: acrossFixed<1, C>(in, idx, wt, dw, out); break;
    case 2: acrossFixed<2, C>(in, idx, wt, dw, out); break;
    case 3: acrossFixed<3, C>(in, idx, wt, dw, out); break;
    case 4: acrossFixed<4, C>(in, idx, wt, dw, out); break;
    default: acrossAny<C>(in, idx, wt, t.most, dw, out); break;
  }
}
}  // namespace

Resampler::Resampler(TSurface const& src, int sx, int sy, int sw, int sh, int dw, int dh, bool mirrorX,
                     bool mirrorY, int c0, int c1, int r0, int r1)
    : fsrc(src), fsx(sx), fsy(sy), fsw(sw), fsh(sh), fdw(c1 - c0), fdh(dh), fC(src.bitsPerPixel() / 8),
      fr0(r0) {
  makeTaps(sw, dw, mirrorX, c0, c1, fx);
  makeTaps(sh, dh, mirrorY, r0, r1, fy);
  // Taps become source pixels; a rectangle reaching beyond the source repeats its edge pixels.
  for (int& i : fx.index) i = std::clamp(sx + i, 0, src.width() - 1);
  for (int& i : fy.index) i = std::clamp(sy + i, 0, src.height() - 1);
  // Enlarging across mostly mixes neighbours: then each target pixel is one offset and one weight.
  if (fx.most == 2 && src.width() >= 2) {
    bool adjacent = true;
    for (size_t i = 0; i < size_t(fdw) && adjacent; ++i) {
      int a = fx.index[2 * i], b = fx.index[2 * i + 1];
      int32_t wa = fx.weight[2 * i], wb = fx.weight[2 * i + 1];
      if (b == a + 1) {
        fpairOff.push_back(a * fC);
        fpairW.push_back(wa);
      } else if (a == b || wb == 0 || wa == 0) {
        int only = wb == 0 ? a : wa == 0 ? b : a;  // all weight on one pixel
        int left = std::min(only, src.width() - 2);
        fpairOff.push_back(left * fC);
        fpairW.push_back(left == only ? 16384 : 0);
      } else {
        adjacent = false;
      }
    }
    if (!adjacent) { fpairOff.clear(); fpairW.clear(); }
  }
  int slots = fy.most + 1;
  fcache.assign(size_t(slots) * size_t(dw) * size_t(fC), 0);
  ftag.assign(size_t(slots), -1);
  fused.assign(size_t(slots), 0);
  facc.assign(size_t(dw) * size_t(fC), 0);
}

uint16_t const* Resampler::across(int sr) {
  size_t rowLen = size_t(fdw) * size_t(fC);
  ++fclock;
  size_t s = 0;
  for (size_t k = 0; k < ftag.size(); ++k) {
    if (ftag[k] == sr) {
      fused[k] = fclock;
      return &fcache[k * rowLen];
    }
    if (fused[k] < fused[s]) s = k;
  }
  // The least recently used slot: with one slot more than taps, a row's taps never evict each other.
  ftag[s] = sr;
  fused[s] = fclock;
  uint16_t* out = &fcache[s * rowLen];
  uint8_t const* in = fsrc.row(sr);
  if (!fpairOff.empty()) {
    if (fC == 3) acrossPairs<3>(in, fpairOff.data(), fpairW.data(), fdw, out);
    else acrossPairs<4>(in, fpairOff.data(), fpairW.data(), fdw, out);
    return out;
  }
  if (fC == 3) acrossRow<3>(in, fx, fdw, out);
  else acrossRow<4>(in, fx, fdw, out);
  return out;
}

void Resampler::row(int dy, uint8_t* out) {
  int f = fy.first[size_t(dy - fr0)], n = fy.count[size_t(dy - fr0)];
  size_t len = size_t(fdw) * size_t(fC);
  if (n == 1) {
    uint16_t const* h = across(fy.index[size_t(f)]);
    for (size_t k = 0; k < len; ++k) out[k] = uint8_t((uint32_t(h[k]) + 128) >> 8);
    return;
  }
  if (n == 2) {
    uint16_t const* h0 = across(fy.index[size_t(f)]);
    uint16_t const* h1 = across(fy.index[size_t(f) + 1]);
    mix2(h0, h1, uint32_t(fy.weight[size_t(f)]), uint32_t(fy.weight[size_t(f) + 1]), out, len);
    return;
  }
  uint32_t* acc = facc.data();
  std::fill(acc, acc + len, uint32_t(1) << 21);
  for (int t = f; t < f + n; ++t) {
    uint16_t const* h = across(fy.index[size_t(t)]);
    uint32_t w = uint32_t(fy.weight[size_t(t)]);
    for (size_t k = 0; k < len; ++k) acc[k] += w * h[k];
  }
  for (size_t k = 0; k < len; ++k) out[k] = uint8_t(std::min<uint32_t>(255, acc[k] >> 22));
}

}  // namespace platform::detail
