// A voice message from the client's real connection reaches the real quilla_server
// (headless, on loopback) and is handed to its speech service, here a local stand-in that
// records every text it is asked to speak. The server reads the payload as GBK, so the
// text arrives intact only when the client sent exactly the GBK bytes of the sentence.
// The test thread plays the client's GUI thread.

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "client/core/client_link.h"
#include "client/extras/voice_messages.h"
#include "support/local_http_server.h"
#include "support/server_process.h"
#include "support/task_queue.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace quilla::client {
namespace {

using namespace std::chrono_literals;

class VoiceEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    speech_.server().Get("/oauth/2.0/token", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(R"({"access_token":"tok-7","expires_in":2592000})", "application/json");
    });
    speech_.server().Get("/text2audio",
                         [this](const httplib::Request& req, httplib::Response& res) {
                           std::lock_guard lock(mutex_);
                           spoken_.push_back(req.get_param_value("tex"));
                           res.set_content("no audio here", "text/plain");  // nothing to play
                         });
    speech_.Start();
    port_ = testing::FreeLoopbackPort();
    ASSERT_TRUE(
        server_.StartHeadless(QUILLA_SERVER_BINARY, port_, dir_.path(),
                              {{"SpeechToken", speech_.Base()}, {"SpeechAudio", speech_.Base()}}));
    link_ = std::make_unique<ClientLink>(ConnectionHost{gui_.Poster(), timers_.PostAfter()},
                                         LinkHooks{});
  }
  void TearDown() override {
    link_.reset();
    server_.Type("quit");
    server_.Wait(10s);
  }

  bool Spoken(const std::string& text) {
    return testing::WaitUntil([&] {
      std::lock_guard lock(mutex_);
      return std::find(spoken_.begin(), spoken_.end(), text) != spoken_.end();
    });
  }

  VoiceSend Sender() {
    return [this](std::string block) { return link_->connection().Send(std::move(block)); };
  }

  testing::TempDir dir_;
  testing::LocalHttpServer speech_;
  std::mutex mutex_;
  std::vector<std::string> spoken_;
  int port_ = 0;
  testing::ServerProcess server_;
  testing::TaskQueue gui_;
  testing::ManualTimers timers_;
  std::unique_ptr<ClientLink> link_;
};

TEST_F(VoiceEndToEndTest, TheServerSpeaksTheSentenceAsTyped) {
  link_->Connect("127.0.0.1", std::to_string(port_), ConnectTrigger::kButton);
  ASSERT_TRUE(gui_.RunUntil([&] { return link_->state().connect_button_caption == "已连接"; }));
  VoiceMessages voice;
  voice.SetSendingAllowed(link_->state().voice_button_enabled);
  ASSERT_TRUE(voice.button_enabled());

  // Before any nickname: the designed caption of `姓名标签` and the designed boxes.
  voice.SendVoiceMessage(kDesignedNameLabel, Sender());
  EXPECT_TRUE(Spoken("小猪猪想对vu说，" + std::string(kDesignedMessage)));

  // The cool-down runs out (ticked here), a nickname arrives, new words are typed.
  voice.OnVoiceCooldownEnd();
  link_->SetNickname("阿安");
  voice.SetBoxText(VoiceBox::kAddressee, "全场");
  voice.SetBoxText(VoiceBox::kMessage, "生日快乐，干杯！");
  voice.SendVoiceMessage(link_->state().nickname, Sender());
  EXPECT_TRUE(Spoken("阿安想对全场说，生日快乐，干杯！"));

  // The server goes away: the next message is refused and said to be, with no cool-down.
  voice.OnVoiceCooldownEnd();
  server_.Type("quit");
  ASSERT_TRUE(gui_.RunUntil([&] { return link_->state().connect_button_caption == "重新连接"; }));
  const VoiceUpdate refused = voice.SendVoiceMessage(link_->state().nickname, Sender());
  EXPECT_EQ(refused.status_text, std::string(kVoiceSendFailedText));
  EXPECT_TRUE(voice.button_enabled());
  EXPECT_FALSE(voice.cooldown_timer_running());
}

}  // namespace
}  // namespace quilla::client
