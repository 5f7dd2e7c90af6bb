// TmyMonitors: the monitors of the desktop in the platform's order, each with a display name that
// settings files store ("monitor" keys), its box, raw DPI and scale factor; a stored name is found
// again even when the monitor's number changed. TscreenInfo measures the current monitor.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/surface.h"

using HMONITOR = intptr_t;  // the monitor's index in the platform's display list

struct TmyMonitor {
  HMONITOR handle = 0;
  platform::TRect box;
  platform::TRect workArea;  // the box less panels
  int dpi = 96;
  int rawwidth = 0;   // pixels of this monitor's current mode
  int rawheight = 0;
  double scalefactor = 1.0;  // rawwidth / box width
  bool primary = false;
  std::string name;
  int mmwidth = 0;   // physical size as the display reports it; 0 when it does not
  int mmheight = 0;
};

class TscreenInfo {
 public:
  // Measures a monitor: its own millimetres (96 DPI when it reports none) and box.
  void update(TmyMonitor const&);
  // Millimetres to pixels, rounded halves to even, no minimum.
  [[nodiscard]] int px(double mms) const;
  [[nodiscard]] double ppmm() const { return fppmm; }
  [[nodiscard]] double fontMagnifier() const { return fmagnify; }
  [[nodiscard]] int pixelWidth() const { return wid; }
  [[nodiscard]] int pixelHeight() const { return hei; }
  [[nodiscard]] double mmwidth() const { return fmmw; }
  [[nodiscard]] double mmheight() const { return fmmh; }

  double fppmm = 96.0 / 25.4;
  double fmmw = 0, fmmh = 0;
  double fmagnify = 1.0;
  int wid = 0, hei = 0;
};

class TmyMonitors {
 public:
  TmyMonitors();  // enumerates and selects monitor 0
  ~TmyMonitors();
  TmyMonitors(TmyMonitors const&) = delete;
  TmyMonitors& operator=(TmyMonitors const&) = delete;

  void refresh();
  void clear();
  [[nodiscard]] int currentIndex() const { return findex; }
  // Stores the index; a valid one re-measures `si`; onChange fires either way.
  void setIndex(int v);
  [[nodiscard]] TscreenInfo& screenInfo() { return *si; }
  [[nodiscard]] int count() const { return static_cast<int>(a.size()); }
  [[nodiscard]] TmyMonitor const& item(int index) const { return *a[static_cast<size_t>(index)]; }
  // The current monitor's width (monitor 0 when the index is out of range; 1920 with none).
  [[nodiscard]] int widthPx() const;
  // An index out of range means monitor 0; with no monitor (0, 0, 1920, 960); at least 500 × 400.
  [[nodiscard]] platform::TRect box(int index) const;
  // The box less panels; out of range means monitor 0; (0, 0, 1920, 1080) with no monitor.
  [[nodiscard]] platform::TRect workArea(int index) const;
  // Out of range means monitor 0; empty when there is no monitor.
  [[nodiscard]] std::string name(int index) const;
  // "1 Name  (1920 x 1080)": number, description, box width and height.
  [[nodiscard]] std::string fullname(int index) const;
  // The monitor a stored full name means: the exact name, else the first whose full name holds the
  // name without its number; 0 when nothing matches.
  [[nodiscard]] int findFromFullName(std::string const& name) const;

  std::function<void(TmyMonitors*)> onChange;

 private:
  std::vector<std::unique_ptr<TmyMonitor>> a;
  std::unique_ptr<TscreenInfo> si;
  int findex = 0;
};

// Raw DPI of a monitor from its pixels and millimetres; 96 when it reports no size or is unknown.
int getdPI(HMONITOR);
// The monitor's description and whether it is the primary one (left as it was when unknown).
std::string GetMonitorName(HMONITOR, bool& primary);
// The box of a monitor from a fresh enumeration (getBox rules).
void getMonitorRect(int index, platform::TRect& rect);
