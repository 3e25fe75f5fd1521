// The avatar window: where it opens, that it opens once, what its button and link do.

#include "client/extras/avatar_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "client/extras/default_avatar.h"
#include "support/qt_test_support.h"

namespace quilla::client {
namespace {

class AvatarWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main_.setWindowFlag(Qt::FramelessWindowHint);
    main_.resize(698, 500);
    main_.move(200, 150);
    main_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
  }

  AvatarWindowHooks Hooks() {
    return {[this](const std::string& address) { applied_.push_back(address); },
            [this](const QUrl& page) { opened_.push_back(page); }};
  }

  // The application before any widget.
  const bool app_ = (testing::EnsureApplication(), true);
  QWidget main_;
  std::vector<std::string> applied_;
  std::vector<QUrl> opened_;
};

TEST_F(AvatarWindowTest, OpensOnceNonModal166PixelsRightOfAndBelowTheMainWindow) {
  AvatarWindow* window = OpenAvatarWindow(main_, Hooks());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("个人头像修改"));
  EXPECT_EQ(window->size(), QSize(380, 167));
  EXPECT_EQ(window->pos(), QPoint(366, 316));
  EXPECT_EQ(window->windowModality(), Qt::NonModal);
  EXPECT_TRUE(window->isWindow());

  // A second double-click raises the same window where the user left it.
  window->move(10, 20);
  EXPECT_EQ(OpenAvatarWindow(main_, Hooks()), window);
  EXPECT_EQ(window->pos(), QPoint(10, 20));

  // Closed, it goes; the next one opens at its place over the (moved) main window again.
  QPointer<AvatarWindow> closed = window;
  window->close();
  main_.move(300, 100);
  AvatarWindow* next = OpenAvatarWindow(main_, Hooks());
  EXPECT_NE(next, window);
  EXPECT_EQ(next->pos(), QPoint(466, 266));
  EXPECT_TRUE(testing::ProcessEventsUntil([&] { return closed.isNull(); }));
}

TEST_F(AvatarWindowTest, TheButtonHandsOverTheAddressAndTheLinkOpensTheGallery) {
  AvatarWindow* window = OpenAvatarWindow(main_, Hooks());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  EXPECT_EQ(window->address_box()->size(), QSize(344, 32));
  EXPECT_EQ(window->address_box()->text(), QString());
  EXPECT_EQ(window->apply_button()->text(), QStringLiteral("修改头像"));
  EXPECT_EQ(window->gallery_link()->text(), QStringLiteral("推荐网站>>"));
  auto* example = window->findChild<QLabel*>(QStringLiteral("透明标签2"));
  ASSERT_NE(example, nullptr);
  EXPECT_TRUE(example->text().endsWith(QStringLiteral(".jpg")));

  QTest::keyClicks(window->address_box(), QStringLiteral("https://img.example/"));
  window->address_box()->insert(QStringLiteral("猫.png"));  // pasted
  QTest::mouseClick(window->apply_button(), Qt::LeftButton);
  EXPECT_EQ(applied_, std::vector<std::string>{"https://img.example/猫.png"});
  EXPECT_TRUE(window->isVisible());  // it stays open

  QTest::mouseClick(window->gallery_link(), Qt::RightButton);
  EXPECT_TRUE(opened_.empty());
  QTest::mouseClick(window->gallery_link(), Qt::LeftButton);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], QUrl(QString::fromUtf8(kAvatarGalleryUrl.data(),
                                               static_cast<qsizetype>(kAvatarGalleryUrl.size()))));
  EXPECT_EQ(opened_[0].scheme(), QStringLiteral("https"));
  EXPECT_EQ(opened_[0].path(), QStringLiteral("/touxiang/"));
}

}  // namespace
}  // namespace quilla::client
