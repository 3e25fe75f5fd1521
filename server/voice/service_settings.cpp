#include "server/voice/service_settings.h"

#include "settings/ini_file.h"

namespace quilla::server {
namespace {

void Override(const settings::IniDocument& ini, const char* key, bool is_base, std::string& value) {
  std::optional<std::string> stored = ini.Get(kServicesSection, key);
  if (!stored) return;
  if (is_base) {
    while (!stored->empty() && stored->back() == '/') stored->pop_back();
  }
  // An empty entry would leave no address at all; it counts as not set.
  if (!stored->empty()) value = std::move(*stored);
}

}  // namespace

ServiceSettings ServiceSettings::Load(const std::filesystem::path& sys_ini) {
  ServiceSettings services;
  settings::IniDocument ini;
  if (!ini.Load(sys_ini)) return services;
  Override(ini, "Radio", true, services.radio);
  Override(ini, "SpeechToken", true, services.speech_token);
  Override(ini, "SpeechAudio", true, services.speech_audio);
  Override(ini, "SpeechClientId", false, services.speech_client_id);
  Override(ini, "SpeechClientSecret", false, services.speech_client_secret);
  return services;
}

}  // namespace quilla::server
