// Text routines of the services object: see os_text.h.
// The tokenizer follows the system's comma-field rules: a field may be quoted, and a name="value"
// pair keeps separators inside its quoted value.
#include "core/os_text.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>

#include "platform/text.h"

namespace {
bool isBlank(char c) { return static_cast<unsigned char>(c) < 33; }

void removeQuotes(std::string& r) {
  std::string out;
  out.reserve(r.size());
  for (char c : r)
    if (c != '"') out += c;
  r = std::move(out);
}

constexpr char kHex[] = "0123456789ABCDEF";

std::string hexOf(uint32_t v, int minDigits) {
  std::string out;
  while (v > 0 || static_cast<int>(out.size()) < minDigits) {
    out.insert(out.begin(), kHex[v & 0xF]);
    v >>= 4;
  }
  return out;
}

// A character reference's number: decimal digits, or hex after "x" / "X". 0 when not a number.
uint32_t referenceCode(std::string_view digits) {
  int base = 10;
  if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
    base = 16;
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > 8) return 0;
  uint32_t v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return 0;
    v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
  }
  return v;
}

void replaceAll(std::string& s, std::string_view from, std::string_view to) {
  size_t p = 0;
  while ((p = s.find(from, p)) != std::string::npos) {
    s.replace(p, from.size(), to);
    p += to.size();
  }
}

// Replaces the first complete numeric reference in s. Texts stored by older versions hold
// characters beyond the 16-bit range as two surrogate references: those pairs are joined.
bool decodeFirstReference(std::string& s) {
  size_t pos = s.find("&#");
  while (pos != std::string::npos) {
    size_t semi = s.find(';', pos + 2);
    if (semi == std::string::npos) return false;  // never read past the text
    uint32_t code = referenceCode(std::string_view(s).substr(pos + 2, semi - pos - 2));
    size_t end = semi + 1;
    if (code >= 0xD800 && code <= 0xDBFF && s.compare(end, 2, "&#") == 0) {
      size_t semi2 = s.find(';', end + 2);
      uint32_t low = semi2 == std::string::npos
                         ? 0
                         : referenceCode(std::string_view(s).substr(end + 2, semi2 - end - 2));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        end = semi2 + 1;
      }
    }
    if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;  // a lone surrogate
    if (code > 0 && code <= 0x10FFFF) {
      s.replace(pos, end - pos, platform::fromCodePoint(static_cast<char32_t>(code)));
      return true;
    }
    pos = s.find("&#", pos + 2);  // not a number: left as text
  }
  return false;
}

bool inList(const TStringList& list, const std::string& name, bool byName) {
  return byName ? list.indexOfName(name) >= 0 : list.indexOf(name) >= 0;
}

std::string extensionOf(const std::string& name) {
  auto slash = name.find_last_of('/');
  auto dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return name.substr(dot + 1);
}

struct ToolName {
  int32_t code;
  const char* name;
};
constexpr ToolName kToolNames[] = {
    {tool_pan, "pan"},         {tool_zoom, "zoom"},         {tool_data, "data"},
    {tool_rect, "rectangle"},  {tool_polygon, "polygon"},   {tool_line, "line"},
    {tool_point, "point"},     {tool_circle, "circle"},     {tool_ellipse, "ellipse"},
    {tool_text, "text"},       {tool_edit, "edit"},         {tool_rotate, "rotate"},
    {tool_tape, "tape"},       {tool_cutter, "cutter"},     {tool_paintbrush, "paintbrush"},
    {tool_select, "select"},   {tool_reparent, "reparent"}, {tool_image, "image"},
    {tool_Vline, "vertical line"},   {tool_Hline, "horizontal line"},
    {tool_ref1, "reference point"},  {tool_edit_hit, "edit hit"},
    {tool_edit_drag, "edit drag"},   {tool_cutter_no, "no cutter"},
    {tool_snap, "snap"},       {tool_join, "join"},         {tool_cutter_hit, "hit cutter"},
    {tool_paintadd, "add"},    {tool_painterase, "erase"},  {tool_paintmodify, "modify"},
    {tool_paintplot, "plot"},  {tool_flood, "flood-fill"}};
}  // namespace

// ---------------------------------------------------------------------------------------------
// Tokenizers

std::string TosText::GetnextEx(std::string& s, char ch, bool unquote) {
  if (s.empty()) return "";
  if (s.front() == ' ' || s.back() == ' ') s = Trim(s);
  size_t i = s.find(ch);
  std::string r;
  if (i == std::string::npos) {
    r = Trim(s);
    s.clear();
  } else {
    if (i > 0) {
      r = s.substr(0, i);
      size_t pair = r.find("=\"");
      if (pair != std::string::npos) {
        // name="value": the value runs to the quote that closes the one after "=".
        size_t j = s.find('"', pair + 2);
        if (j != std::string::npos) {
          r = s.substr(0, j + 1);
          i = j + 1;
        }
      } else if (r.front() == '"' && (r.size() == 1 || r.back() != '"')) {
        // A quoted field cut at a separator inside its quotes: take up to the closing quote.
        while (i < s.size() && s[i] != '"') r += s[i++];
        r += '"';
        ++i;
      }
      r = Trim(r);
    }
    s = i + 1 < s.size() ? Trim(std::string_view(s).substr(i + 1)) : std::string();
  }
  if (unquote) removeQuotes(r);
  return r;
}

std::string TosText::getLast(std::string& s, char ch) {
  auto p = s.rfind(ch);
  if (p == std::string::npos) {
    std::string r = std::move(s);
    s.clear();
    return r;
  }
  std::string r = s.substr(p + 1);
  s.resize(p);
  return r;
}

// ---------------------------------------------------------------------------------------------
// Text

std::string TosText::Trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && isBlank(s[a])) ++a;
  while (b > a && isBlank(s[b - 1])) --b;
  return std::string(s.substr(a, b - a));
}

std::string TosText::strip(std::string_view s, std::string_view exclude) {
  std::u32string ex = platform::toUtf32(exclude);
  std::u32string out;
  for (char32_t c : platform::toUtf32(s))
    if (c > 255 || ex.find(c) == std::u32string::npos) out += c;
  return platform::fromUtf32(out);
}

bool TosText::StrEqual(std::string_view a, std::string_view b) { return platform::sameNoCase(a, b); }

std::string TosText::StrPas(const char16_t* str) {
  std::u32string out;
  if (!str) return "";
  for (const char16_t* p = str; *p; ++p) {
    char32_t c = *p;
    if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(p[1]) - 0xDC00);
      ++p;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    out += c;
  }
  return platform::fromUtf32(out);
}

bool TosText::IsWideString(std::string_view s) {
  for (char32_t c : platform::toUtf32(s))
    if (c > 255) return true;
  return false;
}

std::string TosText::encodeToHTML(std::string_view s) {
  std::string out;
  for (char32_t c : platform::toUtf32(s)) {
    if (c > 255) out += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
    else out += platform::fromCodePoint(c);
  }
  return out;
}

std::string TosText::decodeFromHTML(std::string s) {
  // Each pass decodes one numeric reference and then the named ones; an escaped "&#" that a
  // pass uncovers is decoded by the next pass. Each continuing pass shortens the text.
  for (;;) {
    bool found = decodeFirstReference(s);
    replaceAll(s, "&amp;", "&");
    replaceAll(s, "&quot;", "\"");
    replaceAll(s, "&apos;", "'");
    replaceAll(s, "&lt;", "<");
    replaceAll(s, "&gt;", ">");
    if (!found) return s;
  }
}

std::string TosText::Bartext(std::string_view s) {
  std::string out;
  if (s.find("\r\n") != std::string_view::npos) {
    out = s;
    replaceAll(out, "\r\n", "|");
  } else if (s.find('\n') == std::string_view::npos) {
    for (char c : s) out += c == '\r' ? '|' : c;
  } else {
    for (char c : s)
      if (c != '\r') out += c == '\n' ? '|' : c;
  }
  return out;
}

std::string TosText::deBarText(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '|') out += "\r\n";
    else out += c;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Hex forms

std::string TosText::hexFromStr(std::string_view s) {
  std::string out;
  for (char32_t c : platform::toUtf32(s)) out += hexOf(static_cast<uint32_t>(c), 2);
  return out;
}

std::string TosText::hexToStr(std::string_view hex) {
  // A pair that is not a hex number reads as 0, as the integer reader answers.
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::u32string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    out += static_cast<char32_t>(hi < 0 || lo < 0 ? 0 : hi * 16 + lo);
  }
  return platform::fromUtf32(out);
}

std::string TosText::hexFromMem(const std::vector<uint8_t>& mem) {
  std::string out;
  out.reserve(mem.size() * 2);
  for (uint8_t b : mem) out += hexOf(b, 2);
  return out;
}

void TosText::memFromHex(std::vector<uint8_t>& mem, std::string_view s, int offset) {
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
  };
  if (offset < 0) offset = 0;
  size_t start = static_cast<size_t>(offset);
  size_t n = start < s.size() ? (s.size() - start) / 2 : 0;
  mem.assign(n, 0);
  for (size_t k = 0; k < n; ++k)
    mem[k] = static_cast<uint8_t>(16 * value(s[start + 2 * k]) + value(s[start + 2 * k + 1]));
}

// ---------------------------------------------------------------------------------------------
// Lists with ids

int TosText::addListID(TStringList& list, const std::string& item, int32_t id) {
  return list.add(item, reinterpret_cast<void*>(static_cast<intptr_t>(id)));
}

int32_t TosText::ListID(const TStringList& list, int index) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(list.object(index)));
}

int TosText::ListIndexOfID(const TStringList& list, int32_t id) {
  for (int i = 0; i < list.count(); ++i)
    if (ListID(list, i) == id) return i;
  return -1;
}

void TosText::AmendListID(TStringList& list, int index, int32_t id) {
  list.setObject(index, reinterpret_cast<void*>(static_cast<intptr_t>(id)));
}

// ---------------------------------------------------------------------------------------------
// Unique names

std::string TosText::UniqueName(const TStringList& list, const std::string& rawname, int option) {
  if (list.empty()) return rawname;
  const bool byName = list[0].find('=') != std::string::npos;
  if (!inList(list, rawname, byName)) return rawname;
  for (int n = 1;; ++n) {
    std::string num = std::to_string(n);
    std::string name = option == 1 ? rawname + "_" + num
                     : option == 2 ? rawname + num
                                   : rawname + " (" + num + ")";
    if (!inList(list, name, byName)) return name;
  }
}

std::string TosText::UniqueName(const std::string& dir, const std::string& rawname) {
  const std::string ext = extensionOf(rawname);
  const bool hasExt = rawname.find('.') != std::string::npos && !ext.empty();
  const std::string base = hasExt ? rawname.substr(0, rawname.size() - ext.size() - 1) : rawname;
  TStringList names;
  const std::string folder = dir.empty() ? std::string("./") : dir.back() == '/' ? dir : dir + "/";
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string file = e->d_name;
      struct stat st {};
      if (stat((folder + file).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      std::string fext = extensionOf(file);
      if (hasExt ? !platform::sameNoCase(fext, ext) : !fext.empty()) continue;
      names.add(hasExt ? file.substr(0, file.size() - fext.size() - 1) : file);
    }
    closedir(d);
  }
  std::string name = UniqueName(names, base);
  return hasExt ? name + "." + platform::lowerCase(ext) : name;
}

// ---------------------------------------------------------------------------------------------
// Tool names

std::string TosText::toolname(int32_t id) {
  for (const auto& t : kToolNames)
    if (t.code == id) return t.name;
  return "none";
}

int32_t TosText::toolcode(const std::string& name) {
  if (name == "data" || name == "data query") return tool_select;
  if (name == "reference point") return tool_none;
  for (const auto& t : kToolNames)
    if (name == t.name) return t.code;
  return tool_none;
}
