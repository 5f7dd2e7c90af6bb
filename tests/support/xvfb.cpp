// Xvfb started with posix_spawn, the display number read back through a pipe; screen shots from
// xwd's ZPixmap dump, the colour channels placed by the masks the dump names.
#include "tests/support/xvfb.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/testenv.h"

extern char** environ;

namespace testenv {

Xvfb::Xvfb(const std::string& screen, const std::vector<std::string>& extraArgs) {
  int fds[2];
  if (pipe(fds) != 0) return;
  std::vector<std::string> args{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addclose(&fa, fds[0]);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawnp(&pid_, "Xvfb", &fa, nullptr, argv.data(), environ) != 0) pid_ = 0;
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  std::string num;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') num += c;
  close(fds[0]);
  if (!num.empty()) display_ = ":" + num;
}

Xvfb::~Xvfb() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

void Xvfb::killAbruptly() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
  // A killed server leaves its lock and socket behind: the next server must not trip on them.
  const std::string n = display_.substr(1);
  unlink(("/tmp/.X" + n + "-lock").c_str());
  unlink(("/tmp/.X11-unix/X" + n).c_str());
}

namespace {
uint32_t be32(const std::string& s, size_t at) {
  return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) | (uint32_t(uint8_t(s[at + 2])) << 8) |
         uint32_t(uint8_t(s[at + 3]));
}

uint32_t channel(uint32_t v, uint32_t mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return (v >> shift) & 0xFF;
}
}  // namespace

Shot grabScreen(const std::string& display, const std::string& fileName) {
  Shot shot;
  const std::string file = tempDir() + fileName;
  const std::string cmd = "xwd -root -silent -display " + display + " -out '" + file + "'";
  if (int rc = std::system(cmd.c_str()); rc != 0) {
    shot.error = cmd + " answered " + std::to_string(rc);
    return shot;
  }
  const std::string s = readFile(file);
  if (s.size() < 100) {
    shot.error = "short xwd file: " + std::to_string(s.size());
    return shot;
  }
  const uint32_t headerSize = be32(s, 0), width = be32(s, 16), height = be32(s, 20), byteOrder = be32(s, 28),
                 bpp = be32(s, 44), bytesPerLine = be32(s, 48), redMask = be32(s, 56), greenMask = be32(s, 60),
                 blueMask = be32(s, 64), ncolors = be32(s, 76);
  // Rows may be longer than their pixels: the row length is read, not computed.
  const uint32_t bytesPerPixel = bpp / 8;
  if ((bytesPerPixel != 3 && bytesPerPixel != 4) || bytesPerLine < width * bytesPerPixel) {
    shot.error = "unexpected xwd format: " + std::to_string(bpp) + " bits, " + std::to_string(bytesPerLine) +
                 " bytes per line";
    return shot;
  }
  const size_t data = headerSize + size_t(ncolors) * 12;
  if (s.size() < data + size_t(bytesPerLine) * height) {
    shot.error = "xwd data short: " + std::to_string(s.size());
    return shot;
  }
  shot.width = int(width);
  shot.height = int(height);
  shot.px.resize(size_t(width) * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* b = reinterpret_cast<const uint8_t*>(s.data()) + data + size_t(y) * bytesPerLine + size_t(x) * bytesPerPixel;
      uint32_t v = 0;
      for (uint32_t k = 0; k < bytesPerPixel; ++k) v |= uint32_t(b[byteOrder == 0 ? k : bytesPerPixel - 1 - k]) << (8 * k);
      shot.px[size_t(y) * width + x] = (channel(v, redMask) << 16) | (channel(v, greenMask) << 8) | channel(v, blueMask);
    }
  return shot;
}

}  // namespace testenv
