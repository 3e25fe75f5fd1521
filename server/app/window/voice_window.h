#pragma once
// The voice window "语音播报": the operator types a sentence and "发送语音" has the server
// read it aloud. A view like the main window: the text goes to the engine through the
// callback, and whether it may be sent follows the voice switch of the engine's state.

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quilla::server {

class VoiceWindow final : public QDialog {
 public:
  // `send` receives the text of "语音播报内容" (UTF-8) each time "发送语音" is pressed; the
  // window stays open.
  VoiceWindow(std::function<void(std::string)> send, QWidget* parent);

  // Enables or disables the edit box "语音播报内容" and the button "发送语音" together.
  void SetSendEnabled(bool enabled);

  static constexpr const char* kPrompt = "请输入你想要说的话";

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(std::string)> send_;
  QPlainTextEdit* text_ = nullptr;
  QPushButton* send_button_ = nullptr;
};

}  // namespace quilla::server
