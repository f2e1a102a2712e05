#pragma once
// Serial devices: opening one exclusively, setting its line (speed, parity,
// data and stop bits) through termios, and reads and writes bounded by time.
// Every call reports the system's reason as an errno value (0 = success). Any
// thread; a port is used by one thread at a time.
#include <termios.h>

#include <cstddef>
#include <cstdint>

struct serial_line {
  int32_t baud;
  uint8_t parity;       // 0 none, 1 even, 2 odd, 3 space, 4 mark
  uint8_t data_bits;    // 5..8
  uint8_t stop_tenths;  // 10, 15 or 20
  uint8_t parity_check; // received bytes with a parity error read as 0
};

// Raw-mode termios settings for the line; false when termios cannot express it
// (an unknown speed, 1.5 stop bits with more than 5 data bits).
bool serial_termios(const serial_line& line, termios* t);

// Opens an existing device for reading and writing, takes it for this process
// alone (other opens fail while it is held), applies the line settings and
// reads them back: a setting the device did not keep is EINVAL (a
// pseudo-terminal, for one, keeps the speed and stop bits but always has 8
// data bits without parity). A device another open holds is EBUSY. On failure
// nothing stays open.
int serial_open(const char* device, const serial_line& line, int* fd);

// Reads up to n bytes, waiting at most timeout_ms in all for them; 0 returns
// what is there at once. *done receives the count read. After the far end
// hung up the data has ended: the read returns what is left, without waiting.
int serial_read(int fd, void* buffer, size_t n, int32_t timeout_ms, size_t* done);

// Writes n bytes, waiting at most timeout_ms in all while the device is busy
// (0 waits as long as it takes). *done receives the count written; ETIMEDOUT
// when time ran out first.
int serial_write(int fd, const void* data, size_t n, int32_t timeout_ms, size_t* done);

// Bytes received and not yet read.
int serial_waiting(int fd, uint32_t* count);

int serial_close(int fd);

// Raises DTR, and RTS unless told not to. A device without modem lines gives
// its errno (ENOTTY or EINVAL), which callers may pass over.
int serial_set_rts(int fd, bool raised);

// Waits up to timeout_ms for the chosen modem lines to be raised: 0, or
// ETIMEDOUT. A device without modem lines passes at once.
int serial_wait_lines(int fd, bool carrier, bool clear_to_send, bool data_set_ready, int32_t timeout_ms);

// Ends every wait in serial_read, serial_write and serial_wait_lines, now and
// from now on, with ECANCELED (the process is stopping).
void serial_cancel_waits();
