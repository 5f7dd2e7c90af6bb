// dBase column rewrites on any table the reader accepts: the input's first four bytes choose
// the changes (insert, delete, swap, amend, append, several deleted), the rest is the table.
// After each change that succeeds, every column it did not touch must read as before, in every
// row; a difference stops the run.
#include <vector>

#include "core/os_datatypes.h"
#include "storage/r_dbase.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

namespace {
constexpr int kRows = 32;
constexpr int kTypes[] = {ftString, ftInteger, ftBoolean, ftDouble, ftDate, ftDateTime, ftMemo};

// Every value of the first rows, column by column, as stored (dates as digits).
std::vector<std::vector<std::string>> snapshot(Tdbf& t) {
  t.wantRawDate = true;
  std::vector<std::vector<std::string>> cols(size_t(t.getcols()));
  const int rows = t.records() < kRows ? t.records() : kRows;
  for (int c = 0; c < t.getcols(); ++c)
    for (int r = 0; r < rows; ++r) cols[size_t(c)].push_back(t.getString(c, r));
  return cols;
}

// Column `before` of the old table is column `after` now, with the same values.
void same(const std::vector<std::vector<std::string>>& old, const std::vector<std::vector<std::string>>& now, int before,
          int after) {
  if (before < 0 || after < 0 || size_t(before) >= old.size() || size_t(after) >= now.size() ||
      old[size_t(before)] != now[size_t(after)])
    __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  Tdbf t;
  t.setfname(fuzzenv::putFile("columns.dbf", data + 4, size - 4));
  if (!t.writable() || t.getcols() == 0 || !t.restructureBlock().empty()) return 0;
  const int records = t.records();
  for (size_t i = 0; i < 4 && t.isOpen() && t.getcols() > 0; ++i) {
    const int b = data[i], n = t.getcols();
    const int col = (b >> 3) % n, other = (b >> 5) % n;
    const int type = kTypes[(b >> 2) % (sizeof kTypes / sizeof kTypes[0])];
    const auto old = snapshot(t);
    switch (b % 6) {
      case 0: {
        const int at = (b >> 3) % (n + 1);
        if (!t.InsertColumn(at, type, 1 + b % 30, b % 4, "new")) break;
        const auto now = snapshot(t);
        for (int c = 0; c < n; ++c) same(old, now, c, c < at ? c : c + 1);
        break;
      }
      case 1: {
        if (n < 2 || !t.DeleteColumn(col)) break;
        const auto now = snapshot(t);
        for (int c = 0; c < n; ++c)
          if (c != col) same(old, now, c, c < col ? c : c - 1);
        break;
      }
      case 2: {
        if (!t.swapColumns(col, other)) break;
        const auto now = snapshot(t);
        for (int c = 0; c < n; ++c) same(old, now, c, c == col ? other : c == other ? col : c);
        break;
      }
      case 3: {
        if (!t.AmendColumn(col, type, 1 + b % 20, b % 3, "amended")) break;
        const auto now = snapshot(t);
        for (int c = 0; c < n; ++c)
          if (c != col) same(old, now, c, c);
        break;
      }
      case 4: {
        const std::string def = fuzzenv::folder() + "columns.txt";
        t.generateDefinition(def, n, type, 1 + b % 40, b % 5, "added");
        if (!t.appendcolumns(def)) break;
        const auto now = snapshot(t);
        for (int c = 0; c < n; ++c) same(old, now, c, c);
        break;
      }
      default: {
        if (n < 3 || col == other || !t.DeleteColumns({col, other})) break;
        const auto now = snapshot(t);
        int k = 0;
        for (int c = 0; c < n; ++c)
          if (c != col && c != other) same(old, now, c, k++);
      }
    }
    // Every rewrite keeps every record.
    if (t.isOpen() && t.records() != records) __builtin_trap();
  }
  return 0;
}
