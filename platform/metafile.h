// Metafiles: a recorded display list kept in 0.01 mm that plays back scaled into any box of any
// device context. Drawing is recorded in the pixels of a reference device (96 per inch unless
// told otherwise), so fonts sized in points keep the 96/72 factor of a screen reference.
// Implemented: [x] pens, brushes, text colour, background, alignment, character extra and font
//              state [x] lines, polylines, polygons, poly-polygons, rectangles, ellipses, box
//              fills, text [x] arcs, pies, chords and round rectangles (as figures) [x] clip
//              rectangles, SaveDC/RestoreDC [x] a canvas that records [x] the EMF file writer
//              [x] bitmaps (copies and stretches that read a source, as device-independent bits)
//              [ ] pattern-only block fills, masked and turned copies [ ] clip regions other than
//              rectangles
#pragma once
#include <array>
#include <memory>
#include <utility>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/gdi.h"

namespace platform {

class TMetafile {
 public:
  // The picture frame in 0.01 mm (the metafile's millimetre width and height × 100).
  [[nodiscard]] int MMWidth() const { return fmmWidth; }
  [[nodiscard]] int MMHeight() const { return fmmHeight; }
  void setMMSize(int width, int height);
  [[nodiscard]] bool empty() const { return frecords.empty(); }
  [[nodiscard]] size_t recordCount() const { return frecords.size(); }
  void clear() { frecords.clear(); }

  // One call with its coordinates and sizes in 0.01 mm of the frame.
  struct Record {
    enum class Kind {
      Pen, Brush, TextColor, BkColor, BkMode, TextAlign, Font,
      MoveTo, LineTo, Polyline, Polygon, PolyPolygon, Rectangle, Ellipse, FillRect, Text,
      CharExtra, ClipRect, SaveDC, RestoreDC, StretchBits
    };
    Kind kind = Kind::MoveTo;
    std::vector<TFPoint> pts;  // ClipRect, Rectangle, Ellipse, FillRect: two corners
    std::vector<int> counts;
    TPenDesc pen;
    std::vector<double> dashes;
    double size = 0;  // pen width, font height (signed as the font's) or character extra
    TBrushDesc brush;
    TColor colour = 0;
    unsigned value = 0;  // background mode, alignment, or the levels a RestoreDC goes up
    TLogFont font;
    std::string text;
    // StretchBits: the source's pixels as 24 bits, copied when recorded and never written after
    // (shared by copies of the list); `value` holds the raster operation; pts the target's two
    // corners, in the order that mirrors as the copy did.
    std::shared_ptr<TSurface> bits;
    StretchMode stretch = StretchMode::BlackOnWhite;
  };
  // The records in the order they play, for writers and readers of the list.
  [[nodiscard]] std::vector<std::shared_ptr<Record const>> const& records() const { return frecords; }

 private:
  friend class TMetafileRecorder;
  friend bool PlayEnhMetaFile(TDeviceContext&, TMetafile const&, TRect const&);
  int fmmWidth = 0;
  int fmmHeight = 0;
  std::vector<std::shared_ptr<Record const>> frecords;
};

// Appends the calls made on it to a metafile. Coordinates and sizes are reference pixels.
class TMetafileRecorder {
 public:
  // ppmm: the reference device's pixels per millimetre. The frame becomes width × height pixels.
  TMetafileRecorder(TMetafile&, int width, int height, double ppmm = 96.0 / 25.4);

  void setPen(TPenDesc const&);
  void setBrush(TBrushDesc const&);
  void setTextColor(TColor);
  void setBkColor(TColor);
  void setBkMode(BkMode);
  void setTextAlign(unsigned);
  // The logical font; its height (pixels of the reference device) scales with the picture.
  void selectFont(TLogFont const&);

  void moveTo(int x, int y);
  void lineTo(int x, int y);
  void polyline(std::span<TPoint const>);
  void polygon(std::span<TPoint const>);
  void polyPolygon(std::span<TPoint const>, std::span<int const> counts);
  void rectangle(int left, int top, int right, int bottom);
  void ellipse(int left, int top, int right, int bottom);
  void fillRect(TRect const&, TBrushDesc const&);
  void textOut(int x, int y, std::string_view);
  void setTextCharacterExtra(int);
  // Clip and state levels, as the context's own calls; restoreDC goes up `levels` saved levels.
  void intersectClipRect(int left, int top, int right, int bottom);
  void saveDC();
  void restoreDC(int levels);
  // A block of pixels stretched onto the target box (x, y, width, height; a negative size
  // mirrors), with the raster operation and the stretch mode in force.
  void stretchBits(int x, int y, int width, int height, std::shared_ptr<TSurface> bits, TRop rop, StretchMode);

  // Records the pen, brush, colours, background mode, alignment and font of a context where
  // they differ from what was recorded last (what a recording context calls before each shape).
  void syncState(TDeviceContext const&);

 private:
  void add(TMetafile::Record&&);
  TMetafile& fmeta;
  double funit;  // 0.01 mm per reference pixel
  bool fsynced = false;
  TDeviceContext::State flast;
  // What was recorded last at each saved level: a RestoreDC puts the player back to it.
  std::vector<std::pair<bool, TDeviceContext::State>> fsaved;
};

// A canvas whose drawing is recorded into a metafile of width × height reference pixels; the
// recording ends when it is destroyed.
class TMetafileCanvas {
 public:
  TMetafileCanvas(TMetafile&, int width, int height, double ppmm = 96.0 / 25.4);
  ~TMetafileCanvas();
  TMetafileCanvas(TMetafileCanvas const&) = delete;
  TMetafileCanvas& operator=(TMetafileCanvas const&) = delete;
  [[nodiscard]] TCanvas& canvas() { return *fcanvas; }
  [[nodiscard]] TDeviceContext& dc() { return fdc; }

 private:
  TMetafileRecorder frecorder;
  TDeviceContext fdc;
  std::unique_ptr<TCanvas> fcanvas;
};

// The four corners of a text's cell as text output lays it out from its reference point: from the
// ascent above the baseline to the descent below it, the advances plus the character extra after
// every character, placed by the alignment and turned by the font's escapement. In the units of
// the font's height (a recorded font's: the frame's 0.01 mm).
[[nodiscard]] std::array<TFPoint, 4> textCell(TLogFont const&, unsigned textAlign, double charExtra, TFPoint at,
                                              std::string_view);

// Plays the records scaled so that the frame fills the box; pen widths, dashes and font heights
// scale with it (cosmetic pens stay one pixel). The context's state is put back afterwards.
// False for an empty frame or an empty box.
bool PlayEnhMetaFile(TDeviceContext&, TMetafile const&, TRect const& box);

// ---- EMF files --------------------------------------------------------------------------------

// The metafile as the bytes of an EMF file: logical units are the pixels of a reference device of
// 100 pixels per millimetre, so frame (0.01 mm) and bounds (pixels) agree; text is EXTTEXTOUTW
// whose advances carry the character extra. Empty for a frame of width or height 0.
[[nodiscard]] std::string enhMetaFileBytes(TMetafile const&);
// Writes them through a temporary file renamed over the name: on any failure (an empty frame,
// a folder that cannot be written) false with the reason, and an earlier file stays as it was.
bool saveEnhMetaFile(TMetafile const&, std::string const& filename, std::string* error = nullptr);

}  // namespace platform
