// The translation hook (os_lingua.h).
#include "core/os_lingua.h"

#include <cstdlib>

#include "core/r_fileBase.h"
#include "platform/text.h"

namespace {
std::string replaceAll(std::string s, char from, char to) {
  for (char& c : s)
    if (c == from) c = to;
  return s;
}
}  // namespace

TosLingua::~TosLingua() = default;

std::string TosLingua::wd(std::string const& group, std::string const& term) {
  std::string r = term;
  const std::string t = replaceAll(term, '"', '~');
  if (onLingua) {
    linguaGroup = group;
    linguaTerm = t;
    onLingua(this);
    return replaceAll(linguaTerm, '~', '"');
  }
  if (flingua) {
    const std::string key = group.empty() ? t : group + "." + t;
    const int i = flingua->indexOfName(key);
    if (i >= 0) {
      r = TStringList::valueOf((*flingua)[i]);
      if (r.size() >= 2 && r.front() == '"' && r.back() == '"') r = r.substr(1, r.size() - 2);
    } else {
      flingua->add(key + "=\"" + t + "\"");  // the file lists every word still to translate
    }
    r = replaceAll(r, '~', '"');
  }
  return r;
}

void TosLingua::setLanguage(std::string const& filename) {
  flingua = std::make_unique<TStringList>();
  if (r_fileBase::FileExists(filename)) flingua->loadFromFile(filename);
  flinguafile = filename;
}

bool TosLingua::saveLanguage() {
  if (!flingua || flinguafile.empty()) return true;
  flingua->sort();
  return flingua->saveToFile(flinguafile);
}

bool TosLingua::isUK() {
  // The user's locale names the country: en_GB (or any language) with the territory GB.
  for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* s = std::getenv(v);
    if (!s || !*s) continue;
    std::string loc = s;
    const auto dot = loc.find_first_of(".@");
    if (dot != std::string::npos) loc = loc.substr(0, dot);
    const auto us = loc.find('_');
    return us != std::string::npos && loc.substr(us + 1) == "GB";
  }
  return false;
}
