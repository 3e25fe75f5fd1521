#include "server/voice/voice_announcer.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "server/audio/announcement_player.h"
#include "server/voice/announcement_file.h"
#include "server/voice/speech_request.h"
#include "web/cancellable_fetch.h"
#include "web/text_helpers.h"

namespace quilla::server {
namespace {

struct Announcement {
  std::string text;
  int voice = 0;
};

}  // namespace

struct VoiceAnnouncer::Impl {
  Impl(ServiceSettings services_in, AnnouncementPlayer& player_in)
      : services(std::move(services_in)), player(player_in) {}

  void Run();
  void Announce(const Announcement& announcement);

  const ServiceSettings services;
  AnnouncementPlayer& player;

  std::mutex mutex;
  std::condition_variable wake;  // the worker: work or stop
  std::condition_variable idle;  // WaitIdle: nothing waiting, nothing being built
  std::deque<Announcement> pending;
  bool busy = false;
  bool stopping = false;
  std::atomic<bool> cancel{false};  // read by the request in flight
  std::thread worker;
};

void VoiceAnnouncer::Impl::Run() {
  std::unique_lock lock(mutex);
  while (true) {
    wake.wait(lock, [this] { return stopping || !pending.empty(); });
    if (stopping) break;
    Announcement next = std::move(pending.front());
    pending.pop_front();
    busy = true;
    lock.unlock();
    Announce(next);
    lock.lock();
    busy = false;
    if (pending.empty()) idle.notify_all();
  }
  busy = false;
  idle.notify_all();
}

void VoiceAnnouncer::Impl::Announce(const Announcement& announcement) {
  // A new token for every announcement; the last one is never reused.
  const web::WebFetchResult token_answer = web::CancellableFetch(SpeechTokenUrl(services), cancel);
  const std::string token = SpeechTokenFrom(token_answer.body);
  if (cancel) return;

  const std::string query =
      SpeechQuery(announcement.text, token, web::RandomText(10), announcement.voice);
  const web::WebFetchResult audio = web::CancellableFetch(SpeechAudioUrl(services, query), cancel);
  if (cancel || !IsSpeechAudio(audio.response_headers)) return;

  std::error_code error;
  const std::filesystem::path directory = std::filesystem::temp_directory_path(error);
  if (error) return;
  const std::optional<std::filesystem::path> file = WriteAnnouncementFile(audio.body, directory);
  if (!file) return;
  if (cancel) {
    std::filesystem::remove(*file, error);
    return;
  }
  // The player cuts off the announcement before and removes the file when done with it.
  player.PlayFile(*file);
}

VoiceAnnouncer::VoiceAnnouncer(ServiceSettings services, AnnouncementPlayer& player)
    : impl_(std::make_unique<Impl>(std::move(services), player)) {
  impl_->worker = std::thread([impl = impl_.get()] { impl->Run(); });
}

VoiceAnnouncer::~VoiceAnnouncer() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
    impl_->pending.clear();
  }
  impl_->cancel = true;
  impl_->wake.notify_all();
  impl_->worker.join();
}

void VoiceAnnouncer::Speak(std::string text, int voice) {
  {
    std::lock_guard lock(impl_->mutex);
    if (impl_->stopping) return;
    if (impl_->pending.size() >= kMaxPending) impl_->pending.pop_front();
    impl_->pending.push_back(Announcement{std::move(text), voice});
  }
  impl_->wake.notify_one();
}

void VoiceAnnouncer::WaitIdle() {
  std::unique_lock lock(impl_->mutex);
  impl_->idle.wait(lock,
                   [this] { return impl_->stopping || (!impl_->busy && impl_->pending.empty()); });
}

}  // namespace quilla::server
