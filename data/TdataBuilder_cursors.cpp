// TdataBuilder: the tool cursor pictures. Each is a small cross on the hot spot (where the tool
// acts) and, below right of it, a badge that tells the tools apart, drawn from line strokes.
#include <cmath>
#include <filesystem>
#include <set>

#include "core/os_fonts.h"
#include "data/TdataBuilder.h"
#include "platform/imagecodec.h"
#include "platform/text.h"

namespace kdata {
namespace {
constexpr int kSize = TosFonts::toolCursorSize;
constexpr int kHot = TosFonts::toolCursorHot;
constexpr int kBadge = 14;  // the badge's box starts here and runs to kSize - 2

struct Tstroke {
  int x0, y0, x1, y1;  // badge pixels 0..15; a circle when x1 < 0 (centre x0, y0, radius -x1)
};
struct Tbadge {
  const char* resource;
  std::vector<Tstroke> strokes;
};

const std::vector<Tbadge>& badges() {
  static const std::vector<Tbadge> b = {
      {"TOOL_PAN", {{8, 1, 8, 15}, {1, 8, 15, 8}, {6, 3, 8, 1}, {10, 3, 8, 1}, {6, 13, 8, 15}, {10, 13, 8, 15}}},
      {"TOOL_TAPE", {{1, 10, 15, 10}, {1, 6, 1, 10}, {5, 8, 5, 10}, {9, 6, 9, 10}, {13, 8, 13, 10}}},
      {"TOOL_SELECT", {{2, 2, 14, 2}, {14, 2, 14, 14}, {14, 14, 2, 14}, {2, 14, 2, 2}}},
      {"TOOL_ZOOM", {{6, 6, -5, 0}, {10, 10, 15, 15}}},
      {"TOOL_EDIT", {{2, 14, 13, 3}, {4, 14, 15, 3}, {2, 14, 4, 14}}},
      {"TOOL_EDIT_HIT", {{2, 14, 13, 3}, {10, 10, 14, 10}, {14, 10, 14, 14}, {14, 14, 10, 14}, {10, 14, 10, 10}}},
      {"TOOL_EDIT_HIT_VERTEX", {{2, 14, 13, 3}, {12, 12, -2, 0}}},
      {"TOOL_EDIT_DRAG", {{2, 14, 13, 3}, {13, 3, 8, 3}, {13, 3, 13, 8}}},
      {"TOOL_REPARENT", {{1, 1, 9, 1}, {9, 1, 9, 9}, {9, 9, 1, 9}, {1, 9, 1, 1}, {6, 6, 15, 6}, {15, 6, 15, 15},
                         {15, 15, 6, 15}, {6, 15, 6, 6}}},
      {"TOOL_NONE", {}},
      {"TOOL_LINE", {{1, 15, 15, 1}}},
      {"TOOL_POLYGON", {{8, 1, 15, 13}, {15, 13, 1, 13}, {1, 13, 8, 1}}},
      {"TOOL_POINT", {{8, 8, -3, 0}}},
      {"TOOL_CUTTER", {{1, 1, 15, 15}, {15, 1, 1, 15}}},
      {"TOOL_CUTTER_NO", {{1, 1, 15, 15}, {15, 1, 1, 15}, {8, 8, -7, 0}}},
      {"TOOL_CUTTER_HIT", {{1, 1, 15, 15}, {15, 1, 1, 15}, {8, 8, -2, 0}}},
      {"TOOL_SNAP", {{3, 1, 3, 10}, {13, 1, 13, 10}, {3, 10, 8, 15}, {8, 15, 13, 10}}},
      {"TOOL_BRUSH", {{2, 14, 12, 4}, {3, 14, 13, 4}, {12, 4, 15, 1}}},
      {"TOOL_MODIFY", {{2, 14, 12, 4}, {3, 14, 13, 4}, {10, 14, -2, 0}}},
      {"TOOL_ERASER", {{1, 10, 7, 4}, {7, 4, 15, 12}, {15, 12, 9, 15}, {9, 15, 1, 10}}},
      {"TOOL_DROPPER", {{2, 14, 10, 6}, {10, 6, 14, 2}, {8, 4, 12, 8}}},
      {"TOOL_JOIN", {{1, 8, 6, 8}, {10, 8, 15, 8}, {8, 8, -2, 0}}},
      {"TOOL_RECT", {{1, 3, 15, 3}, {15, 3, 15, 13}, {15, 13, 1, 13}, {1, 13, 1, 3}}},
      {"TOOL_CIRCLE", {{8, 8, -7, 0}}},
      {"TOOL_ELLIPSE", {{8, 8, -7, 1}}},  // y1 = 1: squashed to half height
      {"TOOL_TEXT", {{2, 2, 14, 2}, {8, 2, 8, 15}, {5, 15, 11, 15}}},
      {"TOOL_ROTATE", {{8, 8, -6, 0}, {14, 8, 11, 5}, {14, 8, 15, 4}}},
      {"TOOL_IMAGE", {{1, 2, 15, 2}, {15, 2, 15, 14}, {15, 14, 1, 14}, {1, 14, 1, 2}, {1, 14, 6, 8}, {6, 8, 15, 14}}},
      {"TOOL_VLINE", {{8, 0, 8, 15}}},
      {"TOOL_HLINE", {{0, 8, 15, 8}}},
  };
  return b;
}

void put(platform::TrgbImage& im, int x, int y, uint8_t v) {
  if (x < 0 || y < 0 || x >= im.width || y >= im.height) return;
  uint8_t* p = im.pixel(x, y);
  p[0] = p[1] = p[2] = v;
}

// A line with a one-pixel halo of the opposite shade, so the cursor shows on any background.
void line(platform::TrgbImage& im, double x0, double y0, double x1, double y1, uint8_t ink, bool haloPass) {
  const int n = int(std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)))) + 1;
  for (int i = 0; i < n; ++i) {
    const double t = n == 1 ? 0 : double(i) / (n - 1);
    const int x = int(std::lround(x0 + (x1 - x0) * t)), y = int(std::lround(y0 + (y1 - y0) * t));
    if (haloPass) {
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) put(im, x + dx, y + dy, uint8_t(255 - ink));
    } else {
      put(im, x, y, ink);
    }
  }
}

void stroke(platform::TrgbImage& im, Tstroke const& s, int ox, int oy, bool haloPass) {
  if (s.x1 >= 0) {
    line(im, ox + s.x0, oy + s.y0, ox + s.x1, oy + s.y1, 0, haloPass);
    return;
  }
  const double r = -s.x1, ry = s.y1 == 1 ? r / 2 : r;
  constexpr int kSteps = 24;
  for (int i = 0; i < kSteps; ++i) {
    const double a0 = 2 * M_PI * i / kSteps, a1 = 2 * M_PI * (i + 1) / kSteps;
    line(im, ox + s.x0 + r * std::cos(a0), oy + s.y0 + ry * std::sin(a0), ox + s.x0 + r * std::cos(a1),
         oy + s.y0 + ry * std::sin(a1), 0, haloPass);
  }
}

platform::TrgbImage drawCursor(Tbadge const& b) {
  platform::TrgbImage im;
  im.width = im.height = kSize;
  im.rgb.assign(size_t(kSize) * kSize * 3, 0);
  for (size_t i = 0; i < im.rgb.size(); i += 3) im.rgb[i] = im.rgb[i + 2] = 255;  // magenta: transparent
  for (bool haloPass : {true, false}) {
    line(im, kHot - 7, kHot, kHot - 2, kHot, 0, haloPass);
    line(im, kHot + 2, kHot, kHot + 7, kHot, 0, haloPass);
    line(im, kHot, kHot - 7, kHot, kHot - 2, 0, haloPass);
    line(im, kHot, kHot + 2, kHot, kHot + 7, 0, haloPass);
    for (Tstroke const& s : b.strokes) stroke(im, s, kBadge, kBadge, haloPass);
  }
  put(im, kHot, kHot, 0);
  return im;
}
}  // namespace

bool writeToolCursors(const std::string& folder, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::set<std::string> wanted;
  for (auto const& c : TosFonts::toolCursorTable()) wanted.insert(c.resource);
  for (Tbadge const& b : badges()) {
    wanted.erase(b.resource);
    if (!platform::encodePngFile(folder + platform::lowerCase(b.resource) + ".png", drawCursor(b), error))
      return false;
  }
  if (!wanted.empty()) {
    error = "no picture for the cursor " + *wanted.begin();
    return false;
  }
  return true;
}

}  // namespace kdata
