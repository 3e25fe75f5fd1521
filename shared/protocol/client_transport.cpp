#include "protocol/client_transport.h"

#include <netdb.h>
#include <sys/socket.h>

#include "protocol/asio_include.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "protocol/connection.h"
#include "protocol/packet_codec.h"

namespace quilla::protocol {
namespace {

thread_local const void* t_transport = nullptr;

using Endpoints = std::vector<asio::ip::tcp::endpoint>;

// Resolves a host name within `timeout`. getaddrinfo cannot be cancelled, so it runs on a
// detached thread that owns its share of the result; a lookup that hangs past the timeout
// only costs that thread until the resolver gives up, never the caller's wait.
std::optional<Endpoints> Resolve(const std::string& host, int port,
                                 std::chrono::steady_clock::time_point deadline) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false;
    Endpoints endpoints;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, host, port] {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    Endpoints found;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) == 0) {
      for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
        asio::ip::tcp::endpoint e;
        if (a->ai_addrlen <= e.capacity()) {
          std::memcpy(e.data(), a->ai_addr, a->ai_addrlen);
          e.resize(a->ai_addrlen);
          found.push_back(e);
        }
      }
      freeaddrinfo(list);
    }
    std::lock_guard lock(shared->mutex);
    shared->endpoints = std::move(found);
    shared->done = true;
    shared->done_cv.notify_all();
  }).detach();
  std::unique_lock lock(shared->mutex);
  if (!shared->done_cv.wait_until(lock, deadline, [&] { return shared->done; })) {
    return std::nullopt;
  }
  if (shared->endpoints.empty()) return std::nullopt;
  return std::move(shared->endpoints);
}

// IPv4 text of `address` (also of an IPv4-mapped IPv6 one); empty for any other.
std::string DottedIpv4(const asio::ip::address& address) {
  if (address.is_v4()) return address.to_v4().to_string();
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
  }
  return {};
}

}  // namespace

struct ClientTransport::Impl {
  explicit Impl(ClientTransportOptions o)
      : limits{o.max_unsent_bytes, o.write_stall_timeout, o.partial_chunk_timeout} {}

  bool Connect(int port, const std::string& address, Handler h,
               std::chrono::milliseconds timeout);
  void TearDown();

  const detail::ConnectionLimits limits;
  std::mutex lifecycle;  // Connect and Close
  Handler handler;
  std::atomic<bool> connected{false};
  std::atomic<bool> closing{false};
  std::unique_ptr<asio::io_context> io;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
  std::unique_ptr<detail::PeriodicTimer> sweep;
  std::thread event_thread;
  // The message tags continue across reconnects of this transport.
  TagCounter tags = TagCounter::ForClient();

  mutable std::mutex connection_mutex;  // guards `connection` and `local_address`
  std::shared_ptr<detail::Connection> connection;
  std::string local_address;
};

bool ClientTransport::Impl::Connect(int port, const std::string& address, Handler h,
                                    std::chrono::milliseconds timeout) {
  if (t_transport == this) throw std::logic_error("ClientTransport::Connect from its handler");
  std::lock_guard guard(lifecycle);
  if (connected) return false;
  TearDown();  // the threads of a lost connection
  if (port < 1 || port > 65535 || address.empty()) return false;
  const auto deadline = std::chrono::steady_clock::now() + timeout;

  Endpoints endpoints;
  asio::error_code ec;
  const auto v4 = asio::ip::make_address_v4(address, ec);  // exactly four dotted parts
  if (!ec) {
    endpoints.emplace_back(v4, static_cast<unsigned short>(port));
  } else {
    auto resolved = Resolve(address, port, deadline);
    if (!resolved) return false;
    endpoints = std::move(*resolved);
  }

  io = std::make_unique<asio::io_context>();
  asio::ip::tcp::socket socket(*io);
  std::optional<asio::error_code> result;
  asio::async_connect(socket, endpoints,
                      [&](const asio::error_code& e, const asio::ip::tcp::endpoint&) { result = e; });
  while (!result && io->run_one_until(deadline) > 0) {
  }
  if (!result) {  // timed out: abort the attempt and let its handler finish
    socket.close(ec);
    io->restart();
    io->run();
  }
  if (!result || *result) {
    socket.close(ec);
    io.reset();
    return false;
  }
  io->restart();
  socket.set_option(asio::ip::tcp::no_delay(true), ec);
  std::string local = DottedIpv4(socket.local_endpoint(ec).address());
  if (ec) local.clear();

  handler = std::move(h);
  closing = false;
  auto conn = std::make_shared<detail::Connection>(std::move(socket), tags, limits);
  detail::Connection::Callbacks callbacks;
  callbacks.on_body = [this](Body&& body) {
    // The server never sends an empty body; one means the connection is over.
    if (body.data.empty()) return false;
    if (!closing && handler) handler({ClientEvent::Kind::kDataArrived, std::move(body.data)});
    return true;
  };
  callbacks.on_closed = [this] {
    connected = false;
    if (!closing && handler) handler({ClientEvent::Kind::kClosed, {}});
  };
  {
    std::lock_guard lock(connection_mutex);
    connection = conn;
    local_address = std::move(local);
  }
  connected = true;
  conn->Start(std::move(callbacks));
  sweep = std::make_unique<detail::PeriodicTimer>(*io, detail::SweepPeriod(limits), [this] {
    std::lock_guard lock(connection_mutex);
    if (connection) connection->CheckTimers(std::chrono::steady_clock::now());
  });
  work.emplace(io->get_executor());
  event_thread = std::thread([this] {
    t_transport = this;
    io->run();
  });
  return true;
}

void ClientTransport::Impl::TearDown() {
  closing = true;
  if (io) io->stop();
  if (event_thread.joinable()) event_thread.join();
  {
    std::lock_guard lock(connection_mutex);
    if (connection) {
      tags = connection->tags();
      connection->CloseNow();
      connection.reset();
    }
    local_address.clear();
  }
  sweep.reset();
  work.reset();
  io.reset();
  handler = nullptr;
  connected = false;
}

ClientTransport::ClientTransport() : ClientTransport(ClientTransportOptions{}) {}
ClientTransport::ClientTransport(ClientTransportOptions options)
    : impl_(std::make_unique<Impl>(options)) {}
ClientTransport::~ClientTransport() { Close(); }

bool ClientTransport::Connect(int port, const std::string& address, Handler handler,
                              std::chrono::milliseconds timeout) {
  return impl_->Connect(port, address, std::move(handler), timeout);
}

bool ClientTransport::Send(std::string body) {
  if (body.empty() || MessageFrameSize(body.size()) > kMaxFrameBytes) return false;
  std::lock_guard lock(impl_->connection_mutex);
  return impl_->connection && impl_->connection->Send(body);
}

void ClientTransport::Close() {
  if (t_transport == impl_.get()) {
    throw std::logic_error("ClientTransport::Close from its handler");
  }
  std::lock_guard guard(impl_->lifecycle);
  impl_->TearDown();
}

bool ClientTransport::IsConnected() const { return impl_->connected; }

std::string ClientTransport::LocalAddress() const {
  std::lock_guard lock(impl_->connection_mutex);
  return impl_->connected ? impl_->local_address : std::string();
}

}  // namespace quilla::protocol
