#include "settings/list_view_dump.h"

#include <algorithm>
#include <string_view>

#include "settings/ini_file.h"

namespace quilla::settings {
namespace {

constexpr int kMaxRows = 100000;
constexpr int kMaxColumns = 256;

std::string Flag(bool value) {
  return value ? "1" : "0";
}

// Keys of the "Setting" block in the order other readers of the file expect.
void WriteSettings(const ListViewSettings& s, IniDocument& doc) {
  const std::pair<std::string_view, std::string> entries[] = {
      {"Width", std::to_string(s.width)},
      {"Height", std::to_string(s.height)},
      {"Border", std::to_string(s.border)},
      {"Visible", std::string(BoolText(s.visible))},
      {"TextColor", std::to_string(s.text_color)},
      {"TextBackColor", std::to_string(s.text_back_color)},
      {"BackgroundColor", std::to_string(s.background_color)},
      {"NoHead", Flag(s.no_head)},
      {"SelectRow", Flag(s.select_row)},
      {"ClickHead", Flag(s.click_head)},
      {"ShowListBorder", Flag(s.show_list_border)},
      {"DragHead", Flag(s.drag_head)},
      {"EditAllow", Flag(s.edit_allow)},
      {"SortAllow", std::to_string(s.sort_allow)},
      {"CheckBox", Flag(s.check_box)},
      {"FlatScrollBar", Flag(s.flat_scroll_bar)},
      {"SelectOnly", Flag(s.select_only)},
      {"SelectNow", std::to_string(s.select_now)},
      {"ShowSelectAlways", Flag(s.show_select_always)},
  };
  for (const auto& [key, value] : entries) doc.Set("Setting", key, value);
}

}  // namespace

std::size_t ListViewTable::ColumnCount() const {
  std::size_t count = std::max(column_titles.size(), column_widths.size());
  for (const auto& row : rows) count = std::max(count, row.size());
  return count;
}

bool SaveListView(const ListViewTable& table, const std::filesystem::path& file) {
  // One read, every key set in memory, one write: the file keeps whatever it held that
  // this table does not overwrite, exactly as if each key had been written on its own.
  IniDocument doc;
  if (!doc.Load(file)) return false;
  const std::size_t columns = table.ColumnCount();
  doc.Set("Rect", "Rows", std::to_string(table.rows.size()));
  doc.Set("Rect", "Cols", std::to_string(columns));
  WriteSettings(table.settings, doc);
  for (std::size_t i = 0; i < columns; ++i) {
    const std::string index = std::to_string(i);
    doc.Set("Cols", "Width" + index,
            std::to_string(i < table.column_widths.size() ? table.column_widths[i] : 0));
    doc.Set("Cols", "Name" + index, i < table.column_titles.size() ? table.column_titles[i] : "");
  }
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    const std::string section = std::to_string(r);
    const std::vector<std::string>& row = table.rows[r];
    for (std::size_t c = 0; c < columns; ++c) {
      doc.Set(section, std::to_string(c), c < row.size() ? row[c] : "");
    }
  }
  return doc.Save(file);
}

ListViewTable LoadListView(const std::filesystem::path& file, bool with_columns) {
  ListViewTable table;
  IniDocument doc;
  if (!doc.Load(file)) return table;
  const int columns = std::clamp(TextToInt(doc.GetOr("Rect", "Cols", "0")), 0, kMaxColumns);
  const int rows = std::clamp(TextToInt(doc.GetOr("Rect", "Rows", "0")), 0, kMaxRows);
  if (with_columns) {
    for (int i = 0; i < columns; ++i) {
      const std::string index = std::to_string(i);
      table.column_widths.push_back(TextToInt(doc.GetOr("Cols", "Width" + index)));
      table.column_titles.push_back(doc.GetOr("Cols", "Name" + index));
    }
  }
  table.rows.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    const std::string section = std::to_string(r);
    // Column 0 is the row's own text and is read even from a file that names no columns.
    std::vector<std::string> row{doc.GetOr(section, "0")};
    for (int c = 1; c < columns; ++c) row.push_back(doc.GetOr(section, std::to_string(c)));
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace quilla::settings
