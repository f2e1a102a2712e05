#pragma once
// Turns between the frame builder's reads of image memory and the program
// thread's bulk moves (scrolling).
//
// Single-pixel writers and the builder meet through relaxed atomic loads and
// stores, which cost nothing extra on x86 but cannot be vectorised. A scroll
// moves whole rows and wants the plain vector copy, so it asks for a turn in
// which the builder is known not to be reading: it never waits for one. If the
// builder is reading, the scroll takes the atomic path; if the program has the
// turn, the builder waits until the move ends (a few microseconds).
#include <atomic>
#include <cstdint>

#include "runtime/platform/platform.h"
#include "runtime/screen/pixel_access.h"

inline std::atomic<int32_t> builder_reading{0};
inline std::atomic<int32_t> program_moving{0};

// Program thread only. True: until end_plain_writes, the caller may access
// image memory with plain loads and stores, as no other thread reads it.
inline bool begin_plain_writes() {
  program_moving.store(1, std::memory_order_relaxed);
  light_fence();
  if (builder_reading.load(std::memory_order_acquire) == 0) return true;
  program_moving.store(0, std::memory_order_release);
  return false;
}

inline void end_plain_writes() {
  program_moving.store(0, std::memory_order_release);
  note_shared_write();
}

// The builder's side: held from the first read of image memory to the end of
// the build step.
struct screen_read_turn {
  bool held = false;
  void take() {
    if (held) return;
    held = true;
    builder_reading.store(1, std::memory_order_relaxed);
    heavy_fence();
    // The program may lose its processor in the middle of a move: spin a
    // little, then give the processor away.
    for (int spins = 0; program_moving.load(std::memory_order_acquire) != 0; ++spins)
      if (spins > 64) platform_sleep(0);
  }
  ~screen_read_turn() {
    if (held) builder_reading.store(0, std::memory_order_release);
  }
  screen_read_turn() = default;
  screen_read_turn(const screen_read_turn&) = delete;
  screen_read_turn& operator=(const screen_read_turn&) = delete;
};
