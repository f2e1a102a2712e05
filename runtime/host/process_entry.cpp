// The process entry point of every executable built with the runtime.
#include "runtime/host/host.h"

void program_main();  // the compiled main routine

int main(int argc, char** argv) { return runtime_main(argc, argv, program_main); }
