// TxmlLite: XML tokens read byte by byte in blocks of up to 1,000,000 bytes. A token is a tag
// from "<" to its ">" (quotes respected; comments to "-->", CDATA to "]]>") or content up to the
// next "<". Tabs and line breaks read as one blank each, blanks lead no token, tokens are trimmed.
#include "storage/r_xmlLite.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "core/r_log.h"

namespace {
constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool endsWith(std::string_view s, std::string_view p) { return s.size() >= p.size() && s.substr(s.size() - p.size()) == p; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && isBlank(s[a])) ++a;
  while (b > a && isBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// What reading inside a token is: nothing yet, content, a tag, a "<!" section.
enum class Mode : uint8_t { Empty, Content, Tag, Bang };

// Bytes that need a look in each mode; every other byte is appended as it is.
struct SpecialBytes {
  std::array<bool, 256> content{}, tag{}, bang{};
  SpecialBytes() {
    for (unsigned char c : {'<', '\t', '\r', '\n'}) content[c] = tag[c] = bang[c] = true;
    for (unsigned char c : {'>', '"', '\''}) tag[c] = true;
    bang['>'] = true;
    bang['<'] = false;  // inside a comment or CDATA a "<" is text
  }
};
const SpecialBytes kSpecial;

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// The code point of "&#...;" without "&#" and ";"; 0 when it is none.
uint32_t characterReference(std::string_view ref) {
  if (ref.empty() || ref.size() > 8) return 0;
  const bool hex = ref[0] == 'x' || ref[0] == 'X';
  if (hex) ref.remove_prefix(1);
  if (ref.empty()) return 0;
  uint32_t v = 0;
  for (char c : ref) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return 0;
    v = v * (hex ? 16 : 10) + uint32_t(d);
  }
  const bool surrogate = v >= 0xD800 && v <= 0xDFFF;
  return v > 0x10FFFF || surrogate ? 0 : v;
}
}  // namespace

std::string xmlDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const size_t amp = s.find('&', i);
    if (amp == std::string_view::npos) break;
    out.append(s.substr(i, amp - i));
    const size_t semi = s.find(';', amp);
    const std::string_view ref = semi == std::string_view::npos ? std::string_view() : s.substr(amp + 1, semi - amp - 1);
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    bool done = false;
    for (const auto& [name, c] : kNamed)
      if (ref == name) {
        out += c;
        done = true;
      }
    if (!done && ref.size() > 1 && ref[0] == '#')
      if (uint32_t cp = characterReference(ref.substr(1))) {
        appendUtf8(out, cp);
        done = true;
      }
    if (done) {
      i = semi + 1;
    } else {
      out += '&';
      i = amp + 1;
    }
  }
  out.append(s.substr(i));
  return out;
}

TxmlLite::TxmlLite() = default;

TxmlLite::~TxmlLite() { close(); }

void TxmlLite::close() {
  if (mem) std::fclose(mem);
  mem = nullptr;
  cnt = size = 0;
  filePos = fileSize = 0;
}

bool TxmlLite::setname(const std::string& filename) {
  TprocScope proc(*this, "setname");
  close();
  fname = filename;
  seterr("a");  // a: open the file
  mem = std::fopen(filename.c_str(), "rb");
  if (!mem) {
    log("** cannot open " + filename);
    return false;
  }
  if (std::fseek(mem, 0, SEEK_END) == 0) fileSize = std::ftell(mem);
  std::fseek(mem, 0, SEEK_SET);
  // Blocks of bufsize bytes; a smaller file needs no more than its own size.
  const size_t want = fileSize >= 0 && uint64_t(fileSize) < bufsize ? std::max<size_t>(1, size_t(fileSize)) : bufsize;
  if (buf.size() < want) buf.resize(want);
  returnToStart();
  return true;
}

void TxmlLite::returnToStart() {
  depth = 0;
  lastchar = 0;
  lastType = fxmlType = xml_none;
  started = false;
  if (!mem) return;
  std::fseek(mem, 0, SEEK_SET);
  filePos = 0;
  getbuf();
}

void TxmlLite::getbuf() {
  if (onPercent && fileSize > 0) setpercent(int(std::lround(double(filePos) / double(fileSize) * 100.0)));
  size = mem ? std::fread(buf.data(), 1, buf.size(), mem) : 0;
  filePos += int64_t(size);
  cnt = 0;
}

// Only called when the "<" just taken was the buffer's last byte or before: the buffer holds
// nothing unread then, so it may be refilled.
bool TxmlLite::peekIsBang() {
  if (cnt >= size) getbuf();
  return cnt < size && buf[cnt] == '!';
}

bool TxmlLite::readNext(std::string& s) {
  s.clear();
  if (attRead) att.clear();
  attRead = false;
  fcdata = false;
  Mode mode = Mode::Empty;
  bool got = false;      // a byte was taken
  bool done = false;     // the token is complete
  bool afterCR = false;  // the byte before was a carriage return
  char quote = 0;        // the open quote inside a tag
  if (lastchar) {
    s += lastchar;
    lastchar = 0;
    mode = Mode::Tag;
  }
  while (!done) {
    if (cnt >= size) {
      getbuf();
      if (size == 0) break;
    }
    got = true;
    const char* p = buf.data() + cnt;
    const char* e = buf.data() + size;
    while (p < e && !done) {
      // The run of ordinary bytes goes in at once.
      const std::array<bool, 256>& special =
          mode == Mode::Tag ? kSpecial.tag : mode == Mode::Bang ? kSpecial.bang : kSpecial.content;
      if (mode != Mode::Empty) {
        const char* run = p;
        while (p < e && !special[uint8_t(*p)]) ++p;
        if (p > run) {
          s.append(run, size_t(p - run));
          afterCR = false;
          if (mode == Mode::Tag && s.size() >= 2 && s[1] == '!') mode = Mode::Bang;
          continue;
        }
      }
      const char ch = *p++;
      if (isBlank(ch)) {
        const bool lf = ch == '\n' && afterCR;
        afterCR = ch == '\r';
        if (mode == Mode::Empty || lf) continue;
        s += ' ';
        continue;
      }
      afterCR = false;
      switch (mode) {
        case Mode::Empty:
          if (ch == '<') {
            if (started && lastType != xml_End) {
              // A tag straight after a tag: an empty token between them, as callers expect.
              cnt = size_t(p - buf.data());
              const bool bang = peekIsBang();
              p = buf.data() + cnt;
              e = buf.data() + size;
              if (!bang) {
                lastchar = '<';
                done = true;
                break;
              }
            }
            mode = Mode::Tag;
          } else {
            mode = Mode::Content;
          }
          s += ch;
          break;
        case Mode::Content:
          if (ch == '<') {
            lastchar = '<';
            done = true;
          } else {
            s += ch;  // a ">" is text here
          }
          break;
        case Mode::Tag:
          if (quote) {
            s += ch;
            if (ch == quote) quote = 0;
          } else if (ch == '"' || ch == '\'') {
            s += ch;
            quote = ch;
          } else if (ch == '<') {
            lastchar = '<';  // a tag left open: the "<" begins the next one
            done = true;
          } else {
            s += ch;
            done = ch == '>';
          }
          break;
        case Mode::Bang:
          s += ch;
          if (ch == '>') {
            if (startsWith(s, "<![CDATA[")) done = endsWith(s, kCdataClose);
            else if (startsWith(s, "<!--")) done = s.size() >= 7 && endsWith(s, "-->");
            else done = true;
          }
          break;
      }
    }
    cnt = size_t(p - buf.data());
  }

  if (!got) {  // the end of the file (a "<" held back there begins nothing)
    s.clear();
    last.clear();
    ftag.clear();
    fxmlType = lastType = xml_none;
    if (onPercent) setpercent(100);
    return false;
  }
  started = true;
  last.assign(s);
  int kind = xml_none;
  std::string_view t = trimmed(s);
  ftag.clear();
  if (!t.empty() && t[0] == '<') {
    // The text inside the tag's "<" and ">".
    std::string_view inner = t.substr(1);
    if (!inner.empty() && inner.back() == '>') inner.remove_suffix(1);
    if (startsWith(t, kCdataOpen)) {
      kind = xml_Content;
      fcdata = true;
      t.remove_prefix(kCdataOpen.size());
      if (endsWith(t, kCdataClose)) t.remove_suffix(kCdataClose.size());
    } else if (startsWith(t, "</")) {
      kind = xml_End;
      if (depth > 0) --depth;
      ftag.assign(trimmed(inner.substr(1)));
    } else {
      std::string_view body = trimmed(inner);
      const bool complete = !startsWith(t, "<!") && !body.empty() && body.back() == '/';
      if (complete) body.remove_suffix(1);
      kind = complete ? xml_complete : xml_Start;
      fcdata = startsWith(t, "<!");
      const size_t blank = body.find_first_of(" \t\r\n");
      ftag.assign(trimmed(body.substr(0, blank)));
      if (!complete) {
        if (depth == levels.size()) levels.emplace_back();
        levels[depth++].assign(inner);
      }
    }
  } else if (!t.empty()) {
    kind = xml_Content;
  }
  // t lies inside s: cut s down to it.
  const size_t from = size_t(t.data() - s.data()), length = t.size();
  s.erase(from + length);
  s.erase(0, from);
  fxmlType = lastType = kind;
  return true;
}

bool TxmlLite::readInteger(int32_t& i) {
  std::string s;
  return readNext(s) && fxmlType == xml_Content && !s.empty() && TosNumberText::StrToInt(s, i);
}

bool TxmlLite::readDouble(double& d) {
  std::string s;
  return readNext(s) && fxmlType == xml_Content && !s.empty() && os && os->StrToDoubleUK(s, d);
}

void TxmlLite::saveToList(TStringList& list) {
  list.clear();
  std::string s;
  while (readNext(s)) list.add(s);
}

std::string TxmlLite::name() const {
  if (fxmlType != xml_Start && fxmlType != xml_complete && fxmlType != xml_End) return {};
  const size_t from = fxmlType == xml_End ? 2 : 1;
  if (last.size() <= from) return {};
  const size_t blank = last.find(' ', from);
  if (blank != std::string::npos) return last.substr(from, blank - from);
  return last.substr(from, last.size() - 1 - from);
}

TStringList& TxmlLite::attributes() {
  if (attRead) return att;
  attRead = true;
  att.clear();
  if (fxmlType != xml_Start && fxmlType != xml_complete) return att;
  std::string_view body = trimmed(last);
  if (!body.empty() && body.front() == '<') body.remove_prefix(1);
  if (!body.empty() && body.back() == '>') body.remove_suffix(1);
  if (!body.empty() && (body.back() == '/' || body.back() == '?')) body.remove_suffix(1);
  size_t i = body.find_first_of(" \t\r\n");  // past the tag name
  const size_t n = body.size();
  while (i < n) {
    while (i < n && isBlank(body[i])) ++i;
    const size_t nameStart = i;
    while (i < n && !isBlank(body[i]) && body[i] != '=') ++i;
    std::string_view attName = body.substr(nameStart, i - nameStart);
    while (i < n && isBlank(body[i])) ++i;
    std::string_view value;
    if (i < n && body[i] == '=') {
      ++i;
      while (i < n && isBlank(body[i])) ++i;
      if (i < n && (body[i] == '"' || body[i] == '\'')) {
        const char q = body[i++];
        const size_t close = body.find(q, i);
        const size_t end = close == std::string_view::npos ? n : close;
        value = body.substr(i, end - i);
        i = end + (close == std::string_view::npos ? 0 : 1);
      } else {
        const size_t start = i;
        while (i < n && !isBlank(body[i])) ++i;
        value = body.substr(start, i - start);
      }
    }
    if (!attName.empty()) att.add(std::string(attName) + "=" + std::string(value));
  }
  return att;
}

std::string TxmlLite::attribute(const std::string& attName) {
  TStringList& list = attributes();
  const int i = list.indexOfName(attName);
  return i < 0 ? std::string() : TStringList::valueOf(list[i]);
}

double TxmlLite::attributeD(const std::string& attName) {
  double d = 0;
  if (!os || !os->StrToDoubleUK(attribute(attName), d)) return 0;
  return d;
}

std::string TxmlLite::dotLevel(int top) const {
  std::string out;
  for (int i = top < 0 ? 0 : top; i < currentLevel(); ++i) out += (out.empty() ? "" : ".") + levels[size_t(i)];
  return out;
}
