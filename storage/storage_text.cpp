// Number and date texts of the storage layer: the services object's number texts, the calendar.
#include "storage/storage_text.h"

#include <cassert>

#include "core/r_base.h"
#include "core/r_date.h"
#include "platform/files.h"

namespace storage_text {
namespace {
const Tos& services() {
  assert(os && "create the services object (createOs) before using storage");
  return *os;
}
}  // namespace

std::string doubleToString(double v, int decimals) { return services().DoubleToString(v, decimals); }

std::string doubleToStr(double v) { return services().DoubleToStr(v); }

double strToDouble(const std::string& s) {
  double d = 0;
  if (services().StrToDouble(s, d)) return d;
  return services().StrToDoubleUK(s);
}

int32_t strToInt(const std::string& s) { return TosNumberText::StrToInt(s); }

bool strAsBool(const std::string& s) { return TosNumberText::StrAsBool(s); }

std::string sqlDateStamp() {
  return createDateman().SQLdatestamp();
}

std::string sqlTimeStamp() {
  return createDateman().SQLtimestamp();
}
void appendCsvField(std::string& out, const std::string& s, bool quoted) {
  if (!quoted && s.find_first_of(",\"\r\n") == std::string::npos) {
    out += s;
    return;
  }
  out += '"';
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// As above, quotes doubled a run at a time.
void appendCsvField(platform::TfileSink& out, std::string_view s, bool quoted) {
  if (!quoted && s.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(s);
    return;
  }
  out.append('"');
  for (size_t from = 0;;) {
    const size_t quote = s.find('"', from);
    if (quote == std::string_view::npos) {
      out.append(s.substr(from));
      break;
    }
    out.append(s.substr(from, quote + 1 - from));
    out.append('"');
    from = quote + 1;
  }
  out.append('"');
}

}  // namespace storage_text
