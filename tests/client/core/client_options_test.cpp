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
      {{"--server"}, "--server 需要一个地址"},
      {{"--server", ""}, "--server 的地址无效："},
      {{"--server", ":800"}, "--server 的地址无效：:800"},
      {{"--server", "10.0.0.1:"}, "--server 的地址无效：10.0.0.1:"},
      {{"--server", "10.0.0.1:0"}, "--server 的地址无效：10.0.0.1:0"},
      {{"--server", "10.0.0.1:65536"}, "--server 的地址无效：10.0.0.1:65536"},
      {{"--server", "10.0.0.1:80x"}, "--server 的地址无效：10.0.0.1:80x"},
      {{"--server", "10.0.0.1:8:9"}, "--server 的地址无效：10.0.0.1:8:9"},
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

TEST(ClientOptionsTest, TheServerAddressForThisRun) {
  struct Case {
    const char* text;
    ServerAddress expected;
  } cases[] = {
      {"192.168.1.20", {"192.168.1.20", std::nullopt}},
      {"192.168.1.20:8800", {"192.168.1.20", 8800}},
      {"speakers.lan:65535", {"speakers.lan", 65535}},
      {"localhost", {"localhost", std::nullopt}},
  };
  for (const auto& c : cases) {
    std::string error;
    auto options = ParseClientOptions({"--server", c.text}, "/tmp", &error);
    ASSERT_TRUE(options) << c.text << ": " << error;
    EXPECT_EQ(options->server, c.expected) << c.text;
  }
  std::string error;
  EXPECT_FALSE(ParseClientOptions({}, "/tmp", &error)->server);
}

TEST(ClientOptionsTest, AHostNameResolvesToItsFirstIpv4Address) {
  EXPECT_EQ(ResolveFirstIpv4("10.1.2.3"), "10.1.2.3");
  EXPECT_EQ(ResolveFirstIpv4("localhost"), "127.0.0.1");
  // (Names that fail to resolve would ask a name server off this machine; an empty name
  // fails here without asking anybody.)
  EXPECT_EQ(ResolveFirstIpv4(""), std::nullopt);
}

}  // namespace
}  // namespace quilla::client
