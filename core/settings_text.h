// Small text and number forms the settings files share: trimming, key case, file-form numbers.
// FIXME: these become the services object's Trim, IndexOfKey, DoubleToStrUK, StrToDoubleUK and
// StrToInt once the text and number services are merged.
#pragma once
#include <charconv>
#include <string>
#include <string_view>

namespace settings_text {
// Without leading and trailing characters below 33.
inline std::string trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) < 33) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) < 33) --e;
  return std::string(s.substr(b, e - b));
}

inline std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Fixed-point text with a full stop, whatever the locale.
inline std::string fixedUK(double v, int decimals) {
  char buf[512];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals < 0 ? 0 : decimals);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

// The whole text must be a number with a full stop (leading blanks and a "+" allowed).
inline bool parseDouble(std::string_view s, double& d) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  auto r = std::from_chars(s.data(), s.data() + s.size(), d);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// A whole decimal number, blanks around it allowed.
template <typename T>
bool parseWhole(std::string_view s, T& v) {
  std::string t = trim(s);
  std::string_view u = t;
  if (!u.empty() && u.front() == '+') u.remove_prefix(1);
  if (u.empty()) return false;
  auto r = std::from_chars(u.data(), u.data() + u.size(), v);
  return r.ec == std::errc() && r.ptr == u.data() + u.size();
}

inline std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size()) s.replace(p, from.size(), to);
  return s;
}

inline int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}
}  // namespace settings_text
