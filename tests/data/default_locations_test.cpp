// The default locations file as the renderer draws it: no label covers another, on the maps of
// a 1920- and a 1280-pixel screen, whatever the day and the time make the labels' widths.
#include <gtest/gtest.h>

#include <string>

#include "astro/r_sunLite.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "data/TdataBuilder.h"
#include "platform/datetime.h"
#include "tests/support/testenv.h"

namespace {

TEST(DefaultLocations, NoLabelCoversAnotherAtEitherScreenWidth) {
  createOs();
  const std::string file = testenv::writeFile("defaults/locations.ini", kdata::defaultLocationsIni());
  const std::string saved = locationsFile;
  locationsFile = file;
  // A week of days with the widest day names and two-figure dates, morning and evening.
  for (const int width : {1920, 1280})
    for (int day = 21; day <= 27; ++day)
      for (const int hour : {8, 22}) {
        platform::TDateTime d = 0, t = 0;
        platform::tryEncodeDate(2026, 9, day, d);
        platform::tryEncodeTime(hour, 38, 0, 0, t);
        platform::setClockForTesting(d + t);
        TsunLite map(testenv::tempDir() + "defaults/", WithTimezones::No, width, 1.0);  // no images: labels only
        const std::vector<platform::TRect>& boxes = map.locations().boxes;
        ASSERT_EQ(boxes.size(), 12u);
        for (size_t i = 0; i < boxes.size(); ++i)
          for (size_t j = i + 1; j < boxes.size(); ++j) {
            platform::TRect both = boxes[i];
            both.intersect(boxes[j]);
            EXPECT_TRUE(both.isEmpty()) << "labels " << i + 1 << " and " << j + 1 << " meet at " << width
                                        << " px on day " << day << " at " << hour << ":38";
          }
      }
  platform::setClockForTesting(0);
  locationsFile = saved;
  freeOs();
}

}  // namespace
