// The monitor list on the platform's display list (SDL displays with XRandR millimetres, or the
// headless backend's list in tests).
#include "core/r_Monitors.h"

#include <cmath>

#include "platform/numbers.h"
#include "platform/windows.h"

namespace {
constexpr double kDefaultDpi = 96.0;

std::vector<platform::TDisplay> displays() { return platform::desktop().backend().displays(); }

bool valid(std::vector<platform::TDisplay> const& d, HMONITOR m) { return m >= 0 && m < static_cast<HMONITOR>(d.size()); }
}  // namespace

int getdPI(HMONITOR m) {
  auto d = displays();
  if (!valid(d, m)) return 96;
  auto const& x = d[static_cast<size_t>(m)];
  // A display that reports no millimetres has no physical DPI: it counts as 96.
  if (x.mmWidth <= 0 || x.box.width() <= 0) return 96;
  return platform::Round32(x.box.width() / (x.mmWidth / 25.4));
}

std::string GetMonitorName(HMONITOR m, bool& primary) {
  auto d = displays();
  if (!valid(d, m)) return "";
  primary = d[static_cast<size_t>(m)].primary;
  return d[static_cast<size_t>(m)].name;
}

void getMonitorRect(int index, platform::TRect& rect) {
  TmyMonitors list;
  rect = list.box(index);
}

// ---------------------------------------------------------------------------------------------
// TscreenInfo

void TscreenInfo::update(TmyMonitor const& m) {
  hei = m.box.height();
  wid = m.box.width();
  // The monitor's own millimetres; one that reports none is taken at 96 DPI, so the pixels per
  // millimetre never come from a division by zero.
  fmmw = m.mmwidth > 0 ? m.mmwidth : wid / (kDefaultDpi / 25.4);
  fmmh = m.mmheight > 0 ? m.mmheight : hei / (kDefaultDpi / 25.4);
  fppmm = fmmw > 0 ? wid / fmmw : kDefaultDpi / 25.4;
  fmagnify = 1.0;
}

int TscreenInfo::px(double mms) const { return platform::Round32(mms * fppmm); }

// ---------------------------------------------------------------------------------------------
// TmyMonitors

TmyMonitors::TmyMonitors() : si(std::make_unique<TscreenInfo>()) {
  refresh();
  setIndex(0);
}

TmyMonitors::~TmyMonitors() { clear(); }

void TmyMonitors::clear() { a.clear(); }

void TmyMonitors::refresh() {
  clear();
  auto d = displays();
  for (size_t i = 0; i < d.size(); ++i) {
    auto m = std::make_unique<TmyMonitor>();
    m->handle = static_cast<HMONITOR>(i);
    m->box = d[i].box;
    m->workArea = d[i].workArea.isEmpty() ? d[i].box : d[i].workArea;
    m->name = GetMonitorName(m->handle, m->primary);
    m->dpi = getdPI(m->handle);
    // Each monitor's own mode: a scaled monitor's factor is its own, not the first display's.
    m->rawwidth = d[i].modeWidth > 0 ? d[i].modeWidth : m->box.width();
    m->rawheight = d[i].modeHeight > 0 ? d[i].modeHeight : m->box.height();
    m->scalefactor = m->box.width() > 0 ? static_cast<double>(m->rawwidth) / m->box.width() : 1.0;
    m->mmwidth = d[i].mmWidth;
    m->mmheight = d[i].mmHeight;
    a.push_back(std::move(m));
  }
  if (findex >= count()) setIndex(0);
}

void TmyMonitors::setIndex(int v) {
  findex = v;
  if (v >= 0 && v < count()) si->update(*a[static_cast<size_t>(v)]);
  if (onChange) onChange(this);
}

int TmyMonitors::widthPx() const {
  if (a.empty()) return 1920;
  const int i = findex < 0 || findex >= count() ? 0 : findex;
  return a[static_cast<size_t>(i)]->box.width();
}

platform::TRect TmyMonitors::box(int index) const {
  if (a.empty()) return platform::Rect(0, 0, 1920, 960);
  if (index < 0 || index >= count()) index = 0;
  platform::TRect r = a[static_cast<size_t>(index)]->box;
  if (r.width() < 500) r.Right = r.Left + 500;
  if (r.height() < 400) r.Bottom = r.Top + 400;
  return r;
}

platform::TRect TmyMonitors::workArea(int index) const {
  if (a.empty()) return platform::Rect(0, 0, 1920, 1080);
  if (index < 0 || index >= count()) index = 0;
  return a[static_cast<size_t>(index)]->workArea;
}

std::string TmyMonitors::name(int index) const {
  if (a.empty()) return "";
  if (index < 0 || index >= count()) index = 0;
  return a[static_cast<size_t>(index)]->name;
}

std::string TmyMonitors::fullname(int index) const {
  if (a.empty()) return "";
  if (index < 0 || index >= count()) index = 0;
  const platform::TRect b = a[static_cast<size_t>(index)]->box;
  return std::to_string(index + 1) + " " + a[static_cast<size_t>(index)]->name + "  (" + std::to_string(b.width()) +
         " x " + std::to_string(b.height()) + ")";
}

int TmyMonitors::findFromFullName(std::string const& stored) const {
  for (int i = 0; i < count(); ++i)
    if (fullname(i) == stored) return i;
  const auto blank = stored.find(' ');
  const std::string cut = blank == std::string::npos ? stored : stored.substr(blank + 1);
  if (cut.empty()) return 0;
  for (int i = 0; i < count(); ++i)
    if (fullname(i).find(cut) != std::string::npos) return i;
  return 0;
}
