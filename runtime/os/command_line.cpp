#include "runtime/os/command_line.h"

#include <cstring>

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
