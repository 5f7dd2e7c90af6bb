// TdateMan: the calendar, Julian dates, the Windows zone table, date and time texts; TlongTime,
// a date with the sentinels "always" and "forever"; the zodiac table.
// Date-times are days since 1899-12-30 (GMT unless a name says local); Julian dates count days
// since noon of 1 January 4713 BC. Years are historical (no year 0); dates before 1582-10-15
// are Julian-calendar dates. The Julian-date algorithms are the classic Meeus ones.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/TStringList.h"
#include "platform/datetime.h"
#include "platform/timezones.h"

using platform::SYSTEMTIME;
using platform::TDateTime;
using platform::TIME_ZONE_INFORMATION;

class TdateMan;

// Month lengths of a common year.
extern const int DaysInYear[12];

constexpr double kJulianAlways = 0.0;          // earlier than every date
constexpr double kJulianForever = 5373119.5;   // 9999-01-01 00:00, later than every date
constexpr double kJulian18991230 = 2415018.5;  // date-time value 0

// One Windows zone of the table.
class Ttz {
 public:
  TIME_ZONE_INFORMATION tzi;
  int32_t index = 0;
  // The display text, "(UTC+01:00) Berlin, ...", made when first asked: it costs ICU's zone
  // names in every language (megabytes mapped), and the clock itself never shows it.
  [[nodiscard]] const std::string& zone() const;

 private:
  friend class TdateMan;
  std::string keyName;
  int tableYear = 0;
  TDateTime asOf = 0;
  mutable std::optional<std::string> fzone;
};

// A sign of the zodiac; `ch` is its glyph in the Wingdings symbol font.
class Tzodiac {
 public:
  std::string name;
  char16_t ch = 0;
  int32_t startmonth = 0, startday = 0, endmonth = 0, endday = 0;
};

// A date and time held as parts, with the sentinels "always" (mode 0) and "forever" (mode 2)
// and an undefined state. All conversions go through the global `dateman`.
class TlongTime {
 public:
  TlongTime();  // the current GMT

  [[nodiscard]] bool always() const { return mode == 0; }
  void setAlways(bool value);
  [[nodiscard]] bool forever() const { return mode == 2; }
  void setForever(bool value);
  [[nodiscard]] bool undefined() const { return fundefined; }

  [[nodiscard]] std::string timestamp() const;
  void setTimestamp(const std::string& value);
  [[nodiscard]] TDateTime dateTime() const;
  void setDateTime(TDateTime dt);
  [[nodiscard]] double julian() const;
  void setJulian(double value);

  [[nodiscard]] std::string LongDateTimeStr() const;
  [[nodiscard]] std::string LongDateStr() const;
  void assign(const TlongTime* source);
  [[nodiscard]] bool Greater(const TlongTime& a) const;
  [[nodiscard]] bool GreaterOrEqual(const TlongTime& a) const;
  [[nodiscard]] double DaysGreaterThan(const TlongTime& a) const;
  void addTime(double days);
  void addMonth(int months);
  [[nodiscard]] double timeInHours() const;
  void asSysTime(SYSTEMTIME& sys) const;

  int32_t mode = 1;  // 0 always, 1 a date, 2 forever
  bool fundefined = false;
  int32_t year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
  double timeZone = 0;  // hours the parts are ahead of GMT, for the Julian view
};

class TdateMan {
 public:
  // Builds the zone table with the rules of the clock's current year.
  TdateMan();
  // The same with the rules of `tableYear`, irregular years read at `asOf` (tests, tools).
  TdateMan(int tableYear, TDateTime asOf);
  ~TdateMan();
  TdateMan(const TdateMan&) = delete;
  TdateMan& operator=(const TdateMan&) = delete;

  // --- Clock
  double NowJD();
  int getyear();
  int thisYear() { return getyear(); }
  TlongTime* getLocal();
  TlongTime* localNow() { return getLocal(); }

  // --- Julian dates
  double EncodeJulian(int year, int month, int day, int hour, int minute, int second);
  double EncodeJulian(int year, int month, int day, double gmtHours);
  double EncodeJulian();
  void DecodeJulian(double jd, int& year, int& month, int& day, int& hour, int& minute, int& second);
  void DecodeJulian(double jd, TDateTime& dt);
  void DecodeJulian(double jd);
  double DateTimeToJulian(TDateTime dt);
  [[nodiscard]] static TDateTime DateTimeFromJulian(double jd);

  // --- Date-time values; failures give `defaultdate` and reach the log
  TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second);
  TDateTime EncodeDateTime(int year, int month, int day, double hour);
  TDateTime EncodeDateTime();
  // As the encoders, but an impossible date is reported: false, dt untouched.
  bool tryEncodeDateTime(int year, int month, int day, double hour, TDateTime& dt);
  void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& minute, int& second,
                      int& milli);
  void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& minute, int& second);
  void DecodeDateTime(TDateTime dt);
  void DecodeTimeDT(TDateTime dt, int& hour, int& minute, int& second, int& milli);
  int minuteDt(TDateTime dt);

  // --- Calendar
  [[nodiscard]] static int DaysInMonth(int year, int month);
  [[nodiscard]] static int dayOfyear(int year, int month, int day);
  static void reverseDayOfYear(int dayOfYear, int year, int& month, int& day);
  [[nodiscard]] int dayOfWeek(int year, int month, int day);  // 0 = Sunday
  int dayOfWeekDt(TDateTime dt);
  int dayOfWeekDt(TDateTime dt, int& dayOfMonth);
  [[nodiscard]] int weekOfYear(int year, int month, int day);  // ISO week
  [[nodiscard]] static bool WholeDay(double jd);
  [[nodiscard]] static bool wholeday(const TlongTime& t);

  // --- Names
  [[nodiscard]] std::string DayName(int index) const;    // 0 = Monday, wraps by 7
  [[nodiscard]] std::string MonthName(int index) const;  // 0 = January
  [[nodiscard]] static int MonthIndex(const std::string& name);
  [[nodiscard]] int StrToMonthNumber(const std::string& s) const;

  // --- Seasons (GMT Julian dates) and zodiac
  [[nodiscard]] static double springEquiox(int year);
  [[nodiscard]] static double summerSolstice(int year);
  [[nodiscard]] static double autumnEquiox(int year);
  [[nodiscard]] static double winterSolstice(int year);
  [[nodiscard]] Tzodiac* getZodiac(int index) const;
  [[nodiscard]] Tzodiac* Zodiac(int index) const { return getZodiac(index); }
  [[nodiscard]] int ZodiacFromDate(int month, int day) const;

  // --- Clock reads (always GMT) and the zone table
  SYSTEMTIME getgmt();
  SYSTEMTIME gmtSystemTime() { return getgmt(); }
  TDateTime getgmtDt();
  TDateTime GMT() { return getgmtDt(); }
  void setgmtDt(TDateTime dt);
  TDateTime getLocalTime();
  TDateTime LocalTime() { return getLocalTime(); }
  [[nodiscard]] const TStringList& TimeZones() const { return ftimezones; }
  [[nodiscard]] const std::string& TimeZone() const { return fTZname; }
  [[nodiscard]] const std::string& DaylightName() const { return fTZdayname; }
  [[nodiscard]] Ttz* zoneAt(int index) const;

  [[nodiscard]] SYSTEMTIME DateTimeToSysTime(TDateTime dt) const;
  [[nodiscard]] TDateTime SysTimeToDateTime(const SYSTEMTIME& sys) const;
  [[nodiscard]] TDateTime SysTimeToLocalTime(const SYSTEMTIME& sys) const;
  [[nodiscard]] TDateTime LocalTimeFromGMT(TDateTime gmtDT) const;
  // Local time of a zone; an unknown name converts as "GMT Standard Time". Never throws: a time
  // that cannot be converted gives `defaultdate` and a log line.
  TDateTime localtimeFromName(const std::string& windowsname, const SYSTEMTIME& sys);
  TDateTime localtimeFromName(const std::string& windowsname, TDateTime gmtDt);
  TDateTime localtimeFromNameJulian(const std::string& windowsname, double gmtJ);
  TDateTime LocalTimeFromIndex(int index, const SYSTEMTIME& sys);
  TDateTime GMTfromLocalTime(const std::string& windowsname, TDateTime localDT);
  TIME_ZONE_INFORMATION getTzi(const std::string& value);
  TIME_ZONE_INFORMATION Tzi(const std::string& value) { return getTzi(value); }
  bool isDaylightSaving(const std::string& windowsname);
  bool isDaylightSaving(const std::string& windowsname, const SYSTEMTIME& gmt);
  bool isDaylightSaving(const std::string& windowsname, const SYSTEMTIME& gmt, double& timeDiffHrs);

  // --- Texts
  [[nodiscard]] static std::string str2(int i);
  [[nodiscard]] static std::string str3(int i);
  std::string TimeStr(int hour, int min);
  std::string TimeStr(int hour, int min, int sec);
  std::string TimeStr(int hour, int min, int sec, int milli);
  std::string TimeStr(double jd);
  [[nodiscard]] static std::string TimeStrAMPM(int hour, int min);
  [[nodiscard]] static std::string TimeStrAMPM(int hour, int min, int sec);
  std::string TimeStrDT(TDateTime dt);
  std::string TimeStrDT(TDateTime dt, bool withseconds);
  std::string TimeStrDT(TDateTime dt, bool withseconds, bool withMilliseconds);
  std::string TimeStrDTampm(TDateTime dt);
  std::string TimeStrDTampm(TDateTime dt, bool withseconds);

  std::string LongDateStr(int year, int month, int day) const;
  std::string shortDateStr(int year, int month, int day) const;
  std::string LongDateTimestr(int year, int month, int day, int hour, int minute);
  std::string LongDateTimestr(int year, int month, int day, int hour, int minute, int second);
  std::string LongDateStr(double jd);
  std::string LongDateTimestr(double jd);
  std::string LongDateTimestrDT(TDateTime dt, bool withseconds);
  std::string LongDateTimestrDT(TDateTime dt);
  std::string LongDateStrDT(TDateTime dt);
  std::string shortDateStrDT(TDateTime dt);

  [[nodiscard]] static std::string SQLtimestamp(int year, int month, int day, int hour, int minute, int second);
  std::string SQLtimestamp(double julianDate);
  std::string SQLtimestamp2(double julianDate);
  std::string SQLtimestamp();
  std::string SQLtimestampDT(TDateTime dt, bool withMilliSeconds = false);
  std::string SQLtimeOnlyStampDT(TDateTime dt, bool withMilliSeconds);
  std::string SQLdatestamp();
  std::string SQLdatestamp(double jd);
  std::string SQLdatestamp2(double jd);
  std::string SQLdatestampDT(TDateTime dt);

  double SQLtime(const std::string& value);
  TDateTime SQLtimeDT(const std::string& value);
  void SQLdate(const std::string& value, int& year, int& month, int& day, int& hour, int& minute, int& second);
  void SQLdate(const std::string& value, TDateTime& dt);
  bool strToDate(const std::string& s, TDateTime& dt);
  [[nodiscard]] static std::string SQLfriendly(const std::string& SQLstamp);

  // Fields, in the declared order of the design.
  TStringList ftimezones;  // key names, each holding its Ttz (owned by `ownedZones`)
  std::string fTZname;
  std::string fTZdayname;
  TStringList fzodiac;     // sign names, each holding its Tzodiac (owned by `ownedSigns`)
  TDateTime defaultdate = 0;
  std::unique_ptr<TlongTime> flocal;
  bool useAmPm = false;
  bool inEnglish = false;
  int32_t lastDaylightBias = 0;
  int32_t fyear = 0, fmonth = 0, fday = 0, fhour = 0, fmin = 0, fsec = 0, fmilli = 0;

 private:
  void build(int tableYear, TDateTime asOf);
  double getJulianDate(int year, int month, int day, double hours);
  static void DayFromJulian(double jd, int& year, int& month, int& day, double& hours);
  // The zone list index of a name; an unknown name gives "GMT Standard Time" (logged once),
  // -1 when even that is missing (then GMT without daylight time).
  int zoneIndex(const std::string& windowsname);
  const TIME_ZONE_INFORMATION* zoneRecord(int index) const;
  void storeParts(const SYSTEMTIME& s);
  void roundedSeconds(TDateTime dt, int& hour, int& minute, int& second);

  std::vector<std::unique_ptr<Ttz>> ownedZones;
  std::vector<std::unique_ptr<Tzodiac>> ownedSigns;
  std::unordered_map<std::string, int> zoneByName;  // ASCII lower-case key name -> index
  std::set<std::string> unknownLogged;
  TIME_ZONE_INFORMATION gmtRecord;  // GMT without daylight time, for a table without GMT
};

// The program's one calendar object; created with `os` (or on first use by the renderers) and
// freed by this module last, after `os`.
extern std::unique_ptr<TdateMan> dateman;
// Creates `dateman` when it is absent.
TdateMan& createDateman();
// Frees `dateman`, clearing the variable first.
void freeDateman();
