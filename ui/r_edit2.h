// r_edit2: the control set's multi-line text field (Tmemo), a widget of our own on the control
// base: lines, caret and selection by keys, mouse and drag, cut/copy/paste, read-only, a vertical
// and a horizontal scroll bar, and the line queries (top line, visible and last line, line
// rectangles, natural height) the pages ask for. Only the lines in view are measured and drawn,
// so long texts stay quick to type into.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/TQYcontrol.h"
#include "ui/r_edit.h"

class Tmemo : public TQYcontrol {
 public:
  using Notify = std::function<void(Tmemo*)>;
  explicit Tmemo(platform::TWinControl* owner = nullptr);
  ~Tmemo() override;

  [[nodiscard]] std::string frameworkClass() const override { return "TMemo"; }
  [[nodiscard]] bool isEditControl() const override { return true; }
  [[nodiscard]] bool wantsKey(int vk) const override { return vk == platform::VK_RETURN; }  // a new line

  // The lines joined by line feeds; from code no onChange fires. Line breaks of any kind split.
  [[nodiscard]] std::string text() const;
  void setText(const std::string& value);
  // The lines folded into one with "|" between them, and back.
  [[nodiscard]] std::string barText() const;
  void setBarText(const std::string& value);
  [[nodiscard]] int lineCount() const { return static_cast<int>(flines.size()); }
  [[nodiscard]] std::string line(int i) const;

  // The caret as column X and line Y (code points); setting it collapses the selection.
  [[nodiscard]] platform::TPoint CaretPos() const { return {fcol, fline}; }
  void setCaretPos(platform::TPoint);
  // Selection over the whole text, each line break counting one.
  [[nodiscard]] int selStart() const;
  [[nodiscard]] int selLength() const;
  void setSel(int start, int length);
  [[nodiscard]] std::string selText() const;
  void selectAll();
  void cutToClipboard();
  void copyToClipboard();
  void pasteFromClipboard();
  // Replaces the selection as typing would (onChange fires).
  void insertText(const std::string& utf8);

  [[nodiscard]] bool readOnly() const { return freadOnly; }
  void setReadOnly(bool);
  [[nodiscard]] bool various() const { return fvarious; }
  void setVarious(bool);
  [[nodiscard]] bool enabled() const { return Enabled(); }
  void setEnabled(bool);
  [[nodiscard]] double magnify() const { return fmagnify; }
  void setMagnify(double);
  [[nodiscard]] int fontsize() const { return ffontsize; }
  void setFontsize(int);
  [[nodiscard]] int lineHeight() const { return flineheight; }
  void setLineHeight(int v) { flineheight = std::max(v, 1); }
  [[nodiscard]] bool horizontalScroll() const { return fhorz; }
  void setHorizontalScroll(bool);
  [[nodiscard]] bool verticalScroll() const { return fvert; }
  void setVerticalScroll(bool);

  [[nodiscard]] int TopLine() const { return ftop; }
  void setTopLine(int);  // scrolls so the line is first (as far as the text allows)
  void ScrollToTop();
  [[nodiscard]] int VisibleLines() const;
  [[nodiscard]] int LastLine() const;
  [[nodiscard]] platform::TRect lineRect(int i) const;
  [[nodiscard]] int NaturalHeight() const;
  // The highest first line: the last line then stands at the bottom.
  [[nodiscard]] int maxTopLine() const;
  // The memo's own bars (nullptr while switched off).
  [[nodiscard]] platform::TScrollBar* vertBar() const { return fvbar.get(); }
  [[nodiscard]] platform::TScrollBar* horzBar() const { return fhbar.get(); }
  // The text area: the client less the bars.
  [[nodiscard]] platform::TRect textRect() const;
  // The caret position under a client point.
  [[nodiscard]] platform::TPoint positionAt(int x, int y);

  Notify onChange, onDraw, onPostDraw, onPostPaste, onScroll;
  Notify onExit;  // the focus left the memo
  int barBottomGap = 0;  // pixels kept free under the vertical bar (an owner's button there)
  int32_t fcolour = 0;  // the background saved by the various look
  platform::TColor FontColor = 0;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  struct Pos {
    int line = 0, col = 0;
  };
  [[nodiscard]] Pos selFrom() const;
  [[nodiscard]] Pos selTo() const;
  [[nodiscard]] bool hasSelection() const { return fline != faline || fcol != facol; }
  [[nodiscard]] int offsetOf(Pos) const;
  [[nodiscard]] Pos posOf(int offset) const;
  void replaceSelection(const std::u32string& with, bool user);
  void moveCaret(Pos, bool extend);
  void keyDown(int key, platform::TShiftState);
  void typed(char32_t);
  [[nodiscard]] int charWidth(char32_t);
  [[nodiscard]] int xOf(int line, int col);
  [[nodiscard]] int colAt(int line, int x);
  [[nodiscard]] int lineWidth(int line);
  void measureFont();
  void layoutBars();
  void updateBars();
  void scrollToCaret();
  void caretTimer(bool on);

  std::vector<std::u32string> flines{std::u32string()};  // never empty
  std::vector<int> fwidths{0};                            // pixel width per line, -1 unknown
  int fline = 0, fcol = 0, faline = 0, facol = 0;         // caret and anchor
  int ftop = 0, fleft = 0;                                // first line shown, pixels scrolled left
  int flineheight = 14;
  int ffontsize = 8;
  double fmagnify = 1.0;
  bool freadOnly = false, fvarious = false, fhorz = false, fvert = false;
  bool fdragging = false;
  TcaretBlink fblink;
  std::unordered_map<char32_t, int> fcharW;
  std::unique_ptr<platform::TScrollBar> fvbar, fhbar;
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};
