// UTF-8 helpers and code pages: see text.h.
#include "platform/text.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include "platform/icu_calls.h"

namespace platform {
namespace {
// Length of the UTF-8 sequence at s[i], 0 when it is not a valid one.
size_t seqLen(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n;
  char32_t cp;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) { n = 2; cp = c & 0x1F; }
  else if ((c & 0xF0) == 0xE0) { n = 3; cp = c & 0x0F; }
  else if ((c & 0xF8) == 0xF0) { n = 4; cp = c & 0x07; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
  if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

const UChar* units(const std::u16string& u) { return reinterpret_cast<const UChar*>(u.data()); }
int32_t length(const std::u16string& u) { return static_cast<int32_t>(u.size()); }

// Full case mapping of the root locale; the text as it stands when ICU cannot be opened.
using TcaseMap = int32_t (*)(UChar*, int32_t, const UChar*, int32_t, const char*, UErrorCode*);
std::string mapCase(std::string_view s, TcaseMap map) {
  if (!icuapi::calls().loaded) return std::string(s);
  const std::u16string u = icuapi::toUtf16(s);
  std::u16string out(u.size() * 3 + 1, u'\0');  // no character maps to more than three
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = map(reinterpret_cast<UChar*>(out.data()), length(out), units(u), length(u), "", &status);
  if (U_FAILURE(status)) return std::string(s);
  out.resize(static_cast<size_t>(n));
  return icuapi::toUtf8(out);
}

struct ConverterCloser {
  void operator()(UConverter* c) const { icuapi::calls().ucnv_close(c); }
};
}  // namespace

bool isValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = seqLen(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

size_t codePointCount(std::string_view s) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); ++count) {
    size_t n = seqLen(s, i);
    i += n ? n : 1;
  }
  return count;
}

size_t codePointOffset(std::string_view s, size_t n) {
  size_t i = 0;
  while (n > 0 && i < s.size()) {
    size_t k = seqLen(s, i);
    i += k ? k : 1;
    --n;
  }
  return i;
}

std::u32string toUtf32(std::string_view s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    size_t n = seqLen(s, i);
    if (n == 0) {
      out += static_cast<char32_t>(0xFFFD);
      ++i;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += cp;
    i += n;
  }
  return out;
}

std::string fromCodePoint(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

std::string fromUtf32(std::u32string_view s) {
  std::string out;
  for (char32_t c : s) out += fromCodePoint(c);
  return out;
}

std::string lowerCase(std::string_view s) {
  bool ascii = true;
  for (char c : s) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    std::string out(s);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
  }
  return mapCase(s, icuapi::calls().u_strToLower);
}

std::string upperCase(std::string_view s) {
  bool ascii = true;
  for (char c : s) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    std::string out(s);
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
  }
  return mapCase(s, icuapi::calls().u_strToUpper);
}

int compareNoCase(std::string_view a, std::string_view b) {
  // ASCII folds to its lower case: sorting and deduplicating font and key lists stays off ICU,
  // whose conversions cost more than the comparison.
  const size_t n = std::min(a.size(), b.size());
  bool ascii = true;
  for (size_t i = 0; i < n && ascii; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    ascii = ca < 0x80 && cb < 0x80;
    const int la = ca >= 'A' && ca <= 'Z' ? ca + 32 : ca, lb = cb >= 'A' && cb <= 'Z' ? cb + 32 : cb;
    if (ascii && la != lb) return la < lb ? -1 : 1;
  }
  if (ascii) {
    // Equal up to the shorter: only the longer's remaining bytes decide, and any byte makes it
    // the greater, as a non-ASCII one would (a UTF-8 lead byte folds to no empty string).
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
  }
  const auto& icu = icuapi::calls();
  if (!icu.loaded) return a == b ? 0 : a < b ? -1 : 1;
  const std::u16string ua = icuapi::toUtf16(a), ub = icuapi::toUtf16(b);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t order = icu.u_strCaseCompare(units(ua), length(ua), units(ub), length(ub), U_FOLD_CASE_DEFAULT, &status);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

bool sameNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

namespace {
// One converter per code page and thread, made on first use: opening one costs more than most
// conversions it serves.
UConverter* converter(const char* codepage) {
  const auto& icu = icuapi::calls();
  if (!icu.loaded) return nullptr;
  thread_local std::map<std::string, std::unique_ptr<UConverter, ConverterCloser>> cache;
  auto it = cache.find(codepage);
  if (it == cache.end()) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> conv(icu.ucnv_open(codepage, &status));
    if (U_FAILURE(status)) return nullptr;
    it = cache.emplace(codepage, std::move(conv)).first;
  }
  icu.ucnv_reset(it->second.get());
  return it->second.get();
}

// The single-byte code pages we meet agree with ASCII on its 128 characters.
bool asciiPassesThrough(std::string_view s, const char* codepage) {
  if (std::string_view(codepage).substr(0, 3) == "UTF" || std::string_view(codepage).substr(0, 3) == "utf") return false;
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
}  // namespace

std::string fromCodePage(std::string_view bytes, const char* codepage) {
  if (asciiPassesThrough(bytes, codepage)) return std::string(bytes);
  UConverter* conv = converter(codepage);
  if (!conv) return std::string(bytes);
  const auto& icu = icuapi::calls();
  const auto size = static_cast<int32_t>(bytes.size());
  UErrorCode status = U_ZERO_ERROR;
  const int32_t need = icu.ucnv_toUChars(conv, nullptr, 0, bytes.data(), size, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::string(bytes);
  std::u16string u(static_cast<size_t>(need), u'\0');
  status = U_ZERO_ERROR;
  icu.ucnv_toUChars(conv, reinterpret_cast<UChar*>(u.data()), need, bytes.data(), size, &status);
  if (U_FAILURE(status)) return std::string(bytes);
  return icuapi::toUtf8(u);
}

std::string toCodePage(std::string_view utf8, const char* codepage) {
  if (asciiPassesThrough(utf8, codepage)) return std::string(utf8);
  UConverter* conv = converter(codepage);
  if (!conv) return std::string(utf8);
  const auto& icu = icuapi::calls();
  UErrorCode status = U_ZERO_ERROR;
  // A character the code page lacks becomes "?", never the page's control-character filler.
  icu.ucnv_setSubstChars(conv, "?", 1, &status);
  status = U_ZERO_ERROR;
  const std::u16string u = icuapi::toUtf16(utf8);
  const int32_t need = icu.ucnv_fromUChars(conv, nullptr, 0, units(u), length(u), &status);
  status = U_ZERO_ERROR;
  std::string out(static_cast<size_t>(need), '\0');
  icu.ucnv_fromUChars(conv, out.data(), need, units(u), length(u), &status);
  return out;
}

std::string validUtf8(std::string_view s) {
  if (isValidUtf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + 16);
  for (size_t i = 0; i < s.size();) {
    size_t n = seqLen(s, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for each byte that begins no valid sequence
      ++i;
    } else {
      out.append(s.substr(i, n));
      i += n;
    }
  }
  return out;
}

// The encoding is decided once for the whole text; bytes it cannot decode become U+FFFD, so
// what is made of the text and saved is UTF-8 and reads back the same.
std::string decodeText(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return validUtf8(bytes.substr(3));
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return validUtf8(fromCodePage(bytes.substr(2), "UTF-16LE"));
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return validUtf8(fromCodePage(bytes.substr(2), "UTF-16BE"));
  if (isValidUtf8(bytes)) return std::string(bytes);
  return validUtf8(fromCodePage(bytes, "windows-1252"));
}

std::string localeNameOf(const char* category) {
  for (const char* v : {"LC_ALL", category, "LANG"}) {
    const char* s = std::getenv(v);
    if (s && *s) {
      std::string name = s;
      name = name.substr(0, name.find_first_of(".@"));
      if (name.empty() || name == "C" || name == "POSIX") return "en_US_POSIX";
      return name;
    }
  }
  return "en_US_POSIX";
}

std::string userLocaleName() { return localeNameOf("LC_NUMERIC"); }

bool isUsEnglishLocale(const std::string& locale) { return locale == "en_US_POSIX" || locale == "en_US"; }

namespace {
std::string symbol(UNumberFormatSymbol which, const char* fallback) {
  const std::string locale = userLocaleName();
  if (isUsEnglishLocale(locale)) return fallback;
  const auto& icu = icuapi::calls();
  if (!icu.loaded) return fallback;
  UErrorCode status = U_ZERO_ERROR;
  UNumberFormat* format = icu.unum_open(UNUM_DECIMAL, nullptr, 0, locale.c_str(), nullptr, &status);
  std::u16string s(16, u'\0');
  int32_t n = 0;
  if (U_SUCCESS(status)) n = icu.unum_getSymbol(format, which, reinterpret_cast<UChar*>(s.data()), length(s), &status);
  if (format) icu.unum_close(format);
  if (U_FAILURE(status) || n <= 0 || n > length(s)) return fallback;
  s.resize(static_cast<size_t>(n));
  const std::string out = icuapi::toUtf8(s);
  return out.empty() ? fallback : out;
}
}  // namespace

std::string localeDecimalSeparator() { return symbol(UNUM_DECIMAL_SEPARATOR_SYMBOL, "."); }
std::string localeThousandSeparator() { return symbol(UNUM_GROUPING_SEPARATOR_SYMBOL, ","); }
}  // namespace platform
