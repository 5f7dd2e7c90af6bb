// r_Kestrova: the 24-hour ring clock: nine rings of date and time around the globe dial, drawn at
// twice its displayed size into a bitmap of its own, with only what changed redrawn.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/r_base.h"

class Tbm24;
class TrawBitmap24;
class TglobeDial;
class Tlocations;
class Tsun;
class TsunBase;
namespace platform {
class TCanvas;
struct TRect;
}

constexpr int r_month = 1, r_day = 2, r_dayofweek = 3, r_hour = 4, r_min = 5, r_sec = 6, r_moon = 7, r_zodiac = 8,
              r_dayofyear = 9;

struct TringSlots {
  int M = 0;  // slots
  int L = 0;  // the current one
};

class TfancyClock : public TqyObject {
 public:
  explicit TfancyClock(TsunBase& sunbase);
  ~TfancyClock() override;
  [[nodiscard]] const char* unitName() const override { return "r_Kestrova"; }

  [[nodiscard]] int width() const { return fwidth / 2; }
  void setwidth(int value);
  void setImage(TrawBitmap24* bitmap);
  [[nodiscard]] double localtime() const { return ftime; }
  // False when the update failed (logged; `abort` set until an update succeeds).
  bool setTime(double value);
  void redraw();
  void doglobe(int step);
  // The slots of a ring and the current one, for the time last set.
  [[nodiscard]] TringSlots slots(int option);
  // The hour ring's label of slot i: 12, 1 … 11, 12, 1 … 11 with the 12-hour setting.
  [[nodiscard]] static int hourLabel(int i, bool ampm) { return ampm ? (i == 0 ? 12 : i > 12 ? i - 12 : i) : i; }
  void ring(double outer, double inner, int option);
  // Slot n's edges (radians clockwise from the top) on a ring of M slots, in clockwise order; the
  // end may lie before the start where a slot runs over the 1st of January.
  void getAngles(int option, int n, int M, double& start, double& end) const;
  // The words for the days eq1, sol1, eq2 and sol2: exchanged south of the equator.
  [[nodiscard]] static std::array<std::string, 4> seasonTerms(double homeLat);
  // The cell of second `sec` in bitmap coordinates.
  platform::TRect doSec(int sec, bool selected, double outer, double inner);
  // The clock scaled into the square of side `width` at (x, y); remembered for partial copies.
  void Draw(platform::TCanvas& canvas, int x, int y);
  void Draw(const platform::TRect& box);
  // What the updates since the last call changed, in the scaled clock's pixels (empty for none).
  [[nodiscard]] platform::TRect takeChanged();
  // The clock at its shown size: scaled from the drawing only where that changed.
  Tbm24& scaled();
  // The next `scaled` scales the whole drawing again.
  void rescaleWhole() { changedIn({0, 0, fwidth, fwidth}); }

  std::unique_ptr<TglobeDial> globe;
  std::unique_ptr<Tbm24> bm;
  Tlocations& locations;
  Tsun& sun;
  bool abort = false;
  int fwidth = 0;
  int daysInYear = 365, dayofyear = 1, eq1 = 0, sol1 = 0, eq2 = 0, sol2 = 0;
  double r0 = 0, r1 = 0, r2 = 0, r3 = 0, r4 = 0, r5 = 0, r6 = 0;
  int hour = 0, minute = 0, second = 0, day = 1, month = 1, year = 2000, dayofweek = 0;
  double ftime = 0;
  platform::TCanvas* fcanvas = nullptr;
  int fx = 0, fy = 0;
  bool mycolours = true, showZodiac = true;
  bool imageGiven = false;
  int32_t basecolour = 0x00B48C64, backColour = 0x00000000;
  int redraws = 0, minuteUpdates = 0, secondUpdates = 0;  // what the updates did, for tests and the bench

 private:
  static constexpr int kMoonIcon = 100;  // side of the bitmap a moon icon is drawn on
  [[nodiscard]] int32_t fill(int option) const;
  [[nodiscard]] int32_t labelColour(int option, int32_t fill) const;
  [[nodiscard]] int32_t tickColour(int option) const;
  void band(int rOut, int rIn, double a0, double a1, int32_t colour);
  // The two circles of a band stroked between the angles with a pen `pen` pixels wide.
  void arcs(int rOut, int rIn, double a0, double a1, int32_t colour, int pen);
  void radial(double angle, double rFrom, double rTo, int32_t colour, int pen);
  // Upright, centred on the point at the angle and radius.
  void label(const std::string& s, double angle, double radius, int32_t colour, int size);
  // Along the circle, centred on the angle; a prefix is drawn in the zodiac's symbol font.
  void dotext(const std::string& s, double angle, double radius, int32_t colour, int size,
              const std::string& prefix = {});
  // One moon icon centred at (xi, yi) from the centre; phase in -99 .. 99.
  void doMoon(int xi, int yi, bool selected, double phase, int32_t fill);
  std::unique_ptr<Tbm24> moonIcon;
  // A change in drawing pixels: the scaled clock is out of date there and the page is told.
  void changedIn(const platform::TRect& drawing);
  std::unique_ptr<Tbm24> fscaled;
  platform::TRect fstale, fchanged;  // in scaled pixels
};

#include "core/TQYcontrol.h"

namespace platform {
class TBitmap;
}

// The page of the "Astronomical data" tab: the ring clock on the left, as high as the page while
// the panel keeps the width its lines need, smaller below that; the moon's picture and the sun,
// moon and planet data in the panel on the right.
class TclockPage : public TQYcontrol {
 public:
  TclockPage(platform::TWinControl* owner, TsunBase& sunbase);
  ~TclockPage() override;

  void reenterPage();
  // The one-second tick. False when it failed (logged; the next tick tries again).
  bool doMoment(void* sender);
  void leave() {}
  // The whole text panel, drawn afresh.
  void DrawAstroData();
  // The panel brought up to date: only the bands of rows whose texts or moon changed are drawn
  // again (the whole panel when its size or layout changed). Answers those bands, in panel pixels.
  std::vector<platform::TRect> UpdateAstroData();
  // The whole page painted again from what the last tick computed: the clock scaled whole, the
  // moon and the panel's texts drawn afresh (a check on the partial updates).
  void repaintWhole();

  // The phase wording of the panel's first line (p the illuminated percentage).
  [[nodiscard]] static std::string phaseText(double p, bool waxing);
  // abs(elevation) with two decimals, then "above horizon" (>= 0) or "below horizon".
  [[nodiscard]] static std::string elevationText(const std::string& label, double elevation);
  // Line 10: the home place and the clock's time without seconds, 12- or 24-hour.
  [[nodiscard]] std::string homeLine() const;
  [[nodiscard]] int px(double mms) const;

  // One line of the panel: its text, font size (mm, through px), colour and the step above it.
  struct TpanelLine {
    std::string text;
    double size = 4;
    int32_t colour = 0xFFFFFF;
    double step = 8;
  };
  // The panel's centred lines under the moon (1 to 12), for the sun and moon as last computed.
  [[nodiscard]] std::vector<TpanelLine> dataLines();
  // The width the panel needs to show its widest line and the moon's picture whole.
  [[nodiscard]] int panelWidthNeeded();

  TsunBase& sunbase;
  Tlocations& locations;
  std::unique_ptr<TfancyClock> fancy;
  std::unique_ptr<TrawBitmap24> world;
  std::unique_ptr<platform::TBitmap> astroBm;
  std::unique_ptr<TrawBitmap24> moonBm;
  std::unique_ptr<Tbm24> moonTemp;
  platform::TRect moonbox;    // the moon's picture, on the panel
  platform::TRect clockRect;  // the clock, on the page
  double currentGmt = 0;
  bool wideformat = true, initialized = false;
  std::string worldError;  // why the world picture is missing, logged once
  struct TdrawnText {
    std::string text;
    platform::TRect box;  // on the panel
  };
  std::vector<TdrawnText> lastTexts;  // what the last panel drawing wrote, for the tests
  // A failed tick or paint; the main window shows it once. Without a handler it is only logged.
  std::function<void(TclockPage*, const std::exception&)> onError;

 protected:
  void Paint() override;

 private:
  void LoadMoon(const std::string& filename);
  // The moon's picture with its dark part; made again only when the dark part's pixels change.
  void DrawMoon(platform::TCanvas& canvas);
  // Brings the picture up to date; answers the rows (from, to) whose pixels changed.
  std::pair<int, int> moonChanged();
  // One text of the panel where it is written, and the rows its letters may reach.
  struct TpanelItem {
    std::string text;
    int size = 1;
    int32_t colour = 0xFFFFFF;
    int x = 0, y = 0;
    bool top = true;  // y is the capitals' top (else the cell's top)
    platform::TRect box;  // the text's cell
    int reachTop = 0, reachBottom = 0;
  };
  [[nodiscard]] std::vector<TpanelItem> panelItems();
  void drawItems(const std::vector<TpanelItem>& items, const platform::TRect* band);
  struct TfontRows {
    int ascent = 0, descent = 0, cap = 0;
  };
  std::vector<std::pair<int, TfontRows>> fontRows;  // by font size
  [[nodiscard]] TfontRows rowsOf(int size);
  std::vector<TpanelItem> drawnItems;
  platform::TSize drawnSize;
  std::vector<int> moonHead;              // the sizes the moon's picture was made for
  std::vector<std::vector<int>> moonRows;  // the dark part's edges in each row of the picture
  std::unique_ptr<TrawBitmap24> moonPlain;  // the moon's picture before it was darkened
  // The neighbours' line and its label, at the panel's top.
  [[nodiscard]] std::string neighboursLine(double km[4]);
};
