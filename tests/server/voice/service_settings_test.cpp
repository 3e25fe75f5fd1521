#include "server/voice/service_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/ini_file.h"

namespace quilla::server {
namespace {

class ServiceSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quilla_services_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    sys_ini_ = dir_ / "sys.ini";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const char* key, const char* value) {
    ASSERT_TRUE(settings::WriteProfileString(sys_ini_, "Services", key, value));
  }
  std::filesystem::path dir_, sys_ini_;
};

TEST_F(ServiceSettingsTest, MissingFileGivesTheBuiltInServices) {
  const ServiceSettings s = ServiceSettings::Load(sys_ini_);
  EXPECT_EQ(s.radio, "http://fm.baidu.com");
  EXPECT_EQ(s.speech_token, "https://openapi.baidu.com");
  EXPECT_EQ(s.speech_audio, "http://tsn.baidu.com");
  EXPECT_EQ(s.speech_client_id, "Zq7TnWb4Rk2LpXs9Hd3MfYc8");
  EXPECT_EQ(s.speech_client_secret, "u5RkLm2QwTe8YpZa7NcVx4Bs1HjDg6Fo");
}

TEST_F(ServiceSettingsTest, ValuesInTheFileReplaceTheirDefaultsOnly) {
  ASSERT_TRUE(settings::WriteProfileString(sys_ini_, "设置", "是否选中", "真"));
  Write("Radio", "http://127.0.0.1:8081/");
  Write("speechtoken", "http://127.0.0.1:8082");  // key names ignore case
  Write("SpeechAudio", "");                       // empty: keeps the default
  Write("SpeechClientId", "  local-id  ");
  const ServiceSettings s = ServiceSettings::Load(sys_ini_);
  EXPECT_EQ(s.radio, "http://127.0.0.1:8081");  // trailing slash dropped
  EXPECT_EQ(s.speech_token, "http://127.0.0.1:8082");
  EXPECT_EQ(s.speech_audio, "http://tsn.baidu.com");
  EXPECT_EQ(s.speech_client_id, "local-id");
  EXPECT_EQ(s.speech_client_secret, "u5RkLm2QwTe8YpZa7NcVx4Bs1HjDg6Fo");
}

// With the built-in library as the defaults: every service it stands in for is on this
// machine unless sys.ini names another, key by key.
TEST_F(ServiceSettingsTest, BuiltInLibraryServesWhatTheFileDoesNotName) {
  const ServiceSettings none =
      ServiceSettings::Load(sys_ini_, ServiceSettings::BuiltInLibrary(8801));
  EXPECT_EQ(none.radio, "http://127.0.0.1:8801");
  EXPECT_EQ(none.speech_token, "http://127.0.0.1:8801");
  EXPECT_EQ(none.speech_audio, "http://127.0.0.1:8801");
  EXPECT_EQ(none.speech_client_id, "Zq7TnWb4Rk2LpXs9Hd3MfYc8");

  Write("Radio", "http://fm.baidu.com/");
  Write("SpeechAudio", "   ");  // blank: as if missing
  const ServiceSettings some =
      ServiceSettings::Load(sys_ini_, ServiceSettings::BuiltInLibrary(8801));
  EXPECT_EQ(some.radio, "http://fm.baidu.com");
  EXPECT_EQ(some.speech_token, "http://127.0.0.1:8801");
  EXPECT_EQ(some.speech_audio, "http://127.0.0.1:8801");
}

}  // namespace
}  // namespace quilla::server
