#pragma once
// A private temporary file holding audio bytes, so that a block in memory can be opened like
// any file. Internal to quilla_server_audio.

#include <filesystem>
#include <optional>
#include <string_view>

namespace quilla::server::audio_internal {

class TempAudioFile {
 public:
  // Writes `bytes` to a new file in the system temporary directory, readable only by this
  // user, named "quilla_stream_<process id>_XXXXXX". nullopt when it cannot be written.
  static std::optional<TempAudioFile> Write(std::string_view bytes);
  // Removes the file (an engine that still has it open keeps reading it).
  ~TempAudioFile();
  TempAudioFile(TempAudioFile&& other) noexcept;
  TempAudioFile& operator=(TempAudioFile&& other) noexcept;
  TempAudioFile(const TempAudioFile&) = delete;
  TempAudioFile& operator=(const TempAudioFile&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  explicit TempAudioFile(std::filesystem::path path) : path_(std::move(path)) {}
  std::filesystem::path path_;  // empty once moved from
};

}  // namespace quilla::server::audio_internal
