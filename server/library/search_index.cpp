#include "server/library/search_index.h"

#include <string.h>

#include <algorithm>
#include <limits>

#include "server/library/text_fold.h"

namespace quilla::server::library {
namespace {

constexpr std::uint64_t kNoMatch = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kCap12 = 0xFFF;

// Smaller is better: field, then literal before pinyin, then start, then field length,
// then the song's place in id order.
std::uint64_t RankKey(int field, bool pinyin, std::size_t start, std::size_t length,
                      std::size_t song) {
  return (std::uint64_t(field) << 57) | (std::uint64_t(pinyin) << 56) |
         (std::min<std::uint64_t>(start, kCap12) << 44) |
         (std::min<std::uint64_t>(length, kCap12) << 32) | std::uint64_t(song);
}

std::size_t SongOfKey(std::uint64_t key) {
  return static_cast<std::size_t>(key & 0xFFFFFFFFu);
}
int FieldOfKey(std::uint64_t key) {
  return static_cast<int>(key >> 57);
}

std::size_t CountCodePoints(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

SearchIndex::SearchIndex(std::vector<LibrarySong> songs) : songs_(std::move(songs)) {
  std::sort(songs_.begin(), songs_.end(),
            [](const LibrarySong& a, const LibrarySong& b) { return a.id < b.id; });
  text_begin_.reserve(songs_.size() * kFields + 1);
  cell_begin_.reserve(songs_.size() * kFields + 1);
  field_initials_.reserve(songs_.size() * kFields);
  field_length_.reserve(songs_.size() * kFields);
  for (const LibrarySong& song : songs_) {
    for (const std::string* field : {&song.title, &song.artist, &song.album, &song.file_stem}) {
      const std::string folded = FoldForSearch(*field);
      text_begin_.push_back(static_cast<std::uint32_t>(text_.size()));
      text_ += folded;
      text_ += '\0';
      field_length_.push_back(
          static_cast<std::uint16_t>(std::min<std::size_t>(CountCodePoints(folded), kCap12)));

      cell_begin_.push_back(static_cast<std::uint32_t>(cells_.size()));
      const std::size_t first_cell = cell_initials_.size();
      AppendPinyinCells(*field, cells_, cell_initials_);
      std::uint32_t any = 0;
      for (std::size_t i = first_cell; i < cell_initials_.size(); ++i) any |= cell_initials_[i];
      field_initials_.push_back(any);
    }
  }
  text_begin_.push_back(static_cast<std::uint32_t>(text_.size()));
  cell_begin_.push_back(static_cast<std::uint32_t>(cells_.size()));
}

const LibrarySong* SearchIndex::Find(SongId id) const {
  const auto found = std::lower_bound(songs_.begin(), songs_.end(), id,
                                      [](const LibrarySong& s, SongId i) { return s.id < i; });
  return found != songs_.end() && found->id == id ? &*found : nullptr;
}

void SearchIndex::CollectLiteral(std::string_view folded_query,
                                 std::vector<std::uint64_t>& best) const {
  const char* text = text_.data();
  std::size_t from = 0;
  std::size_t song = 0;
  while (from < text_.size()) {
    const void* hit =
        memmem(text + from, text_.size() - from, folded_query.data(), folded_query.size());
    if (!hit) break;
    const auto offset = static_cast<std::size_t>(static_cast<const char*>(hit) - text);
    while (text_begin_[(song + 1) * kFields] <= offset) ++song;
    int field = kFields - 1;
    while (text_begin_[song * kFields + field] > offset) --field;
    const std::size_t field_begin = text_begin_[song * kFields + field];
    // Fields are laid out in rank order and the first hit in a field starts earliest, so
    // a song's first hit is its best literal match: go on with the next song.
    const std::size_t start =
        CountCodePoints(std::string_view(text + field_begin, offset - field_begin));
    best[song] = RankKey(field, false, start, field_length_[song * kFields + field], song);
    from = text_begin_[(song + 1) * kFields];
  }
}

void SearchIndex::CollectPinyin(const PinyinQuery& query, std::vector<std::uint64_t>& best) const {
  const std::uint32_t letter = query.first_letter_mask();
  const char32_t first = query.first();
  for (std::size_t song = 0; song < songs_.size(); ++song) {
    // A pinyin match only ranks better than a literal one in an earlier field.
    const int limit = best[song] == kNoMatch ? kFields : FieldOfKey(best[song]);
    for (int field = 0; field < limit; ++field) {
      const std::size_t slot = song * kFields + field;
      if (letter != 0 && (field_initials_[slot] & letter) == 0) continue;
      const std::size_t begin = cell_begin_[slot], end = cell_begin_[slot + 1];
      const std::span<const PinyinCell> cells(cells_.data() + begin, end - begin);
      std::size_t start = end;
      for (std::size_t i = begin; i < end; ++i) {
        const bool can_start =
            letter != 0 ? (cell_initials_[i] & letter) != 0 : cells_[i].folded == first;
        if (can_start && query.MatchesAt(cells, i - begin)) {
          start = i;
          break;
        }
      }
      if (start != end) {
        best[song] = RankKey(field, true, start - begin, field_length_[slot], song);
        break;
      }
    }
  }
}

SearchPage SearchIndex::Search(std::string_view query, int page, int page_size) const {
  SearchPage result;
  const std::string folded = FoldForSearch(query);
  if (folded.empty() || page < 1 || page_size < 1) return result;

  // The best match of every song; a song matches once however many fields it matches in.
  std::vector<std::uint64_t> best(songs_.size(), kNoMatch);
  CollectLiteral(folded, best);
  if (const PinyinQuery pinyin(folded); pinyin.usable()) CollectPinyin(pinyin, best);
  std::vector<std::uint64_t> keys;
  for (const std::uint64_t key : best) {
    if (key != kNoMatch) keys.push_back(key);
  }

  result.total = keys.size();
  const std::size_t first = static_cast<std::size_t>(page - 1) * std::size_t(page_size);
  if (first >= keys.size()) return result;
  const std::size_t last = std::min(keys.size(), first + std::size_t(page_size));
  std::partial_sort(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(last), keys.end());
  for (std::size_t i = first; i < last; ++i) result.songs.push_back(songs_[SongOfKey(keys[i])]);
  return result;
}

}  // namespace quilla::server::library
