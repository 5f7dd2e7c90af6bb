// r_Dra: the drawing model. Objects (Tgob) in drawings (TgobArray) with attribute columns, files,
// hit tests, copies, label seeds and caption templates; custom symbols; attribute exports; the
// binary drawing file, written by TwriteDra and read back for previews by TveryFastDra.
// Coordinates are plain doubles in the drawing's own units, y up. Attribute values are text, one
// line per column; numbers in file texts use a full stop, display texts the locale's separator.
#pragma once
#include <bit>
#include <bitset>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ThitList.h"
#include "core/Tutil.h"
#include "core/r_base.h"
#include "platform/TMemoryStream.h"
#include "platform/TStringList.h"

class TQYini;
class Tcolumn;
class Tcolumns;
class Tview;
class TrawBitmap24;
class Treadstream;
class TgobArray;
class TsymbolElements;

// A set of object types (0 to 255); types above 255 are in no set.
using bSet = std::bitset<256>;
[[nodiscard]] bSet obSet(std::initializer_list<int32_t> types);
[[nodiscard]] bool inSet(const bSet& set, int32_t obType);

// Object states: exactly one at a time, compared for equality.
constexpr int32_t gob_normal = 0, gob_edit = 1, gob_deleted = 2, gob_selectgroup = 3, gob_select = 4,
                  gob_changed = 8, gob_invalid = 64, gob_hidden = 128;

// Virtual columns: negative column indices name properties of an object.
constexpr int32_t col_stylenum = -2, col_obtype = -3, col_id = -4, col_qy3id = -4, col_area = -5, col_length = -6,
                  col_z = -7, col_hectares = -8, col_caption = -10, col_seedx = -11, col_seedy = -12,
                  col_stylecodes = -13, col_textHeight = -14, col_textrotation = -15, col_stylename = -16,
                  col_serial = -17, col_linelabelmode = -18, col_labelx = -19, col_labely = -20, col_tipx = -21,
                  col_tipy = -22, col_labelrt = -23, col_tiptype = -24, col_symbolmultiply = -25,
                  col_vjustify = -26, col_hjustify = -27, col_labelfactor = -28, col_stalk = -29,
                  col_category = -30, col_none = -99;

// Microstyle property codes that hold custom-symbol codes.
constexpr int32_t fill_symbol_customid = 4113, fill_symbol2_customid = 5113, symbol_customid = 8113,
                  line_symbol_customid = 18113, line_symbol2_customid = 19113;

constexpr int32_t change_none = 0, change_new = 1, change_amend = 2, change_delete = 3;
constexpr int32_t hit_clear = -1, hit_point = 0, hit_rect = 1, hit_circle = 2, hit_poly = 3, hit_line = 4,
                  hit_all = 5;

// `seedx` of an object whose label seed point is not computed yet.
constexpr double kSeedNotComputed = 2147483647.0;

// Record kinds of the drawing file that are not object types.
constexpr int32_t ob_null = 0, ob_line = 1, ob_polygon = 2, ob_point = 3, ob_text = 4, ob_arrow = 5,
                  ob_fileheader = 8, ob_note = 12, ob_node = 20, ob_link = 21, ob_dimension = 24;

// Item tags of the drawing file's attribute record.
constexpr int32_t d_type = 1, d_style = 2, d_labelj = 3, d_hjustify = 4, d_vjustify = 5, d_xylength = 6,
                  d_flags = 7, d_tipType = 8, d_symbolmultiply = 9, d_dataid = 10, d_uid = 11, d_size = 12,
                  d_isLink = 13, d_count = 14, d_parentuid = 15, d_justifyflags = 16, d_textht = 21,
                  d_textrt = 22, d_labelrt = 23, d_labelf = 24, d_labelx = 25, d_labely = 26, d_tipx = 27,
                  d_tipy = 28, d_x1 = 29, d_y1 = 30, d_x2 = 31, d_y2 = 32, d_z = 33, d_stalk = 34, d_caption = 50,
                  d_id = 51, d_name = 52, d_filename = 53, d_data = 54, d_datalist = 55, d_columns = 56,
                  d_gobattachment = 57, d_microstyle = 58, d_symbolelements = 59, d_time = 61, d_notes = 62,
                  d_category = 63, d_xy = 100, d_file = 101, d_attachment = 200, d_ini = 201, d_database = 202;

// ================================================================ files kept with a drawing

// Where an object lies in a file it was read from.
class Tfilerec {
 public:
  int32_t address = 0;
  int32_t size = 0;
  Tpoints attach;
  Tpoints att;
  int32_t extras = 0;
};

// A file that was copied in: its original path and its size when copied.
class TfileImage {
 public:
  std::string original;
  uint32_t size = 0;
  uint32_t usecount = 0;
};

// Files embedded in a drawing or attached to an object: each entry is the path of a working copy
// in the temporary folder with the image of the file it was copied from. The list owns both:
// freeing an entry deletes its working copy.
class TfileList {
 public:
  TfileList() = default;
  ~TfileList() { clear(); }
  TfileList(const TfileList&) = delete;
  TfileList& operator=(const TfileList&) = delete;

  [[nodiscard]] int32_t count() const { return static_cast<int32_t>(a.size()); }
  [[nodiscard]] const std::string& path(int32_t index) const { return a[static_cast<size_t>(index)].path; }
  [[nodiscard]] TfileImage& image(int32_t index) const { return *a[static_cast<size_t>(index)].image; }
  int32_t add(const std::string& path, std::unique_ptr<TfileImage> image);
  void remove(int32_t index);
  void clear();
  // The first entry copied from that path (compared exactly), -1 when none.
  [[nodiscard]] int32_t indexOfOriginal(const std::string& original) const;

 private:
  struct Entry {
    std::string path;
    std::unique_ptr<TfileImage> image;
  };
  std::vector<Entry> a;
};

// ================================================================ the drawing object

// An object's attribute values, one line per column of its drawing, held in one block: a count,
// then each line as its length (7 bits a byte, low bits first) and its bytes. A drawing read
// from a file holds one such block per object instead of a list with a string per value.
class TdataList {
 public:
  TdataList() = default;
  ~TdataList();
  TdataList(const TdataList& other);
  TdataList& operator=(const TdataList& other);
  TdataList(TdataList&& other) noexcept : p(other.p) { other.p = nullptr; }
  TdataList& operator=(TdataList&& other) noexcept;

  [[nodiscard]] int count() const;
  [[nodiscard]] bool empty() const { return count() == 0; }
  // The line as stored; valid until the list next changes. Every change may take its text from
  // a line of the same list.
  [[nodiscard]] std::string_view operator[](int index) const;
  void set(int index, std::string_view line);
  int add(std::string_view line);
  // At index, clamped to the list.
  void insert(int index, std::string_view line);
  // Nothing outside the list.
  void remove(int index);
  void clear();
  void swap(int indexA, int indexB);
  // Pads with empty lines, or cuts, to n lines.
  void setCount(int n);
  void assign(const std::vector<std::string>& lines);
  [[nodiscard]] std::vector<std::string> lines() const;
  // Every line followed by CR LF, as a string list's text.
  [[nodiscard]] std::string text() const;

 private:
  // Replaces the bytes [from, to) of the lines with `with`, which holds `lines` encoded lines,
  // in place of `removed` lines; the block is built anew before the old one goes.
  void splice(size_t from, size_t to, std::string_view with, int added, int removed);
  [[nodiscard]] size_t offsetOf(int index) const;  // of line index (the end for count)
  [[nodiscard]] size_t used() const;
  void checkInvariants() const;
  uint8_t* p = nullptr;  // count and used bytes (two 32-bit words), then the lines
};

// A text held in one word: up to 7 bytes in the word itself, a longer one in a block of its own.
// An object's id and caption are mostly short or empty, and a std::string costs four words.
class TgobText {
 public:
  TgobText() = default;
  explicit TgobText(std::string_view s) { set(s); }
  ~TgobText() { release(); }
  TgobText(const TgobText& other) { set(other.view()); }
  TgobText& operator=(const TgobText& other) {
    if (this != &other) set(other.view());
    return *this;
  }
  TgobText(TgobText&& other) noexcept : w(other.w) { other.w = 0; }
  TgobText& operator=(TgobText&& other) noexcept;
  TgobText& operator=(std::string_view s) {
    set(s);
    return *this;
  }

  // Valid until the text next changes.
  [[nodiscard]] std::string_view view() const;
  [[nodiscard]] std::string str() const { return std::string(view()); }
  operator std::string() const { return str(); }  // NOLINT: reads as the string it replaces
  [[nodiscard]] bool empty() const { return w == 0; }
  [[nodiscard]] size_t size() const { return view().size(); }
  void clear() { release(); }
  friend bool operator==(const TgobText& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const TgobText& a, const TgobText& b) { return a.view() == b.view(); }
  friend std::ostream& operator<<(std::ostream& out, const TgobText& t);

 private:
  // The text may lie in the block being replaced: the new one is made first.
  void set(std::string_view s);
  void release();
  // Low bit set: the length in bits 1 to 3 and the bytes in bytes 1 to 7 (little-endian);
  // else nil for the empty text or a block of its length (a size_t) and its bytes.
  uintptr_t w = 0;
};

// One part of an object's geometry: its points, held contiguously.
using TxyPart = std::span<const xyrec>;

// The geometry of an object as a list of parts, with the values worked out from it that are kept
// for labels and measures (its "side" values). One part of one point with side values at their
// creation values, the common object of a point layer, is held in the object itself; anything
// else is held in one block of its own. Reads give each part as a run of points; routines that
// take a list of parts get one through list().
class TgobXy {
 public:
  // Label tip (for a line, percent along it), label seed and the cached area and length.
  struct Side {
    double tipx = 0;
    double seedx = kSeedNotComputed, seedy = 0;
    double area = 0, length = 0;
    // Every value at its creation value, bit for bit (a -0 tip is kept as given).
    [[nodiscard]] bool atCreation() const;
  };

  TgobXy() = default;
  ~TgobXy() { release(); }
  TgobXy(const TgobXy& other);
  TgobXy& operator=(const TgobXy& other);
  TgobXy(TgobXy&& other) noexcept : p(other.p) { other.p = none(); }
  TgobXy& operator=(TgobXy&& other) noexcept;
  // Geometry only: the side values stay.
  TgobXy& operator=(const TpolyXyValues& parts) { return *this = TpolyXyValues(parts); }
  TgobXy& operator=(TpolyXyValues&& parts);

  [[nodiscard]] size_t size() const;
  [[nodiscard]] bool empty() const { return size() == 0; }
  [[nodiscard]] TxyPart operator[](size_t part) const;
  [[nodiscard]] TxyPart front() const { return (*this)[0]; }
  [[nodiscard]] TxyPart back() const { return (*this)[size() - 1]; }
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TxyPart;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = TxyPart;
    Iterator() = default;
    Iterator(const TgobXy* xy, size_t part) : xy_(xy), part_(part) {}
    TxyPart operator*() const { return (*xy_)[part_]; }
    Iterator& operator++() {
      ++part_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator was = *this;
      ++part_;
      return was;
    }
    bool operator==(const Iterator& o) const { return part_ == o.part_; }

   private:
    const TgobXy* xy_ = nullptr;
    size_t part_ = 0;
  };
  [[nodiscard]] Iterator begin() const { return {this, 0}; }
  [[nodiscard]] Iterator end() const { return {this, size()}; }
  [[nodiscard]] int64_t pointCount() const;

  // The parts as one list: the held one, or `spare` made to hold the point.
  [[nodiscard]] const TpolyXyValues& list(TpolyXyValues& spare) const;
  [[nodiscard]] TpolyXyValues toList() const;
  // The list to change in place, valid until the next call that changes this geometry; the
  // geometry is held in a block until then.
  TpolyXyValues& edit();
  // The geometry emptied; the side values stay.
  void clear();

  [[nodiscard]] const Side& side() const;
  void setSide(const Side& s);
  // Whether the geometry is held in the object itself (for tests of the layout).
  [[nodiscard]] bool isInPlace() const { return !isHeld(); }
  // The bits of y that mark the held form (a NaN that arithmetic never makes); a point whose y
  // has these very bits is held in a block.
  static constexpr uint64_t kHeldMark = 0x7FF4'6B65'5374'7279ull;

  friend bool operator==(const TgobXy& a, const TgobXy& b);
  friend bool operator==(const TgobXy& a, const TpolyXyValues& b);

 private:
  struct Held {
    TpolyXyValues list;
    Side side;
  };
  // Held form: y has the mark's bits, x the block's address (nil for none).
  [[nodiscard]] static constexpr xyrec none() { return {0, std::bit_cast<double>(kHeldMark)}; }
  [[nodiscard]] bool isHeld() const { return std::bit_cast<uint64_t>(p.y) == kHeldMark; }
  [[nodiscard]] Held* held() const {
    return isHeld() ? reinterpret_cast<Held*>(std::bit_cast<uintptr_t>(p.x)) : nullptr;
  }
  Held& makeHeld();
  void setHeld(Held* h) {
    p = {std::bit_cast<double>(reinterpret_cast<uintptr_t>(h)), std::bit_cast<double>(kHeldMark)};
  }
  // Back into the object when the block holds one point and side values at creation.
  void settle();
  void release();
  xyrec p = none();
};

// The properties that an object read from a file or made by the add operations keeps at their
// creation values; an object holds them only from their first change (Tgob::editDetail), so a
// drawing of many plain objects does not carry them. The fields are those of the object itself.
struct TgobDetail {
  std::unique_ptr<Tfilerec> filerec;
  int32_t flags = 0;  // the drawing file stores the low byte in text records
  bool isNoSymbol = false;
  uint32_t parentuid = 0;
  int32_t wideObType = 0;  // an object type beyond the object's byte (see Tgob::setType)
  std::string lastStyleName;
  void* transitory = nullptr;  // borrowed
  int32_t transitoryIndex = 0;
  uint8_t transitoryHjustify = 0, transitoryVjustify = 0;
  double z = 0;
  TpolyPolyXYvalues polyxy;  // the geometry of an o_multipolygon
  double textheight = 0;
  double textrotation = 0;
  double labelRotation = 0;
  double labelFactor = 1.0;
  int32_t labelJustify = 0;
  double labelx = 0, labely = 0;
  double tipy = 0;
  std::unique_ptr<TfileList> attachments;
  int32_t tipType = 0;
  Tpoints microstyle;  // X the property code, Y the value
  std::unique_ptr<TsymbolElements> symbolElements;
  std::string notes;
  std::string category;
  Txyvalues validTimes;

  // Whether every field holds its creation value.
  [[nodiscard]] bool atCreation() const;
};

// One object of a drawing. Not a TqyObject: an object reports nothing and names no procedure, and
// a drawing holds one per point of a point layer, so it carries no progress, trail or log state.
// A point read from a file takes the object, its values' block and its slot, nothing else: the
// rarer properties are in TgobDetail, the label and measure values with the geometry's block.
class Tgob {
 public:
  Tgob();
  ~Tgob();
  Tgob(const Tgob&) = delete;
  Tgob& operator=(const Tgob&) = delete;

  void clear();
  [[nodiscard]] int32_t obType() const { return fobtype != kWideType ? fobtype : detail().wideObType; }
  // Draws a data id from the drawing for a point, line or polygon that has none; a line puts its
  // label half-way along (tipx 50) and takes line label mode 0.
  void setType(int32_t value);
  [[nodiscard]] std::string getcaption() const { return fcaption.str(); }
  [[nodiscard]] std::string getid() const { return fid.str(); }
  [[nodiscard]] int32_t hJustify() const { return fHjustify; }
  [[nodiscard]] int32_t vJustify() const { return fVjustify; }
  // -1 or 99 resets to 6 (centre) and clears the explicit bit 0 of justifyFlags.
  void setHjustify(int32_t value);
  // -1 resets to 6 and clears bit 1.
  void setVjustify(int32_t value);

  // The rarer properties: read through detail() (the creation values while the object holds
  // none), changed through editDetail(), which gives the object its own.
  [[nodiscard]] const TgobDetail& detail() const;
  TgobDetail& editDetail();
  [[nodiscard]] bool hasDetail() const { return fdetail != nullptr; }
  // The geometry of an o_multipolygon (empty for the other types).
  [[nodiscard]] const TpolyPolyXYvalues& polyxy() const { return detail().polyxy; }
  [[nodiscard]] uint32_t parentuid() const { return detail().parentuid; }

  // Label tip, seed (seedx kSeedNotComputed: not computed yet) and the cached area and length
  // (0: not computed), held with the geometry.
  [[nodiscard]] double tipx() const { return xy.side().tipx; }
  void setTipx(double value);
  [[nodiscard]] double seedx() const { return xy.side().seedx; }
  [[nodiscard]] double seedy() const { return xy.side().seedy; }
  void setSeed(double x, double y);
  [[nodiscard]] double farea() const { return xy.side().area; }
  [[nodiscard]] double flength() const { return xy.side().length; }

  // Attribute values, one line per column.
  TdataList& getDataList() { return fdataList; }
  [[nodiscard]] const TdataList& dataList() const { return fdataList; }
  [[nodiscard]] bool hasDataList() const { return !fdataList.empty(); }
  // A column's value as text (gobValue); the stored value of an attribute column without its
  // quoting and, for a float column, not reformatted.
  [[nodiscard]] std::string getcol(int32_t index);
  [[nodiscard]] std::string rawValue(int32_t index) const;
  // Sets a virtual column from text, or stores a value: line breaks folded into blanks, wrapped
  // in double quotes (inner ones doubled) when it holds a comma or a double quote.
  void setcol(int32_t index, const std::string& s);
  [[nodiscard]] std::string getdata(const std::string& name);
  void setdata(const std::string& name, const std::string& s);

  // Microstyle: (property code, value) pairs, one per code.
  void updateStyle(int32_t code, int32_t value, int32_t deflt);
  void updateStyle(int32_t code, int32_t value);
  [[nodiscard]] int32_t styleValue(int32_t code, int32_t deflt) const;
  [[nodiscard]] std::string styleCodesText() const;

  // Recomputes the bounds; with changeLabel the seed point is to be computed again. The cached
  // area and length are cleared.
  void updateBounds(bool changeLabel = true);
  // Polygon area (outer rings clockwise with y up, holes anticlockwise: rings that break this
  // are reversed in place); 0 for other types.
  double getarea();
  // Sum of the parts' lengths for lines, polygons and multi-lines (every ring of a polygon).
  double getlength();
  void inherit(const Tgob& source, bool withdata = true);
  void assign(const Tgob& source);
  // Number of points over every part (every ring of every polygon for a multipolygon).
  [[nodiscard]] int64_t pointCount() const;

  // Laid out largest first, with nothing between the fields (see the size check in r_Dra_gob).
  TgobArray* g = nullptr;  // the drawing that holds the object; borrowed
  TgobXy xy;               // the geometry of every type but o_multipolygon
  TgobText fid;
  TgobText fcaption;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  uint32_t uid = 0;
  uint32_t index = 0;
  uint32_t dataid = 0;
  int32_t styleNumber = 0;
  int32_t symbolMultiply = 100;
  uint8_t state = gob_normal;  // the states are the constants above, all below 256
  uint8_t justifyFlags = 0;    // bits 0 and 1 only (setHjustify, setVjustify)
  uint8_t groupId = 0;         // the layer group of a GeoPackage read

 private:
  friend class TgobArray;
  // The type byte's value for a type held in the detail.
  static constexpr uint8_t kWideType = 255;
  // Drops the detail when it holds nothing but creation values.
  void trimDetail();
  uint8_t fobtype = o_empty;
  int32_t fHjustify = 6;
  int32_t fVjustify = 6;
  std::unique_ptr<TgobDetail> fdetail;
  TdataList fdataList;
};

// The text of a column of an object: an attribute value (0 to 999) or a virtual column.
[[nodiscard]] std::string gobValue(Tgob& g, int32_t index);
// "point", "line", "polygon", ... ; empty for codes without a name.
[[nodiscard]] std::string ObTypeStr(int32_t obType);
// A value as the value list stores it, and back.
[[nodiscard]] std::string quoteValue(const std::string& s);
[[nodiscard]] std::string unquoteValue(const std::string& stored);

// ================================================================ the drawing

class TgobArray : public TqyObject {
 public:
  TgobArray();
  ~TgobArray() override;
  TgobArray(const TgobArray&) = delete;
  TgobArray& operator=(const TgobArray&) = delete;
  [[nodiscard]] const char* unitName() const override { return "r_Dra"; }

  // ---- creation and freeing
  void clear();
  // Frees the objects the drawing made and empties the list.
  void clearObjects();
  // Frees the objects the drawing made and leaves their slots empty.
  void clearObjectsButNotArray();
  // New slots are empty; objects of slots cut off are freed when the drawing made them.
  void setlengthOfArray(int32_t value);
  void setChanged(bool value);
  [[nodiscard]] bool changed() const { return fchanged; }

  // ---- objects. Index 0 is the bottom of the drawing order.
  [[nodiscard]] int32_t count() const { return static_cast<int32_t>(a.size()); }
  // The object in a slot; an empty slot first asks onGetItem to fill it. Nil outside the list.
  Tgob* getItem(int32_t index);
  [[nodiscard]] Tgob* slot(int32_t index) const;  // the slot as it is, nil outside
  // Whether the drawing made the object in the slot and frees it (objects handed in with add(g)
  // stay their owner's).
  [[nodiscard]] bool ownsItem(int32_t index) const;
  int32_t add();
  int32_t add(int32_t index);
  int32_t add(int32_t obType, const Txyvalues& xy);
  int32_t addPoint(double x, double y);
  int32_t add(int32_t obType, const TpolyXyValues& xy);
  int32_t add(int32_t index, int32_t obType, const TpolyXyValues& xy);
  int32_t add(int32_t index, int32_t obType, TpolyXyValues&& xy);  // takes the parts over
  // Hands an object in; the drawing never frees it.
  int32_t add(Tgob* g);
  int32_t add(Tgob* g, int32_t index);
  void insert(int32_t index);
  bool Delete(int32_t index);
  void Exchange(int32_t index1, int32_t index2);
  void MoveItem(int32_t fromIndex, int32_t toIndex);
  int32_t Bringtotop(int32_t index);
  int32_t SendToBack(int32_t index);
  int32_t UpOne(int32_t index);
  int32_t BackOne(int32_t index);
  [[nodiscard]] int32_t IndexOf(const Tgob* g) const { return IndexOf(g, count()); }
  [[nodiscard]] int32_t IndexOf(const Tgob* g, int32_t max) const;
  [[nodiscard]] int32_t IndexOf(int32_t uid) const;
  [[nodiscard]] int32_t findParent(const Tgob* g) const;
  bool findChildren(const Tgob* g, TiList& list) const;
  int32_t FindFromDataValue(int32_t col, const std::string& value);
  int32_t FindFromDataValue(const std::string& key, const std::string& value);
  bool inView(int32_t index, const Tview& view);
  bool inView(int32_t index, double x1, double y1, double x2, double y2);
  void ChangeArea(int32_t index);

  // ---- columns and values
  Tcolumns& columns();
  [[nodiscard]] int32_t columnCount() const;
  // The column of that name (any case), -1 when none; the column at an index, nil outside.
  [[nodiscard]] int32_t columnIndexOf(const std::string& name) const;
  [[nodiscard]] const Tcolumn* column(int32_t index) const;
  int32_t addColumn(const std::string& name, const std::string& deflt, int32_t ftType, int32_t decplaces = 2);
  void insertColumn(int32_t index, const std::string& name, const std::string& deflt, int32_t ftType,
                    int32_t decplaces = 2);
  void DeleteColumn(int32_t index);
  void DeleteColumns(const TiList& cols);
  void DeleteAllColumns();
  void swapColumns(int32_t indexA, int32_t indexB);
  void inheritColumns(TgobArray& source);

  // ---- bounds
  // Removes empty slots (renumbering the objects) and gathers the objects' bounds.
  void updateBounds(bool excludeNegative = false);
  void repairBounds();

  // ---- settings and files
  TQYini& ini();
  [[nodiscard]] bool hasIni() const { return fini != nullptr; }
  int32_t FindFile(int32_t index, const std::string& filename);
  // The working copy of a file embedded (index < 0) or attached to an object; "" (logged) when
  // the file cannot be read or copied.
  std::string FindOrAddFile(int32_t index, const std::string& filename, bool updateIfExists);
  void deleteAttachment(int32_t index, const std::string& filename);
  bool ListAttachments(int32_t index, TStringList& list);

  // ---- hit tests (r_Dra_hit.cpp)
  [[nodiscard]] ThitList& hits() { return fhits; }
  bool doHit(ThitList& list, double x, double y, double snap, bool withInside, bool justOne, const bSet& obTypes);
  bool hit(double x, double y, double snap, const bSet& obTypes);
  bool hit(double x, double y, double snap);
  int32_t hitOne(double x, double y, double snap);
  int32_t hitPoly(double x, double y);
  bool hitEdge(double x, double y, double snap);
  bool hitEdge(double x, double y, double snap, bool justOne);
  bool hitEdge(ThitList& list, double x, double y, double snap);
  bool hitEdge(ThitList& list, double x, double y, double snap, const bSet& obTypes);
  int32_t hitPolyOuterLoop(double x, double y);
  bool BoxHit(double x1, double y1, double x2, double y2, const bSet& obTypes);
  bool BoxHit(double x1, double y1, double x2, double y2);
  bool CircleHit(double x, double y, double radius, const bSet& obTypes);
  bool CircleHit(double x, double y, double radius);
  bool LineHit(const Txyvalues& linexy, double snap, const bSet& obTypes);
  bool LineHit(const Txyvalues& linexy, double snap);
  bool PolyHit(const Txyvalues& poly, const bSet& obTypes);
  bool PolyHit(const Txyvalues& poly);
  bool PolyHit(const TpolyXyValues& poly, const bSet& obTypes);
  bool PolyHit(const TpolyXyValues& poly);

  // ---- copies, seeds and caption templates (r_Dra_copy.cpp)
  void copy(TgobArray& source, bool selectionOnly = false);
  void copy(TgobArray& source, const TiList& idList);
  void copy(TgobArray& source, const bSet& obTypes);
  void append(TgobArray& source, bool appendData, bool selectionOnly);
  void getseed(Tgob& g);
  void setCaption(Tgob& g, const std::string& value);

  // ---- attribute export (r_Dra_export.cpp): dBase III (.dbf) or CSV (.csv) by the file name.
  bool SaveAttributes(const std::string& filename, bool withId);
  bool SaveAttributes(const std::string& filename, bool includeIntrinsicAttributes, bool onlyselected);
  bool SaveAttributes(const std::string& filename, bool includeIntrinsicAttributes, bool onlyselected,
                      const TiList* rows);
  bool SaveAttributes(const std::string& filename, bool withid, bool includeIntrinsicAttributes, bool onlyselected,
                      const TiList* rows);
  // Chosen columns (virtual ones by their negative index) as dBase, CSV or a drawing file.
  bool SaveAttributes(const std::string& filename, const TiList& colList);

  bool parentOwned = false;
  bool ignoreUpdateBounds = false;
  double version = 3.0;
  uint32_t highestDataId = 0;
  int32_t HaDecPlaces = 2;
  int32_t areaDecPlaces = 2;
  int32_t linearDecPlaces = 2;
  double lastDx = 0, lastDy = 0;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int32_t hittest = 0;
  int32_t pendingIndex = 0;
  int32_t polyIn = 0;
  std::function<void(TgobArray*)> onChanged;
  std::function<void(Tgob*)> onDelete;
  std::function<void(Tgob*)> onAdd;
  std::function<void(Tgob*)> onChangeArea;
  std::function<void(TgobArray*)> onGet;
  std::function<void(TgobArray*)> onGetItem;
  TStringList metadata;
  TfileList fileList;
  std::string projectionDef;

 private:
  // An object and whether the drawing made it (and frees it), in one word: the flag in bit 0.
  class Slot {
   public:
    Slot() = default;
    Slot(Tgob* g, bool own) : w(reinterpret_cast<uintptr_t>(g) | (own ? 1u : 0u)) {}
    [[nodiscard]] Tgob* g() const { return reinterpret_cast<Tgob*>(w & ~uintptr_t(1)); }
    [[nodiscard]] bool own() const { return (w & 1) != 0; }

   private:
    uintptr_t w = 0;
  };
  // Puts a new object at index (-1: at the end) and returns its index.
  int32_t create(int32_t index);
  void putSlot(int32_t index, Tgob* g, bool own);
  void freeSlot(Slot& s);
  void renumberFrom(int32_t from);
  [[nodiscard]] bool validIndex(int32_t index) const { return index >= 0 && index < count(); }
  bool areaHit(const bSet& obTypes, const std::function<bool(Tgob&)>& meets,
               const std::function<bool(Tgob&, int32_t kind)>& ask, bool refreshBounds);
  // The selective export to a drawing file: geometry, caption and style with the listed columns.
  bool saveSelectionAsDrawing(const std::string& filename, const TiList& dataCols);
  void copyObjects(TgobArray& source, const std::function<bool(int32_t, Tgob&)>& take, bool recomputeBounds);

  ThitList fhits;
  bool fchanged = false;
  std::unique_ptr<TQYini> fini;
  std::string finiFile;
  std::vector<Slot> a;
  std::unique_ptr<Tcolumns> fcolumns;
};

// ================================================================ custom symbols

// One element of a custom symbol.
class TelementRec {
 public:
  TelementRec();
  ~TelementRec();
  TelementRec(const TelementRec&) = delete;
  TelementRec& operator=(const TelementRec&) = delete;
  // Every field but `selected`; the points only when the source has some.
  void assign(const TelementRec& source);
  // One property by name ("type", "width", "colour", "xy", ...); other keys are ignored.
  void setProperty(const std::string& key, const std::string& value);

  int32_t obType = 0;
  bool transparent = false;
  bool bold = false, italic = false;
  bool selected = false;
  int32_t symbol = 0;
  int32_t colour = -1;
  int32_t anchorx = -100, anchory = -100;
  int32_t fillColour = -1;
  double cx = 0, cy = 0;
  double radius = 0;
  double linewidth = 2.5;
  double width = 0, height = 0;
  std::string textstr;
  std::string fontname;
  Txyvalues xy;
  std::unique_ptr<TrawBitmap24> bm;
  // A metafile element's picture, kept as the bytes read (empty: none) until a reader exists.
  std::vector<uint8_t> emf;
  std::string emfDef;
};

// A custom symbol: elements around an insertion point, known by its code (1,000,000 or more).
class TsymbolElements {
 public:
  TsymbolElements();  // a random code
  ~TsymbolElements();
  TsymbolElements(const TsymbolElements&) = delete;
  TsymbolElements& operator=(const TsymbolElements&) = delete;

  void clear();
  void assign(const TsymbolElements& source);  // the code is not copied
  [[nodiscard]] int32_t count() const { return static_cast<int32_t>(a.size()); }
  void setCount(int32_t n);
  [[nodiscard]] TelementRec* getitem(int32_t index) const;
  int32_t add();
  void Delete(int32_t index);
  void swap(int32_t index1, int32_t index2);
  [[nodiscard]] int32_t indexof(const TelementRec* e) const;
  [[nodiscard]] bool hasLines() const;
  // The one-line text form "code=name[;insert,x,y][;element]...".
  [[nodiscard]] std::string getdef();
  void setdef(const std::string& value);

  std::vector<std::unique_ptr<TelementRec>> a;
  double insertx = 0, inserty = 0;
  std::string name;
  int32_t code = 0;
};

// The table of custom symbols: lines code=definition, each parsed on demand.
class TcustomSymbols {
 public:
  enum class Empty { Yes };
  TcustomSymbols();  // "custom symbols.txt" of the configuration folder
  explicit TcustomSymbols(const std::string& filename);
  explicit TcustomSymbols(Empty);  // no file
  ~TcustomSymbols();               // writes the file back when changed
  TcustomSymbols(const TcustomSymbols&) = delete;
  TcustomSymbols& operator=(const TcustomSymbols&) = delete;

  void clear();
  [[nodiscard]] int32_t count() const { return list.count(); }
  // True for a valid code; else a new random code (unused in this table) and false.
  bool checkCode(int32_t& code) const;
  void loadfromini(const TQYini& ini);
  void addfromini(const TQYini& ini);
  void loadFromFile(const std::string& filename);
  void loadFromTextFile(const std::string& filename);
  void saveToFile(const std::string& filename);
  void savetoIni(TQYini& ini);
  bool add(const std::string& name, const std::string& definition);
  int32_t add(const std::string& definition);
  int32_t insert(int32_t index, const std::string& definition);
  void add(const TsymbolElements& sy);
  void append(TcustomSymbols& symbols);
  TsymbolElements* find(int32_t uid);
  TsymbolElements* FindOrAdd(int32_t uid);
  int32_t copy(TcustomSymbols& source, int32_t uid);
  TsymbolElements* getItem(int32_t index);
  [[nodiscard]] bool exists(int32_t uid) const;
  [[nodiscard]] int32_t indexOf(const TsymbolElements* sy) const;
  void update(int32_t uid);
  void update(const TsymbolElements* sy);
  void update();
  TsymbolElements* New();
  void Delete(int32_t index);
  void swap(int32_t a, int32_t b);
  // A code of 1,000,000 or more that this table does not use yet.
  [[nodiscard]] int32_t newCode() const;

  TsymbolElements* se = nullptr;  // the symbol last parsed by getItem
  std::string fname;
  bool changed = false;
  bool readonly = false;
  TStringList list;   // code=definition; the object is the parsed symbol (owned through `parsed`)
  TStringList names;  // the codes in decimal, in the order of `list`

 private:
  void hook();
  void addLine(const std::string& line, int32_t code, int32_t at = -1);
  void removeLine(int32_t index);
  TsymbolElements* parsedAt(int32_t index);
  void dropParsed(const TsymbolElements* sy);
  [[nodiscard]] int32_t indexOfCode(int32_t code) const;
  std::vector<std::unique_ptr<TsymbolElements>> parsed;
};

// The program's table, made by the drawing file writer on first need; freeing it writes
// "custom symbols.txt" back when it changed.
extern TcustomSymbols* customSymbols;
TcustomSymbols& createCustomSymbols();
void freeCustomSymbols();
// The projection given to a drawing that has none when it is written.
extern std::string defaultProjectionDef;

// ================================================================ unit routines

// Writes every object whatever its state; the writer's result.
bool SaveDraFile(TgobArray& g, const std::string& filename);
// The display name of a virtual column ("serial", "area m2", ...); other values in decimal.
[[nodiscard]] std::string colTypeStr(int32_t type);
// The column index of a name: intrinsic names first (exact case), then g's columns (any case).
[[nodiscard]] int32_t gobColIndex(TgobArray& g, const std::string& name);

// ================================================================ the binary drawing file

// The file's 6-byte real: exponent byte biased by 129 (0: zero), a 39-bit fraction, the sign in
// the top bit of byte 5. False for a value it cannot hold (not finite, or 1.7e38 and beyond).
bool doubleToReal48(double value, uint8_t out[6]);
[[nodiscard]] double real48ToDouble(const uint8_t in[6]);
[[nodiscard]] bool fitsReal48(double value);
// A text in the file's 8-bit form (Windows-1252; other characters become "?").
[[nodiscard]] std::string toAnsi(const std::string& utf8);

class TwriteDra : public TqyObject {
 public:
  TwriteDra();
  ~TwriteDra() override;
  [[nodiscard]] const char* unitName() const override { return "r_Dra"; }

  // Every object whatever its state.
  bool write(TgobArray& g, const std::string& filename);
  // Objects in that state (all with anystate), or those listed, in list order. The file is
  // written beside the target and renamed over it when whole: false, the old file kept, when it
  // could not be written or the save was aborted.
  bool writeState(TgobArray& g, const std::string& filename, int32_t state, const TiList* indices = nullptr);
  // The file's bytes for the objects in state gob_normal.
  bool saveToMem(TgobArray& g, TMemoryStream& mem);

  double multiply = 1.0;
  bool wantDBF = false;
  bool abort = false;
  bool anystate = false;
  std::string database;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int32_t obcnt = 0;
  std::string fname;

 private:
  class Impl;
  std::unique_ptr<Impl> impl;
};

// Reads the geometry of a drawing file front to back for previews, stepping over other records.
class TveryFastDra : public TqyObject {
 public:
  TveryFastDra();
  ~TveryFastDra() override;
  [[nodiscard]] const char* unitName() const override { return "r_Dra"; }

  // Opens the file and reads the drawing bounds; false (err says why) for a file that cannot be
  // read or does not begin with a drawing file header.
  bool create(const std::string& filename);
  // The next point, line, polygon or multi-line object; false at the end of the geometry, or at a
  // record whose length does not fit the file.
  bool getnext();

  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int32_t obType = -1;
  TpolyXyValues xy;
  double ox1 = 0, oy1 = 0, ox2 = 0, oy2 = 0;

 private:
  std::string open(const std::string& filename);
  void readEntries(const uint8_t* p, int64_t n);
  std::unique_ptr<Treadstream> f;
  std::vector<uint8_t> mem;
  uint8_t buf[24] = {};
  bool stopped = false;
};
