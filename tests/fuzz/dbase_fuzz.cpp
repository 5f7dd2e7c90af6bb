// dBase tables on any bytes: opening, every value of every row, a row appended and a column
// inserted, on a copy of the input.
#include "storage/r_dbase.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Tdbf t;
  t.setfname(fuzzenv::putFile("input.dbf", data, size));
  const int rows = t.records() < 64 ? t.records() : 64;
  for (int r = -1; r <= rows; ++r)
    for (int c = -1; c <= t.getcols(); ++c) {
      (void)t.getString(c, r);
      (void)t.getDouble(c, r);
      (void)t.getDate(c, r);
    }
  (void)t.getRow(0);
  (void)t.findRowFromValue(0, "x");
  if (t.isOpen() && t.getcols() > 0) {
    int r = t.addrow();
    t.setStringValue(0, r, "value");
    t.InsertColumn(0, ftInteger, 0, 0, "new");
  }
  return 0;
}
