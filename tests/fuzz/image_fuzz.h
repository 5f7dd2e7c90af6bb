// Image decoding on any bytes: a decode either fails with a reason and no image, or gives an
// image whose pixels are all there; extracts of an opened image in every layout do the same.
#pragma once
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/imagecodec.h"
#include "tests/fuzz/fuzz_env.h"

inline int decodeOne(const uint8_t* data, size_t size) {
  platform::TrgbImage image;
  std::string error;
  const bool ok = platform::decodeImage(data, size, image, error);
  if (ok != (image.rgb.size() == size_t(image.width) * image.height * 3 && !image.empty())) std::abort();
  if (!ok && (error.empty() || !image.rgb.empty())) std::abort();
  auto source = platform::openImage(std::vector<uint8_t>(data, data + size), error);
  if (!source) return 0;
  const int w = source->width(), h = source->height();
  if (w <= 0 || h <= 0) std::abort();
  // A corner, the middle and the last pixel, each in a layout of its own.
  const int rects[3][4] = {{0, 0, std::min(w, 17), std::min(h, 9)}, {w / 3, h / 2, std::min(w - w / 3, 33), 1},
                           {w - 1, h - 1, 1, 1}};
  const platform::PixelLayout layouts[3] = {platform::PixelLayout::Bgr24, platform::PixelLayout::Mono1,
                                            platform::PixelLayout::Grey8};
  for (int i = 0; i < 3; ++i) {
    const auto& r = rects[i];
    const size_t stride = platform::rowBytesOf(layouts[i], r[2]);
    std::vector<uint8_t> out(stride * size_t(r[3]));
    if (!source->extract(r[0], r[1], r[2], r[3], layouts[i], out.data(), stride, error) && error.empty()) std::abort();
  }
  // An extract that decodes holds the very pixels of its part of the whole image (bands of a
  // file turned over, cropped rows, interlaced passes).
  if (ok && image.width == w && image.height == h) {
    const int left = w / 3, top = h / 3, ew = std::min(w - left, 21), eh = std::min(h - top, 13);
    std::vector<uint8_t> part(size_t(ew) * eh * 3);
    if (source->extract(left, top, ew, eh, platform::PixelLayout::Rgb24, part.data(), size_t(ew) * 3, error))
      for (int y = 0; y < eh; ++y)
        if (std::memcmp(part.data() + size_t(y) * ew * 3, image.pixel(left, top + y), size_t(ew) * 3) != 0 &&
            source->kind() != platform::ImageKind::Jpeg)  // cropped JPEG rows may smooth their edges
          std::abort();
  }
  return 0;
}
