#include "client/ui/balloon_popup.h"

#include <QApplication>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace quilla::client {
namespace {

constexpr int kMarginPx = 12;
constexpr int kTextWidthPx = 280;
constexpr int kIconPx = 24;

QPixmap IconFor(int icon_kind) {
  QStyle::StandardPixmap picture;
  switch (icon_kind) {
    case 1:
      picture = QStyle::SP_MessageBoxInformation;
      break;
    case 2:
      picture = QStyle::SP_MessageBoxWarning;
      break;
    case 3:
      picture = QStyle::SP_MessageBoxCritical;
      break;
    default:
      return {};
  }
  return QApplication::style()->standardIcon(picture).pixmap(kIconPx, kIconPx);
}

}  // namespace

BalloonPopup::BalloonPopup()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      icon_(new QLabel(this)),
      title_(new QLabel(this)),
      text_(new QLabel(this)) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_QuitOnClose, false);
  setFocusPolicy(Qt::NoFocus);
  setObjectName(QStringLiteral("VesperBalloon"));
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  text_->setWordWrap(true);
  text_->setFixedWidth(kTextWidthPx);
  for (QLabel* label : {title_, text_}) label->setTextFormat(Qt::PlainText);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(0xfb, 0xfb, 0xfc));
  colours.setColor(QPalette::WindowText, QColor(0x20, 0x24, 0x28));
  setPalette(colours);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(12, 10, 14, 12);
  layout->setHorizontalSpacing(10);
  layout->setVerticalSpacing(4);
  layout->addWidget(icon_, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(title_, 0, 1);
  layout->addWidget(text_, 1, 1);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void BalloonPopup::SetMessage(const QString& title, const QString& text, int icon_kind) {
  const QPixmap icon = IconFor(icon_kind);
  icon_->setPixmap(icon);
  icon_->setVisible(!icon.isNull());
  title_->setText(title);
  title_->setVisible(!title.isEmpty());
  text_->setText(text);
  adjustSize();
}

void BalloonPopup::mousePressEvent(QMouseEvent* event) {
  event->accept();
  hide();
  emit Dismissed();
}

void BalloonPopup::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  painter.setPen(QColor(0xb8, 0xbe, 0xc6));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

QRect PlaceBalloon(QSize popup, const QRect& available, const std::optional<QRect>& band) {
  QRect place(QPoint(0, 0), popup);
  place.moveBottomRight(available.bottomRight() - QPoint(kMarginPx, kMarginPx));
  if (band && band->intersects(place)) {
    QRect above = place;
    above.moveBottom(band->top() - 1 - kMarginPx);
    if (above.top() >= available.top()) place = above;
  }
  return place;
}

}  // namespace quilla::client
