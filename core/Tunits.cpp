// Tunits: unit codes, their names, parsing a name back to its code, conversion to and from the
// base units (metre, square metre, degree), and storing the choices. Imperial factors come from
// the international yard (0.9144 m) and square yard (0.83612736 m²).
#include "core/Tunits.h"

#include <cmath>
#include <memory>
#include <string_view>

#include "core/TQYini.h"
#include "core/os_numbertext.h"
#include "core/units_seams.h"
#include "platform/TStringList.h"
#include "platform/text.h"

Tunits* units = nullptr;

namespace {
std::unique_ptr<Tunits> ownUnits;

constexpr double kYard = 0.9144;
constexpr double kSqYard = 0.83612736;

// How a code converts to its base unit.
enum class Conv { None, Factor, Custom };

struct UnitRow {
  int32_t code;
  const char* shortName;   // nullptr: the long name stands in
  const char* longName;    // "" when the unit has none
  const char* pluralName;  // the word of the settings files
  Conv conv;
  double factor;  // base units per unit
};

// Codes 79 and 199 (custom units) take their names and factor from the object.
const UnitRow kRows[] = {
    {0, nullptr, "metric (automatic)", "metric", Conv::None, 1},
    {1, "km", "Kilometre", "Kilometres", Conv::Factor, 1000},
    {2, "m", "metre", "metres", Conv::Factor, 1},
    {3, "cm", "centimetre", "centimetres", Conv::Factor, 1.0 / 100},
    {4, "mm", "millimetre", "millimetres", Conv::Factor, 1.0 / 1000},
    {5, "\u00B5m", "micrometre", "micrometres", Conv::Factor, 1.0 / 1000000},
    {6, "nm", "nanometre", "nanometres", Conv::Factor, 1e-9},
    {7, "pm", "picometre", "picometres", Conv::Factor, 1e-12},
    {30, nullptr, "", "", Conv::None, 1},
    {50, nullptr, "imperial (automatic)", "imperial", Conv::None, 1},
    {51, "miles", "mile", "miles", Conv::Factor, kYard * 1760},
    {52, "yd", "yard", "yards", Conv::Factor, kYard},
    {53, "ft", "foot", "feet", Conv::Factor, kYard / 3},
    {54, "inches", "inch", "inches", Conv::Factor, kYard / 36},
    {55, "pt", "point", "points", Conv::Factor, kYard / 2592},
    {56, nullptr, "feet and inches", "feet and inches", Conv::Factor, kYard / 3},
    {57, nullptr, "yards and inches", "yards and inches", Conv::Factor, kYard},
    {58, nullptr, "miles and yards", "miles and yards", Conv::Factor, kYard * 1760},
    {59, nullptr, "miles and feet", "miles and feet", Conv::Factor, kYard * 1760},
    {60, nullptr, "miles, feet and inches", "miles, feet and inches", Conv::Factor, kYard * 1760},
    {61, nullptr, "miles, yards and inches", "miles, yards and inches", Conv::Factor, kYard * 1760},
    {62, "survey ft", "US survey foot", "US survey feet", Conv::Factor, 0.304800609},
    {63, "chains", "chain", "chains", Conv::Factor, kYard * 22},
    {79, nullptr, "", "", Conv::Custom, 1},
    {80, nullptr, "", "uk national grid - km", Conv::None, 1},
    {81, nullptr, "", "uk national grid - 100m", Conv::None, 1},
    {82, nullptr, "", "uk national grid - 10m", Conv::None, 1},
    {83, nullptr, "", "uk national grid - metres", Conv::None, 1},
    {84, nullptr, "", "ordnance survey land parcel", Conv::None, 1},
    {85, nullptr, "", "", Conv::None, 1},
    {86, nullptr, "", "", Conv::None, 1},
    {87, nullptr, "", "", Conv::None, 1},
    {100, nullptr, "metric (automatic)", "metric area", Conv::None, 1},
    {101, "km\u00B2", "square kilometre", "square kilometres", Conv::Factor, 1000000},
    {102, "ha", "hectare", "hectares", Conv::Factor, 10000},
    {103, "m\u00B2", "square metre", "square metres", Conv::Factor, 1},
    {104, "cm\u00B2", "square centimetre", "square centimetres", Conv::Factor, 1.0 / 10000},
    {105, "mm\u00B2", "square millimetre", "square millimetres", Conv::Factor, 1.0 / 1000000},
    {106, "\u00B5m\u00B2", "square micrometre", "square micrometres", Conv::Factor, 1e-12},
    // Square nanometres convert as nothing here; the area texts scale them themselves.
    {107, "nm\u00B2", "square nanometre", "square nanometres", Conv::None, 1},
    {108, nullptr, "", "", Conv::None, 1},
    {120, nullptr, "", "", Conv::None, 1},
    {150, nullptr, "imperial (automatic)", "imperial area", Conv::None, 1},
    {151, "mile\u00B2", "square mile", "square miles", Conv::Factor, kSqYard * 3097600},
    {152, "acre", "acre", "acres", Conv::Factor, kSqYard * 4840},
    {153, "yd\u00B2", "square yard", "square yards", Conv::Factor, kSqYard},
    {154, "ft\u00B2", "square foot", "square feet", Conv::Factor, kSqYard / 9},
    {155, "inch\u00B2", "square inch", "square inches", Conv::Factor, kSqYard / 1296},
    {156, "survey ft\u00B2", "square survey foot", "square survey feet", Conv::Factor, 0.092903411},
    {199, nullptr, "", "", Conv::Custom, 1},
    {200, "\u00B0", "degree", "degrees", Conv::Factor, 1},
    {201, nullptr, "degrees and minutes", "degrees and minutes", Conv::Factor, 1},
    {202, nullptr, "degrees, minutes, and seconds", "degrees, minutes and seconds", Conv::Factor, 1},
    {203, "rad", "radian", "radians", Conv::Factor, 57.29577951308232},
    {204, "'", "minute", "minutes", Conv::None, 1},
    {205, "\"", "second", "seconds", Conv::None, 1},
    {206, "gon", "grad", "grads", Conv::Factor, 360.0 / 400},
    {207, "px", "pixel", "pixels", Conv::None, 1},
    {250, "object", "object", "objects", Conv::None, 1},
};

const UnitRow* findRow(int32_t code) {
  for (const UnitRow& r : kRows)
    if (r.code == code) return &r;
  return nullptr;
}

bool isCustom(int32_t code) { return code == u_custom_length || code == u_custom_area; }

// Short names that are symbols, not words: never translated.
bool isSymbol(std::string_view s) {
  return s == "\u00B0" || s == "rad" || s == "'" || s == "\"" || s == "gon" || s == "px";
}

std::string trimmed(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return std::string(s.substr(a, b - a));
}
}  // namespace

Tunits& createUnits() {
  if (!units) {
    ownUnits = std::make_unique<Tunits>();
    units = ownUnits.get();
  }
  return *units;
}

void freeUnits() {
  if (ownUnits && units == ownUnits.get()) units = nullptr;
  ownUnits.reset();
}

void TunitsRec::clear() {
  LinearUnits = 2;
  LinearDecPlaces = 3;
  PaperUnits = 4;
  FontUnits = 4;
  FontDecplaces = 2;
  PaperDecplaces = 2;
  AreaUnits = 102;
  areaDecPlaces = 2;
  angleUnits = 200;
  angleDecPlaces = 2;
  latlongUnits = 200;
  latlongDecPlaces = 6;
  altitudeUnits = 2;
  altitudeDecPlaces = 3;
  osdigits = 8;
}

Tunits::Tunits() { setdefinition(""); }

// ---------------------------------------------------------------------------------------------
// Names

std::string Tunits::shortUnitName(int32_t unittype) const {
  if (isCustom(unittype))
    return unitsSeam::wd("units", unittype == u_custom_length ? customLengthUnit : customAreaUnit);
  const UnitRow* r = findRow(unittype);
  if (!r || !r->shortName) return LongUnitName(unittype);
  if (isSymbol(r->shortName)) return r->shortName;
  return unitsSeam::wd("units", r->shortName);
}

std::string Tunits::LongUnitName(int32_t unittype) const {
  if (isCustom(unittype))
    return unitsSeam::wd("units", unittype == u_custom_length ? customLengthUnit : customAreaUnit);
  const UnitRow* r = findRow(unittype);
  if (!r || !*r->longName) return "";
  if (unittype >= u_imperial_feetInch && unittype <= u_imperial_mileYardinch) return r->longName;
  return unitsSeam::wd("units", r->longName);
}

std::string Tunits::rawLongUnitsName(int32_t unittype) const {
  if (unittype == u_custom_length) return customLengthUnit;
  if (unittype == u_custom_area) return customAreaUnit;
  const UnitRow* r = findRow(unittype);
  return r ? r->pluralName : "";
}

std::string Tunits::LongUnitsName(int32_t unittype) const {
  if (unittype <= u_per) {
    const std::string raw = rawLongUnitsName(unittype);
    return raw.empty() ? raw : unitsSeam::wd("units", raw);
  }
  const std::string single = LongUnitName(unittype - u_per);
  return single.empty() ? "" : "per " + single;
}

int32_t Tunits::unitNameToCode(const std::string& name) const {
  std::string s = name.empty() ? std::string("metres") : platform::lowerCase(name);
  if (s.rfind("per ", 0) == 0) {
    const std::string rest = s.substr(4);
    if (rest == "foot") return u_per + u_imperial_ft;
    if (rest == "square foot") return u_per + u_imperial_ft2;
    if (rest == "square survey foot") return u_per + u_imperial_surveyft2;
    if (rest == "inch") return u_per + u_imperial_inch;
    if (rest == "square inch") return u_per + u_imperial_inch2;
    // "per" an unknown unit is itself unknown, not code 0 (metric automatic).
    const int32_t inner = unitNameToCode(rest + "s");
    return inner == u_unknown ? u_unknown : inner + u_per;
  }
  if (auto colon = s.find(':'); colon != std::string::npos) s = s.substr(colon + 1);
  s = trimmed(s);
  struct Word {
    const char* text;
    int32_t code;
  };
  static const Word kWords[] = {
      {"metric", 0}, {"metric area", 100}, {"imperial", 50}, {"imperial area", 150}, {"objects", 250},
      {"none", 250}, {"square kilometres", 101}, {"hectares", 102}, {"ha", 102}, {"square metres", 103},
      {"square centimetres", 104}, {"square millimetres", 105}, {"square micrometres", 106},
      {"square nanometres", 107}, {"square miles", 151}, {"acres", 152}, {"square yards", 153},
      {"square feet", 154}, {"square survey feet", 156}, {"square inches", 155}};
  static const Word kLengthAndAngle[] = {
      {"kilometres", 1}, {"km", 1}, {"metres", 2}, {"m", 2}, {"centimetres", 3}, {"cm", 3},
      {"millimetres", 4}, {"mm", 4}, {"micrometres", 5}, {"nanometres", 6}, {"picometres", 7},
      {"miles", 51}, {"yards", 52}, {"yd", 52}, {"feet", 53}, {"ft", 53}, {"'", 53}, {"inches", 54},
      {"\"", 54}, {"points", 55}, {"pt", 55}, {"feet and inches", 56}, {"yards and inches", 57},
      {"miles and yards", 58}, {"miles and feet", 59}, {"miles, feet and inches", 60},
      {"miles, yards and inches", 61}, {"us survey feet", 62}, {"chains", 63},
      {"uk national grid - metres", 83}, {"uk national grid - 10m", 82}, {"uk national grid - 100m", 81},
      {"uk national grid - km", 80}, {"ordnance survey land parcel", 84}};
  static const Word kAngles[] = {{"degrees", 200},
                                 {"minutes", 204},
                                 {"seconds", 205},
                                 {"degrees and minutes", 201},
                                 {"degrees, minutes and seconds", 202},
                                 {"radians", 203},
                                 {"grads", 206},
                                 {"pixels", 207}};
  for (const Word& w : kWords)
    if (s == w.text) return w.code;
  // Custom names match only when set: an unset one must not capture an empty text.
  if (!customAreaUnit.empty() && s == customAreaUnit) return u_custom_area;
  for (const Word& w : kLengthAndAngle)
    if (s == w.text) return w.code;
  if (!customLengthUnit.empty() && s == customLengthUnit) return u_custom_length;
  for (const Word& w : kAngles)
    if (s == w.text) return w.code;
  return u_unknown;
}

// ---------------------------------------------------------------------------------------------
// Conversion

double Tunits::ToMetric(double value, int32_t unitType) const {
  const UnitRow* r = findRow(unitType);
  if (!r || r->conv == Conv::None) return value;
  if (r->conv == Conv::Custom) {
    const double f = unitType == u_custom_length ? customLengthFactor : customAreaFactor;
    return f != 0 ? value / f : value;  // an unset custom factor converts nothing
  }
  return value * r->factor;
}

double Tunits::FromMetric(double value, int32_t unitType) {
  switch (unitType) {
    case u_metric_default:
      if (value >= 1000) unitType = u_metric_km;
      else if (value >= 1) unitType = u_metric_m;
      else if (value >= 0.001) unitType = u_metric_mm;  // centimetres are never chosen
      else if (value >= 1e-6) unitType = u_metric_microm;
      else if (value >= 1e-9) unitType = u_metric_nm;
      else if (value >= 1e-12) unitType = u_metric_pm;
      defaultUnit = unitType;
      break;
    case u_metric_default_area:
      if (value >= 1000000) unitType = u_metric_km2;
      else if (value >= 10000) unitType = u_metric_ha;
      else if (value >= 1) unitType = u_metric_m2;
      else if (value >= 1e-6) unitType = u_metric_mm2;
      else unitType = u_metric_microm2;
      defaultUnit = unitType;
      break;
    case u_imperial_default:
      if (value >= kYard * 1760) unitType = u_imperial_mile;
      else if (value >= kYard) unitType = u_imperial_yd;
      else if (value >= kYard / 3) unitType = u_imperial_ft;
      else unitType = u_imperial_inch;
      defaultUnit = unitType;
      break;
    case u_imperial_default_area:
      if (value >= kSqYard * 3097600) unitType = u_imperial_mile2;
      else if (value >= kSqYard * 4840) unitType = u_imperial_acre;
      else if (value >= kSqYard) unitType = u_imperial_yd2;
      else if (value >= kSqYard / 9) unitType = u_imperial_ft2;
      else unitType = u_imperial_inch2;
      defaultUnit = unitType;
      break;
    default: break;
  }
  const UnitRow* r = findRow(unitType);
  if (!r || r->conv == Conv::None) return value;
  if (r->conv == Conv::Custom) {
    const double f = unitType == u_custom_length ? customLengthFactor : customAreaFactor;
    return f != 0 ? value * f : value;
  }
  if (unitType == u_radians) return value * 0.017453292519943295;
  if (unitType == u_grads) return value * 400.0 / 360.0;
  return value / r->factor;
}

bool Tunits::isMetric(int32_t unitType) { return unitType % 100 < 50; }

namespace {
double parsedToMetric(const Tunits& u, const std::string& s, int32_t code) {
  double d = 0;
  if (!unitsSeam::StrToDouble(s, d)) return 0;
  return u.ToMetric(d, code);
}
}  // namespace

double Tunits::LinearValue(const std::string& s) const { return parsedToMetric(*this, s, LinearUnits); }
double Tunits::AreaValue(const std::string& s) const { return parsedToMetric(*this, s, AreaUnits); }
double Tunits::PaperValue(const std::string& s) const { return parsedToMetric(*this, s, PaperUnits); }
double Tunits::FontValue(const std::string& s) const { return parsedToMetric(*this, s, FontUnits); }

// ---------------------------------------------------------------------------------------------
// Storing the choices

namespace {
// One stored setting: its settings-file key, its definition key, whether it holds a unit code,
// and the field.
struct Setting {
  const char* iniKey;
  const char* defKey;
  bool isUnit;
  int32_t TunitsRec::*field;
  const char* iniDefault;  // a unit name or a decimal count
};
const Setting kSettings[] = {
    {"linear", "linear", true, &TunitsRec::LinearUnits, "metres"},
    {"linear dec places", "linear places", false, &TunitsRec::LinearDecPlaces, "3"},
    {"area", "area", true, &TunitsRec::AreaUnits, "hectares"},
    {"area dec places", "area places", false, &TunitsRec::areaDecPlaces, "2"},
    {"angle", "angle", true, &TunitsRec::angleUnits, "degrees"},
    {"angle dec places", "angle places", false, &TunitsRec::angleDecPlaces, "2"},
    {"lat long", "latlong", true, &TunitsRec::latlongUnits, "degrees"},
    {"lat long dec places", "latlong places", false, &TunitsRec::latlongDecPlaces, "6"},
    {"paper", "paper", true, &TunitsRec::PaperUnits, "millimetres"},
    {"paper dec places", "paper places", false, &TunitsRec::PaperDecplaces, "2"},
    {"font", "font", true, &TunitsRec::FontUnits, "millimetres"},
    {"font dec places", "font places", false, &TunitsRec::FontDecplaces, "2"},
    {"altitude", "altitude", true, &TunitsRec::altitudeUnits, "metres"},
    {"altitude dec places", "altitude places", false, &TunitsRec::altitudeDecPlaces, "3"},
    {"OS digits", "os digits", false, &TunitsRec::osdigits, "8"},
};

// Plural names go through the global units object when it exists (custom names live there).
std::string unitWord(int32_t code) {
  if (units) return units->rawLongUnitsName(code);
  Tunits plain;
  return plain.rawLongUnitsName(code);
}
}  // namespace

void TunitsRec::loadFromIni(const TQYini& ini) {
  Tunits plain;
  const Tunits& parser = units ? *units : plain;
  for (const Setting& s : kSettings) {
    if (s.isUnit) this->*s.field = parser.unitNameToCode(ini.readString("units", s.iniKey, s.iniDefault));
    else this->*s.field = ini.readInteger("units", s.iniKey, TosNumberText::StrToInt(s.iniDefault));
  }
}

void TunitsRec::saveToIni(TQYini& ini) const {
  for (const Setting& s : kSettings) {
    if (s.isUnit) ini.writestring("units", s.iniKey, unitWord(this->*s.field));
    else ini.writeInteger("units", s.iniKey, this->*s.field);
  }
}

void TunitsRec::saveToList(TStringList& list) const {
  list.add("[units]");
  for (const Setting& s : kSettings)
    list.add(std::string(s.iniKey) + "=" + (s.isUnit ? unitWord(this->*s.field) : std::to_string(this->*s.field)));
  list.add("");
}

std::string Tunits::definition() const {
  const TunitsRec defaults;
  std::string text;
  for (const Setting& s : kSettings) {
    const int32_t v = this->*s.field;
    if (v == defaults.*s.field) continue;
    text += std::string(s.defKey) + "=" + (s.isUnit ? rawLongUnitsName(v) : std::to_string(v)) + "\r\n";
  }
  return text;
}

void Tunits::setdefinition(const std::string& text) {
  clear();
  fixedDecimal = true;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;  // no name
    const std::string name = line.substr(0, eq), value = line.substr(eq + 1);
    for (const Setting& s : kSettings) {
      if (name != s.defKey) continue;
      if (!s.isUnit) this->*s.field = unitsSeam::StrToInt(value);
      else if (value.empty() && s.field == &TunitsRec::LinearUnits) LinearUnits = u_metric_m;
      else if (value.empty() && s.field == &TunitsRec::AreaUnits) AreaUnits = u_metric_ha;
      else this->*s.field = unitNameToCode(value);
    }
  }
}
