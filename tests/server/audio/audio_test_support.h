#pragma once
// Support for the audio engine tests: a loopback HTTP server that hands out the tone
// fixtures (plus a page that is not audio, a response that never comes and a stream that
// stalls), fixture access, and polling with a deadline.

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quilla::server::testing {

inline std::filesystem::path FixturePath(const std::string& name) {
  return std::filesystem::path(QUILLA_AUDIO_FIXTURES) / name;
}

inline std::string ReadFixture(const std::string& name) {
  std::ifstream in(FixturePath(name), std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + name);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Polls `done` every 10 ms until it holds or `timeout` has passed; returns its last value.
template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A loopback port on which nothing listens (bound once, then closed again).
inline int ClosedLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    throw std::runtime_error("cannot bind a loopback port");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

// Routes: "/<fixture file>" (audio/mpeg or audio/wav), "/page.html" (an HTML page),
// "/hang" (headers never come until the server goes), "/held/<fixture>" (a slow host: the
// whole answer waits for ReleaseHeld), "/stall/<fixture>" (the first third of the file,
// then nothing until ReleaseStall, then the rest; no length, not seekable).
class AudioFileServer {
 public:
  AudioFileServer() {
    server_.Get(R"(/(tone_\w+\.(mp3|wav)))", [this](const httplib::Request& request,
                                                    httplib::Response& response) {
      {
        std::lock_guard lock(mutex_);
        ranges_.push_back(request.get_header_value("Range"));
      }
      const std::string name = request.matches[1];
      response.set_content(ReadFixture(name), name.ends_with(".mp3") ? "audio/mpeg" : "audio/wav");
    });
    server_.Get("/page.html", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(
          "<!DOCTYPE html>\n<html><head><title>Not found</title></head>\n"
          "<body><p>This is a page, not a song.</p></body></html>\n",
          "text/html");
    });
    server_.Get("/hang", [this](const httplib::Request&, httplib::Response& response) {
      WaitForRelease(hang_released_);
      response.set_content("late", "text/plain");
    });
    server_.Get(R"(/held/(tone_\w+\.mp3))",
                [this](const httplib::Request& request, httplib::Response& response) {
                  {
                    std::lock_guard lock(mutex_);
                    ++held_arrivals_;
                  }
                  released_.notify_all();
                  WaitForRelease(held_released_);
                  response.set_content(ReadFixture(request.matches[1]), "audio/mpeg");
                });
    server_.Get(R"(/stall/(tone_\w+\.mp3))",
                [this](const httplib::Request& request, httplib::Response& response) {
                  auto body = std::make_shared<std::string>(ReadFixture(request.matches[1]));
                  response.set_chunked_content_provider(
                      "audio/mpeg", [this, body](std::size_t offset, httplib::DataSink& sink) {
                        const std::size_t third = body->size() / 3;
                        if (offset == 0) return sink.write(body->data(), third);
                        WaitForRelease(stall_released_);
                        if (!sink.write(body->data() + offset, body->size() - offset)) return false;
                        sink.done();
                        return true;
                      });
                });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }

  ~AudioFileServer() {
    {
      std::lock_guard lock(mutex_);
      hang_released_ = stall_released_ = held_released_ = true;
    }
    released_.notify_all();
    server_.stop();
    thread_.join();
  }

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  // The Range header of every fixture request, in arrival order ("" when none).
  std::vector<std::string> Ranges() {
    std::lock_guard lock(mutex_);
    return ranges_;
  }

  void ReleaseHeld() {
    {
      std::lock_guard lock(mutex_);
      held_released_ = true;
    }
    released_.notify_all();
  }
  // Waits until `count` requests for "/held/..." have arrived.
  bool WaitForHeldArrivals(int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return released_.wait_for(lock, timeout, [&] { return held_arrivals_ >= count; });
  }

  void ReleaseStall() {
    {
      std::lock_guard lock(mutex_);
      stall_released_ = true;
    }
    released_.notify_all();
  }

 private:
  void WaitForRelease(const bool& flag) {
    std::unique_lock lock(mutex_);
    released_.wait(lock, [&] { return flag; });
  }

  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable released_;
  bool hang_released_ = false;
  bool stall_released_ = false;
  bool held_released_ = false;
  int held_arrivals_ = 0;
  std::vector<std::string> ranges_;
};

}  // namespace quilla::server::testing
