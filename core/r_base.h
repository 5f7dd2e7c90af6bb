// The library's base object with its error trail, and the program-wide services object `os`.
// A failing method names itself (TprocScope), marks each risky step with seterr("a"), and on
// failure logs the trail and returns a neutral result instead of throwing through callers.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Trandom.h"
#include "core/os_datatypes.h"
#include "core/os_files.h"
#include "core/os_numbertext.h"
#include "core/os_text.h"
#include "platform/TStringList.h"

class Tos;

// Core module variables.
extern std::string appTitle;
extern int32_t dlgColour;
extern int32_t dlgFontColour;
extern bool logging;
extern int instanceID;
extern std::string lastUnassign;  // class name of the last object unassign freed, and a blank

// Anything that can sit on the procedure stack of `os`: it contributes its error text to the
// trail, and forgets its entries when freed so the trail never reads a freed object.
class TtrailSource {
 public:
  TtrailSource() = default;
  TtrailSource(const TtrailSource&) = delete;
  TtrailSource& operator=(const TtrailSource&) = delete;
  virtual ~TtrailSource();
  // The text this object adds after its entry in the trail.
  [[nodiscard]] virtual std::string trailText() const = 0;
  // Class name as the type information gives it (no namespaces).
  [[nodiscard]] virtual std::string className() const;
  // Name of the module that declares the class, as log lines show it.
  [[nodiscard]] virtual const char* unitName() const { return "r_base"; }
};

class TqyObject : public TtrailSource {
 public:
  TqyObject();
  explicit TqyObject(std::string id);

  [[nodiscard]] int percent() const { return fpercent; }
  void setpercent(int value);
  [[nodiscard]] const std::string& err() const { return ferr; }
  void seterr(const std::string& text);
  [[nodiscard]] const std::string& procname() const { return fprocname; }
  void setproc(const std::string& name);

  void log(const std::string& s) const;
  void logEx(const std::string& s) const;
  [[nodiscard]] std::string trailText() const override { return " [[" + ferr + "]"; }

  std::function<void(TqyObject*)> onPercent;
  int startPc = 0;
  int finishPC = 0;
  std::string id;
  std::string key;
  bool logging = true;
  bool extraLogging = false;

 protected:
  int fpercent = 0;
  std::string ferr;
  std::string fprocname;
};

// Names a procedure for its whole extent: pushes on entry, pops on every exit path.
class TprocScope {
 public:
  TprocScope(TqyObject& ob, const std::string& name) : ob_(ob) { ob_.setproc(name); }
  ~TprocScope() { ob_.setproc(""); }
  TprocScope(const TprocScope&) = delete;
  TprocScope& operator=(const TprocScope&) = delete;

 private:
  TqyObject& ob_;
};

// One entry of the procedure stack: the procedure's text and the object that opened it
// (cleared when that object is freed).
struct TprocEntry {
  std::string name;
  TtrailSource* ob = nullptr;
};

class Tos : public TqyObject, public TosText, public TosNumberText, public TosFiles, public TosDataTypes {
 public:
  Tos();
  ~Tos() override;

  // Start-up (see Tos.cpp for the order): folders, settings list, services.
  void create(double magnify = 1.0);

  // Folders; each ends in "/".
  [[nodiscard]] const std::string& basedir() const { return fbasedir; }
  void setBaseDir(std::string v);
  [[nodiscard]] const std::string& appDataDir() const { return fappdir; }
  void setAppDir(std::string v);
  [[nodiscard]] const std::string& tempdir() const { return ftempdir; }
  void setTempDir(const std::string& v);
  [[nodiscard]] const std::string& configdir() const { return fconfig; }
  void setconfig(std::string v);
  [[nodiscard]] const std::string& appname() const { return fapp; }

  // The error trail (see r_base.cpp).
  void pushProc(const std::string& text);
  void popProc();
  [[nodiscard]] std::string trail() const;  // reading `os.procname`
  void doPercent(TtrailSource* sender);
  void forget(const TtrailSource* ob);      // an object is being freed

  // Frees an owned object and clears the owner; never throws.
  template <typename T>
  bool unassign(std::unique_ptr<T>& ob, bool showerror = true, const std::string& context = "") {
    if (!ob) return true;
    (void)showerror;
    (void)context;
    lastUnassign = className(*ob) + " ";
    ob.reset();
    return true;
  }

  // Folder facts set at start.
  std::string parentdir, addonDir, resourcedir, epsgDir, documents, CommonAppDir, commonDataDir, defaultDataDir;
  std::string WindowsUserName;
  uint32_t sessionID = 0;

  // The settings list: name=value lines in the configuration folder.
  TStringList fsettings;
  TStringList fOptions;

  // Error trail state. `lasterr` is the last error text set by any object.
  std::vector<TprocEntry> procnames;
  TtrailSource* procOb = nullptr;
  std::string lasterr;
  int minPercent = 0;
  int maxPercent = 100;
  bool supressPercent = false;

  // Random streams, created at start and freed with `os`.
  std::unique_ptr<Trandom> random;

  bool discardchanges = false;
  bool nosounds = false;
  int32_t basecolour = 0xC40000;
  int32_t baseColourHigh = 0xFFFFFF;
  int32_t selColour = 0x80503C;
  double fffontMagnification = 1.0;
  double userFontMagnification = 1.0;
  double oldmagnification = 1.0;
  double fcorrect = 1.0;

 private:
  template <typename T>
  static std::string className(const T& ob) {
    if constexpr (std::is_base_of_v<TtrailSource, T>) return ob.className();
    else return "object";
  }
  std::string fconfig, fapp, fbasedir, fappdir, ftempdir;
};

// The one services object of the program; set by createOs, cleared by freeOs.
extern Tos* os;
// Creates `os` when unset and runs its start-up.
Tos& createOs(double magnify = 1.0);
// Frees `os` (its destructor writes the settings list and closes the log).
void freeOs();


// Folder and file helpers of the start-up, on the file services of r_fileBase.
bool forceFolder(const std::string& folder);
bool fileExists(const std::string& path);
bool deleteFileIfPresent(const std::string& path);
