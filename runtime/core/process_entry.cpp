// The process entry point of every executable built with the runtime.
#include "runtime/core/startup.h"

void program_main();  // the compiled main routine

int main(int argc, char** argv) { return runtime_main(argc, argv, program_main); }
