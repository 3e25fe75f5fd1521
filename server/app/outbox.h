#pragma once
// Where the engine's messages go: the server transport in the program, a recorder in tests.

#include <cstdint>
#include <string>

namespace quilla::server {

using ClientHandle = std::int32_t;

class Outbox {
 public:
  virtual ~Outbox() = default;
  // Queues one CompressedBlock for one connection and returns at once; false when the
  // handle names no open connection (callers ignore it: nothing is acknowledged).
  virtual bool Send(ClientHandle handle, std::string block) = 0;
};

}  // namespace quilla::server
