#pragma once
// Speech announcements as the engine sees them.

#include <string>

namespace quilla::server {

class Speaker {
 public:
  virtual ~Speaker() = default;
  // Any thread; never blocks. Starts the synthesis of `text` with voice `voice` (0..3, sent
  // as "per") and returns at once: the web round trips and the playback happen on the
  // speaker's own thread. Announcements are played in call order, each cutting off the one
  // before; failures are silence.
  virtual void Speak(std::string text, int voice) = 0;
};

}  // namespace quilla::server
