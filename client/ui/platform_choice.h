#pragma once
// The client runs on X11 (under a Wayland session, through XWayland) unless the user chose
// a platform: a Wayland session lets no program place its own window or keep it above the
// others, and the lyrics line needs both. Called before the QApplication is made.

#include <optional>
#include <span>
#include <string>

namespace quilla::client {

// The platform to set, given the program's arguments and the environment values
// QT_QPA_PLATFORM and DISPLAY (nullptr when unset): "xcb" when the user chose none (no
// QT_QPA_PLATFORM, no "-platform" argument) and an X server is reachable (DISPLAY set);
// nullopt otherwise.
std::optional<std::string> PlatformToChoose(std::span<char* const> arguments,
                                            const char* qpa_platform, const char* display);

// Sets QT_QPA_PLATFORM as PlatformToChoose says for this process. Returns whether it set it.
bool ChooseXcbUnlessChosen(int argc, char** argv);

}  // namespace quilla::client
