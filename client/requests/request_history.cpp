#include "client/requests/request_history.h"

#include <algorithm>

#include "settings/list_view_dump.h"

namespace quilla::client {

std::string RequestCountText(std::size_t rows) {
  return "累计点歌" + std::to_string(rows) + "次";
}

RequestHistory::RequestHistory() {
  for (const ListColumn& column : kRequestHistoryColumns) {
    titles_.emplace_back(column.title);
    widths_.push_back(column.width);
  }
}

void RequestHistory::SetColumnWidth(std::size_t column, int width) {
  if (column < widths_.size()) widths_[column] = width;
}

HistoryEdit RequestHistory::AddRequest(const SongRecord& song) {
  std::vector<std::string> row(column_count());
  row[0] = song.title;
  row[1] = song.artist;
  row[2] = song.url;
  row[3] = song.picture;
  rows_.insert(rows_.begin(), std::move(row));
  return {HistoryEdit::Kind::kInsertedAtTop, 0, 1};
}

std::optional<HistoryEdit> RequestHistory::DeleteRow(std::optional<std::size_t> selected) {
  if (!selected || *selected >= rows_.size()) return std::nullopt;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*selected));
  return HistoryEdit{HistoryEdit::Kind::kRemoved, *selected, 1};
}

HistoryEdit RequestHistory::Clear() {
  rows_.clear();
  return {HistoryEdit::Kind::kCleared, 0, 0};
}

bool RequestHistory::SaveListView(const std::filesystem::path& file, int selected_row) const {
  settings::ListViewTable table;
  table.column_titles = titles_;
  table.column_widths = widths_;
  table.rows = rows_;
  table.settings.select_now = selected_row;
  return settings::SaveListView(table, file);
}

std::vector<HistoryEdit> RequestHistory::LoadListView(const std::filesystem::path& file,
                                                      bool with_columns) {
  std::vector<HistoryEdit> edits;
  settings::ListViewTable table = settings::LoadListView(file, with_columns);
  // The file's column count is that of its widest part (every row read has that many).
  const std::size_t file_columns =
      table.rows.empty() ? table.column_titles.size() : table.rows.front().size();
  bool columns_changed = false;
  while (column_count() < file_columns) {
    titles_.emplace_back();
    widths_.push_back(0);
    columns_changed = true;
  }
  if (with_columns) {
    for (std::size_t i = 0; i < table.column_titles.size(); ++i) {
      titles_[i] = std::move(table.column_titles[i]);
      widths_[i] = table.column_widths[i];
    }
    columns_changed = columns_changed || !table.column_titles.empty();
  }
  if (columns_changed) edits.push_back({HistoryEdit::Kind::kColumnsChanged, 0, 0});
  if (!table.rows.empty()) {
    edits.push_back({HistoryEdit::Kind::kAppended, rows_.size(), table.rows.size()});
    for (auto& row : table.rows) {
      row.resize(column_count());
      rows_.push_back(std::move(row));
    }
  }
  return edits;
}

}  // namespace quilla::client
