#pragma once
// A list of rows saved as an INI file (the request history): "Rect" with the row and column
// counts, a "Setting" block describing the list's look, "Cols" with widths and titles,
// then one section per row ("0", "1", ...) with one key per column ("0", "1", ...).

#include <filesystem>
#include <string>
#include <vector>

namespace quilla::settings {

// The look of the list as written to the "Setting" block. It is written for the file's
// other readers but never read back; colours are Windows colour values (red in the low
// byte). The defaults describe the client's history list.
struct ListViewSettings {
  int width = 580;
  int height = 344;
  int border = 0;
  bool visible = true;
  int text_color = 0;               // black
  int text_back_color = 0xFFFFFF;   // white
  int background_color = 0xFFFFFF;  // white
  bool no_head = false;
  bool select_row = true;  // whole-row selection
  bool click_head = true;  // header clickable
  bool show_list_border = true;
  bool drag_head = false;  // header columns can be dragged
  bool edit_allow = false;
  int sort_allow = 0;
  bool check_box = false;
  bool flat_scroll_bar = false;
  bool select_only = true;  // single selection
  int select_now = -1;      // selected row, -1 for none
  bool show_select_always = true;
};

struct ListViewTable {
  std::vector<std::string> column_titles;
  std::vector<int> column_widths;              // pixels
  std::vector<std::vector<std::string>> rows;  // rows[r][c]; short rows read as empty cells
  ListViewSettings settings;

  // Columns written: the most of titles, widths and the widest row.
  std::size_t ColumnCount() const;
};

// Writes table to file (created if missing) in the order Rect, Setting, Cols, rows, and
// keeps every line of the file that it does not set, so row sections beyond the table's
// rows stay from an earlier, longer list ("Rows" tells readers where to stop). The file
// is built in memory and written once, atomically. Blocks on file I/O; returns false when
// the file cannot be read or written. Thread-safe for different files.
bool SaveListView(const ListViewTable& table, const std::filesystem::path& file);

// Reads "Rect" Cols and Rows, then Rows rows of Cols cells (missing keys are empty cells),
// in file order. with_columns also fills column_titles and column_widths (a missing width
// reads as 0); without it they stay empty. settings keep their defaults (the block is not
// read). A missing or unreadable file gives an empty table. A damaged count is clamped to
// 100000 rows and 256 columns so a bad file cannot exhaust memory.
ListViewTable LoadListView(const std::filesystem::path& file, bool with_columns);

}  // namespace quilla::settings
