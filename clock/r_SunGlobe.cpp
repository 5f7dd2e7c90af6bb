#include "clock/r_SunGlobe.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "core/r_bitmapRaw.h"
#include "platform/numbers.h"

namespace r_SunGlobe {

TsunEle::TsunEle() : deg2rad(std::numbers::pi / 180.0) {}

void TsunEle::setSunLat(double sunlat) {
  shape.setSunLat(sunlat);
  sx = shape.sx;
  sy = shape.sy;
  sz = shape.sz;
  sunLat = sunlat;
}

double TsunEle::elevation(double lat, double Long) const { return shape.elevation(lat, Long); }

void TsunEle::eleMap(int w, double sunLong) {
  if (w < 0) w = 0;
  const int h = w / 2;
  width = w;
  buf.assign(size_t(w) * size_t(h), 0);
  if (w == 0 || h == 0) return;
  const int64_t s = platform::Round(w / 360.0 * (180 - sunLong));
  const int shift = int(((s % w) + w) % w);
  std::vector<double> longs(static_cast<size_t>(w));
  for (int j = 0; j < w; ++j) longs[size_t(j)] = j / double(w) * 360 - 180;
  for (int i = 0; i < h; ++i) {
    const double lat = 90 - i / double(h) * 180;
    uint8_t* row = buf.data() + size_t(i) * size_t(w);
    for (int j = 0; j < w; ++j) {
      int c = j + shift;
      if (c >= w) c -= w;
      row[c] = ::TsunEle::shade(shape.elevation(lat, longs[size_t(j)]));
    }
  }
}

void fillBitmap(TrawBitmap24& bm, int32_t colour) {
  const int w = bm.width(), h = bm.height();
  if (w <= 0 || h <= 0) return;
  std::vector<uint8_t> line(size_t(w) * 3);
  for (int x = 0; x < w; ++x) {
    line[size_t(x) * 3] = uint8_t(colour >> 16);
    line[size_t(x) * 3 + 1] = uint8_t(colour >> 8);
    line[size_t(x) * 3 + 2] = uint8_t(colour);
  }
  for (int y = 0; y < h; ++y) std::memcpy(bm.rowPt(y), line.data(), line.size());
}

bool TsunEle::applyMap(TrawBitmap24& target) const {
  const int w = target.width(), h = target.height();
  if (w != width || h > width / 2 || h < 0) return false;
  for (int row = 0; row < h; ++row) {
    const uint8_t* b = buf.data() + size_t(row) * size_t(w);
    for (int col = 0; col < w; ++col) {
      if (b[col] == 255) continue;
      target.setPixel(col, row, Tbgr{0, 0, 0}, int(platform::Round((255 - b[col]) / 255.0 * 85)));
    }
  }
  return true;
}

}  // namespace r_SunGlobe

// ---- the globe dial
#include <algorithm>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_LL.h"
#include "clock/r_sky.h"
#include "core/Tbm24.h"
#include "core/Tunits.h"
#include "core/os_drawing.h"
#include "core/r_Font.h"
#include "core/r_date.h"
#include "core/r_base.h"
#include "core/r_log.h"
#include <cstring>

namespace {
using platform::TPoint;
constexpr double kd2r = std::numbers::pi / 180.0;

double hoursOfDay(platform::TDateTime t) { return (t - std::floor(t)) * 24; }
std::string wd(const std::string& term) { return os ? os->wd("kestrova", term) : term; }
double into180(double v) {
  while (v > 180) v -= 360;
  while (v < -180) v += 360;
  return v;
}
}  // namespace

TglobeDial::TglobeDial(platform::TWinControl* owner, Tsun& asun, double atz, double alat, double along)
    : TQYcontrol(owner), sun(asun), tzDiff(atz), homeLat(alat), homeLong(along) {
  ob1 = std::make_unique<Tobserver>();
  ob1->setlat(0);
  ob1->setlong(0);
  sun1 = std::make_unique<Tsun>(*ob1);
  tranman = std::make_unique<Ttrans>();
  mini24 = std::make_unique<Tbm24>();
  bm = std::make_unique<Tbm24>();
  OnResize = [this](platform::TWinControl*) { doresize(); };
}

TglobeDial::TglobeDial(platform::TWinControl* owner, TsunBase& base) : TglobeDial(owner, base.sun(), 0, 0, 0) {
  sunbase = &base;
  readHome();
}

TglobeDial::~TglobeDial() = default;

void TglobeDial::redraw() {
  // The embedded dial has no window: its owner runs the steps and copies the picture.
  const int side = std::min(Width(), Height());
  if (side <= 0) return;
  TcontrolScope proc(*this, "redraw");
  try {
    for (int step = 0; step <= 16; ++step) {
      seterr(std::to_string(step));
      doStep(side, side, step);
    }
    ++redraws;
    Invalidate();
  } catch (const std::exception& e) {
    log(std::string("r_SunGlobe redraw ") + err() + ": " + e.what());
  }
}

void TglobeDial::doresize() { redraw(); }

void TglobeDial::Paint() {
  // The strips beside a picture of other proportions take the dial's background.
  Canvas().Brush.Color = platform::TColor(backColour);
  Canvas().Brush.Style = platform::bsSolid;
  Canvas().FillRect(platform::TRect{0, 0, Width(), Height()});
  if (!bm || bm->width() == 0 || !os) return;
  os->BitmapToBox(Canvas(), *bm, platform::TRect{0, 0, Width(), Height()});
}

void TglobeDial::readHome() {
  if (!sunbase) return;
  Tlocations& l = sunbase->locations();
  tzDiff = l.homeTZdiffDt;
  homeLat = l.homeLat;
  homeLong = l.homeLong;
  useAmPm = l.useAmPm;
}

double TglobeDial::nowGmt() const {
  if (fixedGmt != 0) return fixedGmt;
  return createDateman().getgmtDt();
}

void TglobeDial::setMini(TrawBitmap24* bitmap) {
  fmini = bitmap;
  scaledMini.reset();
  if (fmini && fmini->width() > 1 && fmini->height() != fmini->width() / 2) {
    // The map and the source coordinates assume 2:1; anything else would index past the map.
    auto c = std::make_unique<TrawBitmap24>();
    const int w = fmini->width(), h = w / 2;
    c->setsize(w, h);
    const double fy = double(fmini->height()) / h;
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col) {
        Tbgr px;
        fmini->getPixel(col, std::min(fmini->height() - 1, int((row + 0.5) * fy)), px);
        c->setPixel(col, row, px);
      }
    scaledMini = std::move(c);
    fmini = scaledMini.get();
  }
  if (fmini) mini24->setsize(fmini->width(), fmini->height());
  else mini24->setsize(0, 0);
  doshadow();
}

void TglobeDial::doshadow() {
  if (!fmini || fmini->width() < 2) return;
  for (int row = 0; row < fmini->height(); ++row)
    std::memcpy(mini24->rowPt(row), fmini->rowPt(row), size_t(fmini->width()) * 3);
  ob1->setDT(nowGmt());
  sun1->sun();
  const double L = into180(-sun1->sunHourA / kd2r);
  subSolarLong = L;
  subSolarLat = sun1->SunDec / kd2r;
  se.setSunLat(subSolarLat);
  se.eleMap(fmini->width(), 180 - L);
  se.applyMap(*mini24);
}

void TglobeDial::doStep(int width, int height, int step) {
  if (step == 16) {
    doredrawPt1(width, height);
    return;
  }
  if (step != 0) return;
  readHome();
  bm->setsize(std::max(0, 2 * width), std::max(0, 2 * height));
  if (bm->width() == 0 || bm->height() == 0) return;
  auto& cv = bm->canvas();
  r_SunGlobe::fillBitmap(*bm, backColour);
  doshadow();
  r_LL::Tortho o;
  o.ER = 0.9 * width * 0.7;
  o.setreflong(homeLong);
  o.setreflat(homeLat);
  if (fmini && fmini->width() >= 2) {
    Tstretch st;
    const double W = fmini->width();
    auto& src = mini24->canvas();
    for (int lat = -90; lat <= 80; lat += 10)
      for (int lon = -180; lon <= 170; lon += 10) {
        const int tris[2][3][2] = {{{lon, lat}, {lon, lat + 10}, {lon + 10, lat + 10}},
                                   {{lon, lat}, {lon + 10, lat + 10}, {lon + 10, lat}}};
        for (const auto& t : tris) {
          int tx[3], ty[3], sx[3], sy[3];
          bool ok = true;
          for (int k = 0; k < 3 && ok; ++k) {
            double x = 0, y = 0;
            if (!o.getXY(t[k][0], t[k][1], x, y) || o.hidden) ok = false;
            tx[k] = int(platform::Round(bm->width() / 2.0 + x));
            ty[k] = int(platform::Round(bm->height() / 2.0 - y));
            sx[k] = int(platform::Round(W * (t[k][0] + 180) / 360));
            sy[k] = int(platform::Round(W * (90 - t[k][1]) / 360));
          }
          if (!ok) continue;
          // Signed area with y taken upward: negative when the corners run clockwise on screen,
          // which is the side facing the viewer.
          const double area = -0.5 * ((tx[1] - tx[0]) * double(ty[2] - ty[0]) - (tx[2] - tx[0]) * double(ty[1] - ty[0]));
          if (!(area < 0)) continue;
          st.tri(src, cv, sx[0], sy[0], sx[1], sy[1], sx[2], sy[2], tx[0], ty[0], tx[1], ty[1], tx[2], ty[2]);
        }
      }
  }
  o.getXY(39.8166667, 21.4333333, meccax, meccay);
}

void TglobeDial::doredrawPt1(int width, int /*height*/) {
  if (bm->width() == 0) return;
  tranman->clearAll();
  try {
    const double rr = 0.9 * width;  // the picture is twice the size given: the dial nearly fills it
    r = rr;
    const int cx = bm->width() / 2, cy = bm->height() / 2;
    const int gr = int(platform::Round(0.7 * rr));
    // The globe is kept by saving the rows of its disc and putting them back after the face.
    const int gy0 = std::max(0, cy - gr), gy1 = std::min(bm->height(), cy + gr + 1);
    const int gx0 = std::max(0, cx - gr), gx1 = std::min(bm->width(), cx + gr + 1);
    std::vector<uint8_t> keep;
    keep.reserve(size_t(std::max(0, gy1 - gy0)) * size_t(std::max(0, gx1 - gx0)) * 3);
    for (int y = gy0; y < gy1 && gx1 > gx0; ++y) {
      const uint8_t* row = bm->rowPt(y) + size_t(gx0) * 3;
      keep.insert(keep.end(), row, row + size_t(gx1 - gx0) * 3);
    }
    auto& cv = bm->canvas();
    const int32_t bk = backColour == -1 ? 0 : backColour;
    auto disc = [&](double rad, int32_t fill, int32_t outline) {
      const int d = int(platform::Round(rad));
      cv.Brush.Color = platform::TColor(fill);
      cv.Pen.Color = platform::TColor(outline);
      cv.Ellipse(cx - d, cy - d, cx + d, cy + d);
    };
    int32_t fill = dialcolour == -1 ? Tos::FadeColour(basecolour, 0xFFFFFF, 30) : dialcolour;
    disc(rr, fill, redringcolour);
    fill = Tos::FadeColour(fill, bk, 30);
    disc(0.95 * rr, fill, fill);
    fill = Tos::FadeColour(fill, bk, 50);
    disc(0.92 * rr, fill, fill);
    cv.Pen.Color = platform::TColor(Tos::FadeColour(fill, 0xFFFFFF, 30));
    for (int a = 0; a < 360; ++a) {
      cv.MoveTo(cx, cy);
      cv.LineTo(cx + int(platform::Round(0.91 * rr * std::sin(a * kd2r))),
                cy - int(platform::Round(0.91 * rr * std::cos(a * kd2r))));
    }
    disc(0.85 * rr, backColour == -1 ? Tos::FadeColour(0xFFFFFF, 0, 40) : backColour, redringcolour);
    for (int a = 0; a < 360; ++a) {
      const double inner = a % 30 == 0 ? 0.85 * rr + 1 : a % 10 == 0 ? 0.91 * rr + 2 : a % 5 == 0 ? 0.95 * rr + 1 : 0.97 * rr;
      cv.Pen.Color = platform::TColor(a % 5 == 0 ? lineColour : Tos::FadeColour(lineColour, bk, 40));
      const double s = std::sin(a * kd2r), c = std::cos(a * kd2r);
      cv.MoveTo(cx + int(platform::Round(rr * s)), cy - int(platform::Round(rr * c)));
      cv.LineTo(cx + int(platform::Round(inner * s)), cy - int(platform::Round(inner * c)));
    }
    for (int y = gy0; y < gy1 && gx1 > gx0; ++y) {
      const int dy = y - cy;
      if (dy * dy > gr * gr) continue;
      const int half = int(std::sqrt(double(gr * gr - dy * dy)));
      const int a = std::max(gx0, cx - half), b = std::min(gx1 - 1, cx + half);
      if (b < a) continue;
      std::memcpy(bm->rowPt(y) + size_t(a) * 3, keep.data() + (size_t(y - gy0) * size_t(gx1 - gx0) + size_t(a - gx0)) * 3,
                  size_t(b - a + 1) * 3);
    }

    Tobserver& ob = sun.ob;
    const double now = nowGmt();
    ob.setlat(homeLat);
    ob.setlong(homeLong);
    ob.setDT(now);
    ob.setTZ(tzDiff * 24);
    auto at = [&](double dist, double b) {
      return TPoint{cx + int(platform::Round(dist * std::sin(b))), cy - int(platform::Round(dist * std::cos(b)))};
    };
    auto line = [&](double from, double to, double b) {
      const TPoint p = at(from, b), q = at(to, b);
      cv.MoveTo(p.X, p.Y);
      cv.LineTo(q.X, q.Y);
    };
    auto fontSize = [&](double height) { cv.Font.setSize(std::max(1, os ? os->fontsize(height) : int(height))); };
    auto arcText = [&](const std::string& s, double radius, double b, double gap) {
      if (fontman) fontman->ArcText(cv, cx, cy, radius, b, gap, s);
    };
    if (os) cv.Font.setName(os->fontname());
    // Where label lines start; the paths' circle and present-position lines start there too.
    double d = 0;
    auto label = [&](const std::string& caption, bool withLine, double time, double bearing) {
      d = withLine ? platform::Round(0.04 * rr) : platform::Round(0.7 * rr);
      const double b = bearing * kd2r;
      if (time == 0) {  // a bare caption on its circle
        arcText(caption, (withLine ? 0.78 : 1.06) * rr, b, withLine ? 0.3 : 0.02);
        return;
      }
      const int h = int(std::trunc(time)), m = int(std::trunc((time - std::trunc(time)) * 60));
      line(d, platform::Round(rr), b);
      arcText((useAmPm ? TdateMan::TimeStrAMPM(h, m) : createDateman().TimeStr(h, m)) + " " + caption,
              (withLine ? 0.77 : 1.06) * rr, b, 0.02);
    };
    platform::TDateTime mr = 0, ms = 0, sr = 0, ss = 0;
    double mrb = 0, msb = 0, srb = 0, ssb = 0;
    moonFound = sun.moonRiseSetDT(mr, ms, mrb, msb, true);
    if (moonFound) {
      moonrisetime = hoursOfDay(mr);
      moonsettime = hoursOfDay(ms);
      cv.Pen.Color = platform::TColor(0xFFFFFF);
      cv.Font.Color = platform::TColor(moonfontcolour);
      fontSize(0.06 * rr);
      if (std::fabs(into180(mrb - msb)) > 90) {
        label(wd("Moonrise"), false, moonrisetime, mrb);
        label(wd("Moonset"), false, moonsettime, msb);
      }
      sun.Moon();
      const std::string phase = moonPhaseText(sun.getMoonPhase(), sun.getWaxing());
      label(phase, false, 0, mrb < 90 ? 180 : 0);
    }
    sunLabels = false;
    sunFound = sun.sunRiseSetDT(sr, ss, srb, ssb);
    if (sunFound) {
      sunriseTime = hoursOfDay(sr);
      sunSettime = hoursOfDay(ss);
      cv.Pen.Color = platform::TColor(0x00FFFF);
      cv.Font.Color = platform::TColor(sunfontcolour);
      fontSize(0.06 * rr);
      sunLabels = std::fabs(into180(srb - ssb)) > 90;
      if (sunLabels) {
        label(wd("Sunrise"), true, sunriseTime, srb);
        label(wd("Sunset"), true, sunSettime, ssb);
      }
      fontSize(0.025 * rr);
      cv.Font.Color = platform::TColor(Tos::FadeColour(bk, Tos::FadeColour(0x0000FF, 0xFFFFFF, 40), 50));
      label(wd("SOUTH"), true, 0, 180);
      label(wd("NORTH"), true, 0, 0);
    }

    // The paths across the home sky, from rise to set in quarter hours, and where each body is now.
    auto getxy = [&](double localTime, bool moon) {
      ob.setDT(localTime - tzDiff);
      double e = 0, b = 0;
      if (moon) {
        sun.Moon();
        e = sun.getMoonE(), b = sun.getMoonB();
      } else {
        sun.sun();
        e = sun.getSunE(), b = sun.getSunB();
      }
      return at(0.7 * rr * std::cos(e * kd2r), b * kd2r);
    };
    auto path = [&](bool moon, bool found, double rise, double set, int32_t colour) {
      cv.Pen.Color = platform::TColor(colour);
      cv.Pen.Width = 2;
      if (found && set > rise) {
        const TPoint p = getxy(rise, moon);
        cv.MoveTo(p.X, p.Y);
        for (double t = rise; t < set;) {
          t = std::min(t + 1.0 / 96, set);
          const TPoint q = getxy(t, moon);
          cv.LineTo(q.X, q.Y);
        }
      }
      if (!moon && d > 0) {
        cv.Brush.Style = platform::bsClear;
        cv.Ellipse(int(cx - d), int(cy - d), int(cx + d), int(cy + d));
        cv.Brush.Style = platform::bsSolid;
      }
      ob.setlat(homeLat);
      ob.setlong(homeLong);
      const TPoint p = getxy(now + tzDiff, moon);
      double e = 0, b = 0;
      if (moon) e = sun.getMoonE(), b = sun.getMoonB();
      else e = sun.getSunE(), b = sun.getSunB();
      cv.Pen.Width = 1;
      if (!(e > 0)) return;
      line(d, 0.93 * rr, b * kd2r);
      const int rad = std::max(1, int(platform::Round(0.017 * rr)));
      cv.Brush.Color = platform::TColor(moon ? 0xFFFFFF : colour);
      cv.Pen.Color = platform::TColor(0);
      cv.Ellipse(p.X - rad, p.Y - rad, p.X + rad, p.Y + rad);
      if (moon) {  // the word only where it does not crowd the sun's
        sun.sun();
        if (std::fabs(into180(b - sun.getSunB())) <= 10) return;
      }
      cv.Font.Color = platform::TColor(0);
      cv.Font.setStyle(platform::fsBold);
      fontSize(0.03 * rr);
      arcText(wd(moon ? "MOON" : "SUN"), 0.975 * rr, b * kd2r, 0.3);
      cv.Font.setStyle(0);
    };
    cv.Font.Color = platform::TColor(fontcolour);
    path(false, sunFound, sr, ss, 0x00FFFF);
    path(true, moonFound, mr, ms, 0xC0C0C0);
    cv.Brush.Color = platform::TColor(0);
    ob.setDT(now);

    if (showQiblah) {
      const double a = std::atan2(meccax, meccay);
      cv.Pen.Color = platform::TColor(qiblahColour);
      cv.Pen.Width = std::max(1, int(platform::Round(0.005 * rr)));
      line(0.7 * rr, 0.84 * rr, a);
      line(0.96 * rr, rr, a);
      cv.Pen.Width = 1;
      cv.Font.Color = platform::TColor(qiblahColour);
      fontSize(0.05 * rr);
      double deg = a / kd2r;
      if (deg < 0) deg += 360;
      const std::string angle = units ? units->anglestr(deg, 0, true, 200) : std::to_string(int(platform::Round(deg))) + "\xC2\xB0";
      arcText("Qiblah " + angle, platform::Round(0.88 * rr), a, 0.1);
    }
    ob.setTZ(0);
  } catch (const std::exception& e) {
    log(std::string("r_SunGlobe dial face: ") + e.what());
    sun.ob.setTZ(0);
  }
}

std::string TglobeDial::moonPhaseText(double p, bool waxing) {
  if (p < 3 && waxing) return wd("New moon");
  if (p > 98) return wd("Full moon");
  return wd(waxing ? "Waxing moon" : "Waning moon") + "  " + std::to_string(int(platform::Round(p))) + "%";
}

void TglobeDial::doStep(TrawBitmap24& target, int x, int y, int width, int height, int step) {
  if (step != 17 || bm->width() == 0 || width <= 0 || height <= 0) return;
  // Box-averaged scaling of the twice-size picture, only inside the inscribed circle.
  const double fx = double(bm->width()) / width, fy = double(bm->height()) / height;
  const double rad = width / 2.0;
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) {
      const double dx = col + 0.5 - rad, dy = row + 0.5 - height / 2.0;
      if (dx * dx + dy * dy > rad * rad) continue;
      const int x0 = int(col * fx), x1 = std::max(x0 + 1, int((col + 1) * fx));
      const int y0 = int(row * fy), y1 = std::max(y0 + 1, int((row + 1) * fy));
      int sb = 0, sg = 0, sr = 0, n = 0;
      for (int yy = y0; yy < std::min(y1, bm->height()); ++yy) {
        const uint8_t* p = bm->rowPt(yy);
        for (int xx = x0; xx < std::min(x1, bm->width()); ++xx) {
          sb += p[xx * 3];
          sg += p[xx * 3 + 1];
          sr += p[xx * 3 + 2];
          ++n;
        }
      }
      if (n == 0) continue;
      target.setPixel(x + col, y + row, Tbgr{uint8_t(sb / n), uint8_t(sg / n), uint8_t(sr / n)});
    }
}
