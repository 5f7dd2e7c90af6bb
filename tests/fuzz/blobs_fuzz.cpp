// Memory blobs on any bytes: their format told from their first bytes, a stored name read.
#include "core/os_shell.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string name;
  (void)TosShell::blobFormat(data, size, name);
  (void)TosShell::blobFormat(size ? data : nullptr, size);
  return 0;
}
