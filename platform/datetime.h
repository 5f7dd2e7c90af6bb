// The date-time value: a double of days since 1899-12-30 00:00, the fraction being the time of day.
// Implemented: [x] encode/decode [x] clock as UTC and local [x] conversion to and from Unix time
#pragma once
#include <cstdint>

namespace platform {
using TDateTime = double;

constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as a date-time value
constexpr double kMsPerDay = 86400000.0;

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
// False (and result untouched) for an impossible date or time.
bool tryEncodeDate(int year, int month, int day, TDateTime& result);
bool tryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// Splits a date-time value into its parts (proleptic Gregorian calendar).
DateParts decodeDateTime(TDateTime t);
// 1 = Sunday ... 7 = Saturday, as the framework's DayOfWeek.
int dayOfWeek(TDateTime t);

TDateTime fromUnixSeconds(double seconds);
double toUnixSeconds(TDateTime t);
// The clock, as UTC and as local time of the machine's zone ($TZ or /etc/localtime).
TDateTime nowUTC();
TDateTime nowLocal();
// Offset of the machine's local time from UTC at a UTC instant, in minutes (positive east).
int localOffsetMinutes(TDateTime utc);

// Tests and tools may pin the clock; 0 releases it.
void setClockForTesting(TDateTime utc);
}  // namespace platform
