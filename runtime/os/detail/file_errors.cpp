#include "runtime/os/detail/file_errors.h"

#include <cerrno>

int32_t open_error_number(int e, bool parent_exists) {
  switch (e) {
    case ENOENT: return parent_exists ? 53 : 76;  // File not found / Path not found
    case ENOTDIR: return 76;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EISDIR:
    case EAGAIN:  // a sharing rule of another open (also EWOULDBLOCK)
    case EBUSY: return 70;  // Permission denied
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM: return 68;  // Device unavailable
    case ENOSPC:
    case EDQUOT: return 61;  // Disk full (creating the file needed room)
    default: return 53;      // too many open files, read faults and anything else
  }
}

int32_t byte_result_of(int e) {
  switch (e) {
    case EACCES:
    case EPERM:
    case EAGAIN: return byte_access_denied;
    case ENOSPC:
    case EDQUOT: return byte_disk_full;
    default: return byte_system_failure;
  }
}

int32_t byte_error_number(int32_t result) {
  switch (result) {
    case byte_not_open: return 258;
    case byte_not_allowed: return 54;
    case byte_negative: return 5;
    case byte_access_denied: return 70;
    case byte_disk_full: return 61;
    default: return 75;
  }
}
