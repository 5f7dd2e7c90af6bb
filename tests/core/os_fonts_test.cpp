// Program fonts and tool cursors: the program's font files are added only when their face is
// missing, looked for in the folder given; cursor images are found by tool number.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/os_fonts.h"
#include "core/r_Font.h"
#include "core/r_base.h"
#include "platform/fonts.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;

TEST(TosFonts, AddsOnlyMissingFacesFromTheFolder) {
  std::string dir = testenv::tempDir() + "progfonts/";
  fs::create_directories(dir);
  // Railway is drawn by a stand-in until its own file is added; Open Sans is installed already.
  fs::copy_file("/usr/share/fonts/opentype/cabin/Cabin-Regular.otf", dir + "Railway.otf",
                fs::copy_options::overwrite_existing);
  fs::copy_file("/usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf", dir + "OpenSans-Regular.ttf",
                fs::copy_options::overwrite_existing);
  TosFonts f;
  EXPECT_EQ(f.installProgramFonts(dir), 1);
  EXPECT_EQ(f.installProgramFonts(dir + "missing/"), 0);
  EXPECT_FALSE(f.loadFont("Open Sans", dir + "OpenSans-Regular.ttf"));
  EXPECT_FALSE(f.loadFont("Another Face", dir + "nothing.ttf"));
  EXPECT_EQ(TosFonts::programFonts().size(), 11u);
}

TEST(TosFonts, ToolCursorsAreFoundByNumber) {
  std::string dir = testenv::tempDir() + "res/";
  testenv::writeFile("res/cursors/tool_pan.png", "not really a picture");
  TosFonts f;
  f.loadToolCursors(dir);
  EXPECT_EQ(f.toolCursors.at(1), dir + "cursors/tool_pan.png");
  EXPECT_EQ(f.toolCursors.at(15), "");  // missing image: the default cursor
  EXPECT_EQ(f.toolCursors.count(65), 1u);  // the flood tool shares the edit image
}

TEST(TosFonts, StartUpMakesTheFontManagerAndShutDownFreesIt) {
  createOs();
  ASSERT_NE(fontman, nullptr);
  EXPECT_EQ(fontman->SansSerif(), "Open Sans");
  EXPECT_EQ(os->toolCursors.size() > 0, !suppressCursors);
  freeOs();
  EXPECT_EQ(fontman, nullptr);
}
