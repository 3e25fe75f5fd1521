// The server's two hot paths over real loopback connections:
// - one progress tick ("歌曲进度", "歌曲时间", "歌词变更" to every online user), against
//   plain Asio writing the same bytes to the same number of sockets;
// - a request ("点播歌曲") until its "歌曲增加" has reached every connected peer, against a
//   plain Asio ping-pong of the same message sizes.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "bench/server/loopback_readers.h"
#include "protocol/message_frame.h"
#include "protocol/messages.h"
#include "protocol/server_transport.h"
#include "server/app/engine_host.h"
#include "server/app/server_engine.h"
#include "server/app/transport_listener.h"
#include "server/audio/progress_text.h"
#include "server/fakes/fake_audio_player.h"
#include "server/fakes/fake_services.h"

namespace quilla::bench {
namespace {

using server::ClientHandle;
using server::testing::FakeAudioPlayer;
using server::testing::FakeListener;
using server::testing::FakeRadioService;
using server::testing::FakeSpeaker;
using server::testing::ManualDeferrer;
using server::testing::ManualWork;

void RaiseFileLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

// Sends straight through the transport once the users have joined; silent before, so the
// joins' state messages do not flood the benchmark's setup.
class SwitchableOutbox final : public server::Outbox {
 public:
  bool Send(ClientHandle handle, std::string block) override {
    return transport_ != nullptr && transport_->Send(handle, std::move(block));
  }
  // Batches as the program's transport listener does.
  void BeginBatch() override {
    if (transport_) batches_.push_back(std::make_unique<protocol::ServerTransport::SendBatch>(*transport_));
  }
  void EndBatch() override {
    if (!batches_.empty()) batches_.pop_back();
  }
  void Connect(protocol::ServerTransport* transport) { transport_ = transport; }

 private:
  protocol::ServerTransport* transport_ = nullptr;
  std::vector<std::unique_ptr<protocol::ServerTransport::SendBatch>> batches_;
};

// The three messages of the tick measured below: position 1.5 s of a 3-minute song with
// a lyrics line at second 1.
constexpr std::int64_t kPosition = server::kBytesPerSecond * 3 / 2;
constexpr std::int64_t kLength = server::kBytesPerSecond * 180;
std::vector<std::string> TickBlocks() {
  return {protocol::BuildSongProgress(server::ProgressText(kPosition, kLength)),
          protocol::BuildSongTime("00:01 | 03:00"), protocol::BuildLyricsLine("第一句歌词")};
}

std::size_t TickWireBytes() {
  std::size_t bytes = 0;
  for (const auto& block : TickBlocks()) bytes += WireBytes(block.size());
  return bytes;
}

void BM_ProgressTick(benchmark::State& state) {
  RaiseFileLimit();
  const int users = static_cast<int>(state.range(0));
  protocol::ServerTransport transport;
  std::mutex mutex;
  std::condition_variable connected_cv;
  std::vector<ClientHandle> handles;
  transport.Start(0, [&](protocol::ServerEvent&& event) {
    if (event.kind != protocol::ServerEvent::Kind::kConnected) return;
    std::lock_guard lock(mutex);
    handles.push_back(event.handle);
    connected_cv.notify_all();
  });
  LoopbackReaders readers(transport.port(), users);
  {
    std::unique_lock lock(mutex);
    connected_cv.wait(lock, [&] { return static_cast<int>(handles.size()) == users; });
  }

  SwitchableOutbox outbox;
  FakeListener listener;
  FakeAudioPlayer player;
  FakeSpeaker speaker;
  FakeRadioService radio;
  ManualDeferrer deferrer;
  ManualWork work;
  server::EngineDependencies deps;
  deps.outbox = &outbox;
  deps.listener = &listener;
  deps.player = &player;
  deps.speaker = &speaker;
  deps.radio = &radio;
  deps.deferrer = &deferrer;
  deps.work = &work;
  server::ServerEngine engine(deps, 0);
  for (ClientHandle h : handles) engine.OnData(h, protocol::BuildUserJoin("听众", "10.0.0.9"));
  engine.OnData(handles[0], protocol::BuildRequestSong(
                                {"听众", "歌名", "歌手", "http://song", "http://cover",
                                 "[00:01.00]第一句歌词\r\n[00:02.00]第二句"}));
  engine.RequestTick();
  deferrer.RunPosted();  // the stream has opened
  deferrer.RunAll();
  auto& stream = player.stream(engine.current_stream());
  stream.position = kPosition;
  stream.length = kLength;
  outbox.Connect(&transport);

  const std::uint64_t per_tick = TickWireBytes() * static_cast<std::uint64_t>(users);
  std::uint64_t expected = readers.total();
  for (auto _ : state) {
    engine.ProgressTick(server::ProgressMode::kRequest);
    expected += per_tick;
    if (!readers.WaitForTotal(expected)) state.SkipWithError("the clients did not get the tick");
  }
  state.counters["messages/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 3 * users, benchmark::Counter::kIsRate);
  transport.Stop();
}
BENCHMARK(BM_ProgressTick)->Arg(10)->Arg(200)->Arg(1000)->MeasureProcessCPUTime()->UseRealTime();

// The baseline: the same bytes, framed per connection as the transport frames them, written
// with plain Asio to as many accepted sockets.
void BM_RawTickFanOut(benchmark::State& state) {
  RaiseFileLimit();
  const int users = static_cast<int>(state.range(0));
  asio::io_context io;
  asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address("127.0.0.1"), 0});
  LoopbackReaders readers(acceptor.local_endpoint().port(), users);
  std::vector<asio::ip::tcp::socket> sockets;
  std::vector<std::string> wire(users);
  const auto blocks = TickBlocks();
  for (int i = 0; i < users; ++i) {
    sockets.push_back(acceptor.accept());
    sockets.back().set_option(asio::ip::tcp::no_delay(true));
    auto tags = protocol::TagCounter::ForServer();
    for (const auto& block : blocks) protocol::AppendWireMessage(wire[i], tags.Next(), block);
  }
  const std::uint64_t per_tick = TickWireBytes() * static_cast<std::uint64_t>(users);
  std::uint64_t expected = 0;
  for (auto _ : state) {
    for (int i = 0; i < users; ++i) asio::write(sockets[i], asio::buffer(wire[i]));
    expected += per_tick;
    if (!readers.WaitForTotal(expected)) state.SkipWithError("the clients did not get the tick");
  }
  state.counters["messages/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 3 * users, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RawTickFanOut)->Arg(10)->Arg(200)->Arg(1000)->MeasureProcessCPUTime()->UseRealTime();

// --- Request to "歌曲增加" at every peer ----------------------------------------------------

constexpr int kPeers = 200;
constexpr int kRounds = 400;

protocol::SongRequest BenchRequest() {
  return {"听众", "一首很好听的歌", "某位歌手", "http://127.0.0.1/song.mp3",
          "http://127.0.0.1/cover.jpg", "[00:01.00]第一句歌词\r\n[00:02.00]第二句歌词"};
}

void ReportLatencies(benchmark::State& state, std::vector<double> micros) {
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

void BM_RequestToEveryPeer(benchmark::State& state) {
  RaiseFileLimit();
  protocol::ServerTransport transport;
  server::EngineHost host;
  server::TransportListener listener(transport, host);
  FakeAudioPlayer player;
  FakeSpeaker speaker;
  FakeRadioService radio;
  server::EngineDependencies deps;
  deps.outbox = &listener;
  deps.listener = &listener;
  deps.player = &player;
  deps.speaker = &speaker;
  deps.radio = &radio;
  deps.deferrer = &host;
  deps.work = &host;
  deps.timers = &host;
  server::ServerEngine engine(deps, 0);
  listener.SetEngine(&engine);
  host.Start();
  bool started = false;
  host.PostAndWait([&] { started = listener.Start(0, nullptr); });
  if (!started) return state.SkipWithError("no listener");

  auto client_tags = protocol::TagCounter::ForClient();
  auto wire = [&client_tags](const std::string& block) {
    std::string out;
    protocol::AppendWireMessage(out, client_tags.Next(), block);
    return out;
  };
  const std::string join = protocol::BuildUserJoin("听众", "10.0.0.9");
  LoopbackReaders peers(transport.port(), kPeers, [&](std::size_t) { return wire(join); });
  // Every join has been answered once the last joiner got its state.
  std::size_t joined = 0;
  while (joined < kPeers) {
    host.PostAndWait([&] { joined = engine.users().size(); });
  }
  const std::string request = protocol::BuildRequestSong(BenchRequest());
  const std::uint64_t added_bytes =
      WireBytes(protocol::BuildSongAdded(BenchRequest().title, BenchRequest().requester).size());
  std::vector<double> micros;
  for (auto _ : state) {
    micros.clear();
    for (int round = 0; round < kRounds; ++round) {
      // The previous round has fully arrived, so every byte counted now is this round's.
      const std::uint64_t before = peers.total();
      const auto t0 = std::chrono::steady_clock::now();
      peers.PostWrite(0, wire(request));
      if (!peers.WaitForTotal(before + added_bytes * kPeers)) {
        return state.SkipWithError("a peer missed the broadcast");
      }
      micros.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
  }
  ReportLatencies(state, micros);
  host.PostAndWait([&] { listener.Stop(); });
  host.Shutdown();
}
BENCHMARK(BM_RequestToEveryPeer)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: one client sends the request's bytes to a plain Asio server, which answers
// with as many bytes as one "歌曲增加" takes; the round trip of one peer.
void BM_PingPong(benchmark::State& state) {
  auto client_tags = protocol::TagCounter::ForClient();
  std::string request;
  protocol::AppendWireMessage(request, client_tags.Next(),
                              protocol::BuildRequestSong(BenchRequest()));
  std::string reply;
  protocol::AppendWireMessage(
      reply, "0006", protocol::BuildSongAdded(BenchRequest().title, BenchRequest().requester));

  asio::io_context io;
  asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address("127.0.0.1"), 0});
  std::thread echo([&] {
    auto socket = acceptor.accept();
    socket.set_option(asio::ip::tcp::no_delay(true));
    std::string buffer(request.size(), '\0');
    asio::error_code ec;
    while (!ec) {
      asio::read(socket, asio::buffer(buffer), ec);
      if (!ec) asio::write(socket, asio::buffer(reply), ec);
    }
  });
  asio::ip::tcp::socket client(io);
  client.connect(acceptor.local_endpoint());
  client.set_option(asio::ip::tcp::no_delay(true));
  std::string answer(reply.size(), '\0');
  std::vector<double> micros;
  for (auto _ : state) {
    micros.clear();
    for (int round = 0; round < kRounds; ++round) {
      const auto t0 = std::chrono::steady_clock::now();
      asio::write(client, asio::buffer(request));
      asio::read(client, asio::buffer(answer));
      micros.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
  }
  ReportLatencies(state, micros);
  client.close();
  echo.join();
}
BENCHMARK(BM_PingPong)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quilla::bench

BENCHMARK_MAIN();
