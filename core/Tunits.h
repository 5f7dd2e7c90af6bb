// Tunits: units of measure. Values are held in base units (metres, square metres, degrees) and
// shown in the units the user chose. Unit codes, names and conversion live in Tunits.cpp, the
// texts of lengths, areas and angles in Tunits_format.cpp, coordinates, grid references and neat
// numbers in Tunits_neat.cpp.
#pragma once
#include <cstdint>
#include <string>

class TStringList;
class TQYini;

// Length codes (base unit: the metre).
constexpr int32_t u_metric_default = 0;
constexpr int32_t u_metric_km = 1;
constexpr int32_t u_metric_m = 2;
constexpr int32_t u_metric_cm = 3;
constexpr int32_t u_metric_mm = 4;
constexpr int32_t u_metric_microm = 5;
constexpr int32_t u_metric_nm = 6;
constexpr int32_t u_metric_pm = 7;
constexpr int32_t u_latlong = 30;
constexpr int32_t u_imperial_default = 50;
constexpr int32_t u_imperial_mile = 51;
constexpr int32_t u_imperial_yd = 52;
constexpr int32_t u_imperial_ft = 53;
constexpr int32_t u_imperial_inch = 54;
constexpr int32_t u_imperial_point = 55;
constexpr int32_t u_imperial_feetInch = 56;
constexpr int32_t u_imperial_yardInch = 57;
constexpr int32_t u_imperial_mileYard = 58;
constexpr int32_t u_imperial_milefeet = 59;
constexpr int32_t u_imperial_milefeetinch = 60;
constexpr int32_t u_imperial_mileYardinch = 61;
constexpr int32_t u_imperial_surveyft = 62;
constexpr int32_t u_imperial_chains = 63;
constexpr int32_t u_custom_length = 79;
constexpr int32_t u_os4 = 80;
constexpr int32_t u_os6 = 81;
constexpr int32_t u_os8 = 82;
constexpr int32_t u_os10 = 83;
constexpr int32_t u_os_parcel = 84;
constexpr int32_t u_os6_gap = 85;
constexpr int32_t u_os8_gap = 86;
constexpr int32_t u_os10_gap = 87;
// Area codes (base unit: the square metre).
constexpr int32_t u_metric_default_area = 100;
constexpr int32_t u_metric_km2 = 101;
constexpr int32_t u_metric_ha = 102;
constexpr int32_t u_metric_m2 = 103;
constexpr int32_t u_metric_cm2 = 104;
constexpr int32_t u_metric_mm2 = 105;
constexpr int32_t u_metric_microm2 = 106;
constexpr int32_t u_metric_nm2 = 107;
constexpr int32_t u_metric_pm2 = 108;
constexpr int32_t u_metric_litre = 120;
constexpr int32_t u_imperial_default_area = 150;
constexpr int32_t u_imperial_mile2 = 151;
constexpr int32_t u_imperial_acre = 152;
constexpr int32_t u_imperial_yd2 = 153;
constexpr int32_t u_imperial_ft2 = 154;
constexpr int32_t u_imperial_inch2 = 155;
constexpr int32_t u_imperial_surveyft2 = 156;
constexpr int32_t u_custom_area = 199;
// Angle and other codes (base unit: the degree).
constexpr int32_t u_degrees = 200;
constexpr int32_t u_degreesmin = 201;
constexpr int32_t u_degreesminsec = 202;
constexpr int32_t u_radians = 203;
constexpr int32_t u_minutes = 204;
constexpr int32_t u_seconds = 205;
constexpr int32_t u_grads = 206;
constexpr int32_t u_pixels = 207;
constexpr int32_t u_entity = 250;
// A code above this stands for "per" the unit of (code − u_per).
constexpr int32_t u_per = 1000;
// What an unknown unit name parses to.
constexpr int32_t u_unknown = -1000;

constexpr char16_t degreeChar = 176;
constexpr const char* degreeSign = "\u00B0";

// The unit choices, each a unit code or a count of decimals.
class TunitsRec {
 public:
  TunitsRec() { clear(); }
  virtual ~TunitsRec() = default;

  void clear();
  // Section "units" of a settings container; unit names go through the global `units`.
  void loadFromIni(const TQYini& ini);
  void saveToIni(TQYini& ini) const;
  // Appends "[units]", one key=value line per setting and an empty line.
  void saveToList(TStringList& list) const;

  int32_t LinearUnits = 2;
  int32_t LinearDecPlaces = 3;
  int32_t PaperUnits = 4;
  int32_t FontUnits = 4;
  int32_t FontDecplaces = 2;
  int32_t PaperDecplaces = 2;
  int32_t AreaUnits = 102;
  int32_t areaDecPlaces = 2;
  int32_t angleUnits = 200;
  int32_t angleDecPlaces = 2;
  int32_t latlongUnits = 200;
  int32_t latlongDecPlaces = 6;
  int32_t altitudeUnits = 2;
  int32_t altitudeDecPlaces = 3;
  int32_t osdigits = 8;
};

class Tunits : public TunitsRec {
 public:
  Tunits();

  // Names (translated through the services object's hook where the unit has a word).
  [[nodiscard]] std::string shortUnitName(int32_t unittype) const;
  [[nodiscard]] std::string LongUnitName(int32_t unittype) const;
  [[nodiscard]] std::string rawLongUnitsName(int32_t unittype) const;
  [[nodiscard]] std::string LongUnitsName(int32_t unittype) const;
  [[nodiscard]] std::string LinearUnitStr() const { return shortUnitName(LinearUnits); }
  [[nodiscard]] std::string PaperUnitStr() const { return shortUnitName(PaperUnits); }
  [[nodiscard]] std::string fontUnitStr() const { return shortUnitName(FontUnits); }
  // The code of a unit name (plural names, abbreviations, "per ..."); u_unknown when none.
  [[nodiscard]] int32_t unitNameToCode(const std::string& name) const;

  // Conversion. FromMetric with an automatic code picks a unit and leaves it in autoUnit().
  [[nodiscard]] double ToMetric(double value, int32_t unitType) const;
  double FromMetric(double value, int32_t unitType);
  double unitfactor(int32_t code) { return FromMetric(1, code); }
  [[nodiscard]] static bool isMetric(int32_t unitType);
  [[nodiscard]] bool LinearMetric() const { return LinearUnits >= 0 && LinearUnits <= 10; }
  [[nodiscard]] double LinearValue(const std::string& s) const;
  [[nodiscard]] double AreaValue(const std::string& s) const;
  [[nodiscard]] double PaperValue(const std::string& s) const;
  [[nodiscard]] double FontValue(const std::string& s) const;

  // The choices that differ from the defaults, as key=value lines ended by CR LF.
  [[nodiscard]] std::string definition() const;
  void setdefinition(const std::string& text);

  // Texts of lengths, areas and angles (Tunits_format.cpp).
  [[nodiscard]] std::string commaize(const std::string& s) const;
  [[nodiscard]] std::string LengthStrEx(double value, int32_t decPlaces, int32_t linearUnits, bool withUnits) const;
  [[nodiscard]] std::string LengthStrEx(double value, int32_t decPlaces, bool withUnits) const;
  [[nodiscard]] std::string LengthStr(double value, bool withUnits) const;
  [[nodiscard]] std::string LengthStrLeast(double value, bool withUnits) const;
  [[nodiscard]] std::string altitudeStr(double value, bool withunits) const;
  [[nodiscard]] std::string altitudeStr(double value, int32_t decplaces, bool withunits) const;
  [[nodiscard]] std::string areaStrEx(double value, int32_t decplaces, bool withUnits) const;
  [[nodiscard]] std::string areaStr(double value, bool withUnits) const;
  [[nodiscard]] std::string anglestr(double value, int32_t decplaces, bool withUnits, int32_t angleUnitsIn) const;
  [[nodiscard]] std::string angleStr(double value, int32_t decplaces, bool withUnits) const;
  [[nodiscard]] std::string anglestr(double value, bool withUnits) const;
  enum class Compass { Short, Long };
  std::string EastWestStr(double value, int32_t latLongUnits, int32_t decplaces, Compass);
  std::string EastWestStr(double value);
  std::string EastWestStr(double value, int32_t decplaces);
  std::string NorthSouthStr(double value, int32_t latLongUnits, int32_t decplaces, Compass);
  std::string NorthSouthStr(double value);
  std::string NorthSouthStr(double value, int32_t decplaces);
  enum class Trim { No, Yes };
  [[nodiscard]] std::string LinearDim(double metres, int32_t decplaces, Trim) const;
  [[nodiscard]] std::string LinearDim(double metres, int32_t decplaces) const;
  [[nodiscard]] std::string LinearDim(double metres) const;
  [[nodiscard]] std::string imperialDim(double) const { return ""; }
  std::string AppropriateLinearDim(double metres, int32_t decplaces, bool withUnits);
  std::string AppropriateAreaDim(double metres, int32_t decplaces, bool withUnits);
  [[nodiscard]] std::string PaperDim(double metres) const;
  [[nodiscard]] std::string FontDim(double metres) const;

  // Coordinates, grid references and scales (Tunits_neat.cpp).
  std::string CoordStr(double x, double y, double scale, int32_t format, bool withunits, int32_t decplaces);
  std::string CoordStr(double x, double y, double scale, int32_t format, bool withunits);
  std::string CoordStr(double x, double y, int32_t format, bool withunits);
  std::string CoordStr(double x, double y, bool withunits);
  std::string CoordStr(double x, double y);
  std::string CoordStr(double x, double y, int32_t decplaces);
  [[nodiscard]] static std::string OrdnanceSurveyStr(double x, double y, int32_t format);
  [[nodiscard]] static bool OrdnanceSurveyToXY(const std::string& name, double& x, double& y);
  [[nodiscard]] std::string scalestr(double scale) const;

  // Neat values: pure, and defined for every input (zero, negative, NaN, infinite).
  [[nodiscard]] static double NeatScale(double scale, int32_t roundUp);
  [[nodiscard]] static double NeatScale(double scale) { return NeatScale(scale, 0); }
  [[nodiscard]] static double NextNeatScale(double currentNeatScale, bool goingUp);
  [[nodiscard]] static double NeatNumber(double number, int32_t NeatOption);
  [[nodiscard]] static double appropriateGrid(double scale, double maxmm, int32_t& subdivs);
  [[nodiscard]] static double appropriateGrid(double scale, double maxmm);
  [[nodiscard]] static int32_t appropriateSubDivs(double step);
  [[nodiscard]] int32_t appropriateDecPlaces(double scale, bool fine) const;
  [[nodiscard]] int32_t appropriateDecPlaces(double scale) const { return appropriateDecPlaces(scale, false); }
  [[nodiscard]] static int32_t appropriateLengthUnits(double metres, int32_t& decplaces);

  [[nodiscard]] int32_t autoUnit() const { return defaultUnit; }

  int32_t defaultUnit = 0;
  bool changed = false;
  bool wantdecplaces = false;
  bool fixedDecimal = true;
  int32_t coordinateOption = 0;
  int32_t coordinateFormat = 0;
  double coordinateXplus = 0, coordinateYplus = 0;
  bool isUK = false, showTapeAngle = false;
  double customLengthFactor = 0;
  double customAreaFactor = 0;
  std::string customLengthUnit;
  std::string customAreaUnit;

 private:
  [[nodiscard]] std::string lengthNumber(double x, int32_t decplaces) const;
  [[nodiscard]] std::string areaNumber(double x, int32_t decplaces) const;
  [[nodiscard]] static std::string angleNumber(double x, int32_t decplaces);
};

// The one units service; set by createUnits, cleared by freeUnits.
extern Tunits* units;
Tunits& createUnits();
void freeUnits();
