#pragma once
// The program's command line: the arguments after the program name joined by
// single spaces, exactly as the process start-up split them (quotes are not restored).
#include <string>

extern std::string command_line;

std::string join_arguments(int argc, char** argv);
