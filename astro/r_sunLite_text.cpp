// r_sunLite shared pieces: the globals of the unit, the small number and anchor rules, and the
// text service of the map with its stand-in. The stand-in measures text as a fixed-pitch face
// (half an em per character, one em high at 96 pixels an inch) and draws nothing.
#include <charconv>
#include <cmath>

#include "astro/r_sunLite.h"
#include "platform/numbers.h"
#include "platform/text.h"

double lastSunLong = 0;
std::string locationsFile;

namespace {
class TstandInText final : public TmapText {
 public:
  void textOut(platform::TDeviceContext&, int, int, unsigned, int, const TmapFont&, std::string_view) override {}
  platform::TSize textExtent(platform::TDeviceContext&, const TmapFont& f, std::string_view s) override {
    const int em = static_cast<int>(platform::Round(f.points * 96 / 72));
    int chars = 0;
    for (unsigned char c : s)
      if ((c & 0xC0) != 0x80) ++chars;  // one per UTF-8 sequence
    return {chars * ((em + 1) / 2), em};
  }
  bool faceInstalled(const std::string&) override { return false; }
  std::string sansFace() override { return "Open Sans"; }
};

std::unique_ptr<TmapText>& textService() {
  static std::unique_ptr<TmapText> service = std::make_unique<TstandInText>();
  return service;
}
}  // namespace

TmapText& mapText() { return *textService(); }

void setMapText(std::unique_ptr<TmapText> service) {
  textService() = service ? std::move(service) : std::make_unique<TstandInText>();
}

bool readDegrees(const std::string& text, double limit, double& degrees) {
  std::string s;
  for (char c : text)
    if (c != ' ' && c != '\t') s += c == ',' ? '.' : c;
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  // Text that is no number reads as 0, as the file's other numbers do.
  degrees = ec == std::errc() && end == s.data() + s.size() ? v : 0;
  return std::isfinite(degrees) && std::fabs(degrees) <= limit;
}

platform::TPoint mapAnchor(double lat, double lng, int width) {
  return {static_cast<int>(platform::Round((lng + 180) / 360 * width)),
          static_cast<int>(platform::Round((90 - lat) / 360 * width))};
}
