#include "runtime/os/environment.h"

#include "runtime/platform/platform.h"

int32_t environment_entries = 0;

void environment_init() {
  char** env = environment_strings();
  int32_t n = 1;
  while (env && env[n - 1]) ++n;
  environment_entries = n;
}
