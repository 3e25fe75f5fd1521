// The pure parts behind the HTTP service: the search form, the JSON answer, ranges, names
// and media types.

#include <gtest/gtest.h>

#include "client_answer.h"
#include "server/library/byte_range.h"
#include "server/library/file_names.h"
#include "server/library/media_type.h"
#include "server/library/search_answer.h"
#include "server/library/search_form.h"

namespace quilla::server::library {
namespace {

TEST(SearchFormTest, ReadsTheClientsForm) {
  const auto form = ParseSearchForm("input=%E6%99%B4%E5%A4%A9&filter=name&type=qq&page=2");
  ASSERT_TRUE(form);
  EXPECT_EQ(form->input, "晴天");
  EXPECT_EQ(form->page, 2);
  EXPECT_EQ(form->filter, "name");
  EXPECT_EQ(form->type, "qq");
  EXPECT_EQ(ParseSearchForm("input=a+b%20c")->input, "a b c");
  EXPECT_EQ(ParseSearchForm("input=x")->page, 1);
  EXPECT_EQ(ParseSearchForm("page=3&input=first&input=second")->input, "first");
  EXPECT_EQ(ParseSearchForm("input=")->input, "");
}

TEST(SearchFormTest, RejectsBadForms) {
  for (const char* body :
       {"", "filter=name&page=1", "input=%E6%99", "input=%FF%FE%FD", "input=%zz", "input=abc%",
        "input=a&page=0", "input=a&page=-1", "input=a&page=1x", "input=a&page=100001",
        "input=a&page=", "input=a&page=99999999999999999999"}) {
    EXPECT_FALSE(ParseSearchForm(body)) << body;
  }
}

TEST(SearchAnswerTest, ValuesSurviveTheClientsPatternAndUnescaping) {
  std::vector<AnswerEntry> entries = {
      {12, "晴天", "周杰伦", "叶惠美", "[00:01.00]第一行\r\n[00:02.00]Null, or 100%20",
       "http://h:1/media/12", "http://h:1/cover/12"},
      {7, "Say \"hi\", null, \\up 'x' 🎵", "A,B", "", std::nullopt, "http://h:1/media/7",
       "http://h:1/cover/7"},
  };
  const std::string json = SearchAnswerJson(entries, 2, 1);
  // Plain ASCII, as clients that read the bytes in their own code page need.
  for (const char c : json) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << json;

  // Read the way the clients read it.
  const std::vector<ClientSong> songs = ParseLikeTheClient(json);
  ASSERT_EQ(songs.size(), 2u);
  EXPECT_EQ(songs[0].title, "晴天");
  EXPECT_EQ(songs[0].author, "周杰伦");
  EXPECT_EQ(songs[0].lrc, "[00:01.00]第一行\r\n[00:02.00]Null, or 100%20");
  EXPECT_EQ(songs[0].url, "http://h:1/media/12");
  EXPECT_EQ(songs[0].pic, "http://h:1/cover/12");
  EXPECT_EQ(songs[1].title, "Say \"hi\", null, \\up 'x' 🎵");
  EXPECT_EQ(songs[1].author, "A,B");
  EXPECT_EQ(songs[1].lrc, "No lyrics that match the song.");
}

TEST(SearchAnswerTest, EmptyPageIsAnEmptyList) {
  EXPECT_EQ(SearchAnswerJson({}, 0, 3), R"({"code":200,"total":0,"page":3,"data":[],"error":""})");
}

TEST(ByteRangeTest, DecidesEveryKindOfRange) {
  struct Case {
    std::vector<std::pair<ssize_t, ssize_t>> ranges;
    std::uint64_t size;
    RangeOutcome outcome;
    std::uint64_t first, last;
  };
  const Case cases[] = {
      {{}, 100, RangeOutcome::kWhole, 0, 0},
      {{{0, 9}}, 100, RangeOutcome::kPartial, 0, 9},
      {{{10, -1}}, 100, RangeOutcome::kPartial, 10, 99},
      {{{50, 60}}, 100, RangeOutcome::kPartial, 50, 60},
      {{{90, 500}}, 100, RangeOutcome::kPartial, 90, 99},  // end cut to the size
      {{{-1, 30}}, 100, RangeOutcome::kPartial, 70, 99},   // the last 30 bytes
      {{{-1, 500}}, 100, RangeOutcome::kPartial, 0, 99},   // longer suffix: all of it
      {{{99, 99}}, 100, RangeOutcome::kPartial, 99, 99},
      {{{100, -1}}, 100, RangeOutcome::kUnsatisfiable, 0, 0},
      {{{100, 200}}, 100, RangeOutcome::kUnsatisfiable, 0, 0},
      {{{-1, 0}}, 100, RangeOutcome::kUnsatisfiable, 0, 0},
      {{{60, 50}}, 100, RangeOutcome::kUnsatisfiable, 0, 0},
      {{{0, -1}}, 0, RangeOutcome::kUnsatisfiable, 0, 0},
      {{{0, 1}, {5, 6}}, 100, RangeOutcome::kWhole, 0, 0},  // several: served whole
  };
  for (const Case& c : cases) {
    const RangeDecision d = DecideRange(c.ranges, c.size);
    EXPECT_EQ(d.outcome, c.outcome);
    if (c.outcome == RangeOutcome::kPartial) {
      EXPECT_EQ(d.first, c.first);
      EXPECT_EQ(d.last, c.last);
    }
  }
}

TEST(FileNamesTest, ArtistAndTitleFromNames) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"周杰伦 - 晴天", "周杰伦", "晴天"},
      {"周杰伦-晴天", "周杰伦", "晴天"},
      {"周杰伦－晴天", "周杰伦", "晴天"},
      {"01. 周杰伦 - 晴天", "周杰伦", "晴天"},
      {"01 - 晴天", "", "晴天"},
      {"03、稻香", "", "稻香"},
      {"2002年的第一场雪", "", "2002年的第一场雪"},
      {"7 Years", "", "7 Years"},
      {"Jay-Z-Song-Name", "", "Jay-Z-Song-Name"},  // several dashes: no guess
      {"A - B - C", "A", "B - C"},
      {"  spaced  ", "", "spaced"},
  };
  for (const auto& [stem, artist, title] : cases) {
    const NameTags tags = TagsFromFileName(stem);
    EXPECT_EQ(tags.artist, artist) << stem;
    EXPECT_EQ(tags.title, title) << stem;
  }
  EXPECT_TRUE(IsAudioFileName("/m/a.MP3"));
  EXPECT_TRUE(IsAudioFileName("/m/a.opus"));
  EXPECT_FALSE(IsAudioFileName("/m/a.mp3.txt"));
  EXPECT_FALSE(IsAudioFileName("/m.mp3/readme"));
}

TEST(MediaTypeTest, ByExtension) {
  EXPECT_EQ(MediaContentType("/a/b.MP3"), "audio/mpeg");
  EXPECT_EQ(MediaContentType("/a/b.flac"), "audio/flac");
  EXPECT_EQ(MediaContentType("/a/b.opus"), "audio/ogg");
  EXPECT_EQ(MediaContentType("/a/b.m4a"), "audio/mp4");
  EXPECT_EQ(MediaContentType("/a/b.wav"), "audio/wav");
  EXPECT_EQ(MediaContentType("/a/b"), "application/octet-stream");
}

}  // namespace
}  // namespace quilla::server::library
