#include "client/search/search_page.h"

#include <gtest/gtest.h>

#include "support/search_service_stand_in.h"

namespace quilla::client {
namespace {

using testing::NumberedSongs;
using testing::SearchAnswerJson;
using testing::StandInSong;

TEST(SearchPage, AFullPageGivesTenSongsInOrderWithEveryField) {
  const auto songs = ParseSearchPage(SearchAnswerJson(NumberedSongs(1, 10)));
  ASSERT_EQ(songs.size(), 10u);
  EXPECT_EQ(songs[0], (SongRecord{"Song 1", "Singer 1", "http://music.example/1.mp3",
                                  "http://music.example/1.jpg", "[00:01.00]line 1"}));
  EXPECT_EQ(songs[9].title, "Song 10");
}

TEST(SearchPage, NullLyricsBecomeTheNoLyricsTextAndANullPicDropsItsSongAlone) {
  std::vector<StandInSong> songs = NumberedSongs(1, 4);
  songs[0].lyrics = std::nullopt;
  std::string answer = SearchAnswerJson(songs);
  // The last key's null has a brace after it, no comma: that song is not found, and
  // neither its values nor the next song's are merged into one row.
  for (const char* id : {"2", "4"}) {
    const std::string pic = std::string(R"("pic":"http://music.example/)") + id + R"(.jpg")";
    answer.replace(answer.find(pic), pic.size(), R"("pic":null)");
  }
  const auto parsed = ParseSearchPage(answer);
  ASSERT_EQ(parsed.size(), 2u);
  EXPECT_EQ(parsed[0].lyrics, "No lyrics that match the song.");
  EXPECT_EQ(parsed[0].picture, "http://music.example/1.jpg");
  EXPECT_EQ(parsed[1], (SongRecord{"Song 3", "Singer 3", "http://music.example/3.mp3",
                                   "http://music.example/3.jpg", "[00:01.00]line 3"}));
}

TEST(SearchPage, NullIsReplacedInAnyLetterCase) {
  EXPECT_EQ(
      ReplaceNullValues(R"({"a":NULL,"b":Null,"c":null})"),
      R"({"a":"No lyrics that match the song.","b":"No lyrics that match the song.","c":null})");
  EXPECT_EQ(ReplaceNullValues("nul nnull,"), "nul n\"No lyrics that match the song.\",");
}

TEST(SearchPage, KeysMatchIgnoringCaseButOnlyInTheirOrder) {
  const std::string upper = R"([{"TITLE":"A","AUTHOR":"B","LRC":"C","URL":"D","PIC":"E"}])";
  ASSERT_EQ(ParseSearchPage(upper).size(), 1u);
  const std::string reordered = R"([{"title":"A","lrc":"C","author":"B","url":"D","pic":"E"}])";
  EXPECT_TRUE(ParseSearchPage(reordered).empty());
}

TEST(SearchPage, EscapesInEveryFieldAreDecoded) {
  const auto songs = ParseSearchPage(SearchAnswerJson(
      {{"\\u4f60\\u597d", "A\\u2019B", "[00:01.00]\\u4f60\\n", "http:\\/\\/h\\/a%20b.mp3", "p"}}));
  ASSERT_EQ(songs.size(), 1u);
  EXPECT_EQ(songs[0], (SongRecord{"你好", "A'B", "http://h/a b.mp3", "p", "[00:01.00]你\n"}));
}

TEST(SearchPage, GarbageAndEmptyAnswersGiveNoSongs) {
  for (std::string answer : {std::string(), std::string("<html>502 Bad Gateway</html>"),
                             std::string("\xff\xfe\x00garbage", 10), std::string(R"({"data":[)")}) {
    EXPECT_TRUE(ParseSearchPage(answer).empty());
  }
}

// A broken or hostile service cannot make the client hold huge values or parse huge
// answers.
TEST(SearchPage, ValuesAreCutAndHugeAnswersAreNotParsed) {
  // Lyrics of 100 000 three-byte characters: cut to 64 KiB, not inside a character.
  std::string lyrics;
  for (int i = 0; i < 100000; ++i) lyrics += "你";
  std::string title(10000, 't');
  const auto songs = ParseSearchPage(SearchAnswerJson({{title, "a", lyrics, "u", "p"}}));
  ASSERT_EQ(songs.size(), 1u);
  EXPECT_EQ(songs[0].lyrics.size(), kMaxLyricsBytes - kMaxLyricsBytes % 3);
  EXPECT_EQ(songs[0].lyrics.substr(0, 6), "你你");
  EXPECT_EQ(songs[0].title, std::string(kMaxFieldBytes, 't'));

  // Just over the limit: not parsed, although it holds a valid page.
  std::string huge = SearchAnswerJson(NumberedSongs(1, 10));
  huge.resize(kMaxAnswerBytes + 1, ' ');
  EXPECT_TRUE(ParseSearchPage(huge).empty());
  huge.resize(kMaxAnswerBytes);
  EXPECT_EQ(ParseSearchPage(huge).size(), 10u);
}

}  // namespace
}  // namespace quilla::client
