#pragma once
// The process: start-up, the three worker threads, and the window thread.

// Runs the start-up sequence, starts the program, timer and main-loop threads,
// opens the window and serves it. program_main is the compiled main routine.
int runtime_main(int argc, char** argv, void (*program_main)());
