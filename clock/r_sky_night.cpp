// Tsky's night step: the photographic sky (a galactic equirectangular image from "sky.db") warped
// cell by cell onto the view, constellation boundaries, figures and names, stars by magnitude
// code, the galactic equator and the ecliptic with captions, and the bright planets with their
// tracks over about a year either side of today. Ecliptic blobs hold x = 360 - longitude.
#include <algorithm>
#include <cmath>

#include "astro/r_Sun.h"
#include "clock/r_sky.h"
#include "clock/r_sky_draw.h"
#include "core/Ttrig.h"
#include "core/r_Font.h"
#include "core/r_bitmapRaw.h"
#include "platform/numbers.h"
#include "storage/r_sqlite.h"

using namespace platform;

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180;
int32_t fade(int32_t c, int32_t t, double p) { return TosDrawing::FadeColour(c, t, p); }
}  // namespace

// The ini row's image, read once per renderer. The image gets a margin on its right: its left
// part repeated, so a cell across galactic longitude 180 reads one compact source triangle.
void Tsky::loadNightImage() {
  if (nightTried) return;
  nightTried = true;
  if (!db || !db->valid() || !db->tableExists("ini")) {
    log("night sky: no ini table");
    return;
  }
  Tbytes mem;
  const bool got = db->getColumnBlob("ini", "blob", TwhereClause::equals("key", "night sky"), mem);
  TrawBitmap24 raw;
  if (!got || !raw.loadfromMem(mem) || raw.width() < 2 || raw.height() < 1) {
    log("night sky: no usable image (" + (got ? raw.loadError() : std::string("empty")) + ")");
    return;
  }
  const int W = raw.width(), H = raw.height(), margin = W / 2;
  starsbm = std::make_unique<TBitmap>();
  starsbm->SetPixelFormat(pf24bit);
  starsbm->SetSize(W + margin, H);
  BitBlt(starsbm->dc(), 0, 0, W, H, &raw.dc(), 0, 0, SRCCOPY);
  BitBlt(starsbm->dc(), W, 0, margin, H, &raw.dc(), 0, 0, SRCCOPY);
  nightWidth = W;
}

void Tsky::nightTri(TCanvas& canvas, const double* b, const double* e, const TPoint* p) {
  if (!createTrig().TriangleInBox(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y, viewbox)) return;
  loadNightImage();
  if (!starsbm) return;
  double L[3], B[3];
  for (int k = 0; k < 3; ++k) {
    sun->BearingElevationToGalactic(L[k], B[k], e[k] * kRad, b[k] * kRad);
    L[k] = createTrig().inPi(L[k]) / kRad;
    B[k] /= kRad;
  }
  // Corners on both sides of longitude 180: the western ones are taken one turn further east.
  if (std::max({L[0], L[1], L[2]}) - std::min({L[0], L[1], L[2]}) > 180)
    for (double& l : L)
      if (l < 0) l += 360;
  const double W = nightWidth;
  double sx[3], sy[3];
  for (int k = 0; k < 3; ++k) {
    sx[k] = (L[k] + 180) * W / 360;
    sy[k] = (90 - B[k]) * W / 360;
  }
  stretch->percent = 100;
  stretch->box = nullptr;
  stretch->triD(starsbm->Canvas(), canvas, sx[0], sy[0], sx[1], sy[1], sx[2], sy[2], p[0].X, p[0].Y, p[1].X, p[1].Y,
                p[2].X, p[2].Y);
}

void Tsky::DrawNightSky(TCanvas& canvas, double step) {
  TprocScope proc(*this, "DrawNightSky");
  log("DrawNightSky");
  seterr("a");
  const int ni = int(std::nearbyint(360 / step)), nj = int(std::nearbyint(90 / step));
  for (int i = 0; i < ni; ++i)
    for (int j = -1; j < nj; ++j) {
      const double b1 = i * step, b2 = b1 + step, e1 = j * step, e2 = e1 + step;
      TPoint A, B, C, D;
      if (!inView(b1, e1, A.X, A.Y) || !inView(b1, e2, B.X, B.Y) || !inView(b2, e2, C.X, C.Y) ||
          !inView(b2, e1, D.X, D.Y))
        continue;
      const double bb1[3] = {b1, b1, b2}, ee1[3] = {e1, e2, e2};
      const TPoint p1[3] = {A, B, C};
      nightTri(canvas, bb1, ee1, p1);
      const double bb2[3] = {b1, b2, b2}, ee2[3] = {e1, e2, e1};
      const TPoint p2[3] = {A, C, D};
      nightTri(canvas, bb2, ee2, p2);
    }
  canvas.Brush.Color = clWhite;
  canvas.Brush.Style = bsSolid;
  seterr("b");
  doconstellations(canvas);
  dostars(canvas);
  doCircle(canvas, true);
  doCircle(canvas, false);
  doPlanets(canvas);
  seterr("c");
  dosun(canvas);
  domoon(canvas);
}

void Tsky::doxy(TCanvas& canvas, const TpolyXyValues& xy) {
  for (const Txyvalues& line : xy) {
    if (line.size() <= 1) continue;
    TrunPen pen;
    for (const xyrec& p : line) {
      double ra, dec, e, b;
      Tsun::EclipticToRADEC((360 - p.x) * kRad, p.y * kRad, ra, dec);
      sun->GetBearingElevation(ra, dec, e, b);
      runTo(canvas, pen, b / kRad, e / kRad);
    }
  }
}

void Tsky::doconstellations(TCanvas& canvas) {
  if (!db || !db->valid()) return;
  TpolyXyValues xy;
  Tbytes mem;
  int refused = 0;  // line blobs that are empty or do not hold what they claim
  if (db->tableExists("constellation boundaries")) {
    skydraw::solidPen(canvas, 0x404040);
    if (sqlite3_stmt* st = db->start("SELECT * FROM `constellation boundaries`")) {
      while (db->getnext(st)) {
        xy.clear();
        if (db->getBlob(st, 0, mem) && TsqlBase::MemToXY(&mem, xy)) doxy(canvas, xy);
        else ++refused;
      }
      db->finish(st);
    }
  } else {
    log("constellation boundaries: no table");
  }
  if (!db->tableExists("constellations")) {
    log("constellations: no table");
    return;
  }
  skydraw::dottedPen(canvas, 0xDCDCDC);
  canvas.Font.setName(os ? os->fontname() : canvas.Font.Name());
  canvas.Font.setSize(os ? os->fontsize(7) : 7);
  canvas.Font.Color = 0x00FFFF;
  TfontMan::align(canvas, TA_CENTER | TA_TOP);
  if (sqlite3_stmt* st = db->start("SELECT * FROM `constellations`")) {
    while (db->getnext(st)) {
      const std::string name = db->getstr(st, 1);
      if (name.empty()) {
        xy.clear();
        if (db->getBlob(st, 0, mem) && TsqlBase::MemToXY(&mem, xy)) doxy(canvas, xy);
        else ++refused;
        continue;
      }
      double ra, dec, e, b;
      Tsun::EclipticToRADEC((360 - db->getdouble(st, 2)) * kRad, db->getdouble(st, 3) * kRad, ra, dec);
      sun->GetBearingElevation(ra, dec, e, b);
      int x, y;
      if (inView(b / kRad, e / kRad, x, y) && fontman) {
        // The cell as the capitals centred on the point place it. On a small picture two names
        // can meet: the later one moves a line down or up, or is left out where both are taken.
        const int w = canvas.TextWidth(name), yb = y + int(platform::Round(fontman->VisualFontHeight(canvas) / 2));
        const TTextMetric tm = canvas.Handle()->textMetrics();
        const TRect cell{x - w / 2, yb - tm.ascent, x - w / 2 + w, yb + tm.descent};
        for (int dy : {0, cell.height(), -cell.height()}) {
          const TRect box = cell.offsetted(0, dy);
          if (std::any_of(lastNames.begin(), lastNames.end(),
                          [&](const TnameBox& n) { return !n.box.intersected(box).isEmpty(); }))
            continue;
          skydraw::transparentText(canvas);
          fontman->VCentredText(canvas, x, y + dy, name);
          lastNames.push_back({name, box});
          break;
        }
      }
    }
    db->finish(st);
  }
  if (refused > 0) log("constellations: " + std::to_string(refused) + " line blobs refused");
}

void Tsky::dostars(TCanvas& canvas) {
  if (!db || !db->valid() || !db->tableExists("stars")) {
    log("stars: no table");
    return;
  }
  sqlite3_stmt* st = db->start("SELECT * FROM stars");
  if (!st) return;
  int skipped = 0;
  TDeviceContext* dc = canvas.Handle();
  while (db->getnext(st)) {
    // Rows with empty or impossible positions are left out (and counted in the log).
    if (!db->getvalid(st, 0) || !db->getvalid(st, 1) || !db->getvalid(st, 2)) {
      ++skipped;
      continue;
    }
    const double lon = db->getint(st, 0) / 100.0, lat = db->getint(st, 1) / 100.0;
    const int code = db->getint(st, 2);
    if (lon < -360 || lon > 720 || lat < -90 || lat > 90) {
      ++skipped;
      continue;
    }
    double ra, dec, e, b;
    Tsun::EclipticToRADEC(lon * kRad, lat * kRad, ra, dec);
    sun->GetBearingElevation(ra, dec, e, b);
    int x, y;
    if (!inView(b / kRad, e / kRad, x, y)) continue;
    if (code < 30) {
      canvas.Brush.Color = 0xFFFFFF;
      canvas.FillRect({x - 2, y - 2, x + 2, y + 2});
    } else if (code < 50) {
      canvas.Brush.Color = 0xDCDCDC;
      canvas.FillRect({x - 1, y - 1, x + 1, y + 1});
    } else if (code <= 55) {
      canvas.Brush.Color = 0x808080;
      canvas.FillRect({x - 1, y - 1, x + 1, y + 1});
    } else if (code < 100) {
      if (dc) dc->setPixel(x, y, 0x808080);
    } else {
      if (dc) dc->setPixel(x, y, 0xFFFFFF);
    }
  }
  db->finish(st);
  if (skipped > 0) log("stars: " + std::to_string(skipped) + " rows without a usable position left out");
}

void Tsky::doCircle(TCanvas& canvas, bool galactic) {
  Txyvalues run;
  const int32_t colour = galactic ? 0x00FF00 : 0x00FFFF;
  skydraw::dottedPen(canvas, colour);
  double B[361], E[361];
  for (int n = 0; n <= 360; ++n) {
    double ra, dec, e, b;
    if (galactic) Tsun::GalacticToRADEC(n * kRad, 0, ra, dec);
    else Tsun::EclipticToRADEC(n * kRad, 0, ra, dec);
    sun->GetBearingElevation(ra, dec, e, b);
    B[n] = b / kRad;
    E[n] = e / kRad;
  }
  int nmin = 0;
  double best = -1;
  for (int n = 0; n <= 360; ++n) {
    double dbear = B[n] - centreLong;
    if (dbear > 180) dbear -= 360;
    else if (dbear < -180) dbear += 360;
    const double de = E[n] - centreLat, d = std::sqrt(dbear * dbear + de * de);
    if (best < 0 || d < best) best = d, nmin = n;
  }
  bool last = false;
  for (int k = nmin - 90; k <= nmin + 90; ++k) {
    const int n = k < 0 ? k + 360 : k > 360 ? k - 360 : k;
    int x, y;
    if (!inView(B[n], E[n], x, y)) {
      last = false;
      continue;
    }
    if (last) canvas.LineTo(x, y);
    else canvas.MoveTo(x, y);
    last = true;
    if (x > 0 && x < width && E[n] > 0 && (!galactic || y > 0)) run.push_back({xid, yid});
  }
  doLabel(canvas, run, -1, galactic ? "Galactic equator" : "Plane of the ecliptic", colour, 50, false);
}

void Tsky::doPlanets(TCanvas& canvas) {
  for (const char* pname : {"Venus", "Mars", "Mercury", "Jupiter", "Saturn", "Neptune", "Uranus"}) {
    std::string lower = pname;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    double e = 0, b = 0;
    sun->NamedPlanet(e, b, lower);
    int x, y;
    if (!(e > -0.1) || !inView(b / kRad, e / kRad, x, y)) continue;
    const bool drawn = doPath(canvas, lower);
    const int32_t colour = drawn ? 0xFFFFFF : 0x808080;
    const int r = drawn ? 3 : 2;
    canvas.Font.Color = TColor(colour);
    canvas.Brush.Color = TColor(colour);
    canvas.Brush.Style = bsSolid;
    skydraw::solidPen(canvas, 0x0000FF);
    canvas.Ellipse(x - r, y - r, x + r, y + r);
    skydraw::transparentText(canvas);
    TfontMan::align(canvas, TA_CENTER | TA_TOP);
    if (fontman) fontman->TopTextOut(canvas, x, y + r + 1, skydraw::wd(pname));
    skydraw::solidPen(canvas, 0x000000);
  }
}

bool Tsky::doPath(TCanvas& canvas, const std::string& pname) {
  double step = 0;
  int n = 0;
  if (pname == "mercury") step = 2, n = 180;
  else if (pname == "venus") step = 6, n = 60;
  else if (pname == "mars" || pname == "jupiter") step = 12, n = 30;
  else return false;
  Tobserver& ob = sun->ob;
  const double jd0 = ob.getJDate();
  bool last = false;
  for (int i = -n; i <= n; ++i) {
    double ra = 0, dec = 0, e = 0, b = 0;
    sun->NamedPlanet(ra, dec, jd0 + i * step, pname);
    ob.setJday(jd0);  // the track is seen from the present place and moment
    sun->GetBearingElevation(ra, dec, e, b);
    int x, y;
    if (!inView(b / kRad, e / kRad, x, y)) {
      last = false;
      continue;
    }
    const double p = i > 0 ? i * 65.0 / n + 35 : -double(i) / n * 100;
    skydraw::dottedPen(canvas, fade(0xFFFF00, 0x000000, p));
    if (last) canvas.LineTo(x, y);
    else canvas.MoveTo(x, y);
    last = true;
  }
  ob.setJday(jd0);
  return true;
}
