// TfontMan: the font table with face IDs, face measurements (cap height, x-height, size factor
// against Arial), text sizes in millimetres of cap height, points and pixels, and all text
// drawing placed by the capitals: halos, word wrap, bracketed and stretched text, arcs, angles.
// Round is to nearest with halves to even; div truncates toward zero.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/TStringList.h"
#include "platform/canvas.h"
#include "platform/controls.h"

// Colour and style of one character of the next text drawn with a matching length.
struct attRec {
  int32_t colour = 0;
  platform::TFontStyles style = 0;
};

// One face measured at 100 points on the reference bitmap.
class TfontRec {
 public:
  double top = 0;          // top of "A" below the cell top, pixels per point
  double baseline = 0;     // bottom of "A" below the cell top, pixels per point
  double pttomm = 0;       // millimetres of cap height per point
  double pttommLower = 0;  // millimetres of x-height ("m") per point
  double height = 1;       // Arial's cap height over this face's
};

class TfontMan {
 public:
  TfontMan();
  ~TfontMan();
  TfontMan(TfontMan const&) = delete;
  TfontMan& operator=(TfontMan const&) = delete;

  // ---- the face table ----
  [[nodiscard]] TStringList const& fonts() const { return ffonts; }
  [[nodiscard]] std::string const& SansSerif() const { return fsans; }
  // The ID of a face name: first byte, last byte and a weighted byte sum (see r_Font.cpp).
  [[nodiscard]] static int32_t computeID(std::string const& name);
  [[nodiscard]] int32_t fontID(std::string const& fontname) const;
  [[nodiscard]] std::string fontnameFromId(int32_t id) const;
  // Registers a font file for this process and lists its face; true at once when listed.
  bool addTTF(std::string const& filename, std::string const& name);
  [[nodiscard]] std::string getFontName(std::string const& name) const;

  // ---- measurement and conversion ----
  double fontfactor(std::string const& fontname, double& topgap, double& baseline, double& pttomm,
                    double& pttommLower);
  double fontfactor(std::string const& fontname, double& topgap);
  double fontfactor(std::string const& fontname);
  double fontsize(std::string const& fontname, double mms);
  int fontsizePx(std::string const& fontname, double mms);
  double fontsizemm(std::string const& fontname, double points);
  double MMtoPoints(std::string const& fontname);
  [[nodiscard]] static double ppmm(platform::TCanvas&);
  int fontHeight(platform::TCanvas&, std::string const& fontname, double mms);
  int fontHeight(platform::TCanvas&, std::string const& fontname, double ppmm, double mms);
  int fontHeight(platform::TCanvas&, double visualHeight);
  double VisualFontHeight(platform::TCanvas&);
  void fontSpace(platform::TCanvas&, double percent);
  void spacing(platform::TCanvas& canvas, double percent) { fontSpace(canvas, percent); }
  platform::TCanvas& refCanvas(std::string const& fontname, int fontsize);
  // Stores measurements for a face, as a measurement would (for faces measured elsewhere).
  void setFontRec(std::string const& fontname, TfontRec const&);

  // ---- font handles and contents ----
  [[nodiscard]] static platform::HFONT anglefont(int height, int angle10, bool bold, bool italic,
                                                 std::string font);
  int CharactersInFont(platform::TCanvas&);
  static void DisableAntiAliasing(platform::TFont&);

  // ---- text placed by its capitals ----
  void TopTextOut(platform::TCanvas&, int x, int y, std::string const& s, int32_t highLightColour = -1,
                  int highlightWidth = 0);
  void BaseTextOut(platform::TCanvas&, int x, int y, std::string const& s, int32_t highLightColour = -1);
  void VCentredText(platform::TCanvas&, int x, int y, std::string const& text, int32_t highlightcolour = -1);
  void VCentredText(platform::TCanvas&, int x, int y1, int y2, std::string const& text);
  int TopMultiTextOut(platform::TCanvas&, int x, int y, std::string const& bartext);
  void ShadowTopTextOut(platform::TCanvas&, int x, int y, std::string const& s);
  void drawCentredText(platform::TCanvas&, std::string const& text, int x, int y);
  void drawVerticallyCentredText(platform::TCanvas&, std::string const& text, int x, int y, int hAlign);
  void drawCharInBox(platform::TCanvas&, std::string const& ch, std::string fontname, platform::TRect const& box,
                     double degrees = 0);
  // Pen widths of halos: TopTextOut's from its width argument (above 0: as given), the others'.
  [[nodiscard]] static int topHaloWidth(double v, int highlightWidth);
  [[nodiscard]] static int haloWidth(double v);
  static unsigned align(platform::TCanvas&, unsigned value);
  static void getJustify(platform::TCanvas&, int& hjustify, int& vjustify);
  // Captions beside a rectangle; colour −1 keeps the font colour.
  void CaptionL(platform::TCanvas&, platform::TRect const& box, std::string const& caption, int32_t colour = -1);
  void CaptionR(platform::TCanvas&, platform::TRect const& box, std::string const& caption);
  void CaptionT(platform::TCanvas&, platform::TRect const& box, std::string const& caption);
  void CaptionB(platform::TCanvas&, platform::TRect const& box, std::string const& caption);

  // Captions beside a control: any control type with BoundsRect() (in its parent's coordinates),
  // Visible(), Enabled() and Parent(). Nothing is drawn for a missing or hidden control unless
  // the form says so; disabled controls get silver captions.
  template <class C>
  void CaptionL(platform::TCanvas& canvas, C const* c, std::string const& caption, int32_t colour) {
    if (!shown(c)) return;
    CaptionL(canvas, c->BoundsRect(), caption, colour);
    canvas.Font.Color = 0;
  }
  template <class C>
  void CaptionL(platform::TCanvas& canvas, int yoffset, C const* c, std::string const& caption) {
    if (!shown(c)) return;
    platform::TRect box = c->BoundsRect();
    if (yoffset != 0) box.offset(0, yoffset);
    CaptionL(canvas, box, caption, c->Enabled() && (!c->Parent() || c->Parent()->Enabled()) ? 0 : kSilver);
    canvas.Font.Color = 0;
  }
  template <class C>
  void CaptionL(platform::TCanvas& canvas, C const* c, std::string const& caption) {
    CaptionL(canvas, 0, c, caption);
  }
  template <class C>
  void CaptionR(platform::TCanvas& canvas, C const* c, std::string const& caption) {
    if (!shown(c)) return;
    canvas.Font.Color = c->Enabled() ? 0 : kSilver;
    CaptionR(canvas, c->BoundsRect(), caption);
    if (!c->Enabled()) canvas.Font.Color = 0;
  }
  template <class C>
  void CaptionR(platform::TCanvas& canvas, C const* c, std::string const& caption, int32_t colour) {
    if (!c) return;  // drawn for a hidden control too
    canvas.Font.Color = platform::TColor(colour);
    CaptionR(canvas, c->BoundsRect(), caption);
    canvas.Font.Color = 0;
  }
  template <class C>
  void CaptionT(platform::TCanvas& canvas, C const* c, std::string const& caption) {
    if (!shown(c)) return;
    canvas.Font.Color = c->Enabled() ? 0 : kSilver;
    CaptionT(canvas, c->BoundsRect(), caption);
    if (!c->Enabled()) canvas.Font.Color = 0;
  }
  template <class C>
  void CaptionT(platform::TCanvas& canvas, C const* c, std::string const& caption, int32_t colour) {
    if (!shown(c)) return;
    canvas.Font.Color = platform::TColor(colour);
    CaptionT(canvas, c->BoundsRect(), caption);
    if (!c->Enabled()) canvas.Font.Color = 0;
  }
  template <class C>
  void CaptionB(platform::TCanvas& canvas, C const* c, std::string const& caption) {
    if (!shown(c)) return;
    if (!c->Enabled()) canvas.Font.Color = kSilver;
    CaptionB(canvas, c->BoundsRect(), caption);
    if (!c->Enabled()) canvas.Font.Color = 0;
  }
  // Beside the top of a tall control: caption centred on its top + font size, caption2 below.
  template <class C>
  void CaptionLT(platform::TCanvas& canvas, C const* c, std::string const& caption, std::string const& caption2 = "",
                 int32_t colour = 0) {
    if (!shown(c)) return;
    canvas.Font.Color = c->Enabled() ? platform::TColor(colour) : kSilver;
    captionLT(canvas, c->BoundsRect(), caption, caption2);
    if (!c->Enabled()) canvas.Font.Color = 0;
  }
  // The strips where a control's left or right caption is drawn, for the window to invalidate
  // when the caption changes: all left of it over its height, or 500 pixels right of it
  // (to the parent's width when the parent's width is given). Empty for a missing or hidden one.
  template <class C>
  [[nodiscard]] static platform::TRect captionStripL(C const* c) {
    if (!shown(c)) return {};
    platform::TRect b = c->BoundsRect();
    return {0, b.Top, b.Left, b.Bottom};
  }
  template <class C>
  [[nodiscard]] static platform::TRect captionStripR(C const* c, int parentWidth = -1) {
    if (!shown(c)) return {};
    platform::TRect b = c->BoundsRect();
    return {b.Right, b.Top, parentWidth >= 0 ? parentWidth : b.Right + 500, b.Bottom};
  }

  // Invalidate a caption strip for redrawing (the background is not erased): refreshL/R in the
  // window given, when the control is there and visible; InvalidateL/R in the control's parent,
  // the right strip reaching to the parent's width. A window not yet made has nothing to redraw.
  template <class C>
  static void refreshL(platform::TWinControl* win, C const* c) {
    invalidateIn(win, captionStripL(c));
  }
  template <class C>
  static void refreshR(platform::TWinControl* win, C const* c) {
    invalidateIn(win, captionStripR(c));
  }
  template <class C>
  static void InvalidateL(C const* c) {
    if (c == nullptr) return;
    platform::TRect b = c->BoundsRect();
    invalidateIn(c->Parent(), {0, b.Top, b.Left, b.Bottom});
  }
  template <class C>
  static void InvalidateR(C const* c) {
    if (c == nullptr || c->Parent() == nullptr) return;
    platform::TRect b = c->BoundsRect();
    invalidateIn(c->Parent(), {b.Right, b.Top, c->Parent()->Width(), b.Bottom});
  }

  // ---- word wrap and measurement ----
  int WordWrap(platform::TCanvas&, int x, int y, int width, std::string const& caption, bool drawit = true,
               double lineSpacing = 1.5);
  int BracketTextWidth(platform::TCanvas&, std::string const& text, std::string const& bracketText);
  void BracketText(platform::TCanvas&, int x, int y, std::string const& text, std::string const& bracketText);
  void VcentredBracketText(platform::TCanvas&, int x, int y, std::string const& text, std::string const& bracketText);
  void StretchText(platform::TCanvas&, int x, int y, int width, std::string const& s);
  int TextWidth(std::string const& fontname, int fontsize, std::string const& s);
  platform::TSize TextExtent(std::string const& fontname, int fontsize, std::string const& s);
  platform::TSize TextExtent(platform::TCanvas&, std::string const& s);
  void TextExtent(platform::TCanvas&, int x, int y, std::string const& s, platform::TRect& box);
  void TextExtent(platform::TCanvas&, int x, int y, std::string const& s, double rotation, platform::TRect& box);

  // ---- text along arcs and at angles ----
  void ArcText(platform::TCanvas&, int cx, int cy, double radius, double angle, double gap, std::string const& s);
  void Arctext2(platform::TCanvas&, int cx, int cy, double radius, double angle, double gap, std::string const& s,
                bool invert);
  void Arctext3(platform::TCanvas&, int cx, int cy, double radius, double angle, double gap,
                double maxAngularExtent, std::string const& s, bool invert);
  void ArcText(platform::TCanvas&, int cx, int cy, double radius, double angle, double gap, std::string const& s,
               bool invert);
  void Arctext(platform::TCanvas&, int cx, int cy, double radius, double angle, double gap, std::string const& s,
               std::string const& prefix, std::string const& prefixfont, bool invert = false);
  void Arctext(platform::TCanvas&, int cx, int cy, double radius, double angle, std::vector<double> const& gaps,
               std::string const& s, bool invert);
  void AngleText(platform::TCanvas&, int cx, int cy, int hjustify, int vjustify, double angle, double gapPercent,
                 std::string const& s);

  int32_t dpi = 96;
  bool opaque = false;
  bool includeLowerHt = false;
  std::vector<attRec> charAtt;
  std::vector<int32_t> charsInFont;
  int32_t arialID = 0;
  int32_t lastWordWrapWidth = 0;
  bool antiAlias = true;

 private:
  static constexpr platform::TColor kSilver = 0xC0C0C0;  // the disabled-caption colour
  static void invalidateIn(platform::TWinControl* win, platform::TRect const& r);
  template <class C>
  static bool shown(C const* c) {
    return c != nullptr && c->Visible();
  }
  void captionLT(platform::TCanvas&, platform::TRect const& bounds, std::string const& caption,
                 std::string const& caption2);
  void sortFaces();
  [[nodiscard]] int indexOfFace(std::string const& name) const;
  platform::TCanvas& reference();
  void doText(platform::TCanvas&, int x, int y, std::string const& text);
  platform::TRect inkBox(platform::TCanvas&, int x, int y, std::string const& s);
  void halo(platform::TCanvas&, int x, int yb, std::string const& s, int32_t colour, int width);
  int wrapParagraph(platform::TCanvas&, int x, int y, int width, std::string const& para, bool drawit,
                    double lineSpacing, bool last, int& widest);
  void placeChar(platform::TCanvas&, int px, int py, double c, double sn, std::string const& ch, bool vcentred);

  TStringList ffonts;  // objects: the face's TfontRec, owned by frecs
  std::vector<int32_t> ffontId;
  std::vector<std::unique_ptr<TfontRec>> frecs;
  std::string fsans;
  std::unique_ptr<platform::TBitmap> refbm;
  // Visual heights by face, size, device resolution and the public settings they read: pages ask
  // for them per line they paint, and the face lookup behind them walks every installed face.
  struct VisualKey {
    std::string face;
    int size, lpy, dpi;
    bool lower;
    auto operator<=>(VisualKey const&) const = default;
  };
  std::map<VisualKey, double> fvisual;
};

// The one font manager; set by createFontMan, cleared by freeFontMan.
extern TfontMan* fontman;
// Creates `fontman` when unset (the services object does so at start-up).
TfontMan& createFontMan();
void freeFontMan();
