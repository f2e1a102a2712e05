#pragma once
// Step-by-step test programs: before step n the program waits for a file named n
// in the folder given on its command line; after it, it writes "step n".
#include <unistd.h>

#include <cstdio>
#include <string>

#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"

inline void await_step(int n) {
  const std::string path = command_line_text() + "/" + std::to_string(n);
  while (access(path.c_str(), F_OK) != 0) platform_sleep(10);
}

inline void done(int n) {
  std::printf("step %d\n", n);
  std::fflush(stdout);
}

// DO WHILE the window is not there: wait (statements first_line and first_line + 1),
// so that what follows happens with the window open.
inline void await_window(int32_t first_line) {
  while (window_facts.handle.load() == 0) {
    statement_end(first_line);
    platform_sleep(10);
    statement_end(first_line + 1);
  }
}
