// gzip files on any bytes: inflated beside the input, which is removed again.
#include <cstdio>

#include "core/os_shell.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string source = fuzzenv::putFile("input.gz", data, size);
  try {
    std::remove(os->UnzipGZ(source, "out").c_str());
  } catch (const EGzipError&) {
  }
  return 0;
}
