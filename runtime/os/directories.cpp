#include "runtime/os/directories.h"

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"

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
