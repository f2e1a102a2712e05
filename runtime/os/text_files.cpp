// The text statements on files: PRINT # and WRITE # with their columns and
// zones, INPUT # of string and numeric fields, LINE INPUT #, and EOF, LOF,
// LOC and SEEK.
#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/core/core.h"
#include "runtime/os/detail/file_bytes.h"
#include "runtime/os/os.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

constexpr uint8_t cr = 13, lf = 10;
constexpr size_t longest_string = 0x7fffffff;
// The field buffer keeps at most this much room between statements; a longer
// line's room is given back after it.
constexpr size_t kept_field_room = 1 << 20;

std::string field_text;

// The open record for a statement, or null with error 52 raised.
file_record* open_record(int32_t number) {
  file_record* r = record_of(number);
  if (!r) raise_error(err_bad_file_name_or_number);
  return r;
}

// The record for a reading or writing statement: open (52), in the mode
// (54; the screen takes any writing statement), with the access (75).
file_record* record_for(int32_t number, int32_t mode, bool write) {
  file_record* r = open_record(number);
  if (!r || (write && r->screen_device)) return r;
  if (r->mode != mode) {
    raise_error(err_bad_file_mode);
    return nullptr;
  }
  if (!(write ? r->write_allowed : r->read_allowed)) {
    raise_error(err_path_file_access_error);
    return nullptr;
  }
  return r;
}

file_record* input_record(int32_t number) { return record_for(number, mode_input, false); }
file_record* output_record(int32_t number) { return record_for(number, mode_output, true); }

bool put(file_record* r, const void* bytes, size_t n) {
  const int32_t e = file_write(r, 0, false, bytes, static_cast<int64_t>(n));
  if (e != byte_ok) raise_error(byte_error_number(e));
  return e == byte_ok;
}

// The column after text: a CR starts again at 1, a LF leaves it, anything else adds 1.
void advance_column(file_record* r, const uint8_t* text, size_t n) {
  size_t from = 0;
  for (size_t i = n; i > 0; --i)
    if (text[i - 1] == cr) {
      r->column = 1;
      from = i;
      break;
    }
  r->column += (n - from) - static_cast<size_t>(std::count(text + from, text + n, lf));
}

// After a CR or LF: takes its partner if it follows, else steps back.
void finish_line_end(file_record* r, int32_t c) {
  const int32_t next = read_char(r);
  if (next == char_end_of_file || next == char_failed) return;
  if (!((c == cr && next == lf) || (c == lf && next == cr))) unread_char(r);
}

// After a field ended by c: a line end is consumed, a comma or the end ends
// it; spaces are passed over, and a comma or line end after them counts as if
// it came first, anything else is left for the next read.
void finish_field(file_record* r, int32_t c) {
  while (c == ' ') c = read_char(r);
  if (c == cr || c == lf)
    finish_line_end(r, c);
  else if (c >= 0 && c != ',')
    unread_char(r);
}

// Bytes a serial port has received and not yet given; -1 when it cannot tell.
int64_t bytes_waiting(const file_record* r) {
  uint32_t waiting = 0;
  return serial_waiting(r->file.fd, &waiting) == 0 ? waiting : -1;
}

bool keep(int32_t c) {
  if (field_text.size() >= longest_string) {
    raise_error(err_out_of_string_space);
    return false;
  }
  field_text.push_back(static_cast<char>(c));
  return true;
}

enum class field_kind { text, number };

// A byte that neither ends a field nor the data.
inline bool plain_byte(uint8_t b, field_kind kind) {
  if (b == ',' || b == cr || b == lf || b == 26) return false;
  return kind == field_kind::text || (b != ' ' && b != '\t');
}

// Takes the plain bytes that follow in the buffer in one piece; false when
// the field would be too long (error raised).
bool keep_buffered_run(file_record* r, field_kind kind) {
  const uint8_t* at = nullptr;
  const size_t available = buffered_run(r, &at);
  size_t n = 0;
  while (n < available && plain_byte(at[n], kind)) ++n;
  if (n == 0) return true;
  if (n > longest_string - field_text.size()) {
    raise_error(err_out_of_string_space);
    return false;
  }
  field_text.append(reinterpret_cast<const char*>(at), n);
  r->position += n;
  return true;
}

// Reads one field into field_text; false at the end of the file (error 62
// raised) or on a failure. Numbers pass over line ends before them and also
// end at a space or tab.
bool read_field(file_record* r, field_kind kind) {
  field_text.clear();
  int32_t c = read_char(r);
  while (c == ' ' || c == '\t' || (kind == field_kind::number && (c == cr || c == lf))) c = read_char(r);
  if (c == char_failed) return false;
  if (c == char_end_of_file) {
    raise_error(err_input_past_end_of_file);
    return false;
  }
  if (c == '"') {
    for (c = read_char(r); c >= 0 && c != '"'; c = read_char(r))
      if (!keep(c)) return false;
    if (c == char_failed) return false;
    if (c == '"') {
      c = read_char(r);
      while (c >= 0 && c != ',' && c != cr && c != lf) c = read_char(r);
    }
  } else {
    for (; c >= 0 && c != ',' && c != cr && c != lf; c = read_char(r)) {
      if (kind == field_kind::number && (c == ' ' || c == '\t')) break;
      if (!keep(c) || !keep_buffered_run(r, kind)) return false;
    }
    if (c == char_failed) return false;
    while (!field_text.empty() && (field_text.back() == ' ' || field_text.back() == '\t')) field_text.pop_back();
  }
  finish_field(r, c);
  return error_report.pending.load() == 0;
}

void assign_field(str_desc* variable) {
  // A plain view of the field's bytes (not a temporary: nothing to list or free).
  str_desc view{};
  view.chars = reinterpret_cast<uint8_t*>(field_text.data());
  view.len = static_cast<int32_t>(field_text.size());
  view.read_only = 1;
  str_assign(variable, &view);
  if (field_text.capacity() > kept_field_room) std::string().swap(field_text);
}

}  // namespace

void print_to_file(int32_t number, const str_desc* text, int32_t space_after, int32_t next_zone_wanted,
                   int32_t new_line_wanted) {
  if (error_report.pending.load() != 0) return;
  files_guard guard;
  file_record* r = output_record(number);
  if (!r) return;
  if (r->screen_device) {
    print_text(text, 0);
    if (space_after) print_text(data_segment.space_string, 0);
    if (next_zone_wanted) next_zone();
    if (new_line_wanted) new_line();
    return;
  }
  const size_t n = text->len > 0 ? static_cast<size_t>(text->len) : 0;
  if (n > 0 && !put(r, text->chars, n)) return;
  advance_column(r, text->chars, n);

  uint8_t spaces[16];
  size_t count = 0;
  if (space_after) spaces[count++] = ' ';
  if (next_zone_wanted) {
    spaces[count++] = ' ';
    const uint64_t into_zone = (r->column + count - 1) % 14;
    if (into_zone != 0) count += 14 - into_zone;
    std::memset(spaces + (space_after ? 1 : 0), ' ', count - (space_after ? 1 : 0));
  }
  if (count > 0) {
    if (!put(r, spaces, count)) return;
    r->column += count;
  }
  if (new_line_wanted) {
    static const uint8_t line_end[2] = {cr, lf};
    if (!put(r, line_end, 2)) return;
    r->column = 1;
  }
}

void write_item_to_file(int32_t number, const str_desc* text, int32_t quoted, int32_t last) {
  if (error_report.pending.load() != 0) return;
  files_guard guard;
  file_record* r = output_record(number);
  if (!r) return;
  const uint8_t* chars = text->chars;
  size_t n = text->len > 0 ? static_cast<size_t>(text->len) : 0;
  if (!quoted)
    while (n > 0 && *chars == ' ') ++chars, --n;
  std::string item;
  item.reserve(n + 4);
  if (quoted) item.push_back('"');
  item.append(reinterpret_cast<const char*>(chars), n);
  if (quoted) item.push_back('"');
  item.append(last ? "\r\n" : ",");
  if (r->screen_device) {
    print_chars(reinterpret_cast<const uint8_t*>(item.data()), static_cast<int32_t>(item.size() - (last ? 2 : 0)),
                last);
    return;
  }
  if (!put(r, item.data(), item.size())) return;
  advance_column(r, reinterpret_cast<const uint8_t*>(item.data()), item.size());
}

void input_string_from_file(int32_t number, str_desc* variable) {
  if (error_report.pending.load() != 0) return;
  files_guard guard;
  file_record* r = input_record(number);
  if (!r) return;
  if (!read_field(r, field_kind::text)) {
    if (error_report.pending.load() == err_input_past_end_of_file) field_text.clear();
    else return;
  }
  assign_field(variable);
}

long double input_number_from_file(int32_t number) {
  if (error_report.pending.load() != 0) return 0;
  files_guard guard;
  file_record* r = input_record(number);
  if (!r || !read_field(r, field_kind::number)) return 0;
  str_desc* text = str_from_text(field_text.data(), static_cast<uint32_t>(field_text.size()));
  const long double value = text_value(text);
  str_free(text);
  return value;
}

void line_input_from_file(int32_t number, str_desc* variable) {
  if (error_report.pending.load() != 0) return;
  files_guard guard;
  file_record* r = input_record(number);
  if (!r) return;
  field_text.clear();
  int32_t c = read_char(r);
  if (c == char_end_of_file) {
    raise_error(err_input_past_end_of_file);
    return;
  }
  for (; c >= 0 && c != cr && c != lf; c = read_char(r))
    if (!keep(c)) return;
  if (c == char_failed) return;
  if (c == cr || c == lf) finish_line_end(r, c);
  if (error_report.pending.load() != 0) return;
  assign_field(variable);
}

int32_t file_eof(int32_t number) {
  if (error_report.pending.load() != 0) return 0;
  if (number < 0) return net_eof(~number);
  files_guard guard;
  file_record* r = open_record(number);
  if (!r) return 0;
  if (r->device == device_serial) return bytes_waiting(r) == 0 ? -1 : 0;
  if (r->screen_device || r->mode == mode_output) {
    raise_error(err_bad_file_mode);
    return 0;
  }
  if (r->mode != mode_input) return r->at_eof ? -1 : 0;
  const int32_t c = read_char(r);
  if (c >= 0) {
    unread_char(r);
    return 0;
  }
  return c == char_end_of_file ? -1 : 0;
}

int64_t file_lof(int32_t number) {
  if (error_report.pending.load() != 0) return 0;
  files_guard guard;
  file_record* r = open_record(number);
  if (!r) return 0;
  const int64_t length = file_length(r);
  if (length < 0) {
    raise_error(byte_error_number(static_cast<int32_t>(length)));
    return 0;
  }
  return length;
}

int64_t file_loc(int32_t number) {
  if (error_report.pending.load() != 0) return 0;
  files_guard guard;
  file_record* r = open_record(number);
  if (!r) return 0;
  if (r->device == device_serial) return std::max<int64_t>(bytes_waiting(r), 0);
  if (r->screen_device) return 0;
  const int64_t position = static_cast<int64_t>(r->position);
  switch (r->mode) {
    case mode_random: return position / r->record_length;
    case mode_binary: return position;
    default: return position / 128;
  }
}

int64_t file_seek_function(int32_t number) {
  if (error_report.pending.load() != 0) return 0;
  files_guard guard;
  file_record* r = open_record(number);
  if (!r) return 0;
  if (r->device != device_disk) {
    raise_error(err_bad_file_mode);
    return 0;
  }
  const int64_t position = static_cast<int64_t>(r->position);
  return r->mode == mode_random ? position / r->record_length + 1 : position + 1;
}

void file_seek_statement(int32_t number, int64_t position) {
  if (error_report.pending.load() != 0) return;
  files_guard guard;
  file_record* r = open_record(number);
  if (!r) return;
  if (r->device != device_disk) {
    raise_error(err_bad_file_mode);
    return;
  }
  if (position < 1 || (r->mode == mode_random && position - 1 > INT64_MAX / r->record_length)) {
    raise_error(err_bad_record_number);
    return;
  }
  const int64_t offset = r->mode == mode_random ? (position - 1) * r->record_length : position - 1;
  // What was written before the SEEK is in the file after it.
  int32_t e = file_flush(r);
  if (e == byte_ok) e = file_seek(r, offset);
  if (e != byte_ok) raise_error(byte_error_number(e));
  r->at_eof = 0;
}
