// TsunLite's hours strip: column x lies at the longitude of map column x and shows the local half
// day there (yesterday's afternoon, today's morning and afternoon, tomorrow's morning), with noon,
// the day names and hour ticks. Thresholds are strip pixels whatever the width.
#include <algorithm>

#include "astro/r_sunLite.h"
#include "core/r_date.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace {
int rnd(double v) { return static_cast<int>(platform::Round(v)); }

platform::TTriVertex vertex(int x, int y, platform::TColor c) {
  platform::TTriVertex v;
  v.x = x;
  v.y = y;
  v.Red = static_cast<uint16_t>((c & 0xFF) << 8);
  v.Green = static_cast<uint16_t>(((c >> 8) & 0xFF) << 8);
  v.Blue = static_cast<uint16_t>(((c >> 16) & 0xFF) << 8);
  v.Alpha = 0xFF00;
  return v;
}
}  // namespace

void TsunLite::refreshStrip() {
  if (!stripBm || stripBm->width() <= 0 || stripBm->height() <= 0) return;
  platform::TDeviceContext& dc = stripBm->dc();
  const int W = screenwid, sw = stripBm->width(), sh = stripBm->height();
  const int extra = loc->isLatin ? 5 : 0;
  const TmapFont font{"Calibri", static_cast<double>(rnd(2.7 * loc->ppmm * loc->UImagnify)), 0xFFFFFF};
  TmapText& text = mapText();
  TdateMan& dm = createDateman();
  const platform::TDateTime now = ob->getDT();
  const platform::DateParts g = platform::decodeDateTime(now);
  const int noonX = rnd((1 - platform::Frac(g.hour / 24.0 + g.minute / 1440.0)) * W);
  const int half = W / 2;
  const int A = noonX - half, B = noonX + half, C = noonX - W, D = noonX + W;
  const platform::TPenDesc grey = platform::makePen(platform::PenStyle::Solid, 1, 0xC8C8C8);

  auto upperWord = [&](const char* word) { return platform::upperCase(loc->translate(word)); };
  auto dayLabel = [&](int a, int b) {
    const platform::TDateTime at = now + (static_cast<double>((a + b) / 2) - W / 2.0) / W;
    const platform::DateParts p = platform::decodeDateTime(at);
    int weekday = dm.dayOfWeek(p.year, p.month, p.day) - 1;  // Monday 0
    if (weekday < 0) weekday += 7;
    return platform::upperCase(loc->translate(dm.DayName(weekday))) + " " + std::to_string(p.day);
  };
  auto grad = [&](int a, int b, platform::TColor c1, platform::TColor c2) {
    const platform::TTriVertex v[2] = {vertex(a, 0, c1), vertex(b, sh, c2)};
    const platform::TGradientRect r[1] = {{0, 1}};
    platform::GradientFill(dc, v, r, platform::GradientMode::RectH);
  };
  auto ticks = [&](int a, int b, bool morning) {
    dc.setPen(grey);
    dc.moveTo(0, sh - 1);
    dc.lineTo(sw, sh - 1);
    for (int i = 0; i < 12; ++i) {
      const int x = rnd(i / 12.0 * (b - a) + a);
      int y = i % 3 == 0 ? rnd(sh * 0.6) : rnd(sh * 0.8);
      if (morning && i == 0) y = 0;
      dc.moveTo(x, y);
      dc.lineTo(x, sh);
    }
  };
  auto afternoon = [&](int a, int b, bool other) {
    if (other) grad(a, b, 0x28401E, 0x50803C);
    else grad(a, b, 0x646478, 0x32323C);
    if (sw - a > (b - a) / 2) text.textOut(dc, a + (b - a) / 3, 0, kAlignCentre, extra, font, upperWord("Afternoon"));
    text.textOut(dc, a, 0, kAlignCentre, extra, font, upperWord("Noon"));
    text.textOut(dc, std::min(b, sw) - 4, 0, kAlignRight, extra, font, dayLabel(a, b));
    ticks(a, b, false);
  };
  auto morning = [&](int a, int b, bool other) {
    if (other) grad(a, b, 0x28401E, 0x50803C);
    else grad(a, b, 0x40281E, 0x80503C);
    if (b > 600) text.textOut(dc, a + 2 * (b - a) / 3, 0, kAlignCentre, extra, font, upperWord("Morning"));
    text.textOut(dc, b, 0, kAlignCentre, extra, font, upperWord("Noon"));
    if (a >= 0) text.textOut(dc, a + 6, 0, kAlignLeft, extra, font, dayLabel(a, b));
    else if (b > 200) text.textOut(dc, 6, 0, kAlignLeft, extra, font, dayLabel(a, b));
    ticks(a, b, true);
  };

  afternoon(C, A, true);
  morning(A, noonX, false);
  afternoon(noonX, B, false);
  morning(B, D, true);

  // The date line at the strip's left edge.
  dc.setPen(platform::makePen(platform::PenStyle::Alternate, 1, 0x00FFFF));
  for (int x = 0; x < 2; ++x) {
    dc.moveTo(x, 0);
    dc.lineTo(x, sh);
  }
  dc.setPen(platform::makePen(platform::PenStyle::Solid, 1, 0));
}
