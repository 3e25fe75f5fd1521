#include "protocol/server_transport.h"

#include "protocol/asio_include.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <vector>

#include "protocol/connection.h"
#include "protocol/packet_codec.h"

namespace quilla::protocol {
namespace {

// Shared by every ServerTransport of the process, so that even a transport that is
// stopped and started again never hands out a handle twice.
std::atomic<std::int64_t> g_last_handle{0};

std::optional<ClientHandle> NextHandle() {
  const std::int64_t h = ++g_last_handle;
  if (h > std::numeric_limits<ClientHandle>::max()) return std::nullopt;
  return static_cast<ClientHandle>(h);
}

// The transport whose thread this is, if any (to refuse a Stop from inside the handler).
thread_local const void* t_transport = nullptr;

// The batch open on this thread, if any (see ServerTransport::SendBatch).
struct OpenBatch {
  const void* transport = nullptr;
  int depth = 0;
  // Weak: the batch must never hold the last reference to a connection, whose socket
  // has to go before its io_context (which Stop destroys).
  std::vector<std::pair<ClientHandle, std::weak_ptr<detail::Connection>>> to_start;
};
thread_local OpenBatch t_batch;

std::string BindErrorText(int port, const asio::error_code& ec) {
  const std::string p = std::to_string(port);
  if (ec == asio::error::address_in_use) return "端口 " + p + " 已被占用";
  if (ec == asio::error::access_denied) return "端口 " + p + " 需要管理员权限才能监听";
  if (ec == std::errc::address_not_available) return "本机没有这个监听地址（端口 " + p + "）";
  return "无法监听端口 " + p + "：" + ec.message();
}

}  // namespace

struct ServerTransport::Impl {
  explicit Impl(ServerTransportOptions o) : options(std::move(o)) {
    limits = {options.max_unsent_bytes, options.write_stall_timeout,
              options.partial_chunk_timeout};
  }

  bool Start(int port, Handler h, std::string* error_text);
  void Stop();
  bool Send(ClientHandle handle, std::string_view body);
  void StartBatched();

  void Accept();
  void OnAccepted(const asio::error_code& ec, asio::ip::tcp::socket socket);
  void Deliver(ServerEvent&& event) {
    if (!stopping && handler) handler(std::move(event));
  }

  const ServerTransportOptions options;
  detail::ConnectionLimits limits;

  std::mutex lifecycle;  // Start and Stop
  std::atomic<bool> started{false};
  std::atomic<bool> stopping{false};
  std::atomic<int> bound_port{0};
  Handler handler;
  std::unique_ptr<asio::io_context> io;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
  std::unique_ptr<asio::ip::tcp::acceptor> acceptor;
  std::unique_ptr<asio::steady_timer> accept_retry;
  std::unique_ptr<detail::PeriodicTimer> sweep;
  std::vector<std::thread> threads;

  mutable std::shared_mutex connections_mutex;
  std::unordered_map<ClientHandle, std::shared_ptr<detail::Connection>> connections;
};

bool ServerTransport::Impl::Start(int port, Handler h, std::string* error_text) {
  std::lock_guard guard(lifecycle);
  auto fail = [&](std::string text) {
    if (error_text) *error_text = std::move(text);
    return false;
  };
  if (started) return fail("服务端已经启动");
  if (port < 0 || port > 65535) return fail("端口 " + std::to_string(port) + " 超出范围（0-65535）");

  asio::error_code ec;
  const auto address = asio::ip::make_address(options.bind_address, ec);
  if (ec) return fail("无效的监听地址 " + options.bind_address);
  io = std::make_unique<asio::io_context>();
  acceptor = std::make_unique<asio::ip::tcp::acceptor>(*io);
  const asio::ip::tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
  // Reuse lets a restarted server bind again while old connections linger in TIME_WAIT;
  // a port that another program listens on is still refused.
  acceptor->open(endpoint.protocol(), ec);
  if (!ec) acceptor->set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) acceptor->bind(endpoint, ec);
  if (!ec) acceptor->listen(10, ec);
  if (ec) {
    acceptor.reset();
    io.reset();
    return fail(BindErrorText(port, ec));
  }
  bound_port = acceptor->local_endpoint(ec).port();

  handler = std::move(h);
  stopping = false;
  accept_retry = std::make_unique<asio::steady_timer>(*io);
  sweep = std::make_unique<detail::PeriodicTimer>(*io, detail::SweepPeriod(limits), [this] {
    const auto now = std::chrono::steady_clock::now();
    std::shared_lock lock(connections_mutex);
    for (auto& [handle, connection] : connections) connection->CheckTimers(now);
  });
  Accept();
  work.emplace(io->get_executor());
  const int n = std::max(1, options.io_threads);
  for (int i = 0; i < n; ++i) {
    threads.emplace_back([this] {
      t_transport = this;
      io->run();
    });
  }
  started = true;
  return true;
}

void ServerTransport::Impl::Accept() {
  acceptor->async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
    OnAccepted(ec, std::move(socket));
  });
}

void ServerTransport::Impl::OnAccepted(const asio::error_code& ec, asio::ip::tcp::socket socket) {
  if (ec == asio::error::operation_aborted || stopping) return;
  if (ec) {
    // Typically out of file descriptors: try again shortly instead of spinning.
    accept_retry->expires_after(std::chrono::milliseconds(100));
    accept_retry->async_wait([this](const asio::error_code& e) {
      if (!e) Accept();
    });
    return;
  }
  const auto handle = NextHandle();
  if (handle) {
    asio::error_code ignored;
    socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    auto connection = std::make_shared<detail::Connection>(
        std::move(socket), TagCounter::ForServer(), limits);
    {
      std::unique_lock lock(connections_mutex);
      connections.emplace(*handle, connection);
    }
    const ClientHandle h = *handle;
    detail::Connection::Callbacks callbacks;
    callbacks.on_body = [this, h](Body&& body) {
      // Frames tagged "0001" are not for the server.
      if (body.tag != kServerDiscardTag) {
        Deliver({ServerEvent::Kind::kDataArrived, h, std::move(body.data)});
      }
      return true;
    };
    callbacks.on_closed = [this, h] {
      {
        std::unique_lock lock(connections_mutex);
        connections.erase(h);
      }
      Deliver({ServerEvent::Kind::kClosed, h, {}});
    };
    connection->Start(std::move(callbacks),
                      [this, h] { Deliver({ServerEvent::Kind::kConnected, h, {}}); });
  }
  // else: every handle of this run is used up; the socket closes as it goes out of scope.
  Accept();
}

void ServerTransport::Impl::Stop() {
  if (t_transport == this) {
    throw std::logic_error("ServerTransport::Stop called from its own handler");
  }
  std::lock_guard guard(lifecycle);
  if (!started) return;
  stopping = true;
  work.reset();
  io->stop();
  for (auto& t : threads) t.join();
  threads.clear();

  // No transport thread runs now; a Send racing with us only queues into a stopped
  // io_context until the map is empty.
  std::unordered_map<ClientHandle, std::shared_ptr<detail::Connection>> closing;
  {
    std::unique_lock lock(connections_mutex);
    closing.swap(connections);
  }
  for (auto& [handle, connection] : closing) connection->CloseNow();
  closing.clear();
  sweep.reset();
  accept_retry.reset();
  acceptor.reset();
  io.reset();  // drops undelivered work, and with it the last references to connections
  handler = nullptr;
  bound_port = 0;
  started = false;
}

bool ServerTransport::Impl::Send(ClientHandle handle, std::string_view body) {
  if (body.empty() || MessageFrameSize(body.size()) > kMaxFrameBytes) return false;
  // The shared lock keeps Stop from tearing the io_context down under this Send.
  std::shared_lock lock(connections_mutex);
  auto it = connections.find(handle);
  if (it == connections.end()) return false;
  if (t_batch.transport != this) return it->second->Send(body);
  bool deferred = false;
  const bool queued = it->second->Send(body, &deferred);
  if (deferred) t_batch.to_start.emplace_back(handle, it->second);
  return queued;
}

void ServerTransport::Impl::StartBatched() {
  // Only connections still in the table: after a Stop their io_context may be gone.
  std::shared_lock lock(connections_mutex);
  for (auto& [handle, weak] : t_batch.to_start) {
    auto it = connections.find(handle);
    if (it != connections.end() && it->second == weak.lock()) it->second->StartWriting();
  }
  t_batch.to_start.clear();
}

ServerTransport::SendBatch::SendBatch(ServerTransport& transport) : impl_(transport.impl_.get()) {
  if (t_batch.depth == 0) t_batch.transport = impl_;
  if (t_batch.transport == impl_) ++t_batch.depth;
}

ServerTransport::SendBatch::~SendBatch() {
  if (t_batch.transport != impl_) return;  // a batch of another transport is open here
  if (--t_batch.depth > 0) return;
  t_batch.transport = nullptr;
  impl_->StartBatched();
}

ServerTransport::ServerTransport() : ServerTransport(ServerTransportOptions{}) {}
ServerTransport::ServerTransport(ServerTransportOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}
ServerTransport::~ServerTransport() { Stop(); }

bool ServerTransport::Start(int port, Handler handler, std::string* error_text) {
  return impl_->Start(port, std::move(handler), error_text);
}
void ServerTransport::Stop() { impl_->Stop(); }
bool ServerTransport::Send(ClientHandle handle, std::string body) {
  return impl_->Send(handle, body);
}
bool ServerTransport::IsStarted() const { return impl_->started; }
int ServerTransport::port() const { return impl_->bound_port; }
std::size_t ServerTransport::connection_count() const {
  std::shared_lock lock(impl_->connections_mutex);
  return impl_->connections.size();
}

}  // namespace quilla::protocol
