#include "client/search/search_result_list.h"

namespace quilla::client {

std::string SearchResultList::Cell(std::size_t row, std::size_t column) const {
  if (row >= rows_.size()) return {};
  const SongRecord& song = rows_[row];
  switch (column) {
    case 0:
      return std::to_string(row + 1);
    case 1:
      return song.title;
    case 2:
      return song.artist;
    case 3:
      return song.url;
    case 4:
      return song.picture;
    case 5:
      return song.lyrics;
    default:
      return {};
  }
}

std::vector<std::string> SearchResultList::RowCells(std::size_t row) const {
  std::vector<std::string> cells;
  cells.reserve(kSearchResultColumns.size());
  for (std::size_t c = 0; c < kSearchResultColumns.size(); ++c) cells.push_back(Cell(row, c));
  return cells;
}

ResultListChange SearchResultList::AddPage(bool first_page, std::vector<SongRecord> songs) {
  ResultListChange change;
  if (first_page) {
    rows_.clear();
    change.cleared = true;
  }
  change.first_added = rows_.size();
  change.added = songs.size();
  rows_.insert(rows_.end(), std::make_move_iterator(songs.begin()),
               std::make_move_iterator(songs.end()));
  return change;
}

}  // namespace quilla::client
