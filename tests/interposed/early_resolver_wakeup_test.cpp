// Name lookups when gai_suspend returns before the lookup has finished, as
// glibc 2.36 sometimes does. This binary defines gai_suspend itself, so the
// runtime linked into it calls this version: every other call returns 0 at
// once, the rest wait in glibc's own. A connect must still find its listener,
// and no request may be freed while the resolver thread writes into it (the
// AddressSanitizer build runs this too).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

#include "runtime/platform/sockets.h"

namespace {
std::atomic<int> suspend_calls{0};
std::atomic<int> early_returns{0};
}  // namespace

extern "C" int gai_suspend(const struct gaicb* const list[], int count, const struct timespec* timeout) {
  using real_suspend = int (*)(const struct gaicb* const[], int, const struct timespec*);
  static const auto real = reinterpret_cast<real_suspend>(dlsym(RTLD_NEXT, "gai_suspend"));
  if (suspend_calls.fetch_add(1) % 2 == 0) {
    early_returns.fetch_add(1);
    return 0;
  }
  return real(list, count, timeout);
}

namespace {

int32_t free_port() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  close(s);
  return ntohs(a.sin_port);
}

TEST(EarlyResolverWakeup, EveryConnectToLocalhostSucceeds) {
  const int32_t port = free_port();
  const int listener = tcp_listen(port);
  ASSERT_GE(listener, 0);
  int refused = 0;
  for (int i = 0; i < 1000; ++i) {
    const int s = tcp_connect("localhost", port, 5000);
    if (s < 0) {
      ++refused;
      continue;
    }
    pollfd waiting{listener, POLLIN, 0};
    poll(&waiting, 1, 5000);
    const int accepted = tcp_accept(listener);
    EXPECT_GE(accepted, 0);
    tcp_close(accepted);
    tcp_close(s);
  }
  tcp_close(listener);
  EXPECT_EQ(refused, 0);
  EXPECT_GT(early_returns.load(), 0);  // the shim was reached: the runtime waits in gai_suspend
}

}  // namespace
