// TdataBuilder: the country and zone index images of the map container. Countries are painted
// from the DCW polygons (a row's areas: countries, states, or a country's islands within a box);
// a pixel's zone is the Windows zone of the nearest GeoNames town of its country, turned into a
// row of the zone table by the country's alpha-3 key (or a territory's own "x" key).
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "astro/r_sunLite.h"
#include "data/TdataBuilder.h"
#include "data/dcw.h"
#include "platform/timezones.h"

namespace kdata {
namespace {
constexpr const char* kPolygons = "usr/share/gmt-dcw/dcw-gmt.nc";
constexpr const char* kCities = "usr/share/libtimezonemap/ui/cities15000.txt";
constexpr const char* kCountries = "usr/share/libtimezonemap/ui/countryInfo.txt";

// Areas of each country row: "GB" a country, "USAK" a state, "PT[w,s,e,n]" the rings of a
// country whose centre lies in the box (degrees, longitudes -180..180); several joined by "|".
// Rows with a box or a state are painted after the whole countries, over them.
struct Tarea {
  const char* row;
  const char* areas;
  const char* key = nullptr;  // a territory's own zone key
};
const Tarea kAreas[] = {
    {"Afghanistan", "AF"}, {"Alaska", "USAK"}, {"Albania", "AL"}, {"Algeria", "DZ"},
    {"Andeman Islands", "IN[92,10,94,14.5]", "xANI"}, {"Andorra", "AD"}, {"Angola", "AO"}, {"Anguilla", "AI"},
    {"Antarctica", "AQ"}, {"Antigua and Barbuda", "AG"}, {"Argentina", "AR"}, {"Armenia", "AM"},
    {"Ascension", "SH[-14.6,-8.1,-14.2,-7.8]"}, {"Australia", "AU"}, {"Austria", "AT"}, {"Azerbaijan", "AZ"},
    {"Azores", "PT[-32,36,-24,40.5]", "xAZS"}, {"Bahamas", "BS"}, {"Bahrain", "BH"}, {"Bangladesh", "BD"},
    {"Barbados", "BB"}, {"Belarus", "BY"}, {"Belgium", "BE"}, {"Belize", "BZ"}, {"Benin", "BJ"},
    {"Bermuda", "BM"}, {"Bhutan", "BT"}, {"Bolivia", "BO"}, {"Bosnia & Herzegovina", "BA"}, {"Botswana", "BW"},
    {"Brazil", "BR"}, {"British Virgin Islands", "VG"}, {"Brunei", "BN"}, {"Bulgaria", "BG"},
    {"Burkina Faso", "BF"}, {"Burma", "MM"}, {"Burundi", "BI"}, {"Cambodia", "KH"}, {"Cameroon", "CM"},
    {"Canada", "CA"}, {"Canary Islands", "ES[-18.5,27,-13,29.5]", "xCNI"}, {"Cape Verde Islands", "CV"},
    {"Caroline Islands", "FM|PW"}, {"Cayman Islands", "KY"}, {"Central African R", "CF"}, {"Chad", "TD"},
    {"Chile", "CL"}, {"China", "CN|HK|MO"}, {"Christmas Isle", "CX"}, {"Cocos Islands", "CC"},
    {"Colombia", "CO"}, {"Comoros", "KM"}, {"Congo", "CD"}, {"Congo-Brazzaville", "CG"}, {"Cook Islands", "CK"},
    {"Corsica", "FR[8.4,41.3,9.7,43.1]"}, {"Costa Rica", "CR"}, {"Cote d'Ivoire", "CI"},
    {"Crete", "GR[23.4,34.7,26.5,35.8]"}, {"Croatia", "HR"}, {"Crozet Isle", "TF[50,-47,53,-45.5]", "xCZT"},
    {"Cuba", "CU"}, {"Cyprus", "CY"}, {"Czech R", "CZ"}, {"Denmark", "DK"}, {"Djibouti", "DJ"},
    {"Dominica", "DM"}, {"Dominican R", "DO"}, {"Dutch Antilles", "CW|BQ|AW"}, {"East Timor", "TL"},
    {"Easter Island", "CL[-110,-28,-108.5,-26.5]", "xEAS"}, {"Ecuador", "EC"}, {"Egypt", "EG"},
    {"El Salvador", "SV"}, {"Equatorial Guinea", "GQ"}, {"Eritrea", "ER"}, {"Estonia", "EE"},
    {"Ethiopia", "ET"}, {"Faeroe Islands", "FO", "xFOI"}, {"Falkland islands", "FK"}, {"Fiji", "FJ"},
    {"Finland", "FI|AX"}, {"France", "FR"}, {"French Guiana", "GF"}, {"Gabon", "GA"},
    {"Galapogos Islands", "EC[-92.5,-2,-88.5,1]"}, {"Gaza", "PS[34.2,31.2,34.6,31.7]"}, {"Georgia", "GE"},
    {"Germany", "DE"}, {"Ghana", "GH"}, {"Greece", "GR"}, {"Greenland", "GL"}, {"Grenada", "GD"},
    {"Guadeloupe", "GP"}, {"Guam", "GU"}, {"Guatemala", "GT"}, {"Guinea", "GN"}, {"Guinea-Bissau", "GW"},
    {"Guyana", "GY"}, {"Haiti", "HT"}, {"Hawaii", "USHI"}, {"Honduras", "HN"}, {"Hungary", "HU"},
    {"Iceland", "IS"}, {"India", "IN"}, {"Indonesia", "ID"}, {"Iran", "IR"}, {"Iraq", "IQ"}, {"Ireland", "IE"},
    {"Israel", "IL"}, {"Italy", "IT|VA"}, {"Iwo Jima", "JP[141,24.5,141.6,25]"}, {"Jamaica", "JM"},
    {"Japan", "JP"}, {"Jordan", "JO"}, {"Juan Fernandez Islands", "CL[-81,-34,-78.5,-33.4]"},
    {"Kazakhstan", "KZ"}, {"Kenya", "KE"}, {"Kerguelen", "TF[68,-50,71,-48.5]", "xKER"}, {"Kiribati", "KI"},
    {"Korea - DPR (North)", "KP"}, {"Korea - R (South)", "KR"}, {"Kuwait", "KW"}, {"Kyrgyzstan", "KG"},
    {"Laos", "LA"}, {"Latvia", "LV"}, {"Lebanon", "LB"}, {"Lesotho", "LS"}, {"Liberia", "LR"},
    {"Libyan AJ", "LY"}, {"Liechtenstein", "LI"}, {"Lithuania", "LT"}, {"Luxembourg", "LU"},
    {"Macedonia", "MK"}, {"Madagascar", "MG"}, {"Madeira", "PT[-17.5,32.3,-16.2,33.2]", "xMDA"},
    {"Malawi", "MW"}, {"Malaysia", "MY"}, {"Maldive Islands", "MV"}, {"Mali", "ML"}, {"Malta", "MT"},
    {"Marquesas", "PF[-141,-10.6,-138.3,-7.8]", "xMQS"}, {"Marshall Islands", "MH"}, {"Martinique", "MQ"},
    {"Mauritania", "MR"}, {"Mauritius", "MU"}, {"Mayotte", "YT"}, {"Mexico", "MX"},
    {"Midway Islands", "UM[-178.5,28,-177,28.5]", "xMID"}, {"Moldova", "MD"}, {"Monaco", "MC"},
    {"Mongolia", "MN"}, {"Montserrat", "MS"}, {"Morocco", "MA"}, {"Mozambique", "MZ"}, {"Namibia", "NA"},
    {"Nauru", "NR"}, {"Nepal", "NP"}, {"Netherlands", "NL"}, {"New Caledonia", "NC"}, {"New Zealand", "NZ"},
    {"Nicaragua", "NI"}, {"Nicobar", "IN[92.5,6.5,94,9.5]", "xANI"}, {"Niger", "NE"}, {"Nigeria", "NG"},
    {"Niue", "NU"}, {"Norway", "NO"}, {"Okinawa", "JP[122.5,24,131.5,28]"}, {"Oman", "OM"},
    {"Orkney Islands", "GB[-3.5,58.65,-2.3,59.45]"}, {"Pakistan", "PK"}, {"Palestine", "PS"}, {"Panama", "PA"},
    {"Papua New Guinea", "PG"}, {"Paraguay", "PY"}, {"Peru", "PE"}, {"Philippines", "PH"},
    {"Pitcairn Is", "PN"}, {"Poland", "PL"}, {"Portugal", "PT"}, {"Puerto Rico", "PR"}, {"Qatar", "QA"},
    {"Reunion", "RE"}, {"Romania", "RO"}, {"Russia", "RU"}, {"Rwanda", "RW"},
    {"Saint Croix", "VI[-65,17.6,-64.5,17.85]"}, {"Saint Martin (Fr)", "MF"}, {"San Marino", "SM"},
    {"Sao Tome and Principe", "ST"}, {"Sardinia", "IT[8,38.8,9.9,41.35]"}, {"Saudi Arabia", "SA"},
    {"Senegal", "SN"}, {"Seychelles", "SC"}, {"Shetland Isles", "GB[-2.3,59.8,-0.7,60.9]"},
    {"Sierra Leone", "SL"}, {"Singapore", "SG"}, {"Sint Marten (Neth)", "SX"}, {"Slovakia", "SK"},
    {"Slovenia", "SI"}, {"Solomon Islands", "SB"}, {"Somalia", "SO"}, {"South Africa", "ZA"},
    {"South Georgia", "GS[-39,-55,-33,-53.5]"}, {"South Sandwich Islands", "GS[-29,-60,-26,-56]"},
    {"South Sudan", "SS"}, {"Spain", "ES"}, {"Spitsburgen", "SJ"}, {"Sri Lanka", "LK"},
    {"St Helena", "SH[-6,-16.1,-5.5,-15.8]"}, {"St Kitts-Nevis", "KN"}, {"St Lucia", "LC"},
    {"St Vincent", "VC"}, {"Sudan", "SD"}, {"Suriname", "SR"}, {"Swaziland", "SZ"}, {"Sweden", "SE"},
    {"Switzerland", "CH"}, {"Syria", "SY"}, {"Tahiti", "PF[-150,-18,-149,-17.4]", "xTAH"}, {"Taiwan", "TW"},
    {"Tajikistan", "TJ"}, {"Tanzania", "TZ"}, {"Thailand", "TH"}, {"The Gambia", "GM"},
    {"The Grenadines", "VC[-61.5,12.5,-61.1,13]"}, {"Togo", "TG"}, {"Tonga", "TO"},
    {"Trinidad & Tobago", "TT"}, {"Tristan da Cunha", "SH[-12.8,-37.5,-12.1,-37]"},
    {"Tuamoto Archipeligo", "PF[-148.9,-24,-134,-14]", "xTUA"}, {"Tunisia", "TN"}, {"Turkey", "TR"},
    {"Turkmenistan", "TM"}, {"Turks & Caicos Is", "TC"}, {"Tuvalu", "TV"}, {"Uganda", "UG"},
    {"Ukraine", "UA"}, {"United Arab Emirates", "AE"}, {"United Kingdom", "GB|IM|JE|GG"}, {"Uruguay", "UY"},
    {"US Virgin Islands", "VI"}, {"USA", "US"}, {"Uzbekistan", "UZ"}, {"Vanuatu", "VU"}, {"Venezuela", "VE"},
    {"Viet Nam", "VN"}, {"Wallis & Futuna", "WF"}, {"Western Sahara", "EH"}, {"Western Samoa", "WS"},
    {"Yemen", "YE"}, {"Yugoslavia", "RS|ME|XK"}, {"Zambia", "ZM"}, {"Zimbabwe", "ZW"},
};

struct TareaRef {
  std::string code;       // DCW area
  bool boxed = false;     // only rings whose centre lies in the box
  double w = 0, s = 0, e = 0, n = 0;
};

std::vector<TareaRef> parseAreas(const std::string& spec) {
  std::vector<TareaRef> out;
  std::stringstream ss(spec);
  std::string part;
  while (std::getline(ss, part, '|')) {
    TareaRef a;
    const size_t b = part.find('[');
    a.code = part.substr(0, b);
    if (b != std::string::npos) {
      a.boxed = true;
      std::sscanf(part.c_str() + b, "[%lf,%lf,%lf,%lf]", &a.w, &a.s, &a.e, &a.n);
    }
    out.push_back(a);
  }
  return out;
}

// The rings of an area that a reference takes.
TpolyXyValues selectRings(const TpolyXyValues& all, const TareaRef& a) {
  if (!a.boxed) return all;
  TpolyXyValues out;
  for (const auto& r : all) {
    double x = 0, y = 0;
    for (const auto& p : r) x += p.x, y += p.y;
    x /= std::max<size_t>(1, r.size());
    y /= std::max<size_t>(1, r.size());
    if (x > 180) x -= 360;
    if (x >= a.w && x <= a.e && y >= a.s && y <= a.n) out.push_back(r);
  }
  return out;
}

constexpr uint32_t kNone = 0xFF0000;  // blue 255

void setIndex(platform::TrgbImage& im, int col, int row, uint32_t index) {
  uint8_t* p = im.pixel(col, row);
  p[0] = uint8_t(index & 0xFF);
  p[1] = uint8_t((index >> 8) & 0xFF);
  p[2] = uint8_t((index >> 16) & 0xFF);
}
}  // namespace

// Steps: a: tables and polygons, b: countries, c: towns and zones, d: zone keys.
bool TdataBuilder::buildIndexFrames(int width, platform::TrgbImage& country, platform::TrgbImage& zone) {
  TprocScope proc(*this, "buildIndexFrames");
  const int height = width / 2;
  seterr("a");
  TdcwFile dcw;
  if (!dcw.open(froot + kPolygons)) return fail(dcw.error());
  std::map<std::string, int> rowOf;
  for (size_t i = 0; i < countriesConst.size(); ++i) rowOf[std::string(countriesConst[i])] = int(i);
  std::map<std::string, std::string> iso3Of;
  {
    std::ifstream in(froot + kCountries);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::stringstream ls(line);
      std::string iso2, iso3;
      std::getline(ls, iso2, '\t');
      std::getline(ls, iso3, '\t');
      if (iso2.size() == 2 && iso3.size() == 3) iso3Of[iso2] = iso3;
    }
  }
  if (iso3Of.empty()) return fail("no countries in " + froot + kCountries);

  seterr("b");
  // Per pixel: the country row, and the DCW country (index into `areas`) for the zones.
  std::vector<int> rowAt(size_t(width) * height, -1), areaAt(size_t(width) * height, -1);
  std::vector<const char*> keyAt(size_t(width) * height, nullptr);
  std::vector<std::string> areas;
  std::map<std::string, int> areaIndex;
  for (const auto& code : dcw.codes())
    if (code.size() == 2) {
      areaIndex[code] = int(areas.size());
      areas.push_back(code);
    }
  TpolyXyValues rings;
  for (int pass = 0; pass < 2; ++pass)
    for (const auto& a : kAreas) {
      const auto it = rowOf.find(a.row);
      if (it == rowOf.end()) return fail(std::string("no country row named ") + a.row);
      for (const auto& ref : parseAreas(a.areas)) {
        const bool over = ref.boxed || ref.code.size() > 2;
        if (over != (pass == 1) || !dcw.rings(ref.code, rings)) continue;
        const auto owner = areaIndex.find(ref.code.substr(0, 2));
        rasterise(selectRings(rings, ref), width, [&](int c, int r) {
          const size_t i = size_t(r) * width + c;
          rowAt[i] = it->second;
          keyAt[i] = a.key;
          // A state's zone comes from its country's towns.
          if (owner != areaIndex.end()) areaAt[i] = owner->second;
        });
      }
    }
  // Every DCW country, also those the table has no row for, gives its pixels a country for
  // the zones.
  for (const auto& code : areas) {
    if (!dcw.rings(code, rings)) continue;
    const int id = areaIndex[code];
    rasterise(rings, width, [&](int c, int r) { areaAt[size_t(r) * width + c] = id; });
  }

  seterr("c");
  // Towns by country: position and Windows zone.
  struct Ttown {
    double lat, lon;
    int zone;
  };
  std::vector<std::string> zoneNames;
  std::map<std::string, int> zoneIds;
  std::map<std::string, std::vector<Ttown>> towns;  // by ISO alpha-2
  {
    std::ifstream in(froot + kCities);
    if (!in) return fail("cannot read " + froot + kCities);
    std::map<std::string, std::string> windowsOf;
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> f;
      std::stringstream ls(line);
      std::string cell;
      while (std::getline(ls, cell, '\t')) f.push_back(cell);
      if (f.size() < 18) continue;
      auto w = windowsOf.find(f[17]);
      if (w == windowsOf.end()) w = windowsOf.emplace(f[17], platform::windowsZoneOfIana(f[17])).first;
      if (w->second.empty()) continue;
      auto z = zoneIds.find(w->second);
      if (z == zoneIds.end()) {
        z = zoneIds.emplace(w->second, int(zoneNames.size())).first;
        zoneNames.push_back(w->second);
      }
      towns[f[8]].push_back({std::atof(f[4].c_str()), std::atof(f[5].c_str()), z->second});
    }
  }

  seterr("d");
  // Zone rows by alpha-3 key (the key and its numbered siblings) and by zone text.
  std::map<std::string, std::vector<std::pair<std::string, int>>> keysOf;  // alpha-3 -> (zone, row)
  std::map<std::string, int> rowOfKey, firstRowOfZone;
  for (size_t i = 0; i < tzConst.size(); ++i) {
    const std::string row(tzConst[i]);
    const size_t eq = row.find('=');
    const std::string key = row.substr(0, eq), text = row.substr(eq + 1);
    rowOfKey[key] = int(i);
    firstRowOfZone.emplace(text, int(i));
    if (key.size() >= 3 && std::isupper(static_cast<unsigned char>(key[0])))
      keysOf[key.substr(0, 3)].emplace_back(text, int(i));
  }
  // The zone row of a country's zone: the country's key with that zone, else its plain key,
  // else its first key; a country without keys takes the first row with that zone.
  auto zoneRow = [&](const std::string& iso2, int zoneId) -> int {
    const auto iso = iso3Of.find(iso2);
    const std::string text = zoneId >= 0 ? zoneNames[size_t(zoneId)] : "";
    if (iso != iso3Of.end()) {
      const auto k = keysOf.find(iso->second);
      if (k != keysOf.end()) {
        for (const auto& [t, row] : k->second)
          if (t == text) return row;
        const auto plain = rowOfKey.find(iso->second);
        return plain != rowOfKey.end() ? plain->second : k->second.front().second;
      }
    }
    const auto z = firstRowOfZone.find(text);
    return z != firstRowOfZone.end() ? z->second : -1;
  };

  country = platform::TrgbImage{};
  country.width = zone.width = width;
  country.height = zone.height = height;
  country.rgb.assign(size_t(width) * height * 3, 0);
  zone.rgb.assign(size_t(width) * height * 3, 0);
  std::map<std::string, bool> severalZones;
  for (const auto& [iso2, list] : towns)
    for (const auto& town : list) severalZones[iso2] = severalZones[iso2] || town.zone != list.front().zone;
  for (int y = 0; y < height; ++y) {
    const double lat = 90.0 - (y + 0.5) * 360.0 / width;
    const double coslat = std::cos(lat * M_PI / 180.0);
    for (int x = 0; x < width; ++x) {
      const size_t i = size_t(y) * width + x;
      setIndex(country, x, y, rowAt[i] >= 0 ? uint32_t(rowAt[i]) : kNone);
      int row = -1;
      if (keyAt[i]) {
        row = rowOfKey.count(keyAt[i]) ? rowOfKey[keyAt[i]] : -1;
      } else if (areaAt[i] >= 0) {
        const std::string& iso2 = areas[size_t(areaAt[i])];
        const auto t = towns.find(iso2);
        int zoneId = -1;
        if (t != towns.end() && !t->second.empty()) {
          // The nearest town of the country; a country of one zone needs no search.
          zoneId = t->second.front().zone;
          if (severalZones[iso2]) {
            const double lon = (x + 0.5) * 360.0 / width - 180.0;
            double best = 1e300;
            for (const auto& town : t->second) {
              double dx = std::fabs(town.lon - lon);
              if (dx > 180) dx = 360 - dx;
              dx *= coslat;
              const double d = dx * dx + (town.lat - lat) * (town.lat - lat);
              if (d < best) best = d, zoneId = town.zone;
            }
          }
        }
        row = zoneRow(iso2, zoneId);
      }
      setIndex(zone, x, y, row >= 0 ? uint32_t(row) : kNone);
    }
  }
  return true;
}

}  // namespace kdata
