#include "settings/list_view_dump.h"

#include <gtest/gtest.h>

#include "encoding/gbk.h"
#include "settings/ini_file.h"
#include "support/temp_dir.h"

namespace quilla::settings {
namespace {

using encoding::Utf8ToGbk;
using quilla::testing::ReadBytes;
using quilla::testing::TempDir;
using quilla::testing::WriteBytes;

// The request history's shape: six columns, the last three empty in every row.
ListViewTable History(int rows) {
  ListViewTable table;
  table.column_titles = {"歌曲名称", "歌手名称", "获取地址成功才能点歌", "歌曲封面", "歌词", ""};
  table.column_widths = {150, 100, 529, 0, 0, 0};
  for (int r = 0; r < rows; ++r) {
    const std::string n = std::to_string(r);
    table.rows.push_back({"歌" + n, "手" + n, "http://m/" + n + ".mp3?a=1&b=2", "", "", ""});
  }
  return table;
}

TEST(ListViewDump, FileLayoutIsExact) {
  TempDir dir;
  const auto file = dir / "dgjl.ini";
  ListViewTable table;
  table.column_titles = {"歌曲", "点歌人"};
  table.column_widths = {89, 80};
  table.rows = {{"晴天", "小猪"}};
  table.settings.select_now = 0;
  ASSERT_TRUE(SaveListView(table, file));

  EXPECT_EQ(ReadBytes(file), Utf8ToGbk("[Rect]\r\nRows=1\r\nCols=2\r\n"
                                       "[Setting]\r\n"
                                       "Width=580\r\nHeight=344\r\nBorder=0\r\nVisible=真\r\n"
                                       "TextColor=0\r\nTextBackColor=16777215\r\n"
                                       "BackgroundColor=16777215\r\nNoHead=0\r\nSelectRow=1\r\n"
                                       "ClickHead=1\r\nShowListBorder=1\r\nDragHead=0\r\n"
                                       "EditAllow=0\r\nSortAllow=0\r\nCheckBox=0\r\n"
                                       "FlatScrollBar=0\r\nSelectOnly=1\r\nSelectNow=0\r\n"
                                       "ShowSelectAlways=1\r\n"
                                       "[Cols]\r\nWidth0=89\r\nName0=歌曲\r\nWidth1=80\r\n"
                                       "Name1=点歌人\r\n"
                                       "[0]\r\n0=晴天\r\n1=小猪\r\n"));
}

TEST(ListViewDump, RoundTripKeepsOrderTitlesWidthsAndEqualsSigns) {
  TempDir dir;
  const auto file = dir / "dgjl.ini";
  ListViewTable table = History(3);
  table.rows[1][0] = "a=b (Live) = 现场";
  ASSERT_TRUE(SaveListView(table, file));

  ListViewTable loaded = LoadListView(file, /*with_columns=*/true);
  EXPECT_EQ(loaded.column_titles, table.column_titles);
  EXPECT_EQ(loaded.column_widths, table.column_widths);
  EXPECT_EQ(loaded.rows, table.rows);

  ListViewTable rows_only = LoadListView(file, /*with_columns=*/false);
  EXPECT_TRUE(rows_only.column_titles.empty());
  EXPECT_TRUE(rows_only.column_widths.empty());
  EXPECT_EQ(rows_only.rows, table.rows);
}

TEST(ListViewDump, StaleRowsStayInTheFileButRowsDecides) {
  TempDir dir;
  const auto file = dir / "dgjl.ini";
  ASSERT_TRUE(SaveListView(History(10), file));
  ListViewTable shorter = History(3);
  shorter.rows[0][0] = "新的";
  ASSERT_TRUE(SaveListView(shorter, file));

  EXPECT_EQ(ReadProfileString(file, "Rect", "Rows"), "3");
  for (int r = 3; r < 10; ++r) {
    EXPECT_EQ(ReadProfileString(file, std::to_string(r), "0"), "歌" + std::to_string(r));
  }
  ListViewTable loaded = LoadListView(file, true);
  ASSERT_EQ(loaded.rows.size(), 3u);
  EXPECT_EQ(loaded.rows, shorter.rows);
}

TEST(ListViewDump, SavingKeepsOtherSectionsAndRewritesOnlyItsKeys) {
  TempDir dir;
  const auto file = dir / "gq.ini";
  WriteBytes(file, Utf8ToGbk("[Mine]\r\nkeep=这行\r\n[0]\r\n0=old\r\n7=extra\r\n"));
  ListViewTable table;
  table.column_titles = {"t"};
  table.rows = {{"new"}};
  ASSERT_TRUE(SaveListView(table, file));
  const std::string bytes = ReadBytes(file);
  EXPECT_EQ(bytes.rfind(Utf8ToGbk("[Mine]\r\nkeep=这行\r\n[0]\r\n0=new\r\n7=extra\r\n[Rect]"), 0),
            0u);
  EXPECT_EQ(ReadProfileString(file, "Mine", "keep"), "这行");
}

TEST(ListViewDump, DamagedOrMissingFilesLoadWhatTheyCan) {
  TempDir dir;
  EXPECT_TRUE(LoadListView(dir / "none.ini", true).rows.empty());

  const auto file = dir / "bad.ini";
  // Cols says 3, Rows says 2; row 1 is missing entirely and row 0 lacks column 2.
  WriteBytes(file,
             "[Rect]\r\nRows=2\r\nCols=3\r\n[Cols]\r\nWidth0=abc\r\nName0=x\r\n"
             "[0]\r\n0=a\r\n1=b\r\n");
  ListViewTable loaded = LoadListView(file, true);
  EXPECT_EQ(loaded.column_widths, (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(loaded.column_titles, (std::vector<std::string>{"x", "", ""}));
  EXPECT_EQ(loaded.rows, (std::vector<std::vector<std::string>>{{"a", "b", ""}, {"", "", ""}}));

  // Absurd counts cannot make the loader allocate without bound.
  WriteBytes(file, "[Rect]\r\nRows=2000000000\r\nCols=-5\r\n");
  loaded = LoadListView(file, true);
  EXPECT_EQ(loaded.rows.size(), 100000u);
  EXPECT_TRUE(loaded.column_titles.empty());
}

TEST(ListViewDump, ShortRowsAndUnreadableFiles) {
  TempDir dir;
  const auto file = dir / "short.ini";
  ListViewTable table;
  table.column_titles = {"a", "b", "c"};
  table.rows = {{"only"}};
  ASSERT_TRUE(SaveListView(table, file));
  EXPECT_EQ(LoadListView(file, false).rows,
            (std::vector<std::vector<std::string>>{{"only", "", ""}}));
  EXPECT_EQ(table.ColumnCount(), 3u);
  EXPECT_FALSE(SaveListView(table, dir / "missing-dir" / "x.ini"));
}

}  // namespace
}  // namespace quilla::settings
