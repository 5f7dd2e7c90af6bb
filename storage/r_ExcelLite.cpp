// TxlsxRead and getSheets: workbooks read part by part out of a private copy of the package.
// Each part is inflated into the reader's own folder with its size bounded and checked against
// its entry; sheets are found through the workbook's relationships, shared strings are one
// entry per item with its runs joined, and cell values reach the table bound, never as SQL text.
#include "storage/r_ExcelLite.h"

#include <minizip/unzip.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "platform/text.h"
#include "storage/r_dbase.h"
#include "storage/r_sqlite.h"
#include "storage/r_xmlLite.h"

namespace {
namespace fs = std::filesystem;

// A folder no other reader or program has: made exclusively below the temporary folder.
std::string makeOwnFolder() {
  if (!os) return {};
  std::string parent = os->tempfiledir();
  TosFiles::appendBackslash(parent);
  parent += "Excel/";
  std::error_code ec;
  fs::create_directories(parent, ec);
  std::string pattern = parent + "xlsx-XXXXXX";
  if (!mkdtemp(pattern.data())) return {};
  return pattern + "/";
}

void removeFolder(const std::string& dir) {
  std::error_code ec;
  if (!dir.empty()) fs::remove_all(dir, ec);
}

// The name after a namespace prefix: "x:sheet" is "sheet".
std::string_view localName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// A package opened for reading its parts one at a time.
class Tpackage {
 public:
  explicit Tpackage(const std::string& file) : zf_(unzOpen64(file.c_str())) {}
  ~Tpackage() {
    if (zf_) unzClose(zf_);
  }
  Tpackage(const Tpackage&) = delete;
  Tpackage& operator=(const Tpackage&) = delete;
  [[nodiscard]] bool ok() const { return zf_ != nullptr; }

  // Inflates the part (names compared without letter case) into target.
  bool extract(const std::string& part, const std::string& target, std::string& why) {
    if (!zf_ || unzLocateFile(zf_, part.c_str(), 2) != UNZ_OK) {
      why = "the package has no part " + part;
      return false;
    }
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zf_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
      why = "the entry of " + part + " is damaged";
      return false;
    }
    if (info.uncompressed_size > TxlsxRead::kMaxPartBytes) {
      why = part + " inflates to more than the 1 GB a part may have";
      return false;
    }
    if (unzOpenCurrentFile(zf_) != UNZ_OK) {
      why = part + " cannot be inflated";
      return false;
    }
    std::FILE* out = std::fopen(target.c_str(), "wb");
    std::vector<char> buf(1 << 16);
    uint64_t total = 0;
    int n = 0;
    bool written = out != nullptr;
    while (written && (n = unzReadCurrentFile(zf_, buf.data(), unsigned(buf.size()))) > 0) {
      total += uint64_t(n);
      if (total > info.uncompressed_size) break;  // more than its entry says
      written = std::fwrite(buf.data(), 1, size_t(n), out) == size_t(n);
    }
    const int closed = unzCloseCurrentFile(zf_);  // checks the CRC once all was read
    if (out) written = std::fclose(out) == 0 && written;
    if (!written) {
      why = "cannot write " + target;
      return false;
    }
    if (n < 0 || total != info.uncompressed_size || closed != UNZ_OK) {
      why = part + " is damaged (its size or check sum disagrees with its entry)";
      return false;
    }
    return true;
  }

  // Names of the entries that begin with prefix and end with ext, in package order.
  std::vector<std::string> entries(const std::string& prefix, const std::string& ext) {
    std::vector<std::string> out;
    if (!zf_) return out;
    for (int r = unzGoToFirstFile(zf_); r == UNZ_OK; r = unzGoToNextFile(zf_)) {
      char raw[1024];
      unz_file_info64 info{};
      if (unzGetCurrentFileInfo64(zf_, &info, raw, sizeof raw, nullptr, 0, nullptr, 0) != UNZ_OK) break;
      const std::string name(raw, std::min<size_t>(info.size_filename, sizeof raw - 1));
      if (platform::lowerCase(name).rfind(platform::lowerCase(prefix), 0) == 0 && name.size() > prefix.size() + ext.size() &&
          platform::lowerCase(name.substr(name.size() - ext.size())) == ext && name.find('/', prefix.size()) == std::string::npos)
        out.push_back(name);
    }
    return out;
  }

 private:
  unzFile zf_;
};

// A relationship target made a part name: relative to "xl/", or absolute from the package root.
std::string partName(const std::string& target) {
  std::string path = target.empty() || target[0] != '/' ? "xl/" + target : target.substr(1);
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    std::string p = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (p == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!p.empty() && p != ".") {
      parts.push_back(p);
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

struct TsheetList {
  std::vector<std::string> names, parts;
  bool named = false;          // the workbook part named the sheets
  std::string sharedStrings;   // the shared-string part, empty when there is none
};

// The sheet names from the workbook part and their parts from its relationships; without a
// workbook part, the XML files of "xl/worksheets/".
bool listSheets(Tpackage& pkg, const std::string& dir, TsheetList& out, std::string& why) {
  out = {};
  std::map<std::string, std::string> targets;  // relationship id, part
  if (pkg.extract("xl/_rels/workbook.xml.rels", dir + "rels.xml", why)) {
    TxmlLite x;
    std::string s;
    if (x.setname(dir + "rels.xml"))
      while (x.readNext(s)) {
        if ((x.xmlType() != xml_Start && x.xmlType() != xml_complete) || localName(x.tag()) != "Relationship") continue;
        const std::string target = partName(xmlDecode(x.attribute("Target")));
        targets[x.attribute("Id")] = target;
        const std::string type = x.attribute("Type");
        if (type.size() >= 14 && type.substr(type.size() - 14) == "/sharedStrings") out.sharedStrings = target;
      }
  }
  if (pkg.extract("xl/workbook.xml", dir + "workbook.xml", why)) {
    TxmlLite x;
    std::string s;
    if (x.setname(dir + "workbook.xml"))
      while (x.readNext(s)) {
        if ((x.xmlType() != xml_Start && x.xmlType() != xml_complete) || localName(x.tag()) != "sheet") continue;
        std::string id;
        for (const std::string& line : x.attributes().lines())
          if (localName(TStringList::nameOf(line)) == "id") id = TStringList::valueOf(line);
        const auto t = targets.find(id);
        out.names.push_back(xmlDecode(x.attribute("name")));
        // Without a relationship the part of the n-th sheet is the conventional one.
        out.parts.push_back(t != targets.end() ? t->second : "xl/worksheets/sheet" + std::to_string(out.names.size()) + ".xml");
      }
    out.named = !out.names.empty();
    if (out.named || targets.size() > 0) {
      if (out.sharedStrings.empty()) out.sharedStrings = "xl/sharedStrings.xml";
      return true;
    }
  }
  for (const std::string& e : pkg.entries("xl/worksheets/", ".xml")) {
    const std::string file = e.substr(std::string("xl/worksheets/").size());
    out.names.push_back(file.substr(0, file.size() - 4));
    out.parts.push_back(e);
  }
  out.sharedStrings = "xl/sharedStrings.xml";
  if (!out.names.empty()) return true;
  if (why.empty()) why = "no workbook part and no worksheets";
  return pkg.ok();
}

// The column of a cell reference ("AB12" is 27), -1 without letters, kMaxColumns and above for
// references beyond the format's last column.
int columnOf(std::string_view ref) {
  int64_t n = 0;
  size_t i = 0;
  for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) {
    n = n * 26 + (ref[i] - 'A' + 1);
    if (n > TxlsxRead::kMaxColumns) return TxlsxRead::kMaxColumns;
  }
  return int(n) - 1;
}

// What a cell holds, by its "t" attribute.
enum class Tkind : uint8_t { Number, Shared, Text, Boolean };

struct Tcell {
  int col = 0;
  Tkind kind = Tkind::Number;
  std::string text;
};

bool parseNumber(const std::string& s, int64_t& i, double& d, bool& isInt) {
  if (s.empty()) return false;
  char* end = nullptr;
  d = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(d)) return false;
  isInt = s.find_first_of(".eE") == std::string::npos && std::fabs(d) < 9.0e18;
  if (isInt) i = std::strtoll(s.c_str(), nullptr, 10);
  return true;
}

// The rows of a sheet part, collected into the table "data".
class TsheetLoader {
 public:
  TsheetLoader(TliteDB& db, Tcolumns& columns, const std::vector<std::string>& strings)
      : db_(db), columns_(columns), strings_(strings) {}
  ~TsheetLoader() {
    if (insert_) db_.finish(insert_);
  }

  // False, with why, when no table could be made; a note says what of the sheet was left out.
  bool read(const std::string& file, std::string& why);
  [[nodiscard]] int records() const { return records_; }
  [[nodiscard]] const std::string& note() const { return note_; }

 private:
  static constexpr size_t kMaxPending = 1000;  // rows held while columns wait for a type
  void row(std::vector<Tcell>& cells);
  void header(const std::vector<Tcell>& cells);
  bool createTable();
  bool insert(const std::vector<const Tcell*>& slots);

  TliteDB& db_;
  Tcolumns& columns_;
  const std::vector<std::string>& strings_;
  int n_ = -1;  // columns; -1 before the header
  std::vector<int> types_;  // 0 while undecided
  std::vector<std::vector<Tcell>> pending_;
  bool created_ = false;
  bool failed_ = false;
  sqlite3_stmt* insert_ = nullptr;
  int records_ = 0;
  std::string note_;
};

bool TsheetLoader::read(const std::string& file, std::string& why) {
  TxmlLite x;
  if (!x.setname(file)) {
    why = "cannot open the sheet part";
    return false;
  }
  std::vector<Tcell> cells;
  Tcell cell;
  bool inRow = false, inCell = false, inValue = false, inInline = false, inText = false;
  int nextCol = 0;
  auto endCell = [&] {
    if (inCell && cell.col >= 0 && cell.col < TxlsxRead::kMaxColumns && !cell.text.empty()) {
      if (cell.kind == Tkind::Shared) {
        int32_t idx = -1;
        if (TosNumberText::StrToInt(cell.text, idx) && idx >= 0 && size_t(idx) < strings_.size()) cell.text = strings_[size_t(idx)];
        cell.kind = Tkind::Text;
      } else if (cell.kind == Tkind::Boolean) {
        cell.text = cell.text == "1" || platform::sameNoCase(cell.text, "true") || platform::sameNoCase(cell.text, "yes") ? "yes" : "no";
      }
      cells.push_back(std::move(cell));
    }
    cell = {};
    inCell = inValue = inInline = inText = false;
  };
  auto endRow = [&] {
    endCell();
    if (inRow) row(cells);
    cells.clear();
    inRow = false;
  };
  std::string s;
  while (!failed_ && x.readNext(s)) {
    const int kind = x.xmlType();
    if (kind == xml_Content) {
      if ((inCell && inValue) || (inInline && inText)) cell.text += x.cdata() ? s : xmlDecode(s);
      continue;
    }
    if (kind == xml_none) continue;
    const std::string_view tag = localName(x.tag());
    if (kind == xml_End) {
      if (tag == "v") inValue = false;
      else if (tag == "t") inText = false;
      else if (tag == "is") inInline = false;
      else if (tag == "c") endCell();
      else if (tag == "row") endRow();
      continue;
    }
    const bool complete = kind == xml_complete;
    if (tag == "row") {
      endRow();
      if (complete) continue;  // a row without cells
      inRow = true;
      nextCol = 0;
    } else if (tag == "c" && inRow) {
      endCell();
      const std::string ref = x.attribute("r");
      cell.col = ref.empty() ? nextCol : columnOf(ref);
      if (cell.col < 0) cell.col = nextCol;
      nextCol = cell.col + 1;
      const std::string t = x.attribute("t");
      cell.kind = t == "s" ? Tkind::Shared : t == "b" ? Tkind::Boolean : (t.empty() || t == "n") ? Tkind::Number : Tkind::Text;
      inCell = !complete;
    } else if (inCell && tag == "v") {
      inValue = !complete;
    } else if (inCell && tag == "is") {
      inInline = !complete;
      cell.kind = Tkind::Text;
    } else if (inInline && tag == "t") {
      inText = !complete;
    } else if (inInline && (tag == "rPh" || tag == "phoneticPr")) {
      inText = false;  // phonetic guides are no part of the text
    }
  }
  endRow();
  if (!failed_ && n_ > 0 && !created_) createTable();
  if (n_ == 0) {
    why = "none of the header's columns can be stored in a table";
    return false;
  }
  if (failed_) why = created_ && insert_ ? "cannot write the rows of the sheet" : "cannot make the table of the sheet";
  return n_ > 0 && insert_ != nullptr;
}

void TsheetLoader::row(std::vector<Tcell>& cells) {
  if (cells.empty()) return;  // an empty row is skipped
  if (n_ < 0) {
    header(cells);
    return;
  }
  if (n_ == 0) return;
  ++records_;
  for (const Tcell& c : cells)
    if (c.col < n_ && types_[size_t(c.col)] == 0)
      types_[size_t(c.col)] = c.kind == Tkind::Number ? ftInteger : c.kind == Tkind::Boolean ? ftBoolean : ftString;
  if (!created_) {
    pending_.push_back(std::move(cells));
    const bool typed = std::find(types_.begin(), types_.end(), 0) == types_.end();
    if (typed || pending_.size() >= kMaxPending) createTable();
    return;
  }
  std::vector<const Tcell*> slots(size_t(n_), nullptr);
  for (const Tcell& c : cells)
    if (c.col < n_) slots[size_t(c.col)] = &c;
  if (!insert(slots)) failed_ = true;
}

void TsheetLoader::header(const std::vector<Tcell>& cells) {
  // The sheet as far as a table can hold it: columns beyond the engine's limit are left out.
  const int limit = std::max(1, db_.columnLimit());
  n_ = 0;
  int widest = 0;
  for (const Tcell& c : cells) {
    widest = std::max(widest, c.col + 1);
    if (c.col < limit) n_ = std::max(n_, c.col + 1);  // trailing empty cells were never kept
  }
  if (widest > limit)
    note_ = "the header reaches column " + std::to_string(widest) + "; a table holds " + std::to_string(limit) +
            ", so the columns from " + std::to_string(limit + 1) + " on are not read";
  std::vector<std::string> texts(static_cast<size_t>(n_));
  for (const Tcell& c : cells)
    if (c.col < n_) texts[size_t(c.col)] = c.text;
  // Names made unique as the engine compares them (letter case aside): " (1)", " (2)", ...
  std::unordered_set<std::string> taken;
  std::unordered_map<std::string, int> next;  // the number to try next after a name
  std::vector<std::string> names;
  names.reserve(size_t(n_));
  for (int i = 0; i < n_; ++i) {
    std::string name = TosText::Trim(texts[size_t(i)]);
    if (name.empty()) name = "col" + std::to_string(i + 1);
    std::string unique = name;
    if (taken.count(platform::lowerCase(unique))) {
      int& k = next[platform::lowerCase(name)];
      do unique = name + " (" + std::to_string(++k) + ")";
      while (taken.count(platform::lowerCase(unique)));
    }
    taken.insert(platform::lowerCase(unique));
    names.push_back(unique);
  }
  columns_.clear();
  for (const std::string& name : names) columns_.Add(ftInteger, name)->readOnly = true;
  types_.assign(size_t(n_), 0);
}

bool TsheetLoader::createTable() {
  created_ = true;
  db_.startTable("data");
  for (int i = 0; i < n_; ++i) {
    int& type = types_[size_t(i)];
    if (type == 0) type = ftString;  // no value to tell: text keeps whatever comes later as it is
    columns_.item(i)->settype(type);
    columns_.item(i)->readOnly = true;
    db_.addField(columns_.getName(i), type, type == ftInteger ? "0" : "");
  }
  if (db_.finishTable() < 0 || !db_.beginUpdate()) {
    failed_ = true;
    return false;
  }
  std::string marks;
  for (int i = 0; i < n_; ++i) marks += i ? ",?" : "?";
  insert_ = db_.start("INSERT INTO data VALUES (" + marks + ")");
  if (!insert_) {
    failed_ = true;
    return false;
  }
  for (const auto& cells : pending_) {
    std::vector<const Tcell*> slots(size_t(n_), nullptr);
    for (const Tcell& c : cells)
      if (c.col < n_) slots[size_t(c.col)] = &c;
    if (!insert(slots)) {
      failed_ = true;
      break;
    }
  }
  pending_.clear();
  return !failed_;
}

bool TsheetLoader::insert(const std::vector<const Tcell*>& slots) {
  for (int i = 0; i < n_; ++i) {
    const Tcell* c = slots[size_t(i)];
    const int p = i + 1;
    int64_t iv = 0;
    double dv = 0;
    bool isInt = false;
    if (types_[size_t(i)] == ftInteger) {
      if (!c) q->SQLite3_Bind_int64(insert_, p, 0);  // an empty cell is 0 only in a number column
      else if (c->kind == Tkind::Number && parseNumber(c->text, iv, dv, isInt))
        isInt ? q->SQLite3_Bind_int64(insert_, p, iv) : q->SQLite3_Bind_double(insert_, p, dv);
      else q->SQLite3_BindText(insert_, p, c->text);
    } else {
      q->SQLite3_BindText(insert_, p, c ? c->text : std::string());
    }
  }
  const int rc = q->Sqlite3_Step(insert_);
  q->SQLite3_Reset(insert_);
  q->SQLite3_Clear_Bindings(insert_);
  if (rc != SQLITE_DONE) db_.RaiseError("Cannot add a row of the sheet", "INSERT INTO data");
  return rc == SQLITE_DONE;
}

// The shared strings: one entry per item, its runs joined, phonetic guides left out.
bool loadStrings(const std::string& file, std::vector<std::string>& out) {
  out.clear();
  TxmlLite x;
  if (!x.setname(file)) return false;
  std::string s, current;
  bool inItem = false, inText = false, inPhonetic = false;
  while (x.readNext(s)) {
    const int kind = x.xmlType();
    if (kind == xml_Content) {
      if (inItem && inText && !inPhonetic) current += x.cdata() ? s : xmlDecode(s);
      continue;
    }
    if (kind == xml_none) continue;
    const std::string_view tag = localName(x.tag());
    if (kind == xml_End) {
      if (tag == "si") {
        out.push_back(std::move(current));
        current.clear();
        inItem = false;
      } else if (tag == "t") {
        inText = false;
      } else if (tag == "rPh") {
        inPhonetic = false;
      }
    } else if (tag == "si") {
      if (kind == xml_complete) {
        out.emplace_back();
      } else {
        if (inItem) out.push_back(std::move(current));  // an item left open
        current.clear();
        inItem = true;
      }
    } else if (tag == "t") {
      inText = kind == xml_Start;
    } else if (tag == "rPh") {
      inPhonetic = kind == xml_Start;
    }
  }
  if (inItem) out.push_back(std::move(current));
  return true;
}
}  // namespace

// ---------------------------------------------------------------------------------------------

bool getSheets(const std::string& filename, TStringList& list) {
  const std::string dir = makeOwnFolder();
  if (dir.empty()) {
    log("** getSheets: cannot make a temporary folder");
    return false;
  }
  bool ok = false;
  {
    const std::string copy = dir + "a.zip";
    Tpackage pkg(r_fileBase::CopyFileSafely(filename, copy) ? copy : filename);
    TsheetList sheets;
    std::string why;
    ok = pkg.ok() && listSheets(pkg, dir, sheets, why);
    if (ok)
      for (const std::string& n : sheets.names) list.add(n);
    else log("** getSheets: cannot read " + filename + (why.empty() ? "" : ": " + why));
  }
  removeFolder(dir);
  return ok;
}

TxlsxRead::TxlsxRead() = default;

TxlsxRead::~TxlsxRead() {
  db.reset();
  removeFolder(dir);
}

bool TxlsxRead::fail(const std::string& why) {
  freadError = why;
  seterr(why);
  log("** " + fname + ": " + why);
  return false;
}

bool TxlsxRead::open(const std::string& filename) {
  TprocScope proc(*this, "open");
  fname = filename;
  seterr("a");  // a: the reader's folder
  if (dir.empty()) dir = makeOwnFolder();
  if (dir.empty()) return fail("cannot make a temporary folder");
  return init();
}

bool TxlsxRead::init() {
  db.reset();
  fsheets.clear();
  sheetParts.clear();
  strings.clear();
  freadError.clear();
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
  seterr("b");  // b: the private copy of the package
  dt = r_fileBase::FileLastModified(fname);
  if (!r_fileBase::CopyFileSafely(fname, dir + "a.zip")) return fail("cannot copy the workbook");
  return readSheetList();
}

bool TxlsxRead::readSheetList() {
  seterr("c");  // c: the sheet list and the shared strings
  Tpackage pkg(dir + "a.zip");
  if (!pkg.ok()) return fail("the workbook is not a ZIP package");
  TsheetList list;
  std::string why;
  if (!listSheets(pkg, dir, list, why)) return fail(why);
  namedSheets = list.named;
  for (const std::string& n : list.names) fsheets.add(n);
  sheetParts = list.parts;
  if (!list.sharedStrings.empty() && pkg.extract(list.sharedStrings, dir + "strings.xml", why)) loadStrings(dir + "strings.xml", strings);
  return true;
}

bool TxlsxRead::OriginalChanged() const { return r_fileBase::FileLastModified(fname) > dt; }

bool TxlsxRead::refreshFromOriginal() {
  TprocScope proc(*this, "refreshFromOriginal");
  if (OriginalChanged() && !init()) return false;
  std::string name = fsheet;
  if (fsheets.indexOf(name) < 0) name = fsheets.empty() ? std::string() : fsheets[0];
  return setSheet(name);
}

bool TxlsxRead::setSheet(const std::string& value) {
  TprocScope proc(*this, "setSheet");
  db.reset();
  fcolumns.clear();
  frecords = 0;
  lastrow = -1;
  rowvalues.clear();
  fchanged = false;
  freadError.clear();
  if (dir.empty()) return false;
  std::remove((dir + "temp.db").c_str());
  if (fsheets.empty()) {
    fsheet.clear();
    return false;  // no sheets: no table, and nothing wrong
  }
  const int index = std::max(0, fsheets.indexOf(value));
  fsheet = fsheets[index];
  seterr("a");  // a: the sheet part
  std::string why;
  {
    Tpackage pkg(dir + "a.zip");
    if (!pkg.extract(sheetParts[size_t(index)], dir + "sheet.xml", why)) return fail("cannot read sheet " + fsheet + ": " + why);
  }
  seterr("b");  // b: the temporary database
  db = TliteDB::createForWriting();
  if (!db->setfile(dir + "temp.db")) {
    db.reset();
    return fail("cannot read sheet " + fsheet + ": the temporary database cannot be made");
  }
  seterr("c");  // c: the rows
  bool any = false;
  std::string note;
  {
    TsheetLoader loader(*db, fcolumns, strings);
    any = loader.read(dir + "sheet.xml", why);
    frecords = loader.records();
    note = loader.note();
  }
  if (db->inTransaction()) db->endUpdate();
  std::remove((dir + "sheet.xml").c_str());
  if (!any) {
    db.reset();
    fcolumns.clear();
    frecords = 0;
    rowvalues.clear();
    // A sheet without a header row is no error: it is empty.
    return why.empty() ? false : fail("cannot read sheet " + fsheet + ": " + why);
  }
  if (!why.empty()) fail("cannot read all of sheet " + fsheet + ": " + why);
  else if (!note.empty()) fail("sheet " + fsheet + " is read in part: " + note);
  rowvalues.assign(size_t(fcolumns.count()), std::string());
  return true;
}

bool TxlsxRead::getRow(int row) {
  if (!db) return false;
  sqlite3_stmt* s = db->start("SELECT * FROM data WHERE ROWID = ?", {TsqlParam::ofInt(int64_t(row) + 1)});
  if (!s) return false;
  rowvalues.assign(size_t(fcolumns.count()), std::string());
  if (db->getnext(s))
    for (int i = 0; i < db->ColumnCount(s) && i < int(rowvalues.size()); ++i) rowvalues[size_t(i)] = db->getstr(s, i);
  db->finish(s);
  lastrow = row;
  return true;
}

std::string TxlsxRead::getItem(int col, int row) {
  if (row != lastrow) getRow(row);
  return col >= 0 && col < int(rowvalues.size()) ? rowvalues[size_t(col)] : std::string();
}

bool TxlsxRead::setItem(int col, int row, const std::string& value) {
  if (!db || col < 0 || col >= fcolumns.count()) return false;
  return db->setColumnValue("data", fcolumns.getName(col), TwhereClause::equals("ROWID", int64_t(row) + 1), value);
}

bool TxlsxRead::saveToCsv(const std::string& filename, const std::vector<int>& rowList) {
  TprocScope proc(*this, "saveToCsv");
  if (!db) return fail("no sheet to write");
  std::vector<int32_t> ids;
  for (int r : rowList) ids.push_back(r + 1);
  if (!rowList.empty() && ids.empty()) return false;
  return db->SaveAsCSV(filename, "data", {}, ids);
}

bool TxlsxRead::saveToDbf(const std::string& filename, const std::vector<int>& rowList) {
  TprocScope proc(*this, "saveToDbf");
  if (!db) return fail("no sheet to write");
  seterr("a");  // a: the fields, sized by their values
  TdbfMake make;
  make.allowLowerCase = true;
  std::vector<char> letters;
  TStringList used;
  for (int i = 0; i < fcolumns.count(); ++i) {
    const Tcolumn& c = *fcolumns.item(i);
    const std::string col = sqlIdent(c.name);
    const int longest = int(std::strtol(db->getstr("SELECT max(length(CAST(" + col + " AS TEXT))) FROM data").c_str(), nullptr, 10));
    char letter = 'C';
    int width = std::clamp(longest, 1, 254), decimals = 0;
    if (c.datatype() == ftBoolean) {
      letter = 'L';
      width = 1;
    } else if (c.datatype() == ftInteger) {
      letter = 'N';
      // Decimals as the longest fraction written holds.
      sqlite3_stmt* s = db->start("SELECT CAST(" + col + " AS TEXT) FROM data WHERE typeof(" + col + ") = 'real'");
      while (s && db->getnext(s)) {
        const std::string v = db->getstr(s, 0);
        const size_t dot = v.find('.');
        if (dot != std::string::npos && v.find_first_of("eE") == std::string::npos) decimals = std::max(decimals, int(v.size() - dot - 1));
      }
      db->finish(s);
      decimals = std::min(decimals, 15);
      width = std::clamp(std::max(longest, decimals + 2), 1, 20);
    }
    // dBase names hold ten characters: a cut name is numbered when it is taken.
    std::string name = c.name.substr(0, platform::codePointOffset(c.name, 10));
    for (int n = 1; used.indexOf(name) >= 0; ++n) {
      const std::string tail = std::to_string(n);
      name = c.name.substr(0, platform::codePointOffset(c.name, 10 - int(tail.size()))) + tail;
    }
    used.add(name);
    if (make.add(name, letter, width, decimals) < 0) return fail("field " + c.name + " cannot be made");
    letters.push_back(letter);
  }
  // The table is made whole in the reader's own folder and only then put in place, so the
  // target is the old table or the new one, never a part.
  const std::string work = dir + "export.dbf";
  if (!make.save(work)) return fail("cannot write " + filename);
  seterr("b");  // b: the rows
  bool ok = false;
  {
    Tdbf t;
    t.setfname(work);
    if (!t.isOpen()) return fail("cannot open " + work);
    sqlite3_stmt* s = db->start("SELECT ROWID, * FROM data");
    ok = s != nullptr;
    while (ok && db->getnext(s)) {
      const int row = int(q->Sqlite3_ColumnInt64(s, 0)) - 1;
      if (!rowList.empty() && std::find(rowList.begin(), rowList.end(), row) == rowList.end()) continue;
      const int r = t.addrow();
      // Every field is set, an empty value as blanks: a never-set field would hold NUL bytes.
      for (int i = 0; ok && i < fcolumns.count(); ++i) ok = t.setStringValue(i, r, db->getstr(s, i + 1));
    }
    ok = ok && db->lastGetNext == SQLITE_DONE;
    db->finish(s);
  }
  seterr("c");  // c: the table put in place
  std::string bytes, why;
  ok = ok && platform::readWholeFile(work, bytes);
  std::remove(work.c_str());
  if (!ok) return fail("cannot write the rows of " + filename);
  if (!platform::replaceFileContents(filename, bytes, &why)) return fail("cannot write " + filename + ": " + why);
  return true;
}
