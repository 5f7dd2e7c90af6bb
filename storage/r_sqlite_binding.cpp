// TsqlBase: the table of entry points (filled from the linked library), the registry of open
// database objects, SQL quoting, the point-list blob codec and the declared column types.
// Point-list blob, little-endian: int32 point size (16), int32 part count, then per part an
// int32 point count and its points as float64 x, float64 y.
#include "storage/r_sqlite.h"

#include <sqlite3.h>

#include <cstring>
#include <fstream>

#include "core/r_log.h"
#include "platform/text.h"

std::unique_ptr<TsqlBase> q;
std::string dllDir;
std::function<void(const std::string&)> storageMessageBox;

void storageMessage(const std::string& text) {
  log("r_sqlite: " + text);
  if (storageMessageBox) storageMessageBox(text);
}

std::string sqlIdent(const std::string& name) {
  std::string out = "`";
  for (char c : name) {
    if (c == '`') out += '`';
    out += c;
  }
  return out + "`";
}

TwhereClause TwhereClause::equals(const std::string& column, const std::string& value) {
  TwhereClause w(sqlIdent(column) + " = ?");
  w.params_.push_back(TsqlParam::ofText(value));
  return w;
}

TwhereClause TwhereClause::equals(const std::string& column, int64_t value) {
  TwhereClause w(sqlIdent(column) + " = ?");
  w.params_.push_back(TsqlParam::ofInt(value));
  return w;
}

TwhereClause TwhereClause::andEquals(const std::string& column, const std::string& value) const {
  TwhereClause w = *this;
  w.sql_ = (sql_.empty() ? std::string() : "(" + sql_ + ") AND ") + sqlIdent(column) + " = ?";
  w.params_.push_back(TsqlParam::ofText(value));
  return w;
}

// ---------------------------------------------------------------------------------------------
// Binding

TsqlBase::TsqlBase(const std::string& dir) {
  dllname = dir.empty() ? std::string("(linked)") : dir + " (linked)";
  bindLinkedLibrary();
}

TsqlBase::~TsqlBase() { a.clear(); }

void TsqlBase::bindLinkedLibrary() {
  e.pOpen = &sqlite3_open_v2;
  e.pClose = &sqlite3_close_v2;  // closes once the last statement is finished
  e.pExec = &sqlite3_exec;
  e.pFree = &sqlite3_free;
  e.pVersion = &sqlite3_libversion;
  e.Perrmsg = &sqlite3_errmsg;
  e.perrcode = &sqlite3_errcode;
  e.plastinsertrowid = &sqlite3_last_insert_rowid;
  e.pinterrupt = &sqlite3_interrupt;
  e.pbusytimeout = &sqlite3_busy_timeout;
  e.pchanges = &sqlite3_changes;
  e.ptotalchanges = &sqlite3_total_changes;
  e.pprepare = &sqlite3_prepare_v2;
  e.pcolcount = &sqlite3_column_count;
  e.pcolname = &sqlite3_column_name;
  e.pcolDeclType = &sqlite3_column_decltype;
  e.pstep = &sqlite3_step;
  e.pdatacount = &sqlite3_data_count;
  e.pcolblob = &sqlite3_column_blob;
  e.pcolbytes = &sqlite3_column_bytes;
  e.pcoldouble = &sqlite3_column_double;
  e.pcolint = &sqlite3_column_int;
  e.pcolText = &sqlite3_column_text;
  e.pcolType = &sqlite3_column_type;
  e.pcolint64 = &sqlite3_column_int64;
  e.pfinalize = &sqlite3_finalize;
  e.preset = &sqlite3_reset;
  e.presetbindings = &sqlite3_clear_bindings;
  e.pbindblob = &sqlite3_bind_blob;
  e.pbindtext = &sqlite3_bind_text;
  e.prelease = &sqlite3_release_memory;
  e.pbindnull = &sqlite3_bind_null;
  e.pbindDbl = &sqlite3_bind_double;
  e.pbindInt = &sqlite3_bind_int;
  e.pbindInt64 = &sqlite3_bind_int64;
  e.pblobopen = &sqlite3_blob_open;
  e.pblobreopen = &sqlite3_blob_reopen;
  e.pblobclose = &sqlite3_blob_close;
  e.pblobbytes = &sqlite3_blob_bytes;
  e.pblobRead = &sqlite3_blob_read;
  e.plimit = &sqlite3_limit;
}

bool TsqlBase::usable() const {
  // Every field of the table is a function pointer of the same size.
  static_assert(sizeof(TsqliteEntries) % sizeof(void (*)()) == 0);
  const auto* p = reinterpret_cast<const unsigned char*>(&e);
  for (size_t off = 0; off < sizeof e; off += sizeof(void (*)())) {
    void (*f)() = nullptr;
    std::memcpy(&f, p + off, sizeof f);
    if (!f) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Wrappers

int TsqlBase::SQLite3_Open(const std::string& dbname, sqlite3** db, int flags) {
  *db = nullptr;
  return e.pOpen ? e.pOpen(dbname.c_str(), db, flags, nullptr) : SQLITE_MISUSE;
}
int TsqlBase::SQLite3_Close(sqlite3* db) { return e.pClose ? e.pClose(db) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_Exec(sqlite3* db, const std::string& sql) {
  if (!e.pExec) return SQLITE_MISUSE;
  char* msg = nullptr;
  int rc = e.pExec(db, sql.c_str(), nullptr, nullptr, &msg);
  if (msg && e.pFree) e.pFree(msg);
  return rc;
}
std::string TsqlBase::SQLite3_Version() { return e.pVersion ? e.pVersion() : ""; }
std::string TsqlBase::SQLite3_ErrMsg(sqlite3* db) {
  const char* m = e.Perrmsg && db ? e.Perrmsg(db) : nullptr;
  return m ? m : "";
}
int TsqlBase::SQLite3_ErrCode(sqlite3* db) { return e.perrcode && db ? e.perrcode(db) : 0; }
int TsqlBase::SQLite3_release_memory(int n) { return e.prelease ? e.prelease(n) : 0; }
int64_t TsqlBase::SQLite3_LastInsertRowID(sqlite3* db) { return e.plastinsertrowid ? e.plastinsertrowid(db) : 0; }
int TsqlBase::SQLite3_BusyTimeout(sqlite3* db, int ms) { return e.pbusytimeout ? e.pbusytimeout(db, ms) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_Changes(sqlite3* db) { return e.pchanges ? e.pchanges(db) : 0; }
int TsqlBase::SQLite3_TotalChanges(sqlite3* db) { return e.ptotalchanges ? e.ptotalchanges(db) : 0; }
int TsqlBase::SQLite3_Prepare(sqlite3* db, const std::string& sql, sqlite3_stmt** stmt) {
  *stmt = nullptr;
  if (!e.pprepare || !db) return SQLITE_MISUSE;
  return e.pprepare(db, sql.c_str(), -1, stmt, nullptr);
}
int TsqlBase::SQLite3_ColumnCount(sqlite3_stmt* s) { return e.pcolcount && s ? e.pcolcount(s) : 0; }
std::string TsqlBase::Sqlite3_ColumnName(sqlite3_stmt* s, int col) {
  const char* n = e.pcolname && s ? e.pcolname(s, col) : nullptr;
  return n ? n : "";
}
std::string TsqlBase::Sqlite3_ColumnDeclType(sqlite3_stmt* s, int col) {
  const char* n = e.pcolDeclType && s ? e.pcolDeclType(s, col) : nullptr;
  return n ? n : "";
}
int TsqlBase::Sqlite3_Step(sqlite3_stmt* s) { return e.pstep && s ? e.pstep(s) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_DataCount(sqlite3_stmt* s) { return e.pdatacount && s ? e.pdatacount(s) : 0; }
const void* TsqlBase::Sqlite3_ColumnBlob(sqlite3_stmt* s, int col) { return e.pcolblob && s ? e.pcolblob(s, col) : nullptr; }
int TsqlBase::Sqlite3_ColumnBytes(sqlite3_stmt* s, int col) { return e.pcolbytes && s ? e.pcolbytes(s, col) : 0; }
double TsqlBase::Sqlite3_ColumnDouble(sqlite3_stmt* s, int col) { return e.pcoldouble && s ? e.pcoldouble(s, col) : 0; }
int TsqlBase::Sqlite3_ColumnInt(sqlite3_stmt* s, int col) { return e.pcolint && s ? e.pcolint(s, col) : 0; }
std::string TsqlBase::Sqlite3_ColumnText(sqlite3_stmt* s, int col) {
  const unsigned char* t = e.pcolText && s ? e.pcolText(s, col) : nullptr;
  if (!t) return "";
  int n = Sqlite3_ColumnBytes(s, col);
  return std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(n > 0 ? n : 0));
}
int TsqlBase::Sqlite3_ColumnType(sqlite3_stmt* s, int col) { return e.pcolType && s ? e.pcolType(s, col) : SQLITE_NULL; }
int64_t TsqlBase::Sqlite3_ColumnInt64(sqlite3_stmt* s, int col) { return e.pcolint64 && s ? e.pcolint64(s, col) : 0; }
int TsqlBase::SQLite3_Finalize(sqlite3_stmt* s) { return e.pfinalize ? e.pfinalize(s) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_Reset(sqlite3_stmt* s) { return e.preset && s ? e.preset(s) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_Clear_Bindings(sqlite3_stmt* s) { return e.presetbindings && s ? e.presetbindings(s) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_BindBlob(sqlite3_stmt* s, int param, const void* data, int bytes) {
  return e.pbindblob && s ? e.pbindblob(s, param, data, bytes, SQLITE_TRANSIENT) : SQLITE_MISUSE;
}
int TsqlBase::SQLite3_BindText(sqlite3_stmt* s, int param, const std::string& text) {
  if (!e.pbindtext || !s) return SQLITE_MISUSE;
  return e.pbindtext(s, param, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}
int TsqlBase::SQLite3_BindNull(sqlite3_stmt* s, int param) { return e.pbindnull && s ? e.pbindnull(s, param) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_Bind_double(sqlite3_stmt* s, int param, double v) { return e.pbindDbl && s ? e.pbindDbl(s, param, v) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_Bind_int(sqlite3_stmt* s, int param, int v) { return e.pbindInt && s ? e.pbindInt(s, param, v) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_Bind_int64(sqlite3_stmt* s, int param, int64_t v) { return e.pbindInt64 && s ? e.pbindInt64(s, param, v) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_blob_open(sqlite3* db, const std::string& dbname, const std::string& table,
                                const std::string& column, int64_t rowid, int flags, sqlite3_blob** blob) {
  *blob = nullptr;
  if (!e.pblobopen || !db) return SQLITE_MISUSE;
  return e.pblobopen(db, dbname.c_str(), table.c_str(), column.c_str(), rowid, flags, blob);
}
int TsqlBase::SQLite3_blob_reopen(sqlite3_blob* b, int64_t rowid) { return e.pblobreopen && b ? e.pblobreopen(b, rowid) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_blob_close(sqlite3_blob* b) { return e.pblobclose ? e.pblobclose(b) : SQLITE_MISUSE; }
int TsqlBase::SQLite3_blob_bytes(sqlite3_blob* b) { return e.pblobbytes && b ? e.pblobbytes(b) : 0; }
int TsqlBase::SQLite3_blob_read(sqlite3_blob* b, void* buf, int size, int offset) {
  return e.pblobRead && b ? e.pblobRead(b, buf, size, offset) : SQLITE_MISUSE;
}

int TsqlBase::SQLite3_Limit(sqlite3* db, int kind, int newValue) {
  return e.plimit && db ? e.plimit(db, kind, newValue) : 0;
}

// ---------------------------------------------------------------------------------------------
// Services

std::string TsqlBase::errorMessage(int code) {
  static const char* const kTexts[] = {
      "Successful result", "SQL error or missing database", "An internal logic error in SQLite",
      "Access permission denied", "Callback routine requested an abort", "The database file is locked",
      "A table in the database is locked", "A malloc() failed", "Attempt to write a readonly database",
      "Operation terminated by sqlite3_interrupt()", "Some kind of disk I/O error occurred",
      "The database disk image is malformed", "(Internal Only) Table or record not found",
      "Insertion failed because database is full", "Unable to open the database file",
      "Database lock protocol error", "Database is empty", "The database schema changed",
      "Too much data for one row of a table", "Abort due to contraint violation", "Data type mismatch",
      "Library used incorrectly", "Uses OS features not supported on host", "Authorization denied",
      "Auxiliary database format error", "2nd parameter to sqlite3_bind out of range",
      "File opened that is not a database file"};
  if (code >= 0 && code <= 26) return kTexts[code];
  if (code == 100) return "sqlite3_step() has another row ready";
  if (code == 101) return "sqlite3_step() has finished executing";
  return "Unknown SQLite Error Code \"" + std::to_string(code) + "\"";
}

std::string TsqlBase::k(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out;
}

std::string TsqlBase::q(const std::string& s) { return "'" + k(s) + "'"; }

std::string TsqlBase::dequote(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    out += s[i];
    if (s[i] == '\'' && i + 1 < s.size() && s[i + 1] == '\'') ++i;
  }
  return out;
}

bool TsqlBase::isSQLite(const std::string& filename) {
  std::ifstream f(filename, std::ios::binary);
  if (!f) return false;
  char head[6] = {};
  f.read(head, 6);
  return f.gcount() == 6 && std::memcmp(head, "SQLite", 6) == 0;
}

void TsqlBase::add(TliteDB* db) { a.push_back(db); }

void TsqlBase::remove(TliteDB* db) {
  for (auto it = a.begin(); it != a.end(); ++it)
    if (*it == db) {
      a.erase(it);
      return;
    }
}

TliteDB* TsqlBase::find(const std::string& filename) const {
  const std::string low = platform::lowerCase(filename);
  for (TliteDB* db : a)
    if (platform::lowerCase(db->database()) == low) return db;
  return nullptr;
}

bool TsqlBase::copyfile(const std::string& source, const std::string& target) {
  if (platform::lowerCase(source) == platform::lowerCase(target)) return true;
  std::vector<TliteDB*> noted;
  const std::string low = platform::lowerCase(target);
  for (TliteDB* db : a)
    if (platform::lowerCase(db->database()) == low) noted.push_back(db);
  for (TliteDB* db : noted) db->close();
  // Copied over the target in place: a failed copy leaves the old target, not nothing.
  const bool ok = os && os->copyfile(source, target);
  if (!ok) storageMessage("copy file failed: " + source + " -> " + target);
  for (TliteDB* db : noted) db->setfile(target);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Point-list blob

namespace {
constexpr int32_t kPointSize = 16;  // one xyrec: two float64

void putI32(Tbytes& m, size_t& at, int32_t v) {
  std::memcpy(m.data() + at, &v, 4);
  at += 4;
}
}  // namespace

void TsqlBase::XYtoMem(const TpolyXyValues& xy, Tbytes& mem) {
  size_t size = 8;
  for (const auto& part : xy) size += 4 + 16 * part.size();
  mem.assign(size, 0);
  size_t at = 0;
  putI32(mem, at, kPointSize);
  putI32(mem, at, static_cast<int32_t>(xy.size()));
  for (const auto& part : xy) {
    putI32(mem, at, static_cast<int32_t>(part.size()));
    for (const xyrec& p : part) {
      std::memcpy(mem.data() + at, &p.x, 8);
      std::memcpy(mem.data() + at + 8, &p.y, 8);
      at += 16;
    }
  }
}

bool TsqlBase::MemToXY(const Tbytes* mem, TpolyXyValues& xy) {
  if (!mem) return false;
  return MemToXY(mem->data(), mem->size(), xy);
}

bool TsqlBase::MemToXY(const void* bytes, size_t size, TpolyXyValues& xy) {
  // The blob is checked whole before the list is touched: a point size other than 16, a
  // negative count or counts that run past the end refuse it.
  if (!bytes || size <= 8) return false;
  const auto* b = static_cast<const uint8_t*>(bytes);
  auto i32 = [&](size_t at) {
    int32_t v;
    std::memcpy(&v, b + at, 4);
    return v;
  };
  if (i32(0) != kPointSize) return false;
  const int32_t n = i32(4);
  if (n < 0) return false;
  size_t at = 8;
  for (int32_t p = 0; p < n; ++p) {
    if (size - at < 4) return false;
    const int32_t m = i32(at);
    at += 4;
    if (m < 0 || static_cast<uint64_t>(m) * 16 > size - at) return false;
    at += static_cast<size_t>(m) * 16;
  }
  TpolyXyValues out(static_cast<size_t>(n));
  at = 8;
  size_t lastCount = 0;
  for (auto& part : out) {
    const auto m = static_cast<size_t>(i32(at));
    at += 4;
    part.resize(m);
    for (auto& pt : part) {
      std::memcpy(&pt.x, b + at, 8);
      std::memcpy(&pt.y, b + at + 8, 8);
      at += 16;
    }
    lastCount = m;
  }
  if (n == 0) return false;
  xy = std::move(out);
  return lastCount > 0;
}

bool TsqlBase::MemToXY(sqlite3_blob* blob, TpolyXyValues& xy) {
  const int size = SQLite3_blob_bytes(blob);
  if (size <= 8) return false;
  Tbytes all(static_cast<size_t>(size));
  if (SQLite3_blob_read(blob, all.data(), size, 0) != SQLITE_OK) return false;
  TpolyXyValues out;
  bool lastHasPoints = MemToXY(all.data(), all.size(), out);
  if (out.empty()) return false;  // refused, or no parts
  xy = std::move(out);
  (void)lastHasPoints;
  return true;
}
