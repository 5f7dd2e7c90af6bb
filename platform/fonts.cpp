// Fonts on fontconfig (list, matching, per-process files) and FreeType (faces, metrics, outlines,
// coverage). Cell metrics follow the platform the system was written for: ascent and descent from
// the OS/2 table's Windows values, so positive heights give the same em size there and here.
// One lock guards the library state: the busy window's painter thread may measure text too.
#include "platform/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>

#include "platform/fonts_symbols.h"
#include "platform/text.h"

namespace platform {

using fontsdetail::SymbolSet;

HFONT CreateFontIndirect(TLogFont const& lf) {
  auto f = std::make_shared<TLogFont>(lf);
  // The platform keeps 31 characters of a face name.
  if (codePointCount(f->faceName) > 31) f->faceName = f->faceName.substr(0, codePointOffset(f->faceName, 31));
  return f;
}

namespace {

// Missing faces and their packaged stand-ins, best first.
struct Alias {
  char const* name;
  char const* substitutes[2];
};
constexpr Alias kAliases[] = {
    {"Arial", {"Liberation Sans", nullptr}},
    {"Times New Roman", {"Liberation Serif", nullptr}},
    {"Courier New", {"Liberation Mono", nullptr}},
    {"Calibri", {"Carlito", nullptr}},
    {"Tahoma", {"DejaVu Sans", nullptr}},
    {"Segoe UI", {"DejaVu Sans", nullptr}},
    {"MS Sans Serif", {"DejaVu Sans", nullptr}},
    {"MS Shell Dlg", {"DejaVu Sans", nullptr}},
    {"MS Shell Dlg 2", {"DejaVu Sans", nullptr}},
    {"Railway", {"Cabin", nullptr}},
    {"Wingdings", {"Symbola", "DejaVu Sans"}},
    {"Webdings", {"Symbola", "DejaVu Sans"}},
};

struct Match {
  std::string file;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
};

struct NoCaseLess {
  bool operator()(std::string const& a, std::string const& b) const { return compareNoCase(a, b) < 0; }
};

struct World {
  std::recursive_mutex lock;
  FT_Library ft = nullptr;
  bool fcReady = false;
  FcConfig* config = nullptr;  // ours, kept for the whole process
  bool familiesValid = false;
  std::vector<std::string> families;  // fontconfig's, each once
  // The same names ordered without case: a lookup is a search, not a walk through every family.
  std::set<std::string, NoCaseLess> familySet;
  std::map<std::pair<std::string, int>, FT_Face> faces;
  std::map<std::string, Match> matches;
  std::map<std::string, std::shared_ptr<TRealizedFont const>> realized;
};

World& world() {
  // Kept for the whole process: realised fonts handed out may outlive any shut-down order.
  static World* w = new World;
  return *w;
}

void ensureFc(World& w) {
  if (w.fcReady) return;
  w.config = FcInitLoadConfigAndFonts();
  w.fcReady = true;
}

// The families of a set's fonts (of one file's only, when `file` is given) not yet listed.
void addFamilies(World& w, FcFontSet const* fs, char const* file = nullptr) {
  if (!fs) return;
  for (int i = 0; i < fs->nfont; ++i) {
    FcChar8* at = nullptr;
    if (file && (FcPatternGetString(fs->fonts[i], FC_FILE, 0, &at) != FcResultMatch ||
                 std::strcmp(reinterpret_cast<char const*>(at), file) != 0))
      continue;
    FcChar8* s = nullptr;
    for (int k = 0; FcPatternGetString(fs->fonts[i], FC_FAMILY, k, &s) == FcResultMatch; ++k) {
      std::string name = reinterpret_cast<char const*>(s);
      if (!name.empty() && w.familySet.insert(name).second) w.families.push_back(name);
    }
  }
}

void loadFamilies(World& w) {
  ensureFc(w);
  if (w.familiesValid) return;
  w.families.clear();
  w.familySet.clear();
  FcPattern* pat = FcPatternCreate();
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fs = FcFontList(w.config, pat, os);
  addFamilies(w, fs);
  if (fs) FcFontSetDestroy(fs);
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);
  w.familiesValid = true;
}

bool isRealFamily(World& w, std::string const& name) {
  loadFamilies(w);
  return w.familySet.count(name) != 0;
}

Alias const* aliasOf(std::string const& name) {
  for (auto const& a : kAliases)
    if (sameNoCase(a.name, name)) return &a;
  // "Wingdings Regular" and its kind name the same faces.
  if (fontsdetail::symbolSetOf(name.c_str()) == SymbolSet::Wingdings) return &kAliases[10];
  if (fontsdetail::symbolSetOf(name.c_str()) == SymbolSet::Webdings) return &kAliases[11];
  return nullptr;
}

// The family to ask fontconfig for; empty when fontconfig must choose.
std::string familyFor(World& w, std::string const& name) {
  if (!name.empty() && isRealFamily(w, name)) return *w.familySet.find(name);
  if (Alias const* a = aliasOf(name)) {
    for (char const* s : a->substitutes)
      if (s && isRealFamily(w, s)) return s;
  }
  return {};
}

// The style every match asks for, and fontconfig's own defaults for the rest.
void completePattern(FcConfig* config, FcPattern* p, int weight, bool italic) {
  FcPatternAddInteger(p, FC_WEIGHT, FcWeightFromOpenType(weight <= 0 ? FW_NORMAL : std::min(weight, 1000)));
  FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, p, FcMatchPattern);
  FcDefaultSubstitute(p);
}

Match matchFont(World& w, std::string const& family, int weight, bool italic) {
  ensureFc(w);
  std::string key = lowerCase(family) + "|" + std::to_string(weight) + (italic ? "|i" : "|r");
  if (auto it = w.matches.find(key); it != w.matches.end()) return it->second;
  Match m;
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(p, FC_FAMILY, reinterpret_cast<FcChar8 const*>(family.empty() ? "DejaVu Sans" : family.c_str()));
  completePattern(w.config, p, weight, italic);
  FcResult r = FcResultNoMatch;
  FcPattern* found = FcFontMatch(w.config, p, &r);
  if (found) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) m.file = reinterpret_cast<char const*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &m.index);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &m.weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &m.slant);
    FcPatternDestroy(found);
  }
  FcPatternDestroy(p);
  w.matches[key] = m;
  return m;
}

FT_Face openFace(World& w, Match const& m) {
  if (m.file.empty()) return nullptr;
  auto key = std::make_pair(m.file, m.index);
  if (auto it = w.faces.find(key); it != w.faces.end()) return it->second;
  if (!w.ft && FT_Init_FreeType(&w.ft) != 0) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(w.ft, m.file.c_str(), m.index, &face) != 0) face = nullptr;
  if (face && !FT_IS_SCALABLE(face)) {
    FT_Done_Face(face);
    face = nullptr;
  }
  if (face && FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL);
  w.faces[key] = face;
  return face;
}

int roundInt(double v) { return int(std::nearbyint(v)); }

// Characters no face is asked about: controls draw nothing of any face.
bool wantsNoFallback(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// The face fontconfig names for a character that the font's own face lacks: the best match by
// its order that holds the character; an empty file when no face holds it.
Match fallbackMatch(World& w, char32_t c, int weight, bool italic) {
  ensureFc(w);
  std::string key = "\x01" + std::to_string(uint32_t(c)) + "|" + std::to_string(weight) + (italic ? "|i" : "|r");
  if (auto it = w.matches.find(key); it != w.matches.end()) return it->second;
  Match m;
  FcPattern* p = FcPatternCreate();
  FcCharSet* want = FcCharSetCreate();
  FcCharSetAddChar(want, FcChar32(c));
  FcPatternAddCharSet(p, FC_CHARSET, want);
  completePattern(w.config, p, weight, italic);
  FcResult r = FcResultNoMatch;
  if (FcFontSet* fs = FcFontSort(w.config, p, FcFalse, nullptr, &r)) {
    for (int i = 0; i < fs->nfont && m.file.empty(); ++i) {
      FcCharSet* has = nullptr;
      FcBool scalable = FcFalse;
      FcChar8* file = nullptr;
      if (FcPatternGetCharSet(fs->fonts[i], FC_CHARSET, 0, &has) != FcResultMatch || !FcCharSetHasChar(has, FcChar32(c)))
        continue;
      if (FcPatternGetBool(fs->fonts[i], FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) continue;
      if (FcPatternGetString(fs->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      m.file = reinterpret_cast<char const*>(file);
      FcPatternGetInteger(fs->fonts[i], FC_INDEX, 0, &m.index);
      FcPatternGetInteger(fs->fonts[i], FC_WEIGHT, 0, &m.weight);
      FcPatternGetInteger(fs->fonts[i], FC_SLANT, 0, &m.slant);
    }
    FcFontSetDestroy(fs);
  }
  FcCharSetDestroy(want);
  FcPatternDestroy(p);
  w.matches[key] = m;
  return m;
}

// A face of a file at a whole number of pixels per em. A character the face lacks is measured,
// outlined and drawn with a fallback face that holds it, at the same size, character by character
// (no shaping): fontconfig names the face, and faces already taken as fallbacks come first.
class FtFont final : public TRealizedFont {
 public:
  FtFont(FT_Face face, std::string file, int ppem, SymbolSet sym, bool embolden, bool oblique, int weight,
         bool italic = false)
      : fface(face), ffile(std::move(file)), fppem(ppem), fsym(sym), fembolden(embolden), foblique(oblique),
        fitalic(italic) {
    if (!fface) return;
    std::lock_guard g(world().lock);
    double upem = fface->units_per_EM > 0 ? fface->units_per_EM : 1000;
    double scale = fppem / upem;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(fface, FT_SFNT_OS2));
    auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(fface, FT_SFNT_HHEA));
    double asc = fface->ascender, desc = -fface->descender;
    if (os2 && os2->version != 0xFFFF && (os2->usWinAscent + os2->usWinDescent) > 0) {
      asc = os2->usWinAscent;
      desc = os2->usWinDescent;
    }
    fm.ascent = roundInt(asc * scale);
    fm.descent = roundInt(desc * scale);
    fm.height = fm.ascent + fm.descent;
    fm.emHeight = fppem;
    fm.internalLeading = std::max(0, fm.height - fppem);
    if (hhea) {
      double line = hhea->Ascender - hhea->Descender + hhea->Line_Gap;
      fm.externalLeading = std::max(0, roundInt((line - asc - desc) * scale));
    }
    fm.aveCharWidth = os2 && os2->xAvgCharWidth > 0 ? roundInt(os2->xAvgCharWidth * scale) : roundInt(fppem / 2.0);
    fm.maxCharWidth = roundInt(fface->max_advance_width * scale);
    fm.weight = weight <= 0 ? FW_NORMAL : weight;
    fm.italic = oblique || (fface->style_flags & FT_STYLE_FLAG_ITALIC);
    if (os2 && os2->version >= 2 && os2->sCapHeight > 0) {
      fm.capHeight = roundInt(os2->sCapHeight * scale);
    } else {
      double top = 0, bottom = 0;
      for (auto const& ring : outline(U'H'))
        for (auto const& p : ring) { top = std::min(top, p.y); bottom = std::max(bottom, p.y); }
      fm.capHeight = roundInt(bottom - top);
    }
    double ut = fface->underline_thickness > 0 ? fface->underline_thickness : upem / 20;
    fthick = std::max(1, roundInt(ut * scale));
    funder = std::max(1, roundInt(-fface->underline_position * scale));
    fstrike = os2 && os2->yStrikeoutPosition > 0 ? roundInt(os2->yStrikeoutPosition * scale) : roundInt(fm.ascent / 3.0);
  }

  TTextMetric const& metrics() const override { return fm; }
  std::string const& file() const override { return ffile; }
  int underlinePosition() const override { return funder; }
  int strikeOutPosition() const override { return -fstrike; }
  int lineThickness() const override { return fthick; }

  bool hasGlyph(char32_t c) const override {
    if (!fface) return false;
    std::lock_guard g(world().lock);
    return FT_Get_Char_Index(fface, mapped(c)) != 0;
  }

  int advance(char32_t c) const override {
    if (!fface) return 0;
    std::lock_guard g(world().lock);
    if (auto it = fadv.find(c); it != fadv.end()) return it->second;
    int a = 0;
    if (FtFont const* f = fallbackFor(c)) {
      a = f->advance(c);
    } else if (load(c, FT_LOAD_TARGET_NORMAL)) {
      a = int((fface->glyph->advance.x + 32) >> 6);
      if (fembolden) a += std::max(1, roundInt(fppem / 24.0));
    }
    if (fadv.size() < 4096) fadv[c] = a;
    return a;
  }

  TGlyphOutline outline(char32_t c) const override {
    TGlyphOutline out;
    if (!fface) return out;
    std::lock_guard g(world().lock);
    if (FtFont const* f = fallbackFor(c)) return f->outline(c);
    if (!load(c, FT_LOAD_TARGET_NORMAL)) return out;
    FT_Outline* o = &fface->glyph->outline;
    shape(o);
    Flatten fl{&out, {}, std::max(2, std::min(24, fppem / 6))};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](FT_Vector const* to, void* u) -> int {
      auto* f = static_cast<Flatten*>(u);
      f->out->emplace_back();
      f->at = *to;
      f->out->back().push_back(pt(*to));
      return 0;
    };
    funcs.line_to = [](FT_Vector const* to, void* u) -> int {
      auto* f = static_cast<Flatten*>(u);
      if (f->out->empty()) f->out->emplace_back();
      f->out->back().push_back(pt(*to));
      f->at = *to;
      return 0;
    };
    funcs.conic_to = [](FT_Vector const* c1, FT_Vector const* to, void* u) -> int {
      auto* f = static_cast<Flatten*>(u);
      if (f->out->empty()) f->out->emplace_back();
      for (int i = 1; i <= f->steps; ++i) {
        double t = double(i) / f->steps, s = 1 - t;
        f->out->back().push_back({(s * s * f->at.x + 2 * s * t * c1->x + t * t * to->x) / 64.0,
                                   -(s * s * f->at.y + 2 * s * t * c1->y + t * t * to->y) / 64.0});
      }
      f->at = *to;
      return 0;
    };
    funcs.cubic_to = [](FT_Vector const* c1, FT_Vector const* c2, FT_Vector const* to, void* u) -> int {
      auto* f = static_cast<Flatten*>(u);
      if (f->out->empty()) f->out->emplace_back();
      for (int i = 1; i <= f->steps; ++i) {
        double t = double(i) / f->steps, s = 1 - t;
        double a = s * s * s, b = 3 * s * s * t, cc = 3 * s * t * t, d = t * t * t;
        f->out->back().push_back({(a * f->at.x + b * c1->x + cc * c2->x + d * to->x) / 64.0,
                                   -(a * f->at.y + b * c1->y + cc * c2->y + d * to->y) / 64.0});
      }
      f->at = *to;
      return 0;
    };
    FT_Outline_Decompose(o, &funcs, &fl);
    std::erase_if(out, [](auto const& ring) { return ring.size() < 3; });
    return out;
  }

  TGlyphCoverage coverage(char32_t c, double const m[4], double fx, double fy, bool antialias) const override {
    TGlyphCoverage cov;
    if (!fface) return cov;
    std::lock_guard g(world().lock);
    if (FtFont const* f = fallbackFor(c)) return f->coverage(c, m, fx, fy, antialias);
    // Upright glyphs on whole pixels are the common case: rendered once per font.
    bool upright = m[0] == 1 && m[1] == 0 && m[2] == 0 && m[3] == 1 && fx == 0 && fy == 0;
    uint64_t key = (uint64_t(c) << 1) | (antialias ? 1u : 0u);
    if (upright)
      if (auto it = fcov.find(key); it != fcov.end()) return it->second;
    cov = render(c, m, fx, fy, antialias);
    if (upright) {
      // Kept within a few megabytes per font: huge sizes render each time instead.
      if (fcovBytes + cov.alpha.size() > (4u << 20)) {
        fcov.clear();
        fcovBytes = 0;
      }
      if (cov.alpha.size() <= (1u << 20)) {
        fcovBytes += cov.alpha.size();
        fcov[key] = cov;
      }
    }
    return cov;
  }

  TGlyphCoverage render(char32_t c, double const m[4], double fx, double fy, bool antialias) const {
    TGlyphCoverage cov;
    // A frame that blows a glyph up beyond any surface is not rendered at all.
    double reach = std::max({std::abs(m[0]), std::abs(m[1]), std::abs(m[2]), std::abs(m[3])});
    if (!std::isfinite(reach) || reach * fppem > 16384) return cov;
    if (!load(c, antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO)) return cov;
    FT_GlyphSlot slot = fface->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return cov;
    shape(&slot->outline);
    // Glyph space is y up, our matrix works y down: conjugate by the flip.
    FT_Matrix mt{FT_Fixed(m[0] * 65536), FT_Fixed(-m[2] * 65536), FT_Fixed(-m[1] * 65536), FT_Fixed(m[3] * 65536)};
    FT_Outline_Transform(&slot->outline, &mt);
    FT_Outline_Translate(&slot->outline, FT_Pos(std::lround(fx * 64)), FT_Pos(-std::lround(fy * 64)));
    if (FT_Render_Glyph(slot, antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return cov;
    FT_Bitmap const& bm = slot->bitmap;
    cov.left = slot->bitmap_left;
    cov.top = -slot->bitmap_top;
    cov.width = int(bm.width);
    cov.height = int(bm.rows);
    cov.alpha.assign(size_t(cov.width) * size_t(cov.height), 0);
    for (int y = 0; y < cov.height; ++y) {
      unsigned char const* row = bm.buffer + (bm.pitch >= 0 ? y * bm.pitch : (cov.height - 1 - y) * -bm.pitch);
      for (int x = 0; x < cov.width; ++x) {
        uint8_t a = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : row[x];
        cov.alpha[size_t(y) * size_t(cov.width) + size_t(x)] = a;
      }
    }
    return cov;
  }

  std::vector<TKerningPair> kerningPairs() const override {
    std::vector<TKerningPair> out;
    if (!fface || fsym != SymbolSet::None) return out;
    std::lock_guard g(world().lock);
    FT_ULong len = 0;
    if (FT_Load_Sfnt_Table(fface, TTAG_kern, 0, nullptr, &len) != 0 || len < 4) return out;
    std::vector<uint8_t> t(len);
    if (FT_Load_Sfnt_Table(fface, TTAG_kern, 0, t.data(), &len) != 0) return out;
    auto u16 = [&](size_t at) -> unsigned { return at + 2 <= t.size() ? (unsigned(t[at]) << 8) | t[at + 1] : 0u; };
    if (u16(0) != 0) return out;  // only the Windows form of the table
    // Glyph back to character: the lowest code of each glyph.
    std::unordered_map<unsigned, char32_t> charOf;
    FT_UInt gi = 0;
    for (FT_ULong code = FT_Get_First_Char(fface, &gi); gi != 0; code = FT_Get_Next_Char(fface, code, &gi))
      charOf.emplace(gi, char32_t(code));
    double scale = double(fppem) / (fface->units_per_EM > 0 ? fface->units_per_EM : 1000);
    size_t at = 4;
    unsigned n = u16(2);
    for (unsigned k = 0; k < n && at + 6 <= t.size(); ++k) {
      unsigned length = u16(at + 2), coverage = u16(at + 4);
      if ((coverage >> 8) == 0 && (coverage & 1) && at + 14 <= t.size()) {
        unsigned pairs = u16(at + 6);
        size_t p = at + 14;
        for (unsigned i = 0; i < pairs && p + 6 <= t.size(); ++i, p += 6) {
          auto l = charOf.find(u16(p)), r = charOf.find(u16(p + 2));
          if (l == charOf.end() || r == charOf.end()) continue;
          int v = int(int16_t(uint16_t(u16(p + 4))));
          out.push_back({l->second, r->second, roundInt(v * scale)});
        }
      }
      if (length < 6) break;
      at += length;
    }
    return out;
  }

  std::vector<TUnicodeRange> unicodeRanges() const override {
    std::vector<TUnicodeRange> out;
    if (!fface) return out;
    std::lock_guard g(world().lock);
    auto add = [&](char32_t c) {
      if (!out.empty() && out.back().high + 1 == c) out.back().high = c;
      else out.push_back({c, c});
    };
    if (fsym != SymbolSet::None) {
      for (char32_t c = 0x20; c <= 0xFF; ++c)
        if (FT_Get_Char_Index(fface, mapped(c)) != 0) add(c);
      return out;
    }
    FT_UInt gi = 0;
    for (FT_ULong code = FT_Get_First_Char(fface, &gi); gi != 0; code = FT_Get_Next_Char(fface, code, &gi))
      add(char32_t(code));
    return out;
  }

 private:
  struct Flatten {
    TGlyphOutline* out;
    FT_Vector at;
    int steps;
  };
  static TGlyphPoint pt(FT_Vector const& v) { return {v.x / 64.0, -v.y / 64.0}; }

  char32_t mapped(char32_t c) const { return fontsdetail::symbolCode(fsym, c); }

  // The fallback that draws c, or nullptr when this face has it (or no face has it: the face's
  // own missing-glyph box then shows). Symbol fonts map codes, not characters: none for them.
  FtFont const* fallbackFor(char32_t c) const {
    if (fsym != SymbolSet::None || wantsNoFallback(c) || FT_Get_Char_Index(fface, c) != 0) return nullptr;
    if (auto it = fchosen.find(c); it != fchosen.end()) return it->second;
    FtFont const* pick = nullptr;
    for (auto const& f : ffallbacks)
      if (f->fface && FT_Get_Char_Index(f->fface, c) != 0) {
        pick = f.get();
        break;
      }
    if (!pick) {
      World& w = world();
      const Match m = fallbackMatch(w, c, fm.weight, fitalic);
      if (FT_Face face = openFace(w, m); face && face != fface && FT_Get_Char_Index(face, c) != 0) {
        const bool embolden = fm.weight >= 600 && FcWeightToOpenType(m.weight) < fm.weight - 150;
        const bool oblique = fitalic && m.slant == FC_SLANT_ROMAN;
        ffallbacks.push_back(
            std::make_unique<FtFont>(face, m.file, fppem, SymbolSet::None, embolden, oblique, fm.weight, fitalic));
        pick = ffallbacks.back().get();
      }
    }
    if (fchosen.size() < 4096) fchosen[c] = pick;
    return pick;
  }

  bool load(char32_t c, FT_Int32 target) const {
    if (FT_Set_Pixel_Sizes(fface, 0, FT_UInt(fppem)) != 0) return false;
    FT_UInt gi = FT_Get_Char_Index(fface, mapped(c));
    return FT_Load_Glyph(fface, gi, FT_LOAD_NO_BITMAP | target) == 0;
  }

  // Synthetic styles the face lacks.
  void shape(FT_Outline* o) const {
    if (foblique) {
      FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees
      FT_Outline_Transform(o, &shear);
    }
    if (fembolden) FT_Outline_Embolden(o, FT_Pos(std::max(64.0, fppem * 64 / 24.0)));
  }

  FT_Face fface;
  std::string ffile;
  int fppem;
  SymbolSet fsym;
  bool fembolden;
  bool foblique;
  bool fitalic;  // asked for, whether the face or a slant gives it
  TTextMetric fm;
  int funder = 1, fstrike = 1, fthick = 1;
  mutable std::unordered_map<char32_t, int> fadv;
  mutable std::unordered_map<uint64_t, TGlyphCoverage> fcov;
  mutable size_t fcovBytes = 0;
  mutable std::vector<std::unique_ptr<FtFont>> ffallbacks;  // in the order they were first taken
  mutable std::unordered_map<char32_t, FtFont const*> fchosen;  // nullptr: drawn by this face
};

// Face names differ in case only in ASCII letters in practice; others are kept as they are.
std::string cacheKey(TLogFont const& lf) {
  std::string k = lf.faceName;
  for (char& ch : k)
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  return k + "|" + std::to_string(lf.height) + "|" + std::to_string(lf.weight) + (lf.italic ? "|i" : "|r");
}

}  // namespace

std::vector<std::string> screenFontFaces() {
  World& w = world();
  std::lock_guard g(w.lock);
  loadFamilies(w);
  std::vector<std::string> out = w.families;
  for (auto const& a : kAliases) {
    if (isRealFamily(w, a.name)) continue;
    for (char const* s : a.substitutes)
      if (s && isRealFamily(w, s)) {
        out.push_back(a.name);
        break;
      }
  }
  return out;
}

bool addFontFile(std::string const& path) {
  World& w = world();
  std::lock_guard g(w.lock);
  ensureFc(w);
  if (!FcConfigAppFontAddFile(w.config, reinterpret_cast<FcChar8 const*>(path.c_str()))) return false;
  // The file's families join the list: listing every font again would scan the whole system's
  // set once per program font.
  if (w.familiesValid) addFamilies(w, FcConfigGetFonts(w.config, FcSetApplication), path.c_str());
  w.matches.clear();
  w.realized.clear();
  return true;
}

std::string resolvedFamily(std::string const& faceName) {
  World& w = world();
  std::lock_guard g(w.lock);
  std::string fam = familyFor(w, faceName);
  if (!fam.empty()) return fam;
  Match m = matchFont(w, faceName, FW_NORMAL, false);
  FT_Face f = openFace(w, m);
  return f && f->family_name ? std::string(f->family_name) : std::string();
}

bool isFaceListed(std::string const& faceName) {
  auto faces = screenFontFaces();
  return std::any_of(faces.begin(), faces.end(), [&](std::string const& f) { return sameNoCase(f, faceName); });
}

std::shared_ptr<TRealizedFont const> realizeFont(TLogFont const& lf) {
  World& w = world();
  std::lock_guard g(w.lock);
  std::string key = cacheKey(lf);
  if (auto it = w.realized.find(key); it != w.realized.end()) return it->second;
  std::string fam = familyFor(w, lf.faceName);
  if (fam.empty()) fam = lf.faceName;  // fontconfig picks its best for a name nobody knows
  int weight = lf.weight <= 0 ? FW_NORMAL : lf.weight;
  Match m = matchFont(w, fam, weight, lf.italic);
  FT_Face face = openFace(w, m);
  if (!face) {
    m = matchFont(w, "DejaVu Sans", weight, lf.italic);
    face = openFace(w, m);
  }
  int ppem = 16;
  if (face) {
    double upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double cell = os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0
                      ? double(os2->usWinAscent + os2->usWinDescent)
                      : double(face->ascender - face->descender);
    // Heights beyond what any screen shows are held to a size that still renders in memory.
    int h = std::clamp(lf.height, -4096, 4096);
    if (h < 0) ppem = -h;
    else if (h > 0) ppem = std::max(1, roundInt(h * upem / cell));
  }
  bool embolden = weight >= 600 && FcWeightToOpenType(m.weight) < weight - 150;
  bool oblique = lf.italic && m.slant == FC_SLANT_ROMAN;
  SymbolSet sym = fontsdetail::symbolSetOf(lf.faceName.c_str());
  if (sym != SymbolSet::None && isRealFamily(w, lf.faceName)) sym = SymbolSet::None;  // the real font is installed
  auto f = std::make_shared<FtFont>(face, m.file, ppem, sym, embolden, oblique, weight, lf.italic);
  if (w.realized.size() > 256) w.realized.clear();
  w.realized[key] = f;
  return f;
}

}  // namespace platform
