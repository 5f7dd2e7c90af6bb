// TliteRead: the table cursor. Standing conditions and the caller's condition are each put in
// parentheses before they are joined with AND, so an OR in either cannot change the other.
// Row numbers index `idList` (the ROWIDs in cursor order); a number outside it reads nothing.
#include <algorithm>
#include <cstring>

#include "core/r_log.h"
#include "platform/files.h"
#include "platform/text.h"
#include "storage/r_sqlite.h"
#include "storage/storage_text.h"

namespace {
std::string trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

int64_t toInt64(const std::string& s) {
  try {
    size_t used = 0;
    long long v = std::stoll(trimmed(s), &used);
    return used == trimmed(s).size() ? int64_t(v) : 0;
  } catch (...) {
    return 0;
  }
}

// A real as text that reads back to the same number.
std::string fullDouble(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// A name from a column list without its enclosing backquotes, then single quotes.
std::string bareName(std::string n) {
  n = trimmed(n);
  for (char q : {'`', '\''})
    while (n.size() >= 2 && n.front() == q && n.back() == q) n = n.substr(1, n.size() - 2);
  return n;
}

std::vector<std::string> splitList(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t end = s.find(',', start);
    out.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

// "LIKE ''" reads as "= ''", ignoring case, as the cursor's callers write empty tests.
std::string likeEmpty(std::string s) {
  std::string lower = lowerAscii(s);
  for (size_t at = lower.find("like ''"); at != std::string::npos; at = lower.find("like ''", at + 4)) {
    s.replace(at, 7, "=    ''");
    lower.replace(at, 7, "=    ''");
  }
  return s;
}
}  // namespace

TliteRead::TliteRead(TliteDB* database, const std::string& tablename) : dummycol(std::make_unique<TLiteColumn>()) {
  db = database;
  dummycol->lr = nullptr;
  dummycol->startIndex = -1;
  refresh(tablename);
}

TliteRead::~TliteRead() { finishRead(); }

std::string TliteRead::table() const {
  size_t dot = fname.find(".'");
  if (dot == std::string::npos) return sqlIdent(fname);
  std::string t = fname.substr(dot + 1);
  if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') t = t.substr(1, t.size() - 2);
  return sqlIdent(fname.substr(0, dot)) + "." + sqlIdent(t);
}

void TliteRead::refresh(const std::string& tablename) {
  finishRead();
  fcols.clear();
  fstartcols.clear();
  idList.clear();
  tableexists = false;
  fname = tablename;
  if (!db || tablename.empty()) return;
  bool attached = tablename.find(".'") != std::string::npos;
  if (!attached && !db->tableExists(tablename)) return;
  sqlite3_stmt* s = db->start("SELECT * FROM " + table() + " WHERE ROWID = -1");
  if (!s) return;
  const int n = db->ColumnCount(s);
  for (int i = 0; i < n; ++i) {
    auto c = std::make_unique<TLiteColumn>();
    c->lr = this;
    c->colnameIndex = i;
    c->startIndex = -1;
    c->index = fwithrowid ? i + 1 : i;
    c->name = db->ColumnName(s, i);
    c->ftType = db->ColumnType(s, i);
    fcols.push_back(std::move(c));
  }
  db->finish(s);
  // The integer primary key is the one key column declared INTEGER, whatever its quoting.
  if (!attached) {
    sqlite3_stmt* k = db->start("SELECT name, upper(type) FROM pragma_table_info(?) WHERE pk > 0",
                                {TsqlParam::ofText(tablename)});
    std::vector<std::pair<std::string, std::string>> keys;
    while (k && db->getnext(k)) keys.emplace_back(db->getstr(k, 0), db->getstr(k, 1));
    db->finish(k);
    if (keys.size() == 1 && keys[0].second == "INTEGER")
      if (int i = indexOf(keys[0].first); i >= 0) fcols[size_t(i)]->primary = true;
  }
  tableexists = !fcols.empty();
}

void TliteRead::setWithRowID(bool value) {
  if (value == fwithrowid) return;
  fwithrowid = value;
  for (auto& c : fcols) c->index += value ? 1 : -1;
}

int TliteRead::indexOf(const std::string& name) const {
  std::string n = lowerAscii(name);
  for (size_t i = 0; i < fcols.size(); ++i)
    if (lowerAscii(fcols[i]->name) == n) return int(i);
  return -1;
}

TLiteColumn& TliteRead::getItem(int index) {
  if (index < 0 || index >= columnCount()) return *dummycol;
  TLiteColumn& c = *fcols[size_t(index)];
  if (fpartial) {
    auto it = std::find(fstartcols.begin(), fstartcols.end(), &c);
    c.startIndex = it == fstartcols.end() ? -1 : int(it - fstartcols.begin());
  } else {
    c.startIndex = c.index;
  }
  return c;
}

TLiteColumn& TliteRead::getrawItem(int index) {
  if (index < 0 || index >= int(fstartcols.size())) return *dummycol;
  fstartcols[size_t(index)]->startIndex = index;
  return *fstartcols[size_t(index)];
}

TLiteColumn& TliteRead::getnamed(const std::string& name) { return getItem(indexOf(name)); }

int TliteRead::FindOrAddCol(const std::string& name, int ftType, const std::string& Default) {
  if (int i = indexOf(name); i >= 0) return i;
  if (!db || fname.empty()) return -1;
  std::string def = TliteDB::columnDefinition(name, ftType, Default, 0);
  if (!db->ExecSQL("ALTER TABLE " + table() + " ADD COLUMN " + def)) return -1;
  refresh(std::string(fname));
  return indexOf(name);
}

bool TliteRead::DeleteColumn(const std::string& name) {
  if (indexOf(name) < 0 || !db) return false;
  bool ok = db->DeleteColumn(fname, fcols[size_t(indexOf(name))]->name);
  refresh(std::string(fname));
  return ok;
}

std::string TliteRead::getwherestr() const {
  std::string out;
  for (auto const& w : whereList) out += (out.empty() ? "" : " AND ") + ("(" + w + ")");
  return out;
}

void TliteRead::setwherestr(const std::string& value) {
  whereList.clear();
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find('\n', start);
    std::string line = trimmed(value.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!line.empty()) whereList.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

std::string TliteRead::condition(const std::string& wherestr) const {
  std::string standing = getwherestr();
  std::string w = trimmed(wherestr);
  if (standing.empty()) return w;
  if (w.empty()) return standing;
  return standing + " AND (" + w + ")";
}

// ---------------------------------------------------------------- reading

bool TliteRead::StartPartialRead(const std::string& columns, const std::string& wherestr, const std::string& orderby) {
  finishRead();
  fstartcols.clear();
  fpartial = columns.find('*') == std::string::npos;
  std::string list = columns;
  if (fpartial) {
    list.clear();
    for (auto const& n : splitList(columns)) {
      std::string bare = bareName(n);
      int i = indexOf(bare);
      if (i < 0) {
        log("TliteRead " + fname + ": no column " + bare);
        return false;
      }
      fstartcols.push_back(fcols[size_t(i)].get());
      list += (list.empty() ? "" : ",") + (lowerAscii(bare) == "rowid" ? std::string("ROWID") : sqlIdent(fcols[size_t(i)]->name));
    }
  }
  std::string sql = "SELECT " + list + " FROM " + table();
  std::string cond = condition(wherestr);
  if (!cond.empty()) sql += " WHERE " + cond;
  std::string order = trimmed(orderby);
  if (!order.empty()) {
    std::string upper = order;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find(" DESC") == std::string::npos && upper.find(" ASC") == std::string::npos) {
      bool desc = order[0] == '-';
      if (desc) order.erase(0, 1);
      order += " COLLATE NOCASE";
      if (desc) order += " DESC";
    }
    sql += " ORDER BY " + order;
  }
  frow = -1;
  frowcount = 0;
  stmt = db ? db->start(sql) : nullptr;
  if (!stmt) return false;
  db->setState(sql_reading);
  return true;
}

bool TliteRead::StartRead(const std::string& wherestr, const std::string& orderby) {
  return StartPartialRead(fwithrowid ? "ROWID,*" : "*", wherestr, orderby);
}

bool TliteRead::StartRead(const std::string& wherestr) { return StartRead(likeEmpty(wherestr), ""); }

bool TliteRead::nextRow() {
  if (!stmt || !db) return false;
  if (!db->getnext(stmt)) {
    validRead = db->lastGetNext == SQLITE_DONE;
    finishRead();
    return false;
  }
  clearvalues();
  if (fwithrowid && !fpartial) frowid = db->getint(stmt, 0);
  ++frow;
  frowcount = std::max(frowcount, frow + 1);
  if (onNextRow) onNextRow(this);
  return true;
}

void TliteRead::finishRead() {
  if (stmt && db) {
    db->finish(stmt);
    db->setState(sql_none);
  }
  stmt = nullptr;
}

void TliteRead::clearvalues() {
  for (auto& c : fcols) {
    c->used = false;
    c->directMem = nullptr;
    c->fmem.reset();
    c->ftoNull = false;
  }
}

void TliteRead::getvalues(bool withblobs) {
  for (int i = 0; i < columnCount(); ++i) {
    TLiteColumn& c = getItem(i);
    if (genericDataType(c.ftType) == ftBlob && !withblobs) continue;
    c.used = false;
    c.readValue();
    c.used = true;
  }
}

void TliteRead::refreshIDs(const std::string& wherestr, const std::string& orderstr) {
  idList.clear();
  if (!db || !tableexists) return;
  std::string sql = "SELECT ROWID FROM " + table();
  if (!trimmed(wherestr).empty()) sql += " WHERE " + wherestr;
  if (!trimmed(orderstr).empty()) sql += " ORDER BY " + orderstr;
  sqlite3_stmt* s = db->start(sql);
  while (s && db->getnext(s)) idList.push_back(q->Sqlite3_ColumnInt64(s, 0));
  db->finish(s);
  frowcount = int(idList.size());
}

bool TliteRead::rowIdOf(int row, int64_t& id) {
  if (idList.empty()) refreshIDs();
  if (row < 0 || row >= int(idList.size())) return false;
  id = idList[size_t(row)];
  return true;
}

bool TliteRead::gotorow(int row) {
  int64_t id = 0;
  if (!rowIdOf(row, id) || !StartRead("ROWID = " + std::to_string(id), "")) return false;
  nextRow();
  return true;
}

bool TliteRead::gotoLastRow() {
  if (!StartRead("ROWID = (SELECT max(ROWID) FROM " + table() + ")", "")) return false;
  nextRow();
  return true;
}

bool TliteRead::gotoLastRow(const std::string& wherestr) {
  if (!StartRead(wherestr, "ROWID DESC LIMIT 1")) return false;
  nextRow();
  return true;
}

int64_t TliteRead::getLastRowID() {
  if (!db) return -1;
  sqlite3_stmt* s = db->start("SELECT max(ROWID) FROM " + table());
  if (!s) return -1;
  int64_t id = db->getnext(s) ? q->Sqlite3_ColumnInt64(s, 0) : -1;
  db->finish(s);
  return id;
}

const void* TliteRead::gotocolrow(int col, int row, int* size) {
  if (size) *size = 0;
  int64_t id = 0;
  if (col < 0 || col >= columnCount() || !rowIdOf(row, id)) return nullptr;
  finishRead();
  stmt = db->start("SELECT " + sqlIdent(fcols[size_t(col)]->name) + " FROM " + table() + " WHERE ROWID = ?",
                   {TsqlParam::ofInt(id)});
  if (!stmt) return nullptr;
  db->setState(sql_reading);
  if (!db->getnext(stmt)) return nullptr;
  // Bytes as stored: a UTF-16 byte count would turn the blob into text.
  int n = q->Sqlite3_ColumnBytes(stmt, 0);
  if (size) *size = n;
  return n > 0 ? q->Sqlite3_ColumnBlob(stmt, 0) : nullptr;
}

bool TliteRead::getRow(const std::string& wherestr, bool withBlobs) {
  clearvalues();
  if (!StartRead(wherestr)) return false;
  bool got = nextRow();
  if (got) getvalues(withBlobs);
  finishRead();
  return got;
}

bool TliteRead::getRow(int row, bool withBlobs) {
  int64_t id = 0;
  if (row < 0 || row >= int(idList.size())) return false;
  id = idList[size_t(row)];
  bool got = getRow("ROWID = " + std::to_string(id), withBlobs);
  frow = row;
  return got;
}

bool TliteRead::getRow(const std::string& idcol, const std::string& value) {
  int i = indexOf(idcol);
  if (i < 0) return false;
  // The value is bound: read the row id first, then the row by its id.
  sqlite3_stmt* s = db->start("SELECT ROWID FROM " + table() + " WHERE " + sqlIdent(fcols[size_t(i)]->name) +
                                  " = ? LIMIT 1",
                              {genericDataType(fcols[size_t(i)]->ftType) == ftString
                                   ? TsqlParam::ofText(value)
                                   : (genericDataType(fcols[size_t(i)]->ftType) == ftInteger
                                          ? TsqlParam::ofInt(toInt64(value))
                                          : TsqlParam::ofReal(storage_text::strToDouble(value)))});
  bool found = s && db->getnext(s);
  int64_t id = found ? q->Sqlite3_ColumnInt64(s, 0) : 0;
  db->finish(s);
  return found && getRow("ROWID = " + std::to_string(id), true);
}

int TliteRead::getRows(const std::string& idcol, const TStringList& values) {
  int i = indexOf(idcol);
  if (i < 0 || values.empty()) return 0;
  std::string marks;
  TsqlParams params;
  for (int k = 0; k < values.count(); ++k) {
    marks += k ? ",?" : "?";
    params.push_back(TsqlParam::ofText(values[k]));
  }
  std::string sql = "SELECT count(*) FROM " + table() + " WHERE " + sqlIdent(fcols[size_t(i)]->name) + " IN (" + marks + ")";
  std::string cond = getwherestr();
  if (!cond.empty()) sql += " AND " + cond;
  sqlite3_stmt* s = db->start(sql, params);
  int n = s && db->getnext(s) ? db->getint(s, 0) : 0;
  db->finish(s);
  return n;
}

std::string TliteRead::getstr(int col, int row) {
  int64_t id = 0;
  if (col < 0 || col >= columnCount() || !rowIdOf(row, id)) return {};
  sqlite3_stmt* s = db->start("SELECT " + sqlIdent(fcols[size_t(col)]->name) + " FROM " + table() + " WHERE ROWID = ?",
                              {TsqlParam::ofInt(id)});
  std::string out = s && db->getnext(s) ? db->getAsStr(s, fcols[size_t(col)]->ftType, 0) : "";
  db->finish(s);
  return out;
}

bool TliteRead::getNull(int col, int row) {
  int64_t id = 0;
  if (col < 0 || col >= columnCount() || !rowIdOf(row, id)) return true;
  return db->isColumnNull(fname, fcols[size_t(col)]->name, TwhereClause::equals("ROWID", id));
}

bool TliteRead::setNull(int col, int row, bool value) {
  int64_t id = 0;
  if (!value || col < 0 || col >= columnCount() || !rowIdOf(row, id)) return false;
  return db->setColumnNull(fname, fcols[size_t(col)]->name, TwhereClause::equals("ROWID", id));
}

const Tbytes* TliteRead::getmem(int col, int row) {
  int64_t id = 0;
  if (col < 0 || col >= columnCount() || !rowIdOf(row, id)) return nullptr;
  sqlite3_stmt* s = db->start("SELECT " + sqlIdent(fcols[size_t(col)]->name) + " FROM " + table() + " WHERE ROWID = ?",
                              {TsqlParam::ofInt(id)});
  fmem.clear();
  bool got = s && db->getnext(s) && db->getBlob(s, 0, fmem) && !fmem.empty();
  db->finish(s);
  return got ? &fmem : nullptr;
}

bool TliteRead::exists(const std::string& wherestr) {
  if (!db) return false;
  std::string cond = likeEmpty(wherestr);
  sqlite3_stmt* s = db->start("SELECT ROWID FROM " + table() + (trimmed(cond).empty() ? "" : " WHERE " + cond) + " LIMIT 1");
  bool found = s && db->getnext(s);
  db->finish(s);
  return found;
}

int TliteRead::GetRowCount(const std::string& wherestr) {
  int n = count(wherestr);
  return n < 0 ? 0 : n;
}

int TliteRead::count(const std::string& wherestr) {
  if (!db || !tableexists) return -1;
  std::string sql = "SELECT count(*) FROM " + table();
  if (!trimmed(wherestr).empty()) sql += " WHERE " + wherestr;
  sqlite3_stmt* s = db->start(sql);
  int n = s && db->getnext(s) ? db->getint(s, 0) : -1;
  db->finish(s);
  return n;
}

std::string TliteRead::getColumnValue(const std::string& colName, const std::string& wherestr) {
  if (indexOf(colName) < 0) return {};
  return db->getColumnValue(fname, colName, TwhereClause(wherestr));
}

bool TliteRead::setColumnValue(const std::string& colName, const std::string& wherestr, const std::string& value) {
  if (indexOf(colName) < 0) return false;
  return db->setColumnValue(fname, colName, TwhereClause(wherestr), value);
}

int TliteRead::getRowID(const std::string& wherestr) { return db ? db->getRowID(fname, TwhereClause(wherestr)) : -1; }

const Tbytes* TliteRead::getColumnMem(const std::string& colName, const std::string& wherestr) {
  if (indexOf(colName) < 0) return nullptr;
  fmem.clear();
  bool got = db->getColumnBlob(fname, colName, TwhereClause(wherestr), fmem) && !fmem.empty();
  return got ? &fmem : nullptr;
}

void TliteRead::getColumnValues(const std::string& column, const std::string& wherestr, TStringList& list) {
  if (!db) return;
  std::string sql = "SELECT " + (lowerAscii(column) == "rowid" ? std::string("ROWID") : sqlIdent(column)) + " FROM " + table();
  if (!trimmed(wherestr).empty()) sql += " WHERE " + wherestr;
  sqlite3_stmt* s = db->start(sql);
  while (s && db->getnext(s)) list.add(db->getstr(s, 0));
  db->finish(s);
}

std::string TliteRead::getColumnValues(int col, const std::string& wherestr) {
  if (!db || col >= columnCount()) return {};
  bool rowid = col < 0;
  std::string sql = "SELECT " + (rowid ? std::string("ROWID") : sqlIdent(fcols[size_t(col)]->name)) + " FROM " + table();
  if (!trimmed(wherestr).empty()) sql += " WHERE " + wherestr;
  sqlite3_stmt* s = db->start(sql);
  std::string out;
  bool first = true;
  while (s && db->getnext(s)) {
    out += (first ? "" : "\r\n") + (rowid ? std::to_string(q->Sqlite3_ColumnInt64(s, 0)) : db->getAsStr(s, fcols[size_t(col)]->ftType, 0));
    first = false;
  }
  db->finish(s);
  return out;
}

sqlite3_blob* TliteRead::BlobPtr(const std::string& colname, int64_t rowid) {
  if (!db || !db->db()) return nullptr;
  sqlite3_blob* b = nullptr;
  if (q->SQLite3_blob_open(db->db(), "main", fname, colname, rowid, 0, &b) != SQLITE_OK) return nullptr;
  return b;
}

int TliteRead::BlobSize(sqlite3_blob* blobPtr) { return blobPtr ? q->SQLite3_blob_bytes(blobPtr) : 0; }

void TliteRead::CloseBlobPtr(sqlite3_blob*& blobPtr) {
  if (blobPtr) q->SQLite3_blob_close(blobPtr);
  blobPtr = nullptr;
}

// ---------------------------------------------------------------- writing

bool TliteRead::doUpdate(const std::string& wherestr, bool clear) {
  if (!db || !tableexists) return false;
  const bool updating = !trimmed(wherestr).empty();
  std::string targets, marks;
  TsqlParams params;
  for (auto& c : fcols) {
    if (!(c->used || c->directMem || c->ftoNull)) continue;
    targets += (targets.empty() ? "" : ", ") + sqlIdent(c->name) + (updating ? " = ?" : "");
    marks += marks.empty() ? "?" : ", ?";
    if (c->ftoNull) {
      params.push_back(TsqlParam::null());
    } else {
      switch (genericDataType(c->ftType)) {
        case ftInteger: params.push_back(TsqlParam::ofInt(c->fi)); break;
        case ftDouble: params.push_back(TsqlParam::ofReal(c->fd)); break;
        case ftBlob: params.push_back(TsqlParam::ofBytes(c->directMem ? c->directMem : c->fmem.get())); break;
        default: params.push_back(TsqlParam::ofText(c->fs));
      }
    }
  }
  std::string sql;
  if (targets.empty()) {
    if (updating) return true;
    sql = "INSERT INTO " + table() + " DEFAULT VALUES";
  } else if (updating) {
    sql = "UPDATE " + table() + " SET " + targets + " WHERE " + wherestr;
  } else {
    sql = "INSERT INTO " + table() + " ( " + targets + " ) VALUES ( " + marks + " )";
  }
  if (debug) storageMessage(sql);
  bool ok = db->ExecParams(sql, params);
  if (clear) clearvalues();
  return ok;
}

bool TliteRead::update(const std::string& wherestr, bool clear) {
  if (trimmed(wherestr).empty()) return false;
  return doUpdate(wherestr, clear);
}

bool TliteRead::updateOrAdd(const std::string& wherestr) {
  if (!doUpdate(wherestr, false)) return false;
  if (db->lastChanges > 0) {
    clearvalues();
    return true;
  }
  return insertNew(true);
}

bool TliteRead::insertNew(bool clear) { return doUpdate("", clear); }

bool TliteRead::addNewRow() {
  if (!db || !tableexists || !db->ExecSQL("INSERT INTO " + table() + " DEFAULT VALUES")) return false;
  ++frowcount;
  return true;
}

bool TliteRead::Delete(const std::string& where) {
  if (!db || !db->tableExists(fname)) return false;
  bool ok = true;
  if (trimmed(where).empty()) ok = db->ExecSQL("DELETE FROM " + table());
  else if (exists(where)) ok = db->ExecSQL("DELETE FROM " + table() + " WHERE " + where);
  refreshIDs();
  return ok;
}

bool TliteRead::Delete(int row) {
  if (row < 0 || row >= int(idList.size())) return false;
  return Delete("ROWID = " + std::to_string(idList[size_t(row)]));
}

bool TliteRead::Delete(const std::vector<int>& rows) {
  if (rows.empty()) return false;
  std::string ids;
  for (int r : rows) {
    if (r < 0 || r >= int(idList.size())) return false;
    ids += (ids.empty() ? "" : ",") + std::to_string(idList[size_t(r)]);
  }
  return Delete("ROWID IN (" + ids + ")");
}

bool TliteRead::setstr(int col, int row, const std::string& value) {
  int64_t id = 0;
  if (col < 0 || col >= columnCount() || !rowIdOf(row, id)) return false;
  const TLiteColumn& c = *fcols[size_t(col)];
  TsqlParam v;
  switch (genericDataType(c.ftType)) {
    case ftInteger: v = TsqlParam::ofInt(toInt64(value)); break;
    case ftDouble: v = TsqlParam::ofReal(storage_text::strToDouble(value)); break;
    default: v = TsqlParam::ofText(value);
  }
  return db->ExecParams("UPDATE " + table() + " SET " + sqlIdent(c.name) + " = ? WHERE ROWID = ?", {v, TsqlParam::ofInt(id)});
}

bool TliteRead::setmem(int col, int row, const Tbytes* value) {
  int64_t id = 0;
  if (col < 0 || col >= columnCount() || !rowIdOf(row, id)) return false;
  return db->ExecParams("UPDATE " + table() + " SET " + sqlIdent(fcols[size_t(col)]->name) + " = ? WHERE ROWID = ?",
                        {TsqlParam::ofBytes(value), TsqlParam::ofInt(id)});
}

bool TliteRead::setcolumnValues(int col, const std::string& value) {
  if (col < 0 || col >= columnCount()) return false;
  const TLiteColumn& c = *fcols[size_t(col)];
  TsqlParam v = genericDataType(c.ftType) == ftInteger ? TsqlParam::ofInt(toInt64(value))
                : genericDataType(c.ftType) == ftDouble ? TsqlParam::ofReal(storage_text::strToDouble(value))
                                                        : TsqlParam::ofText(value);
  std::string sql = "UPDATE " + table() + " SET " + sqlIdent(c.name) + " = ?";
  if (!whereList.empty()) sql += " WHERE " + getwherestr();
  return db->ExecParams(sql, {v});
}

bool TliteRead::SetItem(const std::string& colname, int ftType, int row, const std::string& value) {
  return setstr(FindOrAddCol(colname, ftType), row, value);
}
bool TliteRead::SetItem(const std::string& colname, int ftType, int row, int32_t value) {
  return setstr(FindOrAddCol(colname, ftType), row, std::to_string(value));
}
bool TliteRead::SetItem(const std::string& colname, int ftType, int row, double value) {
  return setstr(FindOrAddCol(colname, ftType), row, fullDouble(value));
}
bool TliteRead::SetItem(const std::string& colname, int ftType, int row, const Tbytes* value) {
  return setmem(FindOrAddCol(colname, ftType), row, value);
}

std::string TliteRead::copiedColumns() const {
  std::string list;
  for (auto const& c : fcols)
    if (!c->primary) list += (list.empty() ? "" : ", ") + sqlIdent(c->name);
  return list;
}

bool TliteRead::checkedRun(TliteChange& change, const std::string& sql, const TsqlParams& params) {
  if (!change.begun()) return false;
  if (db->ExecParams(sql, params)) return true;
  change.rollback();
  return false;
}

bool TliteRead::copyRows(const std::string& wherestr, const std::string& changestr) {
  if (!db || !tableexists || trimmed(wherestr).empty()) return false;
  std::string list = copiedColumns();
  if (list.empty()) return false;
  int64_t top = getLastRowID();
  TliteChange change(*db);
  if (!checkedRun(change, "INSERT INTO " + table() + " (" + list + ") SELECT " + list + " FROM " + table() + " WHERE " + wherestr))
    return false;
  if (!trimmed(changestr).empty() &&
      !checkedRun(change, "UPDATE " + table() + " SET " + changestr + " WHERE ROWID > ?", {TsqlParam::ofInt(top)}))
    return false;
  return change.commit();
}

bool TliteRead::swapRows(int64_t rowidA, int64_t rowidB) {
  if (!db || !tableexists) return false;
  if (rowidA == rowidB) return exists("ROWID = " + std::to_string(rowidA));
  // Contents exchanged as stored (NULLs, reals, blobs); the integer key stays with its row.
  return db->swapRows(fname, rowidA, rowidB);
}

bool TliteRead::insertNewRow(int64_t rowIdAtInsertionPoint, bool asCopy) {
  if (!db || !tableexists) return false;
  std::vector<int64_t> ids;
  {
    sqlite3_stmt* s = db->start("SELECT ROWID FROM " + table() + " ORDER BY ROWID");
    while (s && db->getnext(s)) ids.push_back(q->Sqlite3_ColumnInt64(s, 0));
    db->finish(s);
  }
  auto at = std::find(ids.begin(), ids.end(), rowIdAtInsertionPoint);
  if (asCopy && at == ids.end()) return false;
  TliteChange change(*db);
  if (!change.begun()) return false;
  int64_t top = ids.empty() ? 0 : ids.back();
  std::string list = copiedColumns();
  bool ok = asCopy ? db->ExecParams("INSERT INTO " + table() + " (" + list + ") SELECT " + list + " FROM " + table() +
                                        " WHERE ROWID = ?",
                                    {TsqlParam::ofInt(rowIdAtInsertionPoint)})
                   : db->ExecSQL("INSERT INTO " + table() + " DEFAULT VALUES");
  if (!ok) return false;
  int64_t fresh = getLastRowID();
  if (fresh <= top) return false;
  // Shift the rows from the insertion point on one place later, the new contents into place:
  // each row takes its predecessor's contents, from the end back.
  if (at != ids.end()) {
    std::vector<int64_t> chain(at, ids.end());
    chain.push_back(fresh);
    for (size_t k = chain.size() - 1; k > 0; --k)
      if (!db->swapRows(fname, chain[k], chain[k - 1])) return false;
  }
  refreshIDs();
  return change.commit();
}

bool TliteRead::importtable(const std::string& tablename, const std::string& wherestr, const std::string& changestr) {
  if (!db || !tableexists) return false;
  TliteRead source(db, tablename);
  if (!source.tableexists) return false;
  int64_t top = getLastRowID();
  // The new columns and the rows are one change: a failed insert takes the columns back too.
  TliteChange change(*db);
  if (!change.begun()) return false;
  const auto undo = [&] {
    change.rollback();
    refresh(std::string(fname));
    return false;
  };
  std::string targets, sources;
  for (int i = 0; i < source.columnCount(); ++i) {
    const TLiteColumn& sc = *source.fcols[size_t(i)];
    if (lowerAscii(sc.name) == "qy_rowid") continue;
    int k = indexOf(sc.name);
    std::string target = sc.name;
    if (k >= 0 && genericDataType(fcols[size_t(k)]->ftType) != genericDataType(sc.ftType)) {
      for (int n = 1;; ++n) {
        target = sc.name + " (" + std::to_string(n) + ")";
        if (indexOf(target) < 0) break;
      }
      k = -1;
    }
    if (k < 0 && FindOrAddCol(target, sc.ftType) < 0) return undo();
    targets += (targets.empty() ? "" : ", ") + sqlIdent(target);
    sources += (sources.empty() ? "" : ", ") + sqlIdent(sc.name);
  }
  if (targets.empty()) return undo();
  std::string sql = "INSERT INTO " + table() + " (" + targets + ") SELECT " + sources + " FROM " + source.table();
  if (!trimmed(wherestr).empty()) sql += " WHERE " + wherestr;
  if (!checkedRun(change, sql)) return undo();
  if (!trimmed(changestr).empty() &&
      !checkedRun(change, "UPDATE " + table() + " SET " + changestr + " WHERE ROWID > ?", {TsqlParam::ofInt(top)}))
    return undo();
  if (change.commit()) return true;
  refresh(std::string(fname));
  return false;
}

bool TliteRead::importtable(const std::string& database, const std::string& tablename, const std::string& wherestr,
                            const std::string& changestr) {
  if (!db || db->inTransaction()) return false;
  if (!db->ExecParams("ATTACH DATABASE ? AS newdb", {TsqlParam::ofText(database)}, false)) return false;
  std::string inner = tablename;
  bool ok = importtable("newdb.'" + inner + "'", wherestr, changestr);
  db->ExecSQL("DETACH newdb", std::vector<const Tbytes*>{}, false);
  return ok;
}

bool TliteRead::SaveAsCSV(const std::string& filename, const std::string& wherestr, const TStringList* columnsWanted) {
  if (!db || !tableexists) return false;
  std::vector<int> cols;
  for (int i = 0; i < columnCount(); ++i) {
    if (genericDataType(fcols[size_t(i)]->ftType) == ftBlob) continue;
    if (columnsWanted) {
      bool wanted = false;
      for (int k = 0; k < columnsWanted->count(); ++k) wanted = wanted || lowerAscii((*columnsWanted)[k]) == lowerAscii(fcols[size_t(i)]->name);
      if (!wanted) continue;
    }
    cols.push_back(i);
  }
  std::string out;
  for (size_t k = 0; k < cols.size(); ++k) {
    if (k) out += ",";
    storage_text::appendCsvField(out, fcols[size_t(cols[k])]->name, true);
  }
  out += "\r\n";
  if (!StartRead(wherestr)) return false;
  while (nextRow()) {
    for (size_t k = 0; k < cols.size(); ++k) {
      TLiteColumn& c = getItem(cols[k]);
      std::string v = c.gets();
      bool text = genericDataType(c.ftType) == ftString;
      if (k) out += ",";
      storage_text::appendCsvField(out, v, text);
    }
    out += "\r\n";
  }
  if (!validRead) return false;  // a read that failed part way writes nothing
  std::string why;
  if (!platform::replaceFileContents(filename, out, &why)) {
    log("TliteRead.SaveAsCSV: cannot write " + filename + ": " + why);
    return false;
  }
  return true;
}
