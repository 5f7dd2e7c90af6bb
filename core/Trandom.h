// Trandom: independent, reproducible pseudo-random streams named by an integer id.
// Each stream keeps its own 32-bit seed and advances it with seed := seed × 134775813 + 1
// (mod 2^32), so one stream's numbers never depend on how much the others have drawn.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/surface.h"

class Trandom {
 public:
  Trandom() = default;
  ~Trandom() { clear(); }
  Trandom(const Trandom&) = delete;
  Trandom& operator=(const Trandom&) = delete;

  // Forgets every stream; the next new stream starts from seed 1 again.
  void clear();
  // The seed the next new stream receives (later new streams count up from it).
  void setStartSeed(int32_t value) { defStartSeed = value; }
  // The stream's index in `pt`; creates the stream when the id is new.
  int32_t getIndex(int32_t id);
  // Next integer of the stream in [0, range); range 1 always gives 0.
  int32_t RandomI(int32_t id, int32_t range);
  // Next real of the stream in [0, 1).
  long double RandomD(int32_t id);
  double value(int32_t id) { return static_cast<double>(RandomD(id)); }
  int32_t value(int32_t id, int32_t range) { return RandomI(id, range); }
  long double random(int32_t id) { return RandomD(id); }

  int32_t currentId = -1;
  int32_t lastIndex = -1;
  int32_t defStartSeed = 1;
  std::vector<platform::TPoint> pt;  // (Tpoints) one per stream, in order of first use: X the id, Y the seed (used as unsigned)

 private:
  uint32_t advance(int32_t id);
};
