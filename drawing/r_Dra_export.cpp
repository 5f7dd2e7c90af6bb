// The drawing module's routines that name columns and save a drawing, and the attribute export
// of a drawing as a dBase III table or a CSV text (RFC 4180, UTF-8 without a byte-order mark,
// CR LF). Exported files are written beside their target and renamed into place when whole.
#include <algorithm>
#include <cmath>
#include <functional>

#include "drawing/r_Dra.h"
#include "drawing/r_Dra_internal.h"
#include "platform/files.h"
#include "platform/text.h"
#include "storage/r_Data.h"
#include "storage/r_dbase.h"
#include "storage/storage_text.h"

bool SaveDraFile(TgobArray& g, const std::string& filename) {
  TwriteDra w;
  return w.write(g, filename);
}

std::string colTypeStr(int32_t type) {
  switch (type) {
    case col_serial: return "serial";
    case col_textrotation: return "text rotation";
    case col_textHeight: return "text height";
    case col_caption: return "caption";
    case col_hectares: return "area ha";
    case col_z: return "altitude m";
    case col_length: return "length m";
    case col_area: return "area m2";
    case col_id: return "id";
    case col_obtype: return "object type";
    case col_stylenum: return "style number";
    default: return std::to_string(type);
  }
}

int32_t gobColIndex(TgobArray& g, const std::string& name) {
  static const std::pair<const char*, int32_t> intrinsic[] = {
      {"object type", col_obtype}, {"style number", col_stylenum}, {"caption", col_caption},
      {"z", col_z},                {"id", col_id},                 {"qy_id", col_id},
      {"style codes", col_stylecodes}, {"text height", col_textHeight}, {"text rotation", col_textrotation},
      {"line label mode", col_linelabelmode}};
  for (const auto& [n, col] : intrinsic)
    if (name == n) return col;
  int32_t i = g.columnIndexOf(name);
  return i < 0 ? col_none : i;
}

// ================================================================ attribute export

namespace {
// CSV lines appended to one text: fields joined by commas (RFC 4180 quoting through the storage
// layer), each line ended by CR LF.
class CsvLine {
 public:
  // With `continues` the line already holds fields: the next one is joined by a comma.
  explicit CsvLine(std::string& out, bool continues = false) : out_(out), any_(continues) {}
  void cell(const std::string& s, bool quoted = false) {
    if (any_) out_ += ',';
    any_ = true;
    storage_text::appendCsvField(out_, s, quoted);
  }
  void end() {
    out_ += "\r\n";
    any_ = false;
  }

 private:
  std::string& out_;
  bool any_;
};

std::string measure(double v) { return os->DoubleToStrUK(v, 2); }

// The type names the exports know; others give `other`.
std::string knownTypeName(int32_t obType, const std::string& other) {
  switch (obType) {
    case o_point: case o_line: case o_polyGon: case o_text: return ObTypeStr(obType);
    default: return other;
  }
}

// A dBase field name our writer accepts: no comma, not empty.
std::string fieldName(std::string name, int32_t index) {
  std::replace(name.begin(), name.end(), ',', '_');
  if (TosText::Trim(name).empty()) name = "FIELD" + std::to_string(index + 1);
  return name;
}

constexpr int kMemoWidth = 254;  // the widest text field dBase readers take

// One field per column, sized by its data type, under a name the writer accepts. Three kinds
// are made readable first: a yes/no field is one byte wide (readers refuse the table otherwise),
// no memo file is written beside the table, and a dBase date holds no time, so memo and time
// values go into text fields.
void addColumnFields(TdbfMake& m, TgobArray& d, const TiList& cols) {
  for (int32_t c : cols) {
    const Tcolumn* src = d.column(c);
    const std::string name = fieldName(src->name, c);
    const int type = src->datatype();
    if (type == ftBoolean) {
      m.add(name, 'L', 1, 0);
      continue;
    }
    Tcolumns one;
    Tcolumn* f = one.Add(type);
    f->assign(*src);
    f->name = name;
    if (type == ftMemo || type == ftTime || type == ftDateTime) {
      f->settype(ftString);
      if (type == ftMemo) {
        f->customWidth = true;
        f->dbfwidth = kMemoWidth;
      }
    }
    m.add(one);
  }
}

// A stored value into a field by the field's type: numbers and yes/no read from the text,
// dates and texts as they stand. A value the field cannot hold (empty, not a number, not a
// date) is written as blanks, which readers take for null; a field left unwritten would keep
// the new record's NUL bytes, and readers refuse the whole table for those.
void putValue(Tdbf& t, int col, int row, const std::string& text) {
  const std::string v = TosText::Trim(text);
  switch (t.ColumnType(col)) {
    case ftInteger:
    case ftDouble: {
      double d = 0;
      if (dra::parseNumber(v, d) && std::isfinite(d)) {
        t.setDoubleValue(col, row, d);
        return;
      }
      break;
    }
    case ftBoolean:
      if (!v.empty()) {
        t.setBooleanValue(col, row, TosNumberText::StrAsBool(v));
        return;
      }
      break;
    case ftDate:
      if (!v.empty() && t.setStringValue(col, row, v)) {
        (void)t.getDate(col, row);
        if (t.validValue) return;
      }
      break;
    default:
      t.setStringValue(col, row, text);
      return;
  }
  t.setStringValue(col, row, "");
}

// A dBase table made beside target, filled, and renamed into place when whole.
bool writeTable(TqyObject& who, const std::string& target, TdbfMake& make, bool supressOEM,
                const std::function<bool(Tdbf&)>& fill) {
  std::string why;
  std::string temp = dra::tempBeside(target, why);
  if (temp.empty()) {
    who.log("** cannot write " + target + ": " + why);
    return false;
  }
  bool ok = make.save(temp);
  if (ok) {
    Tdbf t;
    t.supressOEM = supressOEM;
    t.setfname(temp);
    ok = t.isOpen() && fill(t);
  }
  if (!ok) {
    dra::removeQuietly(temp);
    who.log("** cannot write the table " + target);
    return false;
  }
  if (!dra::moveInto(temp, target, why)) {
    who.log("** cannot write " + target + ": " + why);
    return false;
  }
  return true;
}

bool writeText(TqyObject& who, const std::string& target, const std::string& text) {
  std::string why;
  if (platform::replaceFileContents(target, text, &why)) return true;
  who.log("** cannot write " + target + ": " + why);
  return false;
}

TiList allColumns(const TgobArray& d) {
  TiList cols(static_cast<size_t>(d.columnCount()));
  for (size_t i = 0; i < cols.size(); ++i) cols[i] = static_cast<int32_t>(i);
  return cols;
}
}  // namespace

bool TgobArray::SaveAttributes(const std::string& filename, bool withId) {
  return SaveAttributes(filename, withId, false, false, nullptr);
}

bool TgobArray::SaveAttributes(const std::string& filename, bool includeIntrinsicAttributes, bool onlyselected) {
  return SaveAttributes(filename, false, includeIntrinsicAttributes, onlyselected, nullptr);
}

bool TgobArray::SaveAttributes(const std::string& filename, bool includeIntrinsicAttributes, bool onlyselected,
                               const TiList* rows) {
  return SaveAttributes(filename, false, includeIntrinsicAttributes, onlyselected, rows);
}

// Step markers: a choose the objects, b dBase, c CSV.
bool TgobArray::SaveAttributes(const std::string& filename, bool withid, bool includeIntrinsicAttributes,
                               bool onlyselected, const TiList* rows) {
  if (columnCount() == 0 && !includeIntrinsicAttributes && !withid) return false;
  TprocScope proc(*this, "SaveAttributes");
  seterr("a");
  const int type = TosFileTypes::getFileType(filename);
  if (type != file_dbf && type != file_csv) {
    log("SaveAttributes: " + filename + " is neither a dBase table nor a CSV text; nothing written");
    return false;
  }
  std::vector<Tgob*> chosen;
  if (rows) {
    for (int32_t i : *rows)
      if (Tgob* g = getItem(i)) chosen.push_back(g);
  } else {
    for (int32_t i = 0; i < count(); ++i)
      if (Tgob* g = getItem(i); g && (!onlyselected || g->state == gob_select)) chosen.push_back(g);
  }
  const TiList cols = allColumns(*this);
  if (type == file_dbf) {
    seterr("b");
    TdbfMake m;
    if (includeIntrinsicAttributes) {
      m.add("OBTYPE", 'C', 12, 0);
      m.add("CAPTION", 'C', 40, 0);
      m.add("ID", 'C', 12, 0);
      m.add("METRES2", 'N', 16, 2);
      m.add("HECTARES", 'N', 16, 2);
      m.add("LINELENGTH", 'N', 16, 2);
      m.add("STYLENUM", 'N', 8, 0);
    } else if (withid) {
      m.add("ID", 'C', 12, 0);
    }
    const int first = m.count();
    addColumnFields(m, *this, cols);
    return writeTable(*this, filename, m, false, [&](Tdbf& t) {
      for (Tgob* g : chosen) {
        int row = t.addrow();
        if (row < 0) return false;
        if (includeIntrinsicAttributes) {
          t.setStringValue(0, row, knownTypeName(g->obType(), ""));
          t.setStringValue(1, row, g->fcaption);
          t.setStringValue(2, row, g->fid);
          t.setDoubleValue(3, row, g->getarea());
          t.setDoubleValue(4, row, g->getarea() / 10000);
          t.setDoubleValue(5, row, g->getlength());
          t.setIntegerValue(6, row, g->styleNumber);
        } else if (withid) {
          t.setStringValue(0, row, g->fid);
        }
        for (int32_t c : cols) putValue(t, first + c, row, g->rawValue(c));
      }
      return true;
    });
  }
  seterr("c");
  std::string out = includeIntrinsicAttributes ? "object type,caption,id,metres2,hectares,length,style number"
                    : withid                   ? "id"
                                               : "";
  out.reserve(chosen.size() * 64 * (cols.size() + 2));
  CsvLine line(out, !out.empty());  // the leading names stand unquoted
  for (int32_t c : cols) line.cell(columns().getName(c), true);
  line.end();
  for (Tgob* g : chosen) {
    if (includeIntrinsicAttributes) {
      const int32_t t = g->obType();
      const std::string name = knownTypeName(t, "unknown");
      const bool known = name != "unknown";
      const double area = t == o_polyGon ? g->getarea() : 0;
      const double length = t == o_polyGon || t == o_line ? g->getlength() : 0;
      line.cell(name);
      line.cell(known ? TosText::Bartext(g->fcaption.view()) : "", true);
      line.cell(known ? g->fid.str() : "", true);
      line.cell(measure(area));
      line.cell(measure(area / 10000));
      line.cell(measure(length));
      line.cell(std::to_string(g->styleNumber));
    } else if (withid) {
      line.cell(g->fid, true);
    }
    for (int32_t c : cols) {
      const int type = column(c)->datatype();
      const std::string v = g->rawValue(c);
      if (type == ftString) line.cell(v, true);
      else if (type == ftFloat) line.cell(dra::fileNumber(v));
      else line.cell(v);
    }
    line.end();
  }
  return writeText(*this, filename, out);
}

namespace {
// One entry of a selective export: a virtual column or a data column, with its field name.
struct Entry {
  int32_t col;
  std::string name;
};

std::string virtualFieldName(int32_t col) {
  switch (col) {
    case col_serial: return "SERIAL";
    case col_caption: return "CAPTION";
    case col_hectares: return "AREA_HA";
    case col_length: return "LENGTH_M";
    case col_area: return "AREA_M2";
    case col_id: return "ID";
    case col_obtype: return "OBTYPE";
    case col_stylenum: return "STYLENUM";
    default: return "";
  }
}

// The entries that give a name, each name once (compared without case), in the caller's order.
std::vector<Entry> keptEntries(TgobArray& d, const TiList& colList) {
  std::vector<Entry> kept;
  for (int32_t c : colList) {
    std::string name = c < 0 ? virtualFieldName(c) : c < d.columnCount() ? platform::upperCase(d.columns().getName(c)) : "";
    if (name.empty()) continue;
    bool seen = std::any_of(kept.begin(), kept.end(), [&](const Entry& e) { return platform::sameNoCase(e.name, name); });
    if (!seen) kept.push_back({c, name});
  }
  return kept;
}
}  // namespace

// Step markers: a choose the entries, b drawing, c dBase, d CSV.
bool TgobArray::SaveAttributes(const std::string& filename, const TiList& colList) {
  TprocScope proc(*this, "SaveAttributes");
  seterr("a");
  const int type = TosFileTypes::getFileType(filename);
  const std::vector<Entry> kept = keptEntries(*this, colList);
  TiList dataCols;
  for (const Entry& e : kept)
    if (e.col >= 0) dataCols.push_back(e.col);

  if (type == file_dra) {
    seterr("b");
    return saveSelectionAsDrawing(filename, dataCols);
  }
  if (type == file_dbf) {
    seterr("c");
    TdbfMake m;
    std::vector<int> field(kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
      const int32_t c = kept[i].col;
      field[i] = m.count();
      switch (c) {
        case col_serial: m.add("SERIAL", 'N', 8, 0); break;
        case col_caption: m.add("CAPTION", 'C', 40, 0); break;
        case col_hectares: m.add("AREA_HA", 'N', 12, 2); break;
        case col_length: m.add("LENGTH_M", 'N', 12, 2); break;
        case col_area: m.add("AREA_M2", 'N', 12, 2); break;
        case col_id: m.add("ID", 'C', 12, 0); break;
        case col_obtype: m.add("OBTYPE", 'C', 12, 0); break;
        case col_stylenum: m.add("STYLENUM", 'N', 8, 0); break;
        default: addColumnFields(m, *this, {c});
      }
    }
    return writeTable(*this, filename, m, true, [&](Tdbf& t) {
      for (int32_t j = 0; j < count(); ++j) {
        Tgob* g = getItem(j);
        if (!g) continue;
        int row = t.addrow();
        if (row < 0) return false;
        for (size_t i = 0; i < kept.size(); ++i) {
          const int f = field[i];
          switch (kept[i].col) {
            case col_serial: t.setIntegerValue(f, row, g->index); break;
            case col_caption: t.setStringValue(f, row, TosText::Bartext(g->fcaption.view())); break;
            case col_hectares: t.setDoubleValue(f, row, g->getarea() / 10000); break;
            case col_length: t.setDoubleValue(f, row, g->getlength()); break;
            case col_area: t.setDoubleValue(f, row, g->getarea()); break;
            case col_id: t.setStringValue(f, row, g->fid); break;
            case col_obtype: t.setStringValue(f, row, knownTypeName(g->obType(), "")); break;
            case col_stylenum: t.setIntegerValue(f, row, g->styleNumber); break;
            default: putValue(t, f, row, g->rawValue(kept[i].col));
          }
        }
      }
      return true;
    });
  }
  if (type == file_csv) {
    seterr("d");
    log(filename + " " + std::to_string(count()));
    std::string out;
    CsvLine line(out);
    for (const Entry& e : kept) line.cell(e.col < 0 ? colTypeStr(e.col) : columns().getName(e.col), true);
    line.end();
    for (int32_t j = 0; j < count(); ++j) {
      Tgob* g = getItem(j);
      if (!g) continue;
      for (const Entry& e : kept) {
        const Tcolumn* c = e.col >= 0 ? column(e.col) : nullptr;
        if (e.col == col_caption || (c && c->datatype() == ftString))
          line.cell(TosText::Bartext(gobValue(*g, e.col)), true);
        else if (c && c->datatype() == ftFloat)
          line.cell(os->DoubleToStrUK(dra::storedNumber(g->rawValue(e.col)), c->decplaces));
        else
          line.cell(gobValue(*g, e.col));
      }
      line.end();
    }
    bool ok = writeText(*this, filename, out);
    log("end saveAttributes");
    return ok;
  }
  log("SaveAttributes: " + filename + " is not a drawing, dBase table or CSV text; nothing written");
  return false;
}

// A new drawing of copies of every object with only the listed data columns, their values moved
// as stored; virtual entries need no column, the objects carry them.
bool TgobArray::saveSelectionAsDrawing(const std::string& filename, const TiList& dataCols) {
  TgobArray out;
  for (int32_t c : dataCols) out.columns().Add(column(c)->datatype())->assign(*column(c));
  out.setlengthOfArray(count());
  for (int32_t j = 0; j < count(); ++j) {
    Tgob* g = getItem(j);
    if (!g) continue;
    out.add(j);
    Tgob& copy = *out.slot(j);
    copy.assign(*g);
    copy.getDataList().clear();
    for (size_t i = 0; i < dataCols.size(); ++i) copy.setcol(static_cast<int32_t>(i), g->rawValue(dataCols[i]));
  }
  return SaveDraFile(out, filename);
}
