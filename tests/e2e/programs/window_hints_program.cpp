// Test program: the window manager's size hints as the screen and the resize
// setting change. Steps wait for a file named by their number in the folder
// given on the command line and write "step N" on standard output after.
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/screen/screen.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  program_preamble();
  await_step(1);
  screen_set(new_image(800, 600, 32, 1), 0, 0, 0, 0, 1);  // 1: an 800 x 600 screen
  statement_end(1);
  done(1);
  await_step(2);
  window_resize(1, 0);  // 2: the user may resize; the picture stays as it is
  statement_end(2);
  done(2);
  await_step(3);
  window_resize(2, 0);  // 3: held at the screen's size again
  statement_end(3);
  done(3);
  await_step(4);
  program_end();  // 4
}
