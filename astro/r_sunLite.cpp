// TsunLite: the day/night map renderer. The map image container gives the month's day image,
// the night image and the two index images; each rebuild blends day and night by the sun's
// elevation, marks the sun and the moon and draws the labels; painting letterboxes it to 2:1.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "astro/r_sunLite.h"
#include "astro/r_sunLite_rows.h"
#include "core/r_LiteIni.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "core/r_fileBase.h"
#include "core/r_log.h"
#include "platform/files.h"
#include "platform/numbers.h"

using platform::TDeviceContext;
using platform::TRect;

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kDeg = 180 / kPi;
constexpr double kMaxMagnify = 1.4;  // the labels' file may ask for more; the strip and labels stop here
constexpr int kNightFrame = 12, kCountryFrame = 13, kZoneFrame = 14;

double intoHalfCircle(double d) {
  while (d < -180) d += 360;
  while (d > 180) d -= 360;
  return d;
}

int rnd(double v) { return static_cast<int>(platform::Round(v)); }

// Every pixel of `from` as a k × k block of `to`: index images keep their exact values.
void scaleUp(TrawBitmap24& from, TrawBitmap24& to, int k) {
  const int w = from.width(), h = from.height();
  to.clear();
  to.setsize(w * k, h * k);
  if (w <= 0 || h <= 0 || !to.imageData()) return;
  const size_t rowBytes = static_cast<size_t>(w) * k * 3;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = from.rowPt(y);
    uint8_t* d = to.rowPt(y * k);
    for (int x = 0; x < w; ++x)
      for (int i = 0; i < k; ++i) std::memcpy(d + 3 * (static_cast<size_t>(x) * k + i), s + 3 * static_cast<size_t>(x), 3);
    for (int i = 1; i < k; ++i) std::memcpy(to.rowPt(y * k + i), d, rowBytes);
  }
}

// A latitude line on the day image: every third pixel moved 40 % towards the colour.
void doLat(TrawBitmap24& r, uint8_t red, uint8_t green, uint8_t blue, double lat) {
  const int row = rnd(r.height() * (90 - lat) / 180);
  for (int col = 0; col < r.width(); col += 3) r.setPixel(col, row, 40.0, red, green, blue);
}

void drawDateline(TrawBitmap24& r) {
  if (r.width() <= 0) return;
  TDeviceContext& dc = r.dc();
  const platform::TPenDesc old = dc.setPen(platform::makePen(platform::PenStyle::Alternate, 1, 0x00FFFF));
  const int w = r.width();
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < Dateline.size(); ++i) {
      double lng = Dateline[i].lng / 1000.0;
      const double lat = Dateline[i].lat / 1000.0;
      if (pass == 0 && lng < 0) lng += 360;
      if (pass == 1 && lng > 0) lng -= 360;
      const int x = rnd((lng + 180) / 360 * w), y = rnd((90 - lat) / 360 * w);
      if (i == 0) dc.moveTo(x, y);
      else dc.lineTo(x, y);
    }
  }
  dc.setPen(old);
}
}  // namespace

TsunLite::TdayChoice TsunLite::dayChoice(int day, int month) {
  const int next = month % 12;  // the frame of the next month; December's is January's, 0
  if (day >= 27) return {next, next, 0};
  if (day > 3) return {month - 1, next, day * 100.0 / 30};
  return {month - 1, next, 0};
}

double TsunLite::readMagnify(TiniLite& ini, double UImagnify) {
  double m = UImagnify;
  const std::string s = ini.readString("settings", "magnify", "");
  if (!s.empty()) {
    static const TosNumberText plain;
    double v = 0;
    m = plain.StrToDoubleUK(TosText::Trim(s), v) ? v : std::nan("");
  }
  if (!(m <= kMaxMagnify)) m = kMaxMagnify;  // also a text that is no number
  return m;
}

TsunLite::TsunLite(const std::string& dirIn, WithTimezones withTimezones, int32_t screenWidth, double UImagnify,
                   const std::function<void(TsunLite&)>& beforeFirstMap) {
  rb = std::make_unique<TrawBitmap24>();
  night = std::make_unique<TrawBitmap24>();
  const std::string dir = dirIn.empty() && os ? os->basedir() : dirIn;
  screenwidth = screenWidth;
  screenwid = screenWidth >= 3840 ? 3840 : 1920;
  createDateman();

  containerName = dir + std::to_string(screenwid) + ".bin";
  if (screenwid == 3840 && !r_fileBase::FileExists(containerName) && r_fileBase::FileExists(dir + "1920.bin")) {
    // Only the data builder's optional pass makes the large container: the usual one, doubled.
    ::log("TsunLite: " + containerName + " is missing; the map images of 1920.bin are scaled up to 3840");
    containerName = dir + "1920.bin";
    upscale = 2;
  }
  bin = std::make_unique<TbitmapBin>();
  const bool open = bin->open(containerName);
  if (open) getDay(*bin, dateman->LocalTimeFromGMT(dateman->getgmtDt()));
  if (withTimezones == WithTimezones::Yes) {
    // The index images are read when a zone is first looked up, not on the way to the first map.
    tzBm = std::make_unique<TrawBitmap24>();
    countryBm = std::make_unique<TrawBitmap24>();
    for (std::string_view row : tzConst) tzList.add(std::string(row));
    for (std::string_view name : countriesConst) countries.add(std::string(name));
  }
  // Kept open only while the night image is read in place from it.
  if (upscale > 1 || !bin->frameData(kNightFrame)) bin->close();

  std::string labels = os ? os->configdir() + "locations.ini" : std::string("locations.ini");
  if (os && os->appname() == "Quillon") {
    const std::string folder = r_fileBase::LocationOf(r_fileBase::csidl_common_appdata) + "Ombrant/";
    r_fileBase::MakeDirectory(folder);
    labels = folder + os->appname() + ".ini";
    const std::string shipped = os->basedir() + os->appname() + ".ini";
    if (!r_fileBase::FileExists(labels) && r_fileBase::FileExists(shipped)) platform::copyFileBytes(shipped, labels);
  }
  loc = std::make_unique<TlocLite>(labels);
  loc->ppmm = screenwid * loc->ppmm / 1920;
  const double m = readMagnify(loc->ini(), UImagnify);
  loc->UImagnify = m;

  withTopStrip = true;
  stripBm = std::make_unique<TrawBitmap24>();
  stripBm->setsize(screenwid, rnd(m * 24 * screenwid / 1920));
  stripCv.bind(&stripBm->dc());

  toprb = std::make_unique<TrawBitmap24>();
  // The map is as large as the container's images (screenwid × screenwid div 2 in the data
  // folder's containers); without images, the notional size.
  if (rb->width() > 0 && rb->height() > 0) toprb->setsize(rb->width(), rb->height());
  else toprb->setsize(screenwid, screenwid / 2);
  ob = std::make_unique<Tobserver>();
  ob->setDT(dateman->getgmtDt());
  fsun = std::make_unique<Tsun>(*ob);
  se = std::make_unique<TsunEle>();
  // The owner's last settings (the words database) come before the first map: it is built once.
  if (beforeFirstMap) beforeFirstMap(*this);
  refreshImage(RefreshBy::Force);
}

TsunLite::~TsunLite() {
  cv.bind(nullptr);
  stripCv.bind(nullptr);
}

std::vector<std::string> TsunLite::missingImagesText(const std::string& builderFolder) const {
  if (rb && rb->width() > 0) return {};
  const std::string dir = containerName.substr(0, containerName.rfind('/') + 1);
  std::string command = builderFolder + "kestrova_data";
  if (dir != builderFolder) command += " --target \"" + dir + "\"";
  // The builder makes the large container only when asked; with it, it also makes the usual one.
  if (screenwid == 3840) command += " --3840";
  return {"The map images are missing: " + dir + std::to_string(screenwid) + ".bin was not found.",
          "Build the data folder with:", command};
}

void TsunLite::chooseDayImage(platform::TDateTime localDate) {
  if (!bin->isOpen() && !bin->open(containerName)) return;
  getDay(*bin, localDate);
  if (upscale > 1 || !bin->frameData(kNightFrame)) bin->close();
}

void TsunLite::readIndexImages() {
  indexImagesRead = true;
  if (!tzBm || tzBm->hasPixels() || !bin) return;  // none wanted, or given otherwise
  if (!bin->isOpen() && !bin->open(containerName)) return;
  extractFrame(*bin, *tzBm, kZoneFrame);
  if (countryBm) extractFrame(*bin, *countryBm, kCountryFrame);
  if (upscale > 1 || !bin->frameData(kNightFrame)) bin->close();
}

const uint8_t* TsunLite::nightInPlace() const {
  if (!bin || !toprb || bin->width() != toprb->width() || bin->height() != toprb->height()) return nullptr;
  return bin->frameData(kNightFrame);
}

// Month rule: the month's image until the 3rd, blended towards the next month's from the 4th to
// the 26th, the next month's from the 27th.
bool TsunLite::getDay(TbitmapBin& bin, platform::TDateTime localDate) {
  const platform::DateParts p = platform::decodeDateTime(localDate);
  const TdayChoice c = dayChoice(p.day, p.month);
  dayImageDate = static_cast<int32_t>(std::floor(localDate));
  const uint8_t* month = bin.frameData(c.frame);
  const uint8_t* nextMonth = bin.frameData(c.nextFrame);
  if (c.percent > 0 && c.percent < 100 && month && nextMonth && upscale <= 1) {
    // Both months read in place from the mapped file and mixed in one pass over the rows, shared
    // among the row threads: no copy of the month is made and then blended over.
    rb->clear();
    rb->setsize(bin.width(), bin.height());
    if (!rb->imageData()) return false;
    const TpercentMix mix(c.percent);
    TrowPool::shared().run(rb->height(), 0, [&](int first, int last) { rb->fadeRows(month, nextMonth, mix, first, last); });
    bin.releaseFrame(c.frame);
    bin.releaseFrame(c.nextFrame);
  } else if (!extractFrame(bin, *rb, c.frame)) {
    return false;
  } else if (c.percent > 0) {
    TrawBitmap24 next;
    if (const uint8_t* frame = nextMonth; frame && bin.width() == rb->width() && bin.height() == rb->height()) {
      // Blended in from the mapped file, which is only read: no copy of the next month is made.
      next.setsize(bin.width(), bin.height());
      next.usePixels(const_cast<uint8_t*>(frame));
      rb->blend(next, c.percent);
      next.clear();
      bin.releaseFrame(c.nextFrame);
    } else if (extractFrame(bin, next, c.nextFrame)) {
      rb->blend(next, c.percent);
    }
  }
  doLat(*rb, 255, 0, 0, 66.5);
  doLat(*rb, 255, 255, 0, 23.5);
  doLat(*rb, 255, 0, 0, 0);
  doLat(*rb, 255, 255, 0, -23.5);
  doLat(*rb, 255, 0, 0, -66.5);
  drawDateline(*rb);
  // A mapped night frame of the map's size is read in place by every blend; no copy is made.
  if (bin.frameData(kNightFrame) && bin.width() == rb->width() && bin.height() == rb->height()) {
    night->setsize(0, 0);
    return true;
  }
  return extractFrame(bin, *night, kNightFrame);
}

bool TsunLite::extractFrame(TbitmapBin& from, TrawBitmap24& into, int frame) {
  if (upscale <= 1) return from.extract(into, frame);
  TrawBitmap24 small;
  const bool ok = from.extract(small, frame);
  scaleUp(small, into, upscale);
  return ok;
}

bool TsunLite::refreshImage(RefreshBy by) {
  const bool fixed = by == RefreshBy::FixedTime;
  if (!fixed) ob->setDT(dateman->getgmtDt());
  const platform::TDateTime t = ob->getDT();
  // The observer holds whole seconds: counted as such, 10:00:00 is never minute 599.
  const int minute = static_cast<int>(platform::Round(platform::Frac(t) * 86400) / 60);
  const int day = static_cast<int>(platform::Trunc(t));
  if (by != RefreshBy::Force && minute == lastMinute && day == lastDay) return false;
  if (!fixed) ob->setDT(dateman->getgmtDt());
  ob->setlat(0);
  ob->setlong(0);
  ob->setTZ(0);
  lastMinute = minute;

  fsun->sun();
  sunLat = fsun->SunDec * kDeg;
  sunLong = intoHalfCircle(-fsun->sunHourA * kDeg);

  const bool newDay = by == RefreshBy::Force || day != lastDay;
  if (newDay) {
    // A renderer that runs for days (the wall clock) follows the month rule day by day.
    const platform::TDateTime localDate = std::floor(dateman->LocalTimeFromGMT(ob->getDT()));
    if (static_cast<int32_t>(localDate) != dayImageDate && dayImageDate >= 0) chooseDayImage(localDate);
  }
  if ((newDay && !supressShadowUpdate) || se->width != toprb->width()) {
    se->setSunLat(sunLat);
    se->eleMap(toprb->width());
  }
  lastDay = day;
  if (windowKeepsMap) mapStale = true;  // the next paint builds it where it is shown
  else buildMap();
  if (win) win();
  return true;
}

// Steps of a rebuild that only read the minute's positions: the same map each time they run.
void TsunLite::buildMap() {
  lastSunLong = sunLong;
  se->setSunLong(sunLong);
  if (const uint8_t* nightFrame = nightInPlace()) {
    // Its pages stay mapped from one minute to the next: faulting the whole frame in again each
    // minute costs several times the blend. releaseMemory lets them go while nothing is shown.
    se->applyMap(*toprb, *rb, nightFrame);
  } else {
    se->applyMap(*toprb, *rb, *night);
  }
  loc->topbm = toprb.get();

  fsun->Moon();
  moonLong = intoHalfCircle(-fsun->MoonHourA * kDeg);
  moonLat = fsun->MoonDec * kDeg;
  drawSun();
  drawMoon();
  loc->draw(toprb->width(), ob->getDT());
  if (onPostPaint) onPostPaint(toprb.get());
  refreshStrip();
}

void TsunLite::drawSun() {
  const int w = toprb->width(), h = toprb->height();
  const int sx = rnd((sunLong + 180) / 360 * w), sy = rnd((0.5 - sunLat / 180) * h);
  cv.bind(&toprb->dc());
  cv.Pen = platform::TPen{};
  cv.Brush.Color = 0x00FFFF;
  cv.Brush.Style = platform::bsSolid;
  cv.Ellipse(sx - 6, sy - 6, sx + 6, sy + 6);
  mapText().textOut(toprb->dc(), sx, sy + 8, kAlignCentre | kAlignTop, 0,
                    TmapFont{markFace, static_cast<double>(rnd(2.2 * loc->ppmm)), 0x00FFFF}, "Sun");
}

void TsunLite::drawMoon() {
  const int w = toprb->width(), h = toprb->height();
  const int sx = rnd((sunLong + 180) / 360 * w), sy = rnd((0.5 - sunLat / 180) * h);
  const int mx = rnd((moonLong + 180) / 360 * w), my = rnd((0.5 - moonLat / 180) * h);
  double rotation;
  if (mx == sx) rotation = sy < my ? kPi / 2 : -kPi / 2;
  else rotation = std::atan(static_cast<double>(my - sy) / (sx - mx));
  if (!fsun->getWaxing()) rotation += kPi;
  cv.bind(&toprb->dc());
  cv.Pen = platform::TPen{};
  cv.Brush.Color = 0xFFFFFF;
  cv.Brush.Style = platform::bsSolid;
  cv.Ellipse(mx - 7, my - 7, mx + 7, my + 7);
  cv.Brush.Color = 0x3C3C3C;
  fsun->moonShade(cv, mx, my, 7, fsun->getMoonPhase(), rotation);
  mapText().textOut(toprb->dc(), mx, my + 8, kAlignCentre | kAlignTop, 0,
                    TmapFont{markFace, static_cast<double>(rnd(2.2 * loc->ppmm)), 0xA0A0A0}, "Moon");
}

void TsunLite::releaseMemory() {
  if (nightInPlace()) bin->releaseFrame(kNightFrame);
}

// ---- painting -------------------------------------------------------------------------------------

void TsunLite::doDraw(TDeviceContext& dc, const TRect& r, int s) {
  dc.setStretchBltMode(platform::StretchMode::Halftone);
  platform::StretchBlt(dc, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, &toprb->dc(), 0, 0, toprb->width(),
                       toprb->height(), platform::SRCCOPY);
  drawStrip(dc, r, s);
}

void TsunLite::drawStrip(TDeviceContext& dc, const TRect& r, int s) {
  if (s <= 0 || !stripBm) return;
  dc.setStretchBltMode(platform::StretchMode::Halftone);
  platform::StretchBlt(dc, r.Left, r.Top - s, r.Right - r.Left, s, &stripBm->dc(), 0, 0, stripBm->width(),
                       stripBm->height(), platform::SRCCOPY);
}

TsunLite::Tplacement TsunLite::place(const TRect& area) const {
  Tplacement p;
  TRect r{0, 0, area.Right, area.Bottom};
  if (area.Bottom * 2 > area.Right) {
    const int t = (area.Bottom - area.Right / 2) / 2;
    r.Top = t;
    r.Bottom = area.Bottom - t;
  } else {
    const int t = (area.Right - 2 * area.Bottom) / 2;
    r.Left = t;
    r.Right = area.Right - t;
  }
  p.box = r;
  const int mapW = r.Right - r.Left;
  p.s = withTopStrip && stripBm ? rnd(static_cast<double>(mapW) / screenwid * stripBm->height()) : 0;
  r.Top += p.s / 2;
  r.Bottom += p.s / 2;
  if (topAligned) {
    const int dy = p.s - r.Top;
    r.Top += dy;
    r.Bottom += dy;
  }
  p.map = r;
  p.covered = TRect{p.box.Left, p.box.Top - p.s / 2, p.box.Right, p.box.Bottom + p.s / 2};
  if (topAligned) p.covered = TRect{p.covered.Left, 0, p.covered.Right, p.covered.Bottom - p.covered.Top};
  return p;
}

TRect TsunLite::coveredBy(const TRect& area) const { return format == top_screen ? TRect{} : place(area).covered; }

uint8_t* TsunLite::rowsInPlace(TDeviceContext& dc, const TRect& map) const {
  platform::TSurface* s = dc.surface();
  if (!s || s->empty() || s->bitsPerPixel() != 24 || dc.viewportOrg() != platform::TPoint{0, 0} ||
      dc.graphicsMode() != platform::GraphicsMode::Compatible)
    return nullptr;
  // Whole rows of the surface, bottom-up like the map's own: the map's rows are one block there.
  if (map.Left != 0 || map.width() != s->width() || map.width() != toprb->width() || map.height() != toprb->height() ||
      map.Top < 0 || map.Bottom > s->height() || s->stride() != toprb->rowLength())
    return nullptr;
  return s->bits() + static_cast<size_t>(s->height() - map.Bottom) * static_cast<size_t>(s->stride());
}

TsunLite::TmapPaint TsunLite::mapForPaint(TDeviceContext& dc, const TRect& map) {
  uint8_t* rows = map.isEmpty() ? nullptr : rowsInPlace(dc, map);
  if (!mapStale && rows && rows == builtInPlace) return TmapPaint::KeptInPlace;  // there since the last paint
  if (lastMinute < 0) return TmapPaint::Copy;  // nothing computed yet
  if (mapStale || rows || !toprb->hasPixels()) {
    if (rows) toprb->usePixels(rows);
    else if (toprb->pixelsBorrowed()) toprb->clear();
    buildMap();
    mapStale = false;
    builtInPlace = rows;
  }
  return rows ? TmapPaint::BuiltInPlace : TmapPaint::Copy;
}

TRect TsunLite::draw(TDeviceContext& dc, const TRect& area) {
  if (format == top_screen) {
    if (windowKeepsMap) (void)mapForPaint(dc, TRect{});
    return drawTop(dc, area);
  }
  const Tplacement p = place(area);
  box = p.box;
  const TRect r = p.map;
  const int s = p.s, mapW = r.Right - r.Left;
  const double c = loc->centreLong();
  // A map built straight into the painted surface needs no copy; a rolled one always does.
  const TmapPaint how = windowKeepsMap ? mapForPaint(dc, c == 0 ? r : TRect{}) : TmapPaint::Copy;
  const bool inPlace = how != TmapPaint::Copy;

  centreOffset = 0;
  if (inPlace) {
    drawStrip(dc, r, s);
  } else if (c != 0) {
    centreOffset = -rnd(c / 360 * mapW);
    TRect shifted{r.Left + centreOffset, r.Top, r.Right + centreOffset, r.Bottom};
    doDraw(dc, shifted, s);
    const int back = centreOffset > 0 ? -mapW : mapW;
    shifted = TRect{shifted.Left + back, r.Top, shifted.Right + back, r.Bottom};
    doDraw(dc, shifted, s);
  } else {
    doDraw(dc, r, s);
  }
  loc->centreOffset = centreOffset;

  const TRect result = p.covered;
  fstripH = s;
  if (!tzBm) {
    // The saver's caption.
    markFace = "Calibri";
    dc.fillRect(TRect{0, result.Bottom, 100, result.Bottom + 30}, platform::solidBrush(0));
    mapText().textOut(dc, 4, result.Bottom + 4, kAlignLeft | kAlignTop, 0, TmapFont{"Calibri", 10, 0x808080},
                      "Ombrant Kestrova 8");
  }
  if (how != TmapPaint::KeptInPlace) writeCopyright(dc, r.Bottom);  // text over the map once per build
  cv.bind(nullptr);
  if (windowKeepsMap) toprb->clear();  // the window keeps what was painted; borrowed rows are let go
  return result;
}

TRect TsunLite::drawTop(TDeviceContext& dc, const TRect& area) {
  centreOffset = 0;
  const double c = loc->centreLong();
  const int w = area.Right - area.Left;
  int bandH;
  auto paint = [&](int left) {
    if (screenwidth == screenwid) {
      const int top = rnd(w / 360.0 * topLat), bottom = rnd(w / 360.0 * bottomLat);
      bandH = bottom - top;
      platform::BitBlt(dc, left, 0, toprb->width(), bandH, &toprb->dc(), 0, top, platform::SRCCOPY);
    } else {
      const int top = rnd(screenwid / 360.0 * topLat), bottom = rnd(screenwid / 360.0 * bottomLat);
      bandH = rnd(screenwidth / 360.0 * bottomLat - screenwidth / 360.0 * topLat);
      dc.setStretchBltMode(platform::StretchMode::Halftone);
      platform::StretchBlt(dc, left, 0, screenwidth, bandH, &toprb->dc(), 0, top, toprb->width(), bottom - top,
                           platform::SRCCOPY);
    }
  };
  if (c != 0) {
    centreOffset = -rnd(c / 360 * w);
    paint(area.Left + centreOffset);
    paint(area.Left + centreOffset + (centreOffset > 0 ? -w : w));
  } else {
    paint(area.Left);
  }
  loc->centreOffset = centreOffset;
  writeCopyright(dc, bandH);
  cv.bind(nullptr);
  // The band as painted: the box's width from the top, the band's height.
  return TRect{area.Left, 0, area.Right, bandH};
}

void TsunLite::writeCopyright(TDeviceContext& dc, int mapBottom) {
  if (copyrightstr.empty()) return;
  const double points = static_cast<double>(screenwidth) * 8 / screenwid;
  mapText().textOut(dc, 4, mapBottom - 14, kAlignLeft | kAlignTop, 0, TmapFont{"Segoe UI", points, 0x808080},
                    copyrightstr);
}
