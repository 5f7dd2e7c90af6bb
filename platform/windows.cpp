// The window tree, the message queue, timers and modal loops of windows.h.
// Handles are never reused in a run, so a stale handle simply names no window. Nothing here
// holds a node across a call into a window procedure: procedures may create or destroy windows.
#include "platform/windows.h"

#include "platform/imagecodec.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform {

constexpr uint32_t kTimerMinimum = 10;  // a repeating timer never ticks faster than this
constexpr uint32_t kLongestWait = 500;  // waits without a timer are cut into slices of this

struct TDesktop::Node {
  HWND h = 0;
  HWND parent = 0;
  std::vector<HWND> children;  // bottom first
  TRect bounds;
  uint32_t style = 0;
  bool visible = false;
  bool enabled = true;
  std::string cls, title;
  TWindowProc* proc = nullptr;
  Cursor cursor = Cursor::Default;
  TSurface buffer;  // top-level windows: the back buffer
  TRegion dirty;    // top-level windows: form pixels to paint
  HWND focusBefore = 0;  // top-level windows: where the focus came from into this one
};

struct TDesktop::Timer {
  HWND h = 0;
  uintptr_t id = 0;
  uint32_t interval = 0;
  uint32_t due = 0;
  std::function<void()> callback;
};

namespace {
// Signed distance between two wrapping tick counts.
int32_t ticksUntil(uint32_t due, uint32_t now) { return static_cast<int32_t>(due - now); }
}  // namespace

namespace {
// Each desktop numbers its windows in a range of its own, so a handle kept from a replaced
// desktop never names a window of the next.
uint32_t nextHandleBase() {
  static uint32_t base = 0;
  base += 0x100000;
  return base;
}
}  // namespace

TDesktop::TDesktop(std::unique_ptr<TBackend> b) : fbackend(std::move(b)), fbase(nextHandleBase()) {}

TDesktop::~TDesktop() {
  for (auto it = ftop.rbegin(); it != ftop.rend(); ++it) fbackend->destroyWindow(*it);
}

TDesktop::Node* TDesktop::node(HWND h) {
  if (h <= fbase || h - fbase > fnodes.size()) return nullptr;
  return fnodes[h - fbase - 1].get();
}
TDesktop::Node const* TDesktop::node(HWND h) const {
  if (h <= fbase || h - fbase > fnodes.size()) return nullptr;
  return fnodes[h - fbase - 1].get();
}

// ---------------------------------------------------------------------------------------------
// Windows

HWND TDesktop::createWindow(TWindowDesc const& d) {
  if (d.parent != 0 && !isWindow(d.parent)) return 0;
  auto n = std::make_unique<Node>();
  const HWND h = fbase + static_cast<HWND>(fnodes.size() + 1);
  n->h = h;
  n->parent = d.parent;
  n->bounds = d.bounds;
  n->style = d.style;
  n->visible = (d.style & WS_VISIBLE) != 0;
  n->enabled = (d.style & WS_DISABLED) == 0;
  n->cls = d.className;
  n->title = d.title;
  n->proc = d.proc;
  if (d.parent == 0) {
    n->buffer.create(std::max(d.bounds.width(), 1), std::max(d.bounds.height(), 1), 24);
    n->dirty.setRect(Rect(0, 0, d.bounds.width(), d.bounds.height()));
  }
  fnodes.push_back(std::move(n));
  if (d.parent != 0) {
    node(d.parent)->children.push_back(h);
  } else {
    ftop.push_back(h);
    bringToFront(h);
    if (!fbackend->createWindow(h, d)) {
      fnodes[h - fbase - 1].reset();
      ftop.erase(std::find(ftop.begin(), ftop.end(), h));
      return 0;
    }
  }
  sendMessage(h, WM_CREATE);
  if (isWindow(h) && node(h)->visible) {
    if (d.parent == 0) fbackend->showWindow(h, true);
    invalidate(h);
  }
  return h;
}

void TDesktop::destroyWindow(HWND h) {
  if (!isWindow(h)) return;
  // WM_DESTROY goes to the window first, then down its tree.
  std::vector<HWND> order{h};
  for (size_t i = 0; i < order.size(); ++i)
    if (Node const* n = node(order[i])) order.insert(order.end(), n->children.begin(), n->children.end());
  const HWND par = parent(h);
  const TRect area = bounds(h);
  const bool wasVisible = isVisible(h);
  const HWND back = par == 0 && wasVisible ? focusBack(h, within(ffocus, h)) : 0;
  for (HWND w : order) sendMessage(w, WM_DESTROY);
  for (auto it = order.rbegin(); it != order.rend(); ++it) destroyNode(*it);
  if (par != 0 && wasVisible && isWindow(par)) invalidate(par, &area);
  if (back != 0 && ffocus == 0) setFocus(back);
}

void TDesktop::destroyNode(HWND h) {
  Node* n = node(h);
  if (!n) return;
  std::erase_if(ftimers, [h](auto const& t) { return t->h == h; });
  if (fcapture == h) fcapture = 0;
  if (ffocus == h) ffocus = 0;
  if (fhover == h) fhover = 0;
  if (factiveForm == h) factiveForm = 0;
  if (n->parent != 0) {
    if (Node* p = node(n->parent)) std::erase(p->children, h);
  } else {
    std::erase(ftop, h);
    fbackend->destroyWindow(h);
  }
  fnodes[h - fbase - 1].reset();
}

bool TDesktop::isWindow(HWND h) const { return node(h) != nullptr; }

HWND TDesktop::parent(HWND h) const {
  Node const* n = node(h);
  return n ? n->parent : 0;
}

HWND TDesktop::topLevel(HWND h) const {
  while (Node const* n = node(h)) {
    if (n->parent == 0) return h;
    h = n->parent;
  }
  return 0;
}

TWindowProc* TDesktop::proc(HWND h) const {
  Node const* n = node(h);
  return n ? n->proc : nullptr;
}

std::string TDesktop::className(HWND h) const {
  Node const* n = node(h);
  return n ? n->cls : std::string();
}

std::vector<HWND> TDesktop::children(HWND h) const {
  Node const* n = node(h);
  return n ? n->children : std::vector<HWND>{};
}

std::vector<HWND> TDesktop::topLevelWindows() const { return ftop; }

uint32_t TDesktop::style(HWND h) const {
  Node const* n = node(h);
  return n ? n->style : 0;
}

TPoint TDesktop::originInForm(HWND h) const {
  TPoint o;
  for (Node const* n = node(h); n && n->parent != 0; n = node(n->parent)) {
    o.X += n->bounds.Left;
    o.Y += n->bounds.Top;
  }
  return o;
}

void TDesktop::setBounds(HWND h, TRect const& r) {
  Node* n = node(h);
  if (!n) return;
  const TRect old = n->bounds;
  if (old == r) return;
  const bool resized = old.width() != r.width() || old.height() != r.height();
  if (n->parent != 0 && n->visible) invalidate(n->parent, &old);
  n->bounds = r;
  if (n->parent == 0) {
    if (resized) {
      n->buffer.create(std::max(r.width(), 1), std::max(r.height(), 1), 24);
      n->dirty.setRect(Rect(0, 0, r.width(), r.height()));
    }
    fbackend->setWindowBounds(h, r);
  } else if (n->visible) {
    invalidate(h);
  }
  if (old.Left != r.Left || old.Top != r.Top) sendMessage(h, WM_MOVE, 0, MAKELPARAM(r.Left, r.Top));
  if (resized) sendMessage(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.width(), r.height()));
}

bool TDesktop::setParent(HWND h, HWND p) {
  Node* n = node(h);
  if (!n || n->parent == 0 || !isWindow(p)) return false;
  for (HWND a = p; a != 0; a = parent(a))
    if (a == h) return false;  // into itself or one of its own children
  if (n->parent == p) return true;
  if (n->visible) {
    const TRect old = n->bounds;
    invalidate(n->parent, &old);
  }
  if (Node* old = node(n->parent)) std::erase(old->children, h);
  n->parent = p;
  node(p)->children.push_back(h);
  // Capture, focus and hover stay valid handles; the pointer's next move finds the new place.
  if (n->visible) invalidate(h);
  return true;
}

TRect TDesktop::bounds(HWND h) const {
  Node const* n = node(h);
  return n ? n->bounds : TRect{};
}

TRect TDesktop::clientRect(HWND h) const {
  Node const* n = node(h);
  return n ? Rect(0, 0, n->bounds.width(), n->bounds.height()) : TRect{};
}

TRect TDesktop::screenRect(HWND h) const {
  const TPoint p = clientToScreen(h, {0, 0});
  const TRect c = clientRect(h);
  return Bounds(p.X, p.Y, c.width(), c.height());
}

TPoint TDesktop::clientToScreen(HWND h, TPoint p) const {
  const TPoint o = originInForm(h);
  const TRect f = bounds(topLevel(h));
  return {p.X + o.X + f.Left, p.Y + o.Y + f.Top};
}

TPoint TDesktop::screenToClient(HWND h, TPoint p) const {
  const TPoint s = clientToScreen(h, {0, 0});
  return {p.X - s.X, p.Y - s.Y};
}

void TDesktop::show(HWND h, bool on) {
  Node* n = node(h);
  if (!n || n->visible == on) return;
  HWND back = 0;
  if (!on) {
    if (n->parent != 0 && isVisible(n->parent)) {
      const TRect area = n->bounds;
      invalidate(n->parent, &area);
    }
    const bool hadFocus = within(ffocus, h);
    if (n->parent == 0) back = focusBack(h, hadFocus);
    n->visible = false;
    // Hidden windows take no input: capture and focus inside them are dropped.
    for (HWND* w : {&fcapture, &ffocus, &fhover})
      if (within(*w, h)) *w = 0;
  } else {
    n->visible = true;
    invalidate(h);
  }
  if (n->parent == 0) fbackend->showWindow(h, on);
  // A form that goes with the focus inside gives it back to where it came from.
  if (back != 0) setFocus(back);
  sendMessage(h, WM_SHOWWINDOW, on ? 1 : 0);
}

bool TDesktop::within(HWND w, HWND h) const {
  for (HWND x = w; x != 0; x = parent(x))
    if (x == h) return true;
  return false;
}

HWND TDesktop::focusBack(HWND form, bool hadFocus) {
  Node const* n = node(form);
  if (!n) return 0;
  auto usable = [&](HWND w) { return w != 0 && isWindow(w) && !within(w, form) && isVisible(w) && isEnabled(w); };
  HWND back = usable(n->focusBefore) ? n->focusBefore : 0;
  // The desktop's keyboard focus goes with it to that window's form, else to the frontmost form
  // that may hold it.
  HWND to = back != 0 ? topLevel(back) : 0;
  for (auto it = ftop.rbegin(); it != ftop.rend() && to == 0; ++it)
    if (*it != form && isVisible(*it) && !(style(*it) & WS_EX_NOACTIVATE)) to = *it;
  if (to != 0 && !(n->style & WS_EX_NOACTIVATE)) fbackend->passFocus(form, to);
  return hadFocus ? back : 0;
}

bool TDesktop::isVisible(HWND h) const {
  Node const* n = node(h);
  if (!n) return false;
  for (; n; n = node(n->parent))
    if (!n->visible) return false;
  return true;
}

void TDesktop::enable(HWND h, bool on) {
  Node* n = node(h);
  if (!n || n->enabled == on) return;
  n->enabled = on;
  if (!on)
    for (HWND* w : {&fcapture, &ffocus})
      for (HWND x = *w; x != 0; x = parent(x))
        if (x == h) { *w = 0; break; }
  sendMessage(h, WM_ENABLE, on ? 1 : 0);
  invalidate(h);
}

bool TDesktop::isEnabled(HWND h) const {
  Node const* n = node(h);
  if (!n) return false;
  for (; n; n = node(n->parent))
    if (!n->enabled) return false;
  return true;
}

void TDesktop::bringToFront(HWND h) {
  Node* n = node(h);
  if (!n) return;
  if (n->parent != 0) {
    auto& c = node(n->parent)->children;
    std::erase(c, h);
    c.push_back(h);
    invalidate(h);
    return;
  }
  // Top-level: above every other, but windows that stay on top keep above ordinary ones.
  std::erase(ftop, h);
  if (n->style & WS_EX_TOPMOST) {
    ftop.push_back(h);
  } else {
    auto at = std::find_if(ftop.begin(), ftop.end(), [this](HWND w) { return (style(w) & WS_EX_TOPMOST) != 0; });
    ftop.insert(at, h);
  }
}

void TDesktop::sendToBack(HWND h) {
  Node* n = node(h);
  if (!n) return;
  auto& list = n->parent != 0 ? node(n->parent)->children : ftop;
  std::erase(list, h);
  list.insert(list.begin(), h);
  invalidate(n->parent != 0 ? n->parent : h);
}

HWND TDesktop::childFromPoint(HWND h, TPoint p) const {
  Node const* n = node(h);
  if (!n || !n->visible || !clientRect(h).contains(p)) return 0;
  for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) {
    Node const* c = node(*it);
    if (c && c->visible && c->bounds.contains(p)) return childFromPoint(*it, {p.X - c->bounds.Left, p.Y - c->bounds.Top});
  }
  return h;
}

HWND TDesktop::windowFromPoint(TPoint s) const {
  for (auto it = ftop.rbegin(); it != ftop.rend(); ++it) {
    Node const* n = node(*it);
    if (n && n->visible && n->bounds.contains(s)) return childFromPoint(*it, {s.X - n->bounds.Left, s.Y - n->bounds.Top});
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Painting

void TDesktop::invalidate(HWND h, TRect const* client) {
  Node const* n = node(h);
  if (!n) return;
  TRect r = client ? client->normalized() : clientRect(h);
  r.intersect(clientRect(h));
  // Into form pixels, clipped by every ancestor's client area.
  const TPoint o = originInForm(h);
  r.offset(o.X, o.Y);
  for (HWND a = n->parent; a != 0; a = parent(a)) {
    if (parent(a) == 0) break;
    const TPoint ao = originInForm(a);
    r.intersect(clientRect(a).offsetted(ao.X, ao.Y));
  }
  Node* form = node(topLevel(h));
  r.intersect(Rect(0, 0, form->bounds.width(), form->bounds.height()));
  if (!r.isEmpty()) form->dirty.unite(r);
}

void TDesktop::update(HWND h) {
  const HWND f = topLevel(h);
  if (Node const* n = node(f); n && !n->dirty.isEmpty()) paintForm(f);
}

TSurface* TDesktop::backBuffer(HWND form) {
  Node* n = node(form);
  return n && n->parent == 0 ? &n->buffer : nullptr;
}

void TDesktop::paintForm(HWND form) {
  Node* n = node(form);
  if (!n || n->parent != 0) return;
  TRegion dirty = n->dirty;
  n->dirty.clear();
  if (dirty.isEmpty() || !n->visible) return;
  paintNode(form, dirty, Rect(0, 0, n->bounds.width(), n->bounds.height()), {0, 0});
  if (Node* again = node(form)) {
    std::vector<TRect> rects(dirty.rects().begin(), dirty.rects().end());
    fbackend->present(form, again->buffer, rects);
  }
}

void TDesktop::paintNode(HWND h, TRegion const& dirty, TRect const& visible, TPoint origin) {
  Node const* n = node(h);
  if (!n || !n->visible) return;
  TRegion clip = dirty;
  clip.intersect(visible);
  const std::vector<HWND> kids = n->children;
  for (HWND k : kids)
    if (Node const* c = node(k); c && c->visible) clip.subtract(c->bounds.offsetted(origin.X, origin.Y));
  const HWND form = topLevel(h);
  if (!clip.isEmpty() && n->proc) {
    TDeviceContext dc(&node(form)->buffer);
    dc.setViewportOrg(origin);
    dc.selectClipRegion(&clip);
    n->proc->paintWindow(dc);
  }
  for (HWND k : kids) {
    Node const* c = node(k);
    if (!c || !c->visible) continue;
    const TRect cr = c->bounds.offsetted(origin.X, origin.Y);
    const TRect cv = cr.intersected(visible);
    if (!cv.isEmpty() && dirty.overlaps(cv)) paintNode(k, dirty, cv, {cr.Left, cr.Top});
  }
}

// ---------------------------------------------------------------------------------------------
// Input state

HWND TDesktop::setCapture(HWND h) {
  const HWND old = fcapture;
  fcapture = isWindow(h) ? h : 0;
  if (old != 0 && old != fcapture) sendMessage(old, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(fcapture));
  return old;
}

void TDesktop::releaseCapture() {
  const HWND old = fcapture;
  fcapture = 0;
  if (old != 0) sendMessage(old, WM_CAPTURECHANGED, 0, 0);
}

HWND TDesktop::setFocus(HWND h) {
  const HWND old = ffocus;
  if (h != 0 && (!isWindow(h) || !isEnabled(h))) return old;
  if (old == h) return old;
  if (h != 0 && topLevel(h) != topLevel(old)) node(topLevel(h))->focusBefore = old;
  ffocus = h;
  if (old != 0) sendMessage(old, WM_KILLFOCUS, h);
  if (h != 0) sendMessage(h, WM_SETFOCUS, old);
  return old;
}

void TDesktop::defineCursor(Cursor c, TcursorImage const& im) {
  if (!cursorDefined(c)) fdefinedCursors.push_back(c);
  fbackend->defineCursor(c, im);
}

bool cursorFromPng(std::string const& filename, TPoint hot, TcursorImage& out, std::string& error) {
  out = {};
  TrgbImage im;
  if (!decodeImageFile(filename, im, error)) return false;
  out.width = im.width;
  out.height = im.height;
  out.hot = {std::clamp(hot.X, 0, im.width - 1), std::clamp(hot.Y, 0, im.height - 1)};
  out.argb.reserve(size_t(im.width) * im.height);
  for (int r = 0; r < im.height; ++r)
    for (int c = 0; c < im.width; ++c) {
      const uint8_t* p = im.pixel(c, r);
      const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
      out.argb.push_back(rgb == 0xFF00FF ? 0u : 0xFF000000u | rgb);
    }
  return true;
}

void TDesktop::setCursor(HWND h, Cursor c) {
  if (Node* n = node(h)) n->cursor = c;
  if (h == fhover || (fhover != 0 && topLevel(fhover) == topLevel(h))) {
    Cursor show = Cursor::Default;
    for (HWND w = fhover; w != 0 && show == Cursor::Default; w = parent(w)) show = node(w)->cursor;
    // A program cursor this desktop never made shows as the arrow.
    if (show == Cursor::Default || (isCustomCursor(show) && !cursorDefined(show))) show = Cursor::Arrow;
    fbackend->setCursor(show);
  }
}

uint16_t TDesktop::asyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  uint16_t v = ((fkeys[vk] & 1) ? 0x8000 : 0) | ((fkeys[vk] & 2) ? 1 : 0);
  fkeys[vk] &= static_cast<uint8_t>(~2);
  return v;
}

bool TDesktop::keyDown(int vk) const { return vk >= 0 && vk <= 255 && (fkeys[vk] & 1) != 0; }

// ---------------------------------------------------------------------------------------------
// Messages

bool TDesktop::postMessage(HWND h, uint32_t msg, WPARAM w, LPARAM l) {
  const bool ui = std::this_thread::get_id() == fuiThread;
  // Another thread must not read the window tree; a message to a window gone is dropped later.
  if (ui && h != 0 && !isWindow(h)) return false;
  {
    std::lock_guard<std::mutex> lock(fpostLock);
    fposted.push_back({h, msg, w, l, ui ? fbackend->ticks() : 0, ui ? fcursorPos : TPoint{}});
  }
  fbackend->wake();
  return true;
}

LRESULT TDesktop::sendMessage(HWND h, uint32_t msg, WPARAM w, LPARAM l) {
  TWindowProc* p = proc(h);
  if (!p) return 0;
  TMsg m{h, msg, w, l, fbackend->ticks(), fcursorPos};
  return p->windowProc(m);
}

void TDesktop::postQuitMessage(int code) {
  fquit = true;
  fquitCode = code;
}

void TDesktop::pump(uint32_t waitMs) {
  std::vector<TInputEvent> events;
  fbackend->wait(waitMs, events);
  for (auto const& e : events) route(e);
}

void TDesktop::route(TInputEvent const& e) {
  if (e.kind == TInputEvent::Quit) {
    postQuitMessage(0);
    return;
  }
  Node const* form = node(e.form);
  if (!form || form->parent != 0) return;
  const TPoint screen{form->bounds.Left + e.pos.X, form->bounds.Top + e.pos.Y};
  const uint32_t t = fbackend->ticks();
  auto mouseFlags = [this] {
    WPARAM f = 0;
    if (keyDown(VK_LBUTTON)) f |= MK_LBUTTON;
    if (keyDown(VK_RBUTTON)) f |= MK_RBUTTON;
    if (keyDown(VK_MBUTTON)) f |= MK_MBUTTON;
    if (keyDown(VK_SHIFT)) f |= MK_SHIFT;
    if (keyDown(VK_CONTROL)) f |= MK_CONTROL;
    return f;
  };
  auto press = [this](int vk, bool down) {
    if (vk < 0 || vk > 255) return;
    if (down) fkeys[vk] |= 3;
    else fkeys[vk] &= static_cast<uint8_t>(~1);
  };
  auto mouseTarget = [&]() -> HWND {
    if (fcapture != 0) return fcapture;
    HWND w = childFromPoint(e.form, e.pos);
    // A disabled window takes no mouse input; neither do the windows inside it.
    if (w != 0 && !isEnabled(w)) return 0;
    return w;
  };
  switch (e.kind) {
    case TInputEvent::MouseMove:
    case TInputEvent::ButtonDown:
    case TInputEvent::ButtonUp: {
      fcursorPos = screen;
      uint32_t msg = WM_MOUSEMOVE;
      if (e.kind != TInputEvent::MouseMove) {
        const bool down = e.kind == TInputEvent::ButtonDown;
        const int vk = e.button == 2 ? VK_RBUTTON : e.button == 3 ? VK_MBUTTON : VK_LBUTTON;
        press(vk, down);
        msg = e.button == 2 ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
              : e.button == 3 ? (down ? WM_MBUTTONDOWN : WM_MBUTTONUP)
                              : (down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
      }
      const HWND target = mouseTarget();
      // Only windows that ask for double clicks hear the second press as one.
      if (msg == WM_LBUTTONDOWN && e.clicks >= 2 && (style(target) & CS_DBLCLKS)) msg = WM_LBUTTONDBLCLK;
      const HWND under = childFromPoint(e.form, e.pos);
      if (under != fhover) {
        // The window the pointer left hears of it, unless the pointer went onto one of its children.
        bool intoChild = false;
        for (HWND w = under; w != 0 && !intoChild; w = parent(w)) intoChild = w == fhover;
        if (fhover != 0 && isWindow(fhover) && !intoChild) finput.push_back({fhover, WM_MOUSELEAVE, 0, 0, t, screen});
        fhover = under;
        if (under != 0) setCursor(under, node(under)->cursor);
      }
      if (target == 0) return;
      const TPoint c = screenToClient(target, screen);
      finput.push_back({target, msg, mouseFlags(), MAKELPARAM(c.X, c.Y), t, screen});
      return;
    }
    case TInputEvent::Wheel: {
      fcursorPos = screen;
      // The window under the pointer turns, focused or not (a turn it does not take goes up to
      // its parent); a captured pointer's window first.
      HWND target = fcapture != 0 ? fcapture : childFromPoint(e.form, e.pos);
      while (target != 0 && !isEnabled(target)) target = parent(target);
      if (target == 0) target = e.form;
      finput.push_back({target, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(mouseFlags()), e.wheel),
                        MAKELPARAM(screen.X, screen.Y), t, screen});
      return;
    }
    case TInputEvent::KeyDown:
    case TInputEvent::KeyUp: {
      const bool down = e.kind == TInputEvent::KeyDown;
      press(e.key, down);
      HWND target = ffocus != 0 && isWindow(ffocus) ? ffocus : e.form;
      // The modifiers as they stand with this key: by the time it is dispatched they may be up.
      const LPARAM mods = (keyDown(VK_SHIFT) ? KF_SHIFTHELD : 0) | (keyDown(VK_CONTROL) ? KF_CTRLHELD : 0) |
                          (keyDown(VK_MENU) ? KF_ALTHELD : 0);
      finput.push_back({target, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(e.key),
                        (down ? 1 : LPARAM(0xC0000001)) | mods, t, fcursorPos});
      return;
    }
    case TInputEvent::Text: {
      HWND target = ffocus != 0 && isWindow(ffocus) ? ffocus : e.form;
      for (char32_t c : toUtf32(e.text)) finput.push_back({target, WM_CHAR, static_cast<WPARAM>(c), 1, t, fcursorPos});
      return;
    }
    case TInputEvent::Close:
      finput.push_back({e.form, WM_CLOSE, 0, 0, t, fcursorPos});
      return;
    case TInputEvent::Resized: {
      const TRect b = form->bounds;
      setBounds(e.form, Bounds(b.Left, b.Top, e.size.cx, e.size.cy));
      return;
    }
    case TInputEvent::Moved: {
      // The window manager moved it: only our record follows (the window is already there).
      Node* n = node(e.form);
      const TRect b = n->bounds;
      n->bounds = Bounds(e.at.X, e.at.Y, b.width(), b.height());
      if (b.Left != e.at.X || b.Top != e.at.Y) sendMessage(e.form, WM_MOVE, 0, MAKELPARAM(e.at.X, e.at.Y));
      return;
    }
    case TInputEvent::Exposed:
      invalidate(e.form);
      return;
    case TInputEvent::Activated:
    case TInputEvent::Deactivated:
      finput.push_back({e.form, WM_NCACTIVATE, e.kind == TInputEvent::Activated ? WPARAM(1) : WPARAM(0), 0, t, fcursorPos});
      activation(e.form, e.kind == TInputEvent::Activated);
      return;
    case TInputEvent::DisplayChanged:
      finput.push_back({e.form, WM_DISPLAYCHANGE, 0, 0, t, fcursorPos});
      return;
    case TInputEvent::Quit:
      return;
  }
}

void TDesktop::activation(HWND form, bool gained) {
  constexpr uint32_t kGraceMs = 150;  // focus passing from one of our windows to another
  if (gained) {
    factiveForm = form;
    if (fdeactivateTimer != 0) killTimer(0, fdeactivateTimer);
    fdeactivateTimer = 0;
    if (!fappActive) broadcastActivateApp(true);
    return;
  }
  if (factiveForm != form) return;
  factiveForm = 0;
  if (!fappActive || fdeactivateTimer != 0) return;
  fdeactivateTimer = setTimer(kGraceMs, [this] {
    killTimer(0, fdeactivateTimer);
    fdeactivateTimer = 0;
    if (factiveForm == 0 && fappActive) broadcastActivateApp(false);
  });
}

void TDesktop::broadcastActivateApp(bool active) {
  fappActive = active;
  // Posted, not queued as input: a modal loop must not hold it back from the other windows.
  for (HWND f : ftop) postMessage(f, WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

bool TDesktop::acceptsInput(HWND target) const {
  HWND m = 0;
  for (auto it = fmodal.rbegin(); it != fmodal.rend() && m == 0; ++it)
    if (isWindow(*it)) m = *it;
  if (m == 0) return true;
  // The modal form, and windows opened after it (its own popups and hints): handles only grow.
  return topLevel(target) >= m;
}

bool TDesktop::peekMessage(TMsg& m, bool remove, HWND filter, uint32_t minMsg, uint32_t maxMsg) {
  pump(0);
  auto matches = [&](TMsg const& x) {
    if (minMsg != 0 || maxMsg != 0)
      if (x.message < minMsg || x.message > maxMsg) return false;
    if (filter == 0) return true;
    for (HWND w = x.hwnd; w != 0; w = parent(w))
      if (w == filter) return true;
    return false;
  };
  {
    std::lock_guard<std::mutex> lock(fpostLock);
    for (auto it = fposted.begin(); it != fposted.end(); ++it)
      if (matches(*it)) {
        m = *it;
        if (remove) fposted.erase(it);
        return true;
      }
  }
  for (auto it = finput.begin(); it != finput.end();) {
    // Mouse input queued behind a press or release is aimed again when its turn comes: the
    // capture may have been taken or given back since it was queued.
    if (it->message >= WM_MOUSEMOVE && it->message <= WM_MBUTTONUP && isWindow(it->hwnd)) {
      const HWND form = topLevel(it->hwnd);
      HWND target = fcapture != 0 && isWindow(fcapture) ? fcapture : childFromPoint(form, screenToClient(form, it->pt));
      if (target != 0 && target != it->hwnd && (fcapture != 0 || isEnabled(target))) {
        const TPoint c = screenToClient(target, it->pt);
        it->hwnd = target;
        it->lParam = MAKELPARAM(c.X, c.Y);
      }
    }
    // Keys go to the focus as it is when their turn comes: a Tab typed ahead of them may have
    // moved it since they were queued.
    if ((it->message == WM_KEYDOWN || it->message == WM_KEYUP || it->message == WM_CHAR) && ffocus != 0 &&
        isWindow(ffocus))
      it->hwnd = ffocus;
    if (!isWindow(it->hwnd) || !acceptsInput(it->hwnd)) {
      it = finput.erase(it);  // its window went, or a modal form blocks it
      continue;
    }
    if (matches(*it)) {
      m = *it;
      if (remove) finput.erase(it);
      return true;
    }
    ++it;
  }
  if (fquit && filter == 0 && minMsg == 0 && maxMsg == 0) {
    m = TMsg{0, WM_QUIT, static_cast<WPARAM>(fquitCode), 0, fbackend->ticks(), fcursorPos};
    if (remove) fquit = false;
    return true;
  }
  for (HWND f : ftop) {
    Node const* n = node(f);
    if (n && n->visible && !n->dirty.isEmpty()) {
      TMsg p{f, WM_PAINT, 0, 0, fbackend->ticks(), fcursorPos};
      if (matches(p)) {
        m = p;  // stays until painted, as the platform's paint does
        return true;
      }
    }
  }
  TMsg t;
  if (!takeTimer(t, false) || !matches(t)) return false;
  takeTimer(m, remove);
  return true;
}

bool TDesktop::takeTimer(TMsg& m, bool remove) {
  const uint32_t now = fbackend->ticks();
  Timer* best = nullptr;
  for (auto& t : ftimers)
    if (ticksUntil(t->due, now) <= 0 && (!best || ticksUntil(t->due, best->due) < 0)) best = t.get();
  if (!best) return false;
  m = TMsg{best->h, WM_TIMER, best->id, best->callback ? static_cast<LPARAM>(best->id) : 0, now, fcursorPos};
  // However late, one tick is owed: the next is due a whole interval from now.
  if (remove) best->due = now + std::max(best->interval, kTimerMinimum);
  return true;
}

bool TDesktop::getMessage(TMsg& m) {
  for (;;) {
    if (peekMessage(m, true)) return m.message != WM_QUIT;
    idle();
  }
}

void TDesktop::idle(uint32_t ms) {
  const int64_t t = nextTimerIn();
  uint32_t w = ms;
  if (t >= 0 && t < w) w = static_cast<uint32_t>(t);
  pump(w);
}

bool TDesktop::waitMessage(uint32_t ms) {
  const uint32_t start = fbackend->ticks();
  TMsg m;
  for (;;) {
    if (peekMessage(m, false)) return true;
    const uint32_t spent = fbackend->ticks() - start;
    if (spent >= ms) return false;
    idle(std::min(ms - spent, kLongestWait));
  }
}

void TDesktop::clipCursor(HWND h, TRect const* screen) {
  if (!screen || !isWindow(h)) {
    fbackend->confinePointer(0, nullptr);
    return;
  }
  const HWND form = topLevel(h);
  const TPoint o = screenToClient(form, TPoint{screen->Left, screen->Top});
  TRect r = Bounds(o.X, o.Y, screen->width(), screen->height());
  r = Rect(std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, clientRect(form).Right),
           std::min(r.Bottom, clientRect(form).Bottom));
  fbackend->confinePointer(form, &r);
}

LRESULT TDesktop::dispatchMessage(TMsg const& m) {
  if (m.hwnd != 0) flastTarget = m.hwnd;
  if (m.message == WM_TIMER && m.lParam != 0) {
    for (auto& t : ftimers)
      if (t->h == m.hwnd && t->id == m.wParam && t->callback) {
        auto cb = t->callback;  // the callback may kill its own timer
        cb();
        return 0;
      }
    return 0;
  }
  if (m.message == WM_PAINT) {
    paintForm(m.hwnd);
    return 0;
  }
  TWindowProc* p = proc(m.hwnd);
  if (!p) return 0;
  TMsg copy = m;
  return p->windowProc(copy);
}

bool TDesktop::processOne() {
  TMsg m;
  if (!peekMessage(m, true)) return false;
  if (m.message == WM_QUIT) {
    fterminated = true;
    return true;
  }
  bool handled = false;
  if (hook) hook(m, handled);
  if (!handled) dispatchMessage(m);
  return true;
}

void TDesktop::processMessages() {
  // Only what is queued now: messages that handlers post meanwhile wait for the next round.
  for (int n = 0; n < 100000 && processOne(); ++n) {
    if (fterminated) break;
  }
}

void TDesktop::runModal(HWND form, std::function<bool()> const& done) {
  if (!isWindow(form)) return;
  releaseCapture();
  // Keys go to the focus, and input outside the form is dropped: the focus must be inside.
  if (!within(ffocus, form)) setFocus(form);
  fmodal.push_back(form);
  while (isWindow(form) && !fterminated && !done())
    if (!processOne()) idle();
  std::erase(fmodal, form);
}

bool TDesktop::removeOneDroppable() {
  pump(0);
  auto droppable = [](uint32_t msg) { return msg == WM_MOUSEMOVE || msg == WM_MOUSEWHEEL || msg == WM_NULL; };
  {
    std::lock_guard<std::mutex> lock(fpostLock);
    for (auto it = fposted.begin(); it != fposted.end(); ++it)
      if (it->message == WM_NULL) {
        fposted.erase(it);
        return true;
      }
  }
  for (auto it = finput.begin(); it != finput.end(); ++it)
    if (droppable(it->message)) {
      finput.erase(it);
      return true;
    }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Timers

uintptr_t TDesktop::setTimer(HWND h, uintptr_t id, uint32_t ms) {
  if (h != 0 && !isWindow(h)) return 0;
  const uint32_t now = fbackend->ticks();
  for (auto& t : ftimers)
    if (t->h == h && t->id == id && !t->callback) {
      t->interval = ms;
      t->due = now + ms;
      return id;
    }
  auto t = std::make_unique<Timer>();
  t->h = h;
  t->id = id;
  t->interval = ms;
  t->due = now + ms;
  ftimers.push_back(std::move(t));
  return id;
}

uintptr_t TDesktop::setTimer(uint32_t ms, std::function<void()> cb) {
  auto t = std::make_unique<Timer>();
  t->id = fnextTimerId++;
  t->interval = ms;
  t->due = fbackend->ticks() + ms;  // 0: due at once, so it runs on the next turn of the loop
  t->callback = std::move(cb);
  const uintptr_t id = t->id;
  ftimers.push_back(std::move(t));
  return id;
}

bool TDesktop::killTimer(HWND h, uintptr_t id) {
  return std::erase_if(ftimers, [&](auto const& t) { return t->h == h && t->id == id; }) > 0;
}

bool TDesktop::hasTimer(HWND h, uintptr_t id) const {
  return std::any_of(ftimers.begin(), ftimers.end(), [&](auto const& t) { return t->h == h && t->id == id; });
}

int64_t TDesktop::nextTimerIn() {
  if (ftimers.empty()) return -1;
  const uint32_t now = fbackend->ticks();
  int64_t best = INT64_MAX;
  for (auto& t : ftimers) best = std::min<int64_t>(best, std::max<int32_t>(0, ticksUntil(t->due, now)));
  return best;
}

// ---------------------------------------------------------------------------------------------
// Headless backend

struct THeadlessBackend::Screen {
  HWND h = 0;
  TSurface pixels;
};

THeadlessBackend::THeadlessBackend() {
  TDisplay d;
  d.name = "Virtual Display";
  d.box = Rect(0, 0, 1920, 1080);
  d.workArea = Rect(0, 0, 1920, 1040);
  d.modeWidth = 1920;
  d.modeHeight = 1080;
  d.primary = true;
  fdisplays.push_back(d);
}

THeadlessBackend::~THeadlessBackend() = default;

void THeadlessBackend::inject(TInputEvent const& e) { injectAt(fnow, e); }

void THeadlessBackend::injectAt(uint32_t tick, TInputEvent const& e) {
  auto at = std::upper_bound(fscript.begin(), fscript.end(), tick,
                             [this](uint32_t t, Scripted const& s) { return ticksUntil(t, fnow) < ticksUntil(s.tick, fnow); });
  fscript.insert(at, {tick, e});
}

void THeadlessBackend::wait(uint32_t ms, std::vector<TInputEvent>& out) {
  auto deliver = [&] {
    size_t n = 0;
    while (n < fscript.size() && ticksUntil(fscript[n].tick, fnow) <= 0) out.push_back(fscript[n++].ev);
    fscript.erase(fscript.begin(), fscript.begin() + static_cast<long>(n));
    return n > 0;
  };
  if (deliver()) {
    fidle = 0;
    return;
  }
  if (ms == 0) return;
  if (!fscript.empty() && ticksUntil(fscript.front().tick, fnow) <= static_cast<int32_t>(ms)) {
    fnow = fscript.front().tick;
    deliver();
    fidle = 0;
    return;
  }
  fnow += ms;
  fidle += ms;
  if (fidle >= idleLimitMs) {
    fidle = 0;
    TInputEvent q;
    q.kind = TInputEvent::Quit;
    out.push_back(q);
  }
}

bool THeadlessBackend::createWindow(HWND h, TWindowDesc const&) {
  auto s = std::make_unique<Screen>();
  s->h = h;
  fscreens.push_back(std::move(s));
  return true;
}

void THeadlessBackend::destroyWindow(HWND h) {
  std::erase_if(fscreens, [h](auto const& s) { return s->h == h; });
}

TSurface const* THeadlessBackend::screen(HWND h) const {
  for (auto const& s : fscreens)
    if (s->h == h) return &s->pixels;
  return nullptr;
}

void THeadlessBackend::present(HWND h, TSurface const& buf, std::span<TRect const> dirty) {
  ++fpresents;
  for (auto& s : fscreens) {
    if (s->h != h) continue;
    if (s->pixels.width() != buf.width() || s->pixels.height() != buf.height())
      s->pixels.create(buf.width(), buf.height(), 24);
    for (TRect r : dirty) {
      r.intersect(buf.bounds());
      for (int y = r.Top; y < r.Bottom; ++y)
        std::memcpy(s->pixels.row(y) + r.Left * 3, buf.row(y) + r.Left * 3, static_cast<size_t>(r.width()) * 3);
    }
  }
}

std::unique_ptr<TthreadView> THeadlessBackend::createThreadView(HWND form) {
  return std::make_unique<THeadlessThreadView>(form);
}

void THeadlessThreadView::setBounds(TRect const& r) {
  std::lock_guard<std::mutex> lock(fmu);
  fbounds = r;
}

void THeadlessThreadView::show(bool on) {
  std::lock_guard<std::mutex> lock(fmu);
  fshown = on;
}

void THeadlessThreadView::present(TSurface const& pic) {
  std::lock_guard<std::mutex> lock(fmu);
  ++fframes;
  if (!fshown) fhiddenPresent = true;
  if (pic.empty() || !flast.create(pic.width(), pic.height(), 24)) return;
  const int step = pic.bitsPerPixel() / 8;
  for (int y = 0; y < pic.height(); ++y) {
    uint8_t const* src = pic.row(y);
    uint8_t* dst = flast.row(y);
    if (step == 3) {
      std::memcpy(dst, src, size_t(pic.width()) * 3);
    } else {
      for (int x = 0; x < pic.width(); ++x) std::memcpy(dst + x * 3, src + x * step, 3);
    }
  }
}

TRect THeadlessThreadView::bounds() const {
  std::lock_guard<std::mutex> lock(fmu);
  return fbounds;
}

bool THeadlessThreadView::shown() const {
  std::lock_guard<std::mutex> lock(fmu);
  return fshown;
}

int THeadlessThreadView::frames() const {
  std::lock_guard<std::mutex> lock(fmu);
  return fframes;
}

bool THeadlessThreadView::presentedHidden() const {
  std::lock_guard<std::mutex> lock(fmu);
  return fhiddenPresent;
}

void THeadlessThreadView::lastFrame(TSurface& out) const {
  std::lock_guard<std::mutex> lock(fmu);
  if (flast.empty() || !out.create(flast.width(), flast.height(), 24)) {
    out.release();
    return;
  }
  for (int y = 0; y < flast.height(); ++y) std::memcpy(out.row(y), flast.row(y), size_t(flast.width()) * 3);
}

// ---------------------------------------------------------------------------------------------
// The process's desktop

namespace {
std::unique_ptr<TDesktop>& theDesktop() {
  static std::unique_ptr<TDesktop> d;
  return d;
}
}  // namespace

TDesktop& desktop() {
  auto& d = theDesktop();
  if (!d) {
    std::unique_ptr<TBackend> b;
    if (!std::getenv("KESTROVA_HEADLESS")) b = makeSdlBackend();
    if (!b) b = std::make_unique<THeadlessBackend>();
    d = std::make_unique<TDesktop>(std::move(b));
  }
  return *d;
}

TDesktop& resetDesktop(std::unique_ptr<TBackend> b) {
  auto& d = theDesktop();
  d.reset();
  d = std::make_unique<TDesktop>(std::move(b));
  return *d;
}

THeadlessBackend* headless() { return dynamic_cast<THeadlessBackend*>(&desktop().backend()); }

bool hasDesktop() { return theDesktop() != nullptr; }

}  // namespace platform
