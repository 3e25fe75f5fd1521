// Changing the avatar: a picture fetched from a local stand-in becomes the round avatar
// and its address the saved one; every kind of failure keeps both as they were; the
// saved address at start-up; a newer request wins. The test thread plays the GUI thread.

#include "client/extras/avatar_changer.h"

#include <gtest/gtest.h>

#include <vector>

#include "client/extras/default_avatar.h"
#include "client/extras/round_avatar.h"
#include "picture_bytes.h"
#include "support/free_port.h"
#include "support/local_http_server.h"
#include "support/task_queue.h"
#include "support/wait_until.h"

namespace quilla::client {
namespace {

class AvatarChangerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    httplib::Server& s = web_.server();
    s.Get("/cat.png", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(cat_, "image/png");
    });
    s.Get("/dog.jpg", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(dog_, "image/jpeg");
    });
    s.Get("/gone.png", [this](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content(cat_, "image/png");  // an error page is no avatar, whatever it holds
    });
    s.Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html>a page, not a picture</html>", "text/html");
    });
    s.Get("/huge.png", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(kMaxAvatarBytes + 1, 'x'), "image/png");
    });
    web_.Start();
  }

  AvatarChanger& Changer(PictureFetch fetch = &FetchPicture) {
    changer_ = std::make_unique<AvatarChanger>(
        WorkerHost{gui_.Poster()},
        [this](const AvatarUpdate& update) { updates_.push_back(update); }, std::move(fetch));
    return *changer_;
  }

  // Applies `address` and waits for the outcome.
  AvatarUpdate Apply(const std::string& address) {
    const std::size_t before = updates_.size();
    changer_->Apply(address);
    EXPECT_TRUE(gui_.RunUntil([&] { return updates_.size() > before; }));
    return updates_.back();
  }

  const std::string cat_ = EncodePicture(LandscapePicture(), "PNG");
  const std::string dog_ = EncodePicture(QImage(80, 80, QImage::Format_RGB32), "JPG");
  testing::LocalHttpServer web_;
  testing::TaskQueue gui_;
  std::vector<AvatarUpdate> updates_;
  std::unique_ptr<AvatarChanger> changer_;
};

TEST_F(AvatarChangerTest, AFetchedPictureBecomesTheRoundAvatar) {
  AvatarChanger& changer = Changer();
  EXPECT_EQ(changer.picture(), MakeRoundAvatar(DefaultAvatarPicture()));
  EXPECT_EQ(changer.address(), "");

  const AvatarUpdate update = Apply("  " + web_.Url("/cat.png") + " \n");
  EXPECT_EQ(update.status_text, std::string(kAvatarChangedText));
  EXPECT_TRUE(update.picture_changed);
  EXPECT_TRUE(update.address_changed);
  EXPECT_EQ(changer.address(), web_.Url("/cat.png"));
  EXPECT_EQ(changer.picture(), MakeRoundAvatar(cat_));
  EXPECT_EQ(DecodePicture(changer.picture()).size(), QSize(300, 300));
  EXPECT_FALSE(changer.busy());
}

TEST_F(AvatarChangerTest, AFailureKeepsThePictureAndTheAddress) {
  AvatarChanger& changer = Changer();
  Apply(web_.Url("/dog.jpg"));
  const std::string picture = changer.picture();
  const std::string address = changer.address();
  ASSERT_EQ(address, web_.Url("/dog.jpg"));

  const std::string closed = "http://127.0.0.1:" + std::to_string(testing::FreeLoopbackPort());
  for (const std::string& failing :
       {web_.Url("/gone.png"), web_.Url("/page.html"), web_.Url("/huge.png"), closed + "/cat.png",
        std::string(""), std::string("ftp://127.0.0.1/cat.png"),
        std::string("file:///usr/share/pixmaps/debian-logo.png"), std::string("http://")}) {
    const AvatarUpdate update = Apply(failing);
    EXPECT_EQ(update.status_text, std::string(kAvatarFailedText)) << failing;
    EXPECT_FALSE(update.picture_changed) << failing;
    EXPECT_FALSE(update.address_changed) << failing;
    EXPECT_EQ(changer.picture(), picture) << failing;
    EXPECT_EQ(changer.address(), address) << failing;
  }
}

TEST_F(AvatarChangerTest, TheSavedAddressIsKeptEvenWhenItsPictureCannotCome) {
  AvatarChanger& offline = Changer();
  const std::string builtin = offline.picture();
  const std::string closed = "http://127.0.0.1:" + std::to_string(testing::FreeLoopbackPort());
  offline.LoadSaved(closed + "/me.png");
  EXPECT_EQ(offline.address(), closed + "/me.png");
  ASSERT_TRUE(gui_.RunUntil([&] { return !offline.busy(); }));
  EXPECT_TRUE(updates_.empty());  // silent at start-up
  EXPECT_EQ(offline.picture(), builtin);

  AvatarChanger& online = Changer();
  online.LoadSaved(web_.Url("/cat.png"));
  ASSERT_TRUE(gui_.RunUntil([&] { return !updates_.empty(); }));
  EXPECT_TRUE(updates_.back().picture_changed);
  EXPECT_FALSE(updates_.back().status_text);
  EXPECT_EQ(online.picture(), MakeRoundAvatar(cat_));

  // Nothing saved: the built-in picture, and nothing is fetched.
  AvatarChanger& fresh = Changer();
  fresh.LoadSaved("");
  EXPECT_FALSE(fresh.busy());
  EXPECT_EQ(fresh.picture(), builtin);
}

TEST_F(AvatarChangerTest, ANewerAddressWinsOverOneStillOnItsWay) {
  // The first fetch hangs until it is cancelled, then answers anyway.
  std::atomic<bool> slow_cancelled{false};
  std::atomic<bool> slow_returned{false};
  AvatarChanger& changer =
      Changer([&](const std::string& address,
                  const std::atomic<bool>& cancel) -> std::optional<std::string> {
        if (address.ends_with("/slow.png")) {
          slow_cancelled = testing::WaitUntil([&] { return cancel.load(); });
          slow_returned = true;
          return dog_;
        }
        return FetchPicture(address, cancel);
      });
  changer.Apply("http://picture.invalid/slow.png");
  EXPECT_TRUE(changer.busy());
  const AvatarUpdate update = Apply(web_.Url("/cat.png"));
  EXPECT_EQ(update.status_text, std::string(kAvatarChangedText));
  ASSERT_TRUE(testing::WaitUntil([&] { return slow_returned.load(); }));
  EXPECT_TRUE(slow_cancelled);
  gui_.RunPending();
  EXPECT_EQ(updates_.size(), 1u);
  EXPECT_EQ(changer.address(), web_.Url("/cat.png"));
  EXPECT_EQ(changer.picture(), MakeRoundAvatar(cat_));
}

}  // namespace
}  // namespace quilla::client
