#pragma once
// The two settings of the main window that "sys.ini" keeps under "Wind": the text of the
// request interval box and the voice switch. Read when the engine is created, written at
// exit by whoever exits (the engine for the console, the window for itself).

#include <filesystem>
#include <string>
#include <string_view>

namespace quilla::server {

inline constexpr std::string_view kWindSection = "Wind";
inline constexpr std::string_view kIntervalKey = "时间间隔";
inline constexpr std::string_view kVoiceKey = "是否选中";

// Any thread; blocks for the file write. Writes both keys (the voice switch as "真"/"假");
// the file is created when missing. False when it could not be written.
bool WriteWindowSettings(const std::filesystem::path& sys_ini, const std::string& interval_text,
                         bool voice_enabled);

}  // namespace quilla::server
