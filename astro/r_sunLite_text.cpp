// r_sunLite shared pieces: the globals of the unit, the small number and anchor rules, and the
// text service of the map (the device context's own text in the platform's fonts).
#include <charconv>
#include <cmath>

#include "astro/r_sunLite.h"
#include "platform/numbers.h"
#include "core/r_Font.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/text.h"

double lastSunLong = 0;
std::string locationsFile;

namespace {
// Text on the device context in a logical font of the face and size (points at 96 pixels an
// inch), transparent, with the alignment and letter spacing asked for; the context's own text
// settings are put back afterwards.
class TcontextText final : public TmapText {
 public:
  void textOut(platform::TDeviceContext& dc, int x, int y, unsigned align, int charExtra, const TmapFont& f,
               std::string_view s) override {
    platform::TFont font = fontOf(f);
    const platform::HFONT old = dc.selectFont(font.Handle());
    const platform::TColor oldColour = dc.setTextColor(f.colour);
    const platform::BkMode oldMode = dc.setBkMode(platform::BkMode::Transparent);
    const unsigned oldAlign = dc.setTextAlign(align);
    const int oldExtra = dc.setTextCharacterExtra(charExtra);
    dc.textOut(x, y, s);
    dc.setTextCharacterExtra(oldExtra);
    dc.setTextAlign(oldAlign);
    dc.setBkMode(oldMode);
    dc.setTextColor(oldColour);
    dc.selectFont(old);
  }
  platform::TSize textExtent(platform::TDeviceContext& dc, const TmapFont& f, std::string_view s) override {
    platform::TFont font = fontOf(f);
    const platform::HFONT old = dc.selectFont(font.Handle());
    const int oldExtra = dc.setTextCharacterExtra(0);
    const platform::TSize size = dc.textExtent(s);
    dc.setTextCharacterExtra(oldExtra);
    dc.selectFont(old);
    return size;
  }
  bool faceInstalled(const std::string& face) override { return platform::isFaceListed(face); }
  std::string sansFace() override { return fontman ? fontman->SansSerif() : std::string("Open Sans"); }

 private:
  static platform::TFont fontOf(const TmapFont& f) {
    platform::TFont font;
    font.setName(f.face);
    font.setSize(static_cast<int>(platform::Round(f.points)));
    font.Color = f.colour;
    return font;
  }
};

std::unique_ptr<TmapText>& textService() {
  static std::unique_ptr<TmapText> service = std::make_unique<TcontextText>();
  return service;
}
}  // namespace

TmapText& mapText() { return *textService(); }

void setMapText(std::unique_ptr<TmapText> service) {
  textService() = service ? std::move(service) : std::make_unique<TcontextText>();
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
