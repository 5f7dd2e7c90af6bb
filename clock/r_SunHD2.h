// r_SunHD2: the World map page (TsunHD2) with its hover panel (TsunOver) and time query
// (TfixedTime). The page hosts the day/night renderer, recentres the map on a sideways drag,
// makes a clicked label's location the home place and opens the time query elsewhere.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "astro/r_sunLite.h"
#include "core/TQYcontrol.h"
#include "core/r_bitmapRaw.h"
#include "platform/controls.h"
#include "platform/datetime.h"
#include "ui/r_QYcontrols.h"

class TsunHD2;

// Keeps a centre longitude within −180..180 (a whole turn is the same map).
[[nodiscard]] double wrapCentre(double c);
// The centre after a drag of dx pixels across a map mapWidth pixels wide.
[[nodiscard]] double dragCentre(double centre, int dx, int mapWidth);

class TsunOver : public TQYcontrol {
 public:
  explicit TsunOver(TsunHD2* owner);
  ~TsunOver() override;

  void setTz(const std::string& name);
  void setCountry(const std::string& name);
  [[nodiscard]] platform::TDateTime gmt() const { return fgmt; }
  void setGmt(platform::TDateTime moment);
  // Places the panel above the pointer (page coordinates), left of it near the right edge.
  void update(int x, int y);
  [[nodiscard]] const std::string& timeText() const { return s1; }
  [[nodiscard]] std::string countryShown() const { return fcountry == "Alaska" ? "USA" : fcountry; }
  [[nodiscard]] bool isMultiZone() const { return multiZone; }

  TsunLite* sunLite = nullptr;  // the page's renderer, borrowed
  int parentWidth = 0;
  int fontSize = 10;

 protected:
  void Paint() override;

 private:
  TsunHD2* page;
  platform::TDateTime fgmt = 0, dt = 0;
  int hour = -1, min = -1;
  bool changed = true;
  bool multiZone = false;
  std::string ftz, fcountry, s1;
};

class TfixedTime : public TQYcontrol {
 public:
  TfixedTime(TsunHD2* owner, int screenwidth);
  ~TfixedTime() override;

  void setTime(platform::TDateTime gmt);
  void placeCursor();
  // Where the heading and the footer line are written, in panel pixels.
  [[nodiscard]] platform::TRect headingRect();
  [[nodiscard]] platform::TRect footerRect();
  void doClick(platform::TWinControl* sender);
  [[nodiscard]] platform::TDateTime local() const { return localDt; }
  [[nodiscard]] platform::TRect timeBox() const { return box; }

  // Mouse rules, in panel coordinates.
  void mouseDown(int x, int y);
  void mouseMove(int x, int y, bool held);
  void mouseUp(int x, int y);

  TsunLite* sunLite = nullptr;
  TsunOver* over = nullptr;
  std::function<void()> onclose;
  std::string homeplace, hometz;
  double screenf = 1;

 protected:
  void Paint() override;

 private:
  void layout();
  [[nodiscard]] std::string heading() const;
  void setHeadingFont(platform::TCanvas&) const;
  void setLineFont(platform::TCanvas&) const;
  TsunHD2* page;
  platform::TRect box, closeBox;
  platform::TDateTime localDt = 0;
  bool draggingTime = false;
  int downx = 0, downy = 0;
  std::unique_ptr<Tbutton> closeBut;
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};

class TsunHD2 : public TQYcontrol {
 public:
  // beforeFirstMap: as TsunLite's; the labels' settings made there reach the first map, which
  // is then built once for the page's first showing.
  TsunHD2(platform::TWinControl* owner, int screenWidth, platform::TTimer* timer,
          const std::function<void(TsunLite&)>& beforeFirstMap = {});
  ~TsunHD2() override;
  [[nodiscard]] const char* unitName() const override { return "r_SunHD2"; }

  void reenter();
  void leave();
  // The tick: nothing while the time query is open; a null sender forces a rebuild, except for
  // the page's first showing when the map the constructor built is still current.
  void dotimer(void* sender);
  [[nodiscard]] int id() const { return fid; }
  void setId(int value) { fid = value; }
  void doCloseFixed();
  void doresize();
  // The "Click to choose a time" picture: the page under fixedBox lightened, with its words.
  void refreshFixed();
  // The pointer has left the map (by any road): the picture goes.
  void leaveFixed();
  // What the page says in place of the map when its images are missing; empty when they are there.
  [[nodiscard]] std::vector<std::string> missingData() const;

  // Mouse rules, in page coordinates.
  void mouseMove(int x, int y, bool held);
  void mouseDown(int x, int y);
  void mouseUp(int x, int y);

  [[nodiscard]] TfixedTime* fixedPanel() const { return fixed.get(); }
  [[nodiscard]] TsunOver& hoverPanel() { return *over; }
  [[nodiscard]] platform::TRect mapRect() const { return mapBox; }
  [[nodiscard]] platform::TRect fixedRect() const { return fixedBox; }
  [[nodiscard]] const TrawBitmap24& fixedPicture() const { return *fixedBm; }

  int notionalScreenwidth = 1920;
  int screenwidth = 1920;
  platform::TTimer* timer = nullptr;
  bool timerOwned = false;
  bool dragging = false, moving = false, inFixed = false;
  int downx = 0;
  std::function<void(TsunHD2*)> onChangeHome;
  // A failure while painting; without a handler it is only logged.
  std::function<void(TsunHD2*, const std::exception&)> onError;
  int hit = -1;
  bool topAligned = false;
  // The map the constructor built, with nothing but the clock to outdate it yet: the first
  // resize and the first showing rebuild only for a new minute.
  bool mapFresh = true;
  std::unique_ptr<TsunLite> sunLite;
  std::string homeplace, homeTz;

 protected:
  void Paint() override;

 private:
  void paintMap();
  void paintMissingData(const platform::TRect& map);
  std::unique_ptr<TfixedTime> fixed;
  std::unique_ptr<TrawBitmap24> fixedBm;
  std::unique_ptr<TsunOver> over;
  std::unique_ptr<platform::TTimer> ownTimer;
  platform::TRect mapBox, fixedBox;
  int fid = -1;
};
