// Small helpers shared by the r_Geom sources; not part of the module's interface.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/Tutil.h"

template <typename L>
[[nodiscard]] inline int32_t count(const L& list) {
  return static_cast<int32_t>(list.size());
}

namespace geom {

// Ascending insert; an equal value goes after the existing ones, or is refused without duplicates.
inline void addAscending(Tdlist& list, double value, bool allowDuplicates) {
  auto at = std::upper_bound(list.begin(), list.end(), value);
  if (!allowDuplicates && at != list.begin() && *(at - 1) == value) return;
  list.insert(at, value);
}

// Restores a value when the scope ends, whatever the exit.
template <typename T>
class Restore {
 public:
  Restore(T& ref, T value) : ref_(ref), saved_(ref) { ref_ = value; }
  ~Restore() { ref_ = saved_; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& ref_;
  T saved_;
};

}  // namespace geom
