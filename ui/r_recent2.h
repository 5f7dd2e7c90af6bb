// r_recent2: what the user picked, kept across runs in two settings files beside each other: the
// recent-files store "recent.ini" (per group of the file picker the last folder and the files
// picked with the time of each pick; recent fonts and EPSG codes) and the column-settings store
// "columns.ini" (per data file or table which columns show and how wide). Also existence tests
// that answer within a time limit, and the optional picked-files table in an SQLite database.
// Timestamps are local yyyy-mm-dd hh:mm:ss, dates yyyy-mm-dd; sort keys are Julian dates.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/TQYini.h"
#include "core/r_base.h"
#include "platform/TStringList.h"

class Tcolumn;
class Tcolumns;
class TliteDB;

// The sort key of a listed entry.
class Ttime : public TqyObject {
 public:
  explicit Ttime(double julian) : jd(julian) {}
  double jd = 0;
};

class Trecent : public TqyObject {
 public:
  // Resolves both store names against the current folder once, reads them, purges column
  // settings not viewed for 180 days and applies stored settings to the default drawing columns.
  Trecent();
  // Writes both stores whole.
  ~Trecent() override;
  [[nodiscard]] const char* unitName() const override { return "r_recent2"; }

  // ---- recent folders and files
  void clear();
  // The folder a group starts in: its remembered folder when it still exists, else `defaultdir`
  // when set and existing, else the current folder.
  [[nodiscard]] std::string getrecent(const std::string& group);
  void setRecent(const std::string& group, std::string folder);
  void add(const std::string& group, const std::string& filename);
  void remove(const std::string& group, const std::string& filename);
  // A folder followed by names, all separated by "|": one add per name.
  void addMultifile(const std::string& group, const std::string& barlist);
  [[nodiscard]] bool groupExists(const std::string& group) const;
  // The group's files, newest first, at most `limit` (older ones are forgotten); empty types: any.
  // The list is the store's own, refilled by the next query; timeOf(i) gives an entry's key.
  TStringList& getGroupEx(const std::string& group, const std::set<int>& types);
  TStringList& getGroup(const std::string& group) { return getGroupEx(group, {}); }
  TStringList& recentFilesOfType(const std::string& group, const std::set<int>& types) { return getGroupEx(group, types); }
  TStringList& recentFilesOfType(const std::string& group, int type) { return getGroupEx(group, {type}); }
  [[nodiscard]] double timeOf(int index) const;
  // EPSG codes used in the last 30 days (older ones are forgotten), at most `max`.
  TStringList& recentEPSG(int max);
  TStringList& recentEPSG() { return recentEPSG(limit); }
  void addEPSG(const std::string& code);
  void addfont(const std::string& name);
  [[nodiscard]] std::string MyDocPath(const std::string& filename) const;
  [[nodiscard]] std::string UnMyDocPath(const std::string& filename) const;
  [[nodiscard]] std::string MappedPath(const std::string& filename) const;
  // Network shares mapped to drive letters do not exist here: the list stays empty.
  void getMappedDrives() { mappedDrives.clear(); }

  // ---- column settings. With a list, its name=value lines stand in for a store section (the
  // file name is then not used and `viewed` is not touched).
  [[nodiscard]] static int defaultwidth(int dataType);
  void updateCol(TStringList* list, const Tcolumn& c);
  void updateCol(const Tcolumn& c) { updateCol(nullptr, c); }
  void updateCol(TStringList* list, const std::string& filename, const std::string& name, int dataType, int width,
                 bool visible);
  void updateCol(const std::string& filename, const std::string& name, int dataType, int width, bool visible) {
    updateCol(nullptr, filename, name, dataType, width, visible);
  }
  bool ColVisible(TStringList* list, const std::string& filename, const std::string& name);
  bool ColVisible(const std::string& filename, const std::string& name) { return ColVisible(nullptr, filename, name); }
  void getcolumns(TStringList* list, const std::string& filename, Tcolumns& cols);
  void getcolumns(const std::string& filename, Tcolumns& cols) { getcolumns(nullptr, filename, cols); }

  // ---- default attribute columns of drawings, in section `group` of any settings file
  void getDefaultAttributes(TQYini& ini, const std::string& group, Tcolumns* columns, TStringList* fieldOptions);
  void getExistingDefaultAttributes(TQYini& ini, const std::string& group, Tcolumns* columns,
                                    TStringList* fieldOptions);
  void saveDefaultAttributes(TQYini& ini, const std::string& group, Tcolumns* columns, TStringList* fieldOptions);
  static void getVisibleFields(TQYini& ini, const std::string& group, std::vector<int>& fields);

  [[nodiscard]] TStringList& recentfiles() { return list; }
  [[nodiscard]] TQYini& dataSettings() { return *dataIni; }
  [[nodiscard]] Tcolumns& draColumns() { return *fDefaultCols; }
  [[nodiscard]] const std::string& MyDocuments() const { return fdocuments; }
  [[nodiscard]] const std::string& recentFileName() const { return ini->filename(); }
  [[nodiscard]] const std::string& columnsFileName() const { return dataIni->filename(); }

  std::unique_ptr<TQYini> ini;      // the recent-files store
  std::unique_ptr<TQYini> dataIni;  // the column-settings store
  TStringList list;                 // the last query's result; objects are Ttime, owned here
  TStringList viewed;               // data files whose column settings were read this run
  int limit = 12;
  std::string fdocuments;  // the documents folder, ending in "/"
  std::unique_ptr<Tcolumns> fDefaultCols;
  std::string defaultdir;
  TStringList fonts;  // most recent first, at most 6
  TStringList mappedDrives;
  bool checkExist = false;

 private:
  void addViewed(const std::string& name);
  [[nodiscard]] std::string keyOf(const std::string& filename) const;
  [[nodiscard]] std::string getDefault(const std::string& name) const;
  void purgeColumnSettings();
  void readDefaultAttributes(TQYini& ini, const std::string& group, Tcolumns* columns, TStringList* fieldOptions,
                             bool existing);
  std::vector<std::unique_ptr<Ttime>> ftimes;
};

// The one store, made by the first file picker; recentShutDown frees it (writing both files).
extern std::unique_ptr<Trecent> recent;
Trecent& createRecent();
void recentShutDown();
// Where the stores are for the current folder (P is the program's name): P/recent.ini and
// P/columns.ini when a folder P is there, else P-recent.ini and P-columns.ini; a current folder
// that cannot be written gives the configuration folder instead.
void recentStoreNames(std::string& recentFile, std::string& columnsFile);
// A program that is not started from a folder of its own names where its stores belong (its
// configuration folder); an empty name goes back to the current folder.
void setRecentStoreFolder(const std::string& folder);

// A stamp yyyy-mm-dd or yyyy-mm-dd hh:mm:ss as a Julian date; false for anything else.
bool stampToJulian(const std::string& stamp, double& jd);

// ---- existence tests with a time limit (milliseconds; 0 means 500). The test runs on a worker
// thread; at the limit the caller stops waiting and answers false, and the worker finishes on
// its own (a hung network mount cannot freeze the caller).
bool fileExistsEx(const std::string& name, int timeoutMs = 0);
bool DirectoryExistsEx(const std::string& name, int timeoutMs = 0);

class Texist {
 public:
  enum : int { testFile = 0, testFolder = 1 };
  int option = testFile;
  std::string filename;
  bool result = false;
  // result := whether the name is an existing file (not a folder), or an existing folder.
  void execute();
};
// The test the workers run (tests put a slow one in); nullptr: Texist::execute.
extern std::function<bool(const std::string& name, int option)> existenceCheck;
// Workers still running (one blocked on a dead mount stays counted until it returns).
[[nodiscard]] int existWorkersRunning();

// ---- the optional picked-files table: table "files" with `name`, `table`, the file-type code
// and `datetime` (days since 1899-12-30, six decimals) of the last pick.
class Trecent2 : public TqyObject {
 public:
  explicit Trecent2(std::unique_ptr<TliteDB> database, int maxRows = 0);
  ~Trecent2() override;
  [[nodiscard]] const char* unitName() const override { return "r_recent2"; }
  void add(const std::string& name) { add(name, ""); }
  void add(const std::string& name, const std::string& table);

  std::unique_ptr<TliteDB> db;
  int max = 0;
};
// Nothing in the program makes one; when set, the file picker records its picks there.
extern std::unique_ptr<Trecent2> recent2;
