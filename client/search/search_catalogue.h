#pragma once
// The catalogues that the music search service searches, as the entries of "音乐选择框".

#include <optional>
#include <string_view>

namespace quilla::client {

struct Catalogue {
  std::string_view text;  // the entry's text
  std::string_view code;  // SearchSource: what the form's "type" carries
};

// In the order of the combo box's entries.
inline constexpr Catalogue kCatalogues[] = {
    {"QQ音乐", "qq"},      {"酷狗音乐", "kugou"},     {"酷我音乐", "kuwo"},
    {"百度音乐", "baidu"}, {"网易云音乐", "netease"},
};

// SearchSource at start-up (entry 0).
inline constexpr std::string_view kDefaultSearchSource = "qq";

// The code of entry `entry`, std::nullopt for anything but 0..4 (no entry selected).
constexpr std::optional<std::string_view> CatalogueCode(int entry) {
  if (entry < 0 || entry >= static_cast<int>(std::size(kCatalogues))) return std::nullopt;
  return kCatalogues[entry].code;
}

}  // namespace quilla::client
