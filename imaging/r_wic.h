// r_wic: image files read and written through our codec layer (BMP through the core's checked
// reader and writer; JPEG, PNG, TIFF and GIF through platform/imagecodec). Twic knows an image's
// size, depth and ground box without decoding it, decodes only the rectangle asked for into the
// shared buffer of `wicBase`, and draws, samples or saves it. Rectangles are pixels, right and
// bottom exclusive; files are written whole through a temporary file, so a failed save leaves
// the old ones. Failures are logged and give a neutral result.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/r_ColourBase.h"
#include "core/r_base.h"
#include "imaging/r_bmSmooth.h"
#include "platform/surface.h"

namespace platform {
class TBitmap;
class TCanvas;
class TimageSource;
}  // namespace platform
class TCustomMemoryStream;
class TMemoryStream;
class TrawBitmap24;
class Tbm24;
class Tview;

// Whole bitmaps by the name's file type: BMP (3 and any type without an encoder), TIFF (4),
// JPEG (5), PNG (140). A one-bit bitmap stays one bit where the format allows.
// A failure leaves an earlier file as it was; its reason goes to the log and, when asked, to why.
bool BMsave(platform::TBitmap& bm, const std::string& filename, std::string* why = nullptr);
// Any image file into the bitmap: one bit for a one-bit BMP, else 24 bits.
bool BMload(platform::TBitmap& bm, const std::string& filename);

// The shared buffers: only the last extract of any image is held.
class TwicBase : public TqyObject {
 public:
  TwicBase();
  ~TwicBase() override;
  [[nodiscard]] const char* unitName() const override { return "r_wic"; }
  TbmSmooth smooth;
  platform::TBitmap& bm;  // 24-bit work bitmap: the smoother's spare bitmap
  std::unique_ptr<platform::TBitmap> mono;  // 1-bit work bitmap
  std::vector<uint8_t> buf;  // the last extract, rows top-down; it only grows
};
extern std::unique_ptr<TwicBase> wicBase;

// One decoded image.
class Twic2 : public TqyObject {
 public:
  Twic2();
  ~Twic2() override;
  [[nodiscard]] const char* unitName() const override { return "r_wic"; }
  // Opens the image (its header only); false, logged, for what cannot be decoded.
  bool load(const std::string& filename);
  bool load(const uint8_t* bytes, size_t length);
  [[nodiscard]] platform::TimageSource* source() const { return wi.get(); }
  // Decodes the rectangle into wicBase's buffer as 24-bit blue-green-red or 1-bit rows; the
  // stride (rounded up to 4 bytes), 0 when it fails.
  int getExtract(int left, int top, int right, int bottom, bool mono);
  // The whole image decoded at 1/scale (a scale the decoder offers) in 24 bits; its size.
  int getReduced(int scale, int& width, int& height);
  // The whole image re-encoded by the name's type (3 BMP, 4 TIFF, 5 JPEG, 140 PNG; another
  // type keeps the format the image came in, where it has an encoder).
  bool SaveAs(const std::string& filename);
  bool SaveAs(TMemoryStream& mem, int ftype);

 private:
  bool decodeWhole(std::vector<uint8_t>& rows, size_t& stride, bool& oneBit);
  std::unique_ptr<platform::TimageSource> wi;
};

class Twic : public TqyObject {
 public:
  Twic();
  explicit Twic(const std::string& filename);
  // The stream stays the caller's and must outlive the image.
  Twic(TCustomMemoryStream& mem, int fileType);
  explicit Twic(const platform::TBitmap& bm);
  explicit Twic(TrawBitmap24& bm);
  ~Twic() override;
  [[nodiscard]] const char* unitName() const override { return "r_wic"; }

  void changeFile(const std::string& filename);
  void changeMem(TCustomMemoryStream& mem, int ftype);
  void release();

  [[nodiscard]] int width() const { return fwidth; }
  [[nodiscard]] int height() const { return fheight; }
  [[nodiscard]] int depth() const { return fdepth; }
  [[nodiscard]] int format() const { return ftype; }
  [[nodiscard]] bool calibrated() const { return fcalibrated; }
  [[nodiscard]] double x1() const { return fx1; }
  [[nodiscard]] double y1() const { return fy1; }
  [[nodiscard]] double x2() const { return fx2; }
  [[nodiscard]] double y2() const { return fy2; }
  [[nodiscard]] double mp() const { return fmp; }
  [[nodiscard]] TmaskBase& mask() { return wicBase->smooth.mask(); }
  [[nodiscard]] int extractWidth() const { return wid; }
  [[nodiscard]] int extractHeight() const { return hei; }
  [[nodiscard]] int extractRowLength() const { return rowL; }
  [[nodiscard]] bool isMono() const { return mono; }

  // Decodes the rectangle, clamped to the image, into wicBase's buffer; false when it is empty
  // or cannot be decoded.
  bool getBuf(int left, int top, int right, int bottom) { return doGetBuf(left, top, right, bottom, false); }
  bool doGetBuf(int left, int top, int right, int bottom, bool wantMono);
  // The whole image or an extract in wicBase's work bitmap (24 or 1 bit), valid until the next
  // extract; nullptr when nothing could be decoded.
  platform::TBitmap* getImage();
  platform::TBitmap* getImage(int left, int top, int right, int bottom);
  platform::TBitmap* getMonoImage();
  platform::TBitmap* getMonoImage(int left, int top, int right, int bottom);
  // One pixel of the last extract (coordinates relative to it); the triple forms refuse a
  // one-bit extract.
  bool getPixel(int col, int row, Tbgr& c) const;
  bool getPixel(int col, int row, platform::TRGBTriple& c) const;
  bool getPixel(int col, int row, uint8_t& r, uint8_t& g, uint8_t& b) const;
  // Bilinear sample of the last extract; white where no neighbour lies inside (false then).
  bool getPixelD(double col, double row, Tbgr& c) const;
  bool getPixelD(double col, double row, platform::TRGBTriple& c) const;

  // The source rectangle drawn smoothly into the target rectangle.
  bool Draw(platform::TCanvas& canvas, const platform::TRect& source, const platform::TRect& target);
  // The part of a georeferenced image that lies in the view; false when none does.
  bool Draw(Tview& view);
  // The rectangle decoded and copied 1:1 to the canvas's origin.
  void DrawExtract(platform::TCanvas& canvas, int left, int top, int right, int bottom);
  // The source rectangle decoded and drawn smoothly into the target rectangle of the bitmap.
  void DrawExtract(platform::TBitmap& bm24, const platform::TRect& target, const platform::TRect& source);
  void DrawExtract(Tbm24& bm24, const platform::TRect& target, const platform::TRect& source);

  // An extract or the whole image, with its world file when georeferenced.
  bool SaveAs(const std::string& filename, int left, int top, int right, int bottom);
  bool SaveAs(const std::string& filename);
  bool SaveAs(TMemoryStream& mem, int format);
  // The whole image, or an extract, into the caller's bitmap or buffer.
  bool getAsBm(platform::TBitmap& bm);
  bool getAsBm(Tbm24& bm);
  bool getAsBm(Tbm24& bm, int left, int top, int right, int bottom);
  // The whole image fitted, centred, into the box; where it went. Empty for a box under 20
  // pixels either way or an image of unknown size.
  platform::TRect BitmapToBox(platform::TCanvas& canvas, const platform::TRect& box);

  bool forceActualSize = false;

 private:
  void init();
  bool makeDecoder();
  void readHeader(int type);
  platform::TBitmap* copyToWork(platform::TBitmap& work, bool oneBit);
  // The whole image for a preview of w x h pixels: decoded reduced where the format allows and
  // the result is still at least that large.
  platform::TBitmap* previewImage(int w, int h);

  std::unique_ptr<Twic2> wic2;
  std::string fname;
  TCustomMemoryStream* fmem = nullptr;
  std::unique_ptr<TMemoryStream> fbmMem;
  bool fcalibrated = false;
  double fx1 = 0, fy1 = 0, fx2 = 0, fy2 = 0, fmp = 0;
  int wid = 0, hei = 0;
  int ftype = 0;
  int fdepth = 0;
  int fwidth = 0, fheight = 0;
  int rowL = 0;
  bool mono = false;      // the image itself is one bit
  bool fbufMono = false;  // the last extract is one bit
};
