// r_pickLatLong: TPickLatLong enters a latitude or a longitude in degrees, minutes and seconds. On
// a page it is a framed field showing the angle as text; a click opens it in a dialog with three
// edits (decimal degrees, decimal minutes, seconds) and a hemisphere box. Every accepted change
// fires onChange at once; Cancel puts back what the dialog opened with.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/TQYcontrol.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_edit.h"

class TQYdlg;

class TPickLatLong : public TCustomControl {
 public:
  using Notify = std::function<void(TPickLatLong*)>;
  explicit TPickLatLong(platform::TWinControl* owner);
  ~TPickLatLong() override;

  [[nodiscard]] double angle() const { return fdecdegrees; }
  // From code: no event. A value that is no finite angle within a turn shows 0 (its sign kept).
  void setangle(double x);
  [[nodiscard]] int32_t format() const { return fformat; }
  void setFormat(int32_t f) { fformat = f; }
  [[nodiscard]] bool NorthSouth() const { return fNS; }
  void setNorthSouth(bool v) { fNS = v; }
  [[nodiscard]] int32_t colourValue() const { return fcolour; }
  void setColour(int32_t);
  [[nodiscard]] bool enabled() const { return fenabled; }
  void setEnabled(bool);
  void setbounds(int left, int top, int width, int height);
  [[nodiscard]] const platform::TRect& bounds() const { return fbounds; }
  [[nodiscard]] bool positive() const { return fpositive; }
  [[nodiscard]] int degrees() const { return fdegrees; }
  [[nodiscard]] int minutes() const { return fminutes; }
  [[nodiscard]] double decMinutes() const { return fdecMinutes; }
  [[nodiscard]] double seconds() const { return fseconds; }
  // The angle as the field shows it (with the hemisphere word).
  [[nodiscard]] std::string angleText() const;
  // The click rule: the control opens the dialog; an edit or the box takes the change.
  void doClick(void* sender);
  void doResize();

  TQYdlg* dlg = nullptr;
  int fh = 0;
  std::unique_ptr<Tedit> degEdit, minedit, secEdit;
  std::unique_ptr<TcheckBox> minusBox;
  Notify onResult, onChange;
  int decplaces = 0;
  double magnify = 1.0;
  bool withDlg = true;
  std::string title;

 protected:
  void Paint() override;

 private:
  [[nodiscard]] int sz(int n) const;
  void fillEdits(bool deg, bool min, bool sec);
  void editChanged(Tedit* e);
  void changed();
  int32_t fformat = 202;
  bool fpositive = true;
  bool fNS = true;
  int32_t fcolour = 0xFFFFFF;
  double fdecdegrees = 0, fdecMinutes = 0, fseconds = 0;
  int fdegrees = 0, fminutes = 0;
  platform::TRect fbounds;
  bool fenabled = true;
};
