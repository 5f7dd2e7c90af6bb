// ZIP archives on any bytes: extracted into a folder of their own, which is emptied again.
#include <filesystem>

#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string archive = fuzzenv::putFile("input.zip", data, size);
  const std::string target = fuzzenv::folder() + "unzipped/";
  (void)os->unzip(archive, target);
  std::error_code ec;
  std::filesystem::remove_all(target, ec);
  return 0;
}
