// Number and time texts on any bytes: every reader of numbers, booleans, colours and date-time
// stamps.
#include "core/os_numbertext.h"
#include "core/r_date.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string s = fuzzenv::text(data, size);
  double d = 0;
  (void)os->StrToDouble(s, d);
  (void)os->StrToDoubleUK(s, d);
  int32_t i = 0;
  (void)TosNumberText::StrToInt(s, i);
  uint32_t c = 0;
  (void)TosNumberText::StrToCardinal(s, c);
  (void)TosNumberText::strToRGB(s);
  static TdateMan dates(2024, 0);
  (void)dates.SQLtime(s);
  (void)dates.SQLtimeDT(s);
  int y, mo, dd, h, mi, se;
  dates.SQLdate(s, y, mo, dd, h, mi, se);
  platform::TDateTime dt = 0;
  dates.SQLdate(s, dt);
  (void)dates.strToDate(s, dt);
  return 0;
}
