// Small number and date texts the storage layer needs.
// FIXME: the core's number text and calendar services replace these when they land.
#pragma once
#include <cstdint>
#include <string>

namespace storage_text {
// A double with at most `decimals` decimals, trailing zeros dropped, full stop.
std::string doubleToString(double v, int decimals);
// Shortest text that reads back as the same double, full stop.
std::string doubleToStr(double v);
// The number in a text (full stop); 0 when it is not one.
double strToDouble(const std::string& s);
int32_t strToInt(const std::string& s);
// Today's local date "yyyy-mm-dd" and the local time stamp "yyyy-mm-dd hh:nn:ss".
std::string sqlDateStamp();
std::string sqlTimeStamp();
}  // namespace storage_text
