// TshadowPage: tab 4. The panel's controls set the observer's place and zone and the diagram's
// option, gnomon and highlighted day; every change redraws, and a paint only replays the last
// metafile. Handlers never raise: what fails is logged.
#include <cmath>
#include <exception>
#include <filesystem>

#include "astro/r_SunLoc.h"
#include "clock/r_Shadows.h"
#include "core/Tyo.h"
#include "core/r_Font.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "imaging/r_print.h"
#include "platform/folders.h"
#include "platform/numbers.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_edit.h"
#include "ui/r_slider.h"

using namespace platform;

const char* const TshadowPage::kHighlights[6] = {"none", "Summer solstice", "Winter solstice",
                                                 "Spring equinox", "Autumn equinox", "Today"};

namespace {
constexpr int kMonths = 12;
constexpr int kHighlightCount = 6 + kMonths;  // the month list: six choices, then the months
std::string word(const std::string& s) { return os ? os->wd("Shadows", s) : s; }
int gp(int n) { return os ? os->gp(n) : n; }
// The panel: the dialog colour half-way to black.
int32_t panelColour() { return TosDrawing::FadeColour(dlgColour, 0, 50); }

// The cursor shows the hourglass for as long as it lives.
class TwaitCursor {
 public:
  explicit TwaitCursor(TWinControl& c) : fc(c), fwas(c.cursor()) { fc.SetCursor(Cursor::Wait); }
  ~TwaitCursor() { fc.SetCursor(fwas); }
  TwaitCursor(const TwaitCursor&) = delete;
  TwaitCursor& operator=(const TwaitCursor&) = delete;

 private:
  TWinControl& fc;
  Cursor fwas;
};
}  // namespace

TshadowPage::TshadowPage(TWinControl* owner, TsunBase& base) : TQYcontrol(owner), sunbase(base) {
  xdivide = gp(300);
  setHome();
  shadows = std::make_unique<Tshadows>(sunbase);
  const int32_t P = panelColour();
  const Tobserver& ob = sunbase.observer();
  auto radio = [&](const char* caption, bool checked) {
    auto b = std::make_unique<TcheckBox>(this);
    b->asRadio = true;
    b->setChecked(checked);
    b->fontsize = os ? os->fontsize(10) : 10;
    b->setCaption(word(caption));
    b->fontcolour = b->selectedFontColour = 0xFFFFFF;
    b->setColour(P);
    b->onClick = [this](TcheckBox* s) { doclick(s); };
    return b;
  };
  pathBox = radio("Sun path", true);
  shadowBox = radio("Shadow diagram", false);
  auto edit = [&](const std::string& text) {
    auto e = std::make_unique<Tedit>(this);
    e->setText(text);
    e->delay = 400;  // typing redraws once it pauses
    e->onChange = [this](Tedit* s) { doclick(s); };
    return e;
  };
  latEdit = edit(os ? os->DoubleToStr(ob.getlat(), 4) : "0");
  longEdit = edit(os ? os->DoubleToStr(ob.getlong(), 4) : "0");
  tzEdit = edit(os ? os->DoubleToStr(ob.timeZone(), 2) : "0");
  auto slider = [&](double mn, double mx, double step, double at, bool enabled) {
    auto s = std::make_unique<TsliderLite>(this);
    s->backColour = P;
    s->fontColour = 0xFFFFFF;
    s->min = mn;
    s->max = mx;
    s->setStep(step);
    s->setPosition(at);
    s->setEnabled(enabled);
    s->onChange = [this](TsliderLite* c) { doclick(c); };
    return s;
  };
  gnomonBox = slider(10, 100, 5, shadows->gnomon, false);
  monthBox = slider(0, kHighlightCount - 1, 1, 0, true);
  dayBox = slider(1, 31, 1, 1, false);
  saveBut = std::make_unique<TQYbutton>(this);
  saveBut->setCaption(word("Export as an image"));
  printBut = std::make_unique<TQYbutton>(this);
  printBut->bold = true;
  printBut->setCaption(word("Print "));
  for (TQYbutton* b : {saveBut.get(), printBut.get()}) b->onClick = [this](TQYbutton* s) { doclick(s); };
  OnResize = [this](TWinControl*) { doResize(); };
  onReenter = [this](TQYcontrol*) { reenterPage(); };
}

TshadowPage::~TshadowPage() = default;

void TshadowPage::setHome() {
  Tlocations& l = sunbase.locations();
  const int home = l.getHome();
  Tobserver& ob = sunbase.observer();
  ob.setlat(l.homeLat);
  ob.setlong(l.homeLong);
  ob.setTZ(home >= 0 && home < l.count() ? -l.getLoc(home).tzi.Bias / 60.0 : 0);
}

void TshadowPage::reenterPage() {
  try {
    setHome();
    // The place controls show the place the diagram is drawn for.
    const Tobserver& ob = sunbase.observer();
    if (os && latEdit) {
      latEdit->setText(os->DoubleToStr(ob.getlat(), 4));
      longEdit->setText(os->DoubleToStr(ob.getlong(), 4));
      tzEdit->setText(os->DoubleToStr(ob.timeZone(), 2));
      for (Tedit* e : {latEdit.get(), longEdit.get(), tzEdit.get()}) e->setValid(true);
    }
    doResize();
  } catch (const std::exception& e) {
    ::log(std::string("TshadowPage.reenter: ") + e.what());
  }
}

void TshadowPage::redraw() {
  ++redraws;
  shadows->record();
  Invalidate();
}

void TshadowPage::doResize() {
  try {
    const int x = gp(110), m = gp(8), w = std::max(gp(40), xdivide - x - m);
    pathBox->SetBounds(x, gp(8), w, gp(18));
    shadowBox->SetBounds(x, pathBox->Top() + gp(20), w, gp(18));
    latEdit->SetBounds(x, shadowBox->Top() + gp(40), w, gp(20));
    longEdit->SetBounds(x, latEdit->Top() + latEdit->Height() + gp(8), w, gp(20));
    const int t = longEdit->Top() + longEdit->Height() + gp(8);
    tzEdit->SetBounds(x, t, gp(70), gp(20));
    gnomonBox->SetBounds(x, t + gp(24), w, gp(16));
    monthBox->SetBounds(x, t + gp(48), w, gp(16));
    // The chosen entry's name is written under the month slider.
    dayBox->SetBounds(x, monthBox->Top() + monthBox->Height() + gp(26), w, gp(16));
    saveBut->SetBounds(x, dayBox->Top() + gp(35), saveBut->Width(), gp(20));
    printBut->SetBounds(gp(8), dayBox->Top() + gp(35), printBut->Width(), gp(20));
    emfBox = {xdivide, 0, std::max(xdivide, Width()), Height()};
    redraw();
  } catch (const std::exception& e) {
    ::log(std::string("TshadowPage.doResize: ") + e.what());
  }
}

std::string TshadowPage::highlightText(int index) const {
  if (index >= 0 && index < 6) return word(kHighlights[index]);
  if (index < kHighlightCount) return createDateman().MonthName(index - 6);
  return {};
}

std::string TshadowPage::exportName() const {
  std::string dir = documentsFolder();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + "Kestrova shadow diagram." + exportType;
}

void TshadowPage::chooseHighlight(int index) {
  index = std::clamp(index, 0, kHighlightCount - 1);
  monthIndex = index;
  if (monthBox->position() != index) monthBox->setPosition(index);
  TdateMan& dm = createDateman();
  const bool north = sunbase.observer().getlat() > 0;
  shadows->highlightName.clear();
  auto at = [&](int month, int day) { return dm.EncodeDateTime(Tshadows::kYear, month, day, 12.0); };
  switch (index) {
    case 0: shadows->date = 0; break;
    case 1:
    case 2:
    case 3:
    case 4: {
      // The solstices and equinoxes of the observer's hemisphere.
      static const struct {
        int north, south;
        const char* name;
      } seasons[] = {{6, 12, "Summer solstice"}, {12, 6, "winter solstice"}, {3, 9, "Vernal equinox"},
                     {9, 3, "Autumnal equinox"}};
      auto const& s = seasons[index - 1];
      shadows->date = at(north ? s.north : s.south, 21);
      shadows->highlightName = word(s.name);
      break;
    }
    case 5: {
      // Today's day and month at the observer's place, in the diagrams' year.
      int y = 0, mo = 1, d = 1, h = 0, mi = 0, s = 0;
      dm.DecodeDateTime(dm.getgmtDt() + sunbase.observer().timeZone() / 24, y, mo, d, h, mi, s);
      if (mo == 2 && d == 29) d = 28;  // 2021 has no leap day
      shadows->date = dm.EncodeDateTime(Tshadows::kYear, mo, d, 0.0);
      shadows->highlightName = std::to_string(d) + " " + dm.MonthName(mo - 1);
      break;
    }
    default: {
      // The day list holds the month's days; the chosen day stays when the month has it.
      const int month = index - 5;
      const int days = TdateMan::DaysInMonth(Tshadows::kYear, month);
      if (dayCount != days) {
        dayCount = days;
        dayBox->max = days;
        if (dayIndex < 0 || dayIndex >= days) dayIndex = 0;
      }
      if (dayIndex < 0) dayIndex = 0;
      dayBox->setPosition(dayIndex + 1);
      shadows->date = at(month, dayIndex + 1);
      shadows->highlightName = std::to_string(dayIndex + 1) + " " + dm.MonthName(month - 1);
      break;
    }
  }
  dayEnabled = index >= 6;
  dayBox->setEnabled(dayEnabled);
  TfontMan::refreshL(this, dayBox.get());
  redraw();
}

void TshadowPage::chooseDay(int index) {
  if (monthIndex < 6 || dayCount <= 0) return;
  dayIndex = std::clamp(index, 0, dayCount - 1);
  if (dayBox->positioni() != dayIndex + 1) dayBox->setPosition(dayIndex + 1);
  const int month = monthIndex - 5;
  TdateMan& dm = createDateman();
  shadows->highlightName = std::to_string(dayIndex + 1) + " " + dm.MonthName(month - 1);
  shadows->date = dm.EncodeDateTime(Tshadows::kYear, month, dayIndex + 1, 12.0);
  redraw();
}

void TshadowPage::doclick(void* sender) {
  // a: the sender's change, b: export, c: print
  try {
    seterr("a");
    Tobserver& ob = sunbase.observer();
    // A text that reads as a number in the range sets the value; anything else waits.
    auto number = [](Tedit& e, double limit, double& v) {
      const bool ok = os && os->StrToDouble(e.text(), v) && std::isfinite(v) && std::abs(v) <= limit;
      e.setValid(ok);
      return ok;
    };
    double v = 0;
    if (sender == pathBox.get() || sender == shadowBox.get()) {
      const bool path = sender == pathBox.get();
      pathBox->setChecked(path);
      shadowBox->setChecked(!path);
      gnomonBox->setEnabled(!path);
      TfontMan::refreshL(this, gnomonBox.get());
      shadows->option = path ? 1 : 2;
      redraw();
    } else if (sender == latEdit.get()) {
      if (number(*latEdit, 90, v)) ob.setlat(v), redraw();
    } else if (sender == longEdit.get()) {
      if (number(*longEdit, 180, v)) ob.setlong(v), redraw();
    } else if (sender == tzEdit.get()) {
      if (number(*tzEdit, 24, v)) ob.setTZ(v), redraw();
    } else if (sender == gnomonBox.get()) {
      shadows->gnomon = gnomonBox->position();
      redraw();
    } else if (sender == monthBox.get()) {
      chooseHighlight(monthBox->positioni());
    } else if (sender == dayBox.get()) {
      chooseDay(dayBox->positioni() - 1);
    } else if (sender == saveBut.get()) {
      seterr("b");
      // Until the file picker exists the diagram goes to a fixed name in the documents folder.
      std::error_code made;
      std::filesystem::create_directories(documentsFolder(), made);
      shadows->saveAs(exportName());
      Invalidate();
    } else if (sender == printBut.get()) {
      seterr("c");
      TwaitCursor wait(*this);
      const TMetafile* m = shadows->metafile();
      if (!m || m->empty()) {
        yo(word("There is no diagram to print yet."));
        return;
      }
      if (!print) print = std::make_unique<TPrint>();
      if (!print->isPresent()) {
        yo(word("No printer is set up: the diagram was not printed."));
        return;
      }
      print->setlandscape(true);
      if (!print->printEMF(*m, 0, 0, 10, true))
        yo(word("The diagram could not be printed") + (print->lastError().empty() ? "." : ": " + print->lastError()));
    }
  } catch (const std::exception& e) {
    ::log(std::string("TshadowPage.doclick ") + err() + ": " + e.what());
  }
}

void TshadowPage::Paint() {
  try {
    TQYcontrol::Paint();
    TCanvas& c = Canvas();
    TfontMan& fm = createFontMan();
    c.Font.setSize(os ? os->fontsize(10) : 10);
    c.Brush.Style = bsSolid;
    c.Brush.Color = TColor(panelColour());
    c.FillRect({0, 0, xdivide, Height()});
    c.Brush.Color = clWhite;
    c.FillRect({xdivide, 0, std::max(xdivide, Width()), Height()});
    c.Handle()->setBkMode(BkMode::Transparent);
    const int32_t white = 0xFFFFFF;
    fm.CaptionLT(c, latEdit.get(), word("Latitude"), "", white);
    fm.CaptionLT(c, longEdit.get(), word("Longitude"), "", white);
    fm.CaptionL(c, gnomonBox.get(), word("Gnomon height"), white);
    fm.CaptionL(c, tzEdit.get(), word("Time zone +"), white);
    fm.CaptionR(c, tzEdit.get(), word("hours"), white);
    fm.CaptionLT(c, monthBox.get(), word("Highlight"), word("date"), white);
    fm.CaptionL(c, dayBox.get(), word("Day"), dayEnabled ? white : 0xC0C0C0);
    // What the sliders chose, written under them until the lists exist.
    c.Font.Color = TColor(white);
    c.Handle()->setTextAlign(TA_LEFT | TA_TOP);
    c.TextOut(monthBox->Left(), monthBox->Top() + monthBox->Height() + gp(3), highlightText(monthIndex));
    if (!shadows->lastBadge.empty())
      c.TextOut(saveBut->Left(), saveBut->Top() + saveBut->Height() + gp(6), shadows->lastBadge);
    if (const TMetafile* m = shadows->metafile(); m && !m->empty() && os && !emfBox.isEmpty())
      os->MetafileToBox(c, *m, emfBox);
  } catch (const std::exception& e) {
    ::log(std::string("TshadowPage.Paint: ") + e.what());
  }
}
