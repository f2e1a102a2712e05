#pragma once
// The hand-over with the file flusher of os/, which sleeps on
// file_flush_wakes: ask_file_flush raises file_flush_asked, wakes it and
// waits up to a second for it to store 0 once every byte the file statements
// have written has reached the system. Core asks before a run-time error's
// dialog, which may stay up for long. Before the flusher exists
// (file_flusher_running 0) there is nothing to ask.
// Any thread but the flusher.
#include <atomic>
#include <cstdint>

extern std::atomic<uint32_t> file_flush_wakes;
extern std::atomic<uint32_t> file_flush_asked;
extern std::atomic<uint32_t> file_flusher_running;
void ask_file_flush();
