#pragma once
// Serial port names: "COM", the port number 1-255, then the end of the name or
// a colon and comma-separated settings: speed, parity (N, E, O, S or M), data
// bits (5-8), stop bits (1, 1.5 or 2), then the time-out options CDn, CSn and
// DSn (milliseconds, 0-65535). Empty fields keep their defaults: 300 baud, even
// parity, 7 data bits, one stop bit (two at 110 baud or less, one and a half
// when that goes with 5 data bits), time-outs 0, 1000 and 1000 ms.
// Any thread (pure function).
#include <cstddef>
#include <cstdint>

#include "runtime/platform/serial_port.h"

struct serial_name {
  int32_t port;
  serial_line line;
  int32_t timeouts[3];  // CD, CS, DS
};

enum serial_name_result : int32_t { not_serial = 0, serial_parsed = 1, serial_bad = -1 };

// Names other than "COM" + digits + (":" or the end) are not serial names:
// "COMMENTS.TXT" and "COM1.TXT" are disk files.
int32_t parse_serial_name(const uint8_t* text, size_t length, serial_name* out);
