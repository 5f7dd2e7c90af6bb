// Pictures on the X11 clipboard: see clipboard.h. The selection protocol is the one the
// inter-client conventions describe: answer each SelectionRequest with the property written (or
// None) and a SelectionNotify; above one request's size, announce INCR and send a chunk each time
// the requestor deletes the property, ending with an empty one. Only the serving thread uses its
// connection while it runs (the library makes itself thread-safe at load since libX11 1.8).
#include "platform/clipboard.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

// X11 last: its macros clash with names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform {
namespace {
constexpr long kChunkCap = 256 * 1024;  // bytes per property write in an incremental transfer

std::atomic<Display*> gServedDisplay{nullptr};
XErrorHandler gPreviousHandler = nullptr;

// A requestor may vanish halfway through a transfer: errors on our own connection are expected.
int clipboardErrors(Display* d, XErrorEvent* e) {
  if (d == gServedDisplay.load()) return 0;
  return gPreviousHandler ? gPreviousHandler(d, e) : 0;
}

class Owner {
 public:
  ~Owner() { stop(); }

  bool start(std::vector<TclipboardFormat> formats) {
    fformats = std::move(formats);
    if (pipe(fwake) != 0) return false;
    fdpy = XOpenDisplay(nullptr);
    if (!fdpy) return false;
    static std::once_flag handlerOnce;
    std::call_once(handlerOnce, [] { gPreviousHandler = XSetErrorHandler(clipboardErrors); });
    gServedDisplay = fdpy;
    fwin = XCreateSimpleWindow(fdpy, DefaultRootWindow(fdpy), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(fdpy, fwin, PropertyChangeMask);
    fclipboard = XInternAtom(fdpy, "CLIPBOARD", False);
    ftargets = XInternAtom(fdpy, "TARGETS", False);
    ftimestampAtom = XInternAtom(fdpy, "TIMESTAMP", False);
    fincr = XInternAtom(fdpy, "INCR", False);
    for (auto& f : fformats) fatoms.push_back(XInternAtom(fdpy, f.target.c_str(), False));
    long maxRequest = XExtendedMaxRequestSize(fdpy);
    if (maxRequest == 0) maxRequest = XMaxRequestSize(fdpy);
    fchunk = std::min(kChunkCap, maxRequest * 4 - 1024);
    // The selection is taken at a real server time: a property change on our window tells it.
    XChangeProperty(fdpy, fwin, ftimestampAtom, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
    XEvent ev;
    XWindowEvent(fdpy, fwin, PropertyChangeMask, &ev);
    ftime = ev.xproperty.time;
    XSetSelectionOwner(fdpy, fclipboard, fwin, ftime);
    if (XGetSelectionOwner(fdpy, fclipboard) != fwin) return false;
    XFlush(fdpy);
    fowning = true;
    fthread = std::thread([this] { serve(); });
    return true;
  }

  void stop() {
    if (fthread.joinable()) {
      char c = 0;
      (void)!write(fwake[1], &c, 1);
      fthread.join();
    }
    if (fdpy) {
      if (fowning && XGetSelectionOwner(fdpy, fclipboard) == fwin) XSetSelectionOwner(fdpy, fclipboard, None, ftime);
      XDestroyWindow(fdpy, fwin);
      XCloseDisplay(fdpy);
      if (gServedDisplay == fdpy) gServedDisplay = nullptr;
      fdpy = nullptr;
    }
    for (int& fd : fwake)
      if (fd >= 0) close(fd), fd = -1;
    fowning = false;
  }

  [[nodiscard]] bool owning() const { return fowning; }

 private:
  struct Transfer {
    Window requestor;
    Atom property, type;
    size_t format;  // index into fformats
    size_t offset;
  };

  void serve() {
    pollfd fds[2] = {{ConnectionNumber(fdpy), POLLIN, 0}, {fwake[0], POLLIN, 0}};
    while (fowning) {
      while (fowning && XPending(fdpy)) {
        XEvent ev;
        XNextEvent(fdpy, &ev);
        if (ev.type == SelectionClear && ev.xselectionclear.selection == fclipboard) fowning = false;
        else if (ev.type == SelectionRequest) answer(ev.xselectionrequest);
        else if (ev.type == PropertyNotify && ev.xproperty.state == PropertyDelete) nextChunk(ev.xproperty);
      }
      XFlush(fdpy);
      if (!fowning) break;
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents & POLLIN) break;
    }
  }

  void answer(const XSelectionRequestEvent& r) {
    // Clients of the old conventions name no property: the target then serves as one.
    const Atom property = r.property == None ? r.target : r.property;
    bool ok = r.selection == fclipboard;
    if (ok && r.target == ftargets) {
      std::vector<Atom> offered{ftargets, ftimestampAtom};
      offered.insert(offered.end(), fatoms.begin(), fatoms.end());
      XChangeProperty(fdpy, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(offered.data()), int(offered.size()));
    } else if (ok && r.target == ftimestampAtom) {
      long t = long(ftime);
      XChangeProperty(fdpy, r.requestor, property, XA_INTEGER, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&t), 1);
    } else if (ok) {
      auto it = std::find(fatoms.begin(), fatoms.end(), r.target);
      ok = it != fatoms.end();
      if (ok) send(r.requestor, property, r.target, size_t(it - fatoms.begin()));
    }
    XEvent notify{};
    notify.xselection.type = SelectionNotify;
    notify.xselection.requestor = r.requestor;
    notify.xselection.selection = r.selection;
    notify.xselection.target = r.target;
    notify.xselection.property = ok ? property : None;
    notify.xselection.time = r.time;
    XSendEvent(fdpy, r.requestor, False, NoEventMask, &notify);
  }

  void send(Window requestor, Atom property, Atom type, size_t format) {
    const auto& bytes = fformats[format].bytes;
    if (long(bytes.size()) <= fchunk) {
      XChangeProperty(fdpy, requestor, property, type, 8, PropModeReplace, bytes.data(), int(bytes.size()));
      return;
    }
    // Incremental: the size first; each deletion of the property by the requestor asks for more.
    XSelectInput(fdpy, requestor, PropertyChangeMask);
    long size = long(bytes.size());
    XChangeProperty(fdpy, requestor, property, fincr, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&size),
                    1);
    ftransfers.push_back({requestor, property, type, format, 0});
  }

  void nextChunk(const XPropertyEvent& p) {
    auto it = std::find_if(ftransfers.begin(), ftransfers.end(),
                           [&](const Transfer& t) { return t.requestor == p.window && t.property == p.atom; });
    if (it == ftransfers.end()) return;
    const auto& bytes = fformats[it->format].bytes;
    const size_t n = std::min(bytes.size() - it->offset, size_t(fchunk));
    XChangeProperty(fdpy, it->requestor, it->property, it->type, 8, PropModeReplace, bytes.data() + it->offset,
                    int(n));
    it->offset += n;
    if (n == 0) {  // the empty write that ends the transfer went out
      XSelectInput(fdpy, it->requestor, NoEventMask);
      ftransfers.erase(it);
    }
  }

  std::vector<TclipboardFormat> fformats;
  std::vector<Atom> fatoms;
  std::vector<Transfer> ftransfers;
  Display* fdpy = nullptr;
  Window fwin = 0;
  Atom fclipboard = 0, ftargets = 0, ftimestampAtom = 0, fincr = 0;
  Time ftime = CurrentTime;
  long fchunk = 0;
  int fwake[2] = {-1, -1};
  std::atomic<bool> fowning{false};
  std::thread fthread;
};

std::mutex gMutex;
std::unique_ptr<Owner> gOwner;
}  // namespace

bool offerClipboard(std::vector<TclipboardFormat> formats) {
  std::lock_guard lock(gMutex);
  gOwner.reset();
  auto owner = std::make_unique<Owner>();
  if (!owner->start(std::move(formats))) return false;
  gOwner = std::move(owner);
  return true;
}

void clearOwnClipboard() {
  std::lock_guard lock(gMutex);
  gOwner.reset();
}

bool ownsClipboard() {
  std::lock_guard lock(gMutex);
  return gOwner && gOwner->owning();
}
}  // namespace platform
