#include "server/voice/service_settings.h"

#include <utility>

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

ServiceSettings ServiceSettings::Load(const std::filesystem::path& sys_ini,
                                      ServiceSettings defaults) {
  ServiceSettings services = std::move(defaults);
  settings::IniDocument ini;
  if (!ini.Load(sys_ini)) return services;
  Override(ini, "Radio", true, services.radio);
  Override(ini, "SpeechToken", true, services.speech_token);
  Override(ini, "SpeechAudio", true, services.speech_audio);
  Override(ini, "SpeechClientId", false, services.speech_client_id);
  Override(ini, "SpeechClientSecret", false, services.speech_client_secret);
  return services;
}

ServiceSettings ServiceSettings::Load(const std::filesystem::path& sys_ini) {
  return Load(sys_ini, ServiceSettings());
}

ServiceSettings ServiceSettings::BuiltInLibrary(int library_port) {
  ServiceSettings services;
  const std::string base = "http://127.0.0.1:" + std::to_string(library_port);
  services.radio = base;
  services.speech_token = base;
  services.speech_audio = base;
  return services;
}

}  // namespace quilla::server
