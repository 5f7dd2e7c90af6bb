// Pixel buffers: the 24-bit buffer TrawBitmap24 with its pixel operations and BMP files, the
// multi-frame map image container TbitmapBin, and the one-bit and palette buffers.
// Rows are bottom-up, padded to 4 bytes, pixels blue-green-red; image row 0 is the top row.
// Colour integers are 0x00BBGGRR; percentages run 0..100; rounding is halves to even.
#pragma once
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/r_ColourBase.h"
#include "core/rawFileIo.h"
#include "platform/TStringList.h"
#include "platform/gdi.h"

// The 14-byte file header and the 40-byte info header of a BMP file, as values; they are
// written and read field by field, little-endian, never as a memory image.
struct TbmpFileHeader {
  uint16_t type = 0;  // "BM" = 0x4D42
  uint32_t fileSize = 0;
  uint16_t reserved1 = 0;
  uint16_t reserved2 = 0;
  uint32_t pixelOffset = 0;
};
struct TbmpInfoHeader {
  uint32_t size = 0;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows bottom-up
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t imageSize = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};
constexpr int kBmpHeaderBytes = 54;  // file header 14 + info header 40

// Bytes of one pixel row: bits per row rounded up to whole 32-bit words.
[[nodiscard]] int64_t bmpRowLength(int64_t width, int bitsPerPixel);
// The 54 header bytes for the given headers.
void writeBmpHeaders(const TbmpFileHeader&, const TbmpInfoHeader&, uint8_t out[kBmpHeaderBytes]);

// The module routine every pixel address goes through.
[[nodiscard]] inline uint8_t* GetOffset(uint8_t* buf, int64_t offset) { return buf + offset; }

// Frees the pixel memory a buffer made itself; borrowed rows are left to their keeper.
struct TpixelDeleter {
  bool owned = true;
  void operator()(uint8_t* p) const {
    if (owned) std::free(p);
  }
};

// The mixing write's channel results for one percentage, so a whole-image blend is a table
// lookup per byte with exactly the results of the per-pixel formula.
class TpercentMix {
 public:
  explicit TpercentMix(double percent);
  [[nodiscard]] uint8_t operator()(uint8_t old, uint8_t next) const { return t[old * 256 + next]; }

 private:
  std::array<uint8_t, 256 * 256> t;  // [old * 256 + new]
};

class TrawBitmap24 {
 public:
  TrawBitmap24();
  virtual ~TrawBitmap24();
  TrawBitmap24(const TrawBitmap24&) = delete;
  TrawBitmap24& operator=(const TrawBitmap24&) = delete;

  // ---- life, size and memory
  // Releases the device context and the pixel memory; the size stays.
  void clear();
  void setsize(int width, int height);
  void setWid(int width);
  void setHei(int height);
  [[nodiscard]] int width() const { return fwidth; }
  [[nodiscard]] int height() const { return fheight; }
  [[nodiscard]] int rowLength() const { return rowL; }
  [[nodiscard]] int imageSize() const { return fImageSize; }
  [[nodiscard]] const platform::TRect& clientrect() const { return fbox; }
  [[nodiscard]] const platform::TRect& clientrectPlus() const { return fboxPlus; }
  [[nodiscard]] const TbmpFileHeader& fileHeader() const { return fh; }
  [[nodiscard]] const TbmpInfoHeader& infoHeader() const { return bi; }
  // The pixel memory, created on demand; nullptr for an empty size.
  uint8_t* imageData();
  [[nodiscard]] bool hasPixels() const { return fpt != nullptr; }
  // Works on rows kept by someone else (rowLength() × height bytes, bottom-up, such as a window's
  // back buffer) until clear() or a new size, and never frees them. False for a null block or an
  // empty size.
  bool usePixels(uint8_t* rows);
  [[nodiscard]] bool pixelsBorrowed() const { return fpt && !fpt.get_deleter().owned; }
  // First byte of image row `row` (0 = top); creates the pixel memory.
  uint8_t* rowPt(int row);
  [[nodiscard]] bool inRange(double col, double row) const {
    return col >= 0 && row >= 0 && col <= fwidth - 1 && row <= fheight - 1;
  }

  // ---- the platform's view on the pixels
  // A surface over the pixel memory and a device context bound to it, made on demand.
  platform::TSurface& bitmap();
  platform::TDeviceContext& dc();

  // ---- pixel writes (outside the buffer: nothing)
  void setPixel(int col, int row, Tbgr c) {
    if (uint8_t* p = pixelAt(col, row)) {
      p[0] = c.blue;
      p[1] = c.green;
      p[2] = c.red;
    }
  }
  void setPixel(int col, int row, uint8_t r, uint8_t g, uint8_t b) { setPixel(col, row, Tbgr{b, g, r}); }
  void setPixel(int col, int row, int32_t colour) { setPixel(col, row, bgr(colour)); }
  void setPixelR(int col, int row, uint8_t value);
  void setPixelG(int col, int row, uint8_t value);
  void setPixelB(int col, int row, uint8_t value);
  // Mixing write: each channel := round(old + (new - old) * percent / 100); 100 or more writes as is.
  void setPixel(int col, int row, double percent, uint8_t r, uint8_t g, uint8_t b);
  void setPixel(int col, int row, Tbgr c, int percent);
  // Spreads a mixing write over the up to four pixels a fractional position touches.
  void setPixel(double col, double row, double percent, uint8_t r, uint8_t g, uint8_t b);

  // ---- pixel reads (clamped into the buffer; an empty buffer reads white)
  void getPixel(int col, int row, Tbgr& c) {
    const uint8_t* p = clampedPixel(col, row);
    c = p ? Tbgr{p[0], p[1], p[2]} : Tbgr{255, 255, 255};
  }
  void getPixeli(int col, int row, Tbgr& c) { getPixel(col, row, c); }
  void getPixel(int col, int row, uint8_t& r, uint8_t& g, uint8_t& b);
  void getPixel(int col, int row, int32_t& colour);
  // Interpolated between the four nearest pixel centres.
  void getPixelD(double col, double row, Tbgr& c);
  // Interpolated between the pixels at the integer positions round the point; the incoming
  // r, g, b stand for positions outside when useInitialValues. Sets dCnt.
  void getPixelD(double col, double row, uint8_t& r, uint8_t& g, uint8_t& b, bool useInitialValues);
  void getPixelD(double col, double row, uint8_t& r, uint8_t& g, uint8_t& b) {
    getPixelD(col, row, r, g, b, false);
  }

  // ---- whole-image operations
  void fillWhite();
  void fillBlack();
  void fillAll(Tbgr colour);
  // Fills box (right and bottom exclusive) clipped to the buffer, at percent opacity.
  void fillRect(const platform::TRect& box, Tbgr colour, int percent);
  void setLine(int x1, int y1, int x2, int y2, Tbgr c);
  void darken(int col, int row, double percent);
  void darken(double percent);
  void lighten(int col, int row, double percent);
  void lighten(double percent);
  void makeGrey(int col, int row);
  void makeGrey();
  void makeMonochrome(int32_t colour);

  // ---- blending another buffer of the same size in
  void blend(TrawBitmap24& source, double percent);
  void blend(TrawBitmap24& source, double percent, bool whiteIsTransparent, int left, int top);
  void blend(TrawBitmap24& source, double percent, int32_t transparentColour, int left, int top);
  // Stored rows [first, last) (0 = bottom) := `from` mixed towards `to`: frames of this buffer's
  // size and layout read in place, so a blend of two frames is one pass. What a copy of `from`
  // blended with `to` at the mix's percentage gives; threads may share out the rows.
  void fadeRows(const uint8_t* from, const uint8_t* to, const TpercentMix&, int first, int last);

  // ---- drawing this buffer into another buffer
  void Draw(TrawBitmap24& target, int x, int y, int percent) { Draw(target, x, y, percent, -1); }
  void Draw(TrawBitmap24& target, int x, int y, int percent, int32_t transparentColour);
  void DrawD(TrawBitmap24& target, double x, double y, int percent, int32_t transparentColour);
  void DrawD(TrawBitmap24& target, double x, double y, double multiply, int percent);
  void Draw(TrawBitmap24& target, const platform::TRect& box, int percent);

  // ---- drawing into a device context
  void Draw(platform::TDeviceContext& target, int x, int y);
  void Draw(platform::TDeviceContext& target, const platform::TRect& box);
  void DrawExtract(platform::TDeviceContext& target, int x, int y, platform::TRect extract);
  void DrawExtract(platform::TDeviceContext& target, const platform::TRect& source, const platform::TRect& targetBox);

  // ---- files and streams
  // A 24-bit BMP: false (buffer unchanged, reason in loadError) for anything else.
  bool loadfromFile(const std::string& filename);
  bool loadfromMem(const std::vector<uint8_t>& mem);
  // A 24-bit BMP of the program's resources folder named `name` or `name`.bmp (any letter case);
  // false when it is missing, empty or not such a BMP.
  bool loadFromResource(const std::string& name);
  bool savetofile(const std::string& filename);
  // The stream is sized to imageSize + 54 and written from its start.
  bool saveToMem(std::vector<uint8_t>& mem);
  // Puts the picture on the clipboard as image/png and image/bmp (the BMP file's bytes), for as
  // long as this program runs or until another program takes the clipboard; nothing without
  // pixels or without an X display.
  void saveToClipboard();
  [[nodiscard]] const std::string& loadError() const { return floadError; }

  std::function<void(TrawBitmap24*)> onChangeSize;
  std::function<void(TrawBitmap24*)> onLoad;
  // Samples taken by the last read with initial values (1, 2 or 4).
  int dCnt = 0;

 protected:
  // Address of pixel (col, row) or nullptr when outside or without memory.
  uint8_t* pixelAt(int col, int row) {
    if (col < 0 || row < 0 || col >= fwidth || row >= fheight) return nullptr;
    if (!fpt && !createPixels()) return nullptr;
    return fpt.get() + static_cast<int64_t>(rowL) * (fheight - 1 - row) + 3 * static_cast<int64_t>(col);
  }
  const uint8_t* clampedPixel(int col, int row) {
    if (fwidth <= 0 || fheight <= 0) return nullptr;
    col = col < 0 ? 0 : (col >= fwidth ? fwidth - 1 : col);
    row = row < 0 ? 0 : (row >= fheight ? fheight - 1 : row);
    return pixelAt(col, row);
  }
  bool createPixels();
  // Called when clear() has dropped the device context: whatever was bound to it lets go.
  virtual void contextReleased() {}
  // Debug builds: asserts the invariants listed at the top of r_bitmapRaw.cpp.
  void checkInvariants() const;
  // fillRect limited to the pixels for which inside (when given) answers true.
  void fillRectWhere(const platform::TRect& box, Tbgr colour, int percent, const std::function<bool(int, int)>& inside);
  void sizeChange();
  void setGeometry(int width, int height);
  bool loadBmp(const uint8_t* bytes, size_t length);
  void mixInto(uint8_t* p, Tbgr c, double percent);
  bool visibleInDc(int col, int row);

  std::vector<uint8_t> mem;  // staging buffer while loading
  std::unique_ptr<platform::TSurface> h;
  std::unique_ptr<platform::TDeviceContext> fdc;
  TbmpFileHeader fh;
  TbmpInfoHeader bi;
  int fwidth = 0;
  int fheight = 0;
  int rowL = 0;
  int fImageSize = 0;
  std::unique_ptr<uint8_t, TpixelDeleter> fpt;
  platform::TRect fbox{0, 0, -1, -1};
  platform::TRect fboxPlus{0, 0, 0, 0};
  std::string floadError;

  friend class TbitmapBin;
};

// The multi-frame image container: a 24-byte header (width, height, depth, row length, frame
// size, count as signed 32-bit little-endian) and the frames as raw bottom-up 24-bit rows.
class TbitmapBin {
 public:
  TbitmapBin() = default;
  ~TbitmapBin() { close(); }
  TbitmapBin(const TbitmapBin&) = delete;
  TbitmapBin& operator=(const TbitmapBin&) = delete;

  // Opens and checks the header; false (closed, reason in error()) when it is not a container
  // this reader can use.
  bool open(const std::string& filename);
  void close();
  [[nodiscard]] bool isOpen() const { return f.isOpen(); }
  // Frame index into rb at the container's size; what cannot be read is zero-filled.
  bool extract(TrawBitmap24& rb, int index);
  // Frame index reduced to the given width (0, or wider than the container: the full frame).
  bool extract(TrawBitmap24& rb, int index, int width);
  // One pixel of one frame; row counts stored rows (0 = bottom). Outside: r, g, b unchanged.
  void getcolour24(int index, int col, int row, uint8_t& r, uint8_t& g, uint8_t& b) const;
  // Writes a container from 24-bit BMP files of wid x hei pixels.
  static bool MakeFromFiles(const std::string& target, int wid, int hei, int depth, const TStringList& files);

  [[nodiscard]] int count() const { return fcount; }
  [[nodiscard]] int headersize() const { return fHeaderSize; }
  [[nodiscard]] int width() const { return fwidth; }
  [[nodiscard]] int height() const { return fheight; }
  [[nodiscard]] int depth() const { return fdepth; }
  [[nodiscard]] int rowLength() const { return frowL; }
  [[nodiscard]] int frameSize() const { return fsize; }
  [[nodiscard]] const std::string& error() const { return ferror; }
  // Frame index as the file stores it (bottom row first, rowLength() bytes a row), read through
  // the file's read-only mapping; nullptr when the file is not mapped or the index is outside.
  // Valid until close or the next open.
  [[nodiscard]] const uint8_t* frameData(int index) const;
  // Lets this process's pages of a frame go (the system's file cache keeps them); the next read
  // of the frame maps them again.
  void releaseFrame(int index) const;

 private:
  friend class TrawBitmap;
  // Reads frame index into dst (frame-size bytes); zero-fills what the file lacks.
  bool readFrame(int index, uint8_t* dst, int64_t bytes);

  std::unique_ptr<TrawBitmap24> temp;
  rawio::TrawFile f;
  int fcount = 0, fwidth = 0, fheight = 0, fdepth = 0, frowL = 0;
  int fHeaderSize = 0;
  int fsize = 0;
  int64_t ffileSize = 0;
  std::string ferror;
  const uint8_t* fmap = nullptr;  // the whole file, read only; nullptr when not mapped
  size_t fmapLength = 0;
};

// A one-bit buffer: a black-and-white bitmap with a device context for shapes and a per-pixel
// bit test. Rows bottom-up, padded to 4 bytes; pixel col is bit 7 - col mod 8 of byte col div 8;
// a set bit is white.
class TbitmapMono {
 public:
  TbitmapMono() = default;
  ~TbitmapMono() { clear(); }
  TbitmapMono(const TbitmapMono&) = delete;
  TbitmapMono& operator=(const TbitmapMono&) = delete;

  void clear() { doclear(true); }
  // Releases the context and the pixel memory; with clearSize also the size.
  void doclear(bool clearSize);
  void setwidth(int width);
  void setHeight(int height);
  void setSize(int width, int height);
  [[nodiscard]] int width() const { return fwidth; }
  [[nodiscard]] int height() const { return fheight; }
  [[nodiscard]] int rowLength() const { return rowL; }
  [[nodiscard]] int imageSize() const { return fImageSize; }
  [[nodiscard]] const TbmpFileHeader& fileHeader() const { return fh; }
  [[nodiscard]] const TbmpInfoHeader& infoHeader() const { return bi; }

  platform::TSurface& bitmap();
  platform::TDeviceContext& dc();
  void fillBlack();
  void fillWhite();
  void blackPen();
  void whitePen();
  void blackBrush();
  void whiteBrush();
  void solidPen(int width, int32_t colour);

  // Outside the buffer: false, and writes do nothing.
  [[nodiscard]] bool isWhite(int col, int row) const;
  void setPixel(int col, int row, bool white);
  void invert(int col, int row);
  [[nodiscard]] bool inRange(int col, int row) const { return col >= 0 && row >= 0 && col < fwidth && row < fheight; }
  // Image row index (0 = top); nullptr outside or without memory.
  uint8_t* rowPtr(int index);
  // Block copy of the whole bitmap to (x, y).
  void Draw(platform::TDeviceContext& target, int x, int y);

  bool savetofile(const std::string& filename);
  bool saveToMem(std::vector<uint8_t>& mem);
  // A one-bit BMP; false (buffer unchanged, reason in loadError) for anything else.
  bool loadFromfile(const std::string& filename);
  bool LoadFromMem(const std::vector<uint8_t>& mem);
  [[nodiscard]] const std::string& loadError() const { return floadError; }

 private:
  void init();
  bool createPixels();
  bool load(const uint8_t* bytes, size_t length);
  uint8_t* byteOf(int col, int row) const;

  struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<platform::TSurface> h;
  std::unique_ptr<platform::TDeviceContext> fdc;
  TbmpFileHeader fh;
  TbmpInfoHeader bi;
  int fwidth = 0, fheight = 0, rowL = 0, fImageSize = 0;
  std::unique_ptr<uint8_t, FreeDeleter> fpt;
  std::string floadError;
};

// A raw buffer of 1, 8 or 24 bits per pixel in its own bytes (or in memory given from outside),
// with a palette. Rows bottom-up as in a BMP file; pixel access is checked against the memory.
class TrawBitmap {
 public:
  TrawBitmap() = default;
  ~TrawBitmap() { clear(); }
  TrawBitmap(const TrawBitmap&) = delete;
  TrawBitmap& operator=(const TrawBitmap&) = delete;

  // Empties the bytes and the palette and releases the device bitmap.
  void clear();
  // Sizes the buffer (bytes zeroed) for depth 1, 8 or 24; any other depth, or a size the memory
  // refuses, leaves it empty and answers false.
  bool init(int width, int height, int depth);
  // Pixel memory kept by the caller; all pixel access and file input then use it.
  void setExternal(uint8_t* memory, size_t bytes);
  // Stored row (0 = bottom), clamped into the buffer; nullptr when empty.
  uint8_t* rowPt(int row);
  // Image row (0 = top): 24 bits the pixel, 8 bits its palette entry; else outputs unchanged.
  void getcolour24(int col, int row, uint8_t& r, uint8_t& g, uint8_t& b) const;
  // 24 bits: the pixel; 1 and 8 bits: the nearest palette entry.
  void setcolour24(int col, int row, uint8_t r, uint8_t g, uint8_t b);
  // Stored row (0 = bottom); outside the memory: false and nothing.
  [[nodiscard]] bool getMono(int col, int row) const;
  void setMono(int col, int row, bool white);
  bool saveToFile(const std::string& filename);
  // A 1-, 8- or 24-bit uncompressed BMP; false (buffer unchanged) for anything else, also for a
  // size the buffer refuses (then nothing past the headers is read).
  bool loadfromfile(const std::string& filename);
  // Frame index of an open container. An index outside the frames, a frame past the file's end
  // or a size the buffer refuses: false, logged, before the buffer changes.
  bool loadFromBin(TbitmapBin& bin, int index);
  // A 24-bit copy of the pixels, owned by the caller; nullptr when empty.
  std::unique_ptr<platform::TSurface> getBitmap() const;
  // A context showing the pixels as they were when first asked.
  platform::TDeviceContext& BitmapDC();
  // Every pixel faded toward other's pixel at the same place by percent.
  void blend24(const TrawBitmap& other, double percent);

  [[nodiscard]] int width() const { return fwidth; }
  [[nodiscard]] int height() const { return fheight; }
  [[nodiscard]] int depth() const { return fdepth; }
  [[nodiscard]] int rowLength() const { return rowL; }
  [[nodiscard]] const TbmpFileHeader& fileHeader() const { return fh; }
  [[nodiscard]] const TbmpInfoHeader& infoHeader() const { return bi; }
  // Palette entries as colour integers 0x00BBGGRR.
  [[nodiscard]] const std::vector<uint32_t>& colours() const { return fcolours; }

 private:
  [[nodiscard]] uint8_t* memory() const { return pt ? pt : const_cast<uint8_t*>(buf.data()); }
  [[nodiscard]] size_t memoryBytes() const { return pt ? ptBytes : buf.size(); }
  [[nodiscard]] int64_t imageBytes() const { return int64_t(rowL) * fheight; }
  // Depth 1, 8 or 24 and rows the buffer can address.
  [[nodiscard]] static bool sizeAllowed(int width, int height, int depth);
  void setHeaders();

  std::unique_ptr<platform::TSurface> h;
  std::unique_ptr<platform::TDeviceContext> fdc;
  TbmpFileHeader fh;
  TbmpInfoHeader bi;
  std::vector<uint8_t> buf;
  uint8_t* pt = nullptr;
  size_t ptBytes = 0;
  std::vector<uint32_t> fcolours;
  int rowL = 0, fwidth = 0, fheight = 0, fdepth = 0;
};
