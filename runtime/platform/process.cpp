#include "runtime/platform/process.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

std::string executable_path() {
  // The path may be long; 64 KiB is the limit the runtime accepts.
  std::vector<char> buffer(65536);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string current_directory() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (buffer.size() >= (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

bool change_directory(const std::string& path) { return chdir(path.c_str()) == 0; }

char** environment_strings() { return environ; }

void process_exit(int status) {
  std::fflush(nullptr);
  std::quick_exit(status);  // runs the at_quick_exit handlers (buffered file bytes), not static destructors
}
