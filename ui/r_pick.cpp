// Tpick: creation, the chosen names, the entry points with the questions they run after the
// dialog, and the work done when the dialog first shows. The panel itself is r_pick_panel.cpp.
// Modes (`option`): 1 choose a folder, 2 choose a folder of files of one type, 3 open, 4 save.
#include "ui/r_pick.h"

#include <algorithm>

#include "core/TQYini.h"
#include "core/Tyo.h"
#include "core/r_base.h"
#include "imaging/r_BitBase.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "storage/r_ExcelLite.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_baseForm.h"
#include "ui/r_controlSet.h"
#include "ui/r_edit.h"
#include "ui/r_listBox.h"
#include "ui/r_modal.h"
#include "ui/r_recent2.h"
#include "ui/r_shellList.h"
#include "ui/r_shellTree.h"
#include "ui/r_slider.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int kOpenWidthPreview = 932;  // with a preview beside the list
constexpr int kOpenWidthTables = 832;   // with a table list
constexpr int kPlainWidth = 662;
constexpr int kFolderWidth = 328;       // mode 1 shows the tree alone
constexpr int kHeight = 400;
constexpr uint32_t kPreShowDelayMs = 120;  // the set-up runs inside the dialog's loop
constexpr uint32_t kFirstClickDelayMs = 100;

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// The extensions of the types, ascending, joined with ",".
std::string joinedExtensions(const TfileTypes& types) {
  std::string list;
  for (int t : types)
    if (t >= 0 && t <= 255) list += (list.empty() ? "" : ",") + TosFileTypes::getEXT(t);
  return list;
}

TWinControl* ownerOrMainForm(TWinControl* owner) { return owner ? owner : static_cast<TWinControl*>(baseform); }

// A button's top-right corner on the screen.
TPoint atButton(TWinControl* button) {
  return button ? button->ClientToScreen(TPoint{button->Width(), 0}) : TPoint{-1, -1};
}
}  // namespace

// ---- creation -----------------------------------------------------------------------------------

Tpick::Tpick(TWinControl* aOwner) : TQYcontrol(ownerOrMainForm(aOwner)) {
  withBackground = true;
  returnControl = Parent();
  Hide();  // shown only inside its dialog
  createRecent();
  TQYini& ini = settings();
  allowOverwrite = ini.readString("settings", "allow overwrite", "no") == "yes";
  withExtrawidth = ini.readString("settings", "show picker wide", "no") == "yes";
  (void)ini.readInteger("settings", "picker extra width", 250);
  extrawidth = 250;  // the stored width is written but never used
  xdivide = ini.readInteger("settings", "picker divider", gp(250));
  // Only a drag can set the divider, within these bounds; anything else came from elsewhere.
  if (xdivide <= gp(150) || xdivide >= gp(400)) xdivide = gp(250);
  newBut = std::make_unique<Tbutton>(this);
  newBut->setCaption(word("general", "New sub-directory"));
  newBut->Hide();
  newBut->onClick = [this](TQYbutton* b) { doClick(b); };
  saveedit = std::make_unique<Tedit>(this);
  saveedit->Hide();
  saveedit->onChange = [this](Tedit* e) { doClick(e); };
  // Enter in the name answers as OK would, with all its checks; not while OK is refused.
  saveedit->onEnter = [this](Tedit* e) {
    doClick(e);
    if (dlg && dlg->okbut && dlg->okbut->enabled()) dlg->ok();
  };
  split = std::make_unique<TVsplit>(this);
  split->onDrag = [this](TVsplit*) {
    if (split->dragging()) dividerMoved(false);
  };
  split->onDragged = [this](TVsplit*) { dividerMoved(true); };
  OnResize = [this](TWinControl*) { doResize(); };
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int y) { doMouseMove(x, y); };
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState s, int x, int y) { doMouseDown(b, s, x, y); };
  fextstr = ",dra,";
  lfextstr = fextstr;
  fext.add("dra");
}

Tpick::~Tpick() {
  *falive = false;
  dlg.reset();
  // The children go before the control's own window.
  pp.reset();
  pickPath.reset();
  tableList.reset();
  typeBox.reset();
  fileList.reset();
  stv.reset();
  split.reset();
  saveedit.reset();
  newBut.reset();
  xls.reset();
  if (returnControl && returnControl->Visible() && returnControl->HandleAllocated() && hasDesktop())
    desktop().setFocus(returnControl->Handle());
}

// ---- names --------------------------------------------------------------------------------------

std::string Tpick::getPath() const {
  if (fpath.find('/') == std::string::npos) return {};
  return withSlash(fpath);
}

std::string Tpick::typedName() const {
  std::string name = saveedit ? saveedit->text() : std::string();
  if (name.empty() || fext.count() == 0) return name;
  // The name keeps its own ending when it is one of the allowed extensions, in any case.
  const std::string lower = lowerCase(name) + ",";
  for (int i = 0; i < fext.count(); ++i)
    if (!fext[i].empty() && lower.find("." + lowerCase(fext[i]) + ",") != std::string::npos) return name;
  return name + "." + fext[0];
}

std::string Tpick::getFname() const {
  if (option == 3) return ffiles.count() > 0 ? getPath() + ffiles[0] : std::string();
  if (option == 4) {
    const std::string name = typedName();
    return name.empty() ? std::string() : getPath() + name;
  }
  return {};
}

std::string Tpick::getMulti() const {
  if (option != 3 || ffiles.count() == 0) return {};
  std::string s = getPath();
  for (int i = 0; i < ffiles.count(); ++i) s += "|" + ffiles[i];
  return s;
}

void Tpick::setext(const std::string& list) {
  fextstr = list == "*" ? std::string() : "," + list + ",";
  lfextstr = lowerCase(fextstr);
  fext.clear();
  if (list == "*") return;
  std::string rest = list;
  while (!rest.empty()) {
    const size_t c = rest.find(',');
    fext.add(rest.substr(0, c));
    rest.erase(0, c == std::string::npos ? rest.size() : c + 1);
  }
}

// ---- entry points -------------------------------------------------------------------------------

void Tpick::makeTypeBox(const TfileTypes& types) {
  if (types.size() < 2) return;
  typeBox = std::make_unique<TlistBox>(this);
  typeBox->Hide();
  typeList = std::make_unique<TStringList>();
  for (int t : types) TosText::addListID(*typeList, TosFileTypes::fileDescription(t), t);
}

void Tpick::startInGroupFolder(const std::string& group) {
  // A folder the caller set comes first; a remembered folder that is gone is no start.
  if (!fInitialDir.empty() || group.empty()) return;
  const std::string remembered = createRecent().getrecent(group);
  if (!remembered.empty() && TosFiles::DirectoryExists(remembered)) fInitialDir = remembered;
}

void Tpick::sizeTo(int width) { SetBounds(Left(), Top(), gp(width), gp(kHeight)); }

void Tpick::setOkEnabled(bool on) {
  if (dlg && dlg->okbut) dlg->okbut->setEnabled(on);
}

bool Tpick::runDialog(int x, int y, bool /*borderless*/, const std::string& builtCaption) {
  // The control set draws every dialog without the desktop's frame, so borderless placements
  // look the same as framed ones here.
  const bool hadCaption = !Caption.empty();
  if (!hadCaption) Caption = builtCaption;
  dlg = std::make_unique<TQYdlg>(this);
  dlg->Caption = Caption;
  std::weak_ptr<bool> alive = falive;
  dlg->onPreShow = [this, alive](TQYdlg*) {
    if (!os) return;
    os->delay(kPreShowDelayMs, [this, alive](TtrailSource*) {
      if (auto a = alive.lock(); a && *a && dlg) doPreShow(this);
    });
  };
  const int r = x == -1 ? dlg->showModal(this) : dlg->showModal(Rect(x, y, x, y), this);
  fpreShown = fready = false;
  return r == mrOk;
}

bool Tpick::Open(int x, int y, const std::string& group, const TfileTypes& types) {
  log("pick start");
  withPreview = !supressPreview;
  for (int t : types)
    if (t != file_dra && (t < file_bmp || t > file_shp)) withPreview = false;
  const std::string list = joinedExtensions(types);
  makeTypeBox(types);
  option = 3;
  pickPath = std::make_unique<TpickPath>(this);
  pickPath->caption = word("general", "current directory");
  pickPath->onresult = [this](TpickPath* p) { doClick(p); };
  setext(list);
  withtable = wantTables && (list.find("xlsx") != std::string::npos || list == "gpkg");
  if (withtable) multiselect = false;
  sizeTo((withPreview ? kOpenWidthPreview : withtable ? kOpenWidthTables : kPlainWidth) +
         (withExtrawidth ? extrawidth : 0));
  if (!defaultFname.empty()) fInitialDir = TosFiles::ExtractFilePath(defaultFname);
  else startInGroupFolder(group);
  log("pick a");
  const bool hadCaption = !Caption.empty();
  std::string built;
  if (multiselect) built = word("general", "Choose file or files of type") + " " + quoted(list);
  else if (withtable) built = word("general", "Choose file and table");
  else built = word("general", "Choose file of type") + " " + quoted(list);
  bool result = runDialog(x, y, x != -1, built);
  xls.reset();
  if (result && TosFileTypes::getFileType(getFname()) == file_tif) {
    const int depth = getTiffDepth(getFname());
    if (depth != 1 && depth != 8 && depth != 24 && depth != 32) {
      yo("this TIF sub-format not supported");
      result = false;
    }
  }
  if (result) {
    Trecent& r = createRecent();
    r.setRecent(group, getPath());
    // Every chosen file is remembered on its own, so each can be opened again.
    if (ffiles.count() > 1) {
      r.addMultifile(group, getMulti());
    } else if (!ftable.empty()) {
      r.add(group, getFname() + "[" + ftable + "]");
      if (recent2) recent2->add(getFname(), ftable);
    } else {
      r.add(group, getFname());
      if (recent2) recent2->add(getFname());
    }
  }
  dlg.reset();
  if (!hadCaption) Caption.clear();
  return result;
}

bool Tpick::Open(const std::string& group, const TfileTypes& types) { return Open(-1, -1, group, types); }

bool Tpick::Open(TWinControl* button, const std::string& group, const TfileTypes& types) {
  const TPoint p = atButton(button);
  return Open(p.X, p.Y, group, types);
}

bool Tpick::Open(int x, int y, const std::string& group, int type) { return Open(x, y, group, TfileTypes{type}); }
bool Tpick::Open(const std::string& group, int type) { return Open(group, TfileTypes{type}); }
bool Tpick::Open(int x, int y, int type) { return Open(x, y, TosFileTypes::getEXT(type), type); }

bool Tpick::Open(TWinControl* button, int type) {
  const TPoint p = atButton(button);
  return Open(p.X, p.Y, type);
}

bool Tpick::Open(TWinControl* button, const std::string& group, int type) {
  const TPoint p = atButton(button);
  return Open(p.X, p.Y, group, type);
}

bool Tpick::Open(int type) { return Open(TosFileTypes::getEXT(type), type); }

// The checks after a save dialog: the folder must take a new file, and an existing file is
// only written over when the user says so (in that order, or the question first).
bool Tpick::confirmSave(int x, int y, const std::string& group, bool overwriteFirst) {
  auto writeable = [&] {
    if (TosFiles::DirectoryExists(getPath()) && os && os->IsDirectoryWriteable(getPath())) return true;
    errmsg(quoted(getPath()) + " can not be written to");
    return false;
  };
  auto mayOverwrite = [&] { return allowOverwrite || OverwriteOK(x, y, getFname()); };
  const bool ok = overwriteFirst ? mayOverwrite() && writeable() : writeable() && mayOverwrite();
  if (ok) {
    createRecent().setRecent(group, getPath());
    recent->add(group, getFname());
  }
  return ok;
}

bool Tpick::Save(int x, int y, const std::string& group, int type) {
  option = 4;
  setext(TosFileTypes::getEXT(type));
  withPreview = false;
  startInGroupFolder(group);
  sizeTo(kPlainWidth + (withExtrawidth ? extrawidth : 0));
  const bool hadCaption = !Caption.empty();
  const std::string built = word("general", "Select or name new") + " " + quoted(TosFileTypes::getEXT(type)) + " " +
                            word("general", "file");
  bool result = runDialog(x, y, x != -1, built);
  dlg.reset();
  // A cancelled dialog stays cancelled: the checks run only on a confirmed name.
  if (result) result = confirmSave(x, y, group, false);
  if (!hadCaption) Caption.clear();
  return result;
}

bool Tpick::Save(const std::string& group, int type) { return Save(-1, -1, group, type); }
bool Tpick::Save(int type) { return Save(TosFileTypes::getEXT(type), type); }

bool Tpick::Save(TWinControl* button, int type) {
  const TPoint p = atButton(button);
  return Save(p.X, p.Y, TosFileTypes::getEXT(type), type);
}

bool Tpick::Save(int x, int y, const std::string& group, const TfileTypes& types) {
  const std::string list = joinedExtensions(types);
  makeTypeBox(types);
  option = 4;
  setext(list);
  withPreview = false;
  startInGroupFolder(group);
  sizeTo(kPlainWidth + (withExtrawidth ? extrawidth : 0));
  const std::string built = word("general", "Select or name new") + " " + quoted(list) + " " + word("general", "file");
  bool result = runDialog(x, y, false, built);
  if (result) result = confirmSave(x, y, group, true);
  dlg.reset();
  return result;
}

bool Tpick::Save(const std::string& group, const TfileTypes& types) { return Save(-1, -1, group, types); }

bool Tpick::Save(TWinControl* button, const std::string& group, const TfileTypes& types) {
  const TPoint p = atButton(button);
  return Save(p.X, p.Y, group, types);
}

bool Tpick::Save(TWinControl* button, const TfileTypes& types) { return Save(button, joinedExtensions(types), types); }

bool Tpick::chooseDir(int x, int y, const std::string& group, int type) {
  TcontrolScope proc(*this, "Choosedir");
  log("choosedir a");
  if (type > 0) {
    option = 2;
    setext(TosFileTypes::getEXT(type));
    sizeTo(kPlainWidth);
  } else {
    option = 1;
    sizeTo(kFolderWidth);
  }
  log("choosedir b");
  startInGroupFolder(group);
  log("choosedir c");
  std::string built = word("general", "Choose directory");
  if (type > 0) {
    built = word("general", "Choose directory of \"XXX\" files");
    if (const size_t at = built.find("XXX"); at != std::string::npos) built.replace(at, 3, TosFileTypes::getEXT(type));
  }
  log("choosedir d");
  const bool result = runDialog(x, y, x != -1, built);
  log("choosedir e");
  if (result) {
    createRecent().setRecent(group, getPath());
    if (recent2) recent2->add(getPath(), type > 0 ? TosFileTypes::getEXT(type) : std::string());
  }
  dlg.reset();
  log("choosedir f");
  return result;
}

bool Tpick::chooseDir(const std::string& group) { return chooseDir(group, 0); }
bool Tpick::chooseDir(const std::string& group, int type) { return chooseDir(-1, -1, group, type); }

bool Tpick::chooseDir(TWinControl* button, int type, const std::string& group) {
  const TPoint p = atButton(button);
  return chooseDir(p.X, p.Y, group, type);
}

bool Tpick::chooseDir(int x, int y, const std::string& group) { return chooseDir(x, y, group, 0); }

// ---- the first show -----------------------------------------------------------------------------

void Tpick::doPreShow(TtrailSource*) {
  if (fpreShown || !dlg) return;
  fpreShown = true;
  TcontrolScope proc(*this, "doPreShow");
  log("dopreshow a " + fInitialDir);
  SetCursor(Cursor::Wait);
  first = true;
  if (!stv) {
    stv = std::make_unique<TmyShellTree>(this);
    stv->Hide();
    stv->onClick = [this](TtreeView* t) { doClick(t); };
    stv->onChange = [this](TtreeView* t, TtreeNode*) { doClick(t); };
    stv->onDeletion = [this](TtreeView*, TtreeNode* n) { doDelete(n); };
    stv->loadPlaces();
    doResize();
  }
  log("dopreshow b");
  if (option == 4 && !defaultFname.empty()) {
    fInitialDir = TosFiles::ExtractFilePath(defaultFname);
    defaultPrefix = TosFiles::ExtractFilePrefix(defaultFname);
    saveedit->setText(defaultPrefix);
  }
  if (option == 4) saveedit->Show();
  log("dopreshow d");
  newBut->SetVisible(allowNewDir && option != 3);
  log("dopreshow e");
  // Without a folder of its own the picker starts at the first place (home).
  if (!fInitialDir.empty() && TosFiles::DirectoryExists(fInitialDir)) setPath(fInitialDir);
  else if (stv->topCount() > 0) setPath(stv->folderOf(stv->top(0)));
  log("dopreshow f");
  if (option == 3) setOkEnabled(false);
  else if (option == 4) setOkEnabled(!saveedit->text().empty());
  log("dopreshow g");
  Show();
  stv->Show();
  std::weak_ptr<bool> alive = falive;
  if (os)
    os->delay(kFirstClickDelayMs, [this, alive](TtrailSource*) {
      if (auto a = alive.lock(); !a || !*a || !stv || !dlg) return;
      doClick(stv.get());
      fready = true;
    });
  if (dlg) dlg->Show();
  SetCursor(Cursor::Default);
}
