// The set-up script while another program holds apt's lock, as a desktop's automatic updates do:
// it says that it waits, waits through apt's own lock time-out, and when the lock stays taken says
// in plain words what to do. The lock is a copy held with flock; apt and dpkg-query are stand-ins
// of the test's own, so no package is ever installed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/clock/programs.h"
#include "tests/support/testenv.h"

namespace {
namespace fs = std::filesystem;

class SetupScript : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v flock >/dev/null 2>&1") != 0) GTEST_SKIP() << "flock is missing";
    bin = testenv::tempDir() + "fakebin/";
    fs::create_directories(bin);
    lock = testenv::writeFile("lock-frontend", "");
    aptLog = testenv::tempDir() + "apt-calls.txt";
    // apt as it behaves with DPkg::Lock::Timeout: it waits that long for the lock, then gives up.
    tool("apt-get",
         "echo \"$*\" >> \"" + aptLog + "\"\n"
         "t=0\n"
         "for a in \"$@\"; do case \"$a\" in DPkg::Lock::Timeout=*) t=${a#*=};; esac; done\n"
         "if ! flock -n \"$KESTROVA_APT_LOCK\" true; then\n"
         "  echo \"Waiting for cache lock: Could not get lock $KESTROVA_APT_LOCK\" >&2\n"
         "  flock -w \"$t\" \"$KESTROVA_APT_LOCK\" true || { echo \"E: Could not get lock\" >&2; exit 100; }\n"
         "fi\n"
         "exit 0\n");
    tool("dpkg-query", "exit 1\n");  // nothing is installed: every package is asked for
    tool("sudo", "exit 99\n");       // never reached: the stand-in apt needs no root
    setenv("KESTROVA_APT_GET", (bin + "apt-get").c_str(), 1);
    setenv("KESTROVA_APT_LOCK", lock.c_str(), 1);
    const char* path = std::getenv("PATH");
    savedPath = path ? path : "";
    setenv("PATH", (bin + ":" + savedPath).c_str(), 1);
  }
  void TearDown() override {
    if (holder > 0) {
      // The holder's command keeps the lock after flock itself: it is let go, not killed.
      testenv::writeFile("release", "");
      int status = 0;
      if (!clocktest::waitFor([&] { return waitpid(holder, &status, WNOHANG) == holder; }, 10000)) {
        kill(holder, SIGKILL);
        waitpid(holder, nullptr, 0);
      }
    }
    if (!bin.empty()) setenv("PATH", savedPath.c_str(), 1);
    unsetenv("KESTROVA_APT_GET");
    unsetenv("KESTROVA_APT_LOCK");
    unsetenv("KESTROVA_APT_LOCK_WAIT");
  }
  void tool(const std::string& name, const std::string& body) {
    testenv::writeFile(bin.substr(testenv::tempDir().size()) + name, "#!/bin/sh\n" + body);
    fs::permissions(bin + name, fs::perms::owner_all);
  }
  // Another program takes the lock and keeps it until `release` exists.
  void holdLock() {
    release = testenv::tempDir() + "release";
    holder = clocktest::spawn({"flock", lock, "sh", "-c", "while [ ! -e \"$0\" ]; do sleep 0.05; done", release},
                              testenv::tempDir() + "holder.txt", "");
    ASSERT_GT(holder, 0);
    ASSERT_TRUE(clocktest::waitFor([&] { return std::system(("flock -n '" + lock + "' true").c_str()) != 0; }, 10000));
  }
  // The script, its output (standard output and error together) in `out`.
  pid_t runSetup(const std::string& out) {
    const std::string script = std::string(KESTROVA_SOURCE_DIR) + "/scripts/setup.sh";
    return clocktest::spawn({"bash", "-c", "exec bash \"$0\" 1>&2", script}, out, "");
  }
  std::string bin, lock, aptLog, release, savedPath;
  pid_t holder = 0;
};

TEST_F(SetupScript, WaitsForAptsLockAndSaysSo) {
  holdLock();
  setenv("KESTROVA_APT_LOCK_WAIT", "120", 1);
  const std::string out = testenv::tempDir() + "setup-out.txt";
  pid_t pid = runSetup(out);
  ASSERT_GT(pid, 0);
  clocktest::Reap reap{pid};
  ASSERT_TRUE(clocktest::waitFor([&] { return testenv::readFile(out).find("waiting up to 2 minutes") != std::string::npos; },
                                 30000))
      << testenv::readFile(out);
  testenv::writeFile("release", "");  // the other program finishes
  int status = 0;
  double cpu = 0;
  ASSERT_TRUE(clocktest::waitEnd(pid, 60000, status, cpu)) << testenv::readFile(out);
  pid = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << testenv::readFile(out);
  EXPECT_NE(testenv::readFile(out).find("setup: done"), std::string::npos) << testenv::readFile(out);
  // Both of apt's steps were told how long to wait for the lock.
  const std::string calls = testenv::readFile(aptLog);
  EXPECT_NE(calls.find("DPkg::Lock::Timeout=120 update"), std::string::npos) << calls;
  EXPECT_NE(calls.find("DPkg::Lock::Timeout=120 install"), std::string::npos) << calls;
}

TEST_F(SetupScript, ALockThatStaysTakenIsExplainedInPlainWords) {
  holdLock();
  setenv("KESTROVA_APT_LOCK_WAIT", "1", 1);
  const std::string out = testenv::tempDir() + "setup-out.txt";
  pid_t pid = runSetup(out);
  ASSERT_GT(pid, 0);
  clocktest::Reap reap{pid};
  int status = 0;
  double cpu = 0;
  ASSERT_TRUE(clocktest::waitEnd(pid, 60000, status, cpu)) << testenv::readFile(out);
  pid = 0;
  const std::string said = testenv::readFile(out);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << said;
  EXPECT_NE(said.find("waiting up to 1 second"), std::string::npos) << said;
  EXPECT_NE(said.find("still holds apt's lock"), std::string::npos) << said;
  EXPECT_NE(said.find("run scripts/setup.sh again"), std::string::npos) << said;
  EXPECT_EQ(said.find("setup: done"), std::string::npos) << said;
}

}  // namespace
