// r_sunLite: the day/night world map. TsunLite renders it into a 24-bit buffer and paints it;
// TsunEle shades day and night by the sun's elevation; TlocLite draws the location labels; the
// zone and country tables name what lies under a pixel. Map pixels (W × W/2, equirectangular):
// column rnd((long + 180) / 360 × W), row rnd((90 − lat) / 360 × W); rnd is halves to even.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "astro/r_Sun.h"
#include "core/r_bitmapRaw.h"
#include "platform/TStringList.h"
#include "platform/canvas.h"
#include "platform/datetime.h"
#include "platform/gdi.h"

class TiniLite;
class TliteDB;
class TbitmapBin;

// Values of `TsunLite::format`.
constexpr int full_screen = 0;
constexpr int top_screen = 1;
// Highest row numbers of the country and zone tables.
constexpr int elements = 253;
constexpr int tzelements = 280;

// Row r of the country index image names countriesConst[r].
extern const std::array<std::string_view, elements + 1> countriesConst;
// "key=Windows zone": the key is an ISO 3166 alpha-3 code (digits for a country's several zones,
// "x" for a territory listed apart), rows ordered by key without case. The zone index image
// stores row numbers, so the order never changes.
extern const std::array<std::string_view, tzelements + 1> tzConst;

// The date line from pole to pole, thousandths of a degree; longitudes east of 180 run past 180.
struct TdatelinePoint {
  int32_t lng;
  int32_t lat;
};
extern const std::array<TdatelinePoint, 21> Dateline;

// Sub-solar longitude (degrees) of the last rebuilt map.
extern double lastSunLong;
// When set, every TlocLite reads this file instead of the one it is given.
extern std::string locationsFile;

// ---- text on the map ------------------------------------------------------------------------------

// A face, a size in points and a colour, for the few texts the map draws.
struct TmapFont {
  std::string face = "Calibri";
  double points = 10;
  platform::TColor colour = 0;
};
// Text alignment codes (the values of the platform's text-alignment flags).
constexpr unsigned kAlignLeft = 0, kAlignRight = 2, kAlignCentre = 6;
constexpr unsigned kAlignTop = 0, kAlignBottom = 8;

// How the map draws and measures text: one place to join the font manager.
class TmapText {
 public:
  virtual ~TmapText() = default;
  // Transparent text at (x, y) read with the alignment; charExtra pixels after each character.
  virtual void textOut(platform::TDeviceContext&, int x, int y, unsigned align, int charExtra, const TmapFont&,
                       std::string_view) = 0;
  [[nodiscard]] virtual platform::TSize textExtent(platform::TDeviceContext&, const TmapFont&, std::string_view) = 0;
  [[nodiscard]] virtual bool faceInstalled(const std::string& face) = 0;
  [[nodiscard]] virtual std::string sansFace() = 0;  // the font manager's sans-serif face
};
// The text service in use: the device context's text unless a caller has put another in.
TmapText& mapText();
// Replaces the service; nullptr goes back to the device context's text.
void setMapText(std::unique_ptr<TmapText>);

// ---- shared small rules ---------------------------------------------------------------------------

// A latitude or longitude text from a locations file: a decimal comma counts as a full stop.
// False for no number, or one outside ±limit.
bool readDegrees(const std::string& text, double limit, double& degrees);
// Map anchor of a place on a map `width` pixels wide.
[[nodiscard]] platform::TPoint mapAnchor(double lat, double lng, int width);

// ---- the sun-elevation map ------------------------------------------------------------------------

// Once a day: one byte per pixel of how far the point is into day (255) or night (0) with the
// sun on the central meridian. Every minute: rolled to the sun's longitude and used to blend the
// day image with the night image.
class TsunEle {
 public:
  // The machine code of the two hot loops: the plain x86-64 build, or one for AVX2 or AVX-512
  // chosen from the processor at run time. Every path and every number of bands gives the same
  // bytes.
  enum class Tpath { Auto, Baseline, Avx2, Avx512 };
  [[nodiscard]] static bool pathSupported(Tpath);
  // What Auto runs on this processor.
  [[nodiscard]] static Tpath bestPath();

  TsunEle();

  void setSunLat(double sunlat);
  void setSunLong(double sunLong);  // uses the width of the last eleMap
  // 180 minus the angular distance (degrees) from the sub-solar point (sunlat, 0).
  [[nodiscard]] double elevation(double lat, double lng) const;
  // The byte of an elevation figure.
  [[nodiscard]] static uint8_t shade(double e);
  void eleMap(int width);
  // target := day faded towards night by the rolled byte map; all three width × width div 2.
  void applyMap(TrawBitmap24& target, TrawBitmap24& day, TrawBitmap24& night);
  // The same with the night image as a container frame of the target's size (bottom row first,
  // padded rows), read in place; nothing is written when the day image has another size.
  void applyMap(TrawBitmap24& target, TrawBitmap24& day, const uint8_t* nightFrame);

  double sx = 0, sy = 0, sz = 0;
  double deg2rad = 0;
  double sunlat = 0;
  int32_t xoffset = 0;
  int32_t width = 0;
  double moonLong = 0, moonLat = 0, moonPhase = 0;
  std::vector<uint8_t> buf;  // row by row from the north, `width` bytes each
  int32_t noonX = 0;
  Tpath path = Tpath::Auto;  // an unsupported path runs as Auto
  int threads = 0;           // bands the rows are shared out in; 0: one per core

 private:
  [[nodiscard]] Tpath pathToRun() const;
  void blendRows(TrawBitmap24& target, TrawBitmap24& day, const uint8_t* const* night, int shift);
};

// ---- the location labels --------------------------------------------------------------------------

// The user's locations drawn on the map from the locations file. The file is read here but
// written only for the key "centre long" (read, change, write), so the locations model's
// settings are never overwritten.
class TlocLite {
 public:
  explicit TlocLite(const std::string& filename);
  ~TlocLite();
  TlocLite(const TlocLite&) = delete;
  TlocLite& operator=(const TlocLite&) = delete;

  [[nodiscard]] TiniLite& ini() { return *fini; }
  [[nodiscard]] const std::string& filename() const { return fname; }
  // Writes a pending centre longitude, then reads the file again.
  void reload();
  [[nodiscard]] double centreLong() const { return fcentre; }
  // Stores the centre longitude; it reaches the file at the next reload or when freed.
  void setCentre(double x);
  // Writes a pending centre longitude now; false when the file cannot be written.
  bool flushCentre();
  // The word in `language`; the English word when there is no translation.
  [[nodiscard]] std::string translate(const std::string& text) const;
  // Every label for the GMT moment onto `topbm`, a map `width` pixels wide.
  void draw(int width, platform::TDateTime gmt);
  // Index (drawing order) of the first anchor within 3 pixels, −1 when none.
  [[nodiscard]] int hit(int x, int y) const;
  // Pixels of a length in millimetres at the label magnifications.
  [[nodiscard]] int px(double mm) const;

  std::vector<platform::TPoint> pt;
  std::vector<platform::TRect> boxes;  // the box each label covers on the map, in drawing order
  bool useAmPm = false;
  int32_t centreOffset = 0;
  int32_t width = 0;
  std::function<void(TlocLite*)> onChangeCentre;
  double ppmm = 96 / 25.4;
  double labelmagnify = 1;
  double UImagnify = 1;
  std::string language = "English";
  bool isLatin = false;
  bool showLocations = true;
  TrawBitmap24* topbm = nullptr;  // borrowed: the renderer's map
  TliteDB* wordsDb = nullptr;     // borrowed

 private:
  void readFile();
  void drawOne(TiniLite& ini, const std::string& section, platform::TDateTime gmt);

  std::unique_ptr<TiniLite> fini;
  std::string fname;
  // Words already translated, for wordsLanguage from wordsFrom.
  mutable std::map<std::string, std::string> words;
  mutable std::string wordsLanguage;
  mutable const TliteDB* wordsFrom = nullptr;
  double fcentre = 0;
  bool centrePending = false;
  std::unique_ptr<TrawBitmap24> bm;  // 500 × 200 label image
  platform::TCanvas cv;
};

// ---- the renderer ---------------------------------------------------------------------------------

// Who asks for a rebuild: a forced rebuild, a timer tick, or the fixed-time panel (which has set
// the observer's date-time itself).
enum class RefreshBy { Force, Tick, FixedTime };
enum class WithTimezones { No, Yes };

class TsunLite {
 public:
  // `dir`: the folder of the map image container (empty: the base directory). beforeFirstMap,
  // when given, runs once the labels exist and before the first map is built (an owner attaches
  // the words database there, so the map is built once).
  TsunLite(const std::string& dir, WithTimezones, int32_t screenWidth, double UImagnify,
           const std::function<void(TsunLite&)>& beforeFirstMap = {});
  ~TsunLite();
  TsunLite(const TsunLite&) = delete;
  TsunLite& operator=(const TsunLite&) = delete;

  // Rebuilds the map when the minute or the day changed (always for Force); true when it did.
  bool refreshImage(RefreshBy);
  void doRefreshImage() { refreshImage(RefreshBy::Tick); }
  // Paints strip and map into the context within `box` (a client rectangle at 0, 0) and returns
  // the rectangle they cover.
  platform::TRect draw(platform::TDeviceContext& dc, const platform::TRect& box);
  // The rectangle strip and map cover when drawn into `box` (empty in the top_screen format):
  // what lies outside is the owner's to fill.
  [[nodiscard]] platform::TRect coveredBy(const platform::TRect& box) const;
  // Zone row under a pixel of the painted map at the container's resolution; −1 for none.
  int timeZone(int x, int y, std::string& country, std::string& zoneName);
  [[nodiscard]] bool getAmPm() const { return loc->useAmPm; }
  void refreshStrip();
  // For an owner whose window is hidden or minimised: lets the pages go that only a rebuild reads
  // (the mapped night frame stays mapped between minutes while the map is shown). The next
  // rebuild maps them again.
  void releaseMemory();
  // keepMapBetweenPaints: lets the map's own pixels go; the next paint builds them again.
  void letGoOfMap();

  [[nodiscard]] Tsun& sun() { return *fsun; }
  [[nodiscard]] int32_t stripH() const { return fstripH; }
  [[nodiscard]] TlocLite& locations() { return *loc; }
  // The container the map images come from, and whether its images are scaled up to the map.
  [[nodiscard]] const std::string& container() const { return containerName; }
  [[nodiscard]] bool imagesScaledUp() const { return upscale > 1; }
  // Lines for the user when no map images could be read: the container looked for and the data
  // builder's command (in builderFolder) that makes it. Empty when the map has its images.
  [[nodiscard]] std::vector<std::string> missingImagesText(const std::string& builderFolder) const;

  // Which day image the month rule gives for a day and month: the frame, the next month's frame
  // and the percentage blended towards it (0: unblended).
  struct TdayChoice {
    int frame;
    int nextFrame;
    double percent;
  };
  [[nodiscard]] static TdayChoice dayChoice(int day, int month);
  // Magnification read from the labels' file: "magnify", capped at 1.4.
  [[nodiscard]] static double readMagnify(TiniLite& ini, double UImagnify);

  platform::TCanvas stripCv;
  platform::TCanvas cv;
  std::unique_ptr<TrawBitmap24> toprb, rb, night, tzBm, countryBm, stripBm;
  std::unique_ptr<Tobserver> ob;  // declared before fsun: the sun borrows it
  std::unique_ptr<Tsun> fsun;
  int32_t screenwid = 1920;
  int32_t screenwidth = 1920;
  TStringList tzList, countries;
  int32_t lastMinute = -1;
  int32_t lastDay = -1;
  int32_t centreOffset = 0;
  int32_t fstripH = 0;
  std::function<void(TrawBitmap24*)> onPostPaint;
  int32_t format = full_screen;
  std::unique_ptr<TlocLite> loc;
  std::unique_ptr<TsunEle> se;
  std::function<void()> win;  // invalidates the owner's window after a rebuild; empty = none
  platform::TPoint mouseTp;
  platform::TRect box;
  std::string copyrightstr;
  bool topAligned = false;
  bool withTopStrip = false;
  bool supressShadowUpdate = false;
  // For an owner whose window keeps what was painted (the wall clock): a rebuild only marks the
  // map stale and the next full-screen paint builds it, straight into the window's back buffer
  // where it lies there unscaled (no image of its own, no copy), else into the map's own pixels,
  // which are let go once painted. A paint into the same place in the same minute builds nothing.
  bool windowKeepsMap = false;
  // With windowKeepsMap: a map built into its own pixels (a scaled paint) is kept for the next
  // paint instead of let go at once; the owner lets it go with letGoOfMap when paints stop.
  bool keepMapBetweenPaints = false;
  double topLat = 0, bottomLat = 0;
  double sunLat = 0, sunLong = 0, moonLat = 0, moonLong = 0;  // of the last rebuild, degrees

 private:
  // Where a full-screen paint into an area goes: the letterboxed map before the strip's offset,
  // the map as painted, the strip's height and the rectangle strip and map cover.
  struct Tplacement {
    platform::TRect box, map, covered;
    int s = 0;
  };
  [[nodiscard]] Tplacement place(const platform::TRect& area) const;
  bool getDay(TbitmapBin& bin, platform::TDateTime localDate);
  // A frame at the map's size: as stored, or scaled up from the smaller container.
  bool extractFrame(TbitmapBin& from, TrawBitmap24& into, int frame);
  void buildMap();
  void chooseDayImage(platform::TDateTime localDate);
  void readIndexImages();  // the zone and country images, from the container, once
  void drawSun();
  void drawMoon();
  void doDraw(platform::TDeviceContext& dc, const platform::TRect& r, int s);
  void drawStrip(platform::TDeviceContext& dc, const platform::TRect& map, int s);  // the s rows above the map
  platform::TRect drawTop(platform::TDeviceContext& dc, const platform::TRect& box);
  void writeCopyright(platform::TDeviceContext& dc, int mapBottom);

  // The night image read in place from the mapped container; nullptr when `night` holds it.
  [[nodiscard]] const uint8_t* nightInPlace() const;
  // The rows of the context's surface that the map covers when painted unscaled at `map` (the
  // whole width of a 24-bit surface), as the map's own rows; nullptr when it does not fit so.
  [[nodiscard]] uint8_t* rowsInPlace(platform::TDeviceContext& dc, const platform::TRect& map) const;
  // windowKeepsMap: the map as the paint needs it, built when stale or gone.
  enum class TmapPaint { Copy, BuiltInPlace, KeptInPlace };
  TmapPaint mapForPaint(platform::TDeviceContext& dc, const platform::TRect& map);

  std::string containerName;
  int upscale = 1;                  // 2: the 1920 container stands in for the missing 3840 one
  std::unique_ptr<TbitmapBin> bin;  // open while the night frame is read in place
  int32_t dayImageDate = -1;      // local date whose day image `rb` holds
  std::string markFace = "Segoe UI";  // the canvas's face until a saver paint sets "Calibri"
  bool mapStale = false;                // windowKeepsMap: a rebuild waits for the next paint
  bool indexImagesRead = false;
  const uint8_t* builtInPlace = nullptr;  // the back-buffer rows the last map was built into
};
