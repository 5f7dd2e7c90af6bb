// TPDF: the document is assembled in memory object by object, with every object's offset noted
// for the cross-reference table; images wait in memory until the pages are written.
// Object order: information, then per page a content stream and its length, outlines, the
// fourteen fonts, the page tree, resources, images, pages, catalogue.
#include "imaging/r_PDF.h"

#include <zlib.h>

#include <cmath>
#include <ctime>

#include "core/r_bitmapRaw.h"
#include "core/r_log.h"
#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/imagecodec.h"
#include "platform/numbers.h"
#include "platform/surface.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "platform/x11.h"

namespace {
constexpr const char* kCRLF = "\r\n";
constexpr const char* kFontNames[14] = {
    "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique", "Courier",
    "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique", "Times-Roman",     "Times-Bold",
    "Times-Italic", "Times-BoldItalic", "Symbol",           "ZapfDingbats"};
// The largest image we place: beyond it a page would not fit the 32-bit sizes readers expect.
constexpr int64_t kMaxImagePixels = 256LL * 1024 * 1024;

void line(std::string& s, std::string_view text) {
  s.append(text);
  s.append(kCRLF);
}
std::string num(int64_t v) { return std::to_string(v); }

// Windows-1252's own places for the code points U+0080..U+009F stand in for.
char ansiByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  static constexpr struct { char32_t cp; unsigned char b; } kHigh[] = {
      {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
      {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
      {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
      {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
      {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};
  for (auto const& h : kHigh)
    if (h.cp == c) return static_cast<char>(h.b);
  return 0;
}

std::string deflated(std::string const& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

std::string creationDate() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d%H%M%S", &local);
  return buf;
}

// Rows of red, green, blue bytes, top row first, from a surface of any depth.
std::string rgbRows(platform::TSurface const& s) {
  std::string rows;
  rows.resize(size_t(s.width()) * size_t(s.height()) * 3);
  char* out = rows.data();
  for (int y = 0; y < s.height(); ++y) {
    if (s.bitsPerPixel() == 24) {
      const uint8_t* p = s.row(y);
      for (int x = 0; x < s.width(); ++x, p += 3) {
        *out++ = static_cast<char>(p[2]);
        *out++ = static_cast<char>(p[1]);
        *out++ = static_cast<char>(p[0]);
      }
    } else {
      for (int x = 0; x < s.width(); ++x) {
        platform::TColor c = s.pixel(x, y);  // 0x00BBGGRR
        *out++ = static_cast<char>(c & 0xFF);
        *out++ = static_cast<char>((c >> 8) & 0xFF);
        *out++ = static_cast<char>((c >> 16) & 0xFF);
      }
    }
  }
  return rows;
}
}  // namespace

std::string pdfAnsiText(std::string_view utf8) {
  std::string out;
  for (char32_t c : platform::toUtf32(utf8)) {
    char b = ansiByte(c);
    out.push_back(b ? b : '?');
  }
  return out;
}

std::string pdfLiteral(std::string_view bytes) {
  std::string out = "(";
  for (char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') out.push_back('\\');
    if (c == '\r') { out += "\\r"; continue; }
    if (c == '\n') { out += "\\n"; continue; }
    out.push_back(c);
  }
  out.push_back(')');
  return out;
}

std::string pdfInfoString(std::string_view utf8) {
  std::u32string cps = platform::toUtf32(utf8);
  bool ansi = true;
  for (char32_t c : cps) ansi = ansi && ansiByte(c) != 0;
  if (ansi) return pdfLiteral(pdfAnsiText(utf8));
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "<FEFF";
  auto unit = [&](uint32_t u) {
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(u >> shift) & 0xF]);
  };
  for (char32_t c : cps) {
    if (c >= 0x10000) {
      uint32_t v = c - 0x10000;
      unit(0xD800 + (v >> 10));
      unit(0xDC00 + (v & 0x3FF));
    } else {
      unit(c);
    }
  }
  out.push_back('>');
  return out;
}

TPDF::TPDF() = default;

void TPDF::beginObject(std::string& obj, int number) {
  fobject = number;
  obj.clear();
  line(obj, num(number) + " 0 obj");
}

void TPDF::endObject(std::string& obj) {
  line(obj, "endobj");
  if (foffsets.size() < size_t(fobject)) foffsets.resize(size_t(fobject));
  foffsets[size_t(fobject) - 1] = fpdf.size();
  fpdf += obj;
}

std::string TPDF::packed(std::string const& data) const { return Compress ? deflated(data) : data; }

void TPDF::BeginDoc(double widthMM, double heightMM) {
  if (widthMM != 0 && std::isfinite(widthMM) && std::isfinite(heightMM) && widthMM > 0 && heightMM > 0) {
    PageWidth = static_cast<int>(platform::Round(widthMM / 25.4 * 72));
    PageHeight = static_cast<int>(platform::Round(heightMM / 25.4 * 72));
  }
  BeginDoc();
}

void TPDF::BeginDoc() {
  // A page of no size is no page: keep the default letter size.
  if (PageWidth <= 0 || PageHeight <= 0) {
    PageWidth = 612;
    PageHeight = 792;
  }
  fpdf.clear();
  foffsets.clear();
  fpage.clear();
  fpageContents.clear();
  fimages.clear();
  ferror.clear();
  fpageNumber = 1;
  fobject = 0;
  fopen = true;
  line(fpdf, "%PDF-1.5");
  std::string obj;
  beginObject(obj, 1);
  line(obj, "<<");
  line(obj, "/Producer " + pdfInfoString(Producer));
  line(obj, "/Author " + pdfInfoString(Author));
  line(obj, "/CreationDate (D:" + creationDate() + ")");
  line(obj, "/Creator " + pdfInfoString(Creator));
  line(obj, "/Keywords " + pdfInfoString(Keywords));
  line(obj, "/Subject " + pdfInfoString(Subject));
  line(obj, "/Title " + pdfInfoString(TITLE));
  line(obj, "/ModDate ()");
  line(obj, ">>");
  endObject(obj);
  startStream();
}

void TPDF::startStream() {
  fpageContents.push_back(fobject + 1);
  fpage.clear();
}

void TPDF::endStream() {
  std::string data = packed(fpage);
  fpage.clear();
  int n = fpageContents.back();
  std::string obj;
  beginObject(obj, n);
  line(obj, "<< /Length " + num(n + 1) + " 0 R");
  if (Compress) line(obj, "/Filter [/FlateDecode]");
  line(obj, " >>");
  line(obj, "stream");
  obj += data;
  obj += kCRLF;
  line(obj, "endstream");
  endObject(obj);
  beginObject(obj, n + 1);
  line(obj, num(int64_t(data.size())));
  endObject(obj);
}

void TPDF::NewPage() {
  if (!fopen) return;
  ++fpageNumber;
  endStream();
  startStream();
}

void TPDF::DrawLine(int x1, int y1, int x2, int y2) {
  line(fpage, num(x1) + " " + num(int64_t(PageHeight) - y1) + " m");
  line(fpage, num(x2) + " " + num(int64_t(PageHeight) - y2) + " l");
  line(fpage, num(LineWidth) + " w");
  line(fpage, "S");
}

void TPDF::DrawRectangle(int x1, int y1, int x2, int y2) {
  DrawLine(x1, y1, x1, y2);
  DrawLine(x1, y2, x2, y2);
  DrawLine(x2, y2, x2, y1);
  DrawLine(x2, y1, x1, y1);
}

void TPDF::TextOut(int x, int y, std::string_view text) {
  line(fpage, "BT");
  line(fpage, "/F" + num(int(Font.Name) + 1) + " " + num(Font.Size) + " Tf");
  line(fpage, num(x) + " " + num(int64_t(PageHeight) - y) + " Td");
  line(fpage, pdfLiteral(pdfAnsiText(text)) + " Tj");
  line(fpage, "ET");
}

void TPDF::MemoOut(int x, int y, std::vector<std::string> const& lines) {
  line(fpage, "BT");
  line(fpage, "/F" + num(int(Font.Name) + 1) + " " + num(Font.Size) + " Tf");
  line(fpage, num(x) + " " + num(int64_t(PageHeight) - y) + " Td");
  for (auto const& l : lines) {
    line(fpage, pdfLiteral(pdfAnsiText(l)) + " Tj");
    line(fpage, "0 -12.5 TD");
  }
  line(fpage, "ET");
}

// The image object waits in memory until EndDoc; the page draws it w × h points large with its
// top-left corner at (x, y).
bool TPDF::placeImage(int x, int y, int width, int height, int64_t w, int64_t h, std::string rows) {
  int i = int(fimages.size()) + 1;
  line(fpage, "q");
  line(fpage, num(w) + " 0 0 " + num(h) + " " + num(x) + " " + num(int64_t(PageHeight) - y - h) + " cm");
  line(fpage, "/Im" + num(i) + " Do");
  line(fpage, "Q");
  std::string data = packed(rows);
  std::string img;
  line(img, "<< /Type /XObject");
  line(img, "/Subtype /Image");
  line(img, "/Width " + num(width));
  line(img, "/Height " + num(height));
  line(img, "/ColorSpace /DeviceRGB");
  line(img, "/BitsPerComponent 8");
  line(img, "/Length " + num(int64_t(data.size())));
  line(img, "/Name /Im" + num(i));
  if (Compress) line(img, "/Filter [/FlateDecode]");
  line(img, ">>");
  line(img, "stream");
  img += data;
  fimages.push_back(std::move(img));
  return true;
}

bool TPDF::placeAtDpi(int x, int y, int width, int height, double dpi, std::string rows) {
  return placeImage(x, y, width, height, static_cast<int64_t>(std::trunc(width * 72.0 / dpi)),
                    static_cast<int64_t>(std::trunc(height * 72.0 / dpi)), std::move(rows));
}

// A picture is as large on the page as on the screen of 8 × 10.625 inches the page stands for.
bool TPDF::placeAtScreenSize(int x, int y, int width, int height, std::string rows) {
  int dpi = platform::hasDesktop() ? platform::desktop().backend().logicalDpi() : platform::x11::xftDpi();
  if (dpi <= 0) dpi = 96;
  return placeImage(x, y, width, height, static_cast<int64_t>(std::trunc(double(width) * PageWidth / (8.0 * dpi))),
                    static_cast<int64_t>(std::trunc(double(height) * PageHeight / (10.625 * dpi))), std::move(rows));
}

bool TPDF::DrawBitmap(int x, int y, platform::TBitmap const& bm, double dpi) {
  auto const& s = bm.surface();
  if (!fopen || s.empty() || !(dpi > 0) || !std::isfinite(dpi) ||
      int64_t(s.width()) * s.height() > kMaxImagePixels) {
    log("TPDF.DrawBitmap: no image placed (empty, too large, or dpi not positive)");
    return false;
  }
  return placeAtDpi(x, y, s.width(), s.height(), dpi, rgbRows(s));
}

bool TPDF::DrawBitmap(int x, int y, TrawBitmap24& bm, double dpi) {
  if (!fopen || bm.width() <= 0 || bm.height() <= 0 || !(dpi > 0) || !std::isfinite(dpi) ||
      int64_t(bm.width()) * bm.height() > kMaxImagePixels || !bm.imageData()) {
    log("TPDF.DrawBitmap: no image placed (empty, too large, or dpi not positive)");
    return false;
  }
  return placeAtDpi(x, y, bm.width(), bm.height(), dpi, rgbRows(bm.bitmap()));
}

bool TPDF::ImageOut(int x, int y, platform::TBitmap const& picture) {
  auto const& s = picture.surface();
  if (!fopen || s.empty() || int64_t(s.width()) * s.height() > kMaxImagePixels) {
    log("TPDF.ImageOut: no image placed (no document, or the picture is empty or too large)");
    return false;
  }
  return placeAtScreenSize(x, y, s.width(), s.height(), rgbRows(s));
}

bool TPDF::ImageOut(int x, int y, platform::TrgbImage const& picture) {
  if (!fopen || picture.empty() || int64_t(picture.width) * picture.height > kMaxImagePixels ||
      picture.rgb.size() < size_t(picture.width) * size_t(picture.height) * 3) {
    log("TPDF.ImageOut: no image placed (no document, or the picture is empty or too large)");
    return false;
  }
  // Already red, green, blue rows from the top: the image buffer takes them as they are.
  return placeAtScreenSize(x, y, picture.width, picture.height,
                           std::string(picture.rgb.begin(),
                                       picture.rgb.begin() + std::ptrdiff_t(size_t(picture.width) * picture.height * 3)));
}

bool TPDF::EndDoc() {
  if (!fopen) {
    ferror = "no document begun";
    log("TPDF.EndDoc: " + ferror);
    return false;
  }
  fopen = false;
  endStream();
  std::string obj;
  const int outlines = fobject + 1;
  beginObject(obj, outlines);
  line(obj, "<< /Type /Outlines");
  line(obj, "/Count 0");
  line(obj, ">>");
  endObject(obj);
  std::vector<int> fonts;
  for (int k = 1; k <= 14; ++k) {
    fonts.push_back(fobject + 1);
    beginObject(obj, fobject + 1);
    line(obj, "<< /Type /Font");
    line(obj, "/Subtype /Type1");
    line(obj, "/Name /F" + num(k));
    line(obj, std::string("/BaseFont /") + kFontNames[k - 1]);
    line(obj, "/Encoding /WinAnsiEncoding");
    line(obj, ">>");
    endObject(obj);
  }
  const int images = int(fimages.size());
  const int parent = fobject + 1;
  const int resources = parent + 1;
  const int firstPage = parent + 2 + images;
  const int pages = int(fpageContents.size());
  beginObject(obj, parent);
  line(obj, "<< /Type /Pages");
  line(obj, "/Kids [");
  for (int i = 0; i < pages; ++i) line(obj, num(firstPage + i) + " 0 R");
  line(obj, "]");
  line(obj, "/Count " + num(pages));
  line(obj, ">>");
  endObject(obj);
  beginObject(obj, resources);
  line(obj, "<< /ProcSet [ /PDF /Text /ImageC]");
  line(obj, "/XObject << ");
  for (int i = 1; i <= images; ++i) line(obj, "/Im" + num(i) + " " + num(resources + i) + " 0 R");
  line(obj, ">>");
  line(obj, "/Font << ");
  for (int k = 1; k <= 14; ++k) line(obj, "/F" + num(k) + " " + num(fonts[size_t(k) - 1]) + " 0 R ");
  line(obj, ">>");
  line(obj, ">>");
  endObject(obj);
  for (int i = 1; i <= images; ++i) {
    beginObject(obj, resources + i);
    obj += fimages[size_t(i) - 1];
    obj += kCRLF;
    line(obj, "endstream");
    endObject(obj);
  }
  fimages.clear();
  for (int i = 0; i < pages; ++i) {
    beginObject(obj, firstPage + i);
    line(obj, "<< /Type /Page");
    line(obj, "/Parent " + num(parent) + " 0 R");
    line(obj, "/MediaBox [ 0 0 " + num(PageWidth) + " " + num(PageHeight) + "]");
    line(obj, "/Contents " + num(fpageContents[size_t(i)]) + " 0 R");
    line(obj, "/Resources " + num(resources) + " 0 R");
    line(obj, ">>");
    endObject(obj);
  }
  const int catalog = fobject + 1;
  beginObject(obj, catalog);
  line(obj, "<< /Type /Catalog");
  line(obj, "/Pages " + num(parent) + " 0 R");
  line(obj, "/Outlines " + num(outlines) + " 0 R");
  line(obj, ">>");
  endObject(obj);

  const size_t xref = fpdf.size();
  const int n = fobject + 1;
  line(fpdf, "xref");
  line(fpdf, "0 " + num(n));
  // Entries are exactly 20 bytes: ten digits, blank, five digits, blank, keyword, CR LF.
  line(fpdf, "0000000000 65535 f");
  for (int k = 0; k < n - 1; ++k) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n", foffsets[size_t(k)]);
    line(fpdf, entry);
  }
  line(fpdf, "trailer");
  line(fpdf, "<< /Size " + num(n));
  line(fpdf, "/Root " + num(catalog) + " 0 R");
  line(fpdf, "/Info 1 0 R");
  line(fpdf, ">>");
  line(fpdf, "startxref");
  line(fpdf, num(int64_t(xref)));
  line(fpdf, "%%EOF");

  std::string why;
  bool ok = !FileName.empty() && platform::replaceFileContents(FileName, fpdf, &why);
  if (!ok) {
    ferror = FileName.empty() ? std::string("no file name") : why;
    log("TPDF.EndDoc: cannot write \"" + FileName + "\": " + ferror);
  }
  fpdf.clear();
  fpdf.shrink_to_fit();
  return ok;
}

bool TPDF::bmToPdf(int width, int height, double widthmm, const std::string& pdfFile, auto&& draw) {
  if (width <= 0 || height <= 0 || !(widthmm > 0) || !std::isfinite(widthmm)) {
    ferror = "empty bitmap or a width that is not positive";
    log("TPDF.BMtoPDF: " + ferror);
    return false;
  }
  FileName = pdfFile;
  double inches = widthmm / 25.4;
  PageWidth = static_cast<int>(platform::Round(72 * inches));
  PageHeight = static_cast<int>(platform::Round(72 * inches * height / width));
  BeginDoc();
  if (!draw(width / inches)) {
    fopen = false;
    ferror = "the bitmap could not be placed";
    return false;
  }
  return EndDoc();
}

bool TPDF::BMtoPDF(platform::TBitmap const& bm, double widthmm, const std::string& pdfFile) {
  return bmToPdf(bm.Width(), bm.Height(), widthmm, pdfFile,
                 [&](double dpi) { return DrawBitmap(0, 0, bm, dpi); });
}

bool TPDF::BMtoPDF(TrawBitmap24& bm, double widthmm, const std::string& pdfFile) {
  return bmToPdf(bm.width(), bm.height(), widthmm, pdfFile,
                 [&](double dpi) { return DrawBitmap(0, 0, bm, dpi); });
}
