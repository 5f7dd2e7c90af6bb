// Tutil: see Tutil.h. Keys and points are compared exactly except where a tolerance is given.
#include "core/Tutil.h"

#include <cmath>

std::unique_ptr<Tutil> util;

namespace {
// Index at which a sorted add inserts: the first element whose key is strictly beyond the new
// key in the list's order; -1 when the element belongs at the end.
template <typename L, typename Key>
int32_t sortedPlace(const L& list, double key, bool lowestFirst, Key keyOf) {
  for (size_t i = 0; i < list.size(); ++i) {
    double k = keyOf(list[i]);
    if (lowestFirst ? k > key : k < key) return static_cast<int32_t>(i);
  }
  return -1;
}

template <typename L>
void swapAt(L& list, int32_t a, int32_t b) {
  const auto n = list.size();
  if (a < 0 || b < 0 || static_cast<size_t>(a) >= n || static_cast<size_t>(b) >= n) return;
  std::swap(list[static_cast<size_t>(a)], list[static_cast<size_t>(b)]);
}

int32_t lastIndex(size_t n) { return static_cast<int32_t>(n) - 1; }

// Number lists: no hand-over to add; a prior past the end appends, one before the start inserts first.
template <typename L, typename V>
void insertNumber(L& list, int32_t prior, V value) {
  size_t at = prior < -1 ? 0 : static_cast<size_t>(prior + 1);
  if (at > list.size()) at = list.size();
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), value);
}

// Point and ring lists: a prior at or past the last element hands the value to add.
template <typename L, typename V, typename Add>
void insertPoint(L& list, int32_t prior, const V& value, Add add) {
  if (prior >= lastIndex(list.size())) {
    add();
    return;
  }
  size_t at = prior < -1 ? 0 : static_cast<size_t>(prior + 1);
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), value);
}

template <typename L>
L& appendList(L& list, const L& src, bool reverse) {
  if (src.empty()) return list;
  const L source = &src == &list ? src : L();  // a list appended to itself is read from a copy
  const L& s = &src == &list ? source : src;
  const size_t m = s.size();
  const auto& first = (!reverse || m == 1) ? s.front() : s.back();
  const size_t skip = !list.empty() && list.back() == first ? 1 : 0;
  list.reserve(list.size() + m - skip);
  if (!reverse) {
    for (size_t i = skip; i < m; ++i) list.push_back(s[i]);
  } else {
    for (size_t i = skip; i < m; ++i) list.push_back(s[m - 1 - i]);
  }
  return list;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// insert

void Tutil::insert(Tpoints& list, int32_t prior, int32_t x, int32_t y) const {
  insertPoint(list, prior, platform::TPoint{x, y}, [&] { add(list, x, y); });
}

void Tutil::insert(Txyvalues& list, int32_t prior, double x, double y) const {
  insertPoint(list, prior, xyrec{x, y}, [&] { add(list, x, y); });
}

void Tutil::insert(Txyzvalues& list, int32_t prior, double x, double y, double z) const {
  insertPoint(list, prior, xyzrec{x, y, z}, [&] { add(list, x, y, z); });
}

void Tutil::insert(TpolyXyValues& list, int32_t prior, const Txyvalues& xy) const {
  insertPoint(list, prior, xy, [&] { list.push_back(xy); });
}

void Tutil::insert(TiList& list, int32_t prior, int32_t value) const { insertNumber(list, prior, value); }
void Tutil::insert(Tdlist& list, int32_t prior, double value) const { insertNumber(list, prior, value); }
void Tutil::insert(Ttlist& list, int32_t prior, double value) const { insertNumber(list, prior, value); }

// ---------------------------------------------------------------------------------------------
// add

int32_t Tutil::add(TiList& list, int32_t value) const {
  list.push_back(value);
  return lastIndex(list.size());
}

int32_t Tutil::add(TcList& list, uint32_t value) const {
  list.push_back(value);
  return lastIndex(list.size());
}

int32_t Tutil::add(Tdlist& list, double value) const {
  list.push_back(value);
  return lastIndex(list.size());
}

int32_t Tutil::add(Ttlist& list, double value) const {
  list.push_back(value);
  return lastIndex(list.size());
}

int32_t Tutil::add(Tpoints& list, int32_t x, int32_t y) const {
  if (allowduplicates || list.empty() || !(list.back() == platform::TPoint{x, y})) list.push_back({x, y});
  return lastIndex(list.size());
}

int32_t Tutil::add(Txyvalues& list, double x, double y) const {
  if (allowduplicates || list.empty() || !(list.back() == xyrec{x, y})) list.push_back({x, y});
  return lastIndex(list.size());
}

int32_t Tutil::add(Txyvalues& list, double x, double y, double tolerance) const {
  if (allowduplicates || list.empty() || !(std::fabs(list.back().x - x) < tolerance && std::fabs(list.back().y - y) < tolerance))
    list.push_back({x, y});
  return lastIndex(list.size());
}

int32_t Tutil::add(Txyzvalues& list, double x, double y, double z) const {
  if (allowduplicates || list.empty() || !(list.back() == xyzrec{x, y, z})) list.push_back({x, y, z});
  return lastIndex(list.size());
}

int32_t Tutil::add(TpolyIlist& list, const TiList& value) const {
  list.push_back(value);
  return lastIndex(list.size());
}

void Tutil::add(TpolyPoints& list, const Tpoints& xy, bool reverse) const {
  list.push_back(xy);
  if (reverse) std::reverse(list.back().begin(), list.back().end());
}

int32_t Tutil::add(TpolyXyValues& list, const Txyvalues& xy) const {
  list.push_back(xy);
  return lastIndex(list.size());
}

void Tutil::add(TpolyXyValues& list, const Txyvalues& xy, bool reverse) const {
  list.push_back(xy);
  if (reverse) std::reverse(list.back().begin(), list.back().end());
}

void Tutil::add(TpolyXyValues& list, int32_t index, double x, double y) const {
  if (index < 0) return;
  if (list.size() < static_cast<size_t>(index) + 1) list.resize(static_cast<size_t>(index) + 1);
  add(list[static_cast<size_t>(index)], x, y);
}

void Tutil::add(TpolyXyValues& list, const TpolyXyValues& xy) const {
  const TpolyXyValues rings = xy;  // the polygon may be added to itself
  list.insert(list.end(), rings.begin(), rings.end());
}

void Tutil::add(TpolyPolyXYvalues& list, const TpolyXyValues& xy) const { list.push_back(xy); }

void Tutil::add(TpolyXyzValues& list, const Txyzvalues& xyz) const { list.push_back(xyz); }

// ---------------------------------------------------------------------------------------------
// addSorted

int32_t Tutil::addSorted(Tdlist& list, double value, bool lowestFirst) const {
  return addSorted(list, value, lowestFirst, true);
}

int32_t Tutil::addSorted(Tdlist& list, double value, bool lowestFirst, bool allowdup) const {
  int32_t at = sortedPlace(list, value, lowestFirst, [](double v) { return v; });
  if (at < 0) {
    if (!allowdup && !list.empty() && list.back() == value) return lastIndex(list.size());
    return add(list, value);
  }
  if (!allowdup && at > 0 && list[static_cast<size_t>(at - 1)] == value) return at;
  insert(list, at - 1, value);
  return at;
}

int32_t Tutil::addSorted(Ttlist& list, double value, bool lowestFirst) const {
  int32_t at = sortedPlace(list, value, lowestFirst, [](double v) { return v; });
  if (at < 0) return add(list, value);
  insert(list, at - 1, value);
  return at;
}

int32_t Tutil::addSorted(TiList& list, int32_t value, bool lowestFirst) const {
  return addSorted(list, value, lowestFirst, true);
}

int32_t Tutil::addSorted(TiList& list, int32_t value, bool lowestFirst, bool allowdup) const {
  if (!allowdup) {
    int32_t found = indexOf(list, value);
    if (found >= 0) return found;
  }
  int32_t at = sortedPlace(list, value, lowestFirst, [](int32_t v) { return static_cast<double>(v); });
  if (at < 0) return add(list, value);
  insert(list, at - 1, value);
  return at;
}

int32_t Tutil::addSorted(Txyzvalues& xyu, double x, double y, double u) const {
  int32_t at = sortedPlace(xyu, u, true, [](const xyzrec& p) { return p.z; });
  if (at < 0) return add(xyu, x, y, u);
  if (at > 0 && xyu[static_cast<size_t>(at - 1)].z == u) return at;
  insert(xyu, at - 1, x, y, u);
  return at;
}

int32_t Tutil::addSorted(Txyvalues& xu, double x, double u) { return addSorted(xu, x, u, true, false); }

int32_t Tutil::addSorted(Txyvalues& xu, double x, double u, bool allowdup) {
  return addSorted(xu, x, u, true, allowdup);
}

int32_t Tutil::addSorted(Txyvalues& xu, double x, double u, bool lowestfirst, bool allowdup) {
  const bool saved = allowduplicates;
  allowduplicates = allowdup;
  int32_t result;
  int32_t at = sortedPlace(xu, u, lowestfirst, [](const xyrec& p) { return p.y; });
  if (at < 0) {
    result = add(xu, x, u);
  } else if (!allowdup && at > 0 && xu[static_cast<size_t>(at - 1)].y == u) {
    result = at;
  } else {
    insert(xu, at - 1, x, u);
    result = at;
  }
  allowduplicates = saved;
  return result;
}

int32_t Tutil::addSorted(Tpoints& pt, int32_t x, int32_t y) const {
  int32_t at = sortedPlace(pt, x, true, [](const platform::TPoint& p) { return static_cast<double>(p.X); });
  if (at < 0) return add(pt, x, y);
  insert(pt, at - 1, x, y);
  return at;
}

// ---------------------------------------------------------------------------------------------
// inList and indexOf

bool Tutil::inList(const TiList& list, int32_t value) const { return indexOf(list, value) >= 0; }

bool Tutil::inList(const Tdlist& list, double value, double tolerance) const {
  for (double v : list)
    if (std::fabs(v - value) <= tolerance) return true;
  return false;
}

bool Tutil::inList(const Txyvalues& list, double x, double y) const { return indexOf(list, x, y) >= 0; }

bool Tutil::inList(const Txyvalues& list, double x, double y, double snap) const {
  return indexOf(list, x, y, snap) >= 0;
}

namespace {
template <typename L, typename Match>
int32_t firstMatch(const L& list, Match match) {
  for (size_t i = 0; i < list.size(); ++i)
    if (match(list[i])) return static_cast<int32_t>(i);
  return -1;
}
}  // namespace

int32_t Tutil::indexOf(const Tpoints& list, int32_t x, int32_t y) const {
  return firstMatch(list, [&](const platform::TPoint& p) { return p.X == x && p.Y == y; });
}

int32_t Tutil::indexOf(const Tpoints& list, int32_t x) const {
  return firstMatch(list, [&](const platform::TPoint& p) { return p.X == x; });
}

int32_t Tutil::indexOf(const TiList& list, int32_t value) const {
  return firstMatch(list, [&](int32_t v) { return v == value; });
}

int32_t Tutil::indexOf(const TcList& list, uint32_t value) const {
  return firstMatch(list, [&](uint32_t v) { return v == value; });
}

int32_t Tutil::indexOf(const Tdlist& list, double value) const {
  return firstMatch(list, [&](double v) { return v == value; });
}

int32_t Tutil::indexOf(const Ttlist& list, double value) const {
  return firstMatch(list, [&](double v) { return v == value; });
}

int32_t Tutil::indexOf(const Txyvalues& list, const xyrec& value) const { return indexOf(list, value.x, value.y); }

int32_t Tutil::indexOf(const Txyvalues& list, double x, double y) const {
  return firstMatch(list, [&](const xyrec& p) { return p.x == x && p.y == y; });
}

int32_t Tutil::indexOf(const Txyvalues& list, double x, double y, double snap) const {
  return firstMatch(list, [&](const xyrec& p) { return std::fabs(p.x - x) <= snap && std::fabs(p.y - y) <= snap; });
}

int32_t Tutil::indexOf(const Txyzvalues& list, double x, double y, double z) const {
  return firstMatch(list, [&](const xyzrec& p) { return p.x == x && p.y == y && p.z == z; });
}

int32_t Tutil::indexOf(const Txyzvalues& list, double x, double y, double z, double xysnap) const {
  return firstMatch(list, [&](const xyzrec& p) {
    return std::fabs(p.x - x) <= xysnap && std::fabs(p.y - y) <= xysnap && p.z == z;
  });
}

int32_t Tutil::indexOf(const TpolyIlist& list, const TiList& value) const {
  return firstMatch(list, [&](const TiList& l) { return l == value; });
}

int32_t Tutil::count(int32_t index, const TpolyXyValues& list) const {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return 0;
  return static_cast<int32_t>(list[static_cast<size_t>(index)].size());
}

// ---------------------------------------------------------------------------------------------
// append, duplicate

Txyvalues& Tutil::append(Txyvalues& list, const Txyvalues& source, bool reverse) const {
  return appendList(list, source, reverse);
}
Tpoints& Tutil::append(Tpoints& list, const Tpoints& source, bool reverse) const {
  return appendList(list, source, reverse);
}
Tdlist& Tutil::append(Tdlist& list, const Tdlist& source, bool reverse) const {
  return appendList(list, source, reverse);
}
TiList& Tutil::append(TiList& list, const TiList& source, bool reverse) const {
  return appendList(list, source, reverse);
}

void Tutil::append(std::string& commaStr, const std::string& item) const {
  std::string it = item.find(',') != std::string::npos ? "\"" + item + "\"" : item;
  if (commaStr.empty()) commaStr = it;
  else commaStr += "," + it;
}

bool Tutil::duplicate(const Txyvalues& a, const Txyvalues& b, bool& reverse) const {
  reverse = false;
  if (a.size() != b.size()) return false;
  if (a == b) return true;
  const size_t n = a.size();
  for (size_t i = 0; i < n; ++i)
    if (!(b[n - 1 - i] == a[i])) return false;
  reverse = true;
  return true;
}

bool Tutil::duplicate(const Txyvalues& a, const Txyvalues& b) const {
  bool reverse = false;
  return duplicate(a, b, reverse);
}

void Tutil::swap(TpolyXyValues& list, int32_t a, int32_t b) const { swapAt(list, a, b); }
void Tutil::swap(Txyvalues& list, int32_t a, int32_t b) const { swapAt(list, a, b); }
void Tutil::swap(Txyzvalues& list, int32_t a, int32_t b) const { swapAt(list, a, b); }
void Tutil::swap(TpolyIlist& list, int32_t a, int32_t b) const { swapAt(list, a, b); }
void Tutil::swap(Tdlist& list, int32_t a, int32_t b) const { swapAt(list, a, b); }
void Tutil::swap(TiList& list, int32_t a, int32_t b) const { swapAt(list, a, b); }
