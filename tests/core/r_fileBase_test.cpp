// Special folders by the numbers the system asks for, on their XDG and file-system hierarchy
// counterparts (HOME is pinned by the test main).
#include "core/r_fileBase.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/folders.h"

namespace {
TEST(RFileBase, LocationCodesNameTheirLinuxFolders) {
  const std::string home = platform::homeFolder();
  struct Case { int code; std::string folder; } cases[] = {
      {r_fileBase::csidl_personal, platform::documentsFolder()},
      {r_fileBase::csidl_fonts, home + ".local/share/fonts/"},
      {r_fileBase::csidl_local_appdata, home + ".local/share/"},
      {r_fileBase::csidl_common_appdata, home + ".local/share/"},
      {r_fileBase::csidl_system, "/usr/bin/"},
      {r_fileBase::csidl_program_files, "/opt/"},
      {0, ""},
      {999, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(r_fileBase::LocationOf(c.code), c.folder);
  }
  // The fonts folder follows the data home the user set.
  setenv("XDG_DATA_HOME", "/srv/data", 1);
  EXPECT_EQ(r_fileBase::LocationOf(r_fileBase::csidl_fonts), "/srv/data/fonts/");
  unsetenv("XDG_DATA_HOME");
}
}  // namespace
