// Page 0 "在线点歌": the header strip `图片框4` with the search field and the catalogue
// toggle, the search results, "加载更多", the now-playing area `外形框8` and the button of
// the connection panel.
#include <QFrame>

#include "client/app/list_views.h"
#include "client/app/pictures.h"
#include "client/app/window_parts.h"
#include "client/app/window_style.h"
#include "client/core/session_state.h"

namespace quilla::client {
namespace {

void BuildSearchControls(HeaderStrip* header, MainControls& c) {
  c.search_frame = new QFrame(header);
  c.search_frame->setObjectName(QStringLiteral("搜索图片框"));
  c.search_frame->setGeometry(20, 17, 200, 30);
  c.search_label =
      MakePictureButton(c.search_frame, QStringLiteral("搜索歌曲"), Picture::kSearch, QSize(16, 16),
                        QSize(16, 16), QPoint(12, 7), QStringLiteral("搜索歌曲"));
  c.search_box = MakeLineEdit(c.search_frame, QStringLiteral("搜索框"), QStringLiteral("搜索"),
                              QRect(34, 5, 157, 19));
  c.search_box->setEnabled(false);
  QPalette silver = c.search_box->palette();
  silver.setColor(QPalette::Text, QColor(style::kSilver));
  c.search_box->setPalette(silver);

  c.source_toggle =
      new PictureButton(PictureButtonFaces(Picture::kSource, QSize(25, 25), QSize(20, 20)), header);
  c.source_toggle->setObjectName(QStringLiteral("图形按钮"));
  c.source_toggle->move(234, 19);
  c.source_toggle->setCursor(Qt::PointingHandCursor);
  c.source_toggle->setToolTip(QStringLiteral("切换音乐源"));
  c.source_label = MakeLabel(header, QStringLiteral("透明标签6"),
                             QStringLiteral("《点击这里切换音乐源"), QRect(264, 19, 190, 25));
  c.source_box = new QComboBox(header);
  c.source_box->setObjectName(QStringLiteral("音乐选择框"));
  c.source_box->addItems({QStringLiteral("QQ音乐"), QStringLiteral("酷狗音乐"),
                          QStringLiteral("酷我音乐"), QStringLiteral("百度音乐"),
                          QStringLiteral("网易云音乐")});
  // Closed 32 px high, list entries 26 px (the style sheet sizes the entries).
  c.source_box->setGeometry(264, 16, 130, 32);
  c.source_box->setCurrentIndex(0);
  c.source_box->hide();
}

void BuildNowPlaying(QWidget* page, MainControls& c) {
  c.now_playing = new QWidget(page);
  c.now_playing->setObjectName(QStringLiteral("外形框8"));
  c.now_playing->setAttribute(Qt::WA_StyledBackground);
  c.now_playing->setGeometry(0, 356, 580, 144);

  c.cover = new CoverBox(page);
  c.cover->setObjectName(QStringLiteral("歌曲封面显示"));
  c.cover->setGeometry(18, 372, 100, 100);
  const SessionState designed;
  c.song_caption =
      MakeLabel(page, QStringLiteral("歌曲名称显示"), QString::fromStdString(designed.song_caption),
                QRect(135, 364, 290, 22));
  c.time_text = MakeLabel(page, QStringLiteral("进度_时间"),
                          QString::fromStdString(designed.time_text), QRect(425, 366, 110, 18));
  c.time_text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  c.progress_track = new QWidget(page);
  c.progress_track->setObjectName(QStringLiteral("进度条_灰"));
  c.progress_track->setAttribute(Qt::WA_StyledBackground);
  c.progress_track->setGeometry(135, 391, kProgressTrackWidth, 3);
  c.progress_bar = new QWidget(page);
  c.progress_bar->setObjectName(QStringLiteral("进度条_绿"));
  c.progress_bar->setAttribute(Qt::WA_StyledBackground);
  c.progress_bar->setGeometry(135, 391, 0, 3);
  c.lyrics_line = MakeLabel(page, QStringLiteral("歌词文本显示"),
                            QString::fromStdString(designed.lyrics_line), QRect(135, 402, 400, 22));
  c.welcome_line =
      MakeLabel(page, QStringLiteral("透明标签2"), QString::fromStdString(designed.welcome_text),
                QRect(135, 432, 320, 20));
  c.skip_button =
      MakeButton(page, QStringLiteral("切歌"), QStringLiteral("切歌"), QRect(471, 429, 64, 26));
  c.skip_button->hide();
  c.status_line = MakeLabel(page, QStringLiteral("透明标签1"),
                            QString::fromStdString(designed.status_text), QRect(135, 460, 400, 20));
}

}  // namespace

void BuildOnlinePage(QWidget* page, QWidget* window, MainControls& c) {
  c.online_header =
      MakeHeader(page, window, QStringLiteral("图片框4"), QStringLiteral("最小化按钮1"),
                 QStringLiteral("关闭按钮001"), &c.minimize_button1, &c.close_button1);
  BuildSearchControls(c.online_header, c);

  c.result_list = MakeListView(page, QStringLiteral("音乐列表框"), QRect(0, 64, 580, 256),
                               {{QStringLiteral("序号"), 50},
                                {QStringLiteral("歌曲名称"), 200},
                                {QStringLiteral("歌手名称"), 100},
                                {QStringLiteral("获取地址成功才能点歌"), 529},
                                {QStringLiteral("歌曲封面"), 0},
                                {QStringLiteral("歌词"), 0},
                                {QString(), 50}});
  c.result_model = ModelOf(c.result_list);
  c.result_list->setEnabled(false);
  c.result_list->setContextMenuPolicy(Qt::CustomContextMenu);

  c.load_more = MakeButton(page, QStringLiteral("加载更多"), QStringLiteral("加载更多"),
                           QRect(-3, 320, 586, 36));
  c.load_more->setEnabled(false);

  BuildNowPlaying(page, c);

  // On the header strip's area, right under the close button.
  c.settings_button =
      MakePictureButton(c.online_header, QStringLiteral("设置按钮"), Picture::kGear, QSize(26, 26),
                        QSize(20, 20), QPoint(545, 32), QStringLiteral("连接设置"));
}

}  // namespace quilla::client
