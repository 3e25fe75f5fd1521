#include "client/app/window_parts.h"

#include "client/ui/header_drag.h"
#include "client/ui/picture_button.h"

namespace quilla::client {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& at) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(at);
  return label;
}

QLabel* MakeHeading(QWidget* parent, const QString& text, const QRect& at) {
  auto* label = new QLabel(text, parent);
  label->setProperty("heading", true);
  label->setGeometry(at);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text,
                        const QRect& at) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setGeometry(at);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, const QString& text, const QRect& at,
                        bool checked) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setGeometry(at);
  box->setChecked(checked);
  return box;
}

QLineEdit* MakeLineEdit(QWidget* parent, const QString& name, const QString& text,
                        const QRect& at) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  edit->setGeometry(at);
  return edit;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title, const QRect& at) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(title);
  group->setGeometry(at);
  return group;
}

PictureButton* MakePictureButton(QWidget* parent, const QString& name, Picture picture, QSize size,
                                 QSize glyph, QPoint at, const QString& tip) {
  auto* button = new PictureButton(PictureButtonFaces(picture, size, glyph), parent);
  button->setObjectName(name);
  button->move(at);
  button->setCursor(Qt::PointingHandCursor);
  button->setToolTip(tip);
  return button;
}

HeaderStrip* MakeHeader(QWidget* page, QWidget* window, const QString& name,
                        const QString& minimize_name, const QString& close_name,
                        PictureButton** minimize, PictureButton** close) {
  auto* header = new HeaderStrip(page);
  header->setObjectName(name);
  header->setGeometry(0, 0, 578, 63);
  *minimize = AddMinimizeButton(header, window, QPoint(510, 0));
  (*minimize)->setObjectName(minimize_name);
  *close = AddCloseButton(header, QPoint(546, 0));
  (*close)->setObjectName(close_name);
  DragWindowByStrip(header, window);
  return header;
}

void BuildHiddenControls(QWidget* window, MainControls& c) {
  // The avatar's URL; empty: the built-in avatar.
  c.avatar_url_label =
      MakeLabel(window, QStringLiteral("标签1"), QString(), QRect(32, 808, 100, 20));
  c.avatar_url_label->hide();
  c.label2 = MakeLabel(window, QStringLiteral("标签2"), QString(), QRect(32, 830, 100, 20));
  c.label2->hide();

  c.song_menu = new QMenu(QStringLiteral("歌曲操作"), window);
  c.song_menu->setObjectName(QStringLiteral("歌曲操作"));
  c.search_song_action = c.song_menu->addAction(QStringLiteral("搜索此歌曲"));
  c.search_singer_action = c.song_menu->addAction(QStringLiteral("搜索此歌手"));
  c.download_action = c.song_menu->addAction(QStringLiteral("下载此歌曲"));
  c.history_menu = new QMenu(QStringLiteral("记录操作"), window);
  c.history_menu->setObjectName(QStringLiteral("记录操作"));
  c.search_history_song_action = c.history_menu->addAction(QStringLiteral("搜索选中歌曲"));
  c.search_history_singer_action = c.history_menu->addAction(QStringLiteral("搜索选中歌手"));
}

}  // namespace quilla::client
