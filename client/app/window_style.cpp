#include "client/app/window_style.h"

namespace quilla::client::style {

QString MainWindowStyleSheet() {
  return QStringLiteral(R"(
QWidget#MainWindow { background: #ffffff; }
QWidget { font-size: 13px; }

QWidget#外形框3 {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #263342, stop:1 #1b242e);
}
QLabel#姓名标签 { color: #ffffff; font-size: 15px; font-weight: bold; }
QLabel#歌曲数量标签 { color: #93a4b4; font-size: 12px; }
QLabel#透明标签4 { color: #7d8e9e; font-size: 11px; }
QPushButton[pageButton="true"] {
  background: transparent; border: none; color: #c9d3dc; font-size: 14px;
  text-align: left; padding-left: 24px;
}
QPushButton[pageButton="true"]:hover { background: rgba(255, 255, 255, 14); }
QPushButton[pageButton="true"]:checked { background: rgba(255, 255, 255, 24); color: #ffffff; }
QWidget#图片框9 { background: #1fb57a; }

QFrame#搜索图片框 {
  background: #ffffff; border: 1px solid #d5dce3; border-radius: 14px;
}
QLineEdit#搜索框 { background: transparent; border: none; padding: 0; min-height: 0; }
QLabel#透明标签6, QLabel#透明标签3, QLabel#群名称 { color: #5b6773; }
QComboBox#音乐选择框 { min-height: 30px; }
QComboBox#音乐选择框 QAbstractItemView::item { min-height: 26px; }

QTreeView {
  border: none; background: #ffffff; alternate-background-color: #f9fafb;
  selection-background-color: #d7f3e6; selection-color: #1f2933; outline: 0;
}
QTreeView:disabled { color: #a9b2bb; }
QTreeView::item { height: 26px; }
QHeaderView::section {
  background: #f4f6f8; color: #5b6773; font-size: 12px; border: none;
  border-bottom: 1px solid #e1e6eb; border-right: 1px solid #e9edf1; padding: 4px 6px;
}
QTreeView#超级列表框1 { border: 1px solid #e6eaee; border-radius: 4px; }
QTreeView#超级列表框1::item { height: 22px; }

QPushButton {
  background: #f4f6f8; border: 1px solid #d5dce3; border-radius: 4px; padding: 4px 12px;
}
QPushButton:hover { background: #eaf7f1; border-color: #1fb57a; }
QPushButton:pressed { background: #d7f3e6; }
QPushButton:disabled { color: #b8c0c8; border-color: #e1e6eb; background: #f7f8fa; }
QPushButton#加载更多 { border: none; border-radius: 0; border-top: 1px solid #e6eaee; }
QPushButton#连接服务端, QPushButton#设置1, QPushButton#按钮1 {
  background: #1fb57a; border: none; color: #ffffff; font-weight: bold;
}
QPushButton#连接服务端:hover, QPushButton#设置1:hover, QPushButton#按钮1:hover {
  background: #23c586;
}
QPushButton#连接服务端:pressed, QPushButton#设置1:pressed, QPushButton#按钮1:pressed {
  background: #14945f;
}
QPushButton#连接服务端:disabled, QPushButton#按钮1:disabled { background: #a3dcc3; color: #f4fbf8; }
QPushButton#切歌 {
  background: #ffffff; border: 1px solid #1fb57a; color: #14945f; border-radius: 12px;
  padding: 2px 12px;
}

QWidget#外形框8 { background: #f8fafb; border-top: 1px solid #e6eaee; }
QLabel#歌曲名称显示 { color: #1f2933; font-size: 15px; font-weight: bold; }
QLabel#歌词文本显示 { color: #14945f; font-size: 13px; }
QLabel#进度_时间, QLabel#透明标签2 { color: #7b8794; font-size: 12px; }
QWidget#进度条_灰 { background: #dde3e8; }
QWidget#进度条_绿 { background: #1fb57a; }
QLabel#透明标签1 { color: #3d4a57; font-size: 12px; }

QWidget#设置外形框 { background: #ffffff; border-left: 1px solid #dfe5ea; }
QLabel[heading="true"] { color: #5b6773; font-size: 12px; font-weight: bold; }
QLabel#透明标签5 { color: #5b6773; font-size: 12px; }
QLineEdit {
  background: #ffffff; border: 1px solid #d5dce3; border-radius: 4px; padding: 2px 6px;
  min-height: 20px;
}
QLineEdit:focus { border-color: #1fb57a; }
QPlainTextEdit { border: 1px solid #d5dce3; border-radius: 4px; background: #ffffff; }
QPlainTextEdit:focus { border-color: #1fb57a; }
QComboBox { border: 1px solid #d5dce3; border-radius: 4px; padding: 2px 6px; background: #ffffff; }
QComboBox:focus, QComboBox:on { border-color: #1fb57a; }
QComboBox::drop-down { border: none; width: 22px; subcontrol-origin: padding; subcontrol-position: right center; }
QComboBox::down-arrow { image: url(:/quilla/client/chevron.svg); width: 12px; height: 12px; }
QComboBox QAbstractItemView { border: 1px solid #d5dce3; selection-background-color: #d7f3e6; selection-color: #1f2933; }

QGroupBox {
  border: 1px solid #e6eaee; border-radius: 6px; margin-top: 10px; padding-top: 8px;
  font-weight: bold;
}
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #3d4a57; }
QLabel[sample="true"] { color: #7b8794; font-size: 12px; }
QLabel[sampleWord="true"] {
  color: #14945f; font-size: 12px; background: #eaf7f1; border-radius: 3px; padding: 1px 4px;
}
)");
}

void ApplyMainWindowPalette(QWidget* window) {
  QPalette palette = window->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Active, role, QColor(kInk));
    palette.setColor(QPalette::Inactive, role, QColor(kInk));
    palette.setColor(QPalette::Disabled, role, QColor(kFaded));
  }
  palette.setColor(QPalette::Highlight, QColor(kAccent));
  window->setPalette(palette);
}

}  // namespace quilla::client::style
