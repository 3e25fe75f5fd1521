#include "client/core/client_options.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "support/temp_dir.h"

namespace quilla::client {
namespace {

using testing::TempDir;

TEST(ClientOptionsTest, TheSettingsFolder) {
  TempDir dir;
  TempDir config_home;
  ASSERT_EQ(setenv("XDG_CONFIG_HOME", config_home.path().c_str(), 1), 0);
  std::string error;

  // Beside the program when that folder is writable.
  auto beside = ParseClientOptions({}, dir.path(), &error);
  ASSERT_TRUE(beside);
  EXPECT_EQ(beside->config_dir, dir.path());

  // Otherwise (here: a folder that does not exist) in the user's configuration folder.
  auto elsewhere = ParseClientOptions({}, dir / "gone", &error);
  ASSERT_TRUE(elsewhere);
  EXPECT_EQ(elsewhere->config_dir, config_home.path() / "quilla");

  // --config-dir wins.
  auto chosen = ParseClientOptions({"--config-dir", "/srv/q"}, dir.path(), &error);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->config_dir, std::filesystem::path("/srv/q"));
  EXPECT_FALSE(chosen->help);
  unsetenv("XDG_CONFIG_HOME");
}

TEST(ClientOptionsTest, BadArguments) {
  struct Case {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"--config-dir"}, "--config-dir 需要一个目录"},
      {{"--config-dir", ""}, "--config-dir 需要一个目录"},
      {{"--port", "800"}, "未知参数：--port"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseClientOptions(c.args, "/tmp", &error));
    EXPECT_EQ(error, c.error);
  }
  std::string error;
  auto help = ParseClientOptions({"--help"}, "/tmp", &error);
  ASSERT_TRUE(help);
  EXPECT_TRUE(help->help);
}

}  // namespace
}  // namespace quilla::client
