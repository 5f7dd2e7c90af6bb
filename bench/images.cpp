// Image files: a 4000 x 3000 JPEG fitted into a preview box (aim 250 ms), a 1024 x 1024 extract
// of a tiled 20000 x 20000 TIFF (aim 60 ms: only its tiles decoded), 960 x 540 magnified to
// 1920 x 1080 by the resampler (aim 40 ms), and a mask treatment of 1920 x 1080 (aim 20 ms).
#include <benchmark/benchmark.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "bench/bench_home.h"
#include "core/Tbm24.h"
#include "imaging/r_bmSmooth.h"
#include "imaging/r_wic.h"
#include "platform/canvas.h"
#include "platform/imagecodec.h"

namespace {

std::string benchDir() {
  static const std::string dir = [] {
    const std::string d = benchhome::path("images/");
    std::filesystem::create_directories(d);
    std::atexit([] { std::filesystem::remove_all(benchDir()); });
    return d;
  }();
  return dir;
}

// A photograph-like picture: smooth shading with some noise, so JPEG has real work.
std::vector<uint8_t> picture(int w, int h, int channels) {
  std::vector<uint8_t> px(size_t(w) * h * channels);
  std::mt19937 rng(7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c)
        px[(size_t(y) * w + x) * channels + c] = uint8_t((x * (c + 1) / 16 + y / (c + 3)) + (rng() & 15));
  return px;
}

void BM_JpegIntoPreviewBox(benchmark::State& state) {
  const std::string file = benchDir() + "photo.jpg";
  platform::TrgbImage im{4000, 3000, picture(4000, 3000, 3)};
  std::string error;
  if (!platform::encodeJpegFile(file, im, 90, error)) state.SkipWithError(error.c_str());
  platform::TBitmap box;
  box.SetPixelFormat(platform::pf24bit);
  box.SetSize(300, 200);
  for (auto _ : state) {
    Twic w(file);
    w.logging = false;
    wicBase->smooth.logging = false;
    benchmark::DoNotOptimize(w.BitmapToBox(box.Canvas(), {0, 0, 300, 200}));
  }
}
BENCHMARK(BM_JpegIntoPreviewBox)->Unit(benchmark::kMillisecond);

// 20000 x 20000 in tiles of 256, deflated; every tile alike so that making it is quick.
std::string tiledTiff() {
  const std::string file = benchDir() + "tiled.tif";
  if (std::filesystem::exists(file)) return file;
  TIFF* tif = TIFFOpen(file.c_str(), "w8");
  const uint32_t n = 20000, t = 256;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, n);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, n);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tif, TIFFTAG_ZIPQUALITY, 1);
  TIFFSetField(tif, TIFFTAG_TILEWIDTH, t);
  TIFFSetField(tif, TIFFTAG_TILELENGTH, t);
  std::vector<uint8_t> tile = picture(int(t), int(t), 3);
  for (uint32_t y = 0; y < n; y += t)
    for (uint32_t x = 0; x < n; x += t) TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
  TIFFClose(tif);
  return file;
}

void BM_TiledTiffExtract(benchmark::State& state) {
  Twic w(tiledTiff());
  w.logging = false;
  if (w.width() != 20000) state.SkipWithError("no tiled TIFF");
  for (auto _ : state) benchmark::DoNotOptimize(w.getBuf(9000, 9000, 10024, 10024));  // 5 x 5 tiles
}
BENCHMARK(BM_TiledTiffExtract)->Unit(benchmark::kMillisecond);

void BM_Resample960To1920(benchmark::State& state) {
  const std::vector<uint8_t> src = picture(960, 540, 3);
  TbmSmooth smooth;
  smooth.logging = false;
  Tbm24 target;
  target.setsize(1920, 1080);
  for (auto _ : state) {
    smooth.Draw(target, {0, 0, 1920, 1080}, src.data(), 960 * 3, 960, 540);
    benchmark::DoNotOptimize(target.imageData());
  }
}
BENCHMARK(BM_Resample960To1920)->Unit(benchmark::kMillisecond);

void BM_MaskTreatment1920(benchmark::State& state) {
  platform::TBitmap base, top;
  for (platform::TBitmap* b : {&base, &top}) {
    b->SetPixelFormat(platform::pf24bit);
    b->SetSize(1920, 1080);
  }
  const std::vector<uint8_t> px = picture(1920, 1080, 3);
  for (int y = 0; y < 1080; ++y) std::memcpy(top.ScanLine(y), px.data() + size_t(y) * 1920 * 3, 1920 * 3);
  TbmSmooth smooth;
  smooth.logging = false;
  smooth.mask().m.grey = true;
  smooth.mask().m.opacity = 60;
  smooth.mask().m.whiteIsTransparent = true;
  for (auto _ : state) {
    smooth.Draw(base, top);
    benchmark::DoNotOptimize(base.ScanLine(0));
  }
}
BENCHMARK(BM_MaskTreatment1920)->Unit(benchmark::kMillisecond);

}  // namespace
