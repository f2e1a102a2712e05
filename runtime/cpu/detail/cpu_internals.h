#pragma once
// What the files of cpu/ share: the interrupt services' entry, a cpu_state
// set up on the emulated megabyte with the runtime's hooks, and the error
// numbers machine code ends with. Program thread only.
#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/cpu/cpu.h"

// The hooks' interrupt entry: the served interrupts, a vector the code
// installed, else a stop with cpu_stop::unserved_interrupt.
bool serve_interrupt(cpu_state& cpu, uint8_t number);

// cpu on conventional_memory with machine_hooks().
void cpu_for_runtime(cpu_state& cpu);

// Whether a close request, Ctrl+Break, a stop signal or the shutdown asks the
// running code to end.
inline bool machine_stop_asked() {
  return run_flags.shutdown_started.load(std::memory_order_relaxed) || run_flags.stop_request.load(std::memory_order_relaxed) ||
         run_flags.exit_request.load(std::memory_order_relaxed) != 0;
}

// Forgets the mouse driver's visibility, ranges and set position.
void mouse_driver_reset();
