#include "client/core/server_connection.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "protocol/client_transport.h"
#include "protocol/lan_address.h"

namespace quilla::client {
namespace {

struct Request {
  std::string address;
  int port = 0;
  ConnectTrigger trigger = ConnectTrigger::kButton;
};

}  // namespace

// Shared by the GUI thread, the attempt's worker thread and the transport's event thread.
// Posted tasks hold it weakly: a task that runs after the ServerConnection is gone finds
// `closed` set (or nothing at all) and does nothing.
struct ServerConnection::Core : std::enable_shared_from_this<Core> {
  Core(ConnectionHost h, EventHandler e, ConnectionOptions o)
      : host(std::move(h)), on_event(std::move(e)), options(o), retry_delay(o.first_retry_delay) {}

  // Any thread: hands `task` to the GUI thread, unless the connection has been closed.
  void Post(std::function<void()> task) {
    std::lock_guard lock(post_mutex);
    if (!closed) host.post(std::move(task));
  }

  // Runs `method` on the GUI thread with the core, if it is still open then.
  template <typename Method>
  std::function<void()> OnGui(Method method) {
    return [weak = weak_from_this(), method = std::move(method)]() mutable {
      if (auto core = weak.lock(); core && !core->closed) method(*core);
    };
  }

  // ---- GUI thread.
  void StartAttempt(Request request);
  void OnAttemptDone(std::uint64_t id, bool ok);
  void OnLost();
  void ScheduleRetry();
  void Deliver(ConnectionEvent event) { on_event(std::move(event)); }

  // ---- Event thread.
  void OnTransportEvent(protocol::ClientEvent&& event);

  const ConnectionHost host;
  const EventHandler on_event;
  const ConnectionOptions options;

  // GUI thread only.
  Phase phase = Phase::kIdle;
  std::optional<Request> attempt;       // the attempt that runs
  std::optional<Request> waiting;       // a user's request behind a running retry
  std::optional<Request> retry_target;  // where the last successful connect went
  bool auto_reconnect = false;
  bool lost = false;  // the last connection was lost and none has succeeded since
  std::chrono::milliseconds retry_delay;
  std::uint64_t attempt_id = 0;
  std::uint64_t retry_id = 0;

  // Set once, when the ServerConnection goes; nothing is posted afterwards.
  std::atomic<bool> closed{false};
  std::mutex post_mutex;  // guards the check of `closed` with the post, and `attempt_running`
  bool attempt_running = false;
  // Held by a worker from the start of its connect until its outcome is posted, and by the
  // event thread around each post: the outcome of the connect always reaches the GUI
  // thread before the first event of the connection it opened.
  std::mutex gate;

  // Last member: destroyed first, so its event thread ends before the rest goes.
  protocol::ClientTransport transport;
};

void ServerConnection::Core::StartAttempt(Request request) {
  phase = Phase::kConnecting;
  const std::uint64_t id = ++attempt_id;
  {
    std::lock_guard lock(post_mutex);
    attempt_running = true;
  }
  std::thread([self = shared_from_this(), address = request.address, port = request.port, id] {
    bool close_now = false;
    {
      std::lock_guard gate_lock(self->gate);
      Core* core = self.get();  // the transport (and so its handler) lives inside the core
      const bool ok = self->transport.Connect(
          port, address,
          [core](protocol::ClientEvent&& e) { core->OnTransportEvent(std::move(e)); },
          self->options.connect_timeout);
      std::lock_guard lock(self->post_mutex);
      self->attempt_running = false;
      if (self->closed) {
        close_now = ok;  // nobody is left to use it
      } else {
        self->host.post(self->OnGui([id, ok](Core& c) { c.OnAttemptDone(id, ok); }));
      }
    }
    if (close_now) self->transport.Close();
  }).detach();
  attempt = std::move(request);
}

void ServerConnection::Core::OnAttemptDone(std::uint64_t id, bool ok) {
  if (id != attempt_id || !attempt) return;
  const Request done = std::move(*attempt);
  attempt.reset();
  if (ok) {
    phase = Phase::kConnected;
    lost = false;
    retry_delay = options.first_retry_delay;
    retry_target = done;
    ConnectTrigger trigger = done.trigger;
    if (waiting) {  // the user asked meanwhile: this success answers the request
      trigger = waiting->trigger;
      waiting.reset();
    }
    Deliver({ConnectionEvent::Kind::kConnected, trigger, {}});
    return;
  }
  phase = Phase::kIdle;
  if (waiting) {
    Request next = std::move(*waiting);
    waiting.reset();
    StartAttempt(std::move(next));
    return;
  }
  if (auto_reconnect && lost && retry_target) ScheduleRetry();
  if (done.trigger != ConnectTrigger::kRetry) {
    Deliver({ConnectionEvent::Kind::kConnectFailed, done.trigger, {}});
  }
}

void ServerConnection::Core::OnLost() {
  phase = Phase::kIdle;
  lost = true;
  if (auto_reconnect && retry_target) ScheduleRetry();
  Deliver({ConnectionEvent::Kind::kLost, ConnectTrigger::kButton, {}});
}

void ServerConnection::Core::ScheduleRetry() {
  phase = Phase::kWaitingToRetry;
  const std::uint64_t id = ++retry_id;
  const auto delay = retry_delay;
  retry_delay = std::min(retry_delay * 2, options.max_retry_delay);
  host.post_after(delay, OnGui([id](Core& c) {
                    if (c.retry_id != id || c.phase != Phase::kWaitingToRetry) return;
                    Request retry = *c.retry_target;
                    retry.trigger = ConnectTrigger::kRetry;
                    c.StartAttempt(std::move(retry));
                  }));
}

void ServerConnection::Core::OnTransportEvent(protocol::ClientEvent&& event) {
  std::lock_guard gate_lock(gate);
  if (event.kind == protocol::ClientEvent::Kind::kClosed) {
    Post(OnGui([](Core& c) { c.OnLost(); }));
    return;
  }
  // Decoded here, off the GUI thread.
  Post(OnGui([message = protocol::DecodeMessage(event.data)](Core& c) mutable {
    c.Deliver({ConnectionEvent::Kind::kMessage, ConnectTrigger::kButton, std::move(message)});
  }));
}

ServerConnection::ServerConnection(ConnectionHost host, EventHandler on_event,
                                   ConnectionOptions options)
    : core_(std::make_shared<Core>(std::move(host), std::move(on_event), options)) {}

ServerConnection::~ServerConnection() {
  bool attempt_running;
  {
    std::lock_guard lock(core_->post_mutex);
    core_->closed = true;
    attempt_running = core_->attempt_running;
  }
  // A running attempt closes its own connection when it ends; waiting for it here could
  // hold the window for the whole connect timeout.
  if (!attempt_running) core_->transport.Close();
}

bool ServerConnection::Connect(std::string address, int port, ConnectTrigger trigger) {
  Core& c = *core_;
  Request request{std::move(address), port, trigger};
  switch (c.phase) {
    case Phase::kConnected:
      return false;
    case Phase::kConnecting:
      if (c.attempt->trigger != ConnectTrigger::kRetry || c.waiting) return false;
      c.waiting = std::move(request);
      return true;
    case Phase::kWaitingToRetry:
      ++c.retry_id;  // the scheduled retry finds itself superseded
      break;
    case Phase::kIdle:
      break;
  }
  c.StartAttempt(std::move(request));
  return true;
}

void ServerConnection::SetAutoReconnect(bool enabled) {
  Core& c = *core_;
  c.auto_reconnect = enabled;
  if (!enabled && c.phase == Phase::kWaitingToRetry) {
    ++c.retry_id;
    c.phase = Phase::kIdle;
  } else if (enabled && c.phase == Phase::kIdle && c.lost && c.retry_target) {
    c.ScheduleRetry();
  }
}

bool ServerConnection::Send(std::string block) {
  return core_->transport.Send(std::move(block));
}

std::string ServerConnection::LocalAddress() const {
  std::string address = core_->transport.LocalAddress();
  return address.empty() ? protocol::LocalLanAddress() : address;
}

ServerConnection::Phase ServerConnection::phase() const {
  return core_->phase;
}

std::chrono::milliseconds ServerConnection::next_retry_delay() const {
  return core_->retry_delay;
}

}  // namespace quilla::client
