#pragma once
// The command line of quilla_server and the files it points at.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quilla::server {

struct ServerOptions {
  std::filesystem::path config_dir;        // where "sys.ini" lives
  std::optional<int> port;                 // --port: overrides "Wind"/"端口"
  std::optional<std::string> audio_output; // --audio-output: overrides "Audio"/"Output"
  bool start = false;                      // --start: press "启动服务端" at once
  bool headless = false;                   // --headless: no window, console on stdin
  bool help = false;
};

// Parses `args` (without the program name). On a bad argument returns nullopt and fills
// `error`. `program_dir` is the directory of the executable, used for the default
// configuration directory.
std::optional<ServerOptions> ParseServerOptions(const std::vector<std::string>& args,
                                                const std::filesystem::path& program_dir,
                                                std::string* error);

inline constexpr int kDefaultPort = 800;
// The listening port: `options.port`, else "Wind"/"端口" from `sys_ini`, else 800.
int ResolvePort(const ServerOptions& options, const std::filesystem::path& sys_ini);
// The audio output: `options.audio_output`, else "Audio"/"Output" from `sys_ini` ("" = default).
std::string ResolveAudioOutput(const ServerOptions& options, const std::filesystem::path& sys_ini);

inline constexpr const char* kServerUsage =
    "用法: quilla_server [--config-dir DIR] [--port N] [--audio-output NAME] [--start] [--headless]";

}  // namespace quilla::server
