// Serial port names with their settings and options. Besides not crashing: a
// name that is not "COM" and digits is never taken for a port, an accepted
// one has a port 1-255, a line termios can be asked about, time-outs and
// buffer sizes 0-65535, an open time-out of -1 or 0-65535, and one text mode.
#include <cctype>

#include "runtime/os/detail/serial_names.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  serial_name parsed{};
  const int32_t result = parse_serial_name(data, size, &parsed);
  const bool com = size >= 4 && std::toupper(data[0]) == 'C' && std::toupper(data[1]) == 'O' &&
                   std::toupper(data[2]) == 'M' && data[3] >= '0' && data[3] <= '9';
  if (!com) FUZZ_CHECK(result == not_serial);
  if (result != serial_parsed) return 0;
  FUZZ_CHECK(parsed.port >= 1 && parsed.port <= 255);
  FUZZ_CHECK(parsed.line.baud >= 1 && parsed.line.baud <= 4000000);
  FUZZ_CHECK(parsed.line.parity <= 4);
  FUZZ_CHECK(parsed.line.data_bits >= 5 && parsed.line.data_bits <= 8);
  FUZZ_CHECK(parsed.line.stop_tenths == 10 || parsed.line.stop_tenths == 15 || parsed.line.stop_tenths == 20);
  for (int32_t t : parsed.timeouts) FUZZ_CHECK(t >= 0 && t <= 65535);
  const serial_options& o = parsed.options;
  FUZZ_CHECK(o.open_timeout >= -1 && o.open_timeout <= 65535);
  FUZZ_CHECK(o.receive_buffer >= 0 && o.receive_buffer <= 65535);
  FUZZ_CHECK(o.transmit_buffer >= 0 && o.transmit_buffer <= 65535);
  FUZZ_CHECK(o.text_mode <= serial_text_bin);
  termios t{};
  serial_termios(parsed.line, &t);
  return 0;
}
