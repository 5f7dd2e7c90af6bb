// Tunits: unit names and codes, conversion round trips, the stored choices, and the texts of
// lengths, areas, angles, coordinates, grid references and neat values.
#include "core/Tunits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/Ttrig.h"
#include "core/TQYini.h"
#include "core/r_base.h"
#include "platform/TStringList.h"
#include "tests/support/testenv.h"

namespace {
constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::nan("");

// ---------------------------------------------------------------------------------------------
// Names, parsing and conversion

TEST(Tunits, NamesParseToCodes) {
  Tunits u;
  struct Case { const char* name; int32_t code; } cases[] = {
      {"", 2},
      {"Metres", 2},
      {"  metres  ", 2},
      {"length:metres", 2},
      {"per metre", 1002},
      {"per foot", 1053},
      {"per square inch", 1155},
      {"furlongs", u_unknown},
      {"per furlong", u_unknown},  // not 0, metric automatic
      {"per per metre", u_unknown},
      {"foot", u_unknown},
      {"US survey feet", 62},
      {"chains", 63},
      {"ha", 102},
      {"\"", 54},
      {"'", 53},
      {"none", 250},
      {"uk national grid - 10m", 82},
      {"degrees, minutes and seconds", 202},
      {"length:", u_unknown},  // an empty text after the colon is no unit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(u.unitNameToCode(c.name), c.code);
  }
}

TEST(Tunits, EveryPluralNameParsesBackToItsCode) {
  Tunits u;
  u.customLengthUnit = "rods";
  u.customAreaUnit = "rods\u00B2";
  for (int32_t code = 0; code < 300; ++code) {
    const std::string name = u.rawLongUnitsName(code);
    if (name.empty()) continue;
    SCOPED_TRACE(name);
    EXPECT_EQ(u.unitNameToCode(name), code);
  }
  u.customAreaUnit = "Rods\u00B2";  // stored names are compared as they are: capitals never match
  EXPECT_EQ(u.unitNameToCode("Rods\u00B2"), u_unknown);
}

TEST(Tunits, NamesOfCodes) {
  Tunits u;
  EXPECT_EQ(u.shortUnitName(u_metric_km), "km");
  EXPECT_EQ(u.shortUnitName(u_degrees), "\u00B0");
  EXPECT_EQ(u.shortUnitName(u_imperial_feetInch), "feet and inches");  // no short name: the long one
  EXPECT_EQ(u.LongUnitName(u_metric_km), "Kilometre");
  EXPECT_EQ(u.LongUnitName(u_os8), "");
  EXPECT_EQ(u.LongUnitName(u_unknown), "");
  EXPECT_EQ(u.rawLongUnitsName(u_os_parcel), "ordnance survey land parcel");
  EXPECT_EQ(u.LongUnitsName(1053), "per foot");
  EXPECT_EQ(u.LongUnitsName(1000 + u_os8), "");
  EXPECT_EQ(u.LongUnitsName(u_metric_ha), "hectares");
  u.customLengthUnit = "rods";
  EXPECT_EQ(u.shortUnitName(u_custom_length), "rods");
  EXPECT_EQ(u.LinearUnitStr(), "m");
}

TEST(Tunits, ConversionRoundTripsAndAutomaticChoice) {
  Tunits u;
  u.customLengthFactor = 0.2;
  u.customAreaFactor = 4;
  for (int32_t code : {1, 2, 3, 4, 5, 6, 7, 51, 52, 53, 54, 55, 56, 57, 58, 61, 62, 63, 79, 101, 102, 103, 104, 105,
                       106, 151, 152, 153, 154, 155, 156, 199, 200, 202, 203, 206}) {
    SCOPED_TRACE(code);
    EXPECT_NEAR(u.FromMetric(u.ToMetric(12.75, code), code), 12.75, 1e-9);
  }
  EXPECT_DOUBLE_EQ(u.ToMetric(1, 63), 20.1168);
  EXPECT_DOUBLE_EQ(u.FromMetric(1, 55), 36 * 72 / 0.9144);
  EXPECT_EQ(u.ToMetric(5, u_pixels), 5);
  EXPECT_EQ(u.ToMetric(5, u_metric_nm2), 5);

  struct Auto { double metres; int32_t code; double want; int32_t unit; } autos[] = {
      {2000, 0, 2, 1}, {0.5, 0, 500, 4}, {0, 0, 0, 0}, {-3, 0, -3, 0},
      {1609.344, 50, 1, 51}, {1, 50, 1 / 0.9144, 52}, {0.1, 50, 0.1 / (0.9144 / 36), 54},
      {25000, 100, 2.5, 102}, {0, 100, 0, 106}, {4046.8564224, 150, 1, 152},
  };
  for (const auto& a : autos) {
    SCOPED_TRACE(a.metres);
    EXPECT_NEAR(u.FromMetric(a.metres, a.code), a.want, 1e-9 * std::max(1.0, std::fabs(a.want)));
    EXPECT_EQ(u.autoUnit(), a.unit);
  }
}

TEST(Tunits, UnsetCustomFactorConvertsNothing) {
  Tunits u;  // customLengthFactor 0 would divide by zero
  EXPECT_EQ(u.ToMetric(7, u_custom_length), 7);
  EXPECT_EQ(u.FromMetric(7, u_custom_area), 7);
}

TEST(Tunits, MetricTestAndParsedValues) {
  EXPECT_FALSE(Tunits::isMetric(250));
  EXPECT_TRUE(Tunits::isMetric(230));
  EXPECT_FALSE(Tunits::isMetric(80));
  Tunits u;
  u.LinearUnits = u_metric_km;
  EXPECT_DOUBLE_EQ(u.LinearValue("2.5"), 2500);
  EXPECT_EQ(u.LinearValue("2.5 km"), 0);
  EXPECT_DOUBLE_EQ(u.AreaValue("3"), 30000);
}

TEST(Tunits, DefinitionRoundTrip) {
  Tunits u;
  EXPECT_EQ(u.definition(), "");
  u.LinearUnits = u_imperial_yd;
  EXPECT_EQ(u.definition(), "linear=yards\r\n");
  u.areaDecPlaces = 4;
  u.latlongUnits = u_degreesminsec;
  u.osdigits = 10;
  const std::string def = u.definition();
  Tunits v;
  v.fixedDecimal = false;
  v.setdefinition(def);
  EXPECT_EQ(v.LinearUnits, u_imperial_yd);
  EXPECT_EQ(v.areaDecPlaces, 4);
  EXPECT_EQ(v.latlongUnits, u_degreesminsec);
  EXPECT_EQ(v.osdigits, 10);
  EXPECT_TRUE(v.fixedDecimal);
  EXPECT_EQ(v.definition(), def);
  // Empty unit values fall back; unknown keys and key case are ignored; the later line wins.
  v.setdefinition("linear=\r\narea=\nLinear=feet\nangle places=x\nlinear places=5\nlinear places=7");
  EXPECT_EQ(v.LinearUnits, u_metric_m);
  EXPECT_EQ(v.AreaUnits, u_metric_ha);
  EXPECT_EQ(v.angleDecPlaces, 0);
  EXPECT_EQ(v.LinearDecPlaces, 7);
}

TEST(Tunits, SaveToListWritesEverySetting) {
  Tunits u;
  u.LinearUnits = u_imperial_chains;
  TStringList list;
  u.saveToList(list);
  ASSERT_EQ(list.count(), 17);
  EXPECT_EQ(list[0], "[units]");
  EXPECT_EQ(list[1], "linear=chains");
  EXPECT_EQ(list[2], "linear dec places=3");
  EXPECT_EQ(list[15], "OS digits=8");
  EXPECT_EQ(list[16], "");
}

// ---------------------------------------------------------------------------------------------
// Texts (with "." and "," separators: the test world's locale)

TEST(Tunits, LengthTexts) {
  Tunits u;
  struct Case { const char* id; int32_t code, dec; double v; bool units; const char* want; } cases[] = {
      {"metres", 2, 3, 1234.5, true, "1,234.500 m"},
      {"negative metres", 2, 3, -2, true, "-2.000 m"},
      {"km", 1, 2, 1500, true, "1.50 km"},
      {"auto mm", 0, 3, 0.5, true, "500.000 mm"},
      {"auto km", 0, 1, 12345, true, "12.345 km"},
      {"auto large km", 0, 3, 123456, true, "123 km"},
      {"auto zero", 0, 3, 0, true, ""},
      {"auto tiny negative", 0, 3, -1e-15, true, "-"},
      {"imperial ft", 50, 3, 1, true, "3.281 ft"},
      {"imperial miles", 50, 3, 2000, true, "1.243 miles"},
      {"imperial far", 50, 3, 200000, true, "124 miles"},
      {"imperial inches", 50, 1, 0.1, true, "3.9 \""},
      {"feet and inches", 56, 2, 1, true, "3 ft 3.37 \""},
      {"feet and inches bare", 56, 2, 1, false, "3:3.37"},
      {"yards and inches always with units", 57, 1, 1, false, "1 yd 3.4\""},
      {"miles and yards", 58, 0, 2000, true, "1 miles 427 yd"},
      {"miles, feet and inches bare", 60, 0, 2000, false, "1:1,281:8"},
      {"chains have no suffix", 63, 1, 40.2336, true, "2.0"},
      {"survey feet", 62, 1, 0.304800609, true, "1.0 ft US"},
      {"pixels", 207, 1, 12, true, "12.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(u.LengthStrEx(c.v, c.dec, c.code, c.units), c.want);
  }
  u.fixedDecimal = false;
  EXPECT_EQ(u.LengthStrEx(2.5, 3, 2, true), "2.5 m");
}

TEST(Tunits, ShortestLengthsAndDimensions) {
  Tunits u;
  EXPECT_EQ(u.LengthStrLeast(5000, true), "5 Km");
  EXPECT_EQ(u.LengthStrLeast(12.5, true), "12.5 m");
  EXPECT_EQ(u.LengthStrLeast(12.0, true), "12 m");
  EXPECT_EQ(u.LengthStrLeast(12.0, false), "12");
  EXPECT_EQ(u.LinearDim(12.5, 3, Tunits::Trim::Yes), "12.5");
  EXPECT_EQ(u.LinearDim(12, 3, Tunits::Trim::Yes), "12");
  EXPECT_EQ(u.LinearDim(1200, 3, Tunits::Trim::Yes), "1,200");
  EXPECT_EQ(u.LinearDim(12.5), "12.500");
  EXPECT_EQ(u.AppropriateLinearDim(2500, 1, true), "2.5km");
  EXPECT_EQ(u.LinearUnits, u_metric_m);
  EXPECT_EQ(u.AppropriateAreaDim(25000, 1, true), "2.5 ha");
  EXPECT_EQ(u.AreaUnits, u_metric_ha);
  EXPECT_EQ(u.PaperDim(0.21), "210.00");
  EXPECT_EQ(u.commaize("-1234"), "-1,234");
  EXPECT_EQ(u.commaize("12"), "12");
  EXPECT_EQ(u.commaize("1234567.123"), "1,234,567.123");
  EXPECT_EQ(u.commaize("123"), "123");
}

TEST(Tunits, AreaTexts) {
  Tunits u;
  struct Case { const char* id; int32_t code; double v; const char* want; } cases[] = {
      {"auto ha", 100, 5000, "0.50 ha"},
      {"auto km2", 100, 2500000, "2.50 km\u00B2"},
      {"auto big km2", 100, 250000000, "250 km\u00B2"},
      {"auto cm2", 100, 0.5, "5,000.00 cm\u00B2"},
      {"auto zero", 100, 0, ""},
      {"imperial acres", 150, 8093.7128448, "2.00 acres"},
      {"fixed ha", 102, 12345, "1.23 ha"},
      {"fixed negative m2", 103, -12, "-12.00 m\u00B2"},
      {"square nanometres", 107, 1e-18, "1.00 nm\u00B2"},
      {"unknown code", 999, 5, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    u.AreaUnits = c.code;
    EXPECT_EQ(u.areaStrEx(c.v, 2, true), c.want);
  }
}

TEST(Tunits, AngleAndCompassTexts) {
  Tunits u;
  struct Case { const char* id; int32_t code; double v; bool units; const char* want; } cases[] = {
      {"dms", 202, 12.5, true, "12\u00B0 30' 0.00\""},
      {"dms carries into degrees", 202, 10.9999999, true, "11\u00B0 00' 0.00\""},
      {"dms bare", 202, 12.5, false, "12:30:0.00"},
      {"dm", 201, 12.5, true, "12\u00B030.00'"},
      {"dm negative", 201, -12.5, true, "-12\u00B030.00'"},
      {"degrees", 200, 1.5, true, "1.50\u00B0"},
      {"radians", 203, 180, true, "3.14 radians"},
      {"grads", 206, 90, false, "100.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(u.anglestr(c.v, 2, c.units, c.code), c.want);
  }
  u.latlongUnits = 200;
  u.latlongDecPlaces = 6;
  EXPECT_EQ(u.EastWestStr(-1.5), "1.500000\u00B0 W");
  EXPECT_EQ(u.EastWestStr(-1.5, 200, 6, Tunits::Compass::Long), "1.500000\u00B0 West");
  EXPECT_EQ(u.NorthSouthStr(0, 2), "0.00\u00B0 N");
  EXPECT_EQ(u.angleUnits, 200);  // restored
}

TEST(Tunits, CoordinateTextsLeaveSettingsAsTheyWere) {
  Tunits u;
  EXPECT_EQ(u.CoordStr(1234.5, 678.25), "1,234.500 m, 678.250 m");
  EXPECT_EQ(u.CoordStr(1234.5, 678.25, 1), "1,234.5 m, 678.2 m");  // 678.25 is exact: half to even
  EXPECT_EQ(u.CoordStr(1, 2, 50.0, 0, false), "1.00, 2.00");
  EXPECT_EQ(u.CoordStr(412345, 286789, u_os10, true), "SP1234586789");
  EXPECT_EQ(u.CoordStr(-1.5, 51.25, 0.0, u_degrees, true, 2), "1.50\u00B0 W,  51.25\u00B0 N");
  EXPECT_EQ(u.LinearDecPlaces, 3);
  EXPECT_EQ(u.latlongUnits, 200);
  EXPECT_EQ(u.latlongDecPlaces, 6);
  EXPECT_FALSE(u.wantdecplaces);
  EXPECT_EQ(u.scalestr(25000), "1: 25,000");
  EXPECT_EQ(u.scalestr(12.5), "1: 12.5");
  EXPECT_EQ(u.scalestr(0.25), "1: 0.25");
  EXPECT_EQ(u.scalestr(0.1234567), "1: 0.123457");
}

// ---------------------------------------------------------------------------------------------
// Grid references

TEST(Tunits, GridReferences) {
  struct Case { double x, y; int32_t format; const char* want; } cases[] = {
      {412345, 286789, u_os10, "SP1234586789"},
      {412345, 286789, u_os4, "SP1287"},
      {412345, 286789, u_os6_gap, "SP 123 868"},
      {412345, 286789, u_os_parcel, "3478"},
      {99600, 10000, u_os4, "SV10010"},  // the kilometre group rounds to 100: no carry into the letters
      {651000, 311000, u_os6, "TG510110"},
      {100000, 1200000, u_os8_gap, "HM 0000 0000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(Tunits::OrdnanceSurveyStr(c.x, c.y, c.format), c.want);
  }
}

TEST(Tunits, GridReferencesReadBack) {
  double x = -1, y = -1;
  EXPECT_TRUE(Tunits::OrdnanceSurveyToXY("su 123 456", x, y));
  EXPECT_EQ(x, 412300);
  EXPECT_EQ(y, 145600);
  for (const char* bad : {"", "OV1234", "JA1234", "X"}) {
    SCOPED_TRACE(bad);
    x = y = -1;
    EXPECT_FALSE(Tunits::OrdnanceSurveyToXY(bad, x, y));
    EXPECT_EQ(x, -1);
  }
  EXPECT_FALSE(Tunits::OrdnanceSurveyToXY("SU123456789012", x, y));  // halves of six digits
  // Round trips at every resolution inside the squares S, N, H and T.
  for (int32_t format : {u_os4, u_os6, u_os8, u_os10, u_os6_gap, u_os8_gap, u_os10_gap}) {
    for (auto [e, n] : {std::pair{412000.0, 286000.0}, {651000.0, 311000.0}, {123000.0, 987000.0},
                        {5000.0, 1100000.0}}) {
      SCOPED_TRACE(Tunits::OrdnanceSurveyStr(e, n, format));
      ASSERT_TRUE(Tunits::OrdnanceSurveyToXY(Tunits::OrdnanceSurveyStr(e, n, format), x, y));
      EXPECT_EQ(x, e);
      EXPECT_EQ(y, n);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Neat values

TEST(Tunits, NeatScalesAndNumbers) {
  struct Case { const char* id; double got, want; } cases[] = {
      {"NeatScale 1234", Tunits::NeatScale(1234), 1250},
      {"NeatScale 1234 up", Tunits::NeatScale(1234, 1), 1500},
      {"NeatScale 1234 down", Tunits::NeatScale(1234, -1), 1000},
      {"NeatScale 0.001", Tunits::NeatScale(0.001), 0.001},
      {"NeatScale 24000", Tunits::NeatScale(24000), 25000},
      {"NeatScale 0", Tunits::NeatScale(0), 0.001},
      {"NeatScale negative", Tunits::NeatScale(-5), 0.001},
      {"NeatScale NaN", Tunits::NeatScale(nan), 0.001},
      {"next 2500 up", Tunits::NextNeatScale(2500, true), 3000},
      {"next 1000 up", Tunits::NextNeatScale(1000, true), 1250},
      {"next 1000 down", Tunits::NextNeatScale(1000, false), 900},
      {"next 1250 down", Tunits::NextNeatScale(1250, false), 1000},
      {"next 9 up", Tunits::NextNeatScale(9, true), 10},
      {"next 0 stays", Tunits::NextNeatScale(0, true), 0},
      {"next negative stays", Tunits::NextNeatScale(-3, false), -3},
      {"NeatNumber 0.3 opt 2", Tunits::NeatNumber(0.3, 2), 0.5},
      {"NeatNumber 0.3 opt 3", Tunits::NeatNumber(0.3, 3), 0.25},
      {"NeatNumber 0.3 opt 4", Tunits::NeatNumber(0.3, 4), 0.25},
      {"NeatNumber 3 opt 1", Tunits::NeatNumber(3, 1), 3.5},
      {"NeatNumber 230 opt 0", Tunits::NeatNumber(230, 0), 250},
      {"NeatNumber other option", Tunits::NeatNumber(300, 9), 0.001},
      {"NeatNumber NaN", Tunits::NeatNumber(nan, 2), 1e-6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_DOUBLE_EQ(c.got, c.want);
  }
  EXPECT_EQ(Tunits::NeatScale(inf), inf);
  EXPECT_TRUE(std::isnan(Tunits::NextNeatScale(nan, true)));
  EXPECT_EQ(Tunits::NextNeatScale(inf, true), inf);
  EXPECT_EQ(Tunits::NeatNumber(inf, 0), inf);
  // Every neat scale steps up and back down to itself.
  for (double s = 1000; s < 1e6; s = Tunits::NextNeatScale(s, true)) {
    SCOPED_TRACE(s);
    EXPECT_DOUBLE_EQ(Tunits::NextNeatScale(Tunits::NextNeatScale(s, true), false), s);
    EXPECT_DOUBLE_EQ(Tunits::NeatScale(s), s);
  }
}

TEST(Tunits, GridSpacingSubdivisionsAndDecimals) {
  int32_t subdivs = 0;
  EXPECT_EQ(Tunits::appropriateGrid(25000, 20, subdivs), 500);
  EXPECT_EQ(subdivs, 5);
  struct Step { double spacing; int32_t subdivs; } steps[] = {
      {500000, 5}, {250000, 5}, {200000, 4}, {100000, 10}, {50000, 5},
      {25000, 5}, {20000, 4}, {10000, 10}, {5000, 5}};
  for (const auto& s : steps) {  // at 1 : 1000 a spacing of S ground units is S mm long
    SCOPED_TRACE(s.spacing);
    EXPECT_DOUBLE_EQ(Tunits::appropriateGrid(1000, s.spacing * 1.01, subdivs), s.spacing);
    EXPECT_EQ(subdivs, s.subdivs);
  }
  // No positive scale or width: the first spacing, at once.
  EXPECT_EQ(Tunits::appropriateGrid(0, 20, subdivs), 500000);
  EXPECT_EQ(Tunits::appropriateGrid(25000, -1, subdivs), 500000);
  EXPECT_EQ(Tunits::appropriateGrid(nan, 20, subdivs), 500000);

  struct Sub { double step; int32_t want; } subs[] = {
      {0.25, 5}, {3, 3}, {100, 10}, {1200, 4}, {7, 1}, {0, 1}, {-5, 1}, {inf, 1}, {nan, 1}};
  for (const auto& s : subs) {
    SCOPED_TRACE(s.step);
    EXPECT_EQ(Tunits::appropriateSubDivs(s.step), s.want);
  }

  Tunits u;
  struct Dec { int32_t units; double scale; bool fine; int32_t want; } decs[] = {
      {2, 50, false, 2}, {1, 50, false, 5}, {4, 50, false, 0}, {0, 50, false, 3}, {50, 5, false, 2},
      {53, 0.5, false, 3}, {2, 20, true, 3}, {2, 4000, true, 1}, {2, 6000, true, 0}};
  for (const auto& d : decs) {
    SCOPED_TRACE(d.scale);
    u.LinearUnits = d.units;
    EXPECT_EQ(u.appropriateDecPlaces(d.scale, d.fine), d.want);
  }

  struct Len { double metres; int32_t code, dec; } lens[] = {
      {0.5, 4, 0}, {0.07, 4, 1}, {0.01, 4, 2}, {1, 2, 3}, {60, 2, 1}, {1000, 2, 0}, {1001, 1, 3},
      {20000, 1, 2}, {70000, 1, 1}, {200000, 1, 0}};
  for (const auto& l : lens) {
    SCOPED_TRACE(l.metres);
    int32_t dec = -1;
    EXPECT_EQ(Tunits::appropriateLengthUnits(l.metres, dec), l.code);
    EXPECT_EQ(dec, l.dec);
  }
}
}  // namespace

namespace {
// The services object creates the trigonometry and units services and the random streams,
// and frees them; texts then follow its separators.
TEST(Tunits, ServicesObjectCreatesAndFreesTheServices) {
  createOs();
  ASSERT_NE(units, nullptr);
  ASSERT_NE(trig, nullptr);
  ASSERT_NE(os->random, nullptr);
  EXPECT_EQ(os->random->RandomI(7, 100), 3);
  os->decimalseparator = ",";
  os->thousandseparator = ".";
  EXPECT_EQ(units->LengthStr(1234.5, true), "1.234,500 m");
  EXPECT_EQ(units->LengthStrLeast(5000, true), "5 Km");
  EXPECT_EQ(units->LinearDim(12.5, 3, Tunits::Trim::Yes), "12,5");
  EXPECT_DOUBLE_EQ(units->LinearValue("1.234,5"), 1234.5);
  os->UKformatDecimals = true;
  EXPECT_EQ(units->LengthStr(1234.5, true), "1,234.500 m");
  freeOs();
  EXPECT_EQ(units, nullptr);
  EXPECT_EQ(trig, nullptr);
}
}  // namespace

namespace {
TEST(Tunits, SettingsSectionRoundTrip) {
  const std::string file = testenv::tempDir() + "units.ini";
  {
    TQYini ini(file);
    Tunits u;
    u.LinearUnits = u_imperial_surveyft;
    u.AreaUnits = u_imperial_acre;
    u.latlongDecPlaces = 4;
    u.saveToIni(ini);
    ASSERT_TRUE(ini.save());
  }
  TQYini ini(file);
  EXPECT_EQ(ini.readString("units", "linear", ""), "US survey feet");
  Tunits v;
  v.loadFromIni(ini);
  EXPECT_EQ(v.LinearUnits, u_imperial_surveyft);
  EXPECT_EQ(v.AreaUnits, u_imperial_acre);
  EXPECT_EQ(v.latlongDecPlaces, 4);
  EXPECT_EQ(v.osdigits, 8);
  // Missing keys take the defaults; a name that does not parse is the unknown code.
  TQYini other("");
  other.writestring("units", "linear", "furlongs");
  v.loadFromIni(other);
  EXPECT_EQ(v.LinearUnits, u_unknown);
  EXPECT_EQ(v.AreaUnits, u_metric_ha);
  EXPECT_EQ(v.latlongDecPlaces, 6);
}
}  // namespace
