// r_sunLite tables: the country and zone tables of the index images, the date line, and the
// zone and country lookup under a map pixel. An index pixel stores its table row as
// red + 256 × green + 65536 × blue; in the zone image a blue of 255 means no zone.
#include <cmath>

#include "astro/r_sunLite.h"
#include "platform/numbers.h"

// Zone texts follow the current Windows zone of each row's country or region (the zone the
// platform's IANA-to-Windows mapping gives); the rows themselves never move.
const std::array<std::string_view, elements + 1> countriesConst = {
    "Afghanistan", "Alaska", "Albania", "Algeria", "Andeman Islands", "Andorra", "Angola", "Anguilla",
    "Antarctica", "Antigua and Barbuda", "Argentina", "Armenia", "Ascension", "Australia", "Austria",
    "Azerbaijan", "Azores", "Bahamas", "Bahrain", "Bangladesh", "Barbados", "Belarus", "Belgium", "Belize",
    "Benin", "Bermuda", "Bhutan", "Bolivia", "Bosnia & Herzegovina", "Botswana", "Brazil",
    "British Virgin Islands", "Brunei", "Bulgaria", "Burkina Faso", "Burma", "Burundi", "Cambodia",
    "Cameroon", "Canada", "Canary Islands", "Cape Verde Islands", "Caroline Islands", "Cayman Islands",
    "Central African R", "Chad", "Chile", "China", "Christmas Isle", "Cocos Islands", "Colombia", "Comoros",
    "Congo", "Congo-Brazzaville", "Cook Islands", "Corsica", "Costa Rica", "Cote d'Ivoire", "Crete",
    "Croatia", "Crozet Isle", "Cuba", "Cyprus", "Czech R", "Denmark", "Djibouti", "Dominica", "Dominican R",
    "Dutch Antilles", "East Timor", "Easter Island", "Ecuador", "Egypt", "El Salvador", "Equatorial Guinea",
    "Eritrea", "Estonia", "Ethiopia", "Faeroe Islands", "Falkland islands", "Fiji", "Finland", "France",
    "French Guiana", "Gabon", "Galapogos Islands", "Gaza", "Georgia", "Germany", "Ghana", "Greece",
    "Greenland", "Grenada", "Guadeloupe", "Guam", "Guatemala", "Guinea", "Guinea-Bissau", "Guyana", "Haiti",
    "Hawaii", "Honduras", "Hungary", "Iceland", "India", "Indonesia", "Iran", "Iraq", "Ireland", "Israel",
    "Italy", "Iwo Jima", "Jamaica", "Japan", "Jordan", "Juan Fernandez Islands", "Kazakhstan", "Kenya",
    "Kerguelen", "Kiribati", "Korea - DPR (North)", "Korea - R (South)", "Kuwait", "Kyrgyzstan", "Laos",
    "Latvia", "Lebanon", "Lesotho", "Liberia", "Libyan AJ", "Liechtenstein", "Lithuania", "Luxembourg",
    "Macedonia", "Madagascar", "Madeira", "Malawi", "Malaysia", "Maldive Islands", "Mali", "Malta",
    "Marquesas", "Marshall Islands", "Martinique", "Mauritania", "Mauritius", "Mayotte", "Mexico",
    "Midway Islands", "Moldova", "Monaco", "Mongolia", "Montserrat", "Morocco", "Mozambique", "Namibia",
    "Nauru", "Nepal", "Netherlands", "New Caledonia", "New Zealand", "Nicaragua", "Nicobar", "Niger",
    "Nigeria", "Niue", "Norway", "Okinawa", "Oman", "Orkney Islands", "Pakistan", "Palestine", "Panama",
    "Papua New Guinea", "Paraguay", "Peru", "Philippines", "Pitcairn Is", "Poland", "Portugal", "Puerto Rico",
    "Qatar", "Reunion", "Romania", "Russia", "Rwanda", "Saint Croix", "Saint Martin (Fr)", "San Marino",
    "Sao Tome and Principe", "Sardinia", "Saudi Arabia", "Senegal", "Seychelles", "Shetland Isles",
    "Sierra Leone", "Singapore", "Sint Marten (Neth)", "Slovakia", "Slovenia", "Solomon Islands", "Somalia",
    "South Africa", "South Georgia", "South Sandwich Islands", "South Sudan", "Spain", "Spitsburgen",
    "Sri Lanka", "St Helena", "St Kitts-Nevis", "St Lucia", "St Vincent", "Sudan", "Suriname", "Swaziland",
    "Sweden", "Switzerland", "Syria", "Tahiti", "Taiwan", "Tajikistan", "Tanzania", "Thailand", "The Gambia",
    "The Grenadines", "Togo", "Tonga", "Trinidad & Tobago", "Tristan da Cunha", "Tuamoto Archipeligo",
    "Tunisia", "Turkey", "Turkmenistan", "Turks & Caicos Is", "Tuvalu", "Uganda", "Ukraine",
    "United Arab Emirates", "United Kingdom", "Uruguay", "US Virgin Islands", "USA", "Uzbekistan", "Vanuatu",
    "Venezuela", "Viet Nam", "Wallis & Futuna", "Western Sahara", "Western Samoa", "Yemen", "Yugoslavia",
    "Zambia", "Zimbabwe",
};

const std::array<std::string_view, tzelements + 1> tzConst = {
    "AFG=Afghanistan Standard Time",  // 0
    "AGO=W. Central Africa Standard Time",  // 1
    "AIA=SA Western Standard Time",  // 2
    "ALB=Central Europe Standard Time",  // 3
    "AND=W. Europe Standard Time",  // 4
    "ANT=SA Western Standard Time",  // 5
    "ARE=Arabian Standard Time",  // 6
    "ARG=Argentina Standard Time",  // 7
    "ARM=Caucasus Standard Time",  // 8
    "ASC=Greenwich Standard Time",  // 9
    "ASM=UTC-11",  // 10
    "ATA=UTC",  // 11
    "ATG=SA Western Standard Time",  // 12
    "AUS1=AUS Eastern Standard Time",  // 13
    "AUS2=Cen. Australia Standard Time",  // 14
    "AUS3=E. Australia Standard Time",  // 15
    "AUS4=AUS Central Standard Time",  // 16
    "AUS5=Tasmania Standard Time",  // 17
    "AUS6=W. Australia Standard Time",  // 18
    "AUT=W. Europe Standard Time",  // 19
    "AZE=Azerbaijan Standard Time",  // 20
    "BDI=South Africa Standard Time",  // 21
    "BEL=Romance Standard Time",  // 22
    "BEN=W. Central Africa Standard Time",  // 23
    "BFA=Greenwich Standard Time",  // 24
    "BGD=Bangladesh Standard Time",  // 25
    "BGR=FLE Standard Time",  // 26
    "BHR=Arab Standard Time",  // 27
    "BHS=Eastern Standard Time",  // 28
    "BIH=Central European Standard Time",  // 29
    "BLR?=Belarus Standard Time",  // 30
    "BLZ=Central America Standard Time",  // 31
    "BMU=Atlantic Standard Time",  // 32
    "BOL=SA Western Standard Time",  // 33
    "BRA1=E. South America Standard Time",  // 34
    "BRA2=SA Western Standard Time",  // 35
    "BRA3=SA Pacific Standard Time",  // 36
    "BRB=SA Western Standard Time",  // 37
    "BRN=Singapore Standard Time",  // 38
    "BTN=Bangladesh Standard Time",  // 39
    "BUR=Myanmar Standard Time",  // 40
    "BWA=South Africa Standard Time",  // 41
    "CAF=W. Central Africa Standard Time",  // 42
    "CAN=Atlantic Standard Time",  // 43
    "CAN1=Atlantic Standard Time",  // 44
    "CAN2=Eastern Standard Time",  // 45
    "CAN3=Central Standard Time",  // 46
    "CAN4=Mountain Standard Time",  // 47
    "CAN5=Newfoundland Standard Time",  // 48
    "CAN6=Pacific Standard Time",  // 49
    "CAN7=Canada Central Standard Time",  // 50
    "CCK=Myanmar Standard Time",  // 51
    "CHD=W. Central Africa Standard Time",  // 52
    "CHE=W. Europe Standard Time",  // 53
    "CHL=Pacific SA Standard Time",  // 54
    "CHN=China Standard Time",  // 55
    "CIV=Greenwich Standard Time",  // 56
    "CMR=W. Central Africa Standard Time",  // 57
    "COD=W. Central Africa Standard Time",  // 58
    "COD1=South Africa Standard Time",  // 59
    "COG=W. Central Africa Standard Time",  // 60
    "COL=SA Pacific Standard Time",  // 61
    "COM=E. Africa Standard Time",  // 62
    "CPV=Cape Verde Standard Time",  // 63
    "CRI=Central America Standard Time",  // 64
    "CUB=Cuba Standard Time",  // 65
    "CXR=SE Asia Standard Time",  // 66
    "CYM=SA Pacific Standard Time",  // 67
    "CYP=GTB Standard Time",  // 68
    "CZE=Central Europe Standard Time",  // 69
    "DEU=W. Europe Standard Time",  // 70
    "DJI=E. Africa Standard Time",  // 71
    "DMA=SA Western Standard Time",  // 72
    "DNK=Romance Standard Time",  // 73
    "DOM=SA Western Standard Time",  // 74
    "DZA=W. Central Africa Standard Time",  // 75
    "ECU=SA Pacific Standard Time",  // 76
    "EGY=Egypt Standard Time",  // 77
    "ERI=E. Africa Standard Time",  // 78
    "ESH=Morocco Standard Time",  // 79
    "ESP=Romance Standard Time",  // 80
    "EST=FLE Standard Time",  // 81
    "ETH=E. Africa Standard Time",  // 82
    "FIN=FLE Standard Time",  // 83
    "FJI=Fiji Standard Time",  // 84
    "FLK=SA Eastern Standard Time",  // 85
    "FRA=Romance Standard Time",  // 86
    "GAB=W. Central Africa Standard Time",  // 87
    "GBR=GMT Standard Time",  // 88
    "GEO=Georgian Standard Time",  // 89
    "GHA=Greenwich Standard Time",  // 90
    "GIN=Greenwich Standard Time",  // 91
    "GLP=SA Western Standard Time",  // 92
    "GMB=Greenwich Standard Time",  // 93
    "GNB=Greenwich Standard Time",  // 94
    "GNQ=W. Central Africa Standard Time",  // 95
    "GRC=GTB Standard Time",  // 96
    "GRD=SA Western Standard Time",  // 97
    "GRL1=Azores Standard Time",  // 98
    "GRL2=Greenland Standard Time",  // 99
    "GRL3=Atlantic Standard Time",  // 100
    "GTM=Central America Standard Time",  // 101
    "GUF=SA Eastern Standard Time",  // 102
    "GUM=West Pacific Standard Time",  // 103
    "GUY=SA Western Standard Time",  // 104
    "HND=Central America Standard Time",  // 105
    "HRV=Central European Standard Time",  // 106
    "HTI=Haiti Standard Time",  // 107
    "HUN=Central Europe Standard Time",  // 108
    "IDN=SE Asia Standard Time",  // 109
    "IDN1=SE Asia Standard Time",  // 110
    "IDN2=Singapore Standard Time",  // 111
    "IDN3=Tokyo Standard Time",  // 112
    "IND=India Standard Time",  // 113
    "IRL=GMT Standard Time",  // 114
    "IRN=Iran Standard Time",  // 115
    "IRQ=Arabic Standard Time",  // 116
    "ISL=Greenwich Standard Time",  // 117
    "ISR=Israel Standard Time",  // 118
    "ITA=W. Europe Standard Time",  // 119
    "JAM=SA Pacific Standard Time",  // 120
    "JOR=Jordan Standard Time",  // 121
    "JPN=Tokyo Standard Time",  // 122
    "KAZ1=West Asia Standard Time",  // 123
    "KAZ2=Central Asia Standard Time",  // 124
    "KEN=E. Africa Standard Time",  // 125
    "KGZ=Central Asia Standard Time",  // 126
    "KHM=SE Asia Standard Time",  // 127
    "KIR=UTC+12",  // 128
    "KNA=SA Western Standard Time",  // 129
    "KOR=Korea Standard Time",  // 130
    "KOS=Central Europe Standard Time",  // 131
    "KWT=Arab Standard Time",  // 132
    "LAO=SE Asia Standard Time",  // 133
    "LBN=Middle East Standard Time",  // 134
    "LBR=Greenwich Standard Time",  // 135
    "LBY=Libya Standard Time",  // 136
    "LCA=SA Western Standard Time",  // 137
    "LIE=W. Europe Standard Time",  // 138
    "LKA=Sri Lanka Standard Time",  // 139
    "LSO=South Africa Standard Time",  // 140
    "LTU=FLE Standard Time",  // 141
    "LUX=W. Europe Standard Time",  // 142
    "LVA=FLE Standard Time",  // 143
    "MAF=SA Western Standard Time",  // 144
    "MAR=Morocco Standard Time",  // 145
    "MDA=E. Europe Standard Time",  // 146
    "MDG=E. Africa Standard Time",  // 147
    "MDV=West Asia Standard Time",  // 148
    "MEX1=Central Standard Time (Mexico)",  // 149
    "MEX2=Mountain Standard Time (Mexico)",  // 150
    "MEX3=Pacific Standard Time (Mexico)",  // 151
    "MEX4=Pacific Standard Time (Mexico)",  // 152
    "MHL=UTC+12",  // 153
    "MKD=Central European Standard Time",  // 154
    "MLI=Greenwich Standard Time",  // 155
    "MLT=W. Europe Standard Time",  // 156
    "MNE=Central Europe Standard Time",  // 157
    "MNG=Ulaanbaatar Standard Time",  // 158
    "MOZ=South Africa Standard Time",  // 159
    "MRT=Greenwich Standard Time",  // 160
    "MSR=SA Western Standard Time",  // 161
    "MTQ=SA Western Standard Time",  // 162
    "MUS=Mauritius Standard Time",  // 163
    "MWI=South Africa Standard Time",  // 164
    "MYS=Singapore Standard Time",  // 165
    "MYT=E. Africa Standard Time",  // 166
    "NAM=Namibia Standard Time",  // 167
    "NCL=Central Pacific Standard Time",  // 168
    "NER=W. Central Africa Standard Time",  // 169
    "NGA=W. Central Africa Standard Time",  // 170
    "NIC=Central America Standard Time",  // 171
    "NIU=UTC-11",  // 172
    "NLD=W. Europe Standard Time",  // 173
    "NOR=W. Europe Standard Time",  // 174
    "NPL=Nepal Standard Time",  // 175
    "NRU=UTC+12",  // 176
    "NZL=New Zealand Standard Time",  // 177
    "OMN=Arabian Standard Time",  // 178
    "PAK=Pakistan Standard Time",  // 179
    "PAN=SA Pacific Standard Time",  // 180
    "PCN=UTC-08",  // 181
    "PER=SA Pacific Standard Time",  // 182
    "PHL=Singapore Standard Time",  // 183
    "PNG=West Pacific Standard Time",  // 184
    "POL=Central European Standard Time",  // 185
    "PRI=SA Western Standard Time",  // 186
    "PRK=North Korea Standard Time",  // 187
    "PRT=GMT Standard Time",  // 188
    "PRY=Paraguay Standard Time",  // 189
    "PSE=West Bank Standard Time",  // 190
    "QAT=Arab Standard Time",  // 191
    "REU=Mauritius Standard Time",  // 192
    "ROU=GTB Standard Time",  // 193
    "RUS=Russian Standard Time",  // 194
    "RUS1=Kaliningrad Standard Time",  // 195
    "RUS10=Magadan Standard Time",  // 196
    "RUS11=Russia Time Zone 11",  // 197
    "RUS12=Russia Time Zone 11",  // 198
    "RUS2=Russian Standard Time",  // 199
    "RUS3=Russia Time Zone 3",  // 200
    "RUS4=Ekaterinburg Standard Time",  // 201
    "RUS5=N. Central Asia Standard Time",  // 202
    "RUS6=North Asia Standard Time",  // 203
    "RUS7=North Asia East Standard Time",  // 204
    "RUS8=Yakutsk Standard Time",  // 205
    "RUS9=Vladivostok Standard Time",  // 206
    "RWA=South Africa Standard Time",  // 207
    "SAU=Arab Standard Time",  // 208
    "SDN=Sudan Standard Time",  // 209
    "SEN=Greenwich Standard Time",  // 210
    "SGP=Singapore Standard Time",  // 211
    "SHN=Greenwich Standard Time",  // 212
    "SLB=Central Pacific Standard Time",  // 213
    "SLE=Greenwich Standard Time",  // 214
    "SLV=Central America Standard Time",  // 215
    "SOM=E. Africa Standard Time",  // 216
    "SRB=Central Europe Standard Time",  // 217
    "SSU=South Sudan Standard Time",  // 218
    "STP=Sao Tome Standard Time",  // 219
    "SUR=SA Eastern Standard Time",  // 220
    "SVK=Central Europe Standard Time",  // 221
    "SVN=Central Europe Standard Time",  // 222
    "SWE=W. Europe Standard Time",  // 223
    "SWZ=South Africa Standard Time",  // 224
    "SYC=Mauritius Standard Time",  // 225
    "SYR=Syria Standard Time",  // 226
    "TAA=Greenwich Standard Time",  // 227
    "TCA=Turks And Caicos Standard Time",  // 228
    "TCD=W. Central Africa Standard Time",  // 229
    "TGO=Greenwich Standard Time",  // 230
    "THA=SE Asia Standard Time",  // 231
    "TJK=West Asia Standard Time",  // 232
    "TKM=West Asia Standard Time",  // 233
    "TLS=Tokyo Standard Time",  // 234
    "TON=Tonga Standard Time",  // 235
    "TTO=SA Western Standard Time",  // 236
    "TUN=W. Central Africa Standard Time",  // 237
    "TUR=Turkey Standard Time",  // 238
    "TUV=UTC+12",  // 239
    "TWN=Taipei Standard Time",  // 240
    "TZA=E. Africa Standard Time",  // 241
    "UGA=E. Africa Standard Time",  // 242
    "UKR=FLE Standard Time",  // 243
    "URY=Montevideo Standard Time",  // 244
    "USA=Eastern Standard Time",  // 245
    "USA1=Eastern Standard Time",  // 246
    "USA2=US Eastern Standard Time",  // 247
    "USA3=Central Standard Time",  // 248
    "USA4=US Mountain Standard Time",  // 249
    "USA5=Mountain Standard Time",  // 250
    "USA6=Pacific Standard Time",  // 251
    "USA7=Alaskan Standard Time",  // 252
    "USA8=Hawaiian Standard Time",  // 253
    "USA9=Hawaiian Standard Time",  // 254
    "UZB=West Asia Standard Time",  // 255
    "VCT=SA Western Standard Time",  // 256
    "VEN=Venezuela Standard Time",  // 257
    "VGB=SA Western Standard Time",  // 258
    "VIR=SA Western Standard Time",  // 259
    "VNM=SE Asia Standard Time",  // 260
    "VUT=Central Pacific Standard Time",  // 261
    "WLF=UTC+12",  // 262
    "WSM=Samoa Standard Time",  // 263
    "xANI=India Standard Time",  // 264
    "xAZS=Azores Standard Time",  // 265
    "xCAI=Central Pacific Standard Time",  // 266
    "xCNI=GMT Standard Time",  // 267
    "xCZT=Mauritius Standard Time",  // 268
    "xEAS=Easter Island Standard Time",  // 269
    "xFOI=GMT Standard Time",  // 270
    "xKER=West Asia Standard Time",  // 271
    "xMDA=GMT Standard Time",  // 272
    "xMID=UTC-11",  // 273
    "xMQS=Marquesas Standard Time",  // 274
    "xTAH=Hawaiian Standard Time",  // 275
    "xTUA=Hawaiian Standard Time",  // 276
    "YEM=Arab Standard Time",  // 277
    "ZAF=South Africa Standard Time",  // 278
    "ZMB=South Africa Standard Time",  // 279
    "ZWE=South Africa Standard Time",  // 280
};

const std::array<TdatelinePoint, 21> Dateline = {{
    {180000, 90000}, {180000, 75000}, {190750, 67736}, {190750, 65019}, {170050, 52686}, {180000, 47835},
    {180000, -900},  {200350, -900},  {200350, 2900},  {198150, 2900},  {198150, 5000},  {204050, 5000},
    {209350, -7800}, {209350, -10000}, {203950, -10000}, {203950, -7800}, {181950, -7800}, {187250, -15000},
    {187250, -45000}, {180000, -51181}, {180000, -90000},
}};

int TsunLite::timeZone(int x, int y, std::string& country, std::string& zoneName) {
  country.clear();
  zoneName.clear();
  if (!tzBm) return -1;
  if (!indexImagesRead) readIndexImages();
  x += static_cast<int>(platform::Round(loc->centreLong() / 360.0 * screenwid));
  if (x < 0) x += screenwid;
  if (x >= screenwid) x -= screenwid;
  uint8_t r = 0, g = 0, b = 0;
  tzBm->getPixel(x, y, r, g, b);
  if (b == 255) return -1;
  const int index = r + 256 * g + 65536 * b;
  if (index < tzList.count()) zoneName = TStringList::valueOf(tzList[index]);
  if (countryBm) {
    countryBm->getPixel(x, y, r, g, b);
    const int c = r + 256 * g + 65536 * b;
    if (c < countries.count()) country = countries[c];
  }
  return index;
}
