// Test program: an alert whose text has every byte from 1 to 255, a line far
// wider than the screen, a word longer than any line and far more lines than
// fit; then a box whose caption is far too long for a title. It reports each
// answer and ends.
#include <cstdio>
#include <string>

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/platform/platform.h"
#include "tests/e2e/programs/test_steps.h"

void program_main() {
  program_preamble();
  await_window(1);  // 1-2: DO WHILE the window is not there: wait
  std::string text = "First line of a long notice\n";
  for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
  text += "\n";
  for (int i = 0; i < 400; ++i) text += "wide ";
  text += "\n" + std::string(5000, 'W') + "\n";
  for (int i = 0; i < 100000; ++i) text += "line " + std::to_string(i) + "\n";
  alert(text.c_str());  // 3: the notice
  statement_end(3);
  std::printf("alert answered\n");  // 4: PRINT
  std::fflush(stdout);
  statement_end(4);
  const std::string caption(100000, 'C');
  message_box("A short text", caption.c_str(), 0);  // 5: a box with a huge caption
  statement_end(5);
  std::printf("box answered\n");  // 6: PRINT
  std::fflush(stdout);
  statement_end(6);
  program_end();  // 7: END
}
