#pragma once
// The file-number table and the open-file records behind it: which number is
// bound to which record, the records themselves with their system handles and
// write-back buffers, and the lock that keeps the exit-time flush from meeting
// a statement half-way through a buffer.
//
// Program thread, except flush_all_files (files.h), which any thread may call
// at process exit, and the flusher thread (file_flusher.h). A statement holds
// files_guard while it touches records; the exit path first stops new
// statements from starting and waits for the one under way to finish
// (files_quiesce), and the flusher only writes while no statement is under
// way, so neither writes out a buffer that is half-way through a change.
#include <atomic>
#include <cstdint>
#include <vector>

#include "runtime/platform/files.h"
#include "runtime/platform/serial_port.h"

enum file_mode : int32_t { mode_random = 1, mode_binary = 2, mode_input = 3, mode_output = 4 };
enum file_device : uint8_t { device_disk = 0, device_serial = 1, device_screen = 2 };

struct field_binding;

// Size of each disk file's write-back and read-ahead buffer.
constexpr uint32_t file_buffer_size = 65536;

struct file_record {
  uint64_t open_serial;   // given when the record is taken, 0 while the record is free
  uint8_t open;           // 1 while in use
  uint8_t read_allowed;
  uint8_t write_allowed;
  uint8_t lock_read;      // others may not read while this is open (LOCK clause)
  uint8_t lock_write;     // others may not write while this is open
  uint64_t position;      // byte position after the last seek, read or write
  uint8_t at_eof;         // a read came up short, or the character reader met CHR$(26)
  int32_t file_number;
  int32_t mode;           // file_mode; APPEND is mode_output
  int64_t record_length;  // RANDOM only
  uint8_t* record_buffer; // RANDOM only: record_length zero-filled bytes
  uint64_t column;        // PRINT # column, from 1
  field_binding* fields;  // strings bound to record_buffer by FIELD
  uint8_t device;         // file_device
  uint8_t screen_device;  // 1 for SCRN:

  // Serial ports.
  int32_t port;
  serial_line line;
  int32_t timeouts[3];        // CD, CS (writes wait up to it), DS (reads wait up to it), in ms
  uint8_t lf_after_cr;        // LF: a line feed goes out after every carriage return
  uint8_t text_mode;          // serial_text_mode (serial_names.h): ASC, BIN or neither

  // System handles: the disk file, or the serial device's descriptor in file.fd.
  platform_file file;
  uint64_t file_id_device;
  uint64_t file_id_inode;
  uint8_t shares_file;        // another open record names the same file

  // Write-back buffer: io holds the file's bytes from io_start on, io_valid of
  // them; io[dirty_from, dirty_to) are newer than the file.
  uint8_t* io;
  uint64_t io_start;
  uint32_t io_valid;
  uint32_t dirty_from;
  uint32_t dirty_to;
  int32_t deferred_error;     // byte code of a failed write-back done for another record
  int32_t record_index;       // this record's place in file_table.records
};

// Held while records or their buffers change; nests, so statements may hold it
// around byte-level calls that also take it. Costs two plain stores and a
// compiler fence: the exit path pays for the handshake with a process-wide
// barrier. Once the exit path has begun, a thread entering here sleeps until
// the process ends.
struct files_guard {
  files_guard();
  ~files_guard();
  files_guard(const files_guard&) = delete;
  files_guard& operator=(const files_guard&) = delete;
};
// Around a wait that may last (a serial port's time-out): the records are
// consistent during it, so the exit path need not wait for it to end.
struct files_wait_section {
  files_wait_section();
  ~files_wait_section();
  files_wait_section(const files_wait_section&) = delete;
  files_wait_section& operator=(const files_wait_section&) = delete;
};
// The exit path: keeps statements from starting and waits up to timeout_ms
// for the one under way. True when the records may now be flushed (also when
// the calling thread itself is inside a statement, as with a fatal error).
bool files_quiesce(int32_t timeout_ms);

// Who holds the records from outside a statement.
enum : uint32_t { holder_none = 0, holder_flusher = 1, holder_exit = 2 };
// The flusher thread: takes the records when no statement is under way and
// the exit path has not taken them (true), else leaves them at once (false).
// A statement that starts meanwhile waits for files_release_from_outside.
bool files_hold_from_outside();
void files_release_from_outside();

// What the buffers hold that the files do not yet (the rules are in
// file_flusher.h): written by whoever holds the records, read by the flusher.
struct unflushed_bytes_record {
  std::atomic<int64_t> since{0};         // ms_counter of the oldest unflushed byte, 0 when none
  std::atomic<int32_t> flush_wanted{0};  // the flusher met a statement under way
};
extern unflushed_bytes_record unflushed_bytes;

// Starts the flush clock and wakes the flusher.
void start_flush_clock();

// A buffer just took bytes that are not in the file yet.
inline void note_unflushed() {
  if (unflushed_bytes.since.load(std::memory_order_relaxed) == 0) start_flush_clock();
}

// Writes a record's dirty bytes (a byte_result). On failure they are dropped
// (the caller reports the error) and the buffer is emptied, so nothing stale
// is read later.
int32_t file_write_back(file_record* r);

// Every dirty buffer to its file; stops the clock and answers a flush asked for.
void write_out_buffers();

// Stops the clock without writing (the records are going away).
void unflushed_bytes_reset();

// The file table: every record ever taken and the last number looked up.
// Touched by whoever holds the records (files_guard, or the flusher and the
// exit path holding them from outside). The numbers' slots and the free stack
// are private to file_records.cpp.
struct file_table_record {
  // Every record ever taken, by index; an index on the free stack is not open.
  // Never destroyed: the exit path may still walk it while the process ends.
  std::vector<file_record*>& records = *new std::vector<file_record*>;
  // The last number found by record_of and its open record (statements in a
  // loop name the same number over and over); binding and releasing forget it.
  int32_t found_number = 0;
  file_record* found_record = nullptr;
};
extern file_table_record file_table;

// -2 for n < 1, 0 when n is free, 1 when n is open.
int32_t file_number_state(int32_t n);
// The open record bound to n, or null.
file_record* record_of_slow(int32_t n);
inline file_record* record_of(int32_t n) {
  return n == file_table.found_number && n > 0 ? file_table.found_record : record_of_slow(n);
}
// The lowest free number.
int32_t free_file_number();

// Takes a zero-filled record with a new open_serial (not yet bound).
file_record* take_record();
// Binds number to the record.
void bind_record(file_record* r, int32_t number);
// Frees the record's memory and its number (the system handle is closed by the caller).
void release_record(file_record* r);

// Recomputes shares_file for every open disk record.
void update_shared_files();

// Back to no files at all, without writing anything back, and statements may
// run again after the exit path held them (tests).
void file_table_reset();
