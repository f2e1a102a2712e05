#include "runtime/platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

namespace {

struct speed_entry {
  int32_t baud;
  speed_t code;
};

constexpr speed_entry speeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool speed_code(int32_t baud, speed_t* code) {
  for (const speed_entry& s : speeds)
    if (s.baud == baud) {
      *code = s.code;
      return true;
    }
  return false;
}

}  // namespace

bool serial_termios(const serial_line& line, termios* t) {
  speed_t speed;
  if (!speed_code(line.baud, &speed)) return false;
  cfmakeraw(t);
  if (line.parity_check) t->c_iflag |= INPCK;
  t->c_cflag |= CLOCAL | CREAD;
  t->c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  switch (line.data_bits) {
    case 5: t->c_cflag |= CS5; break;
    case 6: t->c_cflag |= CS6; break;
    case 7: t->c_cflag |= CS7; break;
    case 8: t->c_cflag |= CS8; break;
    default: return false;
  }
  switch (line.parity) {
    case 0: break;
    case 1: t->c_cflag |= PARENB; break;
    case 2: t->c_cflag |= PARENB | PARODD; break;
    case 3: t->c_cflag |= PARENB | CMSPAR; break;
    case 4: t->c_cflag |= PARENB | CMSPAR | PARODD; break;
    default: return false;
  }
  // A UART sends one and a half stop bits only with 5-bit characters, where
  // the two-stop-bit setting means exactly that.
  if (line.stop_tenths == 20 || (line.stop_tenths == 15 && line.data_bits == 5))
    t->c_cflag |= CSTOPB;
  else if (line.stop_tenths != 10)
    return false;
  t->c_cc[VMIN] = 0;
  t->c_cc[VTIME] = 0;
  cfsetispeed(t, speed);
  cfsetospeed(t, speed);
  return true;
}

namespace {

constexpr tcflag_t checked_flags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

int64_t now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

enum class readiness { ready, timed_out, hung_up, cancelled };

// Readable for good once serial_cancel_waits was called; every wait polls it.
int cancel_fd() {
  static const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return fd;
}
std::atomic<int> waits_cancelled{0};

// Waits until fd is ready for events or the deadline passes. Once the far end
// has hung up, poll reports the descriptor ready for good (POLLHUP, with
// POLLIN besides on a pseudo-terminal) while reads give nothing: that is
// reported apart, since waiting again would spin.
readiness wait_ready(int fd, short events, int64_t deadline, bool forever) {
  for (;;) {
    int64_t left = forever ? -1 : deadline - now_ms();
    if (!forever && left < 0) left = 0;
    if (waits_cancelled.load() != 0) return readiness::cancelled;
    pollfd p[2] = {{fd, events, 0}, {cancel_fd(), POLLIN, 0}};
    const int r = poll(p, p[1].fd >= 0 ? 2 : 1, static_cast<int>(left > 0x7fffffff ? 0x7fffffff : left));
    if (r > 0 && p[1].revents != 0) return readiness::cancelled;
    if (r > 0) return (p[0].revents & (POLLHUP | POLLERR)) ? readiness::hung_up : readiness::ready;
    if (r == 0) return readiness::timed_out;
    if (errno != EINTR) return readiness::ready;  // the read or write that follows reports the reason
  }
}

}  // namespace

int serial_open(const char* device, const serial_line& line, int* fd_out) {
  *fd_out = -1;
  int fd;
  do {
    fd = open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  int e = 0;
  termios t{};
  if (!isatty(fd)) {
    e = ENOTTY;
  } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    e = errno == EWOULDBLOCK ? EBUSY : errno;
  } else if (ioctl(fd, TIOCEXCL) != 0) {
    e = errno;
  } else if (tcgetattr(fd, &t) != 0) {
    e = errno;
  } else if (!serial_termios(line, &t)) {
    e = EINVAL;
  } else if (tcsetattr(fd, TCSANOW, &t) != 0) {
    e = errno;
  } else {
    // tcsetattr succeeds when any part was taken: read back what the device kept.
    termios back{};
    speed_t speed = 0;
    speed_code(line.baud, &speed);
    if (tcgetattr(fd, &back) != 0)
      e = errno;
    else if ((back.c_cflag & checked_flags) != (t.c_cflag & checked_flags) || cfgetospeed(&back) != speed)
      e = EINVAL;
  }
  if (e != 0) {
    close(fd);
    return e;
  }
  *fd_out = fd;
  return 0;
}

int serial_read(int fd, void* buffer, size_t n, int32_t timeout_ms, size_t* done) {
  *done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  const int64_t deadline = now_ms() + (timeout_ms > 0 ? timeout_ms : 0);
  // After a hang-up one more read takes what arrived before it; then the data
  // has ended.
  bool hung_up = false;
  while (*done < n) {
    const ssize_t got = read(fd, out + *done, n - *done);
    if (got > 0) {
      *done += static_cast<size_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EIO) break;  // some terminals say a hang-up this way
    if (got < 0 && errno != EAGAIN) return errno;
    if (hung_up || timeout_ms <= 0) break;
    const readiness ready = wait_ready(fd, POLLIN, deadline, false);
    if (ready == readiness::timed_out) break;
    if (ready == readiness::cancelled) return ECANCELED;
    hung_up = ready == readiness::hung_up;
  }
  return 0;
}

int serial_write(int fd, const void* data, size_t n, int32_t timeout_ms, size_t* done) {
  *done = 0;
  const auto* in = static_cast<const uint8_t*>(data);
  const int64_t deadline = now_ms() + (timeout_ms > 0 ? timeout_ms : 0);
  while (*done < n) {
    const ssize_t put = write(fd, in + *done, n - *done);
    if (put > 0) {
      *done += static_cast<size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno != EAGAIN) return errno;
    const readiness ready = wait_ready(fd, POLLOUT, deadline, timeout_ms <= 0);
    if (ready == readiness::timed_out) return ETIMEDOUT;
    if (ready == readiness::hung_up) return EIO;
    if (ready == readiness::cancelled) return ECANCELED;
  }
  return 0;
}

int serial_waiting(int fd, uint32_t* count) {
  int n = 0;
  if (ioctl(fd, FIONREAD, &n) != 0) return errno;
  *count = n > 0 ? static_cast<uint32_t>(n) : 0;
  return 0;
}

int serial_close(int fd) {
  // The exclusive mode outlives this descriptor while others hold the device open.
  ioctl(fd, TIOCNXCL);
  return close(fd) == 0 ? 0 : errno;
}

void serial_cancel_waits() {
  waits_cancelled.store(1);
  const uint64_t one = 1;
  if (cancel_fd() >= 0 && write(cancel_fd(), &one, sizeof one) < 0) {
    // The flag alone stops the next wait.
  }
}

int serial_set_rts(int fd, bool raised) {
  int bits = TIOCM_RTS | TIOCM_DTR;
  if (!raised) {
    if (ioctl(fd, TIOCMBIC, &bits) != 0) return errno;
    bits = TIOCM_DTR;
  }
  return ioctl(fd, TIOCMBIS, &bits) == 0 ? 0 : errno;
}

int serial_wait_lines(int fd, bool carrier, bool clear_to_send, bool data_set_ready, int32_t timeout_ms) {
  int wanted = 0;
  if (carrier) wanted |= TIOCM_CD;
  if (clear_to_send) wanted |= TIOCM_CTS;
  if (data_set_ready) wanted |= TIOCM_DSR;
  const int64_t deadline = now_ms() + timeout_ms;
  for (;;) {
    int lines = 0;
    // A device without modem lines (a pseudo-terminal) has nothing to wait for.
    if (wanted == 0 || ioctl(fd, TIOCMGET, &lines) != 0) return 0;
    if ((lines & wanted) == wanted) return 0;
    const int64_t left = deadline - now_ms();
    if (left <= 0) return ETIMEDOUT;
    // Lines change without a descriptor event: look again every 20 ms.
    pollfd p{cancel_fd(), POLLIN, 0};
    if (waits_cancelled.load() != 0 || poll(&p, p.fd >= 0 ? 1 : 0, static_cast<int>(left < 20 ? left : 20)) > 0)
      return ECANCELED;
  }
}
