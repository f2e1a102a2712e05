#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/core/core.h"
#include "runtime/os/detail/os_internals.h"
#include "runtime/platform/file_system.h"

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
