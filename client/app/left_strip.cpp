// The left strip `外形框3`: avatar, nickname, request count, the three page buttons with
// their marker, and the program's sign.
#include <QGuiApplication>
#include <QIcon>

#include "client/app/pictures.h"
#include "client/app/window_parts.h"
#include "client/app/window_style.h"
#include "client/core/session_state.h"
#include "client/ui/header_drag.h"

namespace quilla::client {
namespace {

QPushButton* MakePageButton(QWidget* strip, const QString& name, const QString& text, int top,
                            Picture picture) {
  QPushButton* button = MakeButton(strip, name, text, QRect(0, top, 120, 50));
  button->setProperty("pageButton", true);
  button->setCheckable(true);
  button->setAutoExclusive(true);
  button->setFocusPolicy(Qt::NoFocus);
  QIcon icon;
  const qreal ratio = qGuiApp->devicePixelRatio();
  icon.addPixmap(RenderPicture(picture, QSize(18, 18), ratio, QColor(style::kStripInk)),
                 QIcon::Normal, QIcon::Off);
  icon.addPixmap(RenderPicture(picture, QSize(18, 18), ratio, Qt::white), QIcon::Normal, QIcon::On);
  button->setIcon(icon);
  button->setIconSize(QSize(18, 18));
  return button;
}

}  // namespace

void BuildLeftStrip(QWidget* window, MainControls& c) {
  auto* strip = new QWidget(window);
  strip->setObjectName(QStringLiteral("外形框3"));
  strip->setGeometry(0, 0, 120, 584);
  strip->setAttribute(Qt::WA_StyledBackground);
  c.left_strip = strip;
  DragWindowByStrip(strip, window);

  c.avatar = new AvatarBox(strip);
  c.avatar->setObjectName(QStringLiteral("头像框"));
  c.avatar->setGeometry(28, 40, 65, 65);

  c.name_label = MakeLabel(strip, QStringLiteral("姓名标签"), QStringLiteral("小猪猪"),
                           QRect(0, 112, 120, 22));
  c.name_label->setAlignment(Qt::AlignCenter);
  // Replaced at start-up by the count of the request history.
  c.request_count_label = MakeLabel(strip, QStringLiteral("歌曲数量标签"),
                                    QStringLiteral("累计点歌138首"), QRect(0, 134, 120, 18));
  c.request_count_label->setAlignment(Qt::AlignCenter);

  c.online_page_button = MakePageButton(strip, QStringLiteral("在线点歌按钮"),
                                        QStringLiteral("在线点歌"), 159, Picture::kNote);
  c.history_page_button = MakePageButton(strip, QStringLiteral("已点歌曲按钮"),
                                         QStringLiteral("点歌记录"), 209, Picture::kHistory);
  c.settings_page_button = MakePageButton(strip, QStringLiteral("个人设置按钮"),
                                          QStringLiteral("个人设置"), 259, Picture::kPerson);
  c.online_page_button->setChecked(true);

  c.page_marker = new QWidget(strip);
  c.page_marker->setObjectName(QStringLiteral("图片框9"));
  c.page_marker->setAttribute(Qt::WA_StyledBackground);
  c.page_marker->setGeometry(0, 159, 4, 50);

  c.logo = new DrawingBox(Picture::kLogo, strip);
  c.logo->setObjectName(QStringLiteral("图片框3"));
  c.logo->setGeometry(12, 448, 28, 28);
  c.version_label = MakeLabel(strip, QStringLiteral("透明标签4"),
                              QStringLiteral("Quilla客户端\n") +
                                  QString::fromUtf8(kVersionText.data(), kVersionText.size()),
                              QRect(46, 444, 74, 36));
}

}  // namespace quilla::client
