// r_Data: the column model shared by every table format: `Tcolumn` (one column's type, name,
// units, default and widths) and `Tcolumns` (the ordered list that normally owns them), stored
// as one comma-text definition per column in the settings section "columns".
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/TStringList.h"

class Tcolumns;
class TQYini;

class Tcolumn {
 public:
  Tcolumn() { clear(); }
  // Name "new", type 1 set directly, decplaces 2, width 10; other fields kept.
  void clear();
  // Sets the type and resets the default and the width for it.
  void settype(int value);
  [[nodiscard]] int datatype() const { return fttype; }
  [[nodiscard]] std::string getdisplay() const { return fdisplay.empty() ? name : fdisplay; }
  void setdisplay(const std::string& v) { fdisplay = v; }
  [[nodiscard]] const std::string& display() const { return fdisplay; }
  void assign(const Tcolumn& source);

  int tag = 0;
  int rawIndex = 0;
  Tcolumns* columns = nullptr;  // the list that made it; borrowed
  bool isLink = false;
  bool hidden = false;
  std::string name;
  std::string value;
  std::string unitname;
  std::string deflt;  // the column's default value
  int decplaces = 2;
  int width = 10;
  int dbfwidth = 0;
  bool multiline = false;
  bool isIndexed = false;
  bool readOnly = false;
  bool customWidth = false;
  std::string pickListName;
  const TStringList* pickList = nullptr;  // shared, never owned

 private:
  int fttype = 1;
  std::string fdisplay;
};

class Tcolumns {
 public:
  // Most columns that `setcount` and `assign` accept; more empties the list.
  static constexpr int kMaxColumns = 250;

  Tcolumns() = default;
  ~Tcolumns();
  Tcolumns(const Tcolumns&) = delete;
  Tcolumns& operator=(const Tcolumns&) = delete;

  void clear() { setcount(0); }
  [[nodiscard]] int count() const { return static_cast<int>(a.size()); }
  // Index 0 .. count - 1; nil outside.
  [[nodiscard]] Tcolumn* item(int index) const;
  [[nodiscard]] std::string getName(int index) const;
  // Names with their data-type codes as the entries' objects; refilled by every call.
  TStringList& columnNames();
  void setcount(int value);
  [[nodiscard]] int indexOf(const Tcolumn* column) const;
  [[nodiscard]] int indexOf(const std::string& name) const;  // lower-case comparison
  Tcolumn* findOrAdd(const std::string& name, int dataType);
  // Index 0 .. count (clamped); fires onInsert.
  Tcolumn* Insert(int index, int dataType);
  Tcolumn* Add(int dataType, const std::string& name);
  Tcolumn* Add(int dataType = 1) { return Insert(count(), dataType); }
  Tcolumn* AddDef(const std::string& columnDef);
  // Appends an existing column unchanged and takes it over; -1 (column left with the caller)
  // for a list that does not own its columns.
  int Add(std::unique_ptr<Tcolumn>&& column);
  // Appends a reference to another list's column; -1 for a list that owns its columns.
  int AddRef(Tcolumn* column);
  void Delete(int index);
  void Swap(int a, int b);
  [[nodiscard]] static int DBFtype(int ftType);
  void assign(const Tcolumns& source);
  [[nodiscard]] bool sameNames(const Tcolumns& source) const;
  void Merge(const Tcolumns& c);
  [[nodiscard]] std::string columnDef(int index) const;
  void savetoList(TStringList& list) const;
  void LoadFromList(const TStringList* list);
  // The settings section "columns": one line per column; erased when there are none.
  void saveToIni(TQYini& ini) const;
  // A settings file without the section gives an empty list.
  void loadFromIni(const TQYini& ini);

  int fileType = 0;
  std::function<void(Tcolumns*)> onInsert, onDelete, onSwap;
  int changedcolumn = 0;
  int swapcolumn = 0;
  // When false the list refers to columns of another list and frees nothing.
  bool ownsColumns = true;
  std::string setname;
  int setIndex = 0;

 private:
  void release(Tcolumn* c) const;
  Tcolumn* adopt(std::unique_ptr<Tcolumn> c, int index);
  std::vector<Tcolumn*> a;  // owned when ownsColumns
  // Columns a referring list made itself (Insert, AddDef): freed with the list.
  std::vector<std::unique_ptr<Tcolumn>> made_;
  TStringList flist;
};

// The framework's comma text: items joined by commas, an item holding a blank, comma, double
// quote or control character between double quotes with inner quotes doubled.
std::string toCommaText(const std::vector<std::string>& items);
// Split at commas and blanks outside double quotes; quotes removed.
std::vector<std::string> fromCommaText(const std::string& text);
