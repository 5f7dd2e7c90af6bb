// The drawing module's routines that name columns and save a drawing, and the attribute export
// of a drawing as a dBase III table or a CSV text (RFC 4180, UTF-8 without a byte-order mark,
// CR LF). Exported files are written beside their target and renamed into place when whole.
#include "drawing/r_Dra.h"
#include "drawing/r_Dra_internal.h"
#include "storage/r_Data.h"

std::string colTypeStr(int32_t type) {
  switch (type) {
    case col_serial: return "serial";
    case col_textrotation: return "text rotation";
    case col_textHeight: return "text height";
    case col_caption: return "caption";
    case col_hectares: return "area ha";
    case col_z: return "altitude m";
    case col_length: return "length m";
    case col_area: return "area m2";
    case col_id: return "id";
    case col_obtype: return "object type";
    case col_stylenum: return "style number";
    default: return std::to_string(type);
  }
}

int32_t gobColIndex(TgobArray& g, const std::string& name) {
  static const std::pair<const char*, int32_t> intrinsic[] = {
      {"object type", col_obtype}, {"style number", col_stylenum}, {"caption", col_caption},
      {"z", col_z},                {"id", col_id},                 {"qy_id", col_id},
      {"style codes", col_stylecodes}, {"text height", col_textHeight}, {"text rotation", col_textrotation},
      {"line label mode", col_linelabelmode}};
  for (const auto& [n, col] : intrinsic)
    if (name == n) return col;
  int32_t i = g.columnIndexOf(name);
  return i < 0 ? col_none : i;
}
