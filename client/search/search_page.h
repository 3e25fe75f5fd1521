#pragma once
// Reading one page answer of the music search service into SongRecords.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "client/search/song_record.h"

namespace quilla::client {

// A full page: this many results enable "加载更多".
inline constexpr std::size_t kFullPageResults = 10;

// Limits that keep a broken or hostile service from making the client hang or eat memory.
// An answer larger than this is not parsed at all.
inline constexpr std::size_t kMaxAnswerBytes = 8u * 1024u * 1024u;
// Each decoded value is cut (at a character boundary) to these many bytes.
inline constexpr std::size_t kMaxLyricsBytes = 64u * 1024u;
inline constexpr std::size_t kMaxFieldBytes = 4u * 1024u;

// The pattern that finds one song: the five keys in this order, "pic" last in its object,
// each value a JSON string. Captures: 1 title, 2 author, 3 lrc, 4 url, 5 pic. Matched
// ignoring case, multi-line, every match. A value runs to its closing quote and never
// beyond: a song whose value is not a string (a "pic" that is null, say) is left out on
// its own instead of running on into the next song and making one row of the two.
inline constexpr std::string_view kSongPattern =
    R"re(title":"([^"\\]*+(?:\\.[^"\\]*+)*+)","author":"([^"\\]*+(?:\\.[^"\\]*+)*+)",)re"
    R"re("lrc":"([^"\\]*+(?:\\.[^"\\]*+)*+)","url":"([^"\\]*+(?:\\.[^"\\]*+)*+)",)re"
    R"re("pic":"([^"\\]*+(?:\\.[^"\\]*+)*+)"})re";

// Every "null," of the answer, in any letter case, becomes "\"" + kNoLyricsText + "\",",
// so a song whose lyrics are null is still found (with kNoLyricsText as its lyrics). A
// null before a closing brace (as the value of "pic") stays and its song is not found.
std::string ReplaceNullValues(std::string_view answer);

// The songs of one answer (the body bytes as they came, read as UTF-8), in answer order,
// each value decoded with DecodeJsonText and cut to its limit. An answer larger than
// kMaxAnswerBytes, or one the pattern cannot be matched against, gives no songs.
// Pure, thread-safe.
std::vector<SongRecord> ParseSearchPage(std::string_view answer);

}  // namespace quilla::client
