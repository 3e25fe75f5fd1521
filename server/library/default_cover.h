#pragma once
// The cover served for a song that has neither an embedded picture nor one beside it.

#include <string_view>

namespace quilla::server::library {

// A 300 x 300 PNG drawn at build time (make_default_cover); static storage, thread-safe.
std::string_view DefaultCoverPng();

}  // namespace quilla::server::library
