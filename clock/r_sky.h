// r_sky: the Sky view: the triangle warper (Tstretch) that drapes raster images over projected
// meshes, the sky renderer (Tsky: camera, day sky, night sky, grid, ground and caption) and the
// page of tab 2 (TskyView). Bearings are degrees clockwise from north, elevations degrees above
// the horizon; scene x points east, y north, z up; colours are 0x00BBGGRR.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clock/r_Geom3D.h"
#include "core/TQYcontrol.h"
#include "core/Tblend.h"
#include "core/Tgradient.h"
#include "core/Ttrans.h"
#include "core/Tutil.h"
#include "core/r_base.h"
#include "platform/canvas.h"

class TsunBase;
class Tsun;
class Tlocations;
class TliteDB;

// Copies a triangle of a source canvas onto a triangle of a target canvas under the affine map
// between them, through the parallelogram blit clipped to the target triangle. Large targets
// are cut into pieces under about 300 pixels first.
class Tstretch {
 public:
  Tstretch();
  ~Tstretch();
  Tstretch(Tstretch const&) = delete;
  Tstretch& operator=(Tstretch const&) = delete;

  // The twelve coordinates rounded, then `tri`.
  void triD(platform::TCanvas& source, platform::TCanvas& target, double sx1, double sy1, double sx2, double sy2,
            double sx3, double sy3, double tx1, double ty1, double tx2, double ty2, double tx3, double ty3);
  // Source vertex k onto target vertex k.
  void tri(platform::TCanvas& source, platform::TCanvas& target, int sx1, int sy1, int sx2, int sy2, int sx3,
           int sy3, int tx1, int ty1, int tx2, int ty2, int tx3, int ty3);

  int xi = 0, yi = 0, wi = 0, hi = 0;  // the last target box after the edge adjustment
  std::unique_ptr<platform::TBitmap> temp;
  std::unique_ptr<Tblend> b;
  int percent = 100;    // 100 or more copies directly
  int steps = 0;        // 1: never cut; otherwise the strips of the last cut
  bool widen = false;   // also copy a three-pixel band along the edges
  const platform::TRect* box = nullptr;  // borrowed: triangles wholly outside it are skipped
  int64_t copies = 0;   // single-piece copies made (the blits tried), for the bench and tests

 private:
  void dotri(platform::TCanvas& source, platform::TCanvas& target, int sx1, int sy1, int sx2, int sy2, int sx3,
             int sy3, int tx1, int ty1, int tx2, int ty2, int tx3, int ty3, bool direct);
};


class Tsky : public TqyObject {
 public:
  // Builds the renderer on the locations model's sun, locations list and sky database.
  explicit Tsky(TsunBase& sunbase);
  ~Tsky() override;
  [[nodiscard]] const char* unitName() const override { return "r_sky"; }

  void setView(double skyLong, double skyLat);
  // The whole view; refused (with a log line) for sizes outside 300..4000 or a renderer that was
  // not built whole.
  void Draw(platform::TCanvas&, int width, int height);
  // A sky direction projected: true, with the screen point, when it lies beyond the focal plane.
  bool inView(double bearing, double elevation, int& xi, int& yi);
  void getXY(double imagex, double imagey, int& xi, int& yi);
  static void getXYZ(double& x, double& y, double& z, double skyLong, double skyLat);
  std::unique_ptr<platform::TBitmap> GenerateNorthPoint();

  // Drawing steps, in the renderer's layers.
  void DrawSky(platform::TCanvas&, double step);
  void DrawGrid(platform::TCanvas&, double step);
  void DrawGround(platform::TCanvas&, double step);
  void DrawClock(platform::TCanvas&);
  void DrawDaySky(platform::TCanvas&, double step);
  void DrawSunpath(platform::TCanvas&);
  void dosun(platform::TCanvas&);
  void domoon(platform::TCanvas&);
  void DrawNightSky(platform::TCanvas&, double step);
  // A caption laid along a line of screen points; vertex below 0 places it at percent of the
  // line's length. The run is emptied.
  void doLabel(platform::TCanvas&, Txyvalues& a, int vertex, const std::string& s, int32_t colour, int percent,
               bool below);
  // The sky colour of a direction (day sky).
  [[nodiscard]] int32_t getcolour(double bearing, double elevation);
  // The daylight level for a sun elevation: 0 below eleDown, 100 above eleUp.
  [[nodiscard]] double lightFor(double sunElevation) const;
  // The caption's date and time text for a local date-time.
  [[nodiscard]] std::string clockText(double localDt) const;
  // The whole caption: the place (the text after a first "|"), the local time and date.
  [[nodiscard]] std::string captionLine(double localDt) const;

  [[nodiscard]] bool built() const { return fbuilt; }

  Tlocations* locations = nullptr;  // borrowed
  Tsun* sun = nullptr;              // borrowed
  TliteDB* db = nullptr;            // borrowed
  std::unique_ptr<TTranslate3D> tran;
  matrixRec mx;
  double fl = 1;
  double xc = 0, yc = 0;
  double centreLong = 0, centreLat = 0;
  double xid = 0, yid = 0;
  int width = 0, height = 0;
  platform::TRect viewbox;
  double light = 0;
  int32_t sunColour = 0xFFFFFF;  // the glow's colour of the current drawing
  double eleUp = 4.0, eleDown = -4.0;
  double timediff = 0;
  int homeTzDiff = 0;
  std::unique_ptr<platform::TBitmap> northBM, starsbm, monobm, dayBm;
  std::unique_ptr<Tstretch> stretch;
  std::unique_ptr<Tgradient> grad;
  std::unique_ptr<Tblend> blend;
  std::unique_ptr<Ttrans> shift;
  // Night image: its width before the wrapped margin was added (0 while none was loaded).
  int nightWidth = 0;
  bool nightTried = false;
  // What the last drawing drew, for the tests: the hour path's centre hour (-1 for none) and
  // whether the sunrise and sunset marks were placed.
  int lastCentreHour = -1;
  bool lastRiseSetFound = false;
  struct TlabelRec {
    std::string caption;
    bool below = false;
  };
  std::vector<TlabelRec> lastLabels;  // the captions laid along lines, in drawing order
  struct TnameBox {
    std::string name;
    platform::TRect box;  // the text's cell on the picture
  };
  std::vector<TnameBox> lastNames;  // the constellation names drawn, in drawing order

 private:
  void doconstellations(platform::TCanvas&);
  void doxy(platform::TCanvas&, const TpolyXyValues&);
  void dostars(platform::TCanvas&);
  void doCircle(platform::TCanvas&, bool galactic);
  void doPlanets(platform::TCanvas&);
  bool doPath(platform::TCanvas&, const std::string& pname);
  void loadNightImage();
  void nightTri(platform::TCanvas&, const double* b, const double* e, const platform::TPoint* p);
  void hourLine(platform::TCanvas&, int hour, Txyvalues& run);
  void monthLine(platform::TCanvas&, Txyvalues& run, int index, int day, int month, const std::string& caption,
                 int percent, bool below, int32_t fontcolour);
  // Lines through sky directions: broken at every invisible point.
  struct TrunPen {
    bool last = false;
  };
  void runTo(platform::TCanvas&, TrunPen&, double bearing, double elevation);
  bool fbuilt = false;
};

// The page of tab 2.
class TskyView : public TQYcontrol {
 public:
  TskyView(platform::TWinControl* owner, TsunBase& sunbase);
  ~TskyView() override;

  void reenter();
  // The main window's tick; a null sender is a tick forced by a tab change.
  void dosecond(void* sender);
  void redraw();
  void doResize();
  void doMouseDown(int x);
  void doMouseUp(int x);

  std::unique_ptr<platform::TBitmap> bm;
  TsunBase* sunbase = nullptr;  // borrowed
  std::unique_ptr<Tsky> sky;
  int downx = 0;
  double longshift = 0;
  // For the tests: the pictures brought up to date (drawn, or on a tick found to be unchanged),
  // and of those the ticks that kept the last picture.
  int redraws = 0;
  int keptPictures = 0;
  // A drawing failure; the main window shows it once. Without a handler it is only logged.
  std::function<void(TskyView*, const std::exception&)> onError;

 protected:
  void Paint() override;

 private:
  void homeToObserver();
  void turnView();
  // What the last picture was drawn from: a tick whose sky has moved by under half a pixel since
  // then, with the same caption, size and daylight, would draw the same picture again.
  struct Tdrawn {
    bool valid = false;
    int width = 0, height = 0;
    double dt = 0, centreLong = 0, centreLat = 0, lat = 0, lon = 0, light = 0;
    double pixelsPerDegree = 0;
    std::string caption;
  };
  Tdrawn drawn;
  [[nodiscard]] Tdrawn currentInputs();
  [[nodiscard]] bool pictureUnchanged();
  void rememberInputs();
};
