#include "runtime/os/os_errors.h"

#include <cerrno>
#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/platform/file_system.h"

int32_t kill_error(int system_error) {
  switch (system_error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
      return 55;
    default:
      return 53;
  }
}

int32_t name_error(int system_error) {
  switch (system_error) {
    case ENOENT:
      return 53;
    case EINVAL:
    case ENAMETOOLONG:
      return 64;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
      return 75;
    case EEXIST:
    case ENOTEMPTY:
      return 58;
    case EXDEV:
      return 74;
    case ENOTDIR:
    case ELOOP:
      return 76;
    default:
      return 5;
  }
}

int32_t folder_error(int system_error) {
  switch (system_error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
      return 76;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case EEXIST:
    case ENOTEMPTY:
    case EINVAL:
      return 75;
    case ENAMETOOLONG:
      return 64;
    case ENOSPC:
    case EDQUOT:
      return 61;
    default:
      return 5;
  }
}

bool name_argument(const str_desc* s, std::string* name) {
  name->clear();
  if (!s || s->len <= 0) return true;
  const size_t n = static_cast<size_t>(s->len);
  if (n > path_length_limit || std::memchr(s->chars, 0, n) != nullptr) {
    raise_error(64);
    return false;
  }
  *name = std::string(reinterpret_cast<const char*>(s->chars), n);
  return true;
}
