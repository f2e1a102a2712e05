// Quintaro, compiled. Each statement is followed by its frame: the event test
// with the statement's source line number.
//
// This routine is the calculator's skeleton: its variables and the arithmetic of
// a beat at a fixed sample rate and tempo. The screen, INPUT and PRINT statements
// join it as the runtime gains them; until then it waits, one statement a tenth
// of a second, for the window to be closed.
#include <cmath>
#include <cstdint>

#include "program/frame/line_events.h"
#include "program/frame/statement_frame.h"
#include "runtime/core/program_end.h"
#include "runtime/core/variable_arena.h"
#include "runtime/platform/clock.h"

namespace {
int32_t* sample_rate = nullptr;
int16_t* bpm = nullptr;
int32_t* samples_per_minute = nullptr;
int32_t* samples_per_beat = nullptr;
}  // namespace

void program_main() {
  program_preamble();
  if (!sample_rate) sample_rate = static_cast<int32_t*>(arena_alloc(sizeof(int32_t)));
  if (!bpm) bpm = static_cast<int16_t*>(arena_alloc(sizeof(int16_t)));
  if (!samples_per_minute) samples_per_minute = static_cast<int32_t*>(arena_alloc(sizeof(int32_t)));
  if (!samples_per_beat) samples_per_beat = static_cast<int32_t*>(arena_alloc(sizeof(int32_t)));

  // 7: sample_rate = 44100
  *sample_rate = 44100;
  statement_end(7);
  // 9: bpm = 120
  *bpm = 120;
  statement_end(9);
  // 10: samples_per_minute = sample_rate * 60 (wrapping 32-bit)
  *samples_per_minute = static_cast<int32_t>(static_cast<uint32_t>(*sample_rate) * 60u);
  statement_end(10);
  // 11: samples_per_beat = samples_per_minute / bpm (extended precision, ties to even)
  *samples_per_beat = static_cast<int32_t>(
      std::nearbyint(static_cast<long double>(*samples_per_minute) / static_cast<long double>(*bpm)));
  statement_end(11);
  // 23: DO WHILE -1: wait a tenth of a second: LOOP
  for (;;) {
    statement_end(23);
    platform_sleep(100);
    statement_end(24);
  }
}
