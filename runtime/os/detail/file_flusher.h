#pragma once
// Written bytes reach the system promptly: a byte a file statement leaves in
// a record's buffer is handed to the system (write(2), not a sync to disk)
// within about flush_delay_ms of the statement that wrote it, whatever the
// program does next, and at once before a wait inside a file statement.
//
// How: the first byte to make any buffer dirty starts the flush clock
// (unflushed_bytes.since, ms_counter; file_records.h) and wakes the flusher
// thread, there since the first disk file opened for writing, which sleeps
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
// The clock and the write-out (note_unflushed, write_out_buffers) sit with the
// records (file_records.h): whoever holds the records calls them, the program
// thread inside a statement or the flusher.
#include <atomic>
#include <cstdint>

constexpr int32_t flush_delay_ms = 100;

// Starts the flusher thread once: OPEN calls it when it opens a disk file for
// writing, before any byte can wait in a buffer. Program thread.
void file_flusher_start();

// Program thread, outside a statement (SHELL before it starts a command):
// hands every written byte to the system now; a failure is reported by the
// next statement on that file's number.
void flush_written_files();
