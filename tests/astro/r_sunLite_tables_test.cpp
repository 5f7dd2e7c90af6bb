// The zone and country tables: their fixed row order, and every zone text against the current
// Windows zone of the row's country or region.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "astro/r_sunLite.h"
#include "core/r_date.h"
#include "platform/timezones.h"

namespace {
// The IANA zone that stands for each row's country or region, in row order.
struct RowZone {
  const char* key;
  const char* iana;
};
const RowZone kRowZones[] = {
    {"AFG", "Asia/Kabul"},
    {"AGO", "Africa/Luanda"},
    {"AIA", "America/Anguilla"},
    {"ALB", "Europe/Tirane"},
    {"AND", "Europe/Andorra"},
    {"ANT", "America/Curacao"},
    {"ARE", "Asia/Dubai"},
    {"ARG", "America/Argentina/Buenos_Aires"},
    {"ARM", "Asia/Yerevan"},
    {"ASC", "Atlantic/St_Helena"},
    {"ASM", "Pacific/Pago_Pago"},
    {"ATA", "Etc/UTC"},
    {"ATG", "America/Antigua"},
    {"AUS1", "Australia/Sydney"},
    {"AUS2", "Australia/Adelaide"},
    {"AUS3", "Australia/Brisbane"},
    {"AUS4", "Australia/Darwin"},
    {"AUS5", "Australia/Hobart"},
    {"AUS6", "Australia/Perth"},
    {"AUT", "Europe/Vienna"},
    {"AZE", "Asia/Baku"},
    {"BDI", "Africa/Bujumbura"},
    {"BEL", "Europe/Brussels"},
    {"BEN", "Africa/Porto-Novo"},
    {"BFA", "Africa/Ouagadougou"},
    {"BGD", "Asia/Dhaka"},
    {"BGR", "Europe/Sofia"},
    {"BHR", "Asia/Bahrain"},
    {"BHS", "America/Nassau"},
    {"BIH", "Europe/Sarajevo"},
    {"BLR?", "Europe/Minsk"},
    {"BLZ", "America/Belize"},
    {"BMU", "Atlantic/Bermuda"},
    {"BOL", "America/La_Paz"},
    {"BRA1", "America/Sao_Paulo"},
    {"BRA2", "America/Manaus"},
    {"BRA3", "America/Rio_Branco"},
    {"BRB", "America/Barbados"},
    {"BRN", "Asia/Brunei"},
    {"BTN", "Asia/Thimphu"},
    {"BUR", "Asia/Yangon"},
    {"BWA", "Africa/Gaborone"},
    {"CAF", "Africa/Bangui"},
    {"CAN", "America/Halifax"},
    {"CAN1", "America/Moncton"},
    {"CAN2", "America/Toronto"},
    {"CAN3", "America/Winnipeg"},
    {"CAN4", "America/Edmonton"},
    {"CAN5", "America/St_Johns"},
    {"CAN6", "America/Vancouver"},
    {"CAN7", "America/Regina"},
    {"CCK", "Indian/Cocos"},
    {"CHD", "Africa/Ndjamena"},
    {"CHE", "Europe/Zurich"},
    {"CHL", "America/Santiago"},
    {"CHN", "Asia/Shanghai"},
    {"CIV", "Africa/Abidjan"},
    {"CMR", "Africa/Douala"},
    {"COD", "Africa/Kinshasa"},
    {"COD1", "Africa/Lubumbashi"},
    {"COG", "Africa/Brazzaville"},
    {"COL", "America/Bogota"},
    {"COM", "Indian/Comoro"},
    {"CPV", "Atlantic/Cape_Verde"},
    {"CRI", "America/Costa_Rica"},
    {"CUB", "America/Havana"},
    {"CXR", "Indian/Christmas"},
    {"CYM", "America/Cayman"},
    {"CYP", "Asia/Nicosia"},
    {"CZE", "Europe/Prague"},
    {"DEU", "Europe/Berlin"},
    {"DJI", "Africa/Djibouti"},
    {"DMA", "America/Dominica"},
    {"DNK", "Europe/Copenhagen"},
    {"DOM", "America/Santo_Domingo"},
    {"DZA", "Africa/Algiers"},
    {"ECU", "America/Guayaquil"},
    {"EGY", "Africa/Cairo"},
    {"ERI", "Africa/Asmara"},
    {"ESH", "Africa/El_Aaiun"},
    {"ESP", "Europe/Madrid"},
    {"EST", "Europe/Tallinn"},
    {"ETH", "Africa/Addis_Ababa"},
    {"FIN", "Europe/Helsinki"},
    {"FJI", "Pacific/Fiji"},
    {"FLK", "Atlantic/Stanley"},
    {"FRA", "Europe/Paris"},
    {"GAB", "Africa/Libreville"},
    {"GBR", "Europe/London"},
    {"GEO", "Asia/Tbilisi"},
    {"GHA", "Africa/Accra"},
    {"GIN", "Africa/Conakry"},
    {"GLP", "America/Guadeloupe"},
    {"GMB", "Africa/Banjul"},
    {"GNB", "Africa/Bissau"},
    {"GNQ", "Africa/Malabo"},
    {"GRC", "Europe/Athens"},
    {"GRD", "America/Grenada"},
    {"GRL1", "America/Scoresbysund"},
    {"GRL2", "America/Godthab"},
    {"GRL3", "America/Thule"},
    {"GTM", "America/Guatemala"},
    {"GUF", "America/Cayenne"},
    {"GUM", "Pacific/Guam"},
    {"GUY", "America/Guyana"},
    {"HND", "America/Tegucigalpa"},
    {"HRV", "Europe/Zagreb"},
    {"HTI", "America/Port-au-Prince"},
    {"HUN", "Europe/Budapest"},
    {"IDN", "Asia/Jakarta"},
    {"IDN1", "Asia/Pontianak"},
    {"IDN2", "Asia/Makassar"},
    {"IDN3", "Asia/Jayapura"},
    {"IND", "Asia/Kolkata"},
    {"IRL", "Europe/Dublin"},
    {"IRN", "Asia/Tehran"},
    {"IRQ", "Asia/Baghdad"},
    {"ISL", "Atlantic/Reykjavik"},
    {"ISR", "Asia/Jerusalem"},
    {"ITA", "Europe/Rome"},
    {"JAM", "America/Jamaica"},
    {"JOR", "Asia/Amman"},
    {"JPN", "Asia/Tokyo"},
    {"KAZ1", "Asia/Aqtobe"},
    {"KAZ2", "Asia/Almaty"},
    {"KEN", "Africa/Nairobi"},
    {"KGZ", "Asia/Bishkek"},
    {"KHM", "Asia/Phnom_Penh"},
    {"KIR", "Pacific/Tarawa"},
    {"KNA", "America/St_Kitts"},
    {"KOR", "Asia/Seoul"},
    {"KOS", "Europe/Belgrade"},
    {"KWT", "Asia/Kuwait"},
    {"LAO", "Asia/Vientiane"},
    {"LBN", "Asia/Beirut"},
    {"LBR", "Africa/Monrovia"},
    {"LBY", "Africa/Tripoli"},
    {"LCA", "America/St_Lucia"},
    {"LIE", "Europe/Vaduz"},
    {"LKA", "Asia/Colombo"},
    {"LSO", "Africa/Maseru"},
    {"LTU", "Europe/Vilnius"},
    {"LUX", "Europe/Luxembourg"},
    {"LVA", "Europe/Riga"},
    {"MAF", "America/Marigot"},
    {"MAR", "Africa/Casablanca"},
    {"MDA", "Europe/Chisinau"},
    {"MDG", "Indian/Antananarivo"},
    {"MDV", "Indian/Maldives"},
    {"MEX1", "America/Mexico_City"},
    {"MEX2", "America/Mazatlan"},
    {"MEX3", "America/Tijuana"},
    {"MEX4", "America/Tijuana"},
    {"MHL", "Pacific/Majuro"},
    {"MKD", "Europe/Skopje"},
    {"MLI", "Africa/Bamako"},
    {"MLT", "Europe/Malta"},
    {"MNE", "Europe/Podgorica"},
    {"MNG", "Asia/Ulaanbaatar"},
    {"MOZ", "Africa/Maputo"},
    {"MRT", "Africa/Nouakchott"},
    {"MSR", "America/Montserrat"},
    {"MTQ", "America/Martinique"},
    {"MUS", "Indian/Mauritius"},
    {"MWI", "Africa/Blantyre"},
    {"MYS", "Asia/Kuala_Lumpur"},
    {"MYT", "Indian/Mayotte"},
    {"NAM", "Africa/Windhoek"},
    {"NCL", "Pacific/Noumea"},
    {"NER", "Africa/Niamey"},
    {"NGA", "Africa/Lagos"},
    {"NIC", "America/Managua"},
    {"NIU", "Pacific/Niue"},
    {"NLD", "Europe/Amsterdam"},
    {"NOR", "Europe/Oslo"},
    {"NPL", "Asia/Kathmandu"},
    {"NRU", "Pacific/Nauru"},
    {"NZL", "Pacific/Auckland"},
    {"OMN", "Asia/Muscat"},
    {"PAK", "Asia/Karachi"},
    {"PAN", "America/Panama"},
    {"PCN", "Pacific/Pitcairn"},
    {"PER", "America/Lima"},
    {"PHL", "Asia/Manila"},
    {"PNG", "Pacific/Port_Moresby"},
    {"POL", "Europe/Warsaw"},
    {"PRI", "America/Puerto_Rico"},
    {"PRK", "Asia/Pyongyang"},
    {"PRT", "Europe/Lisbon"},
    {"PRY", "America/Asuncion"},
    {"PSE", "Asia/Gaza"},
    {"QAT", "Asia/Qatar"},
    {"REU", "Indian/Reunion"},
    {"ROU", "Europe/Bucharest"},
    {"RUS", "Europe/Moscow"},
    {"RUS1", "Europe/Kaliningrad"},
    {"RUS10", "Asia/Magadan"},
    {"RUS11", "Asia/Kamchatka"},
    {"RUS12", "Asia/Anadyr"},
    {"RUS2", "Europe/Moscow"},
    {"RUS3", "Europe/Samara"},
    {"RUS4", "Asia/Yekaterinburg"},
    {"RUS5", "Asia/Novosibirsk"},
    {"RUS6", "Asia/Krasnoyarsk"},
    {"RUS7", "Asia/Irkutsk"},
    {"RUS8", "Asia/Yakutsk"},
    {"RUS9", "Asia/Vladivostok"},
    {"RWA", "Africa/Kigali"},
    {"SAU", "Asia/Riyadh"},
    {"SDN", "Africa/Khartoum"},
    {"SEN", "Africa/Dakar"},
    {"SGP", "Asia/Singapore"},
    {"SHN", "Atlantic/St_Helena"},
    {"SLB", "Pacific/Guadalcanal"},
    {"SLE", "Africa/Freetown"},
    {"SLV", "America/El_Salvador"},
    {"SOM", "Africa/Mogadishu"},
    {"SRB", "Europe/Belgrade"},
    {"SSU", "Africa/Juba"},
    {"STP", "Africa/Sao_Tome"},
    {"SUR", "America/Paramaribo"},
    {"SVK", "Europe/Bratislava"},
    {"SVN", "Europe/Ljubljana"},
    {"SWE", "Europe/Stockholm"},
    {"SWZ", "Africa/Mbabane"},
    {"SYC", "Indian/Mahe"},
    {"SYR", "Asia/Damascus"},
    {"TAA", "Atlantic/St_Helena"},
    {"TCA", "America/Grand_Turk"},
    {"TCD", "Africa/Ndjamena"},
    {"TGO", "Africa/Lome"},
    {"THA", "Asia/Bangkok"},
    {"TJK", "Asia/Dushanbe"},
    {"TKM", "Asia/Ashgabat"},
    {"TLS", "Asia/Dili"},
    {"TON", "Pacific/Tongatapu"},
    {"TTO", "America/Port_of_Spain"},
    {"TUN", "Africa/Tunis"},
    {"TUR", "Europe/Istanbul"},
    {"TUV", "Pacific/Funafuti"},
    {"TWN", "Asia/Taipei"},
    {"TZA", "Africa/Dar_es_Salaam"},
    {"UGA", "Africa/Kampala"},
    {"UKR", "Europe/Kiev"},
    {"URY", "America/Montevideo"},
    {"USA", "America/New_York"},
    {"USA1", "America/Detroit"},
    {"USA2", "America/Indiana/Indianapolis"},
    {"USA3", "America/Chicago"},
    {"USA4", "America/Phoenix"},
    {"USA5", "America/Denver"},
    {"USA6", "America/Los_Angeles"},
    {"USA7", "America/Anchorage"},
    {"USA8", "Pacific/Honolulu"},
    {"USA9", "Pacific/Honolulu"},
    {"UZB", "Asia/Tashkent"},
    {"VCT", "America/St_Vincent"},
    {"VEN", "America/Caracas"},
    {"VGB", "America/Tortola"},
    {"VIR", "America/St_Thomas"},
    {"VNM", "Asia/Ho_Chi_Minh"},
    {"VUT", "Pacific/Efate"},
    {"WLF", "Pacific/Wallis"},
    {"WSM", "Pacific/Apia"},
    {"xANI", "Asia/Kolkata"},
    {"xAZS", "Atlantic/Azores"},
    {"xCAI", "Pacific/Kosrae"},
    {"xCNI", "Atlantic/Canary"},
    {"xCZT", "Indian/Reunion"},
    {"xEAS", "Pacific/Easter"},
    {"xFOI", "Atlantic/Faroe"},
    {"xKER", "Indian/Kerguelen"},
    {"xMDA", "Atlantic/Madeira"},
    {"xMID", "Pacific/Midway"},
    {"xMQS", "Pacific/Marquesas"},
    {"xTAH", "Pacific/Tahiti"},
    {"xTUA", "Pacific/Tahiti"},
    {"YEM", "Asia/Aden"},
    {"ZAF", "Africa/Johannesburg"},
    {"ZMB", "Africa/Lusaka"},
    {"ZWE", "Africa/Harare"},
};

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}
std::string keyOf(std::string_view row) { return std::string(row.substr(0, row.find('='))); }
std::string zoneOf(std::string_view row) { return std::string(row.substr(row.find('=') + 1)); }
}  // namespace

TEST(TsunLiteTables, RowsStayInKeyOrderWithTheRowsTheIndexImagesUse) {
  ASSERT_EQ(tzConst.size(), 281u);
  ASSERT_EQ(countriesConst.size(), 254u);
  EXPECT_EQ(tzConst[88], "GBR=GMT Standard Time");
  EXPECT_EQ(keyOf(tzConst[0]), "AFG");
  EXPECT_EQ(keyOf(tzConst[30]), "BLR?");
  EXPECT_EQ(keyOf(tzConst[196]), "RUS10");  // before RUS2: compared as text
  EXPECT_EQ(keyOf(tzConst[264]), "xANI");   // x-keys between WSM and YEM
  EXPECT_EQ(keyOf(tzConst[280]), "ZWE");
  for (size_t i = 1; i < tzConst.size(); ++i) {
    SCOPED_TRACE(std::string(tzConst[i]));
    EXPECT_LT(lower(keyOf(tzConst[i - 1])), lower(keyOf(tzConst[i])));
  }
  EXPECT_EQ(countriesConst[0], "Afghanistan");
  EXPECT_EQ(countriesConst[249], "Western Samoa");
  EXPECT_EQ(countriesConst[elements], "Zimbabwe");
}

TEST(TsunLiteTables, EachZoneIsTheCurrentWindowsZoneOfItsRegion) {
  ASSERT_EQ(std::size(kRowZones), tzConst.size());
  for (size_t i = 0; i < tzConst.size(); ++i) {
    SCOPED_TRACE(std::string(tzConst[i]) + " / " + kRowZones[i].iana);
    ASSERT_EQ(keyOf(tzConst[i]), kRowZones[i].key);
    EXPECT_EQ(zoneOf(tzConst[i]), platform::windowsZoneOfIana(kRowZones[i].iana));
    EXPECT_GE(createDateman().ftimezones.indexOf(zoneOf(tzConst[i])), 0);  // the calendar knows it
  }
}

TEST(TsunLiteTables, OutdatedZonesAreCorrected) {
  struct Case {
    const char* key;
    const char* zone;
  } cases[] = {
      {"ASM", "UTC-11"},          {"NIU", "UTC-11"},           {"KIR", "UTC+12"},
      {"TUR", "Turkey Standard Time"}, {"BLR?", "Belarus Standard Time"},
      {"xEAS", "Easter Island Standard Time"}, {"MAR", "Morocco Standard Time"},
      {"SDN", "Sudan Standard Time"}, {"WSM", "Samoa Standard Time"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    auto row = std::find_if(tzConst.begin(), tzConst.end(), [&](std::string_view r) { return keyOf(r) == c.key; });
    ASSERT_NE(row, tzConst.end());
    EXPECT_EQ(zoneOf(*row), c.zone);
  }
}
