#include "server/library/speech_routes.h"

#include <random>
#include <string>

#include "encoding/utf8.h"
#include "server/library/search_answer.h"

namespace quilla::server::library {
namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr int kTokenLifetimeSeconds = 30 * 24 * 3600;

// Errors in the speech service's own shape; the server looks only for "audio/mp3".
void SpeechError(const httplib::Request& request, httplib::Response& response, int status, int code,
                 const std::string& why) {
  SendBytes(request, response,
            "{\"err_no\":" + std::to_string(code) + ",\"err_msg\":" + JsonString(why) + "}", kJson);
  response.status = status;
}

// 32 random hexadecimal digits. Tokens are not checked later: every caller is this
// computer, and a token only has to look like one.
std::string NewToken() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 32; ++i) token += kHex[random() % 16];
  return token;
}

int VoiceOf(const std::string& per) {
  return per.size() == 1 && per[0] >= '0' && per[0] < '0' + kSpeechVoices ? per[0] - '0' : 0;
}

}  // namespace

void AddSpeechRoutes(HttpService& service, std::shared_ptr<SpeechSynthesizer> synthesizer,
                     CallerFilter allowed) {
  service.Get(R"(/oauth/2\.0/token)",
              ForCallers(allowed, [](const httplib::Request& request, httplib::Response& response) {
                if (request.get_param_value("grant_type") != "client_credentials") {
                  SendBytes(request, response,
                            "{\"error\":\"unsupported_grant_type\",\"error_description\":"
                            "\"grant_type must be client_credentials\"}",
                            kJson);
                  response.status = 400;
                  return;
                }
                SendBytes(request, response,
                          "{\"access_token\":\"" + NewToken() +
                              "\",\"expires_in\":" + std::to_string(kTokenLifetimeSeconds) + "}",
                          kJson);
              }));

  service.Get("/text2audio", ForCallers(allowed, [synthesizer](const httplib::Request& request,
                                                               httplib::Response& response) {
                const std::string text = request.get_param_value("tex");
                if (text.size() > kMaxSpeechTextBytes) {
                  return SpeechError(request, response, 400, 513,
                                     "tex is " + std::to_string(text.size()) +
                                         " bytes long; at most " +
                                         std::to_string(kMaxSpeechTextBytes) + " are spoken");
                }
                if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
                  return SpeechError(request, response, 400, 501, "tex is empty");
                }
                if (!encoding::IsValidUtf8(text)) {
                  return SpeechError(request, response, 400, 501, "tex is not UTF-8");
                }
                std::optional<std::string> mp3 =
                    synthesizer->Synthesize(text, VoiceOf(request.get_param_value("per")));
                if (!mp3)
                  return SpeechError(request, response, 503, 503, "speech synthesis failed");
                SendBytes(request, response, std::move(*mp3), "audio/mp3");
              }));
}

}  // namespace quilla::server::library
