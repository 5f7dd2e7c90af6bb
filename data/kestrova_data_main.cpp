// kestrova_data: makes the data folder (default: the folder of this program) from Debian packages.
// Usage: kestrova_data [--target DIR] [--cache DIR] [--sources DIR] [--no-fetch] [--3840]
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "core/r_base.h"
#include "data/TdataBuilder.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  kdata::TbuildOptions opt;
  std::string exe = platform::exePath();
  opt.target = exe.substr(0, exe.find_last_of('/') + 1);
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  opt.cacheDir = std::string(xdg && *xdg ? xdg : std::string(home ? home : "/tmp") + "/.cache") + "/kestrova-data/";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::cerr << a << " needs a value\n";
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--target") opt.target = next();
    else if (a == "--cache") opt.cacheDir = next();
    else if (a == "--sources") opt.sourceRoot = next();
    else if (a == "--no-fetch") opt.fetch = false;
    else if (a == "--3840") opt.with3840 = true;
    else {
      std::cerr << "usage: kestrova_data [--target DIR] [--cache DIR] [--sources DIR] [--no-fetch] [--3840]\n";
      return 2;
    }
  }
  opt.progress = [](const std::string& s) { std::cout << "data: " << s << std::endl; };
  createOs();
  kdata::TdataBuilder builder(opt);
  const bool ok = builder.build();
  if (!ok) std::cerr << "data: failed: " << builder.lastError() << std::endl;
  freeOs();
  return ok ? 0 : 1;
}
