#include "runtime/platform/sockets.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace {

using steady = std::chrono::steady_clock;

int32_t ms_left(steady::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now()).count();
  return left < 0 ? 0 : static_cast<int32_t>(left);
}

// Small writes go out at once: programs exchange short messages and wait for answers.
void send_at_once(int s) {
  const int on = 1;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Waits until s is ready for events or the deadline passes; true when ready.
bool wait_ready(int s, short events, steady::time_point deadline) {
  for (;;) {
    pollfd p{s, events, 0};
    const int r = poll(&p, 1, ms_left(deadline));
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

int connect_one(const addrinfo* a, steady::time_point deadline) {
  const int s = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
  if (s < 0) return -1;
  int r = connect(s, a->ai_addr, a->ai_addrlen);
  if (r != 0 && errno == EINPROGRESS) {
    if (wait_ready(s, POLLOUT, deadline)) {
      int error = 0;
      socklen_t size = sizeof error;
      r = getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0 ? 0 : -1;
    }
  }
  if (r != 0) {
    close(s);
    return -1;
  }
  send_at_once(s);
  return s;
}

bool valid_port(int32_t port) { return port >= 1 && port <= 65535; }

// A name lookup that gives up at the deadline. The request belongs to glibc's
// resolver thread until gai_error stops saying EAI_INPROGRESS: gai_suspend may
// return 0 before that (glibc 2.36 does), so only gai_error ends the wait. A
// lookup still running at the deadline that cannot be cancelled is left to
// finish on its own with its request kept allocated: a slow resolver costs
// memory, never a write into freed memory.
struct lookup {
  std::string host, service;
  addrinfo hints{};
  gaicb request{};
};

addrinfo* resolve(const char* host, int32_t port, steady::time_point deadline) {
  auto* l = new lookup;
  l->host = host;
  l->service = std::to_string(port);
  l->hints.ai_family = AF_UNSPEC;
  l->hints.ai_socktype = SOCK_STREAM;
  l->hints.ai_flags = AI_NUMERICSERV;
  l->request.ar_name = l->host.c_str();
  l->request.ar_service = l->service.c_str();
  l->request.ar_request = &l->hints;
  gaicb* requests[] = {&l->request};
  if (getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr) != 0) {
    delete l;
    return nullptr;
  }
  while (gai_error(&l->request) == EAI_INPROGRESS) {
    const int32_t left = ms_left(deadline);
    if (left <= 0) {
      gai_cancel(&l->request);
      if (gai_error(&l->request) == EAI_INPROGRESS) return nullptr;  // left running, and allocated
      break;
    }
    const timespec wait{left / 1000, (left % 1000) * 1000000L};
    gai_suspend(requests, 1, &wait);  // whatever it says, gai_error decides
  }
  addrinfo* found = gai_error(&l->request) == 0 ? l->request.ar_result : nullptr;
  if (!found && l->request.ar_result) freeaddrinfo(l->request.ar_result);
  delete l;
  return found;
}

int listen_on(int family, int32_t port, bool* fall_back) {
  *fall_back = false;
  const int s = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (s < 0) {
    *fall_back = family == AF_INET6;
    return -1;
  }
  const int on = 1, off = 0;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  int r;
  if (family == AF_INET6) {
    setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);  // IPv4 clients too
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    address.sin6_port = htons(static_cast<uint16_t>(port));
    r = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } else {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    r = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  if (r != 0 || listen(s, SOMAXCONN) != 0) {
    // A system without IPv6 says so at bind; a taken port is final.
    *fall_back = family == AF_INET6 && (errno == EADDRNOTAVAIL || errno == EAFNOSUPPORT);
    close(s);
    return -1;
  }
  return s;
}

}  // namespace

int tcp_connect(const char* host, int32_t port, int32_t timeout_ms) {
  if (!host || !*host || !valid_port(port)) return -1;
  const steady::time_point deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
  addrinfo* found = resolve(host, port, deadline);
  if (!found) return -1;
  int s = -1;
  for (const addrinfo* a = found; a && s < 0 && ms_left(deadline) > 0; a = a->ai_next) s = connect_one(a, deadline);
  freeaddrinfo(found);
  return s;
}

int tcp_listen(int32_t port) {
  if (!valid_port(port)) return -1;
  bool fall_back = false;
  const int s = listen_on(AF_INET6, port, &fall_back);
  if (s >= 0 || !fall_back) return s;
  return listen_on(AF_INET, port, &fall_back);
}

int tcp_accept(int listener) {
  for (;;) {
    const int s = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (s >= 0) {
      send_at_once(s);
      return s;
    }
    // A connection that was reset before it was taken is gone; look for the next one.
    if (errno != EINTR && errno != ECONNABORTED) return -1;
  }
}

tcp_read_result tcp_read(int socket, void* buffer, size_t capacity) {
  if (capacity == 0) return {tcp_read_state::nothing_yet, 0};
  for (;;) {
    const ssize_t n = recv(socket, buffer, capacity, MSG_DONTWAIT);
    if (n > 0) return {tcp_read_state::data, static_cast<size_t>(n)};
    if (n == 0) return {tcp_read_state::closed, 0};
    switch (errno) {
      case EINTR: continue;
      case EAGAIN: return {tcp_read_state::nothing_yet, 0};
      case ECONNRESET:
      case ETIMEDOUT:
      case EPIPE:
      case ENOTCONN: return {tcp_read_state::closed, 0};
      default: return {tcp_read_state::failed, 0};
    }
  }
}

size_t tcp_available(int socket) {
  int n = 0;
  return ioctl(socket, FIONREAD, &n) == 0 && n > 0 ? static_cast<size_t>(n) : 0;
}

tcp_write_result tcp_write(int socket, const void* data, size_t length, int32_t wait_ms) {
  const steady::time_point deadline = steady::now() + std::chrono::milliseconds(wait_ms);
  const auto* p = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = send(socket, p + done, length - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      if (!wait_ready(socket, POLLOUT, deadline)) return {tcp_write_state::waiting, done};
      continue;
    }
    if (n < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN || errno == ETIMEDOUT))
      return {tcp_write_state::peer_gone, done};
    return {tcp_write_state::failed, done};
  }
  return {tcp_write_state::done, done};
}

void tcp_close(int socket) {
  if (socket >= 0) close(socket);
}
