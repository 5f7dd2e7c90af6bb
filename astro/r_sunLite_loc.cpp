// TlocLite: the location labels of the day/night map, read straight from the locations file.
// Each label is rendered into a small image and copied onto the map pixel by pixel: text pixels
// (blue above 0) as they are, the box's background as a 40 % tint, so no alpha blending is needed.
#include <algorithm>
#include <cmath>

#include "astro/r_sunLite.h"
#include "core/os_text.h"
#include "core/r_LiteIni.h"
#include "core/r_base.h"
#include "core/r_date.h"
#include "core/r_log.h"
#include "platform/numbers.h"
#include "storage/r_sqlite.h"

using platform::TPoint;

namespace {
constexpr const char* kSettings = "settings";
constexpr int kLabelW = 500, kLabelH = 200;

int rnd(double v) { return static_cast<int>(platform::Round(v)); }

std::string fixedUK(double v, int decimals) {
  static const TosNumberText plain;
  return (os ? static_cast<const TosNumberText&>(*os) : plain).DoubleToStrUK(v, decimals);
}

// A key of a location section: trimmed; a missing key gives the default, an empty one "".
std::string readS(const TiniLite& ini, const std::string& section, const std::string& key, const std::string& def) {
  if (!ini.ValueExists(section, key)) return def;
  return TosText::Trim(ini.readString(section, key, def));
}
}  // namespace

TlocLite::TlocLite(const std::string& filename) {
  fname = locationsFile.empty() ? filename : locationsFile;
  readFile();
  UImagnify = 1;
  showLocations = true;
  language = readS(*fini, kSettings, "language", "English");
  double centre = 0;
  fcentre = readDegrees(readS(*fini, kSettings, "centre long", "0"), 360, centre) ? centre : 0;
  int32_t n = 100;
  if (!TosNumberText::StrToInt(readS(*fini, kSettings, "label magnify", "100"), n)) n = 100;
  labelmagnify = n > 70 ? n / 100.0 : 1.0;  // 70 and below mean 100 %
  bm = std::make_unique<TrawBitmap24>();
  bm->setsize(kLabelW, kLabelH);
  cv.bind(&bm->dc());
  ppmm = 96 / 25.4;
}

TlocLite::~TlocLite() {
  flushCentre();
  cv.bind(nullptr);
}

void TlocLite::readFile() {
  fini = std::make_unique<TiniLite>(fname);
}

void TlocLite::reload() {
  flushCentre();
  readFile();
}

void TlocLite::setCentre(double x) {
  fcentre = x;
  centrePending = true;
  if (onChangeCentre) onChangeCentre(this);
}

// Read, change, write: only "centre long" is ours; every other key stays as the file has it now.
bool TlocLite::flushCentre() {
  if (!centrePending) return true;
  centrePending = false;
  std::string value = fixedUK(fcentre, 2);
  std::replace(value.begin(), value.end(), ',', '.');
  fini->writeString(kSettings, "centre long", value);
  fini->changed = false;  // the copy in memory is never written whole
  TiniLite current(fname);
  current.writeString(kSettings, "centre long", value);
  const bool saved = current.UpdateFile();
  current.changed = false;
  return saved;
}

std::string TlocLite::translate(const std::string& text) const {
  if (language == "English" || !wordsDb || !wordsDb->valid()) return text;
  // Each word is looked up once per language and database: labels and strip ask every minute.
  if (wordsLanguage != language || wordsFrom != wordsDb) {
    words.clear();
    wordsLanguage = language;
    wordsFrom = wordsDb;
  }
  auto it = words.find(text);
  if (it != words.end()) return it->second;
  const std::string word = const_cast<TliteDB*>(wordsDb)->getColumnValue(
      "words", "word", TwhereClause::equals("language", language).andEquals("english", text));
  // An untranslated word stays English rather than vanish.
  return words.emplace(text, word.empty() ? text : word).first->second;
}

int TlocLite::px(double mm) const { return rnd(mm * ppmm * labelmagnify * UImagnify); }

int TlocLite::hit(int x, int y) const {
  if (width <= 0) return -1;
  x -= centreOffset;
  while (x < 0) x += width;
  while (x > width) x -= width;
  for (size_t i = 0; i < pt.size(); ++i)
    if (pt[i].X >= x - 3 && pt[i].X < x + 3 && pt[i].Y >= y - 3 && pt[i].Y < y + 3) return static_cast<int>(i);
  return -1;
}

void TlocLite::draw(int mapWidth, platform::TDateTime gmt) {
  width = mapWidth;
  useAmPm = readS(*fini, kSettings, "12 hour clock", "no") == "yes";
  showLocations = readS(*fini, kSettings, "show locations", "yes") != "no";
  pt.clear();
  boxes.clear();
  if (!showLocations || !topbm) return;
  const TStringList& sections = fini->sections();
  for (int i = 0; i < sections.count(); ++i)
    if (sections[i].rfind("location", 0) == 0) drawOne(*fini, sections[i], gmt);
}

void TlocLite::drawOne(TiniLite& ini, const std::string& section, platform::TDateTime gmt) {
  const std::string name = readS(ini, section, "name", "");
  const std::string zone = readS(ini, section, "windows name", "");
  double lat = 0, lng = 0;
  if (!readDegrees(readS(ini, section, "lat", "0"), 90, lat) || !readDegrees(readS(ini, section, "long", "0"), 180, lng))
    return;  // out of the world: no label (the locations model logs it)
  const bool single = readS(ini, section, "single line", "0") == "1";
  const std::string vj = readS(ini, section, "vjustify", "top"), hj = readS(ini, section, "hjustify", "left");
  const unsigned v = vj == "centre" ? 6 : vj == "bottom" ? 8 : 0;
  const unsigned h = hj == "centre" ? 6 : hj == "right" ? 2 : 0;

  const TPoint a = mapAnchor(lat, lng, width);
  const int x = a.X, y = a.Y;
  pt.push_back(a);
  const int P = px(1.5), Q = px(1), half = P / 2;

  // The pointer, kept out of the box the label will cover.
  platform::TDeviceContext& dc = topbm->dc();
  const int saved = dc.saveDC();
  dc.setBrush(platform::solidBrush(0x00FFFF));
  dc.setPen(platform::makePen(platform::PenStyle::Null, 1, 0));
  const int top = v == 8 ? y - Q - 100 : v == 6 ? y - 100 : y + Q;
  const int bottom = v == 8 ? y - Q : v == 6 ? y + 100 : y + Q + 100;
  const int left = h == 2 ? x - Q - 100 : h == 6 ? x - 100 : x + Q;
  const int right = h == 2 ? x - Q : h == 6 ? x + 100 : x + Q + 100;
  dc.excludeClipRect(left, top, right, bottom);
  std::vector<TPoint> tri;
  if (h == 0 && v == 0) tri = {{x, y}, {x + 4 * P, y + 2 * half}, {x + 2 * half, y + 4 * P}};
  else if (h == 0 && v == 6) tri = {{x, y}, {x + 2 * P, y - P}, {x + 2 * P, y + P}};
  else if (h == 0 && v == 8) tri = {{x, y}, {x + 4 * P, y - 2 * half}, {x + 2 * half, y - 4 * P}};
  else if (h == 2 && v == 0) tri = {{x, y}, {x - 2 * half, y + 4 * P}, {x - 4 * P, y + 2 * half}};
  else if (h == 2 && v == 6) tri = {{x, y}, {x - 2 * P, y - P}, {x - 2 * P, y + P}};
  else if (h == 2 && v == 8) tri = {{x, y}, {x - 2 * half, y - 4 * P}, {x - 4 * P, y - 2 * half}};
  else if (h == 6 && v == 0) tri = {{x, y - 1}, {x + 4 * P, y + 4 * P}, {x - 4 * P, y + 4 * P}};
  else if (h == 6 && v == 8) tri = {{x, y + 1}, {x + 4 * P + 1, y - 4 * P}, {x - 4 * P, y - 4 * P}};
  if (!tri.empty()) dc.polygon(tri);
  dc.restoreDC(saved);

  // The texts, into the label image.
  const TmapFont font{"Calibri", static_cast<double>(px(3.5)), 0xFFFFFF};
  const int L = px(4);
  TdateMan& dm = createDateman();
  const platform::TDateTime local = dm.localtimeFromName(zone.empty() ? "GMT Standard Time" : zone, gmt);
  const bool pm = platform::Frac(local) >= 0.5;
  const platform::TColor back = pm ? 0x000060 : 0x000000;
  bm->fillAll(bgr(static_cast<int32_t>(back)));
  int yy = 0, mo = 0, dd = 0, hh = 0, mi = 0, ss = 0;
  dm.DecodeDateTime(local, yy, mo, dd, hh, mi, ss);
  const std::string time = useAmPm ? TdateMan::TimeStrAMPM(hh, mi) : dm.TimeStr(hh, mi);
  int weekday = dm.dayOfWeek(yy, mo, dd) - 1;
  if (weekday < 0) weekday += 7;
  const std::string dayText = translate(dm.DayName(weekday)) + " " + std::to_string(dd);

  TmapText& text = mapText();
  platform::TDeviceContext& ldc = bm->dc();
  int T;
  if (single) {
    T = text.textExtent(ldc, font, name + "  " + time).cx;
  } else {
    T = std::max({text.textExtent(ldc, font, name).cx, text.textExtent(ldc, font, time).cx,
                  text.textExtent(ldc, font, dayText).cx});
  }
  const int E = px(1);
  // A box larger than the label image is cut to it.
  const int B = std::min(2 * E + T, kLabelW);
  const int H = std::min(single ? 2 * E + L : 2 * E + 3 * L, kLabelH);
  const int bx = h == 0 ? x + Q : h == 2 ? x - B - Q : x - B / 2;
  const int by = v == 0 ? y + Q : v == 8 ? y - H - Q : y - H / 2;
  boxes.push_back(platform::TRect{bx, by, bx + B, by + H});
  const unsigned align = (h == 0 ? kAlignLeft : h == 2 ? kAlignRight : kAlignCentre) | kAlignTop;
  const int tx = h == 0 ? E : h == 2 ? B - E : B / 2;
  if (single) {
    text.textOut(ldc, tx, 0, align, 0, font, name + "  " + time);
  } else {
    text.textOut(ldc, tx, 0, align, 0, font, name);
    text.textOut(ldc, tx, L, align, 0, font, time);
    text.textOut(ldc, tx, 2 * L, align, 0, font, dayText);
  }

  for (int r = 0; r < H; ++r) {
    for (int c = 0; c < B; ++c) {
      Tbgr p;
      bm->getPixel(c, r, p);
      if (p.blue != 0) topbm->setPixel(bx + c, by + r, p);
      else if (pm) topbm->setPixel(bx + c, by + r, 40.0, p.red, p.green, p.blue);
      else topbm->darken(bx + c, by + r, 40);
    }
  }
}
