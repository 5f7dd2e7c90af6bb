// r_edit: the control set's one-line text field (Tedit), a widget of our own on the control base:
// caret and selection by keys, mouse and drag, cut/copy/paste, read-only, a numeric character
// filter, a change event that can wait until typing pauses (programmatic text fires nothing),
// valid and multi-selection colours, and Enter and arrow events.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/TQYcontrol.h"

// The delay rule of the control set's fields: a change fires at once without a delay, else once,
// `delay` milliseconds after the last of a run of changes (each change starts the pause again).
class TchangeDelay {
 public:
  TchangeDelay() = default;
  ~TchangeDelay() { *falive = false; }
  TchangeDelay(const TchangeDelay&) = delete;
  TchangeDelay& operator=(const TchangeDelay&) = delete;
  void change(int delayMs, std::function<void()> fire);
  // A change still waiting to fire never fires.
  void cancel();

 private:
  uint64_t fserial = 0;  // the pending delayed event
  uint64_t fgeneration = 0;  // a pending event fires only while this is what it was made with
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};

// The blinking caret of a text field: while running, `shown` flips every blink and the repaint
// is called; stopping (or destruction) ends the timer.
class TcaretBlink {
 public:
  TcaretBlink() = default;
  ~TcaretBlink();
  TcaretBlink(const TcaretBlink&) = delete;
  TcaretBlink& operator=(const TcaretBlink&) = delete;
  void set(bool on, std::function<void()> repaint);
  void show() { fshown = true; }  // typing or a move shows the caret at once
  [[nodiscard]] bool shown() const { return fshown; }

 private:
  bool fshown = false;
  uintptr_t ftimer = 0;
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};

class Tedit : public TQYcontrol {
 public:
  using Notify = std::function<void(Tedit*)>;
  explicit Tedit(platform::TWinControl* owner = nullptr);
  ~Tedit() override;

  [[nodiscard]] std::string frameworkClass() const override { return "TEdit"; }
  [[nodiscard]] bool isEditControl() const override { return true; }
  // Enter when the field reports it (onReturn, onEnter), and whatever keepsKey answers for.
  [[nodiscard]] bool wantsKey(int vk) const override;

  // Text from code: onChange does not fire.
  [[nodiscard]] std::string text() const;
  void setText(const std::string& value);
  // The change rule with the edit as sender: fires onChange, or restarts the delay.
  void ForceChange();
  // A delayed change still waiting is dropped (a dialog cancelled meanwhile).
  void dropPendingChange() { fdelay.cancel(); }
  [[nodiscard]] bool changed() const { return fchanged; }
  [[nodiscard]] bool valid() const { return fvalid; }
  void setValid(bool value);
  [[nodiscard]] bool various() const { return fvarious; }
  void setVarious(bool value);
  [[nodiscard]] bool enabled() const { return Enabled(); }
  void setEnabled(bool value);
  [[nodiscard]] double magnify() const { return fmagnify; }
  void setMagnify(double value);
  [[nodiscard]] bool readOnly() const { return freadOnly; }
  void setReadOnly(bool value);

  // Selection in code points: the anchor stays, the caret moves.
  [[nodiscard]] int caret() const { return fcaret; }
  [[nodiscard]] int selStart() const { return std::min(fanchor, fcaret); }
  [[nodiscard]] int selLength() const { return std::abs(fcaret - fanchor); }
  void setSel(int start, int length);
  [[nodiscard]] std::string selText() const;
  void selectAll() { setSel(0, static_cast<int>(ftext.size())); }
  void cutToClipboard();
  void copyToClipboard();
  void pasteFromClipboard();
  // Replaces the selection with text, as typing or a paste would (filtered, change rule).
  void insertText(const std::string& utf8);
  // Whether the numeric mode accepts the character typed with the caret at pos into text.
  [[nodiscard]] static bool accepts(int numeric, const std::u32string& text, int pos, char32_t c);
  // The caret position nearest to x (client pixels).
  [[nodiscard]] int positionAt(int x);
  [[nodiscard]] bool caretShown() const { return fblink.shown(); }

  Notify onReturn, onChange, onUpArrow, onDownArrow;
  Notify onExit;  // the focus left the field (after the exit rule)
  Notify onEnter;  // Enter was pressed in the field (after the exit rule)
  // Enter or Escape that the field keeps from its dialog (an owner that handles them itself).
  std::function<bool(int vk)> keepsKey;
  int delay = 0;
  int numeric = 0;
  std::string leftCaption, rightCaption;
  int32_t disabledColour = 0xDCDCDC;
  int32_t fontcolour = 0;   // the text colour saved by the various look
  platform::TColor FontColor = 0;  // the text colour shown

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg& m) override;

 private:
  void changeRule();
  void userEdit(std::u32string replacement);
  void keyDown(int key, platform::TShiftState s);
  void keyUp(int key);
  void typed(char32_t c);
  void exitRule();
  void moveCaret(int pos, bool extend);
  void measure();
  void scrollToCaret();
  void caretTimer(bool on);
  [[nodiscard]] int xOf(int pos);

  std::u32string ftext;
  int fcaret = 0, fanchor = 0;
  int fscroll = 0;  // pixels of text scrolled off to the left
  bool fchanged = false, fvalid = true, fvarious = false, freadOnly = false;
  bool fdragging = false;
  double fmagnify = 1.0;
  TchangeDelay fdelay;
  TcaretBlink fblink;
  std::vector<int> fx;  // x of each position, from the measured character widths
  bool fmeasured = false;
  std::unordered_map<char32_t, int> fwidths;  // per character, at fwidthSize
  int fwidthSize = 0;
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};
