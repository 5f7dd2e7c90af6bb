// r_tzPlaces2: the "Predefined locations" panel of the Settings tab (TtzPlaces): a read-only tree
// of countries and their places, read once from the table `places` of "places.db" (code, name,
// longitude, latitude; degrees, east and north positive), with an "Add location" button above it
// that hands the chosen place to the owner. A run of rows with one code is one country: its first
// row is the country's own node, the rest are its places.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/TQYcontrol.h"

class TliteDB;
class TtreeNode;
class TtreeView;
class TQYbutton;

// One row of `places`; the node's data is the record's index.
struct TplaceRec {
  TtreeNode* tn = nullptr;
  std::string tzCode;  // what "zones.db" maps to a Windows zone
  double long_ = 0;
  double lat = 0;
};

class TtzPlaces : public TQYcontrol {
 public:
  using SelectEvent = std::function<void(TplaceRec*)>;
  // Reads every place of db (borrowed, not kept); nullptr or a database without places gives an
  // empty tree.
  TtzPlaces(platform::TWinControl* owner, TliteDB* db);
  ~TtzPlaces() override;
  [[nodiscard]] const char* unitName() const override { return "r_tzPlaces2"; }

  [[nodiscard]] int count() const { return static_cast<int>(a.size()); }
  [[nodiscard]] TplaceRec& record(int i) { return a.at(static_cast<size_t>(i)); }
  // Whether p is one of this tree's records (the owner's click handler tells senders apart).
  [[nodiscard]] bool holds(const void* p) const;
  void clearSel();
  void doresize();
  // The tree's click: a place other than the last one arms the button (or, in auto mode, is
  // handed over at once).
  void doSelect();
  // The button's click: the last place chosen goes to onSelect; the button rests until another.
  void doClick();

  std::vector<TplaceRec> a;  // in row order; never grows after reading, so records stay put
  std::unique_ptr<TtreeView> tv;
  std::unique_ptr<TQYbutton> but;
  TtreeNode* lastSel = nullptr;
  SelectEvent onSelect;
  bool autoMode = false;

 protected:
  void Paint() override;

 private:
  void read(TliteDB& db);
};
