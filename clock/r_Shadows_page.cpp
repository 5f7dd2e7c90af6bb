// TshadowPage: tab 4. The panel's controls set the observer's place and zone and the diagram's
// option, gnomon and highlighted day; every change redraws, and a paint only replays the last
// metafile. Handlers never raise: what fails is logged.
#include <cmath>
#include <exception>

#include "astro/r_SunLoc.h"
#include "clock/r_Shadows.h"
#include "core/Tyo.h"
#include "core/os_filetypes.h"
#include "core/r_Font.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "imaging/r_print.h"
#include "platform/numbers.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_comboBox.h"
#include "ui/r_edit.h"
#include "ui/r_listBox.h"
#include "ui/r_pick.h"
#include "ui/r_pickLatLong.h"
#include "ui/r_slider.h"

using namespace platform;

const char* const TshadowPage::kHighlights[6] = {"none", "Summer solstice", "Winter solstice",
                                                 "Spring equinox", "Autumn equinox", "Today"};

namespace {
constexpr int kFirstMonth = 6;  // the month list's index of January
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
  // The place is edited in place, in degrees, minutes and seconds.
  auto place = [&](bool latitude, double angle) {
    auto e = std::make_unique<TPickLatLong>(this);
    e->setNorthSouth(latitude);
    e->withDlg = false;
    e->doResize();  // shows its edits
    e->setangle(angle);
    e->onChange = [this](TPickLatLong* s) { doclick(s); };
    return e;
  };
  latEdit = place(true, ob.getlat());
  longEdit = place(false, ob.getlong());
  tzEdit = std::make_unique<Tedit>(this);
  tzEdit->setText(os ? os->DoubleToStr(ob.timeZone(), 2) : "0");
  tzEdit->delay = 400;  // typing redraws once it pauses
  tzEdit->onChange = [this](Tedit* s) { doclick(s); };
  monthBox = std::make_unique<TlistBox>(this);
  monthBox->fontsize = os ? os->fontsize(10) : 10;
  monthBox->onClick = [this](TlistBox* s) { doclick(s); };
  dayBox = std::make_unique<TcomboBox>(this);
  dayBox->onClick = [this](TcomboBox* s) { doclick(s); };
  dayBox->setEnabled(false);
  gnomonBox = std::make_unique<TsliderLite>(this);
  gnomonBox->backColour = P;
  gnomonBox->fontColour = 0xFFFFFF;
  gnomonBox->min = 10;
  gnomonBox->max = 100;
  gnomonBox->setStep(5);
  gnomonBox->setPosition(shadows->gnomon);
  gnomonBox->setEnabled(false);
  gnomonBox->onChange = [this](TsliderLite* c) { doclick(c); };
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
    latEdit->setangle(ob.getlat());
    longEdit->setangle(ob.getlong());
    tzEdit->setText(os ? os->DoubleToStr(ob.timeZone(), 2) : "0");
    tzEdit->setValid(true);
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

void TshadowPage::fillMonths() {
  for (int i = 0; i < kFirstMonth; ++i) monthBox->add(word(kHighlights[i]), i);
  TdateMan& dm = createDateman();
  for (int m = 0; m < 12; ++m) monthBox->add(dm.MonthName(m), kFirstMonth + m);
  monthBox->setItemIndex(0);
}

void TshadowPage::doResize() {
  try {
    const int x = gp(110), m = gp(8), w = std::max(gp(40), xdivide - x - m);
    pathBox->SetBounds(x, gp(8), w, gp(18));
    shadowBox->SetBounds(x, pathBox->Top() + gp(20), w, gp(18));
    latEdit->setbounds(x, shadowBox->Top() + gp(40), w, latEdit->Height());
    longEdit->setbounds(x, latEdit->Top() + latEdit->Height() + gp(8), w, longEdit->Height());
    const int t = longEdit->Top() + longEdit->Height() + gp(8);
    tzEdit->SetBounds(x, t, gp(70), gp(20));
    gnomonBox->SetBounds(x, t + gp(24), w, gp(16));
    if (monthBox->count() == 0) fillMonths();
    const int monthTop = t + gp(48);
    // The list keeps room below it for the day list and the buttons; it scrolls when it must.
    const int room = std::max(gp(20), Height() - monthTop - gp(64));
    monthBox->setbounds(x, monthTop, w, std::min(monthBox->NaturalHeight(), room));
    dayBox->SetBounds(x, monthBox->Top() + monthBox->Height() + gp(8), gp(60), gp(20));
    saveBut->SetBounds(x, dayBox->Top() + gp(35), saveBut->Width(), gp(20));
    printBut->SetBounds(gp(8), dayBox->Top() + gp(35), printBut->Width(), gp(20));
    emfBox = {xdivide, 0, std::max(xdivide, Width()), Height()};
    redraw();
  } catch (const std::exception& e) {
    ::log(std::string("TshadowPage.doResize: ") + e.what());
  }
}

bool TshadowPage::chooseExportName(std::string& name) {
  // A fresh picker for each question, opened at the button, remembering the folder of its group.
  Tpick picker(this);
  if (!picker.Save(saveBut.get(), TfileTypes{file_bmp, file_tif, file_jpeg, file_emf})) return false;
  name = picker.getFname();
  return !name.empty();
}

void TshadowPage::fillDays(int month) {
  const int days = TdateMan::DaysInMonth(Tshadows::kYear, month);
  if (dayBox->count() != days) {
    const int kept = dayBox->itemIndex();
    dayBox->Items.clear();
    for (int d = 1; d <= days; ++d) dayBox->add(std::to_string(d), d);
    dayBox->setItemIndex(kept >= 0 && kept < days ? kept : 0);
  }
  if (dayBox->itemIndex() < 0) dayBox->setItemIndex(0);
}

void TshadowPage::chooseHighlight(int index) {
  index = std::clamp(index, 0, kHighlightCount - 1);
  if (monthBox->itemIndex() != index) monthBox->setItemIndex(index);
  TdateMan& dm = createDateman();
  const bool north = sunbase.observer().getlat() > 0;
  shadows->highlightName.clear();
  auto at = [&](int month, int day) { return dm.EncodeDateTime(Tshadows::kYear, month, day, 12.0); };
  auto named = [&](int month, int day) { return std::to_string(day) + " " + dm.MonthName(month - 1); };
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
      shadows->highlightName = named(mo, d);
      break;
    }
    default: {
      const int month = index - kFirstMonth + 1;
      fillDays(month);
      const int day = dayBox->itemIndex() + 1;
      shadows->date = at(month, day);
      shadows->highlightName = named(month, day);
      break;
    }
  }
  dayBox->setEnabled(index >= kFirstMonth);
  TfontMan::refreshL(this, dayBox.get());
  redraw();
}

void TshadowPage::chooseDay(int index) {
  const int month = monthBox->itemIndex() - kFirstMonth + 1;
  if (month < 1 || dayBox->count() <= 0) return;
  index = std::clamp(index, 0, dayBox->count() - 1);
  if (dayBox->itemIndex() != index) dayBox->setItemIndex(index);
  TdateMan& dm = createDateman();
  shadows->highlightName = std::to_string(index + 1) + " " + dm.MonthName(month - 1);
  shadows->date = dm.EncodeDateTime(Tshadows::kYear, month, index + 1, 12.0);
  redraw();
}

void TshadowPage::doclick(void* sender) {
  // a: the sender's change, b: export, c: print
  try {
    seterr("a");
    Tobserver& ob = sunbase.observer();
    if (sender == pathBox.get() || sender == shadowBox.get()) {
      const bool path = sender == pathBox.get();
      pathBox->setChecked(path);
      shadowBox->setChecked(!path);
      gnomonBox->setEnabled(!path);
      TfontMan::refreshL(this, gnomonBox.get());
      shadows->option = path ? 1 : 2;
      redraw();
    } else if (sender == latEdit.get()) {
      // The entry takes only angles within range.
      ob.setlat(latEdit->angle());
      redraw();
    } else if (sender == longEdit.get()) {
      ob.setlong(longEdit->angle());
      redraw();
    } else if (sender == tzEdit.get()) {
      // A text that reads as a zone sets it; anything else waits.
      double v = 0;
      const bool ok = os && os->StrToDouble(tzEdit->text(), v) && std::isfinite(v) && std::abs(v) <= 24;
      tzEdit->setValid(ok);
      if (ok) ob.setTZ(v), redraw();
    } else if (sender == gnomonBox.get()) {
      shadows->gnomon = gnomonBox->position();
      redraw();
    } else if (sender == monthBox.get()) {
      chooseHighlight(monthBox->itemIndex());
    } else if (sender == dayBox.get()) {
      chooseDay(dayBox->itemIndex());
    } else if (sender == saveBut.get()) {
      seterr("b");
      std::string name;
      // The badge says FAILED only for a moment: the reason stays on the screen until read.
      if (chooseExportName(name) && !shadows->saveAs(name))
        yo(word("The diagram was not exported to") + " \"" + name + "\": " + shadows->lastWhy + ". " +
           word("An earlier file of that name is kept."));
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
    fm.CaptionL(c, dayBox.get(), word("Day"), dayBox->enabled() ? white : 0xC0C0C0);
    if (const TMetafile* m = shadows->metafile(); m && !m->empty() && os && !emfBox.isEmpty())
      os->MetafileToBox(c, *m, emfBox);
  } catch (const std::exception& e) {
    ::log(std::string("TshadowPage.Paint: ") + e.what());
  }
}
