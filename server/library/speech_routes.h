#pragma once
// The speech answers on the library's HTTP service, so announcements are spoken with no
// outside service:
//   GET /oauth/2.0/token?grant_type=client_credentials&...
//       {"access_token":"<fresh token>","expires_in":2592000}
//   GET /text2audio?tex=<text>&tok=...&cuid=...&ctp=1&lan=zh&vol=5&per=<0..3>
//       the text spoken as MP3, "Content-Type: audio/mp3"
// "tex" is UTF-8, at most kMaxSpeechTextBytes bytes once decoded; a longer, empty or
// broken text gets 400 and a JSON error ("err_no", "err_msg"), a synthesis that fails
// 503: never "audio/mp3", so the server stays silent. "per" picks the voice (anything
// but 1..3 is voice 0); the other keys are accepted and not needed. Only callers that
// `allowed` accepts are answered (403 otherwise): by default this computer alone.
//
// Use: AddSpeechRoutes(library.http(), std::make_shared<EspeakSynthesizer>());
//      (before library.Start)

#include <memory>

#include "server/library/http_service.h"
#include "server/library/loopback_only.h"
#include "server/library/speech_synthesizer.h"

namespace quilla::server::library {

inline constexpr std::size_t kMaxSpeechTextBytes = 1024;

void AddSpeechRoutes(HttpService& service, std::shared_ptr<SpeechSynthesizer> synthesizer,
                     CallerFilter allowed = IsLoopbackAddress);

}  // namespace quilla::server::library
