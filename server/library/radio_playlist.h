#pragma once
// What a radio channel plays from the library: all of it, in a fresh shuffle every time
// the list is asked for, with the songs of the channel's genre first when the channel is
// a genre ("摇滚" plays the rock first, then everything else).

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "server/library/search_index.h"

namespace quilla::server::library {

// The longest list one answer holds; a larger library gives a fresh random part of itself
// each time (the server asks again when it reaches the end of a list).
inline constexpr std::size_t kMaxRadioPlaylist = 1000;

// The words that tell a channel's genre in the songs' genre tags, folded for search: the
// channel's name as the operator sees it, and the usual tag words for it ("摇滚": "rock",
// "punk", "metal"). Empty for an unknown channel. Pure.
std::vector<std::string> ChannelGenreWords(std::string_view channel);

// True when the genre tag holds one of `words` (folded, as from ChannelGenreWords) as a
// word of its own: "Hard Rock" and "K-Pop" count, "Popular" does not. Pure.
bool GenreMatches(std::string_view genre, const std::vector<std::string>& words);

// The ids `channel` plays: the songs whose genre matches the channel in a random order,
// then the other songs in a random order, at most `max_songs` in all. Thread-safe for
// distinct `random` objects.
std::vector<SongId> RadioPlaylist(const SearchIndex& index, std::string_view channel,
                                  std::mt19937_64& random,
                                  std::size_t max_songs = kMaxRadioPlaylist);

}  // namespace quilla::server::library
