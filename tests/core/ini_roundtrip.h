// What both settings readers promise for any bytes: the text saved is UTF-8, and reading it back
// gives the same sections and lines, which save to the same text again. Shared by the property
// test and the settings fuzz harness.
#pragma once
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/TQYini.h"
#include "core/r_LiteIni.h"
#include "platform/text.h"

namespace iniproperty {

inline void putBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string getBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

using Contents = std::vector<std::pair<std::string, std::vector<std::string>>>;

// Sections with lines, in order (sections without lines are never saved).
template <class Ini>
Contents contents(const Ini& ini) {
  Contents out;
  for (int i = 0; i < ini.sections().count(); ++i)
    if (const TStringList* l = ini.getSection(i); l && l->count() > 0) out.emplace_back(ini.sections()[i], l->lines());
  return out;
}

// "" when the promise holds for these bytes, else what broke it. Uses the files a.ini and b.ini
// in folder (ending in "/").
inline std::string roundTripFault(const std::string& bytes, const std::string& folder) {
  const std::string a = folder + "a.ini", b = folder + "b.ini";
  putBytes(a, bytes);
  {
    TQYini first(a, TQYini::ReadOnly::Yes);
    const std::string saved = first.asText();
    if (!platform::isValidUtf8(saved)) return "TQYini saved text that is not UTF-8";
    putBytes(b, saved);
    TQYini second(b, TQYini::ReadOnly::Yes);
    if (contents(second) != contents(first)) return "TQYini read its own save differently";
    if (second.asText() != saved) return "TQYini saved its own save differently";
  }
  {
    TiniLite first(a);
    if (!first.saveToFile(b)) return "TiniLite could not save";
    const std::string saved = getBytes(b);
    if (!platform::isValidUtf8(saved)) return "TiniLite saved text that is not UTF-8";
    TiniLite second(b);
    if (contents(second) != contents(first)) return "TiniLite read its own save differently";
    if (!second.saveToFile(a) || getBytes(a) != saved) return "TiniLite saved its own save differently";
  }
  return {};
}

}  // namespace iniproperty
