#pragma once
// SearchResultList ("音乐列表框") as plain data: one SongRecord a row, shown in seven
// columns, and what each page did to it so that a view can edit its list in place.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "client/search/song_record.h"

namespace quilla::client {

struct ListColumn {
  std::string_view title;
  int width;  // pixels
};

// 0 "序号" (1-based row number), 1 title, 2 artist, 3 url, 4 picture and 5 lyrics (both
// hidden), 6 untitled and always empty.
inline constexpr std::array<ListColumn, 7> kSearchResultColumns = {{
    {"序号", 50},
    {"歌曲名称", 200},
    {"歌手名称", 100},
    {"获取地址成功才能点歌", 529},
    {"歌曲封面", 0},
    {"歌词", 0},
    {"", 50},
}};

// What one page did to the list: the rows were first all removed (a first page), then
// `added` rows were appended from row `first_added` on.
struct ResultListChange {
  bool cleared = false;
  std::size_t first_added = 0;
  std::size_t added = 0;
  bool operator==(const ResultListChange&) const = default;
};

// Not thread-safe: owned and used on the GUI thread.
class SearchResultList {
 public:
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  const SongRecord& row(std::size_t index) const { return rows_.at(index); }
  const std::vector<SongRecord>& rows() const { return rows_; }

  // The text of one cell as the list shows it; "" for a row or column out of range.
  std::string Cell(std::size_t row, std::size_t column) const;
  // The seven cells of a row (empty texts for a row out of range).
  std::vector<std::string> RowCells(std::size_t row) const;

  // A page's songs: a first page replaces the rows, a later one is appended below them.
  ResultListChange AddPage(bool first_page, std::vector<SongRecord> songs);

 private:
  std::vector<SongRecord> rows_;
};

}  // namespace quilla::client
