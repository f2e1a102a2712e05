// The file readers on arbitrary bytes: INPUT # of strings and numbers, LINE
// INPUT # and EOF in an order the input chooses, until the end of the file;
// then GET of strings from every record of the same bytes as a RANDOM file;
// then the bytes as a serial port name. Besides not crashing: every read
// moves on or meets the end (so the loop ends), the position never passes the
// file's end, the end is error 62, damaged records are error 59, and nothing
// else is raised but VAL's own overflow (6).
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "runtime/os/detail/file_records.h"
#include "runtime/os/detail/serial_names.h"
#include "runtime/os/os.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

int32_t take_error() {
  const int32_t e = error_report.pending.load();
  error_report.pending.store(0);
  run_flags.event_pending.store(0);
  return e;
}

void read_as_text(const std::string& name, uint8_t order, size_t size) {
  file_open(str_from_text(name.data(), static_cast<uint32_t>(name.size())), 3, 0, 0, 1, 0, 0);
  FUZZ_CHECK(take_error() == 0);
  str_desc* v = str_new(0, false);
  bool ended = false;
  for (size_t step = 0; step <= size + 1 && !ended; ++step) {
    const uint32_t mark = str_temp_mark();
    switch ((order >> (2 * (step % 4))) & 3) {
      case 0: input_string_from_file(1, v); break;
      case 1: line_input_from_file(1, v); break;
      case 2: input_number_from_file(1); break;
      default:
        file_eof(1);  // asks without moving on; the read after it does
        input_string_from_file(1, v);
        break;
    }
    const int32_t e = take_error();
    FUZZ_CHECK(e == 0 || e == 62 || e == 6);  // 6: an &H, &O or &B number too long for 64 bits
    ended = e == 62;
    FUZZ_CHECK(record_of(1)->position <= size);
    str_cleanup(mark);
  }
  FUZZ_CHECK(ended);
  FUZZ_CHECK(file_eof(1) == -1);
  str_free(v);
  file_close(1, 1);
}

void read_as_records(const std::string& name, int64_t length, size_t size) {
  file_open(str_from_text(name.data(), static_cast<uint32_t>(name.size())), 1, 2, 0, 1, length, 1);
  FUZZ_CHECK(take_error() == 0);
  str_desc* v = str_new(0, false);
  for (int64_t record = 1; record <= static_cast<int64_t>(size) / length + 1; ++record) {
    get_string(1, record, 1, v);
    const int32_t e = take_error();
    FUZZ_CHECK(e == 0 || e == 59);
    FUZZ_CHECK(length > 1 || e == 59);
    FUZZ_CHECK(e != 0 || v->len <= length - 2);
  }
  str_free(v);
  file_close(1, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  file_table_reset();
  fuzz_reader in{data, size};
  const uint8_t order = static_cast<uint8_t>(in.take(1));
  const int64_t length = static_cast<int64_t>(in.take(1) % 64) + 1;
  const uint8_t* bytes = in.rest();
  const size_t n = in.rest_size();

  const int fd = memfd_create("file_reader_fuzz", MFD_CLOEXEC);
  FUZZ_CHECK(fd >= 0);
  FUZZ_CHECK(n == 0 || write(fd, bytes, n) == static_cast<ssize_t>(n));
  const std::string name = "/proc/self/fd/" + std::to_string(fd);
  const uint32_t mark = str_temp_mark();
  read_as_text(name, order, n);
  read_as_records(name, length, n);
  close(fd);

  serial_name serial{};
  if (parse_serial_name(bytes, n, &serial) == serial_parsed) {
    FUZZ_CHECK(serial.port >= 1 && serial.port <= 255);
    FUZZ_CHECK(serial.line.data_bits >= 5 && serial.line.data_bits <= 8 && serial.line.parity <= 4);
  }
  fuzz_end(mark);
  return 0;
}
