// TclockPage: the page of tab 3. The clock is drawn at twice its size and scaled down; the text
// panel is recomputed at every paint.
#include <algorithm>
#include <cmath>
#include <cstring>

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
#include "platform/windows.h"

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
  moonHead.clear();
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
  moonHead.clear();
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
    // Only what the tick changed is painted again.
    auto invalidate = [this](TRect r) {
      if (!r.isEmpty() && HandleAllocated() && hasDesktop()) desktop().invalidate(Handle(), &r);
    };
    invalidate(fancy->takeChanged().offsetted(0, clockRect.Top));
    if (astroBm->Width() > 1)
      for (const TRect& band : UpdateAstroData()) invalidate(band.offsetted(clockRect.Right, 0));
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

std::pair<int, int> TclockPage::moonChanged() {
  const int b = moonbox.width();
  if (b <= 0) return {0, 0};
  Tsun& sun = sunbase.sun();
  sun.Moon();
  const auto poly = sun.moonShadePolygon(b / 2, b / 2, b / 2, sun.getMoonPhase(), sun.moonShadeRotation(), MoonPart::Dark);
  Tbm24& t = *moonTemp;
  const std::vector<int> head{b, t.width(), t.height(), moonBm->width(), moonBm->height()};
  const bool whole = head != moonHead || int(moonRows.size()) != b;
  if (whole) {
    moonHead = head;
    moonRows.assign(size_t(b), {-2});  // matches no row
    if (moonBm->width() > 0) moonBm->Draw(t.dc(), TRect{0, 0, b, b});
    else {
      t.canvas().Brush.Color = TColor(0);
      t.canvas().FillRect({0, 0, b, b});
    }
    moonPlain = std::make_unique<TrawBitmap24>();
    moonPlain->setsize(b, b);
    for (int y = 0; y < b; ++y) std::memcpy(moonPlain->rowPt(y), t.rowPt(y), size_t(b) * 3);
  }
  // Row by row, the first pixel at which each crossing of the shade polygon switches inside and
  // outside: a row with the same switches as before has the same pixels. Only the others are
  // darkened again, from the moon's plain picture.
  const double rad = b / 2.0;
  std::vector<double> xs;
  std::vector<int> key;
  int first = b, last = -1;
  for (int y = 0; y < b; ++y) {
    const double py = y + 0.5;
    xs.clear();
    for (size_t i = 0, j = poly.empty() ? 0 : poly.size() - 1; i < poly.size(); j = i++) {
      const double xi = poly[i].X, yi = poly[i].Y, xj = poly[j].X, yj = poly[j].Y;
      if ((yi > py) != (yj > py)) xs.push_back((xj - xi) * (py - yi) / (yj - yi) + xi);
    }
    std::sort(xs.begin(), xs.end());
    key.clear();
    for (const double c : xs) {
      // The least x with c <= x + 0.5, from 0 to b (b: never within the row).
      if (!(c <= b + 0.5)) {
        key.push_back(b);
        continue;
      }
      int x = int(std::max(0.0, std::ceil(c - 0.5)));
      while (x > 0 && c <= x - 0.5) --x;
      while (!(c <= x + 0.5)) ++x;
      key.push_back(x);
    }
    if (key == moonRows[size_t(y)]) continue;
    moonRows[size_t(y)] = key;
    first = std::min(first, y), last = y;
    std::memcpy(t.rowPt(y), moonPlain->rowPt(y), size_t(b) * 3);
    bool inside = false;
    size_t k = 0;
    for (int x = 0; x < b; ++x) {
      while (k < key.size() && key[k] <= x) inside = !inside, ++k;
      const double px = x + 0.5, dx = px - rad, dy = py - rad;
      if (inside || dx * dx + dy * dy > rad * rad) t.darken(x, y, 70);
    }
  }
  return last < 0 ? std::pair{0, 0} : std::pair{first, last + 1};
}

void TclockPage::DrawMoon(TCanvas& canvas) {
  if (moonbox.width() <= 0) return;
  moonChanged();
  moonTemp->Draw(*canvas.Handle(), moonbox.Left, moonbox.Top);
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

TclockPage::TfontRows TclockPage::rowsOf(int size) {
  for (const auto& [s, rows] : fontRows)
    if (s == size) return rows;
  TCanvas& cv = astroBm->Canvas();
  cv.Font.setSize(size);
  const TTextMetric tm = cv.Handle()->textMetrics();
  const TfontRows rows{tm.ascent, tm.descent, fontman ? int(Round(fontman->VisualFontHeight(cv))) : 0};
  fontRows.emplace_back(size, rows);
  return rows;
}

std::vector<TclockPage::TpanelItem> TclockPage::panelItems() {
  TCanvas& cv = astroBm->Canvas();
  const int mid = astroBm->Width() / 2;
  std::vector<TpanelItem> items;
  auto add = [&](const std::string& s, int size, int32_t colour, int x, int y, bool top) {
    cv.Font.setSize(size);
    const int w = cv.TextWidth(s);
    const TfontRows r = rowsOf(size);
    TpanelItem it{s, size, colour, x, y, top && fontman, {}, 0, 0};
    it.box = it.top ? TRect{x, y + r.cap - r.ascent, x + w, y + r.cap + r.descent}
                    : TRect{x, y, x + w, y + r.ascent + r.descent};
    // Letters keep to their cell; a margin for any that do not.
    const int margin = 2 + size / 4;
    it.reachTop = it.box.Top - margin;
    it.reachBottom = it.box.Bottom + margin;
    items.push_back(std::move(it));
  };
  int y = moonbox.Bottom;
  for (const TpanelLine& l : dataLines()) {
    y += px(l.step);
    const int size = std::max(1, px(l.size));
    cv.Font.setSize(size);
    add(l.text, size, l.colour, mid - cv.TextWidth(l.text) / 2, y, true);
  }
  // The neighbours.
  double km[4];
  const std::string all = neighboursLine(km);
  const int size = std::max(1, px(3));
  cv.Font.setSize(size);
  const int tw = cv.TextWidth(all);
  add(all, size, 0xC0C0C0, mid - tw / 2, px(8), false);
  add("The neighbours", size, 0xC0C0C0, mid - cv.TextWidth("The neighbours") / 2, px(3), false);
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    at = all.find(':', at) + 1;
    cv.Font.setSize(size);
    const int x = mid - tw / 2 + cv.TextWidth(all.substr(0, at)) + 4;
    add(num(km[i] * 1000 / 17987547480.0, 3) + " light minutes", size, 0x808080, x, px(14), false);
  }
  return items;
}

void TclockPage::drawItems(const std::vector<TpanelItem>& items, const TRect* band) {
  TCanvas& cv = astroBm->Canvas();
  for (const TpanelItem& it : items) {
    if (band && (it.reachBottom <= band->Top || it.reachTop >= band->Bottom)) continue;
    cv.Font.Color = TColor(it.colour);
    cv.Font.setSize(it.size);
    if (it.top) fontman->TopTextOut(cv, it.x, it.y, it.text);
    else cv.TextOut(it.x, it.y, it.text);
  }
  cv.Font.Color = TColor(0xFFFFFF);
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
  drawnItems = panelItems();
  drawItems(drawnItems, nullptr);
  drawnSize = {W, H};
  lastTexts.clear();
  for (const TpanelItem& it : drawnItems) lastTexts.push_back({it.text, it.box});
}

void TclockPage::repaintWhole() {
  fancy->rescaleWhole();
  if (astroBm->Width() > 1 && drawnSize == TSize{astroBm->Width(), astroBm->Height()}) {
    TCanvas& cv = astroBm->Canvas();
    cv.Brush.Color = TColor(0);
    cv.FillRect({0, 0, astroBm->Width(), astroBm->Height()});
    moonHead.clear();
    DrawMoon(cv);
    drawItems(drawnItems, nullptr);
  }
  Invalidate();
}

std::vector<TRect> TclockPage::UpdateAstroData() {
  const int W = astroBm->Width(), H = astroBm->Height();
  if (drawnSize != TSize{W, H}) {
    DrawAstroData();
    return {{0, 0, W, H}};
  }
  Tsun& sun = sunbase.sun();
  sunbase.observer().setDT(createDateman().getgmtDt());
  sun.sun();
  sun.Moon();
  std::vector<std::pair<int, int>> spans;
  if (const auto [from, to] = moonChanged(); to > from) spans.emplace_back(moonbox.Top + from, moonbox.Top + to);
  std::vector<TpanelItem> items = panelItems();
  if (items.size() != drawnItems.size()) {
    DrawAstroData();
    return {{0, 0, W, H}};
  }
  for (size_t i = 0; i < items.size(); ++i) {
    const TpanelItem &a = items[i], &b = drawnItems[i];
    if (a.text == b.text && a.size == b.size && a.colour == b.colour && a.x == b.x && a.y == b.y && a.top == b.top)
      continue;
    spans.emplace_back(b.reachTop, b.reachBottom);
    spans.emplace_back(a.reachTop, a.reachBottom);
  }
  std::sort(spans.begin(), spans.end());
  std::vector<TRect> bands;
  for (auto [top, bottom] : spans) {
    top = std::max(top, 0), bottom = std::min(bottom, H);
    if (top >= bottom) continue;
    if (!bands.empty() && top <= bands.back().Bottom) bands.back().Bottom = std::max(bands.back().Bottom, bottom);
    else bands.push_back({0, top, W, bottom});
  }
  // Each band drawn as the whole panel would be, within it.
  TCanvas& cv = astroBm->Canvas();
  TDeviceContext& dc = *cv.Handle();
  for (const TRect& band : bands) {
    const TRegion clip(band);
    dc.selectClipRegion(&clip);
    cv.Brush.Color = TColor(0);
    cv.FillRect(band);
    if (moonbox.width() > 0 && moonbox.Bottom > band.Top && moonbox.Top < band.Bottom)
      moonTemp->Draw(dc, moonbox.Left, moonbox.Top);
    drawItems(items, &band);
    dc.resetClip();
  }
  drawnItems = std::move(items);
  lastTexts.clear();
  for (const TpanelItem& it : drawnItems) lastTexts.push_back({it.text, it.box});
  return bands;
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
      if (drawnSize != TSize{astroBm->Width(), astroBm->Height()}) DrawAstroData();
      seterr("d");
      Canvas().Draw(clockRect.Right, 0, *astroBm);
    }
  } catch (const std::exception& e) {
    ::log(std::string("r_Kestrova.TclockPage paint ") + err() + ": " + e.what());
    if (onError) onError(this, e);
  }
}
