// Program fonts and tool cursors: see os_fonts.h. The font table lists the ten Open Sans faces
// and the Railway display face; without Railway.otf the font layer draws Railway with Cabin.
#include "core/os_fonts.h"

#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/text.h"

namespace {
constexpr TosFonts::TprogramFont kFonts[] = {
    {"Open Sans", "OpenSans-Regular.ttf"},
    {"Open Sans Bold", "OpenSans-Bold.ttf"},
    {"Open Sans Italic", "OpenSans-Italic.ttf"},
    {"Open Sans Bold Italic", "OpenSans-BoldItalic.ttf"},
    {"Open Sans Extrabold", "OpenSans-ExtraBold.ttf"},
    {"Open Sans Extrabold Italic", "OpenSans-ExtraBoldItalic.ttf"},
    {"Open Sans Light", "OpenSans-Light.ttf"},
    {"Open Sans Light Italic", "OpenSans-LightItalic.ttf"},
    {"Open Sans Semibold", "OpenSans-Semibold.ttf"},
    {"Open Sans Semibold Italic", "OpenSans-SemiboldItalic.ttf"},
    {"Railway", "Railway.otf"},
};

constexpr TosFonts::TtoolCursor kCursors[] = {
    {"TOOL_PAN", 1},       {"TOOL_TAPE", 15},          {"TOOL_TAPE", 28},          {"TOOL_SELECT", 3},
    {"TOOL_ZOOM", 2},      {"TOOL_EDIT", 12},          {"TOOL_EDIT_HIT", 52},      {"TOOL_EDIT_HIT_VERTEX", 58},
    {"TOOL_EDIT_DRAG", 53}, {"TOOL_SELECT", 21},       {"TOOL_REPARENT", 22},      {"TOOL_NONE", 0},
    {"TOOL_LINE", 7},      {"TOOL_POLYGON", 6},        {"TOOL_POINT", 8},          {"TOOL_CUTTER", 16},
    {"TOOL_CUTTER_NO", 54}, {"TOOL_CUTTER_HIT", 57},   {"TOOL_SNAP", 55},          {"TOOL_BRUSH", 18},
    {"TOOL_BRUSH", 61},    {"TOOL_MODIFY", 63},        {"TOOL_ERASER", 62},        {"TOOL_POLYGON", 64},
    {"TOOL_DROPPER", 19},  {"TOOL_JOIN", 56},          {"TOOL_RECT", 5},           {"TOOL_CIRCLE", 9},
    {"TOOL_ELLIPSE", 10},  {"TOOL_TEXT", 11},          {"TOOL_ROTATE", 14},        {"TOOL_IMAGE", 33},
    {"TOOL_VLINE", 47},    {"TOOL_HLINE", 48},         {"TOOL_RECT", 59},          {"TOOL_EDIT", 50},
    {"TOOL_EDIT", 65},
};
}  // namespace

std::span<TosFonts::TprogramFont const> TosFonts::programFonts() { return kFonts; }
std::span<TosFonts::TtoolCursor const> TosFonts::toolCursorTable() { return kCursors; }

bool TosFonts::loadFont(const std::string& name, const std::string& filename) {
  // A face installed under that name is not added twice; a stand-in drawing it does not count.
  if (platform::sameNoCase(platform::resolvedFamily(name), name)) return false;
  if (!platform::isFile(filename)) return false;
  return platform::addFontFile(filename);
}

int TosFonts::installProgramFonts(const std::string& sourceFolder) {
  int added = 0;
  for (auto const& f : kFonts)
    if (loadFont(f.name, sourceFolder + f.file)) ++added;
  return added;
}

void TosFonts::loadToolCursors(const std::string& resourceFolder) {
  toolCursors.clear();
  ftoolCursorImages.clear();
  for (auto const& c : kCursors) {
    std::string image = resourceFolder + "cursors/" + platform::lowerCase(c.resource) + ".png";
    platform::TcursorImage im;
    std::string error;
    const bool ok = platform::cursorFromPng(image, {toolCursorHot, toolCursorHot}, im, error);
    toolCursors[c.number] = ok ? image : std::string();
    if (ok) ftoolCursorImages[c.number] = std::move(im);
  }
}

platform::Cursor TosFonts::toolCursor(int32_t number) {
  auto it = ftoolCursorImages.find(number);
  if (it == ftoolCursorImages.end()) return platform::Cursor::Default;
  const platform::Cursor c = platform::customCursor(number);
  // The desktop may have been replaced since the last asking: each one makes its own.
  if (!platform::desktop().cursorDefined(c)) platform::desktop().defineCursor(c, it->second);
  return c;
}
