#include "protocol/client_transport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "transport_test_support.h"

namespace quilla::protocol {
namespace {

using namespace std::chrono_literals;
using testing::RawPeer;
using testing::Recorder;
using Kind = ClientEvent::Kind;

// A plain listening socket on loopback that the test accepts from by hand.
class RawServer {
 public:
  explicit RawServer(int backlog = 10) : acceptor_(io_) {
    const asio::ip::tcp::endpoint ep(asio::ip::make_address_v4("127.0.0.1"), 0);
    acceptor_.open(ep.protocol());
    acceptor_.bind(ep);
    acceptor_.listen(backlog);
  }
  int port() { return acceptor_.local_endpoint().port(); }
  RawPeer Accept() { return RawPeer(acceptor_.accept()); }

 private:
  asio::io_context io_;
  asio::ip::tcp::acceptor acceptor_;
};

TEST(ClientTransportTest, TagsStartAt0011AndContinueAcrossReconnects) {
  RawServer server;
  Recorder<ClientEvent> events;
  ClientTransport client;
  ASSERT_TRUE(client.Connect(server.port(), "127.0.0.1", events.Handler(), 5s));
  RawPeer peer = server.Accept();
  EXPECT_TRUE(client.IsConnected());
  EXPECT_EQ(client.LocalAddress(), "127.0.0.1");  // the address the server sees
  ASSERT_TRUE(client.Send("one"));
  ASSERT_TRUE(client.Send("two"));
  auto bodies = peer.ReadBodies(2);
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_EQ(bodies[0], (Body{"0011", "one"}));
  EXPECT_EQ(bodies[1], (Body{"0012", "two"}));

  client.Close();
  EXPECT_FALSE(client.IsConnected());
  EXPECT_EQ(client.LocalAddress(), "");
  EXPECT_FALSE(client.Send("x"));
  EXPECT_TRUE(peer.WaitForClose());
  EXPECT_TRUE(events.Snapshot().empty());  // Close reports no kClosed

  ASSERT_TRUE(client.Connect(server.port(), "localhost", events.Handler(), 5s));
  RawPeer second = server.Accept();
  ASSERT_TRUE(client.Send("three"));
  EXPECT_EQ(second.ReadBodies(1).at(0), (Body{"0013", "three"}));
}

TEST(ClientTransportTest, ReceivesInOrderAndReportsLossOnce) {
  RawServer server;
  Recorder<ClientEvent> events;
  Recorder<ClientEvent> again;  // for the second connection; outlives `client`
  ClientTransport client;
  ASSERT_TRUE(client.Connect(server.port(), "127.0.0.1", events.Handler(), 5s));
  RawPeer peer = server.Accept();
  // Two frames in one write, then a large one, then the server goes away.
  std::string wire;
  AppendWireMessage(wire, "0006", "first");
  AppendWireMessage(wire, "0007", "second");
  AppendWireMessage(wire, "0008", std::string(50000, 'L'));
  peer.Write(wire);
  peer.Close();
  ASSERT_TRUE(events.WaitForCount(4));
  std::this_thread::sleep_for(50ms);  // room for a wrongly repeated kClosed
  const auto e = events.Snapshot();
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].data, "first");
  EXPECT_EQ(e[1].data, "second");
  EXPECT_EQ(e[2].data, std::string(50000, 'L'));
  EXPECT_EQ(e[3].kind, Kind::kClosed);
  EXPECT_FALSE(client.IsConnected());
  EXPECT_FALSE(client.Send("x"));

  // After a loss the same object connects again, as the client's reconnect does.
  ASSERT_TRUE(client.Connect(server.port(), "127.0.0.1", again.Handler(), 5s));
  RawPeer second = server.Accept();
  ASSERT_TRUE(client.Send("back"));
  EXPECT_EQ(second.ReadBodies(1).at(0).data, "back");
  second.WriteMessage("0006", "welcome");
  ASSERT_TRUE(again.WaitForCount(1));
  EXPECT_EQ(again.Snapshot()[0].data, "welcome");
  client.Close();
}

TEST(ClientTransportTest, EmptyMessageFromTheServerEndsTheConnection) {
  RawServer server;
  Recorder<ClientEvent> events;
  ClientTransport client;
  ASSERT_TRUE(client.Connect(server.port(), "127.0.0.1", events.Handler(), 5s));
  RawPeer peer = server.Accept();
  std::string wire;
  AppendWireMessage(wire, "0006", "before");
  AppendWireMessage(wire, "0007", "");
  AppendWireMessage(wire, "0008", "after");
  peer.Write(wire);
  ASSERT_TRUE(events.WaitForCount(2));
  const auto e = events.Snapshot();
  EXPECT_EQ(e[0].data, "before");
  EXPECT_EQ(e[1].kind, Kind::kClosed);
  EXPECT_TRUE(peer.WaitForClose());  // the client really let go of the connection
  EXPECT_FALSE(client.IsConnected());
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(events.Snapshot().size(), 2u);
}

TEST(ClientTransportTest, ConnectFailures) {
  int closed_port;
  {
    RawServer gone;
    closed_port = gone.port();
  }
  struct Case {
    const char* name;
    int port;
    std::string address;
  } cases[] = {
      {"nobody listens", closed_port, "127.0.0.1"},
      {"port 0", 0, "127.0.0.1"},
      {"port too large", 65536, "127.0.0.1"},
      {"no address", 800, ""},
  };
  for (const auto& c : cases) {
    ClientTransport client;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.Connect(c.port, c.address, nullptr, 5s)) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 2s) << c.name;
    EXPECT_FALSE(client.IsConnected()) << c.name;
  }
  // Connecting twice without a Close in between is refused; the first connection stays.
  RawServer server;
  ClientTransport client;
  ASSERT_TRUE(client.Connect(server.port(), "127.0.0.1", nullptr, 5s));
  EXPECT_FALSE(client.Connect(server.port(), "127.0.0.1", nullptr, 5s));
  EXPECT_TRUE(client.IsConnected());
}

TEST(ClientTransportTest, ConnectGivesUpAfterItsTimeout) {
  // A listener that never accepts, with its queue filled by other connects: further
  // handshakes go unanswered, so the connect can only end by its timeout.
  RawServer server(/*backlog=*/0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(server.port()));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<int> fillers;
  for (int i = 0; i < 8; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(fd, 0);
    fillers.push_back(fd);
    // In progress or done; either way it takes a slot.
    ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  std::this_thread::sleep_for(100ms);
  ClientTransport client;
  const auto t0 = std::chrono::steady_clock::now();
  const bool ok = client.Connect(server.port(), "127.0.0.1", nullptr, 300ms);
  const auto elapsed = std::chrono::steady_clock::now() - t0;
  for (int fd : fillers) ::close(fd);
  if (ok) GTEST_SKIP() << "this kernel accepted the handshake despite the full queue";
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 2s);
}

}  // namespace
}  // namespace quilla::protocol
