// r_SunGlobe: the globe dial: the world picture shaded for day and night, projected onto an
// orthographic globe centred on the home place.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "astro/r_sunLite.h"
#include "core/TQYcontrol.h"
#include "core/Ttrans.h"

class Tbm24;
class TrawBitmap24;
class Tsun;
class Tobserver;
class TsunBase;
namespace platform {
class TCanvas;
}

namespace r_SunGlobe {

// How high the sun stands over every pixel of an equirectangular world picture, as a byte per
// pixel, and the picture darkened toward black by it.
class TsunEle {
 public:
  TsunEle();

  void setSunLat(double sunlat);
  // Degrees; Long east of the sub-solar meridian. 90 plus the sun's elevation there.
  [[nodiscard]] double elevation(double lat, double Long) const;
  // width × (width div 2) bytes with the sub-solar point at longitude 180 − sunLong.
  void eleMap(int width, double sunLong);
  // False (target untouched) for a target whose width is not the map's or which has more rows.
  bool applyMap(TrawBitmap24& target) const;

  std::vector<uint8_t> buf;
  int width = 0;
  double sx = 0, sy = 0, sz = 0;
  double deg2rad;
  double sunLat = 0;

 private:
  ::TsunEle shape;  // the elevation formula and byte scale shared with the day/night map
};

// The whole bitmap in one colour (0x00BBGGRR), row by row.
void fillBitmap(TrawBitmap24& bm, int32_t colour);

}  // namespace r_SunGlobe

// The globe centred on the home place inside a dial of the home sky, drawn at twice the size it
// is shown at. The ring clock owns one without a window, runs its steps and copies the picture
// into its middle; on a form of its own the dial is a control that draws at its own size.
class TglobeDial : public TQYcontrol {
 public:
  TglobeDial(platform::TWinControl* owner, Tsun& sun, double tzDiff, double homeLat, double homeLong);
  // Takes the home place, its offset from GMT and the 12-hour setting from the locations model
  // at every full redraw (step 0), so a new home place reaches the dial.
  TglobeDial(platform::TWinControl* owner, TsunBase& sunbase);
  ~TglobeDial() override;
  TglobeDial(const TglobeDial&) = delete;
  TglobeDial& operator=(const TglobeDial&) = delete;

  // On its own: steps 0 to 16 for the control's size (the dial square, as wide as the control's
  // shorter side), then a repaint. Failures are logged; the last picture stays.
  void redraw();
  // The control's size changed: the picture is drawn for it.
  void doresize();

  // The world picture, borrowed for the dial's lifetime. One that is not twice as wide as high is
  // scaled once to 2:1 into a copy of its own.
  void setMini(TrawBitmap24* bitmap);
  [[nodiscard]] TrawBitmap24* mini() const { return fmini; }
  void doshadow();
  void doStep(int width, int height, int step);
  // Step 17: the dial picture, clipped to the circle inscribed in the box, averaged into it.
  void doStep(TrawBitmap24& target, int x, int y, int width, int height, int step);
  void doredrawPt1(int width, int height);
  // The dial's phase words: like the data page's, with a whole percentage.
  [[nodiscard]] static std::string moonPhaseText(double p, bool waxing);
  // The moment the dial draws for (GMT); the system clock when 0.
  [[nodiscard]] double nowGmt() const;

  Tsun& sun;
  TsunBase* sunbase = nullptr;
  std::unique_ptr<Tobserver> ob1;
  std::unique_ptr<Tsun> sun1;
  r_SunGlobe::TsunEle se;
  std::unique_ptr<Tbm24> mini24;
  std::unique_ptr<Tbm24> bm;
  double r = 0;
  double tzDiff = 0, homeLat = 0, homeLong = 0;
  double sunriseTime = 0, sunSettime = 0, moonrisetime = 0, moonsettime = 0;
  bool sunFound = false, moonFound = false;
  bool sunLabels = false;  // the sunrise and sunset labels were drawn (bearings more than 90 degrees apart)
  double meccax = 0, meccay = 0;
  double subSolarLong = 0, subSolarLat = 0;
  bool showQiblah = false, useAmPm = false;
  double fixedGmt = 0;
  int32_t backColour = 0x00400000, basecolour = 0x00EAC8AC, dialcolour = -1, lineColour = 0x00FFFFFF,
          redringcolour = 0x00000080, qiblahColour = 0x0000FF00, sunfontcolour = 0x00FFFFFF,
          moonfontcolour = 0x00808080, fontcolour = 0x00000000;
  std::unique_ptr<Ttrans> tranman;  // canvas transforms of a drawing, all undone before the face
  int redraws = 0;                  // pictures drawn on its own, for the tests

 protected:
  // The picture fitted into the control, its proportions kept, centred.
  void Paint() override;

 private:
  void readHome();
  TrawBitmap24* fmini = nullptr;
  std::unique_ptr<TrawBitmap24> scaledMini;  // the 2:1 copy of a picture of other proportions
};
