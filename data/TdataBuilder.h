// TdataBuilder: makes the programs' data folder (map image containers, the sky, words, places
// and zones databases, bitmaps, fonts, a sound and a default locations file) from freely
// licensed data in Debian packages, fetched into a download cache outside the repository.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/r_base.h"
#include "platform/imagecodec.h"

class TrawBitmap24;

namespace kdata {

// A Debian package the folder is made from, as recorded in the attribution file.
struct Tsource {
  std::string package;
  std::string version;  // "unknown" when the package was not fetched by this builder
  std::string licence;  // the licences named by the package's copyright file
  std::string use;      // what the folder takes from it
};

struct TbuildOptions {
  std::string target;         // the data folder, with a trailing "/"
  std::string cacheDir;       // download cache: "debs/" and the unpacked "root/" below it
  std::string sourceRoot;     // where the packages' files lie; empty: cacheDir + "root/"
  bool fetch = true;          // fetch and unpack the packages first (apt-get download, dpkg-deb -x)
  int mapWidth = 1920;        // frame width of the main container (height is half)
  bool with3840 = false;      // also the 3840 container
  int skyWidth = 1440;        // width of the night-sky image (height is half)
  std::string fontDir = "/usr/share/fonts/";
  std::function<void(const std::string&)> progress;  // one line per step
};

// The Debian packages of a full build, with what each one gives.
const std::vector<Tsource>& packageList();

class TdataBuilder : public TqyObject {
 public:
  explicit TdataBuilder(TbuildOptions options);
  [[nodiscard]] const char* unitName() const override { return "TdataBuilder"; }

  // Everything, in order; false at the first failure (reason in lastError).
  bool build();

  // ---- the steps
  bool fetchSources();
  bool buildMaps(int width, const std::string& daySource);  // "<width>.bin"
  // Frames 13 and 14 of a container: country rows and zone rows (blue 255: none).
  bool buildIndexFrames(int width, platform::TrgbImage& country, platform::TrgbImage& zone);
  bool buildWords();                                          // "words.db"
  bool buildPlaces();                                         // "places.db" and "zones.db"
  bool buildSky();                                            // "sky.db"
  bool buildFiles();  // "moon.bmp", "world 600.bmp", fonts, "sound_beep.wav", "locations.ini"
  bool buildPreview();  // "preview.bmp", rendered from "1920.bin" and "locations.ini"
  bool writeAttribution();                                    // "ATTRIBUTION.txt", "licences/"

  [[nodiscard]] const std::string& lastError() const { return ferror; }
  [[nodiscard]] std::string sourcePath(const std::string& relative) const { return froot + relative; }

 private:
  bool fail(const std::string& message);
  void say(const std::string& line) const;
  bool loadImage(const std::string& relative, platform::TrgbImage& image);

  TbuildOptions fopt;
  std::string froot;
  std::string ferror;
};

// ---- pieces the steps are made of (exposed for the tests)

// Resampled to w x h: area-averaged when shrinking, bilinear when enlarging.
platform::TrgbImage resizeImage(const platform::TrgbImage& src, int w, int h);
// a + (b - a) * t per channel, rounded.
platform::TrgbImage blendImages(const platform::TrgbImage& a, const platform::TrgbImage& b, double t);
// Copies RGB pixels (top row first) into a 24-bit buffer of the same size.
void toBitmap24(const platform::TrgbImage& src, TrawBitmap24& rb);

// The twelve monthly day images from those of some months (index 0 = January): a month without
// an image lies between its nearest neighbours with one, going round the year.
std::vector<platform::TrgbImage> interpolateMonths(const std::vector<std::pair<int, platform::TrgbImage>>& known);

// "URSA MAJOR" as "Ursa Major": a capital at the start and after a blank only.
std::string titleCase(const std::string& upper);

// Equatorial (J2000, degrees) to ecliptic and to galactic coordinates, degrees, longitude 0..360.
void equatorialToEcliptic(double ra, double dec, double& lon, double& lat);
void equatorialToGalactic(double ra, double dec, double& l, double& b);

// A 16-bit mono PCM wave file of a short tone that fades in and out.
std::vector<uint8_t> beepWave(double hertz, double seconds, int sampleRate);

// The tool cursor pictures, "<folder><resource in lower case>.png" for every cursor resource:
// TosFonts::toolCursorSize square, magenta where transparent, pointing at TosFonts::toolCursorHot.
bool writeToolCursors(const std::string& folder, std::string& error);

// The default "locations.ini": CR LF lines, a settings section and a dozen cities.
std::string defaultLocationsIni();

}  // namespace kdata
