#pragma once
// The texts of the radio answers, shaped like the FM service's JSON so that the server's
// radio code finds its markers in them:
//   playlist  every entry {"id":<decimal id>,"type":...}
//   songlink  "songName":"…","artistId" / "artistName":"…","albumId" /
//             "lrcLink":"…","time" / "songLink":"…","showLink"
//   songinfo  "songPicRadio":"<cover address>@s_0,w_300" (the reader cuts at "@s")
// Texts are JSON strings with every character outside plain ASCII (and the quote, the
// backslash and "%") written as \uXXXX, which both a JSON reader and the server's escape
// resolver read back exactly; addresses write "/" as "\/", which both read back too.

#include <span>
#include <string>
#include <string_view>

#include "server/library/song.h"

namespace quilla::server::library {

// `text` (UTF-8) as the inside of a JSON string, escaped as described above. Pure.
std::string RadioJsonText(std::string_view text);

// The list of `channel`: `channel_name` is its name as the operator sees it ("" unknown).
std::string RadioPlaylistAnswer(std::string_view channel, std::string_view channel_name,
                                std::span<const SongId> ids);

// The details of `songs` (empty: a "no such song" answer), their addresses built on
// `base_url` ("http://host:port" that listeners reach).
std::string RadioSongLinkAnswer(std::span<const LibrarySong> songs, std::string_view base_url);
std::string RadioSongInfoAnswer(std::span<const LibrarySong> songs, std::string_view base_url);

}  // namespace quilla::server::library
