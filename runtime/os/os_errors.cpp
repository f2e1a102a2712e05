#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "runtime/core/core.h"
#include "runtime/os/detail/os_internals.h"
#include "runtime/platform/file_system.h"

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

std::string system_path(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

bool name_argument(const str_desc* s, std::string* name) {
  name->clear();
  if (!s || s->len <= 0) return true;
  const size_t n = static_cast<size_t>(s->len);
  if (n > path_length_limit || std::memchr(s->chars, 0, n) != nullptr) {
    raise_error(err_bad_file_name);
    return false;
  }
  *name = system_path(std::string(reinterpret_cast<const char*>(s->chars), n));
  return true;
}
