// The connection panel `设置外形框`: the QueueMirror list, the balloon and lyrics switches,
// the nickname, the server's address and the connect button.
#include <QRegularExpressionValidator>

#include "client/app/list_views.h"
#include "client/app/panel_slider.h"
#include "client/app/window_parts.h"
#include "client/core/session_state.h"

namespace quilla::client {

void BuildConnectionPanel(QWidget* page, MainControls& c) {
  auto* panel = new QWidget(page);
  panel->setObjectName(QStringLiteral("设置外形框"));
  panel->setAttribute(Qt::WA_StyledBackground);
  panel->setGeometry(PanelSlider::kClosedLeft, 64, 184, 440);
  c.panel = panel;

  MakeHeading(panel, QStringLiteral("点歌目录"), QRect(8, 5, 120, 18));
  c.queue_list = MakeListView(panel, QStringLiteral("超级列表框1"), QRect(5, 25, 174, 136),
                              {{QStringLiteral("歌曲"), 89}, {QStringLiteral("点歌人"), 80}});
  c.queue_model = ModelOf(c.queue_list);
  c.queue_list->setAlternatingRowColors(false);

  c.popup_box = MakeCheckBox(panel, QStringLiteral("是否弹窗选择框"), QStringLiteral("是否弹窗"),
                             QRect(8, 168, 86, 22), false);
  c.lyrics_box = MakeCheckBox(panel, QStringLiteral("是否显示歌词"), QStringLiteral("桌面歌词"),
                              QRect(8, 192, 86, 22), true);
  c.lyrics_lock_box = MakeCheckBox(panel, QStringLiteral("锁定歌词"), QStringLiteral("锁定歌词"),
                                   QRect(96, 192, 86, 22), false);
  c.lyrics_lock_box->setToolTip(QStringLiteral("锁定后桌面歌词不响应鼠标，点击会穿透到下面的窗口"));

  MakeHeading(panel, QStringLiteral("昵称修改"), QRect(8, 220, 120, 18));
  c.nickname_box = MakeLineEdit(panel, QStringLiteral("姓名编辑框"), QStringLiteral("你的名字"),
                                QRect(8, 238, 168, 26));

  MakeHeading(panel, QStringLiteral("IP设置"), QRect(8, 270, 100, 18));
  MakeHeading(panel, QStringLiteral("端口"), QRect(116, 270, 60, 18));
  c.ip_box = MakeLineEdit(panel, QStringLiteral("IP编辑框"), QStringLiteral("192.168.9.25"),
                          QRect(8, 288, 104, 26));
  // An address box: four numbers of up to three digits, joined by dots.
  static const QRegularExpression kDotted(QStringLiteral("^(\\d{1,3})?(\\.(\\d{1,3})?){0,3}$"));
  c.ip_box->setValidator(new QRegularExpressionValidator(kDotted, c.ip_box));
  c.port_box =
      MakeLineEdit(panel, QStringLiteral("端口"), QStringLiteral("800"), QRect(116, 288, 60, 26));

  c.auto_connect_box = MakeCheckBox(panel, QStringLiteral("启动连接选择框"),
                                    QStringLiteral("启动连接"), QRect(8, 322, 120, 22), false);
  c.auto_connect_box->setToolTip(QStringLiteral("启动时自动连接，断线后自动重连"));
  c.connect_button = MakeButton(panel, QStringLiteral("连接服务端"), QStringLiteral("连接服务端"),
                                QRect(8, 352, 168, 32));
  c.connection_status =
      MakeLabel(panel, QStringLiteral("透明标签5"),
                QString::fromStdString(std::string(kProductText)), QRect(8, 390, 168, 40));
  c.connection_status->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  c.connection_status->setWordWrap(true);
}

}  // namespace quilla::client
