// Test program: takes over close requests, reports the first one it sees on
// standard output, runs on, says so, and then ends through END.
#include <cstdio>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/platform/platform.h"

void program_main() {
  program_preamble();
  close_query();  // 1: the program handles close requests from now on
  statement_end(1);
  int requests = 0;
  while (requests == 0) {  // 2: DO WHILE requests = 0
    statement_end(2);
    platform_sleep(10);
    requests = close_query();  // 3: requests = close query
    statement_end(3);
  }
  std::printf("close request %d\n", requests);  // 4: report it
  std::fflush(stdout);
  statement_end(4);
  platform_sleep(1500);  // 5: still running well after the request
  statement_end(5);
  std::printf("running on\n");
  std::fflush(stdout);
  program_end();  // 6: END
}
