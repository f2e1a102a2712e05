// Test program: SHELL, FILES and KILL one step at a time on real processes and
// folders. The command line names the step folder; the test prepares its
// subfolders listing/, scratch/ and docs/ and a stub opener on PATH.
#include <cstdio>
#include <string>

#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "tests/e2e/programs/test_steps.h"

namespace {

str_desc* text(const std::string& t) { return str_from_text(t.data(), static_cast<uint32_t>(t.size())); }

}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();
  const std::string folder = command_line_text();
  await_window(1);

  await_step(1);
  const int32_t exited = shell_function(text("exit 7"), shell_hide);  // 3
  statement_end(3, mark);
  const int32_t signalled = shell_function(text("kill -TERM $$"), shell_hide);  // 4
  statement_end(4, mark);
  std::printf("exit=%d signal=%d\n", exited, signalled);
  std::fflush(stdout);
  shell_statement(text("echo shown-output; echo shown-error >&2"), 0);  // 5
  statement_end(5, mark);
  shell_statement(text("echo hidden-output; echo hidden-error >&2"), shell_hide);  // 6
  statement_end(6, mark);
  done(1);

  await_step(2);
  // 7: runs until the test ends it
  std::printf("launched=%d\n", shell_function(text("exec sleep 600"), shell_hide | shell_dont_wait));
  statement_end(7, mark);
  done(2);

  await_step(3);
  std::printf("opener=%d\n", shell_function(text("\"" + folder + "/docs/my report.txt\" --page 2"), shell_hide));  // 8
  statement_end(8, mark);
  done(3);

  await_step(4);
  chdir_statement(text(folder + "/listing"));  // 9
  statement_end(9, mark);
  files_list(nullptr, 0);  // 10
  statement_end(10, mark);
  done(4);

  await_step(5);
  std::printf("killed=%d\n", kill_files(text(folder + "/scratch/*.tmp")));  // 11
  statement_end(11, mark);
  done(5);

  await_step(6);
  window_full_screen(0, 0);  // 12
  statement_end(12);
  done(6);

  await_step(7);
  // 13: shown and waiting, out of full screen meanwhile, until the test has seen
  // the window (or has ended and removed the folder)
  shell_statement(text("until [ -e '" + folder + "/shown' ] || [ ! -d '" + folder + "' ]; do sleep 0.02; done"), 0);
  statement_end(13, mark);
  done(7);

  program_end();  // 14
}
