// r_Shadows: the Shadows tab. Tdrawer is a metafile page measured in millimetres (y upwards);
// Tshadows draws on it the sun-path diagram (elevation against bearing) and the shadow diagram
// (the tip of a vertical gnomon's shadow) for the observer of the locations model, all in 2021
// on clock time without daylight saving; TshadowPage shows them beside a panel of controls.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "core/TQYcontrol.h"
#include "core/r_base.h"
#include "platform/canvas.h"
#include "platform/metafile.h"

class TsunBase;

// ---- the millimetre page ------------------------------------------------------------------------

// Logical units are 0.01 mm of the page, y downwards; callers draw in millimetres from an origin
// (cx, cy) measured from the page's left and bottom edges, y upwards. Fonts are sized in points
// on a 96-DPI reference, so a size n asked through pv(n) is n × 96/72 hundredths of a mm high.
class Tdrawer {
 public:
  Tdrawer(double cx, double cy, double pagewidthmm, double pageHeightmm);
  ~Tdrawer();
  Tdrawer(const Tdrawer&) = delete;
  Tdrawer& operator=(const Tdrawer&) = delete;

  // A new metafile and its canvas (pen 0.2 mm, "Calibri" at pv(2.5)); finish completes it.
  void start();
  void finish();
  // The canvas of the open drawing. Only between start and finish.
  [[nodiscard]] platform::TCanvas& getCanvas();
  [[nodiscard]] bool drawing() const { return mc != nullptr; }
  // The last finished (or open) metafile; nullptr before the first start.
  [[nodiscard]] const platform::TMetafile* emf() const { return femf.get(); }

  [[nodiscard]] double scaled(double x) const { return x / scale; }
  [[nodiscard]] int pix(double mm) const;  // a length, unscaled
  [[nodiscard]] int pv(double mm) const;   // a length: widths, font sizes, radii, offsets
  [[nodiscard]] int px(double mm) const;   // the logical x of a drawing x
  [[nodiscard]] int py(double mm) const;   // the logical y of a drawing y
  void doPolygon(std::span<const platform::TPoint> points);

  // Everything the metafile draws, in logical units: shapes with half their pen around them,
  // texts by their cells, each cut to the clip rectangle in force. Empty when nothing is drawn.
  [[nodiscard]] platform::TRect drawnBounds() const;
  // After finish: the page grows to hold the page and everything drawn with a margin all round,
  // and the origin moves with it, so px and py still name the same places of the drawing.
  void fitPage(double marginMm);

  double pageHeightmm, pagewidthmm;
  double cx, cy;
  double scale = 1.0;

 private:
  std::unique_ptr<platform::TMetafile> femf;
  std::unique_ptr<platform::TMetafileCanvas> mc;
};

// ---- the diagrams -------------------------------------------------------------------------------

// The bearings a drawing spans: A degrees from B0 at the left edge, scale mm per degree.
struct TbearingRange {
  int A = 360;
  int B0 = 0;
  double scale = 630.0 / 360;
  bool north = false;
};

class Tshadows : public TqyObject {
 public:
  static constexpr double kPageWidth = 630;  // mm
  static constexpr int kYear = 2021;         // every curve is computed in this year

  explicit Tshadows(TsunBase& sunbase);
  ~Tshadows() override;
  [[nodiscard]] const char* unitName() const override { return "r_Shadows"; }

  // The solstice day arc outside the tropics and polar circles: the sunrise and sunset bearings
  // of the local summer solstice. False (nothing computed) elsewhere.
  bool findRange(double& riseBearing, double& setBearing, bool& north);
  [[nodiscard]] TbearingRange bearingRange();

  // Draws the diagram of `option` afresh and plays it into box. False when the drawing failed
  // (logged; the last good drawing stays for painting and export).
  bool draw(platform::TCanvas& canvas, const platform::TRect& box);
  // The same without playing it anywhere.
  bool record();
  // Exports the last drawing by the name's type: BMP, TIFF or JPEG 2000 pixels wide, or EMF.
  // True when the file was written; the badge says "DONE" then and "FAILED" otherwise.
  bool saveAs(const std::string& filename);
  [[nodiscard]] const platform::TMetafile* metafile() const { return dw ? dw->emf() : nullptr; }

  TsunBase& sunbase;
  std::unique_ptr<Tdrawer> dw;
  double gnomon = 50;       // mm, the shadow diagram's gnomon
  double date = 0;          // the highlighted day; 0: none
  std::string highlightName;
  int option = 1;           // 1 sun path, 2 shadow diagram
  // The export's badge word ("DONE" or "FAILED") with the reason of a failure, always logged.
  // Without a hook the badge itself is shown.
  std::function<void(const std::string& word, const std::string& why)> onBadge;
  std::string lastBadge;
  std::string lastWhy;  // why the last export failed (the file not named); empty after a success

 private:
  void badge(bool ok, const std::string& why);
};

// ---- the page -----------------------------------------------------------------------------------

class TcheckBox;
class TcomboBox;
class TlistBox;
class TPickLatLong;
class TQYbutton;
class Tedit;
class TsliderLite;

// Tab 4: the control panel on the left, the diagram on the right.
class TshadowPage : public TQYcontrol {
 public:
  TshadowPage(platform::TWinControl* owner, TsunBase& sunbase);
  ~TshadowPage() override;

  void reenterPage();
  void redraw();
  void doResize();
  // Every control's click and change event; never raises (failures are logged).
  void doclick(void* sender);
  // What the month list's choice (0 "none" ... 17 December) and the day list's choice (day − 1)
  // set; the lists' own clicks come here.
  void chooseHighlight(int index);
  void chooseDay(int dayIndex);
  // The file an export goes to, asked of the file picker: false when none was chosen.
  bool chooseExportName(std::string& name);

  static const char* const kHighlights[6];  // the month list's first six entries
  static constexpr int kHighlightCount = 18;

  TsunBase& sunbase;
  std::unique_ptr<Tshadows> shadows;
  std::unique_ptr<TPickLatLong> latEdit, longEdit;
  std::unique_ptr<TlistBox> monthBox;
  platform::TRect emfBox;
  std::unique_ptr<TQYbutton> saveBut, printBut;
  std::unique_ptr<TcomboBox> dayBox;
  std::unique_ptr<Tedit> tzEdit;
  std::unique_ptr<TsliderLite> gnomonBox;
  std::unique_ptr<TcheckBox> pathBox, shadowBox;
  int xdivide = 300;
  int redraws = 0;

 protected:
  void Paint() override;

 private:
  void setHome();
  void fillMonths();
  // The day list holds the days of the month (2021), keeping its choice where it still fits.
  void fillDays(int month);
};
