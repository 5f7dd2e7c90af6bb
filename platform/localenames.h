// The user's locale's full names of weekdays and months (LC_ALL, LC_TIME, LANG), through ICU.
// Implemented: [x] full day and month names [ ] abbreviated forms
#pragma once
#include <string>

namespace platform {
// index 0 = Monday .. 6 = Sunday; empty outside.
std::string localeDayName(int index);
// index 0 = January .. 11 = December; empty outside.
std::string localeMonthName(int index);
}  // namespace platform
