#pragma once
// The one place where the system's reasons (errno values) and the byte-level
// result codes become run-time error numbers: for OPEN, reads and writes,
// KILL, NAME, the folder statements and ENVIRON. Any thread (pure functions).
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

// A file KILL could not delete: 55 when it is protected or in use, else 53.
int32_t kill_error(int system_error);
// NAME: 53 no such file, 64 bad name, 75 access, 58 the new name exists,
// 74 across file systems, 76 a folder on the way is missing, else 5.
int32_t name_error(int system_error);
// CHDIR, MKDIR and RMDIR: 76 path not found, 75 access (a folder that exists
// or is not empty included), 64 bad name, 61 disk full, else 5.
int32_t folder_error(int system_error);
// ENVIRON: 7 when the system ran out of memory, else 5.
int32_t environment_error(int system_error);
