// TPDF: a writer of small PDF 1.5 documents of our own: lines, rectangles, text in the fourteen
// standard fonts and 24-bit images, page contents and images compressed with zlib's deflate.
// Coordinates are points (1/72 inch) from the page's top-left corner, y downwards.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class TBitmap;
class TSurface;
struct TrgbImage;
}  // namespace platform
class TrawBitmap24;

enum TPDFFontName {
  poHelvetica,
  poHelveticaBold,
  poHelveticaOblique,
  poHelveticaBoldOblique,
  poCourier,
  poCourierBold,
  poCourierOblique,
  poCourierBoldOblique,
  poTimesRoman,
  poTimesBold,
  poTimesItalic,
  poTimesBoldItalic,
  poSymbol,
  poZapfDingbats
};
enum TPDFOrientation { pdfPortrait, pdfLandscape };
enum TPDFLineStyle { poSolid, poDashed, poBeveled, poInset, poUnderline };

struct TPDFFont {
  TPDFFontName Name = poCourier;
  int Size = 12;
};

// Text for a PDF string in the fonts' WinAnsiEncoding: Windows-1252, "?" for what it lacks.
std::string pdfAnsiText(std::string_view utf8);
// A literal string "(...)" with "(", ")" and "\" escaped.
std::string pdfLiteral(std::string_view bytes);
// A document-information string: a literal in Windows-1252 when every character has a place
// there, else UTF-16BE with its byte-order mark as a hexadecimal string.
std::string pdfInfoString(std::string_view utf8);

class TPDF {
 public:
  TPDF();

  // Page size in points; 612 × 792 after creation.
  int PageWidth = 612;
  int PageHeight = 792;
  std::string FileName;
  std::string TITLE;
  std::string Author = "Ombrant";
  std::string Creator = "Ombrant";
  std::string Producer = "Ombrant";
  std::string Keywords;
  std::string Subject;
  bool Compress = true;
  int LineWidth = 1;
  TPDFFont Font;

  [[nodiscard]] int PageNumber() const { return fpageNumber; }

  // Starts a document; with a width the page becomes that size in millimetres.
  void BeginDoc();
  void BeginDoc(double widthMM, double heightMM);
  void NewPage();

  void DrawLine(int x1, int y1, int x2, int y2);
  void DrawRectangle(int x1, int y1, int x2, int y2);
  // UTF-8 text; written in Windows-1252 with "?" for characters the standard fonts lack.
  void TextOut(int x, int y, std::string_view text);
  void MemoOut(int x, int y, std::vector<std::string> const& lines);
  // The bitmap at dpi pixels per inch. Any depth; the caller's pixels are not changed.
  // False (nothing placed) for an empty bitmap or a dpi that is not positive.
  bool DrawBitmap(int x, int y, platform::TBitmap const&, double dpi);
  bool DrawBitmap(int x, int y, TrawBitmap24&, double dpi);
  // A picture (a bitmap, or an image decoded from a file) at the size it has on the screen,
  // measured against the page: width × PageWidth / (8 × the screen's pixels per inch) points
  // wide, height × PageHeight / (10.625 × the screen's pixels per inch) high, each truncated.
  // False (nothing placed) for an empty picture. Draw is the same as ImageOut.
  bool ImageOut(int x, int y, platform::TBitmap const&);
  bool ImageOut(int x, int y, platform::TrgbImage const&);
  bool Draw(int x, int y, platform::TBitmap const& picture) { return ImageOut(x, y, picture); }
  bool Draw(int x, int y, platform::TrgbImage const& picture) { return ImageOut(x, y, picture); }

  // Writes the document to FileName through a temporary file and a rename: false, logged, and
  // any older file kept when it cannot be written.
  bool EndDoc();
  [[nodiscard]] const std::string& lastError() const { return ferror; }

  // One bitmap as a one-page document widthmm wide; the image fills the page.
  bool BMtoPDF(platform::TBitmap const&, double widthmm, const std::string& pdfFile);
  bool BMtoPDF(TrawBitmap24&, double widthmm, const std::string& pdfFile);

 private:
  bool placeImage(int x, int y, int width, int height, int64_t w, int64_t h, std::string rgbRows);
  bool placeAtDpi(int x, int y, int width, int height, double dpi, std::string rgbRows);
  bool placeAtScreenSize(int x, int y, int width, int height, std::string rgbRows);
  bool bmToPdf(int width, int height, double widthmm, const std::string& pdfFile, auto&& draw);
  void beginObject(std::string& obj, int number);
  void endObject(std::string& obj);
  void startStream();
  void endStream();
  [[nodiscard]] std::string packed(std::string const& data) const;

  std::string fpdf;                 // the file so far
  std::vector<size_t> foffsets;     // foffsets[k] is where object k + 1 starts
  std::string fpage;                // the current page's operators
  std::vector<int> fpageContents;   // content object of each page
  std::vector<std::string> fimages; // each image object's dictionary and stream, waiting for EndDoc
  int fpageNumber = 0;
  int fobject = 0;                  // the last object number begun
  bool fopen = false;
  std::string ferror;
};
