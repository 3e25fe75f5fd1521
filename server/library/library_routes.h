#pragma once
// The library's routes on its HTTP service:
//   POST /            the search form -> the JSON answer (search_answer.h); 400 for a bad form
//   GET /media/<id>   the song's file, with Range support; 404 for an id not indexed
//   GET /cover/<id>   the song's cover (embedded, beside it, or the default); 404 likewise
//   GET /lyrics/<id>  the song's lyrics as UTF-8 text (the radio hands this address out);
//                     404 for an id not indexed or a song without lyrics
// An id is decimal digits; nothing else of a request path ever reaches the file system:
// a song is found by id in the index, and only its indexed path is opened.

#include <functional>
#include <memory>
#include <string>

#include "server/library/http_service.h"
#include "server/library/search_index.h"

namespace quilla::server::library {

struct LibraryRouteSources {
  // The current index snapshot; called on the service's threads, must be thread-safe.
  std::function<std::shared_ptr<const SearchIndex>()> index;
  // "http://host:port" that listeners reach; thread-safe likewise.
  std::function<std::string()> base_url;
};

void AddLibraryRoutes(HttpService& service, LibraryRouteSources sources);

// "<base>/media/<id>", "<base>/cover/<id>" and "<base>/lyrics/<id>".
std::string MediaUrl(const std::string& base_url, SongId id);
std::string CoverUrl(const std::string& base_url, SongId id);
std::string LyricsUrl(const std::string& base_url, SongId id);

}  // namespace quilla::server::library
