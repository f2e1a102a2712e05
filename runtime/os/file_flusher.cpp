// The flusher thread: hands buffered file bytes to the system at most
// flush_delay_ms after they were written (the rules are in file_flusher.h).
#include "runtime/os/detail/file_flusher.h"

#include <thread>

#include "runtime/core/file_flush.h"
#include "runtime/os/detail/file_records.h"
#include "runtime/platform/platform.h"

namespace {

void flusher() {
  name_this_thread("file flusher");
  for (;;) {
    const uint32_t seen = flush_handover.wakes.load(std::memory_order_acquire);
    const bool asked = flush_handover.asked.load() != 0;
    const int64_t since = unflushed_bytes.since.load(std::memory_order_acquire);
    if (!asked) {
      if (since == 0) {
        wait_on_word(flush_handover.wakes, seen, -1);
        continue;
      }
      const int64_t left = since + flush_delay_ms - ms_counter();
      if (left > 0) {
        wait_on_word(flush_handover.wakes, seen, static_cast<int32_t>(left));
        continue;
      }
    }
    if (files_hold_from_outside()) {
      write_out_buffers();
      files_release_from_outside();
      continue;
    }
    // A statement is under way: it writes the buffers out as it ends. Look
    // again after a while in case it ended just before the flag was seen.
    unflushed_bytes.flush_wanted.store(1, std::memory_order_relaxed);
    wait_on_word(flush_handover.wakes, seen, flush_delay_ms);
  }
}

}  // namespace

void file_flusher_start() {
  if (flush_handover.flusher_running.exchange(1) == 0) std::thread(flusher).detach();
}
