// Printers through the print server: the printer list and default, a printer's paper, margins
// and resolution, and a print job of one PDF document. Printer settings are an options text
// ("media=iso_a4_210x297mm orientation-requested=4") rather than a settings block.
// Implemented: [x] list and default [x] paper, margins, resolution [x] the printer's paper list
//              [x] PDF jobs [x] options text
//              [ ] the printer's own setup dialogs
#pragma once
#include <string>
#include <vector>

namespace platform {

struct TPrinterMetrics {
  double paperWidthMM = 210;   // portrait sides
  double paperHeightMM = 297;
  double leftMM = 0;           // the printable area's offset from the paper's corner
  double topMM = 0;
  int dpi = 300;
  bool landscape = false;
  std::string media;           // the print server's name of the paper, e.g. "iso_a4_210x297mm"
};

// One paper a printer offers: the server's name for it, the name shown to people, its portrait
// sides and the unprintable margins, in millimetres.
struct TPrinterPaper {
  std::string media;  // e.g. "iso_a4_210x297mm"
  std::string name;   // e.g. "A4", "Letter"
  double widthMM = 0, heightMM = 0;
  double leftMM = 0, topMM = 0, rightMM = 0, bottomMM = 0;
};

// The printers the server knows; empty without a server. Connections give up after a few seconds.
std::vector<std::string> printerNames();
// The server's default printer; empty when there is none.
std::string defaultPrinterName();
bool printerExists(const std::string& name);

// Measures a printer with its options applied: false (metrics untouched) when it is unknown.
bool measurePrinter(const std::string& name, const std::string& options, TPrinterMetrics& metrics);
// The papers the printer offers, in the server's order, each size once; empty when it is unknown.
std::vector<TPrinterPaper> printerPapers(const std::string& name);
// The options the printer offers, in the order given; others are dropped.
std::string supportedOptions(const std::string& name, const std::string& options);

// Sends a PDF file as one job; false with `error` set when the printer or the server refuses.
bool printPdfFile(const std::string& printer, const std::string& pdfFile, const std::string& title,
                  int copies, const std::string& options, std::string* error = nullptr);

// Option texts: "name=value" words separated by blanks; a value may be quoted.
std::string optionValue(const std::string& options, const std::string& name);
std::string setOption(const std::string& options, const std::string& name, const std::string& value);

// The server's name for a paper of these sides, e.g. "iso_a4_210x297mm", or a custom size.
std::string mediaForSize(double widthMM, double heightMM);
// Paper sides of a media name; false for a name without a size.
bool sizeOfMedia(const std::string& media, double& widthMM, double& heightMM);

}  // namespace platform
