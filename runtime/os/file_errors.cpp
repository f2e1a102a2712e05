#include "runtime/os/detail/file_errors.h"

#include <cerrno>

#include "runtime/core/core.h"

int32_t open_error_number(int e, bool parent_exists) {
  switch (e) {
    case ENOENT: return parent_exists ? err_file_not_found : err_path_not_found;
    case ENOTDIR: return err_path_not_found;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EISDIR:
    case EAGAIN:  // a sharing rule of another open (also EWOULDBLOCK)
    case EBUSY: return err_permission_denied;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM: return err_device_unavailable;
    case ENOSPC:
    case EDQUOT: return err_disk_full;  // creating the file needed room
    default: return err_file_not_found;  // too many open files, read faults and anything else
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
    case byte_not_open: return err_invalid_handle;
    case byte_not_allowed: return err_bad_file_mode;
    case byte_negative: return err_illegal_function_call;
    case byte_access_denied: return err_permission_denied;
    case byte_disk_full: return err_disk_full;
    default: return err_path_file_access_error;
  }
}
