// Printers through libcups: destinations, their media defaults and a job of one PDF document.
// Sizes from the server are hundredths of a millimetre; resolutions come from
// "printer-resolution" defaults (dots per inch or per centimetre).
#include "platform/printers.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "platform/files.h"
#include "platform/library_calls.h"

namespace platform {
namespace {

// libcups is opened the first time a printer or a paper is asked for, not at start: with what it
// links (TLS, Kerberos, service discovery) it would add some 3 MB to every run of the program.
#define KESTROVA_CUPS_CALLS(X)                                                                              \
  X(cupsGetDests2)                                                                             \
  X(cupsFreeDests)                                                                             \
  X(cupsGetDest)                                                                               \
  X(cupsCopyDestInfo)                                                                          \
  X(cupsConnectDest)                                                                           \
  X(cupsFreeDestInfo)                                                                          \
  X(httpClose)                                                                                 \
  X(cupsParseOptions)                                                                          \
  X(cupsFreeOptions)                                                                           \
  X(cupsGetOption)                                                                             \
  X(cupsAddOption)                                                                             \
  X(pwgMediaForSize)                                                                           \
  X(pwgMediaForPWG)                                                                            \
  X(pwgMediaForLegacy)                                                                         \
  X(cupsGetDestMediaCount)                                                                     \
  X(cupsGetDestMediaByIndex)                                                                   \
  X(cupsLocalizeDestMedia)                                                                     \
  X(cupsCheckDestSupported)                                                                    \
  X(cupsFindDestDefault)                                                                       \
  X(ippGetString)                                                                              \
  X(cupsGetDestMediaByName)                                                                    \
  X(cupsGetDestMediaDefault)                                                                   \
  X(ippGetResolution)                                                                          \
  X(cupsCreateDestJob)                                                                         \
  X(cupsLastErrorString)                                                                       \
  X(cupsStartDestDocument)                                                                     \
  X(cupsCancelDestJob)                                                                         \
  X(cupsWriteRequestData)                                                                      \
  X(cupsFinishDestDocument)

struct Cups {
#define KESTROVA_CUPS_MEMBER(name) decltype(&::name) name = nullptr;
  KESTROVA_CUPS_CALLS(KESTROVA_CUPS_MEMBER)
#undef KESTROVA_CUPS_MEMBER
  bool loaded = false;
};

const Cups& cups() {
  static const Cups lib = [] {
    Cups c;
    void* h = openLibrary("libcups.so.2");
    if (!h) return c;
    c.loaded = true;
#define KESTROVA_CUPS_LOAD(name) c.loaded &= bindCall(h, #name, c.name);
    KESTROVA_CUPS_CALLS(KESTROVA_CUPS_LOAD)
#undef KESTROVA_CUPS_LOAD
    return c;
  }();
  return lib;
}

constexpr int kConnectMs = 5000;  // how long one connection to the server may take

struct Dests {
  cups_dest_t* list = nullptr;
  int count = 0;
  Dests() {
    if (cups().loaded) count = cups().cupsGetDests2(CUPS_HTTP_DEFAULT, &list);
  }
  ~Dests() {
    if (list) cups().cupsFreeDests(count, list);
  }
  Dests(Dests const&) = delete;
  Dests& operator=(Dests const&) = delete;
  cups_dest_t* find(const std::string& name) const {
    return name.empty() || !list ? nullptr : cups().cupsGetDest(name.c_str(), nullptr, count, list);
  }
};

// The server's own queues answer on the default connection (which also serves a server on a
// local socket); a destination elsewhere gets a connection of its own.
struct Connection {
  http_t* http = CUPS_HTTP_DEFAULT;
  http_t* own = nullptr;
  cups_dinfo_t* info = nullptr;
  explicit Connection(cups_dest_t* dest) {
    info = cups().cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (info) return;
    char resource[1024];
    own = cups().cupsConnectDest(dest, CUPS_DEST_FLAGS_NONE, kConnectMs, nullptr, resource, sizeof resource, nullptr,
                          nullptr);
    if (own) {
      http = own;
      info = cups().cupsCopyDestInfo(own, dest);
    }
  }
  ~Connection() {
    if (info) cups().cupsFreeDestInfo(info);
    if (own) cups().httpClose(own);
  }
  Connection(Connection const&) = delete;
  Connection& operator=(Connection const&) = delete;
};

struct Options {
  int count = 0;
  cups_option_t* list = nullptr;
  explicit Options(const std::string& text) {
    if (!text.empty() && cups().loaded) count = cups().cupsParseOptions(text.c_str(), 0, &list);
  }
  ~Options() {
    if (list) cups().cupsFreeOptions(count, list);
  }
  Options(Options const&) = delete;
  Options& operator=(Options const&) = delete;
};

std::string quoted(const std::string& v) {
  if (v.find_first_of(" \t'\"\\") == std::string::npos && !v.empty()) return v;
  std::string q = "'";
  for (char c : v) {
    if (c == '\'' || c == '\\') q.push_back('\\');
    q.push_back(c);
  }
  return q + "'";
}

std::string joinOptions(int count, cups_option_t const* list) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (!out.empty()) out.push_back(' ');
    out += std::string(list[i].name) + "=" + quoted(list[i].value);
  }
  return out;
}
}  // namespace

std::vector<std::string> printerNames() {
  Dests d;
  std::vector<std::string> names;
  for (int i = 0; i < d.count; ++i) names.emplace_back(d.list[i].name);
  return names;
}

std::string defaultPrinterName() {
  Dests d;
  for (int i = 0; i < d.count; ++i)
    if (d.list[i].is_default) return d.list[i].name;
  return {};
}

bool printerExists(const std::string& name) {
  Dests d;
  return d.find(name) != nullptr;
}

std::string optionValue(const std::string& options, const std::string& name) {
  if (!cups().loaded) return "";
  Options o(options);
  const char* v = cups().cupsGetOption(name.c_str(), o.count, o.list);
  return v ? v : "";
}

std::string setOption(const std::string& options, const std::string& name, const std::string& value) {
  // Without the library the options are kept as they stand and the new one follows them.
  if (!cups().loaded) return (options.empty() ? "" : options + " ") + name + "=" + quoted(value);
  Options o(options);
  o.count = cups().cupsAddOption(name.c_str(), value.c_str(), o.count, &o.list);
  return joinOptions(o.count, o.list);
}

std::string mediaForSize(double widthMM, double heightMM) {
  if (!(widthMM > 0) || !(heightMM > 0) || !std::isfinite(widthMM) || !std::isfinite(heightMM)) return {};
  double w = std::min(widthMM, heightMM), h = std::max(widthMM, heightMM);
  pwg_media_t* m = !cups().loaded ? nullptr : cups().pwgMediaForSize(int(std::lround(w * 100)), int(std::lround(h * 100)));
  // pwgMediaForSize makes up a custom name when no standard size is within its tolerance.
  if (m && m->pwg) return m->pwg;
  char buf[96];
  std::snprintf(buf, sizeof buf, "custom_%.2fx%.2fmm_%.2fx%.2fmm", w, h, w, h);
  return buf;
}

bool sizeOfMedia(const std::string& media, double& widthMM, double& heightMM) {
  if (!cups().loaded) return false;
  pwg_media_t* m = cups().pwgMediaForPWG(media.c_str());
  if (!m) m = cups().pwgMediaForLegacy(media.c_str());
  if (!m || m->width <= 0 || m->length <= 0) return false;
  widthMM = m->width / 100.0;
  heightMM = m->length / 100.0;
  return true;
}

std::vector<TPrinterPaper> printerPapers(const std::string& name) {
  std::vector<TPrinterPaper> papers;
  Dests d;
  cups_dest_t* dest = d.find(name);
  if (!dest) return papers;
  Connection c(dest);
  if (!c.info) return papers;
  const int n = cups().cupsGetDestMediaCount(c.http, dest, c.info, CUPS_MEDIA_FLAGS_DEFAULT);
  for (int i = 0; i < n; ++i) {
    cups_size_t size{};
    if (!cups().cupsGetDestMediaByIndex(c.http, dest, c.info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size) || size.width <= 0 ||
        size.length <= 0)
      continue;
    TPrinterPaper p;
    p.media = size.media;
    // Borderless and other variants of one size come as media of their own: the first stays.
    if (std::any_of(papers.begin(), papers.end(), [&](TPrinterPaper const& q) { return q.media == p.media; }))
      continue;
    // The server's text for people where its language has one; else the size's short keyword
    // ("A4", "Letter"); else the media name itself.
    const char* shown = cups().cupsLocalizeDestMedia(c.http, dest, c.info, CUPS_MEDIA_FLAGS_DEFAULT, &size);
    const pwg_media_t* known = cups().pwgMediaForPWG(size.media);
    if (shown && *shown && p.media != shown) p.name = shown;
    else if (known && known->ppd) p.name = known->ppd;
    else p.name = p.media;
    p.widthMM = size.width / 100.0;
    p.heightMM = size.length / 100.0;
    p.leftMM = size.left / 100.0;
    p.topMM = size.top / 100.0;
    p.rightMM = size.right / 100.0;
    p.bottomMM = size.bottom / 100.0;
    papers.push_back(std::move(p));
  }
  return papers;
}

std::string supportedOptions(const std::string& name, const std::string& options) {
  Dests d;
  cups_dest_t* dest = d.find(name);
  if (!dest) return {};
  Connection c(dest);
  if (!c.info) return {};
  Options o(options);
  Options kept("");
  for (int i = 0; i < o.count; ++i)
    if (cups().cupsCheckDestSupported(c.http, dest, c.info, o.list[i].name, o.list[i].value))
      kept.count = cups().cupsAddOption(o.list[i].name, o.list[i].value, kept.count, &kept.list);
  return joinOptions(kept.count, kept.list);
}

bool measurePrinter(const std::string& name, const std::string& options, TPrinterMetrics& metrics) {
  Dests d;
  cups_dest_t* dest = d.find(name);
  if (!dest) return false;
  Connection c(dest);
  if (!c.info) return false;
  TPrinterMetrics m;
  Options o(options);
  cups_size_t size{};
  bool have = false;
  // The asked paper, else the queue's own "media" option, else its "media-default" (the library's
  // own default-media call prefers the locale's paper to the queue's).
  std::string media;
  if (const char* v = cups().cupsGetOption("media", o.count, o.list)) media = v;
  if (media.empty())
    if (const char* v = cups().cupsGetOption("media", dest->num_options, dest->options)) media = v;
  if (media.empty())
    if (ipp_attribute_t* a = cups().cupsFindDestDefault(c.http, dest, c.info, "media"))
      if (const char* v = cups().ippGetString(a, 0, nullptr)) media = v;
  if (!media.empty()) have = cups().cupsGetDestMediaByName(c.http, dest, c.info, media.c_str(), CUPS_MEDIA_FLAGS_DEFAULT, &size);
  if (!have) have = cups().cupsGetDestMediaDefault(c.http, dest, c.info, CUPS_MEDIA_FLAGS_DEFAULT, &size);
  if (have && size.width > 0 && size.length > 0) {
    m.paperWidthMM = size.width / 100.0;
    m.paperHeightMM = size.length / 100.0;
    m.leftMM = size.left / 100.0;
    m.topMM = size.top / 100.0;
    m.media = size.media;
  }
  if (ipp_attribute_t* res = cups().cupsFindDestDefault(c.http, dest, c.info, "printer-resolution")) {
    ipp_res_t units;
    int y = 0;
    int x = cups().ippGetResolution(res, 0, &y, &units);
    if (units == IPP_RES_PER_CM) x = int(std::lround(x * 2.54));
    if (x > 0) m.dpi = x;
  }
  const char* orient = cups().cupsGetOption("orientation-requested", o.count, o.list);
  m.landscape = orient && (std::string(orient) == "4" || std::string(orient) == "5");
  metrics = m;
  return true;
}

bool printPdfFile(const std::string& printer, const std::string& pdfFile, const std::string& title, int copies,
                  const std::string& options, std::string* error) {
  auto fail = [&](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  std::string bytes;
  if (!readWholeFile(pdfFile, bytes)) return fail("cannot read " + pdfFile);
  if (!cups().loaded) return fail("the print library (libcups.so.2) cannot be loaded");
  Dests d;
  cups_dest_t* dest = d.find(printer);
  if (!dest) return fail(printer.empty() ? "no printer" : "no printer named " + printer);
  Connection c(dest);
  if (!c.info) return fail("the print server does not answer");
  Options o(options);
  if (copies > 1) o.count = cups().cupsAddOption("copies", std::to_string(copies).c_str(), o.count, &o.list);
  int job = 0;
  if (cups().cupsCreateDestJob(c.http, dest, c.info, &job, title.c_str(), o.count, o.list) > IPP_STATUS_OK_CONFLICTING ||
      job <= 0)
    return fail(cups().cupsLastErrorString());
  if (cups().cupsStartDestDocument(c.http, dest, c.info, job, title.c_str(), CUPS_FORMAT_PDF, 0, nullptr, 1) !=
      HTTP_STATUS_CONTINUE) {
    cups().cupsCancelDestJob(c.http, dest, job);
    return fail(cups().cupsLastErrorString());
  }
  if (cups().cupsWriteRequestData(c.http, bytes.data(), bytes.size()) != HTTP_STATUS_CONTINUE) {
    cups().cupsFinishDestDocument(c.http, dest, c.info);
    cups().cupsCancelDestJob(c.http, dest, job);
    return fail(cups().cupsLastErrorString());
  }
  if (cups().cupsFinishDestDocument(c.http, dest, c.info) > IPP_STATUS_OK_CONFLICTING) return fail(cups().cupsLastErrorString());
  return true;
}

}  // namespace platform
