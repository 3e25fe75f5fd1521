#include "client/ui/desktop_lyrics_window.h"

#include <QApplication>
#include <QScreen>
#include <QSessionManager>

#include <algorithm>

#include "client/ui/lyrics_font.h"
#include "client/ui/lyrics_position.h"
#include "client/ui/lyrics_widget.h"
#include "client/ui/windows_color.h"

namespace quilla::client {
namespace {

constexpr int kDefaultHeight = 150;
constexpr int kDefaultFontPx = 50;
constexpr int kDefaultColor1 = 0x00FEE3;
constexpr int kDefaultColor2 = 0x00B133;
constexpr int kBlack = 0;
constexpr int kDefaultShadowAlpha = 150;
constexpr int kDefaultShadowOffsetPx = 2;

QList<QRect> ScreenAreas() {
  QList<QRect> areas;
  for (const QScreen* screen : QGuiApplication::screens()) areas << screen->geometry();
  return areas;
}

}  // namespace

DesktopLyricsWindow::DesktopLyricsWindow(std::filesystem::path settings_folder)
    : settings_folder_(std::move(settings_folder)) {
  SetFont(QString(), kDefaultFontPx, true, false, false);
  SetBackground(kBlack, 0, false);
  SetShadow(kBlack, kDefaultShadowAlpha, kDefaultShadowOffsetPx, false);
  SetTextColors(kDefaultColor1, kDefaultColor2, kBlack, 1);
}

DesktopLyricsWindow::~DesktopLyricsWindow() = default;

bool DesktopLyricsWindow::Create(std::optional<int> width, std::optional<int> height) {
  if (IsCreated()) return false;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  const QRect available = screen->availableGeometry();
  // A size of 0 or less counts as not given: such a window could show nothing.
  const QSize size(width.value_or(0) > 0 ? *width : available.width(),
                   height.value_or(0) > 0 ? *height : kDefaultHeight);
  QPoint corner(available.x() + (available.width() - size.width()) / 2,
                available.y() + available.height() - size.height());
  if (const std::optional<QPoint> remembered = LoadLyricsPosition(settings_folder_)) {
    if (IsOnAScreen(QRect(*remembered, size), ScreenAreas())) corner = *remembered;
  }

  widget_ = std::make_unique<LyricsWidget>();
  widget_->setGeometry(QRect(corner, size));
  widget_->SetNoClose(no_close_);
  widget_->SetLocked(locked_);
  QObject::connect(widget_.get(), &LyricsWidget::UserMoved, widget_.get(),
                   [this] { SavePosition(); });
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, widget_.get(),
                   [this](QSessionManager&) { EndSession(); });
  stale_ = true;
  Redraw();  // the shape is in place before the window first appears
  widget_->show();
  SetDraggable(true);
  return true;
}

void DesktopLyricsWindow::SetFont(const QString& family, int size_px, bool bold, bool italic,
                                  bool underline) {
  style_.font = ResolveLyricsFont(family, size_px, bold, italic, underline);
  stale_ = true;
}

void DesktopLyricsWindow::SetBackground(int color, int alpha, bool redraw) {
  if (alpha > 0) {
    style_.background = ColorFromWindows(color, alpha);
  } else {
    style_.background.reset();
  }
  stale_ = true;
  if (redraw && IsCreated()) Redraw();
}

void DesktopLyricsWindow::SetShadow(int color, int alpha, int offset_px, bool redraw) {
  style_.shadow_offset_px = std::max(0, offset_px);
  if (alpha > 0 && style_.shadow_offset_px > 0) {
    style_.shadow = ColorFromWindows(color, alpha);
  } else {
    style_.shadow.reset();
  }
  stale_ = true;
  if (redraw && IsCreated()) Redraw();
}

void DesktopLyricsWindow::SetTextColors(int color1, int color2, int outline_color,
                                        int gradient_mode) {
  style_.text_color1 = ColorFromWindows(color1);
  style_.text_color2 = ColorFromWindows(color2);
  if (outline_color == -1) {
    style_.outline.reset();
  } else {
    style_.outline = ColorFromWindows(outline_color);
  }
  style_.gradient_mode = gradient_mode;
  stale_ = true;
}

void DesktopLyricsWindow::Show() {
  if (widget_) widget_->show();
}

void DesktopLyricsWindow::Hide() {
  if (widget_) widget_->hide();
}

void DesktopLyricsWindow::SetDraggable(bool draggable) {
  draggable_ = draggable;
  if (widget_) widget_->SetDraggable(draggable);
}

void DesktopLyricsWindow::SetNoClose(bool no_close) {
  no_close_ = no_close;
  if (widget_) widget_->SetNoClose(no_close);
}

void DesktopLyricsWindow::SetLocked(bool locked) {
  locked_ = locked;
  if (widget_) widget_->SetLocked(locked);
}

void DesktopLyricsWindow::EndSession() {
  SetNoClose(false);
}

void DesktopLyricsWindow::SetText(const QString& text) {
  if (text == text_ && !stale_) return;
  text_ = text;
  Redraw();
}

void DesktopLyricsWindow::Redraw() {
  stale_ = true;
  if (!widget_) return;  // drawn when the window is created
  widget_->ShowLine(painter_.Paint(text_, style_, widget_->size()));
  stale_ = false;
}

bool DesktopLyricsWindow::SavePosition() const {
  if (!widget_) return false;
  return SaveLyricsPosition(settings_folder_, widget_->pos());
}

QWidget* DesktopLyricsWindow::window() const {
  return widget_.get();
}

const PaintedLine& DesktopLyricsWindow::painted() const {
  static const PaintedLine kNothing;
  return widget_ ? widget_->line() : kNothing;
}

}  // namespace quilla::client
