#pragma once
// The radio answers on the library's HTTP service, so the server's radio plays the
// speaker computer's own music with no outside service:
//   GET /dev/api/?tn=playlist&id=<channel>     a fresh shuffle of the library (genre first)
//   GET /data/music/songlink?songIds=<ids>     title, artist, song and lyrics addresses
//   GET /data/music/songinfo?songIds=<ids>     the cover address
// <ids> is one decimal id or several separated by commas (at most kMaxSongIdsPerRequest).
// Addresses carry the host listeners reach (the sources' base_url), so what the server
// hands on to its clients works on their computers too. Only callers that `allowed`
// accepts are answered (403 otherwise): by default this computer alone.
//
// Use: AddRadioRoutes(library.http(), library.RouteSources());  (before library.Start)

#include "server/library/library_routes.h"
#include "server/library/loopback_only.h"

namespace quilla::server::library {

inline constexpr std::size_t kMaxSongIdsPerRequest = 50;

void AddRadioRoutes(HttpService& service, LibraryRouteSources sources,
                    CallerFilter allowed = IsLoopbackAddress);

}  // namespace quilla::server::library
