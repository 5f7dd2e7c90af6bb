// Number helpers with the semantics the system expects: Round halves to even, Trunc toward
// zero, Frac keeping the sign, and float-to-integer conversions defined for NaN and infinities.
#pragma once
#include <cmath>
#include <cstdint>

namespace platform {
// Nearest integer, halves to the even neighbour; NaN gives 0, out-of-range values saturate.
int64_t Round(double v);
// Toward zero; NaN gives 0, out-of-range values saturate.
int64_t Trunc(double v);
// The fractional part with the sign of v (Frac(-2.5) = -0.5).
inline double Frac(double v) { return v - std::trunc(v); }
// 32-bit forms of the above, saturating at the int32 range.
int32_t Round32(double v);
int32_t Trunc32(double v);
// Integer division toward zero that answers 0 instead of trapping on a zero divisor.
inline int64_t safeDiv(int64_t a, int64_t b) { return b == 0 ? 0 : a / b; }
}  // namespace platform
