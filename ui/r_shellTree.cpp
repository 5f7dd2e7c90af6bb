// The picker's folder tree of r_shellTree.h. Each node keeps only its own name on the disk (a top
// node its whole folder), so a renamed folder renames its whole branch; names are shown through
// shellDisplayName. Sub-folders are read with readdir, one stat for links and unknown kinds.
#include "ui/r_shellTree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/Tyo.h"
#include "core/r_base.h"
#include "platform/canvas.h"
#include "platform/folders.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"
#include "ui/r_edit.h"
#include "ui/r_shellList.h"

using namespace platform;
using namespace controlset;

namespace {
// "/home/ann/maps/" and "/home/ann/maps" are one folder; "/" stays "/".
std::string plainFolder(const std::string& folder) {
  std::string s = std::filesystem::path(folder).lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool isFolder(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool lessNoCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i])), cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}
}  // namespace

TmyShellTree::TmyShellTree(TWinControl* owner) : TtreeView(owner) {}

TmyShellTree::~TmyShellTree() {
  fending = true;  // the edit goes with us: no renaming on the way out
  fedit.reset();
}

void TmyShellTree::loadPlaces() { setPlaces(folderPlaces()); }

void TmyShellTree::setPlaces(const std::vector<TfolderPlace>& places) {
  beginUpdate();
  clear();
  fplaces = places;
  for (const TfolderPlace& p : fplaces) {
    TtreeNode* n = add(nullptr, shellDisplayName(p.name));
    fnames[n] = withSlash(p.path);
    n->setHasChildren(true);
  }
  endUpdate();
}

std::string TmyShellTree::folderOf(const TtreeNode* n) const {
  if (!n) return {};
  std::vector<const TtreeNode*> chain;
  for (const TtreeNode* p = n; p; p = p->parent()) chain.push_back(p);
  std::string s;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    auto f = fnames.find(*it);
    if (f == fnames.end()) return {};
    if (it != chain.rbegin()) s = withSlash(s);
    s += f->second;
  }
  return plainFolder(s);
}

std::string TmyShellTree::path() const { return folderOf(selected()); }

TtreeNode* TmyShellTree::addFolder(TtreeNode* parent, const std::string& name) {
  TtreeNode* n = add(parent, shellDisplayName(name));
  fnames[n] = name;
  n->setHasChildren(true);
  if (ficon) n->imageIndex = 0;
  return n;
}

void TmyShellTree::listFolders(TtreeNode* n) {
  const std::string dir = withSlash(folderOf(n));
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    const int fd = dirfd(d);
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      if (!showHidden && name[0] == '.') continue;
      bool folder = e->d_type == DT_DIR;
      if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
        struct stat st {};
        folder = fstatat(fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
      }
      if (folder) names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end(), lessNoCase);
  for (const std::string& name : names) addFolder(n, name);
}

void TmyShellTree::doExpanding(TtreeNode* n) {
  listFolders(n);
  TtreeView::doExpanding(n);
}

void TmyShellTree::doDeletion(TtreeNode* n) {
  if (n == fedited) {
    fedited = nullptr;
    if (fedit) fedit->Hide();
  }
  fnames.erase(n);
  TtreeView::doDeletion(n);
}

TtreeNode* TmyShellTree::placeHolding(const std::string& folder, std::string& rest) {
  // Top nodes hold whole folders: the one that holds the folder most closely is the way in.
  const std::string want = withSlash(folder);
  TtreeNode* at = nullptr;
  size_t best = 0;
  for (int i = 0; i < topCount(); ++i) {
    const std::string base = withSlash(folderOf(top(i)));
    if (want.rfind(base, 0) == 0 && base.size() > best) {
      best = base.size();
      at = top(i);
    }
  }
  rest = at ? want.substr(best) : std::string();
  return at;
}

TtreeNode* TmyShellTree::childNamed(TtreeNode* n, const std::string& name) {
  for (int i = 0; i < n->count(); ++i)
    if (fnames[n->item(i)] == name) return n->item(i);
  return nullptr;
}

namespace {
std::string nextPart(std::string& rest) {
  const size_t s = rest.find('/');
  std::string name = rest.substr(0, s);
  rest.erase(0, s == std::string::npos ? rest.size() : s + 1);
  return name;
}
}  // namespace

TtreeNode* TmyShellTree::nodeOf(const std::string& folder) {
  std::string rest;
  TtreeNode* at = placeHolding(plainFolder(folder), rest);
  while (at && !rest.empty()) at = childNamed(at, nextPart(rest));
  return at;
}

bool TmyShellTree::setPath(const std::string& folder) {
  const std::string want = plainFolder(folder);
  if (want.empty() || !isFolder(want)) return false;
  if (topCount() == 0) loadPlaces();
  std::string rest;
  TtreeNode* at = placeHolding(want, rest);
  if (!at) return false;
  beginUpdate();
  while (!rest.empty()) {
    const std::string name = nextPart(rest);
    listChildren(at);
    TtreeNode* next = childNamed(at, name);
    if (!next) {
      // Made since the node was listed, or hidden: list again, else take it as it is.
      refreshNode(at);
      listChildren(at);
      next = childNamed(at, name);
    }
    at = next ? next : addFolder(at, name);
  }
  endUpdate();
  setSelected(at);
  return true;
}

void TmyShellTree::refreshNode(TtreeNode* n) {
  if (!n) return;
  const bool open = n->expanded();
  const std::string sel = selected() && n->isAncestorOf(selected()) ? path() : std::string();
  beginUpdate();
  deleteChildren(n);
  n->setHasChildren(true);
  if (open) expand(n);
  endUpdate();
  if (!sel.empty() && !setPath(sel)) setSelected(n);
}

// ---- in-place renaming --------------------------------------------------------------------------

void TmyShellTree::startEdit(TtreeNode* n) {
  if (!n || !n->parent()) return;  // places keep their names
  if (fedited) endEdit(false);
  makeVisible(n);
  if (!fedit) {
    fedit = std::make_unique<Tedit>(this);
    auto keys = fedit->OnKeyDown;
    fedit->OnKeyDown = [this, keys](TWinControl* c, int& key, TShiftState s) {
      if (key == VK_RETURN || key == VK_ESCAPE) {
        endEdit(key == VK_RETURN);
        return;
      }
      if (keys) keys(c, key, s);
    };
    fedit->onExit = [this](Tedit*) { endEdit(true); };
    // Enter and Escape end the renaming, not the dialog around the tree.
    fedit->keepsKey = [](int vk) { return vk == VK_RETURN || vk == VK_ESCAPE; };
  }
  fedited = n;
  const TRect r = nodeRect(n);
  const int x = textLeft(n) - gp(2);
  fedit->SetBounds(x, r.Top, std::max(viewRect().Right - x, gp(60)), r.height());
  fedit->setText(n->text());
  fedit->selectAll();
  fedit->Show();
  fedit->BringToFront();
  if (fedit->HandleAllocated() && hasDesktop()) desktop().setFocus(fedit->Handle());
}

void TmyShellTree::endEdit(bool accept) {
  if (!fedited || fending) return;
  fending = true;
  TtreeNode* n = fedited;
  fedited = nullptr;
  const std::string typed = fedit->text();
  fedit->Hide();
  if (HandleAllocated() && hasDesktop()) desktop().setFocus(Handle());
  const std::string old = fnames[n];
  std::string name = typed;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  while (!name.empty() && name.front() == ' ') name.erase(0, 1);
  if (accept && !name.empty() && name != old) {
    const std::string parent = withSlash(folderOf(n->parent()));
    std::string why;
    struct stat st {};
    if (name == "." || name == ".." || name.find('/') != std::string::npos || name.size() > 255)
      why = word("general", "that is not a name a folder can have");
    else if (lstat((parent + name).c_str(), &st) == 0)
      why = word("general", "a file or folder of that name exists");
    else if (std::rename((parent + old).c_str(), (parent + name).c_str()) != 0)
      why = std::strerror(errno);
    if (why.empty()) {
      fnames[n] = name;
      n->setText(shellDisplayName(name));
    } else {
      yo("\"" + shellDisplayName(old) + "\" " + word("general", "can not be renamed to") + " \"" + shellDisplayName(name) +
         "\": " + why);
    }
  }
  fending = false;
  if (onEdited) onEdited(this, n);
}
