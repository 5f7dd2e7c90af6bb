// Kestrova8main: the main window of the world clock (TKestrova8Win). It derives the configuration
// folder, reads the base directory and the monitor, builds the locations model, creates each
// tab's page on first selection and ticks the shown page once a second.
#pragma once
#include <memory>
#include <string>

#include "astro/r_SunLoc.h"
#include "clock/r_Kestrova.h"
#include "clock/r_Shadows.h"
#include "clock/r_SunLocPage.h"
#include "clock/r_SunHD2.h"
#include "clock/r_sky.h"
#include "ui/r_baseForm.h"

// Tab ids of the main window.
enum : int { tab_map = 1, tab_sky = 2, tab_astro = 3, tab_shadows = 4, tab_settings = 5 };

// The configuration folder below a documents folder (both end in "/").
[[nodiscard]] std::string configFolderFor(const std::string& documents);
// Moves a "locations.ini" left in the older per-program folder into cfg, but only when cfg has
// none: the user's current file is never overwritten. True when a file was moved.
bool moveOldLocations(const std::string& documents, const std::string& cfg);
// Whether the bytes of a "locations.ini" are beyond use: empty, binary, text that is no section the
// program reads, or cut off (not ending in the empty line the writer ends every section with, a
// header without its bracket, a last location without a key every written location has).
[[nodiscard]] bool locationsDamaged(const std::string& bytes);

// What the start made of the configuration folder's "locations.ini".
struct TlocationsStart {
  std::string file;   // the locations file of this run
  bool damaged = false;   // it was beyond use: the shipped default stands in for it
  std::string kept;       // where the damaged file was kept ("locations.ini.bad")
  bool readOnly = false;  // the configuration folder cannot be written: nothing will be kept
  // The words of the one message the start owes the user; empty when all is well.
  [[nodiscard]] std::string message(const std::string& cfg) const;
};
// Makes the configuration folder's "locations.ini" ready and reads the base directory from it:
// a damaged file is kept beside as "locations.ini.bad" (never overwriting an earlier one) and the
// shipped default copied in its place, as on a first start; copies go through a temporary file.
// Where the folder cannot be written, the run reads and writes a private copy of the default.
// The base directory key is written when empty. A stored folder that has gone, or lacks the map
// container while the program's folder has it, is replaced by the program's folder.
TlocationsStart readBaseDirectory(const std::string& cfg);
// The program's 32 × 32 icon: a small globe, half in day and half in night.
[[nodiscard]] std::vector<int32_t> programIcon();

// A page not built yet: an empty face.
class TemptyPage : public TQYcontrol {
 public:
  explicit TemptyPage(platform::TWinControl* owner);
};

class TKestrova8Win : public TtabForm {
 public:
  TKestrova8Win();
  ~TKestrova8Win() override;
  [[nodiscard]] const char* unitName() const override { return "Kestrova8main"; }

  void FormCreate();
  void FormClose();
  void FormResize();
  void doTimer(void* sender);
  void doNeedpage(TformTab* tab);
  void doTab(TformTab* tab);
  void doChangeHome();
  void doChangeCentre();
  // Writes the locations file as a close would (when they changed or the Settings page is shown);
  // touches no window: the display is gone.
  void saveLocationsOnLostDisplay();

  [[nodiscard]] bool timerOn() const { return timer && timer->Enabled(); }
  [[nodiscard]] TsunBase* locationsModel() const { return sunbase.get(); }
  [[nodiscard]] bool closed() const { return fclosed; }

  TformTab* f = nullptr;
  std::unique_ptr<platform::TTimer> timer;
  int screenwidth = 1920;
  std::unique_ptr<TsunBase> sunbase;
  std::unique_ptr<TsunHD2> mapPage;
  std::unique_ptr<TskyView> skyView;
  std::unique_ptr<TclockPage> astroPage;
  std::unique_ptr<TshadowPage> shadowsPage;
  std::unique_ptr<TlocPage> locPage;
  std::unique_ptr<TemptyPage> skypage, clockPage, shadowPage, setPage;
  int ticks = 0;  // ticks that reached a page

 protected:
  platform::LRESULT WndProc(platform::TMsg&) override;

 private:
  void setHomeOfMap();
  bool fclosed = false;
};

// The one main window.
extern TKestrova8Win* Kestrova8Win;
