// The class framework's canvas and bitmap, as thin wrappers on the device context and surface.
// As the framework's canvas does, it selects its Pen and Brush into the context before a drawing
// call when they changed since it last did (or the context is new to it); a pen selected into the
// context directly meanwhile stays until the canvas's own pen changes.
// Implemented: [x] TPen, TBrush, TCanvas (lines, shapes, fills, pixels, Draw, StretchDraw,
//              CopyRect) [x] TBitmap (size, pixel format with conversion, scan lines, canvas)
//              [x] TFont (name, size, height, style, colour, handle) [x] TextOut, TextExtent
//              [ ] TextRect [x] paths flattened and read back
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi.h"
#include "platform/surface.h"

namespace platform {

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clGray = 0x808080;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
                pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor,
                pmNotXor };
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
                   bsDiagCross };
enum TPixelFormat { pfDevice, pf1bit, pf8bit, pf24bit, pf32bit };

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  [[nodiscard]] TPenDesc desc() const;
  friend bool operator==(TPen const&, TPen const&) = default;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  [[nodiscard]] TBrushDesc desc() const;
  friend bool operator==(TBrush const&, TBrush const&) = default;
};

// Font styles, combined as bits.
using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

// The framework's font: a logical font with a colour. Size (points) and Height (pixels) are two
// views of one value: Height = −MulDiv(Size, PixelsPerInch, 72). Setting a handle replaces the
// whole logical font, escapement included; setting a property keeps the rest.
class TFont {
 public:
  TFont();
  TColor Color = clBlack;
  int PixelsPerInch = 96;

  [[nodiscard]] std::string const& Name() const { return flf.faceName; }
  void setName(std::string);
  [[nodiscard]] int Size() const;
  void setSize(int points);
  [[nodiscard]] int Height() const { return flf.height; }
  void setHeight(int pixels);
  [[nodiscard]] TFontStyles Style() const;
  void setStyle(TFontStyles);
  [[nodiscard]] int Orientation() const { return flf.escapement; }
  // A null handle leaves the font as it was.
  void setHandle(HFONT);
  [[nodiscard]] HFONT Handle() const;
  [[nodiscard]] TLogFont const& logFont() const { return flf; }
  // Name, size, style and colour of another font (the framework's Assign).
  void Assign(TFont const&);

 private:
  TLogFont flf;
  mutable HFONT fhandle;
};

// MulDiv: a × b / c rounded half away from zero; −1 for a zero divisor, as the platform answers.
[[nodiscard]] int MulDiv(int a, int b, int c);

class TBitmap;

class TCanvas {
 public:
  TCanvas() = default;
  // Borrows the context; the owner (a bitmap, a form's back buffer) keeps it alive.
  explicit TCanvas(TDeviceContext*);
  TCanvas(TCanvas const&) = delete;
  TCanvas& operator=(TCanvas const&) = delete;

  void bind(TDeviceContext* dc) {
    fdc = dc;
    fpenApplied.reset();
    fbrushApplied.reset();
  }
  [[nodiscard]] TDeviceContext* Handle() const { return fdc; }

  TPen Pen;
  TBrush Brush;
  TFont Font;
  TRop CopyMode = SRCCOPY;

  // Text in Font at (x, y) with the context's alignment and background mode; afterwards the pen
  // stands at the text's end (unless the context updates the current position itself).
  void TextOut(int x, int y, std::string_view);
  [[nodiscard]] TSize TextExtent(std::string_view);
  [[nodiscard]] int TextWidth(std::string_view s) { return TextExtent(s).cx; }
  [[nodiscard]] int TextHeight(std::string_view s) { return TextExtent(s).cy; }
  // Selects Font and its colour into the context (the canvas does so before its own text calls).
  void applyFont();
  // The context's path: what is drawn in between is recorded; stroked with Pen, filled with Brush.
  void BeginPath();
  void EndPath();
  bool StrokePath();
  bool FillPath();
  bool StrokeAndFillPath();
  // The path as straight segments, and read back without using it up: points in logical
  // coordinates, each with its PT_MOVETO or PT_LINETO kind (PT_CLOSEFIGURE added on the point
  // that closes a figure). False when there is no finished path.
  bool FlattenPath();
  bool GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& kinds) const;

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  [[nodiscard]] TPoint PenPos() const;
  void Polyline(std::span<TPoint const>);
  void Polygon(std::span<TPoint const>);
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(TRect const& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int left, int top, int right, int bottom);
  void Ellipse(TRect const& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
  void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  void Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  void Chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  // With the Brush, no pen.
  void FillRect(TRect const&);
  void FrameRect(TRect const&);

  [[nodiscard]] TColor Pixels(int x, int y) const;
  void SetPixels(int x, int y, TColor);

  // Unscaled at (x, y), with CopyMode.
  void Draw(int x, int y, TBitmap const&);
  // Stretched into the box with CopyMode and the context's stretch mode.
  void StretchDraw(TRect const&, TBitmap const&);
  void CopyRect(TRect const& dest, TCanvas const& source, TRect const& sourceRect);

  [[nodiscard]] TRect ClipRect() const;

 private:
  void applyPen();
  void applyBrush();
  void applyBoth();
  TDeviceContext* fdc = nullptr;
  std::optional<TPen> fpenApplied;
  std::optional<TBrush> fbrushApplied;
};

class TBitmap {
 public:
  TBitmap();
  TBitmap(TBitmap const&) = delete;
  TBitmap& operator=(TBitmap const&) = delete;
  ~TBitmap();

  [[nodiscard]] int Width() const { return fwidth; }
  [[nodiscard]] int Height() const { return fheight; }
  void SetWidth(int);
  void SetHeight(int);
  // Keeps the pixels that still fit (top-left); new pixels are white, as the framework's are.
  void SetSize(int width, int height);
  [[nodiscard]] TPixelFormat PixelFormat() const { return fformat; }
  // Converts the pixels to the new depth (pfDevice is 24 bits).
  void SetPixelFormat(TPixelFormat);
  [[nodiscard]] bool Monochrome() const { return fformat == pf1bit; }

  // Image row y (0 at the top) of the pixel memory; nullptr when empty or out of range.
  [[nodiscard]] uint8_t* ScanLine(int y);
  [[nodiscard]] uint8_t const* ScanLine(int y) const;

  [[nodiscard]] TCanvas& Canvas() { return *fcanvas; }
  [[nodiscard]] TCanvas const& Canvas() const { return *fcanvas; }
  [[nodiscard]] TDeviceContext& dc() { return *fdc; }
  [[nodiscard]] TDeviceContext const& dc() const { return *fdc; }
  [[nodiscard]] TSurface& surface() { return *fsurface; }
  [[nodiscard]] TSurface const& surface() const { return *fsurface; }

 private:
  void rebuild(int width, int height, TPixelFormat);
  int fwidth = 0;
  int fheight = 0;
  TPixelFormat fformat = pfDevice;
  std::unique_ptr<TSurface> fsurface;
  std::unique_ptr<TDeviceContext> fdc;
  std::unique_ptr<TCanvas> fcanvas;
};

}  // namespace platform
