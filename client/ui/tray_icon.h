#pragma once
// The client's icon in the notification area, there for its balloon messages (the song
// that just started, for one): it has no menu and reacts to no click. Where the desktop
// has no notification area the balloons appear as a small popup at the bottom right of
// the screen instead; callers see no difference. GUI thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>

class QSystemTrayIcon;

namespace quilla::client {

class BalloonPopup;

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  // Longest tip, balloon title and balloon text, in GBK bytes.
  static constexpr std::size_t kMaxTipBytes = 127;
  static constexpr std::size_t kMaxTitleBytes = 63;
  static constexpr std::size_t kMaxTextBytes = 255;

  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  // Puts `window`'s icon into the notification area with `tip` (cut to kMaxTipBytes).
  // False when the window has no icon: then there is no icon and every balloon is lost.
  // The icon comes back by itself when the notification area restarts.
  bool CreateTrayIcon(QWidget* window, const QString& tip);

  // Shows a balloon: `title` and `text` cut to kMaxTitleBytes and kMaxTextBytes (on
  // whole characters), `icon_kind` 0 none, 1 information (2 warning, 3 error), for
  // `duration_ms`. A new balloon replaces the one shown and starts the time again.
  void ShowBalloon(const QString& title, const QString& text, int icon_kind, int duration_ms);

  // The popup stands above `band` (the desktop lyrics window) while `band` is shown.
  void SetAvoidedWindow(QWidget* band) { band_ = band; }

  // The balloon being shown (empty when none), as cut.
  const QString& balloon_title() const { return title_; }
  const QString& balloon_text() const { return text_; }
  bool balloon_shown() const { return balloon_timer_.isActive(); }
  // The clock that ends the balloon.
  const QTimer& balloon_timer() const { return balloon_timer_; }
  // The fallback popup (nullptr until a balloon needed it).
  BalloonPopup* popup() const { return popup_.get(); }

 private:
  void ShowPopup(int icon_kind);
  void ClearBalloon();

  QPointer<QWidget> window_;
  QPointer<QWidget> band_;
  QSystemTrayIcon* icon_ = nullptr;  // child of this object
  std::unique_ptr<BalloonPopup> popup_;
  QTimer balloon_timer_;
  QString title_;
  QString text_;
};

}  // namespace quilla::client
