#pragma once
// RequestHistory ("已点歌曲列表") as plain data: the songs this user has requested, newest
// on top, kept across runs in a list-view dump file (dgjl.ini, or gq.ini when the window
// was closed another way).
//
// Not thread-safe: owned and used on the GUI thread (saving and loading block on file
// I/O).

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "client/search/search_result_list.h"
#include "client/search/song_record.h"

namespace quilla::client {

// 0 title, 1 singer, 2 audio URL, 3 cover URL, 4 lyrics and 5 untitled; a request fills
// the first four, the last two stay empty.
inline constexpr std::array<ListColumn, 6> kRequestHistoryColumns = {{
    {"歌曲名称", 150},
    {"歌手名称", 100},
    {"获取地址成功才能点歌", 529},
    {"歌曲封面", 0},
    {"歌词", 0},
    {"", 0},
}};

// One change of the list, so that a view can edit its rows instead of rebuilding them.
struct HistoryEdit {
  enum class Kind {
    kInsertedAtTop,   // a new row 0
    kRemoved,         // row `row` is gone
    kCleared,         // every row is gone
    kAppended,        // `count` rows added from row `row` on
    kColumnsChanged,  // titles, widths or the number of columns changed
  } kind;
  std::size_t row = 0;
  std::size_t count = 0;
  bool operator==(const HistoryEdit&) const = default;
};

// "累计点歌" + rows + "次": the label `歌曲数量标签` after every change of the list.
std::string RequestCountText(std::size_t rows);

class RequestHistory {
 public:
  RequestHistory();

  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  std::size_t column_count() const { return titles_.size(); }
  // Every row has column_count() cells.
  const std::vector<std::string>& row(std::size_t index) const { return rows_.at(index); }
  const std::vector<std::vector<std::string>>& rows() const { return rows_; }
  const std::vector<std::string>& column_titles() const { return titles_; }
  const std::vector<int>& column_widths() const { return widths_; }

  // The user dragged a column's edge: saved with the list and restored at the next start.
  void SetColumnWidth(std::size_t column, int width);

  // A request of `song`: a new top row with its title, artist, url and picture.
  HistoryEdit AddRequest(const SongRecord& song);
  // Removes row `selected`; nothing when no row (or no existing row) is selected.
  std::optional<HistoryEdit> DeleteRow(std::optional<std::size_t> selected);
  HistoryEdit Clear();

  std::string CountText() const { return RequestCountText(size()); }

  // SaveListView: writes the list (rows, columns, and the list's look with `selected_row`
  // as its selection, -1 for none) to `file` in one atomic write, keeping what the file
  // holds beyond it (row sections of an earlier, longer list stay; the row count tells
  // readers where to stop). False when the file cannot be read or written.
  bool SaveListView(const std::filesystem::path& file, int selected_row = -1) const;
  // LoadListView: appends the rows of `file` in their saved order, widening the list to
  // the file's column count; with_columns also takes the file's column titles and
  // widths. Missing keys give empty cells (a missing or damaged file gives fewer or empty
  // rows, never an error). Returns the edits made.
  std::vector<HistoryEdit> LoadListView(const std::filesystem::path& file, bool with_columns);

 private:
  std::vector<std::string> titles_;
  std::vector<int> widths_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace quilla::client
