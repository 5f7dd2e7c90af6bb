// r_pick: the program's own file picker. Tpick asks one question (open files, save a file,
// choose a folder) in a modal dialog: a folder tree beside the current folder's files filtered by
// type, a clickable path bar (open mode), a type list when several types are allowed, a preview
// of drawings, shapefiles and BMP, TIFF and JPEG images or a list of the tables of a workbook or
// GeoPackage, a save-name edit, a new-sub-folder button, a divider and a wider mode that are
// remembered, the overwrite question, and the last folder of each group of callers.
// Paths use "/"; names compare with case, as the file system does, except where said otherwise.
#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/TQYcontrol.h"
#include "core/Tview.h"
#include "platform/TStringList.h"
#include "platform/canvas.h"

class TQYdlg;
class TVsplit;
class Tedit;
class TlistBox;
class TQYbutton;
class TxlsxRead;
class TmyShellTree;
class TShellListView;
struct TshellItem;
class TtreeNode;

// A set of file-type codes (0 to 255).
using TfileTypes = std::set<int>;

// The path bar of open mode: a caption, then the current folder as clickable segments ("/",
// "home/", "ann/"); the segments up to the one under the mouse are highlighted and a click hands
// that shorter path to onresult.
class TpickPath : public TQYcontrol {
 public:
  explicit TpickPath(platform::TWinControl* owner);
  ~TpickPath() override;
  [[nodiscard]] const char* unitName() const override { return "r_pick"; }

  void setpath(const std::string& folder);
  // The segments up to the highlighted one; empty without one.
  [[nodiscard]] std::string getPath() const;
  // In client pixels; the handlers call them.
  void mouseMove(int x, int y);
  void mouseLeave();
  void click();

  int hit = -1;
  TStringList list;
  std::vector<platform::TRect> box;
  std::function<void(TpickPath*)> onresult;
  std::string caption;
  std::string saveFilename;

 protected:
  void Paint() override;

 private:
  void layoutBoxes();
};

// A small view of a file: the geometry of a drawing or a shapefile fitted into it, or a BMP,
// TIFF or JPEG image fitted and centred; anything else leaves it empty.
class TpickPreview : public TQYcontrol {
 public:
  explicit TpickPreview(platform::TWinControl* owner);
  ~TpickPreview() override;
  [[nodiscard]] const char* unitName() const override { return "r_pick"; }

  [[nodiscard]] const std::string& filename() const { return fname; }
  // Shows a file ("" clears the view); the same name again changes nothing.
  void setname(const std::string& filename);
  void refresh();
  [[nodiscard]] platform::TBitmap& bitmap() { return bm; }

  std::string fname;
  Tview view;
  platform::TBitmap bm;

 protected:
  void Paint() override;

 private:
  void doResize();
  void drawVector(int type);
  void drawRaster(int type);
  void showNow();
  // The view centred on the bounds at 1.05 times the scale that fits them.
  void fitView(double x1, double y1, double x2, double y2);
};

// Whether an existing file may be written over: true at once when the settings allow it or the
// file does not exist; otherwise the question is asked at the screen point (x below 1: centred).
bool OverwriteOK(int x, int y, const std::string& filename);

class Tpick : public TQYcontrol {
 public:
  // Without an owner the application's main form is the owner.
  explicit Tpick(platform::TWinControl* aOwner);
  ~Tpick() override;
  [[nodiscard]] const char* unitName() const override { return "r_pick"; }

  // ---- entry points: true when the user confirmed and every check after the dialog passed.
  // x = -1 centres the dialog, a point puts its top-left corner there, a button its top-right
  // corner. The group names the folder remembered for the caller.
  bool Open(int x, int y, const std::string& group, const TfileTypes& types);
  bool Open(const std::string& group, const TfileTypes& types);
  bool Open(platform::TWinControl* button, const std::string& group, const TfileTypes& types);
  bool Open(int x, int y, const std::string& group, int type);
  bool Open(const std::string& group, int type);
  bool Open(int x, int y, int type);
  bool Open(platform::TWinControl* button, int type);
  bool Open(platform::TWinControl* button, const std::string& group, int type);
  bool Open(int type);
  bool Save(int x, int y, const std::string& group, int type);
  bool Save(const std::string& group, int type);
  bool Save(int type);
  bool Save(platform::TWinControl* button, int type);
  bool Save(int x, int y, const std::string& group, const TfileTypes& types);
  bool Save(const std::string& group, const TfileTypes& types);
  bool Save(platform::TWinControl* button, const std::string& group, const TfileTypes& types);
  bool Save(platform::TWinControl* button, const TfileTypes& types);
  bool chooseDir(int x, int y, const std::string& group, int type);
  bool chooseDir(const std::string& group);
  bool chooseDir(const std::string& group, int type);
  bool chooseDir(platform::TWinControl* button, int type, const std::string& group);
  bool chooseDir(int x, int y, const std::string& group);

  // ---- properties
  // The current folder ending in "/", empty without one.
  [[nodiscard]] std::string getPath() const;
  // Moves to the folder (nothing changes when it does not exist).
  void setPath(std::string folder);
  // Open mode: the folder and the first chosen file; save mode: the folder and the typed name
  // with the type's extension added unless it ends in one; other modes: empty.
  [[nodiscard]] std::string getFname() const;
  void setFname(const std::string& name) { defaultFname = name; }
  // Open mode with chosen files: the folder, then "|" and a name for each.
  [[nodiscard]] std::string getMulti() const;
  // "*" allows any type; otherwise the comma-separated extensions.
  void setext(const std::string& list);
  [[nodiscard]] const std::string& table() const { return ftable; }
  [[nodiscard]] const TStringList& files() const { return ffiles; }
  [[nodiscard]] const std::string& initialdir() const { return fInitialDir; }
  void setInitialdir(const std::string& d) { fInitialDir = d; }
  [[nodiscard]] TxlsxRead* excel() const { return xls.get(); }
  // The dialog's set-up is done and the tree's folder shows in the list.
  [[nodiscard]] bool ready() const { return fready; }
  // The caption above the file list: 'no "dra" files found', '1 "dra" file found', ...
  [[nodiscard]] std::string fileCountText() const;

  // ---- the panel's handlers (wired at creation and on the first show)
  void doPreShow(TtrailSource* sender);
  void doResize();
  void doAddFolder(TShellListView*, const TshellItem&, bool& canAdd);
  void doClick(platform::TWinControl* sender);
  void doMouseDown(platform::TMouseButton, platform::TShiftState, int x, int y);
  void doMouseMove(int x, int y);
  void doRefreshPath();
  void doEdited();
  void doDelete(TtreeNode*);
  void doPostEdited();
  // The right-click paste: a name in the current folder or a full path of an existing file.
  void pasteFile(const std::string& text);
  // Wide mode on or off, as a click on the arrow box.
  void toggleWide();

  // ---- fields, in the order the design gives them
  std::unique_ptr<TQYdlg> dlg;
  bool first = false;
  std::unique_ptr<TpickPreview> pp;
  std::unique_ptr<TpickPath> pickPath;
  std::unique_ptr<TVsplit> split;
  platform::TWinControl* returnControl = nullptr;
  std::unique_ptr<TxlsxRead> xls;
  std::unique_ptr<TmyShellTree> stv;
  std::unique_ptr<TShellListView> fileList;
  TtreeNode* parentNode = nullptr;
  std::string fextstr;
  std::string lfextstr;
  std::string fpath;
  std::string fInitialDir;
  std::string ftable;
  std::string defaultFname;
  std::string newpath;
  TStringList ffiles;
  TStringList fext;
  std::unique_ptr<TStringList> typeList;
  std::unique_ptr<Tedit> saveedit;
  std::unique_ptr<TQYbutton> newBut;
  std::unique_ptr<TlistBox> tableList;
  std::unique_ptr<TlistBox> typeBox;
  bool withPreview = false, withtable = false;
  bool withExtrawidth = false;
  bool editing = false;
  int extrawidth = 250;
  int hit = 0;
  int xdivide = 250;
  platform::TRect extraBox;
  int option = 3;
  bool multiselect = false;
  bool wantTables = true;
  bool allowNewDir = true;
  bool allowOverwrite = false;
  bool supressPreview = false;
  int wantedBitDepth = 0;
  std::string defaultPrefix;

 protected:
  void Paint() override;

 private:
  struct Question;
  bool runDialog(int x, int y, bool borderless, const std::string& builtCaption);
  void sizeTo(int width);
  void makeTypeBox(const TfileTypes& types);
  void startInGroupFolder(const std::string& group);
  void setOkEnabled(bool);
  void fileListClick();
  void saveEditChanged();
  void typeBoxClick();
  void dividerMoved(bool released);
  void makeNewFolder();
  void fillTables(const std::string& file);
  [[nodiscard]] std::string typedName() const;
  [[nodiscard]] bool confirmSave(int x, int y, const std::string& group, bool overwriteFirst);
  void remember(const std::string& group, const std::string& entry);
  std::shared_ptr<bool> falive = std::make_shared<bool>(true);
  bool fpreShown = false;
  bool fready = false;
};
