#include "server/audio/mpv_instance.h"

#include <clocale>
#include <cstring>

namespace quilla::server::audio_internal {
namespace {

bool SetOption(mpv_handle* handle, const char* name, const std::string& value) {
  return mpv_set_option_string(handle, name, value.c_str()) >= 0;
}

}  // namespace

std::unique_ptr<MpvInstance> MpvInstance::Create(const Options& options, EventHandler handler) {
  // libmpv parses and prints numbers with the C library and refuses to start under a locale
  // with another decimal separator (the Qt application object sets the user's locale).
  const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
  if (numeric == nullptr || std::strcmp(numeric, "C") != 0) std::setlocale(LC_NUMERIC, "C");

  mpv_handle* handle = mpv_create();
  if (handle == nullptr) return nullptr;
  // A plain audio engine: no user configuration, scripts, windows, key bindings or helper
  // programs (ytdl would reach out to the internet for any page URL), and nothing printed.
  bool ok = SetOption(handle, "config", "no") && SetOption(handle, "terminal", "no") &&
            SetOption(handle, "load-scripts", "no") && SetOption(handle, "ytdl", "no") &&
            SetOption(handle, "osc", "no") && SetOption(handle, "input-default-bindings", "no") &&
            SetOption(handle, "vid", "no") && SetOption(handle, "sid", "no") &&
            SetOption(handle, "audio-display", "no") && SetOption(handle, "idle", "yes") &&
            SetOption(handle, "resume-playback", "no") &&
            SetOption(handle, "save-position-on-quit", "no") &&
            SetOption(handle, "keep-open", options.keep_open ? "yes" : "no") &&
            SetOption(handle, "network-timeout", std::to_string(options.network_timeout_seconds));
  // When the output cannot be opened (no sound device, an output name this system lacks)
  // the songs still play through in real time, silently, rather than ending at once one
  // after another and emptying the queue.
  ok = ok && SetOption(handle, "audio-fallback-to-null", "yes");
  if (!options.audio_output.empty()) ok = ok && SetOption(handle, "ao", options.audio_output);
  if (!ok || mpv_initialize(handle) < 0) {
    mpv_terminate_destroy(handle);
    return nullptr;
  }
  return std::unique_ptr<MpvInstance>(new MpvInstance(handle, std::move(handler)));
}

MpvInstance::MpvInstance(mpv_handle* handle, EventHandler handler)
    : handle_(handle), handler_(std::move(handler)), event_thread_([this] { EventLoop(); }) {}

MpvInstance::~MpvInstance() {
  stopping_ = true;
  mpv_wakeup(handle_);
  event_thread_.join();
  mpv_terminate_destroy(handle_);
}

void MpvInstance::EventLoop() {
  while (!stopping_) {
    const mpv_event* event = mpv_wait_event(handle_, -1);
    if (event->event_id == MPV_EVENT_NONE) continue;
    if (event->event_id == MPV_EVENT_SHUTDOWN) break;
    handler_(*event);
  }
}

int MpvInstance::Command(const std::vector<std::string>& args) {
  std::vector<const char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  return mpv_command(handle_, argv.data());
}

std::optional<std::int64_t> MpvInstance::LoadFile(const std::string& target,
                                                  const std::string& options) {
  std::vector<const char*> argv = {"loadfile", target.c_str(), "replace"};
  if (!options.empty()) argv.push_back(options.c_str());
  argv.push_back(nullptr);
  mpv_node result;
  if (mpv_command_ret(handle_, argv.data(), &result) < 0) return std::nullopt;
  std::optional<std::int64_t> entry;
  if (result.format == MPV_FORMAT_NODE_MAP) {
    for (int i = 0; i < result.u.list->num; ++i) {
      const mpv_node& value = result.u.list->values[i];
      if (std::strcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
          value.format == MPV_FORMAT_INT64) {
        entry = value.u.int64;
      }
    }
  }
  mpv_free_node_contents(&result);
  return entry;
}

std::optional<double> MpvInstance::GetDouble(const char* name) {
  double value = 0;
  if (mpv_get_property(handle_, name, MPV_FORMAT_DOUBLE, &value) < 0) return std::nullopt;
  return value;
}

std::optional<bool> MpvInstance::GetFlag(const char* name) {
  int value = 0;
  if (mpv_get_property(handle_, name, MPV_FORMAT_FLAG, &value) < 0) return std::nullopt;
  return value != 0;
}

bool MpvInstance::SetFlag(const char* name, bool value) {
  int flag = value ? 1 : 0;
  return mpv_set_property(handle_, name, MPV_FORMAT_FLAG, &flag) >= 0;
}

bool MpvInstance::HasAudioTrack() {
  mpv_node tracks;
  if (mpv_get_property(handle_, "track-list", MPV_FORMAT_NODE, &tracks) < 0) return false;
  bool found = false;
  if (tracks.format == MPV_FORMAT_NODE_ARRAY) {
    for (int i = 0; i < tracks.u.list->num && !found; ++i) {
      const mpv_node& track = tracks.u.list->values[i];
      if (track.format != MPV_FORMAT_NODE_MAP) continue;
      bool audio = false;
      bool selected = false;
      for (int k = 0; k < track.u.list->num; ++k) {
        const char* key = track.u.list->keys[k];
        const mpv_node& value = track.u.list->values[k];
        if (std::strcmp(key, "type") == 0 && value.format == MPV_FORMAT_STRING) {
          audio = std::strcmp(value.u.string, "audio") == 0;
        } else if (std::strcmp(key, "selected") == 0 && value.format == MPV_FORMAT_FLAG) {
          selected = value.u.flag != 0;
        }
      }
      found = audio && selected;
    }
  }
  mpv_free_node_contents(&tracks);
  return found;
}

}  // namespace quilla::server::audio_internal
