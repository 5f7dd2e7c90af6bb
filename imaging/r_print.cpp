// Tpapers and TPrint. The paper table's A sizes come from √2 (A0 has an area of one square
// metre); US sizes from the letter sides 215.9 × 279.4 mm. A printer's paper, margins and
// resolution come from the print server's defaults for the printer and its stored options.
#include "imaging/r_print.h"

#include <algorithm>
#include <cmath>

#include "core/TQYini.h"
#include "core/os_filetypes.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "core/r_log.h"
#include "core/Tunits.h"
#include "imaging/r_PDF.h"
#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/metafile.h"
#include "platform/numbers.h"
#include "platform/printers.h"
#include "platform/text.h"

std::unique_ptr<TPrint> print;

namespace {
constexpr int kRows = 25;
constexpr double kNoPrinterDpi = 300;
constexpr uint32_t kDefaultBitmapMB = 200;
constexpr int kDefaultMaxDpi = 600;

std::string word(const std::string& group, const std::string& term) {
  return os ? os->wd(group, term) : term;
}
std::string mm(double v) { return std::to_string(platform::Round(v)); }
std::string sizePart(double w, double h) { return "  (" + mm(w) + " x " + mm(h) + "mm)"; }
double tenth(double v) { return platform::Round(v * 10) / 10.0; }

// Windows paper codes of the sizes the table knows, by portrait sides.
struct PaperCode {
  uint16_t code;
  double w, h;
};
constexpr PaperCode kPaperCodes[] = {
    {1, 215.9, 279.4},   {3, 279.4, 431.8},  {5, 215.9, 355.6}, {8, 297, 420},       {9, 210, 297},
    {11, 148, 210},      {24, 431.8, 558.8}, {25, 558.8, 863.6}, {26, 863.6, 1117.6}, {66, 420, 594}};

uint16_t codeForSize(double w, double h) {
  double a = std::min(w, h), b = std::max(w, h);
  for (auto const& p : kPaperCodes)
    if (std::fabs(p.w - a) <= 2 && std::fabs(p.h - b) <= 2) return p.code;
  return 0;
}
}  // namespace

// ---------------------------------------------------------------- the paper table

Tpapers::Tpapers(TPrint* owner) : fowner(owner) {
  const double r = std::sqrt(2.0);
  const double w0 = std::sqrt(1 / r) * 1000;
  const double h0 = r * w0;
  add("Custom", 210, 297);
  add("Current printer paper", -1, 0);
  add("Current printer paper", 0, -1);
  struct { const char* name; double w, h; } iso[] = {{"A5", h0 / 8, w0 / 4}, {"A4", w0 / 4, h0 / 4},
                                                     {"A3", h0 / 4, w0 / 2}, {"A2", w0 / 2, h0 / 2},
                                                     {"A1", h0 / 2, w0},     {"A0", w0, h0}};
  for (auto const& s : iso) {
    add(s.name, s.w, s.h);
    add(s.name, s.h, s.w);
  }
  const double a = 215.9, b = 279.4;
  struct { std::string name; double w, h; } us[] = {{"ANS1 A (US " + word("printing", "Letter") + ")", a, b},
                                                    {"ANS1 B (US " + word("printing", "Tabloid") + ")", b, 2 * a},
                                                    {"ANS1 C", 2 * a, 2 * b},
                                                    {"ANS1 D", 2 * b, 4 * a},
                                                    {"ANS1 E", 4 * a, 4 * b}};
  for (auto const& s : us) {
    add(s.name, s.w, s.h, true);
    add(s.name, s.h, s.w, true);
  }
}

void Tpapers::add(const std::string& name, double w, double h, bool exactSizes) {
  std::string l;
  if (name == "Custom") {
    l = word("printing", "Custom");
  } else {
    l = name;
    if (h < w) l += " " + word("printing", "landscape");
    else if (h > w) l += " " + word("printing", "portrait");
  }
  if (w > 0 && h > 0) l += sizePart(w, h);
  auto p = std::make_unique<Tpaper>();
  p->width = (exactSizes ? w : double(platform::Round(w))) / 1000;
  p->Height = (exactSizes ? h : double(platform::Round(h))) / 1000;
  names.add(l);
  rows.push_back(std::move(p));
}

void Tpapers::setIndex(int value) {
  if (value < 0 || value >= count()) return;
  findex = value;
  fcustom = value == 0;
}

std::string Tpapers::line(int index) const {
  return index >= 0 && index < count() ? names[index] : std::string();
}

double Tpapers::printerRawWidth() const { return fowner ? fowner->rawPaperWidth() : 210; }
double Tpapers::printerRawHeight() const { return fowner ? fowner->rawPaperHeight() : 297; }
double Tpapers::printerSide(bool larger) const {
  double w = fowner ? fowner->paperWidth() : 210, h = fowner ? fowner->paperHeight() : 297;
  return larger ? std::max(w, h) : std::min(w, h);
}

Tpaper* Tpapers::getPaper(int index) {
  if (index < 0 || index >= count()) return nullptr;
  Tpaper& p = *rows[size_t(index)];
  if (index == 0) {
    p.width = customwidth / 1000;
    p.Height = customHeight / 1000;
    names[0] = (word("print", "Custom") + sizePart(customwidth, customHeight));
  } else if (index == 1 || index == 2) {
    double w = printerRawWidth(), h = printerRawHeight();
    if (index == 2) std::swap(w, h);
    p.width = w / 1000;
    p.Height = h / 1000;
    names[index] = (word("print", index == 1 ? "Current printer paper - portrait"
                                                    : "Current printer paper - landscape") +
                               sizePart(w, h));
  }
  return &p;
}

double Tpapers::paperWidth() {
  double v = getPaper(findex)->width * 1000;
  return v > 0 ? v : printerSide(v == 0);
}

double Tpapers::paperHeight() {
  double v = getPaper(findex)->Height * 1000;
  return v > 0 ? v : printerSide(v == 0);
}

int Tpapers::indexfromsize(double widthmm, double heightmm, bool excludecurrent) {
  rows[1]->width = printerRawWidth() / 1000;
  rows[1]->Height = printerRawHeight() / 1000;
  rows[2]->width = rows[1]->Height;
  rows[2]->Height = rows[1]->width;
  for (int i = excludecurrent ? 3 : 1; i < count(); ++i)
    if (std::fabs(rows[size_t(i)]->width * 1000 - widthmm) <= 2 &&
        std::fabs(rows[size_t(i)]->Height * 1000 - heightmm) <= 2)
      return i;
  rows[0]->width = widthmm / 1000;
  rows[0]->Height = heightmm / 1000;
  return 0;
}

// ---------------------------------------------------------------- the printer

TPrint::TPrint() {
  log("create Tprint");
  if (os) debug = platform::sameNoCase(os->ReadS(&os->options(), "printer debug", "no"), "yes");
  fpapers = std::make_unique<Tpapers>(this);
  noPrinterState();
  TQYini& s = settings();
  std::string chosen = s.readString("settings", "current printer", "");
  setPrinterName(chosen.empty() ? getPrinterName() : chosen);
  // A limit that does not fit 32 bits of bytes, or is not positive, keeps the default.
  int32_t mb = s.readInteger("settings", "max printer bitmap size", int32_t(kDefaultBitmapMB));
  maxBMsize = (mb > 0 && mb < 4096 ? uint32_t(mb) : kDefaultBitmapMB) * 1024u * 1024u;
  int32_t maxdpi = s.readInteger("settings", "max printer dpi", kDefaultMaxDpi);
  fmaxdpi = maxdpi > 0 ? maxdpi : kDefaultMaxDpi;
}

TPrint::~TPrint() = default;

bool TPrint::fail(const std::string& why) {
  ferror = why;
  log("TPrint: " + why);
  return false;
}

void TPrint::noPrinterState() {
  fname = "no printer";
  fdpi = int(kNoPrinterDpi);
  fdotsPerMM = kNoPrinterDpi / 25.4;
  fprintdpmm = fdotsPerMM;
  xmargin = ymargin = 0;
  fpaperwidth = 210;
  fpaperheight = 297;
  fpapername = "A4 portrait";
  fmedia = "iso_a4_210x297mm";
  fsizecode = 9;
  pixelwidth = int(platform::Round(210 * fdotsPerMM));
  pixelheight = int(platform::Round(297 * fdotsPerMM));
  flandscape = false;
  present = false;
}

void TPrint::refresh() {
  platform::TPrinterMetrics m;
  bool landscape = flandscape;
  if (fname.empty() || fname == "no printer" || !platform::measurePrinter(fname, foptions, m)) {
    std::string keep = fname;
    noPrinterState();
    if (!keep.empty() && keep != "no printer") log("refresh: printer \"" + keep + "\" not found");
    flandscape = landscape;
    return;
  }
  present = true;
  fdpi = m.dpi;
  fdotsPerMM = fdpi / 25.4;
  fprintdpmm = fdotsPerMM;
  xmargin = int(platform::Round(m.leftMM * fdotsPerMM));
  ymargin = int(platform::Round(m.topMM * fdotsPerMM));
  pixelwidth = int(platform::Round(m.paperWidthMM * fdotsPerMM));
  pixelheight = int(platform::Round(m.paperHeightMM * fdotsPerMM));
  if (pixelwidth <= 0 || pixelheight <= 0) {
    noPrinterState();
    present = true;
  }
  fpaperwidth = tenth(pixelwidth / fdotsPerMM);
  fpaperheight = tenth(pixelheight / fdotsPerMM);
  fmedia = m.media;
  fsizecode = codeForSize(fpaperwidth, fpaperheight);
  // A custom paper reports its own sides, not the measured ones.
  if (fsizecode == 0 && platform::sizeOfMedia(m.media, m.paperWidthMM, m.paperHeightMM)) {
    fpaperwidth = m.paperWidthMM;
    fpaperheight = m.paperHeightMM;
  }
  flandscape = m.landscape || landscape;
}

std::string TPrint::GetDefaultPrinter() { return platform::defaultPrinterName(); }

std::string TPrint::getPrinterName() const {
  if (!fname.empty() && fname != "no printer") return fname;
  log("get default");
  return GetDefaultPrinter();
}

bool TPrint::printerExists(const std::string& name) { return platform::printerExists(name); }

void TPrint::setPrinterName(const std::string& value) {
  log("setPrinterName " + value);
  if (!value.empty() && platform::printerExists(value)) {
    if (value != fname) {
      fname = value;
      foptions.clear();
      getStoredPrinter();
    }
    settings().writestring("settings", "current printer", value);
  }
  log("printer papers");
  fPaperNames.clear();
  fownPapers.clear();
  fownMedia.clear();
  log("refresh");
  refresh();
  log("refresh end");
  loadOwnPapers();
}

void TPrint::loadOwnPapers() {
  if (!present) return;
  for (auto const& p : platform::printerPapers(fname)) {
    auto paper = std::make_unique<Tpaper>();
    paper->windowsCode = codeForSize(p.widthMM, p.heightMM);
    paper->width = p.widthMM / 1000;
    paper->Height = p.heightMM / 1000;
    paper->marginLeft = p.leftMM;
    paper->marginTop = p.topMM;
    paper->marginRight = p.rightMM;
    paper->marginBottom = p.bottomMM;
    fPaperNames.add(p.name, paper.get());
    fownMedia.push_back(p.media);
    fownPapers.push_back(std::move(paper));
  }
}

std::string TPrint::currentPrinterPaperName(int index) const {
  return index >= 0 && index < fPaperNames.count() ? fPaperNames[index] : std::string();
}

Tpaper* TPrint::getPaper(int index) const {
  return index >= 0 && size_t(index) < fownPapers.size() ? fownPapers[size_t(index)].get() : nullptr;
}

double TPrint::getPaperW(int index) const {
  const Tpaper* p = getPaper(index);
  return p ? (flandscape ? p->Height : p->width) : 0;
}

double TPrint::getPaperH(int index) const {
  const Tpaper* p = getPaper(index);
  return p ? (flandscape ? p->width : p->Height) : 0;
}

std::unique_ptr<platform::TDeviceContext> TPrint::refdc() const {
  auto dc = std::make_unique<platform::TDeviceContext>();
  dc->setLogPixels(fdpi);
  dc->setTechnology(platform::TDeviceContext::Technology::RasterPrinter);
  return dc;
}

bool TPrint::setUp() {
  log("TPrint.setUp: the printer dialog is not available");
  return false;
}

bool TPrint::setUpCurrentPrinter() {
  log("TPrint.setUpCurrentPrinter: the printer's settings dialog is not available");
  return false;
}

void TPrint::storePrinter() {
  if (!present) return;
  settings().writestring("printers", fname, foptions);
}

bool TPrint::getStoredPrinter() {
  if (!present && (fname.empty() || fname == "no printer")) return false;
  std::string stored = settings().readString("printers", fname, "");
  log(std::string("getStoredPrinter ") + (stored.empty() ? "no" : "yes"));
  if (stored.empty()) return false;
  // An options text has name=value words only; anything else is not ours.
  for (size_t start = 0; start < stored.size();) {
    size_t end = stored.find(' ', start);
    std::string w = stored.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!w.empty() && (w.find('=') == std::string::npos || w.front() == '=')) {
      log("getStoredPrinter: stored options do not parse: " + stored);
      return false;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  foptions = platform::supportedOptions(fname, stored);
  flandscape = platform::optionValue(foptions, "orientation-requested") == "4";
  log("getStoredPrinter end");
  return true;
}

void TPrint::setOptions(const std::string& options) {
  foptions = present ? platform::supportedOptions(fname, options) : options;
  refresh();
}

void TPrint::setlandscape(bool value) {
  flandscape = value;
  foptions = platform::setOption(foptions, "orientation-requested", value ? "4" : "3");
  refresh();
  flandscape = value;
}

void TPrint::setPaperSize(uint16_t windowsCode) {
  for (auto const& p : kPaperCodes)
    if (p.code == windowsCode) {
      foptions = platform::setOption(foptions, "media", platform::mediaForSize(p.w, p.h));
      break;
    }
  refresh();
}

void TPrint::setCustomPaperSize(double width, double height) {
  std::string media = platform::mediaForSize(width, height);
  if (!media.empty()) foptions = platform::setOption(foptions, "media", media);
  refresh();
}

double TPrint::paperWidth() const { return flandscape ? fpaperheight : fpaperwidth; }
double TPrint::paperHeight() const { return flandscape ? fpaperwidth : fpaperheight; }
double TPrint::leftmargin() const {
  if (mc || fdotsPerMM <= 0) return 0;
  return (flandscape ? ymargin : xmargin) / fdotsPerMM;
}
double TPrint::topmargin() const {
  if (mc || fdotsPerMM <= 0) return 0;
  return (flandscape ? xmargin : ymargin) / fdotsPerMM;
}
int TPrint::px(double mm) const { return int(platform::Round(mm * fdotsPerMM)); }

// The paper in use is known by the server's name for it; the platform's paper code only where that
// name is not among the printer's papers, and never the code 0 of every size the table lacks.
std::string TPrint::getCurrentPaperName() const {
  for (size_t i = 0; i < fownMedia.size(); ++i)
    if (!fmedia.empty() && fownMedia[i] == fmedia) return fPaperNames[int(i)];
  for (size_t i = 0; i < fownPapers.size(); ++i)
    if (fsizecode != 0 && fownPapers[i]->windowsCode == fsizecode) return fPaperNames[int(i)];
  return {};
}

std::string TPrint::getPaperName() const {
  return getCurrentPaperName() + " (" + word("publish", flandscape ? "landscape" : "portrait") + ")";
}

std::string TPrint::getSizeString() const {
  if (!units) return mm(paperWidth()) + " x " + mm(paperHeight());
  return units->PaperDim(paperWidth() / 1000) + units->PaperUnitStr() + " x " +
         units->PaperDim(paperHeight() / 1000) + units->PaperUnitStr();
}

// ---- jobs

platform::TCanvas* TPrint::beginPage(double dpmm, double scale, double originXmm, double originYmm) {
  ferror.clear();
  if (fprinting) abort();
  if (!present && targetPDFfile.empty()) {
    fail("no printer");
    return nullptr;
  }
  double w = paperWidth(), h = paperHeight();
  if (!(dpmm > 0) || !std::isfinite(dpmm) || !(w > 0) || !(h > 0)) {
    fail("no page: size or resolution not positive");
    return nullptr;
  }
  fjob = PageBitmap(dpmm);
  if (!fjob || !fjob->imageData()) {
    fjob.reset();
    fail("no memory for the page bitmap");
    return nullptr;
  }
  platform::TDeviceContext& dc = fjob->dc();
  dc.setLogPixels(int(platform::Round(dpmm * 25.4)));
  dc.setTechnology(platform::TDeviceContext::Technology::RasterPrinter);
  if (scale != 1.0) {
    dc.setGraphicsMode(platform::GraphicsMode::Advanced);
    platform::XFORM x{};
    x.eM11 = float(scale);
    x.eM22 = float(scale);
    dc.setWorldTransform(x);
  }
  dc.setViewportOrg({int(platform::Round(-originXmm * dpmm)), int(platform::Round(-originYmm * dpmm))});
  fjobCanvas = std::make_unique<platform::TCanvas>(&dc);
  fcanvas = fjobCanvas.get();
  fprinting = true;
  return fcanvas;
}

platform::TCanvas* TPrint::start() { return start(0, 0); }

platform::TCanvas* TPrint::start(double offsetXmm, double offsetYmm) {
  double dpmm = std::min(fdotsPerMM, fmaxdpi / 25.4);
  platform::TCanvas* c = beginPage(dpmm, 1.0, offsetXmm, offsetYmm);
  if (c) fdotsPerMM = fprintdpmm;
  return c;
}

platform::TCanvas* TPrint::startEX(double dpmm) { return startEX(dpmm, paperWidth(), paperHeight(), 0, 0); }
platform::TCanvas* TPrint::startEX(double dpmm, double widmm, double heimm) {
  return startEX(dpmm, widmm, heimm, 0, 0);
}

platform::TCanvas* TPrint::startEX(double dpmm, double widmm, double heimm, double offsetXmm, double offsetYmm) {
  fuserdpmm = dpmm;
  fuserheight = heimm;
  if (!(dpmm > 0) || !std::isfinite(dpmm)) {
    fail("startEX: units per millimetre not positive");
    return nullptr;
  }
  if (meta) {
    if (!(widmm > 0) || !(heimm > 0)) {
      fail("startEX: an empty page");
      return nullptr;
    }
    meta->clear();
    mc = std::make_unique<platform::TMetafileCanvas>(*meta, int(platform::Round(widmm * dpmm)),
                                                     int(platform::Round(heimm * dpmm)), dpmm);
    fcanvas = &mc->canvas();
    fprinting = true;
    return fcanvas;
  }
  // The page bitmap has the printer's resolution (within the limits); the world transform makes
  // one logical unit 1/dpmm millimetre on it.
  double device = std::min(fdotsPerMM, fmaxdpi / 25.4);
  platform::TCanvas* c = beginPage(device, 1.0, 0, 0);
  if (!c) return nullptr;
  double scale = fprintdpmm / dpmm;
  platform::TDeviceContext& dc = fjob->dc();
  dc.setGraphicsMode(platform::GraphicsMode::Advanced);
  platform::XFORM x{};
  x.eM11 = float(scale);
  x.eM22 = float(scale);
  x.eDx = float(-offsetXmm * fprintdpmm);
  x.eDy = float(-offsetYmm * fprintdpmm);
  dc.setWorldTransform(x);
  return c;
}

void TPrint::abort() {
  mc.reset();
  fjobCanvas.reset();
  fjob.reset();
  fcanvas = nullptr;
  fprinting = false;
}

bool TPrint::sendPage() {
  if (!targetPDFfile.empty()) {
    TPDF pdf;
    pdf.TITLE = "Ombrant";
    if (!pdf.BMtoPDF(*fjob, paperWidth(), targetPDFfile)) return fail("cannot write " + targetPDFfile + ": " + pdf.lastError());
    return true;
  }
  if (!present) return fail("no printer");
  std::string tmp = os ? os->tempfilename("pdf") : std::string();
  if (tmp.empty()) return fail("no temporary file for the print job");
  TPDF pdf;
  pdf.TITLE = "Ombrant";
  bool ok = pdf.BMtoPDF(*fjob, paperWidth(), tmp);
  std::string why;
  // The page is already laid out in its orientation: asking for landscape too would turn it twice.
  std::string options = platform::setOption(foptions, "orientation-requested", "3");
  if (ok) ok = platform::printPdfFile(fname, tmp, "Ombrant", copies, options, &why);
  else why = pdf.lastError();
  platform::removeFile(tmp);
  return ok ? true : fail("printing on " + fname + " failed: " + why);
}

bool TPrint::finish() {
  if (!fprinting) return fail("finish: no job");
  bool ok = true;
  if (mc) {
    mc.reset();
  } else if (!aborted && fjob) {
    fjobCanvas.reset();
    ok = sendPage();
  }
  abort();
  return ok;
}

// ---- the page bitmap

std::unique_ptr<TrawBitmap24> TPrint::PageBitmap(double dpmm) {
  double w = paperWidth(), h = paperHeight();
  if (!(dpmm > 0) || !std::isfinite(dpmm) || !(w > 0) || !(h > 0)) return nullptr;
  // The bitmap limit lowers the resolution rather than refusing the page.
  if (w * dpmm * h * dpmm * 3 > double(maxBMsize)) dpmm = std::sqrt(double(maxBMsize) / (w * h * 3));
  auto bm = std::make_unique<TrawBitmap24>();
  bm->setsize(int(platform::Round(w * dpmm)), int(platform::Round(h * dpmm)));
  if (!bm->imageData()) return nullptr;
  bm->fillWhite();
  fprintdpmm = dpmm;
  return bm;
}

platform::TCanvas* TPrint::StartBM() { return StartBM(paperWidth(), paperHeight()); }

platform::TCanvas* TPrint::StartBM(double widthmm, double heightmm) {
  if (!(widthmm > 0) || !(heightmm > 0) || !std::isfinite(widthmm * heightmm)) {
    fail("StartBM: an empty page");
    return nullptr;
  }
  double dpmm = std::min(fdotsPerMM, fmaxdpi / 25.4);
  if (widthmm * dpmm * heightmm * dpmm * 3 > double(maxBMsize))
    dpmm = std::sqrt(double(maxBMsize) / (heightmm * widthmm * 3));
  if (!pbm) pbm = std::make_unique<TrawBitmap24>();
  pbm->setsize(int(platform::Round(widthmm * dpmm)), int(platform::Round(heightmm * dpmm)));
  if (!pbm->imageData()) {
    fail("StartBM: no memory for the page bitmap");
    return nullptr;
  }
  pbm->fillWhite();
  fprintdpmm = dpmm;
  fpbmCanvas = std::make_unique<platform::TCanvas>(&pbm->dc());
  if (debug) {
    fpbmCanvas->Brush.Style = platform::bsClear;
    fpbmCanvas->Rectangle(0, 0, pbm->width(), pbm->height());
  }
  return fpbmCanvas.get();
}

bool TPrint::displayBM() {
  if (!pbm || !os) return false;
  std::string name = os->getTempDir() + "print.bmp";
  return pbm->savetofile(name) && os->ViewFile(name);
}

bool TPrint::PrintBM() {
  if (debug) return displayBM();
  if (aborted || !pbm) return false;
  if (!startEX(fprintdpmm)) return false;
  PrintPageBitmap(*pbm);
  return finish();
}

bool TPrint::PrintBMtoFile(const std::string& filename) {
  if (!pbm || !pbm->hasPixels()) return fail("no page bitmap");
  switch (TosFileTypes::getFileType(filename)) {
    case file_bmp:
      return pbm->savetofile(filename) || fail("cannot write " + filename);
    case file_pdf: {
      TPDF pdf;
      return pdf.BMtoPDF(*pbm, pbm->width() / fprintdpmm, filename) || fail("cannot write " + filename);
    }
    default:
      return fail("not a BMP or PDF name: " + filename);
  }
}

void TPrint::PrintBitmap(platform::TRect const& destRect, TrawBitmap24& bitmap) {
  if (!fcanvas || !fcanvas->Handle() || !bitmap.hasPixels()) return;
  platform::TDeviceContext& dc = *fcanvas->Handle();
  platform::StretchMode old = dc.setStretchBltMode(platform::StretchMode::ColorOnColor);
  platform::StretchBlt(dc, destRect.Left, destRect.Top, destRect.Right - destRect.Left,
                       destRect.Bottom - destRect.Top, &bitmap.dc(), 0, 0, bitmap.width(), bitmap.height(),
                       platform::SRCCOPY);
  dc.setStretchBltMode(old);
}

void TPrint::PrintPageBitmap(TrawBitmap24& bitmap) {
  PrintBitmap({0, 0, px(paperWidth()), px(paperHeight())}, bitmap);
}

void TPrint::PrintPageBitmap(TrawBitmap24& bitmap, double widthmm, double heightmm) {
  PrintPageBitmap(bitmap, fdotsPerMM, widthmm, heightmm);
}

void TPrint::PrintPageBitmap(TrawBitmap24& bitmap, double ppmm, double widthmm, double heightmm) {
  PrintBitmap({0, 0, int(platform::Round(widthmm * ppmm * Xstretch)), int(platform::Round(heightmm * ppmm * Ystretch))},
              bitmap);
}

// ---- metafiles

bool TPrint::printEMF(const platform::TMetafile& emf, double dxmm, double dymm) {
  return printEMF(emf, dxmm, dymm, 0, false);
}

bool TPrint::printEMF(const platform::TMetafile& emf, double factor, double dxmm, double dymm) {
  double x = Xstretch, y = Ystretch;
  Xstretch = Ystretch = factor;
  bool ok = printEMF(emf, dxmm, dymm, 0, false);
  Xstretch = x;
  Ystretch = y;
  return ok;
}

bool TPrint::printEMF(const platform::TMetafile& emf, double, double, double marginMM, bool maintainAspect) {
  platform::TCanvas* c = start();
  if (!c) return false;
  int W = int(platform::Round(paperWidth() * fdotsPerMM * Xstretch));
  int H = int(platform::Round(paperHeight() * fdotsPerMM * Ystretch));
  int m = int(platform::Round(marginMM * fdotsPerMM));
  platform::TRect box{m, m, W - m, H - m};
  if (maintainAspect && os) os->MetafileToBox(*c, emf, box, true);
  else platform::PlayEnhMetaFile(*c->Handle(), emf, box);
  return finish();
}
