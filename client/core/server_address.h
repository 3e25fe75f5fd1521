#pragma once
// The server's address as a listener gives it on the command line: a dotted IPv4 address
// or a host name, and optionally a port ("192.168.1.20", "speakers.lan:8800").

#include <optional>
#include <string>
#include <string_view>

namespace quilla::client {

struct ServerAddress {
  std::string host;         // dotted IPv4 address or host name, never empty
  std::optional<int> port;  // 1..65535 when given
  bool operator==(const ServerAddress&) const = default;
};

// "HOST" or "HOST:PORT". std::nullopt for an empty host, a port that is not a decimal
// number in 1..65535, or a second ":".
std::optional<ServerAddress> ParseServerAddress(std::string_view text);

// Whether `host` is a dotted IPv4 address (no name resolution needed).
bool IsDottedIpv4(const std::string& host);

// `host` as a dotted IPv4 address: itself when it is one, else its first IPv4 address by
// name resolution. std::nullopt when it resolves to none. Blocks on name resolution (call
// it off the GUI thread); thread-safe.
std::optional<std::string> ResolveFirstIpv4(const std::string& host);

}  // namespace quilla::client
