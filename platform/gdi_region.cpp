// TRegion: a clip area kept as a list of disjoint rectangles in device pixels. Subtraction splits
// a rectangle into at most four bands, so any sequence of clip calls stays a plain list.
// Invariants: (1) no rectangle is empty (2) no two rectangles overlap.
#include <algorithm>
#include <cassert>

#include "platform/gdi.h"

namespace platform {

TRegion::TRegion(TRect const& r) { setRect(r); }

void TRegion::checkInvariants() const {
#ifndef NDEBUG
  for (size_t i = 0; i < frects.size(); ++i) {
    assert(!frects[i].isEmpty() && "(1) no empty rectangle is kept");
    for (size_t j = i + 1; j < frects.size(); ++j)
      assert(frects[i].intersected(frects[j]).isEmpty() && "(2) rectangles never overlap");
  }
#endif
}

void TRegion::setRect(TRect const& r) {
  frects.clear();
  if (!r.isEmpty()) frects.push_back(r);
}

TRect TRegion::bounds() const {
  TRect b;
  for (auto const& r : frects) b.unite(r);
  return b;
}

bool TRegion::contains(TPoint p) const {
  return std::any_of(frects.begin(), frects.end(), [&](TRect const& r) { return r.contains(p); });
}

bool TRegion::overlaps(TRect const& t) const {
  return std::any_of(frects.begin(), frects.end(),
                     [&](TRect const& r) { return !r.intersected(t).isEmpty(); });
}

void TRegion::intersect(TRect const& t) {
  std::vector<TRect> out;
  for (auto const& r : frects) {
    TRect i = r.intersected(t);
    if (!i.isEmpty()) out.push_back(i);
  }
  frects = std::move(out);
  checkInvariants();
}

void TRegion::intersect(TRegion const& o) {
  std::vector<TRect> out;
  for (auto const& r : frects)
    for (auto const& q : o.frects) {
      TRect i = r.intersected(q);
      if (!i.isEmpty()) out.push_back(i);
    }
  frects = std::move(out);
  checkInvariants();
}

namespace {
// The parts of r outside cut: up to four rectangles (top band, bottom band, left, right).
void cutOut(TRect const& r, TRect const& cut, std::vector<TRect>& out) {
  TRect i = r.intersected(cut);
  if (i.isEmpty()) { out.push_back(r); return; }
  if (r.Top < i.Top) out.push_back({r.Left, r.Top, r.Right, i.Top});
  if (i.Bottom < r.Bottom) out.push_back({r.Left, i.Bottom, r.Right, r.Bottom});
  if (r.Left < i.Left) out.push_back({r.Left, i.Top, i.Left, i.Bottom});
  if (i.Right < r.Right) out.push_back({i.Right, i.Top, r.Right, i.Bottom});
}
}  // namespace

void TRegion::subtract(TRect const& t) {
  if (t.isEmpty()) return;
  std::vector<TRect> out;
  for (auto const& r : frects) cutOut(r, t, out);
  frects = std::move(out);
  checkInvariants();
}

void TRegion::unite(TRect const& t) {
  if (t.isEmpty()) return;
  // Add only the parts of t not yet covered, keeping the rectangles disjoint.
  std::vector<TRect> pieces{t};
  for (auto const& r : frects) {
    std::vector<TRect> next;
    for (auto const& p : pieces) cutOut(p, r, next);
    pieces = std::move(next);
    if (pieces.empty()) return;
  }
  frects.insert(frects.end(), pieces.begin(), pieces.end());
  checkInvariants();
}

void TRegion::unite(TRegion const& o) {
  for (auto const& r : o.frects) unite(r);
}

void TRegion::subtract(TRegion const& o) {
  for (auto const& r : o.frects) subtract(r);
}

TRegion TRegion::fromDisjoint(std::vector<TRect> rects) {
  TRegion g;
  std::erase_if(rects, [](TRect const& r) { return r.isEmpty(); });
  g.frects = std::move(rects);
  return g;
}

void TRegion::offset(int dx, int dy) {
  for (auto& r : frects) r.offset(dx, dy);
}

}  // namespace platform
