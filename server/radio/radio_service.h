#pragma once
// The radio service as the scheduler sees it: the song list of a channel, one song's
// details, its picture and its lyrics. Every call blocks its caller for the web round trip
// and returns empty values when the service cannot be reached or answers something else.

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
  virtual std::vector<std::string> FetchRadioList(const std::string& channel) = 0;
  // `LookUpRadioSong`: title, artist, song URL and lyrics URL of one song.
  virtual RadioSong LookUpRadioSong(const std::string& song_id) = 0;
  // `LookUpRadioPicture`: the cover picture URL of one song ("" when missing).
  virtual std::string LookUpRadioPicture(const std::string& song_id) = 0;
  // The lyrics file at `lyrics_url`, converted to UTF-8 text ("" on failure).
  virtual std::string DownloadLyrics(const std::string& lyrics_url) = 0;
};

}  // namespace quilla::server
