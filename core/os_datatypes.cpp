// Data-type codes: display names and generic families.
#include "core/os_datatypes.h"

int genericDataType(int ftType) {
  switch (ftType) {
    case ftSmallint: case ftInteger: case ftWord: case ftcardinal: case ftPercent:
      return ftInteger;
    case ftDouble: case ftLinear: case ftArea: case ftPaperLinear:
      return ftDouble;
    case ftBlob: case ftGraphic: case ftNotes: case ftFile: case ftXYvalues: case ftPolyXYvalues:
      return ftBlob;
    default:
      return ftString;
  }
}

std::string TosDataTypes::dataTypeStr(int ftType, const std::string& previous) {
  switch (ftType) {
    case ftString: case ftWidestring: return "string";
    case ftSmallint: return "smallint";
    case ftInteger: return "integer";
    case ftWord: return "word";
    case ftBoolean: return "boolean";
    case ftDouble: return "double";
    case ftcardinal: return "cardinal";
    case ftDate: return "date";
    case ftTime: return "time";
    case ftDateTime: return "datetime";
    case ftBlob: return "blob";
    case ftMemo: return "memo";
    case ftGraphic: return "image";
    case ftmultistring: return "multi-line string";
    case ftCoord: return "coordinate";
    case ftLinear: return "linear dimension";
    case ftArea: return "area";
    case ftPaperLinear: return "paper dimension";
    case ftNotes: return "notes";
    case ftColour: return "colour";
    case ftPercent: return "percent";
    case ftFile: return "filename";
    case ftLongLat: return "long-lat";
    case ftXYvalues: case ftPolyXYvalues: return "coordinates";
    case ftJpeg: return "jpeg image";
    case ftFuzzyBool: return "fuzzy";
    case ftFilename: return "filepath";
    case ftGroup: return "group";
    default: return previous;
  }
}

int TosDataTypes::dataTypeFromStr(const std::string& s) {
  if (s == "multi-line string") return ftmultistring;
  if (s == "datetime") return ftDateTime;
  if (s == "date") return ftDate;
  if (s == "double") return ftDouble;
  if (s == "boolean") return ftBoolean;
  if (s == "integer") return ftInteger;
  return ftString;
}
