#pragma once
// A stand-in for an outside web service: cpp-httplib on 127.0.0.1 (a free port), serving on
// its own thread. Routes are added through server() before Start(). Every request is
// recorded twice: when it arrives (before its handler runs, without its body) and when it
// has been handled (whole, before the answer is written).

#include <httplib.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quilla::testing {

// The raw query of a request target ("a=1&b=2"), empty when there is none.
inline std::string QueryOf(const httplib::Request& request) {
  const auto mark = request.target.find('?');
  return mark == std::string::npos ? std::string() : request.target.substr(mark + 1);
}

class LocalHttpServer {
 public:
  LocalHttpServer() {
    // Headers and body go out in separate writes; without this, Nagle and the client's
    // delayed acknowledgement add about 40 ms to every answer.
    server_.set_tcp_nodelay(true);
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard lock(mutex_);
      arrivals_.push_back(request);
      return httplib::Server::HandlerResponse::Unhandled;
    });
    server_.set_post_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    });
  }
  ~LocalHttpServer() { Stop(); }
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  httplib::Server& server() { return server_; }

  void Start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() before the accept loop runs would be lost and leave the thread blocked.
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  void Stop() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" and that base followed by `path`.
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string Url(const std::string& path) const { return Base() + path; }

  // Requests that have been handled, whole, in the order they were handled.
  std::vector<httplib::Request> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  httplib::Request LastRequest() const {
    std::lock_guard lock(mutex_);
    if (requests_.empty()) throw std::runtime_error("no request arrived");
    return requests_.back();
  }
  // Requests for `path` that have arrived, handled or not (bodies not yet read).
  std::vector<httplib::Request> ArrivalsAt(const std::string& path) const {
    std::lock_guard lock(mutex_);
    std::vector<httplib::Request> out;
    for (const auto& request : arrivals_) {
      if (request.path == path) out.push_back(request);
    }
    return out;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<httplib::Request> arrivals_;
  std::vector<httplib::Request> requests_;
};

}  // namespace quilla::testing
