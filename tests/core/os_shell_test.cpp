// Shell services of `os`: opening files and stored links through a recording opener, archives
// made by the system's zip, hostile archives, gzip inflating, starting and waiting, associations,
// and blob formats.
#include "core/os_shell.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "core/os_filetypes.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "core/r_log.h"
#include "platform/TMemoryStream.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/imagecodec.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "tests/support/testenv.h"

namespace {
std::string dir(const std::string& rel) { return testenv::tempDir() + rel; }

std::string script(const std::string& rel, const std::string& body) {
  std::string path = testenv::writeFile(rel, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
  return path;
}

bool logHas(const std::string& text) {
  if (!logObject || !logObject->lines()) return false;
  for (const auto& l : logObject->lines()->lines())
    if (l.find(text) != std::string::npos) return true;
  return false;
}

// An archive with entries of any name, as a hostile tool could write it.
void rawZip(const std::string& path, const std::vector<std::string>& names) {
  platform::makeFolder(path.substr(0, path.rfind('/')));
  ::zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  ASSERT_NE(zf, nullptr);
  for (const auto& n : names) {
    zip_fileinfo zi{};
    ASSERT_EQ(zipOpenNewFileInZip64(zf, n.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6, 0), ZIP_OK);
    zipWriteInFileInZip(zf, "x", 1);
    zipCloseFileInZip(zf);
  }
  zipClose(zf, nullptr);
}

void gzWrite(const std::string& path, const std::string& bytes) {
  platform::makeFolder(path.substr(0, path.rfind('/')));
  gzFile g = gzopen(path.c_str(), "wb");
  ASSERT_NE(g, nullptr);
  gzwrite(g, bytes.data(), static_cast<unsigned>(bytes.size()));
  gzclose(g);
}

std::string allBytes() {
  std::string s;
  for (int i = 0; i < 70000; ++i) s += static_cast<char>(i % 251);
  return s + "line\r\nline\nline\r\xEF\xBB\xBF\xFF\xFE";
}

struct OsShell : ::testing::Test {
  void SetUp() override {
    createOs();
    opened = dir("shell/opened.txt");
    platform::removeFile(opened);
    platform::setOpenerForTesting(
        script("shell/opener.sh", "printf '%s\\n' \"$1\" >> \"" + opened + "\"\n"));
  }
  void TearDown() override {
    platform::setOpenerForTesting("");
    freeOs();
  }
  // What the opener was given, waiting a little for it to run.
  std::string openedText(int waitMs = 2000) {
    std::string got;
    for (int i = 0; i < waitMs / 10 && got.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      got = testenv::readFile(opened);
    }
    return got;
  }
  std::string opened;
};

TEST_F(OsShell, LinkFilesOpenOnlyWebAddressesAndDocuments) {
  std::string doc = testenv::writeFile("shell/report.pdf", "%PDF");
  std::string prog = script("shell/tool.sh", "exit 0\n");
  std::string noExec = testenv::writeFile("shell/setup.desktop", "[Desktop Entry]\n");
  struct Case { const char* id; std::string text; bool ok; std::string opens; } cases[] = {
      {"https with line end", "https://example.org/a?b=1\r\n", true, "https://example.org/a?b=1"},
      {"http with trailing char 20", std::string("http://example.org/\x14\n"), true, "http://example.org/"},
      {"document", doc + "\r\n", true, doc},
      {"other scheme", "file:///etc/passwd", false, ""},
      {"httpx is no address", "httpx://example.org", false, ""},
      {"executable file", prog, false, ""},
      {"desktop entry", noExec, false, ""},
      {"missing file", dir("shell/none.pdf"), false, ""},
      {"a folder", dir("shell/"), false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    platform::removeFile(opened);
    std::string link = testenv::writeFile("shell/x.qylink", c.text);
    EXPECT_EQ(os->ViewFile(link), c.ok);
    EXPECT_EQ(openedText(c.ok ? 2000 : 100), c.ok ? c.opens + "\n" : "");
  }
}

TEST_F(OsShell, ViewFileOpensPicturesDocumentsAndAddresses) {
  std::string png = testenv::writeFile("shell/p q.png", "\x89PNG");
  EXPECT_TRUE(os->ViewFile(png, "ignored", true));
  EXPECT_EQ(openedText(), png + "\n");
  platform::removeFile(opened);
  EXPECT_TRUE(os->ViewFile("https://example.org/"));
  EXPECT_EQ(openedText(), "https://example.org/\n");
  EXPECT_FALSE(os->ViewFile(dir("shell/missing.txt")));
  platform::setOpenerForTesting(dir("shell/no-opener"));
  EXPECT_FALSE(os->ViewFile(png));
}

// A program that records its arguments, the folder it started in and the start request it was
// given, written whole (through a rename) when it is done.
TEST_F(OsShell, ViewFileGivesTheParametersAndTheMinimisedRequestToTheProgramItStarts) {
  const std::string record = dir("vf/record.txt");
  const std::string tool = script(
      "vf/bin/tool", "{ for a in \"$@\"; do printf 'arg %s\\n' \"$a\"; done; printf 'in %s\\nshow %s\\n' "
                     "\"$(pwd -P)\" \"${KESTROVA_START_WINDOW:-normal}\"; } > \"" + record + ".part\" && mv \"" +
                         record + ".part\" \"" + record + "\"\n");
  const std::string doc = testenv::writeFile("vf/docs/plan.kxplan", "plan");
  const std::string bare = testenv::writeFile("vf/docs/notes.kxnone", "notes");
  testenv::writeFile("vf/data/mime/globs2", "50:application/x-kxplan:*.kxplan\n");
  testenv::writeFile("vf/data/applications/tool.desktop", "[Desktop Entry]\nExec=" + tool + " %f\n");
  testenv::writeFile("vf/config/mimeapps.list", "[Default Applications]\napplication/x-kxplan=tool.desktop\n");
  setenv("XDG_DATA_DIRS", dir("vf/data").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", dir("vf/config").c_str(), 1);
  const std::string bin = std::filesystem::canonical(dir("vf/bin")).string();
  const std::string docs = std::filesystem::canonical(dir("vf/docs")).string();
  struct Case {
    const char* id;
    std::string file, parameters;
    bool hidden;
    std::string recorded;  // empty: the tool must not run
    const char* logged;
  } cases[] = {
      {"a program with parameters", tool, "one \"two words\"", false,
       "arg one\narg two words\nin " + bin + "\nshow normal\n", nullptr},
      {"a document with parameters", doc, "--page 3", false, "arg " + doc + "\narg --page\narg 3\nin " + docs + "\nshow normal\n",
       nullptr},
      {"a document minimised", doc, "", true, "arg " + doc + "\nin " + docs + "\nshow minimized\n",
       "cannot be asked to start minimised"},
      {"no program known", bare, "--page 3", false, "", "no program of its own is known"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    platform::removeFile(record);
    platform::removeFile(opened);
    EXPECT_TRUE(os->ViewFile(c.file, c.parameters, c.hidden));
    if (c.recorded.empty()) {
      EXPECT_EQ(openedText(), bare + "\n") << "the desktop opener takes it";
      EXPECT_FALSE(platform::isFile(record));
    } else {
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(testenv::deadlineMs(5000));
      while (!platform::isFile(record) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      EXPECT_EQ(testenv::readFile(record), c.recorded);
    }
    if (c.logged) {
      EXPECT_TRUE(logHas(c.logged)) << c.logged;
    }
  }
  unsetenv("XDG_DATA_DIRS");
  unsetenv("XDG_CONFIG_DIRS");
}

TEST_F(OsShell, UnzipsAnArchiveMadeBySystemZip) {
  testenv::writeFile("uz/src/top.txt", "top\r\n");
  testenv::writeFile("uz/src/sub/deep/bin.dat", allBytes());
  testenv::writeFile("uz/src/sub/other.csv", "a,b\n");
  ASSERT_EQ(std::system(("cd '" + dir("uz/src") + "' && zip -qr ../a.zip top.txt sub").c_str()), 0);
  testenv::writeFile("uz/out/top.txt", "old");
  ASSERT_TRUE(os->unzip(dir("uz/a.zip"), dir("uz/out")));
  EXPECT_EQ(testenv::readFile(dir("uz/out/top.txt")), "top\r\n");  // overwritten
  EXPECT_EQ(testenv::readFile(dir("uz/out/sub/deep/bin.dat")), allBytes());
  EXPECT_EQ(testenv::readFile(dir("uz/out/sub/other.csv")), "a,b\n");

  ASSERT_TRUE(os->ShellUnzip(dir("uz/a.zip"), dir("uz/filtered/"), "*.txt"));
  EXPECT_TRUE(platform::isFile(dir("uz/filtered/top.txt")));
  EXPECT_FALSE(platform::isFolder(dir("uz/filtered/sub")));
}

TEST_F(OsShell, HostileArchivesAreRefusedWhole) {
  const char* hostile[] = {"../evil.txt", "/tmp/abs-evil.txt", "a/../../evil.txt", "a\\..\\..\\evil.txt",
                           "C:\\evil.txt", "..", "ok/.."};
  for (const char* name : hostile) {
    SCOPED_TRACE(name);
    rawZip(dir("hz/h.zip"), {"ok.txt", name});
    EXPECT_FALSE(os->unzip(dir("hz/h.zip"), dir("hz/out/in/")));
    EXPECT_FALSE(platform::isFile(dir("hz/out/in/ok.txt")));
    EXPECT_FALSE(platform::isFile(dir("hz/out/evil.txt")));
    EXPECT_FALSE(platform::isFile(dir("hz/evil.txt")));
    EXPECT_TRUE(logHas(name));
  }
  EXPECT_FALSE(platform::isFile("/tmp/abs-evil.txt"));
  rawZip(dir("hz/fine.zip"), {"./a/./b.txt", "a/c..d.txt"});
  EXPECT_TRUE(os->unzip(dir("hz/fine.zip"), dir("hz/fine/")));
  EXPECT_EQ(testenv::readFile(dir("hz/fine/a/b.txt")), "x");
  EXPECT_EQ(testenv::readFile(dir("hz/fine/a/c..d.txt")), "x");
}

TEST_F(OsShell, DamagedOrMissingArchivesFail) {
  rawZip(dir("dz/good.zip"), {"a.txt"});
  std::string bytes = testenv::readFile(dir("dz/good.zip"));
  testenv::writeFile("dz/cut.zip", bytes.substr(0, bytes.size() - 10));
  std::string flipped = bytes;
  flipped[30 + 5] ^= 0x55;  // the first compressed byte, after the local header and the name
  testenv::writeFile("dz/flipped.zip", flipped);
  EXPECT_FALSE(os->unzip(dir("dz/cut.zip"), dir("dz/o1/")));
  EXPECT_FALSE(os->unzip(dir("dz/flipped.zip"), dir("dz/o2/")));
  EXPECT_FALSE(os->unzip(dir("dz/none.zip"), dir("dz/o3/")));
  EXPECT_FALSE(os->unzip(testenv::writeFile("dz/text.zip", "not an archive"), dir("dz/o4/")));
}

TEST_F(OsShell, UnzipGZIsBinarySafeAndNamesItsOutput) {
  struct Case { const char* source; const char* ext; const char* out; } cases[] = {
      {"gz/a.gz", "csv", "gz/a.csv"}, {"gz/b.csv.gz", "", "gz/b.csv"}, {"gz/C.GZ", "txt", "gz/C.txt"},
      {"gz/d", "bin", "gz/d.bin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    gzWrite(dir(c.source), allBytes());
    EXPECT_EQ(os->UnzipGZ(dir(c.source), c.ext), dir(c.out));
    EXPECT_EQ(testenv::readFile(dir(c.out)), allBytes());
  }
}

TEST_F(OsShell, UnzipGZRaisesAndLeavesNothingBehind) {
  gzWrite(dir("gzbad/full.gz"), allBytes());
  std::string gz = testenv::readFile(dir("gzbad/full.gz"));
  testenv::writeFile("gzbad/cut.gz", gz.substr(0, gz.size() / 2));
  std::string crc = gz;
  crc[crc.size() - 6] ^= 1;  // the stored checksum
  testenv::writeFile("gzbad/crc.gz", crc);
  testenv::writeFile("gzbad/plain.gz", "plain text, not compressed");
  testenv::writeFile("gzbad/empty.gz", "");
  gzWrite(dir("gzbad/taken.gz"), "new");
  testenv::writeFile("gzbad/taken.txt", "keep me");
  gzWrite(dir("gzbad/noext"), "x");
  struct Case { const char* source; const char* ext; } cases[] = {
      {"gzbad/cut.gz", "txt"}, {"gzbad/crc.gz", "txt"}, {"gzbad/plain.gz", "txt"}, {"gzbad/empty.gz", "txt"},
      {"gzbad/missing.gz", "txt"}, {"gzbad/taken.gz", "txt"}, {"gzbad/noext", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_THROW(os->UnzipGZ(dir(c.source), c.ext), EGzipError);
  }
  EXPECT_EQ(testenv::readFile(dir("gzbad/taken.txt")), "keep me");
  auto left = platform::listFolder(dir("gzbad/"), "*.txt*", platform::Entries::All);
  EXPECT_EQ(left, std::vector<std::string>{"taken.txt"});
}

TEST_F(OsShell, ExecAndWaitReturnsAfterTheProgramEnded) {
  std::string out = dir("ex/out.txt");
  std::string prog = script("ex/prog.sh", "sleep 0.2; printf '%s|%s' \"$1\" \"$2\" > \"" + out + "\"\n");
  EXPECT_TRUE(os->ExecAndWait("\"" + prog + "\"", "\"two words\" ;rm"));
  EXPECT_EQ(testenv::readFile(out), "two words|;rm");
  EXPECT_FALSE(os->ExecAndWait(dir("ex/missing"), ""));
}

TEST_F(OsShell, AssociationsComeFromTheDesktop) {
  std::string viewer = script("as/bin/view", "exit 0\n");
  testenv::writeFile("as/data/mime/globs2", "50:text/csv:*.csv\n");
  testenv::writeFile("as/data/applications/view.desktop", "[Desktop Entry]\nExec=" + viewer + " %U\n");
  testenv::writeFile("as/config/mimeapps.list", "[Default Applications]\ntext/csv=view.desktop\n");
  setenv("XDG_DATA_DIRS", dir("as/data").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", dir("as/config").c_str(), 1);
  EXPECT_EQ(os->GetAssociation("/x/table.CSV"), viewer);
  EXPECT_EQ(os->GetAssociation("csv"), viewer);
  EXPECT_EQ(os->GetAssociation("a.unknown"), "");
  unsetenv("XDG_DATA_DIRS");
  unsetenv("XDG_CONFIG_DIRS");
  EXPECT_FALSE(os->RegisterOCX("x.dll"));
}

// Runs an outside checker on a file when it is installed: its exit status, or -1 without it.
int outsideCheck(const std::string& program, const std::vector<std::string>& args) {
  int pid = platform::startProgram(program, args);
  int code = -1;
  if (pid <= 0 || !platform::waitForProgram(pid, &code)) return -1;
  return code == 127 ? -1 : code;
}

// A per-user association: the MIME package, the desktop entry and the icon, read back through
// the shared MIME database once it is rebuilt.
TEST_F(OsShell, AssociatedIconReachesTheMimeDatabase) {
  const std::string data = platform::localAppDataFolder();
  const std::string ext = platform::lowerCase(TosFileTypes::getEXT(file_loc));
  platform::TrgbImage pic{32, 32, std::vector<uint8_t>(32 * 32 * 3, 200)};
  std::string error;
  const std::string png = dir("ai/icon one.png");
  std::filesystem::create_directories(dir("ai"));
  ASSERT_TRUE(platform::encodePngFile(png, pic, error)) << error;
  const std::string package = data + "mime/packages/QY_" + ext + ".xml";
  const std::string entry = data + "applications/QY_" + ext + ".desktop";
  const std::string icon = data + "icons/hicolor/32x32/mimetypes/application-x-qy-" + ext + ".png";

  EXPECT_FALSE(os->AssociateIcon(file_loc, dir("ai/missing.png"), "none"));
  EXPECT_TRUE(logHas("AssociateIcon"));
  EXPECT_FALSE(platform::isFile(entry));

  ASSERT_TRUE(os->AssociateIcon(file_loc, png, "Locations <& labels>"));
  ASSERT_TRUE(platform::isFile(package));
  ASSERT_TRUE(platform::isFile(entry));
  EXPECT_EQ(testenv::readFile(icon), testenv::readFile(png));
  // Outside readers, where installed (-1 without them).
  EXPECT_NE(outsideCheck("xmllint", {"--noout", package}), 1);
  EXPECT_LE(outsideCheck("desktop-file-validate", {entry}), 0) << testenv::readFile(entry);

  // The same icon again: nothing is written.
  const std::string before = testenv::readFile(package) + testenv::readFile(entry);
  const auto stamp = std::filesystem::last_write_time(entry);
  EXPECT_FALSE(os->AssociateIcon(file_loc, png, "another description"));
  EXPECT_EQ(testenv::readFile(package) + testenv::readFile(entry), before);
  EXPECT_EQ(std::filesystem::last_write_time(entry), stamp);

  os->RefreshAssociations();
  if (outsideCheck("update-mime-database", {"-v"}) < 0) {
    GTEST_SKIP() << "update-mime-database missing: the rebuilt database is not checked";
  }
  EXPECT_EQ(platform::mimeTypeOfExtension(ext), "application/x-qy-" + ext);
  EXPECT_EQ(platform::iconFileOf("application/x-qy-" + ext, 32), icon);

  // A new icon, a picture of another kind, replaces the old one; a file that is no picture
  // leaves the association as it was.
  const std::string svg = testenv::writeFile("ai/icon.svg", "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
  EXPECT_TRUE(os->AssociateIcon(file_loc, svg, "Locations"));
  EXPECT_FALSE(platform::isFile(icon));
  EXPECT_TRUE(platform::isFile(data + "icons/hicolor/scalable/mimetypes/application-x-qy-" + ext + ".svg"));
  const std::string kept = testenv::readFile(entry);
  EXPECT_FALSE(os->AssociateIcon(file_loc, testenv::writeFile("ai/icon.ico", "not a picture"), "Locations"));
  EXPECT_EQ(testenv::readFile(entry), kept);
}

// Shortcuts: desktop entries for programs and documents, symbolic links for other names; a file
// that is not a shortcut is never replaced.
TEST_F(OsShell, ShortcutsAreDesktopEntriesOrLinks) {
  const std::string prog = script("sc/my tools/run it", "exit 0\n");
  const std::string doc = testenv::writeFile("sc/docs/a b%.txt", "text");
  const std::string other = testenv::writeFile("sc/docs/other.txt", "other");
  const std::string plain = testenv::writeFile("sc/plain.txt", "mine");
  struct Case {
    const char* id;
    std::string link, target, params;
    bool made;
    std::string readBack;
  } cases[] = {
      {"program with arguments", dir("sc/run.desktop"), prog, "\"two words\" 50% $HOME", true, prog},
      {"document", dir("sc/doc.desktop"), doc, "", true, doc},
      {"document with arguments", dir("sc/doc2.desktop"), doc, "-x", false, ""},
      {"link", dir("sc/link"), doc, "", true, doc},
      {"link replaced", dir("sc/link"), other, "", true, other},
      {"link with arguments", dir("sc/link2"), prog, "-x", false, ""},
      {"over a file of the user's", plain, doc, "", false, ""},
      {"no target", dir("sc/none.desktop"), "", "", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(os->MakeShortcut(c.link, c.target, c.params), c.made);
    EXPECT_EQ(os->GetShortcutTarget(c.link), c.readBack);
    if (c.made && c.link.ends_with(".desktop")) {
      EXPECT_LE(outsideCheck("desktop-file-validate", {c.link}), 0) << testenv::readFile(c.link);
    }
  }
  EXPECT_TRUE(platform::isLink(dir("sc/link")));
  EXPECT_EQ(testenv::readFile(plain), "mine");
  // The program's entry keeps its arguments whole and runs in the program's folder.
  const std::string entry = testenv::readFile(dir("sc/run.desktop"));
  EXPECT_NE(entry.find("Exec=\"" + prog + "\" \"two words\" 50%% \"\\\\$HOME\"\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("Path=" + dir("sc/my tools/") + "\n"), std::string::npos) << entry;
}

std::string qyblob(const std::string& name, int32_t count) {
  std::string b = "QYBLOB";
  for (int i = 0; i < 4; ++i) b += static_cast<char>((static_cast<uint32_t>(count) >> (8 * i)) & 0xFF);
  for (char c : name) b += std::string{c, '\0'};
  return b + "payload";
}

TEST(TosShellBlobs, FormatsByFirstBytesWithinTheLength) {
  struct Case { const char* id; std::string bytes; size_t length; int code; const char* name; } cases[] = {
      {"jpeg", "\xFF\xD8\xFF\xE0rest", 6, 5, ""},
      {"bmp", "BMxxxx", 6, 3, ""},
      {"pdf", "%PDF-1.4", 8, 33, ""},
      {"png", "\x89PNG\r\n", 6, 140, ""},
      {"notes", "QYNOTE....", 10, 156, ""},
      {"gif", "GIF89a", 6, 5, ""},
      {"blob pdf", qyblob("x.pdf", 5), 0, 33, "x.pdf"},
      {"blob unknown", qyblob("x.zzz", 5), 0, 5, "x.zzz"},
      {"blob count past end", qyblob("x.pdf", 1000000), 0, 5, ""},
      {"blob negative count", qyblob("x.pdf", -3), 0, 5, ""},
      {"blob cut in name", qyblob("x.pdf", 5), 16, 5, ""},
      {"blob without count", "QYBLOB\x05", 7, 5, ""},
      {"pdf cut short", "%PDF", 3, 5, ""},
      {"png cut short", "\x89PN", 3, 5, ""},
      {"one byte", "B", 1, 5, ""},
      {"empty", "", 0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    size_t n = c.length ? c.length : c.bytes.size();
    // A copy of exactly n bytes, so that a read past the length is caught by the sanitizer.
    std::vector<char> exact(c.bytes.begin(), c.bytes.begin() + static_cast<long>(std::min(n, c.bytes.size())));
    std::string name = "stale";
    EXPECT_EQ(TosShell::blobFormat(exact.empty() ? "" : exact.data(), exact.size(), name), c.code);
    EXPECT_EQ(name, c.name);
  }
  EXPECT_EQ(TosShell::blobFormat(nullptr, 10), 0);
}

struct Blob : TMemoryStream {
  explicit Blob(const std::string& s) { write(s.data(), static_cast<int64_t>(s.size())); }
};

TEST(TosShellBlobs, BlobsEqualKeepsPositions) {
  Blob e1(""), e2("");
  EXPECT_TRUE(TosShell::BlobsEqual(e1, e2));
  Blob three("abc"), four("abcd");
  three.setPosition(1);
  four.setPosition(2);
  EXPECT_FALSE(TosShell::BlobsEqual(three, four));
  EXPECT_EQ(three.position(), 1);
  EXPECT_EQ(four.position(), 2);
  Blob x("abcd"), y("abcd"), z("abce");
  x.setPosition(3);
  y.setPosition(0);
  EXPECT_TRUE(TosShell::BlobsEqual(x, y));
  EXPECT_FALSE(TosShell::BlobsEqual(y, z));
  EXPECT_EQ(x.position(), 3);
  EXPECT_EQ(y.position(), 0);
  EXPECT_TRUE(TosShell::isEqual("ab", "cd", 0));
  EXPECT_FALSE(TosShell::isEqual("ab", "ac", 2));
}

TEST(TosShellBlobs, SaveBitmapWritesABmpFile) {
  TrawBitmap24 bm;
  bm.setsize(3, 2);
  bm.setPixel(0, 0, uint8_t{255}, uint8_t{0}, uint8_t{0});
  TMemoryStream ms;
  ms.write("old bytes that must go", 22);
  ASSERT_TRUE(TosShell::SaveBitmap(bm, ms));
  EXPECT_EQ(ms.size(), bm.rowLength() * 2 + 54);
  EXPECT_EQ(TosShell::blobFormat(ms.memory(), static_cast<size_t>(ms.size())), 3);
}
}  // namespace
