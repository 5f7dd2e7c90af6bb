// UTF-8 text helpers and code-page conversion. Strings are UTF-8 std::string throughout;
// Windows-1252 and the OEM code page appear only where a file format demands them.
// Implemented: [x] UTF-8 checks and code points [x] case mapping [x] code pages through ICU
//              [x] text-file decoding (BOM, UTF-8, else Windows-1252) [x] locale separators
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace platform {
bool isValidUtf8(std::string_view s);
// Number of code points (invalid bytes count one each).
size_t codePointCount(std::string_view s);
// Byte offset of the n-th code point (s.size() when n is past the end).
size_t codePointOffset(std::string_view s, size_t n);
// The code points of s, and back.
std::u32string toUtf32(std::string_view s);
std::string fromUtf32(std::u32string_view s);
std::string fromCodePoint(char32_t c);

// Unicode case mapping (root locale).
std::string lowerCase(std::string_view s);
std::string upperCase(std::string_view s);
// Case-insensitive comparison: <0, 0, >0.
int compareNoCase(std::string_view a, std::string_view b);
bool sameNoCase(std::string_view a, std::string_view b);

// Conversions to and from a named code page ("windows-1252", "ibm-850", ...); characters the
// code page lacks become "?".
std::string fromCodePage(std::string_view bytes, const char* codepage);
std::string toCodePage(std::string_view utf8, const char* codepage);
// The text with every byte that begins no valid UTF-8 sequence replaced by U+FFFD.
std::string validUtf8(std::string_view s);
// The bytes of a text file as valid UTF-8: a byte-order mark (UTF-8, UTF-16 LE/BE) decides;
// otherwise valid UTF-8 is kept; otherwise the bytes are Windows-1252.
std::string decodeText(std::string_view bytes);

// The locale a category follows (LC_ALL, then the category's variable, then LANG) as ICU names
// it, without touching the process locale: "de_DE.UTF-8@euro" gives "de_DE"; C, POSIX, an empty
// name and none give "en_US_POSIX".
std::string localeNameOf(const char* category);
// The user's locale for numbers: localeNameOf("LC_NUMERIC").
std::string userLocaleName();
// Whether the locale's day and month names and separators are US English's, which the platform
// gives without ICU (its data stays unmapped).
bool isUsEnglishLocale(const std::string& locale);
// The user's locale's decimal and grouping separators ("." and "," when the locale gives none).
std::string localeDecimalSeparator();
std::string localeThousandSeparator();
}  // namespace platform
