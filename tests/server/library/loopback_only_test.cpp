// Radio and speech answer the speaker computer only; searching and fetching songs stay open
// to every listener.

#include "server/library/loopback_only.h"

#include <gtest/gtest.h>

#include <atomic>

#include "server/library/radio_routes.h"
#include "server/library/search_index.h"
#include "server/library/speech_routes.h"
#include "support/raw_http.h"

namespace quilla::server::library {
namespace {

TEST(LoopbackOnlyTest, LoopbackAddressesAreTheSpeakerComputer) {
  struct Case {
    const char* address;
    bool loopback;
  };
  for (const Case& c : std::vector<Case>{
           {"127.0.0.1", true},
           {"127.0.0.2", true},
           {"127.255.255.254", true},
           {"::1", true},
           {"::ffff:127.0.0.1", true},
           {"192.168.1.20", false},
           {"10.0.0.1", false},
           {"128.0.0.1", false},
           {"::ffff:192.168.1.20", false},
           {"fe80::1", false},
           {"::", false},
           {"", false},
           {"localhost", false},  // a name is not an address
           {"127.0.0.1 ", false},
       }) {
    EXPECT_EQ(IsLoopbackAddress(c.address), c.loopback) << "'" << c.address << "'";
  }
}

// Counts the syntheses it is asked for; speaks nothing.
class CountingSynthesizer final : public SpeechSynthesizer {
 public:
  std::optional<std::string> Synthesize(std::string_view, int) override {
    ++calls;
    return std::string("\xFF\xF3 not really audio");
  }
  std::atomic<int> calls{0};
};

// Over real sockets: a service that takes 127.0.0.1 as "this computer" sees a caller on
// 127.0.0.2 as another machine. (Every 127.x address is this machine to the real filter;
// only the test's filter draws the line there, so the refusal can be tested on loopback.)
TEST(LoopbackOnlyTest, OtherCallersGet403AndNothingRuns) {
  HttpService service;
  const auto only_first = [](std::string_view address) { return address == "127.0.0.1"; };
  const auto index = std::make_shared<const SearchIndex>();
  const LibraryRouteSources sources{.index = [index] { return index; },
                                    .base_url = [] { return std::string("http://127.0.0.1:1"); }};
  AddLibraryRoutes(service, sources);
  AddRadioRoutes(service, sources, only_first);
  auto synthesizer = std::make_shared<CountingSynthesizer>();
  AddSpeechRoutes(service, synthesizer, only_first);
  std::string error;
  ASSERT_TRUE(service.Start("127.0.0.1", 0, &error)) << error;

  struct Case {
    const char* target;
    int from_this_computer;  // status for 127.0.0.1
  };
  for (const Case& c : std::vector<Case>{
           {"/dev/api/?tn=playlist&id=public_tuijian_rege", 200},
           {"/data/music/songlink?songIds=1", 404},
           {"/data/music/songinfo?songIds=1", 404},
           {"/oauth/2.0/token?grant_type=client_credentials", 200},
           {"/text2audio?tex=%E4%BD%A0&per=0", 200},
       }) {
    const std::string request =
        std::string("GET ") + c.target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    const auto outside = testing::RawHttpExchange(service.port(), request, "127.0.0.2");
    EXPECT_EQ(outside.status, 403) << c.target;
    const auto inside = testing::RawHttpExchange(service.port(), request, "127.0.0.1");
    EXPECT_EQ(inside.status, c.from_this_computer) << c.target;
  }
  EXPECT_EQ(synthesizer->calls.load(), 1) << "only this computer's request was spoken";

  // The listeners' own paths answer every caller.
  const auto media = testing::RawHttpExchange(
      service.port(), "GET /lyrics/1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
      "127.0.0.2");
  EXPECT_EQ(media.status, 404) << "no such song, but not refused";
}

}  // namespace
}  // namespace quilla::server::library
