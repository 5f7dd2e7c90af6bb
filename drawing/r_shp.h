// TReadShp: shapefiles (.shp with its .shx index, .dbf table, .prj and .cpg) read record by record,
// for a preview (no target: one record or polygon per getnext in xy) or into a drawing with the
// table's values as attributes, and box reads served by a bounds index cached beside the file.
// Coordinates are the file's times `multiply` (feet become metres unless useOriginalUnits).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Tutil.h"
#include "core/r_base.h"

class TgobArray;
class Tgob;
class Tdbf;

// One .shx entry as the file holds it (16-bit words: where the record starts, its length without
// its 8-byte header), read in bytes: a table of many records costs 8 bytes a record.
struct shprec {
  int32_t offsetWords = 0;
  int32_t lengthWords = 0;
  [[nodiscard]] int64_t address() const { return int64_t(offsetWords) * 2; }
  [[nodiscard]] int64_t size() const { return int64_t(lengthWords) * 2 + 8; }  // with the header
};

// The bounds of one record, as the bounds index file stores them (four little-endian doubles).
struct boundrecOld {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The unit factor a projection text calls for: 0.3048 for feet, 1200/3937 for US survey feet,
// 1 otherwise.
[[nodiscard]] double shpUnitFactor(const std::string& prjText);
// The ICU name of the code page a .cpg text names; empty for one we do not know.
[[nodiscard]] std::string cpgCodePage(const std::string& cpgText);
// A companion of a shapefile: the name with the extension ext ("shx", "dbf", ...), found in any
// letter case; the lower-case name when none exists.
[[nodiscard]] std::string shpCompanion(const std::string& shpName, const std::string& ext);

class TReadShp : public TqyObject {
 public:
  TReadShp();                        // a preview reader: records come out in xy
  explicit TReadShp(TgobArray* target);  // records become objects of the target (borrowed)
  ~TReadShp() override;
  TReadShp(const TReadShp&) = delete;
  TReadShp& operator=(const TReadShp&) = delete;
  [[nodiscard]] const char* unitName() const override { return "r_shp"; }
  // Named once: the error trail asks for it on every record.
  [[nodiscard]] std::string className() const override { return "TReadShp"; }

  // Opens the shapefile and reads its headers; a missing .shx or .dbf is shown and nothing is
  // read. Step markers: a names, b .shx table, c .shp header, d units, e table, f done.
  void setname(const std::string& value);
  [[nodiscard]] const std::string& filename() const { return fname; }

  // The next record, or the next polygon of the current record. True while there is one; a
  // record that does not fit its file, or holds a coordinate that is not a number or lies beyond
  // 1e12, is logged and yields nothing (obType 0, no parts). False at the end, or when the .shp
  // cannot be read at all (then shown as "shape file error: " and the step marker).
  bool getnext();

  // Every record into g (cleared first), in the file's units; stops early on Esc.
  bool Read(TgobArray& g, const std::string& filename);
  // The records whose bounds meet the box (touching counts) added to g, which is not cleared.
  bool Read(TgobArray& g, const std::string& filename, double minx, double miny, double maxx, double maxy);
  // Opens the file for box reads (Refresh) into g, or into a drawing of the reader's own.
  bool Open(TgobArray& g, const std::string& filename);
  bool Open(const std::string& filename);
  // Refills the target with the records whose bounds meet the box.
  bool Refresh(double minx, double miny, double maxx, double maxy);
  // The header bounds of a .shp times its unit factor (left in `multiply`).
  bool getbounds(const std::string& filename, double& minx, double& miny, double& maxx, double& maxy);
  // Writes the bounds index beside the .shp (in the file's units) unless a sound one, newer than
  // the .shp, is there; box reads then use it. A folder that cannot take it costs a log line.
  bool makeIndex(const std::string& filename);
  // The index file of a .shp: its name with the extension "index".
  [[nodiscard]] static std::string indexName(const std::string& shpName);

  // The drawing the reader fills: the target, or its own after Open(filename).
  [[nodiscard]] TgobArray* drawing() const { return g; }

  int32_t records = 0;
  int32_t index = -1;
  std::vector<shprec> rows;
  std::vector<boundrecOld> bounds;  // in multiplied units
  std::string indexFile;
  double multiply = 1.0;
  double originalMultiply = 1.0;
  bool useOriginalUnits = false;
  double equality = 0;
  double minx = 0, miny = 0, maxx = 0, maxy = 0;
  int32_t shapeType = 0;  // the file header's shape type
  TpolyXyValues xy;
  int32_t obType = 0;
  TpolyPolyXYvalues pxy;
  int32_t pcnt = 0;
  int32_t skipped = 0;  // records passed over because they did not fit

 private:
  class File;
  bool openShp();
  void closeAll();
  bool readShx(const std::string& shxName);
  void workOutUnits();
  void openTable();
  // Reads record rec and turns it into parts (polygons grouped into pxy); false when it does not
  // fit, with why set.
  bool loadRecord(int32_t rec, std::string& why);
  // Puts the record just loaded into the drawing: its first piece at slot `at` (-1: the end),
  // the rest at the end; the number of objects made.
  int32_t putRecord(int32_t rec, int32_t at);
  void doAttributes(Tgob& gob, int32_t row);
  void noteSkip(int32_t rec, const std::string& why);
  bool getIndex();
  bool readIndexFile(const std::string& name);
  bool boundsOf(int32_t rec, boundrecOld& b);
  [[nodiscard]] bool meets(const boundrecOld& b, double x1, double y1, double x2, double y2) const;
  bool fillBox(double x1, double y1, double x2, double y2, bool clearFirst);
  void finishRead();

  std::string fname;
  TgobArray* g = nullptr;
  std::unique_ptr<TgobArray> fg;
  std::unique_ptr<File> f;
  std::unique_ptr<Tdbf> dbf;
  std::vector<uint8_t> mem;  // the record being read
  std::vector<std::string> values;  // its row of the table, as the object stores them
  int32_t recType = 0;       // its shape type
  int32_t slotBase = 0;      // the target's first slot for record 0
  bool headerOk = false;
  bool fready = false;       // the names, table and header are read
};
