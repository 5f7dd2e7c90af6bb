// TlocPage: the Settings tab. Editors change the selected location in the model at once; the
// model is written as a whole on leave and before a wall-clock launch. Handlers never raise:
// what fails is logged (or, for a launch, said in a box).
#include "clock/r_SunLocPage.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "astro/r_SunLoc.h"
#include "clock/r_tzPlaces2.h"
#include "core/Tyo.h"
#include "core/os_filetypes.h"
#include "core/r_Font.h"
#include "core/r_Monitors.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "core/r_paths.h"
#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/windows.h"
#include "platform/x11.h"
#include "storage/r_sqlite.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_comboBox.h"
#include "ui/r_controlMan.h"
#include "ui/r_edit.h"
#include "ui/r_listBox.h"
#include "ui/r_pick.h"
#include "ui/r_pickLatLong.h"
#include "ui/r_slider.h"
#include "ui/r_treeView.h"
#include "ui/r_wordWrap.h"

using namespace platform;

namespace {
constexpr const char* kPathsGroup = "kestrova";  // the wall clock's values in "paths.ini"
constexpr const char* kPickGroup = "locations";   // the picker's remembered folder
constexpr int32_t kWhite = 0xFFFFFF;
constexpr int32_t kOutline = 0xDCDCDC;
constexpr int32_t kBadgeWritten = 0x00B400, kBadgeFailed = 0x0000C8;  // green, red

std::string word(const std::string& s) { return os ? os->wd("Settings", s) : s; }
int gp(int n) { return os ? os->gp(n) : n; }
int uiFontSize() { return os ? os->fontsize() : 8; }
// The page and its check boxes: the dialog colour 40 % toward black.
int32_t panelColour() { return TosDrawing::FadeColour(dlgColour, 0, 40); }
TdateMan& calendar() { return createDateman(); }
int zoneIndex(const std::string& name) { return calendar().TimeZones().indexOf(name); }

const std::pair<const char*, int32_t> kHorizontal[] = {{"left", kJustifyLeft}, {"centre", kJustifyCentre}, {"right", kJustifyRight}};
const std::pair<const char*, int32_t> kVertical[] = {{"top", kJustifyTop}, {"centre", kJustifyCentre}, {"bottom", kJustifyBottom}};
}  // namespace

TwallClock::TwallClock()
    : find([] { return x11::findWindowByClass(kWallClockClass); }),
      close([](unsigned long w) { x11::closeWindow(w); }),
      program(exeFolder() + kWallClockProgram) {}

// ---- creation ---------------------------------------------------------------------------------------

TlocPage::TlocPage(TWinControl* owner, TsunBase& base) : TQYcontrol(owner), sunbase(base) {
  TcontrolScope proc(*this, "TlocPage.create");
  if (os) monitors = os->monitors.get();
  seterr("a");  // a: the place tree, read whole from a database opened for the purpose
  {
    std::unique_ptr<TliteDB> places = openData("places.db", "places");
    if (!places) log("places.db of " + sunbase.dataDir() + " cannot be read: no predefined locations");
    tzListBox = std::make_unique<TtzPlaces>(this, places.get());
    tzListBox->onSelect = [this](TplaceRec* r) { doClick(r); };
  }
  seterr("a2");  // a2: zones database
  zonesdb = openData("zones.db", "timezones");
  if (!zonesdb) log("zones.db of " + sunbase.dataDir() + " cannot be read: added places keep the zone UTC");

  seterr("b");  // b: location editors
  listBox2 = std::make_unique<TlistBox>(this);
  listBox2->onClick = [this](TlistBox* s) { doClick(s); };
  tzBox = std::make_unique<TcomboBox>(this);
  nameEdit = std::make_unique<Tedit>(this);
  nameEdit->onChange = [this](Tedit* s) { doClick(s); };
  latEdit = std::make_unique<TPickLatLong>(this);
  latEdit->setNorthSouth(true);
  longEdit = std::make_unique<TPickLatLong>(this);
  longEdit->setNorthSouth(false);
  for (TPickLatLong* e : {latEdit.get(), longEdit.get()}) e->onChange = [this](TPickLatLong* s) { doClick(s); };
  hjustBox = std::make_unique<TcomboBox>(this);
  vJustBox = std::make_unique<TcomboBox>(this);

  seterr("c");  // c: check boxes and the slider
  const int32_t P = panelColour();
  auto check = [&](const char* caption) {
    auto b = std::make_unique<TcheckBox>(this);
    b->setCaption(word(caption));
    b->fontcolour = b->selectedFontColour = kWhite;
    b->setColour(P);
    b->onClick = [this](TcheckBox* s) { doClick(s); };
    return b;
  };
  singleBox = check("Single line display on map");
  homeBox = check("This is my home location");
  hideBox = check("Hide locations on the map");
  magBox = std::make_unique<TsliderLite>(this);
  magBox->backColour = P;
  magBox->fontColour = kWhite;
  magBox->setDecplaces(2);
  magBox->setStep(0.01);
  magBox->min = 0.5;
  magBox->max = 3.5;
  magBox->onChange = [this](TsliderLite* s) { doClick(s); };
  linguaBox = std::make_unique<TcomboBox>(this);
  hourbox = check("Use 24 hour clock");
  hourbox->setChecked(!sunbase.locations().useAmPm);
  for (TcomboBox* c : {tzBox.get(), hjustBox.get(), vJustBox.get(), linguaBox.get()})
    c->onClick = [this](TcomboBox* s) { doClick(s); };

  seterr("d");  // d: buttons and monitor lists
  auto button = [&](const char* caption) {
    auto b = std::make_unique<TQYbutton>(this);
    b->setCaption(word(caption));
    b->onClick = [this](TQYbutton* s) { doClick(s); };
    return b;
  };
  exportBut = button("Export locations");
  importBut = button("Import locations");
  delBut = button("Delete location");
  copyBut = button("<< Select <<");
  copyBut->bold = true;
  copyBut->setEnabled(false);
  newBut = button("New location");
  wallBut = button("Launch wall clock");
  monitorBox = std::make_unique<TlistBox>(this);
  monitorBox2 = std::make_unique<TlistBox>(this);
  for (TlistBox* l : {monitorBox.get(), monitorBox2.get()}) l->onClick = [this](TlistBox* s) { doClick(s); };
  OnResize = [this](TWinControl*) { doResize(); };
  onReenter = [this](TQYcontrol*) { reenterPage(); };
}

TlocPage::~TlocPage() { reapProgram(wallClockPid); }

// A database of the data folder with the table the page reads; nullptr when it cannot be read.
// What is no database at all is told by its first bytes, so the page alone says it once.
std::unique_ptr<TliteDB> TlocPage::openData(const std::string& file, const std::string& table) const {
  static constexpr char kMagic[] = "SQLite format 3";  // with its NUL: the file's first 16 bytes
  const std::string name = sunbase.dataDir() + file;
  char head[sizeof kMagic] = {};
  const int fd = isFile(name) ? openRead(name) : -1;
  const bool database = fd >= 0 && readFile(fd, head, sizeof head) == static_cast<int64_t>(sizeof head) &&
                        std::equal(head, head + sizeof head, kMagic);
  if (fd >= 0) closeFile(fd);
  if (!database) return nullptr;
  auto db = TliteDB::createReadOnly();
  db->suppressErrorMessages = true;
  if (!db->setfile(name) || !db->valid() || db->tables().indexOf(table) < 0) return nullptr;
  return db;
}

// ---- layout -----------------------------------------------------------------------------------------

void TlocPage::doResize() {
  TcontrolScope proc(*this, "TlocPage.doResize");
  try {
    seterr("a");  // a: sizes and the location list
    const int m = gp(8), T = gp(20), W = gp(300);
    int H = gp(430);
    const int n = monitors ? monitors->count() : 1;
    for (TlistBox* l : {listBox2.get(), monitorBox.get(), monitorBox2.get()}) l->fontsize = uiFontSize();
    for (TcomboBox* c : {tzBox.get(), hjustBox.get(), vJustBox.get(), linguaBox.get()}) c->fontsize = uiFontSize();
    for (TcheckBox* c : {singleBox.get(), homeBox.get(), hideBox.get(), hourbox.get()}) c->fontsize = uiFontSize();
    for (TQYbutton* b : {exportBut.get(), importBut.get(), delBut.get(), copyBut.get(), newBut.get(), wallBut.get()})
      b->setFontsize(uiFontSize());
    listBox2->setbounds(m, T, W, H);
    box = Rect(2 * m + W, T, 2 * m + 2 * W, T + H);
    // A short page gives up list height so the lower panels keep their room.
    int y0 = std::min(Height() - gp(180) - gp(18) * n, box.Bottom + gp(34));
    if (y0 < box.Bottom + gp(34)) {
      box.Bottom = y0 - gp(34);
      H = std::max(box.Bottom - T, gp(40));
      listBox2->setbounds(m, T, W, H);
    }
    wallBox = Rect(m, y0, m + W, y0 + gp(135) + gp(18) * n);

    seterr("b");  // b: the editor box
    const int bw = box.width();
    nameEdit->SetBounds(box.Left + gp(8), box.Top + gp(20), bw - gp(16), gp(20));
    const int x1 = box.Left + gp(70);
    int y = box.Top + gp(50);
    latEdit->setbounds(x1, y, box.Right - x1 - m, gp(20));
    y = latEdit->Top() + latEdit->Height() + gp(8);
    longEdit->setbounds(x1, y, box.Right - x1 - m, gp(20));
    y = longEdit->Top() + longEdit->Height() + gp(8);
    tzBox->SetBounds(x1, y, box.Right - x1 - m, gp(20));
    y += gp(28);
    singleBox->SetBounds(x1, y, box.Right - x1 - m, gp(16));
    y += gp(24);
    const int x2 = x1 + gp(70);
    hjustBox->SetBounds(x2, y, box.Right - x2 - m, gp(20));
    y += gp(28);
    vJustBox->SetBounds(x2, y, box.Right - x2 - m, gp(20));
    y += gp(28);
    homeBox->SetBounds(box.Left + gp(8), y, bw - gp(16), gp(24));
    copyBut->SetBounds(box.Right + gp(4), box.Top, copyBut->Width(), gp(20));
    newBut->SetBounds(box.Right + gp(4), box.Top + gp(24), copyBut->Width(), gp(20));
    copyBut->Hide();
    newBut->Hide();
    box.Bottom = homeBox->Top() + gp(28);

    seterr("c");  // c: the display panel and the wall-clock panel
    Tlocations& model = sunbase.locations();
    hideBox->SetBounds(box.Left + gp(8), box.Bottom + gp(40), bw - gp(16), gp(24));
    hideBox->setChecked(!model.showLocations);
    y = box.Bottom + gp(90);
    magBox->SetBounds(box.Left + gp(8), y, bw - gp(16), gp(16));
    magBox->setPosition(model.labelMagnify);
    y += gp(30);
    linguaBox->SetBounds(x2, y, box.Right - x2 - m, gp(20));
    // On a short page the lower panels rose into the display settings under the editor box: they
    // start below those instead, as far as the page lets them stay whole, and the lists above
    // them end where they begin.
    const int lowest = Height() - gp(143) - gp(18) * n;
    if (const int below = std::min(linguaBox->Top() + linguaBox->Height() + gp(12), lowest); y0 < below) {
      y0 = below;
      wallBox = Rect(m, y0, m + W, y0 + gp(135) + gp(18) * n);
      H = std::max(y0 - gp(34) - T, gp(40));
      listBox2->setbounds(m, T, W, H);
    }
    wallBut->SetBounds(wallBox.Left + gp(8), wallBox.Top + gp(8), wallBut->Width(), gp(20));
    monitorBox2->setbounds(wallBox.Left + gp(8), wallBox.Top + gp(120), W - gp(16), gp(20));
    tzListBox->SetBounds(copyBut->Left() + copyBut->Width() + gp(4), box.Top, W, H);
    noteBox = Rect(box.Left, y0, box.Right, wallBox.Bottom);
    hourbox->SetBounds(noteBox.Left + gp(8), noteBox.Top + gp(8), W - gp(16), gp(18));
    monitorBox->setbounds(noteBox.Left + gp(8), noteBox.Top + gp(120), W - gp(16), gp(20));

    seterr("d");  // d: monitors and the lists' first filling
    reenterPage();
    fillLists();
    importBut->SetBounds(listBox2->Left(), tzListBox->Top() + tzListBox->Height() + gp(4), importBut->Width(), gp(20));
    exportBut->SetBounds(importBut->Left() + importBut->Width() + gp(2), importBut->Top(), exportBut->Width(), gp(20));
    delBut->SetBounds(box.Left, box.Bottom + gp(4), delBut->Width(), gp(20));
    Invalidate();
  } catch (const std::exception& e) {
    log(std::string("TlocPage.doResize [") + err() + "]: " + e.what());
  }
}

void TlocPage::fillLists() {
  Tlocations& model = sunbase.locations();
  if (linguaBox->count() == 0) {
    std::vector<std::string> names{"English"};
    if (TliteDB* words = model.wordsDb(); words && words->valid() && words->tables().indexOf("languages") >= 0) {
      sqlite3_stmt* st = words->start("SELECT * FROM `languages`");
      while (st && words->getnext(st)) names.push_back(words->getstr(st, 0));
      words->finish(st);
    }
    std::stable_sort(names.begin(), names.end());
    for (size_t i = 0; i < names.size(); ++i) linguaBox->add(names[i], static_cast<int32_t>(i));
    linguaBox->setText(model.language());
  }
  const int home = model.count() > 0 ? model.getHome() : -1;
  if (tzBox->count() == 0) {
    const TStringList& zones = calendar().TimeZones();
    for (int i = 0; i < zones.count(); ++i) tzBox->add(zones[i], i);
    if (home >= 0) tzBox->setItemIndex(model.getLoc(home).tzIndex);
  }
  if (hjustBox->count() == 0) {
    for (auto [name, id] : kHorizontal) hjustBox->add(word(name), id);
    if (home >= 0) hjustBox->setItemId(model.getLoc(home).hjustify);
  }
  if (vJustBox->count() == 0) {
    for (auto [name, id] : kVertical) vJustBox->add(word(name), id);
    if (home >= 0) vJustBox->setItemId(model.getLoc(home).vjustify);
  }
  if (listBox2->count() == 0 && model.count() > 0) fillLocations();
}

// Every location name in model order, the home location selected and shown in the editors.
void TlocPage::fillLocations() {
  Tlocations& model = sunbase.locations();
  listBox2->clear();
  for (int i = 0; i < model.count(); ++i) listBox2->add(model.getLoc(i).name, i);
  listBox2->setItemIndex(model.count() > 0 ? model.getHome() : -1);
  fillEditors();
}

// ---- monitor lists ----------------------------------------------------------------------------------

void TlocPage::reenterPage() {
  TcontrolScope proc(*this, "TlocPage.reenter");
  try {
    if (!monitors) return;
    const int was = monitors->currentIndex();
    monitors->refresh();
    loadMonitorList(*monitorBox, sunbase.locations().monitor, true);
    std::string wall = paths().getpath(kPathsGroup, "monitor");
    if (wall.empty()) wall = monitors->fullname(0);
    loadMonitorList(*monitorBox2, wall, false);
    monitors->setIndex(was);
  } catch (const std::exception& e) {
    log(std::string("TlocPage.reenter: ") + e.what());
  }
}

// A monitor name that no longer exists falls back to the first monitor.
void TlocPage::loadMonitorList(TlistBox& list, const std::string& wanted, bool intoModel) {
  list.clear();
  for (int i = 0; i < monitors->count(); ++i) list.add(monitors->fullname(i), i);
  list.SetHeight(list.NaturalHeight());
  const int at = list.Items.indexOf(wanted);
  if (at >= 0) {
    list.setItemIndex(at);
  } else {
    if (intoModel && monitors->count() > 0) sunbase.locations().monitor = monitors->fullname(0);
    list.setItemIndex(list.count() > 0 ? 0 : -1);
  }
  list.SetVisible(monitors->count() >= 2);
}

// ---- the editors ------------------------------------------------------------------------------------

Tloc* TlocPage::current() {
  const int i = listBox2->itemIndex();
  Tlocations& model = sunbase.locations();
  return i >= 0 && i < model.count() ? &model.getLoc(i) : nullptr;
}

void TlocPage::fillEditors() {
  const Tloc* l = current();
  if (!l) {
    nameEdit->setText("");
    latEdit->setangle(0);
    longEdit->setangle(0);
    tzBox->setItemIndex(zoneIndex("UTC"));
    hjustBox->setItemId(kJustifyLeft);
    vJustBox->setItemId(kJustifyTop);
    singleBox->setChecked(false);
    homeBox->setChecked(false);
    return;
  }
  nameEdit->setText(l->name);
  latEdit->setangle(l->lat);
  longEdit->setangle(l->long_);
  tzBox->setItemIndex(l->tzIndex);
  hjustBox->setItemId(l->hjustify);
  vJustBox->setItemId(l->vjustify);
  singleBox->setChecked(l->singleLine);
  homeBox->setChecked(listBox2->itemIndex() == sunbase.locations().getHome());
}

// A field of the selected location; with nothing selected an edit touches no location.
void TlocPage::editField(void* sender) {
  Tloc* l = current();
  if (!l) return;
  Tlocations& model = sunbase.locations();
  if (sender == nameEdit.get()) {
    const std::string name = nameEdit->text();
    if (l->name == model.homeplace) model.homeplace = name;
    l->name = name;
    listBox2->Items[listBox2->itemIndex()] = name;
    listBox2->Invalidate();
  } else if (sender == latEdit.get()) {
    l->lat = latEdit->angle();
  } else if (sender == longEdit.get()) {
    l->long_ = longEdit->angle();
  } else if (sender == tzBox.get()) {
    const int i = tzBox->itemIndex();
    if (i < 0) return;
    l->tzIndex = i;
    // The zone's rules go with its name, so local times follow the choice at once.
    l->tzi = calendar().getTzi(tzBox->Items[i]);
  } else if (sender == singleBox.get()) {
    l->singleLine = singleBox->checked();
  } else if (sender == hjustBox.get()) {
    l->hjustify = hjustBox->itemId();
  } else if (sender == vJustBox.get()) {
    l->vjustify = vJustBox->itemId();
  }
}

void TlocPage::deleteLocation() {
  const int index = listBox2->itemIndex();
  Tlocations& model = sunbase.locations();
  if (index < 0 || index >= model.count()) return;  // nothing selected: nothing to delete
  model.remove(index);
  listBox2->Items.remove(index);
  listBox2->setItemIndex(model.count() == 0 ? -1 : index > 0 ? index - 1 : index);
  fillEditors();
  model.changed = true;
}

// A predefined place as a new location, in the zone "zones.db" gives its code (the code bound as a
// value: codes may hold quotes). A code without a zone keeps the new location's UTC.
void TlocPage::addPlace(const TplaceRec& place) {
  Tlocations& model = sunbase.locations();
  const int i = model.add();
  Tloc& l = model.getLoc(i);
  l.name = place.tn ? place.tn->text() : std::string();
  const std::string zone =
      zonesdb ? zonesdb->getColumnValue("timezones", "tz", TwhereClause::equals("code", place.tzCode)) : "";
  if (const int z = zone.empty() ? -1 : tzBox->Items.indexOf(zone); z >= 0) {
    l.tzIndex = z;
    l.tzi = calendar().getTzi(tzBox->Items[z]);
  } else {
    log("no zone for the code \"" + place.tzCode + "\" of " + l.name + ": it keeps UTC");
  }
  l.long_ = place.long_;
  l.lat = place.lat;
  listBox2->add(l.name, i);
  listBox2->setItemIndex(i);
  fillEditors();
}

void TlocPage::newLocation() {
  Tlocations& model = sunbase.locations();
  const int i = model.add();
  Tloc& l = model.getLoc(i);
  l.tzi = calendar().getTzi("GMT Standard Time");
  l.tzIndex = std::max(tzBox->Items.indexOf("GMT Standard Time"), 0);
  listBox2->add(l.name, i);
  listBox2->setItemIndex(i);
  fillEditors();
  model.changed = true;
}

// ---- clicks -----------------------------------------------------------------------------------------

void TlocPage::doClick(void* sender) {
  TcontrolScope proc(*this, "TlocPage.doClick");
  try {
    Tlocations& model = sunbase.locations();
    if (tzListBox && tzListBox->holds(sender)) {
      addPlace(*static_cast<const TplaceRec*>(sender));
    } else if (sender == wallBut.get()) {
      launchWallClock();
    } else if (sender == importBut.get()) {
      importPicked();
    } else if (sender == exportBut.get()) {
      exportPicked();
    } else if (sender == linguaBox.get()) {
      model.setlingua(linguaBox->text());
      model.changed = true;
    } else if (sender == delBut.get()) {
      deleteLocation();
    } else if (sender == newBut.get()) {
      newLocation();
    } else if (sender == copyBut.get()) {
      copyBut->setEnabled(false);
    } else if (sender == listBox2.get()) {
      fillEditors();
    } else if (sender == hjustBox.get() || sender == vJustBox.get() || sender == singleBox.get() ||
               sender == tzBox.get() || sender == latEdit.get() || sender == longEdit.get() || sender == nameEdit.get()) {
      editField(sender);
    } else if (sender == homeBox.get()) {
      const int index = homeBox->checked() ? listBox2->itemIndex() : 0;
      if (index >= 0 && index < listBox2->count() && index < model.count()) {
        model.homeplace = model.getLoc(index).name;
        model.getHome();
        model.changed = true;
      }
    } else if (sender == hideBox.get()) {
      model.showLocations = !hideBox->checked();
      model.changed = true;
    } else if (sender == magBox.get()) {
      model.labelMagnify = magBox->position();
      model.changed = true;
    } else if (sender == hourbox.get()) {
      model.useAmPm = !hourbox->checked();
      model.changed = true;
    } else if (sender == monitorBox.get()) {
      if (monitorBox->itemIndex() >= 0) model.monitor = monitorBox->Items[monitorBox->itemIndex()];
      model.changed = true;
    } else if (sender == monitorBox2.get()) {
      if (monitorBox2->itemIndex() >= 0) {
        paths().setPath(kPathsGroup, "monitor", monitorBox2->Items[monitorBox2->itemIndex()]);
        paths().updateFile();
      }
    }
  } catch (const std::exception& e) {
    log(std::string("TlocPage.doClick [") + err() + "]: " + e.what());
  }
}

void TlocPage::leave() {
  TcontrolScope proc(*this, "TlocPage.leave");
  Tlocations& model = sunbase.locations();
  model.getHome();
  if (!model.saveToFile(model.filename())) log("the locations could not be written to " + model.filename());
}

// ---- the wall clock ---------------------------------------------------------------------------------

// Steps: a: close a running one, b: write the locations, c: wait for the old window, d: start.
bool TlocPage::launchWallClock() {
  TcontrolScope proc(*this, "TlocPage.launchWallClock");
  seterr("a");
  reapProgram(wallClockPid);
  const unsigned long running = wall.find ? wall.find() : 0;
  if (running != 0 && wall.close) wall.close(running);
  seterr("b");
  // Written whether or not marked changed: edits of a location's fields do not mark it, and the
  // wall clock reads the file.
  leave();
  seterr("c");
  // The close reaches the old saver a moment later, and a new one refuses to open beside it.
  if (running != 0 && wall.find && hasDesktop()) {
    TDesktop& d = desktop();
    const uint32_t start = d.now();
    while (wall.find() != 0 && d.now() - start < wall.closeWaitMs) d.waitInput(50);
    if (wall.find() != 0) log("the running wall clock did not close within " + std::to_string(wall.closeWaitMs) + " ms");
  }
  seterr("d");
  std::string why;
  if (!startProgram(wall.program, {"wall"}, wallClockPid, why)) {
    log("the wall clock could not be started: " + why);
    yo(word("The wall clock could not be started:") + "\n" + why);
    return false;
  }
  watchWallClock();
  return true;
}

void TlocPage::watchWallClock() {
  if (wallClockPid <= 0) return;
  if (!reapTimer) {
    reapTimer = std::make_unique<TTimer>();
    reapTimer->SetInterval(kWallClockReapMs);
    reapTimer->SetOnTimer([this](TTimer* t) {
      if (!reapProgram(wallClockPid)) return;
      wallClockPid = 0;
      t->SetEnabled(false);
    });
  }
  reapTimer->SetEnabled(true);
}

// ---- location files ---------------------------------------------------------------------------------

namespace {
// Text, as a locations file is: no control characters but tabs and line ends.
bool textual(const std::string& bytes) {
  return std::none_of(bytes.begin(), bytes.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
  });
}
// The section header lines of an ini text; whether one of them is "settings".
int sectionCount(const std::string& bytes, bool& hasSettings) {
  int n = 0;
  hasSettings = false;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    const size_t lead = bytes.find_first_not_of(" \t", at);
    if (lead < end && bytes[lead] == '[') {
      ++n;
      std::string name = bytes.substr(lead + 1, std::min<size_t>(end - lead - 1, 9));
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      hasSettings = hasSettings || name == "settings]";
    }
    at = end + 1;
  }
  return n;
}
std::string cutName(const std::string& name) {
  return codePointCount(name) > kLocationNameMax ? name.substr(0, codePointOffset(name, kLocationNameMax)) : name;
}
}  // namespace

// Steps: a: the bytes checked, b: a model of their own, c: its locations into the list.
bool TlocPage::importFrom(const std::string& file) {
  TcontrolScope proc(*this, "TlocPage.importFrom");
  auto refuse = [&](const std::string& why) {
    log("no locations imported from " + file + ": " + why);
    yo(word("No locations were imported:") + "\n\"" + file + "\" " + word(why));
    return false;
  };
  seterr("a");
  int64_t size = 0;
  std::string bytes;
  if (!fileSize(file, size) || !isFile(file)) return refuse("cannot be read.");
  if (size > kImportMaxBytes) return refuse("is too large for a locations file.");
  if (!readWholeFile(file, bytes)) return refuse("cannot be read.");
  bool hasSettings = false;
  if (!textual(bytes)) return refuse("is not a locations file.");
  if (sectionCount(bytes, hasSettings) - (hasSettings ? 1 : 0) > kImportMaxLocations)
    return refuse("holds more than " + std::to_string(kImportMaxLocations) + " locations.");

  seterr("b");  // read from a private copy of exactly the bytes checked
  Tlocations& model = sunbase.locations();
  Tlocations imported(model.mapwidth);
  const std::string copy = (os ? os->getTempDir() : tempFolder()) + "imported locations.ini";
  if (!replaceFileContents(copy, bytes, nullptr, Flush::Later)) return refuse("cannot be read.");
  imported.loadfromfile(copy);
  removeFile(copy);
  if (imported.count() == 0) return refuse("holds no location.");

  seterr("c");
  model.a = std::move(imported.a);
  for (auto& l : model.a) l->name = cutName(l->name);
  if (hasSettings) {
    model.useAmPm = imported.useAmPm;
    model.showLocations = imported.showLocations;
    model.labelMagnify = imported.labelMagnify;
    model.centreLong = imported.centreLong;
    model.homeplace = cutName(imported.homeplace);
    model.monitor = imported.monitor;
    model.setlingua(imported.language());  // with the model's own words
  }
  model.getHome();
  hideBox->setChecked(!model.showLocations);
  magBox->setPosition(model.labelMagnify);
  hourbox->setChecked(!model.useAmPm);
  linguaBox->setText(model.language());
  fillLocations();
  reenterPage();
  Invalidate();
  return true;
}

// Each question has a picker of its own, placed at the export button and gone afterwards.
bool TlocPage::importPicked() {
  Tpick p(this);
  picker = &p;
  const bool chosen = p.Open(exportBut.get(), kPickGroup, file_locations);
  picker = nullptr;
  return chosen && importFrom(p.getFname());
}

bool TlocPage::exportPicked() {
  Tpick p(this);
  picker = &p;
  const bool chosen = p.Save(exportBut.get(), kPickGroup, TfileTypes{file_locations});
  picker = nullptr;
  return chosen && exportTo(p.getFname());
}

bool TlocPage::exportTo(const std::string& file) {
  TcontrolScope proc(*this, "TlocPage.exportTo");
  std::string why;
  const bool written = sunbase.locations().saveToFile(file, &why);
  if (!written) log("the locations could not be exported to " + file + ": " + why);
  if (onBadge) onBadge(written);
  else doDone(written, written ? kBadgeWritten : kBadgeFailed);
  // The badge says FAILED only for a moment: the reason stays on the screen until read.
  if (!written)
    yo(word("The locations were not exported to") + " \"" + file + "\": " + why + ". " +
       word("An earlier file of that name is kept."));
  return written;
}

// ---- painting ---------------------------------------------------------------------------------------

void TlocPage::Paint() {
  try {
    TQYcontrol::Paint();
    TCanvas& c = Canvas();
    TfontMan& fm = createFontMan();
    c.Font.setSize(uiFontSize());
    c.Brush.Style = bsSolid;
    c.Brush.Color = TColor(panelColour());
    c.FillRect(ClientRect());
    c.Handle()->setBkMode(BkMode::Transparent);
    TosDrawing::dotBox(c, kOutline, box);
    c.Font.Color = TColor(kWhite);
    fm.CaptionT(c, tzListBox.get(),
                word("Predefined locations (") + std::to_string(tzListBox->count()) + word(" cities and countries)"), kWhite);
    fm.CaptionT(c, listBox2.get(), word("Current world map locations"), kWhite);
    fm.CaptionT(c, nameEdit.get(), word("Location name"), kWhite);
    fm.CaptionL(c, tzBox.get(), word("Time zone"), kWhite);
    fm.CaptionL(c, hjustBox.get(), word("Horizontal alignment"), kWhite);
    fm.CaptionL(c, vJustBox.get(), word("Vertical alignment"), kWhite);
    fm.CaptionLT(c, latEdit.get(), word("Latitude"), "", kWhite);
    fm.CaptionLT(c, longEdit.get(), word("Longitude"), "", kWhite);
    fm.CaptionT(c, monitorBox.get(), word("Start Kestrova on monitor"), kWhite);
    fm.CaptionT(c, monitorBox2.get(), word("Start wall clock and screen saver on monitor"), kWhite);
    fm.CaptionT(c, magBox.get(), word("Map label magnification"), kWhite);
    fm.CaptionL(c, linguaBox.get(), word("Language for map"), kWhite);
    // The place tree's part ends at a dotted line under the import and export buttons.
    if (TDeviceContext* dc = c.Handle()) {
      const TPenDesc old = dc->setPen(TosDrawing::dottedpen(kOutline));
      const int y = importBut->Top() + importBut->Height() + gp(4);
      dc->moveTo(0, y);
      dc->lineTo(tzListBox->Left() + tzListBox->Width(), y);
      dc->setPen(old);
    }
    TosDrawing::dotBox(c, kOutline, wallBox);
    TosDrawing::dotBox(c, kOutline, noteBox);
    paintNotes(c);
  } catch (const std::exception& e) {
    log(std::string("TlocPage.Paint: ") + e.what());
  }
}

void TlocPage::paintNotes(TCanvas& c) {
  const int W = gp(300);
  TwordWrapLite wrap;
  wrap.canvas = &c;
  wrap.fontColour = kWhite;
  wrap.setLinespacing(1.2);
  wrap.setWidth(W - gp(16));
  wrap.setValue(word("The wall clock occupies the whole screen and hides the cursor. To stop the wall clock simply click "
                     "with the mouse."));
  wrap.draw(wallBox.Left + gp(8), wallBut->Top() + wallBut->Height() + gp(8));
  wrap.setValue(word("Click and drag the world map to reposition the centre location of the map. Click without dragging "
                     "to open the \"Time Query\" controller. The \"Time Query\" allows you to enter a time for your "
                     "\"home location\" and see what the local time will be elsewhere in the world."));
  wrap.draw(noteBox.Left + gp(8), noteBox.Top + gp(30));
  // When the running program was built: its file's last write.
  TDateTime created = 0, accessed = 0, written = 0;
  if (fileTimes(exePath(), created, accessed, written)) {
    c.Font.setSize(os ? os->fontsize(10) : 10);
    c.Font.Color = TColor(kWhite);
    c.Handle()->setTextAlign(TA_RIGHT | TA_TOP);
    c.TextOut(tzListBox->Left() + tzListBox->Width(), wallBox.Bottom + gp(4), word("compiled: ") + calendar().LongDateStrDT(written));
    c.Handle()->setTextAlign(TA_LEFT | TA_TOP);
  }
}
