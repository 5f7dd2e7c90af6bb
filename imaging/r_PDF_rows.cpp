// The PNG row filters of the PDF writer's images, written as plain loops the vectoriser turns
// into wide ones (the file is built with -O3; Paeth in 16-bit lanes): every image row goes
// through all five.
#include "imaging/r_PDF_rows.h"

#include <algorithm>
#include <cstdlib>

namespace pdf_rows {
namespace {
constexpr int kBpp = 3;                   // bytes of a pixel: red, green, blue
constexpr size_t kBlock = size_t(1) << 16;  // sums of a block fit 32 bits: 128 × 2^16 < 2^32

uint64_t absoluteSum(const uint8_t* __restrict p, size_t n) {
  uint64_t total = 0;
  for (size_t from = 0; from < n; from += kBlock) {
    const size_t to = std::min(n, from + kBlock);
    uint32_t s = 0;
    for (size_t i = from; i < to; ++i) s += uint32_t(std::abs(int(int8_t(p[i]))));
    total += s;
  }
  return total;
}

void sub(const uint8_t* __restrict x, uint8_t* __restrict o, size_t n) {
  for (size_t i = 0; i < n; ++i) o[i] = uint8_t(x[i] - x[i - kBpp]);
}

void up(const uint8_t* __restrict x, const uint8_t* __restrict b, uint8_t* __restrict o, size_t n) {
  for (size_t i = 0; i < n; ++i) o[i] = uint8_t(x[i] - b[i]);
}

void average(const uint8_t* __restrict x, const uint8_t* __restrict b, uint8_t* __restrict o, size_t n) {
  for (size_t i = 0; i < n; ++i) o[i] = uint8_t(x[i] - ((unsigned(x[i - kBpp]) + b[i]) >> 1));
}

void paeth(const uint8_t* __restrict x, const uint8_t* __restrict b, uint8_t* __restrict o, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const int16_t a = x[i - kBpp], up = b[i], c = b[i - kBpp];
    const int16_t da = int16_t(up - c), db = int16_t(a - c);
    const int16_t pa = int16_t(da < 0 ? -da : da), pb = int16_t(db < 0 ? -db : db);
    const int16_t dc = int16_t(da + db);
    const int16_t pc = int16_t(dc < 0 ? -dc : dc);
    const int16_t pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? up : c);
    o[i] = uint8_t(x[i] - pred);
  }
}
}  // namespace

const uint8_t* filteredRow(const uint8_t* cur, const uint8_t* prev, size_t n, uint8_t* const out[4]) {
  sub(cur, out[0] + 1, n);
  up(cur, prev, out[1] + 1, n);
  average(cur, prev, out[2] + 1, n);
  paeth(cur, prev, out[3] + 1, n);
  const uint8_t* best = cur - 1;
  uint64_t least = absoluteSum(cur, n);
  for (int k = 1; k <= 4; ++k) {
    const uint64_t s = absoluteSum(out[k - 1] + 1, n);
    if (s < least) {
      least = s;
      best = out[k - 1];
      out[k - 1][0] = uint8_t(k);
    }
  }
  return best;
}
}  // namespace pdf_rows
