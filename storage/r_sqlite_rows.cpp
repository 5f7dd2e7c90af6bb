// TliteDB: adding rows (a caller's SQL values, bound values, many rows at once), replacing a
// table's rows, deleting rows, and swapping or copying rows and row ids. Values move as stored:
// read with their storage class and bound back with it.
#include "storage/r_sqlite.h"

#include <deque>

#include "platform/text.h"

namespace {
std::string insertInto(const std::string& table) { return "INSERT INTO " + sqlIdent(table); }

// The values of the columns of one row, each bound back with its storage class; blobs are held
// in `store`. False when the row does not exist or cannot be read.
bool readStored(TliteDB& db, const std::string& table, const std::vector<std::string>& columns, int64_t rowid,
                TsqlParams& out, std::deque<Tbytes>& store) {
  std::string list;
  for (const auto& c : columns) list += (list.empty() ? "" : ", ") + sqlIdent(c);
  sqlite3_stmt* s = db.start("SELECT " + list + " FROM " + sqlIdent(table) + " WHERE ROWID = ?", {TsqlParam::ofInt(rowid)});
  if (!s) return false;
  const bool row = db.getnext(s);
  out.clear();
  for (int i = 0; row && i < static_cast<int>(columns.size()); ++i) {
    switch (q->Sqlite3_ColumnType(s, i)) {
      case SQLITE_INTEGER: out.push_back(TsqlParam::ofInt(q->Sqlite3_ColumnInt64(s, i))); break;
      case SQLITE_FLOAT: out.push_back(TsqlParam::ofReal(q->Sqlite3_ColumnDouble(s, i))); break;
      case SQLITE_TEXT: out.push_back(TsqlParam::ofText(q->Sqlite3_ColumnText(s, i))); break;
      case SQLITE_BLOB: {
        Tbytes& b = store.emplace_back();
        db.getBlob(s, i, b);
        out.push_back(TsqlParam::ofBytes(&b));
        break;
      }
      default: out.push_back(TsqlParam::null());
    }
  }
  db.finish(s);
  return row;
}

// "UPDATE table SET `a` = ?, `b` = ? WHERE ROWID = ?" with the values and the row id.
bool updateRow(TliteDB& db, const std::string& table, const std::vector<std::string>& columns, TsqlParams values,
               int64_t rowid) {
  std::string set;
  for (const auto& c : columns) set += (set.empty() ? "" : ", ") + sqlIdent(c) + " = ?";
  values.push_back(TsqlParam::ofInt(rowid));
  return db.ExecParams("UPDATE " + sqlIdent(table) + " SET " + set + " WHERE ROWID = ?", values) && db.lastChanges == 1;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Adding rows

bool TliteDB::addnewRow(const std::string& table) { return ExecSQL(insertInto(table) + " DEFAULT VALUES;"); }

bool TliteDB::addnewRow(const std::string& table, const std::string& values) {
  if (values.empty()) return addnewRow(table);
  return ExecSQL(insertInto(table) + " VALUES (" + values + ");");
}

bool TliteDB::addnewRow(const std::string& table, const std::string& values, const Tbytes* blob) {
  return ExecSQL(insertInto(table) + " VALUES (" + values + ");", std::vector<const Tbytes*>{blob});
}

bool TliteDB::addnewRow(const std::string& table, const std::string& values, const std::vector<const Tbytes*>& blobs) {
  return ExecSQL(insertInto(table) + " VALUES (" + values + ");", blobs);
}

bool TliteDB::addnewRow(const std::string& table, const TsqlParams& values) {
  if (values.empty()) return addnewRow(table);
  std::string marks;
  for (size_t i = 0; i < values.size(); ++i) marks += i == 0 ? "?" : ", ?";
  return ExecParams(insertInto(table) + " VALUES (" + marks + ");", values);
}

// One prepared statement stepped once per row, all in one change.
bool TliteDB::addnewRows(const std::string& table, const TStringList& columns, const TStringList& values) {
  TprocScope proc(*this, "addnewRows");
  if (columns.empty()) return false;
  const int width = columns.count();
  const int rows = values.count() / width;
  std::string names, marks;
  for (int i = 0; i < width; ++i) {
    names += (i == 0 ? "" : ", ") + sqlIdent(columns[i]);
    marks += i == 0 ? "?" : ", ?";
  }
  const std::string sql = insertInto(table) + " (" + names + ") VALUES (" + marks + ")";
  lastquery = sql;
  TliteChange change(*this);
  if (!change.begun()) return false;
  sqlite3_stmt* s = start(sql);
  if (!s) return false;
  bool ok = true;
  TsqlParams row(static_cast<size_t>(width));
  for (int r = 0; ok && r < rows; ++r) {
    for (int c = 0; c < width; ++c) {
      row[static_cast<size_t>(c)].kind = TsqlParam::Kind::Text;
      row[static_cast<size_t>(c)].text = values[r * width + c];
    }
    ok = bindParams(s, row, sql);
    const int rc = ok ? q->Sqlite3_Step(s) : SQLITE_MISUSE;
    if (ok && rc != SQLITE_DONE) {
      RaiseError("Error executing SQL statement\nError: " + errorMessage(rc) + "\nRow: " + std::to_string(r + 1) +
                     "\nFile: " + fname,
                 sql);
      ok = false;
    }
    q->SQLite3_Reset(s);
  }
  finish(s);
  return ok && change.commit();
}

bool TliteDB::setTable(const std::string& table, const TStringList& values) {
  const TStringList columns = columnNames(table);
  if (columns.empty()) return false;
  TliteChange change(*this);
  return change.begun() && Delete(table, {}) && addnewRows(table, columns, values) && change.commit();
}

bool TliteDB::Delete(const std::string& table, const TwhereClause& where) {
  return execWhere("DELETE FROM " + sqlIdent(table), {}, where, true);
}

// ---------------------------------------------------------------------------------------------
// Swapping and copying

// Through an id no row has, in one change.
bool TliteDB::swapRowids(const std::string& table, int64_t a, int64_t b) {
  TprocScope proc(*this, "swapRowids");
  TliteChange change(*this);
  if (!change.begun()) return false;
  const std::string t = sqlIdent(table);
  sqlite3_stmt* s = start("SELECT count(*), (SELECT max(ROWID) FROM " + t + ") FROM " + t + " WHERE ROWID IN (?, ?)",
                          {TsqlParam::ofInt(a), TsqlParam::ofInt(b)});
  const bool read = s && getnext(s);
  const int64_t found = read ? q->Sqlite3_ColumnInt64(s, 0) : 0;
  const int64_t maxId = read ? q->Sqlite3_ColumnInt64(s, 1) : 0;
  finish(s);
  if (!read || found != (a == b ? 1 : 2)) {
    if (read) log("swapRowids: no row " + std::to_string(found == 0 ? a : (a == b ? a : b)) + " in " + table);
    return false;
  }
  if (a == b) return change.commit();
  if (maxId == INT64_MAX) return false;
  const int64_t spare = maxId + 1;
  auto move = [&](int64_t from, int64_t to) {
    return ExecParams("UPDATE " + t + " SET ROWID = ? WHERE ROWID = ?", {TsqlParam::ofInt(to), TsqlParam::ofInt(from)}) &&
           lastChanges == 1;
  };
  return move(a, spare) && move(b, a) && move(spare, b) && change.commit();
}

// Every column but the primary key, values as stored; in one change.
namespace {
bool doSwapRows(TliteDB& db, const std::string& table, int64_t a, int64_t b, bool asCopy) {
  const std::string key = db.getPrimaryCol(table);
  std::vector<std::string> columns;
  const TStringList& names = db.columnNames(table);
  for (int i = 0; i < names.count(); ++i)
    if (names[i] != key) columns.push_back(names[i]);
  if (columns.empty()) return false;
  TliteChange change(db);
  if (!change.begun()) return false;
  std::deque<Tbytes> store;
  TsqlParams rowA, rowB;
  if (!readStored(db, table, columns, a, rowA, store) || !readStored(db, table, columns, b, rowB, store)) {
    db.log("row " + std::to_string(a) + " or " + std::to_string(b) + " not found in " + table);
    return false;
  }
  if (!asCopy && !updateRow(db, table, columns, rowB, a)) return false;
  return updateRow(db, table, columns, rowA, b) && change.commit();
}
}  // namespace

bool TliteDB::swapRows(const std::string& table, int64_t rowIda, int64_t rowIdb) {
  return doSwapRows(*this, table, rowIda, rowIdb, false);
}

bool TliteDB::copyRow(const std::string& table, int64_t sourceId, int64_t targetId) {
  return doSwapRows(*this, table, sourceId, targetId, true);
}
