// Serial ports over a pseudo-terminal pair: the port's device comes from
// QUINTARO_COMn, the settings reach the terminal or are refused, and the
// time-outs bound the waits. Bytes crossing is tested end to end.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>

#include <chrono>
#include <thread>

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
    if (master >= 0) close(master);
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
      {{300, 1, 7, 10, 0}, true, CS7 | PARENB},
      {{9600, 0, 8, 10, 0}, true, CS8},
      {{1200, 2, 7, 20, 0}, true, CS7 | PARENB | PARODD | CSTOPB},
      {{2400, 3, 8, 10, 0}, true, CS8 | PARENB | CMSPAR},
      {{2400, 4, 7, 10, 0}, true, CS7 | PARENB | PARODD | CMSPAR},
      {{110, 0, 5, 15, 0}, true, CS5 | CSTOPB},
      {{19200, 1, 6, 15, 0}, false, 0},
      {{12345, 0, 8, 10, 0}, false, 0},
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
  EXPECT_LT(waited, std::chrono::milliseconds(5000));
}

// After the far end hangs up the port reads as ended: INPUT # gives 62 at once, never a spin until the time-out or past it. Run
// in a child process so that a read that never returns fails the test.
TEST_F(serial_test, a_hang_up_ends_the_data) {
  ASSERT_EQ(open("COM9:9600,N,8,1,DS30000", k_input, 2), 0);
  ASSERT_EQ(write(master, "first\r\n", 7), 7);
  str_desc* v = str_new(0, false);
  input_string_from_file(2, v);
  EXPECT_EQ(text_of(v), "first");
  EXPECT_EQ(take_error(), 0);
  close(master);
  master = -1;
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    input_string_from_file(2, v);
    _exit(error_report.pending.load());
  }
  str_free(v);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10)) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      FAIL() << "the read did not end";
    }
    usleep(5000);
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 62);
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

TEST(serial_names, the_classic_options) {
  struct row {
    const char* name;
    int32_t result;
    serial_options options;
    uint8_t parity_check;
    int32_t timeouts[3];
  } rows[] = {
      {"COM1:9600,N,8,1,RS,CS0,DS0,CD0", serial_parsed, {-1, 1, 0, serial_text_default, 0, 0}, 0, {0, 0, 0}},
      {"com1:9600,n,8,1,op500,lf,asc,pe,rb2048,tb512", serial_parsed, {500, 0, 1, serial_text_asc, 2048, 512}, 1,
       {0, 1000, 1000}},
      {"COM1:9600,N,8,1,OP,BIN,CD20", serial_parsed, {10000, 0, 0, serial_text_bin, 0, 0}, 0, {20, 1000, 1000}},
      {"COM1:9600,N,8,1,BIN,BIN", serial_parsed, {-1, 0, 0, serial_text_bin, 0, 0}, 0, {0, 1000, 1000}},
      {"COM1:9600,N,8,1,ASC,BIN", serial_bad, {}, 0, {}},
      {"COM1:9600,N,8,1,RS5", serial_bad, {}, 0, {}},
      {"COM1:9600,N,8,1,LF1", serial_bad, {}, 0, {}},
      {"COM1:9600,N,8,1,XX", serial_bad, {}, 0, {}},
      {"COM1:9600,N,8,1,RB70000", serial_bad, {}, 0, {}},
      {"COM1:9600,N,8,1,OPX", serial_bad, {}, 0, {}},
      {"COM1:9600,N,8,1,", serial_bad, {}, 0, {}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    serial_name s{};
    const std::string name = r.name;
    ASSERT_EQ(parse_serial_name(reinterpret_cast<const uint8_t*>(name.data()), name.size(), &s), r.result);
    if (r.result != serial_parsed) continue;
    EXPECT_EQ(s.options.open_timeout, r.options.open_timeout);
    EXPECT_EQ(s.options.rts_low, r.options.rts_low);
    EXPECT_EQ(s.options.lf_after_cr, r.options.lf_after_cr);
    EXPECT_EQ(s.options.text_mode, r.options.text_mode);
    EXPECT_EQ(s.options.receive_buffer, r.options.receive_buffer);
    EXPECT_EQ(s.options.transmit_buffer, r.options.transmit_buffer);
    EXPECT_EQ(s.line.parity_check, r.parity_check);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s.timeouts[i], r.timeouts[i]);
  }
}

// What each option does to the bytes crossing a pseudo-terminal.
TEST_F(serial_test, options_over_a_terminal) {
  struct row {
    const char* name;
    int32_t kind;
    const char* sent;     // by the far end
    size_t sent_size;
    const char* expected; // what INPUT # (INPUT), GET of 6 bytes (BINARY) or the far end (OUTPUT) gets
    size_t expected_size;
  } rows[] = {
      {"COM9:9600,N,8,1,RS,CS0,DS100,CD0,OP200", k_input, "a\x1a" "b\r\n", 5, "a", 1},
      {"COM9:9600,N,8,1,BIN,DS100", k_input, "a\x1a" "b\r\n", 5, "a\x1a" "b", 3},
      {"COM9:9600,N,8,1,ASC,DS100", k_binary, "ab\x1a" "cd", 5, "ab\x1a\x1a\x1a\x1a", 6},
      {"COM9:9600,N,8,1,DS100", k_binary, "ab\x1a" "cd", 5, "ab\x1a" "cd\0", 6},
      {"COM9:9600,N,8,1,LF,RB4096,TB4096", k_output, "", 0, "x\r\n\n", 4},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_EQ(open(r.name, r.kind, 1), 0);
    ASSERT_EQ(write(master, r.sent, r.sent_size), static_cast<ssize_t>(r.sent_size));
    std::string got;
    if (r.kind == k_input) {
      str_desc* v = str_new(0, false);
      input_string_from_file(1, v);
      got = text_of(v);
      str_free(v);
    } else if (r.kind == k_binary) {
      char block[6] = {};
      get_bytes(1, 0, 0, block, 6);
      got.assign(block, 6);
    } else {
      print(1, "x");
      char echoed[8] = {};
      usleep(50000);
      const ssize_t n = read(master, echoed, sizeof echoed);
      got.assign(echoed, n > 0 ? static_cast<size_t>(n) : 0);
    }
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(got, std::string(r.expected, r.expected_size));
    file_close(1, 1);
    tcflush(slave, TCIOFLUSH);
  }
  ASSERT_EQ(open("COM9:9600,N,8,1,PE", k_binary, 1), 0);
  termios t{};
  ASSERT_EQ(tcgetattr(slave, &t), 0);
  EXPECT_EQ(t.c_iflag & INPCK, static_cast<tcflag_t>(INPCK));
}

// A stopping program ends a port's long wait at once (in a child process: the
// stop holds for the rest of the process).
TEST_F(serial_test, a_stop_ends_a_long_wait) {
  ASSERT_EQ(open("COM9:9600,N,8,1,DS60000", k_binary, 1), 0);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::thread([] {
      usleep(100000);
      serial_cancel_waits();
    }).detach();
    char block[4];
    get_bytes(1, 0, 0, block, 4);
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10)) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      FAIL() << "the wait did not end";
    }
    usleep(5000);
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
