// Ttrans: a stack of canvas world transforms (with their graphics modes) and a stack of saved
// device states for clipping, so drawing code can work in a turned, scaled, shifted or clipped
// frame and return exactly to the one before. Pops are last in, first out.
#pragma once
#include <vector>

#include "platform/canvas.h"

struct XformRec {
  platform::XFORM form;
  platform::GraphicsMode mode = platform::GraphicsMode::Compatible;
};

struct dcRec {
  platform::TCanvas* canvas = nullptr;  // borrowed
  int saved = 0;
};

class Ttrans {
 public:
  Ttrans() = default;
  Ttrans(Ttrans const&) = delete;
  Ttrans& operator=(Ttrans const&) = delete;
  ~Ttrans() = default;  // discards both stacks without restoring anything

  // Pushes the transform state, then scales, turns (clockwise on the screen for a positive
  // angle) and shifts: (x, y) becomes (x·cos·mx − y·sin·my + dx, x·sin·mx + y·cos·my + dy),
  // then passes through the transform already in force.
  void move(platform::TCanvas&, double dx, double dy, double sing, double cosg, double multiplyX, double multiplyY);
  void move(platform::TCanvas&, double dx, double dy, double sing, double cosg, double multiply);
  void move(platform::TCanvas&, double dx, double dy, double sing, double cosg);
  void move(platform::TCanvas&, double dx, double dy, double rotation);
  bool clear();
  void clearAll();

  void clip(platform::TCanvas&, int x1, int y1, int x2, int y2);
  void saveclip(platform::TCanvas&);
  bool clipToPath(platform::TCanvas& canvas) { return clipToPath(canvas, false); }
  bool clipToPath(platform::TCanvas&, bool outside);
  void unclip();

  [[nodiscard]] platform::XFORM const& space() const { return fspace; }
  [[nodiscard]] size_t depth() const { return a.size(); }
  [[nodiscard]] size_t clipDepth() const { return dcr.size(); }

 private:
  void saveState(platform::TCanvas&);
  platform::TCanvas* fcanvas = nullptr;
  platform::XFORM fspace;
  std::vector<XformRec> a;
  std::vector<dcRec> dcr;
};
