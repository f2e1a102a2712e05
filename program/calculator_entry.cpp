// The calculator's process entry point: `--help` and `--version` as the only
// argument are answered here, before any window opens; every other command
// line is the program's own, as for any program built with the runtime.
#include <cstdio>
#include <cstring>

#include "runtime/host/host.h"

void program_main();  // the compiled calculator

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "Usage: quintaro [--help | --version]\n"
        "Opens a window that asks for a sample rate and a tempo in beats per minute\n"
        "and shows how many samples a beat, a bar and each note value last.\n"
        "Keys and exit statuses: man quintaro\n");
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quintaro %s\n", QUINTARO_VERSION);
    return 0;
  }
  return runtime_main(argc, argv, program_main);
}
