#include "client/requests/request_history.h"

#include <gtest/gtest.h>

#include "client/requests/song_requests.h"
#include "encoding/gbk.h"
#include "settings/ini_file.h"
#include "support/temp_dir.h"

namespace quilla::client {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

SongRecord Song(const std::string& title) {
  return {title, "Singer " + title, "http://music.example/" + title + ".mp3",
          "http://music.example/" + title + ".jpg", "[00:01.00]lyrics are not kept"};
}

std::vector<std::string> Titles(const RequestHistory& history) {
  std::vector<std::string> titles;
  for (const auto& row : history.rows()) titles.push_back(row[0]);
  return titles;
}

TEST(RequestHistoryFile, IsWrittenInTheListViewLayout) {
  TempDir dir;
  RequestHistory history;
  history.AddRequest(Song("A"));
  ASSERT_TRUE(history.SaveListView(dir / "dgjl.ini", 0));
  EXPECT_EQ(encoding::GbkToUtf8(ReadBytes(dir / "dgjl.ini")),
            "[Rect]\r\nRows=1\r\nCols=6\r\n"
            "[Setting]\r\nWidth=580\r\nHeight=344\r\nBorder=0\r\nVisible=真\r\nTextColor=0\r\n"
            "TextBackColor=16777215\r\nBackgroundColor=16777215\r\nNoHead=0\r\nSelectRow=1\r\n"
            "ClickHead=1\r\nShowListBorder=1\r\nDragHead=0\r\nEditAllow=0\r\nSortAllow=0\r\n"
            "CheckBox=0\r\nFlatScrollBar=0\r\nSelectOnly=1\r\nSelectNow=0\r\n"
            "ShowSelectAlways=1\r\n"
            "[Cols]\r\nWidth0=150\r\nName0=歌曲名称\r\nWidth1=100\r\nName1=歌手名称\r\n"
            "Width2=529\r\nName2=获取地址成功才能点歌\r\nWidth3=0\r\nName3=歌曲封面\r\nWidth4=0\r\n"
            "Name4=歌词\r\nWidth5=0\r\nName5=\r\n"
            "[0]\r\n0=A\r\n1=Singer A\r\n2=http://music.example/A.mp3\r\n"
            "3=http://music.example/A.jpg\r\n4=\r\n5=\r\n");
}

TEST(RequestHistoryFile, OrderTitlesAndColumnWidthsSurviveARestart) {
  TempDir dir;
  {
    SongRequests run;
    for (const char* title : {"A", "B", "C"}) {
      const SongRecord song = Song(title);
      run.RequestSelectedSong(&song, "Ann", 0, [](std::string) { return true; });
    }
    run.history().AddRequest(Song("x=1 == [y] ; z"));  // "=" is always inside a value
    run.history().SetColumnWidth(0, 222);
    ASSERT_TRUE(run.SaveHistory(dir / "dgjl.ini"));
  }
  SongRequests next;
  const RequestUpdate u = next.LoadHistory(dir / "dgjl.ini");
  EXPECT_EQ(Titles(next.history()), (std::vector<std::string>{"x=1 == [y] ; z", "C", "B", "A"}));
  EXPECT_EQ(next.history().row(3)[1], "Singer A");
  EXPECT_EQ(next.history().column_widths()[0], 222);
  EXPECT_EQ(next.history().column_titles()[2], "获取地址成功才能点歌");
  EXPECT_EQ(u.count_text, "累计点歌4次");
  EXPECT_EQ(u.history_edits.back(), (HistoryEdit{HistoryEdit::Kind::kAppended, 0, 4}));
}

TEST(RequestHistoryFile, StaleRowSectionsOfALongerListAreIgnored) {
  TempDir dir;
  RequestHistory history;
  for (int i = 0; i < 10; ++i) history.AddRequest(Song("S" + std::to_string(i)));
  ASSERT_TRUE(history.SaveListView(dir / "dgjl.ini"));
  for (int i = 0; i < 7; ++i) history.DeleteRow(0);
  ASSERT_TRUE(history.SaveListView(dir / "dgjl.ini"));

  // Sections "3" to "9" are still in the file; "Rows" says where to stop.
  EXPECT_EQ(settings::ReadProfileString(dir / "dgjl.ini", "9", "0"), "S0");
  EXPECT_EQ(settings::ReadProfileString(dir / "dgjl.ini", "Rect", "Rows"), "3");
  RequestHistory loaded;
  loaded.LoadListView(dir / "dgjl.ini", true);
  EXPECT_EQ(Titles(loaded), (std::vector<std::string>{"S2", "S1", "S0"}));
}

TEST(RequestHistoryFile, AMissingOrDamagedFileGivesFewerOrEmptyRows) {
  TempDir dir;
  SongRequests missing;
  EXPECT_EQ(missing.LoadHistory(dir / "nothing.ini").count_text, "累计点歌0次");
  EXPECT_TRUE(missing.history().empty());
  EXPECT_EQ(missing.history().column_titles()[0], "歌曲名称");  // the design stays

  // Three rows promised, one there; no column count at all in the second file.
  WriteBytes(dir / "short.ini",
             encoding::Utf8ToGbk("[Rect]\r\nRows=3\r\nCols=6\r\n[0]\r\n0=Only\r\n2=url\r\n"));
  WriteBytes(dir / "nocols.ini", encoding::Utf8ToGbk("[Rect]\r\nRows=1\r\n[0]\r\n0=T\r\n1=S\r\n"));
  RequestHistory history;
  history.LoadListView(dir / "short.ini", false);
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(history.row(0), (std::vector<std::string>{"Only", "", "url", "", "", ""}));
  EXPECT_EQ(history.row(2), std::vector<std::string>(6));
  history.LoadListView(dir / "nocols.ini", true);
  ASSERT_EQ(history.size(), 4u);
  EXPECT_EQ(history.row(3), (std::vector<std::string>{"T", "", "", "", "", ""}));
  EXPECT_EQ(history.column_count(), 6u);
}

TEST(RequestHistoryFile, AWiderFileWidensTheList) {
  TempDir dir;
  WriteBytes(
      dir / "wide.ini",
      encoding::Utf8ToGbk("[Rect]\r\nRows=1\r\nCols=7\r\n[Cols]\r\nWidth6=40\r\nName6=备注\r\n"
                          "[0]\r\n0=T\r\n6=note\r\n"));
  RequestHistory history;
  const auto edits = history.LoadListView(dir / "wide.ini", true);
  EXPECT_EQ(edits.front().kind, HistoryEdit::Kind::kColumnsChanged);
  EXPECT_EQ(history.column_count(), 7u);
  EXPECT_EQ(history.column_titles()[6], "备注");
  EXPECT_EQ(history.row(0)[6], "note");
  // New requests fill the wider rows too.
  history.AddRequest(Song("N"));
  EXPECT_EQ(history.row(0).size(), 7u);
}

}  // namespace
}  // namespace quilla::client
