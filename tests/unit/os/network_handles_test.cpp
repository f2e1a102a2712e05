// Network handles over loopback: the address rules, connections to an echo
// server of the test's own, a host accepting a connection the test makes, end
// of file when the peer closes, error 75 (not SIGPIPE) when writing to it, and
// the file statements on a connection.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "runtime/core/core.h"
#include "runtime/os/detail/network_handles.h"
#include "runtime/os/os.h"
#include "runtime/platform/sockets.h"
#include "tests/unit/strings/string_test_support.h"

namespace {

// A loopback port nobody listens on: bound once, then let go. The system picks
// odd ports for such binds, so an even one is asked for by number.
int32_t free_port(bool even = false) {
  for (int32_t wanted = even ? 20000 : 0;; wanted += 2) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(wanted));
    const bool bound = bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    socklen_t size = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    close(s);
    if (bound) return ntohs(a.sin_port);
  }
}

// A plain client socket of the test, connected to 127.0.0.1:port.
int plain_connect(int32_t port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(s);
    return -1;
  }
  return s;
}

// Repeats attempt every 5 ms until it gives true, for at most 2 s.
template <typename F>
bool eventually(F attempt) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < until) {
    if (attempt()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

class NetworkHandles : public ::testing::Test {
 protected:
  void SetUp() override {
    strings_init();
    network_lists_init();
    error_report_reset();
  }
  void TearDown() override {
    net_close_all();
    run_flags_reset();
  }
  int32_t open(int32_t kind, const std::string& address, int32_t host = 0) {
    return net_open(kind, temp_text(address), host);
  }
  std::string get_string(int32_t handle) {
    str_desc* v = str_new(0, false);
    net_get_string(handle, v);
    const std::string text = text_of(v);
    str_free(v);
    return text;
  }
};

TEST_F(NetworkHandles, AddressRules) {
  const std::string refused = std::to_string(free_port());
  const std::string long_label(64, 'a');
  struct {
    int32_t kind;
    std::string address;
    int32_t result;
  } cases[] = {
      {0, "", -1},
      {0, "TCP/IP", -1},
      {0, "UDP/IP:" + refused + ":127.0.0.1", -1},
      {0, " TCP/IP:" + refused + ":127.0.0.1", -1},
      {0, std::string("TCP/IP\0:", 8) + refused + ":127.0.0.1", -1},
      {0, "TCP/IP:" + refused, -1},                      // a client needs three fields
      {0, "TCP/IP:" + refused + ":127.0.0.1:", -1},
      {1, "TCP/IP:" + refused + ":127.0.0.1", -1},       // a host needs two
      {1, "TCP/IP:1:2:3:4:5:6:7:8:9", -1},               // nine ":" fit, but the count is wrong
      {0, "TCP/IP:1:2:3:4:5:6:7:8:9:10", -1},            // ten ":" do not fit
      {0, "TCP/IP" + std::string(10000, ':'), -1},
      {3, "TCP/IP:" + refused, -1},
      // Well-formed, refused by the transport.
      {0, "tcp/ip:" + refused + ":127.0.0.1", 0},        // any case; nobody listens
      {0, "Tcp/Ip:" + refused + ":localhost", 0},
      {0, "TCP/IP:0:127.0.0.1", 0},
      {0, "TCP/IP:-" + refused + ":127.0.0.1", 0},
      {0, "TCP/IP:65536:127.0.0.1", 0},
      {1, "TCP/IP:99999999999999999999", 0},
      {1, "TCP/IP:1E4000", 0},
      {1, "TCP/IP:&HFFFFFFFFFFFFFFFFFF", 0},             // VAL overflows: refused, no error left
      {1, "TCP/IP:", 0},
      {0, "TCP/IP:" + refused + ":", 0},
      {0, "TCP/IP:" + refused + ":" + std::string("127.0.0.1\0x", 11), 0},
      {0, "TCP/IP:" + refused + ":" + std::string(300, 'h'), 0},
      {0, "TCP/IP:" + refused + ":" + long_label + ".example", 0},  // unresolvable, without asking DNS
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address.substr(0, 60) + " kind " + std::to_string(c.kind));
    EXPECT_EQ(open(c.kind, c.address), c.result);
    EXPECT_EQ(error_report.pending.load(), 0);
  }
}

// The port is VAL of the second field, rounded to the nearest integer, ties to even.
TEST_F(NetworkHandles, PortIsRoundedTiesToEven) {
  const int32_t even = free_port(true);
  struct {
    std::string field;
    int32_t listens_on;
  } cases[] = {
      {std::to_string(even) + ".5", even},
      {std::to_string(even - 1) + ".5", even},
      {std::to_string(even) + ".49", even},
      {" " + std::to_string(even) + "xyz", even},
      {std::to_string(even - 1) + ".51", even},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    const int32_t host = open(1, "TCP/IP:" + c.field);
    ASSERT_GT(host, 0);
    const int s = plain_connect(c.listens_on);
    EXPECT_GE(s, 0);
    close(s);
    net_close(host);
  }
}

TEST_F(NetworkHandles, ClientTalksToEchoServer) {
  const int32_t port = free_port();
  const int listener = tcp_listen(port);
  ASSERT_GE(listener, 0);
  std::thread echo([listener] {
    int s = -1;
    eventually([&] { return (s = tcp_accept(listener)) >= 0; });
    char buffer[4096];
    for (;;) {
      const tcp_read_result r = tcp_read(s, buffer, sizeof buffer);
      if (r.state == tcp_read_state::data) {
        tcp_write(s, buffer, r.bytes, 2000);
      } else if (r.state != tcp_read_state::nothing_yet) {
        break;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    tcp_close(s);
  });

  const int32_t h = open(0, "TCP/IP:" + std::to_string(port) + ":localhost");
  ASSERT_GT(h, 0);
  EXPECT_EQ(get_string(h), "");  // nothing has arrived: no wait, no error
  net_put_string(h, temp_text("hello, echo"));

  // A fixed-size block is filled only once all of its bytes are there.
  char block[12];
  std::memset(block, '*', sizeof block);
  EXPECT_FALSE(net_get_bytes(h, block, sizeof block));
  EXPECT_EQ(block[0], '*');
  std::string got;
  ASSERT_TRUE(eventually([&] {
    got += get_string(h);
    return got.size() >= 11;
  }));
  EXPECT_EQ(got, "hello, echo");

  // Bytes read ahead for a block come first in the next string.
  const char tail[] = "0123456789ABCD";
  net_put_bytes(h, tail, 14);
  ASSERT_TRUE(eventually([&] { return net_get_bytes(h, block, sizeof block); }));
  EXPECT_EQ(std::string(block, 12), "0123456789AB");
  got.clear();
  ASSERT_TRUE(eventually([&] {
    got += get_string(h);
    return got.size() >= 2;
  }));
  EXPECT_EQ(got, "CD");
  EXPECT_EQ(net_eof(h), 0);
  EXPECT_EQ(error_report.pending.load(), 0);

  net_close(h);  // the echo thread sees the close and ends
  echo.join();
  tcp_close(listener);
  // A closed handle is not open any more.
  net_put_string(h, temp_text("x"));
  EXPECT_EQ(error_report.pending.load(), 52);
}

TEST_F(NetworkHandles, HostAcceptsAndSeesTheEnd) {
  const int32_t port = free_port();
  const int32_t host = open(1, "TCP/IP:" + std::to_string(port));
  ASSERT_GT(host, 0);
  EXPECT_EQ(open(1, "TCP/IP:" + std::to_string(port)), 0);  // the port is taken
  EXPECT_EQ(open(2, "", host), 0);                            // nobody waiting: no wait either
  EXPECT_EQ(open(2, "", host + 100), -1);

  const int peer = plain_connect(port);
  ASSERT_GE(peer, 0);
  int32_t conn = 0;
  ASSERT_TRUE(eventually([&] { return (conn = open(2, "", host)) > 0; }));
  EXPECT_EQ(open(2, "", conn), -1);  // a connection is no host
  net_get_string(host, str_new(0, true));
  EXPECT_EQ(error_report.pending.load(), 54);
  error_report.pending.store(0);

  const char message[] = "last words";
  ASSERT_EQ(send(peer, message, 10, 0), 10);
  close(peer);
  // The bytes sent before the close are there; end of file only once they are taken.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // bytes and close have arrived
  EXPECT_EQ(net_eof(conn), 0);
  char block[10];
  ASSERT_TRUE(eventually([&] { return net_get_bytes(conn, block, sizeof block); }));
  EXPECT_EQ(std::string(block, 10), "last words");
  EXPECT_TRUE(eventually([&] { return net_eof(conn) == -1; }));
  EXPECT_EQ(get_string(conn), "");
  EXPECT_EQ(error_report.pending.load(), 0);

  // Writing to the peer that has gone: error 75, and the process lives on.
  bool failed = false;
  for (int attempt = 0; attempt < 20 && !failed; ++attempt) {
    net_put_string(conn, temp_text("anyone?"));
    failed = error_report.pending.load() == 75;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(failed);
  error_report.pending.store(0);

  net_close_all();
  // Everything is closed: the port can be listened on again.
  const int32_t again = open(1, "TCP/IP:" + std::to_string(port));
  EXPECT_GT(again, 0);
}

// The file statements on a connection: a negative file number is the
// complement of the handle, and PUT, GET, EOF and CLOSE reach the connection.
TEST_F(NetworkHandles, FileStatementsReachAConnection) {
  const int32_t port = free_port();
  const int32_t host = open(1, "TCP/IP:" + std::to_string(port));
  ASSERT_GT(host, 0);
  const int32_t h = open(0, "TCP/IP:" + std::to_string(port) + ":127.0.0.1");
  ASSERT_GT(h, 0);
  const int peer = plain_connect(port);  // a second client, for CLOSE without a number
  ASSERT_GE(peer, 0);
  int32_t far = 0, other = 0;
  ASSERT_TRUE(eventually([&] { return (far = open(2, "", host)) > 0; }));
  ASSERT_TRUE(eventually([&] { return (other = open(2, "", host)) > 0; }));
  const int32_t number = ~h;

  // PUT of a string and of a variable's bytes (a record number means nothing here).
  put_string(number, 0, 0, temp_text("ping"));
  const int32_t value = 0x44434241;
  put_bytes(number, 7, 1, &value, sizeof value);
  std::string got;
  ASSERT_TRUE(eventually([&] {
    got += get_string(far);
    return got.size() >= 8;
  }));
  EXPECT_EQ(got, "pingABCD");

  // GET of a variable waits for all of its bytes; GET of a string takes what came.
  net_put_string(far, temp_text("WXY"));
  int32_t block = -1;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  get_bytes(number, 0, 0, &block, sizeof block);
  EXPECT_EQ(block, -1);
  net_put_string(far, temp_text("Zrest"));
  ASSERT_TRUE(eventually([&] {
    get_bytes(number, 0, 0, &block, sizeof block);
    return block != -1;
  }));
  EXPECT_EQ(block, 0x5a595857);
  got.clear();
  ASSERT_TRUE(eventually([&] {
    str_desc* v = str_new(0, false);
    ::get_string(number, 1, 1, v);
    got += text_of(v);
    str_free(v);
    return got.size() >= 4;
  }));
  EXPECT_EQ(got, "rest");

  // EOF: not while the peer is there, then -1 once it has closed.
  EXPECT_EQ(file_eof(number), 0);
  net_close(far);
  EXPECT_TRUE(eventually([&] { return file_eof(number) == -1; }));
  EXPECT_EQ(error_report.pending.load(), 0);

  // CLOSE #number ends the handle: it names nothing any more.
  file_close(number, 1);
  EXPECT_EQ(error_report.pending.load(), 0);
  put_string(number, 0, 0, temp_text("x"));
  EXPECT_EQ(error_report.pending.load(), 52);
  error_report.pending.store(0);

  // CLOSE without a number closes the other connections and the host: the peer sees the end.
  file_close(0, 0);
  EXPECT_EQ(error_report.pending.load(), 0);
  const timeval limit{2, 0};
  setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  char byte;
  EXPECT_EQ(recv(peer, &byte, 1, 0), 0);
  close(peer);
  EXPECT_EQ(file_eof(~other), 0);
  EXPECT_EQ(error_report.pending.load(), 52);
}

TEST(TcpSockets, HostTakesIpv6AndIpv4Clients) {
  const int32_t port = free_port();
  const int listener = tcp_listen(port);
  ASSERT_GE(listener, 0);
  for (const char* address : {"127.0.0.1", "::1"}) {
    SCOPED_TRACE(address);
    const int s = tcp_connect(address, port, 1000);
    if (s < 0 && std::strcmp(address, "::1") == 0) continue;  // no IPv6 loopback on this machine
    ASSERT_GE(s, 0);
    int accepted = -1;
    EXPECT_TRUE(eventually([&] { return (accepted = tcp_accept(listener)) >= 0; }));
    tcp_close(accepted);
    tcp_close(s);
  }
  tcp_close(listener);
}

}  // namespace
