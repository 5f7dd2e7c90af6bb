// Tsky: the camera inside the sky sphere (radius 1000, the observer 400 units behind its centre and
// 100 above the ground), the projection of sky directions, the choice of day, night or twilight
// sky, the alt-azimuth grid, the ground with its compass rose, and the caption line.
#include "clock/r_sky.h"

#include <algorithm>
#include <cmath>

#include "astro/r_Sun.h"
#include "astro/r_SunLoc.h"
#include "clock/r_furniture.h"
#include "clock/r_sky_draw.h"
#include "core/r_Font.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/numbers.h"

using namespace platform;

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180;
std::string yesno(bool b) { return b ? "yes" : "no"; }
int32_t fade(int32_t c, int32_t t, double p) { return TosDrawing::FadeColour(c, t, p); }
int gp(int n) { return os ? os->gp(n) : n; }
int fontsize(double h) { return os ? os->fontsize(h) : int(h); }
}  // namespace

Tsky::Tsky(TsunBase& sunbase) {
  log("Tsky create start");
  setproc("create");
  try {
    seterr("a");
    sun = &sunbase.sun();
    locations = &sunbase.locations();
    db = sunbase.db();
    tran = std::make_unique<TTranslate3D>();
    eleUp = 4;
    eleDown = -4;
    seterr("b");
    sun->sun();
    sun->Moon();
    setView(sun->getSunB(), 40);
    seterr("c");
    stretch = std::make_unique<Tstretch>();
    northBM = GenerateNorthPoint();
    seterr("d");
    monobm = std::make_unique<TBitmap>();
    monobm->SetPixelFormat(pf24bit);
    dayBm = std::make_unique<TBitmap>();
    dayBm->SetPixelFormat(pf24bit);
    grad = std::make_unique<Tgradient>();
    shift = std::make_unique<Ttrans>();
    blend = std::make_unique<Tblend>();
    seterr("e");
    createDateman();
    seterr("f");
    createFontMan();
    seterr("g");
    fbuilt = true;
  } catch (const std::exception& e) {
    log("except create " + err() + " " + e.what());
  }
  setproc("");
  log("Tsky create end");
}

Tsky::~Tsky() {
  if (os) {
    os->unassign(blend);
    os->unassign(shift);
    os->unassign(grad);
    os->unassign(dayBm);
    os->unassign(monobm);
    os->unassign(northBM);
    os->unassign(starsbm);
    os->unassign(stretch);
    os->unassign(tran);
  }
}

void Tsky::getXYZ(double& x, double& y, double& z, double skyLong, double skyLat) {
  const double b = skyLong * kRad, e = skyLat * kRad;
  x = 1000 * std::cos(e) * std::sin(b);
  y = 1000 * std::cos(e) * std::cos(b);
  z = 1000 * std::sin(e);
}

void Tsky::setView(double skyLong, double skyLat) {
  double cx, cy, cz;
  getXYZ(cx, cy, cz, skyLong, skyLat);
  centreLong = skyLong;
  centreLat = skyLat;
  xc = -400 * std::sin(skyLong * kRad);
  yc = -400 * std::cos(skyLong * kRad);
  TTranslate3D::MatrixForObserver(xc, yc, 100, cx, cy, cz, mx);
  fl = 1;
}

void Tsky::getXY(double imagex, double imagey, int& xi, int& yi) {
  xid = width / 2.0 + imagex * height / 2.0;
  yid = height / 2.0 - imagey * height / 2.0;
  auto clampRound = [](double v) {
    if (!std::isfinite(v)) return v > 0 ? INT32_MAX : INT32_MIN;
    return int(std::clamp(std::nearbyint(v), double(INT32_MIN), double(INT32_MAX)));
  };
  xi = clampRound(xid);
  yi = clampRound(yid);
}

bool Tsky::inView(double bearing, double elevation, int& xi, int& yi) {
  double x, y, z, u = 0, v = 0;
  getXYZ(x, y, z, bearing, elevation);
  if (!TTranslate3D::Perspective(u, v, x, y, z, fl, mx)) return false;
  getXY(u, v, xi, yi);
  return true;
}

double Tsky::lightFor(double e) const {
  if (!(e >= eleDown)) return 0;
  if (e > eleUp) return 100;
  return (e - eleDown) * 100 / (eleUp - eleDown);
}

std::unique_ptr<TBitmap> Tsky::GenerateNorthPoint() {
  auto bm = std::make_unique<TBitmap>();
  bm->SetPixelFormat(pf24bit);
  bm->SetSize(1000, 1000);
  bm->Canvas().Brush.Color = clWhite;
  bm->Canvas().FillRect({0, 0, 1000, 1000});
  Tnorth north;
  north.colour = 0;
  north.northstring = "North";  // fixed words: the rose lies on the ground, untranslated
  north.NESWstring = "NESW";
  north.Draw(bm->Canvas(), n_rose4, {0, 0, 1000, 1000}, TfontMan::ppmm(bm->Canvas()));
  return bm;
}

void Tsky::Draw(TCanvas& canvas, int w, int h) {
  TprocScope proc(*this, "Draw");
  seterr("a");
  // A renderer whose creation stopped part way has missing parts: it draws nothing.
  if (!fbuilt || !blend || !monobm) {
    log("assigned: " + yesno(blend != nullptr) + " " + yesno(monobm != nullptr));
    log("size: " + std::to_string(w) + " " + std::to_string(h));
    return;
  }
  if (w < 300 || h < 300 || w > 4000 || h > 4000) {
    log("wrong size: " + std::to_string(w) + " " + std::to_string(h));
    return;
  }
  Tobserver& ob = sun->ob;
  locations->setTime(ob.getDT());
  seterr("b");
  try {
    timediff = 0;
    seterr("b1");
    const int home = locations->getHome();
    if (home >= 0 && home < locations->count()) timediff = (locations->getLoc(home).dt - ob.getDT()) * 24;
  } catch (...) {
    timediff = 0;
    log("draw except");
  }
  seterr("b2");
  try {
    width = w;
    height = h;
    monobm->SetSize(w, h);
    viewbox = {0, 0, w, h};
  } catch (...) {
    log("except: " + yesno(monobm != nullptr) + " " + std::to_string(w) + " " + std::to_string(h));
    return;
  }
  log("Tsky draw");
  lastLabels.clear();
  lastNames.clear();
  seterr("b4");
  canvas.Font.setName("Calibri");
  canvas.Font.setSize(fontsize(12));
  canvas.Brush.Color = clBlack;
  canvas.Brush.Style = bsSolid;
  if (!(sun->getSunE() > 0)) canvas.FillRect({0, 0, w, h});  // the day sky covers it all itself
  seterr("c");
  DrawSky(canvas, 6);
  seterr("d");
  DrawGrid(canvas, 15);
  seterr("e");
  DrawGround(canvas, 10);
  seterr("f");
  DrawClock(canvas);
  seterr("g");
}

void Tsky::DrawSky(TCanvas& canvas, double step) {
  log("sun " + yesno(sun != nullptr) + " " + std::to_string(eleUp - eleDown));
  const double e = sun->getSunE();
  light = lightFor(e);
  log("elevation " + std::to_string(e));
  if (!(e >= eleDown)) {
    DrawNightSky(canvas, step);
  } else if (e <= 0) {
    dayBm->SetSize(width, height);
    dayBm->Canvas().Font.setSize(canvas.Font.Size());
    log("day sky");
    DrawDaySky(dayBm->Canvas(), step);
    log("night sky");
    DrawNightSky(canvas, step);
    log("blend");
    blend->PercentBlend(canvas, *dayBm, 0, 0, light * 2);
  } else {
    DrawDaySky(canvas, step);
  }
}

void Tsky::runTo(TCanvas& canvas, TrunPen& pen, double bearing, double elevation) {
  int x, y;
  if (!inView(bearing, elevation, x, y)) {
    pen.last = false;
    return;
  }
  if (pen.last) canvas.LineTo(x, y);
  else canvas.MoveTo(x, y);
  pen.last = true;
}

void Tsky::DrawGrid(TCanvas& canvas, double step) {
  skydraw::dottedPen(canvas, fade(0x00FFFF, 0, 50));
  const int rings = int(std::nearbyint(90 / step)) - 1;
  for (int k = 1; k <= rings; ++k) {
    TrunPen pen;
    for (int b = 0; b <= 360; b += 4) runTo(canvas, pen, b, k * step);
  }
  const int spokes = int(std::nearbyint(360 / step));
  for (int k = 0; k < spokes; ++k) {
    TrunPen pen;
    for (int e = 0; e <= 84; e += 3) runTo(canvas, pen, k * step, e);
  }
  skydraw::solidPen(canvas, clBlack);
}

void Tsky::DrawGround(TCanvas& canvas, double step) {
  const int32_t colour0 = fade(0x008000, 0xFFFFFF, light / 2);
  const int32_t colour = fade(colour0, fade(0, 0xFFFFFF, light), 90);
  double u = 0, v = 0;
  int fx, fy;
  TTranslate3D::Perspective(u, v, xc / 2, yc / 2, 0, fl, mx);
  getXY(u, v, fx, fy);
  canvas.Brush.Color = TColor(colour0);
  canvas.Brush.Style = bsSolid;
  canvas.FillRect({0, std::max(-1, std::min(fy, height)), width, height});
  canvas.Pen.Style = psClear;
  const int n = int(std::nearbyint(360 / step));
  for (int i = 0; i < n; ++i) {
    int x1, y1, x2, y2;
    if (inView(i * step, 0, x1, y1) && inView(i * step + step, 0, x2, y2))
      grad->GradientTriangle(canvas, fx, fy, colour0, x1, y1, colour, x2, y2, colour);
  }
  canvas.Brush.Color = clWhite;
  canvas.Pen.Style = psSolid;

  // The compass rose laid on the ground, north towards +y. Only the box the rose's cells reach
  // is worked on: elsewhere the white work bitmap would leave the canvas as it is, so only that
  // box is whitened first.
  TCanvas& mono = monobm->Canvas();
  TRect roseBox{width, height, 0, 0};
  const double f = northBM->Width() / 30.0, H = northBM->Height();
  struct Tcell {
    int r, c;
    double px[4], py[4];
  };
  std::vector<Tcell> cells;
  cells.reserve(900);
  for (int r = -15; r < 15; ++r)
    for (int c = -15; c < 15; ++c) {
      Tcell cell{r, c, {}, {}};
      const double gx[4] = {20.0 * c, 20.0 * c, 20.0 * (c + 1), 20.0 * (c + 1)};
      const double gy[4] = {20.0 * r, 20.0 * (r + 1), 20.0 * (r + 1), 20.0 * r};
      bool all = true;
      for (int k = 0; k < 4 && all; ++k) {
        double iu = 0, iv = 0;
        all = TTranslate3D::Perspective(iu, iv, gx[k], gy[k], 0, fl, mx);
        int ix, iy;
        getXY(iu, iv, ix, iy);
        cell.px[k] = xid;
        cell.py[k] = yid;
      }
      if (!all) continue;
      for (int k = 0; k < 4; ++k) {
        roseBox.Left = std::min(roseBox.Left, int(std::max(-1.0, std::floor(cell.px[k]))) - 2);
        roseBox.Top = std::min(roseBox.Top, int(std::max(-1.0, std::floor(cell.py[k]))) - 2);
        roseBox.Right = std::max(roseBox.Right, int(std::min(width + 1.0, std::ceil(cell.px[k]))) + 2);
        roseBox.Bottom = std::max(roseBox.Bottom, int(std::min(height + 1.0, std::ceil(cell.py[k]))) + 2);
      }
      cells.push_back(cell);
    }
  roseBox.intersect(viewbox);
  if (roseBox.isEmpty()) return;
  mono.Brush.Color = clWhite;
  mono.Brush.Style = bsSolid;
  mono.FillRect(roseBox);
  for (const Tcell& cell : cells) {
    const double x1 = (cell.c + 15) * f, x2 = (cell.c + 16) * f, y1 = H - (cell.r + 15) * f,
                 y2 = H - (cell.r + 16) * f;
    const double* px = cell.px;
    const double* py = cell.py;
    stretch->triD(northBM->Canvas(), mono, x1, y1, x1, y2, x2, y2, px[0], py[0], px[1], py[1], px[2], py[2]);
    stretch->triD(northBM->Canvas(), mono, x1, y1, x2, y2, x2, y1, px[0], py[0], px[2], py[2], px[3], py[3]);
  }
  TDeviceContext* dc = canvas.Handle();
  if (!dc) return;
  const int x = roseBox.Left, y = roseBox.Top, w = roseBox.width(), h = roseBox.height();
  BitBlt(monobm->dc(), x, y, w, h, dc, x, y, SRCAND);
  blend->PercentBlend(*dc, x, y, w, h, monobm->dc(), x, y, w, h, (100 - light) / 100 * 60 + 10);
}

std::string Tsky::clockText(double dt) const {
  const DateParts p = decodeDateTime(dt);
  std::string time;
  if (locations && locations->useAmPm) {
    const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    time = std::to_string(h12) + ":" + TdateMan::str2(p.minute) + (p.hour < 12 ? " am" : " pm");
  } else {
    time = TdateMan::str2(p.hour) + ":" + TdateMan::str2(p.minute);
  }
  const int weekday = (dayOfWeek(dt) + 5) % 7;  // 1 = Sunday becomes 6; 0 = Monday
  const std::string day = dateman ? dateman->DayName(weekday) : "";
  const std::string month = dateman ? dateman->MonthName(p.month - 1) : "";
  return time + "   " + day + ", " + std::to_string(p.day) + " " + month + " " + std::to_string(p.year);
}

std::string Tsky::captionLine(double localDt) const {
  std::string place = locations->homeplace;
  if (const size_t bar = place.find('|'); bar != std::string::npos) place = place.substr(bar + 1);
  return skydraw::wd("The Sky from") + " " + place + ",  " + clockText(localDt);
}

void Tsky::DrawClock(TCanvas& canvas) {
  const int home = locations->getHome();
  const double dt = locations->getLoc(home).dt;
  const unsigned oldAlign = TfontMan::align(canvas, TA_RIGHT);
  const int oldSize = canvas.Font.Size();
  canvas.Font.setSize(fontsize(13));
  canvas.Font.Color = clWhite;
  skydraw::transparentText(canvas);
  if (fontman) fontman->TopTextOut(canvas, width - gp(8), height - gp(30), captionLine(dt));
  canvas.Font.setSize(oldSize);
  TfontMan::align(canvas, oldAlign);
}
