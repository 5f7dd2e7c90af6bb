// Number helpers: see numbers.h.
#include "platform/numbers.h"

#include <limits>

namespace platform {
namespace {
template <typename T>
T saturate(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  if (v <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  return static_cast<T>(v);
}
}  // namespace

// nearbyint rounds in the current mode, which the system never changes from nearest-even.
int64_t Round(double v) { return saturate<int64_t>(std::nearbyint(v)); }
int64_t Trunc(double v) { return saturate<int64_t>(std::trunc(v)); }
int32_t Round32(double v) { return saturate<int32_t>(std::nearbyint(v)); }
int32_t Trunc32(double v) { return saturate<int32_t>(std::trunc(v)); }
}  // namespace platform
