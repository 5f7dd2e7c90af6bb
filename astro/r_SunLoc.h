// r_SunLoc: the main program's data root (TsunBase), the user's locations (Tlocations, Tloc)
// and the locations file "locations.ini" they are kept in. Latitudes and longitudes are degrees,
// north and east positive; date-times are days since 1899-12-30.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "astro/r_Sun.h"
#include "core/r_base.h"
#include "core/Tbm24.h"
#include "core/r_bitmapRaw.h"
#include "platform/canvas.h"
#include "platform/datetime.h"
#include "platform/timezones.h"

class TliteDB;

// Label justification codes (the values of the platform's text-alignment flags).
constexpr int32_t kJustifyLeft = 0, kJustifyRight = 2, kJustifyCentre = 6;
constexpr int32_t kJustifyTop = 0, kJustifyBottom = 8;

class Tloc {
 public:
  std::string name;
  platform::TIME_ZONE_INFORMATION tzi;
  int32_t tzIndex = -1;  // in dateman's zone list
  platform::TDateTime dt = 0;  // local date-time at the last setTime
  double lat = 0;
  double long_ = 0;
  int32_t hjustify = kJustifyLeft;
  int32_t vjustify = kJustifyTop;
  bool isDaylight = false;
  bool singleLine = false;
  int32_t xi = 0, yi = 0;  // map anchor for `mapwidth`
};

// When set, TsunBase loads "locations.ini" from this folder.
extern std::string locationsDir;

class Tlocations {
 public:
  explicit Tlocations(int32_t wid);
  ~Tlocations();  // saves when changed
  Tlocations(const Tlocations&) = delete;
  Tlocations& operator=(const Tlocations&) = delete;

  void clear();
  void setlingua(const std::string& value);
  [[nodiscard]] const std::string& language() const { return flanguage; }
  [[nodiscard]] bool isLatin() const { return fIsLatin; }
  [[nodiscard]] TliteDB* wordsDb() const { return fwdb.get(); }
  void setWordsDb(std::unique_ptr<TliteDB> db);
  [[nodiscard]] int getcount() const { return static_cast<int>(a.size()); }
  [[nodiscard]] int count() const { return getcount(); }
  // An index outside the list gives the home location.
  Tloc& getLoc(int index);
  Tloc& item(int index) { return getLoc(index); }
  // Index of the home location; an empty list gets "London" first.
  int getHome();
  void setHome(int index);
  void setTime(platform::TDateTime gmt);
  [[nodiscard]] platform::TDateTime fixedTime() const { return ffix; }
  void setFix(platform::TDateTime x);
  int add();
  void remove(int index);  // the framework's `delete`
  void updatefile() { saveToFile(fname); }
  // why, when given, receives the reason of a failed write.
  bool saveToFile(const std::string& filename, std::string* why = nullptr);
  void loadfromfile(const std::string& filename);
  [[nodiscard]] const std::string& filename() const { return fname; }

  // Label drawer: every location onto a canvas for a map `width` wide, or one onto an image.
  void Draw(platform::TCanvas& canvas, int width);
  void Draw(Tbm24& rb, int index);
  void DrawRaw(TrawBitmap& rb, int index);

  // The box of the last label drawn, in map pixels: corner, size, margin and half margin.
  struct TlabelBox {
    int x = 0, y = 0, L = 0, U = 0, m = 0, k = 0;
  };
  TlabelBox lastBox;

  platform::TDeviceContext* dc = nullptr;  // context of the last drawing
  std::unique_ptr<Tbm24> bm;  // 500 × 200 label image
  bool changed = false;
  std::vector<std::unique_ptr<Tloc>> a;
  bool useAmPm = false;
  bool showLocations = true;
  std::string monitor;
  int32_t mapwidth = 0;
  std::string fontname;
  std::string username;
  int32_t userNum = 0;
  double localTime = 0;
  double homeTZdiffDt = 0;
  double centreLong = 0;
  double labelMagnify = 1.0;
  std::string homeplace;
  double homeLat = 52.0, homeLong = 0.0;

 private:
  void readLocation(class TQYini& ini, const std::string& section);
  void anchor(Tloc& l) const;
  void doDraw(platform::TCanvas* canvas, int width, int index, Tbm24* tbm, TrawBitmap* raw);

  platform::TDateTime ffix = 0;
  std::string fname;
  std::string flanguage;
  bool fIsLatin = false;
  std::unique_ptr<TliteDB> fwdb;
};

class TsunBase : public TqyObject {
 public:
  // `database`: the path of "sky.db"; `width`: the map width the pages draw for.
  TsunBase(const std::string& database, int32_t width);
  ~TsunBase() override;
  [[nodiscard]] const char* unitName() const override { return "r_SunLoc"; }

  [[nodiscard]] const std::string& dataDir() const { return fdir; }
  [[nodiscard]] int32_t width() const { return fwidth; }
  [[nodiscard]] TliteDB* db() const { return fdb.get(); }
  [[nodiscard]] Tlocations& locations() { return *flocations; }
  [[nodiscard]] Tsun& sun() { return *fsun; }
  [[nodiscard]] Tobserver& observer() { return *ob; }

 private:
  int32_t fwidth = 0;
  std::unique_ptr<Tobserver> ob;
  std::unique_ptr<Tsun> fsun;
  std::unique_ptr<TliteDB> fdb;
  std::unique_ptr<Tlocations> flocations;  // freed first: it saves and closes the words database
  std::string fdir;
};
