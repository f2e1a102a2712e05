// Test program: started by chain_sender_program. Before its first statement
// it writes what the chain handed over: the current directory, the command
// line, the screen mode and any error; then it prints "!" at the cursor it
// received and waits for step 3 to end. The command line it is left with names
// the step folder.
#include <cstdio>
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  const uint32_t mark = program_preamble();
  std::printf("received dir=%s args=%s mode=%d error=%d\n", current_directory().c_str(),
              command_line_text().c_str(), write_image->mode, error_report.pending.load());
  std::fflush(stdout);
  print_text(str_from_cstr("!"), 0);  // 1
  statement_end(1, mark);
  await_window(2);
  done(2);
  await_step(3);
  program_end();
}
