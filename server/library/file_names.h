#pragma once
// What a music file's name and place tell: whether the library takes it, its readable
// name, and the artist and title that names like "周杰伦 - 晴天.mp3" carry.

#include <string>
#include <string_view>

namespace quilla::server::library {

// True for the audio files the library indexes: .mp3, .flac, .ogg, .oga, .opus, .m4a and
// .wav, in any letter case.
bool IsAudioFileName(std::string_view path);

// The file name of `path` without folder and extension, as UTF-8: names that are not
// UTF-8 (copied from a Chinese Windows machine) are read as GBK.
std::string FileStemText(std::string_view path);

struct NameTags {
  std::string artist;  // "" when the name carries none
  std::string title;   // never empty for a non-empty name
};

// "Artist - Title" (also "Artist-Title" and the full-width dash when the name holds one
// dash), with a leading track number ("01. ", "01 - ", "03、") dropped.
NameTags TagsFromFileName(std::string_view stem);

}  // namespace quilla::server::library
