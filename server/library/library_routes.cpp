#include "server/library/library_routes.h"

#include <charconv>

#include "server/library/cover_source.h"
#include "server/library/lyrics_source.h"
#include "server/library/media_type.h"
#include "server/library/search_answer.h"
#include "server/library/search_form.h"

namespace quilla::server::library {
namespace {

constexpr int kPageSize = 10;
// Ids are decimal digits; 18 of them always fit in a SongId.
constexpr const char* kIdPattern = R"(([0-9]{1,18}))";

SongId IdOf(const httplib::Request& request) {
  SongId id = 0;
  const std::string& text = request.matches[1].str();
  std::from_chars(text.data(), text.data() + text.size(), id);
  return id;
}

void BadRequest(const httplib::Request& request, httplib::Response& response,
                const std::string& why) {
  SendBytes(request, response, why + "\n", "text/plain; charset=utf-8");
  response.status = 400;
}

void NotFound(const httplib::Request& request, httplib::Response& response) {
  SendBytes(request, response, "no such song\n", "text/plain; charset=utf-8");
  response.status = 404;
}

}  // namespace

std::string MediaUrl(const std::string& base_url, SongId id) {
  return base_url + "/media/" + std::to_string(id);
}

std::string CoverUrl(const std::string& base_url, SongId id) {
  return base_url + "/cover/" + std::to_string(id);
}

std::string LyricsUrl(const std::string& base_url, SongId id) {
  return base_url + "/lyrics/" + std::to_string(id);
}

void AddLibraryRoutes(HttpService& service, LibraryRouteSources sources) {
  auto shared = std::make_shared<const LibraryRouteSources>(std::move(sources));

  service.Post("/", [shared](const httplib::Request& request, httplib::Response& response) {
    const auto form = ParseSearchForm(request.body);
    if (!form) return BadRequest(request, response, "bad search form");
    const auto index = shared->index();
    const SearchPage page = index->Search(form->input, form->page, kPageSize);
    const std::string base = shared->base_url();
    std::vector<AnswerEntry> entries;
    for (const LibrarySong& song : page.songs) {
      entries.push_back({song.id, song.title, song.artist, song.album, FindLyrics(song),
                         MediaUrl(base, song.id), CoverUrl(base, song.id)});
    }
    SendBytes(request, response, SearchAnswerJson(entries, page.total, form->page),
              "application/json; charset=utf-8");
  });

  service.Get(std::string("/media/") + kIdPattern,
              [shared](const httplib::Request& request, httplib::Response& response) {
                const auto index = shared->index();
                const LibrarySong* song = index->Find(IdOf(request));
                if (!song) return NotFound(request, response);
                SendFile(request, response, song->path, MediaContentType(song->path));
              });

  service.Get(std::string("/cover/") + kIdPattern,
              [shared](const httplib::Request& request, httplib::Response& response) {
                const auto index = shared->index();
                const LibrarySong* song = index->Find(IdOf(request));
                if (!song) return NotFound(request, response);
                CoverPicture cover = FindCover(*song);
                SendBytes(request, response, std::move(cover.bytes), cover.content_type);
              });

  service.Get(std::string("/lyrics/") + kIdPattern, [shared](const httplib::Request& request,
                                                             httplib::Response& response) {
    const auto index = shared->index();
    const LibrarySong* song = index->Find(IdOf(request));
    if (!song) return NotFound(request, response);
    std::optional<std::string> lyrics = FindLyrics(*song);
    if (!lyrics) {
      SendBytes(request, response, "no lyrics for this song\n", "text/plain; charset=utf-8");
      response.status = 404;
      return;
    }
    SendBytes(request, response, std::move(*lyrics), "text/plain; charset=utf-8");
  });
}

}  // namespace quilla::server::library
