#include "server/app/window_settings.h"

#include "settings/ini_file.h"

namespace quilla::server {

bool WriteWindowSettings(const std::filesystem::path& sys_ini, const std::string& interval_text,
                         bool voice_enabled) {
  const bool interval_saved =
      settings::WriteProfileString(sys_ini, kWindSection, kIntervalKey, interval_text);
  const bool voice_saved = settings::WriteProfileString(sys_ini, kWindSection, kVoiceKey,
                                                        settings::BoolText(voice_enabled));
  return interval_saved && voice_saved;
}

}  // namespace quilla::server
