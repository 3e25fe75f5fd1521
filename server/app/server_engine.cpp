#include "server/app/server_engine.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "protocol/messages.h"
#include "server/app/window_settings.h"
#include "settings/ini_file.h"

namespace quilla::server {
namespace {

namespace msg = quilla::protocol;

constexpr std::string_view kStateNormal = "正常点歌";
constexpr std::string_view kStateBanned = "禁止点歌";

// A missing dependency is a wiring mistake of the program or test that builds the engine.
EngineDependencies Checked(EngineDependencies deps) {
  if (!deps.outbox || !deps.listener || !deps.player || !deps.speaker || !deps.radio ||
      !deps.deferrer || !deps.work) {
    throw std::invalid_argument("ServerEngine: a required dependency is missing");
  }
  return deps;
}

std::tm SystemLocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

ServerEngine::ServerEngine(EngineDependencies deps, int port)
    : deps_(Checked(std::move(deps))),
      port_(port),
      starts_(*deps_.player, *deps_.deferrer, *deps_.work) {
  if (!deps_.local_time) deps_.local_time = SystemLocalTime;
  if (!deps_.steady_now) deps_.steady_now = [] { return std::chrono::steady_clock::now(); };
}

// --- Start-up, settings, exit ---------------------------------------------------------

void ServerEngine::Create(const std::filesystem::path& sys_ini, std::string lan_ip) {
  Log("==" + std::string(kProgramTitle) + "==");
  SetPeriod(TimerId::kRequest, 3000);
  SetPeriod(TimerId::kRadioCheck, 0);
  SetPeriod(TimerId::kRadioProgress, 0);
  controls_.lan_ip = std::move(lan_ip);
  controls_.voice = 0;
  default_user_state_ = kStateNormal;
  std::error_code ec;
  if (std::filesystem::exists(sys_ini, ec)) {
    // A file without the key keeps the designed "1".
    controls_.interval_text =
        settings::ReadProfileString(sys_ini, kWindSection, kIntervalKey, controls_.interval_text);
    std::string voice = settings::ReadProfileString(sys_ini, kWindSection, kVoiceKey);
    Log("\r\n读取配置文件完成\r\n");
    // Only the two boolean words decide; anything else leaves the switch as designed.
    if (voice == settings::kTrue) controls_.voice_enabled = true;
    if (voice == settings::kFalse) controls_.voice_enabled = false;
  }
  NotifyControls();
  NotifyNowPlaying();
  NotifyProgress();
}

void ServerEngine::StartServer() {
  if (controls_.running) return;
  Log("\r\n\r\n服务端启动中....");
  std::string error_text;
  if (deps_.listener->Start(port_, &error_text)) {
    SetPeriod(TimerId::kRequest, 3000);
    SetPeriod(TimerId::kRadioCheck, 0);
    SetPeriod(TimerId::kRadioProgress, 0);
    Log("\r\n服务端启动成功\r\n");
    controls_.running = true;
    NotifyControls();
    Log("\r\n音乐系统开启中....\r\n");
    deps_.player->Init();  // the result is deliberately not checked
    Log("音乐系统初始化成功\r\n");
    default_user_state_ = kStateNormal;
    controls_.channel_item = 1;  // "热歌"
    radio_channel_ = "public_tuijian_rege";
    radio_cursor_ = 1;
    FetchRadioList();
  } else {
    Log("\r\n服务端启动失败！！！\r\n");
    Log((error_text.empty() ? std::string("无法监听端口 ") + std::to_string(port_) : error_text) +
        "\r\n");
    controls_.running = false;
  }
  NotifyControls();
}

void ServerEngine::StopServer() {
  if (!controls_.running) return;
  Log("\r\n\r\n服务端停止中....");
  deps_.listener->Stop();
  // Every connection is closed now: a row left behind would name a user who is gone and
  // make every broadcast address a dead handle.
  std::vector<OnlineUser> departed;
  departed.swap(users_);
  for (const auto& user : departed) Log("\r\n" + user.name + "离开了");
  if (!departed.empty()) NotifyUsers();
  Log("\r\n服务端已停止\r\n");
  Log("\r\n关闭音乐系统中....\r\n");
  // A start under way goes with the audio output: nothing of it is announced later.
  AbandonStart();
  deps_.player->Stop(current_stream_);
  deps_.player->Free();
  for (int t = 0; t < kTimerCount; ++t) SetPeriod(static_cast<TimerId>(t), 0);
  now_playing_.song_text = "当前暂无播放歌曲";
  now_playing_.picture_url.clear();
  progress_.lyrics_label = "当前暂无歌词";
  progress_.time_label = "00:00/00:00";
  progress_.slider = 0;
  NotifyNowPlaying();
  NotifyProgress();
  Log("音乐系统已关闭\r\n");
  controls_.running = false;
  NotifyControls();
}

bool ServerEngine::Exit(const std::filesystem::path& sys_ini) {
  const bool saved = WriteWindowSettings(sys_ini, controls_.interval_text, controls_.voice_enabled);
  Shutdown();
  return saved;
}

void ServerEngine::Shutdown() {
  AbandonStart();
  deps_.player->Free();
  deps_.listener->Stop();
  for (int t = 0; t < kTimerCount; ++t) SetPeriod(static_cast<TimerId>(t), 0);
}

// --- Transport events ----------------------------------------------------------------

void ServerEngine::OnConnected(ClientHandle) {}

void ServerEngine::OnClosed(ClientHandle handle) {
  if (const OnlineUser* user = FindRowByHandle(handle)) Log("\r\n" + user->name + "离开了");
  if (RemoveRowByHandle(handle)) NotifyUsers();
}

void ServerEngine::OnData(ClientHandle handle, std::string_view block) {
  const msg::Message message = msg::DecodeMessage(block);
  switch (message.command) {
    case msg::Command::kUserJoin:
      HandleJoin(handle, msg::FieldsUtf8(message));
      break;
    case msg::Command::kRequestSong: {
      std::vector<std::string> fields = msg::FieldsUtf8(message);
      if (fields.size() == 6) AddRequest(fields);
      break;
    }
    case msg::Command::kNameChange:
      if (OnlineUser* user = FindRowByHandle(handle)) {
        user->name = msg::PayloadUtf8(message);
        NotifyUsers();
      }
      break;
    case msg::Command::kClientSkip:
      HandleClientSkip(msg::PayloadUtf8(message));
      break;
    case msg::Command::kVoiceMessage:
      // A client's message is spoken whatever the voice switch says.
      deps_.speaker->Speak(msg::PayloadUtf8(message), controls_.voice);
      break;
    default:
      break;  // unknown or undecodable: ignored without a trace
  }
}

void ServerEngine::HandleJoin(ClientHandle handle, const std::vector<std::string>& fields) {
  if (fields.size() == 2 && FindRowByHandle(handle) == nullptr) {
    users_.push_back(
        OnlineUser{fields[0], fields[1], handle, LoginTimeText(), default_user_state_});
    NotifyUsers();
  }
  // An empty payload has no name to log; like any other malformed join it adds no row but
  // still sends the state to the users who are listed.
  if (!fields.empty()) Log("\r\n" + fields[0] + "登陆点歌");
  SendJoinState();
}

void ServerEngine::SendJoinState() {
  const std::string first_state =
      msg::BuildFirstState(now_playing_.requester, now_playing_.song_text, now_playing_.cover_url);
  const std::string interval = msg::BuildRequestInterval(controls_.interval_text);
  const std::string skip_button = msg::BuildSkipButtonShown(controls_.allow_skip);
  std::vector<std::string> queue_entries;
  queue_entries.reserve(queue_.size());
  for (const auto& song : queue_) {
    queue_entries.push_back(msg::BuildQueueEntry(song.title, song.requester));
  }
  const OutboxBatch batch(*deps_.outbox);
  for (const auto& user : users_) {
    deps_.outbox->Send(user.handle, first_state);
    deps_.outbox->Send(user.handle, interval);
    deps_.outbox->Send(user.handle, skip_button);
    for (const auto& entry : queue_entries) deps_.outbox->Send(user.handle, entry);
  }
}

void ServerEngine::HandleClientSkip(const std::string& user) {
  SkipSong();
  Broadcast(msg::BuildSkipNotice(user));
  SetBanner(msg::SkipNoticeText(user));
  NotifyNowPlaying();
}

void ServerEngine::Broadcast(const std::string& block) {
  for (const auto& user : users_) deps_.outbox->Send(user.handle, block);
}

// --- Operator tools ------------------------------------------------------------------

bool ServerEngine::Kick(ClientHandle handle) {
  // The client ends itself; its closed connection then removes the row.
  if (FindRowByHandle(handle) == nullptr) return false;
  deps_.outbox->Send(handle, msg::BuildUninstall());
  return true;
}

bool ServerEngine::Ban(ClientHandle handle) {
  OnlineUser* user = FindRowByHandle(handle);
  if (user == nullptr) return false;
  deps_.outbox->Send(handle, msg::BuildRequestsForbidden());
  user->state = kStateBanned;
  NotifyUsers();
  return true;
}

bool ServerEngine::Unban(ClientHandle handle) {
  OnlineUser* user = FindRowByHandle(handle);
  if (user == nullptr) return false;
  deps_.outbox->Send(handle, msg::BuildRequestsAllowed());
  user->state = kStateNormal;
  NotifyUsers();
  return true;
}

void ServerEngine::SetAllowSkip(bool ticked) {
  controls_.allow_skip = ticked;
  Broadcast(ticked ? msg::BuildSkipAllowed() : msg::BuildSkipForbidden());
  NotifyControls();
}

void ServerEngine::SetIntervalText(std::string text) {
  controls_.interval_text = std::move(text);
  Broadcast(msg::BuildRequestInterval(controls_.interval_text));
  NotifyControls();
}

void ServerEngine::SetVoiceEnabled(bool ticked) {
  controls_.voice_enabled = ticked;
  NotifyControls();
}

void ServerEngine::SelectVoice(int index) {
  if (index < 0 || index > 3) return;
  controls_.voice = index;
  NotifyControls();
}

bool ServerEngine::SendVoice(std::string text) {
  if (!controls_.voice_enabled) return false;
  deps_.speaker->Speak(std::move(text), controls_.voice);
  return true;
}

// --- Tables --------------------------------------------------------------------------

OnlineUser* ServerEngine::FindRowByHandle(ClientHandle handle) {
  auto it = std::find_if(users_.begin(), users_.end(),
                         [handle](const OnlineUser& u) { return u.handle == handle; });
  return it == users_.end() ? nullptr : &*it;
}

bool ServerEngine::RemoveRowByHandle(ClientHandle handle) {
  auto it = std::find_if(users_.begin(), users_.end(),
                         [handle](const OnlineUser& u) { return u.handle == handle; });
  if (it == users_.end()) return false;
  users_.erase(it);
  return true;
}

// --- Helpers -------------------------------------------------------------------------

void ServerEngine::SetPeriod(TimerId timer, int period_ms) {
  int& period = periods_[static_cast<int>(timer)];
  if (period == period_ms) return;
  period = period_ms;
  if (deps_.timers) deps_.timers->OnTimerPeriodChanged(timer, period_ms);
}

void ServerEngine::OnTimer(TimerId timer) {
  if (TimerPeriod(timer) == 0) return;  // a tick that was already queued when the timer stopped
  switch (timer) {
    case TimerId::kRequest:
      RequestTick();
      break;
    case TimerId::kProgress:
      ProgressTick(ProgressMode::kRequest);
      break;
    case TimerId::kRadioProgress:
      ProgressTick(ProgressMode::kRadio);
      break;
    case TimerId::kRadioCheck:
      RadioCheckTick();
      break;
  }
}

void ServerEngine::Log(std::string text) {
  if (deps_.observer) deps_.observer->OnLogAppended(text);
}

std::string ServerEngine::LoginTimeText() const {
  const std::tm t = deps_.local_time();
  return std::to_string(t.tm_year + 1900) + "-" + std::to_string(t.tm_mon + 1) + "-" +
         std::to_string(t.tm_mday) + " " + std::to_string(t.tm_hour) + ":" +
         std::to_string(t.tm_min) + ":" + std::to_string(t.tm_sec);
}

void ServerEngine::NotifyUsers() {
  if (deps_.observer) deps_.observer->OnUsersChanged(users_);
}
void ServerEngine::NotifyQueue() {
  if (deps_.observer) deps_.observer->OnQueueChanged(queue_);
}
void ServerEngine::NotifyNowPlaying() {
  if (deps_.observer) deps_.observer->OnNowPlayingChanged(now_playing_);
}
void ServerEngine::NotifyProgress() {
  if (deps_.observer) deps_.observer->OnProgressChanged(progress_);
}
void ServerEngine::NotifyControls() {
  if (deps_.observer) deps_.observer->OnControlsChanged(controls_);
}

}  // namespace quilla::server
