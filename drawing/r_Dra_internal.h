// Private to the drawing module: number texts of stored values, files written beside their
// target and renamed into place, and the little-endian byte helpers of the drawing file.
#pragma once
#include <cstdint>
#include <string>

namespace dra {
// A stored value as a number: the file form (full stop), else the user's display form; false
// for an empty text or one that is neither.
bool parseNumber(const std::string& s, double& d);
// The same with 0 for a text that is not a number.
[[nodiscard]] double storedNumber(const std::string& s);
// A stored number in the file form (a full stop); a text that is no number stays as it is.
[[nodiscard]] std::string fileNumber(const std::string& s);

// A new empty file in the folder of target (".name.XXXXXX"); empty, why set, when none can be made.
[[nodiscard]] std::string tempBeside(const std::string& target, std::string& why);
// Flushes a finished file to disk before it replaces another; false when it cannot.
bool syncToDisk(const std::string& path);
// Renames a finished temporary file over target; on failure it is removed and why is set.
bool moveInto(const std::string& temp, const std::string& target, std::string& why);
void removeQuietly(const std::string& path);

// UTF-16 code units of a text (characters beyond the first plane as surrogate pairs).
[[nodiscard]] std::u16string toUtf16(const std::string& utf8);

// Little-endian writes into a byte buffer.
inline void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
}  // namespace dra
