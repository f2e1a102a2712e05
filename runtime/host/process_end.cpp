// The end of the process, however it comes: END and the shutdown, No in the
// error dialog and a fatal error's box all end through process_exit, which runs
// the quick-exit handlers; SIGTERM and SIGINT are taken by a thread of their
// own. Each way runs the same end work once before the process goes.
#include <cstdlib>
#include <mutex>
#include <thread>

#include "runtime/host/detail/window_thread.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/stop_signals.h"

namespace {

std::once_flag end_work_once;

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

void watch_stop_signals() {
  name_this_thread("stop signals");
  const int signal_number = wait_stop_signal();
  end_work();
  end_by_signal(signal_number);
}

}  // namespace

void process_end_install() {
  block_stop_signals();
  std::thread(watch_stop_signals).detach();
  std::at_quick_exit(end_work);
}
