#include "protocol/lan_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

namespace quilla::protocol {

std::string LocalLanAddress() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return "127.0.0.1";
  std::string address = "127.0.0.1";
  for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
    if ((it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
      address = text;
      break;
    }
  }
  freeifaddrs(list);
  return address;
}

}  // namespace quilla::protocol
