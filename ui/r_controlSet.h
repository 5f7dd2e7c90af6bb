// r_controlSet: what every control of the set asks of the services object, with the values a
// control falls back to while `os` does not exist yet (pixels unscaled, 8 points, DejaVu Sans).
#pragma once
#include <algorithm>
#include <string>

#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/messages.h"

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
// The line a list's navigation key moves to from line at (-1 for none) among count lines, with
// page lines to a page; -2 for a key that does not navigate.
inline int navigatedIndex(int key, int at, int count, int page) {
  if (count <= 0) return -2;
  switch (key) {
    case platform::VK_UP: return at < 0 ? 0 : std::max(at - 1, 0);
    case platform::VK_DOWN: return at < 0 ? 0 : std::min(at + 1, count - 1);
    case platform::VK_PRIOR: return std::max(at - page, 0);
    case platform::VK_NEXT: return std::min(std::max(at, 0) + page, count - 1);
    case platform::VK_HOME: return 0;
    case platform::VK_END: return count - 1;
    default: return -2;
  }
}
}  // namespace controlset
