// r_editPlus: TeditPlus wraps one Tedit or one Tmemo and adds a character-pick button, an optional
// predefined-text button, a validity status against prohibited texts with its colours, a change
// event that can wait for a typing pause, a finish event and, multi-line, a line-number gutter
// with one highlighted line. Picked text goes straight in at the caret; the clipboard is left as
// it was.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/TQYcontrol.h"
#include "platform/TStringList.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_edit.h"
#include "ui/r_edit2.h"

class TlistBox;

class TeditPlus : public TCustomControl {
 public:
  using Notify = std::function<void(TeditPlus*)>;
  explicit TeditPlus(platform::TWinControl* owner, bool asMemo = false);
  // Takes the place of a placeholder panel: multi-line when it is taller than gp(36); the panel
  // is hidden.
  static std::unique_ptr<TeditPlus> fromPanel(platform::TPanel* panel);
  ~TeditPlus() override;

  [[nodiscard]] std::string text() const;
  void setText(const std::string&);  // from code: no onChange
  [[nodiscard]] int fontsize() const { return fsize; }
  void setFontsize(int);
  [[nodiscard]] bool enabled() const { return fenabled; }
  void setEnabled(bool);
  [[nodiscard]] int highlitLine() const { return fhighlit; }
  void setHighlitLine(int);
  [[nodiscard]] int status() const { return fstatus; }
  void setStatus(int);
  [[nodiscard]] bool valid() const { return fvalid; }
  [[nodiscard]] int topLine() const { return ftopline; }
  [[nodiscard]] bool withLineNumbers() const { return flineNum; }
  void setWithLineNumbers(bool);
  void layout();
  // The validity rule (only with a prohibited list).
  void checkValidity();
  // Puts text in at the inner field's caret, replacing its selection, as typing would.
  void insertAtCaret(const std::string&);
  // The buttons' clicks: a character from the picker, a text from the predefined list.
  void pickCharacter();
  void pickToken();
  [[nodiscard]] Tedit* edit() const { return fedit.get(); }
  [[nodiscard]] Tmemo* memo() const { return fmemo.get(); }

  int customIndent = 0;
  std::unique_ptr<TQYbutton> tokenBut, button;
  int delay = 0;
  Notify onChange, onClick, onFinish;
  std::unique_ptr<TStringList> prohibited;  // none: no checking
  TStringList pickList;
  bool singleChar = false;
  bool withCharPick = true;
  bool emptyallowed = true;
  std::string permitted;

 protected:
  void Paint() override;

 private:
  void changeRule();
  void keyRule(int key);
  void gutterChanged();
  [[nodiscard]] int gutterWidth() const;
  std::unique_ptr<Tedit> fedit;
  std::unique_ptr<Tmemo> fmemo;
  int fsize = 8;
  int ftopline = 0;
  int fhighlit = -1;
  int fstatus = 0;
  bool fenabled = true;
  bool flineNum = false;
  bool fvalid = true;
  TchangeDelay fdelay;
};
