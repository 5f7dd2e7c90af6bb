// Number, boolean and colour text of the services object, and typed name=value access.
// File form: a full stop, no grouping, whatever the locale (every settings and data file).
// Display form: the user's decimal and thousands separators (`decimalseparator`, `thousandseparator`).
#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/TStringList.h"

// Four-valued booleans.
constexpr uint8_t fuzFalse = 0;
constexpr uint8_t fuzTrue = 1;
constexpr uint8_t fuzNone = 2;  // not known
constexpr uint8_t fuzMaybe = 3;

// Raised by the readers of unsigned numbers for a text that is not a whole number.
class EConvertError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

class TosNumberText {
 public:
  // Fixed-point text with exactly decplaces decimals (halves of the last decimal to even).
  [[nodiscard]] std::string DoubleToStr(double d, int decplaces, const std::string& separator) const;
  [[nodiscard]] std::string DoubleToStr(double d, int decplaces) const;  // display form
  [[nodiscard]] std::string DoubleToStr(double d) const { return DoubleToStr(d, 6); }
  [[nodiscard]] std::string DoubleToStr(double d, const std::string& separator) const {
    return DoubleToStr(d, 6, separator);
  }
  std::string DoubleToStr(double, char) const = delete;  // a char would be taken as decplaces
  [[nodiscard]] std::string DoubleToStrUK(double d, int decplaces = 6) const;  // file form
  // Decimals (at most max) that d needs in the display form.
  [[nodiscard]] int getdecplaces(double d, int max = 10) const;
  // As DoubleToStr without trailing zeros.
  [[nodiscard]] std::string DoubleToString(double d, int maxdecplaces, const std::string& separator) const;
  [[nodiscard]] std::string DoubleToString(double d, int maxdecplaces) const;
  [[nodiscard]] std::string DoubleToStringUK(double d, int maxdecplaces) const;

  // Display form: the locale's grouping is accepted only where it groups digits ("1,5" is not
  // 15). False for an empty or malformed text; d is left unchanged only for an empty text.
  bool StrToDouble(std::string_view s, double& d) const;
  [[nodiscard]] double StrToDouble(std::string_view s) const;
  // File form: a full stop, no grouping; a text holding a comma is not a number.
  bool StrToDoubleUK(std::string_view s, double& d) const;
  [[nodiscard]] double StrToDoubleUK(std::string_view s) const;
  [[nodiscard]] bool IsNumeric(std::string_view s) const;

  // Whole numbers: blanks before, a sign, decimal digits or hex after "$" / "0x" / "x".
  [[nodiscard]] static int32_t StrToInt(std::string_view s);  // 0 when not a number
  // False when s is not a number (and for the text of the failure value -99999999 itself).
  static bool StrToInt(std::string_view s, int32_t& i);
  [[nodiscard]] static std::string CardinalToStr(uint32_t c);
  // The number cut to its low 32 bits; throws EConvertError when s is not a whole number.
  [[nodiscard]] static uint32_t StrToCardinal(std::string_view s);
  // False (c unchanged) for a negative number or a text that is not one; 2^32 and above are cut.
  static bool StrToCardinal(std::string_view s, uint32_t& c);

  // Colour 0x00BBGGRR from "red,green,blue" (low byte of each field; missing fields 0).
  [[nodiscard]] static int32_t strToRGB(std::string s);

  [[nodiscard]] static std::string BoolAsStr(bool value) { return value ? "yes" : "no"; }
  [[nodiscard]] static bool StrAsBool(std::string_view value);
  [[nodiscard]] static std::string fuzzyBoolAsStr(uint8_t value);
  [[nodiscard]] static uint8_t StrAsFuzzyBool(std::string_view value);

  // |a - b| < snap; also true when either is not a number.
  [[nodiscard]] static bool isEqual(double a, double b, double snap = 1e-6);

  // name=value lines: names and values compared trimmed and without case; a missing list is empty.
  [[nodiscard]] static int IndexOfKey(const TStringList* list, const std::string& key);
  [[nodiscard]] static int IndexOfValue(const TStringList* list, const std::string& value);
  static void clearKey(TStringList* list, const std::string& key);
  [[nodiscard]] static std::string ReadS(const TStringList* list, const std::string& key, const std::string& def);
  [[nodiscard]] static std::string ReadS(const std::string& text, const std::string& key, const std::string& def);
  [[nodiscard]] double ReadD(const TStringList* list, const std::string& key, double def) const;
  [[nodiscard]] double ReadDUK(const TStringList* list, const std::string& key, double def) const;
  [[nodiscard]] static int32_t ReadI(const TStringList* list, const std::string& key, int32_t def);
  // Throws EConvertError when the stored value is not a whole number.
  [[nodiscard]] static uint32_t ReadC(const TStringList* list, const std::string& key, uint32_t def);
  // Missing or empty fields take the matching byte of def.
  [[nodiscard]] static int32_t readRGB(const TStringList* list, const std::string& key, int32_t def);
  static void WriteS(TStringList* list, const std::string& key, const std::string& value);
  static void WriteS(std::string& text, const std::string& key, const std::string& value);
  static void WriteI(TStringList* list, const std::string& key, int32_t value);
  void WriteDUK(TStringList* list, const std::string& key, double value) const;

  // Numbers first in ascending order, then the other entries (sorted when alphaSort).
  void numberSort(TStringList* list, bool alphaSort) const;

  // The path with its leading folders replaced by "..." until textWidth says it fits maxwidth.
  [[nodiscard]] static std::string shortenedFilename(const std::function<int(const std::string&)>& textWidth,
                                                     int maxwidth, const std::string& filename);

  // The user's locale separators (set at start); with UKformatDecimals the display form is the
  // file form.
  std::string decimalseparator = ".";
  std::string thousandseparator = ",";
  bool UKformatDecimals = false;
};
