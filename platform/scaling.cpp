// Desktop scaling of scaling.h: a backend between the desktop and the real one that multiplies
// every rectangle and point going out and divides every one coming in. Presents are enlarged by
// pixel replication (nearest pixel) into a desktop-sized copy of each form, dirty parts only.
#include "platform/scaling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace platform {
namespace {

double gscale = 1;

int down(int v, double s) { return static_cast<int>(std::floor(v / s)); }
int upFloor(int v, double s) { return static_cast<int>(std::floor(v * s)); }
int upCeil(int v, double s) { return static_cast<int>(std::ceil(v * s)); }

// The desktop's pixels a logical rectangle covers, whole pixels outward.
TRect upRect(TRect const& r, double s) { return Rect(upFloor(r.Left, s), upFloor(r.Top, s), upCeil(r.Right, s), upCeil(r.Bottom, s)); }
TRect downRect(TRect const& r, double s) { return Rect(down(r.Left, s), down(r.Top, s), down(r.Right, s), down(r.Bottom, s)); }

// Fills `part` (desktop pixels) of `big` from `small` (24 or 32 bits alike), each desktop pixel
// taking the logical pixel it lies in.
void enlarge(TSurface const& small, TSurface& big, TRect part, double s) {
  part.intersect(big.bounds());
  if (part.isEmpty() || small.empty()) return;
  const int step = small.bitsPerPixel() / 8;
  std::vector<int> from(static_cast<size_t>(part.width()));
  for (int x = part.Left; x < part.Right; ++x) from[size_t(x - part.Left)] = std::min(down(x, s), small.width() - 1) * step;
  int lastRow = -1;
  uint8_t const* lastDst = nullptr;
  for (int y = part.Top; y < part.Bottom; ++y) {
    const int sy = std::min(down(y, s), small.height() - 1);
    uint8_t* dst = big.row(y) + size_t(part.Left) * size_t(step);
    if (sy == lastRow) {
      std::memcpy(dst, lastDst, size_t(part.width()) * size_t(step));  // the row above, again
      continue;
    }
    uint8_t const* src = small.row(sy);
    for (size_t i = 0; i < from.size(); ++i) std::memcpy(dst + i * size_t(step), src + from[i], size_t(step));
    lastRow = sy;
    lastDst = dst;
  }
}

// A form's copy at the desktop's size, remade when the form's size changes.
bool fit(TSurface& big, TSurface const& small, double s) {
  const int w = upCeil(small.width(), s), h = upCeil(small.height(), s);
  if (!big.empty() && big.width() == w && big.height() == h && big.bitsPerPixel() == small.bitsPerPixel()) return true;
  return big.create(w, h, small.bitsPerPixel());
}

class TscaledThreadView : public TthreadView {
 public:
  TscaledThreadView(std::unique_ptr<TthreadView> inner, double s) : finner(std::move(inner)), fs(s) {}
  void setBounds(TRect const& r) override { finner->setBounds(upRect(r, fs)); }
  void show(bool on) override { finner->show(on); }
  void present(TSurface const& pic) override {
    std::lock_guard<std::mutex> lock(fmu);  // the worker presents; only it uses the copy
    if (!fit(fbig, pic, fs)) return;
    enlarge(pic, fbig, fbig.bounds(), fs);
    finner->present(fbig);
  }

 private:
  std::unique_ptr<TthreadView> finner;
  double fs;
  std::mutex fmu;
  TSurface fbig;
};

class TscaledBackend : public TBackend {
 public:
  TscaledBackend(std::unique_ptr<TBackend> inner, double s) : finner(std::move(inner)), fs(s) { gscale = s; }
  ~TscaledBackend() override { gscale = 1; }

  uint32_t ticks() override { return finner->ticks(); }
  void wait(uint32_t ms, std::vector<TInputEvent>& out) override {
    const size_t first = out.size();
    finner->wait(ms, out);
    for (size_t i = first; i < out.size(); ++i) {
      TInputEvent& e = out[i];
      e.pos = {down(e.pos.X, fs), down(e.pos.Y, fs)};
      e.at = {down(e.at.X, fs), down(e.at.Y, fs)};
      e.size = {down(e.size.cx, fs), down(e.size.cy, fs)};
    }
  }
  bool createWindow(HWND h, TWindowDesc const& d) override {
    TWindowDesc big = d;
    big.bounds = upRect(d.bounds, fs);
    return finner->createWindow(h, big);
  }
  void destroyWindow(HWND h) override {
    fcopies.erase(h);
    finner->destroyWindow(h);
  }
  void setWindowBounds(HWND h, TRect const& r) override { finner->setWindowBounds(h, upRect(r, fs)); }
  void showWindow(HWND h, bool on) override { finner->showWindow(h, on); }
  void present(HWND h, TSurface const& buf, std::span<TRect const> dirty) override {
    TSurface& big = fcopies[h];
    if (!fit(big, buf, fs)) return;
    std::vector<TRect> parts;
    parts.reserve(dirty.size());
    for (TRect r : dirty) {
      r.intersect(buf.bounds());
      if (r.isEmpty()) continue;
      const TRect p = upRect(r, fs);
      enlarge(buf, big, p, fs);
      parts.push_back(p);
    }
    if (!parts.empty()) finner->present(h, big, parts);
  }
  void setCursor(Cursor c) override { finner->setCursor(c); }
  void defineCursor(Cursor c, TcursorImage const& im) override { finner->defineCursor(c, im); }
  std::string clipboardText() override { return finner->clipboardText(); }
  void setClipboardText(std::string const& s) override { finner->setClipboardText(s); }
  std::vector<TDisplay> displays() override {
    std::vector<TDisplay> d = finner->displays();
    for (TDisplay& x : d) {
      x.box = downRect(x.box, fs);
      x.workArea = downRect(x.workArea, fs);
    }
    return d;
  }
  // The program draws at 96 DPI whatever the desktop's setting: the scale stands for it.
  int logicalDpi() override { return 96; }
  unsigned long nativeId(HWND h) override { return finner->nativeId(h); }
  std::unique_ptr<TthreadView> createThreadView(HWND form) override {
    auto v = finner->createThreadView(form);
    if (!v) return nullptr;
    return std::make_unique<TscaledThreadView>(std::move(v), fs);
  }
  void wake() override { finner->wake(); }
  void setWindowIcon(HWND h, std::vector<uint32_t> const& argb, int w, int hgt) override {
    finner->setWindowIcon(h, argb, w, hgt);
  }
  void warpCursor(TPoint p) override { finner->warpCursor({upFloor(p.X, fs), upFloor(p.Y, fs)}); }
  void minimizeWindow(HWND h) override { finner->minimizeWindow(h); }
  void confinePointer(HWND h, TRect const* r) override {
    if (!r) return finner->confinePointer(h, nullptr);
    const TRect big = upRect(*r, fs);
    finner->confinePointer(h, &big);
  }
  bool isMinimized(HWND h) override { return finner->isMinimized(h); }
  void setModalFor(HWND modal, HWND owner) override { finner->setModalFor(modal, owner); }
  void passFocus(HWND from, HWND to) override { finner->passFocus(from, to); }

 private:
  std::unique_ptr<TBackend> finner;
  double fs;
  std::map<HWND, TSurface> fcopies;  // each form at the desktop's size
};

}  // namespace

double scaleForDpi(double dpi) {
  if (!std::isfinite(dpi) || dpi <= 0) return 1;
  return std::max(1.0, std::nearbyint(dpi / 96 * 4) / 4);
}

std::unique_ptr<TBackend> scaledBackend(std::unique_ptr<TBackend> inner, double scale) {
  if (!inner || scale <= 1) return inner;
  return std::make_unique<TscaledBackend>(std::move(inner), scale);
}

double presentationScale() { return gscale; }

}  // namespace platform
