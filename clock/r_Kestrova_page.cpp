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
constexpr double kPanelMarginMm = 3;  // clear on each side of the panel's widest line
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
  LoadMoon(base.dataDir() + "moon.bmp");
  Color = TColor(fancy->basecolour);
  astroBm = std::make_unique<TBitmap>();
  astroBm->SetPixelFormat(pf24bit);
  OnResize = [this](TWinControl*) { reenterPage(); };
  onReenter = [this](TQYcontrol*) { reenterPage(); };
  wideformat = true;
}

TclockPage::~TclockPage() = default;

void TclockPage::LoadMoon(const std::string& filename) {
  moonBm = std::make_unique<TrawBitmap24>();
  if (!moonBm->loadfromFile(filename)) ::log("TclockPage: moon.bmp: " + moonBm->loadError());
  moonTemp = std::make_unique<Tbm24>();
}

int TclockPage::px(double mms) const { return int(Round(96 / 25.4 * mms * Height() / 1080.0)); }

void TclockPage::reenterPage() {
  if (Round(Width() * (wideformat ? 0.5 : 0.75)) == 0 || Height() <= 0) return;
  // The clock is as high as the page while the panel keeps the width its lines need; on a
  // narrower page (5:4, 4:3) it gives way, down to nothing rather than cutting the panel.
  const int w = std::clamp(Width() - panelWidthNeeded(), 0, Height());
  if (!initialized) fancy->hour = -1;
  fancy->setwidth(w);
  const int y = (Height() - w) / 5;
  clockRect = TRect{0, y, w, y + w};
  astroBm->SetSize(std::max(1, Width() - clockRect.Right), Height());
  const int b = Height() / 3;
  moonbox.Left = (Width() - clockRect.Right - b) / 2;
  moonbox.Top = int(Round(b * 0.3));
  moonbox.Right = moonbox.Left + b;
  moonbox.Bottom = moonbox.Top + b;
  moonTemp->setsize(b, b);
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

std::string TclockPage::homeLine() const {
  TdateMan& dm = createDateman();
  const double t = fancy->localtime();
  return locations.homeplace + "  " + (locations.useAmPm ? dm.TimeStrDTampm(t, false) : dm.TimeStrDT(t, false));
}

void TclockPage::DrawMoon(TCanvas& canvas) {
  const int b = moonbox.width();
  if (b <= 0) return;
  Tsun& sun = sunbase.sun();
  sun.Moon();
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
  t.Draw(*canvas.Handle(), moonbox.Left, moonbox.Top);
}

std::vector<TclockPage::TpanelLine> TclockPage::dataLines() {
  Tsun& sun = sunbase.sun();
  std::vector<TpanelLine> l;
  l.push_back({phaseText(sun.getMoonPhase(), sun.getWaxing()), 4, 0xFFFFFF, 18});
  l.push_back({elevationText("Moon elevation", sun.getMoonE()), 4, 0xFFFFFF, 12});
  l.push_back({wd("Moon's apparent diameter") + ": " + num(sun.MoonDiameter(), 4) + "\xC2\xB0  " +
                   num(sun.getSunDia() != 0 ? sun.MoonDiameter() / sun.getSunDia() * 100 : 0, 2) + "% of sun's diameter"});
  const double mk = sun.getMoonD() / 1000;
  l.push_back({wd("Distance to the moon") + ": " + commas(mk, 1) + " Kms  " + num(mk * 1000 / 299792458, 3) +
               " light seconds"});
  l.push_back({wd(sun.VelocityFromMoon() >= 0 ? "Velocity that moon is travelling away from the earth"
                                               : "Velocity that moon is approaching the earth") +
               ": " + num(std::fabs(sun.VelocityFromMoon()), 2) + " Kms/hr"});
  l.push_back({elevationText("Sun elevation", sun.getSunE()), 4, 0xFFFFFF, 24});
  l.push_back({wd("Sun's apparent diameter") + ": " + num(sun.getSunDia(), 4) + "\xC2\xB0"});
  const double sk = sun.getSunD() / 1000;
  l.push_back({wd("Distance to the sun") + ": " + commas(sk, 0) + " Kms  " + num(sk * 1000 / 17987547480.0, 3) +
               " light minutes"});
  l.push_back({wd(sun.VelocityFromSun() >= 0 ? "Velocity that the earth is travelling away from the sun"
                                              : "Velocity that the earth is approaching the sun") +
               ": " + num(std::fabs(sun.VelocityFromSun()), 2) + " Kms/hr"});
  TdateMan& dm = createDateman();
  const double t = fancy->localtime();
  l.push_back({homeLine(), 6, 0xFFFFFF, 16});
  int d = dm.dayOfWeekDt(t) - 1;
  if (d < 0) d = 6;
  l.push_back({dm.DayName(d) + ", " + dm.LongDateStrDT(t), 4.5, 0xFFFFFF, 10});
  l.push_back({"Greenwich Mean Time / Coordinated Universal Time (UTC): " + dm.TimeStrDT(currentGmt, true), 3, 0xC0C0C0,
               10});
  return l;
}

std::string TclockPage::neighboursLine(double km[4]) {
  Tsun& sun = sunbase.sun();
  const char* names[4] = {"venus", "mars", "jupiter", "saturn"};
  const char* labels[4] = {"Venus: ", "   Mars: ", "   Jupiter: ", "   Saturn: "};
  std::string all;
  const double jd = sunbase.observer().getJDate();
  for (int i = 0; i < 4; ++i) {
    double ra = 0, de = 0;
    km[i] = sun.NamedPlanet(ra, de, jd, names[i]) / 1000;
    all += labels[i] + commas(km[i], 0) + " Kms";
  }
  return all;
}

int TclockPage::panelWidthNeeded() {
  TCanvas& cv = astroBm->Canvas();
  Tsun& sun = sunbase.sun();
  sunbase.observer().setDT(createDateman().getgmtDt());
  sun.sun();
  sun.Moon();
  int widest = 0;
  for (const TpanelLine& l : dataLines()) {
    cv.Font.setSize(std::max(1, px(l.size)));
    widest = std::max(widest, cv.TextWidth(l.text));
  }
  // The neighbours' line, centred, and the light times that start after each of its colons: the
  // last of them reaches past the line's end.
  double km[4];
  const std::string all = neighboursLine(km);
  cv.Font.setSize(std::max(1, px(3)));
  const int tw = cv.TextWidth(all);
  int reach = tw - tw / 2;
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    at = all.find(':', at) + 1;
    reach = std::max(reach, -tw / 2 + cv.TextWidth(all.substr(0, at)) + 4 +
                                cv.TextWidth(num(km[i] * 1000 / 17987547480.0, 3) + " light minutes"));
  }
  widest = std::max(widest, 2 * reach);
  return std::max(widest, Height() / 3) + 2 * px(kPanelMarginMm);
}

void TclockPage::DrawAstroData() {
  TCanvas& cv = astroBm->Canvas();
  const int W = astroBm->Width(), H = astroBm->Height();
  cv.Brush.Color = TColor(0);
  cv.FillRect({0, 0, W, H});
  lastTexts.clear();
  Tsun& sun = sunbase.sun();
  sunbase.observer().setDT(createDateman().getgmtDt());
  sun.sun();
  sun.Moon();
  DrawMoon(cv);
  const int mid = W / 2;
  // The capitals' top at y; the cell kept for the tests.
  auto write = [&](int x, int y, const std::string& s, bool top) {
    const TTextMetric tm = cv.Handle()->textMetrics();
    const int w = cv.TextWidth(s);
    if (top && fontman) {
      fontman->TopTextOut(cv, x, y, s);
      const int cap = int(Round(fontman->VisualFontHeight(cv)));
      lastTexts.push_back({s, {x, y + cap - tm.ascent, x + w, y + cap + tm.descent}});
    } else {
      cv.TextOut(x, y, s);
      lastTexts.push_back({s, {x, y, x + w, y + tm.ascent + tm.descent}});
    }
  };
  int y = moonbox.Bottom;
  for (const TpanelLine& l : dataLines()) {
    y += px(l.step);
    cv.Font.Color = TColor(l.colour);
    cv.Font.setSize(std::max(1, px(l.size)));
    write(mid - cv.TextWidth(l.text) / 2, y, l.text, true);
  }
  // The neighbours.
  double km[4];
  const std::string all = neighboursLine(km);
  cv.Font.setSize(std::max(1, px(3)));
  cv.Font.Color = TColor(0xC0C0C0);
  const int tw = cv.TextWidth(all);
  write(mid - tw / 2, px(8), all, false);
  write(mid - cv.TextWidth("The neighbours") / 2, px(3), "The neighbours", false);
  cv.Font.Color = TColor(0x808080);
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    at = all.find(':', at) + 1;
    const std::string s = num(km[i] * 1000 / 17987547480.0, 3) + " light minutes";
    write(mid - tw / 2 + cv.TextWidth(all.substr(0, at)) + 4, px(14), s, false);
  }
  cv.Font.Color = TColor(0xFFFFFF);
}

void TclockPage::Paint() {
  // A failed paint is logged and shown at most once by the main window; the next paint tries again.
  try {
    seterr("a");
    // Round a clock smaller than the page: the page's colour.
    Canvas().Brush.Color = Color;
    Canvas().Brush.Style = bsSolid;
    if (clockRect.Top > 0) Canvas().FillRect({0, 0, clockRect.Right, clockRect.Top});
    if (clockRect.Bottom < Height()) Canvas().FillRect({0, clockRect.Bottom, clockRect.Right, Height()});
    Canvas().Brush.Color = TColor(fancy->backColour);
    seterr("b");
    fancy->Draw(Canvas(), 0, clockRect.Top);
    seterr("c");
    if (astroBm->Width() > 1) {
      DrawAstroData();
      seterr("d");
      Canvas().Draw(clockRect.Right, 0, *astroBm);
    }
  } catch (const std::exception& e) {
    ::log(std::string("r_Kestrova.TclockPage paint ") + err() + ": " + e.what());
    if (onError) onError(this, e);
  }
}
