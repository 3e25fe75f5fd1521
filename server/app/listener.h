#pragma once
// The engine's view of the listening side: the server transport, or a fake in tests.

#include <string>

namespace quilla::server {

// Engine thread. Neither call waits for the network or a peer: they bind, listen and close
// local sockets and return within milliseconds.
class Listener {
 public:
  virtual ~Listener() = default;
  // Starts listening on `port`; on failure fills `error_text` with a one-line reason.
  virtual bool Start(int port, std::string* error_text) = 0;
  // Closes the listener and every connection; no event of the closed connections reaches
  // the engine afterwards.
  virtual void Stop() = 0;
};

}  // namespace quilla::server
