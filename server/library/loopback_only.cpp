#include "server/library/loopback_only.h"

#include <arpa/inet.h>

#include <string>

namespace quilla::server::library {

bool IsLoopbackAddress(std::string_view address) {
  const std::string text(address);
  in_addr v4{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    return (ntohl(v4.s_addr) >> 24) == 127;
  }
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) return false;
  if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
  return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
}

HttpService::Handler ForCallers(CallerFilter allowed, HttpService::Handler handler) {
  return [allowed = std::move(allowed), handler = std::move(handler)](
             const httplib::Request& request, httplib::Response& response) {
    if (!allowed(request.remote_addr)) {
      SendBytes(request, response, "this service answers the speaker computer only\n",
                "text/plain; charset=utf-8");
      response.status = 403;
      return;
    }
    handler(request, response);
  };
}

}  // namespace quilla::server::library
