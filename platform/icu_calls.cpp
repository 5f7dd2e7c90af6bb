#include "platform/icu_calls.h"

#include <unicode/uvernum.h>

#include "platform/library_calls.h"

#define KESTROVA_ICU_TEXT2(x) #x
#define KESTROVA_ICU_TEXT(x) KESTROVA_ICU_TEXT2(x)

namespace platform::icuapi {

const Tcalls& calls() {
  static const Tcalls icu = [] {
    Tcalls c;
    // The i18n library brings the common one with it; a symbol is looked up in both.
    void* h = openLibrary("libicui18n.so." KESTROVA_ICU_TEXT(U_ICU_VERSION_MAJOR_NUM));
    if (!h) return c;
    c.loaded = true;
#define KESTROVA_ICU_LOAD(name) c.loaded &= bindCall(h, KESTROVA_ICU_TEXT(name), c.name);
    KESTROVA_ICU_CALLS(KESTROVA_ICU_LOAD)
#undef KESTROVA_ICU_LOAD
    return c;
  }();
  return icu;
}

std::u16string toUtf16(std::string_view utf8) {
  const Tcalls& icu = calls();
  if (!icu.loaded || utf8.empty()) return {};
  std::u16string out(utf8.size(), u'\0');  // never more UTF-16 units than UTF-8 bytes
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  icu.u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length, utf8.data(),
                           static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

std::string toUtf8(std::u16string_view utf16) {
  const Tcalls& icu = calls();
  if (!icu.loaded || utf16.empty()) return {};
  std::string out(utf16.size() * 3, '\0');  // at most three bytes a unit
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  icu.u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                         reinterpret_cast<const UChar*>(utf16.data()), static_cast<int32_t>(utf16.size()), 0xFFFD,
                         nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

}  // namespace platform::icuapi
