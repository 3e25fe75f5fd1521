#include "server/app/window/voice_window.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "server/app/window/pictures.h"

namespace quilla::server {

VoiceWindow::VoiceWindow(std::function<void(std::string)> send, QWidget* parent)
    : QDialog(parent), send_(std::move(send)) {
  setObjectName(QStringLiteral("语音播报窗口"));
  setWindowTitle(QStringLiteral("语音播报"));
  setWindowIcon(ServerIcon());
  setModal(true);
  setFixedSize(320, 200);

  auto* caption = new QLabel(QStringLiteral("语音播报"), this);
  caption->setObjectName(QStringLiteral("语音播报"));
  QFont caption_font = caption->font();
  caption_font.setBold(true);
  caption->setFont(caption_font);

  text_ = new QPlainTextEdit(QString::fromUtf8(kPrompt), this);
  text_->setObjectName(QStringLiteral("语音播报内容"));
  // The prompt stands in the box until the operator goes to type: every focus clears it.
  text_->installEventFilter(this);

  send_button_ = new QPushButton(QStringLiteral("发送语音"), this);
  send_button_->setObjectName(QStringLiteral("发送语音"));
  send_button_->setAutoDefault(false);
  connect(send_button_, &QPushButton::clicked, this,
          [this] { send_(text_->toPlainText().toStdString()); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(send_button_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);
}

void VoiceWindow::SetSendEnabled(bool enabled) {
  text_->setEnabled(enabled);
  send_button_->setEnabled(enabled);
}

void VoiceWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The prompt would vanish at once if the box took the focus on opening.
  if (send_button_->isEnabled()) send_button_->setFocus(Qt::OtherFocusReason);
}

bool VoiceWindow::eventFilter(QObject* watched, QEvent* event) {
  // The box's own context menu hands the focus back when it closes; that is no new visit,
  // and clearing then would swallow a paste.
  if (watched == text_ && event->type() == QEvent::FocusIn &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    text_->clear();
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace quilla::server
