// Reading SQL texts of the schema with a small tokenizer after the engine's own rules: '' are
// strings; "", `` and [] are names (a doubled quote inside stands for one); -- and /* */ are
// comments.
#include "storage/r_sqlite_sqltext.h"

#include <cctype>

#include "platform/text.h"

namespace sqltext {
namespace {
enum class Kind { Word, Name, String, Punct };
struct Token {
  Kind kind;
  size_t begin, end;  // in the text without comments
  std::string value;  // a word as written, a name or string unquoted
};

bool wordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || (c & 0x80); }

// The text with each comment replaced by one blank, quotes respected.
std::string withoutComments(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      size_t j = i + 1;
      while (j < s.size()) {
        if (s[j] == close) {
          if (close != ']' && j + 1 < s.size() && s[j + 1] == close) { j += 2; continue; }
          ++j;
          break;
        }
        ++j;
      }
      out.append(s, i, j - i);
      i = j;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') ++i;
      out += ' ';
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      size_t j = s.find("*/", i + 2);
      i = j == std::string::npos ? s.size() : j + 2;
      out += ' ';
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

// Tokens of a comment-free text; an unclosed quote runs to the end.
std::vector<Token> tokens(const std::string& s) {
  std::vector<Token> out;
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c))) { ++i; continue; }
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      std::string value;
      size_t j = i + 1;
      for (; j < s.size(); ++j) {
        if (s[j] == close) {
          if (close != ']' && j + 1 < s.size() && s[j + 1] == close) { value += close; ++j; continue; }
          ++j;
          break;
        }
        value += s[j];
      }
      out.push_back({c == '\'' ? Kind::String : Kind::Name, i, j, value});
      i = j;
    } else if (wordChar(c)) {
      size_t j = i;
      while (j < s.size() && wordChar(s[j])) ++j;
      out.push_back({Kind::Word, i, j, s.substr(i, j - i)});
      i = j;
    } else {
      out.push_back({Kind::Punct, i, i + 1, std::string(1, c)});
      ++i;
    }
  }
  return out;
}

bool isWord(const Token& t, const char* word) { return t.kind == Kind::Word && platform::sameNoCase(t.value, word); }

std::string trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}
}  // namespace

bool splitCreate(const std::string& sql, TcreateText& out) {
  out = {};
  const std::string s = withoutComments(sql);
  const std::vector<Token> t = tokens(s);
  // CREATE [TEMP|TEMPORARY] TABLE [IF NOT EXISTS] [schema .] name (
  size_t i = 0;
  if (i >= t.size() || !isWord(t[i++], "CREATE")) return false;
  if (i < t.size() && (isWord(t[i], "TEMP") || isWord(t[i], "TEMPORARY"))) ++i;
  if (i >= t.size() || !isWord(t[i++], "TABLE")) return false;
  if (i + 2 < t.size() && isWord(t[i], "IF") && isWord(t[i + 1], "NOT") && isWord(t[i + 2], "EXISTS")) i += 3;
  if (i >= t.size() || t[i].kind == Kind::Punct) return false;
  ++i;
  if (i + 1 < t.size() && t[i].value == "." && t[i].kind == Kind::Punct) i += 2;
  if (i >= t.size() || t[i].kind != Kind::Punct || t[i].value != "(") return false;
  const size_t open = t[i].begin;
  int depth = 0;
  size_t pieceStart = open + 1;
  for (; i < t.size(); ++i) {
    if (t[i].kind != Kind::Punct) continue;
    if (t[i].value == "(") {
      ++depth;
    } else if (t[i].value == ")") {
      if (--depth == 0) break;
    } else if (t[i].value == "," && depth == 1) {
      out.definitions.push_back(trimmed(s.substr(pieceStart, t[i].begin - pieceStart)));
      pieceStart = t[i].end;
    }
  }
  if (i >= t.size()) return false;  // no closing parenthesis
  out.definitions.push_back(trimmed(s.substr(pieceStart, t[i].begin - pieceStart)));
  out.head = trimmed(s.substr(0, open));
  out.tail = trimmed(s.substr(t[i].end));
  for (const auto& d : out.definitions)
    if (d.empty()) return false;
  return true;
}

std::string definitionName(const std::string& definition) {
  const std::vector<Token> t = tokens(withoutComments(definition));
  if (t.empty() || t[0].kind == Kind::Punct) return "";
  if (t[0].kind == Kind::Word) {
    for (const char* w : {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"})
      if (isWord(t[0], w)) return "";
  }
  return t[0].value;
}

std::vector<std::string> names(const std::string& sql) {
  std::vector<std::string> out;
  const std::vector<Token> t = tokens(withoutComments(sql));
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != Kind::Word && t[i].kind != Kind::Name) continue;
    // The KEY of PRIMARY KEY and FOREIGN KEY is a keyword, not a column named key.
    if (i > 0 && isWord(t[i], "KEY") && (isWord(t[i - 1], "PRIMARY") || isWord(t[i - 1], "FOREIGN"))) continue;
    out.push_back(t[i].value);
  }
  return out;
}

bool usesAny(const std::string& sql, const std::vector<std::string>& candidates) {
  for (const std::string& n : names(sql))
    for (const std::string& c : candidates)
      if (platform::sameNoCase(n, c)) return true;
  return false;
}

std::vector<std::string> namesBeyondHead(const std::string& sql) {
  const std::vector<Token> t = tokens(withoutComments(sql));
  // CREATE [TEMP|TEMPORARY] [UNIQUE] INDEX|TRIGGER [IF NOT EXISTS] [schema .] name
  size_t i = 0;
  while (i < t.size() && t[i].kind == Kind::Word &&
         (isWord(t[i], "CREATE") || isWord(t[i], "TEMP") || isWord(t[i], "TEMPORARY") || isWord(t[i], "UNIQUE") ||
          isWord(t[i], "INDEX") || isWord(t[i], "TRIGGER")))
    ++i;
  if (i + 2 < t.size() && isWord(t[i], "IF") && isWord(t[i + 1], "NOT") && isWord(t[i + 2], "EXISTS")) i += 3;
  auto skipQualifiedName = [&] {
    if (i < t.size()) ++i;
    if (i + 1 < t.size() && t[i].kind == Kind::Punct && t[i].value == ".") i += 2;
  };
  skipQualifiedName();
  std::vector<std::string> out;
  bool onSeen = false;
  int depth = 0;
  while (i < t.size()) {
    const Token& k = t[i];
    if (k.kind == Kind::Punct) {
      depth += k.value == "(" ? 1 : k.value == ")" ? -1 : 0;
      ++i;
      continue;
    }
    if (!onSeen && depth == 0 && isWord(k, "ON")) {
      onSeen = true;
      ++i;
      skipQualifiedName();
      continue;
    }
    if (k.kind == Kind::Word || k.kind == Kind::Name) out.push_back(k.value);
    ++i;
  }
  return out;
}

}  // namespace sqltext
