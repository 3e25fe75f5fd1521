#pragma once
// The command line of quilla_client.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "client/core/server_address.h"

namespace quilla::client {

struct ClientOptions {
  std::filesystem::path config_dir;  // where pz.ini and the other settings files live
  // --server: fill the address boxes with it and connect at start, for this run only
  // (closing saves the address the settings held before).
  std::optional<ServerAddress> server;
  bool help = false;
};

// Parses `args` (without the program name, after the toolkit took its own). The settings
// folder is --config-dir when given, else the program's folder when it is writable, else
// ~/.config/quilla. On a bad argument returns std::nullopt and fills `error`.
std::optional<ClientOptions> ParseClientOptions(const std::vector<std::string>& args,
                                                const std::filesystem::path& program_dir,
                                                std::string* error);

inline constexpr const char* kClientUsage =
    "用法: quilla_client [--config-dir DIR] [--server ADDRESS[:PORT]]";

}  // namespace quilla::client
