#pragma once
// Where the engine's messages go: the server transport in the program, a recorder in tests.

#include <cstdint>
#include <string>

namespace quilla::server {

using ClientHandle = std::int32_t;

class Outbox {
 public:
  virtual ~Outbox() = default;
  // Any thread; never blocks. Queues one CompressedBlock for one connection and returns at
  // once (a slow reader never holds the sender up); false when the handle names no open
  // connection (callers ignore it: nothing is acknowledged).
  virtual bool Send(ClientHandle handle, std::string block) = 0;
  // Engine thread; neither blocks. Sends between BeginBatch and EndBatch (same thread, nested
  // pairs join the outer one) may be written together at EndBatch, so that one client gets
  // one write for a burst. The order of the messages is unchanged.
  virtual void BeginBatch() {}
  virtual void EndBatch() {}
};

// Holds a batch open for one scope.
class OutboxBatch {
 public:
  explicit OutboxBatch(Outbox& outbox) : outbox_(outbox) { outbox_.BeginBatch(); }
  ~OutboxBatch() { outbox_.EndBatch(); }
  OutboxBatch(const OutboxBatch&) = delete;
  OutboxBatch& operator=(const OutboxBatch&) = delete;

 private:
  Outbox& outbox_;
};

}  // namespace quilla::server
