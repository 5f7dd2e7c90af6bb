// Printing: the paper table (Tpapers) and the program's one printer object (TPrint).
// A job draws on a white 24-bit page bitmap at the job's resolution; finishing it makes the
// bitmap a one-page PDF with our own writer and sends that to the print server, or writes it
// to targetPDFfile when one is named (no printer needed). Sizes are millimetres unless named.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/TStringList.h"
#include "platform/surface.h"

namespace platform {
class TCanvas;
class TDeviceContext;
class TMetafile;
class TMetafileCanvas;
}  // namespace platform
class TrawBitmap24;
class TPrint;

struct Tpaper {
  uint16_t windowsCode = 0;
  double width = 0;   // metres
  double Height = 0;  // metres
  double marginLeft = 15, marginTop = 15, marginRight = 15, marginBottom = 15;
};

class Tpapers {
 public:
  // The table reads the paper of the printer that owns it; without one, the no-printer state.
  explicit Tpapers(TPrint* owner = nullptr);

  [[nodiscard]] int index() const { return findex; }
  void setIndex(int value);  // outside the rows: nothing changes
  [[nodiscard]] bool isCustom() const { return fcustom; }
  [[nodiscard]] int count() const { return names.count(); }
  // The row, brought up to date for rows 0–2; null outside the rows.
  Tpaper* getPaper(int index);
  [[nodiscard]] std::string line(int index) const;
  [[nodiscard]] double paperWidth();
  [[nodiscard]] double paperHeight();
  int indexfromsize(double widthmm, double heightmm, bool excludecurrent = false);

  double customwidth = 210.224;
  double customHeight = 297.302;
  double trimMM = 5;
  double overlapMM = 10;

 private:
  void add(const std::string& name, double w, double h, bool exactSizes = false);
  [[nodiscard]] double printerRawWidth() const;
  [[nodiscard]] double printerRawHeight() const;
  [[nodiscard]] double printerSide(bool larger) const;
  TPrint* fowner;
  int findex = 0;
  bool fcustom = true;
  TStringList names;
  std::vector<std::unique_ptr<Tpaper>> rows;
};

class TPrint {
 public:
  TPrint();
  ~TPrint();
  TPrint(const TPrint&) = delete;
  TPrint& operator=(const TPrint&) = delete;

  // ---- printers
  void refresh();
  [[nodiscard]] static std::string GetDefaultPrinter();
  [[nodiscard]] std::string getPrinterName() const;
  void setPrinterName(const std::string& value);
  [[nodiscard]] static bool printerExists(const std::string& name);
  // The printer dialogs come with the control set; until then they say so and answer false.
  bool setUp();
  bool setUpCurrentPrinter();
  // The printer's options text under "printers" in the program's settings file.
  void storePrinter();
  bool getStoredPrinter();
  [[nodiscard]] const std::string& options() const { return foptions; }
  void setOptions(const std::string& options);  // options the printer does not offer are dropped

  // ---- paper
  void setlandscape(bool value);
  [[nodiscard]] bool landscape() const { return flandscape; }
  void setPaperSize(uint16_t windowsCode);
  void setCustomPaperSize(double width, double height);
  [[nodiscard]] double rawPaperWidth() const { return fpaperwidth; }
  [[nodiscard]] double rawPaperHeight() const { return fpaperheight; }
  [[nodiscard]] double paperWidth() const;
  [[nodiscard]] double paperHeight() const;
  [[nodiscard]] double leftmargin() const;
  [[nodiscard]] double topmargin() const;
  [[nodiscard]] int px(double mm) const;
  [[nodiscard]] std::string getPaperName() const;
  // The printer's own paper that is in use: its name (the server's, e.g. "A4"); empty when none
  // of the printer's papers is. getPaperShortName is the same.
  [[nodiscard]] std::string getCurrentPaperName() const;
  [[nodiscard]] std::string getPaperShortName() const { return getCurrentPaperName(); }
  [[nodiscard]] std::string getSizeString() const;
  [[nodiscard]] int dpi() const { return fdpi; }
  [[nodiscard]] double dotsPermm() const { return fdotsPerMM; }
  [[nodiscard]] double printdpmm() const { return fprintdpmm; }
  [[nodiscard]] uint16_t PaperSizeCode() const { return fsizecode; }
  [[nodiscard]] int MaxDPI() const { return fmaxdpi; }
  [[nodiscard]] uint32_t MaximumBitmapSize() const { return maxBMsize; }
  [[nodiscard]] bool isPrinting() const { return fprinting; }
  [[nodiscard]] bool isPresent() const { return present; }
  [[nodiscard]] Tpapers& papers() { return *fpapers; }
  // The printer's own papers as the print server lists them (empty without a printer): rows of
  // a name and a Tpaper (its sides in metres, its margins in millimetres, the platform's paper
  // code where the paper table knows the size). getPaper is null and getPaperW and getPaperH
  // are 0 outside the rows; the sides are exchanged in landscape, as paperWidth's are.
  [[nodiscard]] const TStringList& currentPrinterPaperNames() const { return fPaperNames; }
  [[nodiscard]] std::string currentPrinterPaperName(int index) const;
  [[nodiscard]] Tpaper* getPaper(int index) const;
  [[nodiscard]] double getPaperW(int index) const;
  [[nodiscard]] double getPaperH(int index) const;
  // An information context of the printer as it stands: its resolution and kind, no pixels to
  // draw on. The caller owns it.
  [[nodiscard]] std::unique_ptr<platform::TDeviceContext> refdc() const;

  // ---- jobs: a canvas in device pixels (logical (0, 0) the paper's corner), or in dpmm units
  platform::TCanvas* start();
  platform::TCanvas* start(double offsetXmm, double offsetYmm);
  platform::TCanvas* startEX(double dpmm);
  platform::TCanvas* startEX(double dpmm, double widmm, double heimm);
  platform::TCanvas* startEX(double dpmm, double widmm, double heimm, double offsetXmm, double offsetYmm);
  // Ends the job: the page goes to the printer or to targetPDFfile. False, logged, when it could
  // not be printed or written.
  bool finish();
  void abort();
  [[nodiscard]] platform::TCanvas* canvas() const { return fcanvas; }
  [[nodiscard]] const std::string& lastError() const { return ferror; }

  // ---- the page bitmap
  platform::TCanvas* StartBM();
  platform::TCanvas* StartBM(double widthmm, double heightmm);
  [[nodiscard]] TrawBitmap24* bm() const { return pbm.get(); }
  bool displayBM();
  bool PrintBM();
  // A BMP or PDF file of the page bitmap; other names write nothing and answer false.
  bool PrintBMtoFile(const std::string& filename);
  std::unique_ptr<TrawBitmap24> PageBitmap(double dpmm);
  void PrintBitmap(platform::TRect const& destRect, TrawBitmap24& bitmap);
  void PrintPageBitmap(TrawBitmap24& bitmap);
  void PrintPageBitmap(TrawBitmap24& bitmap, double widthmm, double heightmm);
  void PrintPageBitmap(TrawBitmap24& bitmap, double ppmm, double widthmm, double heightmm);

  // ---- metafiles: one job, one page
  bool printEMF(const platform::TMetafile& emf) { return printEMF(emf, 0, 0); }
  bool printEMF(const platform::TMetafile& emf, double dxmm, double dymm);
  bool printEMF(const platform::TMetafile& emf, double factor, double dxmm, double dymm);
  bool printEMF(const platform::TMetafile& emf, double dxmm, double dymm, double marginMM, bool maintainAspect);

  std::string targetPDFfile;  // when set, jobs are written to this PDF file
  platform::TMetafile* meta = nullptr;  // when set, startEX records into it
  bool debug = false;
  bool aborted = false;
  int copies = 1;
  double Xstretch = 1.0;
  double Ystretch = 1.0;
  int shadecaps = 0;

 private:
  void noPrinterState();
  void loadOwnPapers();
  platform::TCanvas* beginPage(double dpmm, double scale, double originXmm, double originYmm);
  bool sendPage();
  bool fail(const std::string& why);

  uint32_t maxBMsize = 200u * 1024 * 1024;
  std::unique_ptr<TrawBitmap24> pbm;   // the page bitmap of StartBM
  std::unique_ptr<TrawBitmap24> fjob;  // the page of the running job
  std::unique_ptr<platform::TCanvas> fjobCanvas;
  std::unique_ptr<platform::TCanvas> fpbmCanvas;
  std::unique_ptr<platform::TMetafileCanvas> mc;
  std::unique_ptr<Tpapers> fpapers;
  TStringList fPaperNames;                    // the printer's own papers: names ...
  std::vector<std::unique_ptr<Tpaper>> fownPapers;  // ... and their sizes, row by row
  std::vector<std::string> fownMedia;         // ... and the server's media names
  std::string fname;
  std::string foptions;
  std::string fmedia;
  std::string fpapername;
  std::string ferror;
  platform::TCanvas* fcanvas = nullptr;
  double fdotsPerMM = 300 / 25.4;
  double fprintdpmm = 300 / 25.4;
  double fpaperwidth = 210, fpaperheight = 297;
  double fuserdpmm = 0, fuserheight = 0;
  int xmargin = 0, ymargin = 0;
  int pixelwidth = 0, pixelheight = 0;
  int fdpi = 300;
  int fmaxdpi = 600;
  uint16_t fsizecode = 9;
  bool flandscape = false;
  bool fprinting = false;
  bool present = false;
};

// The module's printer object, made by its first user and freed at exit.
extern std::unique_ptr<TPrint> print;
