// Test program: the calculator's two INPUT statements on SCREEN 11, each value
// written to standard output once INPUT returns, then every INKEY$ result as
// "inkey=" and its bytes in hexadecimal, until Escape ends it.
#include <cstdio>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {
void say(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}
}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();
  static int32_t sample_rate = 0;
  static int16_t bpm = 0;
  cls(0, 0, 0);
  statement_end(3);
  screen_set(11, 0, 0, 0, 0, 1);
  statement_end(4);
  print_text(str_from_cstr("Sample rate: "), 0);
  input_set_variable(1, 32, &sample_rate);
  say("input 1");
  input_statement(1, 1);
  if (run_flags.shutdown_started.load()) stop_program_thread();
  std::printf("sample_rate=%d\n", sample_rate);
  std::fflush(stdout);
  statement_end(7, mark);
  print_text(str_from_cstr("BPM: "), 0);
  input_set_variable(1, 16, &bpm);
  say("input 2");
  input_statement(1, 1);
  if (run_flags.shutdown_started.load()) stop_program_thread();
  std::printf("bpm=%d\n", bpm);
  std::fflush(stdout);
  statement_end(8, mark);
  say("inkey");
  for (;;) {
    const str_desc* k = inkey();
    if (k->len > 0) {
      std::printf("inkey=");
      for (int32_t i = 0; i < k->len; ++i) std::printf("%02X", k->chars[i]);
      std::printf("\n");
      std::fflush(stdout);
      if (k->len == 1 && k->chars[0] == 27) break;
    }
    statement_end(26, mark);
    platform_sleep(1);
  }
  program_end();
}
