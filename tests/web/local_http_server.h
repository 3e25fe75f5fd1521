#pragma once
// A cpp-httplib server on 127.0.0.1 (any free port) for the web tests: routes are added
// before Start, every request that arrives is recorded.

#include <httplib.h>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quilla::web::testing {

class LocalHttpServer {
 public:
  LocalHttpServer() {
    // Runs once the body has been read and before the response is written, so a request
    // is on record before its client can see the answer.
    server_.set_post_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    });
  }
  ~LocalHttpServer() { Stop(); }

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
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  // Requests in the order they arrived.
  std::vector<httplib::Request> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  httplib::Request LastRequest() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (requests_.empty()) throw std::runtime_error("no request arrived");
    return requests_.back();
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::mutex mutex_;
  std::vector<httplib::Request> requests_;
};

}  // namespace quilla::web::testing
