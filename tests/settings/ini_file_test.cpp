#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>

#include "encoding/gbk.h"
#include "support/temp_dir.h"

namespace quilla::settings {
namespace {

using encoding::Utf8ToGbk;
using quilla::testing::ReadBytes;
using quilla::testing::TempDir;
using quilla::testing::WriteBytes;

TEST(ProfileFile, ChineseKeysAndValuesAreGbkWithCrLfOnDisk) {
  TempDir dir;
  const auto file = dir / "sys.ini";
  ASSERT_TRUE(WriteProfileString(file, "Wind", "时间间隔", "30"));
  ASSERT_TRUE(WriteProfileString(file, "Wind", "是否选中", kTrue));

  EXPECT_EQ(ReadBytes(file), "[Wind]\r\n" + Utf8ToGbk("时间间隔") + "=30\r\n" +
                                 Utf8ToGbk("是否选中") + "=" + Utf8ToGbk("真") + "\r\n");
  EXPECT_EQ(ReadBytes(file),
            "[Wind]\r\n\xca\xb1\xbc\xe4\xbc\xe4\xb8\xf4=30\r\n"
            "\xca\xc7\xb7\xf1\xd1\xa1\xd6\xd0=\xd5\xe6\r\n");
  EXPECT_EQ(ReadProfileString(file, "Wind", "时间间隔"), "30");
  EXPECT_TRUE(IsTrueText(ReadProfileString(file, "Wind", "是否选中")));
}

TEST(ProfileFile, MissingFileSectionOrKeyReadsAsDefault) {
  TempDir dir;
  const auto file = dir / "pz.ini";
  EXPECT_EQ(ReadProfileString(file, "Wind", "IP"), "");
  EXPECT_EQ(ReadProfileString(file, "Wind", "IP", "192.168.9.25"), "192.168.9.25");
  ASSERT_TRUE(WriteProfileString(file, "Wind", "IP", "10.0.0.1"));
  EXPECT_EQ(ReadProfileString(file, "Wind", "端口", "800"), "800");
  EXPECT_EQ(ReadProfileString(file, "GECI", "IP", "x"), "x");
  ASSERT_TRUE(WriteProfileString(file, "Wind", "端口", ""));
  EXPECT_EQ(ReadProfileString(file, "Wind", "端口", "800"), "");  // present but empty
}

TEST(ProfileFile, NamesMatchIgnoringCaseAndLeadingBlanks) {
  TempDir dir;
  const auto file = dir / "pz.ini";
  WriteBytes(file, Utf8ToGbk("[Wind]\r\n  UserName = 小猪 \r\n\tIP=1.2.3.4\r\n"));
  const std::pair<std::string, std::string> lookups[] = {{"wind", "username"},
                                                         {"WIND", "USERNAME"},
                                                         {"  \t\x01Wind", " \x02UserName"},
                                                         {"Wind ", "UserName  "}};
  for (const auto& [section, key] : lookups) {
    SCOPED_TRACE(section + "/" + key);
    EXPECT_EQ(ReadProfileString(file, section, key), "小猪");
  }
  EXPECT_EQ(ReadProfileString(file, "wind", "ip"), "1.2.3.4");

  // Writing through another spelling updates the existing line, keeping its spelling.
  ASSERT_TRUE(WriteProfileString(file, "WIND", "ip", "5.6.7.8"));
  EXPECT_EQ(ReadBytes(file), Utf8ToGbk("[Wind]\r\n  UserName = 小猪 \r\n\tIP=5.6.7.8\r\n"));
}

TEST(ProfileFile, DoubleByteCharactersAreNotSplitOrFolded) {
  TempDir dir;
  const auto file = dir / "x.ini";
  // 丄 is 81 41 and 乤 is 81 61 in GBK: folding the trail byte as a letter would make them
  // one key. 塢 is 89 5D: its trail byte is "]", which must not end a section name.
  ASSERT_TRUE(WriteProfileString(file, "塢x", "丄", "one"));
  ASSERT_TRUE(WriteProfileString(file, "塢x", "乤", "two"));
  EXPECT_EQ(ReadProfileString(file, "塢x", "丄"), "one");
  EXPECT_EQ(ReadProfileString(file, "塢X", "乤"), "two");
  EXPECT_EQ(ReadBytes(file).substr(0, 6), "[\x89\x5dx]\r");
}

TEST(ProfileFile, OneWriteKeepsEveryOtherLine) {
  TempDir dir;
  const auto file = dir / "gcsz.ini";
  const std::string original =
      "; made by hand\r\n"
      "[GECI]\r\n"
      "字体型号=1\r\n"
      "odd line without equals\r\n"
      "字体大小 = 2\r\n"
      "\r\n"
      "[Other]\r\n"
      "a=b=c\r\n";
  WriteBytes(file, Utf8ToGbk(original));

  ASSERT_TRUE(WriteProfileString(file, "GECI", "字体大小", "5"));
  ASSERT_TRUE(WriteProfileString(file, "GECI", "字体加粗", "假"));     // new key in GECI
  ASSERT_TRUE(WriteProfileString(file, "YANSE", "文字颜色1", "255"));  // new section

  EXPECT_EQ(ReadBytes(file), Utf8ToGbk("; made by hand\r\n"
                                       "[GECI]\r\n"
                                       "字体型号=1\r\n"
                                       "odd line without equals\r\n"
                                       "字体大小 =5\r\n"
                                       "字体加粗=假\r\n"
                                       "\r\n"
                                       "[Other]\r\n"
                                       "a=b=c\r\n"
                                       "[YANSE]\r\n"
                                       "文字颜色1=255\r\n"));
  EXPECT_EQ(ReadProfileString(file, "Other", "a"), "b=c");
}

TEST(ProfileFile, ValuesRoundTripExceptLineBreaks) {
  TempDir dir;
  const auto file = dir / "v.ini";
  const std::pair<std::string, std::string> cases[] = {
      {"a=b==c", "a=b==c"},
      {"歌名=《晴天》", "歌名=《晴天》"},
      // A line break would end the line early and plant the rest as a key; each CR and
      // LF becomes a space instead.
      {"one\r\ntwo=2\nthree", "one  two=2 three"},
      {"  padded  ", "padded"},  // blanks around a value are not kept, as ever
  };
  for (const auto& [written, read] : cases) {
    SCOPED_TRACE(written);
    ASSERT_TRUE(WriteProfileString(file, "S", "k", written));
    EXPECT_EQ(ReadProfileString(file, "S", "k"), read);
    EXPECT_EQ(ReadProfileString(file, "S", "two"), "");
  }
}

TEST(ProfileFile, NamesThatCouldNotBeReadBackAreRefused) {
  TempDir dir;
  const auto file = dir / "n.ini";
  const std::pair<std::string, std::string> refused[] = {{"S", ""},    {"S", "  "},    {"S", "a=b"},
                                                         {"S", "[k"},  {"S", "a\nb"},  {"", "k"},
                                                         {"a]b", "k"}, {"a\r\nb", "k"}};
  for (const auto& [section, key] : refused) {
    SCOPED_TRACE(section + "/" + key);
    EXPECT_FALSE(WriteProfileString(file, section, key, "v"));
  }
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ProfileFile, LongValuesAreCutAtTheLimitOnACharacterBoundary) {
  TempDir dir;
  const auto file = dir / "long.ini";
  const std::string ascii(kMaxValueBytes + 50, 'x');
  ASSERT_TRUE(WriteProfileString(file, "S", "ascii", ascii));
  EXPECT_EQ(ReadProfileString(file, "S", "ascii"), std::string(kMaxValueBytes, 'x'));

  // Double-byte characters only: byte 10239 would be the first half of one.
  std::string chinese;
  for (int i = 0; i < 6000; ++i) chinese += "歌";
  ASSERT_TRUE(WriteProfileString(file, "S", "chinese", chinese));
  const std::string read = ReadProfileString(file, "S", "chinese");
  EXPECT_EQ(Utf8ToGbk(read).size(), kMaxValueBytes - 1);
  EXPECT_EQ(read, chinese.substr(0, 3 * (kMaxValueBytes / 2)));
}

TEST(ProfileFile, SavingLeavesNoTemporaryFilesAndFailsCleanly) {
  TempDir dir;
  const auto file = dir / "s.ini";
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(WriteProfileString(file, "S", "k", std::to_string(i)));
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(WriteProfileString(dir / "no-such-dir" / "s.ini", "S", "k", "v"));
}

TEST(ProfileFile, ConcurrentWritersLoseNoKey) {
  TempDir dir;
  const auto file = dir / "c.ini";
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        WriteProfileString(file, "S", "k" + std::to_string(t) + "_" + std::to_string(i), "v");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(ReadProfileString(file, "S", "k" + std::to_string(t) + "_" + std::to_string(i)),
                "v");
    }
  }
}

TEST(IniDocument, LfOnlyFilesAreReadAndFirstDuplicateWins) {
  IniDocument doc;
  doc.Parse("[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
  EXPECT_EQ(doc.Get("A", "k"), "1");
  EXPECT_EQ(doc.Get("a", "j"), std::nullopt);  // only the first [A] counts
  EXPECT_EQ(doc.GetOr("B", "k", "d"), "d");
  ASSERT_TRUE(doc.Set("A", "new", "5"));
  EXPECT_EQ(doc.Serialize(), "[A]\r\nk=1\r\nk=2\r\nnew=5\r\n[a]\r\nk=3\r\nj=4\r\n");
}

TEST(BooleanWords, OnlyExactlyTrueIsTrue) {
  EXPECT_EQ(BoolText(true), "真");
  EXPECT_EQ(BoolText(false), "假");
  EXPECT_TRUE(IsTrueText("真"));
  for (std::string_view text : {"假", "", " 真", "真 ", "1", "true"}) {
    EXPECT_FALSE(IsTrueText(text)) << text;
  }
}

TEST(TextToInt, LeadingNumberOrZero) {
  const std::pair<std::string_view, int> cases[] = {{"", 0},
                                                    {"42", 42},
                                                    {"  7", 7},
                                                    {"-3", -3},
                                                    {"+5", 5},
                                                    {"12abc", 12},
                                                    {"abc", 0},
                                                    {"16777215", 16777215},
                                                    {"99999999999", INT_MAX},
                                                    {"-99999999999", INT_MIN}};
  for (const auto& [text, value] : cases) EXPECT_EQ(TextToInt(text), value) << text;
}

}  // namespace
}  // namespace quilla::settings
