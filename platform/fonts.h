// Fonts: the process's font list and name matching (fontconfig), logical fonts as the system's
// code creates them, and faces realised at a pixel size for measuring and drawing (FreeType).
// Heights: negative = em height in pixels, positive = cell height (ascent + descent), 0 = default.
// Implemented: [x] font list with the packaged stand-ins for missing faces [x] per-process font
//              files [x] metrics, advances, kerning pairs ('kern' table), Unicode ranges
//              [x] glyph outlines [x] glyph coverage under any 2 × 2 transform, antialiased or not
//              [x] synthetic bold and italic [x] symbol-font codes mapped to Unicode symbols
//              [x] fallback faces for characters a face lacks (fontconfig), one by one
//              [ ] lfWidth (condensed or widened fonts) [ ] GPOS kerning [ ] shaping, bidi
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Quality values of a logical font.
constexpr uint8_t DEFAULT_QUALITY = 0;
constexpr uint8_t DRAFT_QUALITY = 1;
constexpr uint8_t PROOF_QUALITY = 2;
constexpr uint8_t NONANTIALIASED_QUALITY = 3;
constexpr uint8_t ANTIALIASED_QUALITY = 4;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t CLIP_LH_ANGLES = 16;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

struct TLogFont {
  int height = 0;      // see the file's opening lines
  int width = 0;       // 0: the face's own proportions
  int escapement = 0;  // tenths of a degree, counter-clockwise on the screen
  int orientation = 0;
  int weight = FW_NORMAL;  // 0 counts as normal
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  uint8_t charSet = DEFAULT_CHARSET;
  uint8_t outPrecision = 0;
  uint8_t clipPrecision = 0;
  uint8_t quality = DEFAULT_QUALITY;
  uint8_t pitchAndFamily = 0;
  std::string faceName;
  friend bool operator==(TLogFont const&, TLogFont const&) = default;
};

// A font handle: a logical font shared by whoever holds it; null is "no font".
using HFONT = std::shared_ptr<TLogFont const>;
// Null for an empty face name longer than the platform allows (31 characters are kept).
HFONT CreateFontIndirect(TLogFont const&);

// ---- the font list -------------------------------------------------------------------------------

// Every face name the process can ask for: the families fontconfig knows, each once, plus the
// names of missing faces that map to a packaged stand-in (Arial, Calibri, Times New Roman,
// Tahoma, Segoe UI, Railway, Wingdings, Webdings) when that stand-in is present. Unsorted.
[[nodiscard]] std::vector<std::string> screenFontFaces();
// Adds a font file for this process only. False when the file is missing or holds no font.
bool addFontFile(std::string const& path);
// The family that a wanted face name is drawn with (the stand-in for a missing face, or
// fontconfig's best match for a name nobody knows).
[[nodiscard]] std::string resolvedFamily(std::string const& faceName);
// Whether a face name is known to the font list (case-insensitive), stand-ins included.
[[nodiscard]] bool isFaceListed(std::string const& faceName);

// ---- realised fonts ------------------------------------------------------------------------------

struct TTextMetric {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int internalLeading = 0;  // height − em height
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int weight = FW_NORMAL;
  bool italic = false;
  int emHeight = 0;   // pixels per em
  int capHeight = 0;  // from the OS/2 table, else the ink of "H"
};

struct TKerningPair {
  char32_t first = 0;
  char32_t second = 0;
  int amount = 0;  // pixels at the font's size
};

struct TUnicodeRange {
  char32_t low = 0;
  char32_t high = 0;  // inclusive
};

struct TGlyphPoint {
  double x = 0;
  double y = 0;
};
// Closed contours of one glyph in pixels, y downward, origin on the baseline at the pen position.
using TGlyphOutline = std::vector<std::vector<TGlyphPoint>>;

// Coverage of one glyph: 0..255 per pixel, rows top-down; (left, top) is the top-left pixel
// relative to the integer device point the glyph was placed from.
struct TGlyphCoverage {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> alpha;
};

class TRealizedFont {
 public:
  virtual ~TRealizedFont() = default;
  [[nodiscard]] virtual TTextMetric const& metrics() const = 0;
  // The advance of a character in whole pixels. A character the face lacks is measured, outlined
  // and drawn in a fallback face that has it; one that no face has advances as the face's own
  // missing glyph.
  [[nodiscard]] virtual int advance(char32_t) const = 0;
  // Whether the face itself (not a fallback) holds the character.
  [[nodiscard]] virtual bool hasGlyph(char32_t) const = 0;
  [[nodiscard]] virtual TGlyphOutline outline(char32_t) const = 0;
  // The glyph under the matrix (m11, m12, m21, m22 map glyph x right / y down into device x, y),
  // its origin at (integer device point + fx, fy) with 0 ≤ fx, fy < 1.
  [[nodiscard]] virtual TGlyphCoverage coverage(char32_t, double const m[4], double fx, double fy,
                                                bool antialias) const = 0;
  [[nodiscard]] virtual std::vector<TKerningPair> kerningPairs() const = 0;
  [[nodiscard]] virtual std::vector<TUnicodeRange> unicodeRanges() const = 0;
  // Underline and strike-out: offset below (positive) or above the baseline and thickness.
  [[nodiscard]] virtual int underlinePosition() const = 0;
  [[nodiscard]] virtual int strikeOutPosition() const = 0;
  [[nodiscard]] virtual int lineThickness() const = 0;
  // The file the face came from (for tests and error reports).
  [[nodiscard]] virtual std::string const& file() const = 0;
};

// The logical font realised for a device of logPixelsY; never null (a failing face falls back to
// the default face, and the last resort is an empty font that draws and measures nothing).
[[nodiscard]] std::shared_ptr<TRealizedFont const> realizeFont(TLogFont const&);

}  // namespace platform
