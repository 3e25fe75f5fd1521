// The cover picture is fetched on a thread of its own; only the latest address's picture is
// shown, and nothing ever waits for a download.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "server/app/window/cover_loader.h"
#include "server/window/test_png.h"
#include "support/gate.h"
#include "support/qt_test_support.h"

namespace quilla::server::testing {

using quilla::testing::EnsureApplication;
using quilla::testing::Gate;
using quilla::testing::ProcessEventsUntil;
namespace {

class CoverLoaderTest : public ::testing::Test {
 protected:
  CoverLoaderTest() { EnsureApplication(); }
  // What each call of Show received: "null" or the colour of the picture's first pixel.
  std::vector<QString> shown;
  QObject context;
  CoverLoader::Show Recorder() {
    return [this](const QImage& picture) {
      shown.push_back(picture.isNull() ? QStringLiteral("null")
                                       : QColor(picture.pixel(0, 0)).name());
    };
  }
};

TEST_F(CoverLoaderTest, ALateAnswerForAReplacedAddressIsDropped) {
  Gate slow_gate;
  std::atomic<bool> slow_started{false};
  std::atomic<bool> slow_returned{false};
  CoverLoader loader(&context, Recorder(),
                     [&](const std::string& url, std::stop_token) -> std::optional<std::string> {
                       if (url == "http://slow") {
                         slow_started = true;
                         slow_gate.Wait();
                         slow_returned = true;
                         return PngOf(Qt::blue);
                       }
                       return PngOf(Qt::red);
                     });

  loader.Load("http://slow");
  ASSERT_TRUE(ProcessEventsUntil([&] { return slow_started.load(); }));
  loader.Load("http://fast");
  ASSERT_TRUE(ProcessEventsUntil([&] { return shown.size() == 3; }));
  slow_gate.Open();
  ASSERT_TRUE(ProcessEventsUntil([&] { return slow_returned.load(); }));
  QTest::qWait(100);  // room for the stale answer to arrive, if it were going to be shown

  // Each address shows the default at once; only the latest address's picture follows.
  EXPECT_EQ(shown, (std::vector<QString>{"null", "null", "#ff0000"}));
}

TEST_F(CoverLoaderTest, NoAddressAFailureAndNonPicturesShowTheDefault) {
  std::atomic<int> fetches{0};
  CoverLoader loader(&context, Recorder(),
                     [&](const std::string& url, std::stop_token) -> std::optional<std::string> {
                       ++fetches;
                       if (url == "http://broken") return std::nullopt;
                       return std::string("<html>not a picture</html>");
                     });

  loader.Load("");
  EXPECT_EQ(shown, (std::vector<QString>{"null"}));
  loader.Load("http://broken");
  ASSERT_TRUE(ProcessEventsUntil([&] { return shown.size() == 3; }));
  loader.Load("http://page");
  ASSERT_TRUE(ProcessEventsUntil([&] { return shown.size() == 5; }));
  EXPECT_EQ(shown, (std::vector<QString>(5, "null")));
  // The same address again loads nothing new.
  loader.Load("http://page");
  QTest::qWait(50);
  EXPECT_EQ(fetches.load(), 2);
  EXPECT_EQ(shown.size(), 5u);
}

TEST_F(CoverLoaderTest, ALoaderEndsAtOnceAndTellsItsDownloadToGiveUp) {
  // The picture host never answers by itself; only the loader's stop request ends the wait.
  auto host = std::make_shared<Gate>();
  auto returned = std::make_shared<std::atomic<bool>>(false);
  {
    CoverLoader loader(
        &context, Recorder(),
        [host, returned](const std::string&, std::stop_token stop) -> std::optional<std::string> {
          const bool answered = host->Wait(stop);
          *returned = true;
          return answered ? std::optional<std::string>(PngOf(Qt::green)) : std::nullopt;
        });
    loader.Load("http://cover");
    ASSERT_TRUE(host->WaitForArrivals(1));
  }  // a destructor that waited for the download would never return
  ASSERT_TRUE(ProcessEventsUntil([&] { return returned->load(); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, (std::vector<QString>{"null"}));
}

TEST_F(CoverLoaderTest, ANewAddressTellsTheOldDownloadToGiveUp) {
  auto host = std::make_shared<Gate>();
  auto gave_up = std::make_shared<std::atomic<bool>>(false);
  CoverLoader loader(
      &context, Recorder(),
      [host, gave_up](const std::string& url, std::stop_token stop) -> std::optional<std::string> {
        if (url == "http://fast") return PngOf(Qt::red);
        if (!host->Wait(stop)) *gave_up = true;
        return std::nullopt;
      });
  loader.Load("http://slow");
  ASSERT_TRUE(host->WaitForArrivals(1));
  loader.Load("http://fast");
  ASSERT_TRUE(ProcessEventsUntil([&] { return gave_up->load() && shown.size() == 3; }));
  EXPECT_EQ(shown, (std::vector<QString>{"null", "null", "#ff0000"}));
}

}  // namespace
}  // namespace quilla::server::testing
