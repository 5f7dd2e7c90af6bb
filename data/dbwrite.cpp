// TdbWrite: see dbwrite.h.
#include "data/dbwrite.h"

#include <cstdio>

namespace kdata {

TdbWrite::~TdbWrite() {
  if (stmt) sqlite3_finalize(stmt);
  if (db) sqlite3_close(db);
}

bool TdbWrite::failed(const std::string& what) {
  ferror = what + ": " + (db ? sqlite3_errmsg(db) : "no database");
  return false;
}

bool TdbWrite::create(const std::string& filename) {
  std::remove(filename.c_str());
  if (sqlite3_open_v2(filename.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
    return failed("open " + filename);
  return exec("PRAGMA journal_mode=OFF") && exec("BEGIN");
}

bool TdbWrite::exec(const std::string& sql) {
  if (!db) return failed(sql);
  char* msg = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
    ferror = sql + ": " + (msg ? msg : "failed");
    sqlite3_free(msg);
    return false;
  }
  return true;
}

bool TdbWrite::insert(const std::string& table, const std::vector<TdbValue>& values) {
  if (!db) return failed("insert");
  if (!stmt || stmtTable != table) {
    if (stmt) sqlite3_finalize(stmt);
    stmt = nullptr;
    std::string sql = "INSERT INTO `" + table + "` VALUES (";
    for (size_t i = 0; i < values.size(); ++i) sql += i ? ", ?" : "?";
    sql += ")";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return failed(sql);
    stmtTable = table;
  }
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  for (size_t i = 0; i < values.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    const TdbValue& v = values[i];
    int rc = SQLITE_OK;
    if (auto* iv = std::get_if<int64_t>(&v)) rc = sqlite3_bind_int64(stmt, n, *iv);
    else if (auto* dv = std::get_if<double>(&v)) rc = sqlite3_bind_double(stmt, n, *dv);
    else if (auto* sv = std::get_if<std::string>(&v)) rc = sqlite3_bind_text(stmt, n, sv->c_str(), int(sv->size()), SQLITE_TRANSIENT);
    else if (auto* bv = std::get_if<std::vector<uint8_t>>(&v)) rc = sqlite3_bind_blob(stmt, n, bv->data(), int(bv->size()), SQLITE_TRANSIENT);
    else rc = sqlite3_bind_null(stmt, n);
    if (rc != SQLITE_OK) return failed("bind " + table);
  }
  if (sqlite3_step(stmt) != SQLITE_DONE) return failed("insert " + table);
  return true;
}

bool TdbWrite::finish() {
  if (stmt) sqlite3_finalize(stmt);
  stmt = nullptr;
  const bool ok = exec("COMMIT");
  if (db) sqlite3_close(db);
  db = nullptr;
  return ok;
}

}  // namespace kdata
