// r_wait2: the busy window. While a long step keeps the interface thread from pumping messages, a
// small dark panel over the main window shows a caption, a sub-caption, animated dots and on
// request a percentage bar, painted every 200 ms by a worker thread of its own into a window of
// its own (platform TthreadView). Pixels, colours 0x00BBGGRR.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/TQYcontrol.h"
#include "core/r_bitmapRaw.h"
#include "platform/windows.h"

// What one frame shows. The interface thread changes it only under the painter's lock.
struct TwaitFrameState {
  std::string caption, caption2;
  double percent = -1;  // below 0: no bar; not a number or above 100: a full bar
  bool withPercent = false;
  bool showAbort = false;  // an empty sub-caption reads 'Press "Esc" to abort'
  int width = 0, height = 0;
};

// Draws frames: fonts and brushes made once, the frame buffer resized to each frame's size.
class TwaitFrame {
 public:
  static constexpr int32_t kGround = 0x0078503C;
  static constexpr int32_t kBar = 0x00EAC8AC;
  static constexpr int32_t kSubCaption = 0x00DCDCDC;

  explicit TwaitFrame(std::string const& fontname);
  // Five frames of the bar's sprite, taken over; fewer than five: the plain bar.
  void setSprite(std::vector<std::unique_ptr<TrawBitmap24>> frames);
  [[nodiscard]] bool hasSprite() const { return fsprite.size() == 5; }
  // Frame number cnt of the state into the buffer.
  void paint(TwaitFrameState const&, int cnt);
  [[nodiscard]] TrawBitmap24& buffer() { return frb; }
  // The bar's box for a frame width: 10 pixels in from either side, at most 400 wide and centred.
  [[nodiscard]] static platform::TRect barBox(int width);

 private:
  platform::HFONT ffont1, ffont2;
  TrawBitmap24 frb;
  std::vector<std::unique_ptr<TrawBitmap24>> fsprite;
};

// The painter: one worker thread that paints a frame, shows it, and waits the pause, until the
// interface thread holds it (it then finishes the frame it paints and waits) or ends it.
class TwaitThread {
 public:
  // The thread starts held. `view` (borrowed, may be null) shows the frames; `onTenth` runs on
  // the painter's thread after every tenth frame (a thread-safe post).
  TwaitThread(std::string const& fontname, platform::TthreadView* view, std::function<void()> onTenth);
  ~TwaitThread();  // ends the thread and joins it
  TwaitThread(TwaitThread const&) = delete;
  TwaitThread& operator=(TwaitThread const&) = delete;

  // Before the first release only.
  void setSprite(std::vector<std::unique_ptr<TrawBitmap24>> frames) { fframe.setSprite(std::move(frames)); }

  // Interface thread. hold returns once the painter waits; both are two-state switches.
  void hold();
  void release();
  [[nodiscard]] bool isHeld() const;
  // Changes the shared state under the lock.
  void change(std::function<void(TwaitFrameState&)> const&);
  [[nodiscard]] TwaitFrameState state() const;
  // Ends the thread and joins it; frames are no longer shown. Safe to call twice.
  void finish();

  // Frames painted so far; waits (at most timeoutMs) until at least n have been.
  [[nodiscard]] int frames() const;
  bool waitFrames(int n, int timeoutMs);

 private:
  void run();

  TwaitFrame fframe;  // the painter's own
  platform::TthreadView* fview;
  std::function<void()> fonTenth;
  mutable std::mutex fmu;
  std::condition_variable fwake, fparkedCv, fframeCv;
  TwaitFrameState fstate;
  bool fheld = true, fparked = false, fend = false;
  int fcnt = 0;
  std::thread fthread;
};

// The panel, a child of the main form; the painter's view lies over it.
class TwaitWin : public TQYcontrol {
 public:
  explicit TwaitWin(platform::TWinControl* parent);
  ~TwaitWin() override;
  [[nodiscard]] std::string frameworkClass() const override { return "TwaitWin"; }
  [[nodiscard]] const char* unitName() const override { return "r_wait2"; }

  void start();
  void stop();
  void pause();
  void resume();
  void setcaption(std::string const& text);
  // True when the window was restarted for the value.
  bool setpercent(double value);
  void setShowPercent(bool flag);
  void forceRefresh();
  void doPercent(TtrailSource* sender);
  // The painter's sub-caption, under its lock.
  void setCaption2(std::string const& text);
  // The caption without a restart (the next restart shows it).
  void setCaptionOnly(std::string const& text) { fcaption = text; }
  // Restarts with the caption when the painter shows another one (a changed caption whose
  // percentage stayed in the same whole number).
  void refreshCaption();

  [[nodiscard]] std::string const& caption() const { return fcaption; }
  [[nodiscard]] double percent() const { return fpercent; }
  [[nodiscard]] bool showPercent() const { return fshowPercent; }
  [[nodiscard]] bool running() const { return frunning; }
  [[nodiscard]] TwaitThread& painter() { return *wt; }
  [[nodiscard]] platform::TthreadView* view() const { return fview.get(); }
  // The window the panel was made in still stands, and is the one given.
  [[nodiscard]] bool parentAlive(platform::TWinControl* parent) const;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  void loadSprite();
  platform::TRect placement(int width, int height);

  std::unique_ptr<platform::TthreadView> fview;
  std::unique_ptr<TwaitThread> wt;
  std::string fcaption;
  double fpercent = -1;
  bool fshowPercent = false;
  bool frunning = false;
  platform::TWinControl* fowner = nullptr;
  platform::HWND fownerHandle = 0;
};

// Module state.
extern TwaitWin* ww;                   // the one busy window; owned here, freed by waitShutDown
extern bool forceShowPercent;          // the next window made starts with its percentage shown
extern platform::TWinControl* ownerWin;  // parent when there is no main form
extern platform::TWinControl* hostwin;   // when set, the window is centred over it
extern std::function<void(TtrailSource*)> waitNotify;
extern bool showAbort;
// Milliseconds between frames (tests shorten it).
extern uint32_t waitFramePause;

// True when there is no main form and no ownerWin: every routine below then does nothing.
[[nodiscard]] bool supressWait();
void wait(std::string const& caption);
void wait(std::string const& caption, std::string const& subcaption);
void wait(std::string const& caption, double percent);
void wait(std::string const& caption, std::string const& subcaption, double percent);
void waitHide();
// The module's shut-down: the window stops, its painter is joined and it is freed.
void waitShutDown();
