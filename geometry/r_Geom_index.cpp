// TsegmentTree: building the box levels in one pass over the line, and the box of a stretch of
// points from whole nodes and the segments at its ends.
#include "geometry/r_Geom_index.h"

#include <array>
#include <cstring>

#include "geometry/r_Geom_internal.h"

namespace geom {

void sortValues(Tdlist& values) {
  constexpr size_t kRadixFrom = 1024;
  if (values.size() < kRadixFrom) {
    std::sort(values.begin(), values.end());
    return;
  }
  // Bits that order as the values do: negatives reversed, positives above them.
  std::vector<uint64_t> keys(values.size()), spare(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    uint64_t bits = 0;
    std::memcpy(&bits, &values[i], sizeof bits);
    keys[i] = bits >> 63 ? ~bits : bits | (uint64_t{1} << 63);
  }
  constexpr int kDigit = 11;
  constexpr uint64_t kMask = (uint64_t{1} << kDigit) - 1;
  std::array<size_t, kMask + 2> start{};
  for (int shift = 0; shift < 64; shift += kDigit) {
    start.fill(0);
    for (uint64_t k : keys) ++start[((k >> shift) & kMask) + 1];
    for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
    for (uint64_t k : keys) spare[start[(k >> shift) & kMask]++] = k;
    keys.swap(spare);
  }
  for (size_t i = 0; i < values.size(); ++i) {
    const uint64_t bits = keys[i] >> 63 ? keys[i] & ~(uint64_t{1} << 63) : ~keys[i];
    std::memcpy(&values[i], &bits, sizeof bits);
  }
}

void TsegmentTree::build(const Txyvalues& line) {
  xy = &line;
  n = line.size() < 2 ? 0 : static_cast<int32_t>(line.size() - 1);
  boxes.clear();
  levelStart.clear();
  span.clear();
  largest = 0;
  if (n == 0) return;
  const int32_t leaves = (n + kLeaf - 1) / kLeaf;
  boxes.reserve(static_cast<size_t>(leaves) + static_cast<size_t>(leaves) / (kFan - 1) + 8);
  levelStart.push_back(0);
  span.push_back(kLeaf);
  // A leaf's box is the box of its segments' points; a NaN among them makes it everywhere.
  for (int32_t first = 0; first < n; first += kLeaf) {
    const int32_t last = std::min(first + kLeaf, n);
    Extent e{line[first].x, line[first].y, line[first].x, line[first].y};
    bool nan = false;
    for (int32_t k = first; k <= last; ++k) {
      const double x = line[k].x, y = line[k].y;
      nan |= std::isnan(x) || std::isnan(y);
      e.x1 = x < e.x1 ? x : e.x1;
      e.x2 = x > e.x2 ? x : e.x2;
      e.y1 = y < e.y1 ? y : e.y1;
      e.y2 = y > e.y2 ? y : e.y2;
    }
    if (nan) {
      e = everywhere();
      for (int32_t k = first; k <= last; ++k) {
        if (std::isfinite(line[k].x)) largest = std::max(largest, std::abs(line[k].x));
        if (std::isfinite(line[k].y)) largest = std::max(largest, std::abs(line[k].y));
      }
    } else {
      const double big = std::max(std::max(-e.x1, e.x2), std::max(-e.y1, e.y2));
      if (std::isfinite(big)) {
        largest = std::max(largest, big);
      } else {
        for (int32_t k = first; k <= last; ++k) {
          if (std::isfinite(line[k].x)) largest = std::max(largest, std::abs(line[k].x));
          if (std::isfinite(line[k].y)) largest = std::max(largest, std::abs(line[k].y));
        }
      }
    }
    boxes.push_back(e);
  }
  // Levels until one node holds the whole line.
  for (int32_t below = 0; count() - levelStart[below] > 1; ++below) {
    const int32_t from = levelStart[below], to = count();
    levelStart.push_back(to);
    span.push_back(span.back() * kFan);
    for (int32_t k = from; k < to; k += kFan) {
      Extent e = boxes[k];
      for (int32_t c = k + 1; c < std::min(k + kFan, to); ++c) widen(e, boxes[c]);
      boxes.push_back(e);
    }
  }
}

Extent TsegmentTree::pointsBox(int32_t first, int32_t last) const {
  const xyrec& p = (*xy)[first];
  if (first >= last) return segmentExtent(p, p);
  Extent e = segment(first);
  // Whole leaves between the ends come from the tree; the rest segment by segment.
  int32_t s = first + 1;
  while (s < last) {
    if (s % kLeaf == 0 && s + kLeaf <= last) {
      int32_t level = 0;
      while (level + 1 <= top() && s % span[level + 1] == 0 && s + span[level + 1] <= last) ++level;
      widen(e, box(level, static_cast<int32_t>(s / span[level])));
      s += static_cast<int32_t>(span[level]);
    } else {
      widen(e, segment(s));
      ++s;
    }
  }
  return e;
}

}  // namespace geom
