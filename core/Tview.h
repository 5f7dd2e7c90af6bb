// Tview: the transform between world coordinates (y growing upward) and the pixels of a view
// box on a device (y growing downward), at a map scale 1 : scale on a device of ppmm pixels per
// millimetre, optionally turned by `rotation` degrees (positive turns the world clockwise on
// screen). Keeps a history of views for returning to the previous one.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Tutil.h"
#include "core/r_date.h"
#include "platform/surface.h"

namespace platform {
class TCanvas;
class TBitmap;
}  // namespace platform
class Tbm24;
class Tunits;

// A saved view.
struct ViewRec {
  double centrex = 0, centrey = 0, rotation = 0, scale = 0, ppmm = 0;
  platform::TRect box;
  platform::TCanvas* canvas = nullptr;
};

class Tview {
 public:
  Tview();
  ~Tview() { clear(); }
  Tview(const Tview&) = delete;
  Tview& operator=(const Tview&) = delete;

  // Empties the history and the held line, zeroes the extent, magnify 1.
  void clear();
  // The view's time value, created on first use.
  TlongTime& LongTime();

  [[nodiscard]] double scale() const { return fscale; }
  [[nodiscard]] double mp() const { return fmp; }
  [[nodiscard]] double ppmm() const { return fppmm; }
  [[nodiscard]] double snap() const { return fsnap; }
  [[nodiscard]] bool isScreen() const { return fIsScreen; }
  [[nodiscard]] int32_t width() const { return box.Right - box.Left; }
  [[nodiscard]] int32_t height() const { return box.Bottom - box.Top; }
  // Every scale change passes here: clamped to at least 0.001, neat when asked, then mp, snap,
  // the history and onScale follow.
  void setscale(double value);
  void setmp(double value);
  void setppmm(double value);

  // World coordinates of the box edges.
  [[nodiscard]] double leftx() const;
  [[nodiscard]] double rightx() const;
  [[nodiscard]] double topy() const;
  [[nodiscard]] double bottomy() const;

  void screenXYd(double x, double y, double& xd, double& yd) const;
  void screenXY(double x, double y, int32_t& xi, int32_t& yi) const;  // halves to even
  void worldXY(double& x, double& y, double xi, double yi) const;     // inverse of screenXYd
  void rotateXY(double& x, double& y) const;                          // about the centre by −rotation
  void screenXYd(const Txyvalues& world, Txyvalues& screen) const;
  // A line to pixels without repeated consecutive pixels; true when at least two remain.
  bool screenXY(const Txyvalues& xy, Tpoints& a);
  // A polygon's rings into one pixel array with one count per kept ring; true when a ring is kept.
  bool screenXY(const TpolyXyValues& xy, Tpoints& a, TiList& polys);
  bool screenXY(const TPpolyXYvalues& xy, Tpoints& a, TiList& polys);
  // The same into arrays reused between calls: grown when short, never shortened.
  bool screenXY(const TpolyXyValues& xy, Tpoints& a, TiList& polys, int32_t& aCnt, int32_t& pCnt);
  // The pixel of the first point of the first ring.
  bool screenXY(const TpolyXyValues& xy, int32_t& xi, int32_t& yi) const;

  // The world extent the box covers (the bounding box of its turned corners when rotated).
  void bounds(double& x1, double& y1, double& x2, double& y2) const;
  void RotatedExtent(double& x1, double& y1, double& x2, double& y2) const;
  [[nodiscard]] bool InView(double x, double y, int32_t marginPx) const;
  [[nodiscard]] bool needsClip(double x1, double y1, double x2, double y2, int32_t marginPx) const;
  [[nodiscard]] bool reallyMoved() const;

  void recordView();
  void GoToPriorView();
  // Both leave the scale alone when the extent or the box is empty.
  void ZoomToExtent();
  void ZoomToExtentPlus(double marginFactor = 1);

  void saveView(ViewRec& v) const;
  void restoreView(const ViewRec& v);
  [[nodiscard]] bool equalView(const ViewRec& v) const;
  void assign(const Tview& source);

  Txyzvalues views;  // (centre x, centre y, metres per pixel), oldest first
  platform::TBitmap* bm = nullptr;  // borrowed
  Tbm24* bm24 = nullptr;            // borrowed
  std::function<void(Tview*)> onScale;
  int32_t tag = 0;
  double centrex = 0, centrey = 0;
  double rotation = 0;  // degrees
  double mpy = 0;       // vertical metres per pixel when it differs from mp; 0: as mp
  bool neatScale = false;
  bool changed = false;
  platform::TRect box;
  platform::TRect* crop = nullptr;      // borrowed
  platform::TCanvas* canvas = nullptr;  // borrowed
  Tunits* units = nullptr;
  Tunits* units2 = nullptr;
  double centreLong = 0, centreLat = 0, worldx = 0, worldy = 0, lon = 0, lat = 0;
  boxrec extent;
  double magnify = 1;
  Txyvalues xyValues;
  int32_t downx = 0, downy = 0, cursorx = 0, cursory = 0;
  int32_t snapPixels = 3;
  int32_t cursor = 0, tool = 0;
  uint16_t key = 0;
  bool keydown = false;
  uint32_t shiftState = 0;
  int32_t button = 0;
  platform::TRect xyBox, rawXYbox;
  bool recordViews = false;
  std::string coordstr, shortCoordStr, latlongstr, coordstr2, projection;
  int32_t win = 0;

 private:
  [[nodiscard]] double my() const { return mpy != 0 ? mpy : fmp; }
  template <typename RingAt>
  bool polygonToPixels(size_t rings, RingAt ringAt, Tpoints& a, TiList& polys, int32_t& aCnt, int32_t& pCnt);

  std::unique_ptr<TlongTime> fLongTime;
  double fsnap = 0;
  double fscale = 0;
  double fmp = 0;
  double fppmm = 0;
  bool fIsScreen = false;
};
