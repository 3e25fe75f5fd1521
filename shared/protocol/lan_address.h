#pragma once
// This computer's address on the LAN, as the programs show it and send it in "用户加入".

#include <string>

namespace quilla::protocol {

// The first non-loopback IPv4 address of a network interface that is up, as dotted text,
// or "127.0.0.1" when there is none. Host-name resolution is not used: on Linux the host
// name usually resolves to 127.0.1.1, which no other computer can reach. Thread-safe; reads
// the interface list (no network traffic).
std::string LocalLanAddress();

}  // namespace quilla::protocol
