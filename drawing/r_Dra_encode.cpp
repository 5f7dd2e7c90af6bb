// The drawing file's encodings: the 6-byte real (exponent byte biased by 129, a 39-bit fraction
// with an implicit leading 1, the sign in the top bit of byte 5; writing rounds ties away from
// zero), the 8-bit Windows-1252 text of geometry records, and UTF-16 code units.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "drawing/r_Dra.h"
#include "drawing/r_Dra_internal.h"
#include "platform/text.h"

// Straight from the double's bits: exponent E - 1023 + 129, and the top 39 of the 52 fraction bits
// rounded to the nearest with ties away from zero (adding half of the last kept bit).
bool doubleToReal48(double value, uint8_t out[6]) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, 8);
  const int E = static_cast<int>((bits >> 52) & 0x7FF);
  std::fill(out, out + 6, uint8_t(0));
  if (E == 0x7FF) return false;  // not a number, or infinite
  if (E == 0) return true;       // zero, or far too small
  int e = E - 1023 + 129;
  uint64_t f = ((bits & 0xFFFFFFFFFFFFFull) + (uint64_t(1) << 12)) >> 13;
  if (f >> 39) {  // the carry raises the exponent
    f = 0;
    ++e;
  }
  if (e <= 0) return true;
  if (e > 255) return false;
  out[0] = static_cast<uint8_t>(e);
  for (int i = 0; i < 4; ++i) out[1 + i] = static_cast<uint8_t>(f >> (8 * i));
  out[5] = static_cast<uint8_t>((f >> 32) & 0x7F) | static_cast<uint8_t>((bits >> 63) << 7);
  return true;
}

bool fitsReal48(double value) {
  static const double beyond = std::ldexp(2.0 - std::ldexp(1.0, -40), 126);  // rounds to 2^127
  return std::fabs(value) < beyond;  // false for not a number too
}

double real48ToDouble(const uint8_t in[6]) {
  if (in[0] == 0) return 0;
  uint64_t f = uint64_t(in[5] & 0x7F) << 32;
  for (int i = 0; i < 4; ++i) f |= uint64_t(in[1 + i]) << (8 * i);
  const uint64_t bits = uint64_t(in[5] >> 7) << 63 | uint64_t(in[0] + 1023 - 129) << 52 | f << 13;
  double v = 0;
  std::memcpy(&v, &bits, 8);
  return v;
}

std::string toAnsi(const std::string& utf8) {
  // Code points of the bytes 0x80 to 0xFF, from the platform's code-page converter.
  static const std::unordered_map<char32_t, uint8_t> upper = [] {
    std::unordered_map<char32_t, uint8_t> m;
    for (int b = 0x80; b <= 0xFF; ++b) {
      const std::u32string u = platform::toUtf32(platform::fromCodePage(std::string(1, char(b)), "windows-1252"));
      if (u.size() == 1 && u[0] != 0xFFFD && u[0] != 0x1A) m.emplace(u[0], uint8_t(b));
    }
    return m;
  }();
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return utf8;
  std::string out;
  out.reserve(utf8.size());
  for (char32_t c : platform::toUtf32(utf8)) {
    if (c < 0x80) {
      out += char(c);
    } else if (auto it = upper.find(c); it != upper.end()) {
      out += char(it->second);
    } else {
      out += '?';
    }
  }
  return out;
}

namespace dra {
std::u16string toUtf16(const std::string& utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    for (char c : utf8) out += char16_t(c);
    return out;
  }
  for (char32_t c : platform::toUtf32(utf8)) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c > 0x10FFFF ? 0xFFFD : c);
    }
  }
  return out;
}
}  // namespace dra
