#pragma once
// The operator console of a headless server: one command per line, carried out on the
// engine thread.

#include <functional>
#include <string>
#include <string_view>

#include "server/app/engine_observer.h"

namespace quilla::server {

class ServerEngine;

enum class ConsoleResult { kContinue, kQuit };

// Carries out one console line on `engine` (engine thread). Answers and errors are
// written through `print`, one line per call, without line terminator. `quit` returns
// kQuit and leaves the exit save to the caller.
ConsoleResult ExecuteConsoleCommand(ServerEngine& engine, std::string_view line,
                                    const std::function<void(const std::string&)>& print);

// The log text of one append as a console line: without its leading and trailing CR LF,
// inner line breaks kept. Empty when the append held nothing but line breaks.
std::string ConsoleLogLine(std::string_view log_text);

// Prints every log append through `print`, one line each.
class ConsoleLogPrinter final : public EngineObserver {
 public:
  explicit ConsoleLogPrinter(std::function<void(const std::string&)> print)
      : print_(std::move(print)) {}
  void OnLogAppended(const std::string& text) override;

 private:
  std::function<void(const std::string&)> print_;
};

}  // namespace quilla::server
