#pragma once
// The radio channels the operator can choose from, in the order of the channel list.

#include <optional>
#include <span>
#include <string_view>

namespace quilla::server {

// One entry of the channel list. Headings only group the channels below them: their
// `channel` is empty and choosing one selects nothing.
struct RadioChannelItem {
  std::string_view label;    // the text shown in the list (UTF-8)
  std::string_view channel;  // the service's channel identifier; empty for headings
};

// The channel played from start-up on.
inline constexpr std::string_view kDefaultRadioChannel = "public_tuijian_rege";

// All 45 entries of the channel list, headings included, indexed from 0. The data is
// static; thread-safe.
std::span<const RadioChannelItem> RadioChannelItems();

// The list index of the entry whose identifier is `channel`, nullopt for an unknown or
// empty identifier (headings cannot be found this way). Thread-safe.
std::optional<int> RadioChannelIndex(std::string_view channel);

}  // namespace quilla::server
