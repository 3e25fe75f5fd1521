#include "protocol/server_transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "protocol/client_transport.h"
#include "transport_test_support.h"
#include "wire_helpers.h"

namespace quilla::protocol {
namespace {

using namespace std::chrono_literals;
using testing::RawPeer;
using testing::Recorder;
using Kind = ServerEvent::Kind;

ServerTransportOptions Loopback() {
  ServerTransportOptions o;
  o.bind_address = "127.0.0.1";
  return o;
}

// The handles of the kConnected events so far, in order.
std::vector<ClientHandle> Connected(const std::vector<ServerEvent>& events) {
  std::vector<ClientHandle> out;
  for (const auto& e : events) {
    if (e.kind == Kind::kConnected) out.push_back(e.handle);
  }
  return out;
}

std::size_t CountKind(const std::vector<ServerEvent>& events, Kind kind) {
  std::size_t n = 0;
  for (const auto& e : events) n += e.kind == kind;
  return n;
}

TEST(ServerTransportTest, StartRefusals) {
  ServerTransport a(Loopback());
  std::string error;
  ASSERT_TRUE(a.Start(0, nullptr, &error)) << error;
  EXPECT_TRUE(a.IsStarted());
  EXPECT_GT(a.port(), 0);

  EXPECT_FALSE(a.Start(0, nullptr, &error));  // already started
  EXPECT_FALSE(error.empty());

  ServerTransport b(Loopback());
  struct Case {
    int port;
    std::string text;
  } cases[] = {
      {a.port(), "端口 " + std::to_string(a.port()) + " 已被占用"},
      {-1, "端口 -1 超出范围（0-65535）"},
      {65536, "端口 65536 超出范围（0-65535）"},
  };
  for (const auto& c : cases) {
    error.clear();
    EXPECT_FALSE(b.Start(c.port, nullptr, &error)) << c.port;
    EXPECT_EQ(error, c.text);
    EXPECT_FALSE(b.IsStarted());
  }
  a.Stop();
  EXPECT_FALSE(a.IsStarted());
  EXPECT_EQ(a.port(), 0);
}

TEST(ServerTransportTest, ManyClientsEachInOrder) {
  constexpr int kClients = 40;
  constexpr int kMessages = 50;
  Recorder<ServerEvent> events;
  ServerTransport server(Loopback());
  // Echo every message back to its sender, from the handler.
  ASSERT_TRUE(server.Start(0, [&](ServerEvent&& e) {
    if (e.kind == Kind::kDataArrived) {
      EXPECT_TRUE(server.Send(e.handle, e.data));
    }
    events.Add(std::move(e));
  }));

  std::vector<std::unique_ptr<Recorder<ClientEvent>>> received;  // outlives the clients
  std::vector<std::unique_ptr<ClientTransport>> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.push_back(std::make_unique<ClientTransport>());
    received.push_back(std::make_unique<Recorder<ClientEvent>>());
    ASSERT_TRUE(clients[c]->Connect(server.port(), "127.0.0.1", received[c]->Handler(), 5s));
  }
  // All clients send at once, each from its own thread.
  std::vector<std::thread> senders;
  for (int c = 0; c < kClients; ++c) {
    senders.emplace_back([&, c] {
      for (int m = 0; m < kMessages; ++m) {
        EXPECT_TRUE(clients[c]->Send("c" + std::to_string(c) + "m" + std::to_string(m)));
      }
    });
  }
  for (auto& t : senders) t.join();

  for (int c = 0; c < kClients; ++c) {
    ASSERT_TRUE(received[c]->WaitForCount(kMessages)) << c;
    const auto got = received[c]->Snapshot();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kMessages));
    for (int m = 0; m < kMessages; ++m) {
      EXPECT_EQ(got[m].kind, ClientEvent::Kind::kDataArrived);
      EXPECT_EQ(got[m].data, "c" + std::to_string(c) + "m" + std::to_string(m));
    }
  }
  // On the server every connection saw kConnected before its data, in order.
  const auto all = events.Snapshot();
  const auto handles = Connected(all);
  EXPECT_EQ(handles.size(), static_cast<std::size_t>(kClients));
  std::map<ClientHandle, int> next;
  for (const auto& e : all) {
    if (e.kind == Kind::kConnected) {
      EXPECT_EQ(next.count(e.handle), 0u);
      next[e.handle] = 0;
    } else if (e.kind == Kind::kDataArrived) {
      ASSERT_EQ(next.count(e.handle), 1u) << "data before kConnected";
      const std::string suffix = "m" + std::to_string(next[e.handle]++);
      EXPECT_TRUE(e.data.ends_with(suffix)) << e.data;
    }
  }
}

TEST(ServerTransportTest, LargeAndSmallMessagesKeepTheirOrder) {
  Recorder<ServerEvent> events;
  ServerTransport server(Loopback());
  ASSERT_TRUE(server.Start(0, events.Handler()));
  RawPeer peer(server.port());
  ASSERT_TRUE(events.WaitForCount(1));
  const ClientHandle h = events.Snapshot()[0].handle;

  std::vector<std::string> sent;
  for (int i = 0; i < 30; ++i) {
    sent.push_back(i % 3 == 0 ? std::string(100000 + i, static_cast<char>('a' + i % 26))
                              : "small" + std::to_string(i));
    ASSERT_TRUE(server.Send(h, sent.back()));
  }
  const auto bodies = peer.ReadBodies(sent.size());
  ASSERT_EQ(bodies.size(), sent.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_TRUE(bodies[i].data == sent[i]) << i;
  }
  // Each connection's tags run 0006, 0007, 0008, 0009, 0005, ...
  const char* tags[] = {"0006", "0007", "0008", "0009", "0005", "0006"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(bodies[i].tag, tags[i]);
}

TEST(ServerTransportTest, SendFromSeveralThreadsNeverInterleaves) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 300;
  // 12 MB may pile up faster than this test reads; the bound is not under test here.
  auto options = Loopback();
  options.max_unsent_bytes = 64u << 20;
  Recorder<ServerEvent> events;
  ServerTransport server(options);
  ASSERT_TRUE(server.Start(0, events.Handler()));
  RawPeer peer(server.port());
  ASSERT_TRUE(events.WaitForCount(1));
  const ClientHandle h = events.Snapshot()[0].handle;

  // The peer reads while the threads send, as a live client does.
  std::vector<Body> bodies;
  std::thread reader([&] { bodies = peer.ReadBodies(kThreads * kPerThread); });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        // Sizes vary so that some messages span chunks.
        std::string body = std::to_string(t) + ":" + std::to_string(i) + ":";
        body.append(static_cast<std::size_t>((i * 997) % 20000), static_cast<char>('A' + t));
        ASSERT_TRUE(server.Send(h, std::move(body)));
      }
    });
  }
  for (auto& t : threads) t.join();
  reader.join();
  ASSERT_EQ(bodies.size(), static_cast<std::size_t>(kThreads * kPerThread));
  int next[kThreads] = {};
  for (const auto& b : bodies) {
    const int t = b.data[0] - '0';
    ASSERT_TRUE(t >= 0 && t < kThreads);
    const std::string head = std::to_string(t) + ":" + std::to_string(next[t]) + ":";
    ASSERT_TRUE(b.data.starts_with(head)) << b.data.substr(0, 20);
    EXPECT_EQ(b.data.size(), head.size() + (next[t] * 997) % 20000);
    EXPECT_EQ(b.data.find_first_not_of(static_cast<char>('A' + t), head.size()), std::string::npos);
    ++next[t];
  }
}

TEST(ServerTransportTest, ClosedEventsAndHandles) {
  Recorder<ServerEvent> events;
  ServerTransport server(Loopback());
  ASSERT_TRUE(server.Start(0, events.Handler()));
  auto a = std::make_unique<RawPeer>(server.port());
  auto b = std::make_unique<RawPeer>(server.port());
  ASSERT_TRUE(events.WaitForCount(2));
  const auto handles = Connected(events.Snapshot());
  ASSERT_EQ(handles.size(), 2u);
  EXPECT_GT(handles[0], 0);
  EXPECT_NE(handles[0], handles[1]);
  EXPECT_EQ(server.connection_count(), 2u);

  // A handle survives its trip through decimal text (the user table stores it so).
  const ClientHandle from_text = std::stoi(std::to_string(handles[1]));
  EXPECT_TRUE(server.Send(from_text, "hi"));
  EXPECT_EQ(b->ReadBodies(1).at(0).data, "hi");

  a->WriteMessage("0011", "last words");
  a->Close();
  ASSERT_TRUE(events.WaitUntil([&](const auto& e) { return CountKind(e, Kind::kClosed) == 1; }));
  const auto after = events.Snapshot();
  // The closed connection's message came before its kClosed, and kClosed is its last event.
  EXPECT_EQ(after[after.size() - 2].kind, Kind::kDataArrived);
  EXPECT_EQ(after[after.size() - 2].data, "last words");
  EXPECT_EQ(after.back().kind, Kind::kClosed);
  // Which handle closed is not known beforehand: the accept order decides it.
  const ClientHandle closed = after.back().handle;
  const ClientHandle open = closed == handles[0] ? handles[1] : handles[0];
  EXPECT_FALSE(server.Send(closed, "x"));
  EXPECT_TRUE(server.Send(open, "x"));
  EXPECT_FALSE(server.Send(open, ""));
  EXPECT_FALSE(server.Send(987654, "x"));
  EXPECT_EQ(server.connection_count(), 1u);

  // A new connection gets a new number, never one used before.
  RawPeer c(server.port());
  ASSERT_TRUE(events.WaitUntil([](const auto& e) { return Connected(e).size() == 3; }));
  const ClientHandle third = Connected(events.Snapshot())[2];
  EXPECT_GT(third, std::max(handles[0], handles[1]));
}

TEST(ServerTransportTest, StopWithConnectedClients) {
  Recorder<ServerEvent> events;
  std::atomic<bool> stopped{false};
  std::atomic<int> events_after_stop{0};
  ServerTransport server(Loopback());
  ASSERT_TRUE(server.Start(0, [&](ServerEvent&& e) {
    if (stopped) ++events_after_stop;
    events.Add(std::move(e));
  }));
  constexpr int kClients = 10;
  std::vector<std::unique_ptr<Recorder<ClientEvent>>> received;  // outlives the clients
  std::vector<std::unique_ptr<ClientTransport>> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.push_back(std::make_unique<ClientTransport>());
    received.push_back(std::make_unique<Recorder<ClientEvent>>());
    ASSERT_TRUE(clients[c]->Connect(server.port(), "127.0.0.1", received[c]->Handler(), 5s));
  }
  ASSERT_TRUE(events.WaitForCount(kClients));
  // Unsent data and a busy server do not hold Stop up.
  for (const ClientHandle h : Connected(events.Snapshot())) {
    for (int i = 0; i < 50; ++i) server.Send(h, std::string(50000, 'x'));
  }
  const auto t0 = std::chrono::steady_clock::now();
  server.Stop();
  stopped = true;
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
  EXPECT_FALSE(server.IsStarted());
  EXPECT_EQ(server.connection_count(), 0u);
  EXPECT_EQ(CountKind(events.Snapshot(), Kind::kClosed), 0u);  // Stop reports no kClosed

  // Every client learns that its connection is gone.
  for (int c = 0; c < kClients; ++c) {
    EXPECT_TRUE(received[c]->WaitUntil([](const auto& e) {
      return !e.empty() && e.back().kind == ClientEvent::Kind::kClosed;
    })) << c;
    EXPECT_FALSE(clients[c]->IsConnected());
  }
  EXPECT_EQ(events_after_stop, 0);
  const ClientHandle last_before = Connected(events.Snapshot()).back();

  // The same object starts again; handles keep counting up.
  ASSERT_TRUE(server.Start(0, events.Handler()));
  RawPeer again(server.port());
  ASSERT_TRUE(events.WaitUntil([](const auto& e) { return Connected(e).size() == kClients + 1; }));
  EXPECT_GT(Connected(events.Snapshot()).back(), last_before);
  server.Stop();
}

TEST(ServerTransportTest, ReservedTagIsDroppedOnTheServer) {
  Recorder<ServerEvent> events;
  ServerTransport server(Loopback());
  ASSERT_TRUE(server.Start(0, events.Handler()));
  RawPeer peer(server.port());
  peer.WriteMessage("0001", "reserved");
  peer.WriteMessage("0011", "kept");
  ASSERT_TRUE(events.WaitForCount(2));
  std::this_thread::sleep_for(50ms);  // room for a wrongly delivered third event
  const auto e = events.Snapshot();
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[1].kind, Kind::kDataArrived);
  EXPECT_EQ(e[1].data, "kept");
}

TEST(ServerTransportTest, StalledPartialChunkIsDiscarded) {
  auto options = Loopback();
  options.partial_chunk_timeout = 100ms;
  Recorder<ServerEvent> events;
  ServerTransport server(options);
  ASSERT_TRUE(server.Start(0, events.Handler()));
  RawPeer peer(server.port());
  std::string wire;
  AppendWireMessage(wire, "0011", "never finished");
  peer.Write(wire.substr(0, 30));
  std::this_thread::sleep_for(400ms);
  // Had the partial chunk stayed, this chunk would be read as its missing tail.
  peer.WriteMessage("0012", "fresh start");
  ASSERT_TRUE(events.WaitForCount(2));
  EXPECT_EQ(events.Snapshot()[1].data, "fresh start");
}

TEST(ServerTransportTest, GarbageDoesNotDisturbOtherConnections) {
  Recorder<ServerEvent> events;
  ServerTransport server(Loopback());
  ASSERT_TRUE(server.Start(0, events.Handler()));
  RawPeer bad(server.port());
  RawPeer good(server.port());
  ASSERT_TRUE(events.WaitForCount(2));
  // Junk, an impossible chunk header and a frame claiming 4 GiB: refused, connection open.
  bad.Write(std::string(5000, '\xEE'));
  bad.Write(testing::RawChunk("0011", 0xFFFFFFFFu, 0, "x"));
  good.WriteMessage("0011", "still here");
  ASSERT_TRUE(events.WaitUntil([](const auto& e) {
    return !e.empty() && e.back().kind == Kind::kDataArrived && e.back().data == "still here";
  }));
  std::this_thread::sleep_for(50ms);
  bad.WriteMessage("0011", "resynchronised");
  ASSERT_TRUE(events.WaitUntil([](const auto& e) { return e.back().data == "resynchronised"; }));
  EXPECT_EQ(CountKind(events.Snapshot(), Kind::kClosed), 0u);
}

TEST(ServerTransportTest, SendBatchHoldsWritesUntilItEnds) {
  Recorder<ServerEvent> events;
  ServerTransport server(Loopback());
  ASSERT_TRUE(server.Start(0, events.Handler()));
  RawPeer a(server.port());
  ASSERT_TRUE(events.WaitForCount(1));
  RawPeer b(server.port());
  ASSERT_TRUE(events.WaitForCount(2));
  const ClientHandle ha = Connected(events.Snapshot())[0];
  const ClientHandle hb = Connected(events.Snapshot())[1];
  {
    ServerTransport::SendBatch batch(server);
    for (const char* text : {"one", "two", "three"}) {
      ASSERT_TRUE(server.Send(ha, text));
      ASSERT_TRUE(server.Send(hb, text));
    }
    {
      ServerTransport::SendBatch inner(server);  // joins the outer batch
      ASSERT_TRUE(server.Send(ha, "four"));
    }
    std::this_thread::sleep_for(50ms);
    a.socket().non_blocking(true);
    char byte;
    asio::error_code ec;
    a.socket().read_some(asio::buffer(&byte, 1), ec);
    EXPECT_EQ(ec, asio::error::would_block) << "written before the batch ended";
    a.socket().non_blocking(false);
  }
  auto texts = [](const std::vector<Body>& bodies) {
    std::vector<std::string> out;
    for (const auto& body : bodies) out.push_back(body.data);
    return out;
  };
  EXPECT_EQ(texts(a.ReadBodies(4)), (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_EQ(texts(b.ReadBodies(3)), (std::vector<std::string>{"one", "two", "three"}));

  // A batch that outlives a Stop (from another thread) ends quietly.
  {
    ServerTransport::SendBatch batch(server);
    ASSERT_TRUE(server.Send(hb, "late"));
    std::thread([&] { server.Stop(); }).join();
  }
  EXPECT_FALSE(server.IsStarted());
}

// A peer that never reads: the server must neither grow without bound nor stop serving
// the others. Both limits close the connection; the other client keeps its messages.
TEST(ServerTransportTest, PeerThatStopsReadingIsClosed) {
  struct Case {
    const char* name;
    std::size_t max_unsent_bytes;
    std::chrono::milliseconds write_stall_timeout;
  } cases[] = {
      {"unsent bytes pass the bound", 1u << 20, 60s},
      {"write makes no progress", 256u << 20, 200ms},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto options = Loopback();
    options.max_unsent_bytes = c.max_unsent_bytes;
    options.write_stall_timeout = c.write_stall_timeout;
    Recorder<ServerEvent> events;
    ServerTransport server(options);
    ASSERT_TRUE(server.Start(0, events.Handler()));
    RawPeer deaf(server.port());
    ASSERT_TRUE(events.WaitForCount(1));
    const ClientHandle deaf_handle = events.Snapshot()[0].handle;
    Recorder<ClientEvent> other_events;  // declared first: outlives `other`
    ClientTransport other;
    ASSERT_TRUE(other.Connect(server.port(), "127.0.0.1", other_events.Handler(), 5s));
    ASSERT_TRUE(events.WaitForCount(2));
    const ClientHandle other_handle = events.Snapshot()[1].handle;

    // 64 MiB towards the deaf peer, far beyond what the socket buffers take.
    const std::string chunk(256 * 1024, 'z');
    int refused = 0;
    for (int i = 0; i < 256 && refused == 0; ++i) {
      refused += !server.Send(deaf_handle, chunk);
      ASSERT_TRUE(server.Send(other_handle, "tick" + std::to_string(i)));
      if (i % 16 == 0) std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(events.WaitUntil([&](const auto& e) {
      return CountKind(e, Kind::kClosed) == 1 && e.back().handle == deaf_handle;
    }));
    EXPECT_FALSE(server.Send(deaf_handle, "x"));
    EXPECT_TRUE(deaf.WaitForClose());
    // The other client got every message sent to it, in order.
    ASSERT_TRUE(server.Send(other_handle, "end"));
    ASSERT_TRUE(other_events.WaitUntil([](const auto& e) { return e.back().data == "end"; }));
    const auto got = other_events.Snapshot();
    for (std::size_t i = 0; i + 1 < got.size(); ++i) EXPECT_EQ(got[i].data, "tick" + std::to_string(i));
  }
}

}  // namespace
}  // namespace quilla::protocol
