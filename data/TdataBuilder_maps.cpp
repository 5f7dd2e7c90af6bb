// TdataBuilder: the map image container "<width>.bin": twelve monthly day images, the night
// image, the country index and the zone index (index pixels: row = red + 256 green + 65536 blue).
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/r_bitmapRaw.h"
#include "data/TdataBuilder.h"

namespace fs = std::filesystem;

namespace kdata {
namespace {
// Blue Marble months shipped at 2048 px, by month index.
const std::pair<int, const char*> kDayImages[] = {
    {0, "usr/share/pixmaps/gpredict/maps/nasa-bmng-01_2048.jpg"},
    {2, "usr/share/pixmaps/gpredict/maps/nasa-bmng-03_2048.jpg"},
    {4, "usr/share/pixmaps/gpredict/maps/nasa-bmng-05_2048.jpg"},
    {6, "usr/share/pixmaps/gpredict/maps/nasa-bmng-07_2048.jpg"},
    {7, "usr/share/pixmaps/gpredict/maps/nasa-bmng-08_2048.jpg"},
};
constexpr const char* kNightImage = "usr/share/xplanet/images/night.jpg";
constexpr const char* kLargeDayImage = "usr/share/kstars/geomap.jpg";
// The large image runs from 83 1/3 degrees north to 83 1/3 south (15 px a degree, 100 rows of a
// whole 5400 x 2700 map cut away at each end); the caps come from the January image.
constexpr double kLargeDayTopLat = 250.0 / 3.0;
}  // namespace

// Steps: a: day images, b: night image, c: index images, d: container.
bool TdataBuilder::buildMaps(int width, const std::string& daySource) {
  TprocScope proc(*this, "buildMaps");
  const int height = width / 2;
  if (width < 2) return fail("map width " + std::to_string(width));
  const std::string work = fopt.target + ".work/";
  std::error_code ec;
  fs::create_directories(work, ec);
  // The frame files go whatever the outcome.
  struct TworkFolder {
    std::string dir;
    ~TworkFolder() {
      std::error_code e;
      fs::remove_all(dir, e);
    }
  } cleanup{work};
  TStringList frames;
  auto saveFrame = [&](const platform::TrgbImage& im) {
    TrawBitmap24 rb;
    toBitmap24(im, rb);
    const std::string name = work + "frame" + std::to_string(frames.count()) + ".bmp";
    if (!rb.savetofile(name)) return fail("cannot write " + name);
    frames.add(name);
    return true;
  };

  seterr("a");
  if (daySource == "months") {
    std::vector<std::pair<int, platform::TrgbImage>> known;
    for (const auto& [month, file] : kDayImages) {
      platform::TrgbImage im;
      if (!loadImage(file, im)) return false;
      known.emplace_back(month, resizeImage(im, width, height));
    }
    for (const auto& im : interpolateMonths(known))
      if (!saveFrame(im)) return false;
  } else {
    // One image for every month: the large map has no monthly series.
    platform::TrgbImage im, caps;
    if (!loadImage(kLargeDayImage, im) || !loadImage(kDayImages[0].second, caps)) return false;
    platform::TrgbImage day = resizeImage(caps, width, height);
    const int top = int(std::lround((90.0 - kLargeDayTopLat) / 180.0 * height));
    const platform::TrgbImage band = resizeImage(im, width, height - 2 * top);
    for (int y = 0; y < band.height; ++y)
      std::copy(band.pixel(0, y), band.pixel(0, y) + size_t(width) * 3, day.pixel(0, y + top));
    for (int m = 0; m < 12; ++m)
      if (!saveFrame(day)) return false;
  }

  seterr("b");
  {
    platform::TrgbImage im;
    if (!loadImage(kNightImage, im)) return false;
    if (!saveFrame(resizeImage(im, width, height))) return false;
  }

  seterr("c");
  {
    platform::TrgbImage country, zone;
    if (!buildIndexFrames(width, country, zone) || !saveFrame(country) || !saveFrame(zone)) return false;
  }

  seterr("d");
  const std::string target = fopt.target + std::to_string(width) + ".bin";
  if (!TbitmapBin::MakeFromFiles(target, width, height, 24, frames)) return fail("cannot write " + target);
  const auto expected = uintmax_t(24) + uintmax_t(15) * uintmax_t(bmpRowLength(width, 24)) * height;
  if (fs::file_size(target, ec) != expected) return fail(target + " has the wrong size");
  return true;
}

}  // namespace kdata
