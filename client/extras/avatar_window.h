#pragma once
// The window "个人头像修改" (380 x 167): the address box `头像地址`, the hints `透明标签2`
// and `透明标签1`, the button `修改头像` and the link `透明标签3` "推荐网站>>". It only
// collects the address; AvatarChanger fetches it and the main window shows the outcome.
//
// Threads: the GUI thread only.

#include <QPoint>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quilla::client {

struct AvatarWindowHooks {
  // `修改头像` was clicked with this text in `头像地址` (UTF-8). The window stays open.
  std::function<void(const std::string& address)> apply;
  // Opens a page in the user's default browser; QDesktopServices::openUrl when empty.
  std::function<void(const QUrl& page)> open_url;
};

// Where the avatar window's top-left corner goes for a main window whose top-left corner
// (frame included) is at `main_top_left`: 166 pixels right of it and 166 below.
QPoint AvatarWindowPosition(QPoint main_top_left);

class AvatarWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 380;
  static constexpr int kHeight = 167;

  explicit AvatarWindow(AvatarWindowHooks hooks, QWidget* parent = nullptr);

  // OpenAvatarGallery ("推荐网站>>"): the gallery page in the default browser.
  void OpenAvatarGallery();

  QLineEdit* address_box() const { return address_box_; }      // `头像地址`
  QPushButton* apply_button() const { return apply_button_; }  // `修改头像`
  QLabel* gallery_link() const { return gallery_link_; }       // `透明标签3`

 private:
  AvatarWindowHooks hooks_;
  QLineEdit* address_box_;
  QPushButton* apply_button_;
  QLabel* gallery_link_;
};

// OpenAvatarWindow (a double-click on `头像框`): shows the avatar window non-modal over
// `main_window`. The first time (and again after it was closed) it is created at
// AvatarWindowPosition of the main window; a window that is open already is raised where
// it stands. The window belongs to `main_window` and is deleted when it is closed.
AvatarWindow* OpenAvatarWindow(QWidget& main_window, AvatarWindowHooks hooks);

}  // namespace quilla::client
