#include "client/core/client_options.h"

#include "settings/config_dir.h"

namespace quilla::client {

std::optional<ClientOptions> ParseClientOptions(const std::vector<std::string>& args,
                                                const std::filesystem::path& program_dir,
                                                std::string* error) {
  ClientOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--config-dir") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        *error = "--config-dir 需要一个目录";
        return std::nullopt;
      }
      options.config_dir = args[++i];
    } else if (arg == "--server") {
      if (i + 1 >= args.size()) {
        *error = "--server 需要一个地址";
        return std::nullopt;
      }
      options.server = ParseServerAddress(args[++i]);
      if (!options.server) {
        *error = "--server 的地址无效：" + args[i];
        return std::nullopt;
      }
    } else {
      *error = "未知参数：" + arg;
      return std::nullopt;
    }
  }
  if (options.config_dir.empty()) options.config_dir = settings::DefaultConfigDir(program_dir);
  return options;
}

}  // namespace quilla::client
