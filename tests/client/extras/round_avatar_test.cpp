// The round avatar: which part of the picture it shows, its size, its transparent
// corners, what it does with bytes that are no picture, and the built-in picture.

#include "client/extras/round_avatar.h"

#include <gtest/gtest.h>

#include "client/extras/default_avatar.h"
#include "picture_bytes.h"

namespace quilla::client {
namespace {

TEST(MakeRoundAvatar, ALandscapePictureGivesTheCircleOfItsLeftSquare) {
  const std::optional<std::string> png = MakeRoundAvatar(EncodePicture(LandscapePicture(), "PNG"));
  ASSERT_TRUE(png);
  ASSERT_TRUE(png->starts_with("\x89PNG\r\n\x1a\n"));
  const QImage round = DecodePicture(*png);
  ASSERT_EQ(round.size(), QSize(300, 300));
  ASSERT_TRUE(round.hasAlphaChannel());
  // Corners transparent, the centre opaque.
  for (const QPoint corner : {QPoint(0, 0), QPoint(299, 0), QPoint(0, 299), QPoint(299, 299),
                              QPoint(40, 40), QPoint(259, 259)}) {
    EXPECT_EQ(round.pixelColor(corner).alpha(), 0) << corner.x() << "," << corner.y();
  }
  EXPECT_EQ(round.pixelColor(150, 150), QColor(Qt::red));
  // The left edge of the circle is the picture's own left edge (green) and its right edge
  // stops short of the blue: the top-left square, not the middle.
  EXPECT_EQ(round.pixelColor(5, 150), QColor(Qt::green));
  EXPECT_EQ(round.pixelColor(294, 150), QColor(Qt::red));
  EXPECT_EQ(round.pixelColor(150, 3), QColor(Qt::red));
}

TEST(MakeRoundAvatar, APortraitPictureGivesItsTopSquareAndASquareKeepsItsSize) {
  QImage portrait(60, 90, QImage::Format_RGB32);
  portrait.fill(Qt::yellow);
  for (int x = 0; x < 60; ++x) {
    for (int y = 60; y < 90; ++y) portrait.setPixelColor(x, y, Qt::blue);
  }
  const QImage top = DecodePicture(*MakeRoundAvatar(EncodePicture(portrait, "PNG")));
  EXPECT_EQ(top.size(), QSize(60, 60));
  EXPECT_EQ(top.pixelColor(30, 57), QColor(Qt::yellow));

  QImage square(64, 64, QImage::Format_RGB32);
  square.fill(QColor(10, 120, 200));
  for (const char* format : {"PNG", "JPG", "BMP"}) {
    const std::optional<std::string> png = MakeRoundAvatar(EncodePicture(square, format));
    ASSERT_TRUE(png) << format;
    const QImage round = DecodePicture(*png);
    EXPECT_EQ(round.size(), QSize(64, 64)) << format;
    EXPECT_EQ(round.pixelColor(32, 32).alpha(), 255) << format;
    EXPECT_EQ(round.pixelColor(0, 0).alpha(), 0) << format;
  }
}

TEST(MakeRoundAvatar, BytesThatAreNoPictureGiveNothing) {
  const std::string png = EncodePicture(LandscapePicture(), "PNG");
  for (const std::string& bytes :
       {std::string(), std::string("<html>not found</html>"), png.substr(0, 40),
        std::string("\x89PNG\r\n\x1a\n") + std::string(100, '\0')}) {
    EXPECT_EQ(MakeRoundAvatar(bytes), std::nullopt) << bytes.size() << " bytes";
  }
}

TEST(DefaultAvatar, IsASquarePictureThatMakesARoundAvatar) {
  const QImage picture = DecodePicture(DefaultAvatarPicture());
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.width(), picture.height());
  const QImage round = DecodePicture(*MakeRoundAvatar(DefaultAvatarPicture()));
  EXPECT_EQ(round.size(), picture.size());
  EXPECT_EQ(round.pixelColor(0, 0).alpha(), 0);
  EXPECT_EQ(round.pixelColor(round.width() / 2, round.height() / 2).alpha(), 255);
  // A drawn figure, not a plain fill: the head is lighter than the ground beside it.
  EXPECT_GT(picture.pixelColor(picture.width() / 2, picture.height() * 34 / 100).lightness(),
            picture.pixelColor(picture.width() / 10, picture.height() * 34 / 100).lightness());
}

}  // namespace
}  // namespace quilla::client
