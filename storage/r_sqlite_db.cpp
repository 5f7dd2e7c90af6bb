// TliteDB: opening and closing, transactions, running SQL with bound parameters, the statement
// cursor and the typed getters of a row, and the declared column types of result columns.
// Invariants: (1) fvalid implies fDB and a non-empty fname; (2) inTrans implies fDB;
// (3) every handle in live_ is an unfinished statement of this object.
#include <sqlite3.h>

#include "storage/r_sqlite.h"

#include <sys/stat.h>

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/text.h"
#include "storage/storage_text.h"

namespace {
constexpr int kBusyTimeoutMs = 2000;  // the library waits this long on a locked file per step
constexpr int kStepRetries = 3;       // further tries of a step that stays busy or locked
constexpr int kCloseTries = 20;       // closing tries, 20 ms apart

std::string upper(const std::string& s) { return platform::upperCase(s); }
bool contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }
}  // namespace

// ---------------------------------------------------------------------------------------------
// Life

TliteDB::TliteDB() {
  if (!q) q = std::make_unique<TsqlBase>(dllDir);
  q->add(this);
}

TliteDB::~TliteDB() {
  if (!q) return;  // the binding is gone at the very end of the process: nothing is open
  close();
  q->remove(this);
}

void TliteDB::checkInvariants() const {
  assert((!fvalid || (fDB && !fname.empty())) && "(1) a valid database has a connection and a name");
  assert((!inTrans || fDB) && "(2) a transaction needs a connection");
  assert((fDB || live_.empty()) && "(3) statements live only on an open connection");
}

std::unique_ptr<TliteDB> TliteDB::create() { return std::make_unique<TliteDB>(); }

std::unique_ptr<TliteDB> TliteDB::createForWriting() {
  auto db = std::make_unique<TliteDB>();
  db->forWriting = true;
  return db;
}

std::unique_ptr<TliteDB> TliteDB::createReadOnly() {
  auto db = std::make_unique<TliteDB>();
  db->access = Access::ReadOnly;
  return db;
}

bool TliteDB::inDataFolder(const std::string& file) const {
  if (!os || os->basedir().empty()) return false;
  std::error_code ec;
  std::string folder = std::filesystem::absolute(file, ec).parent_path().string() + "/";
  const std::string& base = os->basedir();
  return !ec && folder.compare(0, base.size(), base) == 0;
}

bool TliteDB::failOpen(const std::string& message) {
  ffailedToOpen = true;
  fvalid = false;
  fname.clear();
  lastError = message;
  log("setfile: " + message);
  if (!suppressErrorMessages) {
    if (onError) {
      errorStr.clear();
      onError(this);
    } else {
      storageMessage(message);
    }
  }
  return false;
}

// Opening: a read-only file (the data folder, or `access` ReadOnly) is never created; a file
// the library cannot read as a database fails here, not at the caller's first query.
// Steps: a open, b PRAGMAs, c encoding, e table list.
bool TliteDB::setfile(const std::string& value) {
  TprocScope proc(*this, "setfile");
  close();
  fname.clear();
  fvalid = false;
  ffailedToOpen = false;
  if (value.empty()) return false;
  seterr("a");
  if (!q->usable()) return failOpen("SQLite library unusable: cannot open " + value);
  struct stat st {};
  const bool present = stat(value.c_str(), &st) == 0;
  lastUpdate = present ? r_fileBase::FileLastModified(value) : 0;
  // Only a writer made for writing (the data builder) may change the data folder.
  const bool readOnly = access == Access::ReadOnly || (!forWriting && inDataFolder(value));
  if (readOnly && !present) return failOpen("database not found: " + value);
  const int flags = readOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  int rc = q->SQLite3_Open(value, &fDB, flags);
  if (rc != SQLITE_OK) {
    std::string lib = q->SQLite3_ErrMsg(fDB);
    if (fDB) q->SQLite3_Close(fDB);
    fDB = nullptr;
    return failOpen("cannot open database " + value + ": " + errorMessage(rc) + (lib.empty() ? "" : " (" + lib + ")"));
  }
  fname = value;
  std::string step;
  if (!openingSteps(step)) {
    std::string lib = q->SQLite3_ErrMsg(fDB);
    close();
    return failOpen("failed to prepare " + value + "\n" + step + (lib.empty() ? "" : ": " + lib));
  }
  fvalid = true;
  checkInvariants();
  return true;
}

std::string TliteDB::errorMessage(int code) { return TsqlBase::errorMessage(code); }

bool TliteDB::openingSteps(std::string& step) {
  step = "b";
  q->SQLite3_BusyTimeout(fDB, kBusyTimeoutMs);
  if (q->SQLite3_Exec(fDB, "PRAGMA synchronous=OFF") != SQLITE_OK) return false;
  if (forWriting && access == Access::ReadWrite) {
    // Speed over durability for bulk writers; results are not essential.
    q->SQLite3_Exec(fDB, "PRAGMA journal_mode=MEMORY");
    q->SQLite3_Exec(fDB, "PRAGMA temp_store=MEMORY");
    q->SQLite3_Exec(fDB, "PRAGMA cache_size = 100000");
  }
  step = "c";  // the first read of the file: a file that is no database fails here
  sqlite3_stmt* s = nullptr;
  if (q->SQLite3_Prepare(fDB, "PRAGMA encoding;", &s) != SQLITE_OK || !s) return false;
  int rc = q->Sqlite3_Step(s);
  encoding = rc == SQLITE_ROW ? q->Sqlite3_ColumnText(s, 0) : "";
  q->SQLite3_Finalize(s);
  if (rc != SQLITE_ROW) return false;
  step = "d";
  f8 = encoding == "UTF-8";
  step = "e";
  if (q->SQLite3_Prepare(fDB, "SELECT tbl_name FROM sqlite_master WHERE type = 'table'", &s) != SQLITE_OK || !s)
    return false;
  ftables.clear();
  while ((rc = q->Sqlite3_Step(s)) == SQLITE_ROW) ftables.add(q->Sqlite3_ColumnText(s, 0));
  q->SQLite3_Finalize(s);
  if (rc != SQLITE_DONE) return false;
  ftables.sort();
  step = "f";
  return true;
}

void TliteDB::close() {
  TprocScope proc(*this, "close");
  seterr("a");
  // Statements still out are finished here; their handles are dead from now on.
  for (auto& [stmt, sql] : live_) q->SQLite3_Finalize(stmt);
  live_.clear();
  lastReadStmt = nullptr;
  fstate = sql_none;
  seterr("b");
  if (inTrans) endUpdate();
  seterr("c");
  if (fDB) {
    int rc = SQLITE_OK;
    for (int i = 0; i < kCloseTries; ++i) {
      rc = q->SQLite3_Close(fDB);
      if (rc == SQLITE_OK) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (rc != SQLITE_OK) log("close fail: " + fname);
  }
  fDB = nullptr;
  fvalid = false;  // the name stays, for `reload`
  inTrans = false;
  ftables.clear();
  checkInvariants();
}

platform::TDateTime TliteDB::lastModified() const { return fname.empty() ? 0 : r_fileBase::FileDateTime(fname); }

bool TliteDB::saveAs(const std::string& filename) {
  vacuum();
  if (platform::lowerCase(filename) == platform::lowerCase(fname)) return true;
  return q->copyfile(fname, filename);
}

std::string TliteDB::integrityCheck() {
  std::string out;
  sqlite3_stmt* s = start("PRAGMA integrity_check");
  while (s && getnext(s)) out += (out.empty() ? "" : "\n") + getstr(s, 0);
  finish(s);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Errors

void TliteDB::RaiseError(const std::string& s, const std::string& sql) {
  std::string lib = fDB && q->SQLite3_ErrCode(fDB) != 0 ? q->SQLite3_ErrMsg(fDB) : "";
  lastError = "Error raised: " + s + ": " + lib + "\n" + sql;
  if (suppressErrorMessages) return;
  log(lastError);
  if (onError) {
    errorStr = sql;
    onError(this);
  } else {
    storageMessage(lastError);
  }
}

// ---------------------------------------------------------------------------------------------
// Running SQL

bool TliteDB::alive(sqlite3_stmt* stmt) const {
  if (!stmt) return false;
  return std::any_of(live_.begin(), live_.end(), [&](auto& p) { return p.first == stmt; });
}

std::string TliteDB::sqlOf(sqlite3_stmt* stmt) const {
  for (auto& p : live_)
    if (p.first == stmt) return p.second;
  return "";
}

bool TliteDB::bindParams(sqlite3_stmt* stmt, const TsqlParams& params, const std::string& sql) {
  bool ok = true;
  for (size_t i = 0; i < params.size(); ++i) {
    const TsqlParam& p = params[i];
    const int n = static_cast<int>(i) + 1;
    int rc;
    switch (p.kind) {
      case TsqlParam::Kind::Text: rc = q->SQLite3_BindText(stmt, n, p.text); break;
      case TsqlParam::Kind::Blob: {
        // A null pointer would bind NULL: an empty blob is bound from a valid address.
        static const uint8_t none = 0;
        const void* data = p.blob->empty() ? &none : p.blob->data();
        rc = q->SQLite3_BindBlob(stmt, n, data, static_cast<int>(p.blob->size()));
        break;
      }
      case TsqlParam::Kind::Integer: rc = q->SQLite3_Bind_int64(stmt, n, p.i); break;
      case TsqlParam::Kind::Real: rc = q->SQLite3_Bind_double(stmt, n, p.d); break;
      default: rc = q->SQLite3_BindNull(stmt, n);
    }
    if (rc != SQLITE_OK) {
      RaiseError("Error binding blobs to database\nError: " + errorMessage(rc) + "\nFile: " + fname, sql);
      ok = false;
    }
  }
  return ok;
}

sqlite3_stmt* TliteDB::start(const std::string& s, const TsqlParams& params) {
  TprocScope proc(*this, "start");
  seterr("a");
  sqlite3_stmt* stmt = nullptr;
  int rc = fDB ? q->SQLite3_Prepare(fDB, s, &stmt) : SQLITE_MISUSE;
  seterr("b");
  if (rc != SQLITE_OK) {
    if (stmt) q->SQLite3_Finalize(stmt);
    RaiseError("Error starting SQL\nError: " + errorMessage(rc) + "\nFile: " + fname, s);
    return nullptr;
  }
  if (!stmt) {
    RaiseError("Could not prepare SQL statement", s);
    return nullptr;
  }
  seterr("c");
  if (!bindParams(stmt, params, s)) {
    q->SQLite3_Finalize(stmt);
    return nullptr;
  }
  live_.emplace_back(stmt, s);
  lastReadStmt = stmt;
  return stmt;
}

bool TliteDB::getnext(sqlite3_stmt* stmt) {
  if (!alive(stmt)) {
    lastGetNext = SQLITE_MISUSE;
    return false;
  }
  int rc = q->Sqlite3_Step(stmt);
  for (int i = 0; i < kStepRetries && (rc == SQLITE_BUSY || rc == SQLITE_LOCKED); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    rc = q->Sqlite3_Step(stmt);
  }
  lastGetNext = rc;
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE)
    RaiseError("Error reading rows\nError: " + errorMessage(rc) + "\nFile: " + fname, sqlOf(stmt));
  return false;
}

void TliteDB::finish(sqlite3_stmt*& stmt) {
  if (stmt) {
    auto it = std::find_if(live_.begin(), live_.end(), [&](auto& p) { return p.first == stmt; });
    if (it != live_.end()) {
      q->SQLite3_Finalize(stmt);
      live_.erase(it);
    }
    if (lastReadStmt == stmt) lastReadStmt = nullptr;
  }
  stmt = nullptr;
}

bool TliteDB::reset(sqlite3_stmt* stmt) { return alive(stmt) && q->SQLite3_Reset(stmt) == SQLITE_OK; }

int TliteDB::ColumnCount(sqlite3_stmt* stmt) { return alive(stmt) ? q->SQLite3_ColumnCount(stmt) : 0; }

std::string TliteDB::ColumnName(sqlite3_stmt* stmt, int col) {
  return alive(stmt) ? q->Sqlite3_ColumnName(stmt, col) : "";
}

void TliteDB::RawExecSQL(const std::string& sql) {
  sqlite3_stmt* s = start(sql);
  if (s) q->Sqlite3_Step(s);
  finish(s);
}

std::string TliteDB::getstr(const std::string& sql, const TsqlParams& params) {
  sqlite3_stmt* s = start(sql, params);
  std::string out = s && getnext(s) ? getstr(s, 0) : "";
  finish(s);
  return out;
}

bool TliteDB::ExecSQL(const std::string& sql) { return ExecParams(sql, {}, true); }

bool TliteDB::ExecSQL(const std::string& sql, const Tbytes* blob) {
  return ExecSQL(sql, std::vector<const Tbytes*>{blob}, true);
}

bool TliteDB::ExecSQL(const std::string& sql, const std::vector<const Tbytes*>& blobs, bool asUpdate) {
  if (!blobs.empty() && sql.find('?') == std::string::npos)
    RaiseError("SQL must include a ? parameter\nFile: " + fname, sql);
  TsqlParams params;
  for (const Tbytes* b : blobs) params.push_back(TsqlParam::ofBlob(b));
  return ExecParams(sql, params, asUpdate);
}

// Runs one statement, in its own transaction when asked and none is open. A statement whose
// parameters cannot all be bound is not run; a failed statement in its own transaction is
// rolled back. Steps: a begin, b prepare and bind, c step, d commit.
bool TliteDB::ExecParams(const std::string& sql, const TsqlParams& params, bool asUpdate) {
  TprocScope proc(*this, "ExecSQL");
  lastquery = sql;
  seterr("a");
  const bool own = asUpdate && !inTrans && fDB;
  if (own && !beginUpdate()) return false;
  seterr("b");
  sqlite3_stmt* stmt = start(sql, params);
  bool ok = false;
  if (stmt) {
    seterr("c");
    int rc = q->Sqlite3_Step(stmt);
    ok = rc == SQLITE_DONE;
    lastChanges = ok ? q->SQLite3_Changes(fDB) : 0;
    if (!ok) RaiseError("Error executing SQL statement\nError: " + errorMessage(rc) + "\nFile: " + fname, sql);
    finish(stmt);
  }
  seterr("d");
  if (own) {
    if (ok) ok = endUpdate();
    else rollbackUpdate();
  }
  return ok;
}

bool TliteDB::validSQL(const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  bool ok = fDB && q->SQLite3_Prepare(fDB, sql, &s) == SQLITE_OK && s;
  if (s) q->SQLite3_Finalize(s);
  return ok;
}

bool TliteDB::beginUpdate() {
  if (inTrans) {
    RaiseError("Transaction already open", "Last query: " + lastquery);
    return false;
  }
  int rc = fDB ? q->SQLite3_Exec(fDB, "BEGIN") : SQLITE_MISUSE;
  if (rc != SQLITE_OK) {
    RaiseError("Could not begin a transaction\nError: " + errorMessage(rc) + "\nFile: " + fname, "BEGIN");
    return false;
  }
  inTrans = true;
  fstate = sql_intransaction;
  return true;
}

bool TliteDB::endUpdate() {
  if (!inTrans) {
    fstate = sql_none;
    return true;
  }
  int rc = fDB ? q->SQLite3_Exec(fDB, "COMMIT") : SQLITE_MISUSE;
  if (rc != SQLITE_OK) {
    RaiseError("Could not commit the transaction; it is rolled back\nError: " + errorMessage(rc) +
                   "\nFile: " + fname,
               "COMMIT");
    rollbackUpdate();
    return false;
  }
  inTrans = false;
  fstate = sql_none;
  lastUpdate = platform::nowLocal();
  return true;
}

void TliteDB::rollbackUpdate() {
  if (inTrans && fDB) q->SQLite3_Exec(fDB, "ROLLBACK");
  inTrans = false;
  fstate = sql_none;
}

namespace {
// A savepoint's name as an identifier of letters, digits and underscores only.
bool plainName(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}
}  // namespace

bool TliteDB::savepoint(const std::string& name) {
  return plainName(name) && ExecParams("SAVEPOINT " + name, {}, false);
}

bool TliteDB::release(const std::string& name) { return plainName(name) && ExecParams("RELEASE " + name, {}, false); }

bool TliteDB::rollbackTo(const std::string& name) {
  if (!plainName(name)) return false;
  // Both run even when the first fails, so the savepoint never stays behind.
  const bool back = fDB && q->SQLite3_Exec(fDB, "ROLLBACK TO " + name) == SQLITE_OK;
  const bool gone = fDB && q->SQLite3_Exec(fDB, "RELEASE " + name) == SQLITE_OK;
  return back && gone;
}

// ---------------------------------------------------------------------------------------------
// A change of several steps

int TliteDB::columnLimit() const { return q && fDB ? q->SQLite3_Limit(fDB, SQLITE_LIMIT_COLUMN, -1) : 0; }

TliteChange::TliteChange(TliteDB& db) : db_(db) {
  static int serial = 0;
  if (db_.inTransaction()) {
    savepoint_ = "kestrova_change_" + std::to_string(++serial);
    begun_ = db_.savepoint(savepoint_);
  } else {
    begun_ = db_.beginUpdate();
  }
}

TliteChange::~TliteChange() { rollback(); }

bool TliteChange::commit() {
  if (!begun_ || done_) return false;
  done_ = true;
  if (savepoint_.empty()) return db_.endUpdate();
  if (db_.release(savepoint_)) return true;
  db_.rollbackTo(savepoint_);
  return false;
}

void TliteChange::rollback() {
  if (!begun_ || done_) return;
  done_ = true;
  if (savepoint_.empty()) db_.rollback();
  else db_.rollbackTo(savepoint_);
}

// ---------------------------------------------------------------------------------------------
// Getters

std::string TliteDB::getstr(sqlite3_stmt* stmt, int col) {
  return alive(stmt) ? q->Sqlite3_ColumnText(stmt, col) : "";
}

int32_t TliteDB::getint(sqlite3_stmt* stmt, int col) {
  if (!alive(stmt)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(q->Sqlite3_ColumnInt64(stmt, col))));
}

double TliteDB::getdouble(sqlite3_stmt* stmt, int col) {
  return alive(stmt) ? q->Sqlite3_ColumnDouble(stmt, col) : 0;
}

bool TliteDB::getBlob(sqlite3_stmt* stmt, int col, Tbytes& mem) {
  int size = 0;
  const void* pt = nullptr;
  if (!getBlob(stmt, col, size, pt)) {
    mem.clear();
    return false;
  }
  mem.assign(static_cast<const uint8_t*>(pt), static_cast<const uint8_t*>(pt) + size);
  return true;
}

bool TliteDB::getBlob(sqlite3_stmt* stmt, int col, int& size, const void*& pt) {
  size = 0;
  pt = nullptr;
  if (!alive(stmt)) return false;
  pt = q->Sqlite3_ColumnBlob(stmt, col);  // before the byte count, as the library asks
  size = q->Sqlite3_ColumnBytes(stmt, col);
  if (size <= 0 || !pt) {
    size = 0;
    pt = nullptr;
    return false;
  }
  return true;
}

bool TliteDB::getXY(sqlite3_stmt* stmt, int col, TpolyXyValues& xy) {
  xy.clear();
  int size = 0;
  const void* pt = nullptr;
  if (!getBlob(stmt, col, size, pt) || size <= 8) return false;
  TpolyXyValues out;
  TsqlBase::MemToXY(pt, static_cast<size_t>(size), out);
  if (out.empty()) {
    int32_t n = 0;
    std::memcpy(&n, static_cast<const uint8_t*>(pt) + 4, 4);
    if (n != 0) log("getXY: point-list blob refused (" + std::to_string(size) + " bytes)");
    return false;
  }
  xy = std::move(out);
  return true;
}

bool TliteDB::getvalid(sqlite3_stmt* stmt, int col) {
  if (!alive(stmt)) return false;
  if (genericDataType(ColumnType(stmt, col)) == ftBlob) return q->Sqlite3_ColumnBlob(stmt, col) != nullptr;
  return q->Sqlite3_ColumnBytes(stmt, col) > 0;
}

std::string TliteDB::getAsStr(sqlite3_stmt* stmt, int ftType, int col) {
  switch (genericDataType(ftType)) {
    case ftInteger: return std::to_string(getint(stmt, col));
    case ftDouble: return storage_text::doubleToString(getdouble(stmt, col), 6);
    case ftBlob: return getvalid(stmt, col) ? "xxxx" : "";
    default: return getstr(stmt, col);
  }
}

// ---------------------------------------------------------------------------------------------
// Declared column types

std::string TsqlBase::TypeName(int ftType) {
  switch (ftType) {
    case ftSmallint: case ftInteger: case ftWord: case ftcardinal: return "INTEGER";
    case ftBoolean: return "BOOLTEXT";
    case ftDouble: return "DOUBLE";
    case ftDate: return "DATETEXT";
    case ftTime: return "TIMETEXT";
    case ftDateTime: return "DATETIME";
    case ftAutoInc: return "INTEGER PRIMARY KEY AUTOINCREMENT";
    case ftBlob: return "BLOB";
    case ftMemo: return "MEMOTEXT";
    case ftGraphic: case ftJpeg: return "IMAGEBLOB";
    case ftByte: return "TINYINT";
    case ftPrimaryKey: return "INTEGER PRIMARY KEY";
    case ftLinear: return "LINEARDOUBLE";
    case ftArea: return "AREADOUBLE";
    case ftPaperLinear: return "PAPERDOUBLE";
    case ftNotes: return "NOTEBLOB";
    case ftColour: return "COLOURTEXT";
    case ftPercent: return "PERCENTINT";
    case ftFile: return "FILEBLOB";
    case ftXYvalues: return "XYBLOB";
    case ftPolyXYvalues: return "POLYXYBLOB";
    case ftGMT: return "GMTTEXT";
    case ftFilename: return "FILETEXT";
    default: return "TEXT";
  }
}

namespace {
// The system's own declared types that name exactly one code. Every name TypeName writes is
// here, so a written type reads back as the code that wrote it.
struct NamedType {
  const char* name;
  int code;
};
constexpr NamedType kOwnTypes[] = {
    {"TEXT", ftString}, {"MEMOTEXT", ftMemo}, {"INTEGER PRIMARY KEY AUTOINCREMENT", ftAutoInc},
    {"INTEGER PRIMARY KEY", ftPrimaryKey}, {"INTEGER", ftInteger}, {"TINYINT", ftByte},
    {"DOUBLE", ftDouble}, {"LINEARDOUBLE", ftLinear}, {"AREADOUBLE", ftArea},
    {"PAPERDOUBLE", ftPaperLinear}, {"DATETEXT", ftDate}, {"DATETIME", ftDateTime},
    {"DATETIMETEXT", ftDateTime}, {"TIMETEXT", ftTime}, {"GMTTEXT", ftGMT}, {"BOOLTEXT", ftBoolean},
    {"COLOURTEXT", ftColour}, {"PERCENTINT", ftPercent}, {"POLYXYBLOB", ftPolyXYvalues},
    {"XYBLOB", ftXYvalues}, {"BLOB", ftBlob}, {"POLYGON", ftBlob}, {"LINESTRING", ftBlob},
    {"POINT", ftBlob}, {"MULTIPOLYGON", ftBlob}, {"MULTILINE", ftBlob}, {"IMAGEBLOB", ftGraphic},
    {"FILEBLOB", ftFile}, {"FILETEXT", ftFilename}, {"NOTEBLOB", ftNotes}, {"WIDETEXT", ftString}};
}  // namespace

int TsqlBase::TypeCode(const std::string& name) {
  const std::string u = upper(name);
  for (const auto& t : kOwnTypes)
    if (u == t.name) return t.code;
  return ftString;
}

bool TliteDB::validBlobName(const std::string& name) {
  const std::string u = upper(name);
  return contains(u, "BLOB") || u == "MULTIPOLYGON" || u == "MULTILINE" || u == "POLYGON" ||
         u == "LINESTRING" || u == "POINT";
}

// The code of a declared type, ours or another program's: our own names first, then blob
// names (before "INT", so POINT is a blob), then the engine's affinity rules; nothing is real.
int TliteDB::ColumnTypeOfDecl(const std::string& declType) {
  const std::string u = upper(declType);
  for (const auto& t : kOwnTypes)
    if (u == t.name && t.code != ftAutoInc && t.code != ftPrimaryKey) return t.code;
  if (validBlobName(u)) return ftBlob;
  if (contains(u, "INT")) return ftInteger;
  if (u == "NUMERIC" || contains(u, "FLOA") || contains(u, "REAL") || contains(u, "DOUB")) return ftDouble;
  if (contains(u, "CLOB") || contains(u, "CHAR") || contains(u, "TEXT")) return ftString;
  return ftDouble;
}

int TliteDB::ColumnType(sqlite3_stmt* stmt, int col) {
  return ColumnTypeOfDecl(alive(stmt) ? q->Sqlite3_ColumnDeclType(stmt, col) : "");
}

bool TliteDB::isBlob(sqlite3_stmt* stmt, int col) {
  return alive(stmt) && validBlobName(q->Sqlite3_ColumnDeclType(stmt, col));
}

bool TliteDB::isPrimary(sqlite3_stmt* stmt, int col) {
  return alive(stmt) && contains(upper(q->Sqlite3_ColumnDeclType(stmt, col)), "PRIMARY");
}

bool TliteDB::isBlob(const std::string& table, const std::string& colName) {
  sqlite3_stmt* s = start("SELECT " + sqlIdent(colName) + " FROM " + sqlIdent(table) + " WHERE ROWID = -1");
  bool out = s && isBlob(s, 0);
  finish(s);
  return out;
}

// The engine's own record of the key (a declared type never carries its constraints).
bool TliteDB::isPrimary(const std::string& table, const std::string& colName) {
  sqlite3_stmt* s = start("SELECT pk FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE",
                          {TsqlParam::ofText(table), TsqlParam::ofText(colName)});
  bool out = s && getnext(s) && getint(s, 0) > 0;
  finish(s);
  return out;
}

std::string TliteDB::getPrimaryCol(const std::string& table) {
  sqlite3_stmt* s = start("SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk",
                          {TsqlParam::ofText(table)});
  std::string out = s && getnext(s) ? getstr(s, 0) : "";
  finish(s);
  return out;
}

void TliteDB::getColumns(const std::string& table, Tcolumns& columns) {
  columns.clear();
  TStringList& names = columnNames(table);
  for (int i = 0; i < names.count(); ++i)
    columns.Add(static_cast<int>(reinterpret_cast<intptr_t>(names.object(i))), names[i]);
}

void TliteDB::gettables() {
  sqlite3_stmt* s = start("SELECT tbl_name FROM sqlite_master WHERE type = 'table'");
  if (!s) return;
  ftables.clear();
  while (getnext(s)) ftables.add(getstr(s, 0));
  finish(s);
  ftables.sort();
}
