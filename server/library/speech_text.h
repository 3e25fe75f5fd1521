#pragma once
// Announcements mix Chinese with Latin names ("即将播放的歌曲来自 Tom 点播的Paper Boats").
// espeak-ng's Mandarin voice reads Latin letters as pinyin, which garbles English names,
// so a text is spoken in parts: Latin runs in English, the rest in Mandarin.

#include <string>
#include <string_view>
#include <vector>

namespace quilla::server::library {

struct SpeechPart {
  std::string text;  // UTF-8
  bool english = false;
};

// The parts of `text` in order. An English part begins at an ASCII letter and runs on
// over ASCII (letters, digits, spaces, punctuation) until the next character beyond ASCII;
// everything else is Mandarin (Han text, full-width forms, and digits or signs that do not
// follow a Latin letter, which Mandarin reads as Chinese numbers). Parts that hold only
// white space are left out. Pure.
std::vector<SpeechPart> SplitSpeechText(std::string_view text);

}  // namespace quilla::server::library
