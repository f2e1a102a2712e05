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

int32_t kill_error(int system_error) {
  switch (system_error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
      return err_file_already_open;
    default:
      return err_file_not_found;
  }
}

int32_t name_error(int system_error) {
  switch (system_error) {
    case ENOENT:
      return err_file_not_found;
    case EINVAL:
    case ENAMETOOLONG:
      return err_bad_file_name;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
      return err_path_file_access_error;
    case EEXIST:
    case ENOTEMPTY:
      return err_file_already_exists;
    case EXDEV:
      return err_rename_across_disks;
    case ENOTDIR:
    case ELOOP:
      return err_path_not_found;
    default:
      return err_illegal_function_call;
  }
}

int32_t folder_error(int system_error) {
  switch (system_error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
      return err_path_not_found;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case EEXIST:
    case ENOTEMPTY:
    case EINVAL:
      return err_path_file_access_error;
    case ENAMETOOLONG:
      return err_bad_file_name;
    case ENOSPC:
    case EDQUOT:
      return err_disk_full;
    default:
      return err_illegal_function_call;
  }
}

int32_t environment_error(int e) { return e == ENOMEM ? err_out_of_memory : err_illegal_function_call; }
