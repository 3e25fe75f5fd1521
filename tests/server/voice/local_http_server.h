#pragma once
// A web service on 127.0.0.1 for tests: cpp-httplib on a free port, serving on its own
// thread, recording every request before its handler runs.

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quilla::testing {

struct RecordedRequest {
  std::string method;
  std::string path;    // decoded path without the query
  std::string target;  // the request target as sent: path, "?" and the raw query
  std::string Query() const {
    const auto mark = target.find('?');
    return mark == std::string::npos ? std::string() : target.substr(mark + 1);
  }
};

class LocalHttpServer {
 public:
  LocalHttpServer() {
    // Headers and body go out in separate writes; without this, Nagle and the client's
    // delayed acknowledgement add about 40 ms to every answer.
    server_.set_tcp_nodelay(true);
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard lock(mutex_);
      requests_.push_back(RecordedRequest{request.method, request.path, request.target});
      return httplib::Server::HandlerResponse::Unhandled;
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() only reaches a server that has entered its accept loop.
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~LocalHttpServer() {
    server_.stop();
    thread_.join();
  }
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  httplib::Server& server() { return server_; }
  int port() const { return port_; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  std::vector<RecordedRequest> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::vector<RecordedRequest> RequestsTo(const std::string& path) const {
    std::vector<RecordedRequest> out;
    for (const auto& request : Requests()) {
      if (request.path == path) out.push_back(request);
    }
    return out;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
};

// A loopback port that nothing listens on (bound and released again), so a connection
// attempt is refused at once.
inline int ClosedLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof(address);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot find a free loopback port");
  }
  const int port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

}  // namespace quilla::testing
