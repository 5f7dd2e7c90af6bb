// The notes store: texts, stored files and links under system and user keys, read back by the
// sqlite3 shell and loaded from databases the shell made; notes values in blobs through the
// database object, the column and the cursor; damaged blobs refused.
#include <fstream>

#include "core/os_files.h"
#include "tests/storage/sqlite_fixture.h"

namespace {
struct Notes : SqliteFixture {
  static std::string lines(const TStringList& l) {
    std::string out;
    for (const std::string& s : l.lines()) out += s + ";";
    return out;
  }
  static bool exists(const std::string& f) { return TosFiles::FileExists(f); }

  // A notes database made by the shell: one system entry, two user entries (one a stored file
  // whose type is a path), as another program would have written it.
  static std::string shellNotes() {
    const std::string file = freshPath("shell.notes");
    EXPECT_TRUE(cli(file,
                    "CREATE TABLE notes (name TEXT, date TEXT, `is system` TEXT, type TEXT, text TEXT, filename TEXT, file BLOB);"
                    "INSERT INTO notes VALUES ('title', '', 'yes', '', 'My title', '', NULL);"
                    "INSERT INTO notes VALUES ('zeta.txt', '2024-01-01 10:00:00', '', '../../escape', '', '/x/zeta.txt', X'7A657461');"
                    "INSERT INTO notes VALUES ('Alpha.png', '2024-01-01 10:00:00', '', 'png', '', '/x/Alpha.png', X'89504E47');"));
    return file;
  }
  static Tbytes bytesOf(const std::string& file) {
    const std::string s = testenv::readFile(file);
    return Tbytes(s.begin(), s.end());
  }
};

TEST_F(Notes, TextsUnderSystemKeysAsTheShellSeesThem) {
  Tnotes n;
  EXPECT_EQ(n.count(), 0);
  EXPECT_EQ(n.text("any"), "");
  EXPECT_FALSE(n.isLink("any"));
  EXPECT_FALSE(n.deleteKey("any"));
  EXPECT_TRUE(n.database().empty());

  ASSERT_TRUE(n.settext("colour", "blue"));
  ASSERT_TRUE(n.settext("colour", "green"));  // one entry, the second text
  ASSERT_TRUE(n.settext("it's", "quoted key"));
  ASSERT_TRUE(n.settext("x' OR '1'='1", "not a condition"));
  EXPECT_TRUE(n.changed());
  EXPECT_EQ(n.text("colour"), "green");
  EXPECT_EQ(n.text("it's"), "quoted key");
  EXPECT_EQ(lines(n.systemKeys()), "colour;it's;x' OR '1'='1;");
  EXPECT_EQ(n.userKeys().count(), 0);
  EXPECT_EQ(TosFiles::ExtractFileExt(n.database()), "notes");

  EXPECT_TRUE(n.deleteKey("x' OR '1'='1"));
  EXPECT_EQ(cliQuery(n.database(), "SELECT name, `is system`, text FROM notes ORDER BY name;"),
            "colour|yes|green\nit's|yes|quoted key");
}

TEST_F(Notes, StoredFilesAndLinks) {
  const std::string photo = testenv::writeFile("pics/photo.png", std::string("\x89PNG\r\n\x1a\n", 8) + "pixels");
  Tnotes n;
  ASSERT_TRUE(n.add(photo));
  EXPECT_EQ(lines(n.userKeys()), "photo.png;");
  const std::string out = n.filename("photo.png");
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(TosFiles::ExtractFileExt(out), "png");
  EXPECT_EQ(testenv::readFile(out), testenv::readFile(photo));
  EXPECT_EQ(n.filename("photo.png"), out);  // the same written-out file
  EXPECT_EQ(n.originalFilename("photo.png"), photo);
  EXPECT_FALSE(n.isLink("photo.png"));

  const std::string doc = testenv::writeFile("docs/report.txt", "words");
  ASSERT_TRUE(n.addAsLink(doc));
  EXPECT_TRUE(n.isLink("report.txt"));
  EXPECT_EQ(n.link("report.txt"), doc);
  EXPECT_EQ(n.filename("report.txt"), "");  // nothing stored
  EXPECT_EQ(lines(n.userKeys()), "photo.png;report.txt;");

  // A missing file stores nothing.
  EXPECT_FALSE(n.setfname("gone", testenv::tempDir() + "gone.txt"));
  EXPECT_FALSE(n.setLink("gone", testenv::tempDir() + "gone.txt"));
  EXPECT_EQ(n.originalFilename("gone"), "");
  EXPECT_EQ(cliQuery(n.database(), "SELECT name, type, length(file) FROM notes ORDER BY name;"),
            "photo.png|png|14\nreport.txt|link|");

  // Renaming: not onto a key in use, not without a name; the written-out file follows the key.
  EXPECT_FALSE(n.rename("photo.png", "report.txt"));
  EXPECT_FALSE(n.rename("photo.png", ""));
  EXPECT_FALSE(n.rename("missing", "other"));
  EXPECT_TRUE(n.rename("photo.png", "picture.png"));
  EXPECT_EQ(lines(n.userKeys()), "picture.png;report.txt;");
  EXPECT_EQ(n.filename("picture.png"), out);

  n.deleteAll();
  EXPECT_EQ(n.count(), 0);
  EXPECT_FALSE(exists(out));
  EXPECT_EQ(cliQuery(n.database(), "SELECT count(*) FROM notes;"), "0");
}

TEST_F(Notes, LoadsADatabaseTheShellMade) {
  const std::string file = shellNotes();
  Tnotes n;
  ASSERT_TRUE(n.LoadFromMem(bytesOf(file)));
  EXPECT_EQ(n.count(), 3);
  EXPECT_EQ(lines(n.systemKeys()), "title;");
  EXPECT_EQ(lines(n.userKeys()), "Alpha.png;zeta.txt;");
  EXPECT_EQ(n.text("title"), "My title");
  EXPECT_FALSE(n.changed());
  EXPECT_EQ(TosFiles::ExtractFileExt(n.database()), "qynotes");  // temporary names are lower case

  // A stored type that is a path never becomes part of a file name.
  const std::string out = n.filename("zeta.txt");
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(TosFiles::ExtractFilePath(out), TosFiles::ExtractFilePath(n.filename("Alpha.png")));
  EXPECT_EQ(TosFiles::ExtractFileExt(out), "bin");
  EXPECT_EQ(testenv::readFile(out), "zeta");
}

TEST_F(Notes, ClearingDeletesWorkingAndWrittenOutFilesUnlessPreserved) {
  const std::string photo = testenv::writeFile("photo.png", "bytes");
  for (bool preserve : {false, true}) {
    SCOPED_TRACE(preserve);
    std::string working, out;
    {
      Tnotes n;
      n.preserveFile = preserve;
      ASSERT_TRUE(n.add(photo));
      working = n.database();
      out = n.filename("photo.png");
      ASSERT_TRUE(exists(working) && exists(out));
    }
    EXPECT_EQ(exists(working), preserve);
    EXPECT_FALSE(exists(out));
  }
}

TEST_F(Notes, DamagedBlobsAreRefusedAndTheStoreStaysEmpty) {
  const Tbytes good = bytesOf(shellNotes());
  ASSERT_GT(good.size(), 2000u);
  Tbytes cut(good.begin(), good.begin() + long(good.size() / 2));
  Tbytes text(3000, 'x');
  Tbytes header = good;
  header[16] = 0x03;  // a page size that is no power of two
  struct Case {
    const char* id;
    Tbytes blob;
  } cases[] = {{"not a database", text}, {"cut short", cut}, {"damaged header", header}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tnotes n;
    ASSERT_TRUE(n.settext("kept", "until loading"));
    messages.clear();
    EXPECT_FALSE(n.LoadFromMem(c.blob));
    EXPECT_EQ(n.count(), 0);
    EXPECT_TRUE(n.database().empty());
    EXPECT_FALSE(messages.empty());  // said
  }
}

TEST_F(Notes, NotesValuesThroughTheDatabaseTheColumnAndTheCursor) {
  auto db = openNew("table.db");
  ASSERT_TRUE(db->ExecSQL("CREATE TABLE t (id INTEGER, memo NOTEBLOB)"));
  ASSERT_TRUE(db->ExecSQL("INSERT INTO t VALUES (1, NULL), (2, NULL), (3, zeroblob(1999))"));

  Tnotes n;
  ASSERT_TRUE(n.settext("title", "first"));
  ASSERT_TRUE(db->setColumnNotes("t", "memo", TwhereClause::equals("id", 1), n));

  Tnotes back;
  ASSERT_TRUE(db->getColumnNotes("t", "memo", TwhereClause::equals("id", 1), back));
  EXPECT_EQ(back.text("title"), "first");
  const std::string loaded = back.database();
  // No blob, or one under 2000 bytes, is no notes: the store keeps what it had.
  EXPECT_FALSE(db->getColumnNotes("t", "memo", TwhereClause::equals("id", 2), back));
  EXPECT_FALSE(db->getColumnNotes("t", "memo", TwhereClause::equals("id", 3), back));
  EXPECT_EQ(back.database(), loaded);

  // The cursor's column opens the value and writes the store back; an empty store gives NULL.
  TliteRead r(db.get(), "t");
  ASSERT_TRUE(r.StartRead("id = 1"));
  ASSERT_TRUE(r.nextRow());
  Tnotes viaColumn;
  ASSERT_TRUE(r.getnamed("memo").readNotes(viaColumn));
  r.finishRead();
  ASSERT_TRUE(viaColumn.settext("title", "second"));
  r.clearvalues();
  r.getnamed("memo").writeNotes(viaColumn);
  ASSERT_TRUE(r.update("id = 1"));
  Tnotes empty;
  r.getnamed("memo").writeNotes(empty);
  ASSERT_TRUE(r.update("id = 2"));
  EXPECT_TRUE(db->isColumnNull("t", "memo", TwhereClause::equals("id", 2)));

  Tnotes viaCursor;
  ASSERT_TRUE(r.getColumnNotes("memo", "id = 1", viaCursor));
  EXPECT_EQ(viaCursor.text("title"), "second");
  EXPECT_FALSE(r.getColumnNotes("memo", "id = 2", viaCursor));
  EXPECT_EQ(db->integrityCheck(), "ok");
}
}  // namespace
