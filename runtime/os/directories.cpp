#include "runtime/os/directories.h"

#include <algorithm>

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/os/os_errors.h"
#include "runtime/platform/file_system.h"
#include "runtime/platform/process.h"

std::string startup_dir;

void capture_startup_dir() {
  startup_dir = current_directory();
  if (startup_dir.empty()) raise_error(51);
}

std::string executable_folder(const std::string& path) {
  const size_t cut = path.find_last_of("/\\:");
  if (cut == std::string::npos) return path;
  const size_t keep = path[cut] == ':' ? cut + 1 : cut;
  return std::string(path.data(), keep);
}

void enter_executable_folder() {
  const std::string folder = executable_folder(executable_path());
  change_directory(folder.empty() ? std::string("/") : folder);  // "" is the root folder
}

str_desc* startup_directory() {
  str_desc* s = str_new(static_cast<uint32_t>(startup_dir.size()), true);
  std::copy(startup_dir.begin(), startup_dir.end(), s->chars);
  return s;
}

namespace {

void folder_statement(const str_desc* path, int (*operation)(const std::string&)) {
  if (pending_error.load() != 0) return;
  std::string name;
  if (!name_argument(path, &name)) return;
  const int error = operation(name);
  if (error != 0) raise_error(folder_error(error));
}

}  // namespace

void chdir_statement(const str_desc* path) { folder_statement(path, enter_folder); }
void mkdir_statement(const str_desc* path) { folder_statement(path, make_folder); }
void rmdir_statement(const str_desc* path) { folder_statement(path, remove_folder); }
