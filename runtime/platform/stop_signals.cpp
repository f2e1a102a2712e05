#include "runtime/platform/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace {

sigset_t stop_set() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void block_stop_signals() {
  const sigset_t set = stop_set();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int wait_stop_signal() {
  const sigset_t set = stop_set();
  int number = 0;
  while (sigwait(&set, &number) != 0) {
  }
  return number;
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
