#include "client/extras/avatar_window.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <utility>

#include "client/extras/default_avatar.h"

namespace quilla::client {
namespace {

QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A label that acts on a click of the left button, like a link.
class ClickableLabel : public QLabel {
 public:
  ClickableLabel(const QString& text, QWidget* parent, std::function<void()> on_click)
      : QLabel(text, parent), on_click_(std::move(on_click)) {
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
      on_click_();
    }
    QLabel::mouseReleaseEvent(event);
  }

 private:
  std::function<void()> on_click_;
};

}  // namespace

QPoint AvatarWindowPosition(QPoint main_top_left) {
  return main_top_left + QPoint(166, 166);
}

AvatarWindow::AvatarWindow(AvatarWindowHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window), hooks_(std::move(hooks)) {
  setWindowTitle(QStringLiteral("个人头像修改"));
  setFixedSize(kWidth, kHeight);

  address_box_ = new QLineEdit(this);
  address_box_->setObjectName(QStringLiteral("头像地址"));
  address_box_->setGeometry(18, 14, 344, 32);

  auto* example = new QLabel(Text(kAvatarExampleAddress), this);
  example->setObjectName(QStringLiteral("透明标签2"));
  example->setGeometry(18, 50, 344, 20);
  example->setStyleSheet(QStringLiteral("color: #808080;"));
  example->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* hint = new QLabel(Text(kAvatarAddressHint), this);
  hint->setObjectName(QStringLiteral("透明标签1"));
  hint->setGeometry(18, 74, 344, 36);
  hint->setWordWrap(true);

  apply_button_ = new QPushButton(QStringLiteral("修改头像"), this);
  apply_button_->setObjectName(QStringLiteral("修改头像"));
  apply_button_->setGeometry(18, 120, 110, 32);
  connect(apply_button_, &QPushButton::clicked, this, [this] {
    if (hooks_.apply) hooks_.apply(address_box_->text().toStdString());
  });

  gallery_link_ =
      new ClickableLabel(QStringLiteral("推荐网站>>"), this, [this] { OpenAvatarGallery(); });
  gallery_link_->setObjectName(QStringLiteral("透明标签3"));
  gallery_link_->setGeometry(272, 126, 90, 20);
  gallery_link_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  gallery_link_->setStyleSheet(QStringLiteral("color: #1e6fd9;"));
}

void AvatarWindow::OpenAvatarGallery() {
  const QUrl page(Text(kAvatarGalleryUrl));
  if (hooks_.open_url) {
    hooks_.open_url(page);
  } else {
    QDesktopServices::openUrl(page);
  }
}

AvatarWindow* OpenAvatarWindow(QWidget& main_window, AvatarWindowHooks hooks) {
  // A closed window is hidden at once and deleted a little later: only a visible one counts.
  for (auto* open :
       main_window.findChildren<AvatarWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!open->isVisible()) continue;
    open->raise();
    open->activateWindow();
    return open;
  }
  auto* window = new AvatarWindow(std::move(hooks), &main_window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->move(AvatarWindowPosition(main_window.frameGeometry().topLeft()));
  window->show();
  return window;
}

}  // namespace quilla::client
