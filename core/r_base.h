// The library's base object with its error trail, and the program-wide services object `os`.
// A failing method names itself (TprocScope), marks each risky step with seterr("a"), and on
// failure logs the trail and returns a neutral result instead of throwing through callers.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "core/Trandom.h"
#include "core/os_datatypes.h"
#include "core/os_drawing.h"
#include "core/os_files.h"
#include "core/os_filetypes.h"
#include "core/os_fonts.h"
#include "core/os_lingua.h"
#include "core/os_numbertext.h"
#include "core/os_pictures.h"
#include "core/os_scaling.h"
#include "core/os_shapes.h"
#include "core/os_shell.h"
#include "core/os_system.h"
#include "core/os_text.h"
#include "core/r_messages.h"
#include "platform/TStringList.h"
#include "platform/controls.h"

class Tos;
class Tblend;

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

// Windows version codes: what the program reports as its platform's version.
enum : int32_t {
  win_unknown = 90, win_95 = 95, win_nt = 96, win_98 = 98, win_ME = 99, win_2000 = 100, win_XP = 101,
  win_Vista = 102, win_7 = 103, win_8 = 104, win_10 = 105
};
constexpr int32_t status_percent = 100;

// Locale items that GetLocaleStr and GetLocaleChar know, by the system's item numbers. The day
// and month names are runs: the first item's number plus the index (Monday, January = 0).
constexpr int32_t LOCALE_SLANGUAGE = 0x02;
constexpr int32_t LOCALE_SNATIVELANGNAME = 0x04;
constexpr int32_t LOCALE_SCOUNTRY = 0x06;
constexpr int32_t LOCALE_SNATIVECTRYNAME = 0x08;
constexpr int32_t LOCALE_SDECIMAL = 0x0E;
constexpr int32_t LOCALE_STHOUSAND = 0x0F;
constexpr int32_t LOCALE_S1159 = 0x28;  // the morning mark
constexpr int32_t LOCALE_S2359 = 0x29;  // the afternoon mark
constexpr int32_t LOCALE_SDAYNAME1 = 0x2A;
constexpr int32_t LOCALE_SABBREVDAYNAME1 = 0x31;
constexpr int32_t LOCALE_SMONTHNAME1 = 0x38;
constexpr int32_t LOCALE_SABBREVMONTHNAME1 = 0x44;
constexpr int32_t LOCALE_SISO639LANGNAME = 0x59;
constexpr int32_t LOCALE_SISO3166CTRYNAME = 0x5A;
constexpr int32_t LOCALE_SENGLANGUAGE = 0x1001;
constexpr int32_t LOCALE_SENGCOUNTRY = 0x1002;

class Tos : public TqyObject, public TosText, public TosNumberText, public TosFiles, public TosDataTypes,
            public TosFileTypes, public TosShell, public TosFonts, public TosScaling, public TosMessageHook,
            public TosLingua, public TosSystem, public TosDrawing, public TosShapes, public TosPictures {
 public:
  Tos();
  ~Tos() override;

  // Start-up, in the order of r_base.cpp: folders, settings list, services.
  void create(double magnify = 1.0);

  // Folders; each ends in "/" (the temporary folder is kept as given).
  [[nodiscard]] const std::string& basedir() const { return fbasedir; }
  void setBaseDir(std::string v);
  [[nodiscard]] const std::string& appDataDir() const { return fappdir; }
  void setAppDir(std::string v);
  [[nodiscard]] const std::string& tempdir() const { return ftempdir; }
  void setTempDir(const std::string& v);
  [[nodiscard]] const std::string& configdir() const { return fconfig; }
  void setconfig(std::string v);
  [[nodiscard]] const std::string& appname() const { return fapp; }
  // Folders of a program kept in the documents folder (or per user in the common data folder),
  // with a log folder and its archive below the configuration folder.
  void initDirectories(const std::string& progName, bool inMyDocuments, bool underOmbrant = false);

  [[nodiscard]] int32_t windowsVersion() const { return fwinID; }
  [[nodiscard]] bool is64bit() const { return f64; }
  [[nodiscard]] TStringList& options() { return fOptions; }
  void setcorrect(double value) { fcorrect = value; }  // the display correction

  // The first character of the user locale's item, def when the item is unknown or empty.
  // The user's locale's text for an item; `def` for an item it has no text for.
  [[nodiscard]] std::string GetLocaleStr(int32_t lctype, const std::string& def) const;
  [[nodiscard]] std::string GetLocaleChar(int32_t lctype, const std::string& def) const;
  // The version code of a reported platform version, and whether the processor kind is asked.
  [[nodiscard]] static int32_t winIDFromVersion(int major, int minor, bool ntPlatform);
  [[nodiscard]] static bool asks64bit(int major, int minor);

  // Event-shaped form of the program settings file's setChanged (TQYini.h).
  void setChanged(void* sender);

  // The error trail (see r_base.cpp).
  void pushProc(const std::string& text);
  void popProc();
  [[nodiscard]] std::string trail() const;  // reading `os.procname`
  void doPercent(TtrailSource* sender);
  void forget(const TtrailSource* ob);      // an object is being freed

  // Frees an owned object and clears the owner; never throws. A destructor that throws is
  // reported in the log (the object is gone all the same) and answers false.
  template <typename T>
  bool unassign(std::unique_ptr<T>& ob, bool showerror = true, const std::string& context = "") noexcept {
    if (!ob) return true;
    std::string state = "casting to object";
    try {
      state = "Class not determined";
      const std::string cls = className(*ob);
      state = cls;
      if constexpr (std::is_same_v<T, TStringList>) {
        ob->onChange = nullptr;
        ob->clear();
      }
      T* p = ob.release();  // the owner is cleared whether or not the free succeeds
      try {
        delete p;
      } catch (const std::exception& e) {
        unassignFailed(cls, qualifiedName(typeid(T)), showerror, context, e.what());
        return false;
      } catch (...) {
        unassignFailed(cls, qualifiedName(typeid(T)), showerror, context, "");
        return false;
      }
      lastUnassign = cls + " ";
      return true;
    } catch (...) {
      ob.reset();
      unassignBroke(state, context);
      return false;
    }
  }
  template <typename T>
  bool unassign(std::unique_ptr<T>& ob, const std::string& context) noexcept { return unassign(ob, true, context); }
  template <typename T>  // so that a quoted context is never taken for showerror
  bool unassign(std::unique_ptr<T>& ob, const char* context) noexcept { return unassign(ob, true, std::string(context)); }
  // Delayed free: the owner is cleared now, the object lives until the message loop has run a
  // timer of delay milliseconds (0: the next turn of the loop).
  template <typename T>
  void unassign(std::unique_ptr<T>& ob, int delay) {
    if (!ob) return;
    std::shared_ptr<T> held(ob.release());
    auto id = std::make_shared<uintptr_t>(0);
    *id = platform::desktop().setTimer(static_cast<uint32_t>(delay < 0 ? 0 : delay), [held, id]() mutable {
      platform::desktop().killTimer(0, *id);  // also frees this callback, and with it `held`
    });
  }
  // Stops and frees a timer; the owner ends cleared.
  void unassignTimer(std::unique_ptr<platform::TTimer>& timer) noexcept;

  // A positive design width scales sizes by the primary screen width / 1920 (zero or less: off).
  void designwidth(int width) { setdesignWidth(width); }
  // The application's show-hint event: hints re-show 50 ms after the last one.
  static void doShowHint(std::string& hintStr, bool& canShow, platform::THintInfo& info);

  // Folder facts set at start.
  std::string parentdir, addonDir, resourcedir, epsgDir, documents, CommonAppDir, commonDataDir, defaultDataDir;
  std::string WindowsUserName;
  uint32_t sessionID = 0;
  uint32_t appCode = 0;

  // The settings list: name=value lines in the configuration folder; free option lines.
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
  // The blend service, created at start and freed with `os`.
  std::unique_ptr<Tblend> blend;

  bool discardchanges = false;
  bool nosounds = false;
  bool useOEM = true;
  bool withoverwriteprompt = true;
  bool worldfilesinfeet = false;
  bool shapefilesinfeet = false;
  int32_t largefilesize = 25;
  int32_t basecolour = 0xC40000;
  int32_t baseColourHigh = 0xFFFFFF;
  int32_t selColour = 0x80503C;

 private:
  template <typename T>
  static std::string className(const T& ob) {
    if constexpr (std::is_base_of_v<TtrailSource, T>) return ob.className();
    else return qualifiedName(typeid(T), Qualified::No);
  }
  enum class Qualified { No, Yes };
  static std::string qualifiedName(const std::type_info& t, Qualified q = Qualified::Yes);
  void unassignFailed(const std::string& cls, const std::string& qualified, bool showerror, const std::string& context,
                      const std::string& what);
  void unassignBroke(const std::string& state, const std::string& context) noexcept;

  std::string fconfig, fapp, fbasedir, fappdir, ftempdir;
  int32_t fwinID = win_unknown;
  bool f64 = false;
};

// The one services object of the program; set by createOs, cleared by freeOs.
extern Tos* os;
// Creates `os` when unset and runs its start-up.
Tos& createOs(double magnify = 1.0);
// Frees `os` (its destructor writes the settings list and closes the log).
void freeOs();
// A switch read by the start-up: when set, the tool cursors are not loaded.
extern bool suppressCursors;
extern bool showBugs;  // set by the start-up


// Folder and file helpers of the start-up, on the file services of r_fileBase.
bool forceFolder(const std::string& folder);
bool fileExists(const std::string& path);
bool deleteFileIfPresent(const std::string& path);
