#include "client/ui/tray_icon.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>

#include <algorithm>
#include <optional>

#include "client/ui/balloon_popup.h"
#include "client/ui/gbk_cut.h"

namespace quilla::client {
namespace {

QSystemTrayIcon::MessageIcon MessageIconFor(int icon_kind) {
  switch (icon_kind) {
    case 1:
      return QSystemTrayIcon::Information;
    case 2:
      return QSystemTrayIcon::Warning;
    case 3:
      return QSystemTrayIcon::Critical;
    default:
      return QSystemTrayIcon::NoIcon;
  }
}

}  // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
  balloon_timer_.setSingleShot(true);
  connect(&balloon_timer_, &QTimer::timeout, this, [this] { ClearBalloon(); });
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::CreateTrayIcon(QWidget* window, const QString& tip) {
  if (window == nullptr || window->windowIcon().isNull()) return false;
  window_ = window;
  delete icon_;
  icon_ = new QSystemTrayIcon(window->windowIcon(), this);
  icon_->setToolTip(CutToGbkBytes(tip, kMaxTipBytes));
  // No menu and no handler of activated(): the icon exists for the balloons.
  if (QSystemTrayIcon::isSystemTrayAvailable()) icon_->show();
  return true;
}

void TrayIcon::ShowBalloon(const QString& title, const QString& text, int icon_kind,
                           int duration_ms) {
  if (icon_ == nullptr) return;
  title_ = CutToGbkBytes(title, kMaxTitleBytes);
  text_ = CutToGbkBytes(text, kMaxTextBytes);
  const int duration = std::max(0, duration_ms);
  // A notification area may appear after the program started (a panel that starts late).
  if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
    if (popup_) popup_->hide();
    icon_->show();
    icon_->showMessage(title_, text_, MessageIconFor(icon_kind), duration);
  } else {
    ShowPopup(icon_kind);
  }
  balloon_timer_.start(duration);
}

void TrayIcon::ShowPopup(int icon_kind) {
  if (!popup_) {
    popup_ = std::make_unique<BalloonPopup>();
    connect(popup_.get(), &BalloonPopup::Dismissed, this, [this] { ClearBalloon(); });
  }
  popup_->SetMessage(title_, text_, icon_kind);
  const QScreen* screen = window_ != nullptr && window_->screen() != nullptr
                              ? window_->screen()
                              : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  std::optional<QRect> band;
  if (band_ != nullptr && band_->isVisible()) band = band_->frameGeometry();
  popup_->setGeometry(PlaceBalloon(popup_->size(), screen->availableGeometry(), band));
  popup_->show();
  popup_->raise();
}

void TrayIcon::ClearBalloon() {
  balloon_timer_.stop();
  title_.clear();
  text_.clear();
  if (popup_) popup_->hide();
}

}  // namespace quilla::client
