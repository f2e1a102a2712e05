#include "runtime/os/directories.h"

#include "runtime/core/errors.h"
#include "runtime/platform/process.h"

std::string startup_dir;

void capture_startup_dir() {
  startup_dir = current_directory();
  if (startup_dir.empty()) raise_error(51);
}

std::string executable_folder(const std::string& path) {
  for (size_t i = path.size(); i-- > 0;) {
    const char c = path[i];
    if (c == ':') return path.substr(0, i + 1);
    if (c == '/' || c == '\\') return path.substr(0, i);
  }
  return path;
}

void enter_executable_folder() {
  std::string folder = executable_folder(executable_path());
  if (folder.empty()) folder = "/";  // an executable in the root folder
  change_directory(folder);
}
