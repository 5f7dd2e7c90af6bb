// A tiny data folder for the world clock: a 256 × 128 map container (day frames green, night
// dark blue, every pixel in Alaska's zone) and a shipped "locations.ini" with two places.
#pragma once
#include <string>

#include "core/Tbm24.h"
#include "core/r_bitmapRaw.h"
#include "platform/TStringList.h"
#include "tests/support/testenv.h"

namespace clocktest {
constexpr int kW = 256, kH = 128;
const Tbgr kDay{50, 200, 100};
const Tbgr kNight{90, 20, 10};

inline const char* shippedLocations() {
  return "[settings]\r\nhome=Oslo\r\n\r\n"
         "[location 1]\r\nname=Oslo\r\nlat=59.9\r\nlong=10.75\r\nwindows name=W. Europe Standard Time\r\n"
         "hjustify=left\r\nvjustify=top\r\n\r\n"
         "[location 2]\r\nname=Anchorage\r\nlat=61.2\r\nlong=-149.9\r\nwindows name=Alaskan Standard Time\r\n"
         "hjustify=left\r\nvjustify=top\r\n\r\n";
}

// Makes the folder (below the test's temporary folder) once and returns its path, ending in "/".
inline std::string dataFolder() {
  static std::string dir;
  if (!dir.empty()) return dir;
  dir = testenv::tempDir() + "clockdata/";
  TStringList files;
  for (int f = 0; f < 15; ++f) {
    TrawBitmap24 b;
    b.setsize(kW, kH);
    if (f < 12) b.fillAll(kDay);
    else if (f == 12) b.fillAll(kNight);
    else if (f == 13) b.fillAll(Tbgr{0, 0, 1});   // country row 1: Alaska (blue, green, red)
    else b.fillAll(Tbgr{0, 0, 252});              // zone row 252: Alaskan Standard Time
    const std::string name = testenv::writeFile("clockdata/frame" + std::to_string(f) + ".bmp", "");
    b.savetofile(name);
    files.add(name);
  }
  TbitmapBin::MakeFromFiles(dir + "1920.bin", kW, kH, 24, files);
  testenv::writeFile("clockdata/locations.ini", shippedLocations());
  return dir;
}
}  // namespace clocktest
