#pragma once
// Written bytes reach the system promptly: a byte a file statement leaves in
// a record's buffer is handed to the system (write(2), not a sync to disk)
// within about flush_delay_ms of the statement that wrote it, whatever the
// program does next, and at once before a wait inside a file statement.
//
// How: the first byte to make any buffer dirty starts the flush clock
// (unflushed_bytes.since, ms_counter) and wakes the flusher thread, which sleeps
// until that moment plus flush_delay_ms. It then takes the records from
// outside (files_hold_from_outside, file_records.h), which succeeds only
// while no statement is under way, and writes out every dirty buffer. When a
// statement is under way it raises unflushed_bytes.flush_wanted instead, and the program
// thread writes the buffers out itself as that statement ends (the guard's
// end). A statement that waits (a serial time-out) writes them out before
// waiting. So the records' buffers are only ever touched by one thread at a
// time: the program thread inside a statement, or the flusher holding them
// while no statement runs. A write-back that fails leaves its error for the
// next statement on that number (deferred_error), so it is never lost.
//
// note_unflushed and write_out_buffers: whoever holds the records (the
// program thread inside a statement, or the flusher). The thread itself
// starts at the first unflushed byte.
#include <atomic>
#include <cstdint>

constexpr int32_t flush_delay_ms = 100;

// What the file buffers hold that the files do not yet: written by whoever
// holds the records, read by the flusher.
struct unflushed_bytes_record {
  std::atomic<int64_t> since{0};        // ms_counter of the oldest unflushed byte, 0 when none
  std::atomic<int32_t> flush_wanted{0}; // the flusher met a statement under way
};
extern unflushed_bytes_record unflushed_bytes;

void start_flush_clock();

// A buffer just took bytes that are not in the file yet.
inline void note_unflushed() {
  if (unflushed_bytes.since.load(std::memory_order_relaxed) == 0) start_flush_clock();
}

// Every dirty buffer to its file; stops the clock and answers a flush asked for.
void write_out_buffers();

// Stops the clock without writing (the records are going away).
void unflushed_bytes_reset();

// Program thread, outside a statement (SHELL before it starts a command):
// hands every written byte to the system now; a failure is reported by the
// next statement on that file's number.
void flush_written_files();
