// TliteDB: one blob or point list of a table read or written by a condition, and NULL tests.
// Blobs are copied whole; point lists go through the checked decoder.
#include "storage/r_sqlite.h"

namespace {
std::string selectColumn(const std::string& table, const std::string& column) {
  return "SELECT " + sqlIdent(column) + " FROM " + sqlIdent(table);
}
}  // namespace

bool TliteDB::getColumnBlob(const std::string& table, const std::string& colName, const TwhereClause& where,
                            Tbytes& mem) {
  sqlite3_stmt* s = startWhere(selectColumn(table, colName), where, true);
  if (!s) return false;
  const bool row = getnext(s);
  bool out = false;
  if (ColumnCount(s) > 0 && isBlob(s, 0)) {
    if (row) out = getBlob(s, 0, mem);
    else mem.clear();
  }
  finish(s);
  return out;
}

bool TliteDB::getColumnXY(const std::string& table, const std::string& colName, const TwhereClause& where,
                          TpolyXyValues& xy) {
  sqlite3_stmt* s = startWhere(selectColumn(table, colName), where, true);
  if (!s) return false;
  bool out = getnext(s) && isBlob(s, 0) && getXY(s, 0, xy);
  finish(s);
  return out;
}

bool TliteDB::isColumnNull(const std::string& table, const std::string& colname, const TwhereClause& where) {
  sqlite3_stmt* s = startWhere(selectColumn(table, colname), where, true);
  if (!s) return true;
  bool out = ColumnCount(s) == 0 || !getnext(s) || q->Sqlite3_ColumnBytes(s, 0) <= 0;
  finish(s);
  return out;
}

bool TliteDB::setColumnBlob(const std::string& table, const std::string& colName, const TwhereClause& where,
                            const Tbytes* mem) {
  if (where.empty()) {
    RaiseError("setColumnBlob needs a condition", "");
    return false;
  }
  return execWhere("UPDATE " + sqlIdent(table) + " SET " + sqlIdent(colName) + " = ?", {TsqlParam::ofBlob(mem)},
                   where, true);
}

bool TliteDB::setColumnNull(const std::string& table, const std::string& colname, const TwhereClause& where) {
  return setColumnBlob(table, colname, where, nullptr);
}
