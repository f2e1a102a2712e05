#pragma once
// Byte-level input and output on open-file records: seek, tell, read, write
// and length, with their byte_result codes (file_errors.h), and the character
// reader the text statements rest on.
//
// Disk files go through one buffer per record (file_buffer_size bytes) that
// serves reads and collects writes; its dirty bytes reach the file when the
// buffer must hold something else, before a read, LOF or SEEK on the record,
// at CLOSE, at program end and at process exit (flush_all_files), and in any
// case within about 100 ms (file_flusher.h). Records that name the same file
// never both hold buffered bytes: an operation on one first writes back and
// empties the others, and an OPEN of the file does the same to every record
// on it (settle_file), so two numbers opened on one file see each other's
// writes. Serial ports are read and written directly, with their time-outs.
//
// Program thread (callers hold files_guard).
#include <cstdint>

#include "runtime/os/detail/file_errors.h"
#include "runtime/os/detail/file_records.h"

int32_t file_seek(file_record* r, int64_t position);
// Writes count bytes at position (or at the current position when none is
// given); the position advances by what was written.
int32_t file_write(file_record* r, int64_t position, bool position_given, const void* bytes, int64_t count);
// Reads count bytes; a short read zero-fills the rest, sets at_eof and gives
// byte_short_read; a full read clears at_eof.
int32_t file_read(file_record* r, int64_t position, bool position_given, void* buffer, int64_t count);
// LOF: the length in bytes, or a negative byte_result (byte_negative for the screen device).
int64_t file_length(file_record* r);
// Before an OPEN that may empty or change the file from outside the buffers:
// every record on it writes back its bytes and forgets what it had read.
void settle_file(uint64_t device, uint64_t inode);
// Writes the buffer's dirty bytes to the file.
int32_t file_flush(file_record* r);

// Result of read_char besides a byte 0..255.
constexpr int32_t char_end_of_file = -1;
constexpr int32_t char_failed = -2;  // the error is raised

int32_t read_char_slow(file_record* r);

// The next byte for the INPUT # family. CHR$(26) is not returned: it is end of
// file (at_eof := 1) and the position stays on it. Errors raise 258, 54, 5, 70
// or 75 and give char_failed.
inline int32_t read_char(file_record* r) {
  const uint64_t offset = r->position - r->io_start;
  if (r->position >= r->io_start && offset < r->io_valid && !r->shares_file) {
    const uint8_t c = r->io[offset];
    if (c != 26) {
      ++r->position;
      r->at_eof = 0;
      return c;
    }
  }
  return read_char_slow(r);
}

// The bytes read_char would give next straight from the buffer (CHR$(26)
// included: the caller stops at it), or 0 when it would have to go further.
// The caller moves position past what it takes.
inline size_t buffered_run(const file_record* r, const uint8_t** at) {
  const uint64_t offset = r->position - r->io_start;
  if (r->position < r->io_start || offset >= r->io_valid || r->shares_file) return 0;
  *at = r->io + offset;
  return r->io_valid - offset;
}

// Steps back over the byte read_char last returned.
inline void unread_char(file_record* r) { --r->position; }
