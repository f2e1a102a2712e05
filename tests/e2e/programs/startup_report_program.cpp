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
  std::printf("startup_dir=%s\n", startup_dir.c_str());  // 1
  statement_end(1);
  std::printf("current_dir=%s\n", current_directory().c_str());  // 2
  statement_end(2);
  std::printf("command_line=[%s]\n", command_line_text().c_str());  // 3
  statement_end(3);
  std::printf("kbd_head=%04X kbd_tail=%04X\n", cm_read16(bios_kbd_head), cm_read16(bios_kbd_tail));  // 4
  statement_end(4);
  const uint32_t first = cm_read24(bios_tick_count);  // 5: two readings a second apart
  platform_sleep(1000);
  std::printf("ticks_per_second=%u\n", cm_read24(bios_tick_count) - first);
  std::fflush(stdout);
  statement_end(5);
  program_end();  // 6
}
