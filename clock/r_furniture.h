// r_furniture: north indicators for maps and views (Tnorthdata: the settings as key=value lines;
// Tnorth: the drawing) in twenty styles: symbol-font arrows with the north word, a letter over
// an arrow, eight compass roses with optional true-north turn, any glyph, a picture, older styles.
// Colours are 0x00BBGGRR; angles in degrees, true north clockwise positive.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/TStringList.h"
#include "platform/canvas.h"
#include "platform/metafile.h"

enum : int {
  n_arrow0 = 0, n_arrow1 = 1, n_arrow2 = 2, n_arrow3 = 3, n_arrow4 = 4,
  n_rose0 = 5, n_rose1 = 6, n_rose2 = 7, n_rose3 = 8, n_rose4 = 9, n_rose5 = 10, n_rose6 = 11, n_rose7 = 12,
  n_font = 14, n_bmp = 15, n_emf = 16, n_old0 = 17, n_old1 = 18, n_old2 = 19, n_old3 = 20
};

class Tnorthdata {
 public:
  Tnorthdata();
  virtual ~Tnorthdata();
  Tnorthdata(Tnorthdata const&) = delete;
  Tnorthdata& operator=(Tnorthdata const&) = delete;

  // Fonts, words, true north and pictures back to their defaults; colour, option, bold and
  // italic stay.
  void clear();
  void assign(Tnorthdata const& source);
  // BMP, PNG and JPEG become the picture of style 15; a metafile would be style 16 (none is
  // read on this platform). A missing or unreadable file leaves both pictures empty.
  void loadImage(std::string const& filename);
  void loadFromList(TStringList const& list);
  void saveToList(TStringList& list) const;

  std::unique_ptr<platform::TBitmap> fbm;
  std::unique_ptr<platform::TMetafile> meta;
  int32_t colour = 0;
  int option = 0;
  int version = 0;  // 3: the older key set when loading
  double trueNorth = 0;
  bool showTrueNorth = false;
  std::string symbolfont, fontname, northstring, NESWstring, filename;
  int32_t ch = 65;
  bool bold = false, italic = false;
};

class Tnorth : public Tnorthdata {
 public:
  void Draw(platform::TCanvas&, int choice, platform::TRect box, double ppmm);
  void Rose(platform::TCanvas&, platform::TRect box, int choice);

  double ppmm = 0;
  int32_t colour1 = 0, colour2 = 0;

 private:
  [[nodiscard]] static int getH(platform::TRect const& box);
  void VerticalArrow(platform::TCanvas&, platform::TRect box, int kind);
  void NorthFile(platform::TCanvas&, platform::TRect box);
  void NorthFontAndLabel(platform::TCanvas&, platform::TRect box, std::string const& font, int index, double factor);
  void NandArrow(platform::TCanvas&, platform::TRect box);
  void NorthFont(platform::TCanvas&, platform::TRect box);
  void version3(platform::TCanvas&, platform::TRect box, int choice);
  // The compass letters, padded with blanks to four.
  std::string letter(int index);
};
