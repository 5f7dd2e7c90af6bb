// Tunits: neat scales and numbers, grid spacings, decimals for a scale, and grid references of
// the Ordnance Survey National Grid (letters name 500 km and 100 km squares, digits the rest).
// The stepping loops are guarded so that zero, negative, NaN and infinite inputs return at once.
#include <charconv>
#include <cmath>
#include <string>

#include "core/Tunits.h"
#include "platform/numbers.h"

namespace {
// The neat series: fourteen mantissas per decade.
constexpr double kNeat[14] = {1, 1.25, 1.5, 2, 2.5, 3, 3.5, 4, 5, 6, 7, 7.5, 8, 9};
constexpr double kNeatStart = 0.001;

// A position on a series of mantissas: mant[i] × 10^k. Each value is made afresh from its
// mantissa and power, so a long walk does not drift: 3.5 is 3.5, not 3.4999999999999969.
struct SeriesPos {
  const double* mant;
  int n;
  int i = 0;
  int k;
  [[nodiscard]] double value() const {
    double p = 1;
    for (int e = k < 0 ? -k : k; e > 0; --e) p *= 10;
    return k < 0 ? mant[i] / p : mant[i] * p;
  }
  void step() {
    if (++i == n) {
      i = 0;
      ++k;
    }
  }
};

// Steps from start (mant[0] × 10^k) until the value is at least target; `before` receives the
// value before the last step (the start when no step was taken).
double stepUntil(SeriesPos& s, double target, double& before) {
  double v = s.value();
  before = v;
  while (v < target) {
    before = v;
    s.step();
    v = s.value();
  }
  return v;
}

double round7(double v) { return std::nearbyint(v * 10000000.0) / 10000000.0; }
}  // namespace

double Tunits::NeatScale(double scale, int32_t roundUp) {
  if (std::isnan(scale)) return kNeatStart;
  if (std::isinf(scale)) return scale > 0 ? scale : kNeatStart;
  SeriesPos pos{kNeat, 14, 0, -3};
  double before;
  const double v = stepUntil(pos, scale, before);
  if (roundUp == 1) {
    pos.step();
    return pos.value();
  }
  if (roundUp == -1) return before;
  return v;
}

double Tunits::NextNeatScale(double currentNeatScale, bool goingUp) {
  // Zero, negative and non-finite values have no decade: they come back unchanged.
  if (!(currentNeatScale > 0) || !std::isfinite(currentNeatScale)) return currentNeatScale;
  static constexpr double kNext[14] = {1.25, 1.5, 2, 2.5, 3, 3.5, 4, 5, 6, 7, 7.5, 8, 9, 10};
  double x = currentNeatScale;
  int e = 0;
  while (x <= 1) {
    x *= 10;
    --e;
  }
  while (x > 10) {
    x /= 10;
    ++e;
  }
  int i;
  switch (platform::Round(10 * x)) {
    case 15: i = 1; break;
    case 20: i = 2; break;
    case 25: i = 3; break;
    case 30: i = 4; break;
    case 35: i = 5; break;
    case 40: i = 6; break;
    case 50: i = 7; break;
    case 60: i = 8; break;
    case 70: i = 9; break;
    case 75: i = 10; break;
    case 80: i = 11; break;
    case 90: i = 12; break;
    case 100: i = 13; break;
    default: i = 0; break;  // 1.25 too: 12.5 rounds to 12
  }
  i += goingUp ? 1 : -1;
  if (i < 0) {
    i = 13;
    --e;
  } else if (i > 13) {
    i = 0;
    ++e;
  }
  double r = kNext[i];
  for (; e > 0; --e) r *= 10;
  for (; e < 0; ++e) r /= 10;
  return r;
}

double Tunits::NeatNumber(double number, int32_t NeatOption) {
  static constexpr double kEight[8] = {1, 1.25, 1.5, 2, 2.5, 3.5, 5, 7.5};
  static constexpr double kFour[4] = {1, 1.25, 2.5, 5};
  static constexpr double kThree[3] = {1, 2.5, 5};
  if (NeatOption < 0 || NeatOption > 4) return kNeatStart;
  const double start = NeatOption == 2 ? 1e-6 : kNeatStart;
  if (std::isnan(number)) return start;
  if (std::isinf(number)) return number > 0 ? number : start;
  double before;
  const int k = NeatOption == 2 ? -6 : -3;
  switch (NeatOption) {
    case 0: { SeriesPos p{kNeat, 14, 0, k}; return stepUntil(p, number, before); }
    case 1: { SeriesPos p{kEight, 8, 0, k}; return stepUntil(p, number, before); }
    case 2: { SeriesPos p{kFour, 4, 0, k}; return round7(stepUntil(p, number, before)); }
    case 3: { SeriesPos p{kFour, 4, 0, k}; (void)stepUntil(p, number, before); return round7(before); }
    default: { SeriesPos p{kThree, 3, 0, k}; (void)stepUntil(p, number, before); return round7(before); }
  }
}

double Tunits::appropriateGrid(double scale, double maxmm, int32_t& subdivs) {
  double spacing = 500000;
  subdivs = 5;
  // Without a positive scale and a positive width no spacing ever fits: keep the first.
  if (!(scale > 0) || !(maxmm > 0)) return spacing;
  int step = 0;
  while (spacing / scale * 1000 > maxmm && spacing > 0) {
    switch (step % 4) {
      case 0: spacing /= 2; subdivs = 5; break;
      case 1: spacing *= 0.8; subdivs = 4; break;
      case 2: spacing /= 2; subdivs = 10; break;
      default: spacing /= 2; subdivs = 5; break;
    }
    ++step;
  }
  return spacing;
}

double Tunits::appropriateGrid(double scale, double maxmm) {
  int32_t subdivs;
  return appropriateGrid(scale, maxmm, subdivs);
}

int32_t Tunits::appropriateSubDivs(double step) {
  if (!(step > 0) || !std::isfinite(step)) return 1;
  while (step < 50) step *= 10;
  while (step >= 500) step /= 10;
  switch (platform::Round(step)) {
    case 50: case 125: case 250: return 5;
    case 100: return 10;
    case 120: case 200: case 400: return 4;
    case 150: case 300: return 3;
    default: return 1;
  }
}

int32_t Tunits::appropriateDecPlaces(double scale, bool fine) const {
  int32_t c = 0;
  if (fine) {
    if (scale < 5000) c = 1;
    if (scale < 500) c = 2;
    if (scale < 25) c = 3;
    if (scale < 2.5) c = 4;
  } else {
    if (scale < 1000) c = 1;
    if (scale < 100) c = 2;
    if (scale < 10) c = 3;
    if (scale < 1) c = 4;
  }
  switch (LinearUnits) {
    case u_metric_default: c = 3; break;
    case u_metric_km: c += 3; break;
    case u_metric_cm: c -= 2; break;
    case u_metric_mm: c -= 3; break;
    case u_imperial_default: c = 2; break;
    case u_imperial_ft: c -= 1; break;
    default: break;
  }
  return c < 0 ? 0 : c;
}

int32_t Tunits::appropriateLengthUnits(double metres, int32_t& decplaces) {
  decplaces = 0;
  if (metres < 1) {
    if (metres < 0.1) decplaces = 1;
    if (metres < 0.05) decplaces = 2;
    return u_metric_mm;
  }
  if (metres <= 1000) {
    if (metres < 100) decplaces = 1;
    if (metres < 50) decplaces = 2;
    if (metres < 10) decplaces = 3;
    return u_metric_m;
  }
  if (metres < 100000) decplaces = 1;
  if (metres < 50000) decplaces = 2;
  if (metres < 10000) decplaces = 3;
  return u_metric_km;
}

// ---------------------------------------------------------------------------------------------
// Grid references

namespace {
// The 5 × 5 letter square, rows from the top.
constexpr const char* kSquare[5] = {"ABCDE", "FGHJK", "LMNOP", "QRSTU", "VWXYZ"};

struct OsFormat {
  double resolution;
  int digits;
};
OsFormat osFormat(int32_t format) {
  switch (format) {
    case u_os4: return {1000, 2};
    case u_os6: case u_os6_gap: return {100, 3};
    case u_os8: case u_os8_gap: return {10, 4};
    default: return {1, 5};
  }
}

std::string digitGroup(double remainder, const OsFormat& f, bool negative) {
  std::string s = std::to_string(platform::Round(remainder / f.resolution));
  if (static_cast<int>(s.size()) < f.digits) s.insert(0, static_cast<size_t>(f.digits) - s.size(), '0');
  return negative ? "-" + s : s;
}
}  // namespace

std::string Tunits::OrdnanceSurveyStr(double x, double y, int32_t format) {
  double E = std::fabs(x), N = std::fabs(y);
  const char bands[2][3] = {{'S', 'N', 'H'}, {'T', 'O', 'J'}};
  const int band = N < 500000 ? 0 : (N < 1000000 ? 1 : 2);
  const char first = bands[E < 500000 ? 0 : 1][band];
  // A remainder gives the same square as repeated subtraction, and returns for any input.
  E = std::fmod(E, 500000.0);
  N = std::fmod(N, 500000.0);
  const int col = static_cast<int>(platform::Trunc(E / 100000));
  const int row = static_cast<int>(platform::Trunc(N / 100000));
  const char second = (col >= 0 && col < 5 && row >= 0 && row < 5) ? kSquare[4 - row][col] : '?';
  const OsFormat f = osFormat(format);
  const std::string eg = digitGroup(std::fmod(E, 100000.0), f, x < 0);
  const std::string ng = digitGroup(std::fmod(N, 100000.0), f, y < 0);
  std::string letters{first, second};
  switch (format) {
    case u_os_parcel: return eg.substr(2, 2) + ng.substr(2, 2);
    case u_os6_gap: case u_os8_gap: case u_os10_gap: return letters + " " + eg + " " + ng;
    default: return letters + eg + ng;
  }
}

bool Tunits::OrdnanceSurveyToXY(const std::string& name, double& x, double& y) {
  if (name.empty()) return false;
  std::string s;
  for (char c : name)
    if (c != ' ') s += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  if (s.empty()) return false;
  double ox, oy;
  switch (s[0]) {
    case 'H': ox = 0; oy = 1000000; break;
    case 'N': ox = 0; oy = 500000; break;
    case 'S': ox = 0; oy = 0; break;
    case 'T': ox = 500000; oy = 0; break;
    default: return false;
  }
  if (s.size() > 1) {
    for (int row = 0; row < 4; ++row)  // the bottom row (V to Z) adds no northing
      for (int col = 0; col < 5; ++col)
        if (kSquare[row][col] == s[1]) oy += (4 - row) * 100000.0;
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 5; ++col)
        if (kSquare[row][col] == s[1]) ox += col * 100000.0;
  }
  const std::string rest = s.size() > 2 ? s.substr(2) : "";
  const size_t half = rest.size() / 2;
  // A half that is not a number reads as 0.
  auto readHalf = [](const std::string& t) {
    double v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    return (ec == std::errc() && p == t.data() + t.size()) ? v : 0.0;
  };
  double hx = readHalf(rest.substr(0, half));
  double hy = readHalf(rest.substr(half, half));
  double factor;
  switch (half) {
    case 2: factor = 1000; break;
    case 3: factor = 100; break;
    case 4: factor = 10; break;
    case 5: factor = 1; break;
    default:
      x = hx + ox;
      y = hy + oy;
      return false;
  }
  x = hx * factor + ox;
  y = hy * factor + oy;
  return true;
}
