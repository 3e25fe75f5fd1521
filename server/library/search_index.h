#pragma once
// The in-memory search over the indexed songs: an immutable snapshot that any number of
// threads search at once while the scanner builds the next one.
//
// A song matches when its title, artist, album or file name contains the query (after
// FoldForSearch on both sides: case, full-width forms, traditional/simplified), or when
// one of them matches the query as pinyin (see pinyin.h). Order: the best match of each
// song counts; title before artist before album before file name; within a field a
// literal match before a pinyin-only one; then the earlier start; then the shorter field;
// then the older song (smaller id).

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "server/library/pinyin.h"
#include "server/library/song.h"

namespace quilla::server::library {

struct SearchPage {
  std::vector<LibrarySong> songs;  // at most page_size, best first
  std::size_t total = 0;           // songs that match, over all pages
};

class SearchIndex {
 public:
  // Takes the songs in any order; ids must be unique.
  explicit SearchIndex(std::vector<LibrarySong> songs = {});

  std::size_t size() const { return songs_.size(); }
  // Songs sorted by id.
  const std::vector<LibrarySong>& songs() const { return songs_; }
  // nullptr when no song has this id. The pointer lives as long as this index.
  const LibrarySong* Find(SongId id) const;

  // Page `page` (1-based) of the matches of `query` (UTF-8, folded here). An empty query
  // (after folding) and a page below 1 find nothing. Thread-safe.
  SearchPage Search(std::string_view query, int page, int page_size = 10) const;

 private:
  static constexpr int kFields = 4;  // title, artist, album, file name
  // Both lower best[song] (a rank key, smaller is better) where they find a better match.
  void CollectLiteral(std::string_view folded_query, std::vector<std::uint64_t>& best) const;
  void CollectPinyin(const PinyinQuery& query, std::vector<std::uint64_t>& best) const;
  // The earliest pinyin match in field `slot`, as a rank key; 0 when there is none.
  // prefix_length[set]: how many query characters a syllable of the set can take first.
  std::uint64_t PinyinMatchIn(const std::u32string& query, const PinyinQuery& matcher,
                              std::size_t slot,
                              const std::vector<std::uint8_t>& prefix_length) const;
  const std::vector<std::uint32_t>* Postings(char32_t cp) const;

  std::vector<LibrarySong> songs_;
  // Folded fields back to back, each followed by a NUL: song s, field f (its "slot",
  // s * kFields + f) starts at text_begin_[slot]; the entry after the last is text_.size().
  std::string text_;
  std::vector<std::uint32_t> text_begin_;
  std::vector<std::uint16_t> field_length_;  // characters of the folded field, capped
  // Every folded character -> the slots that hold it, ascending (so a song's fields come
  // in rank order). A literal match needs all of its characters: search walks the
  // shortest of their lists.
  std::unordered_map<char32_t, std::vector<std::uint32_t>> postings_;
  // Pinyin cells of the fields, addressed by slot through cell_begin_.
  std::vector<PinyinCell> cells_;
  std::vector<std::uint32_t> cell_begin_;
  // Per slot: the OR of its cells' initials, and a 256-bit signature of the letter pairs a
  // match can start with (a syllable's first two letters, or the initials of two
  // neighbouring cells), so most fields are passed over without looking at their cells.
  std::vector<std::uint32_t> field_initials_;
  std::vector<std::uint64_t> field_pairs_;  // four words per slot
};

}  // namespace quilla::server::library
