// Which songs a channel plays and in what order, and the escaping of the radio answers'
// texts, without a network.

#include "server/library/radio_playlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "server/library/radio_answers.h"
#include "web/text_helpers.h"

namespace quilla::server::library {
namespace {

LibrarySong Song(SongId id, std::string genre) {
  LibrarySong song;
  song.id = id;
  song.title = "song " + std::to_string(id);
  song.genre = std::move(genre);
  return song;
}

TEST(RadioPlaylistTest, GenreTagsMatchTheChannelsNameAndItsUsualWords) {
  struct Case {
    const char* channel;
    const char* genre;
    bool matches;
  };
  for (const Case& c : std::vector<Case>{
           {"public_fengge_yaogun", "Rock", true},
           {"public_fengge_yaogun", "Hard Rock", true},
           {"public_fengge_yaogun", "摇滚", true},
           {"public_fengge_yaogun", "中国摇滚乐", true},   // Han text matches inside a word
           {"public_fengge_yaogun", "Rockabilly", false},  // a Latin word stands alone
           {"public_fengge_liuxing", "K-Pop", true},
           {"public_fengge_liuxing", "POP", true},
           {"public_fengge_liuxing", "Popular", false},
           {"public_fengge_liuxing", "流行", true},
           {"public_fengge_dj", "DJ舞曲", true},
           {"public_fengge_dj", "Electronic", true},
           {"public_shiguang_erge", "儿歌", true},
           {"public_fengge_qingyinyue", "Easy Listening", true},
           {"public_fengge_qingyinyue", "Rock", false},
           {"public_tuijian_rege", "Rock", false},  // not a genre channel: no genre first
           {"no_such_channel", "Rock", false},
           {"public_fengge_yaogun", "", false},
       }) {
    EXPECT_EQ(GenreMatches(c.genre, ChannelGenreWords(c.channel)), c.matches)
        << c.channel << " / " << c.genre;
  }
}

TEST(RadioPlaylistTest, GenreSongsComeFirstAndEveryListIsCappedAndShuffled) {
  std::vector<LibrarySong> songs;
  for (SongId id = 1; id <= 40; ++id) songs.push_back(Song(id, id % 10 == 0 ? "Rock" : "Pop"));
  const SearchIndex index(songs);
  std::mt19937_64 random(7);

  const std::vector<SongId> rock = RadioPlaylist(index, "public_fengge_yaogun", random);
  ASSERT_EQ(rock.size(), 40u);
  EXPECT_EQ(std::set<SongId>(rock.begin(), rock.begin() + 4), (std::set<SongId>{10, 20, 30, 40}));
  EXPECT_EQ(std::set<SongId>(rock.begin(), rock.end()).size(), 40u) << "each song once";

  const std::vector<SongId> capped = RadioPlaylist(index, "public_fengge_yaogun", random, 6);
  ASSERT_EQ(capped.size(), 6u);
  EXPECT_EQ(std::set<SongId>(capped.begin(), capped.begin() + 4),
            (std::set<SongId>{10, 20, 30, 40}));

  const std::vector<SongId> a = RadioPlaylist(index, "public_tuijian_rege", random);
  const std::vector<SongId> b = RadioPlaylist(index, "public_tuijian_rege", random);
  EXPECT_NE(a, b);
  EXPECT_FALSE(std::is_sorted(a.begin(), a.end()));

  EXPECT_TRUE(RadioPlaylist(SearchIndex(), "public_tuijian_rege", random).empty());
}

TEST(RadioAnswersTest, TextsComeBackExactlyThroughTheServersEscapeResolver) {
  for (const std::string text :
       {"晴天", "say \"hi\"", "100%41 \\u4e2d", "🎵 emoji", "tab\there", "plain ASCII", ""}) {
    const std::string escaped = RadioJsonText(text);
    EXPECT_EQ(escaped.find('"'), std::string::npos) << text;
    EXPECT_EQ(web::UnUnicode(escaped), text) << escaped;
  }
}

}  // namespace
}  // namespace quilla::server::library
