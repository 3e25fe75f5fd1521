#include "server/app/server_options.h"

#include <charconv>

#include "settings/config_dir.h"
#include "settings/ini_file.h"

namespace quilla::server {
namespace {

std::optional<int> ParsePort(const std::string& text) {
  int value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || value < 0 || value > 65535) {
    return std::nullopt;
  }
  return value;
}

std::optional<ServerOptions> Fail(std::string* error, std::string text) {
  *error = std::move(text);
  return std::nullopt;
}

}  // namespace

std::optional<ServerOptions> ParseServerOptions(const std::vector<std::string>& args,
                                                const std::filesystem::path& program_dir,
                                                std::string* error) {
  ServerOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == "--start") {
      options.start = true;
    } else if (arg == "--headless") {
      options.headless = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--config-dir") {
      auto dir = value();
      if (!dir) return Fail(error, "--config-dir 需要一个目录");
      options.config_dir = *dir;
    } else if (arg == "--port") {
      auto text = value();
      auto port = text ? ParsePort(*text) : std::nullopt;
      if (!port) return Fail(error, "--port 需要 0 到 65535 之间的端口号");
      options.port = port;
    } else if (arg == "--audio-output") {
      auto name = value();
      if (!name) return Fail(error, "--audio-output 需要一个输出名称");
      options.audio_output = *name;
    } else {
      return Fail(error, "未知参数：" + arg);
    }
  }
  if (options.config_dir.empty()) options.config_dir = settings::DefaultConfigDir(program_dir);
  return options;
}

int ResolvePort(const ServerOptions& options, const std::filesystem::path& sys_ini) {
  if (options.port) return *options.port;
  const auto port = ParsePort(settings::ReadProfileString(sys_ini, "Wind", "端口"));
  return port.value_or(kDefaultPort);
}

std::string ResolveAudioOutput(const ServerOptions& options, const std::filesystem::path& sys_ini) {
  if (options.audio_output) return *options.audio_output;
  return settings::ReadProfileString(sys_ini, "Audio", "Output");
}

}  // namespace quilla::server
