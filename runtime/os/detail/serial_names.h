#pragma once
// Serial port names: "COM", the port number 1-255, then the end of the name or
// a colon and comma-separated settings: speed, parity (N, E, O, S or M), data
// bits (5-8), stop bits (1, 1.5 or 2), then options in any order and case:
//   CDn, CSn, DSn  time-outs in ms (0-65535) for carrier, clear-to-send (also
//                  how long a write may wait) and data-set-ready (also how
//                  long a read may wait)
//   OPn            OPEN waits up to n ms (OP alone: 10 s) for the lines whose
//                  time-out is not 0
//   RS             RTS stays low
//   LF             a line feed is sent after every carriage return
//   ASC, BIN       text (CHR$(26) ends the input; a short GET is padded with
//                  it) or binary (CHR$(26) is data also for INPUT #)
//   PE             parity errors are checked on input
//   RBn, TBn       receive and transmit buffer sizes (accepted; the system
//                  keeps its own)
// Empty fields keep their defaults: 300 baud, even parity, 7 data bits, one
// stop bit (two at 110 baud or less, one and a half when that goes with 5
// data bits), time-outs 0, 1000 and 1000 ms. Any other option is refused.
// Any thread (pure function).
#include <cstddef>
#include <cstdint>

#include "runtime/platform/serial_port.h"

enum serial_text_mode : uint8_t { serial_text_default = 0, serial_text_asc = 1, serial_text_bin = 2 };

struct serial_options {
  int32_t open_timeout = -1;  // OP: ms, -1 when not given
  uint8_t rts_low = 0;        // RS
  uint8_t lf_after_cr = 0;    // LF
  uint8_t text_mode = serial_text_default;
  int32_t receive_buffer = 0; // RB, 0 when not given
  int32_t transmit_buffer = 0;
};

struct serial_name {
  int32_t port;
  serial_line line;
  int32_t timeouts[3];  // CD, CS, DS
  serial_options options;
};

enum serial_name_result : int32_t { not_serial = 0, serial_parsed = 1, serial_bad = -1 };

// Names other than "COM" + digits + (":" or the end) are not serial names:
// "COMMENTS.TXT" and "COM1.TXT" are disk files.
int32_t parse_serial_name(const uint8_t* text, size_t length, serial_name* out);
