#pragma once
// The library's HTTP service: cpp-httplib on its own port with the bounds a LAN service
// needs (a fixed pool of threads, idle keep-alive connections closed after a few seconds
// so idle players cannot starve searches, small request bodies), plus the two ways its
// handlers answer: whole bytes that are never content-encoded, and files with validated
// Range support. Routes are added before Start; later features add theirs the same way.

#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace quilla::server::library {

struct HttpServiceLimits {
  int threads = 16;
  std::chrono::seconds idle_keep_alive{5};  // an idle kept-alive connection is closed then
  std::chrono::seconds write_timeout{15};   // a peer that takes nothing for this long is dropped
  std::size_t max_body_bytes = 8 * 1024;    // larger request bodies get 413
};

class HttpService {
 public:
  // A handler runs on one of the service's threads, possibly alongside other handlers;
  // an exception it throws becomes a 500 answer.
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  explicit HttpService(HttpServiceLimits limits = {});
  ~HttpService();  // Stop()
  HttpService(const HttpService&) = delete;
  HttpService& operator=(const HttpService&) = delete;

  // Adds a route; `pattern` is a regular expression over the whole path (cpp-httplib).
  // Only before Start, from the thread that owns the service.
  void Get(const std::string& pattern, Handler handler);
  void Post(const std::string& pattern, Handler handler);

  // Binds `address`:`port` (port 0: any free port) and serves on a thread of its own.
  // Returns false with a reason when the port cannot be bound. Not again after Stop.
  bool Start(const std::string& address, int port, std::string* error);
  // Stops accepting, ends the connections and joins the threads; idempotent. Blocks until
  // every handler has returned.
  void Stop();

  // The bound port (0 before Start).
  int port() const { return port_; }

 private:
  HttpServiceLimits limits_;
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

// Answers with `bytes` as they are: 200, the given Content-Type, a Content-Length, never
// a Content-Encoding (whatever Accept-Encoding asks), and any Range header ignored.
void SendBytes(const httplib::Request& request, httplib::Response& response, std::string bytes,
               const std::string& content_type);

// Answers with the file at `path`: 200 with all of it, 206 with one validated range, 416
// (with "Content-Range: bytes */size") for a range it cannot satisfy, 404 when the file
// cannot be opened. Always "Accept-Ranges: bytes". The file is read as it is sent.
void SendFile(const httplib::Request& request, httplib::Response& response, const std::string& path,
              const std::string& content_type);

}  // namespace quilla::server::library
