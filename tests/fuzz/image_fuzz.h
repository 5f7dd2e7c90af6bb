// JPEG and PNG decoding on any bytes: a decode either fails with a reason and no image, or
// gives an image whose pixels are all there.
#pragma once
#include <cstdlib>

#include "platform/imagecodec.h"
#include "tests/fuzz/fuzz_env.h"

inline int decodeOne(const uint8_t* data, size_t size) {
  platform::TrgbImage image;
  std::string error;
  const bool ok = platform::decodeImage(data, size, image, error);
  if (ok != (image.rgb.size() == size_t(image.width) * image.height * 3 && !image.empty())) std::abort();
  if (!ok && (error.empty() || !image.rgb.empty())) std::abort();
  return 0;
}
