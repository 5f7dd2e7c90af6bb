// The busy window of r_wait2.h: the frame drawing, the painter thread with its hold, and the
// panel with the module's wait routines.
// The painter shares one TwaitFrameState with the interface thread under one mutex; holding it
// lets it finish the frame it paints and park on a condition variable, never stops it mid-way.
#include "ui/r_wait2.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "core/r_log.h"
#include "platform/files.h"
#include "platform/numbers.h"
#include "ui/r_baseForm.h"

using namespace platform;

TwaitWin* ww = nullptr;
bool forceShowPercent = false;
TWinControl* ownerWin = nullptr;
TWinControl* hostwin = nullptr;
std::function<void(TtrailSource*)> waitNotify;
bool showAbort = false;
uint32_t waitFramePause = 200;

namespace {
constexpr TColor kWhite = 0xFFFFFF;
constexpr const char* kAbortText = "Press \"Esc\" to abort";

HFONT painterFont(std::string const& face, int pixels) {
  TLogFont lf;
  lf.height = -pixels;
  lf.weight = FW_NORMAL;
  lf.clipPrecision = CLIP_LH_ANGLES;
  lf.quality = ANTIALIASED_QUALITY;
  lf.pitchAndFamily = 4;
  lf.faceName = face;
  return CreateFontIndirect(lf);
}

int textWidth(HFONT const& font, std::string const& text) {
  if (text.empty()) return 0;
  TDeviceContext dc;
  dc.selectFont(font);
  return dc.textExtent(text).cx;
}

std::string effectiveSubCaption(TwaitFrameState const& s) {
  return s.caption2.empty() && s.showAbort ? std::string(kAbortText) : s.caption2;
}

// The primary display's size, where the window is centred when it has no host.
TSize screenSize() {
  for (TDisplay const& d : desktop().backend().displays())
    if (d.primary) return {d.box.width(), d.box.height()};
  return {1920, 1080};
}

TWinControl* mainForm() { return baseform; }
}  // namespace

// ---------------------------------------------------------------------------------------------
// Frames

TwaitFrame::TwaitFrame(std::string const& fontname)
    : ffont1(painterFont(fontname, 13)), ffont2(painterFont(fontname, 11)) {}

void TwaitFrame::setSprite(std::vector<std::unique_ptr<TrawBitmap24>> frames) {
  fsprite.clear();
  if (frames.size() == 5) fsprite = std::move(frames);
}

TRect TwaitFrame::barBox(int width) {
  TRect bar = Rect(10, 50, width - 10, 64);
  if (bar.width() > 400) {
    bar.Right = width / 2 + 200;
    bar.Left = bar.Right - 400;
  }
  return bar;
}

void TwaitFrame::paint(TwaitFrameState const& s, int cnt) {
  const int w = std::max(s.width, 1), h = std::max(s.height, 1);
  if (frb.width() != w || frb.height() != h) frb.setsize(w, h);
  TDeviceContext& dc = frb.dc();
  dc.fillRect(Rect(0, 0, w, h), solidBrush(kGround));
  dc.setBkMode(BkMode::Transparent);
  dc.setTextAlign(TA_CENTER | TA_TOP);
  const int mid = w / 2;

  if (s.withPercent && (s.percent >= 0 || std::isnan(s.percent))) {
    const TRect bar = barBox(w);
    dc.fillRect(bar, solidBrush(0));
    const double pc = std::isnan(s.percent) || s.percent > 100 ? 100.0 : s.percent;
    if (pc > 0) {
      if (hasSprite()) {
        TrawBitmap24& sp = *fsprite[static_cast<size_t>(cnt % 5)];
        const int pos = Round32((bar.width() + sp.width()) * pc / 100.0);
        const int left = bar.Left + pos - sp.width();
        Tbgr c;
        for (int r = 0; r < sp.height(); ++r)
          for (int col = 0; col < sp.width(); ++col) {
            const int x = left + col;
            if (x < bar.Left || x > bar.Right) continue;
            sp.getPixel(col, r, c);
            frb.setPixel(x, bar.Top + r, c);
          }
      } else {
        dc.fillRect(Rect(bar.Left, bar.Top, bar.Left + Round32(bar.width() * pc / 100.0), bar.Bottom),
                    solidBrush(kBar));
      }
    }
    dc.selectFont(ffont1);
    dc.setTextColor(kWhite);
    dc.textOut(mid, bar.Bottom + 2, std::to_string(Round32(pc)) + "%");
  }

  if (!s.caption.empty()) {
    dc.selectFont(ffont1);
    dc.setTextColor(kWhite);
    dc.textOut(mid, 6, s.caption);
    const int half = dc.textExtent(s.caption).cx / 2;
    for (int i = 1; i <= cnt % 10; ++i) dc.setPixel(mid + half + 4 * i, 18, kWhite);
    const std::string sub = effectiveSubCaption(s);
    if (!sub.empty()) {
      dc.selectFont(ffont2);
      dc.setTextColor(kSubCaption);
      dc.textOut(mid, 24, sub);
    }
  } else {
    dc.setBrush(solidBrush(kWhite));
    dc.setPen(makePen(PenStyle::Solid, 1, kWhite));
    for (int i = 1; i <= cnt % 15; ++i) {
      const int x = 12 * i + 10, y = h - 20;
      dc.ellipse(x - 1, y - 1, x + 2, y + 2);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The painter

TwaitThread::TwaitThread(std::string const& fontname, TthreadView* view, std::function<void()> onTenth)
    : fframe(fontname), fview(view), fonTenth(std::move(onTenth)) {
  fthread = std::thread([this] { run(); });
}

TwaitThread::~TwaitThread() { finish(); }

void TwaitThread::run() {
  std::unique_lock<std::mutex> lock(fmu);
  while (!fend) {
    if (fheld) {
      fparked = true;
      fparkedCv.notify_all();
      fwake.wait(lock, [this] { return !fheld || fend; });
      fparked = false;
      continue;
    }
    const TwaitFrameState s = fstate;
    const int cnt = fcnt;
    lock.unlock();
    fframe.paint(s, cnt);
    if (fview) fview->present(fframe.buffer().bitmap());
    lock.lock();
    ++fcnt;
    fframeCv.notify_all();
    if (fcnt % 10 == 0 && fonTenth) {
      lock.unlock();
      fonTenth();
      lock.lock();
    }
    // A timed wait, ended early by a hold or the end: the pause costs no processor time.
    fwake.wait_for(lock, std::chrono::milliseconds(waitFramePause), [this] { return fheld || fend; });
  }
  fparked = true;
  fparkedCv.notify_all();
}

void TwaitThread::hold() {
  std::unique_lock<std::mutex> lock(fmu);
  fheld = true;
  fwake.notify_all();
  fparkedCv.wait(lock, [this] { return fparked || fend; });
}

void TwaitThread::release() {
  std::lock_guard<std::mutex> lock(fmu);
  if (!fheld) return;
  fheld = false;
  fwake.notify_all();
}

bool TwaitThread::isHeld() const {
  std::lock_guard<std::mutex> lock(fmu);
  return fheld;
}

void TwaitThread::change(std::function<void(TwaitFrameState&)> const& f) {
  std::lock_guard<std::mutex> lock(fmu);
  f(fstate);
}

TwaitFrameState TwaitThread::state() const {
  std::lock_guard<std::mutex> lock(fmu);
  return fstate;
}

void TwaitThread::finish() {
  {
    std::lock_guard<std::mutex> lock(fmu);
    fend = true;
    fwake.notify_all();
  }
  if (fthread.joinable()) fthread.join();
}

int TwaitThread::frames() const {
  std::lock_guard<std::mutex> lock(fmu);
  return fcnt;
}

bool TwaitThread::waitFrames(int n, int timeoutMs) {
  std::unique_lock<std::mutex> lock(fmu);
  return fframeCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return fcnt >= n; });
}

// ---------------------------------------------------------------------------------------------
// The panel

TwaitWin::TwaitWin(TWinControl* parent) : TQYcontrol(parent), fowner(parent) {
  // Shown only by start: a window made by a wait without caption stays out of sight.
  Hide();
  fownerHandle = parent ? parent->Handle() : 0;
  fshowPercent = forceShowPercent;
  const TSize screen = screenSize();
  SetBounds((screen.cx - 500) / 2, (screen.cy - 100) / 3, 500, 100);
  TDesktop* d = &desktop();
  const HWND form = d->topLevel(Handle());
  fview = d->backend().createThreadView(form);
  if (!fview) log("wait: no window for the painter");
  const HWND self = Handle();
  // The painter's post: thread-safe, and dropped later when the window has gone.
  wt = std::make_unique<TwaitThread>(os ? os->fontname() : std::string("DejaVu Sans"), fview.get(),
                                     [d, self] { d->postMessage(self, WM_USER); });
  wt->change([this](TwaitFrameState& s) { s.withPercent = forceShowPercent; });
  loadSprite();
  waitNotify = [this](TtrailSource* sender) { doPercent(sender); };
  BringToFront();
}

TwaitWin::~TwaitWin() {
  wt->finish();
  wt.reset();
  fview.reset();
  waitNotify = nullptr;
}

bool TwaitWin::parentAlive(TWinControl* parent) const {
  return parent == fowner && fownerHandle != 0 && desktop().isWindow(fownerHandle);
}

void TwaitWin::loadSprite() {
  std::vector<std::unique_ptr<TrawBitmap24>> frames;
  const std::string base = os ? os->basedir() : std::string();
  if (!base.empty() && platform::isFile(base + "mini1.bmp")) {
    for (int k = 1; k <= 5; ++k) {
      auto bm = std::make_unique<TrawBitmap24>();
      if (!bm->loadfromFile(base + "mini" + std::to_string(k) + ".bmp")) {
        log("wait: sprite mini" + std::to_string(k) + ".bmp ignored: " + bm->loadError());
        return;  // a partial set would leave a frame out: the plain bar instead
      }
      frames.push_back(std::move(bm));
    }
  } else {
    TrawBitmap24 strip;
    if (!strip.loadFromResource("WaitBm") || strip.width() < 5) return;
    const int fw = strip.width() / 5;
    Tbgr c;
    for (int k = 0; k < 5; ++k) {
      auto bm = std::make_unique<TrawBitmap24>();
      bm->setsize(fw, strip.height());
      for (int r = 0; r < strip.height(); ++r)
        for (int x = 0; x < fw; ++x) {
          strip.getPixel(k * fw + x, r, c);
          bm->setPixel(x, r, c);
        }
      frames.push_back(std::move(bm));
    }
  }
  wt->setSprite(std::move(frames));
}

TRect TwaitWin::placement(int w, int h) {
  TDesktop& d = desktop();
  TWinControl* form = mainForm();
  if (form && Parent() == form) {
    if (hostwin && hostwin->HandleAllocated()) {
      const TPoint p{(hostwin->Width() - w) / 2, (hostwin->Height() - h) / 2};
      const TPoint s = d.clientToScreen(hostwin->Handle(), p);
      const TPoint c = d.screenToClient(form->Handle(), s);
      return Bounds(c.X, c.Y, w, h);
    }
    const TSize screen = screenSize();
    const TPoint c = d.screenToClient(form->Handle(), TPoint{(screen.cx - w) / 2, (screen.cy - h) / 3});
    return Bounds(c.X, c.Y, w, h);
  }
  const int ow = Parent() ? Parent()->Width() : screenSize().cx;
  return Bounds((ow - w) / 2, 40, w, h);
}

void TwaitWin::start() {
  forceShowPercent = false;
  if (!parentAlive(fowner)) return;  // its form went: a new window comes with the next wait
  const bool abort = showAbort;
  wt->change([abort](TwaitFrameState& st) { st.showAbort = abort; });
  const TwaitFrameState s = wt->state();
  const int cw = std::max(textWidth(painterFont(os ? os->fontname() : "", 13), s.caption),
                          textWidth(painterFont(os ? os->fontname() : "", 12), effectiveSubCaption(s)));
  int w = std::max(cw + 80, 200);
  if (fshowPercent) w = std::max(w, 400);
  const int h = fshowPercent ? 90 : !effectiveSubCaption(s).empty() ? 48 : 40;
  const TRect box = placement(w, h);
  SetBounds(box.Left, box.Top, box.width(), box.height());
  if (os) os->ClearNull();
  frunning = true;
  Show();
  BringToFront();
  TDesktop& d = desktop();
  const TPoint at = d.screenToClient(d.topLevel(Handle()), d.clientToScreen(Handle(), {0, 0}));
  if (fview) {
    fview->setBounds(Bounds(at.X, at.Y, w, h));
    fview->show(true);
  }
  wt->change([&](TwaitFrameState& st) {
    st.width = w;
    st.height = h;
  });
  wt->release();
}

void TwaitWin::stop() {
  wt->hold();
  fcaption.clear();
  fpercent = -1;
  frunning = false;
  Hide();
  if (fview) fview->show(false);
}

void TwaitWin::pause() {
  wt->hold();
  frunning = false;
}

void TwaitWin::resume() {
  frunning = true;
  wt->release();
}

void TwaitWin::setcaption(std::string const& text) {
  if (text == fcaption) return;
  fcaption = text;
  if (frunning) {
    wt->hold();
    frunning = false;
  }
  const double pc = fpercent;
  wt->change([&](TwaitFrameState& s) {
    s.caption = text;
    s.percent = pc;
  });
  start();
}

void TwaitWin::refreshCaption() {
  if (!frunning || wt->state().caption == fcaption) return;
  wt->hold();
  frunning = false;
  wt->change([this](TwaitFrameState& s) { s.caption = fcaption; });
  start();
}

bool TwaitWin::setpercent(double value) {
  if (os) os->ClearNull();
  if (std::trunc(fpercent) == std::trunc(value)) return false;
  fpercent = value;
  if (!(value >= 0 || std::isnan(value))) return false;
  if (frunning) {
    wt->hold();
    frunning = false;
  }
  if (fcaption.empty()) fcaption = "Processing";
  const std::string cap = fcaption;
  wt->change([&](TwaitFrameState& s) {
    s.caption = cap;
    s.percent = value;
  });
  start();
  return true;
}

void TwaitWin::setShowPercent(bool flag) {
  fshowPercent = flag;
  wt->change([flag](TwaitFrameState& s) { s.withPercent = flag; });
}

void TwaitWin::setCaption2(std::string const& text) {
  wt->change([&](TwaitFrameState& s) { s.caption2 = text; });
}

void TwaitWin::forceRefresh() {
  wt->hold();
  const double pc = fpercent;
  wt->change([pc](TwaitFrameState& s) { s.percent = pc; });
  resume();
}

void TwaitWin::doPercent(TtrailSource* sender) {
  if (!fshowPercent) setShowPercent(true);
  if (auto* o = dynamic_cast<TqyObject*>(sender)) setpercent(o->percent());
  else if (auto* c = dynamic_cast<TQYcontrol*>(sender)) setpercent(c->percent());
}

void TwaitWin::Paint() {
  // The painter's view lies over the panel; this shows only where there is none.
  if (TDeviceContext* dc = Canvas().Handle()) dc->fillRect(ClientRect(), solidBrush(TwaitFrame::kGround));
}

LRESULT TwaitWin::WndProc(TMsg& m) {
  if (m.message == WM_USER) {
    // Drops one pending message that may go (a move, a wheel turn), never the end of a gesture.
    if (os) os->ClearNull();
    return 0;
  }
  return TQYcontrol::WndProc(m);
}

// ---------------------------------------------------------------------------------------------
// Module routines

namespace {
// Ends a painter still running when the process ends without the module's shut-down: a
// joinable thread at exit ends the program. Made after the desktop, so it goes before it.
struct PainterAtExit {
  ~PainterAtExit() {
    if (ww) ww->painter().finish();
  }
};

TwaitWin* ensureWindow() {
  TWinControl* parent = mainForm() ? mainForm() : ownerWin;
  if (ww && !ww->parentAlive(parent)) waitShutDown();  // its form went, or another took its place
  if (!ww) {
    (void)hasDesktop();
    static PainterAtExit atExit;
    ww = new TwaitWin(parent);
    ::log("wait created");
  }
  return ww;
}
}  // namespace

bool supressWait() { return mainForm() == nullptr && ownerWin == nullptr; }

void wait(std::string const& caption) { wait(caption, std::string()); }

void wait(std::string const& caption, std::string const& subcaption) {
  if (supressWait()) return;
  try {
    TwaitWin* w = ensureWindow();
    if (!caption.empty()) {
      w->setCaption2(subcaption);
      w->setcaption(caption);
    } else {
      if (w->running()) w->stop();
      w->setCaptionOnly("");
      w->setCaption2("");
    }
  } catch (...) {
    ::log("wait failed");
  }
}

void wait(std::string const& caption, double percent) {
  forceShowPercent = true;
  wait(caption, std::string(), percent);
}

void wait(std::string const& caption, std::string const& subcaption, double percent) {
  if (supressWait()) return;
  try {
    TwaitWin* w = ensureWindow();
    if (!caption.empty()) {
      w->setShowPercent(true);
      w->setCaptionOnly(caption);
      w->setCaption2(subcaption);
      if (!w->setpercent(percent)) w->refreshCaption();
    } else {
      if (w->running()) w->stop();
      w->setCaptionOnly("");
      w->setCaption2("");
      w->setShowPercent(false);
    }
  } catch (...) {
    ::log("wait failed");
  }
}

void waitHide() {
  if (ww) {
    try {
      ww->stop();
    } catch (...) {
    }
    try {
      ww->setCaptionOnly("");
      ww->setCaption2("");
    } catch (...) {
    }
  }
  forceShowPercent = false;
  showAbort = false;
}

void waitShutDown() {
  if (!ww) return;
  TwaitWin* w = ww;
  try {
    w->stop();
  } catch (...) {
  }
  ww = nullptr;
  try {
    delete w;
  } catch (...) {
  }
}
