// The number and date texts of the storage layer, through the services object and the
// calendar (the program creates both before any storage object).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class TfileSink;
}

namespace storage_text {
// At most `decimals` decimals, trailing zeros dropped (the display form).
std::string doubleToString(double v, int decimals);
// Six decimals (the display form).
std::string doubleToStr(double v);
// A number in the display form, else in the file form; 0 when the text is neither.
double strToDouble(const std::string& s);
int32_t strToInt(const std::string& s);
bool strAsBool(const std::string& s);
// Today's local date "yyyy-mm-dd" and the local time stamp "yyyy-mm-dd hh:nn:ss".
std::string sqlDateStamp();
std::string sqlTimeStamp();
// One CSV field after RFC 4180: quoted (inner quotes doubled) when asked or when it holds a
// comma, a quote or a line break.
void appendCsvField(std::string& out, const std::string& s, bool quoted = false);
void appendCsvField(platform::TfileSink& out, std::string_view s, bool quoted = false);
}  // namespace storage_text
