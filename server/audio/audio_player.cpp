#include "server/audio/audio_player.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace quilla::server {

StreamHandle AudioPlayer::CreateStream(const std::string& file_path, std::string_view memory_block,
                                       const std::string& url, std::int64_t start_offset) {
  // Shared with the callback, which may still be on its way out of the player's thread
  // when this frame is gone.
  struct Result {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<StreamHandle> handle;
  };
  auto result = std::make_shared<Result>();
  OpenStream(StreamSource{file_path, std::string(memory_block), url, start_offset},
             [result](StreamHandle handle) {
               std::lock_guard lock(result->mutex);
               result->handle = handle;
               result->done.notify_all();
             });
  std::unique_lock lock(result->mutex);
  result->done.wait(lock, [&] { return result->handle.has_value(); });
  return *result->handle;
}

}  // namespace quilla::server
