// A listener finds a song through the stand-in search service, requests it through the
// real connection, and the real quilla_server (headless, on loopback, no sound device)
// queues and plays it; every client follows. The test thread plays the GUI thread of both
// clients: it runs what their connections and the search post.

#include <gtest/gtest.h>

#include <memory>

#include "client/core/client_link.h"
#include "client/requests/song_requests.h"
#include "client/search/search_controller.h"
#include "support/local_http_server.h"
#include "support/protocol_peer.h"
#include "support/search_service_stand_in.h"
#include "support/server_process.h"
#include "support/task_queue.h"
#include "support/temp_dir.h"
#include "support/wav_tone.h"

namespace quilla::client {
namespace {

using namespace std::chrono_literals;
using testing::ProtocolPeer;

class RequestEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = testing::FreeLoopbackPort();
    ASSERT_TRUE(server_.StartHeadless(QUILLA_SERVER_BINARY, port_, dir_.path()));

    song_ = testing::WavTone(60.0, 440.0, 8000);
    media_.server().Get("/song.wav", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(song_, "audio/wav");
    });
    media_.Start();
  }
  void TearDown() override {
    search_.reset();
    ann_.reset();
    bob_.reset();
    server_.Type("quit");
    server_.Wait(10s);
  }

  std::unique_ptr<ClientLink> Join(const std::string& nickname) {
    auto link = std::make_unique<ClientLink>(ConnectionHost{gui_.Poster(), timers_.PostAfter()},
                                             LinkHooks{});
    link->SetNickname(nickname);
    link->Connect("127.0.0.1", std::to_string(port_), ConnectTrigger::kButton);
    EXPECT_TRUE(gui_.RunUntil([&] { return link->state().connect_button_caption == "已连接"; }));
    EXPECT_TRUE(server_.WaitForLine(nickname + "登陆点歌", 5s));
    return link;
  }

  SendBlock AnnSends() {
    return [this](std::string block) { return ann_->connection().Send(std::move(block)); };
  }

  testing::TempDir dir_;
  int port_ = 0;
  testing::ServerProcess server_;
  std::string song_;
  testing::LocalHttpServer media_;
  testing::SearchServiceStandIn service_;
  testing::TaskQueue gui_;
  testing::ManualTimers timers_;
  std::unique_ptr<ClientLink> ann_, bob_;
  std::unique_ptr<SearchController> search_;
};

TEST_F(RequestEndToEndTest, ASearchedSongIsRequestedQueuedPlayedAndSkipped) {
  ProtocolPeer cy;
  ASSERT_TRUE(cy.Connect(port_));
  ASSERT_TRUE(cy.Join("Cy"));
  ann_ = Join("Ann");
  bob_ = Join("Bob");

  std::vector<testing::StandInSong> found = {
      {"\\u957f\\u6b4c", "Singer 1", "[00:01.00]\\u7b2c\\u4e00\\u53e5\\r\\n[00:02.00]two",
       media_.Url("/song.wav"), media_.Url("/cover1.jpg")},
      {"Second Song", "Singer 2", "[00:01.00]second", media_.Url("/song.wav"),
       media_.Url("/cover2.jpg")},
  };
  service_.Answer(SearchFormBody("长歌", "qq", 1), testing::SearchAnswerJson(found));
  search_ = std::make_unique<SearchController>(SearchHost{gui_.Poster()}, nullptr);
  search_->SetServiceAddress(service_.Base());
  search_->StartSearch("长歌");
  ASSERT_TRUE(gui_.RunUntil([&] { return search_->results().size() == 2; }));
  const SongRecord& first = search_->results().row(0);
  EXPECT_EQ(first.title, "长歌");

  // A double-click on the first row: the server queues it with the six fields and plays it.
  SongRequests requests;
  RequestUpdate u = requests.RequestSelectedSong(&first, ann_->state().nickname,
                                                 ann_->state().request_interval_s, AnnSends());
  EXPECT_EQ(u.status_text, "点播歌曲《长歌》成功！");
  EXPECT_FALSE(cy.WaitFor(std::string(protocol::kSongAdded), 5s, "长歌-Ann").command.empty());
  const auto playing = cy.WaitFor(std::string(protocol::kSongPlaying), 10s, "长歌");
  ASSERT_FALSE(playing.command.empty());
  EXPECT_EQ(playing.payload, "Anng【*】c长歌g【*】cSinger 1g【*】c" + media_.Url("/cover1.jpg"));
  // The lyrics field came along: its line of second 1 is broadcast.
  EXPECT_FALSE(cy.WaitFor(std::string(protocol::kLyricsLine), 10s, "第一句").command.empty());
  // Both clients showed the queued row and dropped it when it started.
  ASSERT_TRUE(gui_.RunUntil([&] {
    return ann_->state().song_caption == "长歌-Singer 1 (Ann)" &&
           bob_->state().song_caption == "长歌-Singer 1 (Ann)";
  }));
  EXPECT_TRUE(ann_->state().queue_mirror.empty());
  EXPECT_TRUE(bob_->state().queue_mirror.empty());

  // The server's interval (1 s by default) comes to the limiter through the session.
  server_.Type("interval 0");
  ASSERT_TRUE(gui_.RunUntil([&] { return ann_->state().request_interval_s == 0; }));
  const SongRecord& second = search_->results().row(1);
  u = requests.RequestSelectedSong(&second, ann_->state().nickname,
                                   ann_->state().request_interval_s, AnnSends());
  EXPECT_EQ(u.status_text, "点播歌曲《Second Song》成功！");
  const std::vector<QueueRow> queued{{"Second Song", "Ann"}};
  ASSERT_TRUE(gui_.RunUntil([&] {
    return ann_->state().queue_mirror == queued && bob_->state().queue_mirror == queued;
  }));
  // The first song plays for a minute: the second waits in the server's queue.
  server_.Type("queue");
  EXPECT_TRUE(server_.WaitForLine("0\tAnn\tSecond Song\tSinger 2\t" + media_.Url("/song.wav") +
                                      "\t" + media_.Url("/cover2.jpg"),
                                  5s));

  // The server allows skipping: Ann's skip button shows, and her skip starts the next song.
  server_.Type("allow-skip on");
  ASSERT_TRUE(gui_.RunUntil([&] { return ann_->state().skip_button_visible; }));
  EXPECT_TRUE(requests.SkipCurrentSong(ann_->state().nickname, AnnSends()).empty());
  EXPECT_FALSE(cy.WaitFor(std::string(protocol::kSkipNotice), 5s, "Ann").command.empty());
  ASSERT_TRUE(gui_.RunUntil([&] {
    return ann_->state().song_caption == "Second Song-Singer 2 (Ann)" &&
           bob_->state().song_caption == "Second Song-Singer 2 (Ann)" &&
           bob_->state().status_text == "当前歌曲已被 Ann 切掉";
  }));
  EXPECT_TRUE(ann_->state().queue_mirror.empty());
  EXPECT_TRUE(bob_->state().queue_mirror.empty());

  EXPECT_EQ(requests.history().size(), 2u);
  EXPECT_EQ(requests.history().row(0)[0], "Second Song");
  EXPECT_EQ(requests.CountText(), "累计点歌2次");
}

}  // namespace
}  // namespace quilla::client
