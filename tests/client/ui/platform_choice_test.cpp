// The client asks for the xcb platform only when the user chose none and an X server is
// there to take it.

#include <gtest/gtest.h>

#include <vector>

#include "client/ui/platform_choice.h"

namespace quilla::client {
namespace {

TEST(PlatformChoiceTest, XcbUnlessTheUserChoseAPlatformOrThereIsNoXServer) {
  struct Case {
    const char* what;
    std::vector<const char*> arguments;
    const char* qpa_platform;
    const char* display;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"Wayland session with XWayland", {"quilla_client"}, nullptr, ":0", "xcb"},
      {"X11 session", {"quilla_client", "--verbose"}, nullptr, ":1", "xcb"},
      {"empty QT_QPA_PLATFORM counts as unset", {"quilla_client"}, "", ":0", "xcb"},
      {"user set QT_QPA_PLATFORM", {"quilla_client"}, "wayland", ":0", std::nullopt},
      {"-platform argument",
       {"quilla_client", "-platform", "wayland"},
       nullptr,
       ":0",
       std::nullopt},
      {"--platform=", {"quilla_client", "--platform=offscreen"}, nullptr, ":0", std::nullopt},
      {"-platform=", {"quilla_client", "-platform=eglfs"}, nullptr, ":0", std::nullopt},
      {"no X server to talk to", {"quilla_client"}, nullptr, nullptr, std::nullopt},
      {"empty DISPLAY", {"quilla_client"}, nullptr, "", std::nullopt},
      {"the program's name is not an argument", {"-platform"}, nullptr, ":0", "xcb"},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv;
    for (const char* a : c.arguments) argv.push_back(const_cast<char*>(a));
    EXPECT_EQ(PlatformToChoose(argv, c.qpa_platform, c.display), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace quilla::client
