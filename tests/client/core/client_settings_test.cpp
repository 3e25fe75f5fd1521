#include "client/core/client_settings.h"

#include <gtest/gtest.h>

#include "encoding/gbk.h"
#include "support/temp_dir.h"

namespace quilla::client {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Files as the window has always written them: GBK, CR LF, keys in saving order.
const std::string kProfileFile = encoding::Utf8ToGbk(
    "[Wind]\r\nIP=192.168.1.20\r\n端口=8800\r\n用户名=小猪猪\r\n"
    "头像=http://img.example/头像.png\r\n公告=公告：今晚八点开唱\r\n是否弹窗=真\r\n"
    "是否打开启动=假\r\n是否显示歌词=真\r\n");
const std::string kFontFile = encoding::Utf8ToGbk(
    "[GECI]\r\n字体型号=2\r\n字体大小=4\r\n字体加粗=真\r\n字体选中=假\r\n字体下划线=真\r\n");
const std::string kColorFile = encoding::Utf8ToGbk(
    "[YANSE]\r\n文字颜色1=255\r\n文字颜色2=16711680\r\n文字颜色3=65280\r\n文字渐变=2\r\n");

TEST(ClientSettingsTest, FirstStartWithoutFilesKeepsTheDesign) {
  TempDir dir;
  const ClientSettings settings(dir.path() / "not-yet");
  const StartupSettings startup = settings.LoadStartup();
  EXPECT_FALSE(startup.profile);
  EXPECT_FALSE(startup.lyrics_font);
  EXPECT_FALSE(startup.lyrics_colors);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "not-yet"));  // reading creates nothing
}

TEST(ClientSettingsTest, EveryKeyReadAndWrittenBackByteExactly) {
  TempDir dir;
  WriteBytes(dir / "pz.ini", kProfileFile);
  WriteBytes(dir / "gcsz.ini", kFontFile);
  WriteBytes(dir / "yssz.ini", kColorFile);
  const ClientSettings settings(dir.path());
  const StartupSettings s = settings.LoadStartup();

  ASSERT_TRUE(s.profile);
  EXPECT_EQ(*s.profile,
            (ProfileSettings{"192.168.1.20", "8800", "小猪猪", "http://img.example/头像.png",
                             "公告：今晚八点开唱", true, false, true, std::nullopt}));
  ASSERT_TRUE(s.lyrics_font);
  EXPECT_EQ(*s.lyrics_font, (LyricsFontSettings{2, 4, true, false, true}));
  ASSERT_TRUE(s.lyrics_colors);
  EXPECT_EQ(*s.lyrics_colors, (LyricsColorSettings{255, 16711680, 65280, 2}));

  // Written into a fresh folder (created on the way), the files come out byte for byte.
  const ClientSettings fresh(dir.path() / "sub" / "quilla");
  ASSERT_TRUE(fresh.SaveProfile(*s.profile));
  ASSERT_TRUE(fresh.SaveLyricsFont(*s.lyrics_font));
  ASSERT_TRUE(fresh.SaveLyricsColors(*s.lyrics_colors));
  EXPECT_EQ(ReadBytes(fresh.ProfileFile()), kProfileFile);
  EXPECT_EQ(ReadBytes(fresh.LyricsFontFile()), kFontFile);
  EXPECT_EQ(ReadBytes(fresh.LyricsColorFile()), kColorFile);

  // Written over themselves they do not change either.
  ASSERT_TRUE(settings.SaveProfile(*s.profile));
  ASSERT_TRUE(settings.SaveLyricsFont(*s.lyrics_font));
  ASSERT_TRUE(settings.SaveLyricsColors(*s.lyrics_colors));
  EXPECT_EQ(ReadBytes(dir / "pz.ini"), kProfileFile);
  EXPECT_EQ(ReadBytes(dir / "gcsz.ini"), kFontFile);
  EXPECT_EQ(ReadBytes(dir / "yssz.ini"), kColorFile);
}

TEST(ClientSettingsTest, SavingKeepsOtherLinesAndChangesOnlyItsKeys) {
  TempDir dir;
  WriteBytes(dir / "pz.ini", encoding::Utf8ToGbk("; 说明\r\n[Wind]\r\nIP=1.2.3.4\r\n旧键=留着\r\n"
                                                 "[Other]\r\nx=1\r\n"));
  const ClientSettings settings(dir.path());
  ProfileSettings p;
  p.ip = "10.0.0.9";
  p.port = "800";
  p.nickname = "Ann";
  ASSERT_TRUE(settings.SaveProfile(p));  // the three check boxes unknown: left alone
  EXPECT_EQ(encoding::GbkToUtf8(ReadBytes(dir / "pz.ini")),
            "; 说明\r\n[Wind]\r\nIP=10.0.0.9\r\n旧键=留着\r\n端口=800\r\n用户名=Ann\r\n头像=\r\n"
            "公告=\r\n[Other]\r\nx=1\r\n");
}

TEST(ClientSettingsTest, TheSearchServiceAddressIsReadAndSurvivesAProfileSave) {
  TempDir dir;
  const ClientSettings settings(dir.path());
  EXPECT_EQ(settings.LoadSearchServiceAddress(), "");  // no pz.ini yet
  WriteBytes(
      dir / "pz.ini",
      encoding::Utf8ToGbk("[Wind]\r\nIP=1.2.3.4\r\n[Services]\r\nSearch=http://曲库.lan:8080\r\n"));
  EXPECT_EQ(settings.LoadSearchServiceAddress(), "http://曲库.lan:8080");
  ASSERT_TRUE(settings.SaveProfile(*settings.LoadProfile()));
  EXPECT_EQ(settings.LoadSearchServiceAddress(), "http://曲库.lan:8080");
}

TEST(ClientSettingsTest, ItalicIsStoredUnderZiTiXuanZhong) {
  TempDir dir;
  WriteBytes(dir / "gcsz.ini", encoding::Utf8ToGbk("[GECI]\r\n字体选中=真\r\n"));
  const ClientSettings settings(dir.path());
  EXPECT_EQ(settings.LoadLyricsFont(), (LyricsFontSettings{0, 0, false, true, false}));

  const ClientSettings other(dir.path() / "other");
  ASSERT_TRUE(other.SaveLyricsFont({1, 5, false, true, false}));
  EXPECT_EQ(
      encoding::GbkToUtf8(ReadBytes(other.LyricsFontFile())),
      "[GECI]\r\n字体型号=1\r\n字体大小=5\r\n字体加粗=假\r\n字体选中=真\r\n字体下划线=假\r\n");
}

TEST(ClientSettingsTest, ABooleanCountsOnlyWhenExactlyZhen) {
  struct Case {
    const char* stored;
    bool font_flag;                 // gcsz.ini: true only for "真"
    std::optional<bool> check_box;  // pz.ini: "真", "假", or the designed state
  } cases[] = {
      {"真", true, true},
      {"假", false, false},
      {"", false, std::nullopt},
      {"真真", false, std::nullopt},
      {"true", false, std::nullopt},
      {"1", false, std::nullopt},
      {"是", false, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    TempDir dir;
    WriteBytes(dir / "gcsz.ini", encoding::Utf8ToGbk(std::string("[GECI]\r\n字体加粗=") + c.stored +
                                                     "\r\n字体下划线=" + c.stored + "\r\n"));
    WriteBytes(dir / "pz.ini",
               encoding::Utf8ToGbk(std::string("[Wind]\r\n是否弹窗=") + c.stored +
                                   "\r\n是否打开启动=" + c.stored + "\r\n是否显示歌词=" + c.stored +
                                   "\r\n锁定歌词=" + c.stored + "\r\n"));
    const ClientSettings settings(dir.path());
    const auto font = settings.LoadLyricsFont();
    ASSERT_TRUE(font);
    EXPECT_EQ(font->bold, c.font_flag);
    EXPECT_EQ(font->underline, c.font_flag);
    const auto profile = settings.LoadProfile();
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->popups, c.check_box);
    EXPECT_EQ(profile->auto_connect, c.check_box);
    EXPECT_EQ(profile->show_lyrics, c.check_box);
    EXPECT_EQ(profile->lyrics_locked, c.check_box);
  }
}

TEST(ClientSettingsTest, AMissingKeyReadsAsEmptyOrZero) {
  TempDir dir;
  WriteBytes(dir / "gcsz.ini", encoding::Utf8ToGbk("[GECI]\r\n字体大小=3\r\n"));
  WriteBytes(dir / "yssz.ini", encoding::Utf8ToGbk("[YANSE]\r\n文字颜色2=12\r\n"));
  WriteBytes(dir / "pz.ini", encoding::Utf8ToGbk("[Wind]\r\n用户名=Ann\r\n"));
  const ClientSettings settings(dir.path());
  EXPECT_EQ(settings.LoadLyricsFont(), (LyricsFontSettings{0, 3, false, false, false}));
  EXPECT_EQ(settings.LoadLyricsColors(), (LyricsColorSettings{0, 12, 0, 0}));
  ProfileSettings expected;
  expected.nickname = "Ann";
  EXPECT_EQ(settings.LoadProfile(), expected);  // IP and port empty, check boxes as designed
}

TEST(ClientSettingsTest, ExitProfileKeepsTheAutoConnectStateUnderItsOldKey) {
  TempDir dir;
  const ClientSettings settings(dir.path());
  const ProfileSettings p{"192.168.9.25", "800", "你的名字", "http://a/b.png", "公告",
                          false,          true,  true,       std::nullopt};
  ASSERT_TRUE(settings.SaveExitProfile(p));
  EXPECT_EQ(encoding::GbkToUtf8(ReadBytes(dir / "e.ini")),
            "[Wind]\r\nIP=192.168.9.25\r\n端口=800\r\n用户名=你的名字\r\n头像=http://a/b.png\r\n"
            "公告=公告\r\n是否弹窗=假\r\n昵称是否显示=真\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "pz.ini"));
}

TEST(ClientSettingsTest, TheLyricsLockIsKeptInPzIniButNotInEIni) {
  TempDir dir;
  const ClientSettings settings(dir.path());
  ProfileSettings p{"10.0.0.1", "800", "Ann", "", "", true, false, true, true};
  ASSERT_TRUE(settings.SaveProfile(p));
  EXPECT_EQ(encoding::GbkToUtf8(ReadBytes(dir / "pz.ini")),
            "[Wind]\r\nIP=10.0.0.1\r\n端口=800\r\n用户名=Ann\r\n头像=\r\n公告=\r\n是否弹窗=真\r\n"
            "是否打开启动=假\r\n是否显示歌词=真\r\n锁定歌词=真\r\n");
  EXPECT_EQ(settings.LoadProfile(), p);
  ASSERT_TRUE(settings.SaveExitProfile(p));
  EXPECT_EQ(encoding::GbkToUtf8(ReadBytes(dir / "e.ini")).find("锁定歌词"), std::string::npos);
}

TEST(ClientSettingsTest, AFolderThatCannotBeMadeFailsTheSave) {
  TempDir dir;
  WriteBytes(dir / "file", "x");
  const ClientSettings settings(dir / "file");  // a file stands where the folder should be
  EXPECT_FALSE(settings.SaveProfile({}));
  EXPECT_FALSE(settings.LoadProfile());
}

}  // namespace
}  // namespace quilla::client
