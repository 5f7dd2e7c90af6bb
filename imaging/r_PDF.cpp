// TPDF: the document is assembled in memory object by object, with every object's offset noted
// for the cross-reference table; images wait in memory, compressed, until the pages are written.
// Images are deflated row by row after the PNG predictors (r_PDF_rows), declared by /DecodeParms.
// Object order: information, then per page a content stream and its length, outlines, the
// fourteen fonts, the page tree, resources, images, pages, catalogue.
#include "imaging/r_PDF.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "core/r_bitmapRaw.h"
#include "core/r_log.h"
#include "imaging/r_PDF_rows.h"
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

// zlib's deflate at its default level into a string that grows by what it is given; nothing is
// zero-filled ahead of the output.
class Tdeflater {
 public:
  Tdeflater() : fchunk(new Bytef[kChunk]) { fok = deflateInit(&fz, Z_DEFAULT_COMPRESSION) == Z_OK; }
  ~Tdeflater() {
    if (fok) deflateEnd(&fz);
  }
  Tdeflater(const Tdeflater&) = delete;
  Tdeflater& operator=(const Tdeflater&) = delete;

  void add(const void* data, size_t size) { run(data, size, Z_NO_FLUSH); }
  // The whole stream; false (and nothing) when zlib failed, which is only for want of memory.
  bool finish(std::string& out) {
    run(nullptr, 0, Z_FINISH);
    out = fok ? std::move(fout) : std::string();
    return fok;
  }

 private:
  static constexpr uInt kChunk = 1 << 16;
  static constexpr size_t kLargestInput = size_t(1) << 30;  // zlib counts input in 32 bits

  void run(const void* data, size_t size, int flush) {
    const Bytef* in = static_cast<const Bytef*>(data);
    do {
      const size_t part = std::min(size, kLargestInput);
      fz.next_in = const_cast<Bytef*>(in);
      fz.avail_in = static_cast<uInt>(part);
      in += part;
      size -= part;
      const int mode = size > 0 ? Z_NO_FLUSH : flush;
      do {
        if (!fok) return;
        fz.next_out = fchunk.get();
        fz.avail_out = kChunk;
        const int rc = deflate(&fz, mode);
        if (rc == Z_STREAM_ERROR) fok = false;
        fout.append(reinterpret_cast<const char*>(fchunk.get()), kChunk - fz.avail_out);
      } while (fz.avail_out == 0);
    } while (size > 0);
  }

  z_stream fz{};
  std::unique_ptr<Bytef[]> fchunk;
  std::string fout;
  bool fok = false;
};

bool deflated(std::string const& data, std::string& out) {
  Tdeflater z;
  z.add(data.data(), data.size());
  return z.finish(out);
}

std::string creationDate() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d%H%M%S", &local);
  return buf;
}

// Row y (from the top) of a surface of any depth as red, green, blue bytes.
void surfaceRow(platform::TSurface const& s, int y, uint8_t* out) {
  if (s.bitsPerPixel() == 24) {
    const uint8_t* p = s.row(y);
    for (int x = 0; x < s.width(); ++x, p += 3, out += 3) {
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
    }
    return;
  }
  for (int x = 0; x < s.width(); ++x, out += 3) {
    platform::TColor c = s.pixel(x, y);  // 0x00BBGGRR
    out[0] = uint8_t(c & 0xFF);
    out[1] = uint8_t((c >> 8) & 0xFF);
    out[2] = uint8_t((c >> 16) & 0xFF);
  }
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

// The object begun last starts here.
void TPDF::noteOffset() {
  if (foffsets.size() < size_t(fobject)) foffsets.resize(size_t(fobject));
  foffsets[size_t(fobject) - 1] = written();
}

void TPDF::endObject(std::string& obj) {
  line(obj, "endobj");
  noteOffset();
  fpdf += obj;
}

bool TPDF::packed(std::string const& data, std::string& out) const {
  if (Compress) return deflated(data, out);
  out = data;
  return true;
}

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
  fparts.clear();
  fpartsBytes = 0;
  foffsets.clear();
  fpage.clear();
  fpageContents.clear();
  fimages.clear();
  ferror.clear();
  fcompressFailed = false;
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
  std::string data;
  if (!packed(fpage, data)) fcompressFailed = true;
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
// top-left corner at (x, y). Rows come one at a time, so the image is never held uncompressed.
bool TPDF::placeImage(int x, int y, int width, int height, int64_t w, int64_t h, TrowSource const& rows) {
  const int i = int(fimages.size()) + 1;
  const size_t stride = size_t(width) * 3;
  TimageObject img;
  if (Compress) {
    // Two rows with three zero bytes before each (the left of the first pixel), then one output
    // row per filter; the row above the first is zeros.
    const size_t padded = stride + 3;
    std::unique_ptr<uint8_t[]> buf(new uint8_t[2 * padded + 4 * (stride + 1)]);
    std::fill_n(buf.get(), 2 * padded, uint8_t(0));
    uint8_t* prev = buf.get() + 3;
    uint8_t* cur = prev + padded;
    uint8_t* const out[4] = {buf.get() + 2 * padded, buf.get() + 2 * padded + (stride + 1),
                             buf.get() + 2 * padded + 2 * (stride + 1), buf.get() + 2 * padded + 3 * (stride + 1)};
    Tdeflater z;
    for (int r = 0; r < height; ++r) {
      rows(r, cur);
      z.add(pdf_rows::filteredRow(cur, prev, stride, out), stride + 1);
      std::swap(prev, cur);
    }
    if (!z.finish(img.data)) {
      log("TPDF: no image placed (no memory to compress it)");
      return false;
    }
  } else {
    img.data.reserve(stride * size_t(height));
    std::unique_ptr<uint8_t[]> row(new uint8_t[stride]);
    for (int r = 0; r < height; ++r) {
      rows(r, row.get());
      img.data.append(reinterpret_cast<const char*>(row.get()), stride);
    }
  }
  line(img.head, "<< /Type /XObject");
  line(img.head, "/Subtype /Image");
  line(img.head, "/Width " + num(width));
  line(img.head, "/Height " + num(height));
  line(img.head, "/ColorSpace /DeviceRGB");
  line(img.head, "/BitsPerComponent 8");
  line(img.head, "/Length " + num(int64_t(img.data.size())));
  line(img.head, "/Name /Im" + num(i));
  if (Compress) {
    line(img.head, "/Filter [/FlateDecode]");
    line(img.head, "/DecodeParms [<< /Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns " + num(width) + " >>]");
  }
  line(img.head, ">>");
  line(img.head, "stream");
  fimages.push_back(std::move(img));
  line(fpage, "q");
  line(fpage, num(w) + " 0 0 " + num(h) + " " + num(x) + " " + num(int64_t(PageHeight) - y - h) + " cm");
  line(fpage, "/Im" + num(i) + " Do");
  line(fpage, "Q");
  return true;
}

bool TPDF::placeAtDpi(int x, int y, int width, int height, double dpi, TrowSource const& rows) {
  return placeImage(x, y, width, height, static_cast<int64_t>(std::trunc(width * 72.0 / dpi)),
                    static_cast<int64_t>(std::trunc(height * 72.0 / dpi)), rows);
}

// A picture is as large on the page as on the screen of 8 × 10.625 inches the page stands for.
bool TPDF::placeAtScreenSize(int x, int y, int width, int height, TrowSource const& rows) {
  int dpi = platform::hasDesktop() ? platform::desktop().backend().logicalDpi() : platform::x11::xftDpi();
  if (dpi <= 0) dpi = 96;
  return placeImage(x, y, width, height, static_cast<int64_t>(std::trunc(double(width) * PageWidth / (8.0 * dpi))),
                    static_cast<int64_t>(std::trunc(double(height) * PageHeight / (10.625 * dpi))), rows);
}

bool TPDF::DrawBitmap(int x, int y, platform::TBitmap const& bm, double dpi) {
  auto const& s = bm.surface();
  if (!fopen || s.empty() || !(dpi > 0) || !std::isfinite(dpi) ||
      int64_t(s.width()) * s.height() > kMaxImagePixels) {
    log("TPDF.DrawBitmap: no image placed (empty, too large, or dpi not positive)");
    return false;
  }
  return placeAtDpi(x, y, s.width(), s.height(), dpi, [&](int r, uint8_t* out) { surfaceRow(s, r, out); });
}

bool TPDF::DrawBitmap(int x, int y, TrawBitmap24& bm, double dpi) {
  if (!fopen || bm.width() <= 0 || bm.height() <= 0 || !(dpi > 0) || !std::isfinite(dpi) ||
      int64_t(bm.width()) * bm.height() > kMaxImagePixels || !bm.imageData()) {
    log("TPDF.DrawBitmap: no image placed (empty, too large, or dpi not positive)");
    return false;
  }
  auto const& s = bm.bitmap();
  return placeAtDpi(x, y, bm.width(), bm.height(), dpi, [&](int r, uint8_t* out) { surfaceRow(s, r, out); });
}

bool TPDF::ImageOut(int x, int y, platform::TBitmap const& picture) {
  auto const& s = picture.surface();
  if (!fopen || s.empty() || int64_t(s.width()) * s.height() > kMaxImagePixels) {
    log("TPDF.ImageOut: no image placed (no document, or the picture is empty or too large)");
    return false;
  }
  return placeAtScreenSize(x, y, s.width(), s.height(), [&](int r, uint8_t* out) { surfaceRow(s, r, out); });
}

bool TPDF::ImageOut(int x, int y, platform::TrgbImage const& picture) {
  if (!fopen || picture.empty() || int64_t(picture.width) * picture.height > kMaxImagePixels ||
      picture.rgb.size() < size_t(picture.width) * size_t(picture.height) * 3) {
    log("TPDF.ImageOut: no image placed (no document, or the picture is empty or too large)");
    return false;
  }
  // Already red, green, blue rows from the top.
  const size_t stride = size_t(picture.width) * 3;
  return placeAtScreenSize(x, y, picture.width, picture.height, [&](int r, uint8_t* out) {
    std::copy_n(picture.rgb.data() + size_t(r) * stride, stride, out);
  });
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
  // The image data goes to the file as pieces of its own, never copied into the text around it.
  for (int i = 1; i <= images; ++i) {
    TimageObject& img = fimages[size_t(i) - 1];
    beginObject(obj, resources + i);
    obj += img.head;
    noteOffset();
    fpdf += obj;
    fpartsBytes += fpdf.size() + img.data.size();
    fparts.push_back(std::move(fpdf));
    fparts.push_back(std::move(img.data));
    fpdf.clear();
    fpdf += kCRLF;
    line(fpdf, "endstream");
    line(fpdf, "endobj");
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

  const size_t xref = written();
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

  std::vector<std::string_view> pieces(fparts.begin(), fparts.end());
  pieces.push_back(fpdf);
  std::string why = FileName.empty() ? "no file name" : fcompressFailed ? "no memory to compress the pages" : "";
  bool ok = why.empty() && platform::replaceFileContents(FileName, pieces, &why);
  if (!ok) {
    ferror = why;
    log("TPDF.EndDoc: cannot write \"" + FileName + "\": " + ferror);
  }
  fpdf.clear();
  fpdf.shrink_to_fit();
  fparts.clear();
  fpartsBytes = 0;
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
