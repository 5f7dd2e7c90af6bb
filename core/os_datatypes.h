// Data-type codes: one integer per column or value type, shared by every table format
// (SQLite tables, dBase tables, the column model), with the display names and the four
// generic families (1 text, 3 integer, 6 real, 15 blob) that the services object gives them.
#pragma once
#include <string>

// The codes. Unused: 8, 23, 30 to 49, 79 to 89.
enum : int {
  ftUnknown = 0, ftString = 1, ftSmallint = 2, ftInteger = 3, ftWord = 4, ftBoolean = 5,
  ftDouble = 6, ftFloat = 6, ftcardinal = 7, ftDate = 9, ftTime = 10, ftDateTime = 11,
  ftBytes = 12, ftVarBytes = 13, ftAutoInc = 14, ftBlob = 15, ftMemo = 16, ftGraphic = 17,
  ftHtml = 18, ftmultistring = 19, ftByte = 20, ftCoord = 21, ftChar = 22, ftWidestring = 24,
  ftPrimaryKey = 25, ftLinear = 26, ftArea = 27, ftPaperLinear = 28, ftNotes = 29, ftlist = 50,
  ftColour = 51, ftPercent = 52, ftFont = 53, ftFile = 54, ftBitmap = 55, ftStylename = 56,
  ftAngle = 57, ftTilt = 58, ftLongLat = 59, ftTriplet = 60, ftXYvalues = 61, ftJpeg = 62,
  ftIlist = 63, ftDlist = 64, ftXYZvalues = 65, ftFuzzyBool = 66, ftPolyXYvalues = 67, ftGMT = 68,
  ftFilename = 69, ftPDF = 70, ftDoc = 71, ftBMP = 72, ftAVI = 73, ftMP3 = 74, ftRTF = 75,
  ftXLS = 76, ftDB3 = 77, ftURL = 78, ftObjectType = 90, ftFilltype = 91, ftLinetype = 92,
  ftSymboltype = 93, ftPaneltype = 94, ftLineendtype = 95, ftEffecttype = 96, ftArrowType = 97,
  ftVjustifytype = 98, ftHjustifytype = 99, ftLabelType = 100, ftGroup = 101
};

// The field kinds of dBase tables.
enum : int { dbf_string = 0, dbf_numeric = 1, dbf_boolean = 2, dbf_date = 3, dbf_memo = 4 };

// The family of a code: 3 for 2, 3, 4, 7, 52; 6 for 6, 26, 27, 28; 15 for 15, 17, 29, 54, 61,
// 67; 1 for every other value, also outside the table.
[[nodiscard]] int genericDataType(int ftType);

// The services object's operations on the codes (a base of `Tos`).
class TosDataTypes {
 public:
  // Lower-case display name; `previous` comes back unchanged for a code without one.
  [[nodiscard]] static std::string dataTypeStr(int ftType, const std::string& previous = "");
  // The code of a display name (exact case); any other text gives ftString.
  [[nodiscard]] static int dataTypeFromStr(const std::string& s);
  [[nodiscard]] static int genericType(int ftType) { return genericDataType(ftType); }
};
