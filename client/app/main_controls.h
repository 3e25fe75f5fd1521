#pragma once
// Every control of the main window "Quilla客户端", by its role. Each widget's objectName is
// the control's name in the window design ("连接服务端", "已点歌曲列表", ...), so tests and
// style find it by that name. The window owns them all; this is a table of pointers for
// the code that drives them (the session view, and the search, request and extras
// features, which connect their handlers here).

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTreeView>

#include "client/app/color_picker.h"
#include "client/app/picture_boxes.h"
#include "client/ui/picture_button.h"

namespace quilla::client {

struct MainControls {
  // Left strip `外形框3`.
  QWidget* left_strip = nullptr;                // 外形框3
  AvatarBox* avatar = nullptr;                  // 头像框 (DoubleClicked: the avatar window)
  QLabel* name_label = nullptr;                 // 姓名标签
  QLabel* request_count_label = nullptr;        // 歌曲数量标签
  QPushButton* online_page_button = nullptr;    // 在线点歌按钮
  QPushButton* history_page_button = nullptr;   // 已点歌曲按钮
  QPushButton* settings_page_button = nullptr;  // 个人设置按钮
  QWidget* page_marker = nullptr;               // 图片框9
  QWidget* logo = nullptr;                      // 图片框3
  QLabel* version_label = nullptr;              // 透明标签4
  QStackedWidget* pages = nullptr;              // 选择夹1

  // Page 0 "在线点歌".
  HeaderStrip* online_header = nullptr;       // 图片框4
  QFrame* search_frame = nullptr;             // 搜索图片框
  QLineEdit* search_box = nullptr;            // 搜索框
  PictureButton* search_label = nullptr;      // 搜索歌曲 (the magnifier; clicked: search)
  QComboBox* source_box = nullptr;            // 音乐选择框 (hidden)
  QLabel* source_label = nullptr;             // 透明标签6
  PictureButton* source_toggle = nullptr;     // 图形按钮
  PictureButton* minimize_button1 = nullptr;  // 最小化按钮1
  PictureButton* close_button1 = nullptr;     // 关闭按钮001
  QTreeView* result_list = nullptr;           // 音乐列表框 (SearchResultList)
  QStandardItemModel* result_model = nullptr;
  QPushButton* load_more = nullptr;          // 加载更多
  QLabel* status_line = nullptr;             // 透明标签1
  QWidget* now_playing = nullptr;            // 外形框8
  CoverBox* cover = nullptr;                 // 歌曲封面显示
  QLabel* song_caption = nullptr;            // 歌曲名称显示
  QLabel* lyrics_line = nullptr;             // 歌词文本显示
  QWidget* progress_track = nullptr;         // 进度条_灰
  QWidget* progress_bar = nullptr;           // 进度条_绿
  QLabel* time_text = nullptr;               // 进度_时间
  QPushButton* skip_button = nullptr;        // 切歌 (hidden)
  QLabel* welcome_line = nullptr;            // 透明标签2
  PictureButton* settings_button = nullptr;  // 设置按钮
  QWidget* panel = nullptr;                  // 设置外形框

  // The connection panel `设置外形框`.
  QTreeView* queue_list = nullptr;  // 超级列表框1 (QueueMirror)
  QStandardItemModel* queue_model = nullptr;
  QCheckBox* popup_box = nullptr;         // 是否弹窗选择框
  QCheckBox* lyrics_box = nullptr;        // 是否显示歌词
  QCheckBox* lyrics_lock_box = nullptr;   // 锁定歌词
  QLineEdit* nickname_box = nullptr;      // 姓名编辑框
  QLineEdit* ip_box = nullptr;            // IP编辑框
  QLineEdit* port_box = nullptr;          // 端口
  QCheckBox* auto_connect_box = nullptr;  // 启动连接选择框
  QPushButton* connect_button = nullptr;  // 连接服务端
  QLabel* connection_status = nullptr;    // 透明标签5

  // Page 1 "已点歌曲".
  HeaderStrip* history_header = nullptr;      // 图片框6
  PictureButton* minimize_button2 = nullptr;  // 最小化按钮2
  PictureButton* close_button2 = nullptr;     // 关闭按钮002
  QLabel* history_hint = nullptr;             // 透明标签3
  QTreeView* history_list = nullptr;          // 已点歌曲列表 (RequestHistory)
  QStandardItemModel* history_model = nullptr;
  QPushButton* clear_history = nullptr;       // 清空列表
  QPushButton* delete_history_row = nullptr;  // 删除选中行
  QLabel* history_note = nullptr;             // 透明标签8

  // Page 2 "个人设置".
  HeaderStrip* settings_header = nullptr;     // 图片框5
  PictureButton* minimize_button3 = nullptr;  // 最小化按钮
  PictureButton* close_button3 = nullptr;     // 关闭按钮003
  QLabel* notice_label = nullptr;             // 群名称
  QGroupBox* font_group = nullptr;            // 歌词字体
  QComboBox* font_box = nullptr;              // 字体型号
  QComboBox* size_box = nullptr;              // 字体大小
  QCheckBox* bold_box = nullptr;              // 字体加粗
  QCheckBox* italic_box = nullptr;            // 字体倾斜
  QCheckBox* underline_box = nullptr;         // 字体下划线
  ColorPicker* color1 = nullptr;              // 颜色选择器1
  ColorPicker* color2 = nullptr;              // 颜色选择器2
  ColorPicker* color3 = nullptr;              // 颜色选择器3 (outline)
  QComboBox* gradient_box = nullptr;          // 文字渐变
  QPushButton* save_appearance = nullptr;     // 设置1 ("设置保存")
  QGroupBox* voice_group = nullptr;           // 我想对你说
  QLineEdit* voice_target = nullptr;          // 编辑框1
  QPlainTextEdit* voice_text = nullptr;       // 编辑框2
  QPushButton* voice_send = nullptr;          // 按钮1
  // The sample of how the server reads a message out; sample_name is "小猪猪".
  QLabel* sample_name = nullptr;

  // Outside the visible area.
  QLabel* avatar_url_label = nullptr;  // 标签1: the avatar's URL, saved as pz.ini "头像"
  QLabel* label2 = nullptr;            // 标签2

  // Pop-up menus (opened by the lists' customContextMenuRequested).
  QMenu* song_menu = nullptr;                       // 歌曲操作
  QAction* search_song_action = nullptr;            // 搜索此歌曲
  QAction* search_singer_action = nullptr;          // 搜索此歌手
  QAction* download_action = nullptr;               // 下载此歌曲
  QMenu* history_menu = nullptr;                    // 记录操作
  QAction* search_history_song_action = nullptr;    // 搜索选中歌曲
  QAction* search_history_singer_action = nullptr;  // 搜索选中歌手
};

}  // namespace quilla::client
