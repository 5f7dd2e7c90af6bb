// Tnorthdata and Tnorth: settings lines, and the drawing of each north style. A rose's stars are
// drawn as light and dark halves of each point; the letters stand 1.08 radii out, turned with
// true north when it is shown. Compass letters are counted in code points.
#include "clock/r_furniture.h"

#include <algorithm>
#include <cmath>

#include "core/Ttrans.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "platform/imagecodec.h"
#include "platform/numbers.h"
#include "platform/text.h"

using namespace platform;

namespace {
constexpr double kPi = 3.14159265358979323846;
int rnd(double v) { return std::isfinite(v) ? int(std::nearbyint(v)) : 0; }
int32_t fade(int32_t c, int32_t t, double p) { return TosDrawing::FadeColour(c, t, p); }
std::string programFont() { return os ? os->fontname() : std::string("Open Sans"); }
std::string word(std::string const& group, std::string const& term) { return os ? os->wd(group, term) : term; }

// The code points of a UTF-8 text, each as its own UTF-8 piece.
std::vector<std::string> codePoints(std::string const& s) {
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    n = std::min(n, s.size() - i);
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

void transparentText(TCanvas& canvas) {
  if (canvas.Handle()) canvas.Handle()->setBkMode(BkMode::Transparent);
}

// Loads BMP through the pixel buffer, PNG and JPEG through the platform codecs.
std::unique_ptr<TBitmap> readPicture(std::string const& name) {
  auto bm = std::make_unique<TBitmap>();
  bm->SetPixelFormat(pf24bit);
  TrawBitmap24 raw;
  if (raw.loadfromFile(name)) {
    bm->SetSize(raw.width(), raw.height());
    BitBlt(bm->dc(), 0, 0, raw.width(), raw.height(), &raw.dc(), 0, 0, SRCCOPY);
    return bm;
  }
  TrgbImage img;
  std::string error;
  if (!decodeImageFile(name, img, error) || img.empty()) return nullptr;
  bm->SetSize(img.width, img.height);
  for (int y = 0; y < img.height; ++y) {
    uint8_t* row = bm->ScanLine(y);
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* p = img.pixel(x, y);
      row[3 * x] = p[2];
      row[3 * x + 1] = p[1];
      row[3 * x + 2] = p[0];
    }
  }
  return bm;
}
}  // namespace

Tnorthdata::Tnorthdata() { clear(); }
Tnorthdata::~Tnorthdata() = default;

void Tnorthdata::clear() {
  ch = 65;
  symbolfont = "Wingdings";
  fontname = programFont();
  trueNorth = 0;
  showTrueNorth = false;
  northstring = word("general", "North");
  NESWstring = word("general", "NESW");
  meta.reset();
  fbm.reset();
}

void Tnorthdata::assign(Tnorthdata const& s) {
  option = s.option;
  colour = s.colour;
  ch = s.ch;
  symbolfont = s.symbolfont;
  fontname = s.fontname;
  trueNorth = s.trueNorth;
  showTrueNorth = s.showTrueNorth;
  northstring = s.northstring;
  NESWstring = s.NESWstring;
  bold = s.bold;
  italic = s.italic;
  if (s.meta) meta = std::make_unique<TMetafile>(*s.meta);
  if (s.fbm) {
    fbm = std::make_unique<TBitmap>();
    fbm->SetPixelFormat(pf24bit);
    fbm->SetSize(s.fbm->Width(), s.fbm->Height());
    BitBlt(fbm->dc(), 0, 0, s.fbm->Width(), s.fbm->Height(), &s.fbm->dc(), 0, 0, SRCCOPY);
  }
}

void Tnorthdata::loadImage(std::string const& name) {
  fbm.reset();
  meta.reset();
  filename = name;
  if (!TosFiles::FileExists(name)) return;
  const int type = TosFileTypes::getFileType(name);
  if ((type >= file_bmp && type <= file_jpeg) || type == file_png) {
    if (auto bm = readPicture(name)) {
      fbm = std::move(bm);
      option = n_bmp;
    }
  }
  // Enhanced metafiles (type 18) have no reader here: the style stays as it was.
}

void Tnorthdata::loadFromList(TStringList const& list) {
  clear();
  for (int i = 0; i < list.count(); ++i) {
    std::string rest = list[i];
    const size_t eq = rest.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = TosText::GetnextEx(rest, '=');
    const std::string value = rest;
    auto installed = [](std::string const& f) { return !f.empty() && fontman && fontman->fonts().indexOf(f) >= 0; };
    if (key == "bold") bold = value == "yes";
    else if (key == "italic") italic = value == "yes";
    else if (key == "font") {
      if (installed(value)) fontname = value;
    } else if (version == 3) {
      if (key == "north choice") option = TosNumberText::StrToInt(value);
    } else if (key == "north type") option = TosNumberText::StrToInt(value);
    else if (key == "symbol font") symbolfont = value;
    else if (key == "symbol") ch = TosNumberText::StrToInt(value);
    else if (key == "colour") colour = TosNumberText::StrToInt(value);
    else if (key == "true north") trueNorth = os ? os->StrToDoubleUK(value) : std::atof(value.c_str());
    else if (key == "show true north") showTrueNorth = value == "yes";
    else if (key == "filename") loadImage(value);
  }
}

void Tnorthdata::saveToList(TStringList& list) const {
  list.add("north type=" + std::to_string(option));
  if (fontname != programFont()) list.add("font=" + fontname);
  if (option == n_font) {
    if (symbolfont != "Wingdings") list.add("symbol font=" + symbolfont);
    // Compared with the loader's default, so a saved object reads back the same.
    if (ch != 65) list.add("symbol=" + std::to_string(ch));
  }
  if ((option == n_bmp || option == n_emf) && !filename.empty()) list.add("filename=" + filename);
  if (bold) list.add("bold=yes");
  if (italic) list.add("italic=yes");
  if (colour != 0) list.add("colour=" + std::to_string(colour));
  if (trueNorth != 0) {
    list.add("true north=" + (os ? os->DoubleToStrUK(trueNorth, 2) : std::to_string(trueNorth)));
    if (showTrueNorth) list.add("show true north=yes");
  }
}

// ---- drawing -----------------------------------------------------------------------------------

int Tnorth::getH(TRect const& box) { return std::min(box.Bottom - box.Top, box.Right - box.Left); }

std::string Tnorth::letter(int index) {
  auto cps = codePoints(NESWstring);
  while (cps.size() < 4) {
    NESWstring += ' ';
    cps.push_back(" ");
  }
  return cps[size_t(index)];
}

void Tnorth::Draw(TCanvas& canvas, int choice, TRect box, double aPpmm) {
  ppmm = aPpmm;
  canvas.Font.Color = TColor(colour);
  canvas.Pen.Color = TColor(colour);
  canvas.Brush.Color = TColor(colour);
  canvas.Brush.Style = bsSolid;
  canvas.Font.setStyle(0);
  switch (choice) {
    case n_arrow0: NorthFontAndLabel(canvas, box, "Wingdings", 217, 1.0); break;
    case n_arrow1: NorthFontAndLabel(canvas, box, "Wingdings", 225, 0.8); break;
    case n_arrow2: NorthFontAndLabel(canvas, box, "Wingdings", 233, 0.8); break;
    case n_arrow3: NorthFontAndLabel(canvas, box, "Wingdings", 241, 1.0); break;
    case n_arrow4: NandArrow(canvas, box); break;
    case n_rose0: case n_rose1: case n_rose2: case n_rose3: case n_rose4: case n_rose5: case n_rose6: case n_rose7:
      Rose(canvas, box, choice);
      break;
    case n_font: NorthFont(canvas, box); break;
    case n_bmp: case n_emf: NorthFile(canvas, box); break;
    case n_old0: case n_old1: case n_old2: case n_old3: version3(canvas, box, choice); break;
    default: break;
  }
}

void Tnorth::NorthFontAndLabel(TCanvas& canvas, TRect box, std::string const& font, int index, double factor) {
  const int m = std::min(box.Right - box.Left, box.Bottom - box.Top) / 8;
  box = {box.Left + m, box.Top + m, box.Right - m, box.Bottom - m};
  const int h = getH(box), c = rnd(0.6 * h);
  if (h <= 0 || !fontman) return;
  const std::string glyph = fromCodePoint(char32_t(index));
  canvas.Font.setName(font);
  canvas.Font.setHeight(-c);
  const int gh = std::max(1, canvas.TextExtent(glyph).cy);
  canvas.Font.setHeight(rnd(double(c) / gh * -c * 1.4 * factor));
  TfontMan::align(canvas, TA_CENTER | TA_TOP);
  transparentText(canvas);
  canvas.TextOut((box.Left + box.Right) / 2, box.Top - rnd(h / 12.0), glyph);
  canvas.Font.setHeight(-(h - c));
  canvas.Font.setName(fontname);
  canvas.Font.setStyle((bold ? fsBold : 0) | (italic ? fsItalic : 0));
  const int w = canvas.TextWidth(northstring);
  if (w > rnd(0.9 * h) && w > 0) canvas.Font.setHeight(-rnd(0.9 * h / w * 0.4 * h));
  canvas.TextOut((box.Left + box.Right) / 2, box.Top + c, northstring);
  TfontMan::align(canvas, TA_LEFT | TA_TOP);
}

void Tnorth::NandArrow(TCanvas& canvas, TRect box) {
  const int h = getH(box);
  canvas.Font.setName(fontname);
  canvas.Font.setHeight(-rnd(0.7 * h));
  TfontMan::align(canvas, TA_CENTER | TA_TOP);
  transparentText(canvas);
  canvas.TextOut((box.Left + box.Right) / 2, box.Top + rnd(0.15 * h), letter(0));
  TfontMan::align(canvas, TA_LEFT | TA_TOP);
  VerticalArrow(canvas, box, 0);
}

void Tnorth::VerticalArrow(TCanvas& canvas, TRect box, int kind) {
  const int h = getH(box);
  const int left = (box.Left + box.Right - h) / 2, top = (box.Top + box.Bottom - h) / 2;
  auto P = [&](int x, int y) { return TPoint{left + rnd(x * h / 1000.0), top + rnd(y * h / 1000.0)}; };
  canvas.BeginPath();
  if (kind == 0) {
    const TPoint pts[] = {P(500, 100), P(600, 300), P(520, 235), P(520, 900), P(480, 900), P(480, 235), P(400, 300),
                          P(500, 100)};
    canvas.Polygon(pts);
  }
  canvas.EndPath();
  canvas.FillPath();
}

void Tnorth::NorthFont(TCanvas& canvas, TRect box) {
  canvas.Font.setStyle((bold ? fsBold : 0) | (italic ? fsItalic : 0));
  const int m = (box.Bottom - box.Top) / 10;
  box = {box.Left + m, box.Top + m, box.Right - m, box.Bottom - m};
  if (fontman) fontman->drawCharInBox(canvas, fromCodePoint(char32_t(ch)), symbolfont, box);
  canvas.Font.setStyle(0);
}

void Tnorth::NorthFile(TCanvas& canvas, TRect box) {
  if (fbm && os) {
    os->BitmapToBox(canvas, *fbm, box, int32_t(0xFFFFFF));
  } else if (meta && os) {
    os->MetafileToBox(canvas, *meta, box, true);
  } else {
    canvas.Pen.Color = 0xC0C0C0;
    canvas.Pen.Width = 1;
    canvas.Brush.Color = clWhite;
    canvas.Brush.Style = bsSolid;
    canvas.Rectangle(box);
    canvas.Pen.Color = clBlack;
  }
}

void Tnorth::Rose(TCanvas& canvas, TRect box, int choice) {
  colour1 = fade(colour, 0xFFFFFF, 45);
  colour2 = fade(colour, 0xFFFFFF, 70);
  const int h = getH(box);
  int R = rnd((h / 2) * 0.8), r = rnd(R * 0.35);
  const int xc = (box.Left + box.Right) / 2, yc = (box.Top + box.Bottom) / 2;
  box = {xc - h / 2, yc - h / 2, xc - h / 2 + h, yc - h / 2 + h};
  auto getw = [h](double p) { return std::max(1, rnd(h * p / 100)); };
  const bool withTrue = trueNorth != 0 && showTrueNorth;
  if (withTrue) {
    canvas.Pen.Width = getw(0.8);
    canvas.Pen.Color = TColor(fade(colour, 0xFFFFFF, 20));
    const int y2 = yc - rnd(R * 1.35), k = R / 12;
    canvas.MoveTo(xc, yc);
    canvas.LineTo(xc, y2);
    canvas.MoveTo(xc - k, y2 + k);
    canvas.LineTo(xc, y2);
    canvas.LineTo(xc + k, y2 + k);
    if (fontman) {
      canvas.Font.setName(fontname);
      canvas.Font.Color = TColor(colour);
      canvas.Font.setSize(std::max(1, fontman->fontsizePx(fontname, h * 0.025 / TfontMan::ppmm(canvas))));
      TfontMan::align(canvas, TA_CENTER | TA_TOP);
      transparentText(canvas);
      fontman->fontSpace(canvas, 10);
      fontman->BaseTextOut(canvas, xc, y2 - k / 4, word("navigate", "GRID NORTH"));
      fontman->fontSpace(canvas, 0);
    }
  }
  canvas.Brush.Color = clWhite;
  canvas.Pen.Width = getw(0.2);

  // One star: light halves forward of each point, dark halves back.
  auto doit = [&](int32_t fill, bool back, double start, int r1, int r2, double step, bool shorten) {
    if (showTrueNorth) start -= trueNorth;
    const int count = step == 45 ? 4 : 8;
    const double spacing = step == 45 ? 90 : 45;
    for (int i = 0; i < count; ++i) {
      const double a = (i * spacing + start) * kPi / 180, b2 = (back ? a - step * kPi / 180 : a + step * kPi / 180);
      const double r0 = shorten && (i % 2 == 1) ? 0.8 * r1 : r1;
      canvas.Brush.Color = TColor(fill);
      canvas.Brush.Style = bsSolid;
      canvas.BeginPath();
      canvas.MoveTo(xc, yc);
      canvas.LineTo(xc + rnd(r0 * std::sin(a)), yc + rnd(r0 * std::cos(a)));
      canvas.LineTo(xc + rnd(r2 * std::sin(b2)), yc + rnd(r2 * std::cos(b2)));
      canvas.LineTo(xc, yc);
      canvas.EndPath();
      canvas.StrokeAndFillPath();
    }
  };
  if (choice >= 5 && choice <= 10) {
    canvas.Pen.Color = TColor(colour1);
    doit(fade(colour1, 0xFFFFFF, 60), false, 22.5, R, r, 22.5, false);
    doit(colour1, true, 22.5, R, r, 22.5, false);
  }
  if (choice == 6 || choice == 8 || choice == 10) {
    canvas.Pen.Color = TColor(colour2);
    const int R2 = rnd(0.9 * R), r2 = rnd(0.4 * R);
    doit(fade(colour2, 0xFFFFFF, 60), false, 11.25, R2, r2, 11.25, false);
    doit(colour2, true, 11.25, R2, r2, 11.25, false);
    doit(fade(colour2, 0xFFFFFF, 60), false, -11.25, R2, r2, 11.25, false);
    doit(colour2, true, -11.25, R2, r2, 11.25, false);
  }
  if (choice == 7 || choice == 8) {
    r = R / 2;
    canvas.Pen.Color = TColor(colour);
  }
  if (choice == 9 || choice == 10) {
    canvas.Brush.Color = clWhite;
    canvas.Ellipse(xc - R / 2, yc - R / 2, xc + R / 2, yc + R / 2);
  }
  canvas.Pen.Color = TColor(colour);
  if (choice >= 5 && choice <= 10) {
    doit(fade(colour, 0xFFFFFF, 60), false, 0, R, r, 22.5, true);
    doit(colour, true, 0, R, r, 22.5, true);
  } else {
    doit(fade(colour, 0xFFFFFF, 60), false, 0, R, r, 45, false);
    doit(colour, true, 0, R, r, 45, false);
  }

  // The letters.
  R = rnd(R * 1.05);
  canvas.Font.setName(fontname);
  canvas.Font.Color = TColor(colour);
  canvas.Font.setStyle((bold ? fsBold : 0) | (italic ? fsItalic : 0));
  if (fontman) canvas.Font.setSize(std::max(1, fontman->fontsizePx(fontname, h * 0.075 / TfontMan::ppmm(canvas))));
  transparentText(canvas);
  const double M = R * 1.08;
  const std::string N = letter(0), E = letter(1), S = letter(2), W = letter(3);
  TfontMan::align(canvas, TA_CENTER | TA_TOP);
  if (!withTrue) {
    if (fontman) {
      fontman->VCentredText(canvas, xc, rnd(yc - M), N);
      fontman->VCentredText(canvas, rnd(xc + M), yc, E);
      fontman->VCentredText(canvas, xc, rnd(yc + M), S);
      fontman->VCentredText(canvas, rnd(xc - M), yc, W);
    }
  } else {
    const double t = trueNorth * kPi / 180, sn = std::sin(t), cs = std::cos(t);
    Ttrans turn;
    auto place = [&](double x, double y, std::string const& s) {
      turn.move(canvas, x, y, t);
      if (s == "N" && fontman) {
        canvas.Font.setSize(std::max(1, rnd(canvas.Font.Size() * 0.6)));
        fontman->fontSpace(canvas, 10);
        fontman->VCentredText(canvas, 0, 0, word("navigate", "TRUE NORTH"));
        fontman->fontSpace(canvas, 0);
      } else if (fontman) {
        fontman->VCentredText(canvas, 0, 0, s);
      }
      turn.clear();
    };
    place(xc + M * cs, yc + M * sn, E);
    place(xc - M * sn, yc + M * cs, S);
    place(xc - M * cs, yc - M * sn, W);
    place(xc + M * sn, yc - M * cs, N);
  }
  TfontMan::align(canvas, TA_LEFT | TA_TOP);
}

void Tnorth::version3(TCanvas& canvas, TRect box, int choice) {
  const int r = getH(box) / 2;
  const int x = (box.Left + box.Right) / 2, y = (box.Top + box.Bottom) / 2;
  canvas.Pen.Color = clBlack;
  canvas.Pen.Width = 1;
  canvas.Font.Color = clBlack;
  canvas.Brush.Color = clWhite;
  canvas.Brush.Style = bsSolid;
  transparentText(canvas);
  auto doname = [&] {
    if (!fontman) return;
    canvas.Font.setName(fontname);
    canvas.Font.setStyle((bold ? fsBold : 0) | (italic ? fsItalic : 0));
    canvas.Font.setHeight(fontman->fontHeight(canvas, rnd(0.4 * r)));
    TfontMan::align(canvas, TA_CENTER | TA_TOP);
    fontman->TopTextOut(canvas, x, y + rnd(r / 8.0), northstring);
  };
  auto poly = [&](std::initializer_list<TPoint> pts) { canvas.Polygon(std::span<TPoint const>(pts.begin(), pts.size())); };
  switch (choice) {
    case n_old0:
      canvas.Ellipse(x - r, y - r, x + r, y + r);
      canvas.Brush.Color = clBlack;
      poly({{x - r, y}, {x - 2, y - r}, {x + r - 4, y}});
      doname();
      break;
    case n_old1:
      canvas.Brush.Color = clBlack;
      poly({{x - r / 2, y - r / 4}, {x, y - r}, {x + r / 2, y - r / 4}, {x, y - r / 2}});
      canvas.MoveTo(x, y + r);
      canvas.LineTo(x, y - r);
      doname();
      break;
    case n_old2: {
      canvas.Ellipse(x - r, y - r, x + r, y + r);
      for (int j = 0; j < 36; ++j) {
        const double a = j * 10 * kPi / 180, L = j % 3 == 0 ? r : 0.85 * r;
        canvas.MoveTo(rnd(x + std::sin(a) * L), rnd(y + std::cos(a) * L));
        canvas.LineTo(rnd(x + std::sin(a) * 0.7 * r), rnd(y + std::cos(a) * 0.7 * r));
      }
      const int q = rnd(0.7 * r);
      canvas.Ellipse(x - q, y - q, x + q, y + q);
      canvas.MoveTo(x, y + r);
      canvas.LineTo(x, y - r);
      canvas.MoveTo(x - r, y);
      canvas.LineTo(x + r, y);
      canvas.Brush.Color = clBlack;
      poly({{rnd(x - 0.2 * r), rnd(y - 0.3 * r)}, {x, rnd(y - 0.7 * r)}, {rnd(x + 0.2 * r), rnd(y - 0.3 * r)}});
      break;
    }
    case n_old3: {
      auto turned = [&](double px, double py, double a) {
        const double dx = px - x, dy = py - y, d = std::hypot(dx, dy);
        const double ang = std::atan2(dx, dy) + a;
        return TPoint{x + rnd(std::sin(ang) * d), y + rnd(std::cos(ang) * d)};
      };
      auto quarter = [&](int32_t fill, double side) {
        canvas.Brush.Color = TColor(fill);
        for (int k = 0; k < 4; ++k) {
          const double a = k * kPi / 2;
          const TPoint pts[] = {{x, y}, turned(x, y - 0.6 * r, a), turned(x + side * 0.15 * r, y - 0.15 * r, a), {x, y}};
          canvas.Polygon(pts);
        }
      };
      quarter(0xFFFFFF, -1);
      quarter(0x808080, 1);
      if (!fontman) break;
      canvas.Font.setName(fontname);
      canvas.Font.setStyle((bold ? fsBold : 0) | (italic ? fsItalic : 0));
      canvas.Font.setSize(std::max(1, rnd(r / 6.0)));
      TfontMan::align(canvas, TA_CENTER | TA_BOTTOM);
      canvas.TextOut(rnd(x - 0.02 * r), rnd(y - 0.6 * r), letter(0));
      TfontMan::align(canvas, TA_CENTER | TA_TOP);
      canvas.TextOut(rnd(x - 0.02 * r), rnd(y + 0.62 * r), letter(2));
      TfontMan::align(canvas, TA_LEFT | TA_TOP);
      canvas.TextOut(rnd(x + 0.63 * r), rnd(y - r / 12.0), letter(1));
      TfontMan::align(canvas, TA_RIGHT | TA_TOP);
      canvas.TextOut(rnd(x - 0.65 * r), rnd(y - r / 12.0), letter(3));
      break;
    }
    default: break;
  }
  TfontMan::align(canvas, TA_LEFT | TA_TOP);
}
