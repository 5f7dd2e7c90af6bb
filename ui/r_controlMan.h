// r_controlMan: the caption manager `cm`, which paints the captions beside the edit fields of a
// window (unit keywords replaced by the current unit names) and tells the room a left caption
// needs; and the confirmation badge: a round "DONE" (or "FAILED") window of its own at the work
// area's centre that fades into the screen beneath it and closes, while the program runs on.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/controls.h"

class TcontrolMan {
 public:
  // Paints the left and right captions of every edit child of win, in child order.
  void paint(platform::TWinControl* win, platform::TCanvas& canvas);
  // Pixels from a control's left edge to where its left caption starts (gp(4) without one).
  [[nodiscard]] int left(platform::TWinControl* control) const;
  // A right caption with the six unit keywords (exact case) replaced by unit names.
  [[nodiscard]] static std::string unitText(const std::string& caption);
};

// Made by the control set's start-up, gone at its shut-down.
extern TcontrolMan* cm;

// The badge: 140 x 140 pixels, its corner at the work area's centre; 95 % opaque for half a
// second, then 5 % fainter every 50 ms. Timers and painting go on meanwhile; returns when the
// badge has gone.
class TdoneBadge : public platform::TForm {
 public:
  TdoneBadge(bool success, int32_t colour);
  ~TdoneBadge() override;
  // Opens the badge and runs the fade (the caller's loop is not needed).
  void run();
  // The composed badge over the screen copy (S) and the frame shown now.
  [[nodiscard]] const platform::TBitmap& badge() const { return fbadge; }
  [[nodiscard]] const platform::TBitmap& frame() const { return fframe; }
  [[nodiscard]] const platform::TBitmap& background() const { return fback; }
  [[nodiscard]] int step() const { return fstep; }
  [[nodiscard]] bool finished() const { return ffinished; }
  // Font sizes chosen for the word, and the word (for tests and the log).
  [[nodiscard]] int wordSize() const { return fwordSize; }
  [[nodiscard]] const std::string& word() const { return fword; }

  static constexpr int kSize = 140;

 protected:
  void CreateParams(platform::TCreateParams&) override;
  void Paint() override;

 private:
  void compose(bool success, int32_t colour);
  void nextStep();
  platform::TBitmap fback, fbadge, fframe;
  int fstep = 0;
  bool ffinished = false;
  int fwordSize = 0;
  std::string fword;
  uintptr_t ftimer = 0;
};

// Shows the badge; success false shows "FAILED" with a cross (what a failed export shows).
void doDone(bool success, int32_t colour);
void done();
