// r_sqlite: the SQLite binding (`TsqlBase`, global `q`), the database object (`TliteDB`) and the
// column value object (`TLiteColumn`). Texts are UTF-8; names reach SQL as quoted identifiers and
// values as bound parameters. Failures come back as neutral results and reach the log.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Tutil.h"
#include "core/os_datatypes.h"
#include "core/r_base.h"
#include "platform/TStringList.h"
#include "platform/datetime.h"
#include "storage/r_Data.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_blob;

// Result codes and value types under their published names (the library's own header defines
// the same values as macros).
#ifndef SQLITE_OK
constexpr int SQLITE_OK = 0, SQLITE_ERROR = 1, SQLITE_INTERNAL = 2, SQLITE_PERM = 3, SQLITE_ABORT = 4,
              SQLITE_BUSY = 5, SQLITE_LOCKED = 6, SQLITE_NOMEM = 7, SQLITE_READONLY = 8,
              SQLITE_INTERRUPT = 9, SQLITE_IOERR = 10, SQLITE_CORRUPT = 11, SQLITE_NOTFOUND = 12,
              SQLITE_FULL = 13, SQLITE_CANTOPEN = 14, SQLITE_PROTOCOL = 15, SQLITE_EMPTY = 16,
              SQLITE_SCHEMA = 17, SQLITE_TOOBIG = 18, SQLITE_CONSTRAINT = 19, SQLITE_MISMATCH = 20,
              SQLITE_MISUSE = 21, SQLITE_NOLFS = 22, SQLITE_AUTH = 23, SQLITE_FORMAT = 24,
              SQLITE_RANGE = 25, SQLITE_NOTADB = 26, SQLITE_ROW = 100, SQLITE_DONE = 101;
constexpr int SQLITE_INTEGER = 1, SQLITE_FLOAT = 2, SQLITE_TEXT = 3, SQLITE_BLOB = 4, SQLITE_NULL = 5;
#endif
// States of a database object.
constexpr int sql_none = 0, sql_intransaction = 1, sql_reading = 2, sql_writing = 4;

// A memory stream's bytes: blob values.
using Tbytes = std::vector<uint8_t>;

// One value bound to a "?" of a statement.
struct TsqlParam {
  enum class Kind { Null, Text, Blob, Integer, Real } kind = Kind::Null;
  std::string text;
  const Tbytes* blob = nullptr;  // borrowed until the statement has run
  int64_t i = 0;
  double d = 0;

  static TsqlParam null() { return {}; }
  static TsqlParam ofText(std::string s) { TsqlParam p; p.kind = Kind::Text; p.text = std::move(s); return p; }
  // An absent or empty stream binds NULL.
  static TsqlParam ofBlob(const Tbytes* b) { TsqlParam p; p.kind = b && !b->empty() ? Kind::Blob : Kind::Null; p.blob = b; return p; }
  // A blob kept as stored: an empty stream binds an empty blob, not NULL.
  static TsqlParam ofBytes(const Tbytes* b) { TsqlParam p; p.kind = b ? Kind::Blob : Kind::Null; p.blob = b; return p; }
  static TsqlParam ofInt(int64_t v) { TsqlParam p; p.kind = Kind::Integer; p.i = v; return p; }
  static TsqlParam ofReal(double v) { TsqlParam p; p.kind = Kind::Real; p.d = v; return p; }
};
using TsqlParams = std::vector<TsqlParam>;

// The condition of a statement, without the word WHERE. Made from a caller's SQL text (which
// quotes its own values) or built from names and values, which are then quoted and bound.
// A distinct type, so a condition and a value can never change places in a call.
class TwhereClause {
 public:
  TwhereClause() = default;
  explicit TwhereClause(std::string sqlText) : sql_(std::move(sqlText)) {}
  // `column` = value, the value bound as a parameter.
  [[nodiscard]] static TwhereClause equals(const std::string& column, const std::string& value);
  [[nodiscard]] static TwhereClause equals(const std::string& column, int64_t value);
  // This condition AND `column` = value.
  [[nodiscard]] TwhereClause andEquals(const std::string& column, const std::string& value) const;

  [[nodiscard]] const std::string& sql() const { return sql_; }
  [[nodiscard]] const TsqlParams& params() const { return params_; }
  [[nodiscard]] bool empty() const { return sql_.empty(); }

 private:
  std::string sql_;
  TsqlParams params_;
};

// A name as an SQL identifier: between backticks, inner backticks doubled.
[[nodiscard]] std::string sqlIdent(const std::string& name);

// The message-box seam: every storage message is logged, and shown through this hook when set.
extern std::function<void(const std::string&)> storageMessageBox;
void storageMessage(const std::string& text);

class TliteDB;
class Tnotes;

// The table of entry points, filled from the linked library. An empty table is an unusable
// binding: every wrapper then takes its failure path instead of calling through.
struct TsqliteEntries {
  int (*pOpen)(const char*, sqlite3**, int, const char*) = nullptr;
  int (*pClose)(sqlite3*) = nullptr;
  int (*pExec)(sqlite3*, const char*, int (*)(void*, int, char**, char**), void*, char**) = nullptr;
  void (*pFree)(void*) = nullptr;
  const char* (*pVersion)() = nullptr;
  const char* (*Perrmsg)(sqlite3*) = nullptr;
  int (*perrcode)(sqlite3*) = nullptr;
  long long (*plastinsertrowid)(sqlite3*) = nullptr;
  void (*pinterrupt)(sqlite3*) = nullptr;
  int (*pbusytimeout)(sqlite3*, int) = nullptr;
  int (*pchanges)(sqlite3*) = nullptr;
  int (*ptotalchanges)(sqlite3*) = nullptr;
  int (*pprepare)(sqlite3*, const char*, int, sqlite3_stmt**, const char**) = nullptr;
  int (*pcolcount)(sqlite3_stmt*) = nullptr;
  const char* (*pcolname)(sqlite3_stmt*, int) = nullptr;
  const char* (*pcolDeclType)(sqlite3_stmt*, int) = nullptr;
  int (*pstep)(sqlite3_stmt*) = nullptr;
  int (*pdatacount)(sqlite3_stmt*) = nullptr;
  const void* (*pcolblob)(sqlite3_stmt*, int) = nullptr;
  int (*pcolbytes)(sqlite3_stmt*, int) = nullptr;
  double (*pcoldouble)(sqlite3_stmt*, int) = nullptr;
  int (*pcolint)(sqlite3_stmt*, int) = nullptr;
  const unsigned char* (*pcolText)(sqlite3_stmt*, int) = nullptr;
  int (*pcolType)(sqlite3_stmt*, int) = nullptr;
  long long (*pcolint64)(sqlite3_stmt*, int) = nullptr;
  int (*pfinalize)(sqlite3_stmt*) = nullptr;
  int (*preset)(sqlite3_stmt*) = nullptr;
  int (*presetbindings)(sqlite3_stmt*) = nullptr;
  int (*pbindblob)(sqlite3_stmt*, int, const void*, int, void (*)(void*)) = nullptr;
  int (*pbindtext)(sqlite3_stmt*, int, const char*, int, void (*)(void*)) = nullptr;
  int (*prelease)(int) = nullptr;
  int (*pbindnull)(sqlite3_stmt*, int) = nullptr;
  int (*pbindDbl)(sqlite3_stmt*, int, double) = nullptr;
  int (*pbindInt)(sqlite3_stmt*, int, int) = nullptr;
  int (*pbindInt64)(sqlite3_stmt*, int, long long) = nullptr;
  int (*pblobopen)(sqlite3*, const char*, const char*, const char*, long long, int, sqlite3_blob**) = nullptr;
  int (*pblobreopen)(sqlite3_blob*, long long) = nullptr;
  int (*pblobclose)(sqlite3_blob*) = nullptr;
  int (*pblobbytes)(sqlite3_blob*) = nullptr;
  int (*pblobRead)(sqlite3_blob*, void*, int, int) = nullptr;
  int (*plimit)(sqlite3*, int, int) = nullptr;
};

// The process-wide binding and the services every database object shares.
class TsqlBase {
 public:
  // Binds the entry points of the linked library. `dir` names where a loaded library would be
  // searched; with a linked library it is only kept in `dllname`.
  explicit TsqlBase(const std::string& dir = "");
  ~TsqlBase();
  TsqlBase(const TsqlBase&) = delete;
  TsqlBase& operator=(const TsqlBase&) = delete;

  // True when every entry point is bound.
  [[nodiscard]] bool usable() const;
  void bindLinkedLibrary();
  void recordSQL(const std::string&) {}

  // Wrappers: results unchanged; an unbound entry point gives SQLITE_MISUSE, nil or 0.
  int SQLite3_Open(const std::string& dbname, sqlite3** db, int flags);
  int SQLite3_Close(sqlite3* db);
  int SQLite3_Exec(sqlite3* db, const std::string& sql);
  std::string SQLite3_Version();
  std::string SQLite3_ErrMsg(sqlite3* db);
  int SQLite3_ErrCode(sqlite3* db);
  int SQLite3_release_memory(int n);
  int64_t SQLite3_LastInsertRowID(sqlite3* db);
  int SQLite3_BusyTimeout(sqlite3* db, int ms);
  int SQLite3_Changes(sqlite3* db);
  int SQLite3_TotalChanges(sqlite3* db);
  int SQLite3_Prepare(sqlite3* db, const std::string& sql, sqlite3_stmt** stmt);
  int SQLite3_ColumnCount(sqlite3_stmt* stmt);
  std::string Sqlite3_ColumnName(sqlite3_stmt* stmt, int col);
  std::string Sqlite3_ColumnDeclType(sqlite3_stmt* stmt, int col);
  int Sqlite3_Step(sqlite3_stmt* stmt);
  int SQLite3_DataCount(sqlite3_stmt* stmt);
  const void* Sqlite3_ColumnBlob(sqlite3_stmt* stmt, int col);
  int Sqlite3_ColumnBytes(sqlite3_stmt* stmt, int col);
  double Sqlite3_ColumnDouble(sqlite3_stmt* stmt, int col);
  int Sqlite3_ColumnInt(sqlite3_stmt* stmt, int col);
  std::string Sqlite3_ColumnText(sqlite3_stmt* stmt, int col);
  int Sqlite3_ColumnType(sqlite3_stmt* stmt, int col);
  int64_t Sqlite3_ColumnInt64(sqlite3_stmt* stmt, int col);
  int SQLite3_Finalize(sqlite3_stmt* stmt);
  int SQLite3_Reset(sqlite3_stmt* stmt);
  int SQLite3_Clear_Bindings(sqlite3_stmt* stmt);
  int SQLite3_BindBlob(sqlite3_stmt* stmt, int param, const void* data, int bytes);  // copied
  int SQLite3_BindText(sqlite3_stmt* stmt, int param, const std::string& text);      // copied
  int SQLite3_BindNull(sqlite3_stmt* stmt, int param);
  int SQLite3_Bind_double(sqlite3_stmt* stmt, int param, double value);
  int SQLite3_Bind_int(sqlite3_stmt* stmt, int param, int value);
  int SQLite3_Bind_int64(sqlite3_stmt* stmt, int param, int64_t value);
  int SQLite3_blob_open(sqlite3* db, const std::string& dbname, const std::string& table,
                        const std::string& column, int64_t rowid, int flags, sqlite3_blob** blob);
  int SQLite3_blob_reopen(sqlite3_blob* blob, int64_t rowid);
  int SQLite3_blob_close(sqlite3_blob* blob);
  int SQLite3_blob_bytes(sqlite3_blob* blob);
  int SQLite3_blob_read(sqlite3_blob* blob, void* buf, int size, int offset);
  // The connection's limit of that kind (the engine's numbering), changed when newValue >= 0.
  int SQLite3_Limit(sqlite3* db, int kind, int newValue);

  // Services.
  [[nodiscard]] static std::string errorMessage(int code);
  [[nodiscard]] static std::string q(const std::string& s);
  [[nodiscard]] static std::string k(const std::string& s);
  [[nodiscard]] static std::string dequote(const std::string& s);
  [[nodiscard]] static bool isSQLite(const std::string& filename);

  // The registry of live database objects.
  void add(TliteDB* db);
  void remove(TliteDB* db);
  [[nodiscard]] TliteDB* find(const std::string& filename) const;
  [[nodiscard]] bool inUse(const std::string& filename) const { return find(filename) != nullptr; }
  // Copies a database file over another; objects open on the target are closed and reopened.
  bool copyfile(const std::string& source, const std::string& target);

  // The point-list blob.
  static void XYtoMem(const TpolyXyValues& xy, Tbytes& mem);
  // False (list untouched) for an absent, short or inconsistent blob; true when the last part
  // read has points.
  static bool MemToXY(const Tbytes* mem, TpolyXyValues& xy);
  static bool MemToXY(const void* bytes, size_t size, TpolyXyValues& xy);
  // Through an open incremental-blob handle; true when the part count is above 0.
  bool MemToXY(sqlite3_blob* blob, TpolyXyValues& xy);

  // Declared column types.
  [[nodiscard]] static std::string TypeName(int ftType);
  [[nodiscard]] static int TypeCode(const std::string& name);
  [[nodiscard]] static int genericType(int ftType) { return genericDataType(ftType); }

  std::vector<TliteDB*> a;
  std::string dllname;
  TsqliteEntries e;
};

// The one binding; made by the first database object, freed at the end of the process.
extern std::unique_ptr<TsqlBase> q;
extern std::string dllDir;

// The cursor's side of a column value object: the table cursor keeps it current.
struct TliteCursorRef {
  TliteDB* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  std::string fname;  // table name
};

// One open SQLite database file.
class TliteDB : public TqyObject {
 public:
  TliteDB();
  ~TliteDB() override;
  [[nodiscard]] const char* unitName() const override { return "r_sqlite"; }

  // Opening mode of the next `setfile`: reading never creates a file.
  enum class Access { ReadWrite, ReadOnly };
  static std::unique_ptr<TliteDB> create();
  static std::unique_ptr<TliteDB> createForWriting();
  static std::unique_ptr<TliteDB> createReadOnly();

  // Life and file. Databases in the base directory (the data folder) open read-only, except
  // through an object made by createForWriting.
  bool setfile(const std::string& value);
  void close();
  // Closing keeps the name, so `reload` opens the same file again.
  bool reload() { return setfile(std::string(fname)); }
  void vacuum() { RawExecSQL("VACUUM"); }
  platform::TDateTime lastModified() const;
  bool saveAs(const std::string& filename);
  // "ok" when the file is sound, else the engine's findings (empty when it cannot tell).
  std::string integrityCheck();

  [[nodiscard]] const std::string& database() const { return fname; }
  [[nodiscard]] bool valid() const { return fvalid; }
  [[nodiscard]] bool FailedToOpen() const { return ffailedToOpen; }
  [[nodiscard]] bool is8bit() const { return f8; }
  [[nodiscard]] sqlite3* db() const { return fDB; }
  [[nodiscard]] int state() const { return fstate; }
  void setState(int s) { fstate = s; }
  [[nodiscard]] bool inTransaction() const { return inTrans; }
  // The most columns a table of this connection may have (0 when none is open).
  [[nodiscard]] int columnLimit() const;
  [[nodiscard]] const TStringList& tables() const { return ftables; }

  // Executing SQL.
  void RawExecSQL(const std::string& sql);
  std::string getstr(const std::string& sql, const TsqlParams& params = {});
  bool ExecSQL(const std::string& sql);
  bool ExecSQL(const std::string& sql, const std::vector<const Tbytes*>& blobs, bool asUpdate = true);
  bool ExecSQL(const std::string& sql, const Tbytes* blob);
  // Parameters bound in order to the statement's "?" marks; a failed binding runs nothing.
  bool ExecParams(const std::string& sql, const TsqlParams& params, bool asUpdate = true);
  bool validSQL(const std::string& sql);
  bool beginUpdate();
  // Commits; a failed commit rolls back, is reported and gives false.
  bool endUpdate();
  void RaiseError(const std::string& s, const std::string& sql);

  // Statements. A handle from `start` belongs to the caller, who ends it with `finish`.
  sqlite3_stmt* start(const std::string& s, const TsqlParams& params = {});
  sqlite3_stmt* startInReverse(const std::string& s) { return start(s + " ORDER BY ROWID DESC"); }
  bool getnext(sqlite3_stmt* stmt);
  void finish(sqlite3_stmt*& stmt);
  bool reset(sqlite3_stmt* stmt);
  int ColumnCount(sqlite3_stmt* stmt);
  std::string ColumnName(sqlite3_stmt* stmt, int col);

  // Getters of the current row (0-based columns).
  std::string getstr(sqlite3_stmt* stmt, int col);
  int32_t getint(sqlite3_stmt* stmt, int col);
  double getdouble(sqlite3_stmt* stmt, int col);
  bool getBlob(sqlite3_stmt* stmt, int col, Tbytes& mem);
  bool getBlob(sqlite3_stmt* stmt, int col, int& size, const void*& pt);
  bool getXY(sqlite3_stmt* stmt, int col, TpolyXyValues& xy);
  bool getvalid(sqlite3_stmt* stmt, int col);
  std::string getAsStr(sqlite3_stmt* stmt, int ftType, int col);

  // Column descriptions.
  int ColumnType(sqlite3_stmt* stmt, int col);
  [[nodiscard]] static int ColumnTypeOfDecl(const std::string& declType);
  [[nodiscard]] static bool validBlobName(const std::string& name);
  bool isBlob(sqlite3_stmt* stmt, int col);
  bool isBlob(const std::string& table, const std::string& colName);
  bool isPrimary(sqlite3_stmt* stmt, int col);
  bool isPrimary(const std::string& table, const std::string& colName);
  std::string getPrimaryCol(const std::string& table);
  void getColumns(const std::string& table, Tcolumns& columns);
  void gettables();

  // Tables and columns.
  bool tableExists(const std::string& name);
  bool tableExists(const std::string& masterTable, const std::string& name);
  bool columnExists(const std::string& table, const std::string& name);
  TStringList& columnNames(const std::string& table);
  int ColumnType(const std::string& table, const std::string& colName);
  std::string TableCreationStr(const std::string& tablename);
  bool deleteTable(const std::string& tablename);
  bool renameTable(const std::string& oldname, const std::string& newname);
  bool createtable(const std::string& creationstr);
  // `fields`: names with their generic type as the entry's object (intptr_t).
  bool createTable(const std::string& tablename, const TStringList& fields);
  void startTable(const std::string& tablename);
  bool addField(const std::string& fieldname, int ftType, const std::string& deflt = "");
  bool addPrimaryKeyField(const std::string& fieldname, int ftType);
  bool insertField(const std::string& tablename, const std::string& fieldname, int ftType, int index,
                   const std::string& deflt, int option = 0);
  [[nodiscard]] static std::string columnDefinition(const std::string& name, int& ftType,
                                                     const std::string& deflt, int option);
  std::string NewTableStr(const std::string& tablename);
  int finishTable();
  bool Addcolumns();
  void createSettingsTable();

  // Column values, counts and statistics.
  int32_t getMaxI(const std::string& table, const std::string& column, const TwhereClause& where = {});
  int32_t getMinI(const std::string& table, const std::string& column, const TwhereClause& where = {});
  double getMaxD(const std::string& table, const std::string& column, const TwhereClause& where = {});
  double getMinD(const std::string& table, const std::string& column, const TwhereClause& where = {});
  double getFunction(const std::string& func, const std::string& table, const std::string& colname,
                     const TwhereClause& where);
  double getTotal(const std::string& table, const std::string& colname, const TwhereClause& where = {});
  int32_t getI(const std::string& table, const std::string& column, const TwhereClause& where);
  double getD(const std::string& table, const std::string& column, const TwhereClause& where);
  std::string getS(const std::string& table, const std::string& column, const TwhereClause& where);
  std::string getColumnValue(const std::string& table, const std::string& colName, const TwhereClause& where);
  int getRowID(const std::string& table, const TwhereClause& where);
  void getRowIDs(const std::string& table, const TwhereClause& where, std::vector<int32_t>& list);
  void getColumnValues(const std::string& table, const std::string& colName, const TwhereClause& where,
                       TStringList& list);
  int GetRowCount(const std::string& table, const TwhereClause& where = {});
  bool exists(const std::string& table, const TwhereClause& where);
  void UniqueValuesList(const std::string& table, const std::string& colname, const TwhereClause& where,
                        TStringList& list);
  std::string uniqueName(const std::string& table, const std::string& colname, const std::string& basename);
  std::string uniqueName(const std::string& table, const std::string& colname, const TwhereClause& where,
                         const std::string& basename);
  bool setColumnValue(const std::string& table, const std::string& colName, const TwhereClause& where,
                      const std::string& value, bool doUpdate = true);
  // Updates the row whose `wherecol` holds `wherevalue`, or inserts one: true only when inserted.
  bool setColumnValue(const std::string& table, const std::string& colName, const std::string& value,
                      const std::string& wherecol, const std::string& wherevalue);
  bool setColumnValues(const std::string& table, const std::string& keyValues, const TwhereClause& where);
  bool setColumns(const std::string& table, const std::string& keysValues, const TwhereClause& where,
                  bool doUpdate = true);
  bool addNewValue(const std::string& table, const std::string& colName, const std::string& value);

  // Blob values. The condition is always used (an empty one fails). A column is a blob column
  // by its declared type.
  // The first matching row's bytes into `mem` (position 0 being its start): true when there were
  // any; no row or NULL empties `mem`; a column that is not a blob column leaves it untouched.
  bool getColumnBlob(const std::string& table, const std::string& colName, const TwhereClause& where, Tbytes& mem);
  // The first matching row's point-list blob, checked whole before use.
  bool getColumnXY(const std::string& table, const std::string& colName, const TwhereClause& where,
                   TpolyXyValues& xy);
  // True when the value has no bytes (NULL, '' or an empty blob), when no row matches, or the
  // statement fails.
  bool isColumnNull(const std::string& table, const std::string& colname, const TwhereClause& where);
  // A nil or empty `mem` stores NULL.
  bool setColumnBlob(const std::string& table, const std::string& colName, const TwhereClause& where,
                     const Tbytes* mem);
  bool setColumnNull(const std::string& table, const std::string& colname, const TwhereClause& where);
  // Notes values: a whole notes database kept in a blob. A blob under 2000 bytes is no notes;
  // a blob that is not a sound database leaves the store empty. True when the store opened it.
  bool getColumnNotes(const std::string& table, const std::string& colName, const TwhereClause& where, Tnotes& notes);
  // The store's database compacted and written back into the blob; false when the store has no
  // file or the write failed.
  bool setColumnNotes(const std::string& table, const std::string& colName, const TwhereClause& where, Tnotes& notes);

  // Rows. The forms taking a `values` text run a caller's SQL VALUES list as it stands ("?" for
  // each blob); the system's own callers use the bound forms.
  bool addnewRow(const std::string& table);
  bool addnewRow(const std::string& table, const std::string& values);
  bool addnewRow(const std::string& table, const std::string& values, const Tbytes* blob);
  bool addnewRow(const std::string& table, const std::string& values, const std::vector<const Tbytes*>& blobs);
  // One bound value per column, in column order.
  bool addnewRow(const std::string& table, const TsqlParams& values);
  // `values` row after row, one text per column of `columns`; an incomplete last row is left out.
  // All rows or none; false for an empty column list.
  bool addnewRows(const std::string& table, const TStringList& columns, const TStringList& values);
  // The table's rows replaced by `values` over all its columns, all or nothing.
  bool setTable(const std::string& table, const TStringList& values);
  // DELETE (a keyword in C++): every row for an empty condition.
  bool Delete(const std::string& table, const TwhereClause& where);
  // Exchanges the ids of two existing rows; false, nothing changed, when either is missing.
  bool swapRowids(const std::string& table, int64_t a, int64_t b);
  // Row contents exchanged or copied column by column as stored (NULLs, reals and blobs kept),
  // the primary-key column left in place; false, nothing changed, when a row is missing.
  bool swapRows(const std::string& table, int64_t rowIda, int64_t rowIdb);
  bool copyRow(const std::string& table, int64_t sourceId, int64_t targetId);

  // Key-value rows: a table of `group`, `key`, `value` ("general" when no group is given) and
  // the "settings" table's `key` and `value`.
  bool writeString(const std::string& table, const std::string& group, const std::string& key,
                   const std::string& value);
  bool writeString(const std::string& table, const std::string& key, const std::string& value);
  std::string readString(const std::string& table, const std::string& group, const std::string& key,
                         const std::string& Default);
  std::string readString(const std::string& table, const std::string& key, const std::string& Default);
  bool writeSetting(const std::string& key, const std::string& value);
  std::string readSetting(const std::string& key, const std::string& Default);

  // The rows (only those whose id is in a non-empty `rowIdList`) as CSV: a header of names, text
  // columns quoted, numbers bare, blob columns left out; CR LF, UTF-8. The file is replaced only
  // when everything was written.
  bool SaveAsCSV(const std::string& filename, const std::string& table, const TwhereClause& where,
                 const std::vector<int32_t>& rowIdList = {});

  // Column editing. Every change runs in one transaction (or a savepoint in the caller's) and
  // is undone whole when any step fails; a rebuild makes the table anew under a fresh name,
  // counts its rows against the old, then replaces the old, and makes its indices and triggers
  // again (those naming a deleted column go).
  // The creation text with only the wanted columns, in the wanted order; empty when none found.
  std::string TableCreationStr(const std::string& tablename, const TStringList& columnswanted);
  bool ReorderColumns(const std::string& table, const TStringList& columnswanted);
  bool swapColumns(const std::string& table, const std::string& colnameA, const std::string& colnameB);
  bool renameColumn(const std::string& table, const std::string& oldname, const std::string& newname);
  bool DeleteColumn(const std::string& table, const std::string& name);
  // Names separated by "|".
  bool DeleteColumns(const std::string& table, const std::string& barList);
  // Table copies within this database or into an attached one ("alias.'table'"). A table named
  // `newtable` in this database is replaced.
  bool copyTableStructure(const std::string& source, const std::string& newtable);
  bool copyTableStructure(const std::string& source, const std::string& newtable, const TStringList& wanted);
  bool copyTable(const std::string& source, const std::string& newtable, const TwhereClause& where = {});
  bool copyTable(const std::string& source, const std::string& newtable, const TwhereClause& where,
                 const TStringList& wanted);
  bool docopyTable(const std::string& source, const std::string& newtable, const TwhereClause& where,
                   const TStringList* wanted, bool addnewtable);

  // Moving tables and rows between this database and another file, attached as "newdb" (its
  // name bound). Nothing here is dropped before the other file has opened and the copy has
  // succeeded: copies are made under fresh names, then the old tables dropped and the copies
  // renamed in the same transaction, so a failure at any step leaves both files as they were.
  // The tables of the other file copied over the local ones of the same names.
  bool ImportTables(const std::string& database, const TStringList& tables);
  // Every local table replaced by the other file's tables; refused when that file does not open.
  bool Replace(const std::string& filename);
  // The other file's table (its rows meeting the condition, its wanted columns) as the local
  // table `localTable`; with the same name (letter case aside) it takes the other's spelling.
  bool ImportTable(const std::string& localTable, const std::string& database, const std::string& table,
                   const TwhereClause& where = {}, const TStringList* columnswanted = nullptr);
  // The local table into the other file's table `table`: replaced there when it has the local
  // table's name, else created, or, when it exists, given the rows. The file is made if missing.
  bool ExportTable(const std::string& localTable, const std::string& database, const std::string& table,
                   const TwhereClause& where = {}, const TStringList* columnswanted = nullptr);
  // The rows of `table` meeting the condition (all for none) appended to the local table; from
  // this database when `database` is empty or its own file.
  bool AppendRecords(const std::string& localTable, const std::string& table, const TwhereClause& where);
  bool AppendRecords(const std::string& localTable, const std::string& database, const std::string& table,
                     const TwhereClause& where);
  // By key: each key value of the other table's chosen rows once; its rows are added when the
  // local table lacks the value (letter case aside), or replace the local rows of that value
  // when overwriting. True when rows were added.
  bool AppendRecords(const std::string& localTable, const std::string& database, const std::string& table,
                     const std::string& indexcol, const TwhereClause& where, bool overwriteExistingOfSameName);
  // The other table's rows (meeting the cursor condition `wherestr`) merged in: a row whose
  // index columns match a local row updates it, others are inserted; the other table's columns
  // are added to the local table first. False when either table is missing.
  bool mergeTables(const std::string& localTable, const std::string& database, const std::string& table,
                   const TStringList& indexcols, const std::string& wherestr = "");

  // Savepoints, for a change of several steps inside a transaction.
  bool savepoint(const std::string& name);
  bool release(const std::string& name);
  bool rollbackTo(const std::string& name);
  // Ends an open transaction without its changes.
  void rollback() { rollbackUpdate(); }

  // Fields read and set by callers.
  bool debug = false;
  bool suppressErrorMessages = false;
  bool forWriting = false;
  Access access = Access::ReadWrite;
  std::function<void(TliteDB*)> onError;
  std::string lastquery;
  platform::TDateTime lastUpdate = 0;
  std::string errorStr;
  std::string lastError;  // the text of the last error reported
  std::string encoding;
  int lastGetNext = 0;
  int lastChanges = 0;  // rows changed by the last statement ExecSQL ran
  std::string fNewTable;
  TStringList newfields;
  TStringList newfieldnames;

 private:
  bool openingSteps(std::string& step);
  bool bindParams(sqlite3_stmt* stmt, const TsqlParams& params, const std::string& sql);
  sqlite3_stmt* startWhere(const std::string& head, const TwhereClause& where, bool always);
  bool makeTableLike(const std::string& newtable, const std::vector<std::string>& defs, const std::string& tail);
  std::string valueOr(const std::string& table, const TwhereClause& where, const std::string& Default);
  bool execWhere(const std::string& head, const TsqlParams& headParams, const TwhereClause& where,
                 bool doUpdate);
  bool inDataFolder(const std::string& file) const;
  bool alive(sqlite3_stmt* stmt) const;
  std::string sqlOf(sqlite3_stmt* stmt) const;
  void rollbackUpdate();
  bool failOpen(const std::string& message);
  [[nodiscard]] static std::string errorMessage(int code);
  sqlite3_stmt* quietStart(const std::string& sql, const TsqlParams& params = {});
  std::string masterOf(const std::string& masterTable);
  void resolveTable(const std::string& name, std::string& alias, std::string& table);
  void checkInvariants() const;
  void removeTableEntry(const std::string& name);

  std::string fname;
  bool ffailedToOpen = false;
  bool f8 = false;
  sqlite3* fDB = nullptr;
  sqlite3_stmt* lastReadStmt = nullptr;
  // Statements handed out by `start` and not yet finished, with their SQL: `finish` and the
  // getters touch only these, so a statement finished by `close` is never used again.
  std::vector<std::pair<sqlite3_stmt*, std::string>> live_;
  TStringList fcolumns;
  bool inTrans = false;
  bool fvalid = false;
  int fstate = sql_none;
  TStringList ftables;
};

// A change of several steps that undoes itself unless committed: a transaction of its own, or a
// savepoint inside the caller's transaction.
class TliteChange {
 public:
  explicit TliteChange(TliteDB& db);
  ~TliteChange();
  TliteChange(const TliteChange&) = delete;
  TliteChange& operator=(const TliteChange&) = delete;
  // False when the change could not begin; nothing may then be run.
  [[nodiscard]] bool begun() const { return begun_; }
  bool commit();
  void rollback();

 private:
  TliteDB& db_;
  std::string savepoint_;  // empty for a transaction of its own
  bool begun_ = false;
  bool done_ = false;
};

// One column of a table cursor with its lazily read value of the current row.
class TLiteColumn {
 public:

  bool getNull();
  int32_t geti();
  double getd();
  std::string gets();
  const Tbytes* getmem();
  // The statement's own bytes, valid until the cursor moves; empty when none.
  std::pair<const void*, int> getdirect();
  void readValue();
  bool getXY(TpolyXyValues& xy);

  void setd(double value);
  void seti(int32_t value);
  void sets(const std::string& value);
  void setmem(const Tbytes* value);
  void setxy(const TpolyXyValues& xy);
  void assign(TLiteColumn& source);

  // Blob and temporary files.
  bool openFile(const std::string& filename);
  bool openFile(std::string& filename, const std::string& ext);
  void storeFile(const std::string& filename);
  void closeFile(const std::string& filename);
  bool openDB(std::unique_ptr<TliteDB>& db);
  void closeDB(std::unique_ptr<TliteDB>& db);
  // The value opened as the notes store's working file; false (the store empty) when it is
  // none. The store's entries written back: the value becomes NULL when it has none.
  bool readNotes(Tnotes& value);
  void writeNotes(Tnotes& value);

  double getMax() { return aggregate("max"); }
  double getMin() { return aggregate("min"); }

  TliteCursorRef* lr = nullptr;
  double fd = 0;
  int32_t fi = 0;
  std::string fs;
  bool ftoNull = false;
  int width = 0;
  int decplaces = 0;
  bool hidden = false;
  bool readonly = false;
  std::string description;
  bool MarkForDeletion = false;
  std::unique_ptr<Tbytes> fmem;
  int startIndex = 0;
  int index = 0;
  int colnameIndex = 0;
  bool used = false;
  bool primary = false;
  bool valid = false;
  int ftType = ftString;
  const Tbytes* directMem = nullptr;
  std::string name;  // the column's name in the cursor's table

 private:
  bool readValid();
  double aggregate(const char* func);
};

// A cursor over one table: its columns as column value objects, reads with standing and given
// conditions and an order, values by row number through a list of row ids, and writes of whole
// rows from the values set on the columns. Conditions and orders are the caller's SQL text; every
// value the cursor writes is bound, every name quoted.
class TliteRead : public TliteCursorRef {
 public:
  TliteRead(TliteDB* db, const std::string& tablename);
  ~TliteRead();
  TliteRead(const TliteRead&) = delete;
  TliteRead& operator=(const TliteRead&) = delete;

  // ---- columns
  void refresh(const std::string& tablename);
  void refresh() { refresh(std::string(fname)); }
  [[nodiscard]] const std::string& name() const { return fname; }
  [[nodiscard]] int columnCount() const { return int(fcols.size()); }
  [[nodiscard]] bool withrowid() const { return fwithrowid; }
  void setWithRowID(bool value);
  // The column at a table position, with its read position set; a column of no name or index
  // answers with a dummy that reads nothing.
  TLiteColumn& getItem(int index);
  TLiteColumn& getrawItem(int index);
  TLiteColumn& getnamed(const std::string& name);
  [[nodiscard]] int indexOf(const std::string& name) const;
  int FindOrAddCol(const std::string& name, int ftType, const std::string& Default = "");
  bool DeleteColumn(const std::string& name);
  [[nodiscard]] std::string getwherestr() const;
  void setwherestr(const std::string& value);

  // ---- reading
  bool StartPartialRead(const std::string& columns, const std::string& wherestr, const std::string& orderby = "");
  bool StartRead(const std::string& wherestr, const std::string& orderby);
  bool StartRead(const std::string& wherestr);
  bool StartRead() { return StartRead("", ""); }
  bool nextRow();
  void finishRead();
  void clearvalues();
  void getvalues(bool withblobs);

  void refreshIDs(const std::string& wherestr = "", const std::string& orderstr = "");
  [[nodiscard]] const std::vector<int64_t>& ids() const { return idList; }
  bool gotorow(int row);
  bool gotoLastRow();
  bool gotoLastRow(const std::string& wherestr);
  int64_t getLastRowID();
  // The blob's bytes of a row, valid until finishRead; null and size 0 when there are none.
  const void* gotocolrow(int col, int row, int* size = nullptr);
  bool getRow(const std::string& wherestr, bool withBlobs);
  bool getRow(int row, bool withBlobs);
  bool getRow(const std::string& idcol, const std::string& value);
  // A literal value must not be taken for the `withBlobs` flag.
  bool getRow(const std::string& idcol, const char* value) { return getRow(idcol, std::string(value)); }
  int getRows(const std::string& idcol, const TStringList& values);
  std::string getstr(int col, int row);
  bool getNull(int col, int row);
  bool setNull(int col, int row, bool value);
  const Tbytes* getmem(int col, int row);
  bool exists(const std::string& wherestr);
  int GetRowCount(const std::string& wherestr = "");
  int count(const std::string& wherestr = "");
  std::string getColumnValue(const std::string& colName, const std::string& wherestr);
  bool setColumnValue(const std::string& colName, const std::string& wherestr, const std::string& value);
  int getRowID(const std::string& wherestr);
  const Tbytes* getColumnMem(const std::string& colName, const std::string& wherestr);
  // The first matching row's blob loaded into the notes store; true when it held notes.
  bool getColumnNotes(const std::string& colname, const std::string& wherestr, Tnotes& notes);
  void getColumnValues(const std::string& column, const std::string& wherestr, TStringList& list);
  std::string getColumnValues(int col, const std::string& wherestr = "");
  sqlite3_blob* BlobPtr(const std::string& colname, int64_t rowid);
  int BlobSize(sqlite3_blob* blobPtr);
  void CloseBlobPtr(sqlite3_blob*& blobPtr);

  // ---- writing
  bool update(const std::string& wherestr, bool clear = true);
  bool updateOrAdd(const std::string& wherestr);
  bool insertNew(bool clear = true);
  bool addNewRow();
  bool Delete(const std::string& where);
  bool Delete(int row);
  bool Delete(const std::vector<int>& rows);
  bool deleteAll() { return Delete(std::string()); }
  bool setstr(int col, int row, const std::string& value);
  bool setmem(int col, int row, const Tbytes* value);
  bool setcolumnValues(int col, const std::string& value);
  bool SetItem(const std::string& colname, int ftType, int row, const std::string& value);
  bool SetItem(const std::string& colname, int ftType, int row, int32_t value);
  bool SetItem(const std::string& colname, int ftType, int row, double value);
  bool SetItem(const std::string& colname, int ftType, int row, const Tbytes* value);
  // Copies and moves of rows, all or nothing.
  bool copyRows(const std::string& wherestr, const std::string& changestr);
  bool swapRows(int64_t rowidA, int64_t rowidB);
  bool insertNewRow(int64_t rowIdAtInsertionPoint, bool asCopy);
  bool importtable(const std::string& database, const std::string& tablename, const std::string& wherestr,
                   const std::string& changestr);
  bool importtable(const std::string& tablename, const std::string& wherestr, const std::string& changestr);
  // RFC 4180 text of the non-blob columns (those of columnsWanted when given) through a
  // temporary file and rename.
  bool SaveAsCSV(const std::string& filename, const std::string& wherestr,
                 const TStringList* columnsWanted = nullptr);

  [[nodiscard]] int row() const { return frow; }
  [[nodiscard]] int rows() const { return frowcount; }
  [[nodiscard]] int64_t rowid() const { return frowid; }
  bool debug = false;
  bool tableexists = false;
  bool validRead = false;
  int tag = 0;
  std::function<void(TliteRead*)> onNextRow;

 private:
  bool doUpdate(const std::string& wherestr, bool clear);
  bool rowIdOf(int row, int64_t& id);
  [[nodiscard]] std::string condition(const std::string& wherestr) const;
  [[nodiscard]] std::string copiedColumns() const;
  [[nodiscard]] std::string table() const;  // the name as SQL
  bool checkedRun(TliteChange& change, const std::string& sql, const TsqlParams& params = {});

  std::vector<std::unique_ptr<TLiteColumn>> fcols;
  std::vector<TLiteColumn*> fstartcols;
  std::unique_ptr<TLiteColumn> dummycol;
  Tbytes fmem;
  std::vector<std::string> whereList;
  std::vector<int64_t> idList;
  int frow = -1;
  int frowcount = 0;
  int64_t frowid = 0;
  bool fwithrowid = false;
  bool fpartial = false;
};

// A keyed store of texts, stored files and links in a notes database of its own (the value of a
// NOTEBLOB column). Keys are system keys or user keys, each list sorted; every key reaches SQL
// bound, so any text is a key.
class Tnotes {
 public:
  Tnotes();
  ~Tnotes();
  Tnotes(const Tnotes&) = delete;
  Tnotes& operator=(const Tnotes&) = delete;

  // Closes the database, deletes the working file (unless preserveFile) and every written-out
  // file, and forgets all keys.
  void clear();
  [[nodiscard]] int count() const { return fsysnames.count() + fusernames.count(); }
  [[nodiscard]] bool changed() const { return fchanged; }
  [[nodiscard]] const TStringList& userKeys() const { return fusernames; }
  [[nodiscard]] const TStringList& systemKeys() const { return fsysnames; }
  [[nodiscard]] TliteDB& db() { return *fdb; }

  // The working file: opened (the table "notes" made when missing) and its keys read. A file
  // that is neither empty nor a sound SQLite database is refused: false, said, the store empty
  // and the file left alone. An empty name only clears.
  bool setdata(const std::string& value);
  [[nodiscard]] const std::string& database() const { return fdatabase; }
  // The bytes of a notes database as a new working file; refused as setdata refuses.
  bool LoadFromMem(const Tbytes& mem);

  bool addSystemKey(const std::string& name);
  [[nodiscard]] std::string text(const std::string& name);
  bool settext(const std::string& name, const std::string& value);
  // A temporary file holding the entry's stored file (the same file on later calls); empty
  // when the entry stores none.
  std::string filename(const std::string& name);
  // Stores the file's bytes under the key; false, nothing stored, when the file is missing.
  bool setfname(const std::string& name, const std::string& file);
  // Stores the file under its name without folder and lists that as a user key.
  bool add(const std::string& file);
  bool addAsLink(const std::string& file);
  [[nodiscard]] std::string link(const std::string& name);
  bool setLink(const std::string& name, const std::string& file);
  [[nodiscard]] std::string originalFilename(const std::string& name);
  [[nodiscard]] bool isLink(const std::string& name);
  bool deleteKey(const std::string& name);
  void deleteAll();
  bool rename(const std::string& oldname, const std::string& newname);

  // Keeps the working file when the store is cleared or freed.
  bool preserveFile = false;

 private:
  bool ensureFile();
  bool exists(const std::string& name);
  std::string field(const std::string& name, const char* column);
  // Updates the entry's columns, or inserts a row with them and `fresh` besides.
  bool write(const std::string& name, const std::vector<std::pair<const char*, TsqlParam>>& values,
             const std::vector<std::pair<const char*, TsqlParam>>& fresh);
  static void addKey(TStringList& list, const std::string& name);
  static bool removeKey(TStringList& list, const std::string& name);
  void dropWrittenOut();

  std::unique_ptr<TliteDB> fdb;
  std::string fdatabase;
  bool fchanged = false;
  TStringList fusernames, fsysnames;
  std::vector<std::pair<std::string, std::string>> tempnames;  // key, written-out file
};
