// TliteDB: single values, aggregates, row counts and row ids, unique values and names, and
// updates of one or several columns. Conditions come as a TwhereClause; values are bound.
#include "storage/r_sqlite.h"

#include <algorithm>
#include <cctype>

#include "core/os_filetypes.h"
#include "core/os_shell.h"
#include "platform/text.h"
#include "storage/storage_text.h"

namespace {
// An SQL function name: letters, digits and underscores, not starting with a digit.
bool isFunctionName(const std::string& f) {
  if (f.empty() || std::isdigit(static_cast<unsigned char>(f[0]))) return false;
  return std::all_of(f.begin(), f.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}
std::string selectFrom(const std::string& what, const std::string& table) { return "SELECT " + what + " FROM " + sqlIdent(table); }
}  // namespace

// head + " WHERE " + condition (always, or only for a condition), with its parameters.
sqlite3_stmt* TliteDB::startWhere(const std::string& head, const TwhereClause& where, bool always) {
  if (always || !where.empty()) return start(head + " WHERE " + where.sql(), where.params());
  return start(head);
}

bool TliteDB::execWhere(const std::string& head, const TsqlParams& headParams, const TwhereClause& where,
                        bool doUpdate) {
  TsqlParams params = headParams;
  params.insert(params.end(), where.params().begin(), where.params().end());
  return ExecParams(where.empty() ? head : head + " WHERE " + where.sql(), params, doUpdate);
}

// ---------------------------------------------------------------------------------------------
// Aggregates

int32_t TliteDB::getMaxI(const std::string& table, const std::string& column, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom("max(" + sqlIdent(column) + ")", table), where, false);
  int32_t out = s && getnext(s) ? getint(s, 0) : -1;
  finish(s);
  return out;
}

int32_t TliteDB::getMinI(const std::string& table, const std::string& column, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom("min(" + sqlIdent(column) + ")", table), where, false);
  int32_t out = s && getnext(s) ? getint(s, 0) : -1;
  finish(s);
  return out;
}

double TliteDB::getMaxD(const std::string& table, const std::string& column, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom("max(" + sqlIdent(column) + ")", table), where, false);
  double out = s && getnext(s) ? getdouble(s, 0) : -1;
  finish(s);
  return out;
}

double TliteDB::getMinD(const std::string& table, const std::string& column, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom("min(" + sqlIdent(column) + ")", table), where, false);
  double out = s && getnext(s) ? getdouble(s, 0) : -1;
  finish(s);
  return out;
}

double TliteDB::getFunction(const std::string& func, const std::string& table, const std::string& colname,
                            const TwhereClause& where) {
  if (!isFunctionName(func)) {
    RaiseError("Not an SQL function name: " + func, "");
    return 0;
  }
  sqlite3_stmt* s = startWhere("SELECT " + func + "(" + sqlIdent(colname) + ") from " + sqlIdent(table), where, false);
  if (!s) return 0;
  fstate = sql_reading;
  double out = 0;
  if (getnext(s)) {
    switch (q->Sqlite3_ColumnType(s, 0)) {
      case SQLITE_INTEGER: out = static_cast<double>(q->Sqlite3_ColumnInt64(s, 0)); break;
      case SQLITE_FLOAT: out = getdouble(s, 0); break;
      case SQLITE_TEXT: out = storage_text::strToDouble(getstr(s, 0)); break;
      default: out = 0;
    }
  }
  finish(s);
  fstate = sql_none;
  return out;
}

double TliteDB::getTotal(const std::string& table, const std::string& colname, const TwhereClause& where) {
  return getFunction("total", table, colname, where);
}

// ---------------------------------------------------------------------------------------------
// Single values

int32_t TliteDB::getI(const std::string& table, const std::string& column, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom(sqlIdent(column), table), where, true);
  int32_t out = s && getnext(s) ? getint(s, 0) : -1;
  finish(s);
  return out;
}

double TliteDB::getD(const std::string& table, const std::string& column, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom(sqlIdent(column), table), where, true);
  double out = s && getnext(s) ? getdouble(s, 0) : -1;
  finish(s);
  return out;
}

std::string TliteDB::getS(const std::string& table, const std::string& column, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom(sqlIdent(column), table), where, true);
  std::string out;
  if (s && getnext(s)) {
    if (genericDataType(ColumnType(s, 0)) == ftBlob) {
      int size = 0;
      const void* pt = nullptr;
      out = getBlob(s, 0, size, pt) ? "data" : "";
    } else {
      out = getstr(s, 0);
    }
  }
  finish(s);
  return out;
}

std::string TliteDB::getColumnValue(const std::string& table, const std::string& colName, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom(sqlIdent(colName), table), where, true);
  if (!s) return "";
  const bool row = getnext(s);
  std::string out;
  if (ColumnCount(s) > 0) {
    if (isBlob(s, 0)) {
      // The size; above 10 bytes the file type's extension, or the file name a named blob holds.
      int size = 0;
      const void* pt = nullptr;
      if (row) getBlob(s, 0, size, pt);
      out = std::to_string(size);
      if (size > 10) {
        std::string name;
        const int code = TosShell::blobFormat(pt, static_cast<size_t>(size), name);
        out = name.empty() ? TosFileTypes::getEXT(code) : name;
      }
    } else if (row) {
      out = getstr(s, 0);
    }
  }
  finish(s);
  return out;
}

int TliteDB::getRowID(const std::string& table, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom("ROWID", table), where, true);
  int out = s && getnext(s) ? getint(s, 0) : -1;
  finish(s);
  return out;
}

void TliteDB::getRowIDs(const std::string& table, const TwhereClause& where, std::vector<int32_t>& list) {
  list.clear();
  sqlite3_stmt* s = startWhere(selectFrom("ROWID", table), where, false);
  while (s && getnext(s)) list.push_back(getint(s, 0));
  finish(s);
}

void TliteDB::getColumnValues(const std::string& table, const std::string& colName, const TwhereClause& where,
                              TStringList& list) {
  list.clear();
  sqlite3_stmt* s = startWhere(selectFrom(sqlIdent(colName), table), where, false);
  if (s && ColumnCount(s) > 0) {
    const bool blob = isBlob(s, 0);
    while (getnext(s)) list.add(blob ? std::to_string(q->Sqlite3_ColumnBytes(s, 0)) : getstr(s, 0));
  }
  finish(s);
}

int TliteDB::GetRowCount(const std::string& table, const TwhereClause& where) {
  if (!tableExists(table)) return 0;
  sqlite3_stmt* s = startWhere(selectFrom("COUNT(*)", table), where, false);
  int out = s && getnext(s) ? getint(s, 0) : 0;
  finish(s);
  return out;
}

bool TliteDB::exists(const std::string& table, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectFrom("ROWID", table), where, true);
  bool out = s && getnext(s);
  finish(s);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Unique values

void TliteDB::UniqueValuesList(const std::string& table, const std::string& colname, const TwhereClause& where,
                               TStringList& list) {
  std::vector<std::string> values;
  sqlite3_stmt* s = startWhere(selectFrom("DISTINCT " + sqlIdent(colname), table), where, false);
  while (s && getnext(s)) {
    std::string v = getstr(s, 0);
    if (std::none_of(values.begin(), values.end(), [&](const std::string& x) { return platform::sameNoCase(x, v); }))
      values.push_back(v);
  }
  finish(s);
  std::stable_sort(values.begin(), values.end(),
                   [](const std::string& a, const std::string& b) { return platform::compareNoCase(a, b) < 0; });
  list.clear();
  for (const auto& v : values) list.add(v);
}

std::string TliteDB::uniqueName(const std::string& table, const std::string& colname, const std::string& basename) {
  if (!exists(table, TwhereClause::equals(colname, basename))) return basename;
  for (int n = 1;; ++n) {
    std::string name = basename + " (" + std::to_string(n) + ")";
    if (!exists(table, TwhereClause::equals(colname, name))) return name;
  }
}

std::string TliteDB::uniqueName(const std::string& table, const std::string& colname, const TwhereClause& where,
                                const std::string& basename) {
  TStringList list;
  UniqueValuesList(table, colname, where, list);
  if (list.indexOf(basename) < 0) return basename;
  for (int n = 1;; ++n) {
    std::string name = basename + " (" + std::to_string(n) + ")";
    if (list.indexOf(name) < 0) return name;
  }
}

// ---------------------------------------------------------------------------------------------
// Updates: true only when a row changed. Inside a caller's transaction they join it; otherwise
// each runs in its own, rolled back when it fails.

bool TliteDB::setColumnValue(const std::string& table, const std::string& colName, const TwhereClause& where,
                             const std::string& value, bool doUpdate) {
  (void)doUpdate;  // both forms run in a transaction of their own unless the caller has one
  bool ok = execWhere("UPDATE " + sqlIdent(table) + " SET " + sqlIdent(colName) + " = ?",
                      {TsqlParam::ofText(value)}, where, true);
  return ok && lastChanges > 0;
}

bool TliteDB::setColumnValue(const std::string& table, const std::string& colName, const std::string& value,
                             const std::string& wherecol, const std::string& wherevalue) {
  TwhereClause condition = TwhereClause::equals(wherecol, wherevalue);
  if (exists(table, condition)) {
    setColumnValue(table, colName, condition, value);
    return false;
  }
  return ExecParams("INSERT INTO " + sqlIdent(table) + " ( " + sqlIdent(colName) + ", " + sqlIdent(wherecol) +
                        " ) VALUES ( ?, ? )",
                    {TsqlParam::ofText(value), TsqlParam::ofText(wherevalue)}, true);
}

bool TliteDB::setColumnValues(const std::string& table, const std::string& keyValues, const TwhereClause& where) {
  return setColumns(table, keyValues, where, true);
}

bool TliteDB::setColumns(const std::string& table, const std::string& keysValues, const TwhereClause& where,
                         bool doUpdate) {
  (void)doUpdate;
  bool ok = execWhere("UPDATE " + sqlIdent(table) + " SET " + keysValues, {}, where, true);
  return ok && lastChanges > 0;
}

bool TliteDB::addNewValue(const std::string& table, const std::string& colName, const std::string& value) {
  return ExecParams("INSERT INTO " + sqlIdent(table) + " ( " + sqlIdent(colName) + " ) VALUES ( ? )",
                    {TsqlParam::ofText(value)}, true);
}
