#pragma once
// Routes that only this computer may use. The radio and speech answers exist for the
// server's own engine, which reaches the library over loopback; listeners on the LAN
// search and fetch songs, but have no business driving the speakers' radio or speech.

#include <functional>
#include <string_view>

#include "server/library/http_service.h"

namespace quilla::server::library {

// Decides by the caller's address as cpp-httplib reports it ("127.0.0.1", "::1", ...).
using CallerFilter = std::function<bool(std::string_view remote_address)>;

// True for 127.0.0.0/8, ::1 and IPv4-mapped loopback (::ffff:127.x.y.z); false for every
// other address and for text that is no address. Pure.
bool IsLoopbackAddress(std::string_view address);

// `handler` for the callers `allowed` accepts; any other caller gets 403 with a short
// text, and the handler does not run.
HttpService::Handler ForCallers(CallerFilter allowed, HttpService::Handler handler);

}  // namespace quilla::server::library
