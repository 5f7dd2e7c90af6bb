// GIF decoding on any bytes (see image_fuzz.h).
#include "tests/fuzz/image_fuzz.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return decodeOne(data, size); }
