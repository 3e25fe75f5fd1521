#include "server/library/radio_routes.h"

#include <charconv>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "server/library/radio_answers.h"
#include "server/library/radio_playlist.h"
#include "server/radio/radio_channels.h"

namespace quilla::server::library {
namespace {

constexpr const char* kJson = "application/json; charset=utf-8";

void Refuse(const httplib::Request& request, httplib::Response& response, int status,
            const std::string& why) {
  SendBytes(request, response,
            "{\"error_code\":" + std::to_string(status) + ",\"error_message\":\"" +
                RadioJsonText(why) + "\"}",
            kJson);
  response.status = status;
}

// "12" or "12,7,30": decimal ids, each of at most 18 digits. nullopt for anything else.
std::optional<std::vector<SongId>> ParseSongIds(const std::string& text) {
  std::vector<SongId> ids;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::size_t end = comma == std::string::npos ? text.size() : comma;
    const std::size_t length = end - start;
    if (length == 0 || length > 18) return std::nullopt;
    SongId id = 0;
    const char* first = text.data() + start;
    const auto [stop, error] = std::from_chars(first, first + length, id);
    if (error != std::errc() || stop != first + length || *first == '-' || *first == '+') {
      return std::nullopt;
    }
    ids.push_back(id);
    if (ids.size() > kMaxSongIdsPerRequest) return std::nullopt;
    if (comma == std::string::npos) return ids;
    start = comma + 1;
  }
}

// The indexed songs among `ids`, in their order; unknown ids are left out.
std::vector<LibrarySong> SongsOf(const SearchIndex& index, const std::vector<SongId>& ids) {
  std::vector<LibrarySong> songs;
  for (const SongId id : ids) {
    if (const LibrarySong* song = index.Find(id)) songs.push_back(*song);
  }
  return songs;
}

std::string ChannelName(const std::string& channel) {
  const auto index = quilla::server::RadioChannelIndex(channel);
  return index ? std::string(quilla::server::RadioChannelItems()[std::size_t(*index)].label) : "";
}

using SongAnswer = std::string (*)(std::span<const LibrarySong>, std::string_view);

HttpService::Handler SongDetails(std::shared_ptr<const LibraryRouteSources> sources,
                                 SongAnswer answer) {
  return [sources, answer](const httplib::Request& request, httplib::Response& response) {
    const auto ids = ParseSongIds(request.get_param_value("songIds"));
    if (!ids) return Refuse(request, response, 400, "songIds: decimal song ids, comma-separated");
    const auto index = sources->index();
    const std::vector<LibrarySong> songs = SongsOf(*index, *ids);
    SendBytes(request, response, answer(songs, sources->base_url()), kJson);
    if (songs.empty()) response.status = 404;
  };
}

}  // namespace

void AddRadioRoutes(HttpService& service, LibraryRouteSources sources, CallerFilter allowed) {
  auto shared = std::make_shared<const LibraryRouteSources>(std::move(sources));

  service.Get("/dev/api/?", ForCallers(allowed, [shared](const httplib::Request& request,
                                                         httplib::Response& response) {
                if (request.get_param_value("tn") != "playlist") {
                  return Refuse(request, response, 400, "tn: only playlist is served here");
                }
                const std::string channel = request.get_param_value("id");
                // One generator per service thread: shuffles never wait for each other.
                thread_local std::mt19937_64 random{std::random_device{}()};
                const auto index = shared->index();
                const std::vector<SongId> ids = RadioPlaylist(*index, channel, random);
                SendBytes(request, response,
                          RadioPlaylistAnswer(channel, ChannelName(channel), ids), kJson);
              }));
  service.Get("/data/music/songlink",
              ForCallers(allowed, SongDetails(shared, RadioSongLinkAnswer)));
  service.Get("/data/music/songinfo",
              ForCallers(allowed, SongDetails(shared, RadioSongInfoAnswer)));
}

}  // namespace quilla::server::library
