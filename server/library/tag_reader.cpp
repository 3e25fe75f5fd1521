#include "server/library/tag_reader.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <mutex>

#include "encoding/gbk.h"
#include "server/library/file_names.h"

namespace quilla::server::library {
namespace {

// Latin-1-declared bytes as GBK when they are valid GBK and hold a Chinese character.
TagLib::String DecodeLegacyText(const TagLib::ByteVector& data) {
  std::string bytes(data.data(), data.size());
  if (const auto nul = bytes.find('\0'); nul != std::string::npos) bytes.resize(nul);
  const bool high = std::any_of(bytes.begin(), bytes.end(),
                                [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (high) {
    const std::string utf8 = encoding::GbkToUtf8(bytes);
    const bool valid = utf8.find("\xEF\xBF\xBD") == std::string::npos;
    // Any character at or above U+2E80 takes three UTF-8 bytes starting at 0xE2..0xEF.
    const bool chinese = std::any_of(utf8.begin(), utf8.end(), [](char c) {
      return static_cast<unsigned char>(c) >= 0xE2 && static_cast<unsigned char>(c) <= 0xEF;
    });
    if (valid && chinese) return TagLib::String(utf8, TagLib::String::UTF8);
  }
  return TagLib::String(bytes, TagLib::String::Latin1);
}

class LegacyId3v1Text : public TagLib::ID3v1::StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return DecodeLegacyText(data).stripWhiteSpace();
  }
};

class LegacyId3v2Text : public TagLib::ID3v2::Latin1StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    return DecodeLegacyText(data);
  }
};

// TagLib's handlers are process-wide; set them once, before the first file is opened.
void InstallTextHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const LegacyId3v1Text id3v1;
    static const LegacyId3v2Text id3v2;
    TagLib::ID3v1::Tag::setStringHandler(&id3v1);
    TagLib::ID3v2::Tag::setLatin1StringHandler(&id3v2);
  });
}

std::string Utf8(const TagLib::String& text) {
  return text.stripWhiteSpace().to8Bit(true);
}

std::optional<std::string> Bytes(const TagLib::ByteVector& data) {
  if (data.isEmpty()) return std::nullopt;
  return std::string(data.data(), data.size());
}

std::optional<std::string> Id3v2Cover(TagLib::ID3v2::Tag* tag) {
  if (!tag) return std::nullopt;
  std::optional<std::string> any;
  for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
    auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
    if (!picture) continue;
    if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
      return Bytes(picture->picture());
    if (!any) any = Bytes(picture->picture());
  }
  return any;
}

std::optional<std::string> FlacCover(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
  std::optional<std::string> any;
  for (TagLib::FLAC::Picture* picture : pictures) {
    if (picture->type() == TagLib::FLAC::Picture::FrontCover) return Bytes(picture->data());
    if (!any) any = Bytes(picture->data());
  }
  return any;
}

std::optional<std::string> Mp4Cover(TagLib::MP4::Tag* tag) {
  if (!tag || !tag->contains("covr")) return std::nullopt;
  const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
  if (covers.isEmpty()) return std::nullopt;
  return Bytes(covers.front().data());
}

std::optional<std::string> CoverOf(TagLib::File* file) {
  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
    return mpeg->hasID3v2Tag() ? Id3v2Cover(mpeg->ID3v2Tag()) : std::nullopt;
  if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file))
    return wav->hasID3v2Tag() ? Id3v2Cover(wav->ID3v2Tag()) : std::nullopt;
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) return FlacCover(flac->pictureList());
  if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file))
    return vorbis->tag() ? FlacCover(vorbis->tag()->pictureList()) : std::nullopt;
  if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file))
    return opus->tag() ? FlacCover(opus->tag()->pictureList()) : std::nullopt;
  if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) return Mp4Cover(mp4->tag());
  return std::nullopt;
}

std::optional<std::string> LyricsOf(TagLib::File* file) {
  const TagLib::PropertyMap properties = file->properties();
  for (const auto& [key, values] : properties) {
    // "LYRICS", "LYRICS:description" (ID3 USLT with a description), "UNSYNCEDLYRICS".
    if (!key.startsWith("LYRICS") && key != "UNSYNCEDLYRICS") continue;
    for (const TagLib::String& value : values) {
      if (!value.stripWhiteSpace().isEmpty()) return value.to8Bit(true);
    }
  }
  return std::nullopt;
}

TagLib::FileRef Open(const std::string& path, bool read_properties) {
  InstallTextHandlers();
  return TagLib::FileRef(path.c_str(), read_properties, TagLib::AudioProperties::Average);
}

}  // namespace

LibrarySong ReadSongFile(const std::string& path, std::int64_t size, std::int64_t mtime_ns) {
  LibrarySong song;
  song.path = path;
  song.size = size;
  song.mtime_ns = mtime_ns;
  song.file_stem = FileStemText(path);
  const TagLib::FileRef ref = Open(path, true);
  if (!ref.isNull() && ref.tag()) {
    const TagLib::Tag* tag = ref.tag();
    song.title = Utf8(tag->title());
    song.artist = Utf8(tag->artist());
    song.album = Utf8(tag->album());
    song.genre = Utf8(tag->genre());
    if (const TagLib::AudioProperties* audio = ref.audioProperties())
      song.duration_ms = audio->lengthInMilliseconds();
    song.embedded_cover = CoverOf(ref.file()).has_value();
    song.embedded_lyrics = LyricsOf(ref.file()).has_value();
  }
  if (song.title.empty() || song.artist.empty()) {
    const NameTags named = TagsFromFileName(song.file_stem);
    if (song.title.empty()) {
      song.title = named.title;
      // The name's artist belongs to the name's title: only take it together.
      if (song.artist.empty()) song.artist = named.artist;
    } else {
      song.artist = named.artist;
    }
  }
  if (song.title.empty()) song.title = song.file_stem.empty() ? "?" : song.file_stem;
  return song;
}

std::optional<std::string> ReadEmbeddedCover(const std::string& path) {
  const TagLib::FileRef ref = Open(path, false);
  return ref.isNull() ? std::nullopt : CoverOf(ref.file());
}

std::optional<std::string> ReadEmbeddedLyrics(const std::string& path) {
  const TagLib::FileRef ref = Open(path, false);
  return ref.isNull() ? std::nullopt : LyricsOf(ref.file());
}

}  // namespace quilla::server::library
