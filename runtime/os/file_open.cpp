// OPEN, CLOSE and FREEFILE, the names they take, and the closing and flushing
// of every file at program end and process exit.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/core/core.h"
#include "runtime/os/detail/field_bindings.h"
#include "runtime/os/detail/file_bytes.h"
#include "runtime/os/detail/file_flusher.h"
#include "runtime/os/detail/serial_names.h"
#include "runtime/os/os.h"

namespace {

// How long the exit path waits for a file statement under way to finish.
constexpr int32_t exit_wait_ms = 2000;

struct access_choice {
  bool read, write;
  bool retry;  // RANDOM and BINARY without ACCESS: read-only, then write-only, when both fail
  open_rule rule;
};

access_choice access_for(int32_t kind, int32_t access) {
  access_choice c{};
  switch (kind) {
    case 3: c = {true, false, false, open_rule::existing}; break;
    case 4: c = {false, true, false, open_rule::truncate}; break;
    case 5: c = {false, true, false, open_rule::open_or_create}; break;
    default: c = {true, true, access == 0, open_rule::open_or_create}; break;
  }
  if (access != 0) {
    c.read = access != 3;
    c.write = access != 2;
  }
  return c;
}

bool is_screen_name(const std::string& name) {
  if (name.size() != 5) return false;
  std::string upper = name;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return upper == "SCRN:";
}

int32_t open_disk(file_record* r, std::string path, int32_t kind, int32_t access, int32_t lock) {
  path = system_path(std::move(path));
  const access_choice c = access_for(kind, access);
  // The open may empty the file or be refused for its bytes: what other
  // numbers hold for it must be in it first, and nothing read before kept.
  uint64_t device = 0, inode = 0;
  if (platform_path_identity(path.c_str(), &device, &inode) == 0) settle_file(device, inode);
  file_open_request request{path.c_str(), c.read, c.write, c.rule, lock == 2 || lock == 3, lock == 2 || lock == 4};
  int e = platform_open_file(request, &r->file);
  if (e != 0 && c.retry && e != ENOENT && e != ENOTDIR) {
    request.write = false;
    request.rule = open_rule::existing;
    e = platform_open_file(request, &r->file);
    if (e != 0) {
      request.read = false;
      request.write = true;
      e = platform_open_file(request, &r->file);
    }
  }
  if (e != 0) return open_error_number(e, platform_parent_exists(path.c_str()));
  if (request.write) file_flusher_start();
  r->device = device_disk;
  r->read_allowed = request.read;
  r->write_allowed = request.write;
  r->lock_read = request.deny_read;
  r->lock_write = request.deny_write;
  platform_file_identity(r->file.fd, &r->file_id_device, &r->file_id_inode);
  return 0;
}

int32_t open_serial(file_record* r, const serial_name& s) {
  const std::string variable = "QUINTARO_COM" + std::to_string(s.port);
  const char* chosen = std::getenv(variable.c_str());
  const std::string device = chosen && *chosen ? chosen : "/dev/ttyS" + std::to_string(s.port - 1);
  int fd = -1;
  if (serial_open(device.c_str(), s.line, &fd) != 0) return err_device_unavailable;
  serial_set_rts(fd, s.options.rts_low == 0);  // a device without modem lines has no RTS to set
  if (s.options.open_timeout >= 0) {
    int e;
    {
      files_wait_section waiting;
      e = serial_wait_lines(fd, s.timeouts[0] > 0, s.timeouts[1] > 0, s.timeouts[2] > 0, s.options.open_timeout);
    }
    if (e != 0) {
      serial_close(fd);
      return e == ETIMEDOUT ? err_device_timeout : err_device_unavailable;
    }
  }
  r->device = device_serial;
  r->lf_after_cr = s.options.lf_after_cr;
  r->text_mode = s.options.text_mode;
  r->file.fd = fd;
  r->read_allowed = 1;
  r->write_allowed = 1;
  r->port = s.port;
  r->line = s.line;
  std::copy(std::begin(s.timeouts), std::end(s.timeouts), std::begin(r->timeouts));
  return 0;
}

void close_system_handle(file_record* r) {
  if (r->device == device_disk)
    platform_close_file(&r->file);
  else if (r->device == device_serial)
    serial_close(r->file.fd);
}

// Writes back, unbinds FIELD strings, closes the handle and frees the number.
// Returns the byte result of the write-back.
int32_t close_record(file_record* r) {
  const int32_t e = file_flush(r);
  unbind_fields(r);
  close_system_handle(r);
  release_record(r);
  update_shared_files();
  return e;
}

// Every open record, in file-number order.
std::vector<file_record*> open_records() {
  std::vector<file_record*> open;
  for (file_record* r : file_table.records)
    if (r->open) open.push_back(r);
  std::sort(open.begin(), open.end(),
            [](const file_record* a, const file_record* b) { return a->file_number < b->file_number; });
  return open;
}

void report_lost_bytes(int32_t number, int32_t result) {
  std::fprintf(stderr, "quintaro: file #%d: buffered bytes could not be written (%s)\n", number,
               error_message(byte_error_number(result)));
}

}  // namespace

void flush_all_files() {
  if (!files_quiesce(exit_wait_ms)) {
    std::fprintf(stderr, "quintaro: a file statement did not finish; buffered bytes may be lost\n");
    return;
  }
  for (file_record* r : file_table.records) {
    if (!r->open || r->device != device_disk) continue;
    const int32_t e = file_flush(r);
    if (e != byte_ok) report_lost_bytes(r->file_number, e);
  }
}

void flush_written_files() {
  files_guard guard;
  write_out_buffers();
}

void file_open(const str_desc* name, int32_t kind, int32_t access, int32_t lock, int32_t number, int64_t length,
               int32_t length_given) {
  if (error_report.pending.load() != 0) return;
  if (length_given && (length == 0 || length < -1)) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (kind < 0 || kind > 5 || access < 0 || access > 3 || lock < 0 || lock > 4) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (kind == 0) kind = 1;
  files_guard guard;
  const int32_t state = file_number_state(number);
  if (state != 0) {
    raise_error(state == -2 ? err_bad_file_name_or_number : err_file_already_open);
    return;
  }
  const std::string path(reinterpret_cast<const char*>(name->chars), name->len > 0 ? static_cast<size_t>(name->len) : 0);
  // A zero byte would end the name early and open some other file.
  if (path.empty() || path.find('\0') != std::string::npos) {
    raise_error(err_bad_file_name);
    return;
  }

  file_record* r = take_record();
  int32_t error = 0;
  serial_name serial{};
  if (is_screen_name(path)) {
    r->device = device_screen;
    r->screen_device = 1;
    r->write_allowed = 1;
  } else if (const int32_t s = parse_serial_name(name->chars, path.size(), &serial); s != not_serial) {
    error = s == serial_bad ? err_bad_file_name : open_serial(r, serial);
  } else {
    error = open_disk(r, path, kind, access, lock);
  }
  if (error != 0) {
    release_record(r);
    raise_error(error);
    return;
  }

  r->mode = kind == 5 ? mode_output : kind;
  r->column = 1;
  if (kind == 1) {
    r->record_length = length_given && length != -1 ? length : 128;
    r->record_buffer = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(r->record_length), 1));
    if (!r->record_buffer) {
      close_system_handle(r);
      release_record(r);
      raise_error(err_out_of_memory);
      return;
    }
  }
  bind_record(r, number);
  update_shared_files();
  if (kind == 5 && r->device == device_disk) {
    const int64_t end = file_length(r);
    if (end >= 0) r->position = static_cast<uint64_t>(end);
  }
  // An empty file has no first byte to look at, so even a file that may not
  // be read opens.
  if (kind == 3 && r->device == device_disk && file_length(r) > 0) {
    uint8_t first = 0;
    const int32_t e = file_read(r, 0, true, &first, 1);
    r->at_eof = e == byte_ok && first == 26;
    r->position = 0;
    if (e != byte_ok && e != byte_short_read) raise_error(e == byte_access_denied ? err_permission_denied : err_path_file_access_error);
  }
}

void file_open_letter(const str_desc* mode_text, int32_t number, const str_desc* name, int64_t length,
                      int32_t length_given) {
  if (error_report.pending.load() != 0) return;
  const char letter = mode_text->len > 0 ? static_cast<char>(std::toupper(mode_text->chars[0])) : '\0';
  const char* letters = "RBIOA";
  const char* at = letter ? std::strchr(letters, letter) : nullptr;
  if (!at) {
    raise_error(err_bad_file_mode);
    return;
  }
  file_open(name, static_cast<int32_t>(at - letters) + 1, 0, 0, number, length, length_given);
}

void file_close(int32_t number, int32_t given) {
  if (error_report.pending.load() != 0) return;
  files_guard guard;
  int32_t first_error = 0;
  if (!given) {
    net_close_all();
    for (file_record* r : open_records()) {
      const int32_t e = close_record(r);
      if (e != byte_ok && first_error == 0) first_error = byte_error_number(e);
    }
  } else if (number < 0) {
    net_close(~number);
  } else if (file_record* r = record_of(number)) {
    const int32_t e = close_record(r);
    if (e != byte_ok) first_error = byte_error_number(e);
  }
  if (first_error != 0) raise_error(first_error);
}

int32_t file_freefile() {
  if (error_report.pending.load() != 0) return 0;
  files_guard guard;
  return free_file_number();
}

void close_all_files() {
  files_guard guard;
  net_close_all();
  for (file_record* r : open_records()) {
    const int32_t number = r->file_number;
    const int32_t e = close_record(r);
    if (e != byte_ok) report_lost_bytes(number, e);
  }
}
