// Tnotes: the notes store, one table "notes" of texts, stored files and links in a database
// file of its own; and the notes values of the database object, the column and the cursor. A
// working file is checked whole (header sizes, then the engine's integrity check) before use.
#include <fstream>
#include <iterator>

#include "core/r_base.h"
#include "storage/r_sqlite.h"
#include "storage/storage_text.h"

namespace {
constexpr size_t kFewestNotesBytes = 2000;  // a smaller blob holds no notes database
const char* const kTable = "notes";

bool readWholeFile(const std::string& file, Tbytes& out) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool writeWholeFile(const std::string& file, const Tbytes& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  return !out.fail();
}

uint32_t bigEndian(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

// Why the file cannot be a database as its header describes it; empty when it can (an empty
// file is a new database).
std::string headerFault(const std::string& file) {
  Tbytes head;
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) return "cannot be read";
  const auto size = uint64_t(in.tellg());
  if (size == 0) return {};
  if (size < 100) return "is too short for a database";
  in.seekg(0);
  head.resize(100);
  in.read(reinterpret_cast<char*>(head.data()), 100);
  if (!in || std::string(head.begin(), head.begin() + 16) != std::string("SQLite format 3\0", 16))
    return "is not an SQLite database";
  uint32_t page = bigEndian(&head[16], 2);
  if (page == 1) page = 65536;
  if (page < 512 || page > 65536 || (page & (page - 1)) != 0) return "has a damaged header";
  const uint32_t pages = bigEndian(&head[28], 4);
  const bool countValid = bigEndian(&head[24], 4) == bigEndian(&head[92], 4);
  if (size % page != 0 || (countValid && pages != 0 && size < uint64_t(pages) * page)) return "is cut short";
  return {};
}

// A file type made an extension only when it is letters and digits, never a path.
std::string safeExtension(const std::string& type) {
  if (type.empty() || type.size() > 16) return "bin";
  for (char c : type)
    if (!std::isalnum(static_cast<unsigned char>(c))) return "bin";
  return type;
}
}  // namespace

Tnotes::Tnotes() : fdb(TliteDB::create()) {}

Tnotes::~Tnotes() { clear(); }

void Tnotes::clear() {
  fdb->close();
  if (!fdatabase.empty() && !preserveFile && std::remove(fdatabase.c_str()) != 0 && TosFiles::FileExists(fdatabase))
    storageMessage("Tnotes clear: a2 (" + fdatabase + ")");
  fdatabase.clear();
  dropWrittenOut();
  fusernames.clear();
  fsysnames.clear();
  fchanged = false;
}

void Tnotes::dropWrittenOut() {
  for (const auto& [key, file] : tempnames) std::remove(file.c_str());  // a failure is ignored
  tempnames.clear();
}

bool Tnotes::setdata(const std::string& value) {
  clear();
  if (value.empty()) return true;
  if (std::string why = headerFault(value); !why.empty()) {
    storageMessage("Tnotes: the notes file " + value + " " + why);
    return false;
  }
  if (!fdb->setfile(value)) return false;
  if (std::string check = fdb->integrityCheck(); check != "ok") {
    fdb->close();
    storageMessage("Tnotes: the notes file " + value + " is damaged" + (check.empty() ? "" : ": " + check));
    return false;
  }
  if (!fdb->tableExists(kTable)) {
    fdb->startTable(kTable);
    for (const char* c : {"name", "date", "is system", "type", "text", "filename"}) fdb->addField(c, ftString);
    fdb->addField("file", ftBlob);
    if (fdb->finishTable() < 0) {
      fdb->close();
      return false;
    }
  }
  fdatabase = value;
  sqlite3_stmt* s = fdb->start("SELECT name, `is system` FROM notes");
  while (s && fdb->getnext(s)) addKey(fdb->getstr(s, 1) == "yes" ? fsysnames : fusernames, fdb->getstr(s, 0));
  fdb->finish(s);
  return true;
}

bool Tnotes::LoadFromMem(const Tbytes& mem) {
  const std::string file = os ? os->tempfilename("Qynotes") : std::string();
  if (file.empty() || !writeWholeFile(file, mem)) {
    storageMessage("Tnotes: cannot write a working file for the notes");
    if (!file.empty()) std::remove(file.c_str());
    clear();
    return false;
  }
  if (setdata(file)) return true;
  std::remove(file.c_str());
  return false;
}

bool Tnotes::ensureFile() {
  if (!fdatabase.empty()) return true;
  const std::string file = os ? os->tempfilename("notes") : std::string();
  return !file.empty() && setdata(file);
}

void Tnotes::addKey(TStringList& list, const std::string& name) {
  if (list.indexOf(name) >= 0) return;
  list.add(name);
  list.sort();
}

bool Tnotes::removeKey(TStringList& list, const std::string& name) {
  const int i = list.indexOf(name);
  if (i >= 0) list.remove(i);
  return i >= 0;
}

bool Tnotes::exists(const std::string& name) {
  return !fdatabase.empty() && fdb->exists(kTable, TwhereClause::equals("name", name));
}

// The last row's value when several carry the key.
std::string Tnotes::field(const std::string& name, const char* column) {
  if (fdatabase.empty()) return {};
  return fdb->getstr(std::string("SELECT ") + sqlIdent(column) + " FROM notes WHERE name = ? ORDER BY ROWID DESC LIMIT 1",
                     {TsqlParam::ofText(name)});
}

bool Tnotes::write(const std::string& name, const std::vector<std::pair<const char*, TsqlParam>>& values,
                   const std::vector<std::pair<const char*, TsqlParam>>& fresh) {
  TsqlParams params;
  std::string sql;
  if (exists(name)) {
    for (const auto& [column, v] : values) {
      sql += (sql.empty() ? "UPDATE notes SET " : ", ") + sqlIdent(column) + " = ?";
      params.push_back(v);
    }
    sql += " WHERE name = ?";
    params.push_back(TsqlParam::ofText(name));
  } else {
    std::string columns = "name", marks = "?";
    params.push_back(TsqlParam::ofText(name));
    for (const auto* list : {&values, &fresh})
      for (const auto& [column, v] : *list) {
        columns += ", " + sqlIdent(column);
        marks += ", ?";
        params.push_back(v);
      }
    sql = "INSERT INTO notes (" + columns + ") VALUES (" + marks + ")";
  }
  const bool ok = fdb->ExecParams(sql, params);
  if (ok) fchanged = true;
  return ok;
}

bool Tnotes::addSystemKey(const std::string& name) {
  if (!ensureFile()) return false;
  const bool fresh = !exists(name);
  if (!write(name, {{"is system", TsqlParam::ofText("yes")}}, {})) return false;
  if (fresh) addKey(fsysnames, name);
  return true;
}

std::string Tnotes::text(const std::string& name) { return field(name, "text"); }

bool Tnotes::settext(const std::string& name, const std::string& value) {
  if (!ensureFile()) return false;
  const bool fresh = !exists(name);
  if (!write(name, {{"text", TsqlParam::ofText(value)}}, {{"is system", TsqlParam::ofText("yes")}})) return false;
  if (fresh) addKey(fsysnames, name);
  return true;
}

std::string Tnotes::filename(const std::string& name) {
  for (const auto& [key, file] : tempnames)
    if (key == name) return file;
  if (fdatabase.empty() || !os) return {};
  std::string out;
  sqlite3_stmt* s = fdb->start("SELECT file, type FROM notes WHERE name = ? ORDER BY ROWID", {TsqlParam::ofText(name)});
  Tbytes bytes;
  while (s && fdb->getnext(s)) {
    if (!fdb->getBlob(s, 0, bytes) || bytes.empty()) continue;
    const std::string file = os->tempfilename(safeExtension(fdb->getstr(s, 1)));
    if (file.empty() || !writeWholeFile(file, bytes)) {
      storageMessage("Tnotes: cannot write out the file of " + name);
      if (!file.empty()) std::remove(file.c_str());
      continue;
    }
    if (!out.empty()) std::remove(out.c_str());
    out = file;
  }
  fdb->finish(s);
  if (!out.empty()) tempnames.emplace_back(name, out);
  return out;
}

bool Tnotes::setfname(const std::string& name, const std::string& file) {
  Tbytes bytes;
  if (!TosFiles::FileExists(file) || !readWholeFile(file, bytes)) return false;
  if (!ensureFile()) return false;
  const std::string type = TosFileTypes::getEXT(TosFileTypes::getFileType(file));
  return write(name,
               {{"type", TsqlParam::ofText(safeExtension(type))},
                {"date", TsqlParam::ofText(storage_text::sqlTimeStamp())},
                {"file", TsqlParam::ofBytes(&bytes)},
                {"filename", TsqlParam::ofText(file)}},
               {});
}

bool Tnotes::add(const std::string& file) {
  const std::string key = TosFiles::ExtractFileName(file);
  const bool stored = setfname(key, file);
  if (fsysnames.indexOf(key) < 0) addKey(fusernames, key);
  return stored;
}

bool Tnotes::addAsLink(const std::string& file) {
  const std::string key = TosFiles::ExtractFileName(file);
  const bool stored = setLink(key, file);
  if (fsysnames.indexOf(key) < 0) addKey(fusernames, key);
  return stored;
}

std::string Tnotes::link(const std::string& name) { return isLink(name) ? field(name, "filename") : std::string(); }

bool Tnotes::setLink(const std::string& name, const std::string& file) {
  if (!TosFiles::FileExists(file) || !ensureFile()) return false;
  return write(name, {{"type", TsqlParam::ofText("link")}, {"filename", TsqlParam::ofText(file)}}, {});
}

std::string Tnotes::originalFilename(const std::string& name) { return field(name, "filename"); }

bool Tnotes::isLink(const std::string& name) { return field(name, "type") == "link"; }

bool Tnotes::deleteKey(const std::string& name) {
  if (fdatabase.empty()) return false;
  const bool found = exists(name);
  if (found && fdb->Delete(kTable, TwhereClause::equals("name", name))) {
    removeKey(fusernames, name);
    removeKey(fsysnames, name);
  }
  fchanged = true;
  return found;
}

void Tnotes::deleteAll() {
  if (fdatabase.empty()) return;
  fdb->Delete(kTable, TwhereClause());
  fusernames.clear();
  fsysnames.clear();
  dropWrittenOut();
  fchanged = true;
}

bool Tnotes::rename(const std::string& oldname, const std::string& newname) {
  if (newname.empty() || fdatabase.empty() || !exists(oldname) || exists(newname)) return false;
  if (!fdb->ExecParams("UPDATE notes SET name = ? WHERE name = ?", {TsqlParam::ofText(newname), TsqlParam::ofText(oldname)}))
    return false;
  TStringList& list = removeKey(fusernames, oldname) ? fusernames : fsysnames;
  removeKey(list, oldname);
  addKey(list, newname);
  for (auto& [key, file] : tempnames)
    if (key == oldname) key = newname;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Notes values

bool TliteDB::getColumnNotes(const std::string& table, const std::string& colName, const TwhereClause& where,
                             Tnotes& notes) {
  Tbytes mem;
  if (!getColumnBlob(table, colName, where, mem) || mem.size() < kFewestNotesBytes) return false;
  return notes.LoadFromMem(mem);
}

bool TliteDB::setColumnNotes(const std::string& table, const std::string& colName, const TwhereClause& where,
                             Tnotes& notes) {
  if (notes.database().empty()) return false;
  notes.db().vacuum();
  Tbytes mem;
  if (!readWholeFile(notes.database(), mem)) {
    RaiseError("cannot read the notes file " + notes.database(), "");
    return false;
  }
  return setColumnBlob(table, colName, where, &mem);
}

bool TLiteColumn::readNotes(Tnotes& value) {
  value.clear();
  std::string file;
  if (!openFile(file, "Qynotes")) return false;
  if (value.setdata(file)) return true;
  std::remove(file.c_str());
  return false;
}

void TLiteColumn::writeNotes(Tnotes& value) {
  if (!value.database().empty() && value.count() > 0) {
    storeFile(value.database());
  } else {
    ftoNull = true;
    used = true;
  }
}

bool TliteRead::getColumnNotes(const std::string& colname, const std::string& wherestr, Tnotes& notes) {
  const Tbytes* mem = getColumnMem(colname, wherestr);
  return mem && mem->size() >= kFewestNotesBytes && notes.LoadFromMem(*mem);
}
