// r_slider: the horizontal slider of the control set (TsliderLite): a track filled up to the thumb,
// step boxes at both ends, the value and its units at the right (or in an attached field), a
// value hint, linear or logarithmic scales; the vertical splitter bar (TVsplit) and the white
// caption panel (TdeadPanel).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "core/TQYcontrol.h"
#include "ui/r_QYcontrols.h"
#include "platform/canvas.h"

class Tedit;

class TsliderLite : public TQYcontrol {
 public:
  using Notify = std::function<void(TsliderLite*)>;
  explicit TsliderLite(platform::TWinControl* owner = nullptr);
  ~TsliderLite() override;

  [[nodiscard]] double position() const { return raw; }
  void setPosition(double v);
  [[nodiscard]] int positioni() const;
  [[nodiscard]] double step() const { return fstep; }
  void setStep(double v) { fstep = v; }
  [[nodiscard]] int decplaces() const { return fdecplaces; }
  void setDecplaces(int n);
  [[nodiscard]] bool enabled() const { return fenable; }
  void setEnabled(bool v);
  [[nodiscard]] bool prohibit() const { return fprohibit; }
  void setProhibit(bool v);
  [[nodiscard]] bool various() const { return fVarious; }
  void setVarious(bool v);
  [[nodiscard]] bool withHint() const { return fwithHint; }
  void setWithHint(bool v) { fwithHint = v; }
  [[nodiscard]] bool tracking() const { return dragging; }
  // A focused slider steps with the arrows, pages with Page Up and Down, ends with Home and End.
  [[nodiscard]] bool keepsArrowKeys() const override { return true; }
  void keyDown(int key);

  // The x of a value on the bitmap, and the value under an x (the thumb's middle gives its value).
  [[nodiscard]] int valueToX(double v) const;
  [[nodiscard]] double xToValue(int x) const;
  void redrawBitmap();
  [[nodiscard]] const platform::TBitmap& bitmap() const { return bm; }

  // Mouse rules, in control coordinates.
  void mouseDown(platform::TMouseButton b, int x, int y);
  void mouseMove(int x, int y);
  void mouseUp(platform::TMouseButton b, int x, int y);

  platform::TRect box, thumb, upBox, downBox, editBox;
  int thumbW = 8;
  Notify onChange, onTrack;
  // Replaces the typed-value popup (TvalueEdit at the pointer) when set; answers whether a value
  // was given (in value).
  std::function<bool(TsliderLite*, platform::TPoint, double& value)> valuePopup;
  Tedit* edit = nullptr;  // borrowed
  double min = 0, max = 100;
  int32_t backColour = 0;
  int32_t fontColour = 0;
  int rightMargin = 0;
  bool logarithmic = false;
  std::string units;
  bool allowHigher = false;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  [[nodiscard]] bool usesLog() const { return logarithmic && max > min; }
  [[nodiscard]] std::string valueText(double v) const;
  void openPopup(int x, int y);
  void confine(bool on);
  platform::TBitmap bm;
  double fpos = 0;
  double fstep = 1.0;
  double raw = 0;
  bool fprohibit = false;
  int fdecplaces = 0;
  bool dragging = false;
  bool fenable = true, fwithHint = true, fVarious = false;
};

// A vertical bar dragged sideways: dx is the pointer's distance from the press.
class TVsplit : public TCustomControl {
 public:
  using Notify = std::function<void(TVsplit*)>;
  explicit TVsplit(platform::TWinControl* owner);
  ~TVsplit() override;
  [[nodiscard]] bool dragging() const { return fdragging; }
  [[nodiscard]] int dx() const { return fdx; }
  void mouseDown(int x);
  void mouseMove(int x);
  void mouseUp();

  Notify onDrag, onDragged;
  // Screen rectangle the pointer stays in while dragging; nullptr for none. Borrowed.
  const platform::TRect* range = nullptr;

 protected:
  void Paint() override;

 private:
  bool fdragging = false;
  int startx = 0;
  int fdx = 0;
};

// A white panel that shows its caption; clickable through OnClick.
class TdeadPanel : public TQYcontrol {
 public:
  explicit TdeadPanel(platform::TWinControl* owner);
  int32_t faceColour = 0xFFFFFF;
  int32_t fontColour = 0;

 protected:
  void Paint() override;
};
