// Serial ports over a pseudo-terminal pair: the port's device comes from
// QUINTARO_COMn, the settings reach the terminal or are refused, and the
// time-outs bound the waits. Bytes crossing is tested end to end.
#include <fcntl.h>
#include <termios.h>

#include <chrono>

#include "runtime/os/detail/serial_names.h"
#include "tests/unit/os/file_test_support.h"

namespace {

class serial_test : public file_test {
 protected:
  int master = -1;
  int slave = -1;  // kept open by the test to read the terminal's settings

  void SetUp() override {
    file_test::SetUp();
    master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const char* name = ptsname(master);
    ASSERT_NE(name, nullptr);
    slave = ::open(name, O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    setenv("QUINTARO_COM9", name, 1);
    setenv("QUINTARO_COM8", (dir + "/no-such-device").c_str(), 1);
  }

  void TearDown() override {
    file_test::TearDown();
    close(slave);
    close(master);
    unsetenv("QUINTARO_COM9");
    unsetenv("QUINTARO_COM8");
  }
};

TEST(serial_port, termios_for_each_line) {
  struct row {
    serial_line line;
    bool possible;
    tcflag_t flags;  // within CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
  } rows[] = {
      {{300, 1, 7, 10}, true, CS7 | PARENB},
      {{9600, 0, 8, 10}, true, CS8},
      {{1200, 2, 7, 20}, true, CS7 | PARENB | PARODD | CSTOPB},
      {{2400, 3, 8, 10}, true, CS8 | PARENB | CMSPAR},
      {{2400, 4, 7, 10}, true, CS7 | PARENB | PARODD | CMSPAR},
      {{110, 0, 5, 15}, true, CS5 | CSTOPB},
      {{19200, 1, 6, 15}, false, 0},
      {{12345, 0, 8, 10}, false, 0},
  };
  for (const row& r : rows) {
    termios t{};
    EXPECT_EQ(serial_termios(r.line, &t), r.possible) << r.line.baud;
    if (r.possible) {
      EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), r.flags) << r.line.baud;
    }
  }
}

// A pseudo-terminal keeps the speed and the stop bits but always has 8 data
// bits and no parity: other lines are refused as a device refuses them.
TEST_F(serial_test, settings_reach_the_terminal_or_are_refused) {
  struct row {
    const char* name;
    speed_t speed;  // 0: refused
    tcflag_t flags;
  } rows[] = {
      {"com9:9600,N,8,1", B9600, CS8},
      {"COM9:1200,N,8,2", B1200, CS8 | CSTOPB},
      {"COM9:110,N,8", B110, CS8 | CSTOPB},
      {"COM9", 0, 0},  // 300 baud, even parity, 7 bits
      {"COM9:2400,M,8", 0, 0},
      {"COM9:12345,N,8", 0, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const int32_t e = open(r.name, k_binary, 1);
    EXPECT_EQ(e, r.speed ? 0 : 68);
    EXPECT_EQ(file_number_state(1), r.speed ? 1 : 0);
    if (e != 0) continue;
    termios t{};
    ASSERT_EQ(tcgetattr(slave, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), r.speed);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), r.flags);
    file_close(1, 1);
  }
}

TEST_F(serial_test, reads_wait_no_longer_than_the_time_out) {
  ASSERT_EQ(open("COM9:9600,N,8,1,DS150", k_binary, 1), 0);
  char block[8] = {'x'};
  const auto start = std::chrono::steady_clock::now();
  get_bytes(1, 0, 0, block, 8);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(file_eof(1), -1);
  EXPECT_GE(waited, std::chrono::milliseconds(140));
  EXPECT_LT(waited, std::chrono::milliseconds(1500));
}

TEST_F(serial_test, a_port_is_held_by_one_open_and_a_missing_device_is_68) {
  ASSERT_EQ(open("COM9:9600,N,8", k_binary, 1), 0);
  EXPECT_EQ(open("COM9:9600,N,8", k_binary, 2), 68);
  EXPECT_EQ(open("COM8:9600,N,8", k_binary, 3), 68);
  file_close(1, 1);
  EXPECT_EQ(open("COM9:9600,N,8", k_binary, 2), 0);
}

TEST(serial_names, what_is_a_serial_name) {
  struct row {
    const char* name;
    int32_t result;
    int32_t port;
  } rows[] = {
      {"COM1", serial_parsed, 1},         {"com255:", serial_parsed, 255}, {"Com3:9600,n,8,1,cs0,ds0,cd5", serial_parsed, 3},
      {"COM", not_serial, 0},             {"comments.txt", not_serial, 0}, {"COM1.TXT", not_serial, 0},
      {"COM2X", not_serial, 0},           {"COM0", serial_bad, 0},         {"COM01", serial_bad, 0},
      {"COM1:9600,N,8,1,CS70000", serial_bad, 0}, {"COM1:0", serial_bad, 0},
  };
  for (const row& r : rows) {
    serial_name s{};
    const std::string name = r.name;
    EXPECT_EQ(parse_serial_name(reinterpret_cast<const uint8_t*>(name.data()), name.size(), &s), r.result) << r.name;
    if (r.result == serial_parsed) {
      EXPECT_EQ(s.port, r.port) << r.name;
    }
  }
  serial_name s{};
  const std::string full = "COM3:9600,n,8,1,cs0,ds0,cd5";
  parse_serial_name(reinterpret_cast<const uint8_t*>(full.data()), full.size(), &s);
  EXPECT_EQ(s.timeouts[0], 5);
  EXPECT_EQ(s.timeouts[1], 0);
  EXPECT_EQ(s.timeouts[2], 0);
}

}  // namespace
