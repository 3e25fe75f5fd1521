#pragma once
// The two requests of the speech-synthesis service: a fresh access token, then the text
// turned into MP3 audio. Pure functions that build the addresses and read the answers;
// all thread-safe.

#include <string>
#include <string_view>

#include "server/voice/service_settings.h"

namespace quilla::server {

// services.speech_token + "/oauth/2.0/token?grant_type=client_credentials&client_id=" +
// id + "&client_secret=" + secret.
std::string SpeechTokenUrl(const ServiceSettings& services);

// The access token in the token answer (UTF-8 text): what stands between
// "access_token\":\"" and the next "\"", "" when either is missing.
std::string SpeechTokenFrom(std::string_view token_answer);

// "tex=" + every byte of the UTF-8 `text` percent-encoded (letters and digits too) +
// "&tok=" + token + "&cuid=" + cuid + "&ctp=1&lan=zh&vol=5&per=" + voice in decimal.
std::string SpeechQuery(std::string_view text, std::string_view token, std::string_view cuid,
                        int voice);

// services.speech_audio + "/text2audio?" + query.
std::string SpeechAudioUrl(const ServiceSettings& services, std::string_view query);

// Whether the raw response-header text announces MP3 audio: a case-sensitive search for
// "audio/mp3". Anything else ("audio/mpeg", an error text's type, no headers) is no audio.
bool IsSpeechAudio(std::string_view response_headers);

}  // namespace quilla::server
