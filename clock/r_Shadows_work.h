// The working values of one drawing of Tshadows and the routines that share them: the point list
// clipped at the horizon, the sun-path curves, and the shadow diagram's curves and captions.
// Drawing coordinates are millimetres, y upwards; the drawer turns them into logical units.
#pragma once
#include <functional>
#include <string>

#include "astro/r_Sun.h"
#include "clock/r_Shadows.h"
#include "core/Tutil.h"

class TshadowsWork {
 public:
  TshadowsWork(Tshadows& owner, Tdrawer& drawer, const TbearingRange& range, double pageHeight);

  void sunPath();
  void shadowDiagram();

  // Both diagrams: a point offered to the current curve, clipped at y = 0.
  void add(double x, double y);
  // The sun-path x of a bearing in degrees.
  [[nodiscard]] double xOf(double bearing) const;
  // The sun at a local clock time of a day of the year, from the observer.
  void sunAt(int month, int day, double localHours);
  void sunAtDayOfYear(int dayIndex, double localHours);

  // A shadow point exists for the sun at least 1 degree up and a shadow shorter than the page.
  struct TshadowPoint {
    double a = 0;  // direction, radians clockwise from north
    double L = 0;  // length, mm; 0: none
    [[nodiscard]] double x() const;
    [[nodiscard]] double y() const;
  };
  [[nodiscard]] bool shadowPoint(TshadowPoint& p);
  // The caption of a day curve where it crosses 1.04 × R between p1 and p2 (lengths 0: none).
  void doCaption(const TshadowPoint& p1, const TshadowPoint& p2, int month, double offset, const std::string& text);

  Tshadows& sh;
  Tdrawer& dw;
  platform::TCanvas& cv;
  Tsun& sun;
  Tobserver& ob;
  const double W = Tshadows::kPageWidth;
  double H;
  bool north;
  int A, B0;
  double scale;
  double lat;
  Txyvalues list;
  double prevX = 0, prevY = 1;
  bool highlight = false;
  // The shadow diagram's grid.
  int n = 4, k = 10;
  double R = 200, yT = 0, gnomon = 50;
  bool solstice = false;

 private:
  // Sun path.
  void drawLine();
  void doHour(int h);
  void doday(int month, int day, const std::string& caption, double offset);
  void horizonCaption(double x, const std::string& text);
  // Shadow diagram.
  void drawLine2();
  void doHour2(int h);
  void doDay2(int month, int day, const std::string& caption);
  void doAnglestr(const std::string& text, int x, int y, double angle);
  // Shared pieces.
  void line(double x1, double y1, double x2, double y2);
  void disc(double x, double y, double radiusMm);
  void fontSize(double n);
  void align(unsigned a);
  // A rotated font of height pv-units and angle (tenths of a degree, clockwise), selected for
  // the duration of draw and then put back.
  void withAngleFont(int height, int angle10, const std::function<void()>& draw);
  [[nodiscard]] std::string placeLine() const;
};
