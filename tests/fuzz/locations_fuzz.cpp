// The locations file on any bytes: read into the locations model, which saves and reads back.
#include "astro/r_SunLoc.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = fuzzenv::putFile("locations.ini", data, size);
  Tlocations model(1920);
  model.loadfromfile(name);
  for (int i = 0; i < model.count(); ++i) (void)model.getLoc(i).name;
  model.saveToFile(fuzzenv::folder() + "saved.ini");
  Tlocations back(1920);
  back.loadfromfile(fuzzenv::folder() + "saved.ini");
  return 0;
}
