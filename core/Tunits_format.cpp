// Tunits: texts of lengths, areas and angles in the chosen units, compass texts, coordinate
// texts and scale texts. Values come in base units (metres, square metres, degrees); unit words
// pass through the translation hook, symbols (°, ', ") do not.
#include <cmath>
#include <string>

#include "core/Tunits.h"
#include "core/units_seams.h"

using unitsSeam::wd;

namespace {
constexpr double kYard = 0.9144;
constexpr double kSqYard = 0.83612736;
constexpr double kMile = kYard * 1760;

// The suffix of a length in a fixed unit: a blank and the unit word, or nothing.
std::string fixedSuffix(int32_t code, const std::string& customName) {
  static const char* kMetric[] = {"km", "m", "cm", "mm", "\u00B5m", "nm", "pm"};
  const char* word = nullptr;
  if (code >= 1 && code <= 7) word = kMetric[code - 1];
  switch (code) {
    case 51: word = "miles"; break;
    case 52: word = "yd"; break;
    case 53: word = "ft"; break;
    case 54: word = "\""; break;
    case 55: word = "pt"; break;
    case 62: word = "ft US"; break;
    case 79: return " " + wd("units", customName);
    default: break;
  }
  return word ? " " + wd("units", word) : "";
}

bool startsWith60(const std::string& s) { return s.rfind("60", 0) == 0; }

// The first character (code point) of a UTF-8 text.
std::string firstChar(const std::string& s) {
  if (s.empty()) return s;
  size_t n = 1;
  while (n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
  return s.substr(0, n);
}

std::string trimDecimals(std::string s, const std::string& sep) {
  if (sep.empty() || s.find(sep) == std::string::npos) return s;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (s.size() >= sep.size() && s.compare(s.size() - sep.size(), sep.size(), sep) == 0)
    s.erase(s.size() - sep.size());
  return s;
}
}  // namespace

std::string Tunits::commaize(const std::string& s) const {
  if (s.size() <= 2) return s;
  const std::string dec = unitsSeam::decimalSeparator(), th = unitsSeam::thousandSeparator();
  std::string body = s, sign;
  if (body[0] == '-') {
    sign = "-";
    body.erase(0, 1);
  }
  const size_t decAt = dec.empty() ? std::string::npos : body.find(dec);
  const size_t intLen = decAt == std::string::npos ? body.size() : decAt;
  std::string out;
  for (size_t i = 0; i < intLen; ++i) {
    if (i > 0 && (intLen - i) % 3 == 0) out += th;
    out += body[i];
  }
  return sign + out + body.substr(intLen);
}

std::string Tunits::lengthNumber(double x, int32_t decplaces) const {
  if (decplaces < 0) decplaces = unitsSeam::getdecplaces(x, 2);
  return commaize(fixedDecimal ? unitsSeam::DoubleToStr(x, decplaces) : unitsSeam::DoubleToString(x, decplaces));
}

std::string Tunits::areaNumber(double x, int32_t decplaces) const {
  if (decplaces < 0) decplaces = 2;
  return commaize(unitsSeam::DoubleToStr(x, decplaces));
}

std::string Tunits::angleNumber(double x, int32_t decplaces) { return unitsSeam::DoubleToStr(x, decplaces); }

// ---------------------------------------------------------------------------------------------
// Lengths

std::string Tunits::LengthStrEx(double value, int32_t decPlaces, int32_t linearUnits, bool withUnits) const {
  const bool negative = value < 0;
  const double v = std::fabs(value);
  auto unit = [&](const char* word) { return withUnits ? " " + wd("units", word) : std::string(); };
  auto whole = [&](double x) { return lengthNumber(std::trunc(x), 0); };
  auto frac = [](double x) { return x - std::trunc(x); };
  std::string s;
  switch (linearUnits) {
    case u_metric_default:
      if (v >= 1000) {
        if (!wantdecplaces) decPlaces = v < 100000 ? 3 : 0;
        s = lengthNumber(v / 1000, decPlaces) + unit("km");
      } else if (v >= 1) {
        s = lengthNumber(v, decPlaces) + unit("m");
      } else if (v >= 0.001) {
        s = lengthNumber(v * 1000, decPlaces) + unit("mm");
      } else if (v >= 1e-6) {
        s = lengthNumber(v * 1e6, decPlaces) + unit("\u00B5m");
      } else if (v >= 1e-9) {
        s = lengthNumber(v * 1e9, decPlaces) + unit("nm");
      } else if (v >= 1e-12) {
        s = lengthNumber(v * 1e12, decPlaces) + unit("pm");
      }
      break;
    case 1: case 2: case 3: case 4: case 5: case 6: case 7:
    case 51: case 52: case 53: case 54: case 55: case 62: case 63:
      s = lengthNumber(v / ToMetric(1, linearUnits), decPlaces);
      if (withUnits) s += fixedSuffix(linearUnits, customLengthUnit);
      break;
    case u_imperial_default: {
      const double y = v / kYard;
      if (y >= 176000) s = lengthNumber(y / 1760, 0) + unit("miles");
      else if (y >= 1760) s = lengthNumber(y / 1760, decPlaces) + unit("miles");
      else if (3 * y >= 100) s = lengthNumber(y, decPlaces) + unit("yds");
      else if (3 * y >= 1) s = lengthNumber(3 * y, decPlaces) + unit("ft");
      else s = lengthNumber(36 * y, decPlaces) + unit("\"");
      break;
    }
    case u_imperial_feetInch: {
      const double f = 3 * v / kYard;
      if (withUnits) s = whole(f) + unit("ft") + " " + lengthNumber(frac(f) * 12, decPlaces) + unit("\"");
      else s = whole(f) + ":" + lengthNumber(frac(f) * 12, decPlaces);
      break;
    }
    case u_imperial_yardInch: {
      const double y = v / kYard;  // always with its units
      s = whole(y) + " " + wd("units", "yd") + " " + lengthNumber(frac(y) * 36, decPlaces) + "\"";
      break;
    }
    case u_imperial_mileYard:
    case u_imperial_milefeet: {
      const double m = v / kMile;
      const bool yards = linearUnits == u_imperial_mileYard;
      const std::string rest = lengthNumber(frac(m) * (yards ? 1760 : 5280), decPlaces);
      if (withUnits) s = whole(m) + unit("miles") + " " + rest + unit(yards ? "yd" : "ft");
      else s = whole(m) + ":" + rest;
      break;
    }
    case u_imperial_milefeetinch:
    case u_imperial_mileYardinch: {
      const double m = v / kMile;
      const bool yards = linearUnits == u_imperial_mileYardinch;
      const double mid = frac(m) * (yards ? 1760 : 5280);
      const std::string inches = lengthNumber(frac(mid) * (yards ? 36 : 12), decPlaces);
      if (withUnits)
        s = whole(m) + unit("miles") + " " + whole(mid) + unit(yards ? "yd" : "ft") + " " + inches + "\"";
      else
        s = whole(m) + ":" + whole(mid) + ":" + inches;
      break;
    }
    case u_custom_length:
      s = areaNumber(v * customLengthFactor, decPlaces);
      if (withUnits) s += fixedSuffix(linearUnits, customLengthUnit);
      break;
    case u_degrees: case u_degreesmin: case u_degreesminsec:
      s = anglestr(v * 57.29577951308232, withUnits);
      break;
    case u_radians: case u_grads:
      s = anglestr(v, withUnits);
      break;
    default:
      s = lengthNumber(v, decPlaces);
      break;
  }
  return negative ? "-" + s : s;
}

std::string Tunits::LengthStrEx(double value, int32_t decPlaces, bool withUnits) const {
  return LengthStrEx(value, decPlaces, LinearUnits, withUnits);
}

std::string Tunits::LengthStr(double value, bool withUnits) const {
  return LengthStrEx(value, LinearDecPlaces, LinearUnits, withUnits);
}

std::string Tunits::LengthStrLeast(double value, bool withUnits) const {
  const std::string s = LengthStr(value, withUnits);
  std::string number = s, unit;
  bool hasUnit = false;
  if (withUnits) {
    if (auto blank = s.find(' '); blank != std::string::npos) {
      number = s.substr(0, blank);
      unit = s.substr(blank + 1);
      hasUnit = true;
    }
  }
  const std::string sep = unitsSeam::decimalSeparator();
  while (!sep.empty() && number.find(sep) != std::string::npos && !number.empty()) {
    const bool endsSep =
        number.size() >= sep.size() && number.compare(number.size() - sep.size(), sep.size(), sep) == 0;
    if (number.back() == '0') number.pop_back();
    else if (endsSep) number.erase(number.size() - sep.size());
    else break;
  }
  if (LinearUnits == u_metric_m && value > 0 && std::fmod(value / 1000, 1.0) == 0 && number.size() > 4) {
    number.erase(number.size() - 4);  // whole kilometres: drop the separator and three zeros
    unit = "Km";
    hasUnit = withUnits;
  }
  return hasUnit ? number + " " + unit : number;
}

std::string Tunits::altitudeStr(double value, bool withunits) const {
  return LengthStrEx(value, altitudeDecPlaces, altitudeUnits, withunits);
}

std::string Tunits::altitudeStr(double value, int32_t decplaces, bool withunits) const {
  return LengthStrEx(value, decplaces, altitudeUnits, withunits);
}

// ---------------------------------------------------------------------------------------------
// Areas

std::string Tunits::areaStrEx(double value, int32_t decplaces, bool withUnits) const {
  std::string number, unit;
  auto put = [&](double x, int32_t dec, const std::string& u) {
    number = areaNumber(x, dec);
    unit = u;
  };
  switch (AreaUnits) {
    case u_metric_default:
    case u_metric_default_area:
      if (value >= 1e8) put(value / 1e6, 0, "km\u00B2");
      else if (value >= 1e6) put(value / 1e6, 2, "km\u00B2");
      else if (value >= 1000) put(value / 1e4, decplaces, "ha");
      else if (value >= 1) put(value, decplaces, "m\u00B2");
      else if (value >= 1e-4) put(value * 1e4, decplaces, "cm\u00B2");
      else if (value >= 1e-6) put(value * 1e6, decplaces, "mm\u00B2");
      else if (value >= 1e-12) put(value * 1e12, decplaces, "\u00B5m\u00B2");
      else if (value >= 1e-18) put(value * 1e18, decplaces, "nm\u00B2");
      else return "";
      break;
    case u_imperial_default:
    case u_imperial_default_area: {
      const double q = value / kSqYard;
      if (q > 309760000) put(q / 3097600, 0, "mile\u00B2");
      else if (q > 3097600) put(q / 3097600, 2, "mile\u00B2");
      else if (q > 4840) put(q / 4840, decplaces, "acres");
      else if (q > 1) put(q, decplaces, "yd\u00B2");
      else if (9 * q > 1) put(9 * q, decplaces, "ft\u00B2");
      else put(1296 * q, decplaces, "inch\u00B2");
      break;
    }
    case u_metric_km2: put(value / 1e6, decplaces, "km\u00B2"); break;
    case u_metric_ha: put(value / 1e4, decplaces, "ha"); break;
    case u_metric_m2: put(value, decplaces, "m\u00B2"); break;
    case u_metric_cm2: put(value * 1e4, decplaces, "cm\u00B2"); break;
    case u_metric_mm2: put(value * 1e6, decplaces, "mm\u00B2"); break;
    case u_metric_microm2: put(value * 1e12, decplaces, "\u00B5m\u00B2"); break;
    case u_metric_nm2: put(value * 1e18, decplaces, "nm\u00B2"); break;
    case u_imperial_mile2: put(value / 2589988.110336, decplaces, "mile\u00B2"); break;
    case u_imperial_acre: put(value / 4046.8564224, decplaces, "acres"); break;
    case u_imperial_yd2: put(value / kSqYard, decplaces, "yd\u00B2"); break;
    case u_imperial_ft2: put(value * 9 / kSqYard, decplaces, "ft\u00B2"); break;
    case u_imperial_inch2: put(value * 1296 / kSqYard, decplaces, "inch\u00B2"); break;
    case u_imperial_surveyft2: put(value / 0.092903411, decplaces, "ft\u00B2 US"); break;
    case u_custom_area: put(value * customAreaFactor, decplaces, customAreaUnit); break;
    default: return "";
  }
  return withUnits ? number + " " + wd("units", unit) : number;
}

std::string Tunits::areaStr(double value, bool withUnits) const { return areaStrEx(value, areaDecPlaces, withUnits); }

// ---------------------------------------------------------------------------------------------
// Angles

std::string Tunits::anglestr(double value, int32_t decplaces, bool withUnits, int32_t angleUnitsIn) const {
  const double a = std::fabs(value);
  std::string s;
  switch (angleUnitsIn) {
    case u_degrees:
      s = angleNumber(a, decplaces) + (withUnits ? degreeSign : "");
      break;
    case u_degreesminsec: {
      double d = std::trunc(a);
      const double minutes = (a - d) * 60;
      double m = std::trunc(minutes);
      std::string sec = angleNumber((minutes - m) * 60, decplaces);
      if (startsWith60(sec)) {  // the seconds rounded up to a whole minute
        sec = angleNumber(0, decplaces);
        if (++m == 60) {
          m = 0;
          ++d;
        }
      }
      const std::string dd = angleNumber(d, 0);
      const std::string mm = (m < 10 ? "0" : "") + angleNumber(m, 0);
      s = withUnits ? dd + degreeSign + " " + mm + "' " + sec + "\"" : dd + ":" + mm + ":" + sec;
      break;
    }
    case u_radians:
      s = angleNumber(a * 0.017453292519943295, decplaces) + (withUnits ? " " + wd("units", "radians") : "");
      break;
    case u_grads:
      s = angleNumber(a * 400 / 360, decplaces) + (withUnits ? " " + wd("units", "grads") : "");
      break;
    default: {  // degrees and decimal minutes
      double d = std::trunc(a);
      std::string n = angleNumber((a - d) * 60, decplaces);
      if (startsWith60(n)) {
        n = angleNumber(0, decplaces);
        ++d;
      }
      const std::string dd = angleNumber(d, 0);
      s = withUnits ? dd + degreeSign + n + "'" : dd + ":" + n;
      break;
    }
  }
  return value < 0 ? "-" + s : s;
}

std::string Tunits::angleStr(double value, int32_t decplaces, bool withUnits) const {
  return anglestr(value, decplaces, withUnits, angleUnits);
}

std::string Tunits::anglestr(double value, bool withUnits) const {
  return anglestr(value, angleDecPlaces, withUnits, angleUnits);
}

namespace {
std::string compassText(Tunits& u, double value, int32_t latLongUnits, int32_t decplaces, Tunits::Compass format,
                        const char* positive, const char* negative) {
  const int32_t kept = u.angleUnits;
  u.angleUnits = latLongUnits;
  const std::string text = u.angleStr(std::fabs(value), decplaces, true);
  u.angleUnits = kept;
  const std::string word = wd("units", value >= 0 ? positive : negative);
  return text + " " + (format == Tunits::Compass::Long ? word : firstChar(word));
}
}  // namespace

std::string Tunits::EastWestStr(double value, int32_t latLongUnits, int32_t decplaces, Compass format) {
  return compassText(*this, value, latLongUnits, decplaces, format, "East", "West");
}
std::string Tunits::EastWestStr(double value) {
  return EastWestStr(value, latlongUnits, latlongDecPlaces, Compass::Short);
}
std::string Tunits::EastWestStr(double value, int32_t decplaces) {
  return EastWestStr(value, latlongUnits, decplaces, Compass::Short);
}
std::string Tunits::NorthSouthStr(double value, int32_t latLongUnits, int32_t decplaces, Compass format) {
  return compassText(*this, value, latLongUnits, decplaces, format, "North", "South");
}
std::string Tunits::NorthSouthStr(double value) {
  return NorthSouthStr(value, latlongUnits, latlongDecPlaces, Compass::Short);
}
std::string Tunits::NorthSouthStr(double value, int32_t decplaces) {
  return NorthSouthStr(value, latlongUnits, decplaces, Compass::Short);
}

// ---------------------------------------------------------------------------------------------
// Dimensions

std::string Tunits::LinearDim(double metres, int32_t decplaces, Trim trim) const {
  const std::string s = LengthStrEx(metres, decplaces, LinearUnits, false);
  if (trim == Trim::Yes && decplaces > 1) return trimDecimals(s, unitsSeam::decimalSeparator());
  return s;
}

std::string Tunits::LinearDim(double metres, int32_t decplaces) const { return LinearDim(metres, decplaces, Trim::No); }
std::string Tunits::LinearDim(double metres) const { return LinearDim(metres, LinearDecPlaces, Trim::No); }

std::string Tunits::AppropriateLinearDim(double metres, int32_t decplaces, bool withUnits) {
  (void)FromMetric(metres, u_metric_default);
  const int32_t kept = LinearUnits;
  LinearUnits = defaultUnit;
  std::string s = LinearDim(metres, decplaces);
  if (withUnits) s += shortUnitName(defaultUnit);
  LinearUnits = kept;
  return s;
}

std::string Tunits::AppropriateAreaDim(double metres, int32_t decplaces, bool withUnits) {
  (void)FromMetric(metres, u_metric_default_area);
  const int32_t kept = AreaUnits;
  AreaUnits = defaultUnit;
  const std::string s = areaStrEx(metres, decplaces, withUnits);  // carries its own unit
  AreaUnits = kept;
  return s;
}

std::string Tunits::PaperDim(double metres) const { return LengthStrEx(metres, PaperDecplaces, PaperUnits, false); }
std::string Tunits::FontDim(double metres) const { return LengthStrEx(metres, FontDecplaces, FontUnits, false); }

// ---------------------------------------------------------------------------------------------
// Coordinates and scales

std::string Tunits::CoordStr(double x, double y, double scale, int32_t format, bool withunits, int32_t decplaces) {
  wantdecplaces = true;
  const int32_t keptPlaces = LinearDecPlaces;
  if (decplaces != 0) LinearDecPlaces = decplaces;
  else if (scale != 0) LinearDecPlaces = appropriateDecPlaces(scale);
  if (LinearDecPlaces < 0) LinearDecPlaces = 0;
  std::string s;
  if (format >= u_os4 && format <= u_os10_gap) {
    s = OrdnanceSurveyStr(x, y, format);
  } else if (format >= u_degrees && format <= u_degreesminsec) {
    const int32_t keptUnits = latlongUnits, keptDec = latlongDecPlaces;
    latlongUnits = format;
    latlongDecPlaces = decplaces;
    s = EastWestStr(x) + ",  " + NorthSouthStr(y);
    latlongUnits = keptUnits;
    latlongDecPlaces = keptDec;
  } else {
    s = LengthStr(x, withunits) + ", " + LengthStr(y, withunits);
  }
  LinearDecPlaces = keptPlaces;
  wantdecplaces = false;
  return s;
}

std::string Tunits::CoordStr(double x, double y, double scale, int32_t format, bool withunits) {
  return CoordStr(x, y, scale, format, withunits, 0);
}
std::string Tunits::CoordStr(double x, double y, int32_t format, bool withunits) {
  return CoordStr(x, y, 0.0, format, withunits, 0);
}
std::string Tunits::CoordStr(double x, double y, bool withunits) {
  return CoordStr(x, y, 0.0, coordinateFormat, withunits, 0);
}
std::string Tunits::CoordStr(double x, double y) { return CoordStr(x, y, 0.0, coordinateFormat, true, 0); }
std::string Tunits::CoordStr(double x, double y, int32_t decplaces) {
  const int32_t kept = LinearDecPlaces;
  LinearDecPlaces = decplaces;
  std::string s = CoordStr(x, y, 0.0, coordinateFormat, true, 0);
  LinearDecPlaces = kept;
  return s;
}

std::string Tunits::scalestr(double scale) const {
  int32_t dec = 6;
  if (scale >= 100) dec = 0;
  else if (scale >= 40) dec = 1;
  else if (scale >= 10) dec = 2;
  else if (scale >= 4) dec = 3;
  else if (scale >= 1) dec = 4;
  else if (scale >= 0.5) dec = 5;
  return "1: " + commaize(unitsSeam::DoubleToString(scale, dec));
}
