// TtzPlaces: the place tree of the Settings tab. Rows come in the database's order and are grouped
// by runs of equal codes (compared exactly), not by code: a code that comes back later starts a
// new country node.
#include "clock/r_tzPlaces2.h"

#include <exception>

#include "core/r_base.h"
#include "core/r_log.h"
#include "platform/windows.h"
#include "storage/r_sqlite.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_treeView.h"

using namespace platform;

namespace {
std::string word(const std::string& s) { return os ? os->wd("Settings", s) : s; }
int gp(int n) { return os ? os->gp(n) : n; }
}  // namespace

TtzPlaces::TtzPlaces(TWinControl* owner, TliteDB* db) : TQYcontrol(owner) {
  but = std::make_unique<TQYbutton>(this);
  but->autoSize = false;
  but->setCaption(word("Add location"));
  but->setEnabled(false);
  but->onClick = [this](TQYbutton*) { doClick(); };
  tv = std::make_unique<TtreeView>(this);
  tv->fontsize = gp(9);
  tv->onClick = [this](TtreeView*) { doSelect(); };
  if (db) read(*db);
  tv->setSelected(nullptr);
  OnResize = [this](TWinControl*) { doresize(); };
}

TtzPlaces::~TtzPlaces() {
  // The tree goes before the records its nodes stand for.
  tv.reset();
  a.clear();
}

void TtzPlaces::read(TliteDB& db) {
  TcontrolScope proc(*this, "TtzPlaces.read");
  try {
    if (!db.valid() || db.tables().indexOf("places") < 0) return;
    sqlite3_stmt* st = db.start("SELECT * FROM `places`");
    struct Row {
      std::string code, name;
    };
    std::vector<Row> names;
    while (st && db.getnext(st)) {
      TplaceRec r;
      r.tzCode = db.getstr(st, 0);
      r.long_ = db.getdouble(st, 2);
      r.lat = db.getdouble(st, 3);
      names.push_back({r.tzCode, db.getstr(st, 1)});
      a.push_back(std::move(r));
    }
    db.finish(st);
    // The nodes once every record has its place in memory.
    tv->beginUpdate();
    TtreeNode* country = nullptr;
    std::string previous;
    bool first = true;
    for (size_t i = 0; i < a.size(); ++i) {
      const bool newRun = first || a[i].tzCode != previous;
      a[i].tn = tv->add(newRun ? nullptr : country, names[i].name, static_cast<int32_t>(i));
      if (newRun) country = a[i].tn;
      previous = a[i].tzCode;
      first = false;
    }
    tv->endUpdate();
  } catch (const std::exception& e) {
    log(std::string("TtzPlaces.read: ") + e.what());
  }
}

bool TtzPlaces::holds(const void* p) const {
  if (a.empty() || !p) return false;
  const auto* r = static_cast<const TplaceRec*>(p);
  return !std::less<const TplaceRec*>()(r, a.data()) && std::less<const TplaceRec*>()(r, a.data() + a.size());
}

void TtzPlaces::clearSel() { tv->setSelected(nullptr); }

void TtzPlaces::doresize() {
  if (autoMode) {
    but->Hide();
    tv->SetBounds(0, 0, Width(), Height());
  } else {
    const int h = but->Height() + 1;
    but->Show();
    but->SetBounds(0, 1, Width(), but->Height());
    tv->SetBounds(0, h, Width(), std::max(Height() - h, 0));
  }
  if (hasDesktop() && Visible()) desktop().setFocus(tv->Handle());
  tv->setSelected(nullptr);
}

void TtzPlaces::doSelect() {
  TtreeNode* n = tv->selected();
  if (!n || n == lastSel) return;
  lastSel = n;
  TplaceRec& r = a.at(static_cast<size_t>(n->data));
  if (autoMode) {
    if (onSelect) onSelect(&r);
    return;
  }
  but->bold = true;
  but->setCaption(word("Add location: ") + "\"" + n->text() + "\"");
  but->setEnabled(true);
}

void TtzPlaces::doClick() {
  if (!onSelect || !lastSel) return;
  onSelect(&a.at(static_cast<size_t>(lastSel->data)));
  but->bold = false;
  but->setCaption(word("Add location"));
  but->setEnabled(false);
  tv->setSelected(nullptr);
}

void TtzPlaces::Paint() {
  TQYcontrol::Paint();
  Canvas().Brush.Style = bsSolid;
  Canvas().Brush.Color = clWhite;
  Canvas().FillRect(ClientRect());
}
