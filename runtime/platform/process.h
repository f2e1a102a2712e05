#pragma once
// Process-level services: the executable's path, the current directory, the
// environment and ending the process.
#include <string>

// Full path of the running executable ("" when it cannot be read).
std::string executable_path();

// Current directory ("" on failure) and changing it (false on failure).
std::string current_directory();
bool change_directory(const std::string& path);

// The C environment array (null-terminated).
char** environment_strings();

// Ends the process with status after flushing the C streams and running the
// at_quick_exit handlers. Other threads may still be running, so static
// destructors are not run under their feet.
[[noreturn]] void process_exit(int status);
