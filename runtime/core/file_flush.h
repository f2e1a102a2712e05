#pragma once
// The hand-over with the file flusher of os/, which sleeps on
// flush_handover.wakes: ask_file_flush raises flush_handover.asked, wakes it and
// waits up to a second for it to store 0 once every byte the file statements
// have written has reached the system. Core asks before a run-time error's
// dialog, which may stay up for long. Before the flusher exists
// (flush_handover.flusher_running 0) there is nothing to ask.
// Any thread but the flusher.
#include <atomic>
#include <cstdint>

struct flush_handover_record {
  std::atomic<uint32_t> wakes{0};            // the flusher sleeps on this count
  std::atomic<uint32_t> asked{0};            // 1 = flush now; the flusher stores 0 when done
  std::atomic<uint32_t> flusher_running{0};  // 1 once the flusher thread exists
};
extern flush_handover_record flush_handover;
void ask_file_flush();
