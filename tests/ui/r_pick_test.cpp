// The file picker on the headless desktop, driven by control and message in a temporary home:
// the three questions, the filter and its captions, the save name and its extension, the
// overwrite and folder checks, the remembered folders, divider and wide mode, the paste of a
// path, the table lists, the new sub-folder, and names and links that are hard to list.
#include "ui/r_pick.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/TQYini.h"
#include "tests/ui/pick_support.h"
#include "tests/ui/readonly_folder.h"
#include "ui/r_edit.h"
#include "ui/r_listBox.h"
#include "ui/r_popups.h"
#include "ui/r_slider.h"

namespace {
using namespace platform;
using testenv::TreadOnlyFolder;

// A BMP header of the given bit count (the picker reads no further).
std::string bmpHeader(int depth) {
  std::string h(54, '\0');
  h[0] = 'B';
  h[1] = 'M';
  h[28] = static_cast<char>(depth & 0xFF);
  h[29] = static_cast<char>(depth >> 8);
  return h;
}

class PickTest : public testenv::PickFixture {
 protected:
  // Runs the step once cond holds, looking every 10 ms of the loop's clock. Killing the timer
  // the answer names stops the looking.
  static std::shared_ptr<uintptr_t> after(std::function<bool()> cond, std::function<void()> step) {
    auto id = std::make_shared<uintptr_t>(0);
    *id = desktop().setTimer(10, [id, cond, step] {
      if (!cond()) return;
      desktop().killTimer(0, *id);
      step();
    });
    return id;
  }
  static std::vector<std::string> tablesOf(Tpick& p) {
    std::vector<std::string> t;
    for (int i = 0; i < p.tableList->count(); ++i) t.push_back(p.tableList->Items[i]);
    return t;
  }
  // Answers the question popups that come while it lives with Yes or No; their texts land in
  // `asked`.
  struct Tanswer {
    std::shared_ptr<uintptr_t> id;
    ~Tanswer() { desktop().killTimer(0, *id); }
  };
  [[nodiscard]] Tanswer answerQuestion(bool yes) {
    auto id = std::make_shared<uintptr_t>(0);
    *id = desktop().setTimer(10, [this, yes] {
      for (HWND h : desktop().topLevelWindows())
        if (auto* q = dynamic_cast<TpopMessage2*>(FindControl(h)); q && q->Visible() && q->ModalResult == mrNone) {
          asked.push_back(q->caption);
          q->ModalResult = yes ? mrOk : mrCancel;
        }
    });
    return Tanswer{id};
  }
  static void type(Tpick& p, const std::string& s) {
    p.saveedit->setText("");
    p.saveedit->insertText(s);
  }
  static void pressKey(TWinControl* c, int key) {
    if (c && c->OnKeyDown) c->OnKeyDown(c, key, 0);
  }
  std::vector<std::string> asked;
};

TEST_F(PickTest, OpenChoosesAFileAndRemembersFolderAndFile) {
  const std::string loc = folder("loc");
  file("loc/home.locations");
  file("loc/notes.txt");
  {
    Tpick p(form.get());
    p.setInitialdir(loc);
    whenShown(p, [&] {
      EXPECT_EQ(listed(p), std::vector<std::string>{"home.locations"});
      EXPECT_FALSE(p.dlg->okbut->enabled());
      // The dialog opens without a border at the button's top-right corner.
      const TPoint corner = button->ClientToScreen(TPoint{button->Width(), 0});
      EXPECT_EQ(TPoint(p.dlg->Left(), p.dlg->Top()), corner);
      EXPECT_EQ(p.dlg->Caption, "Choose file of type \"locations\"");
      clickItem(p, 0);
      EXPECT_TRUE(p.dlg->okbut->enabled());
      p.dlg->ok();
    });
    ASSERT_TRUE(p.Open(button.get(), "locations", file_locations));
    EXPECT_EQ(p.getFname(), loc + "/home.locations");
    EXPECT_TRUE(p.Caption.empty());
  }
  EXPECT_EQ(testenv::recentFolderOf("locations"), loc + "/");
  EXPECT_EQ(testenv::recentFilesOf("locations").front(), loc + "/home.locations");
  // The next picker of the group starts in its folder; a cancelled one records nothing.
  Tpick q(form.get());
  whenShown(q, [&] {
    EXPECT_EQ(q.getPath(), loc + "/");
    EXPECT_EQ(q.stv->path(), loc);
    q.dlg->cancel();
  });
  EXPECT_FALSE(q.Open(button.get(), "locations", file_locations));
  EXPECT_EQ(testenv::recentFilesOf("locations").size(), 1u);
}

// TIFFs the decoder does not take are refused after the dialog: ImageMagick's 16-bit grey one
// gives the message and nothing is remembered; an 8-bit one is taken.
TEST_F(PickTest, AnOpenedTiffOfADepthNotTakenIsRefused) {
  if (std::system("test -x /usr/bin/convert") != 0) GTEST_SKIP() << "imagemagick is missing";
  const std::string dir = folder("tifs");
  struct Case {
    const char* name;
    const char* options;
    bool taken;
  };
  const Case cases[] = {{"grey16.tif", "-colorspace Gray -depth 16", false}, {"grey8.tif", "-colorspace Gray -depth 8", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int status = -1;
    const std::string out = testenv::runCommand(
        "cd '" + dir + "' && rm -f *.tif && /usr/bin/convert -size 20x20 gradient: " + c.options + " " + c.name + " 2>&1",
        &status);
    ASSERT_EQ(status, 0) << out;
    boxes.clear();
    Tpick p(form.get());
    p.setInitialdir(dir);
    whenShown(p, [&] {
      ASSERT_EQ(listed(p), std::vector<std::string>{c.name});
      clickItem(p, 0);
      p.dlg->ok();
    });
    EXPECT_EQ(p.Open("tifs", file_tif), c.taken);
    EXPECT_EQ(boxes, c.taken ? std::vector<std::string>{} : std::vector<std::string>{"this TIF sub-format not supported"});
    EXPECT_EQ(testenv::recentFilesOf("tifs").size(), c.taken ? 1u : 0u);
  }
}

TEST_F(PickTest, OpenWidthsFollowThePreviewAndTableList) {
  struct Case {
    const char* id;
    TfileTypes types;
    int width;
    bool multi;
  };
  const Case cases[] = {
      {"drawing", {file_dra}, 932, true},
      {"locations", {file_locations}, 662, true},
      {"workbook", {file_xlsx}, 832, false},  // a table list allows one file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Tpick p(form.get());
    p.multiselect = true;
    p.Caption = "mine";
    whenShown(p, [&] {
      EXPECT_EQ(p.Width(), os->gp(c.width));
      EXPECT_EQ(p.dlg->Caption, "mine");
      EXPECT_EQ(p.fileList->multiSelect, c.multi);
      EXPECT_EQ(p.pp != nullptr && p.pp->Visible(), c.width == 932);
      EXPECT_EQ(p.tableList != nullptr && p.tableList->Visible(), c.width == 832);
      p.dlg->cancel();
    });
    EXPECT_FALSE(p.Open(-1, -1, "widths", c.types));
    EXPECT_EQ(p.Caption, "mine");
  }
}

TEST_F(PickTest, SaveWithTheFourDiagramTypes) {
  const std::string out = folder("diagrams");
  file("diagrams/old.bmp");
  file("diagrams/old.jpg");
  Tpick p(form.get());
  p.setInitialdir(out);
  std::vector<std::string> names;
  whenShown(p, [&] {
    ASSERT_TRUE(p.typeBox);
    std::vector<std::string> types;
    for (int i = 0; i < p.typeBox->count(); ++i) types.push_back(p.typeBox->Items[i]);
    EXPECT_EQ(types, (std::vector<std::string>{TosFileTypes::fileDescription(file_bmp), TosFileTypes::fileDescription(file_tif),
                                               TosFileTypes::fileDescription(file_jpeg), TosFileTypes::fileDescription(file_emf)}));
    EXPECT_EQ(listed(p), std::vector<std::string>{"old.bmp"});
    EXPECT_FALSE(p.dlg->okbut->enabled());
    type(p, "shadow");
    EXPECT_TRUE(p.dlg->okbut->enabled());
    names.push_back(TosFiles::ExtractFileName(p.getFname()));
    p.typeBox->mouseDown(mbLeft, 0, 20, p.typeBox->itemRect(2).Top + 2);  // JPEG
    EXPECT_EQ(listed(p), std::vector<std::string>{"old.jpg"});
    names.push_back(TosFiles::ExtractFileName(p.getFname()));
    p.typeBox->mouseDown(mbLeft, 0, 20, p.typeBox->itemRect(0).Top + 2);  // BMP again
    type(p, "shadow.BMP");
    names.push_back(TosFiles::ExtractFileName(p.getFname()));
    type(p, "sub/shadow");  // a name with a folder in it is no name
    EXPECT_FALSE(p.dlg->okbut->enabled());
    type(p, "shadow.BMP");
    p.dlg->ok();
  });
  ASSERT_TRUE(p.Save(button.get(), TfileTypes{file_bmp, file_tif, file_jpeg, file_emf}));
  EXPECT_EQ(names, (std::vector<std::string>{"shadow.bmp", "shadow.jpg", "shadow.BMP"}));
  EXPECT_EQ(p.getFname(), out + "/shadow.BMP");
  EXPECT_EQ(testenv::recentFilesOf("bmp,tif,jpg,emf").front(), out + "/shadow.BMP");
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(asked.empty());
}

TEST_F(PickTest, EnterInTheNameAnswersAsOkOnlyWhenOkIsOffered) {
  const std::string out = folder("entered");
  Tpick p(form.get());
  p.setInitialdir(out);
  bool stillOpen = false;
  whenShown(p, [&] {
    pressKey(p.saveedit.get(), VK_RETURN);  // no name yet: OK is refused, so is Enter
    stillOpen = p.dlg && p.dlg->ModalResult == 0;
    type(p, "plan");
    pressKey(p.saveedit.get(), VK_RETURN);
  });
  ASSERT_TRUE(p.Save(-1, -1, "entered", file_bmp));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(p.getFname(), out + "/plan.bmp");
}

TEST_F(PickTest, ATypedNameSelectsTheFileOfThatNameInAnyCase) {
  const std::string out = folder("typed");
  file("typed/other.bmp");
  file("typed/Shadow.BMP");
  Tpick p(form.get());
  p.setInitialdir(out);
  whenShown(p, [&] {
    ASSERT_EQ(listed(p), (std::vector<std::string>{"other.bmp", "Shadow.BMP"}));
    type(p, "shadow");
    EXPECT_EQ(p.fileList->itemIndex(), 1);
    EXPECT_TRUE(p.fileList->selected(1));
    type(p, "shadows");
    EXPECT_EQ(p.fileList->itemIndex(), -1);
    EXPECT_EQ(p.fileList->selCount(), 0);
    clickItem(p, 0);  // a click writes the name into the edit
    EXPECT_EQ(p.saveedit->text(), "other.bmp");
    p.dlg->cancel();
  });
  EXPECT_FALSE(p.Save(-1, -1, "typed", file_bmp));
}

TEST_F(PickTest, AnExistingFileIsWrittenOverOnlyAfterYes) {
  const std::string out = folder("over");
  file("over/plan.bmp");
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    asked.clear();
    Tpick p(form.get());
    p.setInitialdir(out);
    whenShown(p, [&] {
      type(p, "plan");
      p.dlg->ok();
    });
    const auto answer = answerQuestion(yes);
    EXPECT_EQ(p.Save(300, 200, "over", file_bmp), yes);
    EXPECT_EQ(asked, std::vector<std::string>{"\"" + out + "/plan.bmp\" already exists. Overwrite?"});
    EXPECT_EQ(testenv::recentFilesOf("over").size(), yes ? 1u : 0u);
  }
  // The pointer is left where the user has it.
  EXPECT_EQ(hb->warped(), TPoint(-1, -1));
  // The setting lets every file be written over without a question.
  settings().writestring("settings", "allow overwrite", "yes");
  asked.clear();
  EXPECT_TRUE(OverwriteOK(0, 0, out + "/plan.bmp"));
  settings().writestring("settings", "allow overwrite", "no");
  EXPECT_TRUE(OverwriteOK(0, 0, out + "/none.bmp"));
  EXPECT_TRUE(asked.empty());
}

TEST_F(PickTest, AFolderThatCannotBeWrittenIsRefused) {
  const std::string ro = folder("ro");
  file("ro/plan.bmp");
  TreadOnlyFolder lock(ro);
  if (!lock.ok()) GTEST_SKIP() << "cannot make a read-only folder here";
  // One type: the folder is refused before any question.
  {
    Tpick p(form.get());
    p.setInitialdir(ro);
    whenShown(p, [&] {
      type(p, "plan");
      p.dlg->ok();
    });
    const auto answer = answerQuestion(true);
    EXPECT_FALSE(p.Save(-1, -1, "ro", file_bmp));
    EXPECT_EQ(boxes, std::vector<std::string>{"\"" + ro + "/\" can not be written to"});
    EXPECT_TRUE(asked.empty());
  }
  // Several types: the question comes first, and No ends it.
  boxes.clear();
  asked.clear();
  Tpick p(form.get());
  p.setInitialdir(ro);
  whenShown(p, [&] {
    type(p, "plan");
    p.dlg->ok();
  });
  const auto answer = answerQuestion(false);
  EXPECT_FALSE(p.Save(-1, -1, "ro", TfileTypes{file_bmp, file_jpeg}));
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(testenv::recentFilesOf("ro").empty());
}

TEST_F(PickTest, ASuggestedNameStartsTheSaveInItsFolder) {
  const std::string out = folder("suggested");
  Tpick p(form.get());
  p.setFname(out + "/july.bmp");
  whenShown(p, [&] {
    EXPECT_EQ(p.getPath(), out + "/");
    EXPECT_EQ(p.saveedit->text(), "july");
    EXPECT_TRUE(p.dlg->okbut->enabled());
    p.dlg->ok();
  });
  ASSERT_TRUE(p.Save(-1, -1, "suggested", file_bmp));
  EXPECT_EQ(p.getFname(), out + "/july.bmp");
}

TEST_F(PickTest, ChooseDirReturnsTheFolderClickedInTheTree) {
  const std::string target = folder("maps/2023");
  file("maps/2023/a.dra");
  Tpick p(form.get());
  whenShown(p, [&] {
    EXPECT_EQ(p.Width(), os->gp(328));
    EXPECT_GE(p.fileList->Left(), p.Width());  // the tree alone shows
    EXPECT_TRUE(p.newBut->Visible());
    clickFolder(p, target);
    EXPECT_EQ(p.getPath(), target + "/");
    EXPECT_TRUE(p.dlg->okbut->enabled());
    p.dlg->ok();
  });
  ASSERT_TRUE(p.chooseDir("dirs"));
  EXPECT_EQ(p.getPath(), target + "/");
  EXPECT_EQ(testenv::recentFolderOf("dirs"), target + "/");
  // A folder of one type shows its files, greyed and not to be chosen.
  Tpick q(form.get());
  whenShown(q, [&] {
    EXPECT_EQ(q.getPath(), target + "/");
    EXPECT_EQ(listed(q), std::vector<std::string>{"a.dra"});
    EXPECT_TRUE(q.fileList->readOnly);
    EXPECT_EQ(q.dlg->Caption, "Choose directory of \"dra\" files");
    q.dlg->ok();
  });
  EXPECT_TRUE(q.chooseDir("dirs", file_dra));
}

TEST_F(PickTest, DividerAndWideModeAreRememberedByTheNextPicker) {
  settings().writeInteger("settings", "picker extra width", 999);
  int divider = 0;
  {
    Tpick p(form.get());
    whenShown(p, [&] {
      ASSERT_TRUE(p.typeBox);
      auto belowTypes = [&] { return p.fileList->Top() == p.typeBox->Top() + p.typeBox->Height() + os->gp(20); };
      EXPECT_TRUE(belowTypes());
      const int x0 = p.split->Left();
      p.split->mouseDown(1);
      p.split->mouseMove(1 + os->gp(400) - x0);  // at the limit: refused
      EXPECT_EQ(p.split->Left(), x0);
      p.split->mouseMove(1 + 40);
      p.split->mouseUp();
      divider = x0 + 40;
      EXPECT_EQ(p.xdivide, divider);
      EXPECT_EQ(p.stv->Width(), divider - os->gp(4));
      EXPECT_EQ(settings().readInteger("settings", "picker divider", 0), divider);
      const int w = p.Width(), lw = p.fileList->Width();
      std::vector<std::string> wide;
      for (int i = 0; i < 3; ++i) {
        p.doMouseDown(mbLeft, 0, p.extraBox.Left + 2, p.extraBox.Top + 2);
        wide.push_back(settings().readString("settings", "show picker wide", ""));
        if (i == 1) {
          EXPECT_EQ(p.Width(), w);
          EXPECT_EQ(p.fileList->Width(), lw);
        }
      }
      EXPECT_EQ(wide, (std::vector<std::string>{"yes", "no", "yes"}));
      EXPECT_EQ(p.Width(), w + os->gp(250));
      EXPECT_EQ(settings().readInteger("settings", "picker extra width", 0), 250);
      EXPECT_TRUE(belowTypes());
      p.dlg->cancel();
    });
    p.Open("wide", TfileTypes{file_dra, file_shp});
  }
  freeSettings();  // the program's end writes the settings file
  const std::string text = testenv::readFile(os->appDataDir() + "test_ui.ini");
  EXPECT_NE(text.find("picker divider=" + std::to_string(divider)), std::string::npos) << text;
  EXPECT_NE(text.find("show picker wide=yes"), std::string::npos) << text;
  Tpick q(form.get());
  EXPECT_EQ(q.xdivide, divider);
  EXPECT_TRUE(q.withExtrawidth);
  whenShown(q, [&] {
    EXPECT_EQ(q.Width(), os->gp(662 + 250));
    q.dlg->cancel();
  });
  q.Save("wide", file_bmp);
}

TEST_F(PickTest, TheFilterAndItsCaptions) {
  const std::string none = folder("f/none");
  file("f/one/a.dra");
  file("f/one/README");
  file("f/one/b.txt");
  for (int i = 0; i < 12; ++i) file("f/twelve/p" + std::to_string(10 + i) + ".bmp", bmpHeader(24));
  for (const char* n : {"a.x", "b.y", "c.z", "d.dra", "e.bmp", ".hidden", "g.tar.gz", "README"}) file(std::string("f/any/") + n);
  file("f/depth/deep.bmp", bmpHeader(24));
  file("f/depth/flat.bmp", bmpHeader(8));
  file("f/depth/zero.bmp", bmpHeader(0));  // a stored 0 means 24
  file("f/depth/plan.dra");
  struct Case {
    const char* folder;
    const char* ext;
    int depth;
    const char* caption;
    std::vector<std::string> listed;
  };
  const Case cases[] = {
      {"none", "dra", 0, "no \"dra\" files found", {}},
      {"one", "dra", 0, "1 \"dra\" file found", {"a.dra"}},
      {"twelve", "bmp", 0, "12 \"bmp\" files found", {}},
      {"any", "*", 0, "7 files found", {".hidden", "a.x", "b.y", "c.z", "d.dra", "e.bmp", "g.tar.gz"}},
      {"depth", "bmp,dra", 24, "3 \"bmp,dra\" files found", {"deep.bmp", "plan.dra", "zero.bmp"}},
      {"depth", "bmp,dra", 0, "4 \"bmp,dra\" files found", {}},
  };
  Tpick p(form.get());
  p.setInitialdir(none);
  whenShown(p, [&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.folder) + " " + c.ext);
      p.setext(c.ext);
      p.wantedBitDepth = c.depth;
      p.setPath(docs + "f/" + c.folder);
      EXPECT_EQ(p.fileCountText(), c.caption);
      if (!c.listed.empty()) {
        EXPECT_EQ(listed(p), c.listed);
      }
    }
    p.dlg->cancel();
  });
  p.Open("filter", file_dra);
}

TEST_F(PickTest, ARightClickPastesAPathOrANameFromTheClipboard) {
  const std::string start = folder("start");
  file("start/here.dra");
  const std::string data = folder("data");
  for (int i = 0; i < 40; ++i) file("data/f" + std::to_string(100 + i) + ".dra");
  file("data/plan.dra");
  Tpick p(form.get());
  p.setInitialdir(start);
  whenShown(p, [&] {
    auto rightClick = [&](const std::string& clip) {
      hb->setClipboardText(clip);
      desktop().sendMessage(p.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    };
    rightClick(data + "/nothing.dra");  // no such file: nothing moves
    EXPECT_EQ(p.getPath(), start + "/");
    rightClick(data + "/PLAN.DRA\n");
    EXPECT_EQ(p.getPath(), data + "/");
    EXPECT_EQ(p.stv->path(), data);
    ASSERT_EQ(p.files().count(), 1);
    EXPECT_EQ(p.files()[0], "plan.dra");
    EXPECT_EQ(p.fileList->itemIndex(), 40);
    EXPECT_FALSE(p.fileList->itemRect(40).isEmpty());
    EXPECT_TRUE(p.dlg->okbut->enabled());
    rightClick("f105.dra");  // a name in the folder shown
    EXPECT_EQ(p.files()[0], "f105.dra");
    p.dlg->ok();
  });
  ASSERT_TRUE(p.Open("paste", file_dra));
  EXPECT_EQ(p.getFname(), data + "/f105.dra");
}

TEST_F(PickTest, WorkbooksListTheirSheetsAndOtherFilesTheDefaultTable) {
  const std::string dir = folder("books");
  const std::string book = dir + "/book.xlsx";
  int status = -1;
  const std::string out = testenv::runCommand(
      "/usr/bin/python3 -c \"import openpyxl,sys; w=openpyxl.Workbook(); w.active.title='Alpha'; w.create_sheet('Beta'); "
      "w.create_sheet('Gamma'); w.save(sys.argv[1])\" '" + book + "'",
      &status);
  if (status != 0) GTEST_SKIP() << "openpyxl: " << out;
  file("books/broken.xlsx", "not a workbook");
  file("books/notes.txt", "text");
  Tpick p(form.get());
  p.setInitialdir(dir);
  whenShown(p, [&] {
    auto tables = [&] { return tablesOf(p); };
    p.setext("xlsx,txt");
    p.setPath(dir);
    ASSERT_EQ(listed(p), (std::vector<std::string>{"book.xlsx", "broken.xlsx", "notes.txt"}));
    clickItem(p, 2);
    EXPECT_EQ(tables(), std::vector<std::string>{"default table"});
    EXPECT_EQ(p.table(), "");
    clickItem(p, 1);
    EXPECT_TRUE(tables().empty());
    clickItem(p, 0);
    EXPECT_EQ(tables(), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(p.tableList->itemIndex(), 0);
    EXPECT_EQ(p.table(), "Alpha");
    p.tableList->mouseDown(mbLeft, 0, 20, p.tableList->itemRect(2).Top + 2);
    EXPECT_EQ(p.table(), "Gamma");
    p.dlg->ok();
  });
  ASSERT_TRUE(p.Open(-1, -1, "books", file_xlsx));
  EXPECT_EQ(testenv::recentFilesOf("books").front(), book + "[Gamma]");
}

// A GeoPackage made by ogr2ogr lists its layers in the order they were made; a file that is
// no GeoPackage lists none.
TEST_F(PickTest, GeoPackagesListTheirLayers) {
  if (std::system("command -v ogr2ogr >/dev/null") != 0) GTEST_SKIP() << "ogr2ogr is missing";
  const std::string dir = folder("packages");
  file("packages/road.geojson",
       "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"properties\":{},"
       "\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[0,0],[1,1]]}}]}");
  int status = -1;
  const std::string out = testenv::runCommand(
      "cd '" + dir + "' && ogr2ogr -f GPKG roads.gpkg road.geojson -nln roads && ogr2ogr -update roads.gpkg road.geojson "
      "-nln towns && ogr2ogr -update roads.gpkg road.geojson -nln areas 2>&1",
      &status);
  ASSERT_EQ(status, 0) << out;
  file("packages/fake.gpkg", "not a database");
  Tpick p(form.get());
  p.setInitialdir(dir);
  whenShown(p, [&] {
    ASSERT_EQ(listed(p), (std::vector<std::string>{"fake.gpkg", "roads.gpkg"}));
    clickItem(p, 0);
    EXPECT_TRUE(tablesOf(p).empty());
    clickItem(p, 1);
    EXPECT_EQ(tablesOf(p), (std::vector<std::string>{"roads", "towns", "areas"}));
    EXPECT_EQ(p.table(), "roads");
    p.dlg->ok();
  });
  ASSERT_TRUE(p.Open(-1, -1, "packages", file_gpkg));
  EXPECT_EQ(p.getFname() + "[" + p.table() + "]", dir + "/roads.gpkg[roads]");
}

TEST_F(PickTest, ANewSubFolderIsNamedInPlace) {
  const std::string out = folder("work");
  folder("work/taken");
  Tpick p(form.get());
  p.setInitialdir(out);
  const std::string fresh = out + "/new sub-directory";
  auto nameIt = [&](const std::string& name) {
    p.stv->editor()->setText(name);
    pressKey(p.stv->editor(), VK_RETURN);
  };
  whenShown(p, [&] {
    EXPECT_TRUE(p.newBut->Visible());
    p.newBut->mouseDown(5, 5);
    p.newBut->mouseUp(5, 5);
    after([&] { return p.stv->editing(); }, [&] {
      EXPECT_TRUE(std::filesystem::is_directory(fresh));
      EXPECT_EQ(p.stv->path(), fresh);
      nameIt("taken");  // in use: said, and the folder keeps its name
      after([&] { return !p.editing; }, [&] {
        EXPECT_TRUE(std::filesystem::is_directory(fresh));
        p.stv->startEdit(p.stv->selected());
        nameIt("maps 2");
        after([&] { return !p.editing; }, [&] {
          EXPECT_TRUE(std::filesystem::is_directory(out + "/maps 2"));
          EXPECT_FALSE(std::filesystem::exists(fresh));
          EXPECT_EQ(p.stv->selected()->text(), "maps 2");
          p.dlg->cancel();
        });
      });
    });
  });
  p.Save(-1, -1, "work", file_bmp);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("a file or folder of that name exists"), std::string::npos) << boxes[0];
  // In a folder that cannot be written no folder is made, and the user is told.
  const std::string ro = folder("locked");
  TreadOnlyFolder lock(ro);
  if (!lock.ok()) return;
  boxes.clear();
  Tpick q(form.get());
  q.setInitialdir(ro);
  whenShown(q, [&] {
    q.newBut->mouseDown(5, 5);
    q.newBut->mouseUp(5, 5);
    EXPECT_FALSE(q.editing);
    q.dlg->cancel();
  });
  q.Save(-1, -1, "work", file_bmp);
  EXPECT_EQ(boxes, std::vector<std::string>{"\"" + ro + "\" can not be written to"});
}

TEST_F(PickTest, HardNamesAndLinksAreListedWithoutHanging) {
  const std::string dir = folder("hard");
  file("hard/bad\xff.dra");
  file("hard/new\nline.dra");
  const std::string longName = std::string(251, 'a') + ".dra";
  file("hard/" + longName);
  symlink(".", (dir + "/loop").c_str());
  symlink("self.dra", (dir + "/self.dra").c_str());  // a link to itself cannot be opened
  folder("hard/shut");
  file("hard/shut/inside.dra");
  chmod((dir + "/shut").c_str(), 0);
  Tpick p(form.get());
  p.setInitialdir(dir);
  whenShown(p, [&] {
    const auto names = listed(p);
    EXPECT_EQ(names, (std::vector<std::string>{longName, "bad\xff.dra", "new\nline.dra"}));
    EXPECT_EQ(p.fileList->item(1).display, "bad\xEF\xBF\xBD.dra");
    EXPECT_EQ(p.fileList->item(2).display, "new\xEF\xBF\xBD" "line.dra");
    // The loop is a folder like any other: each step down lists it once more.
    EXPECT_TRUE(p.stv->setPath(dir + "/loop/loop/loop"));
    EXPECT_EQ(p.stv->path(), dir + "/loop/loop/loop");
    p.setPath(dir + "/shut");
    if (geteuid() != 0) {
      EXPECT_EQ(p.fileList->count(), 0);  // root reads it all the same
    }
    p.setPath(dir + "/gone");  // no such folder: nothing changes
    EXPECT_EQ(p.getPath(), dir + "/shut/");
    p.dlg->cancel();
  });
  p.Open("hard", file_dra);
  chmod((dir + "/shut").c_str(), 0700);
}

}  // namespace
