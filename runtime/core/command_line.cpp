#include "runtime/core/command_line.h"

#include <cstring>

std::string command_line;

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
