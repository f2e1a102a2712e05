// The end of the process, however it comes: END and the shutdown, No in the
// error dialog and a fatal error's box all end through process_exit, which runs
// the quick-exit handlers; SIGTERM, SIGINT and SIGHUP are taken by a thread of
// their own, which asks for the same orderly stop as a close request. Each way
// runs the same end work once before the process goes.
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "runtime/core/core.h"
#include "runtime/host/detail/window_thread.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/stop_signals.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUINTARO_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUINTARO_LEAK_CHECK 1
#endif
#endif
#ifdef QUINTARO_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace {

std::once_flag end_work_once;

// The stop signal that began the end, 0 when none did.
std::atomic<int> stop_signal{0};

// How long the orderly stop may take after a signal before the signal thread
// ends the process itself (a program stuck in one long statement).
constexpr int stop_grace_ms = 5000;

// Buffered file bytes go into their files first; then text the program still
// serves on the clipboard goes to a clipboard manager, which may take a moment.
// A second thread ending the process meanwhile waits here until the first has
// finished.
void end_work() {
  std::call_once(end_work_once, [] {
    flush_all_files();
    clipboard_end_of_program();
  });
}

// The quick-exit handler: the end work; in builds with LeakSanitizer its check,
// which _Exit would skip; then the signal's own ending when one began the stop.
void end_of_process() {
  end_work();
#ifdef QUINTARO_LEAK_CHECK
  __lsan_do_leak_check();
#endif
  if (const int number = stop_signal.load()) end_by_signal(number);
}

void watch_stop_signals() {
  name_this_thread("stop signals");
  const int first = wait_stop_signal();
  stop_signal.store(first);
  // The main loop stops the program as it does for a close request (files
  // closed, the window thread parked) and ends through end_of_process.
  stop_request.store(1);
  // A second signal, or a stop that has not finished in time, ends it from here.
  wait_stop_signal_for(stop_grace_ms);
  end_work();
  end_by_signal(first);
}

}  // namespace

void process_end_install() {
  block_stop_signals();
  std::thread(watch_stop_signals).detach();
  std::at_quick_exit(end_of_process);
}
