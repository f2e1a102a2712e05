#include "runtime/os/os.h"

#include <cstring>

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"

str_desc* command_line = nullptr;

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
  command_line = str_new(static_cast<uint32_t>(joined.size()), false);
  if (!joined.empty()) std::memcpy(command_line->chars, joined.data(), joined.size());
}

std::string command_line_text() {
  if (!command_line || command_line->len <= 0) return {};
  return std::string(reinterpret_cast<const char*>(command_line->chars), static_cast<size_t>(command_line->len));
}

int32_t environment_entries = 0;

void environment_init() {
  char** env = environment_strings();
  int32_t n = 1;
  while (env && env[n - 1]) ++n;
  environment_entries = n;
}

std::string startup_dir;

void capture_startup_dir() {
  startup_dir = current_directory();
  if (startup_dir.empty()) raise_error(err_internal_error);
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
