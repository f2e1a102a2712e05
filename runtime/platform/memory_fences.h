#pragma once
// Fences for a two-sided handshake where one side runs often and must stay
// cheap (the program thread's bulk screen writes) and the other runs rarely
// (the frame builder, a few dozen times a second).
//
// Each side stores its own flag, calls its fence, then loads the other's flag.
// When the kernel offers expedited process-wide barriers, the heavy fence is
// one such barrier and the light fence only stops the compiler from moving
// memory accesses across it; otherwise both are full sequentially consistent
// fences, which is the plain form of the same handshake.
#include <atomic>

bool register_process_barrier();  // true when the kernel takes the process for expedited barriers
void process_barrier();           // every running thread of the process passes a full fence

// Decided once, before either side of any handshake can use it; a container
// that filters the system call gets the full fences instead.
inline bool process_barrier_available() {
  static const bool available = register_process_barrier();
  return available;
}

inline void light_fence() {
  if (process_barrier_available())
    std::atomic_signal_fence(std::memory_order_seq_cst);
  else
    std::atomic_thread_fence(std::memory_order_seq_cst);
}

inline void heavy_fence() {
  if (process_barrier_available())
    process_barrier();
  else
    std::atomic_thread_fence(std::memory_order_seq_cst);
}
