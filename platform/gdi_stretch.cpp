// The HALFTONE resampler: box (area average) reduction and bilinear enlargement per axis, with
// 14-bit weights; rows resampled across are cached so that each source row is done once.
#include "platform/gdi_stretch.h"

#include <algorithm>
#include <cmath>

namespace platform::detail {

namespace {
constexpr int kOne = 1 << 14;  // weight of a whole source pixel
}

void Resampler::makeTaps(int sn, int dn, bool mirror, Taps& t) {
  t = {};
  t.first.resize(size_t(dn));
  t.count.resize(size_t(dn));
  std::vector<std::pair<int, double>> raw;
  for (int i = 0; i < dn; ++i) {
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
    int slot = mirror ? dn - 1 - i : i;
    t.first[size_t(slot)] = int(at);
    t.count[size_t(slot)] = int(raw.size());
    t.most = std::max(t.most, int(raw.size()));
  }
}

Resampler::Resampler(TSurface const& src, int sx, int sy, int sw, int sh, int dw, int dh, bool mirrorX,
                     bool mirrorY)
    : fsrc(src), fsx(sx), fsy(sy), fsw(sw), fsh(sh), fdw(dw), fdh(dh), fC(src.bitsPerPixel() / 8) {
  makeTaps(sw, dw, mirrorX, fx);
  makeTaps(sh, dh, mirrorY, fy);
  int slots = fy.most + 1;
  fcache.assign(size_t(slots) * size_t(dw) * size_t(fC), 0);
  ftag.assign(size_t(slots), -1);
  facc.assign(size_t(dw) * size_t(fC), 0);
}

uint16_t const* Resampler::across(int sr) {
  size_t rowLen = size_t(fdw) * size_t(fC);
  for (size_t s = 0; s < ftag.size(); ++s)
    if (ftag[s] == sr) return &fcache[s * rowLen];
  size_t s = size_t(fnext);
  fnext = (fnext + 1) % int(ftag.size());
  ftag[s] = sr;
  uint16_t* out = &fcache[s * rowLen];
  uint8_t const* in = fsrc.row(fsy + sr) + size_t(fsx) * size_t(fC);
  int const* idx = fx.index.data();
  int32_t const* wt = fx.weight.data();
  if (fC == 3) {
    for (int i = 0; i < fdw; ++i) {
      int f = fx.first[size_t(i)], n = fx.count[size_t(i)];
      uint32_t b = 0, g = 0, r = 0;
      for (int k = f; k < f + n; ++k) {
        uint8_t const* p = in + 3 * idx[k];
        uint32_t w = uint32_t(wt[k]);
        b += w * p[0]; g += w * p[1]; r += w * p[2];
      }
      out[3 * i] = uint16_t((b + 32) >> 6);
      out[3 * i + 1] = uint16_t((g + 32) >> 6);
      out[3 * i + 2] = uint16_t((r + 32) >> 6);
    }
  } else {
    for (int i = 0; i < fdw; ++i) {
      int f = fx.first[size_t(i)], n = fx.count[size_t(i)];
      uint32_t c[4] = {0, 0, 0, 0};
      for (int k = f; k < f + n; ++k) {
        uint8_t const* p = in + 4 * idx[k];
        uint32_t w = uint32_t(wt[k]);
        for (int q = 0; q < 4; ++q) c[q] += w * p[q];
      }
      for (int q = 0; q < 4; ++q) out[4 * i + q] = uint16_t((c[q] + 32) >> 6);
    }
  }
  return out;
}

void Resampler::row(int dy, uint8_t* out) {
  int f = fy.first[size_t(dy)], n = fy.count[size_t(dy)];
  size_t len = size_t(fdw) * size_t(fC);
  if (n == 1) {
    uint16_t const* h = across(fy.index[size_t(f)]);
    for (size_t k = 0; k < len; ++k) out[k] = uint8_t((uint32_t(h[k]) + 128) >> 8);
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
