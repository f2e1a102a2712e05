#pragma once
// The process around the compiled program: start-up and the threads, and the
// two calls that bracket the compiled main routine, its preamble and its end.
// runtime_main runs on the process's first thread; the others on the program thread.
#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/strings/strings.h"

// Runs the start-up sequence, starts the program, timer and main-loop threads,
// opens the window and serves it. program_main is the compiled main routine.
int runtime_main(int argc, char** argv, void (*program_main)());

// What the compiled main routine runs before its first statement: the
// floating-point set-up and SIGFPE handler (once per process) and the scope
// record. Returns the routine's temporary-string mark. The routine then
// allocates its variables and receives a chained program's state.
uint32_t program_preamble();

// CHAIN program: writes the chain file into the program's folder, closes every
// file and replaces this process with the program, which gets this program's
// arguments and the chain tail. A relative name is taken from the current
// directory. Returns only after an error, with nothing changed but files
// closed once the program was found: 53 when there is no such program, 64 for
// a name holding a zero byte, 75 when it may not run, the file's own error when
// the chain file cannot be written.
void chain_statement(const str_desc* program);

// END and the end of the main routine: closes files, shows the closing prompt,
// waits for a key, asks for the stop and parks. Never returns.
[[noreturn]] void program_end();
