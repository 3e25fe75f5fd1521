#pragma once
// The radio service as the scheduler sees it: the song list of a channel, one song's
// details, its picture and its lyrics.
//
// Threads: any thread, and calls may overlap; every call blocks its caller for the web
// round trip, so the engine never makes one on its own thread: it hands them to its
// workers (BackgroundWork) and gets the results back as events. Every call returns empty
// values when the service cannot be reached, answers something else, or `stop` is
// requested (then promptly, within about a second), and never throws.

#include <stop_token>
#include <string>
#include <vector>

namespace quilla::server {

struct RadioSong {
  std::string title;       // UTF-8, escapes resolved
  std::string artist;      // UTF-8, escapes resolved
  std::string song_url;    // backslashes removed
  std::string lyrics_url;  // backslashes removed
};

class RadioService {
 public:
  virtual ~RadioService() = default;
  // `FetchRadioList`: the song identifiers of `channel`, in the service's order.
  virtual std::vector<std::string> FetchRadioList(const std::string& channel,
                                                  std::stop_token stop = {}) = 0;
  // `LookUpRadioSong`: title, artist, song URL and lyrics URL of one song.
  virtual RadioSong LookUpRadioSong(const std::string& song_id, std::stop_token stop = {}) = 0;
  // `LookUpRadioPicture`: the cover picture URL of one song ("" when missing).
  virtual std::string LookUpRadioPicture(const std::string& song_id, std::stop_token stop = {}) = 0;
  // The lyrics file at `lyrics_url`, converted to UTF-8 text ("" on failure).
  virtual std::string DownloadLyrics(const std::string& lyrics_url, std::stop_token stop = {}) = 0;
};

}  // namespace quilla::server
