#include "runtime/platform/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <initializer_list>

namespace {

// The stop signals this process takes: set once by block_stop_signals, before
// any other thread exists, and only read after that.
sigset_t taken_set;

sigset_t stop_set() { return taken_set; }

}  // namespace

void block_stop_signals() {
  // A signal ignored when the process started stays ignored (nohup ignores
  // SIGHUP, a shell's background job SIGINT): blocked and waited for, it would
  // be taken all the same, since the system keeps a blocked signal pending.
  sigemptyset(&taken_set);
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction now {};
    if (sigaction(number, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
    sigaddset(&taken_set, number);
  }
  pthread_sigmask(SIG_BLOCK, &taken_set, nullptr);
}

int wait_stop_signal() {
  const sigset_t set = stop_set();
  int number = 0;
  while (sigwait(&set, &number) != 0) {
  }
  return number;
}

int wait_stop_signal_for(int timeout_ms) {
  const sigset_t set = stop_set();
  timespec left{timeout_ms / 1000, static_cast<long>(timeout_ms % 1000) * 1000000};
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    const int number = sigtimedwait(&set, nullptr, &left);
    if (number > 0) return number;
    if (errno != EINTR) return 0;
    // Interrupted: wait out what is left of the time.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long spent_ns = (now.tv_sec - start.tv_sec) * 1000000000LL + (now.tv_nsec - start.tv_nsec);
    const long long left_ns = static_cast<long long>(timeout_ms) * 1000000LL - spent_ns;
    if (left_ns <= 0) return 0;
    left = {static_cast<time_t>(left_ns / 1000000000LL), static_cast<long>(left_ns % 1000000000LL)};
  }
}

void end_by_signal(int signal_number) {
  signal(signal_number, SIG_DFL);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  raise(signal_number);
  std::_Exit(128 + signal_number);
}
