// /media throughput over loopback: a 64 MiB file fetched whole through the library's HTTP
// service, against the same bytes written by a bare sendfile server on loopback, read by
// the same client in the same run.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <thread>

#include "server/library/music_library.h"
#include "support/temp_dir.h"

namespace quilla::server::library {
namespace {

constexpr std::size_t kBytes = 64u << 20;

struct MediaFolder {
  testing::TempDir music{"quilla-bench-media-"};
  testing::TempDir index{"quilla-bench-media-index-"};
  std::string file;
};

void Fill(MediaFolder& m) {
  m.file = (m.music.path() / "big.mp3").string();
  std::string bytes(kBytes, '\0');
  std::mt19937_64 random(5);
  for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
    const auto v = random();
    std::memcpy(&bytes[i], &v, 8);
  }
  testing::WriteBytes(m.file, bytes);
}

const MediaFolder& TheMedia() {
  static MediaFolder media;
  [[maybe_unused]] static const bool filled = (Fill(media), true);
  return media;
}

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return fd;
}

// Sends a GET and reads the answer to its end (header plus Content-Length bytes).
std::size_t Fetch(int port, const std::string& path) {
  const int fd = Connect(port);
  const std::string request = "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  static thread_local std::vector<char> buffer(1 << 20);
  std::size_t total = 0;
  for (ssize_t n; (n = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0;) total += std::size_t(n);
  ::close(fd);
  return total;
}

void BM_MediaThroughLibrary(benchmark::State& state) {
  LibraryConfig config;
  config.folder = TheMedia().music.path().string();
  config.index_file = (TheMedia().index.path() / "media.db").string();
  config.bind_address = "127.0.0.1";
  config.port = 0;
  config.watch_folder = false;
  MusicLibrary library(config);
  std::string error;
  library.Start(&error);
  while (library.SongCount() == 0) std::this_thread::yield();
  const std::string path = "/media/" + std::to_string(library.Snapshot()->songs().front().id);
  std::size_t bytes = 0;
  for (auto _ : state) bytes += Fetch(library.Port(), path);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

// The baseline: accept, skip the request, write a minimal header and sendfile the file.
void BM_BareSendfile(benchmark::State& state) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  ::listen(listener, 16);
  const int port = ntohs(address.sin_port);
  const std::string file = TheMedia().file;
  std::thread server([&] {
    for (;;) {
      const int peer = ::accept(listener, nullptr, nullptr);
      if (peer < 0) return;
      char request[4096];
      if (::recv(peer, request, sizeof request, 0) <= 0) {
        ::close(peer);
        return;  // the stop signal: a connection that sends nothing
      }
      const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kBytes) +
                               "\r\nConnection: close\r\n\r\n";
      ::send(peer, head.data(), head.size(), MSG_NOSIGNAL);
      const int fd = ::open(file.c_str(), O_RDONLY);
      off_t offset = 0;
      while (offset < off_t(kBytes) && ::sendfile(peer, fd, &offset, kBytes - offset) > 0) {
      }
      ::close(fd);
      ::close(peer);
    }
  });
  std::size_t bytes = 0;
  for (auto _ : state) bytes += Fetch(port, "/big.mp3");
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  ::close(Connect(port));  // ends the server loop
  server.join();
  ::close(listener);
}

BENCHMARK(BM_MediaThroughLibrary)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareSendfile)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quilla::server::library
