#pragma once
// The JSON answer to a search, in the shape the clients read: an object whose "data"
// array holds one object per song, each ending with the keys "title", "author", "lrc",
// "url" and "pic" in that order (the clients find them with a regular expression, in
// that order), string values, "lrc" null when the song has no lyrics.
//
// Clients replace every "null," of the text, turn every "\u" into "%u", read each value
// as a script string literal and then unescape it (%uXXXX and %XX), so the values are
// written to survive that: everything outside printable ASCII as \uXXXX (the answer is
// plain ASCII), and ",", "%" and the backslash as \u escapes too, so no value can hold
// "null,", a "%XX" that would be decoded a second time, or a backslash that the "\u"
// replacement would take apart (a title "a\up").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/library/song.h"

namespace quilla::server::library {

struct AnswerEntry {
  SongId id = 0;
  std::string title, artist, album;
  std::optional<std::string> lyrics;
  std::string url, pic;
};

// Appends `cp` as "\uXXXX" (lower-case hex; a surrogate pair beyond U+FFFF), which JSON
// readers and the script unescape of the clients and the server alike read back. Pure.
void AppendUnicodeEscape(std::string& out, char32_t cp);

// A JSON string literal (with its quotes) of UTF-8 text, escaped as described above.
// Bytes that are not UTF-8 become U+FFFD. Pure.
std::string JsonString(std::string_view utf8);

// {"code":200,"total":N,"page":P,"data":[{"type":"library","songid":"12","album":"...",
// "title":"...","author":"...","lrc":"..."|null,"url":"...","pic":"..."},...],"error":""}
std::string SearchAnswerJson(const std::vector<AnswerEntry>& entries, std::size_t total, int page);

}  // namespace quilla::server::library
