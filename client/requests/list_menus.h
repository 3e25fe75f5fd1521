#pragma once
// The right-click menus of the two song lists: which menu opens, and what its entries do.

#include <optional>
#include <span>
#include <string_view>

#include "client/search/search_model.h"

namespace quilla::client {

struct MenuEntry {
  std::string_view text;
  // The search the entry starts; std::nullopt for "下载此歌曲" (the song download).
  std::optional<RowSearch> search;
};

struct ListMenu {
  std::string_view name;
  std::span<const MenuEntry> entries;  // in menu order
};

inline constexpr MenuEntry kSongOperationEntries[] = {
    {RuleOf(RowSearch::kResultTitle).entry_text, RowSearch::kResultTitle},
    {RuleOf(RowSearch::kResultArtist).entry_text, RowSearch::kResultArtist},
    {"下载此歌曲", std::nullopt},
};
inline constexpr MenuEntry kRecordOperationEntries[] = {
    {RuleOf(RowSearch::kHistoryTitle).entry_text, RowSearch::kHistoryTitle},
    {RuleOf(RowSearch::kHistorySinger).entry_text, RowSearch::kHistorySinger},
};

enum class SongList {
  kSearchResults,   // `音乐列表框`: menu "歌曲操作"
  kRequestHistory,  // `已点歌曲列表`: menu "记录操作"
};

// The menu a right click on `list` opens at the mouse: only while a row is selected
// (`selected_row` is not -1); otherwise none.
constexpr std::optional<ListMenu> MenuForRightClick(SongList list, int selected_row) {
  if (selected_row < 0) return std::nullopt;
  if (list == SongList::kSearchResults) return ListMenu{"歌曲操作", kSongOperationEntries};
  return ListMenu{"记录操作", kRecordOperationEntries};
}

}  // namespace quilla::client
