// Display scaling of the services object: every pixel size passes gp, every font size fontsize,
// millimetres pass pixels. The factors: the program magnification (DPI / 96 at start), the
// monitor's magnifier (always 1), the display correction, the interface and user magnifications
// and the auto factor (design width or desktop font scaling), rounded halves to even.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/r_Monitors.h"
#include "platform/controls.h"

// The interface magnification of the core module: 1, and nothing changes it.
extern double uiMagnify;

// Screen measurements of the primary display (whole-screen pixels and millimetres).
class TscreenInfo2 {
 public:
  TscreenInfo2() { refresh(); }
  void refresh();
  void doRefresh(void*) { refresh(); }
  // Millimetres to pixels, at least 1 for a positive size.
  [[nodiscard]] int px(double mm) const;
  // A font size for a capital height in millimetres, with the face's size factor.
  [[nodiscard]] int fontSize(std::string const& fontname, double mm) const;

  double magnify = 1.0;
  int pixwidth = 0, pixheight = 0;
  double mmwidth = 0, mmheight = 0;
  double ppmm = 96.0 / 25.4;
};

// What the font manager answers about faces; defaults stand in until it exists.
struct TfontFacts {
  std::function<bool(std::string const&)> isScreenFont;
  std::function<std::string(std::string const&)> getFontName;  // the manager's choice for a name
  // Size factor relative to Arial, with the capital-top and baseline factors.
  std::function<double(std::string const&, double& top, double& baseline)> fontfactor;
  std::function<std::string()> menuFontName;
};
TfontFacts& fontFacts();

class TosScaling {
 public:
  TosScaling();
  virtual ~TosScaling();

  [[nodiscard]] double gpd(double pixels) const;
  [[nodiscard]] int gp(double pixels) const;
  [[nodiscard]] int gp(int pixels) const { return growPixels(pixels); }
  [[nodiscard]] int growPixels(int pixels) const;
  [[nodiscard]] int shrinkPixels(int pixels) const;
  [[nodiscard]] int pixels(double mms) const;
  [[nodiscard]] int fontsize(double height) const;
  [[nodiscard]] int fontsize(double factor, double height) const;
  [[nodiscard]] int fontsize(std::string const& name, double height);
  [[nodiscard]] int fontsize() const;  // the default interface size: 8 points scaled, at least 5
  [[nodiscard]] int ArialFontSize(double height) const;
  [[nodiscard]] double screenPPMM() const;
  [[nodiscard]] double RawScreenPpmm() const { return fRawPpmm; }
  // The DPI of the primary monitor, measured once (at least 96); forceDpi answers 96.
  double screenDPI();
  [[nodiscard]] double fontMagnification() const;
  void setMagnify(double v) { fffontMagnification = v; }
  [[nodiscard]] std::string const& fontname() const { return ffontname; }
  void setfontname(std::string name);
  [[nodiscard]] std::string const& defFontName() const { return fdeffontname; }
  void setDefFontName(std::string const& n) { fdeffontname = n; }
  [[nodiscard]] std::string const& status() const { return fstatusStr; }
  void setstatus(std::string const& s);
  [[nodiscard]] TscreenInfo2* screenInfo() const { return fscreenInfo.get(); }
  // Rescales the fonts and item heights of a control tree to the current magnification.
  void RescaleControl(platform::TWinControl* win);
  // Edge and interior hit code of a box (1 top, 2 left, 4 bottom, 8 right, 512 inside) and the
  // sizing cursor that goes with it.
  [[nodiscard]] static int hitbox(platform::TRect const& box, int x, int y, int snap, platform::Cursor& cursor);
  [[nodiscard]] static int hitbox(platform::TRect const& box, int x, int y, int snap);
  // The first monitor's work area, or all monitors' together with useAllMonitors.
  [[nodiscard]] platform::TRect workarea() const;
  // A positive design width scales by the primary screen width / 1920; anything else turns it off.
  void setdesignWidth(int width);
  // Scales by the desktop's logical DPI (Xft.dpi, else 96) / 96.
  void UseWindowsfontScaling();

  double fppmm = 96.0 / 25.4;
  double fRawPpmm = 96.0 / 25.4;
  double fauto = 0;
  std::unique_ptr<TscreenInfo2> fscreenInfo;
  std::string ffontname;
  std::string fdeffontname;
  std::string fstatusStr;
  std::function<void(TosScaling*)> onStatus;
  std::unique_ptr<TmyMonitors> monitors;
  int ffdpi = 0;
  double fffontMagnification = 1.0;
  double fcorrect = 1.0;
  uint32_t forceDpi = 0;
  double fontTypeFactor = 1.0;
  double fontTypeTopFactor = 0.25;
  double fontTypeBaseline = 0.0;
  double oldmagnification = 1.0;
  double userFontMagnification = 1.0;
  bool useAllMonitors = false;
};
