// Thitrec and ThitList: see ThitList.h. Ownership is per record (an entry either holds its
// record's unique_ptr or borrows it), so deleting, clearing and moving records between lists
// never frees a record twice.
#include "core/ThitList.h"

#include <cassert>

void Thitrec::clear() {
  xy.clear();
  allhits.clear();
  closest = 0;
  hittype = 0;
  uid = -1;
  layerIndex = -1;
  obType = 0;
  isNewVertex = false;
  isControl = false;
}

void Thitrec::assign(const Thitrec& source) {
  if (&source == this) return;
  tag = source.tag;
  x = source.x;
  y = source.y;
  u = source.u;
  hittype = source.hittype;
  eventType = source.eventType;
  vertex = source.vertex;
  loop = source.loop;
  index = source.index;
  uid = source.uid;
  layerIndex = source.layerIndex;
  obType = source.obType;
  closest = source.closest;
  isControl = source.isControl;
  isNewVertex = source.isNewVertex;
  xy = source.xy;
  allhits = source.allhits;
}

bool Thitrec::isSame(const Thitrec& source) const {
  return hittype == source.hittype && uid == source.uid && obType == source.obType;
}

Thitrec& ThitList::item(int32_t index) const {
  assert(index >= 0 && index < count() && "ThitList::item: index outside the list");
  return *a[static_cast<size_t>(index)].rec;
}

int32_t ThitList::add() {
  auto rec = std::make_unique<Thitrec>();
  Thitrec* p = rec.get();
  a.push_back({p, std::move(rec)});
  owns = true;
  return count() - 1;
}

int32_t ThitList::add(Thitrec& h) {
  a.push_back({&h, nullptr});
  return count() - 1;
}

void ThitList::remove(int32_t index) {
  if (index < 0 || index >= count()) return;
  a.erase(a.begin() + index);
}

void ThitList::clear() {
  a.clear();
  owns = false;
  isAnEnd = false;
}

int32_t ThitList::IndexOf(int32_t uid) const {
  for (int32_t i = 0; i < count(); ++i)
    if (a[static_cast<size_t>(i)].rec->uid == uid) return i;
  return -1;
}

bool ThitList::inList(int32_t index) const {
  for (const Entry& e : a)
    if (e.rec->index == index) return true;
  return false;
}

bool ThitList::IncludesObType(int32_t obType) const {
  for (const Entry& e : a)
    if (e.rec->obType == obType) return true;
  return false;
}

void ThitList::PurgeAllBut(int32_t obType) {
  for (int32_t i = count() - 1; i >= 0; --i)
    if (a[static_cast<size_t>(i)].rec->obType != obType) remove(i);
}

void ThitList::PurgeAllButCommonest() {
  // Candidates in the order that wins ties.
  const int32_t kinds[4] = {o_polyGon, o_point, o_line, o_text};
  int32_t counts[4] = {0, 0, 0, 0};
  for (const Entry& e : a)
    for (int k = 0; k < 4; ++k)
      if (e.rec->obType == kinds[k]) ++counts[k];
  int best = 0;
  for (int k = 1; k < 4; ++k)
    if (counts[k] > counts[best]) best = k;
  PurgeAllBut(kinds[best]);
}

void ThitList::append(ThitList& source, Source mode) {
  if (&source == this) {
    // Appending a list to itself: copies of its records; moving them onto itself changes nothing.
    if (mode == Source::Clear) return;
  }
  const int32_t n = source.count();
  if (n == 0) return;
  a.reserve(a.size() + static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    Entry& from = source.a[static_cast<size_t>(i)];
    owns = true;
    if (mode == Source::Clear) {
      a.push_back({from.rec, std::move(from.owned)});  // ownership moves with the record
    } else {
      auto copy = std::make_unique<Thitrec>();
      copy->assign(*from.rec);
      Thitrec* p = copy.get();
      a.push_back({p, std::move(copy)});
    }
  }
  isAnEnd = source.isAnEnd;
  if (mode == Source::Clear) {
    source.a.clear();  // its records now live here
    source.owns = false;
    source.isAnEnd = false;
  }
}

void ThitList::assign(ThitList& source, Source mode) {
  if (&source == this) return;
  clear();
  append(source, mode);
}
