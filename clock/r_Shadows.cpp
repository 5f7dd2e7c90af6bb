// Tshadows: the bearing range, the point list clipped at the horizon, the sun-path diagram and
// the export. The sun-path page is 630 × 300 mm: bearings across, elevations up, both at `scale`
// mm per degree, the horizon 90 × scale below the top edge.
#include "clock/r_Shadows.h"

#include <cmath>
#include <stdexcept>

#include "astro/r_SunLoc.h"
#include "clock/r_Shadows_work.h"
#include "core/r_Font.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "core/Tunits.h"
#include "imaging/r_wic.h"
#include "platform/numbers.h"
#include "platform/text.h"
#include "ui/r_controlMan.h"

using namespace platform;

namespace {
constexpr double kTropic = 23.452294;       // the tropics and polar circles, degrees
constexpr double kPolarCircle = 66.547706;
constexpr int kExportWidth = 2000;          // pixels of an exported image
constexpr double kMarginMm = 5;             // white round everything a diagram draws
constexpr int32_t kDoneGreen = 0x00B400;   // the badge of a written file
constexpr int32_t kFailedRed = 0x0000C0;   // and of one that was not

// Grid lines: every 15 degrees dark, every 5 light, the rest faint.
TColor gridColour(int i) { return i % 15 == 0 ? 0x808080 : i % 5 == 0 ? 0xC0C0C0 : 0xF0E6DC; }

std::string word(const std::string& s) { return os ? os->wd("Shadows", s) : s; }
}  // namespace

// ---- Tshadows ------------------------------------------------------------------------------------

Tshadows::Tshadows(TsunBase& base) : sunbase(base) {
  dw = std::make_unique<Tdrawer>(kPageWidth / 2, 150, kPageWidth, 300);  // a placeholder, never started
}

Tshadows::~Tshadows() = default;

bool Tshadows::findRange(double& riseBearing, double& setBearing, bool& north) {
  Tobserver& ob = sunbase.observer();
  const double lat = ob.getlat();
  north = lat > 0;
  if (!(std::abs(lat) > kTropic && std::abs(lat) < kPolarCircle)) return false;
  ob.setDT(createDateman().EncodeDateTime(kYear, north ? 6 : 12, 21, 12.0));
  Tsun& sun = sunbase.sun();
  sun.sun();
  double riseJd = 0, setJd = 0;
  return sun.sunRiseSetEx2(riseJd, setJd, riseBearing, setBearing, true);
}

TbearingRange Tshadows::bearingRange() {
  double rise = 0, set = 0;
  TbearingRange r;
  const bool arc = findRange(rise, set, r.north);
  double d = set - rise;
  if (!r.north) d = 360 - d;
  if (arc && d > 0 && d < 360) {
    // The arc rounded up to the next multiple of 30 degrees, always above it.
    r.A = int((Trunc(d / 2 / 15) + 1) * 2 * 15);
    r.B0 = r.north ? 180 - r.A / 2 : 360 - r.A / 2;
  } else {
    r.A = 360;
    r.B0 = r.north ? 0 : 180;
  }
  r.scale = kPageWidth / r.A;
  return r;
}

bool Tshadows::record() {
  // a: place and range, b: the drawing
  TprocScope proc(*this, "Tshadows.draw");
  try {
    seterr("a");
    Tobserver& ob = sunbase.observer();
    if (!std::isfinite(ob.getlat()) || !std::isfinite(ob.getlong()) || !std::isfinite(ob.timeZone()))
      throw std::invalid_argument("the place or the time zone is not a number");
    const TbearingRange range = bearingRange();
    const double H = option == 2 ? 420 : 300;
    auto next = option == 2 ? std::make_unique<Tdrawer>(kPageWidth / 2, H / 2, kPageWidth, H)
                            : std::make_unique<Tdrawer>(kPageWidth / 2, 300 - 90 * range.scale, kPageWidth, H);
    seterr("b");
    next->start();
    next->getCanvas().Font.setName("Calibri");
    TshadowsWork work(*this, *next, range, H);
    if (option == 2) work.shadowDiagram();
    else work.sunPath();
    next->finish();
    // Labels stand beyond the page (the bearings above it, the horizon captions below it): the
    // page grows to hold them, so exports and prints show all that the screen shows.
    next->fitPage(kMarginMm);
    dw = std::move(next);
    return true;
  } catch (const std::exception& e) {
    log(std::string("Tshadows.draw ") + err() + ": " + e.what());
    return false;
  }
}

bool Tshadows::draw(TCanvas& canvas, const TRect& box) {
  canvas.Brush.Color = clWhite;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(box);
  const bool ok = record();
  if (const TMetafile* m = metafile(); m && !m->empty() && os) os->MetafileToBox(canvas, *m, box);
  return ok;
}

void Tshadows::badge(bool ok, const std::string& why) {
  lastBadge = ok ? "DONE" : "FAILED";
  ::log("Tshadows.saveAs: " + lastBadge + (why.empty() ? "" : " (" + why + ")"));
  if (onBadge) onBadge(lastBadge, why);
  else doDone(ok, ok ? kDoneGreen : kFailedRed);
}

bool Tshadows::saveAs(const std::string& filename) {
  // a: the type, b: EMF, c: the bitmap, d: the image file
  TprocScope proc(*this, "Tshadows.saveAs");
  std::string why;
  bool ok = false;
  try {
    seterr("a");
    const TMetafile* m = metafile();
    const int type = TosFileTypes::getFileType(filename);
    if (!m || m->MMWidth() <= 0 || m->MMHeight() <= 0) {
      why = "there is no diagram to export";
    } else if (type == file_emf) {
      seterr("b");
      ok = saveEnhMetaFile(*m, filename, &why);
    } else if (type == file_bmp || type == file_tif || type == file_jpeg) {
      seterr("c");
      TBitmap bm;
      bm.SetPixelFormat(pf24bit);
      bm.SetSize(kExportWidth, Round32(double(kExportWidth) * m->MMHeight() / m->MMWidth()));
      bm.Canvas().Brush.Color = clWhite;
      bm.Canvas().Brush.Style = bsSolid;
      bm.Canvas().FillRect({0, 0, bm.Width(), bm.Height()});
      PlayEnhMetaFile(*bm.Canvas().Handle(), *m, {0, 0, bm.Width(), bm.Height()});
      seterr("d");
      // The writer goes through a temporary file: a failure leaves an older file as it was.
      ok = BMsave(bm, filename, &why);
      if (!ok && why.empty()) why = "the image file could not be written";
    } else {
      why = "a diagram is exported as BMP, TIFF, JPEG or EMF";
    }
  } catch (const std::exception& e) {
    why = err() + ": " + e.what();
    ok = false;
  }
  lastWhy = ok ? std::string() : why;
  badge(ok, ok ? "" : why + " [" + filename + "]");
  return ok;
}

// ---- the working values and shared routines -------------------------------------------------------

TshadowsWork::TshadowsWork(Tshadows& owner, Tdrawer& drawer, const TbearingRange& range, double pageHeight)
    : sh(owner),
      dw(drawer),
      cv(drawer.getCanvas()),
      sun(owner.sunbase.sun()),
      ob(owner.sunbase.observer()),
      H(pageHeight),
      north(range.north),
      A(range.A),
      B0(range.B0),
      scale(range.scale),
      lat(ob.getlat()) {
  createFontMan();
}

double TshadowsWork::xOf(double bearing) const {
  if (north) return (bearing - 180) * scale;
  return (bearing <= 180 ? bearing : bearing - 360) * scale;
}

void TshadowsWork::add(double x, double y) {
  // As the array service adds: a point equal to the last one is not appended.
  auto append = [this](double ax, double ay) {
    if (list.empty() || list.back().x != ax || list.back().y != ay) list.push_back({ax, ay});
  };
  // A crossing between two points on either side of the bearing opposite the centre is found
  // with the second point brought next to the first.
  const double period = 360 * scale;
  double xu = x;
  if (std::abs(x - prevX) > W / 2) xu += x < prevX ? period : -period;
  auto wrapped = [&](double xc) { return xc > period / 2 ? xc - period : xc < -period / 2 ? xc + period : xc; };
  if (y >= 0) {
    if (prevY < 0) append(wrapped(prevX + (xu - prevX) * (-prevY / (y - prevY))), 0);
    append(x, y);
  } else if (!list.empty() && prevY > 0) {
    append(wrapped(prevX + (xu - prevX) * (prevY / (prevY - y))), 0);
  }
  prevX = x;
  prevY = y;
}

void TshadowsWork::sunAt(int month, int day, double localHours) {
  ob.setDT(createDateman().EncodeDateTime(Tshadows::kYear, month, day, 12.0));
  ob.setLocal(localHours);
  sun.sun();
}

void TshadowsWork::sunAtDayOfYear(int dayIndex, double localHours) {
  ob.setDT(createDateman().EncodeDateTime(Tshadows::kYear, 1, 1, 12.0) + dayIndex);
  ob.setLocal(localHours);
  sun.sun();
}

void TshadowsWork::line(double x1, double y1, double x2, double y2) {
  cv.MoveTo(dw.px(x1), dw.py(y1));
  cv.LineTo(dw.px(x2), dw.py(y2));
}

void TshadowsWork::disc(double x, double y, double radiusMm) {
  const int r = dw.pv(radiusMm), cx = dw.px(x), cy = dw.py(y);
  cv.Ellipse(cx - r, cy - r, cx + r, cy + r);
}

void TshadowsWork::fontSize(double n) { cv.Font.setSize(dw.pv(n)); }

void TshadowsWork::align(unsigned a) {
  if (cv.Handle()) cv.Handle()->setTextAlign(a);
}

void TshadowsWork::withAngleFont(int height, int angle10, const std::function<void()>& drawIt) {
  const HFONT old = cv.Font.Handle();
  cv.Font.setHandle(TfontMan::anglefont(height, angle10, false, false, cv.Font.Name()));
  drawIt();
  cv.Font.setHandle(old);
}

std::string TshadowsWork::placeLine() const {
  Tunits& u = createUnits();
  return word("Latitude: ") + u.NorthSouthStr(lat, u_degreesminsec, 2, Tunits::Compass::Long) +
         word("   Longitude: ") + u.EastWestStr(ob.getlong(), u_degreesminsec, 2, Tunits::Compass::Long);
}

// ---- the sun-path diagram ------------------------------------------------------------------------

void TshadowsWork::drawLine() {
  std::vector<TPoint> run;
  auto flush = [&] {
    if (run.size() >= 2) cv.Polyline(run);
    run.clear();
  };
  for (size_t i = 0; i < list.size(); ++i) {
    const double x = list[i].x, y = list[i].y;
    if (i > 0) {
      // Past the bearing opposite the centre: split at the page edges at the interpolated height.
      const double xp = list[i - 1].x, yp = list[i - 1].y;
      if (std::abs(x - xp) > W / 2) {
        const double t = xp >= 0 ? (xp - W / 2) / (xp - (x + W)) : (xp + W / 2) / (xp - (x - W));
        const double yc = yp + (y - yp) * t, edge = xp >= 0 ? W / 2 : -W / 2;
        run.push_back({dw.px(edge), dw.py(yc)});
        flush();
        run.push_back({dw.px(-edge), dw.py(yc)});
      }
    }
    run.push_back({dw.px(x), dw.py(y)});
  }
  flush();
  list.clear();
}

void TshadowsWork::doHour(int h) {
  list.clear();
  prevY = 1;
  double maxE = -90, xmax = 0;
  for (int d = 0; d <= 365; ++d) {
    sunAtDayOfYear(d, h);
    const double e = sun.getSunE() * scale, x = xOf(sun.getSunB());
    if (e > maxE) maxE = e, xmax = x;
    add(x, e);
  }
  drawLine();
  if (maxE > 0) {
    align(TA_CENTER);
    createFontMan().BaseTextOut(cv, dw.px(xmax), dw.py(maxE + 2), std::to_string(h));
  }
}

void TshadowsWork::horizonCaption(double x, const std::string& text) {
  line(x, 0, x, -4.5);
  cv.Font.Color = cv.Pen.Color;
  withAngleFont(dw.pv(9), 900, [&] {
    align(TA_LEFT);
    createFontMan().BaseTextOut(cv, dw.px(x - 3), dw.py(-6), text);
  });
}

void TshadowsWork::doday(int month, int day, const std::string& caption, double offset) {
  ob.setDT(createDateman().EncodeDateTime(Tshadows::kYear, month, day, 12.0));
  list.clear();
  prevY = 1;
  double maxE = 0, minE = 1000;
  const bool equinox = caption == "EQUINOX";
  for (int k = 0; k <= 959; ++k) {
    ob.setLocal(k / 40.0);
    sun.sun();
    const double e = sun.getSunE() * scale, x = xOf(sun.getSunB());
    maxE = std::max(maxE, e);
    minE = std::min(minE, e);
    if ((k % 40 == 0 || (highlight && k % 10 == 0)) && e > -2 && !equinox) {
      cv.Brush.Color = cv.Pen.Color;
      cv.Brush.Style = bsSolid;
      disc(x, e, highlight && k % 40 == 0 ? 1.0 : 0.6);
    }
    add(x, e);
  }
  // Where the sun sets that day, the caption stands at the horizon, reading downwards.
  if (!list.empty() && !caption.empty() && offset == 0 && minE < 0) {
    const double first = list.front().x, last = list.back().x;
    if (!equinox) {
      horizonCaption(month <= 6 ? first : last, word(caption));
    } else {
      horizonCaption(first, word(north ? "Vernal Equinox" : "Autumnal Equinox"));
      horizonCaption(last, word(north ? "Autumnal Equinox" : "Vernal Equinox"));
    }
  }
  drawLine();
  if (!caption.empty() && offset != 0) {
    const double D = offset > 0 ? 300 : 180;
    createFontMan().ArcText(cv, dw.px(0), dw.py(maxE + offset - D), dw.pv(D), 0, 0.6, upperCase(word(caption)));
  }
}

void TshadowsWork::sunPath() {
  TfontMan& fm = createFontMan();
  TdateMan& dm = createDateman();
  // 1: the horizon with the start pen.
  line(-W / 2, 0, W / 2, 0);
  // 2: elevation lines.
  cv.Pen.Width = dw.pv(0.25);
  for (int i = 0; i <= 90; ++i) {
    cv.Pen.Color = gridColour(i);
    line(-W / 2, i * scale, W / 2, i * scale);
  }
  // 3: the directions above the top.
  fontSize(4);
  cv.Font.Color = clBlack;
  align(TA_CENTER);
  const double yw = 91 * scale + 4;
  const int sign = north ? 1 : -1;
  fm.BaseTextOut(cv, dw.px(0), dw.py(yw), word(north ? "SOUTH" : "NORTH"));
  fm.BaseTextOut(cv, dw.px(-90 * scale * sign), dw.py(yw), word("EAST"));
  fm.BaseTextOut(cv, dw.px(90 * scale * sign), dw.py(yw), word("WEST"));
  // 4: the place below the horizon.
  fm.TopTextOut(cv, dw.px(0), dw.py(-40), placeLine());
  fontSize(3);
  fm.TopTextOut(cv, dw.px(0), dw.py(-50), word("The hours should be adjusted for daylight saving time where necessary."));
  // 5: bearing lines and their labels.
  fontSize(4);
  cv.Font.Color = 0x808080;
  for (int j = 0; j <= A; ++j) {
    const double x = -W / 2 + j * scale;
    cv.Pen.Color = gridColour(j);
    line(x, 0, x, 90 * scale);
    if (j % 15 == 0 && j > 0 && j < A) {
      int b = B0 + j;
      if (b > 359) b -= 360;
      fm.BaseTextOut(cv, dw.px(x), dw.py(90 * scale + 1), std::to_string(b) + "°");
    }
  }
  // 6: elevation labels.
  align(TA_LEFT);
  fm.VCentredText(cv, dw.px(-W / 2 + 3), dw.py(30 * scale), "30°");
  fm.VCentredText(cv, dw.px(-W / 2 + 3), dw.py(60 * scale), "60°");
  // 7: the first day of every month, named at the horizon.
  cv.Font.Color = clRed;
  cv.Pen.Width = dw.pv(0.3);
  cv.Pen.Color = clBlack;
  cv.Brush.Color = clWhite;
  fontSize(3);
  for (int m = 12; m >= 1; --m) {
    if (m == 12) cv.Pen.Color = clBlue, cv.Brush.Color = clYellow;
    if (m == 6) cv.Pen.Color = clBlack;
    doday(m, 1, dm.MonthName(m - 1), 0);
  }
  // 8: the solstices and the equinox.
  cv.Pen.Color = clRed;
  cv.Pen.Width = dw.pv(0.5);
  fm.spacing(cv, 10);
  align(TA_CENTER);
  cv.Font.Color = clRed;
  fontSize(4);
  const int summer = north ? 6 : 12, winter = north ? 12 : 6;
  if (std::abs(lat) > 23) doday(summer, 21, "Summer Solstice", 15);
  else doday(summer, 21, "", 0);
  if (std::abs(lat) < 66) doday(winter, 21, "Winter Solstice", -10);
  doday(3, 21, "EQUINOX", 0);
  // 9: the highlighted day.
  if (sh.date > 0) {
    int y = 0, month = 1, day = 1, hh = 0, mi = 0, ss = 0;
    dm.DecodeDateTime(sh.date, y, month, day, hh, mi, ss);
    highlight = true;
    cv.Pen.Width = dw.pv(0.7);
    doday(month, day, "", 0);
    highlight = false;
    align(TA_CENTER);
    fontSize(7);
    fm.TopTextOut(cv, dw.px(0), dw.py(-20), sh.highlightName);
  }
  // 10: the hours through the year.
  fontSize(7);
  cv.Font.Color = 0x000080;
  cv.Pen.Color = 0x000080;
  cv.Pen.Width = dw.pv(0.3);
  for (int h = 0; h <= 23; ++h) doHour(h);
}
