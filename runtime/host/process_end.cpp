// The end of the process, however it comes: END and the shutdown, No in the
// error dialog and a fatal error's box all end through process_exit, which runs
// the quick-exit handlers; SIGTERM, SIGINT and SIGHUP are taken by a thread of
// their own, which asks for the same orderly stop as a close request; the loss
// of the X display and freeglut's fatal errors, which the libraries would end
// with exit() from whichever thread found them, end here too. Each way runs
// the same end work once before the process goes, and none runs the static
// destructors while other threads still use what they destroy.
#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/detail/window_thread.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/serial_port.h"
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

// The thread that runs the end work, and the program thread (set once each).
thread_local bool ending_here = false;
thread_local bool program_thread_here = false;

// Buffered file bytes go into their files first; then text the program still
// serves on the clipboard goes to a clipboard manager, which may take a moment.
// A second thread ending the process meanwhile waits here until the first has
// finished.
void end_work() {
  std::call_once(end_work_once, [] {
    ending_here = true;
    flush_all_files();
    clipboard_end_of_program();
  });
}

// How long the end after a lost display waits for the program thread to stop
// at its next line event before it flushes the files all the same.
constexpr int32_t lost_display_grace_ms = 2000;

std::atomic<int> ending_without_display{0};

// The X display went away (or freeglut met an error it cannot go on from),
// found on any thread: Xlib and freeglut would call exit() from here while the
// other threads run. The first thread to come asks the program thread to stop,
// as the shutdown does, waits a moment for it, flushes every file and ends the
// process with status 1. Any other thread that comes sleeps until then (the
// program thread reports itself stopped first, so that the wait is short).
[[noreturn]] void end_without_display(const char* why) {
  // The end work was under way on this thread (the clipboard hand-over needs
  // the display): the files are flushed already.
  if (ending_here) std::_Exit(run_flags.exit_status.load() ? run_flags.exit_status.load() : 1);
  if (ending_without_display.exchange(1) != 0 || run_flags.shutdown_started.exchange(1) != 0) {
    // Another thread ends the process: the first one here, or the main
    // loop's shutdown, which waits for the program thread.
    if (program_thread_here) stop_program_thread();
    park_for_good();
  }
  std::fprintf(stderr, "quintaro: %s\n", why);
  run_flags.exit_status.store(1);
  run_flags.event_pending.store(1);
  timers_changed();
  program_wake();
  serial_cancel_waits();
  if (!program_thread_here) await_threads_stopped(1, lost_display_grace_ms);
  ending_here = true;
  flush_all_files();
  std::_Exit(1);
}

int display_lost(Display* display) {
  char why[256];
  std::snprintf(why, sizeof why, "the connection to the X display \"%s\" was lost",
                display ? DisplayString(display) : "");
  end_without_display(why);
}

void freeglut_failed(const char* format, va_list arguments) {
  char text[256];
  std::vsnprintf(text, sizeof text, format, arguments);
  char why[300];
  std::snprintf(why, sizeof why, "freeglut: %s", text);
  end_without_display(why);
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
  run_flags.stop_request.store(1);
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
  // Process-wide, before any connection is opened: every thread's connection
  // (the window's, the main loop's queries, the clipboard's, a dialog's) ends here.
  XSetIOErrorHandler(display_lost);
  glutInitErrorFunc(freeglut_failed);
}

void mark_program_thread() { program_thread_here = true; }

void park_for_good() {
  for (;;) platform_sleep(60000);
}
