// The picker's folder list of r_shellList.h. A folder is read with readdir; the hook sees each
// name first and only what it keeps is stat'ed, so a large folder with a filter stays quick. An
// item that vanishes between the two is left out; links are followed one step, never walked.
#include "ui/r_shellList.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/canvas.h"
#include "platform/controls.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "ui/r_controlSet.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int kEdge = 1;
constexpr int kBar = 17;

// Folders first, then by name without regard to ASCII case, then by bytes.
bool before(const TshellItem& a, const TshellItem& b) {
  if (a.folder != b.folder) return a.folder;
  const size_t n = std::min(a.name.size(), b.name.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ca = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(a.name[i])));
    const unsigned char cb = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(b.name[i])));
    if (ca != cb) return ca < cb;
  }
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.name < b.name;
}

std::string sizeText(const TshellItem& it) {
  if (it.folder) return {};
  const int64_t kb = (it.size + 1023) / 1024;
  std::string digits = std::to_string(kb);
  const std::string sep = localeThousandSeparator();
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), sep);
  return digits + " KB";
}

std::string dateText(TDateTime t) {
  if (t == 0) return {};
  const DateParts p = decodeDateTime(t);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
  return buf;
}
}  // namespace

std::string shellDisplayName(const std::string& name) {
  std::string s = validUtf8(name);
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) out += "\xEF\xBF\xBD";
    else out += c;
  }
  return out;
}

TShellListView::TShellListView(TWinControl* owner) : TQYcontrol(owner) {
  Color = clWhite;
  colour = static_cast<int32_t>(clWhite);
  TabStop = true;
  fitemHeight = gp(18);
  fbar = std::make_unique<TScrollBar>(this, TScrollBar::Kind::Vertical);
  fbar->Hide();
  fbar->OnChange = [this](TScrollBar* b) { setTopIndex(b->Position()); };
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState s, int x, int y) { mouseDown(b, s, x, y); };
  OnKeyDown = [this](TWinControl*, int& key, TShiftState s) { keyDown(key, s); };
  OnResize = [this](TWinControl*) { updateBar(); };
}

TShellListView::~TShellListView() = default;

// ---- the folder ---------------------------------------------------------------------------------

bool TShellListView::setRoot(const std::string& folder) {
  froot = folder;
  fitems.clear();
  fitemIndex = fanchor = -1;
  ftop = 0;
  const std::string dir = withSlash(folder);
  DIR* d = opendir(dir.c_str());
  bool ok = d != nullptr;
  if (d) {
    const int fd = dirfd(d);
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      TshellItem it;
      it.name = name;
      it.display = shellDisplayName(name);
      struct stat st {};
      bool statted = false;
      if (e->d_type == DT_DIR) {
        it.folder = true;
      } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
        // One stat through the link: a link to a folder is a folder; a broken one is left out.
        if (fstatat(fd, e->d_name, &st, 0) != 0) continue;
        statted = true;
        it.folder = S_ISDIR(st.st_mode);
      }
      if (onAddItem) {
        bool canAdd = true;
        onAddItem(this, it, canAdd);
        if (!canAdd) continue;
      }
      if (!statted && fstatat(fd, e->d_name, &st, 0) != 0) continue;  // gone meanwhile
      it.size = it.folder ? 0 : static_cast<int64_t>(st.st_size);
      const TDateTime utc = fromUnixSeconds(static_cast<double>(st.st_mtim.tv_sec));
      it.modified = utc + localOffsetMinutes(utc) / 1440.0;
      fitems.push_back(std::move(it));
    }
    closedir(d);
  }
  std::sort(fitems.begin(), fitems.end(), before);
  fsel.assign(fitems.size(), 0);
  changed();
  return ok;
}

bool TShellListView::Refresh() { return setRoot(froot); }

void TShellListView::clear() {
  fitems.clear();
  fsel.clear();
  fitemIndex = fanchor = -1;
  ftop = 0;
  changed();
}

void TShellListView::beginUpdate() { ++fupdating; }

void TShellListView::endUpdate() {
  if (fupdating > 0 && --fupdating == 0) changed();
}

void TShellListView::changed() {
  if (fupdating > 0) return;
  updateBar();
  Invalidate();
}

std::string TShellListView::fullPath(int i) const {
  if (i < 0 || i >= count()) return {};
  return withSlash(froot) + fitems[static_cast<size_t>(i)].name;
}

std::string TShellListView::selectedPath() const { return fullPath(fitemIndex); }

int TShellListView::indexOf(const std::string& name) const {
  for (int i = 0; i < count(); ++i)
    if (fitems[static_cast<size_t>(i)].name == name) return i;
  return -1;
}

// ---- selection ----------------------------------------------------------------------------------

void TShellListView::setItemIndex(int i) {
  if (i < -1 || i >= count()) i = -1;
  for (size_t k = 0; k < fsel.size(); ++k)
    if (fsel[k]) {
      fsel[k] = 0;
      invalidateItem(static_cast<int>(k));
    }
  invalidateItem(fitemIndex);
  fitemIndex = fanchor = i;
  if (i >= 0) fsel[static_cast<size_t>(i)] = 1;
  invalidateItem(i);
}

bool TShellListView::selected(int i) const {
  return i >= 0 && i < count() && static_cast<size_t>(i) < fsel.size() && fsel[static_cast<size_t>(i)] != 0;
}

void TShellListView::setSelected(int i, bool on) {
  if (i < 0 || i >= count()) return;
  if (!multiSelect && on) {
    setItemIndex(i);
    return;
  }
  fsel[static_cast<size_t>(i)] = on ? 1 : 0;
  if (!on && i == fitemIndex && !multiSelect) fitemIndex = -1;
  invalidateItem(i);
}

int TShellListView::selCount() const { return static_cast<int>(std::count(fsel.begin(), fsel.end(), 1)); }

void TShellListView::clearSelection() { setItemIndex(-1); }

void TShellListView::userSelect(int i, TShiftState s) {
  if (i < 0 || i >= count() || readOnly) return;
  if (multiSelect && (s & ssShift) && fanchor >= 0) {
    for (size_t k = 0; k < fsel.size(); ++k) fsel[k] = 0;
    for (int k = std::min(fanchor, i); k <= std::max(fanchor, i); ++k) fsel[static_cast<size_t>(k)] = 1;
    fitemIndex = i;
    Invalidate();
  } else if (multiSelect && (s & ssCtrl)) {
    fsel[static_cast<size_t>(i)] ^= 1;
    invalidateItem(fitemIndex);
    fitemIndex = fanchor = i;
    invalidateItem(i);
  } else {
    setItemIndex(i);
  }
  makeVisible(i);
  if (onClick) onClick(this);
}

// ---- columns and geometry -----------------------------------------------------------------------

int TShellListView::columnWidth(int c) const { return c >= 0 && c < 4 ? fwidths[c] : 0; }

void TShellListView::setColumnWidth(int c, int w) {
  if (c < 0 || c >= 4) return;
  fwidths[c] = std::max(w, 0);
  Invalidate();
}

TRect TShellListView::viewRect() const {
  const int right = Width() - kEdge - (fbar->Visible() ? kBar : 0);
  return Rect(kEdge, kEdge, std::max(right, kEdge), std::max(Height() - kEdge, kEdge));
}

int TShellListView::itemsInView() const { return viewRect().height() / std::max(fitemHeight, 1); }

void TShellListView::setTopIndex(int v) {
  const int maxTop = std::max(0, count() - std::max(itemsInView(), 1));
  v = std::clamp(v, 0, maxTop);
  if (v == ftop) return;
  ftop = v;
  fbar->SetPosition(ftop);
  Invalidate();
}

void TShellListView::scrollBy(int dy) { setTopIndex(ftop + dy / std::max(fitemHeight, 1)); }

void TShellListView::makeVisible(int i) {
  if (i < 0 || i >= count()) return;
  const int fit = std::max(itemsInView(), 1);
  if (i < ftop) setTopIndex(i);
  else if (i >= ftop + fit) setTopIndex(i - fit + 1);
}

TRect TShellListView::itemRect(int i) const {
  if (i < ftop || i >= count()) return {};
  const TRect v = viewRect();
  const int y = v.Top + (i - ftop) * fitemHeight;
  if (y >= v.Bottom) return {};
  return Rect(v.Left, y, v.Right, y + fitemHeight);
}

int TShellListView::itemAt(int x, int y) const {
  const TRect v = viewRect();
  if (!v.contains(TPoint{x, y})) return -1;
  const int i = ftop + (y - v.Top) / std::max(fitemHeight, 1);
  return i < count() ? i : -1;
}

void TShellListView::updateBar() {
  const int fit = std::max(itemsInView(), 1);
  const bool need = count() * fitemHeight > Height() - 2 * kEdge;
  if (need != fbar->Visible()) fbar->SetVisible(need);
  const TRect v = viewRect();
  fbar->SetBounds(v.Right, kEdge, kBar, v.height());
  fbar->SetParams(0, std::max(count() - 1, 0), fit);
  fbar->LargeChange = fit;
  ftop = std::clamp(ftop, 0, std::max(0, count() - fit));
  fbar->SetPosition(ftop);
}

void TShellListView::invalidateItem(int i) {
  if (fupdating > 0) return;
  const TRect r = itemRect(i);
  if (!r.isEmpty() && HandleAllocated() && hasDesktop()) desktop().invalidate(Handle(), &r);
}

// ---- painting -----------------------------------------------------------------------------------

void TShellListView::Paint() {
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  const int W = Width(), H = Height();
  const TRect v = viewRect();
  const TRect clip = cv.Handle()->clipBox();
  cv.Font.setName(programFace());
  cv.Font.setSize(fontsize > 0 ? fontsize : fontSize());
  cv.Font.setStyle(0);
  cv.Handle()->setBkMode(BkMode::Transparent);
  const int32_t sel = os ? os->selColour : 0x80503C;
  const TColor back = Color;
  int y = v.Top;
  for (int i = ftop; i < count() && y < v.Bottom; ++i, y += fitemHeight) {
    const TRect row = Rect(v.Left, y, v.Right, std::min(y + fitemHeight, v.Bottom));
    if (row.Bottom <= clip.Top || row.Top >= clip.Bottom) continue;
    const TshellItem& it = fitems[static_cast<size_t>(i)];
    const bool isSel = selected(i) && !readOnly;
    cv.Brush.Style = bsSolid;
    cv.Brush.Color = isSel ? static_cast<TColor>(Enabled() ? sel : 0xC0C0C0) : back;
    cv.FillRect(row);
    cv.Font.Color = isSel ? clWhite : static_cast<TColor>(Enabled() ? fontColour : 0x808080);
    // Each column is cut at its right edge.
    int x = v.Left + gp(4);
    auto cell = [&](int width, const std::string& text, bool right) {
      if (width <= 0) return;
      const TRect box = Rect(x, row.Top, std::min(x + width - gp(4), v.Right), row.Bottom);
      x += width;
      if (box.width() <= 0 || text.empty()) return;
      TDeviceContext* dc = cv.Handle();
      const int saved = dc->saveDC();
      dc->intersectClipRect(box.Left, box.Top, box.Right, box.Bottom);
      const int tx = right ? box.Right - cv.TextWidth(text) : box.Left;
      if (fontman) fontman->VCentredText(cv, tx, row.Top, row.Top + fitemHeight, text);
      else cv.TextOut(tx, row.Top + (fitemHeight - cv.TextHeight(text)) / 2, text);
      dc->restoreDC(saved);
    };
    cell(fwidths[colName], it.display, false);
    cell(fwidths[colSize], sizeText(it), true);
    cell(fwidths[colType], {}, false);
    cell(fwidths[colDate], dateText(it.modified), false);
  }
  if (y < v.Bottom) {
    cv.Brush.Style = bsSolid;
    cv.Brush.Color = back;
    cv.FillRect(Rect(v.Left, y, v.Right, v.Bottom));
  }
  cv.Pen.Width = 1;
  cv.Pen.Color = 0xA0A0A0;
  cv.Brush.Style = bsClear;
  cv.Rectangle(0, 0, W, H);
  cv.Brush.Style = bsSolid;
}

// ---- mouse and keys -----------------------------------------------------------------------------

void TShellListView::mouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (!Enabled()) return;
  if (HandleAllocated() && hasDesktop()) desktop().setFocus(Handle());
  if (b != mbLeft) return;
  const int i = itemAt(x, y);
  if (i >= 0) userSelect(i, s);
}

void TShellListView::keyDown(int key, TShiftState s) {
  const int to = navigatedIndex(key, fitemIndex, count(), std::max(itemsInView() - 1, 1));
  if (to >= 0 && to != fitemIndex) userSelect(to, s & ssShift);
}

LRESULT TShellListView::WndProc(TMsg& m) {
  if (m.message == WM_MOUSEWHEEL && !OnMouseWheel) {
    setTopIndex(ftop - GET_WHEEL_DELTA_WPARAM(m.wParam) / WHEEL_DELTA * 3);
    return 1;
  }
  return TQYcontrol::WndProc(m);
}
