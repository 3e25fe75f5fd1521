#pragma once
// Payload texts: fields joined by "g【*】c", the dash-joined pair and the placeholder.
// All functions are pure and thread-safe.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quilla::protocol {

// "g【*】c" in GBK: 67 A1 BE 2A A1 BF 63.
inline constexpr std::string_view kFieldSeparator{"\x67\xA1\xBE\x2A\xA1\xBF\x63", 7};
// Payload of the messages that carry no information: one zero byte.
inline constexpr std::string_view kPlaceholderPayload{"\0", 1};

// The payload read as text: the bytes before the first zero byte (all of them if none).
std::string PayloadText(std::string_view payload);

// Splits GBK text at every kFieldSeparator. The scan steps over a GBK double-byte
// character (lead byte 0x80 or above) as a whole, so a separator is never found inside
// one. Every separator ends a field (possibly empty) and the rest after the last separator
// is one more field even when empty: "a|b|" gives {"a", "b", ""}, "|b" gives {"", "b"},
// and only the empty text gives no fields at all.
std::vector<std::string> SplitFields(std::string_view gbk_text);

// Joins fields with kFieldSeparator: no separator before the first or after the last.
std::string JoinFields(const std::vector<std::string>& gbk_fields);

// The dash-joined pair (title "-" requester), split at the LAST "-": "Song - Live-Ann"
// gives {"Song - Live", "Ann"}. Either side may be empty; a text without "-" gives
// std::nullopt. Works on UTF-8 and on GBK text alike: 0x2D is never part of a multi-byte
// character in either encoding (GBK trail bytes start at 0x40).
std::optional<std::pair<std::string, std::string>> SplitDashPair(std::string_view text);

// title + "-" + requester.
std::string JoinDashPair(std::string_view title, std::string_view requester);

}  // namespace quilla::protocol
