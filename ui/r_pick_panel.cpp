// Tpick's panel: the layout of tree, list, type list, path bar, save edit, preview and table list;
// moving to a folder; the extension filter; the one click handler of every part; the right-click
// paste of a file; wide mode; the new sub-folder; and the picker's own captions.
#include <dirent.h>

#include <algorithm>

#include "core/TQYini.h"
#include "core/Tyo.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "storage/r_ExcelLite.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_controlSet.h"
#include "ui/r_edit.h"
#include "ui/r_listBox.h"
#include "ui/r_modal.h"
#include "ui/r_pick.h"
#include "ui/r_pick_seams.h"
#include "ui/r_shellList.h"
#include "ui/r_shellTree.h"
#include "ui/r_slider.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int kDefaultTableId = 99;   // the table list's entry for a file without tables
constexpr uint32_t kRenameDelayMs = 50;
constexpr uint32_t kRefreshDelayMs = 100;

// Restores the default cursor on every way out.
class TwaitCursor {
 public:
  explicit TwaitCursor(TWinControl& c) : fc(c) { fc.SetCursor(Cursor::Wait); }
  ~TwaitCursor() { fc.SetCursor(Cursor::Default); }
  TwaitCursor(const TwaitCursor&) = delete;
  TwaitCursor& operator=(const TwaitCursor&) = delete;

 private:
  TWinControl& fc;
};

// The real name in the folder that equals `name` without regard to case (the exact one first);
// empty when none.
std::string nameNoCase(const std::string& folder, const std::string& name) {
  if (TosFiles::FileExists(withSlash(folder) + name)) return name;
  std::string found;
  if (DIR* d = opendir(withSlash(folder).c_str())) {
    while (dirent* e = readdir(d))
      if (sameNoCase(e->d_name, name)) {
        found = e->d_name;
        break;
      }
    closedir(d);
  }
  return found;
}
}  // namespace

// ---- layout -------------------------------------------------------------------------------------

void Tpick::doResize() {
  if (!stv) return;
  log("doResize a");
  const int left = gp(4), top = gp(40), margin = gp(8);
  const int H = Height(), W = Width();
  const int treeW = option == 1 ? gp(320) : xdivide - gp(4);
  const int treeH = std::max(H - top - margin, gp(20));
  stv->SetBounds(left, top, treeW, treeH);
  split->SetBounds(xdivide, top, gp(4), treeH);
  newBut->setBounds(left, top - gp(20), newBut->Width(), gp(18));
  const int listLeft = left + treeW + gp(4);
  const int listW = std::max(gp(650) - xdivide + (withExtrawidth ? gp(extrawidth) : 0), gp(40));
  log("doResize b");
  if (!fileList) {
    int listTop = top, listH = treeH;
    if (typeBox && typeList) {
      if (typeBox->count() == 0) {
        for (int i = 0; i < typeList->count(); ++i) typeBox->add((*typeList)[i], TosText::ListID(*typeList, i));
        typeBox->setItemIndex(0);
        setext(TosFileTypes::getEXT(typeBox->itemId()));
      }
      typeBox->SetBounds(listLeft, top, listW, typeBox->NaturalHeight());
      typeBox->onClick = [this](TlistBox* b) { doClick(b); };
      typeBox->Show();
      listTop += gp(20) + typeBox->Height();
      listH -= gp(20) + typeBox->Height();
    }
    fileList = std::make_unique<TShellListView>(this);
    fileList->SetBounds(listLeft, listTop, listW, std::max(listH, gp(20)));
    fileList->onAddItem = [this](TShellListView* l, const TshellItem& it, bool& canAdd) { doAddFolder(l, it, canAdd); };
    fileList->onClick = [this](TShellListView* l) { doClick(l); };
    if (option == 2) {
      fileList->readOnly = true;
      fileList->Color = 0xDCDCDC;
      fileList->fontColour = 0x808080;
    }
  } else {
    fileList->SetBounds(listLeft, fileList->Top(), listW, fileList->Height());
    if (typeBox && typeBox->Visible()) typeBox->SetBounds(listLeft, typeBox->Top(), listW, typeBox->Height());
  }
  log("doResize c");
  if (option == 3 && pickPath) pickPath->SetBounds(gp(4), gp(4), W, gp(12));
  else pickPath.reset();
  const int listRight = fileList->Left() + fileList->Width();
  if (option == 4) {
    // The typed name stays as it is: the first show puts the suggested name in.
    saveedit->SetBounds(listRight - gp(200), gp(2), gp(200), gp(20));
  } else {
    saveedit->Hide();
  }
  const int x2 = listRight + gp(4);
  if (withPreview) {
    if (!pp) pp = std::make_unique<TpickPreview>(this);
    pp->SetBounds(x2, fileList->Top(), std::max(W - x2, 1), fileList->Height());
    pp->Show();
  } else if (pp) {
    pp->Hide();
  }
  if (withtable) {
    if (!tableList) {
      tableList = std::make_unique<TlistBox>(this);
      tableList->onClick = [this](TlistBox* l) { doClick(l); };
    }
    tableList->SetBounds(x2, fileList->Top(), std::max(W - x2 - gp(4), 1), fileList->Height());
    tableList->Show();
  } else if (tableList) {
    tableList->Hide();
  }
  extraBox = Rect(W - gp(16), fileList->Top() - gp(16), W - gp(4), fileList->Top() - gp(4));
  split->BringToFront();
  log("doResize d");
}

// ---- moving to a folder -------------------------------------------------------------------------

void Tpick::setPath(std::string folder) {
  TcontrolScope proc(*this, "setPath");
  TwaitCursor cursor(*this);
  try {
    log("setPath a " + folder);
    seterr("a");
    // Drives, network namespaces and server names have no counterpart here.
    if (folder.empty() || !TosFiles::DirectoryExists(folder)) return;
    seterr("b");
    fpath = folder;
    if (fInitialDir.empty()) fInitialDir = folder;
    if (option == 3 && pickPath) pickPath->setpath(fpath);
    if (first && stv) {
      log("setPath b");
      pickSeam::busy("Windows discovering locations");
      log("setPath b0");
      stv->setPath(folder);
      log("setPath b1");
      pickSeam::busyHide();
      log("setPath b2");
    }
    first = false;
    log("setPath c");
    if (fileList) {
      seterr("e");
      fileList->multiSelect = multiselect && option == 3;
      fileList->beginUpdate();
      seterr("e0");
      ffiles.clear();
      fileList->setRoot(folder);  // a folder that cannot be read shows an empty list
      for (int c = 0; c < 4; ++c) {
        seterr("f5 " + std::to_string(c) + " 3");
        const int w = c == TShellListView::colName   ? fileList->Width() - gp(104) - 104
                      : c == TShellListView::colSize ? 80
                      : c == TShellListView::colType ? 0
                                                     : gp(104);
        fileList->setColumnWidth(c, w);
      }
      fileList->endUpdate();
    }
    seterr("f6");
    if (pp) pp->setname("");
    seterr("f7");
    if (option == 3) setOkEnabled(false);
    else if (option == 4) setOkEnabled(!typedName().empty() && saveedit->text().find('/') == std::string::npos);
    else setOkEnabled(!getPath().empty());
    seterr("f8");
    Invalidate();
  } catch (const std::exception& e) {
    seterr("x");
    log("setPath failed to set path " + err() + " " + e.what());
  }
}

// ---- the filter ---------------------------------------------------------------------------------

void Tpick::doAddFolder(TShellListView*, const TshellItem& item, bool& canAdd) {
  const std::string name = lowerCase(item.name);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    canAdd = false;
    return;
  }
  if (fextstr.empty()) return;
  const std::string ext = name.substr(dot + 1);
  if (lfextstr.find("," + ext + ",") == std::string::npos) {
    canAdd = false;
    return;
  }
  if (wantedBitDepth > 0 && (ext == "bmp" || ext == "tif")) {
    const int type = ext == "bmp" ? file_bmp : file_tif;
    if (pickSeam::bitDepth(withSlash(fpath) + item.name, type) != wantedBitDepth) canAdd = false;
  }
}

// ---- clicks -------------------------------------------------------------------------------------

void Tpick::doClick(TWinControl* sender) {
  if (!sender) return;
  if (pickPath && sender == pickPath.get()) {
    first = true;
    setPath(pickPath->getPath());
  } else if (stv && sender == stv.get()) {
    // A click on the folder shown already changes nothing.
    const std::string f = stv->path();
    if (!f.empty() && withSlash(f) != getPath()) setPath(f);
  } else if (typeBox && sender == typeBox.get()) {
    typeBoxClick();
  } else if (newBut && sender == newBut.get()) {
    makeNewFolder();
  } else if (fileList && sender == fileList.get()) {
    fileListClick();
  } else if (tableList && sender == tableList.get()) {
    ftable = tableList->itemId() == kDefaultTableId || tableList->itemIndex() < 0 ? std::string()
                                                                                 : tableList->Items[tableList->itemIndex()];
  } else if (saveedit && sender == saveedit.get()) {
    saveEditChanged();
  }
}

void Tpick::typeBoxClick() {
  if (typeBox->itemIndex() < 0) return;
  setext(TosFileTypes::getEXT(typeBox->itemId()));
  setPath(fpath);  // lists the folder again through the new filter
}

void Tpick::fileListClick() {
  ffiles.clear();
  const int index = fileList->itemIndex();
  if (option == 3 && multiselect) {
    for (int i = 0; i < fileList->count(); ++i)
      if (fileList->selected(i)) ffiles.add(fileList->item(i).name);
  } else if (index >= 0) {
    ffiles.add(fileList->item(index).name);
    if (option == 4) saveedit->setText(fileList->item(index).display);
    const TRect strip = Rect(0, 0, Width(), gp(24));
    if (HandleAllocated() && hasDesktop()) desktop().invalidate(Handle(), &strip);
  }
  if (pp && withPreview && index >= 0) pp->setname(fileList->fullPath(index));
  if (tableList && tableList->Visible()) {
    TwaitCursor cursor(*this);
    fillTables(index >= 0 ? fileList->fullPath(index) : std::string());
  }
  setOkEnabled(fileList->selCount() > 0 || (option == 4 && !saveedit->text().empty()));
}

void Tpick::fillTables(const std::string& file) {
  tableList->clear();
  ftable.clear();
  if (file.empty()) return;
  const int type = TosFileTypes::getFileType(file);
  TStringList names;
  if (type == file_xlsx || type == file_gpkg) {
    if (type == file_xlsx) (void)getSheets(file, names);
    else (void)pickSeam::gpkgLayerNames(file, names);
    for (int i = 0; i < names.count(); ++i) tableList->add(names[i], i);
    if (names.count() > 0) {
      tableList->setItemIndex(0);
      ftable = names[0];
    }
    return;
  }
  tableList->add(word("data", "default table"), kDefaultTableId);
  tableList->setItemIndex(0);
}

void Tpick::saveEditChanged() {
  const std::string typed = lowerCase(typedName());
  int found = -1;
  for (int i = 0; i < fileList->count() && found < 0; ++i)
    if (lowerCase(fileList->item(i).name) == typed) found = i;
  fileList->setItemIndex(found);
  fileList->makeVisible(found);
  // A name with a folder in it would save elsewhere than the folder shown.
  setOkEnabled(!saveedit->text().empty() && saveedit->text().find('/') == std::string::npos);
}

void Tpick::dividerMoved(bool released) {
  if (!released) {
    const int to = split->Left() + split->dx();
    if (to > gp(150) && to < gp(400)) split->SetLeft(to);
    return;
  }
  xdivide = split->Left();
  doResize();
  settings().writeInteger("settings", "picker divider", xdivide);
  Invalidate();
}

// ---- the new sub-folder -------------------------------------------------------------------------

void Tpick::makeNewFolder() {
  const std::string parent = stv->path();
  if (parent.empty()) return;
  editing = true;
  const std::string dir = withSlash(parent) + word("general", "new sub-directory");
  if (!os || !os->MakeDirectory(dir)) {
    editing = false;
    yo("\"" + shellDisplayName(parent) + "\" can not be written to");
    return;
  }
  newpath = dir;
  std::weak_ptr<bool> alive = falive;
  os->delay(kRenameDelayMs, [this, alive](TtrailSource*) {
    if (auto a = alive.lock(); a && *a) doRefreshPath();
  });
  stv->refreshNode(stv->selected());
}

void Tpick::doRefreshPath() {
  first = true;
  setPath(newpath);
  TtreeNode* n = stv->nodeOf(newpath);
  if (!n) {
    editing = false;
    return;
  }
  stv->onEdited = [this](TmyShellTree*, TtreeNode*) { doEdited(); };
  parentNode = n->parent();
  stv->startEdit(n);
}

void Tpick::doEdited() {
  std::weak_ptr<bool> alive = falive;
  if (os)
    os->delay(kRefreshDelayMs, [this, alive](TtrailSource*) {
      if (auto a = alive.lock(); a && *a) doPostEdited();
    });
}

void Tpick::doDelete(TtreeNode* n) {
  // A node that goes may be the one kept for the refresh: never keep a freed node.
  if (n == parentNode) parentNode = nullptr;
}

void Tpick::doPostEdited() {
  if (parentNode) stv->refreshNode(parentNode);
  parentNode = nullptr;
  // The folder shown may have been renamed: the list follows the tree.
  const std::string f = stv->path();
  if (!f.empty() && withSlash(f) != getPath()) setPath(f);
  Invalidate();
  editing = false;
}

// ---- mouse: the paste and wide mode -------------------------------------------------------------

void Tpick::doMouseDown(TMouseButton b, TShiftState, int x, int y) {
  if (b == mbRight) {
    if (hasDesktop()) pasteFile(desktop().backend().clipboardText());
    return;
  }
  if (extraBox.contains(TPoint{x, y})) toggleWide();
}

void Tpick::doMouseMove(int x, int y) {
  const bool over = extraBox.contains(TPoint{x, y});
  hit = over ? 1 : 0;
  SetCursor(over ? Cursor::Hand : Cursor::Default);
  Hint = over ? word("general", withExtrawidth ? "narrower" : "wider") : std::string();
  ShowHint = over;
}

void Tpick::pasteFile(const std::string& clip) {
  if (!fileList) return;
  std::string text = clip;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  if (text.empty() || text.back() == '/') return;
  const bool full = text.find('/') != std::string::npos;
  const std::string folder = full ? TosFiles::ExtractFilePath(text) : getPath();
  if (folder.empty() || !TosFiles::DirectoryExists(folder)) return;
  const std::string name = nameNoCase(folder, TosFiles::ExtractFileName(text));
  if (name.empty()) return;
  if (full && withSlash(folder) != getPath()) {
    first = true;
    setPath(folder);
  }
  int found = fileList->indexOf(name);
  for (int i = 0; i < fileList->count() && found < 0; ++i)
    if (sameNoCase(fileList->item(i).name, name)) found = i;
  if (found < 0) return;
  fileList->setItemIndex(found);
  fileListClick();
  fileList->scrollBy((found - fileList->topIndex() - 1) * fileList->itemHeight());
}

void Tpick::toggleWide() {
  withExtrawidth = !withExtrawidth;
  const int delta = withExtrawidth ? gp(extrawidth) : -gp(extrawidth);
  SetWidth(Width() + delta);
  doResize();
  if (fileList) fileList->setColumnWidth(TShellListView::colName, fileList->Width() - fileList->columnWidth(TShellListView::colDate) - 104);
  if (dlg) dlg->reSize();
  if (fileList) fileListClick();
  settings().writestring("settings", "show picker wide", withExtrawidth ? "yes" : "no");
  settings().writeInteger("settings", "picker extra width", extrawidth);
  Invalidate();
  if (dlg) dlg->Invalidate();
  if (pp) pp->refresh();
}

// ---- painting -----------------------------------------------------------------------------------

std::string Tpick::fileCountText() const {
  const int c = fileList ? fileList->count() : 0;
  const std::string e = fextstr.size() >= 2 ? fextstr.substr(1, fextstr.size() - 2) : std::string();
  if (fextstr.empty()) return std::to_string(c) + " files found";
  if (c == 0) return "no \"" + e + "\" files found";
  if (c == 1) return "1 \"" + e + "\" file found";
  return std::to_string(c) + " \"" + e + "\" files found";
}

void Tpick::Paint() {
  TQYcontrol::Paint();  // the dialog colour behind the parts
  TCanvas& cv = Canvas();
  if (!cv.Handle() || !fileList || !fontman) return;
  cv.Handle()->setBkMode(BkMode::Transparent);
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  fontman->CaptionT(cv, fileList.get(), fileCountText());
  if (tableList && tableList->Visible()) fontman->CaptionT(cv, tableList.get(), word("data", "tables"));
  cv.Font.Color = clBlue;
  const int32_t blue = 0xFF0000;
  if (option == 3 || option == 4) {
    if (typeBox && typeBox->Visible()) fontman->CaptionT(cv, typeBox.get(), word("general", "file type"), blue);
  }
  if (option == 4 && saveedit->Visible()) {
    cv.Font.Color = clBlue;
    const std::string label = word("general", "filename") + ": ";
    const int room = saveedit->Left() - gp(4) - cv.TextWidth(label) - 4;
    const std::string shown = TosNumberText::shortenedFilename([&](const std::string& s) { return cv.TextWidth(s); }, room,
                                                               shellDisplayName(getPath()));
    const std::string text = label + shown;
    const unsigned was = TfontMan::align(cv, 2);  // right-aligned
    fontman->VCentredText(cv, saveedit->Left() - gp(4), saveedit->Top(), saveedit->Top() + saveedit->Height(), text);
    TfontMan::align(cv, was);
  } else if (option == 1 || option == 2) {
    cv.Font.Color = clBlue;
    fontman->TopTextOut(cv, gp(4), gp(6), word("general", "current directory") + ": " + shellDisplayName(getPath()));
  }
  const int listTop = fileList->Top();
  cv.Font.Color = 0;
  cv.Font.setName(fontman->getFontName("Arial"));
  fontman->VCentredText(cv, extraBox.Left, listTop - gp(10), withExtrawidth ? "\u25C4" : "\u25BA");
  cv.Font.setName(programFace());
}
