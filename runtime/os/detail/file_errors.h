#pragma once
// The one place where the system's reasons (errno values) and the byte-level
// result codes become run-time error numbers. Any thread (pure functions).
#include <cstdint>

// Results of the byte-level operations (file_bytes.h).
enum byte_result : int32_t {
  byte_ok = 0,
  byte_short_write = -1,
  byte_not_open = -2,
  byte_not_allowed = -3,
  byte_negative = -4,
  byte_access_denied = -7,
  byte_system_failure = -9,
  byte_short_read = -10,
  byte_disk_full = -11,
};

// The run-time error for a failed OPEN of a disk file. parent_exists tells a
// missing file (53) from a missing directory (76) when the system says ENOENT.
int32_t open_error_number(int system_error, bool parent_exists);

// The byte-level result for a failed read or write.
int32_t byte_result_of(int system_error);

// The run-time error for a byte-level result other than success and a short
// read: 258, 54, 5, 70, 61 or 75.
int32_t byte_error_number(int32_t result);
