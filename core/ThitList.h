// Hit records and hit lists: the answers of a hit test (which object, where, how) and the
// drawing model's shared code families (object types, hit-type bits, selection, labels,
// captions, data aggregation, fills and filters, justification).
// A list frees only the records it owns, one by one: a record the caller added stays the
// caller's, so a list never frees a record that someone else still holds.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Tutil.h"

// Hit-type bits.
constexpr int32_t hittest_none = 0;
constexpr int32_t hittest_inside = 1;
constexpr int32_t hittest_line = 2;
constexpr int32_t hittest_vertex = 4;
constexpr int32_t hittest_start = 8;
constexpr int32_t hittest_finish = 16;
constexpr int32_t hittest_point = 32;
constexpr int32_t hittest_text = 64;
constexpr int32_t hittest_caption = 128;
constexpr int32_t hittest_error = 256;

// Object-type codes (54 to 69 are also the drawing file's record kinds).
constexpr int32_t o_empty = 0, o_point = 1, o_line = 2, o_loop = 5, o_polyGon = 6, o_multipoint = 10,
                  o_multiline = 11, o_multipolygon = 12, o_group = 13, o_range = 14, o_chart = 15, o_legend = 16,
                  o_symbol = 17, o_atlas = 18, o_division = 19, o_text = 20, o_arrow = 21, o_note = 22,
                  o_caption = 23, o_circle = 24, o_rectangle = 25, o_ellipse = 27, o_topochain = 50,
                  o_topoline = 51, o_topopolygon = 52, o_old = 53, o_attribute = 54, o_link = 55, o_node = 56,
                  o_spoke = 57, o_terrain = 61, o_styles = 62, o_data = 63, o_attachment = 64, o_ini = 65,
                  o_file = 66, o_gobattachment = 67, o_ini_footer = 68, o_version = 69, o_bitmap = 70,
                  o_metafile = 71, o_fileheader = 100, o_vectorheader = 101, o_bitmapheader = 102,
                  o_terrainheader = 103, o_invalid = 999;

// Selection operations (bit flags).
constexpr int32_t select_none = 0, select_top = 1, select_left = 2, select_bottom = 4, select_right = 8,
                  select_move = 16, select_rotate = 32, select_copy = 64, select_delete = 128,
                  select_filter = 256, select_inside = 512, select_priorityUp = 1024,
                  select_priorityDown = 2048, select_info = 4096;
// Label contents.
constexpr int32_t label_caption = 1, label_uid = 2, label_area = 3, label_length = 4, label_data = 5,
                  label_externaldata = 6, label_chart = 7, label_style = 8, label_osfield = 9,
                  label_osgridref = 10, label_osgridref10 = 11, label_osgridref100 = 12;
// Caption modes.
constexpr int32_t caption_caption = 0, caption_none = 1, caption_levels = 2, caption_dynamic = 3;
// Data aggregation.
constexpr int32_t data_none = 0, data_add = 1, data_average = 2, data_highest = 3, data_lowest = 4,
                  data_area = 5, data_length = 6;
// Fill styles.
constexpr int32_t f_solid = 1, f_lefthatch = 2, f_righthatch = 3, f_DiagCrossHatch = 4, f_verticalHatch = 5,
                  f_horizontalHatch = 6, f_crosshatch = 7;
// Filter conditions (the same prefix as the fill styles).
constexpr int32_t f_none = 0, f_contains = 1, f_startswith = 2, f_endswith = 3, f_equal = 4, f_not_equal = 5,
                  f_numeric_equal = 10, f_numeric_greater = 11, f_numeric_greater_or_equal = 12,
                  f_numeric_lesser = 13, f_numeric_lesser_or_equal = 14, f_not_none = 15,
                  f_numeric_not_equal = 16, f_inside = 20, f_allinside = 21, f_distance_lessthan = 22,
                  f_distance_not_lessthan = 23, f_intersects = 24;
// Justification.
constexpr int32_t j_centre = 0, j_left = 1, j_right = 2, j_bottom = 100, j_top = 500, j_stretched = 1000,
                  j_default = 9999;

// One answer of a hit test. A new record is all zeros; clear() marks uid and layer as none (−1).
class Thitrec {
 public:
  void clear();
  // Copies everything but styleDef and newvertex; the rings and candidates deeply.
  void assign(const Thitrec& source);
  // Same hit type, object id and object type.
  [[nodiscard]] bool isSame(const Thitrec& source) const;

  int32_t tag = 0;
  int32_t styleDef = 0;
  double x = 0, y = 0;  // the world point of the hit
  double u = 0;         // along the segment hit: 0 at its first vertex, 1 at its second
  bool newvertex = false;
  int32_t hittype = 0;  // hit-type bits
  int32_t eventType = 0;
  int32_t vertex = 0;  // the vertex hit, or the first vertex of the segment hit
  int32_t loop = 0;    // the ring hit
  int32_t index = 0;   // the object's index in its array
  int32_t obType = 0;
  int32_t uid = 0;
  int32_t layerIndex = 0;
  bool isNewVertex = false, isControl = false;
  int32_t closest = 0;   // index in allhits of the nearest candidate
  Txyzvalues allhits;    // (segment index, u, distance) of every candidate within the snap
  TpolyXyValues xy;      // a copy of the object's rings
};

class ThitList {
 public:
  ThitList() = default;
  ~ThitList() { clear(); }
  ThitList(const ThitList&) = delete;
  ThitList& operator=(const ThitList&) = delete;

  [[nodiscard]] int32_t count() const { return static_cast<int32_t>(a.size()); }
  // The record at index (0 ≤ index < count).
  [[nodiscard]] Thitrec& item(int32_t index) const;

  // A new empty record, owned by the list; its index.
  int32_t add();
  // The caller's record, borrowed: the list never frees it. Its index.
  int32_t add(Thitrec& h);
  // Removes (and frees when owned) the record at index; an index outside the list is ignored.
  void remove(int32_t index);
  void clear();
  [[nodiscard]] int32_t IndexOf(int32_t uid) const;
  [[nodiscard]] bool inList(int32_t index) const;  // some record's `index` field equals it
  [[nodiscard]] bool IncludesObType(int32_t obType) const;
  void PurgeAllBut(int32_t obType);
  // Keeps the commonest of polygon, point, line and text (ties in that order).
  void PurgeAllButCommonest();
  enum class Source { Keep, Clear };
  // Deep copies of source's records (Keep), or source's records themselves (Clear), after ours.
  void append(ThitList& source, Source mode = Source::Keep);
  void assign(ThitList& source, Source mode = Source::Keep);

  bool owns = false;  // set when the list has created or taken records
  bool changed = false;
  bool isAnEnd = false;
  int32_t mostRelevant = 0;
  double newx = 0, newy = 0;

 private:
  struct Entry {
    Thitrec* rec;
    std::unique_ptr<Thitrec> owned;  // set when the list frees this record
  };
  std::vector<Entry> a;
};
