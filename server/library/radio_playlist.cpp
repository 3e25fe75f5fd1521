#include "server/library/radio_playlist.h"

#include <algorithm>
#include <utility>

#include "server/library/text_fold.h"
#include "server/radio/radio_channels.h"

namespace quilla::server::library {
namespace {

struct GenreAliases {
  std::string_view channel;
  std::vector<std::string_view> words;
};

// Music files are mostly tagged with the English genre names of ID3 and of the shops;
// these are the tag words that mean the genre channels' names.
const std::vector<GenreAliases>& AliasTable() {
  static const std::vector<GenreAliases> table = {
      {"public_fengge_liuxing", {"pop", "mandopop", "c-pop"}},
      {"public_fengge_yaogun", {"rock", "punk", "metal", "grunge"}},
      {"public_fengge_minyao", {"folk", "acoustic", "country", "singer-songwriter"}},
      {"public_fengge_qingyinyue", {"easy listening", "instrumental", "new age", "ambient"}},
      {"public_fengge_dj", {"dance", "electronic", "electronica", "techno", "house", "edm", "dj"}},
      {"public_fengge_dianyingyuansheng", {"soundtrack", "film", "movie", "score"}},
      {"public_tuijian_yingshi", {"soundtrack", "film", "movie", "score"}},
      {"public_fengge_zhongguofeng", {"chinese", "古风", "国风"}},
      {"public_fengge_xiaoqingxin", {"indie"}},
      {"public_shiguang_erge", {"children", "children's", "kids"}},
      {"public_shiguang_jingdianlaoge", {"oldies"}},
      {"public_shiguang_yedian", {"club", "dance"}},
      {"public_yuzhong_huayu", {"mandopop", "c-pop", "chinese"}},
      {"public_yuzhong_riyu", {"j-pop", "japanese"}},
      {"public_yuzhong_hanyu", {"k-pop", "korean"}},
      {"public_yuzhong_yueyu", {"cantopop", "cantonese"}},
      {"public_xinqing_shanggan", {"sad"}},
  };
  return table;
}

bool IsWordByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

std::vector<std::string> ChannelGenreWords(std::string_view channel) {
  std::vector<std::string> words;
  const auto index = RadioChannelIndex(channel);
  if (!index) return words;
  words.push_back(FoldForSearch(RadioChannelItems()[static_cast<std::size_t>(*index)].label));
  for (const GenreAliases& aliases : AliasTable()) {
    if (aliases.channel != channel) continue;
    for (const std::string_view word : aliases.words) words.push_back(FoldForSearch(word));
  }
  return words;
}

bool GenreMatches(std::string_view genre, const std::vector<std::string>& words) {
  if (genre.empty() || words.empty()) return false;
  const std::string folded = FoldForSearch(genre);
  for (const std::string& word : words) {
    if (word.empty()) continue;
    for (std::size_t at = folded.find(word); at != std::string::npos;
         at = folded.find(word, at + 1)) {
      // A Latin word must stand alone; Han text has no spaces and matches anywhere.
      const bool starts_word = at == 0 || !IsWordByte(folded[at - 1]) || !IsWordByte(word.front());
      const std::size_t end = at + word.size();
      const bool ends_word =
          end == folded.size() || !IsWordByte(folded[end]) || !IsWordByte(word.back());
      if (starts_word && ends_word) return true;
    }
  }
  return false;
}

std::vector<SongId> RadioPlaylist(const SearchIndex& index, std::string_view channel,
                                  std::mt19937_64& random, std::size_t max_songs) {
  const std::vector<std::string> words = ChannelGenreWords(channel);
  std::vector<SongId> genre_songs, other_songs;
  for (const LibrarySong& song : index.songs()) {
    (GenreMatches(song.genre, words) ? genre_songs : other_songs).push_back(song.id);
  }
  std::shuffle(genre_songs.begin(), genre_songs.end(), random);
  std::shuffle(other_songs.begin(), other_songs.end(), random);
  std::vector<SongId> list = std::move(genre_songs);
  list.insert(list.end(), other_songs.begin(), other_songs.end());
  if (list.size() > max_songs) list.resize(max_songs);
  return list;
}

}  // namespace quilla::server::library
