// TsunHD2: the World map page. Paints the renderer's map, recentres it on a drag, names the
// zone and country under the pointer in the hover panel, and opens and closes the time query.
#include "clock/r_SunHD2.h"

#include <cmath>
#include <cstdlib>

#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/numbers.h"
#include "platform/process.h"
#include "platform/windows.h"

using namespace platform;

namespace {
int gp(double n) { return os ? os->gp(n) : static_cast<int>(Round(n)); }
}  // namespace

double wrapCentre(double c) {
  if (!std::isfinite(c)) return 0;
  c = std::fmod(c, 360.0);
  if (c < -180) c += 360;
  if (c >= 180) c -= 360;
  return c;
}

double dragCentre(double centre, int dx, int mapWidth) {
  if (mapWidth <= 0) return wrapCentre(centre);
  return wrapCentre(centre - static_cast<double>(dx) / mapWidth * 360.0);
}

TsunHD2::TsunHD2(TWinControl* owner, int screenWidth, TTimer* t, const std::function<void(TsunLite&)>& beforeFirstMap)
    : TQYcontrol(owner) {
  TprocScope proc(*os, "TsunHD2.create");
  screenwidth = screenWidth;
  notionalScreenwidth = screenWidth >= 3840 ? 3840 : 1920;
  Color = clBlack;
  colour = 0;
  const double uiMagnify = os && os->monitors ? os->monitors->screenInfo().fontMagnifier() : 1.0;
  sunLite = std::make_unique<TsunLite>(os ? os->basedir() : std::string(), WithTimezones::Yes, screenWidth, uiMagnify,
                                       beforeFirstMap);
  sunLite->win = [this] { Invalidate(); };
  over = std::make_unique<TsunOver>(this);
  over->sunLite = sunLite.get();
  const double magnify = os ? os->fontMagnification() : 1.0;
  over->fontSize = static_cast<int>(Round(magnify * screenWidth * 13.228346456692913 / 1920));
  over->Hide();
  fixedBm = std::make_unique<TrawBitmap24>();
  OnResize = [this](TWinControl*) { doresize(); };
  OnMouseLeave = [this](TWinControl*) { leaveFixed(); };
  OnMouseMove = [this](TWinControl*, TShiftState s, int x, int y) { mouseMove(x, y, (s & ssLeft) != 0); };
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) {
    if (b == mbLeft) mouseDown(x, y);
  };
  OnMouseUp = [this](TWinControl*, TMouseButton b, TShiftState, int x, int y) {
    if (b == mbLeft) mouseUp(x, y);
  };
  timer = t;
}

TsunHD2::~TsunHD2() {
  if (os) {
    os->unassign(fixedBm);
    os->unassign(fixed);
    os->unassign(over);
    os->unassign(ownTimer);
    os->unassign(sunLite);
  }
}

void TsunHD2::reenter() {
  // The first showing follows the constructor at once and reads the file it has just read: the
  // map stays fresh. A later one may find the file changed, and follows a leave.
  if (sunLite) sunLite->locations().reload();
}

void TsunHD2::leave() {
  mapFresh = false;
  doCloseFixed();
  inFixed = false;
  if (sunLite) sunLite->releaseMemory();  // its rebuilds stop until the page is shown again
}

void TsunHD2::dotimer(void* sender) {
  if (fixed || !sunLite) return;
  TcontrolScope scope(*this, "dotimer");
  // A pointer that left the window or went to another control sent the page no word of it.
  if (hasDesktop() && HandleAllocated()) {
    const TPoint p = ScreenToClient(desktop().cursorPos());
    if (inFixed && !fixedBox.contains(p)) leaveFixed();
    if (over->Visible() && !mapBox.contains(p)) over->Hide();
  }
  if (dateman) over->setGmt(dateman->getgmtDt());
  sunLite->refreshImage(sender || mapFresh ? RefreshBy::Tick : RefreshBy::Force);
  mapFresh = false;
}

void TsunHD2::doresize() {
  sunLite->topAligned = topAligned;
  const double s = screenwidth / 1920.0;
  fixedBm->setsize(gp(978 * s), gp(116 * s));  // the time query's size; placed on the map when painted
  if (!timer && !ownTimer) {
    ownTimer = std::make_unique<TTimer>();
    ownTimer->SetInterval(1000);
    ownTimer->SetOnTimer([this](TTimer* tm) { dotimer(tm); });
    timer = ownTimer.get();
    timerOwned = true;
  }
  if (Width() > 0 && Height() > 0) sunLite->refreshImage(mapFresh ? RefreshBy::Tick : RefreshBy::Force);
  over->parentWidth = Width();
  setId(-1);
  Invalidate();
}

void TsunHD2::Paint() {
  TQYcontrol::Paint();
  try {
    paintMap();
  } catch (const std::exception& e) {
    ::log(std::string("TsunHD2 paint: ") + e.what());
    if (onError) onError(this, e);
  }
}

void TsunHD2::paintMap() {
  TDeviceContext* dc = Canvas().Handle();
  if (!dc || !sunLite) return;
  const TRect client = ClientRect();
  const TRect r = sunLite->draw(*dc, client);
  mapBox = r;
  mapBox.Top += sunLite->stripH();
  // The button and the time query stand on the map, low and centred, at any screen size.
  const double s = screenwidth / 1920.0;
  const int w = fixedBm->width(), h = fixedBm->height();
  const int x = mapBox.Left + (mapBox.width() - w) / 2, y = mapBox.Bottom - h - gp(100 * s);
  fixedBox = Rect(x, y, x + w, y + h);
  if (const std::vector<std::string> missing = missingData(); !missing.empty()) {
    paintMissingData(mapBox);
  } else {
    refreshFixed();
    if (inFixed) BitBlt(*dc, fixedBox.Left, fixedBox.Top, w, h, &fixedBm->dc(), 0, 0, SRCCOPY);
  }
  const TBrushDesc black = solidBrush(clBlack);
  if (r.Top > 0) dc->fillRect(Rect(0, 0, client.Right, r.Top), black);
  if (r.Bottom < client.Bottom) dc->fillRect(Rect(0, r.Bottom, client.Right, client.Bottom), black);
}

void TsunHD2::refreshFixed() {
  TDeviceContext* dc = Canvas().Handle();
  if (!dc || fixedBm->width() <= 0 || fixedBm->height() <= 0) return;
  BitBlt(fixedBm->dc(), 0, 0, fixedBm->width(), fixedBm->height(), dc, fixedBox.Left, fixedBox.Top, SRCCOPY);
  fixedBm->lighten(25);
  TCanvas cv;
  cv.bind(&fixedBm->dc());
  fixedBm->dc().setBkMode(BkMode::Transparent);
  cv.Font.setName("Calibri");
  cv.Font.setSize(os ? os->fontsize(24) : 24);
  cv.Font.Color = clBlack;
  const std::string t = "Click to choose a time";
  cv.TextOut((fixedBm->width() - cv.TextWidth(t)) / 2, (fixedBm->height() - cv.TextHeight(t)) / 2, t);
  cv.bind(nullptr);
}

void TsunHD2::leaveFixed() {
  if (!inFixed) return;
  inFixed = false;
  Repaint();
  SetCursor(Cursor::Arrow);
}

std::vector<std::string> TsunHD2::missingData() const {
  return sunLite ? sunLite->missingImagesText(exeFolder()) : std::vector<std::string>{};
}

void TsunHD2::paintMissingData(const TRect& map) {
  TCanvas& cv = Canvas();
  TDeviceContext* dc = cv.Handle();
  dc->fillRect(map, solidBrush(0x302020));
  dc->setBkMode(BkMode::Transparent);
  cv.Font.setName("Calibri");
  cv.Font.setSize(os ? os->fontsize(16) : 16);
  cv.Font.Color = clWhite;
  const std::vector<std::string> lines = missingData();
  const int lh = cv.TextHeight("Ag") * 3 / 2;
  int y = (map.Top + map.Bottom) / 2 - lh * static_cast<int>(lines.size()) / 2;
  for (const std::string& l : lines) {
    cv.TextOut(map.Left + (map.width() - cv.TextWidth(l)) / 2, y, l);
    y += lh;
  }
}

void TsunHD2::mouseMove(int x, int y, bool held) {
  if (dragging && held) {
    if (!moving && std::abs(x - downx) > 4) moving = true;
    if (moving) {
      TlocLite& loc = sunLite->locations();
      // The map, not the page, spans a whole turn.
      const int mapW = mapBox.width() > 0 ? mapBox.width() : Width();
      loc.setCentre(dragCentre(loc.centreLong(), x - downx, mapW));
      Repaint();
      downx = x;
    }
    return;
  }
  const TPoint p{x, y};
  if (!mapBox.contains(p)) {
    leaveFixed();
    setId(-1);
    over->Hide();
    return;
  }
  if (fixedBox.contains(p)) {
    if (!inFixed) {
      inFixed = true;
      Invalidate();
    }
    over->Hide();
    setId(-1);
    SetCursor(Cursor::Hand);
    return;
  }
  leaveFixed();
  const double f = mapBox.width() > 0 ? static_cast<double>(notionalScreenwidth) / mapBox.width() : 1.0;
  const int mx = static_cast<int>(Round((x - mapBox.Left) * f));
  const int my = static_cast<int>(Round((y - mapBox.Top) * f));
  hit = sunLite->locations().hit(mx, my);
  SetCursor(hit >= 0 ? Cursor::Hand : Cursor::Arrow);
  std::string country, zone;
  setId(sunLite->timeZone(mx, my, country, zone));
  if (fid >= 0) {
    over->setTz(zone);
    over->setCountry(country);
    over->update(x, y);
  } else {
    over->Hide();
  }
}

void TsunHD2::mouseDown(int x, int /*y*/) {
  dragging = true;
  moving = false;
  downx = x;
  setId(-1);
  over->Hide();
}

void TsunHD2::mouseUp(int /*x*/, int /*y*/) {
  dragging = false;
  if (moving) {
    moving = false;
    return;
  }
  if (fixed) {
    doCloseFixed();
    return;
  }
  if (hit >= 0) {
    if (onChangeHome) onChangeHome(this);
    return;
  }
  TcontrolScope scope(*this, "open time query");
  inFixed = false;
  fixed = std::make_unique<TfixedTime>(this, screenwidth);
  fixed->sunLite = sunLite.get();
  fixed->over = over.get();
  fixed->onclose = [this] { doCloseFixed(); };
  fixed->homeplace = homeplace;
  fixed->hometz = homeTz;
  if (dateman) {
    const TDateTime gmt = dateman->getgmtDt();
    const std::string tz = homeTz.empty() ? std::string("GMT Standard Time") : homeTz;
    const TDateTime noon = std::floor(dateman->localtimeFromName(tz, gmt)) + 0.5;
    fixed->setTime(dateman->GMTfromLocalTime(tz, noon));
  }
  fixed->SetBounds(fixedBox.Left, fixedBox.Top, fixed->Width(), fixed->Height());
  fixed->Show();
  fixed->placeCursor();
}

void TsunHD2::doCloseFixed() {
  if (!fixed) return;
  SetCursor(Cursor::Wait);
  os->unassign(fixed);
  const bool was = sunLite->supressShadowUpdate;
  sunLite->supressShadowUpdate = true;
  dotimer(nullptr);
  sunLite->supressShadowUpdate = was;
  inFixed = true;
  Repaint();
  SetCursor(Cursor::Hand);
}
