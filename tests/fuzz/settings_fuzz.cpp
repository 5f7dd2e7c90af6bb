// Settings files (both readers) on any bytes: no fault, and what is saved is UTF-8 that reads
// back the same.
#include <cstdio>
#include <cstdlib>

#include "tests/core/ini_roundtrip.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = iniproperty::roundTripFault(fuzzenv::text(data, size), fuzzenv::folder());
  if (!fault.empty()) {
    std::fprintf(stderr, "settings round trip: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
