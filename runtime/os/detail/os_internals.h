#pragma once
// What the os folder's statements share among themselves and with their tests:
// file-name patterns and the FILES entry layout, the run-time errors of the
// system's reasons, the check that turns a program's string into a name, the
// launch rule of SHELL and the user's folders as text. Program thread; the
// pattern and layout functions are pure and may be called from any thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/os/detail/file_errors.h"
#include "runtime/strings/strings.h"

// Patterns of KILL and FILES (see os.h): whether mask matches name, and a
// pattern cut into its folder part ("" or ending in "/") and its mask.
bool pattern_matches(std::string_view mask, std::string_view name);

struct pattern_parts {
  std::string folder;
  std::string mask;
};
pattern_parts split_pattern(std::string_view pattern);

// One FILES entry: a name of at most 11 characters padded to 12, with a name
// of the 8.3 shape rearranged so that its extension (dot and up to three
// characters) stands in columns 9 to 12; longer names whole. Then "<DIR> " or
// six spaces. Control characters show as "?" so that a name cannot move the
// cursor or clear the screen.
std::string files_entry_text(std::string_view name, bool directory);


// The bytes of s as a name for the system (through system_path). A name
// holding a zero byte (which would cut it short) or longer than the system
// accepts raises error 64 and gives false. A null s is the empty name.
bool name_argument(const str_desc* s, std::string* name);

// The program and arguments SHELL's launch rule chooses for a command; empty
// when there is no command interpreter and the command is no document.
std::vector<std::string> shell_launch_argv(const std::string& command);

// The command cut at the first space outside double quotes (a quote toggles
// the inside state): the part before it and the part after it.
struct command_parts {
  std::string file;
  std::string parameters;
};
command_parts split_command(const std::string& command);

// known_folder (os.h) as text.
std::string known_folder_path(std::string_view name);
