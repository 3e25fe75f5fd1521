#pragma once
// The user's avatar: its address (the caption of `标签1`, saved as pz.ini "头像") and its
// round picture (`头像框`). A new address is fetched and cut to a circle on a worker
// thread; only a picture that arrived and decoded replaces the old one, and only then
// does the address change. A newer request supersedes one that still runs: the older
// transfer is cancelled and its result, should it come anyway, is dropped.
//
// Threads: construct, call and destroy on the GUI thread. The update handler runs only
// there, once per finished request (never inside a call).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "client/extras/web_address.h"
#include "client/extras/worker_host.h"

namespace quilla::client {

inline constexpr std::string_view kAvatarChangedText = "修改头像成功！";
inline constexpr std::string_view kAvatarFailedText = "头像修改失败！";
// The largest picture fetched; a longer answer fails the change.
inline constexpr std::uint64_t kMaxAvatarBytes = 10u * 1024u * 1024u;

// The bytes of the picture at `address`, std::nullopt on any failure. Runs on a worker
// thread and should give up soon after `cancel` turns true.
using PictureFetch = std::function<std::optional<std::string>(const std::string& address,
                                                              const std::atomic<bool>& cancel)>;

// The real fetch: a GET of an http or https address whose final status is 2xx and whose
// body is at most kMaxAvatarBytes. Blocks; thread-safe.
std::optional<std::string> FetchPicture(const std::string& address,
                                        const std::atomic<bool>& cancel);

// What a finished request changed.
struct AvatarUpdate {
  bool picture_changed = false;            // `头像框` shows picture()
  bool address_changed = false;            // `标签1` shows address()
  std::optional<std::string> status_text;  // `透明标签1`
};

class AvatarChanger {
 public:
  using UpdateHandler = std::function<void(const AvatarUpdate&)>;

  // Starts with the built-in picture, round, and an empty address.
  AvatarChanger(WorkerHost host, UpdateHandler on_update, PictureFetch fetch = &FetchPicture);
  // Cancels a request that runs. Never waits for it: its worker ends on its own and
  // reports nothing.
  ~AvatarChanger();
  AvatarChanger(const AvatarChanger&) = delete;
  AvatarChanger& operator=(const AvatarChanger&) = delete;

  // ApplyAvatar (`修改头像`): fetches the address typed into `头像地址` (surrounding blanks
  // ignored). A picture that arrives and decodes becomes the avatar, the address becomes
  // the saved one, and the status line says kAvatarChangedText; anything else (no web
  // address, a failed fetch, more than kMaxAvatarBytes, no picture) keeps the avatar and
  // the address as they were and says kAvatarFailedText.
  void Apply(std::string_view address);

  // Start-up: the address saved in pz.ini "头像". It is kept as the address at once, also
  // when its picture cannot be fetched now (the next start tries again); the picture
  // replaces the built-in one only when it arrives and decodes. No status text. An empty
  // address keeps the built-in picture and fetches nothing.
  void LoadSaved(std::string_view address);

  const std::string& address() const;  // the caption of `标签1`
  const std::string& picture() const;  // the round picture, PNG bytes
  // Whether a request runs.
  bool busy() const;

 private:
  struct Core;
  std::shared_ptr<Core> core_;
};

}  // namespace quilla::client
