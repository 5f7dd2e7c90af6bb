// r_SunLocPage: the Settings tab (TlocPage). It edits the user's locations and the map's display
// settings held by the locations model, keeps the wall clock's monitor in "paths.ini", adds
// predefined places from the place tree, imports and exports location files through the file
// picker, and launches the wall clock (the saver with "wall").
// "locations.ini" is written on every leave and before each launch. "places.db" and "zones.db"
// of the data folder may be missing or broken: the tree is then empty and the page works on.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/TQYcontrol.h"
#include "platform/surface.h"

class TsunBase;
class Tloc;
class TliteDB;
class TmyMonitors;
class TlistBox;
class Tedit;
class TPickLatLong;
class TcomboBox;
class TcheckBox;
class TsliderLite;
class TQYbutton;
class TtzPlaces;
class Tpick;
struct TplaceRec;

// The saver's window class and program name, as the saver sets and is built with.
inline constexpr char kWallClockClass[] = "qysaver";
inline constexpr char kWallClockProgram[] = "Kestrova_Saver";
// How long a launch waits for a closed wall clock's window to go before starting the new one.
inline constexpr uint32_t kWallClockCloseWaitMs = 2000;
// How often a started wall clock is looked at, to be collected when it has ended.
inline constexpr uint32_t kWallClockReapMs = 500;
// What an imported file may hold: a thousand locations take about 200 KB.
inline constexpr int64_t kImportMaxBytes = 1 << 20;
inline constexpr int kImportMaxLocations = 1000;
// Longer names are cut (code points): a label has room for far less.
inline constexpr size_t kLocationNameMax = 100;

// How the wall clock is found, asked to close and started. The defaults use the X11 display and
// the saver beside the running program; tests put their own in.
struct TwallClock {
  TwallClock();
  std::function<unsigned long()> find;        // the running saver's window; 0 for none
  std::function<void(unsigned long)> close;   // asks it to close (it goes a moment later)
  std::string program;                        // the saver's file
  uint32_t closeWaitMs = kWallClockCloseWaitMs;
};

class TlocPage : public TQYcontrol {
 public:
  TlocPage(platform::TWinControl* owner, TsunBase& sunbase);
  ~TlocPage() override;
  [[nodiscard]] std::string frameworkClass() const override { return "TlocPage"; }
  [[nodiscard]] const char* unitName() const override { return "r_SunLocPage"; }

  // Refreshes both monitor lists (each selection of the tab, each layout pass).
  void reenterPage();
  // Resolves the home location and writes the locations file, changed or not.
  void leave();
  // Layout, and the first filling of the lists.
  void doResize();
  // The one handler of every control's click or change; tells them apart by the sender.
  void doClick(void* sender);
  // Closes a running wall clock, writes the locations file and starts the saver with "wall".
  // False (said in a message box) when the saver could not be started.
  bool launchWallClock();
  // Reads a locations file into a model of its own; only a file that holds a location replaces
  // the list (with the display settings the file has). The model keeps writing its own file.
  // False, said in a message box, for a file that cannot be read, is no locations file, exceeds
  // the limits above or holds no location: the list stays as it was.
  bool importFrom(const std::string& file);
  // Writes the locations to a file of the user's; the model's own file stays what it was. The
  // badge says whether it was written.
  bool exportTo(const std::string& file);
  // The two buttons: a locations file chosen in the picker is imported, or the locations are
  // exported to a name chosen there. False when cancelled or when the file was not taken.
  bool importPicked();
  bool exportPicked();

  // The location the editors show; nullptr when nothing is selected.
  [[nodiscard]] Tloc* current();
  // Where the editor box, the wall-clock panel and the display panel lie (page pixels).
  [[nodiscard]] const platform::TRect& editorBox() const { return box; }
  [[nodiscard]] const platform::TRect& wallPanel() const { return wallBox; }
  [[nodiscard]] const platform::TRect& notePanel() const { return noteBox; }

  TsunBase& sunbase;
  TmyMonitors* monitors = nullptr;  // the services object's list
  std::unique_ptr<TliteDB> zonesdb;
  std::unique_ptr<TlistBox> listBox2, monitorBox, monitorBox2;
  std::unique_ptr<TtzPlaces> tzListBox;
  std::unique_ptr<Tedit> nameEdit;
  std::unique_ptr<TPickLatLong> latEdit, longEdit;
  std::unique_ptr<TcomboBox> tzBox, hjustBox, vJustBox, linguaBox;
  std::unique_ptr<TcheckBox> singleBox, homeBox, hideBox, hourbox;
  std::unique_ptr<TsliderLite> magBox;
  std::unique_ptr<TQYbutton> exportBut, importBut, delBut, copyBut, newBut, wallBut;
  TwallClock wall;
  // Shows the badge of an export ("DONE" or "FAILED"); tests record it instead.
  std::function<void(bool written)> onBadge;
  // The picker while it asks for an import or export; nullptr otherwise.
  Tpick* picker = nullptr;
  int wallClockPid = 0;  // the last saver started, collected when it has ended
  // Looks every kWallClockReapMs for the started saver's end and collects it, so no defunct
  // process stays behind; it stops once the saver is collected.
  std::unique_ptr<platform::TTimer> reapTimer;

 protected:
  void Paint() override;

 private:
  [[nodiscard]] std::unique_ptr<TliteDB> openData(const std::string& file, const std::string& table) const;
  void fillEditors();
  void fillLocations();
  void fillLists();
  void loadMonitorList(TlistBox& list, const std::string& wanted, bool intoModel);
  void editField(void* sender);
  void addPlace(const TplaceRec& place);
  void deleteLocation();
  void newLocation();
  void paintNotes(platform::TCanvas& canvas);
  void watchWallClock();
  platform::TRect box, wallBox, noteBox;
};
