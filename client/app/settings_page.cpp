// Page 2 "个人设置": the notice, the lyrics font group "歌词字体" with "设置保存", and the
// voice-message group "我想对你说".
#include <QHBoxLayout>

#include "client/app/window_parts.h"
#include "client/core/client_settings.h"

namespace quilla::client {
namespace {

// Designed look of the lyrics line when no settings file says otherwise: the lyrics
// window's own defaults (yellow over green, black outline, two-colour gradient, 50 px bold).
constexpr int kDesignedFontIndex = 2;  // "微软雅黑"
constexpr int kDesignedSizeIndex = 3;  // "50"
constexpr int kDesignedColor1 = 0x00FEE3;
constexpr int kDesignedColor2 = 0x00B133;
constexpr int kDesignedOutline = 0x000000;
constexpr int kDesignedGradient = 1;  // "两色渐变"

template <std::size_t N>
QComboBox* MakeComboBox(QWidget* parent, const QString& name, const std::string_view (&items)[N],
                        const QRect& at, int selected) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  for (std::string_view item : items) {
    box->addItem(QString::fromUtf8(item.data(), static_cast<int>(item.size())));
  }
  box->setGeometry(at);
  box->setCurrentIndex(selected);
  return box;
}

ColorPicker* MakeColorPicker(QWidget* parent, const QString& name, int color, const QRect& at) {
  auto* picker = new ColorPicker(color, parent);
  picker->setObjectName(name);
  picker->setGeometry(at);
  return picker;
}

void BuildFontGroup(QWidget* page, MainControls& c) {
  QGroupBox* group = MakeGroup(page, QStringLiteral("歌词字体"), QRect(14, 76, 266, 408));
  c.font_group = group;

  MakeHeading(group, QStringLiteral("字体型号："), QRect(14, 32, 76, 28));
  c.font_box = MakeComboBox(group, QStringLiteral("字体型号"), kLyricsFontNames,
                            QRect(92, 32, 156, 28), kDesignedFontIndex);
  MakeHeading(group, QStringLiteral("字体大小："), QRect(14, 70, 76, 28));
  c.size_box = new QComboBox(group);
  c.size_box->setObjectName(QStringLiteral("字体大小"));
  for (int size : kLyricsFontSizes) c.size_box->addItem(QString::number(size));
  c.size_box->setGeometry(92, 70, 156, 28);
  c.size_box->setCurrentIndex(kDesignedSizeIndex);

  c.bold_box = MakeCheckBox(group, QStringLiteral("字体加粗"), QStringLiteral("字体加粗"),
                            QRect(14, 110, 110, 22), true);
  c.italic_box = MakeCheckBox(group, QStringLiteral("字体倾斜"), QStringLiteral("字体倾斜"),
                              QRect(132, 110, 110, 22), false);
  c.underline_box = MakeCheckBox(group, QStringLiteral("字体下划线"), QStringLiteral("字体下划线"),
                                 QRect(14, 136, 120, 22), false);

  MakeHeading(group, QStringLiteral("文字颜色："), QRect(14, 176, 76, 28));
  c.color1 = MakeColorPicker(group, QStringLiteral("颜色选择器1"), kDesignedColor1,
                             QRect(92, 176, 74, 28));
  c.color2 = MakeColorPicker(group, QStringLiteral("颜色选择器2"), kDesignedColor2,
                             QRect(174, 176, 74, 28));
  MakeHeading(group, QStringLiteral("文字边框："), QRect(14, 214, 76, 28));
  c.color3 = MakeColorPicker(group, QStringLiteral("颜色选择器3"), kDesignedOutline,
                             QRect(92, 214, 74, 28));
  MakeHeading(group, QStringLiteral("文字渐变："), QRect(14, 252, 76, 28));
  c.gradient_box = MakeComboBox(group, QStringLiteral("文字渐变"), kLyricsGradients,
                                QRect(92, 252, 156, 28), kDesignedGradient);

  c.save_appearance = MakeButton(group, QStringLiteral("设置1"), QStringLiteral("设置保存"),
                                 QRect(14, 302, 234, 34));
}

// A row of sample words at `top`, left to right.
void AddSampleRow(QWidget* group, int top, const QStringList& words, MainControls& c) {
  auto* row = new QWidget(group);
  row->setGeometry(12, top, 252, 24);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  for (const QString& word : words) {
    auto* label = new QLabel(word, row);
    const bool said = word == QStringLiteral("想对") || word == QStringLiteral("说：");
    label->setProperty(said ? "sample" : "sampleWord", true);
    layout->addWidget(label);
    if (word == QStringLiteral("小猪猪")) c.sample_name = label;
  }
  layout->addStretch();
}

void BuildVoiceGroup(QWidget* page, MainControls& c) {
  QGroupBox* group = MakeGroup(page, QStringLiteral("我想对你说"), QRect(292, 76, 274, 408));
  c.voice_group = group;

  MakeHeading(group, QStringLiteral("你想对谁说："), QRect(12, 30, 200, 18));
  c.voice_target =
      MakeLineEdit(group, QStringLiteral("编辑框1"), QStringLiteral("vu"), QRect(12, 50, 250, 28));
  MakeHeading(group, QStringLiteral("你想说的话："), QRect(12, 88, 200, 18));
  c.voice_text = new QPlainTextEdit(
      QStringLiteral("我爱你，如山间清爽的风，如古城温暖的光，从清晨到夜晚，由山野到书房。"),
      group);
  c.voice_text->setObjectName(QStringLiteral("编辑框2"));
  c.voice_text->setGeometry(12, 108, 257, 72);
  c.voice_send = MakeButton(group, QStringLiteral("按钮1"), QStringLiteral("发送语音播报"),
                            QRect(12, 192, 250, 34));
  c.voice_send->setEnabled(false);

  auto* sample = new QLabel(QStringLiteral("服务端语音播报文本示例："), group);
  sample->setProperty("sample", true);
  sample->setGeometry(12, 246, 250, 18);
  AddSampleRow(group, 270,
               {QStringLiteral("小猪猪"), QStringLiteral("想对"), QStringLiteral("可爱的小哥哥"),
                QStringLiteral("说：")},
               c);
  AddSampleRow(group, 298, {QStringLiteral("今天你真帅！")}, c);
}

}  // namespace

void BuildSettingsPage(QWidget* page, QWidget* window, MainControls& c) {
  c.settings_header =
      MakeHeader(page, window, QStringLiteral("图片框5"), QStringLiteral("最小化按钮"),
                 QStringLiteral("关闭按钮003"), &c.minimize_button3, &c.close_button3);
  c.notice_label = MakeLabel(c.settings_header, QStringLiteral("群名称"),
                             QStringLiteral("公告：软件使用请看说明书!!!"), QRect(20, 19, 440, 25));
  BuildFontGroup(page, c);
  BuildVoiceGroup(page, c);
}

}  // namespace quilla::client
