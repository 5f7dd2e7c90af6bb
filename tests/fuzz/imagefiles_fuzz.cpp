// Image files on any bytes: every header reader and the georeferencing readers on the bytes as
// a file and as a stream, and the image object decoding, sampling and fitting extracts of them.
#include <vector>

#include "imaging/r_BitBase.h"
#include "imaging/r_wic.h"
#include "platform/TMemoryStream.h"
#include "platform/canvas.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream mem;
  mem.write(data, int64_t(size));
  int32_t w = 0, h = 0, d = 0;
  GetBmpSize(mem, w, h, d);
  GetTifSize(mem, w, h, d);
  GetPNGSize(mem, w, h);
  GetJPGSize(mem, w, h);
  double x1, y1, x2, y2, mp;
  std::string description;
  for (const char* name : {"in.tif", "in.bmp", "in.jpg"}) {
    const std::string file = fuzzenv::putFile(name, data, size);
    getCalibration(file, x1, y1, x2, y2, mp);
    GetGeoTiff(file, x1, y1, x2, y2, mp, w, h, description);
    getQycalibration(file, x1, y2, mp);
  }
  getWorldFile(fuzzenv::putFile("in.tfw", data, size), x1, y2, mp);
  // The image object on the bytes, by each type whose header it reads.
  for (int type : {3, 4, 5, 140, 161}) {
    Twic image(mem, type);
    image.logging = false;
    if (image.width() <= 0 || image.height() <= 0) continue;
    image.getImage(image.width() / 2, 0, image.width() / 2 + 9, 7);
    Tbgr c;
    image.getPixelD(1.5, 0.5, c);
    image.getMonoImage(0, image.height() - 1, 40, image.height());
    if (uint64_t(image.width()) * image.height() <= 512 * 512) {
      platform::TBitmap box;
      box.SetPixelFormat(platform::pf24bit);
      box.SetSize(24, 24);
      image.BitmapToBox(box.Canvas(), {0, 0, 24, 24});
    }
  }
  return 0;
}
