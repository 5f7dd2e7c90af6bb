// r_wic: whole-bitmap load and save, the decoded image Twic2, the shared buffers and Twic.
// A Twic reads its size from the header (or, where no header reader applies, from the decoder)
// and decodes nothing until an extract is asked for.
#include "imaging/r_wic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/Tbm24.h"
#include "core/Tview.h"
#include "core/os_filetypes.h"
#include "core/r_bitmapRaw.h"
#include "core/r_log.h"
#include "imaging/r_BitBase.h"
#include "imaging/r_wic_codec.h"
#include "platform/TMemoryStream.h"
#include "platform/canvas.h"
#include "platform/gdi.h"
#include "platform/imagecodec.h"

std::unique_ptr<TwicBase> wicBase;

namespace {

// Bytes of a row of width pixels in wicBase's buffer: rounded up to 4 bytes.
int strideOf(int width, bool oneBit) { return int(((oneBit ? (size_t(width) + 7) / 8 : size_t(width) * 3) + 3) & ~size_t(3)); }

// The bitmap's rows copied top-down (any depth becomes 24 bits unless it is one bit).
void topDownRows(platform::TBitmap& bm, std::vector<uint8_t>& bytes, platform::TpixelRows& rows) {
  std::unique_ptr<platform::TBitmap> converted;
  platform::TBitmap* from = &bm;
  if (bm.PixelFormat() != platform::pf1bit && bm.PixelFormat() != platform::pf24bit &&
      bm.PixelFormat() != platform::pfDevice) {
    converted = std::make_unique<platform::TBitmap>();
    converted->SetPixelFormat(platform::pf24bit);
    converted->SetSize(bm.Width(), bm.Height());
    platform::BitBlt(converted->dc(), 0, 0, bm.Width(), bm.Height(), &bm.dc(), 0, 0, platform::SRCCOPY);
    from = converted.get();
  }
  const bool oneBit = from->PixelFormat() == platform::pf1bit;
  const size_t n = platform::rowBytesOf(oneBit ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24, bm.Width());
  bytes.resize(n * size_t(std::max(0, bm.Height())));
  for (int y = 0; y < bm.Height(); ++y) std::memcpy(bytes.data() + n * size_t(y), from->ScanLine(y), n);
  rows = {bm.Width(), bm.Height(), oneBit ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24, bytes.data(), n};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Whole bitmaps

bool BMsave(platform::TBitmap& bm, const std::string& filename, std::string* why) {
  if (bm.Width() <= 0 || bm.Height() <= 0) {
    log("r_wic.BMsave: an empty bitmap for " + filename);
    if (why) *why = "there is no picture to write";
    return false;
  }
  std::vector<uint8_t> bytes;
  platform::TpixelRows rows;
  topDownRows(bm, bytes, rows);
  std::string error;
  if (wiccodec::saveRows(filename, TosFileTypes::getFileType(filename), rows, error)) return true;
  log("r_wic.BMsave: " + error + "; the old file is kept");
  // The caller names the file: the reason is given without it.
  const std::string prefix = "cannot write " + filename + ": ";
  if (why) *why = error.rfind(prefix, 0) == 0 ? error.substr(prefix.size()) : error;
  return false;
}

bool BMload(platform::TBitmap& bm, const std::string& filename) {
  std::string error;
  auto source = wiccodec::openImageFile(filename, error);
  const bool oneBit = source && source->bitsPerPixel() == 1 && source->kind() == platform::ImageKind::Unknown;
  std::vector<uint8_t> rows;
  if (source) {
    const int w = source->width(), h = source->height();
    const size_t n = platform::rowBytesOf(oneBit ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24, w);
    if (uint64_t(w) * uint64_t(h) > platform::kMaxImagePixels) {
      error = filename + ": " + std::to_string(w) + " x " + std::to_string(h) + " pixels is beyond the limit";
    } else {
      rows.resize(n * size_t(h));
      if (source->extract(0, 0, w, h, oneBit ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24,
                          rows.data(), n, error)) {
        bm.SetPixelFormat(oneBit ? platform::pf1bit : platform::pf24bit);
        bm.SetSize(w, h);
        for (int y = 0; y < h; ++y) std::memcpy(bm.ScanLine(y), rows.data() + n * size_t(y), n);
        return true;
      }
    }
  }
  log("r_wic.BMload: " + error);
  return false;
}

// ---------------------------------------------------------------------------------------------
// TwicBase

TwicBase::TwicBase() : bm(smooth.temp()), mono(std::make_unique<platform::TBitmap>()) {
  mono->SetPixelFormat(platform::pf1bit);
}

TwicBase::~TwicBase() = default;

// ---------------------------------------------------------------------------------------------
// Twic2

Twic2::Twic2() = default;
Twic2::~Twic2() = default;

bool Twic2::load(const std::string& filename) {
  std::string error;
  wi = wiccodec::openImageFile(filename, error);
  if (!wi) log("load: " + error);
  return wi != nullptr;
}

bool Twic2::load(const uint8_t* bytes, size_t length) {
  std::string error;
  wi = wiccodec::openImage(std::vector<uint8_t>(bytes, bytes + length), error);
  if (!wi) log("load: " + error);
  return wi != nullptr;
}

int Twic2::getExtract(int left, int top, int right, int bottom, bool mono) {
  TprocScope proc(*this, "getExtract");
  if (!wi || !wicBase) return 0;
  const int w = right - left, h = bottom - top;
  seterr("a");  // a: room for the rows
  if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) > platform::kMaxImagePixels) {
    log("getExtract: " + std::to_string(w) + " x " + std::to_string(h) + " pixels refused");
    return 0;
  }
  const int stride = strideOf(w, mono);
  if (wicBase->buf.size() < size_t(stride) * size_t(h)) wicBase->buf.resize(size_t(stride) * size_t(h));
  seterr("b");  // b: decode
  std::string error;
  if (!wi->extract(left, top, w, h, mono ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24,
                   wicBase->buf.data(), size_t(stride), error)) {
    log("getExtract: " + error);
    return 0;
  }
  return stride;
}

int Twic2::getReduced(int scale, int& width, int& height) {
  TprocScope proc(*this, "getReduced");
  if (!wi || !wicBase) return 0;
  width = wi->reducedWidth(scale);
  height = wi->reducedHeight(scale);
  const int stride = strideOf(width, false);
  seterr("a");  // a: room for the rows
  if (uint64_t(width) * uint64_t(height) > platform::kMaxImagePixels) return 0;
  if (wicBase->buf.size() < size_t(stride) * size_t(height)) wicBase->buf.resize(size_t(stride) * size_t(height));
  seterr("b");  // b: decode
  std::string error;
  if (!wi->extractReduced(scale, platform::PixelLayout::Bgr24, wicBase->buf.data(), size_t(stride), error)) {
    log("getReduced: " + error);
    return 0;
  }
  return stride;
}

bool Twic2::decodeWhole(std::vector<uint8_t>& rows, size_t& stride, bool& oneBit) {
  if (!wi) return false;
  const int w = wi->width(), h = wi->height();
  oneBit = wi->bitsPerPixel() == 1;
  const platform::PixelLayout layout = oneBit ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24;
  stride = platform::rowBytesOf(layout, w);
  std::string error;
  if (uint64_t(w) * uint64_t(h) > platform::kMaxImagePixels) error = "the image is beyond the pixel limit";
  if (error.empty()) rows.resize(stride * size_t(h));
  if (error.empty() && wi->extract(0, 0, w, h, layout, rows.data(), stride, error)) return true;
  log("SaveAs: " + error);
  return false;
}

namespace {
// The type to encode as: the name's, or the image's own where the name's has no encoder.
int typeFor(int ftype, const platform::TimageSource& wi) {
  if (ftype == 3 || wiccodec::encoderOf(ftype) != platform::ImageKind::Unknown) return ftype;
  switch (wi.kind()) {
    case platform::ImageKind::Tiff: return 4;
    case platform::ImageKind::Jpeg: return 5;
    case platform::ImageKind::Png: return 140;
    case platform::ImageKind::Gif: return -1;  // not encoded
    default: return 3;
  }
}
}  // namespace

bool Twic2::SaveAs(const std::string& filename) {
  TprocScope proc(*this, "SaveAs");
  std::vector<uint8_t> rows;
  size_t stride = 0;
  bool oneBit = false;
  if (!decodeWhole(rows, stride, oneBit)) return false;
  const int type = typeFor(TosFileTypes::getFileType(filename), *wi);
  std::string error = type < 0 ? "GIF images are not written" : "";
  const platform::TpixelRows pr{wi->width(), wi->height(),
                                oneBit ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24, rows.data(), stride};
  if (error.empty() && wiccodec::saveRows(filename, type, pr, error)) return true;
  log("SaveAs: " + error);
  return false;
}

bool Twic2::SaveAs(TMemoryStream& mem, int ftype) {
  TprocScope proc(*this, "SaveAs");
  std::vector<uint8_t> rows, bytes;
  size_t stride = 0;
  bool oneBit = false;
  if (!decodeWhole(rows, stride, oneBit)) return false;
  const int type = typeFor(ftype, *wi);
  std::string error = type < 0 ? "GIF images are not written" : "";
  const platform::TpixelRows pr{wi->width(), wi->height(),
                                oneBit ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24, rows.data(), stride};
  if (error.empty() && wiccodec::encodeRows(bytes, type, pr, error)) {
    mem.setSize(0);
    mem.setPosition(0);
    mem.write(bytes.data(), int64_t(bytes.size()));
    mem.setPosition(0);
    return true;
  }
  log("SaveAs: " + error);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Twic: life and sources

void Twic::init() {
  if (!wicBase) wicBase = std::make_unique<TwicBase>();
}

Twic::Twic() { init(); }

Twic::Twic(const std::string& filename) {
  init();
  if (!filename.empty()) changeFile(filename);
}

Twic::Twic(TCustomMemoryStream& mem, int fileType) {
  init();
  changeMem(mem, fileType);
}

Twic::Twic(const platform::TBitmap& bm) {
  init();
  TprocScope proc(*this, "createBm");
  seterr("a");
  ftype = 3;
  fwidth = bm.Width();
  fheight = bm.Height();
  seterr("b " + std::to_string(fwidth) + " x " + std::to_string(fheight));
  mono = bm.PixelFormat() == platform::pf1bit;
  fdepth = mono ? 1 : 24;
  fx1 = fy1 = 0;
  fx2 = fwidth;
  fy2 = fheight;
  fmp = 1;
  seterr("c");
  std::vector<uint8_t> rows, bytes;
  platform::TpixelRows pr;
  topDownRows(const_cast<platform::TBitmap&>(bm), rows, pr);
  seterr("d");
  std::string error;
  fbmMem = std::make_unique<TMemoryStream>();
  if (fwidth > 0 && fheight > 0 && wiccodec::encodeRows(bytes, 3, pr, error)) {
    seterr("e");
    fbmMem->write(bytes.data(), int64_t(bytes.size()));
    fbmMem->setPosition(0);
    fmem = fbmMem.get();
  } else {
    log("createBm: " + (error.empty() ? std::string("an empty bitmap") : error));
  }
}

Twic::Twic(TrawBitmap24& bm) {
  init();
  TprocScope proc(*this, "create");
  seterr("a");
  std::vector<uint8_t> bytes;
  fbmMem = std::make_unique<TMemoryStream>();
  seterr("b");
  if (bm.width() > 0 && bm.height() > 0 && bm.saveToMem(bytes)) {
    seterr("c");
    fbmMem->write(bytes.data(), int64_t(bytes.size()));
    fbmMem->setPosition(0);
    fmem = fbmMem.get();
  }
  fdepth = 24;
  fwidth = bm.width();
  fheight = bm.height();
  seterr(std::to_string(fwidth) + " x " + std::to_string(fheight));
  fx2 = fwidth;
  fy2 = fheight;
  fmp = 1;
}

Twic::~Twic() = default;

void Twic::release() {
  wic2.reset();
  if (fmem == fbmMem.get()) fmem = nullptr;
  fbmMem.reset();
}

void Twic::readHeader(int type) {
  fwidth = fheight = fdepth = 0;
  int32_t w = 0, h = 0, d = 0;
  bool ok = false;
  auto read = [&](auto&& fromFile, auto&& fromMem) { ok = fmem ? fromMem(*fmem) : fromFile(fname); };
  switch (type) {
    case 3:
      read([&](const std::string& n) { return GetBmpSize(n, w, h, d); },
           [&](TCustomMemoryStream& m) { return GetBmpSize(m, w, h, d); });
      break;
    case 4:
      read([&](const std::string& n) { return GetTifSize(n, w, h, d); },
           [&](TCustomMemoryStream& m) { return GetTifSize(m, w, h, d); });
      break;
    case 5:
      read([&](const std::string& n) { return GetJPGSize(n, w, h); },
           [&](TCustomMemoryStream& m) { return GetJPGSize(m, w, h); });
      d = 24;
      break;
    case 140:
      read([&](const std::string& n) { return GetPNGSize(n, w, h); },
           [&](TCustomMemoryStream& m) { return GetPNGSize(m, w, h); });
      d = 24;
      break;
    default: break;
  }
  if (ok && w > 0 && h != 0) {
    fwidth = w;
    fheight = std::abs(h);  // a top-down BMP stores its height negated
    fdepth = d;
    return;
  }
  // No header reader for this type (GIF, BigTIFF ...): the decoder knows the size.
  if (makeDecoder()) {
    fwidth = wic2->source()->width();
    fheight = wic2->source()->height();
    fdepth = wic2->source()->bitsPerPixel();
  }
}

void Twic::changeFile(const std::string& filename) {
  release();
  fname = filename;
  fmem = nullptr;
  ftype = TosFileTypes::getFileType(filename);
  readHeader(ftype);
  fcalibrated = getCalibration(filename, fx1, fy1, fx2, fy2, fmp);
  if (!fcalibrated) {  // pixel space of the size this object knows
    fx1 = fy1 = 0;
    fx2 = fwidth;
    fy2 = fheight;
    fmp = 1;
  }
}

void Twic::changeMem(TCustomMemoryStream& mem, int type) {
  release();
  ftype = type;
  fmem = &mem;
  fname.clear();
  readHeader(ftype);
}

bool Twic::makeDecoder() {
  if (wic2) return wic2->source() != nullptr;
  wic2 = std::make_unique<Twic2>();
  if (!fname.empty()) return wic2->load(fname);
  if (fmem) return wic2->load(fmem->memory(), size_t(fmem->size()));
  return false;
}

// ---------------------------------------------------------------------------------------------
// Twic: extracts and samples

bool Twic::doGetBuf(int left, int top, int right, int bottom, bool wantMono) {
  TprocScope proc(*this, "doGetBuf");
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, fwidth);
  bottom = std::min(bottom, fheight);
  wid = right - left;
  hei = bottom - top;
  if (wid <= 0 || hei <= 0) return false;
  seterr("a");  // a: the decoder
  if (!makeDecoder()) return false;
  seterr("b");  // b: the extract
  rowL = wic2->getExtract(left, top, left + wid, top + hei, wantMono);
  fbufMono = wantMono;
  return rowL > 0;
}

platform::TBitmap* Twic::copyToWork(platform::TBitmap& work, bool oneBit) {
  work.SetPixelFormat(oneBit ? platform::pf1bit : platform::pf24bit);
  if (forceActualSize) work.SetSize(wid, hei);
  else if (work.Width() < wid || work.Height() < hei)
    work.SetSize(std::max(work.Width(), wid), std::max(work.Height(), hei));
  const size_t n = platform::rowBytesOf(oneBit ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24, wid);
  for (int r = 0; r < hei; ++r) std::memcpy(work.ScanLine(r), wicBase->buf.data() + size_t(rowL) * size_t(r), n);
  return &work;
}

platform::TBitmap* Twic::getImage(int left, int top, int right, int bottom) {
  if (!doGetBuf(left, top, right, bottom, false)) return nullptr;
  return copyToWork(wicBase->bm, false);
}

platform::TBitmap* Twic::getImage() { return getImage(0, 0, fwidth, fheight); }

platform::TBitmap* Twic::previewImage(int w, int h) {
  int most = 1;
  while (most < 8 && fwidth / (2 * most) >= w && fheight / (2 * most) >= h) most *= 2;
  const int scale = most > 1 && makeDecoder() ? wic2->source()->reduction(most) : 1;
  if (scale <= 1) return getImage();
  rowL = wic2->getReduced(scale, wid, hei);
  fbufMono = false;
  return rowL > 0 ? copyToWork(wicBase->bm, false) : nullptr;
}

platform::TBitmap* Twic::getMonoImage(int left, int top, int right, int bottom) {
  if (!doGetBuf(left, top, right, bottom, true)) return nullptr;
  return copyToWork(*wicBase->mono, true);
}

platform::TBitmap* Twic::getMonoImage() { return getMonoImage(0, 0, fwidth, fheight); }

bool Twic::getPixel(int col, int row, uint8_t& r, uint8_t& g, uint8_t& b) const {
  // A failed extract leaves its size but no rows (rowL 0): the buffer then holds nothing of it.
  if (col < 0 || row < 0 || col >= wid || row >= hei || rowL <= 0 || !wicBase ||
      wicBase->buf.size() < size_t(rowL) * size_t(hei))
    return false;
  const uint8_t* line = wicBase->buf.data() + size_t(rowL) * size_t(row);
  if (fbufMono) {
    r = g = b = (line[col / 8] & (0x80 >> (col % 8))) ? 255 : 0;
    return true;
  }
  b = line[3 * col];
  g = line[3 * col + 1];
  r = line[3 * col + 2];
  return true;
}

bool Twic::getPixel(int col, int row, Tbgr& c) const {
  if (fbufMono) return false;
  return getPixel(col, row, c.red, c.green, c.blue);
}

bool Twic::getPixel(int col, int row, platform::TRGBTriple& c) const {
  if (fbufMono) return false;
  return getPixel(col, row, c.rgbtRed, c.rgbtGreen, c.rgbtBlue);
}

bool Twic::getPixelD(double col, double row, platform::TRGBTriple& c) const {
  Tbgr v;
  const bool ok = getPixelD(col, row, v);
  c = platform::TRGBTriple{v.blue, v.green, v.red};
  return ok;
}

bool Twic::getPixelD(double col, double row, Tbgr& c) const {
  // Beyond any extract (or no number at all): no neighbour can lie inside, and int() would fail.
  if (!(std::fabs(col) < 1e9) || !(std::fabs(row) < 1e9)) {
    c = Tbgr{255, 255, 255};
    return false;
  }
  const int ci = int(col), ri = int(row);
  const double fx = col - ci, fy = row - ri;
  const double weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
  double sum = 0, acc[3] = {0, 0, 0};
  for (int k = 0; k < 4; ++k) {
    uint8_t r = 0, g = 0, b = 0;
    if (!getPixel(ci + (k & 1), ri + (k >> 1), r, g, b)) continue;
    sum += weights[k];
    acc[0] += weights[k] * r;
    acc[1] += weights[k] * g;
    acc[2] += weights[k] * b;
  }
  if (sum <= 0) {
    c = Tbgr{255, 255, 255};
    return false;
  }
  // Just left of or above the extract the truncated weights extrapolate: keep to a byte.
  auto channel = [&](double v) { return uint8_t(std::clamp(std::nearbyint(v / sum), 0.0, 255.0)); };
  c = Tbgr{channel(acc[2]), channel(acc[1]), channel(acc[0])};
  return true;
}

// ---------------------------------------------------------------------------------------------
// Twic: drawing

bool Twic::Draw(platform::TCanvas& canvas, const platform::TRect& source, const platform::TRect& target) {
  platform::TBitmap* bm = getImage(source.Left, source.Top, source.Right, source.Bottom);
  if (!bm) return false;
  wicBase->smooth.Draw(canvas, target, *bm, wid, hei);
  return true;
}

bool Twic::Draw(Tview& view) {
  TprocScope proc(*this, "Draw");
  if (!(fmp > 0)) return false;  // no ground size: nothing to place
  const double vx1 = view.leftx(), vy1 = view.bottomy(), vx2 = view.rightx(), vy2 = view.topy();
  const double ox1 = std::max(fx1, vx1), oy1 = std::max(fy1, vy1), ox2 = std::min(fx2, vx2), oy2 = std::min(fy2, vy2);
  if (!(ox2 > ox1 && oy2 > oy1)) return false;
  platform::TRect target;
  view.screenXY(ox1, oy2, target.Left, target.Top);
  view.screenXY(ox2, oy1, target.Right, target.Bottom);
  const platform::TRect source{int(std::nearbyint((ox1 - fx1) / fmp)), int(std::nearbyint((fy2 - oy2) / fmp)),
                               int(std::nearbyint((ox2 - fx1) / fmp)), int(std::nearbyint((fy2 - oy1) / fmp))};
  if (view.bm24) {
    DrawExtract(*view.bm24, target, source);
  } else if (view.bm) {
    DrawExtract(*view.bm, target, source);
  } else if (view.canvas && view.canvas->Handle()) {
    platform::TBitmap* bm = getImage(source.Left, source.Top, source.Right, source.Bottom);
    if (!bm) return false;
    platform::StretchBlt(*view.canvas->Handle(), target.Left, target.Top, target.width(), target.height(), &bm->dc(), 0,
                         0, wid, hei, platform::SRCCOPY);
  } else {
    return false;
  }
  return true;
}

void Twic::DrawExtract(platform::TCanvas& canvas, int left, int top, int right, int bottom) {
  platform::TBitmap* bm = getImage(left, top, right, bottom);
  if (bm && canvas.Handle()) platform::BitBlt(*canvas.Handle(), 0, 0, wid, hei, &bm->dc(), 0, 0, platform::SRCCOPY);
}

void Twic::DrawExtract(platform::TBitmap& bm24, const platform::TRect& target, const platform::TRect& source) {
  if (getBuf(source.Left, source.Top, source.Right, source.Bottom))
    wicBase->smooth.Draw(bm24, target, wicBase->buf.data(), rowL, wid, hei);
}

void Twic::DrawExtract(Tbm24& bm24, const platform::TRect& target, const platform::TRect& source) {
  if (getBuf(source.Left, source.Top, source.Right, source.Bottom))
    wicBase->smooth.Draw(bm24, target, wicBase->buf.data(), rowL, wid, hei);
}

platform::TRect Twic::BitmapToBox(platform::TCanvas& canvas, const platform::TRect& box) {
  const int bw = box.width(), bh = box.height();
  if (bw < 20 || bh < 20 || fwidth <= 0 || fheight <= 0) return {};
  const double a = double(fwidth) / fheight, b = double(bw) / bh;
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f", a, b);
  log(text);
  platform::TRect result = box;
  if (b >= a) {
    const int inset = int(std::nearbyint((bw - bh * a) / 2));
    result.Left += inset;
    result.Right -= inset;
  } else {
    const int inset = int(std::nearbyint((bh - bw / a) / 2));
    result.Top += inset;
    result.Bottom -= inset;
  }
  const bool wasForced = forceActualSize;
  forceActualSize = true;
  log("getImage");
  platform::TBitmap* bm = previewImage(result.width(), result.height());
  log("gotImage");
  forceActualSize = wasForced;
  if (!bm) return {};
  wicBase->smooth.Draw(canvas, result, *bm, wid, hei);
  log("drawn");
  return result;
}

// ---------------------------------------------------------------------------------------------
// Twic: saving and copies

bool Twic::SaveAs(const std::string& filename, int left, int top, int right, int bottom) {
  TprocScope proc(*this, "SaveAs");
  const bool wasForced = forceActualSize;
  forceActualSize = true;
  platform::TBitmap* bm = getImage(left, top, right, bottom);
  forceActualSize = wasForced;
  if (!bm) return false;
  std::vector<uint8_t> rows;
  platform::TpixelRows pr;
  topDownRows(*bm, rows, pr);
  std::string error;
  if (!wiccodec::saveRows(filename, TosFileTypes::getFileType(filename), pr, error)) {
    log("SaveAs: " + error);
    return false;
  }
  return !fcalibrated || MakeWorldFile(filename, wid, hei, fx1 + fmp * left, fy2 - fmp * bottom, fmp);
}

bool Twic::SaveAs(const std::string& filename) {
  if (!makeDecoder() || !wic2->SaveAs(filename)) return false;
  return !fcalibrated || MakeWorldFile(filename, fwidth, fheight, fx1, fy1, fmp);
}

bool Twic::SaveAs(TMemoryStream& mem, int format) { return makeDecoder() && wic2->SaveAs(mem, format); }

bool Twic::getAsBm(platform::TBitmap& bm) {
  platform::TBitmap* work = mono ? getMonoImage() : getImage();
  if (!work) return false;
  bm.SetPixelFormat(mono ? platform::pf1bit : platform::pf24bit);
  bm.SetSize(fwidth, fheight);
  const size_t n = platform::rowBytesOf(mono ? platform::PixelLayout::Mono1 : platform::PixelLayout::Bgr24, fwidth);
  for (int y = 0; y < fheight; ++y) std::memcpy(bm.ScanLine(y), work->ScanLine(y), n);
  return true;
}

bool Twic::getAsBm(Tbm24& bm) { return getAsBm(bm, 0, 0, fwidth, fheight); }

bool Twic::getAsBm(Tbm24& bm, int left, int top, int right, int bottom) {
  if (!getBuf(left, top, right, bottom)) return false;
  bm.setsize(wid, hei);
  for (int y = 0; y < hei; ++y)
    if (uint8_t* p = bm.rowPt(y)) std::memcpy(p, wicBase->buf.data() + size_t(rowL) * size_t(y), size_t(wid) * 3);
  return true;
}
