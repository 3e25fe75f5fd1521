#include "client/core/server_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <charconv>

namespace quilla::client {

std::optional<ServerAddress> ParseServerAddress(std::string_view text) {
  ServerAddress address;
  const std::size_t colon = text.find(':');
  address.host = std::string(text.substr(0, colon));
  if (address.host.empty()) return std::nullopt;
  if (colon == std::string_view::npos) return address;
  const std::string_view port = text.substr(colon + 1);
  int value = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (port.empty() || error != std::errc() || end != port.data() + port.size() || value < 1 ||
      value > 65535) {
    return std::nullopt;
  }
  address.port = value;
  return address;
}

bool IsDottedIpv4(const std::string& host) {
  in_addr parsed{};
  return inet_pton(AF_INET, host.c_str(), &parsed) == 1;
}

std::optional<std::string> ResolveFirstIpv4(const std::string& host) {
  if (IsDottedIpv4(host)) return host;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  char text[INET_ADDRSTRLEN] = {};
  const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const bool ok = inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text) != nullptr;
  freeaddrinfo(found);
  if (!ok) return std::nullopt;
  return std::string(text);
}

}  // namespace quilla::client
