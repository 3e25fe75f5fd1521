#include "client/app/settings_binding.h"

#include <QSignalBlocker>

namespace quilla::client {
namespace {

void Select(QComboBox* box, int index) {
  if (index >= 0 && index < box->count()) box->setCurrentIndex(index);
}

void Apply(QCheckBox* box, std::optional<bool> state) {
  if (state) box->setChecked(*state);
}

QString FromUtf8(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

void ApplyLyricsFont(MainControls& c, const LyricsFontSettings& font) {
  Select(c.font_box, font.font_index);
  Select(c.size_box, font.size_index);
  c.bold_box->setChecked(font.bold);
  c.italic_box->setChecked(font.italic);
  c.underline_box->setChecked(font.underline);
}

LyricsFontSettings LyricsFontOf(const MainControls& c) {
  return {c.font_box->currentIndex(), c.size_box->currentIndex(), c.bold_box->isChecked(),
          c.italic_box->isChecked(), c.underline_box->isChecked()};
}

void ApplyLyricsColors(MainControls& c, const LyricsColorSettings& colors) {
  c.color1->SetColor(colors.text_color1);
  c.color2->SetColor(colors.text_color2);
  c.color3->SetColor(colors.outline_color);
  Select(c.gradient_box, colors.gradient_index);
}

LyricsColorSettings LyricsColorsOf(const MainControls& c) {
  return {c.color1->color(), c.color2->color(), c.color3->color(), c.gradient_box->currentIndex()};
}

void ApplyProfileTexts(MainControls& c, const ProfileSettings& profile) {
  c.ip_box->setText(FromUtf8(profile.ip));
  c.port_box->setText(FromUtf8(profile.port));
  {
    const QSignalBlocker quiet(c.nickname_box);
    c.nickname_box->setText(FromUtf8(profile.nickname));
  }
  c.avatar_url_label->setText(FromUtf8(profile.avatar_url));
  c.notice_label->setText(FromUtf8(profile.notice));
}

void ApplyProfileChecks(MainControls& c, const ProfileSettings& profile) {
  Apply(c.popup_box, profile.popups);
  Apply(c.lyrics_box, profile.show_lyrics);
  Apply(c.auto_connect_box, profile.auto_connect);
  Apply(c.lyrics_lock_box, profile.lyrics_locked);
}

ProfileSettings ProfileOf(const MainControls& c) {
  ProfileSettings p;
  p.ip = c.ip_box->text().toStdString();
  p.port = c.port_box->text().toStdString();
  p.nickname = c.nickname_box->text().toStdString();
  p.avatar_url = c.avatar_url_label->text().toStdString();
  p.notice = c.notice_label->text().toStdString();
  p.popups = c.popup_box->isChecked();
  p.auto_connect = c.auto_connect_box->isChecked();
  p.show_lyrics = c.lyrics_box->isChecked();
  p.lyrics_locked = c.lyrics_lock_box->isChecked();
  return p;
}

void ConfigureLyrics(DesktopLyricsWindow& lyrics, const MainControls& c) {
  lyrics.SetFont(c.font_box->currentText(), c.size_box->currentText().toInt(),
                 c.bold_box->isChecked(), c.italic_box->isChecked(), c.underline_box->isChecked());
  lyrics.SetTextColors(c.color1->color(), c.color2->color(), c.color3->color(),
                       c.gradient_box->currentIndex());
}

}  // namespace quilla::client
