// A tiny "sky.db" for the sky view's tests: the ini rows (home place and a night image), a few
// stars, one constellation with its figure, name and boundary. Each part can be left out or
// spoilt to check how the sky copes with bad data.
#pragma once
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/r_bitmapRaw.h"
#include "storage/r_sqlite.h"
#include "tests/support/testenv.h"

namespace skytest {

struct Tstar {
  double lon, lat;  // ecliptic degrees
  int code;
};

struct TskyDbSpec {
  bool withTables = true;
  std::vector<uint8_t> nightBlob;          // empty: the default image below
  bool nightBlobNull = false;
  std::vector<Tstar> stars = {{90, 0, 20}, {180, 10, 40}};
  bool nullStarRow = false;                // a row of NULLs
  bool extremeStarRow = false;             // a row of 2147483647s
  bool lyingBlob = false;                  // a figure blob that claims more points than it holds
  std::string home = "London";
  std::string locationsIni;                // when set, written as the folder's "locations.ini"
};

// An image of the whole sky: dark blue with a green band along galactic longitudes -20..20.
inline std::vector<uint8_t> nightImage(int w = 360, Tbgr base = {60, 10, 10}, Tbgr band = {0, 200, 0}) {
  TrawBitmap24 b;
  b.setsize(w, w / 2);
  b.fillAll(base);
  for (int y = 0; y < w / 2; ++y)
    for (int x = w * 160 / 360; x < w * 200 / 360; ++x) b.setPixel(x, y, band);
  std::vector<uint8_t> mem;
  b.saveToMem(mem);
  return mem;
}

inline void exec(sqlite3* db, const std::string& sql) {
  char* msg = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << (msg ? msg : "");
    sqlite3_free(msg);
  }
}

inline void insertBlob(sqlite3* db, const std::string& sql, const std::vector<uint8_t>& blob) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  if (blob.empty()) sqlite3_bind_null(st, 1);
  else sqlite3_bind_blob(st, 1, blob.data(), int(blob.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(st) != SQLITE_DONE) ADD_FAILURE() << sql;
  sqlite3_finalize(st);
}

// Writes the database into its own folder below the test's temporary folder; returns its path.
inline std::string makeSkyDb(const std::string& name, const TskyDbSpec& spec = {}) {
  const std::string dir = testenv::tempDir() + name + "/";
  std::filesystem::create_directories(dir);
  const std::string file = dir + "sky.db";
  std::filesystem::remove(dir + "locations.ini");
  if (!spec.locationsIni.empty()) testenv::writeFile(name + "/locations.ini", spec.locationsIni);
  std::filesystem::remove(file);
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  exec(db, "BEGIN");
  if (spec.withTables) {
    exec(db, "CREATE TABLE `ini` (`key` TEXT, `value` TEXT, `blob` BLOB)");
    exec(db, "CREATE TABLE `stars` (`long` INTEGER, `lat` INTEGER, `mag` INTEGER)");
    exec(db, "CREATE TABLE `constellations` (`lines` POLYXYBLOB, `name` TEXT, `long` DOUBLE, `lat` DOUBLE)");
    exec(db, "CREATE TABLE `constellation boundaries` (`lines` POLYXYBLOB)");
    exec(db, "INSERT INTO `ini` VALUES ('home', '" + spec.home + "', NULL)");
    insertBlob(db, "INSERT INTO `ini` VALUES ('night sky', 'galactic', ?)",
               spec.nightBlobNull ? std::vector<uint8_t>{} : spec.nightBlob.empty() ? nightImage() : spec.nightBlob);
    for (const Tstar& s : spec.stars)
      exec(db, "INSERT INTO stars VALUES (" + std::to_string(int(s.lon * 100)) + ", " + std::to_string(int(s.lat * 100)) +
                   ", " + std::to_string(s.code) + ")");
    if (spec.nullStarRow) exec(db, "INSERT INTO stars VALUES (NULL, NULL, NULL)");
    if (spec.extremeStarRow) exec(db, "INSERT INTO stars VALUES (2147483647, 2147483647, 2147483647)");
    // Orion-like figure and boundary around ecliptic longitude 85, latitude -15.
    const TpolyXyValues figure = {{{360 - 80, -10}, {360 - 85, -20}, {360 - 90, -12}}};
    const TpolyXyValues bound = {{{360 - 75, -5}, {360 - 95, -5}, {360 - 95, -25}, {360 - 75, -25}, {360 - 75, -5}}};
    Tbytes fb, bb;
    TsqlBase::XYtoMem(figure, fb);
    TsqlBase::XYtoMem(bound, bb);
    if (spec.lyingBlob) fb[8] = 200;  // the first part claims 200 points
    insertBlob(db, "INSERT INTO `constellations` VALUES (?, '', NULL, NULL)", fb);
    exec(db, "INSERT INTO `constellations` VALUES (NULL, 'Orion', 275.0, -15.0)");
    insertBlob(db, "INSERT INTO `constellation boundaries` VALUES (?)", bb);
  }
  exec(db, "COMMIT");
  sqlite3_close(db);
  return file;
}

}  // namespace skytest
