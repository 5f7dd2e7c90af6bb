// r_controlSet: what every control of the set asks of the services object, with the values a
// control falls back to while `os` does not exist yet (pixels unscaled, 8 points, DejaVu Sans).
#pragma once
#include <string>

#include "core/r_Font.h"
#include "core/r_base.h"

namespace controlset {
inline int gp(int n) { return os ? os->gp(n) : n; }
inline int fontSize() { return os ? os->fontsize() : 8; }
inline int fontSizeOf(double n) { return os ? os->fontsize(n) : static_cast<int>(n); }
inline std::string programFace() { return os && !os->fontname().empty() ? os->fontname() : std::string("DejaVu Sans"); }
inline std::string word(const char* group, const char* term) { return os ? os->wd(group, term) : std::string(term); }
// A symbol face (Wingdings, Webdings) as the font manager names it; the platform's own symbol
// mapping otherwise (the manager's fallback to a text face would draw letters, not symbols).
inline std::string symbolFace(const std::string& name = "Wingdings") {
  if (!fontman) return name;
  std::string f = fontman->getFontName(name);
  return f.compare(0, name.size(), name) == 0 ? f : name;
}
}  // namespace controlset
