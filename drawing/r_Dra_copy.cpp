// Whole-object operations of a drawing: copies of another drawing (whole or selected), appends
// with attribute values matched by column name, label seed points, and captions filled from
// templates that name the object's values in square brackets. Copies move stored value texts
// unchanged, so a number typed in one locale never changes on the way.
#include <cmath>

#include "drawing/r_Dra.h"
#include "geometry/r_Geom.h"
#include "platform/text.h"
#include "storage/r_Data.h"

void TgobArray::copyObjects(TgobArray& source, const std::function<bool(int32_t, Tgob&)>& take,
                            bool recomputeBounds) {
  if (&source == this) return;
  clear();
  columns().assign(source.columns());
  int32_t n = 0;
  for (int32_t i = 0; i < source.count(); ++i) {
    Tgob* s = source.getItem(i);
    if (!s || !take(i, *s)) continue;
    auto g = std::make_unique<Tgob>();
    g->uid = g->index = static_cast<uint32_t>(n);
    g->g = this;
    g->assign(*s);  // takes over the source's uid and data id
    putSlot(n++, g.release(), true);
  }
  setlengthOfArray(n);
  if (recomputeBounds) {
    updateBounds();
  } else {
    x1 = source.x1;
    y1 = source.y1;
    x2 = source.x2;
    y2 = source.y2;
  }
  projectionDef = source.projectionDef;
  highestDataId = source.highestDataId;
  version = source.version;
}

void TgobArray::copy(TgobArray& source, bool selectionOnly) {
  copyObjects(source, [&](int32_t, Tgob& g) { return !selectionOnly || g.state == gob_select; }, selectionOnly);
}

void TgobArray::copy(TgobArray& source, const TiList& idList) {
  copyObjects(source, [&](int32_t i, Tgob&) { return std::find(idList.begin(), idList.end(), i) != idList.end(); },
              true);
}

void TgobArray::copy(TgobArray& source, const bSet& obTypes) {
  copyObjects(source, [&](int32_t, Tgob& g) { return inSet(obTypes, g.obType()); }, true);
}

void TgobArray::append(TgobArray& source, bool appendData, bool selectionOnly) {
  const int32_t k = count();
  if (appendData)
    for (int32_t c = 0; c < source.columnCount(); ++c) {
      const Tcolumn* s = source.column(c);
      if (columnIndexOf(s->name) >= 0) continue;
      columns().Add(s->datatype())->assign(*s);
    }
  // For each of our columns, the source column of the same name (-1 for none).
  std::vector<int32_t> from(static_cast<size_t>(columnCount()));
  for (int32_t c = 0; c < columnCount(); ++c) from[static_cast<size_t>(c)] = source.columnIndexOf(column(c)->name);
  // Counted once: a drawing appended to itself grows while it is read.
  const int32_t total = source.count();
  int32_t n = 0;
  for (int32_t i = 0; i < total; ++i) {
    Tgob* s = source.getItem(i);
    if (!s || (selectionOnly && s->state != gob_select)) continue;
    auto g = std::make_unique<Tgob>();
    g->index = static_cast<uint32_t>(k + n);
    g->g = this;
    g->assign(*s);
    g->dataid = ++highestDataId;
    std::vector<std::string> values;
    values.reserve(from.size());
    const TdataList& sv = s->dataList();
    for (int32_t f : from) values.emplace_back(f >= 0 && f < sv.count() ? sv[f] : std::string_view());
    g->getDataList().assign(values);
    putSlot(k + n++, g.release(), true);
  }
  setlengthOfArray(k + n);
  updateBounds();
  setChanged(true);
}

void TgobArray::getseed(Tgob& g) {
  if (g.seedx() != kSeedNotComputed) return;
  if (g.xy.empty() || g.xy[0].empty()) return;
  TlineMan& lm = createLineman();
  TpolyXyValues spare;
  const TpolyXyValues& parts = g.xy.list(spare);
  const Txyvalues& first = parts[0];
  switch (g.obType()) {
    case o_point:
    case o_text:
      g.setSeed(first[0].x, first[0].y);
      break;
    case o_line: {
      // A line of no length has no point along it and no direction.
      if (first.size() < 2 || !(lm.linelength(first) > 0)) return;
      double x = 0, y = 0, dx = 0, dy = 0;
      lm.LinePercentPoint(x, y, dx, dy, first, g.tipx());
      if (!std::isfinite(x) || !std::isfinite(y)) return;
      g.setSeed(x, y);
      if (std::isfinite(dx) && std::isfinite(dy) && (dx != 0 || dy != 0)) {
        lastDx = dx;
        lastDy = dy;
      }
      break;
    }
    case o_polyGon: {
      double x = 0, y = 0;
      if (!lm.seedPoint(x, y, parts)) return;
      g.setSeed(x, y);
      break;
    }
    default: break;
  }
}

namespace {
// The value of one bracketed name; false when the name is unknown (it then stays as written).
bool templateValue(TgobArray& d, Tgob& g, const std::string& name, std::string& value) {
  if (name == "#") {
    value = std::to_string(g.index);
    return true;
  }
  if (!name.empty() && name[0] == '#') {
    const std::string n = TosText::strip(name, " ");
    if (n.size() > 1 && (n[1] == '+' || n[1] == '-')) {
      const int64_t k = TosNumberText::StrToInt(n.substr(2));
      value = std::to_string(n[1] == '+' ? int64_t(g.index) + k : int64_t(g.index) - k);
      return true;
    }
    const std::string rest = n.substr(1);
    if (rest == "area") value = os->DoubleToStr(g.getarea(), 2);
    else if (rest == "hectares") value = os->DoubleToStr(g.getarea() / 10000, 2);
    else value = rest;
    return true;
  }
  if (int32_t c = d.columnIndexOf(name); c >= 0) {
    value = g.getcol(c);
    return true;
  }
  if (name == "caption") value = g.fcaption.str();
  else if (name == "id") value = g.fid.str();
  else if (name == "style number") value = std::to_string(g.styleNumber);
  else return false;
  return true;
}
}  // namespace

void TgobArray::setCaption(Tgob& g, const std::string& value) {
  std::string out;
  size_t i = 0;
  while (i < value.size()) {
    const size_t open = value.find('[', i);
    const size_t close = open == std::string::npos ? std::string::npos : value.find(']', open + 1);
    if (close == std::string::npos) {
      out += value.substr(i);
      break;
    }
    out += value.substr(i, open - i);
    const std::string name = value.substr(open + 1, close - open - 1);
    std::string v;
    out += templateValue(*this, g, name, v) ? v : value.substr(open, close - open + 1);
    i = close + 1;
  }
  g.fcaption = out;
}
