#pragma once
// A bare HTTP/1.1 client on a loopback socket, for tests that must control every byte a
// request carries (an exact header block, a broken range, a huge body) and see every byte
// of the answer (no content decoding, no header clean-up).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>
#include <stdexcept>
#include <string>

namespace quilla::testing {

struct RawHttpResponse {
  int status = 0;                              // 0 when no status line arrived
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  bool complete = false;  // headers and Content-Length bytes of body arrived

  std::string Header(const std::string& lower_name) const {
    const auto found = headers.find(lower_name);
    return found == headers.end() ? std::string() : found->second;
  }
};

class RawHttpConnection {
 public:
  // `source`: the local address to connect from ("127.0.0.2", say, to be another caller
  // on this machine); nullptr lets the system choose.
  explicit RawHttpConnection(int port, const char* source = nullptr)
      : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    if (source != nullptr) {
      sockaddr_in local{};
      local.sin_family = AF_INET;
      if (fd_ < 0 || ::inet_pton(AF_INET, source, &local.sin_addr) != 1 ||
          ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        throw std::runtime_error(std::string("cannot connect from ") + source);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
      throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
  }
  ~RawHttpConnection() { ::close(fd_); }
  RawHttpConnection(const RawHttpConnection&) = delete;
  RawHttpConnection& operator=(const RawHttpConnection&) = delete;

  // Sends the bytes; false when the peer has closed (a reset while sending).
  bool Send(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Reads one answer: headers, then Content-Length bytes of body (or, without one, until
  // the peer closes). Gives up after `timeout` with complete == false.
  RawHttpResponse ReadResponse(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    RawHttpResponse response;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t header_end = std::string::npos;
    std::size_t body_length = std::string::npos;
    for (;;) {
      if (header_end == std::string::npos) {
        header_end = buffer_.find("\r\n\r\n");
        if (header_end != std::string::npos) {
          ParseHead(buffer_.substr(0, header_end), response);
          const std::string length = response.Header("content-length");
          if (!length.empty()) body_length = std::stoull(length);
        }
      }
      if (header_end != std::string::npos && body_length != std::string::npos &&
          buffer_.size() >= header_end + 4 + body_length) {
        response.body = buffer_.substr(header_end + 4, body_length);
        buffer_.erase(0, header_end + 4 + body_length);
        response.complete = true;
        return response;
      }
      const int got = ReadSome(deadline);
      if (got == 0 && header_end != std::string::npos && body_length == std::string::npos) {
        response.body = buffer_.substr(header_end + 4);  // closed: the body ends here
        buffer_.clear();
        response.complete = true;
        return response;
      }
      if (got <= 0) return response;
    }
  }

  // True when the peer closes the connection (reads end) before `timeout`; bytes that
  // arrive meanwhile are kept for the next ReadResponse.
  bool WaitForClose(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      const int got = ReadSome(deadline);
      if (got == 0) return true;
      if (got < 0) return false;
    }
  }

 private:
  // > 0: bytes read; 0: the peer closed; -1: deadline passed.
  int ReadSome(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return -1;
    pollfd pfd{fd_, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return -1;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return 0;
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return static_cast<int>(n);
  }

  static void ParseHead(const std::string& head, RawHttpResponse& response) {
    std::size_t line_start = 0;
    bool first = true;
    while (line_start <= head.size()) {
      auto line_end = head.find("\r\n", line_start);
      if (line_end == std::string::npos) line_end = head.size();
      const std::string line = head.substr(line_start, line_end - line_start);
      if (first) {
        const auto space = line.find(' ');
        if (space != std::string::npos) response.status = std::atoi(line.c_str() + space + 1);
        first = false;
      } else if (const auto colon = line.find(':'); colon != std::string::npos) {
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const auto value_start = line.find_first_not_of(' ', colon + 1);
        response.headers[name] = value_start == std::string::npos ? "" : line.substr(value_start);
      }
      line_start = line_end + 2;
    }
  }

  int fd_;
  std::string buffer_;
};

// One request on a new connection; the answer.
inline RawHttpResponse RawHttpExchange(int port, const std::string& request,
                                       const char* source = nullptr) {
  RawHttpConnection connection(port, source);
  connection.Send(request);
  return connection.ReadResponse();
}

}  // namespace quilla::testing
