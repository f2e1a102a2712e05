// Test program: window operations one step at a time. Before each step it waits
// for a file named by the step's number in the folder given on the command line,
// and after it writes "step N" on standard output.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "tests/e2e/programs/test_steps.h"


void program_main() {
  program_preamble();
  await_step(1);
  window_set_title("Quintaro window test");  // 1
  statement_end(1);
  done(1);
  await_step(2);
  window_move(2, 100, 50);  // 2
  statement_end(2);
  done(2);
  await_step(3);
  window_move(1, 0, 0);  // 3: centre
  statement_end(3);
  done(3);
  await_step(4);
  screen_hide();  // 4
  statement_end(4);
  done(4);
  await_step(5);
  screen_show();  // 5
  statement_end(5);
  done(5);
  await_step(6);
  window_full_screen(0, 0);  // 6: full screen, stretched
  statement_end(6);
  done(6);
  await_step(7);
  window_full_screen(1, 0);  // 7: back to the window
  statement_end(7);
  done(7);
  await_step(8);
  window_resize(1, 1);  // 8: the user may resize; the picture scales
  statement_end(8);
  done(8);
  await_step(9);
  std::printf("resized %d %dx%d\n", window_resize_query(), window_resize_width(), window_resize_height());  // 9
  statement_end(9);
  done(9);
  await_step(10);
  pointer_show(true, "crosshair");  // 10
  statement_end(10);
  std::printf("cursor %d\n", window_presence.pointer_shape.load());
  done(10);
  await_step(11);
  pointer_show(true, "arrow");  // 11: not a style name
  std::printf("pending %d\n", error_report.pending.exchange(0));
  run_flags.event_pending.store(0);
  done(11);
  await_step(12);
  program_end();  // 12
}
