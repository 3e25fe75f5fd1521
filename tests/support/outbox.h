#pragma once
// A connection's Send as the client's handlers call it (ServerConnection::Send): records
// every block that went out, and refuses all while `connected` is false.

#include <functional>
#include <string>
#include <vector>

namespace quilla::testing {

struct Outbox {
  bool connected = true;
  std::vector<std::string> blocks;

  std::function<bool(std::string block)> Send() {
    return [this](std::string block) {
      if (!connected) return false;
      blocks.push_back(std::move(block));
      return true;
    };
  }
};

}  // namespace quilla::testing
