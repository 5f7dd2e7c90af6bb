// BMP files on any bytes through every pixel buffer that reads them.
#include <vector>

#include "core/r_bitmapRaw.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  TrawBitmap24 colour;
  if (colour.loadfromMem(bytes)) {
    Tbgr c;
    colour.getPixel(colour.width() - 1, colour.height() - 1, c);
  }
  TbitmapMono mono;
  if (mono.LoadFromMem(bytes)) (void)mono.isWhite(mono.width() - 1, 0);
  TrawBitmap raw;
  if (raw.loadfromfile(fuzzenv::putFile("input.bmp", data, size))) {
    uint8_t r = 0, g = 0, b = 0;
    raw.getcolour24(raw.width() - 1, raw.height() - 1, r, g, b);
  }
  return 0;
}
