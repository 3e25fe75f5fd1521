// BuildPacket + ParsePacket against bare zlib (compress2 + uncompress) of the same bytes,
// for a 20-byte and a 2 KiB payload. The ratio of the two times is the codec's overhead.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>

#include "encoding/gbk.h"
#include "protocol/packet_codec.h"

namespace {

using namespace quilla::protocol;

// Text that compresses like a real payload: LRC lines with GBK words and times.
std::string Payload(std::size_t size) {
  const std::string line = quilla::encoding::Utf8ToGbk("[01:23.45]我们一起唱这首歌 la la\n");
  std::string out;
  for (int i = 0; out.size() < size; ++i) {
    out += line;
    out[out.size() - 12] = static_cast<char>('0' + i % 10);
  }
  out.resize(size);
  return out;
}

const std::string& Command() {
  static const std::string c = quilla::encoding::Utf8ToGbk("歌词变更");
  return c;
}

void BM_PacketRoundTrip(benchmark::State& state) {
  const std::string payload = Payload(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::string block = BuildPacket(Command(), payload);
    Packet p = ParsePacket(block);
    benchmark::DoNotOptimize(p);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(payload.size()));
}

void BM_BareZlibRoundTrip(benchmark::State& state) {
  const std::string raw = Command() + std::string(kCommandDelimiter) +
                          Payload(static_cast<std::size_t>(state.range(0)));
  std::string compressed(compressBound(raw.size()), '\0');
  std::string restored(raw.size(), '\0');
  for (auto _ : state) {
    uLongf c_size = compressed.size();
    compress2(reinterpret_cast<Bytef*>(compressed.data()), &c_size,
              reinterpret_cast<const Bytef*>(raw.data()), raw.size(), Z_DEFAULT_COMPRESSION);
    uLongf r_size = restored.size();
    uncompress(reinterpret_cast<Bytef*>(restored.data()), &r_size,
               reinterpret_cast<const Bytef*>(compressed.data()), c_size);
    benchmark::DoNotOptimize(restored.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(raw.size()));
}

BENCHMARK(BM_PacketRoundTrip)->Arg(20)->Arg(2048);
BENCHMARK(BM_BareZlibRoundTrip)->Arg(20)->Arg(2048);

}  // namespace

BENCHMARK_MAIN();
