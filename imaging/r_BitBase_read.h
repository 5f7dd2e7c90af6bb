// Private to r_BitBase: bounded reads from a file or from memory, and the TIFF directory walk
// that the header readers and the GeoTIFF reader share.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bitbase {

// Reads of exactly n bytes at a position; false when any of them lies outside.
class Treader {
 public:
  virtual ~Treader() = default;
  [[nodiscard]] int64_t size() const { return fsize; }
  virtual bool readAt(int64_t pos, void* buf, size_t n) const = 0;
  bool u8(int64_t pos, uint8_t& v) const;
  bool u16(int64_t pos, bool bigEndian, uint16_t& v) const;
  bool u32(int64_t pos, bool bigEndian, uint32_t& v) const;
  bool f64(int64_t pos, bool bigEndian, double& v) const;

 protected:
  int64_t fsize = 0;
};

class TfileReader : public Treader {
 public:
  explicit TfileReader(const std::string& filename);
  ~TfileReader() override;
  TfileReader(const TfileReader&) = delete;
  TfileReader& operator=(const TfileReader&) = delete;
  [[nodiscard]] bool isOpen() const { return f >= 0; }
  bool readAt(int64_t pos, void* buf, size_t n) const override;

 private:
  int f = -1;
};

class TmemReader : public Treader {
 public:
  TmemReader(const uint8_t* bytes, int64_t length) : p(bytes) { fsize = bytes ? length : 0; }
  bool readAt(int64_t pos, void* buf, size_t n) const override;

 private:
  const uint8_t* p;
};

// One 12-byte entry of a TIFF directory.
struct TtiffEntry {
  int64_t at = 0;  // file position of the entry
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  uint32_t offset = 0;  // the value field
  // The value lies in the entry when count x the type's size fits in four bytes.
  [[nodiscard]] bool inEntry() const;
  [[nodiscard]] int64_t valuePos() const;
  bool firstInt(const Treader&, bool bigEndian, int64_t& v) const;
  // The first n values of a DOUBLE field.
  bool doubles(const Treader&, bool bigEndian, double* out, int n) const;
};

struct TtiffDir {
  bool big = false;
  std::vector<TtiffEntry> entries;
};

struct TtiffSize {
  int32_t width = -1;
  int32_t height = -1;
  int32_t samples = 1;
  int32_t bits = 1;
  int32_t depth = 1;
};

// The first directory; false when the header or the directory lies beyond the file.
bool readTiffDir(const Treader&, TtiffDir&);
// Size and depth (tags 256, 257, 258, 277); sets lastBitsPerSample, lastSamples, lastDepth.
// stopWhenKnown ends the walk once all four are known.
void measureTiff(const Treader&, const TtiffDir&, TtiffSize&, bool stopWhenKnown);
// Pixel size (0 when absent) and, when a tie point is present, the top-left corner.
void readGeoTags(const Treader&, const TtiffDir&, double& mp, double& x1, double& y2);

}  // namespace bitbase
