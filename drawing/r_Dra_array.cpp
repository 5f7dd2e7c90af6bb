// TgobArray: the drawing as a container: slots of objects (bottom first), attribute columns kept
// in step with every object's values, bounds, the settings text and embedded and attached files.
// Invariants: (1) each object's `index` is its slot, except after Exchange and add(g, index);
// (2) a slot frees its object only when the drawing made it (`own`): objects handed in stay
// their owner's; (3) addColumn and insertColumn leave one value line per column.
#include <algorithm>

#include "core/TQYini.h"
#include "core/Ttrig.h"
#include "core/Tview.h"
#include "drawing/r_Dra.h"
#include "drawing/r_Dra_internal.h"
#include "geometry/r_Geom.h"
#include "platform/files.h"
#include "storage/r_Data.h"

// ================================================================ TfileList

int32_t TfileList::add(const std::string& path, std::unique_ptr<TfileImage> image) {
  a.push_back({path, std::move(image)});
  return count() - 1;
}

void TfileList::remove(int32_t index) {
  if (index < 0 || index >= count()) return;
  dra::removeQuietly(a[static_cast<size_t>(index)].path);
  a.erase(a.begin() + index);
}

void TfileList::clear() {
  for (auto& e : a) dra::removeQuietly(e.path);
  a.clear();
}

int32_t TfileList::indexOfOriginal(const std::string& original) const {
  for (int32_t i = 0; i < count(); ++i)
    if (a[static_cast<size_t>(i)].image && a[static_cast<size_t>(i)].image->original == original) return i;
  return -1;
}

// ================================================================ creation and freeing

TgobArray::TgobArray() = default;

TgobArray::~TgobArray() {
  TprocScope proc(*this, "destroy");
  seterr("a");  // a: objects, settings, files and columns
  clear();
}

static_assert(alignof(Tgob) >= 2, "a slot keeps its ownership flag in bit 0 of the address");

void TgobArray::freeSlot(Slot& s) {
  if (s.own()) delete s.g();
  s = Slot();
}

void TgobArray::clear() {
  clearObjects();
  x1 = y1 = x2 = y2 = 0;
  projectionDef.clear();
  version = 3.0;
  fhits.clear();
  fileList.clear();
  if (fini) {
    fini->changed = false;  // a temporary file: nothing to keep
    fini.reset();
    dra::removeQuietly(finiFile);
    finiFile.clear();
  }
  fcolumns.reset();
}

void TgobArray::clearObjects() {
  for (auto& s : a) freeSlot(s);
  a.clear();
  setChanged(true);
}

void TgobArray::clearObjectsButNotArray() {
  for (auto& s : a) freeSlot(s);
  setChanged(true);
}

void TgobArray::setlengthOfArray(int32_t value) {
  value = std::max(value, 0);
  for (int32_t i = value; i < count(); ++i) freeSlot(a[static_cast<size_t>(i)]);
  a.resize(static_cast<size_t>(value));
}

void TgobArray::setChanged(bool value) {
  fchanged = value;
  if (value && onChanged) onChanged(this);
}

// ================================================================ objects

Tgob* TgobArray::slot(int32_t index) const { return validIndex(index) ? a[static_cast<size_t>(index)].g() : nullptr; }

bool TgobArray::ownsItem(int32_t index) const { return validIndex(index) && a[static_cast<size_t>(index)].own(); }

Tgob* TgobArray::getItem(int32_t index) {
  if (!validIndex(index)) return nullptr;
  if (!a[static_cast<size_t>(index)].g() && onGetItem) {
    pendingIndex = index;
    onGetItem(this);
  }
  return slot(index);
}

void TgobArray::putSlot(int32_t index, Tgob* g, bool own) {
  if (index >= count()) a.resize(static_cast<size_t>(index) + 1);
  Slot& s = a[static_cast<size_t>(index)];
  if (s.g() != g) freeSlot(s);  // an object of ours replaced would be lost
  s = Slot(g, own);
}

int32_t TgobArray::create(int32_t index) {
  if (index < 0) index = count();
  auto g = std::make_unique<Tgob>();
  g->uid = static_cast<uint32_t>(index);
  g->index = static_cast<uint32_t>(index);
  g->g = this;
  if (fcolumns && fcolumns->count() > 0) {
    const int32_t n = fcolumns->count();
    bool plain = true;  // every default empty, as in a drawing read from a file
    for (int32_t c = 0; c < n && plain; ++c) plain = fcolumns->item(c)->deflt.empty();
    if (plain) {
      g->fdataList.setCount(n);
    } else {
      std::vector<std::string> defaults;
      defaults.reserve(static_cast<size_t>(n));
      for (int32_t c = 0; c < n; ++c) defaults.push_back(fcolumns->item(c)->deflt);
      g->fdataList.assign(defaults);
    }
  }
  putSlot(index, g.release(), true);
  return index;
}

int32_t TgobArray::add() { return add(-1); }

int32_t TgobArray::add(int32_t index) {
  int32_t i = create(index);
  if (onAdd) onAdd(slot(i));
  setChanged(true);
  return i;
}

int32_t TgobArray::add(int32_t obType, const Txyvalues& xy) {
  return add(-1, obType, TpolyXyValues{xy});
}

int32_t TgobArray::addPoint(double x, double y) {
  int32_t i = create(-1);
  Tgob& g = *slot(i);
  g.setType(o_point);
  g.xy = TpolyXyValues{{{x, y}}};
  g.x1 = g.x2 = x;
  g.y1 = g.y2 = y;
  if (onAdd) onAdd(&g);
  setChanged(true);
  return i;
}

int32_t TgobArray::add(int32_t obType, const TpolyXyValues& xy) { return add(-1, obType, xy); }

int32_t TgobArray::add(int32_t index, int32_t obType, const TpolyXyValues& xy) {
  return add(index, obType, TpolyXyValues(xy));
}

int32_t TgobArray::add(int32_t index, int32_t obType, TpolyXyValues&& xy) {
  int32_t i = create(index);
  Tgob& g = *slot(i);
  g.setType(obType);
  createLineman().bounds(g.x1, g.y1, g.x2, g.y2, xy);
  g.xy = std::move(xy);
  if (onAdd) onAdd(&g);
  setChanged(true);
  return i;
}

int32_t TgobArray::add(Tgob* g) {
  if (!g) return -1;
  int32_t i = count();
  a.push_back(Slot(g, false));
  g->index = static_cast<uint32_t>(i);
  g->uid = static_cast<uint32_t>(i);
  if (parentOwned) g->g = this;
  setChanged(true);
  return i;
}

int32_t TgobArray::add(Tgob* g, int32_t index) {
  if (!validIndex(index)) return -1;
  putSlot(index, g, false);
  return index;
}

void TgobArray::renumberFrom(int32_t from) {
  for (int32_t i = std::max(from, 0); i < count(); ++i)
    if (Tgob* g = a[static_cast<size_t>(i)].g()) g->index = static_cast<uint32_t>(i);
}

void TgobArray::insert(int32_t index) {
  index = std::clamp(index, 0, count());
  a.insert(a.begin() + index, Slot{});
  renumberFrom(index + 1);
  create(index);
}

bool TgobArray::Delete(int32_t index) {
  if (!validIndex(index)) return false;
  Slot& s = a[static_cast<size_t>(index)];
  if (s.g() && s.own()) {
    pendingIndex = index;
    if (onDelete) onDelete(s.g());
    freeSlot(a[static_cast<size_t>(index)]);  // the handler may have moved nothing; read the slot again
  }
  a.erase(a.begin() + index);
  renumberFrom(index);
  setChanged(true);
  return true;
}

void TgobArray::Exchange(int32_t index1, int32_t index2) {
  if (!validIndex(index1) || !validIndex(index2)) return;
  std::swap(a[static_cast<size_t>(index1)], a[static_cast<size_t>(index2)]);
  setChanged(true);
}

void TgobArray::MoveItem(int32_t fromIndex, int32_t toIndex) {
  if (fromIndex == toIndex || !validIndex(fromIndex) || !validIndex(toIndex)) return;
  auto from = a.begin() + fromIndex, to = a.begin() + toIndex;
  if (fromIndex < toIndex) std::rotate(from, from + 1, to + 1);
  else std::rotate(to, from, from + 1);
  renumberFrom(std::min(fromIndex, toIndex));
  setChanged(true);
}

int32_t TgobArray::Bringtotop(int32_t index) {
  MoveItem(index, count() - 1);
  return count() - 1;
}

int32_t TgobArray::SendToBack(int32_t index) {
  MoveItem(index, 0);
  return 0;
}

int32_t TgobArray::UpOne(int32_t index) {
  MoveItem(index, index + 1);
  return index + 1;
}

int32_t TgobArray::BackOne(int32_t index) {
  MoveItem(index, index - 1);
  return index - 1;
}

int32_t TgobArray::IndexOf(const Tgob* g, int32_t max) const {
  for (int32_t i = 0; i < std::min(max, count()); ++i)
    if (a[static_cast<size_t>(i)].g() == g) return i;
  return -1;
}

int32_t TgobArray::IndexOf(int32_t uid) const {
  if (uid < 0) return -1;
  for (int32_t i = 0; i < count(); ++i)
    if (const Tgob* g = a[static_cast<size_t>(i)].g(); g && g->uid == static_cast<uint32_t>(uid)) return i;
  return -1;
}

int32_t TgobArray::findParent(const Tgob* g) const {
  if (!g || g->parentuid() == 0) return -1;
  for (int32_t i = 0; i < count(); ++i)
    if (const Tgob* p = a[static_cast<size_t>(i)].g(); p && p != g && p->uid == g->parentuid()) return i;
  return -1;
}

bool TgobArray::findChildren(const Tgob* g, TiList& list) const {
  list.clear();
  if (!g || g->uid == 0) return false;
  for (int32_t i = 0; i < count(); ++i)
    if (const Tgob* c = a[static_cast<size_t>(i)].g(); c && c != g && c->parentuid() == g->uid) list.push_back(i);
  return !list.empty();
}

int32_t TgobArray::FindFromDataValue(int32_t col, const std::string& value) {
  for (int32_t i = 0; i < count(); ++i) {
    const Tgob* g = a[static_cast<size_t>(i)].g();
    if (!g) continue;
    if (col == col_caption) {
      if (g->fcaption == value) return i;
    } else if (col == col_id) {
      if (g->fid == value) return i;
    } else if (col == col_stylenum) {
      if (std::to_string(g->styleNumber) == value) return i;
    } else if (col >= 0 && col <= 999) {
      if (col < g->fdataList.count() && g->fdataList[col] == value) return i;
    } else {
      return -1;
    }
  }
  return -1;
}

int32_t TgobArray::FindFromDataValue(const std::string& key, const std::string& value) {
  int32_t col = gobColIndex(*this, key);
  return col == col_none ? -1 : FindFromDataValue(col, value);
}

bool TgobArray::inView(int32_t index, const Tview& view) {
  return inView(index, view.leftx(), view.bottomy(), view.rightx(), view.topy());
}

bool TgobArray::inView(int32_t index, double bx1, double by1, double bx2, double by2) {
  const Tgob* g = slot(index);
  if (!g || g->state == gob_hidden) return false;
  return createTrig().BoxesIntersect(g->x1, g->y1, g->x2, g->y2, bx1, by1, bx2, by2);
}

void TgobArray::ChangeArea(int32_t index) {
  Tgob* g = slot(index);
  if (!g) return;
  TgobXy::Side side = g->xy.side();
  side.area = 0;
  g->xy.setSide(side);
  if (onChangeArea) onChangeArea(g);
}

// ================================================================ columns and values

Tcolumns& TgobArray::columns() {
  if (!fcolumns) fcolumns = std::make_unique<Tcolumns>();
  return *fcolumns;
}

int32_t TgobArray::columnCount() const { return fcolumns ? fcolumns->count() : 0; }

int32_t TgobArray::columnIndexOf(const std::string& name) const { return fcolumns ? fcolumns->indexOf(name) : -1; }

const Tcolumn* TgobArray::column(int32_t index) const { return fcolumns ? fcolumns->item(index) : nullptr; }

int32_t TgobArray::addColumn(const std::string& name, const std::string& deflt, int32_t ftType, int32_t decplaces) {
  int32_t k = columnCount();
  Tcolumn* c = columns().Add(ftType, name);
  c->decplaces = decplaces;
  if (!deflt.empty()) c->deflt = deflt;
  for (auto& s : a) {
    if (!s.g()) continue;
    TdataList& d = s.g()->fdataList;
    d.setCount(k);
    d.add(deflt);
  }
  setChanged(true);
  return k;
}

void TgobArray::insertColumn(int32_t index, const std::string& name, const std::string& deflt, int32_t ftType,
                             int32_t decplaces) {
  if (index < 0) {
    addColumn(name, deflt, ftType);
    return;
  }
  index = std::min(index, columnCount());
  Tcolumn* c = columns().Insert(index, ftType);
  c->name = name;
  c->deflt = deflt;
  c->decplaces = decplaces;
  const int32_t n = columnCount();
  for (auto& s : a) {
    if (!s.g()) continue;
    TdataList& d = s.g()->fdataList;
    d.setCount(n - 1);
    d.insert(index, deflt);
  }
  setChanged(true);
}

void TgobArray::DeleteColumn(int32_t index) {
  if (index < 0 || index >= columnCount()) return;
  fcolumns->Delete(index);
  for (auto& s : a)
    if (s.g()) s.g()->fdataList.remove(index);
  setChanged(true);
}

void TgobArray::DeleteColumns(const TiList& cols) {
  if (cols.empty()) return;
  TiList down = cols;
  std::sort(down.begin(), down.end(), std::greater<>());
  down.erase(std::unique(down.begin(), down.end()), down.end());
  for (auto& s : a) {
    if (!s.g()) continue;
    for (int32_t c : down) s.g()->fdataList.remove(c);
  }
  for (int32_t c : down)
    if (c >= 0 && c < columnCount()) fcolumns->Delete(c);
}

void TgobArray::DeleteAllColumns() {
  if (fcolumns) fcolumns->clear();
  for (auto& s : a)
    if (s.g()) s.g()->fdataList.clear();
  setChanged(true);
}

void TgobArray::swapColumns(int32_t indexA, int32_t indexB) {
  if (indexA < 0 || indexB < 0 || indexA >= columnCount() || indexB >= columnCount()) return;
  fcolumns->Swap(indexA, indexB);
  const int32_t need = std::max(indexA, indexB) + 1;
  for (auto& s : a) {
    if (!s.g()) continue;
    TdataList& d = s.g()->fdataList;
    if (d.count() < need) d.setCount(need);
    d.swap(indexA, indexB);
  }
  setChanged(true);
}

void TgobArray::inheritColumns(TgobArray& source) { columns().assign(source.columns()); }

// ================================================================ bounds

void TgobArray::updateBounds(bool excludeNegative) {
  if (ignoreUpdateBounds) return;
  x1 = y1 = x2 = y2 = 0;
  if (a.empty()) return;
  auto firstEmpty = std::find_if(a.begin(), a.end(), [](const Slot& s) { return !s.g(); });
  if (firstEmpty != a.end()) {
    const int32_t from = static_cast<int32_t>(firstEmpty - a.begin());
    a.erase(std::remove_if(firstEmpty, a.end(), [](const Slot& s) { return !s.g(); }), a.end());
    renumberFrom(from);
  }
  bool first = true;
  for (int32_t i = count() - 1; i >= 0; --i) {
    const Tgob& g = *a[static_cast<size_t>(i)].g();
    if (excludeNegative && !(g.x1 > 0 && g.y1 > 0)) continue;
    if (g.xy.empty() || g.xy[0].empty()) continue;
    if (first) {
      x1 = g.x1;
      y1 = g.y1;
      x2 = g.x2;
      y2 = g.y2;
      first = false;
      continue;
    }
    x1 = std::min(x1, g.x1);
    y1 = std::min(y1, g.y1);
    x2 = std::max(x2, g.x2);
    y2 = std::max(y2, g.y2);
  }
}

void TgobArray::repairBounds() {
  for (auto& s : a)
    if (s.g()) s.g()->updateBounds(true);
  updateBounds();
}

// ================================================================ settings and files

TQYini& TgobArray::ini() {
  if (!fini) {
    finiFile = os->tempfilename("ini");
    fini = std::make_unique<TQYini>(finiFile);
  }
  return *fini;
}

namespace {
// The file list of the drawing (index < 0) or of an object; nil for an object without one.
TfileList* filesOf(TgobArray& d, int32_t index) {
  if (index < 0) return &d.fileList;
  Tgob* g = d.slot(index);
  return g && g->hasDetail() ? g->editDetail().attachments.get() : nullptr;
}

bool readable(const std::string& filename) {
  if (!platform::isFile(filename)) return false;
  int fd = platform::openRead(filename);
  if (fd < 0) return false;
  platform::closeFile(fd);
  return true;
}
}  // namespace

int32_t TgobArray::FindFile(int32_t index, const std::string& filename) {
  const TfileList* list = filesOf(*this, index);
  return list ? list->indexOfOriginal(filename) : -1;
}

// Step markers: a list, b read the file, c copy it.
std::string TgobArray::FindOrAddFile(int32_t index, const std::string& filename, bool updateIfExists) {
  TprocScope proc(*this, "FindOrAddFile");
  seterr("a");
  TfileList* list = filesOf(*this, index);
  Tgob* owner = index < 0 ? nullptr : slot(index);
  if (!list && !owner) {
    log("FindOrAddFile: no object " + std::to_string(index) + " for " + filename);
    return "";
  }
  if (list) {
    int32_t i = list->indexOfOriginal(filename);
    if (i >= 0) {
      if (updateIfExists) {
        if (os->copyfile(filename, list->path(i))) list->image(i).size = static_cast<uint32_t>(os->getfilesize(filename));
        else log("FindOrAddFile: cannot copy " + filename + " again");
      }
      return list->path(i);
    }
  }
  seterr("b");
  if (!readable(filename)) {
    log("FindOrAddFile: cannot read " + filename + "; nothing added");
    return "";
  }
  seterr("c");
  std::string ext = TosFiles::ExtractFileExt(filename);
  std::string copy = os->tempfilename(ext.empty() ? "tmp" : ext);
  if (copy.empty() || !os->copyfile(filename, copy)) {
    dra::removeQuietly(copy);
    log("FindOrAddFile: cannot copy " + filename + "; nothing added");
    return "";
  }
  auto image = std::make_unique<TfileImage>();
  image->original = filename;
  image->size = static_cast<uint32_t>(os->getfilesize(filename));
  if (!list) {
    owner->editDetail().attachments = std::make_unique<TfileList>();
    list = owner->editDetail().attachments.get();
  }
  list->add(copy, std::move(image));
  setChanged(true);
  return copy;
}

void TgobArray::deleteAttachment(int32_t index, const std::string& filename) {
  TfileList* list = filesOf(*this, index);
  if (!list) return;
  int32_t i = list->indexOfOriginal(filename);
  if (i < 0) return;
  list->remove(i);
  setChanged(true);
}

bool TgobArray::ListAttachments(int32_t index, TStringList& list) {
  list.clear();
  const TfileList* files = filesOf(*this, index);
  if (!files) return false;
  for (int32_t i = 0; i < files->count(); ++i) list.add(files->image(i).original);
  return list.count() > 0;
}
