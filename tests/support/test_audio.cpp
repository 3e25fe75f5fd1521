#include "support/test_audio.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace quilla::testing {
namespace {

std::string Extension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

struct Codec {
  const char* encoder;
  const char* muxer;
};

std::optional<Codec> CodecFor(const std::string& extension) {
  if (extension == ".mp3") return Codec{"libmp3lame", "mp3"};
  if (extension == ".flac") return Codec{"flac", "flac"};
  if (extension == ".ogg") return Codec{"libvorbis", "ogg"};
  if (extension == ".opus") return Codec{"libopus", "opus"};
  if (extension == ".m4a") return Codec{"aac", "ipod"};
  if (extension == ".wav") return Codec{"pcm_s16le", "wav"};
  return std::nullopt;
}

// One sample of the tone into a frame of any of the common sample formats.
void PutSample(AVFrame* frame, int index, double value) {
  const auto format = static_cast<AVSampleFormat>(frame->format);
  switch (format) {
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P:
      reinterpret_cast<int16_t*>(frame->data[0])[index] = static_cast<int16_t>(value * 12000);
      break;
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S32P:
      reinterpret_cast<int32_t*>(frame->data[0])[index] = static_cast<int32_t>(value * 8e8);
      break;
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_FLTP:
      reinterpret_cast<float*>(frame->data[0])[index] = static_cast<float>(value * 0.4);
      break;
    default:
      break;
  }
}

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

bool Drain(AVCodecContext* context, AVFormatContext* format, AVStream* stream, AVPacket* packet) {
  int result;
  while ((result = avcodec_receive_packet(context, packet)) == 0) {
    av_packet_rescale_ts(packet, context->time_base, stream->time_base);
    packet->stream_index = stream->index;
    if (av_interleaved_write_frame(format, packet) < 0) return false;
  }
  return result == AVERROR(EAGAIN) || result == AVERROR_EOF;
}

}  // namespace

bool WriteToneFile(const std::string& path, double seconds, std::string* error) {
  const auto codec_choice = CodecFor(Extension(path));
  if (!codec_choice) return Fail(error, "no codec for " + path);
  const AVCodec* codec = avcodec_find_encoder_by_name(codec_choice->encoder);
  if (!codec) return Fail(error, std::string("encoder missing: ") + codec_choice->encoder);

  AVFormatContext* format = nullptr;
  if (avformat_alloc_output_context2(&format, nullptr, codec_choice->muxer, path.c_str()) < 0)
    return Fail(error, "no muxer for " + path);
  std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> format_owner(
      format, [](AVFormatContext* f) {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
      });
  AVCodecContext* context = avcodec_alloc_context3(codec);
  std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> context_owner(
      context, [](AVCodecContext* c) { avcodec_free_context(&c); });

  context->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  context->sample_rate = 44100;
  if (codec->supported_samplerates) {
    context->sample_rate = codec->supported_samplerates[0];
    for (const int* rate = codec->supported_samplerates; *rate; ++rate) {
      if (*rate == 44100 || *rate == 48000) context->sample_rate = *rate;
    }
  }
  av_channel_layout_default(&context->ch_layout, 1);
  context->bit_rate = 64000;
  context->time_base = AVRational{1, context->sample_rate};
  if (format->oformat->flags & AVFMT_GLOBALHEADER) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(context, codec, nullptr) < 0) return Fail(error, "cannot open the encoder");

  AVStream* stream = avformat_new_stream(format, nullptr);
  avcodec_parameters_from_context(stream->codecpar, context);
  stream->time_base = context->time_base;
  if (avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
    return Fail(error, "cannot write " + path);
  if (avformat_write_header(format, nullptr) < 0) return Fail(error, "cannot write the header");

  const int frame_size = context->frame_size > 0 ? context->frame_size : 1024;
  const auto total = static_cast<int64_t>(seconds * context->sample_rate);
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  bool ok = true;
  for (int64_t done = 0; ok && done < total; done += frame_size) {
    frame->nb_samples = static_cast<int>(std::min<int64_t>(frame_size, total - done));
    frame->format = context->sample_fmt;
    frame->sample_rate = context->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &context->ch_layout);
    ok = av_frame_get_buffer(frame, 0) == 0;
    for (int i = 0; ok && i < frame->nb_samples; ++i) {
      PutSample(frame, i, std::sin(2 * M_PI * 440.0 * double(done + i) / context->sample_rate));
    }
    frame->pts = done;
    ok = ok && avcodec_send_frame(context, frame) == 0 && Drain(context, format, stream, packet);
    av_frame_unref(frame);
  }
  ok = ok && avcodec_send_frame(context, nullptr) == 0 && Drain(context, format, stream, packet);
  ok = ok && av_write_trailer(format) == 0;
  av_packet_free(&packet);
  av_frame_free(&frame);
  return ok || Fail(error, "encoding failed for " + path);
}

namespace {

void SetText(TagLib::File& file, const TestTags& tags) {
  TagLib::PropertyMap properties = file.properties();
  const auto put = [&](const char* key, const std::string& value) {
    if (!value.empty()) properties.replace(key, TagLib::String(value, TagLib::String::UTF8));
  };
  put("TITLE", tags.title);
  put("ARTIST", tags.artist);
  put("ALBUM", tags.album);
  put("GENRE", tags.genre);
  if (tags.lyrics) put("LYRICS", *tags.lyrics);
  file.setProperties(properties);
}

void AddId3Cover(TagLib::ID3v2::Tag* tag, const std::string& bytes) {
  auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
  frame->setMimeType("image/jpeg");
  frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
  frame->setPicture(TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())));
  tag->addFrame(frame);
}

TagLib::FLAC::Picture* FlacPicture(const std::string& bytes) {
  auto* picture = new TagLib::FLAC::Picture;
  picture->setType(TagLib::FLAC::Picture::FrontCover);
  picture->setMimeType("image/jpeg");
  picture->setData(TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())));
  return picture;
}

template <typename File>
bool SaveXiph(const std::string& path, const TestTags& tags) {
  File file(path.c_str());
  if (!file.isValid()) return false;
  SetText(file, tags);
  if (tags.cover_bytes) file.tag()->addPicture(FlacPicture(*tags.cover_bytes));
  return file.save();
}

}  // namespace

bool WriteTags(const std::string& path, const TestTags& tags) {
  const std::string extension = Extension(path);
  if (extension == ".mp3") {
    TagLib::MPEG::File file(path.c_str());
    if (!file.isValid()) return false;
    SetText(file, tags);
    if (tags.cover_bytes) AddId3Cover(file.ID3v2Tag(true), *tags.cover_bytes);
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers);
  }
  if (extension == ".wav") {
    TagLib::RIFF::WAV::File file(path.c_str());
    if (!file.isValid()) return false;
    SetText(file, tags);
    if (tags.cover_bytes) AddId3Cover(file.ID3v2Tag(), *tags.cover_bytes);
    return file.save();
  }
  if (extension == ".flac") {
    TagLib::FLAC::File file(path.c_str());
    if (!file.isValid()) return false;
    SetText(file, tags);
    if (tags.cover_bytes) file.addPicture(FlacPicture(*tags.cover_bytes));
    return file.save();
  }
  if (extension == ".ogg") return SaveXiph<TagLib::Ogg::Vorbis::File>(path, tags);
  if (extension == ".opus") return SaveXiph<TagLib::Ogg::Opus::File>(path, tags);
  if (extension == ".m4a") {
    TagLib::MP4::File file(path.c_str());
    if (!file.isValid()) return false;
    SetText(file, tags);
    if (tags.cover_bytes) {
      TagLib::MP4::CoverArtList covers;
      covers.append(TagLib::MP4::CoverArt(
          TagLib::MP4::CoverArt::JPEG,
          TagLib::ByteVector(tags.cover_bytes->data(),
                             static_cast<unsigned>(tags.cover_bytes->size()))));
      file.tag()->setItem("covr", covers);
    }
    return file.save();
  }
  return false;
}

std::string FakeJpeg(const std::string& marker) {
  return std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + marker + std::string("\xFF\xD9", 2);
}

}  // namespace quilla::testing
