#include "client/ui/platform_choice.h"

#include <cstdlib>
#include <string_view>

namespace quilla::client {

std::optional<std::string> PlatformToChoose(std::span<char* const> arguments,
                                            const char* qpa_platform, const char* display) {
  if (qpa_platform != nullptr && *qpa_platform != '\0') return std::nullopt;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == nullptr) break;
    const std::string_view argument = arguments[i];
    if (argument == "-platform" || argument == "--platform" || argument.starts_with("-platform=") ||
        argument.starts_with("--platform=")) {
      return std::nullopt;
    }
  }
  if (display == nullptr || *display == '\0') return std::nullopt;
  return "xcb";
}

bool ChooseXcbUnlessChosen(int argc, char** argv) {
  const std::optional<std::string> platform =
      PlatformToChoose(std::span<char* const>(argv, static_cast<std::size_t>(argc)),
                       std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"));
  if (!platform) return false;
  return setenv("QT_QPA_PLATFORM", platform->c_str(), 1) == 0;
}

}  // namespace quilla::client
