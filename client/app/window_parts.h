#pragma once
// The main window's parts, each built at its place with its controls' names, captions,
// sizes and designed states (coordinates in pixels relative to the parent, as the window
// design gives them). They only build: what the controls do is wired by MainWindow, and by
// the search, request and extras features through MainControls. GUI thread.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

#include "client/app/main_controls.h"
#include "client/app/pictures.h"

namespace quilla::client {

// The left strip `外形框3` with the avatar, the names, the page buttons and their marker.
void BuildLeftStrip(QWidget* window, MainControls& c);
// Page 0 "在线点歌": header with the search controls, the result list, "加载更多", the
// now-playing area and the settings button.
void BuildOnlinePage(QWidget* page, QWidget* window, MainControls& c);
// The connection panel `设置外形框` on page 0, closed (left edge 580).
void BuildConnectionPanel(QWidget* page, MainControls& c);
// Page 1 "已点歌曲": the request history and its buttons.
void BuildHistoryPage(QWidget* page, QWidget* window, MainControls& c);
// Page 2 "个人设置": the lyrics font group and the voice-message group.
void BuildSettingsPage(QWidget* page, QWidget* window, MainControls& c);
// The controls outside the visible area and the two pop-up menus.
void BuildHiddenControls(QWidget* window, MainControls& c);

// Small makers that name the control and put it in its place.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& at);
// A heading label over a control (no name of its own).
QLabel* MakeHeading(QWidget* parent, const QString& text, const QRect& at);
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, const QRect& at);
QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, const QString& text, const QRect& at,
                        bool checked);
QLineEdit* MakeLineEdit(QWidget* parent, const QString& name, const QString& text, const QRect& at);
QGroupBox* MakeGroup(QWidget* parent, const QString& title, const QRect& at);
// A picture button of `size` at `at` showing `picture` at `glyph` size, with a tip.
PictureButton* MakePictureButton(QWidget* parent, const QString& name, Picture picture, QSize size,
                                 QSize glyph, QPoint at, const QString& tip);
// The header strip of a page with its minimise and close picture buttons.
HeaderStrip* MakeHeader(QWidget* page, QWidget* window, const QString& name,
                        const QString& minimize_name, const QString& close_name,
                        PictureButton** minimize, PictureButton** close);

}  // namespace quilla::client
