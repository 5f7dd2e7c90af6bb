// Inside the rasteriser: the HALFTONE resampler. Separable: each source row is first resampled
// across (area average where it shrinks, bilinear between pixel centres where it grows), then
// the rows are mixed down the same way. Weights are 14-bit fixed point summing to exactly 1.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/surface.h"

namespace platform::detail {

class Resampler {
 public:
  // The source rectangle (sx, sy, sw, sh) must lie inside src (24 or 32 bits).
  Resampler(TSurface const& src, int sx, int sy, int sw, int sh, int dw, int dh, bool mirrorX,
            bool mirrorY);
  // Target row dy (0 .. dh − 1) as dw pixels of the source's byte layout.
  void row(int dy, uint8_t* out);

  struct Taps {
    std::vector<int> first;   // per target pixel: index of its first tap
    std::vector<int> count;   // per target pixel: number of taps
    std::vector<int> index;   // source pixel of each tap (relative to the rectangle)
    std::vector<int32_t> weight;
    int most = 0;             // the largest tap count
  };
  static void makeTaps(int sn, int dn, bool mirror, Taps&);

 private:
  uint16_t const* across(int sourceRow);
  TSurface const& fsrc;
  int fsx, fsy, fsw, fsh, fdw, fdh, fC;
  Taps fx, fy;
  std::vector<uint16_t> fcache;  // slots of dw × C values
  std::vector<int> ftag;         // source row held by each slot, −1 when none
  int fnext = 0;
  std::vector<uint32_t> facc;
};

}  // namespace platform::detail
