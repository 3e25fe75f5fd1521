#include "server/library/http_service.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "server/library/byte_range.h"

namespace quilla::server::library {
namespace {

// cpp-httplib slices every routed answer by request.ranges, unchecked, after the handler
// returns. The handler is handed a const Request, but the object itself is cpp-httplib's
// own mutable one, so replacing its ranges with the ones we decided is well defined; this
// is the only place that does it.
void ReplaceRanges(const httplib::Request& request, std::vector<httplib::Range> ranges) {
  const_cast<httplib::Request&>(request).ranges = std::move(ranges);
}

// Bytes go out through a content provider of known length: cpp-httplib compresses only
// answers set with set_content (and chunked ones), so Accept-Encoding cannot change them.
void ProvideBytes(httplib::Response& response, std::shared_ptr<const std::string> bytes,
                  const std::string& content_type) {
  response.set_content_provider(
      bytes->size(), content_type,
      [bytes](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        if (offset > bytes->size()) return false;
        return sink.write(bytes->data() + offset, std::min(length, bytes->size() - offset));
      });
}

struct OpenFile {
  explicit OpenFile(int descriptor) : fd(descriptor) {}
  ~OpenFile() { ::close(fd); }
  int fd;
  std::vector<char> buffer;
};

constexpr std::size_t kFileChunkBytes = 256 * 1024;

}  // namespace

HttpService::HttpService(HttpServiceLimits limits) : limits_(limits) {
  const int threads = limits_.threads;
  server_.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server_.set_keep_alive_timeout(limits_.idle_keep_alive.count());
  server_.set_keep_alive_max_count(1000);
  server_.set_read_timeout(limits_.idle_keep_alive.count(), 0);
  server_.set_write_timeout(limits_.write_timeout.count(), 0);
  server_.set_payload_max_length(limits_.max_body_bytes);
  // Headers and body leave in separate writes; without this Nagle's algorithm and the
  // peer's delayed acknowledgement add tens of milliseconds to every answer.
  server_.set_tcp_nodelay(true);
  // cpp-httplib's default also sets SO_REUSEPORT, which would let a second server bind the
  // same port and silently take half of the connections; a port in use must fail instead.
  // SO_REUSEADDR alone still allows a restart while old connections linger in TIME_WAIT.
  server_.set_socket_options([](socket_t socket) {
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server_.set_exception_handler(
      [](const httplib::Request& request, httplib::Response& response, std::exception_ptr) {
        ReplaceRanges(request, {});
        response.status = 500;
      });
}

HttpService::~HttpService() {
  Stop();
}

void HttpService::Get(const std::string& pattern, Handler handler) {
  server_.Get(pattern, std::move(handler));
}

void HttpService::Post(const std::string& pattern, Handler handler) {
  server_.Post(pattern, std::move(handler));
}

bool HttpService::Start(const std::string& address, int port, std::string* error) {
  if (thread_.joinable()) {
    if (error) *error = "already started";
    return false;
  }
  const int bound = port == 0 ? server_.bind_to_any_port(address)
                              : (server_.bind_to_port(address, port) ? port : -1);
  if (bound <= 0) {
    if (error) *error = "cannot listen on " + address + ":" + std::to_string(port);
    return false;
  }
  port_ = bound;
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  return true;
}

void HttpService::Stop() {
  if (!thread_.joinable()) return;
  // A stop() before the accept loop has begun would be lost (the loop would then run on):
  // wait for the loop, which begins at once after the bind.
  while (!server_.is_running()) std::this_thread::yield();
  server_.stop();
  thread_.join();
}

void SendBytes(const httplib::Request& request, httplib::Response& response, std::string bytes,
               const std::string& content_type) {
  ReplaceRanges(request, {});
  response.status = 200;
  ProvideBytes(response, std::make_shared<const std::string>(std::move(bytes)), content_type);
}

void SendFile(const httplib::Request& request, httplib::Response& response, const std::string& path,
              const std::string& content_type) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (fd >= 0) ::close(fd);
    ReplaceRanges(request, {});
    response.status = 404;
    return;
  }
  auto file = std::make_shared<OpenFile>(fd);
  const auto size = static_cast<std::uint64_t>(info.st_size);
  response.set_header("Accept-Ranges", "bytes");
  const RangeDecision range = DecideRange(request.ranges, size);
  switch (range.outcome) {
    case RangeOutcome::kUnsatisfiable:
      ReplaceRanges(request, {});
      response.status = 416;
      response.set_header("Content-Range", "bytes */" + std::to_string(size));
      return;
    case RangeOutcome::kPartial:
      ReplaceRanges(request,
                    {{static_cast<ssize_t>(range.first), static_cast<ssize_t>(range.last)}});
      response.status = 206;
      break;
    case RangeOutcome::kWhole:
      ReplaceRanges(request, {});
      response.status = 200;
      break;
  }
  if (size == 0) {
    response.set_content("", content_type);
    return;
  }
  // cpp-httplib asks for [offset, offset + length) of the whole file, within the range.
  response.set_content_provider(
      size, content_type,
      [file, size](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        if (offset >= size) return false;
        if (file->buffer.empty()) file->buffer.resize(kFileChunkBytes);
        const std::size_t want = std::min({length, kFileChunkBytes, std::size_t(size - offset)});
        const ssize_t got =
            ::pread(file->fd, file->buffer.data(), want, static_cast<off_t>(offset));
        // A file that shrank while it was being sent ends the connection: the peer sees a
        // short body rather than made-up bytes.
        if (got <= 0) return false;
        return sink.write(file->buffer.data(), static_cast<std::size_t>(got));
      });
}

}  // namespace quilla::server::library
