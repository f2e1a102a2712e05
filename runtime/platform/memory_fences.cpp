#include "runtime/platform/memory_fences.h"

#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

long membarrier_call(int command) { return syscall(__NR_membarrier, command, 0u, 0); }

}  // namespace

bool register_process_barrier() {
  const long offered = membarrier_call(MEMBARRIER_CMD_QUERY);
  if (offered < 0 || !(offered & MEMBARRIER_CMD_PRIVATE_EXPEDITED)) return false;
  return membarrier_call(MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED) == 0;
}

void process_barrier() {
  // Once registered the call does not fail; should it, the slower global barrier gives the same guarantee.
  if (membarrier_call(MEMBARRIER_CMD_PRIVATE_EXPEDITED) != 0) membarrier_call(MEMBARRIER_CMD_GLOBAL);
}
