#pragma once
// The operating system as the program sees it: the command line, the
// environment, directories, files by name and by number, the user's folders
// and the shell. Program thread, and start-up before the program thread
// exists. The program's statements and functions (ENVIRON, CHDIR, KILL,
// FILES, SHELL, ...) return at once while an error is pending.
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
// Counted at start-up and again after every ENVIRON statement.
extern int32_t environment_entries;

void environment_init();

// ENVIRON$(n): the n-th entry ("NAME=value", as stored); "" past the end; n < 1
// raises error 5 and gives "".
str_desc* environ_by_index(int32_t n);

// ENVIRON$(name): the variable's value; "" when it is not set.
str_desc* environ_by_name(const str_desc* name);

// ENVIRON "NAME=value" sets a variable for this process and the programs it
// starts; an empty value removes it. No "=", an empty name or a zero byte
// raises error 5.
void environ_set(const str_desc* text);

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

// The start-up directory as a new temporary string.
str_desc* startup_directory();

// CHDIR, MKDIR and RMDIR: 76 path not found, 75 access (a folder that exists
// or is not empty included), 64 bad name, 61 disk full, else 5.
void chdir_statement(const str_desc* path);
void mkdir_statement(const str_desc* path);
void rmdir_statement(const str_desc* path);

// Files by name. A pattern is a folder part (up to and including the last "/")
// and a mask in which "*" stands for any run of characters and "?" for exactly
// one. Names are compared byte for byte, letter case included, as the file
// system stores them; a mask ending in ".*" also matches the name without that
// part, so "*.*" matches every name. A name or pattern holding a zero byte or
// longer than the system accepts raises error 64.

// KILL pattern: deletes the files (regular files and symbolic links, never
// directories) in the pattern's folder whose names match, and returns how many
// went. A file that is protected or in use raises 55 and the others are still
// deleted; no match, or nothing deleted, raises 53.
int32_t kill_files(const str_desc* pattern);

// NAME old AS new. An existing new name is never replaced (error 58).
void name_file(const str_desc* old_name, const str_desc* new_name);

// FILES [pattern]: the current directory, the matching entries in name order
// flowing across the screen, then the free bytes and " Bytes free". passed
// bit 0: pattern given. An empty pattern, or one ending in "/", lists "*".
void files_list(const str_desc* pattern, int32_t passed);

// The user's folder by plain-language name, in any letter case ("Music", "MY
// DOCUMENTS", "downloads", "AppData", ...), mapped onto the desktop's XDG
// folders, followed by "/". Unknown names give the desktop folder; with no
// home folder at all the result is "./". The downloads folder is made when
// it is missing.
str_desc* known_folder(const str_desc* name);

// Files opened by number.

// CLOSE without a number: closes every open file.
void close_all_files();

// SHELL: a command that as a whole, or whose first part (cut at the first
// space outside double quotes) when something follows it, names an existing
// file that may not be executed (a document) opens that file with the
// desktop's opener (xdg-open), the name handed over as one argument, never
// through a shell. Anything else goes to /bin/sh -c as written.
//
// Shown forms let the command use the terminal the program was started from;
// hidden forms connect its standard streams to /dev/null. Shown waiting forms
// leave full screen for the command's time. An empty shown command starts an
// interactive shell ($SHELL, else /bin/sh) on that terminal, or in a terminal
// emulator when standard input is not a terminal, and waits for it.

// 1 when SHELL has just started a command, -1 while it runs (the main loop has
// drawn its last frame), 0 otherwise.
extern std::atomic<int32_t> shell_running;

// -1 until first needed, then 1 when the command interpreter exists, else 0.
extern int32_t cmd_available;

// Bits of a SHELL form.
constexpr int32_t shell_hide = 1;       // hidden: standard streams to /dev/null
constexpr int32_t shell_dont_wait = 2;  // return once the command has started

// Waiting forms return the command's exit status (128 + the signal number when
// a signal ended it; -1 when it could not be started); the others return 1
// when the command started, else 0, and the runtime collects it when it ends.
// A command holding a zero byte raises error 5.
int32_t shell_function(const str_desc* command, int32_t form);
void shell_statement(const str_desc* command, int32_t form);
