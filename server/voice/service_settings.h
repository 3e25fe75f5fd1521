#pragma once
// Where the outside web services live. The operator can point them elsewhere (a mirror, a
// local stand-in) in "sys.ini", section "Services"; the paths and query keys appended to
// these bases are fixed by each service.

#include <filesystem>
#include <string>

namespace quilla::server {

struct ServiceSettings {
  // Bases: scheme, host and optional port, no trailing slash.
  std::string radio = "http://fm.baidu.com";               // key "Radio"
  std::string speech_token = "https://openapi.baidu.com";  // key "SpeechToken"
  std::string speech_audio = "http://tsn.baidu.com";       // key "SpeechAudio"
  // Credentials of the speech service.
  std::string speech_client_id = "Zq7TnWb4Rk2LpXs9Hd3MfYc8";              // "SpeechClientId"
  std::string speech_client_secret = "u5RkLm2QwTe8YpZa7NcVx4Bs1HjDg6Fo";  // "SpeechClientSecret"

  // `defaults` (the public services above unless given), each replaced by the file's
  // value when the key is there with a non-empty value (blanks around it ignored).
  // Trailing "/" of a base is dropped so the fixed paths can be appended as they are. A
  // missing or unreadable file gives the defaults. Blocks on file I/O; thread-safe.
  static ServiceSettings Load(const std::filesystem::path& sys_ini, ServiceSettings defaults);
  static ServiceSettings Load(const std::filesystem::path& sys_ini);

  // The built-in music library on this machine in place of the three outside services:
  // radio, speech token and speech audio all at "http://127.0.0.1:" + library_port (the
  // library answers them to loopback callers only). The credentials stay as above.
  static ServiceSettings BuiltInLibrary(int library_port);
};

// The section of "sys.ini" that holds the services.
inline constexpr char kServicesSection[] = "Services";

}  // namespace quilla::server
