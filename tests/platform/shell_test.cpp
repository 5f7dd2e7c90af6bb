// The desktop shell: command lines, starting and waiting with a message pump, the opener, MIME
// types, default programs and theme icons from a data folder of the test's own.
#include "platform/shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/process.h"
#include "tests/support/testenv.h"

namespace {
// Points XDG_DATA_DIRS and XDG_CONFIG_DIRS at the test's folders while it lives.
struct ScopedXdg {
  ScopedXdg(const std::string& data, const std::string& config) {
    setenv("XDG_DATA_DIRS", data.c_str(), 1);
    setenv("XDG_CONFIG_DIRS", config.c_str(), 1);
  }
  ~ScopedXdg() {
    unsetenv("XDG_DATA_DIRS");
    unsetenv("XDG_CONFIG_DIRS");
  }
};

std::string executableScript(const std::string& rel, const std::string& body) {
  std::string path = testenv::writeFile(rel, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
  return path;
}

TEST(PlatformShell, SplitsCommandLinesWithoutAShell) {
  struct Case { const char* line; std::vector<std::string> args; } cases[] = {
      {"", {}},
      {"  a  b ", {"a", "b"}},
      {"\"with blank\" x", {"with blank", "x"}},
      {"\"\"", {""}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"a;rm -rf $HOME `x` |y", {"a;rm", "-rf", "$HOME", "`x`", "|y"}},
      {"pre\"mid dle\"post", {"premid dlepost"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(platform::splitCommandLine(c.line), c.args);
  }
}

TEST(PlatformShell, WaitsForAProgramAndReportsItsExit) {
  std::string prog = executableScript("sh/exit3.sh", "exit 3\n");
  int pid = platform::startProgram(prog, {});
  ASSERT_GT(pid, 0);
  int code = -1;
  EXPECT_TRUE(platform::waitForProgram(pid, &code));
  EXPECT_EQ(code, 3);
  EXPECT_EQ(platform::startProgram(testenv::tempDir() + "sh/missing", {}), -1);
  EXPECT_FALSE(platform::waitForProgram(-1));
}

TEST(PlatformShell, PumpsMessagesWhileWaitingAndStopsWhenTheApplicationEnds) {
  std::string prog = executableScript("sh/sleep.sh", "sleep \"$1\"\n");
  int calls = 0;
  platform::setMessagePump([&](int waitMs) {
    ++calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));  // a pump waits for messages
    return true;
  });
  int pid = platform::startProgram(prog, {"0.3"});
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(platform::waitForProgram(pid));
  EXPECT_GE(calls, 2);
  EXPECT_LE(calls, 20);  // it waited in the pump, not in a busy loop

  platform::setMessagePump([](int) { return false; });  // terminating
  pid = platform::startProgram(prog, {"5"});
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::waitForProgram(pid));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  platform::setMessagePump(nullptr);
  kill(pid, SIGKILL);
  EXPECT_TRUE(platform::waitForProgram(pid));
}

TEST(PlatformShell, AStartRequestReachesTheChildOnceAndIsTakenOnce) {
  setenv(platform::kStartWindowVariable, "minimized", 1);
  auto requests = [](platform::StartWindow show) {
    std::vector<std::string> found;
    for (const std::string& e : platform::childEnvironment(show))
      if (e.rfind(std::string(platform::kStartWindowVariable) + "=", 0) == 0) found.push_back(e);
    return found;
  };
  EXPECT_EQ(requests(platform::StartWindow::Hidden), (std::vector<std::string>{"KESTROVA_START_WINDOW=hidden"}));
  EXPECT_EQ(requests(platform::StartWindow::Normal), (std::vector<std::string>{})) << "ours is not passed on";
  EXPECT_EQ(platform::takeStartWindowRequest(), platform::StartWindow::Minimized);
  EXPECT_EQ(std::getenv(platform::kStartWindowVariable), nullptr);
  EXPECT_EQ(platform::takeStartWindowRequest(), platform::StartWindow::Normal);
  EXPECT_TRUE(platform::isOwnProgram(platform::exePath()));
  EXPECT_FALSE(platform::isOwnProgram("sh"));
  EXPECT_FALSE(platform::isOwnProgram("no-such-program-here"));
}

TEST(PlatformShell, OpenerGetsTheTargetAsOneArgument) {
  std::string out = testenv::tempDir() + "sh/opened.txt";
  std::string opener = executableScript("sh/opener.sh", "printf '%s|%s\\n' \"$#\" \"$1\" > \"" + out + ".tmp\" && mv \"" +
                                                            out + ".tmp\" \"" + out + "\"\n");
  platform::setOpenerForTesting(opener);
  EXPECT_TRUE(platform::openWithDesktop("/tmp/a b; echo x.pdf"));
  std::string got;
  for (int i = 0; i < 200 && got.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    got = testenv::readFile(out);
  }
  EXPECT_EQ(got, "1|/tmp/a b; echo x.pdf\n");
  platform::setOpenerForTesting(testenv::tempDir() + "sh/no-such-opener");
  EXPECT_FALSE(platform::openWithDesktop("x.pdf"));
  platform::setOpenerForTesting("");
}

TEST(PlatformShell, MimeTypesProgramsAndIconsFromTheDesktopDatabases) {
  std::string data = testenv::tempDir() + "xdgdata/";
  std::string config = testenv::tempDir() + "xdgconfig/";
  testenv::writeFile("xdgdata/mime/globs2",
                     "# comment\n50:text/x-low:*.csv\n80:text/csv:*.csv\n50:image/x-cs:*.Cs:cs\n"
                     "50:application/x-thing:*.thing\n");
  testenv::writeFile("xdgdata/mime/generic-icons", "application/x-thing:package-x-generic\n");
  testenv::writeFile("xdgdata/icons/hicolor/32x32/mimetypes/package-x-generic.png", "png");
  testenv::writeFile("xdgdata/icons/Adwaita/scalable/mimetypes/text-x-generic.svg", "svg");
  std::string viewer = executableScript("bin/csvview", "exit 0\n");
  testenv::writeFile("xdgdata/applications/csvview.desktop",
                     "[Desktop Entry]\nName=v\nExec=\"" + viewer + "\" %f\n[Other]\nExec=wrong\n");
  testenv::writeFile("xdgdata/applications/gone.desktop", "[Desktop Entry]\nExec=/no/such/program %f\n");
  testenv::writeFile("xdgconfig/mimeapps.list", "[Default Applications]\ntext/csv=missing.desktop;gone.desktop;csvview.desktop;\n");
  testenv::writeFile("xdgdata/applications/mimeinfo.cache", "[MIME Cache]\napplication/x-thing=csvview.desktop;\n");
  ScopedXdg xdg(data, config);

  EXPECT_EQ(platform::mimeTypeOfExtension("csv"), "text/csv");  // the heavier glob wins
  EXPECT_EQ(platform::mimeTypeOfExtension("CSV"), "text/csv");
  EXPECT_EQ(platform::mimeTypeOfExtension("Cs"), "image/x-cs");
  EXPECT_EQ(platform::mimeTypeOfExtension("cs"), "");  // a case-sensitive glob
  EXPECT_EQ(platform::mimeTypeOfExtension(""), "");

  EXPECT_EQ(platform::defaultProgramOf("text/csv"), viewer);
  EXPECT_EQ(platform::defaultProgramOf("application/x-thing"), viewer);  // from the cache
  EXPECT_EQ(platform::defaultProgramOf("image/x-cs"), "");

  EXPECT_EQ(platform::iconFileOf("application/x-thing", 32), data + "icons/hicolor/32x32/mimetypes/package-x-generic.png");
  EXPECT_EQ(platform::iconFileOf("text/csv", 16), data + "icons/Adwaita/scalable/mimetypes/text-x-generic.svg");
  EXPECT_EQ(platform::iconFileOf("image/x-cs", 16), "");
}
}  // namespace
