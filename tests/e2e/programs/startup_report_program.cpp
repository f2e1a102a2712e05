// Test program: reports what start-up prepared (directories, command line, the
// BIOS keyboard buffer and ticks) on standard output, then ends through END.
#include <cstdio>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"

void program_main() {
  program_preamble();
  std::printf("startup_dir=%s\n", invocation.startup_dir.c_str());  // 1
  statement_end(1);
  std::printf("current_dir=%s\n", current_directory().c_str());  // 2
  statement_end(2);
  std::printf("command_line=[%s]\n", command_line_text().c_str());  // 3
  statement_end(3);
  std::printf("kbd_head=%04X kbd_tail=%04X\n", cm_read16(bios_kbd_head), cm_read16(bios_kbd_tail));  // 4
  statement_end(4);
  // 5: two readings about a second apart, with the time that really passed
  // between them (a loaded machine oversleeps).
  const uint32_t first = cm_read24(bios_tick_count);
  const int64_t started = ms_counter();
  platform_sleep(1000);
  const uint32_t ticks = cm_read24(bios_tick_count) - first;
  std::printf("ticks=%u elapsed_ms=%lld\n", ticks, static_cast<long long>(ms_counter() - started));
  std::fflush(stdout);
  statement_end(5);
  program_end();  // 6
}
