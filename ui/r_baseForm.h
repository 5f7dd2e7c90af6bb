// r_baseForm: the borderless main-window form with its own caption bar (TbaseForm), and the
// tabbed form whose tabs stand in that caption bar (TtabForm, TformTab, TformButton). The form
// moves and resizes itself from mouse messages, so it behaves the same with or without a window
// manager. Pages are created by the owner when their tab is first selected.
#pragma once
#include <functional>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "core/TQYcontrol.h"
#include "platform/controls.h"

class TbaseForm;
class TtabForm;

// The one main-window form of the program.
extern TbaseForm* baseform;

// Hit codes of the caption area.
enum : int {
  hit_none = 0, hit_caption = 1, hit_minimise = 2, hit_maximise = 3, hit_close = 4, hit_edge = 5,
  hit_menu = 6, hit_menuDown = 7, hit_divider = 8, hit_status = 9, hit_help = 10
};
// Size states: what the last size change was.
enum : int {
  size_none = 0, size_maximised = 1, size_restored = 2, size_restoredByBox = 3, size_edgeDrag = 4,
  size_edgeDone = 5, size_initializing = 6, size_frozen = 7
};

class TbaseForm : public platform::TForm, public TtrailSource {
 public:
  using Event = std::function<void(void* sender)>;
  TbaseForm();
  ~TbaseForm() override;
  [[nodiscard]] std::string trailText() const override { return ""; }
  [[nodiscard]] const char* unitName() const override { return "r_baseForm"; }

  // Wires the mouse and resize handlers, places the window, makes the caption pictures.
  void start();

  [[nodiscard]] int capH() const { return fcapH; }
  void setCapH(int height);
  [[nodiscard]] const std::string& title() const { return fTitle; }
  void setTitle(const std::string& text);
  [[nodiscard]] const std::string& status() const { return fstatus; }
  void setStatus(const std::string& text);
  void setRStatus(const std::string& text);
  // Shows a file name as the status: its base name and any "[…]" tail are picked out in white.
  void setFname(const std::string& name);
  // A menu event puts the menu box in the caption's left corner, in place of the icon.
  void setOnmenu(Event event);
  // Lays out the menu box (and draws it while the form paints), raised or pressed.
  void DrawMenuBox(bool pressed);
  platform::TPoint menuXY;
  [[nodiscard]] const std::string& filename() const { return fname; }
  // The status as drawn: shortened as a path when it does not fit.
  [[nodiscard]] const std::string& shownStatus() const { return fshown; }
  // Per-character marks of the shown file-name status (empty when no file name is set).
  enum : uint8_t { mark_plain = 0, mark_white = 1, mark_whiteBold = 2 };
  [[nodiscard]] const std::vector<uint8_t>& statusMarks() const { return fmarks; }
  [[nodiscard]] int statusWidth() const;
  [[nodiscard]] platform::TRect clientrect() const { return fclient; }
  void log(const std::string& text) const;
  // Runs an unhandled failure through the log and, unless it came with a mouse move, a box;
  // the same failure is boxed only once, so one that recurs every tick or paint cannot flood.
  void MyExceptionHandler(TtrailSource* sender, const std::exception& e);
  [[nodiscard]] int errorBoxes() const { return static_cast<int>(shownErrors.size()); }

  // Placement.
  void setMonitor(int index);
  [[nodiscard]] bool maximized() const { return fmaximized; }
  void setMaximized(bool value);
  // The last monitor whose box holds the screen point (else 0) becomes current; with several
  // monitors its full name is stored as the "monitor" setting.
  int findMonitor(platform::TPoint p);
  // Sets the program magnification and the caption height that follows it.
  void SimulateMagnification(double factor);
  void setBoundsChecked(int left, int top, int width, int height);
  [[nodiscard]] static platform::TRect workArea();
  void closedown();
  void ResetMonitor();
  // The displays changed: the form is placed afresh on its monitor.
  void wm_displaychange();
  // −1 maximise, −2 minimise, −3 restore, −4 close.
  void doCommand(int code);
  [[nodiscard]] bool minimised();

  // What the pointer is over at (x, y) with no button held; sets `hit`, `rightEdge`, `topedge`
  // and answers the cursor.
  platform::Cursor classify(int x, int y);

  // Mouse handlers (form coordinates).
  void doMouseMove(int x, int y, bool leftDown);
  void doMouseDown(int x, int y);
  void doMouseUp(int x, int y);
  void doMouseLeave();
  void doDblClick();
  virtual void doResize();

  Event onInternalSizeChanged, onInternalPaint, onActivate, onMoveX, onPostPaint, onSizeChanged, onMaximized, onError,
      onOverStatus, fonMenu, onHelp;
  int x0 = 0, y0 = 0, mouseX = 0;
  int hit = hit_none;
  int leftx = 0, statusx = 0, menuW = 0, captionW = 0;
  bool rightEdge = false, topedge = false;
  bool active = true;
  bool firstResize = false;
  platform::TRect fmenuBox, lastBox, xBox, fstatusRect;
  std::string frStatus, menuStr, helpHint;
  platform::TWinControl* main = nullptr;
  int32_t colour = 0xDEBEA3;
  int32_t iconTransparentColour = 0x0000FF;
  int32_t linecolour = 0xDCDCDC;
  int32_t statusFontColour = 0x800000;
  int sizeStatus = size_none;
  int minwidth = 0, minheight = 0;
  platform::Cursor edgeCursor = platform::Cursor::Arrow;
  // The program icon: 32 × 32 pixels, 0x00BBGGRR, drawn in the caption's left corner and given
  // to the desktop for the window (`iconTransparentColour` pixels are left clear).
  void setIcon(std::vector<int32_t> pixels);
  std::vector<int32_t> icon;
  // The title for the active and the inactive caption, drawn at twice the size and shrunk for
  // smooth edges.
  platform::TBitmap titlebm, titlebm2;

 protected:
  void Paint() override;
  platform::LRESULT WndProc(platform::TMsg&) override;
  void applyEdge(int x, int y);
  void setClient();
  void clearHint();
  void drawIcon(platform::TCanvas& cv, int left, int top, int side);
  void renderTitle(platform::TBitmap& bm, int32_t background) const;
  bool menuPressed = false;

  int fcapH = 22;
  platform::TRect fclient;
  bool fmaximized = false;
  std::string fstatus, fTitle, fname, fshown;
  std::vector<uint8_t> fmarks;
  void drawStatus(platform::TCanvas& cv);
  std::set<std::string> shownErrors;
  uint32_t lastUpTick = 0;
  int lastUpX = -100, lastUpY = -100;
};

class TformTab : public TQYcontrol {
 public:
  explicit TformTab(TtabForm* owner);
  ~TformTab() override;
  [[nodiscard]] const std::string& name() const { return fname; }
  void setname(const std::string& text);
  void setshort(bool value);
  void redraw();

  TtabForm* form = nullptr;
  std::string fname;
  bool fshort = false;
  platform::TWinControl* page = nullptr;  // not owned
  int id = 0;
  int spacer = 0;
  std::string currentStatusStr;
  int32_t backcolour = 0, selcolour = 0x80503C, nonselcolour = 0xFFFFF5, nonSelFontColour = 0;

 protected:
  void Paint() override;
};

class TformButton : public TQYcontrol {
 public:
  explicit TformButton(TtabForm* owner);
  ~TformButton() override;
  void setname(const std::string& text);
  void setType(int type);
  void setProhibit(bool value);
  void redraw();

  TtabForm* form = nullptr;
  bool active = true;
  int ftype = 0;
  std::string fname;
  bool fProhibit = false;
  int id = 0;
  int32_t colour = 0;

 protected:
  void Paint() override;
};

class TtabForm : public TbaseForm {
 public:
  using TabEvent = std::function<void(TformTab*)>;
  TtabForm();
  ~TtabForm() override;

  void start();
  TformTab* add(const std::string& name, int id);
  TformButton* addLeftButton(const std::string& name, int id);
  [[nodiscard]] int getCount() const { return static_cast<int>(a.size()); }
  [[nodiscard]] TformTab* getTab(int index) const { return a[static_cast<size_t>(index)].get(); }
  [[nodiscard]] TformTab* find(int id) const;
  [[nodiscard]] TformTab* selected() const { return fsel; }
  // What a click on tab index does; an index out of range is ignored.
  void selectTab(int index);
  void setSel(TformTab* tab);
  void redrawtabs(bool startFirst = true);
  void setx(int x);
  [[nodiscard]] int xDivide() const { return fx; }
  void setLeftStatus(const std::string& text);
  void RefreshButtons();

  void doClick(platform::TWinControl* sender);
  void doResize() override;
  void doResize2();
  void doPaint2();
  void doActivate(bool value);
  void doMoveX();

  std::vector<std::unique_ptr<TformTab>> a;
  std::vector<std::unique_ptr<TformButton>> b;
  TformTab* fsel = nullptr;
  int fx = 200;
  std::string fleft;
  int maxXdivide = 400, minXdivide = 200;
  TformTab* priorTab = nullptr;
  int32_t disabledColour = 0xFFFFFF;
  TabEvent onSelect, onLeaveTab, onNeedpage;
  Event onXdivide, onActivateForm;
  std::function<void(TformButton*)> onButton;
  // How many re-layouts are pending after maximise or restore.
  int pendingResizes = 0;

 private:
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
};
