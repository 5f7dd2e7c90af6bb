// Tutil: the shared geometric records, the growable lists and their operations (`util`).
// World coordinates have y growing upward. Point adds skip a point equal to the last one (the
// repeat rule) unless `allowduplicates` is set, so lines built here have no zero-length segments.
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/util_colour.h"
#include "platform/surface.h"

struct xyrec {
  double x = 0;
  double y = 0;
  friend bool operator==(const xyrec&, const xyrec&) = default;
};

struct xyzrec {
  double x = 0;
  double y = 0;
  double z = 0;
  friend bool operator==(const xyzrec&, const xyzrec&) = default;
};

// An extent; with y growing upward `bottom` holds the smaller y and `top` the larger.
struct boxrec {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  friend bool operator==(const boxrec&, const boxrec&) = default;
};

// Zero-based growable lists; a list is a value and copies deeply.
using TiList = std::vector<int32_t>;
using TcList = std::vector<uint32_t>;
using Tdlist = std::vector<double>;
// Date-times (days) are a list type of their own so that the operations can tell them from doubles.
struct Ttlist : std::vector<double> {
  using std::vector<double>::vector;
};
using TboolList = std::vector<bool>;
using TbList = std::vector<uint8_t>;
using Tpoints = std::vector<platform::TPoint>;  // screen pixels; also (key, value) integer pairs
using Txyvalues = std::vector<xyrec>;          // a polyline, or a ring closed when last equals first
using Txyzvalues = std::vector<xyzrec>;
using TpolyIlist = std::vector<TiList>;
using TpolyDlist = std::vector<Tdlist>;
using TpolyPoints = std::vector<Tpoints>;
using TpolyXyValues = std::vector<Txyvalues>;  // first ring the outer boundary, later rings holes
using TPpolyXYvalues = std::vector<Txyvalues*>;  // rings held elsewhere, referenced not copied
using TpolyPolyXYvalues = std::vector<TpolyXyValues>;
using TpolyXyzValues = std::vector<Txyzvalues>;

class Tutil : public TutilColour {  // the colour-name operations come from its base
 public:
  // When false (always, except inside the sorted add of world points) point adds skip a point
  // equal to the last point of the list.
  bool allowduplicates = false;

  // Empties a list; target becomes an independent copy of source.
  template <typename L>
  void clear(L& list) const { list.clear(); }
  template <typename L>
  void copy(const L& source, L& target) const { target = source; }

  // Removes the element at index; an index outside the list changes nothing.
  template <typename L>
  void deleteAt(L& list, int32_t index) const {
    if (index >= 0 && index < static_cast<int32_t>(list.size())) list.erase(list.begin() + index);
  }

  // Puts the new element at prior + 1 (prior -1: first). For point and ring lists a prior at or
  // past the last element appends through add, with its repeat rule.
  void insert(Tpoints& list, int32_t prior, int32_t x, int32_t y) const;
  void insert(Txyvalues& list, int32_t prior, double x, double y) const;
  void insert(Txyzvalues& list, int32_t prior, double x, double y, double z) const;
  void insert(TpolyXyValues& list, int32_t prior, const Txyvalues& xy) const;
  void insert(TiList& list, int32_t prior, int32_t value) const;
  void insert(Tdlist& list, int32_t prior, double value) const;
  void insert(Ttlist& list, int32_t prior, double value) const;

  // Appends; the result is the element's index (the last index when the repeat rule refused it).
  int32_t add(TiList& list, int32_t value) const;
  int32_t add(TcList& list, uint32_t value) const;
  int32_t add(Tdlist& list, double value) const;
  int32_t add(Ttlist& list, double value) const;
  int32_t add(Tpoints& list, int32_t x, int32_t y) const;
  int32_t add(Txyvalues& list, double x, double y) const;
  int32_t add(Txyvalues& list, const xyrec& xy) const { return add(list, xy.x, xy.y); }
  // Near-repeat rule: refused when both differences to the last point are below tolerance.
  int32_t add(Txyvalues& list, double x, double y, double tolerance) const;
  int32_t add(Txyzvalues& list, double x, double y, double z) const;
  int32_t add(TpolyIlist& list, const TiList& value) const;
  void add(TpolyPoints& list, const Tpoints& xy, bool reverse = false) const;
  int32_t add(TpolyXyValues& list, const Txyvalues& xy) const;
  void add(TpolyXyValues& list, const Txyvalues& xy, bool reverse) const;
  // Adds a point to ring index, growing the polygon with empty rings first when needed.
  void add(TpolyXyValues& list, int32_t index, double x, double y) const;
  void add(TpolyXyValues& list, const TpolyXyValues& xy) const;
  void add(TpolyPolyXYvalues& list, const TpolyXyValues& xy) const;
  void add(TpolyXyzValues& list, const Txyzvalues& xyz) const;

  // Sorted adds: the new element goes after the elements with an equal key; the result is the
  // index where it stands, or where it was refused.
  int32_t addSorted(Tdlist& list, double value, bool lowestFirst) const;
  int32_t addSorted(Tdlist& list, double value, bool lowestFirst, bool allowduplicates) const;
  int32_t addSorted(Ttlist& list, double value, bool lowestFirst) const;
  int32_t addSorted(TiList& list, int32_t value, bool lowestFirst) const;
  // Refused when the value is anywhere in the list; the result is then its first index.
  int32_t addSorted(TiList& list, int32_t value, bool lowestFirst, bool allowduplicates) const;
  int32_t addSorted(Txyzvalues& xyu, double x, double y, double u) const;  // key u
  int32_t addSorted(Txyvalues& xu, double x, double u);                   // key u (the y field)
  int32_t addSorted(Txyvalues& xu, double x, double u, bool allowduplicates);
  int32_t addSorted(Txyvalues& xu, double x, double u, bool lowestfirst, bool allowduplicates);
  int32_t addSorted(Tpoints& pt, int32_t x, int32_t y) const;  // key X

  [[nodiscard]] bool inList(const TiList& list, int32_t value) const;
  [[nodiscard]] bool inList(const Tdlist& list, double value, double tolerance = 0) const;
  [[nodiscard]] bool inList(const Txyvalues& list, double x, double y) const;
  [[nodiscard]] bool inList(const Txyvalues& list, double x, double y, double snap) const;

  // Index of the first match, -1 when none.
  [[nodiscard]] int32_t indexOf(const Tpoints& list, int32_t x, int32_t y) const;
  [[nodiscard]] int32_t indexOf(const Tpoints& list, int32_t x) const;  // by X alone: a key table
  [[nodiscard]] int32_t indexOf(const TiList& list, int32_t value) const;
  [[nodiscard]] int32_t indexOf(const TcList& list, uint32_t value) const;
  [[nodiscard]] int32_t indexOf(const Tdlist& list, double value) const;
  [[nodiscard]] int32_t indexOf(const Ttlist& list, double value) const;
  [[nodiscard]] int32_t indexOf(const Txyvalues& list, const xyrec& value) const;
  [[nodiscard]] int32_t indexOf(const Txyvalues& list, double x, double y) const;
  [[nodiscard]] int32_t indexOf(const Txyvalues& list, double x, double y, double snap) const;
  [[nodiscard]] int32_t indexOf(const Txyzvalues& list, double x, double y, double z) const;
  [[nodiscard]] int32_t indexOf(const Txyzvalues& list, double x, double y, double z, double xysnap) const;
  [[nodiscard]] int32_t indexOf(const TpolyIlist& list, const TiList& value) const;

  [[nodiscard]] int32_t count(const TiList& list) const { return static_cast<int32_t>(list.size()); }
  [[nodiscard]] int32_t count(const Txyvalues& list) const { return static_cast<int32_t>(list.size()); }
  [[nodiscard]] int32_t count(const TpolyXyValues& list) const { return static_cast<int32_t>(list.size()); }
  // Points of ring index; 0 for a ring the polygon does not have.
  [[nodiscard]] int32_t count(int32_t index, const TpolyXyValues& list) const;

  template <typename L>
  void reverse(L& list) const { std::reverse(list.begin(), list.end()); }

  // Joins source onto the end of list (from its last element when reverse) without repeating a
  // shared end point.
  Txyvalues& append(Txyvalues& list, const Txyvalues& source, bool reverse = false) const;
  Tpoints& append(Tpoints& list, const Tpoints& source, bool reverse = false) const;
  Tdlist& append(Tdlist& list, const Tdlist& source, bool reverse = false) const;
  TiList& append(TiList& list, const TiList& source, bool reverse = false) const;
  // Adds an item to a comma text, in double quotes when it holds a comma.
  void append(std::string& commaStr, const std::string& item) const;

  // Whether two lines have the same points, possibly in opposite order (then reverse is set).
  [[nodiscard]] bool duplicate(const Txyvalues& a, const Txyvalues& b, bool& reverse) const;
  [[nodiscard]] bool duplicate(const Txyvalues& a, const Txyvalues& b) const;

  void swap(int32_t& a, int32_t& b) const { std::swap(a, b); }
  void swap(double& a, double& b) const { std::swap(a, b); }
  // Exchanges the elements at a and b; indexes outside the list change nothing.
  void swap(TpolyXyValues& list, int32_t a, int32_t b) const;
  void swap(Txyvalues& list, int32_t a, int32_t b) const;
  void swap(Txyzvalues& list, int32_t a, int32_t b) const;
  void swap(TpolyIlist& list, int32_t a, int32_t b) const;
  void swap(Tdlist& list, int32_t a, int32_t b) const;
  void swap(TiList& list, int32_t a, int32_t b) const;
};

// The one array service; created with `os` when unset and freed with it.
extern std::unique_ptr<Tutil> util;
