// GET and PUT: a variable's bytes, a variable-length string (with its length
// header in RANDOM records), the FIELD record buffer, and FIELD itself.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/os/detail/field_bindings.h"
#include "runtime/os/detail/file_bytes.h"
#include "runtime/os/os.h"

namespace {

// Where one GET or PUT happens.
struct transfer {
  file_record* r;
  int64_t offset;   // byte offset of the record or byte given
  bool positioned;  // a position was given (disk files only)
  uint64_t start;   // the position the transfer starts at
};

// Checks the record and works out the offset; false with the error raised.
bool begin_transfer(int32_t number, int64_t position, bool given, int64_t length, bool put, transfer* t) {
  file_record* r = record_of(number);
  if (!r) {
    raise_error(err_bad_file_name_or_number);
    return false;
  }
  if (r->mode != mode_random && r->mode != mode_binary) {
    raise_error(err_bad_file_mode);
    return false;
  }
  // SCRN: takes text from PRINT # and WRITE # only, never bytes.
  if (put ? !r->write_allowed || r->screen_device : !r->read_allowed) {
    raise_error(err_path_file_access_error);
    return false;
  }
  if (r->mode == mode_random && length > r->record_length) {
    raise_error(err_bad_record_length);
    return false;
  }
  *t = transfer{r, 0, false, r->position};
  // Serial ports have no positions: a record or byte number given for one is passed over.
  if (!given || r->device != device_disk) return true;
  if (position - 1 < 0 || (r->mode == mode_random && position - 1 > INT64_MAX / r->record_length)) {
    raise_error(err_bad_record_number);
    return false;
  }
  t->offset = r->mode == mode_random ? (position - 1) * r->record_length : position - 1;
  t->positioned = true;
  t->start = static_cast<uint64_t>(t->offset);
  return true;
}

// A RANDOM transfer shorter than a record ends at the end of the record.
void to_record_end(const transfer& t, int64_t length) {
  file_record* r = t.r;
  if (r->mode != mode_random || length >= r->record_length || r->device != device_disk) return;
  const int64_t end = t.positioned ? t.offset + r->record_length
                                   : static_cast<int64_t>(r->position) + r->record_length - length;
  if (file_seek(r, end) != byte_ok) raise_error(err_bad_file_mode);
}

void raise_unless_ok(int32_t e) {
  if (e != byte_ok && e != byte_short_read) raise_error(byte_error_number(e));
}

// The work buffer of GET and PUT of strings in RANDOM records. Records may be
// as long as OPEN said, so the room is asked of malloc: no room is error 7.
uint8_t* record_work = nullptr;
size_t record_work_size = 0;

bool work_room(size_t n) {
  if (n <= record_work_size) return true;
  auto* grown = static_cast<uint8_t*>(std::realloc(record_work, n));
  if (!grown) return false;
  record_work = grown;
  record_work_size = n;
  return true;
}

void give_back_work() {
  if (record_work_size <= (1u << 20)) return;
  std::free(record_work);
  record_work = nullptr;
  record_work_size = 0;
}

// A variable's size on a network handle: the connection takes at most 2^31 - 1
// bytes in one statement.
bool handle_block_fits(int64_t length) {
  if (length >= 0 && length <= INT32_MAX) return true;
  raise_error(err_illegal_function_call);
  return false;
}

void put_block(int32_t number, int64_t position, int32_t given, const void* block, int64_t length) {
  transfer t;
  if (!begin_transfer(number, position, given, length, true, &t)) return;
  const int32_t e = file_write(t.r, t.offset, t.positioned, block, length);
  if (e != byte_ok) {
    raise_error(byte_error_number(e));
    return;
  }
  to_record_end(t, length);
}

}  // namespace

void put_bytes(int32_t number, int64_t position, int32_t position_given, const void* block, int64_t length) {
  if (error_report.pending.load() != 0) return;
  if (number < 0) {
    // A network handle: the bytes go to the connection; positions mean nothing there.
    if (handle_block_fits(length)) net_put_bytes(~number, block, static_cast<int32_t>(length));
    return;
  }
  files_guard guard;
  put_block(number, position, position_given, block, length);
}

void get_bytes(int32_t number, int64_t position, int32_t position_given, void* block, int64_t length) {
  if (error_report.pending.load() != 0) return;
  if (number < 0) {
    // A network handle: the block is filled only when that many bytes have arrived.
    if (handle_block_fits(length)) net_get_bytes(~number, block, static_cast<int32_t>(length));
    return;
  }
  files_guard guard;
  transfer t;
  if (!begin_transfer(number, position, position_given, length, false, &t)) return;
  const int32_t e = file_read(t.r, t.offset, t.positioned, block, length);
  raise_unless_ok(e);
  if (e == byte_ok) to_record_end(t, length);
}

void put_string(int32_t number, int64_t position, int32_t position_given, const str_desc* text) {
  if (error_report.pending.load() != 0) return;
  if (number < 0) {
    net_put_string(~number, text);
    return;
  }
  files_guard guard;
  const file_record* r = record_of(number);
  const uint32_t n = text->len > 0 ? static_cast<uint32_t>(text->len) : 0;
  if (!r || r->mode != mode_random) {
    put_bytes(number, position, position_given, text->chars, n);
    return;
  }
  // The length header: 2 bytes, or 8 for lengths above 32767 (bit 15 of the
  // first word set, the rest of the length in the next 32 bits).
  uint8_t header[8] = {};
  size_t header_size = 2;
  if (n <= 32767) {
    header[0] = static_cast<uint8_t>(n);
    header[1] = static_cast<uint8_t>(n >> 8);
  } else {
    header_size = 8;
    const uint32_t low = (n & 0x7fff) | 0x8000, high = n >> 15;
    header[0] = static_cast<uint8_t>(low);
    header[1] = static_cast<uint8_t>(low >> 8);
    for (int i = 0; i < 4; ++i) header[2 + i] = static_cast<uint8_t>(high >> (8 * i));
  }
  const int64_t total = static_cast<int64_t>(header_size + n);
  // Access is checked before the length, as for every other PUT.
  if (!r->write_allowed || r->screen_device) {
    raise_error(err_path_file_access_error);
    return;
  }
  if (total > r->record_length) {
    raise_error(err_bad_record_length);
    return;
  }
  if (!work_room(static_cast<size_t>(total))) {
    raise_error(err_out_of_memory);
    return;
  }
  std::memcpy(record_work, header, header_size);
  if (n > 0) std::memcpy(record_work + header_size, text->chars, n);
  put_block(number, position, position_given, record_work, total);
  give_back_work();
}

void get_string(int32_t number, int64_t position, int32_t position_given, str_desc* text) {
  if (error_report.pending.load() != 0) return;
  if (number < 0) {
    // A string receives every byte that has arrived on the connection.
    net_get_string(~number, text);
    return;
  }
  files_guard guard;
  const file_record* record = record_of(number);
  if (!record || record->mode != mode_random) {
    // BINARY: as many bytes as the string holds, into it.
    const int64_t n = text->len > 0 ? text->len : 0;
    if (n == 0) {
      get_bytes(number, position, position_given, nullptr, 0);
      return;
    }
    if (text->read_only) str_assign(text, str_from_text(text->chars, static_cast<uint32_t>(n)));
    get_bytes(number, position, position_given, text->chars, n);
    if (text->field_link) field_written(text);
    return;
  }
  if (record->record_length <= 1) {
    raise_error(err_bad_record_length);
    return;
  }
  transfer t;
  if (!begin_transfer(number, position, position_given, 0, false, &t)) return;
  file_record* r = t.r;
  if (!work_room(static_cast<size_t>(r->record_length))) {
    raise_error(err_out_of_memory);
    return;
  }
  uint8_t* work = record_work;
  const int32_t e = file_read(r, t.offset, t.positioned, work, r->record_length);
  if (e != byte_ok && e != byte_short_read) {
    raise_error(byte_error_number(e));
    return;
  }
  const uint64_t record_start = t.positioned ? static_cast<uint64_t>(t.offset) : t.start;
  const int64_t got = static_cast<int64_t>(r->position - record_start);
  if (got <= 0) {
    str_assign(text, str_from_text(nullptr, 0));
    return;
  }
  if (got < r->record_length) to_record_end(t, got);
  const uint32_t word = work[0] | (uint32_t{work[1]} << 8);
  int64_t header = 2, length = word;
  if (word & 0x8000) {
    header = 8;
    uint32_t high = 0;
    if (r->record_length >= 8)
      for (int i = 0; i < 4; ++i) high |= uint32_t{work[2 + i]} << (8 * i);
    length = (word & 0x7fff) + int64_t{high} * 32768;
  }
  if (header > r->record_length || length > r->record_length - header || length > 0x7fffffff) {
    if (r->device == device_disk) file_seek(r, static_cast<int64_t>(record_start));
    raise_error(err_bad_record_length);
    return;
  }
  str_assign(text, str_from_text(work + header, static_cast<uint32_t>(length)));
  give_back_work();
}

namespace {

// GET or PUT of the FIELD record buffer: RANDOM files only.
void transfer_record(int32_t number, int64_t position, int32_t position_given, bool put) {
  if (error_report.pending.load() != 0) return;
  files_guard guard;
  const file_record* r = record_of(number);
  if (r && r->mode != mode_random) {
    raise_error(err_bad_file_mode);
    return;
  }
  transfer t;
  if (!begin_transfer(number, position, position_given, 0, put, &t)) return;
  if (put) {
    const int32_t e = file_write(t.r, t.offset, t.positioned, t.r->record_buffer, t.r->record_length);
    if (e != byte_ok) raise_error(byte_error_number(e));
    return;
  }
  raise_unless_ok(file_read(t.r, t.offset, t.positioned, t.r->record_buffer, t.r->record_length));
  refresh_fields(t.r);
}

}  // namespace

void get_record(int32_t number, int64_t position, int32_t position_given) {
  transfer_record(number, position, position_given, false);
}

void put_record(int32_t number, int64_t position, int32_t position_given) {
  transfer_record(number, position, position_given, true);
}

void field_statement(int32_t number, int32_t count, const int32_t* widths, str_desc* const* variables) {
  if (error_report.pending.load() != 0) return;
  files_guard guard;
  file_record* r = record_of(number);
  if (!r) {
    raise_error(err_bad_file_name_or_number);
    return;
  }
  if (r->mode != mode_random) {
    raise_error(err_bad_file_mode);
    return;
  }
  int64_t total = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (widths[i] < 0 || variables[i]->fixed) {
      raise_error(err_illegal_function_call);
      return;
    }
    total += widths[i];
  }
  if (total > r->record_length) {
    raise_error(err_field_overflow);
    return;
  }
  int64_t offset = 0;
  for (int32_t i = 0; i < count; ++i) {
    bind_field(r, variables[i], offset, widths[i]);
    offset += widths[i];
  }
}
