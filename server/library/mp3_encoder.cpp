#include "server/library/mp3_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <vector>

namespace quilla::server::library {
namespace {

struct LameCloser {
  void operator()(lame_global_flags* flags) const { lame_close(flags); }
};

// LAME prints its own notes and errors to stderr unless told otherwise.
void Quiet(const char*, va_list) {}

constexpr int kChunkFrames = 8192;  // PCM frames handed to LAME per call

}  // namespace

std::optional<std::string> EncodeMp3(std::span<const std::int16_t> samples, Mp3Format format) {
  if (format.channels != 1 && format.channels != 2) return std::nullopt;
  std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
  if (!lame) return std::nullopt;
  lame_set_errorf(lame.get(), Quiet);
  lame_set_debugf(lame.get(), Quiet);
  lame_set_msgf(lame.get(), Quiet);
  lame_set_in_samplerate(lame.get(), format.sample_rate);
  lame_set_out_samplerate(lame.get(), format.sample_rate);
  lame_set_num_channels(lame.get(), format.channels);
  lame_set_mode(lame.get(), format.channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(lame.get(), format.bitrate_kbps);
  lame_set_quality(lame.get(), 5);  // LAME's "good, fast" setting
  lame_set_bWriteVbrTag(lame.get(), 1);
  if (lame_init_params(lame.get()) < 0) return std::nullopt;

  std::string mp3;
  // LAME's own worst case for one call: 1.25 x frames + 7200 bytes.
  std::vector<unsigned char> buffer(kChunkFrames * 5 / 4 + 7200);
  const std::size_t frames = samples.size() / static_cast<std::size_t>(format.channels);
  for (std::size_t done = 0; done < frames;) {
    const int count = static_cast<int>(std::min<std::size_t>(kChunkFrames, frames - done));
    // LAME's prototypes take non-const pointers but only read the PCM.
    auto* pcm = const_cast<short*>(samples.data() + done * format.channels);
    const int written =
        format.channels == 1
            ? lame_encode_buffer(lame.get(), pcm, pcm, count, buffer.data(), int(buffer.size()))
            : lame_encode_buffer_interleaved(lame.get(), pcm, count, buffer.data(),
                                             int(buffer.size()));
    if (written < 0) return std::nullopt;
    mp3.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(written));
    done += static_cast<std::size_t>(count);
  }
  const int flushed = lame_encode_flush(lame.get(), buffer.data(), int(buffer.size()));
  if (flushed < 0) return std::nullopt;
  mp3.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(flushed));

  // The first frame was left empty for the info frame, which is known only now.
  const std::size_t tag_size = lame_get_lametag_frame(lame.get(), buffer.data(), buffer.size());
  if (tag_size > 0 && tag_size <= buffer.size() && tag_size <= mp3.size()) {
    std::copy_n(buffer.data(), tag_size, reinterpret_cast<unsigned char*>(mp3.data()));
  }
  return mp3;
}

}  // namespace quilla::server::library
