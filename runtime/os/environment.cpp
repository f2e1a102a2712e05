#include "runtime/os/environment.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/platform/process.h"
#include "runtime/platform/user_dirs.h"

int32_t environment_entries = 0;

namespace {

str_desc* text_result(const char* chars, size_t n) {
  str_desc* s = str_new(static_cast<uint32_t>(n), true);
  if (n) std::memcpy(s->chars, chars, n);
  return s;
}

str_desc* empty_result() { return str_new(0, true); }

// The bytes of s when they hold no zero byte (which would cut the text short).
bool plain_text(const str_desc* s, std::string* text) {
  text->clear();
  if (!s || s->len <= 0) return true;
  if (std::memchr(s->chars, 0, static_cast<size_t>(s->len))) return false;
  text->assign(reinterpret_cast<const char*>(s->chars), static_cast<size_t>(s->len));
  return true;
}

}  // namespace

void environment_init() {
  char** env = environment_strings();
  int32_t n = 1;
  while (env && env[n - 1]) ++n;
  environment_entries = n;
}

str_desc* environ_by_index(int32_t n) {
  if (pending_error.load() != 0) return empty_result();
  if (n < 1) {
    raise_error(5);
    return empty_result();
  }
  // The array is walked each time: ENVIRON may have grown or shrunk it since
  // start-up, and an index is never used past its end.
  char** env = environment_strings();
  for (int32_t i = 1; env && *env; ++i, ++env)
    if (i == n) return text_result(*env, std::strlen(*env));
  return empty_result();
}

str_desc* environ_by_name(const str_desc* name) {
  if (pending_error.load() != 0) return empty_result();
  std::string key;
  if (!plain_text(name, &key) || key.empty() || key.find('=') != std::string::npos) return empty_result();
  const std::string value = environment_value(key.c_str());
  return text_result(value.data(), value.size());
}

void environ_set(const str_desc* text) {
  if (pending_error.load() != 0) return;
  std::string entry;
  const size_t equals = plain_text(text, &entry) ? entry.find('=') : std::string::npos;
  if (equals == std::string::npos || equals == 0) {
    raise_error(5);
    return;
  }
  const std::string value = entry.substr(equals + 1);
  const int error = environment_set(entry.substr(0, equals), value, value.empty());
  if (error != 0) raise_error(error == ENOMEM ? 7 : 5);
  environment_init();
}
