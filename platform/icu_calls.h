// The ICU calls the platform layer makes, through libicui18n opened at the first call instead of
// linked: loading ICU costs every run some 1.6 MB of relocated pages, and the programs in an
// English locale need it for nothing at start. Names are ICU's own; with ICU's renaming they
// carry its version (u_strToLower is u_strToLower_72), as the symbols the library exports do.
#pragma once

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/udat.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>
#include <unicode/ures.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>

#include <string>
#include <string_view>

#define KESTROVA_ICU_CALLS(X)                                                                        \
  X(u_strFromUTF8WithSub) X(u_strToUTF8WithSub) X(u_strToLower) X(u_strToUpper) X(u_strCaseCompare) \
  X(u_isalpha) X(uscript_getScript)                                                                  \
  X(ucnv_open) X(ucnv_close) X(ucnv_reset) X(ucnv_setSubstChars) X(ucnv_toUChars) X(ucnv_fromUChars) \
  X(unum_open) X(unum_close) X(unum_getSymbol)                                                       \
  X(udat_open) X(udat_close) X(udat_countSymbols) X(udat_getSymbols)                                 \
  X(uloc_getDisplayLanguage) X(uloc_getDisplayCountry) X(uloc_getLanguage) X(uloc_getCountry)        \
  X(ures_open) X(ures_openDirect) X(ures_close) X(ures_getByKey) X(ures_getByIndex) X(ures_getSize)  \
  X(ures_getKey) X(ures_getString) X(ures_getStringByKey)

namespace platform::icuapi {

struct Tcalls {
#define KESTROVA_ICU_MEMBER(name) decltype(&::name) name = nullptr;
  KESTROVA_ICU_CALLS(KESTROVA_ICU_MEMBER)
#undef KESTROVA_ICU_MEMBER
  bool loaded = false;  // every call above is there
};

// The calls, ICU opened on first use; `loaded` is false when it cannot be.
const Tcalls& calls();

// UTF-8 to UTF-16 and back; an ill-formed sequence becomes U+FFFD, as ICU's strings make it.
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

}  // namespace platform::icuapi
