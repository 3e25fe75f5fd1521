#include "server/app/console.h"

#include <charconv>
#include <optional>

#include "server/app/server_engine.h"

namespace quilla::server {
namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

std::optional<long long> ParseNumber(std::string_view s) {
  long long value = 0;
  const auto* end = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(s.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<bool> ParseSwitch(std::string_view s) {
  if (s == "on") return true;
  if (s == "off") return false;
  return std::nullopt;
}

ConsoleResult BadArgument(std::string_view line,
                          const std::function<void(const std::string&)>& print) {
  print("参数错误：" + std::string(line));
  return ConsoleResult::kContinue;
}

}  // namespace

ConsoleResult ExecuteConsoleCommand(ServerEngine& engine, std::string_view line,
                                    const std::function<void(const std::string&)>& print) {
  line = Trim(line);
  if (line.empty()) return ConsoleResult::kContinue;
  const auto space = line.find(' ');
  const std::string_view command = line.substr(0, space);
  // The argument keeps its inner spaces; "interval" and "say" take it as typed.
  const std::string_view argument =
      space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
  const auto number = ParseNumber(Trim(argument));
  const auto on_off = ParseSwitch(Trim(argument));

  if (command == "quit") return ConsoleResult::kQuit;
  if (command == "start") {
    engine.StartServer();
  } else if (command == "stop") {
    engine.StopServer();
  } else if (command == "users") {
    for (const auto& u : engine.users()) {
      print(std::to_string(u.handle) + "\t" + u.name + "\t" + u.ip + "\t" + u.login_time + "\t" +
            u.state);
    }
  } else if (command == "kick" || command == "ban" || command == "unban") {
    if (!number) return BadArgument(line, print);
    const auto handle = static_cast<ClientHandle>(*number);
    const bool found = command == "kick"  ? engine.Kick(handle)
                       : command == "ban" ? engine.Ban(handle)
                                          : engine.Unban(handle);
    if (!found) print("没有这个用户：" + std::to_string(*number));
  } else if (command == "allow-skip") {
    if (!on_off) return BadArgument(line, print);
    engine.SetAllowSkip(*on_off);
  } else if (command == "interval") {
    engine.SetIntervalText(std::string(argument));
  } else if (command == "seek") {
    if (!number || *number < 0 || *number > 1000) return BadArgument(line, print);
    engine.Seek(static_cast<int>(*number));
  } else if (command == "pause") {
    engine.PauseSong();
  } else if (command == "resume") {
    engine.ResumeSong();
  } else if (command == "voice") {
    if (!on_off) return BadArgument(line, print);
    engine.SetVoiceEnabled(*on_off);
  } else if (command == "voice-select") {
    if (!number || *number < 0 || *number > 3) return BadArgument(line, print);
    engine.SelectVoice(static_cast<int>(*number));
  } else if (command == "say") {
    if (!engine.SendVoice(std::string(argument))) print("语音播报未开启");
  } else if (command == "channel") {
    if (!number) return BadArgument(line, print);
    engine.SelectChannel(static_cast<int>(*number));
  } else if (command == "random") {
    if (!on_off) return BadArgument(line, print);
    engine.SetRandomPlay(*on_off);
  } else if (command == "queue") {
    std::size_t row = 0;
    for (const auto& s : engine.queue()) {
      print(std::to_string(row++) + "\t" + s.requester + "\t" + s.title + "\t" + s.singer + "\t" +
            s.url + "\t" + s.cover_url);
    }
  } else if (command == "skip") {
    engine.SkipSong();
  } else if (command == "play" || command == "delete") {
    if (!number || *number < 0) return BadArgument(line, print);
    const auto row = static_cast<std::size_t>(*number);
    const bool done = command == "play" ? engine.PlayRowNow(row) : engine.DeleteRow(row);
    if (!done) print("没有这一行：" + std::to_string(*number));
  } else if (command == "clear") {
    engine.ClearQueue();
  } else {
    print("未知命令：" + std::string(command));
  }
  return ConsoleResult::kContinue;
}

std::string ConsoleLogLine(std::string_view log_text) {
  while (log_text.starts_with("\r\n")) log_text.remove_prefix(2);
  while (log_text.ends_with("\r\n")) log_text.remove_suffix(2);
  std::string line;
  line.reserve(log_text.size());
  for (std::size_t i = 0; i < log_text.size(); ++i) {
    if (log_text[i] == '\r' && i + 1 < log_text.size() && log_text[i + 1] == '\n') continue;
    line.push_back(log_text[i]);
  }
  return line;
}

void ConsoleLogPrinter::OnLogAppended(const std::string& text) {
  std::string line = ConsoleLogLine(text);
  if (!line.empty()) print_(line);
}

}  // namespace quilla::server
