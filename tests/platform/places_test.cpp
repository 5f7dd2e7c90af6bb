// The places a folder tree starts from: the XDG user folders of user-dirs.dirs and the volumes
// of a mounts table.
#include "platform/places.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/folders.h"
#include "tests/support/testenv.h"

namespace {
using namespace platform;

TEST(Places, VolumesOfAMountsTable) {
  const std::string table =
      "sysfs /sys sysfs rw 0 0\n"
      "/dev/sda1 / ext4 rw 0 0\n"
      "/dev/sdb1 /media/ann/USB\\040Stick vfat rw 0 0\n"
      "server:/export /home/ann/net nfs4 rw 0 0\n"
      "//srv/share /mnt/share cifs rw 0 0\n"
      "//srv/share /mnt/share cifs rw 0 0\n"
      "/dev/sdc1 /run/media/ann/disk ext4 rw 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "broken line\n";
  EXPECT_EQ(volumeMounts(table), (std::vector<std::string>{"/media/ann/USB Stick/", "/home/ann/net/", "/mnt/share/",
                                                           "/run/media/ann/disk/"}));
}

TEST(Places, HomeUserFoldersFileSystemInThatOrder) {
  const std::string home = homeFolder();
  std::filesystem::create_directories(home + "Music");
  std::filesystem::create_directories(home + "Documents");
  testenv::writeFile(".config/user-dirs.dirs",
                     "# written by xdg-user-dirs-update\n"
                     "XDG_DESKTOP_DIR=\"$HOME/\"\n"
                     "XDG_MUSIC_DIR=\"$HOME/Music\"\n"
                     "XDG_VIDEOS_DIR=\"$HOME/Videos\"\n"
                     "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
  EXPECT_EQ(xdgUserFolders(), (std::vector<std::string>{home + "Documents/", home + "Music/"}));
  const auto places = folderPlaces();
  ASSERT_GE(places.size(), 4u);
  EXPECT_EQ(places[0].path, home);
  EXPECT_EQ(places[1].name, "Documents");
  EXPECT_EQ(places[2].name, "Music");
  EXPECT_EQ(places[3].kind, TfolderPlace::Kind::FileSystem);
  EXPECT_EQ(places[3].path, "/");
}

}  // namespace
