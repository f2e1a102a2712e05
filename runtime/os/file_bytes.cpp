#include "runtime/os/detail/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/core/core.h"
#include "runtime/os/detail/serial_names.h"
#include "runtime/platform/serial_port.h"
#include "runtime/screen/screen.h"

namespace {

// Writes back and empties the buffers of every record on the file except
// one; a failed write-back is reported by the next statement on that record.
void settle_records(uint64_t device, uint64_t inode, const file_record* except) {
  for (file_record* other : file_table.records) {
    if (other == except || !other->open || other->device != device_disk || other->io_valid == 0) continue;
    if (other->file_id_device != device || other->file_id_inode != inode) continue;
    const int32_t e = file_write_back(other);
    if (e != byte_ok && other->deferred_error == byte_ok) other->deferred_error = e;
    other->io_valid = 0;
  }
}

// Another record naming the same file may hold bytes this one should see, or
// cached bytes this one is about to change: write those back and empty them.
void cohere(file_record* r) { settle_records(r->file_id_device, r->file_id_inode, r); }

// Common start of a disk operation: an error left by an earlier write-back,
// then the other records on the same file.
int32_t disk_prologue(file_record* r) {
  if (r->deferred_error != byte_ok) {
    const int32_t e = r->deferred_error;
    r->deferred_error = byte_ok;
    return e;
  }
  if (r->shares_file) cohere(r);
  return byte_ok;
}

bool ensure_io(file_record* r) {
  if (!r->io) r->io = static_cast<uint8_t*>(std::malloc(file_buffer_size));
  return r->io != nullptr;
}

int32_t checks(file_record* r, bool allowed, int64_t count) {
  if (!r || !r->open) return byte_not_open;
  if (!allowed) return byte_not_allowed;
  if (count < 0) return byte_negative;
  return byte_ok;
}

int32_t write_serial(file_record* r, const uint8_t* bytes, int64_t count) {
  std::string with_line_feeds;
  if (r->lf_after_cr && std::memchr(bytes, 13, static_cast<size_t>(count))) {
    for (int64_t i = 0; i < count; ++i) {
      with_line_feeds.push_back(static_cast<char>(bytes[i]));
      if (bytes[i] == 13) with_line_feeds.push_back(10);
    }
    bytes = reinterpret_cast<const uint8_t*>(with_line_feeds.data());
    count = static_cast<int64_t>(with_line_feeds.size());
  }
  size_t done = 0;
  int e;
  {
    files_wait_section waiting;
    e = serial_write(r->file.fd, bytes, static_cast<size_t>(count), r->timeouts[1], &done);
  }
  r->position += done;
  if (e == ETIMEDOUT || (e == 0 && done < static_cast<size_t>(count))) return byte_short_write;
  return e != 0 ? byte_result_of(e) : byte_ok;
}

int32_t write_disk(file_record* r, const uint8_t* bytes, int64_t count) {
  int32_t e = disk_prologue(r);
  if (e != byte_ok) return e;
  const uint64_t n = static_cast<uint64_t>(count);
  if (n >= file_buffer_size || !ensure_io(r)) {
    // Large pieces go straight to the file, after what is buffered before them.
    e = file_write_back(r);
    r->io_valid = 0;
    if (e != byte_ok) return e;
    size_t done = 0;
    const int se = platform_write_at(r->file.fd, r->position, bytes, static_cast<size_t>(n), &done);
    r->position += done;
    if (se != 0) return byte_result_of(se);
    return done < n ? byte_short_write : byte_ok;
  }
  const bool fits = r->io_valid > 0 && r->position >= r->io_start && r->position <= r->io_start + r->io_valid &&
                    r->position - r->io_start + n <= file_buffer_size;
  if (!fits) {
    e = file_write_back(r);
    if (e != byte_ok) return e;
    r->io_start = r->position;
    r->io_valid = 0;
  }
  const uint32_t at = static_cast<uint32_t>(r->position - r->io_start);
  const uint32_t end = at + static_cast<uint32_t>(n);
  if (n > 0) std::memcpy(r->io + at, bytes, n);
  if (r->dirty_to <= r->dirty_from) {
    r->dirty_from = at;
    r->dirty_to = end;
    note_unflushed();
  } else {
    r->dirty_from = std::min(r->dirty_from, at);
    r->dirty_to = std::max(r->dirty_to, end);
  }
  r->io_valid = std::max(r->io_valid, end);
  r->position += n;
  return byte_ok;
}

int32_t read_serial(file_record* r, uint8_t* out, int64_t count, int64_t* got) {
  size_t done = 0;
  int e;
  {
    files_wait_section waiting;
    e = serial_read(r->file.fd, out, static_cast<size_t>(count), r->timeouts[2], &done);
  }
  r->position += done;
  // Text mode: the data ends at CHR$(26); the caller pads from there.
  if (r->text_mode == serial_text_asc)
    if (const void* end = std::memchr(out, 26, done)) done = static_cast<size_t>(static_cast<const uint8_t*>(end) - out);
  *got = static_cast<int64_t>(done);
  return e != 0 ? byte_result_of(e) : byte_ok;
}

int32_t read_disk(file_record* r, uint8_t* out, int64_t count, int64_t* got) {
  int32_t e = disk_prologue(r);
  if (e != byte_ok) return e;
  // A read is a moment when everything written before is in the file.
  if ((e = file_write_back(r)) != byte_ok) return e;
  while (*got < count) {
    const uint64_t want = static_cast<uint64_t>(count - *got);
    if (r->io_valid > 0 && r->position >= r->io_start && r->position < r->io_start + r->io_valid) {
      const uint64_t n = std::min<uint64_t>(want, r->io_start + r->io_valid - r->position);
      std::memcpy(out + *got, r->io + (r->position - r->io_start), n);
      *got += static_cast<int64_t>(n);
      r->position += n;
      continue;
    }
    e = file_write_back(r);
    r->io_valid = 0;
    if (e != byte_ok) return e;
    size_t done = 0;
    if (want >= file_buffer_size || !ensure_io(r)) {
      const int se = platform_read_at(r->file.fd, r->position, out + *got, static_cast<size_t>(want), &done);
      *got += static_cast<int64_t>(done);
      r->position += done;
      return se != 0 ? byte_result_of(se) : byte_ok;
    }
    const int se = platform_read_at(r->file.fd, r->position, r->io, file_buffer_size, &done);
    if (se != 0) return byte_result_of(se);
    r->io_start = r->position;
    r->io_valid = static_cast<uint32_t>(done);
    if (done == 0) break;
  }
  return byte_ok;
}

}  // namespace

int32_t file_seek(file_record* r, int64_t position) {
  if (!r || !r->open) return byte_not_open;
  if (position < 0) return byte_negative;
  // Serial ports and the screen have no position to set.
  if (r->device != device_disk) return byte_not_allowed;
  r->position = static_cast<uint64_t>(position);
  return byte_ok;
}

int32_t file_write(file_record* r, int64_t position, bool position_given, const void* bytes, int64_t count) {
  int32_t e = checks(r, r && r->write_allowed, count);
  if (e != byte_ok) return e;
  if (position_given && (e = file_seek(r, position)) != byte_ok) return e;
  const auto* in = static_cast<const uint8_t*>(bytes);
  switch (r->device) {
    case device_screen:
      for (int64_t at = 0; at < count;) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(count - at, 1 << 30));
        print_chars(in + at, n, 0);
        at += n;
      }
      return byte_ok;
    case device_serial: return write_serial(r, in, count);
    default: return write_disk(r, in, count);
  }
}

int32_t file_read(file_record* r, int64_t position, bool position_given, void* buffer, int64_t count) {
  int32_t e = checks(r, r && r->read_allowed && r->device != device_screen, count);
  if (e != byte_ok) return e;
  if (position_given && (e = file_seek(r, position)) != byte_ok) return e;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t got = 0;
  e = r->device == device_serial ? read_serial(r, out, count, &got) : read_disk(r, out, count, &got);
  if (e != byte_ok) return e;
  if (got < count) {
    const bool text = r->device == device_serial && r->text_mode == serial_text_asc;
    std::memset(out + got, text ? 26 : 0, static_cast<size_t>(count - got));
    r->at_eof = 1;
    return byte_short_read;
  }
  r->at_eof = 0;
  return byte_ok;
}

int64_t file_length(file_record* r) {
  if (!r || !r->open) return byte_not_open;
  if (r->device == device_screen) return byte_negative;
  if (r->device == device_serial) {
    uint32_t waiting = 0;
    const int e = serial_waiting(r->file.fd, &waiting);
    return e != 0 ? byte_result_of(e) : waiting;
  }
  if (r->shares_file) cohere(r);
  const int32_t written = file_write_back(r);
  if (written != byte_ok) return written;
  uint64_t size = 0;
  const int e = platform_file_size(r->file.fd, &size);
  if (e != 0) return byte_result_of(e);
  if (r->io_valid > 0) size = std::max<uint64_t>(size, r->io_start + r->io_valid);
  return static_cast<int64_t>(size);
}

void settle_file(uint64_t device, uint64_t inode) { settle_records(device, inode, nullptr); }

int32_t file_flush(file_record* r) {
  if (!r || !r->open) return byte_not_open;
  if (r->device != device_disk) return byte_ok;
  const int32_t e = file_write_back(r);
  if (e != byte_ok) return e;
  const int32_t deferred = r->deferred_error;
  r->deferred_error = byte_ok;
  return deferred;
}

int32_t read_char_slow(file_record* r) {
  uint8_t c = 0;
  const int32_t e = file_read(r, 0, false, &c, 1);
  if (e == byte_short_read) return char_end_of_file;
  if (e != byte_ok) {
    raise_error(byte_error_number(e));
    return char_failed;
  }
  if (c == 26 && !(r->device == device_serial && r->text_mode == serial_text_bin)) {
    if (r->device == device_disk) --r->position;
    r->at_eof = 1;
    return char_end_of_file;
  }
  return c;
}
