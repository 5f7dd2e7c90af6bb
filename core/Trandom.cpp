// Trandom: see Trandom.h. The draws take the upper half of range × seed (integers) or
// seed × 2^-32 (reals), both on the freshly advanced seed.
#include "core/Trandom.h"

#include <cstddef>

namespace {
constexpr uint32_t kMultiplier = 0x08088405u;  // 134775813
}

void Trandom::clear() {
  pt.clear();
  currentId = -1;
  lastIndex = -1;
  defStartSeed = 1;
}

int32_t Trandom::getIndex(int32_t id) {
  if (id == currentId && lastIndex >= 0) return lastIndex;
  int32_t index = -1;
  for (std::size_t i = 0; i < pt.size(); ++i)
    if (pt[i].X == id) {
      index = static_cast<int32_t>(i);
      break;
    }
  if (index < 0) {
    pt.push_back({id, defStartSeed});
    index = static_cast<int32_t>(pt.size() - 1);
    defStartSeed = static_cast<int32_t>(static_cast<uint32_t>(defStartSeed) + 1u);
  }
  currentId = id;
  lastIndex = index;
  return index;
}

uint32_t Trandom::advance(int32_t id) {
  platform::TPoint& s = pt[static_cast<std::size_t>(getIndex(id))];
  const uint32_t seed = static_cast<uint32_t>(s.Y) * kMultiplier + 1u;
  s.Y = static_cast<int32_t>(seed);
  return seed;
}

int32_t Trandom::RandomI(int32_t id, int32_t range) {
  const uint32_t seed = advance(id);
  const uint64_t product = static_cast<uint64_t>(static_cast<uint32_t>(range)) * seed;
  return static_cast<int32_t>(static_cast<uint32_t>(product >> 32));
}

long double Trandom::RandomD(int32_t id) {
  return static_cast<long double>(advance(id)) / 4294967296.0L;
}
