// r_Sun: the observer (place and moment), the sun, moon and planet model on the epoch 1980
// January 0.0 (JD 2444238.5), rise and set searches, and the sun object's orthographic projection.
// Angles are radians inside the model; the elevation, bearing and diameter getters give degrees.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/surface.h"

namespace platform {
class TCanvas;
class TDeviceContext;
}  // namespace platform
using platform::TDateTime;

// The value of `Tobserver::Observer`: degrees, hours and calendar numbers.
struct observerRec {
  double lat = 0;
  double long_ = 0;  // east positive
  double gmt = 0;
  double timezone = 0;
  int32_t year = 0, month = 0, day = 0;
};

// Place and moment of the astronomy. Every setter fires `onChange` exactly once; values are
// never limited (a day 31 in April runs on through the Julian-date arithmetic).
class Tobserver {
 public:
  Tobserver();  // 55 N, 5 W, the machine's local clock taken as GMT, zone 0, height 0

  // The one listener; assigning replaces any earlier one.
  std::function<void(Tobserver*)> onChange;
  double altitude = 0;  // metres above sea level; only the moon's parallax reads it

  [[nodiscard]] double getlat() const;   // degrees
  [[nodiscard]] double getlong() const;  // degrees, east positive
  void setlat(double degrees);
  void setlong(double degrees);
  [[nodiscard]] double gmt() const { return fgmt; }
  void setTime(double gmtHours);
  [[nodiscard]] double LocalTime() const { return fLocal; }
  void setLocal(double localHours);
  [[nodiscard]] double timeZone() const { return fTZ; }
  void setTZ(double hours);  // changes neither the GMT nor the local hours
  [[nodiscard]] int32_t day() const { return fday; }
  [[nodiscard]] int32_t month() const { return fmonth; }
  [[nodiscard]] int32_t year() const { return fyear; }
  void setDay(int32_t value);
  void setMonth(int32_t value);
  void setYear(int32_t value);

  [[nodiscard]] double getJDate();  // the Julian date of the date and GMT hours (cached)
  void setJday(double jd);
  [[nodiscard]] double getDayOfYear();    // days since 1 January 00:00 of the year
  [[nodiscard]] TDateTime getDT() const;  // GMT date-time value
  void setDT(TDateTime gmtValue);         // whole seconds; one onChange
  [[nodiscard]] observerRec getrec() const;
  void setRec(const observerRec&);

  // Conversions: no field changes, nothing fires.
  [[nodiscard]] static double getJulianDate(int32_t day, int32_t month, int32_t year, double gmt);
  static void DayFromJulian(double jd, int32_t& day, int32_t& month, int32_t& year, double& gmt);
  [[nodiscard]] static TDateTime DateTimeFromJulian(double jd);
  static void addDays(int32_t days, int32_t& day, int32_t& month, int32_t& year);

 private:
  friend class Tsun;  // the equinox search steps the cached Julian date directly
  void changed() {
    if (onChange) onChange(this);
  }
  double flat = 0, flong = 0;  // radians
  double fDate = 0, fDayOfYear = 0;
  double fTZ = 0, fLocal = 0, fgmt = 0;
  bool valid = false;
  int32_t fyear = 0, fmonth = 0, fday = 0;
};

// Small orthographic projection of a sphere, owned by each sun object. Degrees unless said.
class Tortho {
 public:
  Tortho() = default;

  void orthoInit();  // ER := 6378137, hidden := false
  [[nodiscard]] double reflongitude() const { return mapCentreLong; }
  void setreflong(double degrees);
  [[nodiscard]] double reflatitude() const { return mapCentreLat; }
  void setreflat(double degrees);
  [[nodiscard]] double orthodistance() const { return forthodistance; }

  // Direction of point 1 seen from point 0 (-180..180, clockwise from up); sets orthodistance.
  double OrthoBearing(double long0, double lat0, double long1, double lat1);
  bool getXY(double Long, double lat, double& x, double& y);
  bool CentreLL(double& Long, double& lat);  // radians out
  bool getLL(double& Long, double& lat, double x, double y);
  bool doOrthoLL(double& Long, double& lat, double x, double y);
  void OrthoPerimeter(double& Long, double& lat, double bearing);
  void OrthoPerimeter(double& Long, double& lat, double bearing, double factor);
  // The graticule centred on (bearing, elevation) as screen polylines in the rectangle, and
  // drawn with the context's current pen (each line a move, then segments).
  [[nodiscard]] std::vector<std::vector<platform::TPoint>> orthoGridLines(int32_t x1, int32_t y1, int32_t x2,
                                                                          int32_t y2, double elevation, double bearing,
                                                                          double scope);
  void orthoGrid(platform::TDeviceContext& dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double elevation,
                 double bearing, double scope);

  bool initialized = false;
  bool hidden = false;
  double hiddenLong = 0, hiddenLat = 0;
  double ER = 0;
  double refeasting = 0, refnorthing = 0;

 private:
  double forthodistance = 0;
  double mapCentreLong = 0, mapCentreLat = 0;
};

// Which part of the moon `moonShade` fills.
enum class MoonPart { Dark, Lit };

// Sun, moon and planets for one observer. The observer is borrowed and must outlive this object;
// creating the sun object makes it the observer's one listener.
class Tsun {
 public:
  explicit Tsun(Tobserver& ob);
  ~Tsun();
  Tsun(const Tsun&) = delete;
  Tsun& operator=(const Tsun&) = delete;

  void onNewTime() { sunValid = moonValid = false; }
  void sun();   // computes the sun now, whatever the cache says
  void Moon();  // computes the moon now

  [[nodiscard]] double getSunE();    // degrees
  [[nodiscard]] double getSunB();    // degrees clockwise from north
  [[nodiscard]] double getSunD();    // metres
  [[nodiscard]] double getSunDia();  // degrees
  [[nodiscard]] double getMoonE();
  [[nodiscard]] double getMoonB();
  [[nodiscard]] double getMoonD();
  [[nodiscard]] double getMoonPhase();  // percent lit
  [[nodiscard]] bool getWaxing();
  [[nodiscard]] double VelocityFromSun() const { return fVelocityFromSun; }
  [[nodiscard]] double VelocityFromMoon() const { return fVelocityFromMoon; }
  [[nodiscard]] double MoonDiameter() const { return Mdia; }
  [[nodiscard]] double UmbraRadius() const { return fumbraradius; }
  [[nodiscard]] double PenUmbraRadius() const { return fpenumbraRadius; }
  [[nodiscard]] double angleToEcliptic() const { return obl; }

  // Coordinate conversions, radians unless named.
  static void EclipticToRADEC(double Long, double lat, double& RA, double& DEC);
  static void GalacticToRADEC(double Long, double lat, double& RA, double& DEC);
  static void RAdecToGalactic(double& Long, double& lat, double RAhours, double dec);
  void GetBearingElevation(double ThisRA, double ThisDec, double& thisElevation, double& ThisBearing);
  void BearingElevationToRAdec(double& RAhours, double& dec, double elevation, double bearing);
  void BearingElevationToGalactic(double& Long, double& lat, double elevation, double bearing);

  // Internal steps shared by the searches.
  [[nodiscard]] double GetM(double PerigeeLong, double EpochLong);
  [[nodiscard]] double GetGamma(double ThisEc, double PerigeeLong, double EpochLong);
  void GetRADEC(double& ra, double& dec, double thisGamma, double thisBeta);
  double GetConstantB();
  [[nodiscard]] double GetLocalST();
  [[nodiscard]] static double correctedTime(double t);

  // Rise and set. Each search puts the observer back at its starting moment. A search that
  // finds no crossing (polar day or night, a circumpolar body) returns false.
  bool SunRiseSet(double& sunRiseTime, double& sunSetTime, double& sunRiseBearing, double& sunSetBearing);
  bool sunRiseSetEx(double& sunRiseTime, double& sunSetTime, double& sunRiseBearing, double& sunSetBearing,
                    bool precise);
  bool sunRiseSetEx2(double& sunRiseJdate, double& sunSetJdate, double& sunRiseBearing, double& sunSetBearing,
                     bool precise);
  bool sunRiseSetDT(TDateTime& sunRisedate, TDateTime& sunSetdate, double& sunRiseBearing, double& sunSetBearing);
  bool moonRiseSetDT(TDateTime& moonRisedate, TDateTime& moonSetdate, double& moonRiseBearing, double& moonSetBearing,
                     bool allowPreviousDay);
  bool moonRiseSetEx2(double& moonRiseJdate, double& moonSetJdate, double& moonRiseBearing, double& moonSetBearing,
                      bool precise);
  bool NextMoonRiseDT(TDateTime& moonRisedate, double& moonRiseBearing);
  bool NextMoonSetDT(TDateTime& moonSetdate, double& moonSetBearing);
  bool GetNextMoonRiseSet(int32_t& day, int32_t& month, int32_t& year, double& hours, bool& rise);
  bool GetLastMoonRiseSet(int32_t& day, int32_t& month, int32_t& year, double& hours, bool& rise);
  bool GetHorizonEvent(bool next, const std::string& name, int32_t& day, int32_t& month, int32_t& year, double& hours,
                       bool& rise);
  double riseSet(double dec, double& riseBearing, double& setbearing);

  // Planets (distance in metres; 0 for a name outside the table).
  double planetRADEC(double& ra, double& de, double Tp, double Le, double Lw, double Ec, double a, double i,
                     double omega);
  double NamedPlanet(double& ra, double& de, double j, const std::string& name);
  double NamedPlanet(double& planetE, double& planetB, const std::string& name);
  [[nodiscard]] static bool isPlanet(const std::string& name);

  // Equinoxes and solstices as GMT date-time values; 0 when the search fails.
  TDateTime vernalEquinox(int32_t year);
  TDateTime summerSolstice(int32_t year);
  TDateTime autumnalEquinox(int32_t year);
  TDateTime winterSolstice(int32_t year);

  // Fills the moon's dark (or lit) part centred on (xi, yi) with the canvas's pen and brush;
  // returns the rotation used (radians). Without a rotation the lit limb faces the sun.
  double moonShade(platform::TCanvas& canvas, int32_t xi, int32_t yi, double radius, double phase);
  double moonShade(platform::TCanvas& canvas, int32_t xi, int32_t yi, double radius, double phase, double rotation,
                   MoonPart part = MoonPart::Dark);
  // The polygon those fill: 181 device points.
  [[nodiscard]] std::vector<platform::TPoint> moonShadePolygon(int32_t xi, int32_t yi, double radius, double phase,
                                                               double rotation, MoonPart part) const;
  [[nodiscard]] double moonShadeRotation();  // turns the lit limb towards the sun
  [[nodiscard]] double sunMoonAngle();       // degrees
  [[nodiscard]] static double terminator(double longitude, double sunlat, double sunlong);
  [[nodiscard]] static double Refraction(double ele);

  // Model state (radians unless named), read by the renderer and the pages.
  double L0 = 0, P0 = 0, n0 = 0, i = 0, theta0 = 0, pi0 = 0;
  double age = 0;
  double eg = 0, wg = 0;
  double obl = 0;
  double v = 0;
  double GammaM = 0, BetaM = 0;
  double gamma0 = 0;
  double LastConstantB = 0;
  double fSunE = 0, fSunB = 0;  // degrees
  double fSunDia = 0;
  double fDistanceToSun = 0, fVelocityFromSun = 0;
  double fDistanceToMoon = 0, fVelocityFromMoon = 0;
  double fPhase = 0;
  double Mdia = 0, MHorizParallax = 0;
  double fMoonE = 0, fMoonB = 0;  // degrees
  double fLastJD = 0, flastMoonJD = 0;
  double lastHourA = 0;
  double SunRA = 0;
  double sqrecc = 0;
  double fumbraradius = 0, fpenumbraRadius = 0;
  double uncorrectedGM = 0, UncorrectedBM = 0;
  int32_t currentYear = 0;
  bool fwaxing = false, sunValid = false, moonValid = false;
  Tobserver& ob;
  std::unique_ptr<Tortho> ortho;
  double lastRA = 0, lastDec = 0;
  double MoonRA = 0, MoonDec = 0;
  double SunDec = 0;
  double sunHourA = 0, MoonHourA = 0;
  bool useZeroHorizon = false;
  double imposedAngleToEcliptic = 0;  // degrees; 0 means the computed obliquity

  // Sounds when `moonRiseSetEx2` finds nothing: the program's beep unless a caller replaces it.
  std::function<void()> beep;

 private:
  double doEquinox(int32_t year, int32_t month, double value);
  double computedObl = 0;  // the obliquity of `currentYear`, kept apart from an imposed angle
};
