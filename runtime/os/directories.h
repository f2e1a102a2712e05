#pragma once
// The directories the runtime keeps: where the process was started, and the
// executable's folder, which becomes the current directory at start-up; and
// the statements that enter, make and remove directories.
#include <string>

#include "runtime/strings/string_engine.h"

extern std::string startup_dir;

// Captures startup_dir (error 51 when the directory cannot be read).
void capture_startup_dir();

// The folder part of an executable path: cut at the last slash or backslash, or
// just after the last colon; the path stays whole when it has none of them.
std::string executable_folder(const std::string& path);

// Changes the current directory to the executable's folder.
void enter_executable_folder();

// The start-up directory as a new temporary string.
str_desc* startup_directory();

// CHDIR, MKDIR and RMDIR. Program thread; nothing happens while an error is
// pending. Failures raise the errors of folder_error (os_errors.h).
void chdir_statement(const str_desc* path);
void mkdir_statement(const str_desc* path);
void rmdir_statement(const str_desc* path);
