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
  // The source rectangle (sx, sy, sw, sh) of src (24 or 32 bits); beyond src the edge pixels
  // repeat. Only target
  // columns c0 .. c1 − 1 and rows r0 .. r1 − 1 of the dw × dh target are made.
  Resampler(TSurface const& src, int sx, int sy, int sw, int sh, int dw, int dh, bool mirrorX,
            bool mirrorY, int c0, int c1, int r0, int r1);
  // Target row dy (r0 .. r1 − 1) as c1 − c0 pixels of the source's byte layout.
  void row(int dy, uint8_t* out);

  struct Taps {
    std::vector<int> first;   // per target pixel: index of its first tap
    std::vector<int> count;   // per target pixel: number of taps
    std::vector<int> index;   // source pixel of each tap (relative to the rectangle)
    std::vector<int32_t> weight;
    int most = 0;             // the largest tap count
  };
  // Taps of target pixels i0 .. i1 − 1 (stored from slot 0).
  static void makeTaps(int sn, int dn, bool mirror, int i0, int i1, Taps&);

 private:
  uint16_t const* across(int sourceRow);
  TSurface const& fsrc;
  int fsx, fsy, fsw, fsh, fdw, fdh, fC, fr0;
  Taps fx, fy;
  std::vector<uint16_t> fcache;  // slots of dw × C values
  std::vector<int> ftag;         // source row held by each slot, −1 when none
  std::vector<uint64_t> fused;  // when each slot was last used
  uint64_t fclock = 0;
  std::vector<uint32_t> facc;
  std::vector<int> fpairOff;      // neighbour-pair form of fx, when it has one
  std::vector<int32_t> fpairW;
};

}  // namespace platform::detail
