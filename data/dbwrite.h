// TdbWrite: the builder's small writer of new SQLite databases: a fresh file, statements run
// inside one transaction, rows inserted through bound parameters.
#pragma once
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kdata {

using TdbValue = std::variant<std::nullptr_t, int64_t, double, std::string, std::vector<uint8_t>>;

class TdbWrite {
 public:
  TdbWrite() = default;
  ~TdbWrite();
  TdbWrite(const TdbWrite&) = delete;
  TdbWrite& operator=(const TdbWrite&) = delete;

  // Replaces any file of that name and begins a transaction.
  bool create(const std::string& filename);
  bool exec(const std::string& sql);
  // INSERT INTO `table` VALUES (?, ?, ...) with the given values.
  bool insert(const std::string& table, const std::vector<TdbValue>& values);
  // Commits and closes.
  bool finish();
  [[nodiscard]] const std::string& error() const { return ferror; }

 private:
  bool failed(const std::string& what);
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  std::string stmtTable;
  std::string ferror;
};

}  // namespace kdata
