// Which folder counts as the desktop: the XDG setting, its default, and the home folder
// when there is no desktop.

#include "client/extras/desktop_folder.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace quilla::client {
namespace {

namespace fs = std::filesystem;

class DesktopFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(home_ / ".config"); }
  void Configure(const std::string& lines) {
    testing::WriteBytes(home_ / ".config" / "user-dirs.dirs", lines);
  }
  fs::path Desktop() const { return DesktopFolderOf(home_, ""); }

  testing::TempDir dir_;
  const fs::path home_ = dir_ / "home";
};

TEST_F(DesktopFolderTest, TheDefaultDesktopOrElseHome) {
  EXPECT_EQ(Desktop(), home_);
  fs::create_directory(home_ / "Desktop");
  EXPECT_EQ(Desktop(), home_ / "Desktop");
}

TEST_F(DesktopFolderTest, TheConfiguredDesktopWhenItExists) {
  fs::create_directory(home_ / "Desktop");
  Configure(
      "# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/下载\"\n"
      "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
  // Configured but missing: the home folder, not some other folder.
  EXPECT_EQ(Desktop(), home_);
  fs::create_directory(home_ / "桌面");
  EXPECT_EQ(Desktop(), home_ / "桌面");

  const fs::path elsewhere = dir_ / "my \"desk\"";
  fs::create_directory(elsewhere);
  Configure("XDG_DESKTOP_DIR=\"" + (dir_ / "my \\\"desk\\\"").string() + "\"\n");
  EXPECT_EQ(Desktop(), elsewhere);

  // A desktop switched off points at home itself.
  Configure("XDG_DESKTOP_DIR=\"$HOME\"\n");
  EXPECT_EQ(Desktop(), home_);
}

TEST_F(DesktopFolderTest, InvalidLinesAreIgnoredAndTheConfigFolderCanMove) {
  fs::create_directory(home_ / "Desktop");
  fs::create_directory(home_ / "桌面");
  Configure("XDG_DESKTOP_DIR=relative/桌面\nXDG_DESKTOP_DIR=\"~/桌面\"\n");
  EXPECT_EQ(Desktop(), home_ / "Desktop");

  const fs::path config = dir_ / "config";
  fs::create_directory(config);
  testing::WriteBytes(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
  EXPECT_EQ(DesktopFolderOf(home_, config), home_ / "桌面");
  // A relative XDG_CONFIG_HOME is not to be used: home/.config holds the settings then.
  EXPECT_EQ(DesktopFolderOf(home_, "config"), home_ / "Desktop");
}

}  // namespace
}  // namespace quilla::client
