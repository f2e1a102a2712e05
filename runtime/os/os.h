#pragma once
// The operating system as the program sees it: the command line, the
// environment, the start-up directory, files opened by number and the shell.
// Program thread, and start-up before the program thread exists.
#include <atomic>
#include <cstdint>
#include <string>

#include "runtime/strings/strings.h"

// The program's command line: the arguments after the program name joined by
// single spaces, exactly as the process start-up split them (quotes are not restored).

extern str_desc* command_line;

std::string join_arguments(int argc, char** argv);

// Start-up: makes command_line from the process's arguments.
void command_line_init(int argc, char** argv);

// The command line as text (for the runtime's own use).
std::string command_line_text();

// The process environment as the environment functions see it.

// Entries of the C environment array, the terminating null entry included.
extern int32_t environment_entries;

void environment_init();

// The directories the runtime keeps: where the process was started, and the
// executable's folder, which becomes the current directory at start-up.

extern std::string startup_dir;

// Captures startup_dir (error 51 when the directory cannot be read).
void capture_startup_dir();

// The folder part of an executable path: cut at the last slash or backslash, or
// just after the last colon; the path stays whole when it has none of them.
std::string executable_folder(const std::string& path);

// Changes the current directory to the executable's folder.
void enter_executable_folder();

// Files opened by number.

// CLOSE without a number: closes every open file.
void close_all_files();

// 1 when SHELL has just started a command, -1 while it runs (the main loop has
// drawn its last frame), 0 otherwise.
extern std::atomic<int32_t> shell_running;
