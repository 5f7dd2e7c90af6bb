// TclockPage: the page of tab 3. The clock is drawn at twice its size and scaled down; the text
// panel is recomputed at every paint.
#include <algorithm>
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_Kestrova.h"
#include "clock/r_SunGlobe.h"
#include "core/Tbm24.h"
#include "core/Tunits.h"
#include "core/r_Font.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/numbers.h"

using namespace platform;

namespace {
std::string wd(const std::string& term) { return os ? os->wd("kestrova", term) : term; }
std::string num(double v, int decimals) {
  if (os) return os->DoubleToStrUK(v, decimals);
  char b[64];
  std::snprintf(b, sizeof b, "%.*f", decimals, v);
  return b;
}
std::string commas(double v, int decimals) {
  const std::string s = num(v, decimals);
  return units ? units->commaize(s) : s;
}
}  // namespace

TclockPage::TclockPage(TWinControl* owner, TsunBase& base)
    : TQYcontrol(owner), sunbase(base), locations(base.locations()) {
  seterr("a");
  fancy = std::make_unique<TfancyClock>(base);
  world = std::make_unique<TrawBitmap24>();
  // Without a usable world picture the globe stays in its background colour; the page still works.
  if (!world->loadfromFile(base.dataDir() + "world 600.bmp")) {
    worldError = "world 600.bmp: " + world->loadError();
    ::log("TclockPage: " + worldError);
    fancy->setImage(nullptr);
  } else {
    fancy->setImage(world.get());
  }
  moonBm = std::make_unique<TrawBitmap24>();
  if (!moonBm->loadfromFile(base.dataDir() + "moon.bmp")) ::log("TclockPage: moon.bmp: " + moonBm->loadError());
  moonTemp = std::make_unique<Tbm24>();
  Color = TColor(fancy->basecolour);
  astroBm = std::make_unique<TBitmap>();
  astroBm->SetPixelFormat(pf24bit);
  OnResize = [this](TWinControl*) { reenterPage(); };
  onReenter = [this](TQYcontrol*) { reenterPage(); };
  wideformat = true;
}

TclockPage::~TclockPage() = default;

int TclockPage::px(double mms) const { return int(Round(96 / 25.4 * mms * Height() / 1080.0)); }

void TclockPage::reenterPage() {
  if (Round(Width() * (wideformat ? 0.5 : 0.75)) == 0 || Height() <= 0) return;
  const int w = Height();
  if (!initialized) fancy->hour = -1;
  fancy->setwidth(w);
  clockRight = w;
  astroBm->SetSize(std::max(1, Width() - clockRight), Height());
  moonSide = Height() / 3;
  moonLeft = (Width() - clockRight - moonSide) / 2;
  moonTop = int(Round(moonSide * 0.3));
  moonTemp->setsize(moonSide, moonSide);
  fancy->hour = -1;  // a second entry at the same size redraws the clock in full again
  doMoment(this);
  Invalidate();
  initialized = true;
}

bool TclockPage::doMoment(void*) {
  // A failed tick is logged and shown once by the main window; the next tick tries again.
  try {
    seterr("a");
    currentGmt = createDateman().getgmtDt();
    locations.setTime(currentGmt);
    const Tloc& home = locations.getLoc(locations.getHome());
    const bool ok = fancy->setTime(home.dt);
    seterr("b");
    Invalidate();
    return ok;
  } catch (const std::exception& e) {
    fancy->abort = true;
    ::log(std::string("r_Kestrova.TclockPage ") + err() + ": " + e.what());
    if (onError) onError(this, e);
    return false;
  }
}

std::string TclockPage::phaseText(double p, bool waxing) {
  if (p < 3 && waxing) return wd("New moon");
  if (p > 98) return wd("Full moon");
  return wd(waxing ? "Waxing moon" : "Waning moon") + "  " + num(p, 3) + "%";
}

std::string TclockPage::elevationText(const std::string& label, double e) {
  return wd(label) + ": " + num(std::fabs(e), 2) + "\xC2\xB0 " + wd(e >= 0 ? "above horizon" : "below horizon");
}

void TclockPage::DrawMoon(TCanvas& canvas) {
  if (moonSide <= 0) return;
  Tsun& sun = sunbase.sun();
  sun.Moon();
  const int b = moonSide;
  Tbm24& t = *moonTemp;
  if (moonBm->width() > 0) moonBm->Draw(t.dc(), TRect{0, 0, b, b});
  else {
    t.canvas().Brush.Color = TColor(0);
    t.canvas().FillRect({0, 0, b, b});
  }
  const auto poly = sun.moonShadePolygon(b / 2, b / 2, b / 2, sun.getMoonPhase(), sun.moonShadeRotation(), MoonPart::Dark);
  // Row by row: the dark part is where the row's crossings of the shade polygon say inside.
  const double rad = b / 2.0;
  std::vector<double> xs;
  for (int y = 0; y < b; ++y) {
    const double py = y + 0.5;
    xs.clear();
    for (size_t i = 0, j = poly.empty() ? 0 : poly.size() - 1; i < poly.size(); j = i++) {
      const double xi = poly[i].X, yi = poly[i].Y, xj = poly[j].X, yj = poly[j].Y;
      if ((yi > py) != (yj > py)) xs.push_back((xj - xi) * (py - yi) / (yj - yi) + xi);
    }
    std::sort(xs.begin(), xs.end());
    size_t k = 0;
    bool inside = false;
    for (int x = 0; x < b; ++x) {
      const double px = x + 0.5;
      while (k < xs.size() && xs[k] <= px) inside = !inside, ++k;
      const double dx = px - rad, dy = py - rad;
      if (inside || dx * dx + dy * dy > rad * rad) t.darken(x, y, 70);
    }
  }
  t.Draw(*canvas.Handle(), moonLeft, moonTop);
}

void TclockPage::DrawAstroData() {
  TCanvas& cv = astroBm->Canvas();
  const int W = astroBm->Width(), H = astroBm->Height();
  cv.Brush.Color = TColor(0);
  cv.FillRect({0, 0, W, H});
  Tsun& sun = sunbase.sun();
  sunbase.observer().setDT(createDateman().getgmtDt());
  sun.sun();
  sun.Moon();
  DrawMoon(cv);
  const int mid = W / 2;
  int y = moonTop + moonSide;
  auto line = [&](int step, double size, const std::string& s, int32_t colour = 0xFFFFFF) {
    y += step;
    cv.Font.Color = TColor(colour);
    cv.Font.setSize(std::max(1, px(size)));
    if (fontman) fontman->TopTextOut(cv, mid - cv.TextWidth(s) / 2, y, s);
    else cv.TextOut(mid - cv.TextWidth(s) / 2, y, s);
  };
  line(px(18), 4, phaseText(sun.getMoonPhase(), sun.getWaxing()));
  line(px(12), 4, elevationText("Moon elevation", sun.getMoonE()));
  line(px(8), 4, wd("Moon's apparent diameter") + ": " + num(sun.MoonDiameter(), 4) + "\xC2\xB0  " +
                     num(sun.getSunDia() != 0 ? sun.MoonDiameter() / sun.getSunDia() * 100 : 0, 2) + "% of sun's diameter");
  const double mk = sun.getMoonD() / 1000;
  line(px(8), 4, wd("Distance to the moon") + ": " + commas(mk, 1) + " Kms  " + num(mk * 1000 / 299792458, 3) + " light seconds");
  line(px(8), 4, wd(sun.VelocityFromMoon() >= 0 ? "Velocity that moon is travelling away from the earth"
                                                 : "Velocity that moon is approaching the earth") +
                     ": " + num(std::fabs(sun.VelocityFromMoon()), 2) + " Kms/hr");
  line(px(24), 4, elevationText("Sun elevation", sun.getSunE()));
  line(px(8), 4, wd("Sun's apparent diameter") + ": " + num(sun.getSunDia(), 4) + "\xC2\xB0");
  const double sk = sun.getSunD() / 1000;
  line(px(8), 4, wd("Distance to the sun") + ": " + commas(sk, 0) + " Kms  " + num(sk * 1000 / 17987547480.0, 3) + " light minutes");
  line(px(8), 4, wd(sun.VelocityFromSun() >= 0 ? "Velocity that the earth is travelling away from the sun"
                                                : "Velocity that the earth is approaching the sun") +
                     ": " + num(std::fabs(sun.VelocityFromSun()), 2) + " Kms/hr");
  TdateMan& dm = createDateman();
  const double t = fancy->localtime();
  line(px(16), 6, locations.homeplace + "  " + (locations.useAmPm ? dm.TimeStrDTampm(t) : dm.TimeStrDT(t)));
  int d = dm.dayOfWeekDt(t) - 1;
  if (d < 0) d = 6;
  line(px(10), 4.5, dm.DayName(d) + ", " + dm.LongDateStrDT(t));
  line(px(10), 3, "Greenwich Mean Time / Coordinated Universal Time (UTC): " + dm.TimeStrDT(currentGmt, true), 0xC0C0C0);
  // The neighbours.
  const char* names[4] = {"venus", "mars", "jupiter", "saturn"};
  const char* labels[4] = {"Venus: ", "   Mars: ", "   Jupiter: ", "   Saturn: "};
  double km[4];
  std::string all;
  const double jd = sunbase.observer().getJDate();
  for (int i = 0; i < 4; ++i) {
    double ra = 0, de = 0;
    km[i] = sun.NamedPlanet(ra, de, jd, names[i]) / 1000;
    all += labels[i] + commas(km[i], 0) + " Kms";
  }
  cv.Font.setSize(std::max(1, px(3)));
  cv.Font.Color = TColor(0xC0C0C0);
  const int tw = cv.TextWidth(all);
  cv.TextOut(mid - tw / 2, px(8), all);
  cv.TextOut(mid - cv.TextWidth("The neighbours") / 2, px(3), "The neighbours");
  cv.Font.Color = TColor(0x808080);
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    at = all.find(':', at) + 1;
    const std::string s = num(km[i] * 1000 / 17987547480.0, 3) + " light minutes";
    cv.TextOut(mid - tw / 2 + cv.TextWidth(all.substr(0, at)) + 4, px(14), s);
  }
  cv.Font.Color = TColor(0xFFFFFF);
}

void TclockPage::Paint() {
  // A failed paint is logged and shown at most once by the main window; the next paint tries again.
  try {
    seterr("a");
    Canvas().Brush.Color = TColor(fancy->backColour);
    seterr("b");
    fancy->Draw(Canvas(), 0, 0);
    seterr("c");
    if (astroBm->Width() > 1) {
      DrawAstroData();
      seterr("d");
      Canvas().Draw(clockRight, 0, *astroBm);
    }
  } catch (const std::exception& e) {
    ::log(std::string("r_Kestrova.TclockPage paint ") + err() + ": " + e.what());
    if (onError) onError(this, e);
  }
}
