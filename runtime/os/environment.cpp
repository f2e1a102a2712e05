#include "runtime/os/os.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/os/detail/os_internals.h"
#include "runtime/platform/file_system.h"
#include "runtime/platform/platform.h"

// The command line.

invocation_record invocation;

void invocation_reset() {
  invocation.command_line = nullptr;
  invocation.arguments.clear();
  invocation.environment_entries = 0;
  invocation.startup_dir.clear();
}

std::string join_arguments(int argc, char** argv) {
  std::string joined;
  if (argc <= 1) return joined;
  size_t length = static_cast<size_t>(argc - 2);
  for (int i = 1; i < argc; ++i) length += std::strlen(argv[i]);
  joined.reserve(length);
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined += ' ';
    joined += argv[i];
  }
  return joined;
}

void command_line_init(int argc, char** argv) {
  const std::string joined = join_arguments(argc, argv);
  invocation.arguments.assign(argv + (argc > 1 ? 1 : argc), argv + argc);
  invocation.command_line = str_new(static_cast<uint32_t>(joined.size()), false);
  if (!joined.empty()) std::memcpy(invocation.command_line->chars, joined.data(), joined.size());
}

std::string command_line_text() {
  if (!invocation.command_line || invocation.command_line->len <= 0) return {};
  return std::string(reinterpret_cast<const char*>(invocation.command_line->chars), static_cast<size_t>(invocation.command_line->len));
}

// The environment: ENVIRON$ and ENVIRON.


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
  invocation.environment_entries = n;
}

str_desc* environ_by_index(int32_t n) {
  if (error_report.pending.load() != 0) return empty_result();
  if (n < 1) {
    raise_error(err_illegal_function_call);
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
  if (error_report.pending.load() != 0) return empty_result();
  std::string key;
  if (!plain_text(name, &key) || key.empty() || key.find('=') != std::string::npos) return empty_result();
  const std::string value = environment_value(key.c_str());
  return text_result(value.data(), value.size());
}

void environ_set(const str_desc* text) {
  if (error_report.pending.load() != 0) return;
  std::string entry;
  const size_t equals = plain_text(text, &entry) ? entry.find('=') : std::string::npos;
  if (equals == std::string::npos || equals == 0) {
    raise_error(err_illegal_function_call);
    return;
  }
  const std::string value = entry.substr(equals + 1);
  const int error = environment_set(entry.substr(0, equals), value, value.empty());
  if (error != 0) raise_error(environment_error(error));
  environment_init();
}

// Directories: the start-up directory, the executable's folder, and CHDIR,
// MKDIR and RMDIR.


void capture_startup_dir() {
  invocation.startup_dir = current_directory();
  if (invocation.startup_dir.empty()) raise_error(err_internal_error);
}

std::string executable_folder(const std::string& path) {
  // A program's own path is the system's: only "/" separates folders, and
  // ":" or a backslash are parts of names.
  const size_t cut = path.rfind('/');
  if (cut == std::string::npos) return path;
  return std::string(path.data(), cut);
}

void enter_executable_folder() {
  const std::string folder = executable_folder(executable_path());
  change_directory(folder.empty() ? std::string("/") : folder);  // "" is the root folder
}

str_desc* startup_directory() {
  str_desc* s = str_new(static_cast<uint32_t>(invocation.startup_dir.size()), true);
  std::copy(invocation.startup_dir.begin(), invocation.startup_dir.end(), s->chars);
  return s;
}

namespace {

void folder_statement(const str_desc* path, int (*operation)(const std::string&)) {
  if (error_report.pending.load() != 0) return;
  std::string name;
  if (!name_argument(path, &name)) return;
  const int error = operation(name);
  if (error != 0) raise_error(folder_error(error));
}

}  // namespace

void chdir_statement(const str_desc* path) { folder_statement(path, enter_folder); }
void mkdir_statement(const str_desc* path) { folder_statement(path, make_folder); }
void rmdir_statement(const str_desc* path) { folder_statement(path, remove_folder); }
