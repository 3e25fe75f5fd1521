#include "server/app/server_options.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>

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

std::filesystem::path DefaultConfigDir(const std::filesystem::path& program_dir) {
  if (!program_dir.empty() && access(program_dir.c_str(), W_OK) == 0) return program_dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    return std::filesystem::path(xdg) / "quilla";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / ".config" / "quilla";
}

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
  if (options.config_dir.empty()) options.config_dir = DefaultConfigDir(program_dir);
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

std::string LocalLanAddress() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return "127.0.0.1";
  std::string address = "127.0.0.1";
  for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
    if ((it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
      address = text;
      break;
    }
  }
  freeifaddrs(list);
  return address;
}

}  // namespace quilla::server
