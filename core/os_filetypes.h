// File-type codes (one integer 0..255 per type) and file classes, with the services object's
// operations on them: a name to its code, a code to its default extension, filter text, class
// and icon. Extensions are lower case without the full stop; "\" (or "/") names a folder.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class TBitmap;
}

// The codes. Unused: 134, 151, 226 to 253. Reserved for sister formats: 86-88, 90, 92-96, 99,
// 102, 103, 192, 195, 220.
enum : int {
  file_unknown = 0, file_dra = 1, file_loc = 2, file_bmp = 3, file_tif = 4, file_tiff = 4, file_jpeg = 5,
  file_shp = 6, file_dxf = 7, file_mif = 8, file_ntf = 9, file_htm = 10, file_ter = 11, file_rst = 12,
  file_doq = 13, file_ecw = 14, file_dbf = 15, file_mdb = 16, file_geo = 17, file_emf = 18, file_rtf = 19,
  file_txt = 20, file_mpk = 21, file_xy = 22, file_stl = 23, file_xls = 24, file_zip = 25, file_pmf = 26,
  file_csv = 27, file_ntf_LL = 28, file_ntf_contours = 29, file_ntf_DTM = 30, file_arc = 31, file_doc = 32,
  file_pdf = 33, file_wpt = 34, file_dll = 35, file_elk = 36, file_clp = 37, file_rub = 38, file_syb = 39,
  file_qys = 40, file_ntf_oscar = 41, file_log = 42, file_mtx = 43, file_grd = 44, file_srf = 45,
  file_ap_csv = 46, file_exe = 47, file_e00 = 48, file_dlg = 49, file_grs = 50, file_ini = 51, file_rt1 = 52,
  file_vxp = 53, file_qye = 54, file_gwb = 55, file_trk = 56, file_mst = 57, file_mtk = 58, file_tra = 59,
  file_mas = 60, file_xyz = 61, file_dem = 62, file_ddf = 63, file_tri = 64, file_smp = 65, file_lin = 66,
  file_map = 67, file_doqNE = 68, file_doqSE = 69, file_doqSW = 70, file_doqNW = 71, file_gpl = 72,
  file_gml = 73, file_svg = 74, file_bna = 75, file_dat = 76, file_apr = 77, file_img = 78, file_hgt = 79,
  file_ptp = 80, file_mat = 81, file_act = 82, file_sfb = 83, file_edx = 84, file_xml = 85, file_sdf = 89,
  file_omp = 91, file_mbk = 97, file_mpp = 98, file_jp2 = 100, file_qydra = 101, file_styles = 104,
  file_projection = 105, file_rtfpanel = 106, file_scalebar = 107, file_north = 108, file_title = 109,
  file_legend = 110, file_word = 111, file_image = 112, file_page = 113, file_ps = 114, file_eps = 115,
  file_vector = 116, file_layers = 117, file_project = 118, file_multi = 119, file_surface = 120,
  file_pal = 121, file_dsn = 122, file_datalink = 123, file_picklist = 124, file_kml = 125, file_kmz = 126,
  file_featurelist = 127, file_symbol = 128, file_symbols = 129, file_QYcolour = 130, file_sid = 131,
  file_html = 132, file_view = 133, file_topo = 135, file_qyxml = 136, file_mssql = 137, file_mysql = 138,
  file_oracle = 139, file_png = 140, file_time = 141, file_avi = 142, file_sqlite = 143, file_ado = 144,
  file_qyform = 145, file_gpx = 146, file_qybits = 147, file_qyter = 148, file_qystyle = 149,
  file_qytemplate = 150, file_qylayer = 152, file_qysymbol = 153, file_asc = 154, file_qyrange = 155,
  file_qynotes = 156, file_qydatum = 157, file_qyproj = 158, file_qylist = 159, file_docx = 160,
  file_gif = 161, file_xlsx = 162, file_accdb = 163, file_qyproject = 164, file_vml = 165, file_wms = 166,
  file_mp3 = 167, file_mov = 168, file_qt = 169, file_qytokens = 170, file_qylingua = 171,
  file_qywebmap = 172, file_qyprojection = 173, file_qysight = 174, file_qybands = 175,
  file_qycontext = 176, file_qynet = 177, file_qynal = 178, file_qywms = 179, file_swf = 180,
  file_qystyles = 181, file_osm = 182, file_QYlegend = 183, file_QYcollar = 184, file_QYpage = 185,
  file_QYweb = 186, file_tab = 187, file_QYscript = 188, file_QYtri = 189, file_wmf = 190, file_QYtree = 191,
  file_views = 193, file_QYroad = 194, file_camera = 196, file_ukbase = 197, file_landform = 198,
  file_template = 199, file_tokens = 200, file_prj = 201, file_basemap = 202, file_gaz = 203, file_obj = 204,
  file_script = 205, file_colours = 206, file_shortcuts = 207, file_criteria = 208, file_gz = 209,
  file_j2k = 210, file_gpkg = 211, file_analysis = 212, file_terstyle = 213, file_geojson = 214,
  file_qytiles = 215, file_locations = 216, file_wmts = 217, file_wkt = 218, file_trees = 219,
  file_terdb = 221, file_db = 222, file_fmp = 223, file_fields = 224, file_draDb = 225,
  file_directory = 254, file_any = 255
};

// File classes. FileClass gives 0 to 6; 10 to 12 are markers some callers use for themselves.
enum : int {
  file_class_unknown = 0, file_class_vector = 1, file_class_bitmap = 2, file_class_data = 3,
  file_class_dem = 4, file_class_resource = 5, file_class_remote = 6, file_class_vector_export = 10,
  file_class_background = 11, file_class_dem_export = 12
};

// The services object's operations on the codes (a base of `Tos`).
class TosFileTypes {
 public:
  // The code of a file name, a bare extension ("bmp"), a folder name (ending "\" or "/"), "*"
  // or an address ("http..." gives file_htm); `def` when the extension is not known, and only
  // with `def` 0 is an existing file's header tested for the DOQ signature.
  [[nodiscard]] static int getFileTypeEx(const std::string& name, int def);
  [[nodiscard]] static int getFileType(const std::string& name) { return getFileTypeEx(name, 0); }
  // Default extension of a code without the full stop: "*" when it has none, empty for a folder.
  [[nodiscard]] static std::string getEXT(int ftype);
  // The filter text of a code, through the translation hook (group "file types").
  [[nodiscard]] static std::string fileDescription(int ftype);
  [[nodiscard]] static int FileClass(int fType);
  [[nodiscard]] static std::string fileclassName(int value);
  // A handle of the icon theme's icon for files of the code's default extension (16 pixels when
  // small, else 32); 0 when the theme has none. The caller frees it with platform::freeIcon.
  [[nodiscard]] static int getIcon(int fType, bool small);
  // A new 32 by 32 24-bit bitmap, pure red, with the program's cursor of that number (a tool
  // cursor of `os`) drawn at (0, 0) at its own size; red alone for a number without a picture.
  [[nodiscard]] static std::unique_ptr<platform::TBitmap> CursorToBitmap(int32_t cursor);
};
