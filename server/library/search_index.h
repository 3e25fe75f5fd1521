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

  std::vector<LibrarySong> songs_;
  // Folded fields back to back, each followed by a NUL: song s, field f starts at
  // text_begin_[s * kFields + f]; the entry after the last is text_.size().
  std::string text_;
  std::vector<std::uint32_t> text_begin_;
  // Pinyin cells of the same fields, addressed the same way through cell_begin_.
  std::vector<PinyinCell> cells_;
  std::vector<std::uint32_t> cell_initials_;
  std::vector<std::uint32_t> cell_begin_;
  // Per song and field: the OR of its cells' initials, to skip fields a query cannot start in.
  std::vector<std::uint32_t> field_initials_;
  std::vector<std::uint16_t> field_length_;  // characters of the folded field, capped
};

}  // namespace quilla::server::library
