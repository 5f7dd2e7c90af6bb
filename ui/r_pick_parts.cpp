// The pieces the picker places around its tree and list: the path bar of open mode, the preview
// of drawings, shapefiles and images, and the overwrite question.
#include <algorithm>
#include <cmath>

#include "core/TQYini.h"
#include "core/Tyo.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "drawing/r_Dra.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "ui/r_QYcontrols.h"
#include "ui/r_controlSet.h"
#include "ui/r_pick.h"
#include "ui/r_pick_seams.h"
#include "ui/r_popups.h"
#include "ui/r_shellList.h"

using namespace platform;
using namespace controlset;

namespace {
constexpr int64_t kLargestPreview = 25000000;  // bytes; larger rasters are not decoded
constexpr double kPreviewMargin = 1.05;        // the geometry fills 1/1.05 of the view
constexpr int kDrawingCopyEvery = 20000;       // records between copies to the screen
constexpr int32_t kVectorFill = 0xDCDCDC;
constexpr TColor kNavy = 0x800000;
}  // namespace

// ---- the path bar -------------------------------------------------------------------------------

TpickPath::TpickPath(TWinControl* owner) : TQYcontrol(owner) {
  withBackground = true;
  SetBounds(0, 0, gp(500), gp(12));
  OnMouseMove = [this](TWinControl*, TShiftState, int x, int y) { mouseMove(x, y); };
  OnMouseLeave = [this](TWinControl*) { mouseLeave(); };
  OnClick = [this](TWinControl*) { click(); };
}

TpickPath::~TpickPath() = default;

void TpickPath::setpath(const std::string& folder) {
  list.clear();
  std::string rest = folder;
  if (!rest.empty() && rest[0] == '/') {
    list.add("/");
    rest.erase(0, rest.find_first_not_of('/') == std::string::npos ? rest.size() : rest.find_first_not_of('/'));
  }
  while (!rest.empty()) {
    const size_t s = rest.find('/');
    const std::string part = rest.substr(0, s);
    rest.erase(0, s == std::string::npos ? rest.size() : s + 1);
    if (!part.empty()) list.add(part + "/");
  }
  hit = -1;
  layoutBoxes();
  Invalidate();
}

void TpickPath::layoutBoxes() {
  TCanvas& cv = TQYbutton::backCanvas();
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  box.clear();
  int x = gp(8);
  if (!caption.empty()) x += cv.TextWidth(caption) + gp(8);
  for (int i = 0; i < list.count(); ++i) {
    const int w = cv.TextWidth(shellDisplayName(list[i]));
    box.push_back(Rect(x, 0, x + w, gp(12)));
    x += w;
  }
}

std::string TpickPath::getPath() const {
  std::string s;
  for (int i = 0; i <= hit && i < list.count(); ++i) s += list[i];
  return s;
}

void TpickPath::mouseMove(int x, int y) {
  int now = -1;
  for (size_t i = 0; i < box.size(); ++i)
    if (box[i].contains(TPoint{x, y})) now = static_cast<int>(i);
  if (now != hit) {
    hit = now;
    Invalidate();
  }
  SetCursor(hit >= 0 ? Cursor::Hand : Cursor::Default);
}

void TpickPath::mouseLeave() {
  hit = -1;
  Invalidate();
  SetCursor(Cursor::Default);
}

void TpickPath::click() {
  if (hit >= 0 && onresult) onresult(this);
}

void TpickPath::Paint() {
  TQYcontrol::Paint();  // the dialog colour
  TCanvas& cv = Canvas();
  if (!cv.Handle() || !fontman) return;
  cv.Handle()->setBkMode(BkMode::Transparent);
  cv.Brush.Color = kNavy;
  cv.Font.setName(programFace());
  cv.Font.setSize(fontSize());
  cv.Font.setStyle(0);
  cv.Font.Color = clBlack;
  if (!caption.empty()) fontman->TopTextOut(cv, gp(8), gp(2), caption + ":");
  for (int i = 0; i < list.count() && i < static_cast<int>(box.size()); ++i) {
    const TRect& b = box[static_cast<size_t>(i)];
    if (hit < i) {
      cv.Font.Color = clBlue;
    } else {
      cv.Brush.Color = kNavy;
      cv.FillRect(b);
      cv.Font.Color = clWhite;
    }
    fontman->TopTextOut(cv, b.Left, b.Top + gp(2), shellDisplayName(list[i]));
  }
  if (!saveFilename.empty() && !box.empty()) {
    cv.Font.Color = clBlack;
    fontman->TopTextOut(cv, box.back().Right, gp(2), saveFilename);
  }
}

// ---- the preview --------------------------------------------------------------------------------

TpickPreview::TpickPreview(TWinControl* owner) : TQYcontrol(owner) {
  bm.SetPixelFormat(pf24bit);
  OnResize = [this](TWinControl*) { doResize(); };
  doResize();
}

TpickPreview::~TpickPreview() {
  view.bm = nullptr;
  view.canvas = nullptr;
}

void TpickPreview::doResize() {
  if (!fname.empty()) return;  // a file shown keeps its picture
  bm.SetSize(std::max(Width(), 1), std::max(Height(), 1));
  view.box = ClientRect();
  view.bm = &bm;
  view.canvas = &bm.Canvas();
  TCanvas& cv = bm.Canvas();
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = clWhite;
  cv.FillRect(Rect(0, 0, bm.Width(), bm.Height()));
  cv.Brush.Color = static_cast<TColor>(kVectorFill);
}

void TpickPreview::refresh() { Repaint(); }

void TpickPreview::showNow() {
  if (HandleAllocated() && hasDesktop()) Repaint();
}

void TpickPreview::Paint() {
  TQYcontrol::Paint();
  if (Canvas().Handle()) Canvas().Draw(0, 0, bm);
}

void TpickPreview::fitView(double x1, double y1, double x2, double y2) {
  view.box = ClientRect();
  const double w = std::max(Width(), 1), h = std::max(Height(), 1);
  double mp = std::max((x2 - x1) / w, (y2 - y1) / h) * kPreviewMargin;
  double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  // One point (or bounds that are no numbers) has no size to fit: a metre a pixel shows it.
  if (!(mp > 0) || !std::isfinite(mp)) mp = 1.0;
  if (!std::isfinite(cx) || !std::isfinite(cy)) cx = cy = 0;
  view.centrex = cx;
  view.centrey = cy;
  view.setmp(mp);
}

void TpickPreview::setname(const std::string& filename) {
  if (filename == fname) return;
  fname = filename;
  SetCursor(Cursor::Wait);
  TCanvas& cv = bm.Canvas();
  cv.Brush.Style = bsSolid;
  cv.Brush.Color = static_cast<TColor>(TosDrawing::FadeColour(dlgColour, 0xFFFFFF, 50));
  cv.FillRect(Rect(0, 0, bm.Width(), bm.Height()));
  if (!filename.empty()) {
    const int type = TosFileTypes::getFileType(filename);
    if (type == file_dra || type == file_shp) drawVector(type);
    else if (type == file_bmp || type == file_tif || type == file_jpeg) drawRaster(type);
  }
  showNow();
  SetCursor(Cursor::Default);
}

void TpickPreview::drawVector(int type) {
  TCanvas& cv = bm.Canvas();
  cv.Brush.Color = static_cast<TColor>(kVectorFill);
  cv.Pen.Color = clBlack;
  cv.Pen.Style = psSolid;
  cv.Pen.Width = 1;
  if (type != file_dra) return;  // shapefiles are drawn once their reader is in the system
  TveryFastDra reader;
  if (!reader.create(fname)) return;
  fitView(reader.x1, reader.y1, reader.x2, reader.y2);
  Tpoints a;
  TiList polys;
  int n = 0;
  while (reader.getnext()) {
    switch (reader.obType) {
      case 1: {
        int32_t x = 0, y = 0;
        if (view.screenXY(reader.xy, x, y)) cv.Ellipse(x - 3, y - 3, x + 3, y + 3);
        break;
      }
      case 2:
        if (!reader.xy.empty() && view.screenXY(reader.xy[0], a)) cv.Polyline(a);
        break;
      case 6:
        if (view.screenXY(reader.xy, a, polys)) {
          if (polys.size() == 1) cv.Polygon(a);
          else TosShapes::polygon(cv, a, polys);
        }
        break;
      default: break;
    }
    if (++n % kDrawingCopyEvery == 0) showNow();
  }
}

void TpickPreview::drawRaster(int type) {
  if (type == file_tif) {
    const int depth = pickSeam::bitDepth(fname, file_tif);
    if (depth != 1 && depth != 8 && depth != 24 && depth != 32) {
      beep();
      return;
    }
  }
  TCanvas& cv = bm.Canvas();
  if (os && os->getfilesize(fname) >= kLargestPreview) {
    if (!fontman) return;
    cv.Handle()->setBkMode(BkMode::Transparent);
    cv.Font.setName(programFace());
    cv.Font.setSize(fontSize());
    cv.Font.Color = clBlack;
    const std::string text = "Too large to preview";
    const unsigned was = TfontMan::align(cv, 6);  // centred
    fontman->VCentredText(cv, bm.Width() / 2, bm.Height() / 2, text);
    TfontMan::align(cv, was);
    return;
  }
  // A file that cannot be decoded leaves the view empty.
  (void)pickSeam::drawImage(cv, fname, Rect(0, 0, bm.Width(), bm.Height()));
}

// ---- the overwrite question ---------------------------------------------------------------------

bool OverwriteOK(int x, int y, const std::string& filename) {
  if (settings().readString("settings", "allow overwrite", "no") == "yes") return true;
  if (!TosFiles::FileExists(filename)) return true;
  Application().ProcessMessages();
  return AreYouSure(x < 1 ? 0 : x, y, "\"" + shellDisplayName(filename) + "\" already exists. Overwrite?");
}
