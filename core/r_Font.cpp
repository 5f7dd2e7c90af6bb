// TfontMan, the face table and measurement: face IDs, name fallbacks, the reference bitmap on
// which each face is measured once (glyph paths of "A" and "m" at 100 points), conversions
// between millimetres of cap height, points and pixels, and rotated font handles.
#include "core/r_Font.h"

#include <algorithm>
#include <cmath>

#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/numbers.h"
#include "platform/text.h"

using namespace platform;

TfontMan* fontman = nullptr;

namespace {
std::unique_ptr<TfontMan> ownFontMan;
}

TfontMan& createFontMan() {
  if (!fontman) {
    ownFontMan = std::make_unique<TfontMan>();
    fontman = ownFontMan.get();
  }
  return *fontman;
}

void freeFontMan() {
  if (ownFontMan && fontman == ownFontMan.get()) fontman = nullptr;
  ownFontMan.reset();
}

// ---- the face table ------------------------------------------------------------------------------

int32_t TfontMan::computeID(std::string const& name) {
  // The name's bytes in the 8-bit code page the IDs were first computed in, at most 255.
  std::string b = toCodePage(name, "windows-1252");
  if (b.size() > 255) b.resize(255);
  if (b.empty()) return 0;
  uint32_t sum = 0;
  for (size_t i = 0; i < b.size(); ++i) sum = (sum + uint32_t((7 * (i + 1)) % 37) * uint8_t(b[i])) % 65535u;
  uint32_t id = uint8_t(b.front()) | (uint32_t(uint8_t(b.back())) << 8) | (sum << 16);
  return int32_t(id);
}

TfontMan::TfontMan() {
  // (1) the platform's faces, (2) without the vertical-writing ones, (3) sorted, (4) with IDs.
  for (auto const& f : screenFontFaces()) ffonts.add(f);
  for (int i = ffonts.count() - 1; i >= 0; --i)
    if (!ffonts[i].empty() && ffonts[i][0] == '@') ffonts.remove(i);
  sortFaces();
  // (5) the program's sans-serif face.
  if (indexOfFace("Open Sans") >= 0) fsans = "Open Sans";
  else if (indexOfFace("Lato") >= 0) fsans = "Lato";
  else fsans = "Tahoma";
  antiAlias = true;
}

TfontMan::~TfontMan() = default;

void TfontMan::sortFaces() {
  fvisual.clear();  // a newly listed face may answer for a name measured before
  ffonts.sort();
  ffontId.assign(size_t(ffonts.count()), 0);
  arialID = 0;
  for (int i = 0; i < ffonts.count(); ++i) {
    ffontId[size_t(i)] = computeID(ffonts[i]);
    if (ffonts[i] == "Arial") arialID = ffontId[size_t(i)];
  }
}

int TfontMan::indexOfFace(std::string const& name) const { return ffonts.indexOf(name); }

int32_t TfontMan::fontID(std::string const& fontname) const {
  if (fontname == "Arial") return arialID;
  int i = indexOfFace(fontname);
  return i < 0 ? arialID : ffontId[size_t(i)];
}

std::string TfontMan::fontnameFromId(int32_t id) const {
  if (id == arialID) return "Arial";
  for (size_t i = 0; i < ffontId.size(); ++i)
    if (ffontId[i] == id) return ffonts[int(i)];
  return "Arial";
}

bool TfontMan::addTTF(std::string const& filename, std::string const& name) {
  if (indexOfFace(name) >= 0) return true;
  if (!isFile(filename)) return false;
  if (!addFontFile(filename)) return false;
  ffonts.add(name);
  sortFaces();
  return true;
}

std::string TfontMan::getFontName(std::string const& name) const {
  if (indexOfFace(name) >= 0) return name;
  for (char const* suffix : {" Regular", " Rg"})
    if (int i = indexOfFace(name + suffix); i >= 0) return ffonts[i];
  for (int i = 0; i < ffonts.count(); ++i)
    if (!name.empty() && ffonts[i].compare(0, name.size(), name) == 0) return ffonts[i];
  if (int i = indexOfFace("Arial"); i >= 0) return ffonts[i];
  return ffonts.count() > 0 ? ffonts[0] : std::string("Arial");
}

// ---- measurement ---------------------------------------------------------------------------------

TCanvas& TfontMan::reference() {
  if (!refbm) {
    refbm = std::make_unique<TBitmap>();
    refbm->SetSize(64, 64);
  }
  return refbm->Canvas();
}

TCanvas& TfontMan::refCanvas(std::string const& fontname, int fontsize) {
  TCanvas& c = reference();
  c.Font.setSize(fontsize);
  c.Font.setName(fontname);
  return c;
}

TRect TfontMan::inkBox(TCanvas& canvas, int x, int y, std::string const& s) {
  TDeviceContext* dc = canvas.Handle();
  if (!dc) return {};
  canvas.BeginPath();
  canvas.TextOut(x, y, s);
  canvas.EndPath();
  TRegion rg;
  if (!dc->pathToRegion(rg)) return {};
  return rg.bounds();
}

double TfontMan::fontfactor(std::string const& fontname, double& topgap, double& baseline, double& pttomm,
                            double& pttommLower) {
  int i = indexOfFace(fontname);
  if (i >= 0 && ffonts.object(i)) {
    auto const* r = static_cast<TfontRec const*>(ffonts.object(i));
    topgap = r->top;
    baseline = r->baseline;
    pttomm = r->pttomm;
    pttommLower = r->pttommLower;
    return r->height;
  }
  TCanvas& c = reference();
  // The reference canvas may be the one being measured for (refCanvas): its font comes back.
  TFont keep;
  keep.Assign(c.Font);
  c.Pen.Width = 1;
  c.Font.setSize(100);
  c.Font.setName("Arial");
  c.Handle()->setTextAlign(TA_LEFT | TA_TOP);
  c.Handle()->setBkMode(BkMode::Transparent);
  TRect a = inkBox(c, 0, 0, "A"), m = inkBox(c, 0, 0, "m");
  int capArial = a.height();
  double factor = 1;
  c.Font.setName(fontname);
  TRect fa = inkBox(c, 0, 0, "A");
  if (!fa.isEmpty()) {
    factor = fa.height() == 0 ? 1.0 : double(capArial) / fa.height();
    a = fa;
    m = inkBox(c, 0, 0, "m");
  }
  c.Font.Assign(keep);
  topgap = a.Top / 100.0;
  baseline = a.Bottom / 100.0;
  dpi = c.Handle()->logPixelsY();
  double pxPerPoint100 = dpi * 100 / 25.4;
  pttomm = a.height() / pxPerPoint100;
  pttommLower = m.height() / pxPerPoint100;
  if (i >= 0) {
    auto r = std::make_unique<TfontRec>();
    *r = TfontRec{topgap, baseline, pttomm, pttommLower, factor};
    ffonts.setObject(i, r.get());
    frecs.push_back(std::move(r));
  }
  return factor;
}

double TfontMan::fontfactor(std::string const& fontname, double& topgap) {
  double b, p, l;
  return fontfactor(fontname, topgap, b, p, l);
}

double TfontMan::fontfactor(std::string const& fontname) {
  double t, b, p, l;
  return fontfactor(fontname, t, b, p, l);
}

void TfontMan::setFontRec(std::string const& fontname, TfontRec const& rec) {
  int i = indexOfFace(fontname);
  if (i < 0) return;
  fvisual.clear();
  auto r = std::make_unique<TfontRec>(rec);
  ffonts.setObject(i, r.get());
  frecs.push_back(std::move(r));
}

namespace {
double pttommOf(TfontMan& fm, std::string const& fontname) {
  double t, b, p = 0, l;
  fm.fontfactor(fontname, t, b, p, l);
  return p;
}
}  // namespace

double TfontMan::fontsize(std::string const& fontname, double mms) {
  double p = pttommOf(*this, fontname);
  return p > 0 ? mms / p : 0;  // a face without capitals has no size for a cap height
}

int TfontMan::fontsizePx(std::string const& fontname, double mms) { return int(Round32(fontsize(fontname, mms))); }

double TfontMan::fontsizemm(std::string const& fontname, double points) { return points * pttommOf(*this, fontname); }

double TfontMan::MMtoPoints(std::string const& fontname) { return fontsize(fontname, 1); }

double TfontMan::ppmm(TCanvas& canvas) {
  return (canvas.Handle() ? canvas.Handle()->logPixelsY() : 96) / 25.4;
}

int TfontMan::fontHeight(TCanvas& canvas, std::string const& fontname, double mms) {
  return -Round32(canvas.Font.PixelsPerInch * fontsize(fontname, mms) / 72);
}

int TfontMan::fontHeight(TCanvas&, std::string const& fontname, double ppmmValue, double mms) {
  return -Round32(fontsize(fontname, mms) * ppmmValue * 25.4 / 72);
}

int TfontMan::fontHeight(TCanvas& canvas, double visualHeight) {
  double p = ppmm(canvas);
  return -Round32(canvas.Font.PixelsPerInch * fontsize(canvas.Font.Name(), p > 0 ? visualHeight / p : 0) / 72);
}

double TfontMan::VisualFontHeight(TCanvas& canvas) {
  int lpy = canvas.Handle() ? canvas.Handle()->logPixelsY() : 96;
  VisualKey key{canvas.Font.Name(), canvas.Font.Size(), lpy, dpi, includeLowerHt};
  if (auto it = fvisual.find(key); it != fvisual.end()) return it->second;
  double t, base, p, l;
  fontfactor(key.face, t, base, p, l);
  double v = std::abs(key.size * p * ppmm(canvas)) * dpi / lpy;
  if (includeLowerHt) v *= base;
  // Measuring an unlisted face sets dpi; file the value under what it was computed with.
  key.dpi = dpi;
  fvisual.emplace(std::move(key), v);
  return v;
}

void TfontMan::fontSpace(TCanvas& canvas, double percent) {
  if (!canvas.Handle()) return;
  canvas.Handle()->setTextCharacterExtra(Round32(percent * std::abs(canvas.Font.Height()) / 100));
}

// ---- font handles --------------------------------------------------------------------------------

HFONT TfontMan::anglefont(int height, int angle10, bool bold, bool italic, std::string font) {
  // "Face [remark]": the face is the text before the blank and the bracket.
  if (auto b = font.find('['); b != std::string::npos) font = font.substr(0, b >= 1 ? b - 1 : 0);
  TLogFont lf;
  lf.height = -height;
  lf.width = 0;
  lf.escapement = lf.orientation = -angle10;
  lf.weight = bold ? FW_BOLD : FW_NORMAL;
  lf.italic = italic;
  lf.charSet = DEFAULT_CHARSET;
  lf.clipPrecision = CLIP_LH_ANGLES;
  lf.quality = PROOF_QUALITY;
  lf.pitchAndFamily = 4;
  lf.faceName = font;
  return CreateFontIndirect(lf);
}

int TfontMan::CharactersInFont(TCanvas& canvas) {
  charsInFont.clear();
  if (!canvas.Handle()) return 0;
  canvas.applyFont();
  for (auto const& r : canvas.Handle()->fontUnicodeRanges())
    for (char32_t c = std::max<char32_t>(r.low, 33); c <= r.high && c >= r.low; ++c)
      if (canvas.TextWidth(fromCodePoint(c)) > 0) charsInFont.push_back(int32_t(c));
  return int(charsInFont.size());
}

void TfontMan::DisableAntiAliasing(TFont& font) {
  TLogFont lf = font.logFont();
  lf.quality = NONANTIALIASED_QUALITY;
  font.setHandle(CreateFontIndirect(lf));
}
