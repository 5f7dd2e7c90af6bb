// The device context: our own software rasteriser on TSurface, with the drawing semantics the
// system's code expects (no antialiasing, right and bottom edges left out, last pixel of a line
// left out), clip regions kept as rectangle lists, and block copies with raster operations.
// Implemented: [x] cosmetic, alternate, geometric (caps, round joins), dashed and null pens
//              [x] solid, clear and hatched brushes with brush origin [x] lines, polylines,
//              polygons (alternate, winding), poly-polygons, rectangles, ellipses, arcs, pies,
//              chords, round rectangles [x] pixels [x] ROP2 mixes [x] clip rectangles, exclusion,
//              SaveDC/RestoreDC [x] window/viewport origins [x] BitBlt/StretchBlt with every
//              ternary raster operation, HALFTONE and COLORONCOLOR [x] AlphaBlend [x] GradientFill
//              [x] text: fonts, alignment, update-current-position, character extra, opaque
//              background, escapement, kerning pairs [x] paths: lines, polygons, rectangles,
//              ellipses and glyph outlines; stroke, fill, path to region, path as clip
//              [x] world transforms for lines, polygons, paths, text, clip rectangles and blits
//              (box and curved shapes in a turned frame become polygons) [ ] pen widths scaled
//              by the world transform [x] MaskBlt [x] PlgBlt [x] mitre and bevel joins
//              [x] arcs, pies, chords and round rectangles in paths [x] flatten, widen and read
//              back a path [x] recording into a metafile
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/fonts.h"
#include "platform/surface.h"

namespace platform {

// ---- pens and brushes: values, selected into a context by copy ----------------------------------

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Null, InsideFrame, UserStyle, Alternate };
enum class PenEndCap { Round, Square, Flat };
enum class PenJoin { Round, Bevel, Miter };
enum class PenType { Cosmetic, Geometric };

struct TPenDesc {
  PenStyle style = PenStyle::Solid;
  int width = 1;  // a cosmetic pen is always one pixel wide; 0 counts as 1
  TColor color = 0;
  PenType type = PenType::Cosmetic;
  PenEndCap cap = PenEndCap::Round;
  PenJoin join = PenJoin::Round;
  std::vector<int> dashes;  // UserStyle: on, off, on, off... lengths in pixels
};
// A pen as the plain pen call makes it: width above 1 is geometric with round caps and joins.
TPenDesc makePen(PenStyle, int width, TColor);
// An extended pen: geometric unless type says cosmetic.
TPenDesc makeExtPen(PenType, PenStyle, int width, TColor, PenEndCap, PenJoin,
                    std::span<int const> dashes = {});

enum class BrushStyle { Solid, Clear, Hatched };
enum class HatchStyle { Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

struct TBrushDesc {
  BrushStyle style = BrushStyle::Solid;
  TColor color = 0xFFFFFF;
  HatchStyle hatch = HatchStyle::Cross;
};
inline TBrushDesc solidBrush(TColor c) { return {BrushStyle::Solid, c, HatchStyle::Cross}; }
inline TBrushDesc clearBrush() { return {BrushStyle::Clear, 0, HatchStyle::Cross}; }
inline TBrushDesc hatchBrush(HatchStyle h, TColor c) { return {BrushStyle::Hatched, c, h}; }

// ---- regions: lists of disjoint rectangles in device pixels ---------------------------------------

class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(TRect const&);

  [[nodiscard]] bool isEmpty() const { return frects.empty(); }
  [[nodiscard]] std::span<TRect const> rects() const { return frects; }
  [[nodiscard]] TRect bounds() const;
  [[nodiscard]] bool contains(TPoint) const;
  // True when any pixel of the rectangle lies in the region.
  [[nodiscard]] bool overlaps(TRect const&) const;

  void setRect(TRect const&);
  void clear() { frects.clear(); }
  void intersect(TRect const&);
  void intersect(TRegion const&);
  void subtract(TRect const&);
  void unite(TRect const&);
  void unite(TRegion const&);
  void subtract(TRegion const&);
  void offset(int dx, int dy);
  // A region from rectangles the caller knows to be disjoint (scanline runs).
  [[nodiscard]] static TRegion fromDisjoint(std::vector<TRect>);

 private:
  void checkInvariants() const;
  std::vector<TRect> frects;  // disjoint, none empty
};

// What a clip call reports about the region left.
enum class RegionKind { Error = 0, Null = 1, Simple = 2, Complex = 3 };

// ---- world transforms, text alignment, paths ------------------------------------------------------

// A point in continuous device coordinates: pixel (x, y) covers [x, x + 1) × [y, y + 1).
struct TFPoint {
  double x = 0;
  double y = 0;
};

// x' = x × eM11 + y × eM21 + eDx; y' = x × eM12 + y × eM22 + eDy.
struct XFORM {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
  friend bool operator==(XFORM const&, XFORM const&) = default;
};
// a then b, as CombineTransform makes it.
[[nodiscard]] XFORM combineTransform(XFORM const& a, XFORM const& b);
enum class GraphicsMode { Compatible = 1, Advanced = 2 };
constexpr int GM_COMPATIBLE = 1;
constexpr int GM_ADVANCED = 2;
constexpr int MWT_IDENTITY = 1;
constexpr int MWT_LEFTMULTIPLY = 2;
constexpr int MWT_RIGHTMULTIPLY = 3;

constexpr unsigned TA_NOUPDATECP = 0;
constexpr unsigned TA_UPDATECP = 1;
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;

// Kinds of path points as getPath reports them.
constexpr uint8_t PT_CLOSEFIGURE = 1;
constexpr uint8_t PT_LINETO = 2;
constexpr uint8_t PT_MOVETO = 6;

constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// ---- device context ------------------------------------------------------------------------------

enum class BkMode { Transparent = 1, Opaque = 2 };
enum class PolyFillMode { Alternate = 1, Winding = 2 };
enum class StretchMode { BlackOnWhite = 1, WhiteOnBlack = 2, ColorOnColor = 3, Halftone = 4 };
// ROP2 mixes of pen and brush with the destination, numbered as the platform numbers them.
enum class Rop2 {
  Black = 1, NotMergePen, MaskNotPen, NotCopyPen, MaskPenNot, Not, XorPen, NotMaskPen,
  MaskPen, NotXorPen, Nop, MergeNotPen, CopyPen, MergePenNot, MergePen, White
};
enum class ArcDirection { CounterClockwise = 1, Clockwise = 2 };

class TMetafileRecorder;

class TDeviceContext {
 public:
  TDeviceContext() = default;
  explicit TDeviceContext(TSurface*);
  TDeviceContext(TDeviceContext const&) = delete;
  TDeviceContext& operator=(TDeviceContext const&) = delete;

  // Binds the context to a surface it borrows (nullptr: none) and resets the clip to all of it;
  // the other state (pen, brush, colours, origins) stays.
  void bind(TSurface*);
  [[nodiscard]] TSurface* surface() const { return fsurface; }

  // State; each setter returns the previous value.
  TPenDesc setPen(TPenDesc const&);
  [[nodiscard]] TPenDesc const& pen() const { return fstate.pen; }
  TBrushDesc setBrush(TBrushDesc const&);
  [[nodiscard]] TBrushDesc const& brush() const { return fstate.brush; }
  TColor setBkColor(TColor);
  [[nodiscard]] TColor bkColor() const { return fstate.bkColor; }
  BkMode setBkMode(BkMode);
  [[nodiscard]] BkMode bkMode() const { return fstate.bkMode; }
  TColor setTextColor(TColor);
  [[nodiscard]] TColor textColor() const { return fstate.textColor; }
  PolyFillMode setPolyFillMode(PolyFillMode);
  [[nodiscard]] PolyFillMode polyFillMode() const { return fstate.fillMode; }
  StretchMode setStretchBltMode(StretchMode);
  [[nodiscard]] StretchMode stretchBltMode() const { return fstate.stretchMode; }
  Rop2 setROP2(Rop2);
  [[nodiscard]] Rop2 rop2() const { return fstate.rop2; }
  ArcDirection setArcDirection(ArcDirection);
  [[nodiscard]] ArcDirection arcDirection() const { return fstate.arcDirection; }
  // The brush pattern's (0, 0) in device pixels.
  TPoint setBrushOrg(TPoint);
  [[nodiscard]] TPoint brushOrg() const { return fstate.brushOrg; }

  // Logical to device: the world transform, then device = page − window origin + viewport origin.
  TPoint setViewportOrg(TPoint);
  TPoint setWindowOrg(TPoint);
  [[nodiscard]] TPoint viewportOrg() const { return fstate.viewportOrg; }
  [[nodiscard]] TPoint windowOrg() const { return fstate.windowOrg; }
  [[nodiscard]] TPoint toDevice(TPoint) const;
  [[nodiscard]] TFPoint toDeviceF(double x, double y) const;
  [[nodiscard]] TPoint toLogical(TPoint) const;

  // World transforms work only in the advanced mode; back to the compatible mode only with the
  // identity in force. setGraphicsMode answers the previous mode, 0 on refusal.
  int setGraphicsMode(GraphicsMode);
  [[nodiscard]] GraphicsMode graphicsMode() const { return fstate.graphicsMode; }
  bool setWorldTransform(XFORM const&);
  // MWT_IDENTITY (the matrix unused), MWT_LEFTMULTIPLY (the matrix first, then the transform in
  // force), MWT_RIGHTMULTIPLY (the transform in force, then the matrix).
  bool modifyWorldTransform(XFORM const*, int mode);
  [[nodiscard]] XFORM worldTransform() const { return fstate.xform; }
  // Whether the transform only shifts (shapes stay upright and unscaled).
  [[nodiscard]] bool transformIsShift() const;

  // Resolution of the device: pixels per logical inch (96 unless the owner says otherwise).
  [[nodiscard]] int logPixelsY() const { return flogPixels; }
  [[nodiscard]] int logPixelsX() const { return flogPixels; }
  void setLogPixels(int dpi) { flogPixels = dpi > 0 ? dpi : 96; }
  // What the context draws on (the platform's TECHNOLOGY device capability): corrections meant
  // for monitors stay off printer pages and metafiles.
  enum class Technology { RasterDisplay, RasterPrinter, Metafile };
  [[nodiscard]] Technology technology() const { return ftechnology; }
  void setTechnology(Technology t) { ftechnology = t; }
  // While set (a metafile canvas), lines, shapes, box fills and text are recorded there with
  // the state in force instead of painted. Borrowed; nullptr paints again.
  void setRecorder(TMetafileRecorder* r) { frecorder = r; }
  [[nodiscard]] TMetafileRecorder* recorder() const { return frecorder; }

  // Text with the selected font (a context without one uses the default face at 16 pixels).
  HFONT selectFont(HFONT);
  [[nodiscard]] HFONT const& font() const { return fstate.font; }
  [[nodiscard]] std::shared_ptr<TRealizedFont const> realized() const;
  unsigned setTextAlign(unsigned);
  [[nodiscard]] unsigned textAlign() const { return fstate.textAlign; }
  int setTextCharacterExtra(int);
  [[nodiscard]] int textCharacterExtra() const { return fstate.charExtra; }
  // UTF-8 text at (x, y) read with the alignment; with TA_UPDATECP at the current position.
  bool textOut(int x, int y, std::string_view);
  // Width (advances plus the character extra after every character) and cell height.
  [[nodiscard]] TSize textExtent(std::string_view) const;
  [[nodiscard]] TTextMetric textMetrics() const;
  [[nodiscard]] std::vector<TKerningPair> kerningPairs() const;
  [[nodiscard]] std::vector<TUnicodeRange> fontUnicodeRanges() const;

  // Paths: between beginPath and endPath, lines, polygons, rectangles, ellipses and text add
  // figures instead of painting. Every use of a path (stroke, fill, region, clip) consumes it.
  bool beginPath();
  bool endPath();
  bool abortPath();
  bool closeFigure();
  [[nodiscard]] bool pathOpen() const { return fpathState == PathState::Open; }
  [[nodiscard]] bool hasPath() const { return fpathState == PathState::Closed; }
  bool strokePath();
  bool fillPath();
  bool strokeAndFillPath();
  // The closed path filled by the fill mode, as device pixels; false when there is no path.
  bool pathToRegion(TRegion&);
  bool selectClipPath(int mode);
  // The figures are kept as straight segments already: true while there is a closed path.
  bool flattenPath();
  // The path becomes the outline of what the current pen would paint along it (as rectangles of
  // whole pixels, so any fill mode fills it the same); false without a closed path.
  bool widenPath();
  // The closed path's points in logical coordinates with their PT_ kinds; false without one.
  bool getPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) const;
  // What the path recorder uses: figures in continuous device coordinates.
  void pathMoveTo(TFPoint);
  void pathLineTo(TFPoint);
  void pathAddFigure(std::span<TFPoint const>, bool closed);

  // Lines with the pen; lineTo leaves out its last pixel and moves the current position there.
  TPoint moveTo(int x, int y);
  [[nodiscard]] TPoint currentPosition() const { return fstate.current; }
  void lineTo(int x, int y);
  void polyline(std::span<TPoint const>);
  // The current position, then each point.
  void polylineTo(std::span<TPoint const>);

  // Filled shapes: the brush inside, the pen round the edge. Right and bottom edges are excluded:
  // with a null pen the filled area is one pixel narrower and lower than the box.
  void polygon(std::span<TPoint const>);
  // Rings one after another, counts giving each ring's length; overlaps make holes (alternate).
  void polyPolygon(std::span<TPoint const>, std::span<int const> counts);
  void rectangle(int left, int top, int right, int bottom);
  void ellipse(int left, int top, int right, int bottom);
  void roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
  // Arc of the ellipse in the box from the ray through (x1, y1) to the ray through (x2, y2),
  // counter-clockwise unless the arc direction says otherwise.
  void arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  void pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  void chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  // The box with a brush, no pen, right and bottom excluded; a clear brush paints nothing.
  void fillRect(TRect const&, TBrushDesc const&);
  // A one-pixel border with a brush inside the box.
  void frameRect(TRect const&, TBrushDesc const&);
  void invertRect(TRect const&);

  // The colour written (nearest the surface can hold), or CLR_INVALID outside surface or clip.
  TColor setPixel(int x, int y, TColor);
  [[nodiscard]] TColor getPixel(int x, int y) const;

  // Clip, given in logical coordinates and kept in device pixels; never outside the surface.
  RegionKind intersectClipRect(int left, int top, int right, int bottom);
  RegionKind excludeClipRect(int left, int top, int right, int bottom);
  // A region in device pixels as the clip (nullptr: no clip beyond the surface).
  RegionKind selectClipRegion(TRegion const*);
  void resetClip() { selectClipRegion(nullptr); }
  [[nodiscard]] TRegion const& clipRegion() const { return fstate.clip; }
  [[nodiscard]] bool hasClip() const { return fstate.hasClip; }
  // Bounds of the visible area in logical coordinates.
  [[nodiscard]] TRect clipBox() const;
  [[nodiscard]] bool ptVisible(int x, int y) const;
  [[nodiscard]] bool rectVisible(TRect const&) const;

  // Saves all state; restoreDC(n > 0) returns to the n-th saved level, restoreDC(-k) k levels up.
  // 0 when nothing can be saved; false when the level does not exist.
  int saveDC();
  bool restoreDC(int level);

  // The visible region in device pixels: the clip, or the whole surface.
  [[nodiscard]] TRegion visibleRegion() const;

  struct State {
    TPenDesc pen;
    TBrushDesc brush;
    TColor bkColor = 0xFFFFFF;
    BkMode bkMode = BkMode::Opaque;
    TColor textColor = 0;
    PolyFillMode fillMode = PolyFillMode::Alternate;
    StretchMode stretchMode = StretchMode::BlackOnWhite;
    Rop2 rop2 = Rop2::CopyPen;
    ArcDirection arcDirection = ArcDirection::CounterClockwise;
    TPoint brushOrg;
    TPoint viewportOrg;
    TPoint windowOrg;
    TPoint current;
    bool hasClip = false;
    TRegion clip;  // device pixels, inside the surface; meaningful when hasClip
    GraphicsMode graphicsMode = GraphicsMode::Compatible;
    XFORM xform;
    HFONT font;
    unsigned textAlign = TA_LEFT | TA_TOP;
    int charExtra = 0;
  };

  struct Figure {
    std::vector<TFPoint> pts;
    bool closed = false;
  };
  [[nodiscard]] std::vector<Figure> const& pathFigures() const { return fpath; }

 private:
  enum class PathState { None, Open, Closed };
  std::vector<Figure> takePath();
  TSurface* fsurface = nullptr;
  State fstate;
  std::vector<State> fsaved;
  int flogPixels = 96;
  Technology ftechnology = Technology::RasterDisplay;
  TMetafileRecorder* frecorder = nullptr;
  PathState fpathState = PathState::None;
  std::vector<Figure> fpath;
};

// ---- block copies --------------------------------------------------------------------------------

// Ternary raster operations: the high word's low byte is the truth table over pattern, source and
// destination (bit index = P×4 + S×2 + D).
using TRop = uint32_t;
constexpr TRop SRCCOPY = 0x00CC0020;
constexpr TRop SRCPAINT = 0x00EE0086;
constexpr TRop SRCAND = 0x008800C6;
constexpr TRop SRCINVERT = 0x00660046;
constexpr TRop SRCERASE = 0x00440328;
constexpr TRop NOTSRCCOPY = 0x00330008;
constexpr TRop NOTSRCERASE = 0x001100A6;
constexpr TRop MERGECOPY = 0x00C000CA;
constexpr TRop MERGEPAINT = 0x00BB0226;
constexpr TRop PATCOPY = 0x00F00021;
constexpr TRop PATPAINT = 0x00FB0A09;
constexpr TRop PATINVERT = 0x005A0049;
constexpr TRop DSTINVERT = 0x00550009;
constexpr TRop BLACKNESS = 0x00000042;
constexpr TRop WHITENESS = 0x00FF0062;
// Whether the operation reads the source or the pattern at all.
[[nodiscard]] bool ropUsesSource(TRop);
[[nodiscard]] bool ropUsesPattern(TRop);

// Copies between contexts of any depths, converting: a one-bit source shows 0 bits in the target's
// text colour and 1 bits in its background colour; into one bit, pixels of the source's background
// colour become 1 and all others 0; into 8 bits, the nearest palette entry. The pattern is the
// target's brush. A source may be null for operations that do not read it. The same context as
// source and target copies as if through a temporary. False for a missing source or surface.
bool BitBlt(TDeviceContext& dst, int x, int y, int width, int height,
            TDeviceContext const* src, int sx, int sy, TRop);
// Negative widths or heights mirror. The target's stretch mode chooses nearest pixel (all but
// HALFTONE) or HALFTONE: area average where it shrinks, bilinear where it grows.
bool StretchBlt(TDeviceContext& dst, int x, int y, int width, int height,
                TDeviceContext const* src, int sx, int sy, int swidth, int sheight, TRop);
bool PatBlt(TDeviceContext& dst, int x, int y, int width, int height, TRop);

// Four-operand codes: where the one-bit mask is 1 the operation of the low three bytes (fore),
// where it is 0 the one whose code is the high byte (back).
constexpr TRop MAKEROP4(TRop fore, TRop back) { return ((back << 8) & 0xFF000000u) | fore; }
// A mask of one bit per pixel chooses the operation per pixel; without a mask, the fore operation
// alone. The mask is read from (mx, my) on and repeats where the copy is larger than the mask.
// False when the mask is not one bit per pixel, or as BitBlt.
bool MaskBlt(TDeviceContext& dst, int x, int y, int width, int height, TDeviceContext const* src,
             int sx, int sy, TSurface const* mask, int mx, int my, TRop rop4);
// The source rectangle mapped onto the parallelogram whose upper-left, upper-right and lower-left
// corners are the three points; where a one-bit mask is given, only pixels whose mask bit is 1
// are copied. Nearest pixel, or bilinear under HALFTONE. False for a missing source or a mask
// that is not one bit per pixel.
bool PlgBlt(TDeviceContext& dst, std::span<TPoint const, 3> corners, TDeviceContext const& src, int sx,
            int sy, int swidth, int sheight, TSurface const* mask, int mx, int my);

constexpr uint8_t AC_SRC_OVER = 0x00;
constexpr uint8_t AC_SRC_ALPHA = 0x01;
struct TBlendFunction {
  uint8_t BlendOp = AC_SRC_OVER;
  uint8_t BlendFlags = 0;
  uint8_t SourceConstantAlpha = 255;
  uint8_t AlphaFormat = 0;  // AC_SRC_ALPHA: the 32-bit source carries premultiplied alpha
};
// Source over target with constant (and, for AC_SRC_ALPHA, per-pixel) alpha, stretched as
// needed. False for a missing source, a negative size or a source rectangle outside the source.
bool AlphaBlend(TDeviceContext& dst, int x, int y, int width, int height,
                TDeviceContext const& src, int sx, int sy, int swidth, int sheight, TBlendFunction);

struct TTriVertex {
  int x = 0;
  int y = 0;
  uint16_t Red = 0, Green = 0, Blue = 0, Alpha = 0;  // 0..0xFF00: the high byte is the channel
};
struct TGradientRect {
  uint32_t UpperLeft = 0;
  uint32_t LowerRight = 1;
};
struct TGradientTriangle {
  uint32_t Vertex1 = 0, Vertex2 = 1, Vertex3 = 2;
};
enum class GradientMode { RectH = 0, RectV = 1, Triangle = 2 };
// Rectangles shaded left to right (RectH) or top to bottom (RectV); right and bottom excluded.
bool GradientFill(TDeviceContext&, std::span<TTriVertex const>, std::span<TGradientRect const>,
                  GradientMode);
// Triangles shaded by barycentric interpolation of the vertex colours.
bool GradientFill(TDeviceContext&, std::span<TTriVertex const>,
                  std::span<TGradientTriangle const>);

}  // namespace platform
