#pragma once
// SHELL: running a command through the command interpreter (/bin/sh -c), or
// handing a document to the desktop's opener (xdg-open). Program thread; the
// forms return at once while an error is pending.
//
// Launch rule: a command that as a whole, or whose first part (cut at the
// first space outside double quotes) when something follows it, names an
// existing file that may not be executed (a document), opens that file with
// the opener, the name handed over as one argument and never through a
// shell. Anything else, and the interpreter's own words (DIR, ECHO, ...), goes
// to /bin/sh -c as written.
//
// Shown forms let the command use the terminal the program was started from;
// hidden forms connect its standard streams to /dev/null. Shown waiting forms
// leave full screen for the command's time. An empty shown command starts an
// interactive shell ($SHELL, else /bin/sh) on that terminal, or in a terminal
// emulator when standard input is not a terminal, and waits for it.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/strings/string_engine.h"

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

// The program and arguments the launch rule chooses for a command; empty when
// there is no command interpreter and the command is no document.
std::vector<std::string> shell_launch_argv(const std::string& command);

// The command cut at the first space outside double quotes (a quote toggles
// the inside state): the part before it and the part after it.
struct command_parts {
  std::string file;
  std::string parameters;
};
command_parts split_command(const std::string& command);
