#include "server/voice/speech_request.h"

#include "web/text_helpers.h"

namespace quilla::server {

std::string SpeechTokenUrl(const ServiceSettings& services) {
  return services.speech_token +
         "/oauth/2.0/token?grant_type=client_credentials&client_id=" + services.speech_client_id +
         "&client_secret=" + services.speech_client_secret;
}

std::string SpeechTokenFrom(std::string_view token_answer) {
  return web::TextBetween(token_answer, "access_token\":\"", "\"");
}

std::string SpeechQuery(std::string_view text, std::string_view token, std::string_view cuid,
                        int voice) {
  std::string query = "tex=" + web::UrlEncode(text, /*keep_safe=*/false, /*as_utf8=*/true);
  query += "&tok=";
  query += token;
  query += "&cuid=";
  query += cuid;
  query += "&ctp=1&lan=zh&vol=5&per=";
  query += std::to_string(voice);
  return query;
}

std::string SpeechAudioUrl(const ServiceSettings& services, std::string_view query) {
  std::string url = services.speech_audio + "/text2audio?";
  url += query;
  return url;
}

bool IsSpeechAudio(std::string_view response_headers) {
  return response_headers.find("audio/mp3") != std::string_view::npos;
}

}  // namespace quilla::server
