#pragma once
// The program's command line: the arguments after the program name joined by
// single spaces, exactly as the process start-up split them (quotes are not restored).
#include <string>

#include "runtime/strings/strings.h"

extern str_desc* command_line;

std::string join_arguments(int argc, char** argv);

// Start-up: makes command_line from the process's arguments.
void command_line_init(int argc, char** argv);

// The command line as text (for the runtime's own use).
std::string command_line_text();
