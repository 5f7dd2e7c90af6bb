// A print server of the test's own: cupsd with a private configuration in a temporary folder,
// one queue "kqueue" on a file: device whose description declares A4 and US Letter with margins
// and 600 dpi and passes PDF jobs through unchanged. One server per test suite: start it in
// SetUpTestSuite, stop it in TearDownTestSuite; `why` says why it could not start.
#pragma once
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/testenv.h"

namespace testenv {

class TprintServer {
 public:
  static void start() {
    if (geteuid() != 0) {
      why = "a private print server needs root (cupsd refuses to run its filters otherwise)";
      return;
    }
    if (access("/usr/sbin/cupsd", X_OK) != 0 || std::system("command -v lpadmin >/dev/null 2>&1") != 0) {
      why = "cupsd or lpadmin missing (scripts/setup.sh --tests installs cups and cups-client)";
      return;
    }
    char tmpl[] = "/tmp/kestrova-cups-XXXXXX";
    if (!mkdtemp(tmpl)) return;
    dir = tmpl;
    for (const char* d : {"/spool", "/cache", "/run", "/log", "/out"}) mkdir((dir + d).c_str(), 0777);
    chmod(dir.c_str(), 0755);
    chmod((dir + "/out").c_str(), 0777);
    std::ofstream(dir + "/cupsd.conf") << "Listen " << dir << "/run/cups.sock\nLogLevel warn\nWebInterface No\n"
                                          "Browsing No\nDefaultPaperSize A4\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n";
    std::ofstream(dir + "/cups-files.conf")
        << "ServerRoot " << dir << "\nRequestRoot " << dir << "/spool\nCacheDir " << dir << "/cache\nStateDir " << dir
        << "/run\nTempDir " << dir << "/spool\nErrorLog " << dir << "/log/error_log\nAccessLog " << dir
        << "/log/access_log\nPageLog " << dir << "/log/page_log\nFileDevice Yes\nSandboxing Relaxed\n";
    std::ofstream(dir + "/test.ppd") << kPpd;
    pid = fork();
    if (pid == 0) {
      execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", (dir + "/cupsd.conf").c_str(), "-s",
            (dir + "/cups-files.conf").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    setenv("CUPS_SERVER", (dir + "/run/cups.sock").c_str(), 1);
    for (int i = 0; i < 100 && runCommand("lpstat -r").find("is running") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int status = 0;
    std::string out = runCommand(
        "lpadmin -p kqueue -E -v file://" + dir + "/out/job.pdf -P " + dir + "/test.ppd && lpadmin -d kqueue", &status);
    if (status != 0) why = "the test print server did not take its queue: " + out;
  }
  static void stop() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
      pid = 0;
    }
    unsetenv("CUPS_SERVER");
    if (!dir.empty() && !std::getenv("KEEP_CUPS")) runCommand("rm -rf '" + dir + "'");
  }
  // The job's file once the queue has written it; empty when none came.
  static std::string waitForJob() {
    std::string out = dir + "/out/job.pdf";
    struct stat st;
    for (int i = 0; i < 200; ++i) {
      if (stat(out.c_str(), &st) == 0 && st.st_size > 0 && runCommand("lpstat -o").empty()) return out;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
  }
  // The page of a PDF at 50 pixels per inch, grey: its size and the box of its dark pixels.
  struct Tpage {
    int width = 0, height = 0;
    int left = 0, top = 0, right = -1, bottom = -1;
  };
  static Tpage inkOf(const std::string& pdf) {
    runCommand("pdftoppm -r 50 -gray -singlefile '" + pdf + "' '" + dir + "/out/page'");
    std::ifstream f(dir + "/out/page.pgm", std::ios::binary);
    std::string magic;
    Tpage p;
    int maxv = 0;
    f >> magic >> p.width >> p.height >> maxv;
    f.get();
    std::vector<unsigned char> px(size_t(p.width) * size_t(p.height));
    f.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size()));
    p.left = p.width, p.top = p.height;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        if (px[size_t(y) * p.width + x] < 100) {
          p.left = std::min(p.left, x), p.right = std::max(p.right, x);
          p.top = std::min(p.top, y), p.bottom = std::max(p.bottom, y);
        }
    return p;
  }

  static inline std::string dir;
  static inline std::string why;
  static inline pid_t pid = 0;

 private:
  static inline const char kPpd[] = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "KTEST.PPD"
*Manufacturer: "Test"
*Product: "(Test)"
*ModelName: "Test PDF"
*ShortNickName: "Test PDF"
*NickName: "Test PDF"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*ImageableArea Letter/US Letter: "18 36 594 756"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/US Letter: "612 792"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 600dpi
*Resolution 600dpi/600 DPI: "<</HWResolution[600 600]>>setpagedevice"
*CloseUI: *Resolution
)PPD";
};

}  // namespace testenv
