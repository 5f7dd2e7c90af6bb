// The read-only tree of r_treeView.h. The shown nodes are one flat row list, rebuilt lazily after
// a change of structure or expansion; painting and hit tests work on rows, so only the rows in
// view cost anything. Text widths are measured once per node and only for shown rows.
// (1) frows holds exactly the nodes whose ancestors are all expanded, in depth-first order
// (2) every node's findex is its place among its siblings
// (3) ftotal counts every node of the tree
#include "ui/r_treeView.h"

#include <algorithm>

#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/canvas.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_controlSet.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int kEdge = 1;              // the one-pixel frame
constexpr int kBar = 17;              // a scroll bar's thickness
constexpr uint32_t kDoubleClickMs = 500;  // a second press on the same row within this toggles it
}  // namespace

// ---- TtreeNode ----------------------------------------------------------------------------------

TtreeNode::TtreeNode(TtreeView* view, TtreeNode* parent, std::string text, int32_t d)
    : data(d), fview(view), fparent(parent), ftext(std::move(text)) {}

void TtreeNode::setText(const std::string& s) {
  if (s == ftext) return;
  ftext = s;
  fwidth = -1;
  if (fview) fview->nodeTextChanged(this);
}

TtreeNode* TtreeNode::item(int i) const {
  return i >= 0 && i < count() ? fitems[static_cast<size_t>(i)].get() : nullptr;
}

int TtreeNode::level() const {
  int l = 0;
  for (const TtreeNode* p = fparent; p; p = p->fparent) ++l;
  return l;
}

void TtreeNode::setHasChildren(bool v) {
  if (v == fhasChildren) return;
  fhasChildren = v;
  if (fview) fview->invalidateNode(this);
}

std::string TtreeNode::path(const std::string& sep) const {
  std::vector<const TtreeNode*> chain;
  for (const TtreeNode* n = this; n; n = n->fparent) chain.push_back(n);
  std::string s;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!s.empty() || it != chain.rbegin()) s += sep;
    s += (*it)->ftext;
  }
  return s;
}

bool TtreeNode::isAncestorOf(const TtreeNode* n) const {
  for (const TtreeNode* p = n ? n->fparent : nullptr; p; p = p->fparent)
    if (p == this) return true;
  return false;
}

// ---- TtreeView: nodes ---------------------------------------------------------------------------

TtreeView::TtreeView(TWinControl* owner) : TQYcontrol(owner) {
  Color = clWhite;
  colour = static_cast<int32_t>(clWhite);
  TabStop = true;
  frowHeight = gp(18);
  fvbar = std::make_unique<TScrollBar>(this, TScrollBar::Kind::Vertical);
  fvbar->Hide();
  fvbar->OnChange = [this](TScrollBar* b) { setTopRow(b->Position()); };
  fhbar = std::make_unique<TScrollBar>(this, TScrollBar::Kind::Horizontal);
  fhbar->Hide();
  fhbar->OnChange = [this](TScrollBar* b) { setLeftOffset(b->Position()); };
  OnMouseDown = [this](TWinControl*, TMouseButton b, TShiftState s, int x, int y) { mouseDown(b, s, x, y); };
  OnKeyDown = [this](TWinControl*, int& key, TShiftState s) { keyDown(key, s); };
  OnResize = [this](TWinControl*) { updateBars(); };
}

TtreeView::~TtreeView() {
  // The owner may be half gone, and a derived tree is: the nodes go without events.
  ftops.clear();
}

TtreeNode* TtreeView::top(int i) const {
  return i >= 0 && i < topCount() ? ftops[static_cast<size_t>(i)].get() : nullptr;
}

void TtreeView::renumber(std::vector<std::unique_ptr<TtreeNode>>& items, size_t from) {
  for (size_t i = from; i < items.size(); ++i) items[i]->findex = static_cast<int>(i);
}

TtreeNode* TtreeView::add(TtreeNode* parent, const std::string& text, int32_t d) {
  return insert(parent, parent ? parent->count() : topCount(), text, d);
}

TtreeNode* TtreeView::insert(TtreeNode* parent, int index, const std::string& text, int32_t d) {
  auto& items = parent ? parent->fitems : ftops;
  const size_t at = static_cast<size_t>(std::clamp(index, 0, static_cast<int>(items.size())));
  auto it = items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), std::make_unique<TtreeNode>(this, parent, text, d));
  renumber(items, at);
  if (parent) parent->flisted = true;
  ++ftotal;
  // Only a change among shown rows needs the rows again.
  if (!parent || (parent->fexpanded && shown(parent))) rowsChanged();
  else invalidateNode(parent);
  return it->get();
}

void TtreeView::freeNode(std::unique_ptr<TtreeNode>& n) {
  // Children first, so that a handler never meets a child whose parent is gone.
  for (auto& c : n->fitems) freeNode(c);
  n->fitems.clear();
  if (fselected == n.get()) fselected = nullptr;
  if (flastClickNode == n.get()) flastClickNode = nullptr;
  --ftotal;
  doDeletion(n.get());
  n.reset();
}

void TtreeView::deleteNode(TtreeNode* n) {
  if (!n) return;
  auto& items = n->fparent ? n->fparent->fitems : ftops;
  const size_t at = static_cast<size_t>(n->findex);
  if (at >= items.size() || items[at].get() != n) return;
  std::unique_ptr<TtreeNode> gone = std::move(items[at]);
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(at));
  renumber(items, at);
  freeNode(gone);
  rowsChanged();
}

void TtreeView::deleteChildren(TtreeNode* n) {
  if (!n) return;
  for (auto& c : n->fitems) freeNode(c);
  n->fitems.clear();
  n->flisted = false;
  n->fexpanded = false;
  rowsChanged();
}

void TtreeView::clear() {
  for (auto& n : ftops) freeNode(n);
  ftops.clear();
  fselected = nullptr;
  ftotal = 0;
  ftop = 0;
  fleft = 0;
  rowsChanged();
}

void TtreeView::beginUpdate() { ++fupdating; }

void TtreeView::endUpdate() {
  if (fupdating > 0 && --fupdating == 0) rowsChanged();
}

void TtreeView::nodeTextChanged(TtreeNode* n) {
  fcontentWidth = -1;
  if (fupdating == 0) updateBars();
  invalidateNode(n);
}

// ---- finding ------------------------------------------------------------------------------------

TtreeNode* TtreeView::findChild(TtreeNode* parent, const std::string& text) const {
  const auto& items = parent ? parent->fitems : ftops;
  for (const auto& c : items)
    if (c->ftext == text) return c.get();
  return nullptr;
}

TtreeNode* TtreeView::findPath(const std::vector<std::string>& texts, Listing listing) {
  TtreeNode* at = nullptr;
  for (const std::string& t : texts) {
    if (at && listing == Listing::Yes) listChildren(at);
    at = findChild(at, t);
    if (!at) return nullptr;
  }
  return at;
}

TtreeNode* TtreeView::findPath(const std::string& path, const std::string& sep, Listing listing) {
  std::vector<std::string> texts;
  if (sep.empty()) {
    texts.push_back(path);
  } else {
    size_t from = 0;
    for (;;) {
      const size_t at = path.find(sep, from);
      texts.push_back(path.substr(from, at == std::string::npos ? std::string::npos : at - from));
      if (at == std::string::npos) break;
      from = at + sep.size();
    }
  }
  return findPath(texts, listing);
}

// ---- expanding ----------------------------------------------------------------------------------

void TtreeView::listChildren(TtreeNode* n) {
  if (!n || n->flisted) return;
  n->flisted = true;
  if (n->fhasChildren) {
    beginUpdate();
    doExpanding(n);
    endUpdate();
  }
  if (n->fitems.empty()) n->fhasChildren = false;
}

void TtreeView::doExpanding(TtreeNode* n) {
  if (onExpanding) onExpanding(this, n);
}

void TtreeView::doDeletion(TtreeNode* n) {
  if (onDeletion) onDeletion(this, n);
}

void TtreeView::expand(TtreeNode* n) {
  if (!n || n->fexpanded) return;
  listChildren(n);
  if (n->fitems.empty()) {
    invalidateNode(n);  // its button goes
    return;
  }
  n->fexpanded = true;
  rowsChanged();
}

void TtreeView::collapse(TtreeNode* n) {
  if (!n || !n->fexpanded) return;
  n->fexpanded = false;
  if (fselected && n->isAncestorOf(fselected)) fselected = n;
  rowsChanged();
}

void TtreeView::toggle(TtreeNode* n) {
  if (!n) return;
  if (n->fexpanded) collapse(n);
  else expand(n);
}

void TtreeView::forEachNode(const std::function<void(TtreeNode*)>& f) {
  std::vector<TtreeNode*> stack;
  for (auto& t : ftops) stack.push_back(t.get());
  while (!stack.empty()) {
    TtreeNode* n = stack.back();
    stack.pop_back();
    f(n);
    for (auto& c : n->fitems) stack.push_back(c.get());
  }
}

void TtreeView::expandAll() {
  beginUpdate();
  forEachNode([this](TtreeNode* n) { expand(n); });
  endUpdate();
}

void TtreeView::collapseAll() {
  beginUpdate();
  forEachNode([](TtreeNode* n) { n->fexpanded = false; });
  if (fselected)
    while (fselected->fparent) fselected = fselected->fparent;
  ftop = 0;
  endUpdate();
}

void TtreeView::makeVisible(TtreeNode* n) {
  if (!n) return;
  beginUpdate();
  for (TtreeNode* p = n->fparent; p; p = p->fparent) expand(p);
  endUpdate();
  const int r = rowOf(n);
  if (r < 0) return;
  const int fit = std::max(rowsInView(), 1);
  if (r < ftop) setTopRow(r);
  else if (r >= ftop + fit) setTopRow(r - fit + 1);
}

// ---- selection ----------------------------------------------------------------------------------

void TtreeView::setSelected(TtreeNode* n) {
  if (n == fselected) {
    makeVisible(n);
    return;
  }
  invalidateNode(fselected);
  fselected = n;
  makeVisible(n);
  invalidateNode(n);
}

void TtreeView::userSelect(TtreeNode* n) {
  if (!n || n == fselected) return;
  setSelected(n);
  if (onChange) onChange(this, n);
}

// ---- rows and geometry --------------------------------------------------------------------------

void TtreeView::rowsChanged() {
  frowsDirty = true;
  fcontentWidth = -1;
  if (fupdating > 0) return;
  updateBars();
  Invalidate();
}

void TtreeView::appendRows(TtreeNode* start) {
  // Depth first without recursion: folder trees may be deep.
  std::vector<TtreeNode*> stack{start};
  while (!stack.empty()) {
    TtreeNode* n = stack.back();
    stack.pop_back();
    frows.push_back(n);
    if (!n->fexpanded) continue;
    for (auto it = n->fitems.rbegin(); it != n->fitems.rend(); ++it) stack.push_back(it->get());
  }
}

void TtreeView::rebuildRows() {
  if (!frowsDirty) return;
  frowsDirty = false;
  frows.clear();
  for (auto& t : ftops) appendRows(t.get());
  for (size_t i = 0; i < frows.size(); ++i) frows[i]->frow = static_cast<int>(i);
}

int TtreeView::rowCount() {
  rebuildRows();
  return static_cast<int>(frows.size());
}

TtreeNode* TtreeView::rowNode(int row) {
  rebuildRows();
  return row >= 0 && row < static_cast<int>(frows.size()) ? frows[static_cast<size_t>(row)] : nullptr;
}

bool TtreeView::shown(const TtreeNode* n) {
  for (const TtreeNode* p = n ? n->fparent : nullptr; p; p = p->fparent)
    if (!p->fexpanded) return false;
  return n != nullptr;
}

int TtreeView::rowOf(const TtreeNode* n) {
  if (!shown(n)) return -1;
  rebuildRows();
  return n->frow;
}

TRect TtreeView::viewRect() const {
  const int right = Width() - kEdge - (fvbar->Visible() ? kBar : 0);
  const int bottom = Height() - kEdge - (fhbar->Visible() ? kBar : 0);
  return Rect(kEdge, kEdge, std::max(right, kEdge), std::max(bottom, kEdge));
}

int TtreeView::rowsInView() const { return viewRect().height() / std::max(frowHeight, 1); }

void TtreeView::setRowHeight(int v) {
  frowHeight = std::max(v, 1);
  rowsChanged();
}

void TtreeView::setTopRow(int v) {
  const int maxTop = std::max(0, rowCount() - std::max(rowsInView(), 1));
  v = std::clamp(v, 0, maxTop);
  if (v == ftop) return;
  ftop = v;
  fvbar->SetPosition(ftop);
  Invalidate();
}

void TtreeView::setLeftOffset(int v) {
  const int maxLeft = std::max(0, contentWidth() - viewRect().width());
  v = std::clamp(v, 0, maxLeft);
  if (v == fleft) return;
  fleft = v;
  fhbar->SetPosition(fleft);
  Invalidate();
}

int TtreeView::indentPx() const { return indent > 0 ? indent : gp(16); }

int TtreeView::levelLeft(int level) const { return kEdge + gp(2) + level * indentPx() - fleft; }

int TtreeView::imageSpace(const TtreeNode* n) const {
  if (!n || n->imageIndex < 0 || n->imageIndex >= static_cast<int>(images.size()) || !images[static_cast<size_t>(n->imageIndex)])
    return 0;
  return images[static_cast<size_t>(n->imageIndex)]->Width() + gp(3);
}

int TtreeView::textLeft(const TtreeNode* n) const {
  return n ? levelLeft(n->level()) + indentPx() + imageSpace(n) : 0;
}

TRect TtreeView::nodeRect(TtreeNode* n) {
  const int r = rowOf(n);
  if (r < ftop) return {};
  const TRect v = viewRect();
  const int y = v.Top + (r - ftop) * frowHeight;
  if (y >= v.Bottom) return {};
  return Rect(v.Left, y, v.Right, y + frowHeight);
}

TRect TtreeView::buttonRect(TtreeNode* n) {
  const TRect row = nodeRect(n);
  if (row.isEmpty()) return {};
  const int x = levelLeft(n->level());
  return Rect(x, row.Top, x + indentPx(), row.Bottom);
}

TtreeNode* TtreeView::nodeAt(int x, int y) {
  const TRect v = viewRect();
  if (!v.contains(TPoint{x, y})) return nullptr;
  return rowNode(ftop + (y - v.Top) / std::max(frowHeight, 1));
}

void TtreeView::setupFont(TCanvas& cv) const {
  cv.Font.setName(programFace());
  cv.Font.setSize(fontsize > 0 ? fontsize : fontSize());
  cv.Font.setStyle(0);
}

int TtreeView::measure(TtreeNode* n) {
  if (n->fwidth < 0) {
    TCanvas& cv = TQYbutton::backCanvas();
    setupFont(cv);
    n->fwidth = cv.TextWidth(n->ftext);
  }
  return n->fwidth;
}

int TtreeView::contentWidth() {
  rebuildRows();
  if (fcontentWidth >= 0) return fcontentWidth;
  int w = 0;
  for (TtreeNode* n : frows) w = std::max(w, textLeft(n) + fleft + measure(n) + gp(4));
  fcontentWidth = w;
  return w;
}

void TtreeView::updateBars() {
  if (fbarsBusy) return;
  fbarsBusy = true;
  rebuildRows();
  const int rows = static_cast<int>(frows.size());
  const int needW = contentWidth();
  // Each bar takes room from the other's direction: settle in two passes.
  bool vNeed = false, hNeed = false;
  for (int pass = 0; pass < 2; ++pass) {
    const int vw = Width() - 2 * kEdge - (vNeed ? kBar : 0);
    const int vh = Height() - 2 * kEdge - (hNeed ? kBar : 0);
    vNeed = rows * frowHeight > vh;
    hNeed = needW > vw;
  }
  if (vNeed != fvbar->Visible()) fvbar->SetVisible(vNeed);
  if (hNeed != fhbar->Visible()) fhbar->SetVisible(hNeed);
  const TRect v = viewRect();
  const int fit = std::max(rowsInView(), 1);
  fvbar->SetBounds(v.Right, kEdge, kBar, v.height());
  fvbar->SetParams(0, std::max(rows - 1, 0), fit);
  fvbar->LargeChange = fit;
  fhbar->SetBounds(kEdge, v.Bottom, v.width(), kBar);
  fhbar->SetParams(0, std::max(needW - 1, 0), std::max(v.width(), 1));
  fhbar->SmallChange = indentPx();
  fhbar->LargeChange = std::max(v.width(), 1);
  ftop = std::clamp(ftop, 0, std::max(0, rows - fit));
  fleft = std::clamp(fleft, 0, std::max(0, needW - v.width()));
  fvbar->SetPosition(ftop);
  fhbar->SetPosition(fleft);
  fbarsBusy = false;
}

void TtreeView::invalidateNode(TtreeNode* n) {
  if (!n || fupdating > 0 || !HandleAllocated() || !hasDesktop()) return;
  const TRect r = nodeRect(n);
  if (!r.isEmpty()) desktop().invalidate(Handle(), &r);
}

// ---- painting -----------------------------------------------------------------------------------

void TtreeView::Paint() {
  TCanvas& cv = Canvas();
  if (!cv.Handle()) return;
  rebuildRows();
  const int W = Width(), H = Height();
  const TRect v = viewRect();
  const TRect clip = cv.Handle()->clipBox();
  setupFont(cv);
  cv.Handle()->setBkMode(BkMode::Transparent);
  const int32_t sel = selectColour >= 0 ? selectColour : (os ? os->selColour : 0x80503C);
  const int ind = indentPx();
  int y = v.Top;
  for (int r = ftop; r < static_cast<int>(frows.size()) && y < v.Bottom; ++r, y += frowHeight) {
    const TRect row = Rect(v.Left, y, v.Right, std::min(y + frowHeight, v.Bottom));
    if (row.Bottom <= clip.Top || row.Top >= clip.Bottom) continue;
    TtreeNode* n = frows[static_cast<size_t>(r)];
    const bool isSel = n == fselected;
    cv.Brush.Style = bsSolid;
    cv.Brush.Color = isSel ? static_cast<TColor>(Enabled() ? sel : 0xC0C0C0) : clWhite;
    cv.FillRect(row);
    const int bx = levelLeft(n->level());
    const int mid = y + frowHeight / 2;
    if (n->hasChildren()) {
      // A small triangle: pointing right when closed, down when open.
      const int s = std::max(ind / 4, 3);
      const int cx = bx + ind / 2;
      cv.Pen.Color = isSel ? static_cast<TColor>(selectFontColour) : TColor(0x606060);
      cv.Brush.Color = cv.Pen.Color;
      if (n->fexpanded) {
        const TPoint tri[] = {{cx - s, mid - s / 2}, {cx + s, mid - s / 2}, {cx, mid + s / 2 + 1}};
        cv.Polygon(tri);
      } else {
        const TPoint tri[] = {{cx - s / 2, mid - s}, {cx - s / 2, mid + s}, {cx + s / 2 + 1, mid}};
        cv.Polygon(tri);
      }
    }
    int tx = bx + ind;
    if (const int isp = imageSpace(n); isp > 0) {
      const TBitmap* im = images[static_cast<size_t>(n->imageIndex)];
      cv.Draw(tx, mid - im->Height() / 2, *im);
      tx += isp;
    }
    cv.Font.Color = isSel ? static_cast<TColor>(selectFontColour)
                          : (Enabled() ? static_cast<TColor>(fontColour) : TColor(0x808080));
    if (fontman) fontman->VCentredText(cv, tx, row.Top, row.Top + frowHeight, n->ftext);
    else cv.TextOut(tx, mid - cv.TextHeight(n->ftext) / 2, n->ftext);
    if (onPostDrawNode) onPostDrawNode(this, n, row, isSel);
  }
  if (y < v.Bottom) {
    cv.Brush.Style = bsSolid;
    cv.Brush.Color = clWhite;
    cv.FillRect(Rect(v.Left, y, v.Right, v.Bottom));
  }
  if (fvbar->Visible() && fhbar->Visible()) {
    cv.Brush.Color = static_cast<TColor>(dlgColour);
    cv.FillRect(Rect(v.Right, v.Bottom, W - kEdge, H - kEdge));
  }
  cv.Pen.Width = 1;
  cv.Pen.Color = 0xA0A0A0;
  cv.Brush.Style = bsClear;
  cv.Rectangle(0, 0, W, H);
  cv.Brush.Style = bsSolid;
}

// ---- mouse and keys -----------------------------------------------------------------------------

void TtreeView::userExpand(TtreeNode* n) {
  if (!n || n->fexpanded || !n->hasChildren()) return;
  expand(n);
  if (n->fexpanded && onExpanded) onExpanded(this, n);
}

void TtreeView::userCollapse(TtreeNode* n) {
  if (!n || !n->fexpanded) return;
  TtreeNode* before = fselected;
  collapse(n);
  if (onCollapsed) onCollapsed(this, n);
  // A collapse that hid the selection moved it onto the collapsed node.
  if (fselected != before && onChange) onChange(this, fselected);
}

void TtreeView::userToggle(TtreeNode* n) {
  if (n && n->fexpanded) userCollapse(n);
  else userExpand(n);
}

void TtreeView::mouseDown(TMouseButton b, TShiftState, int x, int y) {
  if (!Enabled()) return;
  if (HandleAllocated() && hasDesktop()) desktop().setFocus(Handle());
  if (b != mbLeft) return;
  TtreeNode* n = nodeAt(x, y);
  if (!n) return;
  const TRect but = buttonRect(n);
  if (n->hasChildren() && x >= but.Left && x < but.Right) {
    userToggle(n);
    return;
  }
  const uint32_t now = hasDesktop() ? desktop().now() : 0;
  const bool twice = flastClickNode == n && now - flastClickAt <= kDoubleClickMs;
  flastClickNode = twice ? nullptr : n;
  flastClickAt = now;
  userSelect(n);
  if (onClick) onClick(this);
  if (twice) {
    userToggle(n);
    if (onDblClick) onDblClick(this);
  }
}

void TtreeView::keyDown(int key, TShiftState) {
  const int rows = rowCount();
  if (rows == 0) return;
  TtreeNode* n = fselected;
  if (const int to = navigatedIndex(key, rowOf(n), rows, std::max(rowsInView() - 1, 1)); to >= 0) {
    userSelect(rowNode(to));
    return;
  }
  if (!n) return;
  switch (key) {
    case VK_RIGHT:
      if (n->fexpanded && !n->fitems.empty()) userSelect(n->fitems.front().get());
      else userExpand(n);
      return;
    case VK_LEFT:
      if (n->fexpanded) userCollapse(n);
      else if (n->fparent) userSelect(n->fparent);
      return;
    case VK_ADD: userExpand(n); return;
    case VK_SUBTRACT: userCollapse(n); return;
    default: return;
  }
}

void TtreeView::wheel(int delta) { setTopRow(ftop - delta / WHEEL_DELTA * 3); }

LRESULT TtreeView::WndProc(TMsg& m) {
  switch (m.message) {
    case WM_MOUSEWHEEL:
      if (OnMouseWheel) break;
      wheel(GET_WHEEL_DELTA_WPARAM(m.wParam));
      return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      invalidateNode(fselected);
      break;
    default: break;
  }
  return TQYcontrol::WndProc(m);
}
