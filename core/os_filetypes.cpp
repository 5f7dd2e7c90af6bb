// File-type codes: the code table (extensions recognised, default extension, class, filter
// text) and the lookups on it. Each extension names exactly one code ("asc" is 154, "db" 222).
#include "core/os_filetypes.h"

#include <array>
#include <cstring>
#include <unordered_map>

#include "core/r_base.h"
#include "core/units_seams.h"
#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "platform/windows.h"

namespace {
struct TfileTypeRow {
  int code;
  const char* extensions;  // comma list of the extensions that name this code
  const char* ext;         // default extension; "*" when there is none
  int fileClass;
  const char* description;  // fixed filter text, or nullptr for the built form
};

// clang-format off
constexpr TfileTypeRow kRows[] = {
    {0, "", "*", 0, "Any file (*.*)"},
    {1, "dra,dr$", "dra", 1, "Ombrant Drawing file (*.dra)"},
    {2, "loc", "loc", 1, "Ombrant locations list (*.loc)"},
    {3, "bmp", "bmp", 2, "Windows bitmap (*.bmp)"},
    {4, "tiff,tif", "tif", 2, "Tagged Image File Format (*.tif)"},
    {5, "jpg,jpeg", "jpg", 2, "JPEG Image (*.jpg)"},
    {6, "shp", "shp", 1, "ArcView Shape file (*.shp)"},
    {7, "dxf", "dxf", 1, "Drawing exchange format (*.dxf)"},
    {8, "mif", "mif", 1, "MapInfo interchange format (*.mif)"},
    {9, "ntf", "ntf", 1, "National Transfer Format (*.ntf)"},
    {10, "htm", "htm", 5, "HTML document (*.htm)"},
    {11, "ter", "ter", 4, "Ombrant terrain (*.ter)"},
    {12, "rst", "rst", 2, "Idrisi raster image (*.rst)"},
    {13, "doq", "doq", 2, "Digital orthophoto quadrangle (*.doq)"},
    {14, "ecw,ncm", "ecw", 2, "ECW compressed image (*.ecw)"},
    {15, "dbf", "dbf", 3, "dBase/FoxPro data file (*.dbf)"},
    {16, "mdb", "mdb", 3, "Access database (*.mdb)"},
    {17, "geo", "geo", 0, nullptr},
    {18, "emf", "emf", 0, "Enhanced Metafile (*.emf)"},
    {19, "rtf", "rtf", 0, "Rich Text Format (*.rtf)"},
    {20, "txt", "txt", 0, "Text file (*.txt)"},
    {21, "mpk", "*", 0, nullptr},
    {22, "xy", "xy", 0, nullptr},
    {23, "stl", "stl", 0, nullptr},
    {24, "xls", "xls", 3, "Excel workbook (*.xls)"},
    {25, "zip", "zip", 0, "Compressed data (*.zip)"},
    {26, "pmf", "pmf", 0, nullptr},
    {27, "csv", "csv", 3, "Comma separated variables (*.csv)"},
    {28, "ntf_ll", "ntf", 1, nullptr},
    {29, "ntf_contours", "ntf", 0, nullptr},
    {30, "ntf_dtm", "ntf", 4, nullptr},
    {31, "adf,arcinfo", "adf", 0, "ArcInfo coverage (*.adf, arc.*)"},
    {32, "doc", "doc", 0, "Word document (*.doc)"},
    {33, "pdf", "pdf", 0, "Adobe Acrobat (*.pdf)"},
    {34, "wpt", "wpt", 0, nullptr},
    {35, "dll", "dll", 0, nullptr},
    {36, "elk", "elk", 0, nullptr},
    {37, "clp", "clp", 0, nullptr},
    {38, "rub", "rub", 0, nullptr},
    {39, "syb", "syb", 0, nullptr},
    {40, "qys", "qys", 0, nullptr},
    {41, "ntf_oscar", "ntf", 0, nullptr},
    {42, "log", "log", 0, "Log file (*.log)"},
    {43, "mtx", "mtx", 0, nullptr},
    {44, "grd", "grd", 4, "Surfer grid (*.grd)"},
    {45, "srf", "srf", 0, nullptr},
    {46, "ap_csv", "csv", 0, nullptr},
    {47, "exe", "exe", 0, nullptr},
    {48, "e00", "e00", 1, nullptr},
    {49, "dlg", "dlg", 1, nullptr},
    {50, "grs", "grs", 1, nullptr},
    {51, "ini", "ini", 0, "Settings file (*.ini)"},
    {52, "rt1", "rt1", 1, nullptr},
    {53, "vxp", "vxp", 1, nullptr},
    {54, "qye", "qye", 0, nullptr},
    {55, "gwb", "gwb", 0, nullptr},
    {56, "trk", "trk", 0, nullptr},
    {57, "mst", "mst", 0, nullptr},
    {58, "mtk", "mtk", 0, nullptr},
    {59, "tra", "tra", 0, nullptr},
    {60, "mas", "mas", 0, nullptr},
    {61, "xyz", "xyz", 4, nullptr},
    {62, "dem", "*", 4, "USGS DEM (*.*)"},
    {63, "ddf", "ddf", 0, nullptr},
    {64, "tri", "tri", 0, nullptr},
    {65, "smp", "smp", 0, nullptr},
    {66, "lin", "lin", 0, nullptr},
    {67, "map", "map", 0, nullptr},
    {68, "nes", "nes", 0, nullptr},
    {69, "ses", "ses", 0, nullptr},
    {70, "sws", "sws", 0, nullptr},
    {71, "nws", "nws", 0, nullptr},
    {72, "gpl", "gpl", 0, nullptr},
    {73, "gml", "gml", 1, "Geography Markup Language (*.gml)"},
    {74, "svg", "svg", 0, "Scalable Vector Graphics (*.svg)"},
    {75, "bna", "bna", 1, nullptr},
    {76, "dat", "dat", 0, nullptr},
    {77, "apr", "apr", 0, nullptr},
    {78, "img", "img", 0, nullptr},
    {79, "hgt", "hgt", 4, "SRTM height file (*.hgt)"},
    {80, "ptp", "ptp", 0, nullptr},
    {81, "mat", "mat", 0, nullptr},
    {82, "act", "act", 0, nullptr},
    {83, "sfb", "sfb", 0, nullptr},
    {84, "", "asc", 0, nullptr},
    {85, "xml", "xml", 0, "XML document (*.xml)"},
    {89, "sdf", "sdf", 0, nullptr},
    {91, "omp", "omp", 0, nullptr},
    {97, "mbk", "mbk", 0, nullptr},
    {98, "mpp", "mpp", 0, nullptr},
    {100, "jp2", "jp2", 2, "JPEG 2000 (*.jp2)"},
    {101, "qydra", "QYdra", 1, "Ombrant Drawing (*.QYdra)"},
    {104, "styles", "styles", 0, nullptr},
    {105, "projection", "projection", 0, nullptr},
    {106, "textpanel", "textpanel", 0, nullptr},
    {107, "scalebar", "scalebar", 0, nullptr},
    {108, "north", "north", 0, nullptr},
    {109, "title", "title", 0, nullptr},
    {110, "legend", "legend", 0, nullptr},
    {111, "word", "word", 0, nullptr},
    {112, "image", "image", 0, nullptr},
    {113, "page", "page", 0, nullptr},
    {114, "ps", "ps", 1, "PostScript (*.ps)"},
    {115, "eps", "eps", 1, "Encapsulated PostScript (*.eps)"},
    {116, "vector", "vector", 1, nullptr},
    {117, "layers", "layers", 0, nullptr},
    {118, "mapproject", "mapproject", 0, nullptr},
    {119, "multi", "multi", 0, nullptr},
    {120, "surface", "surface", 4, nullptr},
    {121, "palette", "palette", 0, nullptr},
    {122, "dsn", "dsn", 0, nullptr},
    {123, "datalink", "datalink", 0, nullptr},
    {124, "picklist", "picklist", 0, nullptr},
    {125, "kml", "kml", 1, "Keyhole Markup Language (*.kml)"},
    {126, "kmz", "kmz", 1, "Compressed KML (*.kmz)"},
    {127, "featurelist", "featurelist", 0, nullptr},
    {128, "symbol", "symbol", 0, nullptr},
    {129, "symbols", "symbols", 0, nullptr},
    {130, "qycolour", "QYcolour", 0, nullptr},
    {131, "sid", "sid", 2, nullptr},
    {132, "html", "html", 0, "HTML document (*.html)"},
    {133, "view", "view", 0, nullptr},
    {135, "topo", "topo", 0, nullptr},
    {136, "qyxml", "qyxml", 0, nullptr},
    {137, "mdf", "mdf", 3, "MS SQL Server"},
    {138, "myd", "myd", 3, "MYSQL Server"},
    {139, "oracle", "oracle", 3, "Oracle database"},
    {140, "png", "png", 2, "Portable Network Graphics (*.png)"},
    {141, "time", "time", 0, nullptr},
    {142, "avi", "avi", 5, "Video clip (*.avi)"},
    {143, "db3", "db", 3, "SQLite database (*.db)"},
    {144, "ado", "ado", 0, "ADO data connection"},
    {145, "qyform", "QYform", 0, nullptr},
    {146, "gpx", "gpx", 1, "GPS exchange format (*.gpx)"},
    {147, "qybits", "QYbits", 2, nullptr},
    {148, "qyter", "QYter", 4, nullptr},
    {149, "qystyle", "QYstyle", 0, nullptr},
    {150, "qytemplate", "QYtemplate", 0, nullptr},
    {152, "qylayer", "QYlayer", 5, nullptr},
    {153, "qysymbol", "QYsymbol", 0, nullptr},
    {154, "asc", "asc", 4, "ASCII grid (*.asc)"},
    {155, "qyrange", "QYrange", 0, nullptr},
    {156, "qynotes", "QYnotes", 0, "Ombrant notes (*.QYnotes)"},
    {157, "qydatum", "QYdatum", 0, nullptr},
    {158, "qyproj", "QYproj", 0, nullptr},
    {159, "qylist", "QYlist", 0, nullptr},
    {160, "docx", "docx", 0, "Word document (*.docx)"},
    {161, "gif", "gif", 0, "Graphics Interchange Format (*.gif)"},
    {162, "xlsx", "xlsx", 0, "Excel workbook (*.xlsx)"},
    {163, "accdb", "accdb", 0, nullptr},
    {164, "qyproject", "QYproject", 0, nullptr},
    {165, "vml", "vml", 1, nullptr},
    {166, "wms", "wms", 2, nullptr},
    {167, "mp3", "mp3", 5, "MP3 audio (*.mp3)"},
    {168, "mov", "mov", 5, nullptr},
    {169, "qt", "qt", 5, nullptr},
    {170, "qytokens", "QYtokens", 5, nullptr},
    {171, "qylingua", "QYlingua", 5, nullptr},
    {172, "qywebmap", "QYwebmap", 5, nullptr},
    {173, "qyprojection", "QYprojection", 5, nullptr},
    {174, "qysight", "QYsight", 5, nullptr},
    {175, "qybands", "QYbands", 5, nullptr},
    {176, "qycontext", "QYcontext", 5, nullptr},
    {177, "qynet", "QYnet", 5, nullptr},
    {178, "qynal", "QYnal", 5, nullptr},
    {179, "qywms", "QYwms", 2, nullptr},
    {180, "swf", "swf", 5, nullptr},
    {181, "qystyles", "QYstyles", 0, nullptr},
    {182, "osm", "osm", 1, "OpenStreetMap data (*.osm)"},
    {183, "qylegend", "qylegend", 5, nullptr},
    {184, "qycollar", "qycollar", 5, nullptr},
    {185, "qypage", "qypage", 5, nullptr},
    {186, "qyweb", "QYweb", 6, nullptr},
    {187, "tab", "tab", 1, nullptr},
    {188, "qyscript", "qyscript", 5, nullptr},
    {189, "qytri", "QYtri", 4, nullptr},
    {190, "wmf", "wmf", 0, "Windows Metafile (*.wmf)"},
    {191, "qytree", "QYtree", 5, nullptr},
    {193, "views", "Views", 5, nullptr},
    {194, "qyroad", "QYroad", 5, nullptr},
    {196, "camera", "camera", 5, nullptr},
    {197, "ukbase", "ukbase", 5, nullptr},
    {198, "landform", "landform", 5, nullptr},
    {199, "template", "template", 5, nullptr},
    {200, "tokens", "tokens", 5, nullptr},
    {201, "prj", "prj", 5, nullptr},
    {202, "basemap", "basemap", 5, nullptr},
    {203, "gaz", "gaz", 5, nullptr},
    {204, "obj", "obj", 4, nullptr},
    {205, "script", "script", 5, nullptr},
    {206, "colours", "colours", 5, nullptr},
    {207, "shortcuts", "shortcuts", 5, nullptr},
    {208, "criteria", "criteria", 5, "Ombrant selection criteria"},
    {209, "gz", "gz", 5, "g-Zipped file (*.gz)"},
    {210, "j2k", "j2k", 2, "JPEG 2000 (*.j2k)"},
    {211, "gpkg", "gpkg", 1, "GeoPackage (*.gpkg)"},
    {212, "analysis", "analysis", 5, nullptr},
    {213, "terstyle", "terstyle", 5, nullptr},
    {214, "geojson", "geojson", 1, "GeoJSON (*.geojson)"},
    {215, "qytiles", "QYtiles", 2, nullptr},
    {216, "locations", "locations", 5, "Ombrant locations (*.locations)"},
    {217, "wmts", "wmts", 5, nullptr},
    {218, "wkt", "wkt", 5, nullptr},
    {219, "trees", "trees", 1, nullptr},
    {221, "terdb", "terdb", 4, nullptr},
    {222, "db", "db", 3, "SQLite database (*.db)"},
    {223, "fmp", "fmp", 5, nullptr},
    {224, "fields", "fields", 5, nullptr},
    {225, "dradb", "dradb", 0, "Ombrant Drawing 2 (*.draDb)"},
    {86, "", "*", 0, nullptr},  // reserved
    {87, "", "*", 0, nullptr},  // reserved
    {88, "", "*", 0, nullptr},  // reserved
    {90, "", "*", 1, nullptr},  // reserved
    {92, "", "*", 0, nullptr},  // reserved
    {93, "", "*", 0, nullptr},  // reserved
    {94, "", "*", 0, nullptr},  // reserved
    {95, "", "*", 0, nullptr},  // reserved
    {96, "", "*", 0, nullptr},  // reserved
    {99, "", "*", 0, nullptr},  // reserved
    {102, "", "*", 4, nullptr},  // reserved
    {103, "", "*", 0, nullptr},  // reserved
    {192, "", "*", 5, nullptr},  // reserved
    {195, "", "*", 5, nullptr},  // reserved
    {220, "", "*", 5, nullptr},  // reserved
    {254, "\\", "", 0, "directory"},
    {255, "*", "*", 0, "Any file (*.*)"},
};
// clang-format on

struct Tables {
  std::array<const TfileTypeRow*, 256> byCode{};
  std::unordered_map<std::string, int> byExtension;
  Tables() {
    for (const auto& r : kRows) {
      byCode[static_cast<size_t>(r.code)] = &r;
      std::string list = r.extensions;
      size_t start = 0;
      while (start < list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        byExtension.emplace(list.substr(start, comma - start), r.code);
        start = comma + 1;
      }
    }
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

const TfileTypeRow* rowOf(int code) {
  if (code < 0 || code > 255) return nullptr;
  return tables().byCode[static_cast<size_t>(code)];
}

// The extension by which a name is looked up: "\" for a folder, the whole name when it holds
// no full stop, "htm" for an address, else the text after the last full stop.
std::string extensionOf(const std::string& name) {
  std::string s = platform::lowerCase(name);
  if (!s.empty() && (s.back() == '\\' || s.back() == '/')) return "\\";
  auto dot = s.rfind('.');
  if (dot == std::string::npos) return s;
  if (s.compare(0, 4, "http") == 0) return "htm";
  return s.substr(dot + 1);
}

constexpr char kDoqHeader[] = "BEGIN_USGS_DOQ_HEADER";

bool startsWithDoqHeader(const std::string& name) {
  if (!platform::isFile(name)) return false;
  int fd = platform::openRead(name);
  if (fd == platform::kNoFile) return false;
  char head[sizeof kDoqHeader - 1];
  int64_t got = platform::readFile(fd, head, sizeof head);
  platform::closeFile(fd);
  return got == static_cast<int64_t>(sizeof head) && std::memcmp(head, kDoqHeader, sizeof head) == 0;
}
}  // namespace

int TosFileTypes::getFileTypeEx(const std::string& name, int def) {
  if (name.empty()) return file_unknown;
  int result = def;
  const auto& map = tables().byExtension;
  if (auto it = map.find(extensionOf(name)); it != map.end()) result = it->second;
  if (result == file_unknown && name.find('.') != std::string::npos && startsWithDoqHeader(name)) result = file_doq;
  return result;
}

std::string TosFileTypes::getEXT(int ftype) {
  const TfileTypeRow* r = rowOf(ftype);
  return r ? r->ext : "*";
}

std::string TosFileTypes::fileDescription(int ftype) {
  std::string text;
  if (const TfileTypeRow* r = rowOf(ftype); r && r->description) {
    text = r->description;
  } else {
    std::string ext = getEXT(ftype);
    text = platform::upperCase(ext) + " file (*." + ext + ")";
  }
  return unitsSeam::wd("file types", text);
}

int TosFileTypes::FileClass(int fType) {
  const TfileTypeRow* r = rowOf(fType);
  return r ? r->fileClass : file_class_unknown;
}

std::string TosFileTypes::fileclassName(int value) {
  switch (value) {
    case file_class_vector: return "vector";
    case file_class_bitmap: return "bitmap";
    case file_class_dem: return "terrain";
    default: return "";
  }
}

int TosFileTypes::getIcon(int fType, bool small) {
  std::string ext = getEXT(fType);
  if (ext.empty() || ext == "*") return 0;
  return platform::loadFileIcon(platform::lowerCase(ext), small ? 16 : 32);
}

std::unique_ptr<platform::TBitmap> TosFileTypes::CursorToBitmap(int32_t cursor) {
  constexpr int kSize = 32;
  auto bm = std::make_unique<platform::TBitmap>();
  bm->SetPixelFormat(platform::pf24bit);
  bm->SetSize(kSize, kSize);
  platform::TcursorImage im;
  if (os) {
    auto it = os->toolCursors.find(cursor);
    std::string error;
    if (it == os->toolCursors.end() || it->second.empty() || !platform::cursorFromPng(it->second, {}, im, error))
      im = {};
  }
  for (int y = 0; y < kSize; ++y) {
    uint8_t* row = bm->ScanLine(y);
    for (int x = 0; x < kSize; ++x) {
      uint32_t argb = x < im.width && y < im.height ? im.argb[size_t(y) * im.width + x] : 0;
      if (!(argb >> 24)) argb = 0xFF0000;  // the picture's clear pixels show the red ground
      row[3 * x] = argb & 0xFF;  // blue, green, red in memory
      row[3 * x + 1] = (argb >> 8) & 0xFF;
      row[3 * x + 2] = (argb >> 16) & 0xFF;
    }
  }
  return bm;
}
