#pragma once
// The frame around every compiled statement, line events, the event traps and
// the timer thread. Program thread, except where a declaration says otherwise.
#include <atomic>
#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/strings/strings.h"

// After a statement's work (and the release of its temporary strings), one load
// and compare of run_flags.event_pending; only when it is set does the program thread go
// to line_event with the source line.
void line_event(int32_t line, int32_t sub_line, const char* sub_name);

inline void statement_end(int32_t line) {
  if (run_flags.event_pending.load(std::memory_order_relaxed) != 0) [[unlikely]]
    line_event(line, 0, nullptr);
}

// A statement that made temporary strings releases them back to the routine's
// mark before the event test.
inline void statement_end(int32_t line, uint32_t mark) {
  str_cleanup(mark);
  statement_end(line);
}

// Event traps: game-controller buttons, keys and timers. The ON event statements
// arm them; the input handlers and the timer thread mark them due; event_dispatch
// runs their handlers at line boundaries.
struct trap_record {
  std::atomic<int32_t> handler{0};   // 0 = no handler
  std::atomic<int64_t> argument{0};
  std::atomic<uint8_t> state{0};     // 1 = on
  std::atomic<uint8_t> pending{0};   // occurrences not yet handled
};

struct key_trap_record {
  trap_record trap;
  std::atomic<int32_t> scan_code{0};   // key code of a predefined key (F1-F12, cursor keys)
  std::atomic<int32_t> key_code{0};    // second key code that also matches (the keypad twin)
  std::atomic<uint8_t> make{0};        // make code of a user-defined key
  std::atomic<uint8_t> shift_mask{0};  // shift state a user-defined key requires: bits 0-1 Shift,
                                       // 2 Ctrl, 3 Alt, 5 Num Lock, 6 Caps Lock, 7 extended key
};

struct timer_record {
  std::atomic<uint8_t> in_use{0};
  std::atomic<int32_t> handler{0};
  std::atomic<int64_t> argument{0};
  std::atomic<uint8_t> state{0};
  std::atomic<uint8_t> pending{0};   // 0 idle, 1 due, 2 handler running
  std::atomic<double> interval{0};   // seconds
  std::atomic<double> last{0};       // seconds; 0 = not yet started
};

// The compiled program's handlers, selected by number.
using event_handler_entry = void (*)(int32_t handler, int64_t argument);

constexpr int32_t button_trap_count = 65536;  // device ordinal x 256 + button
constexpr int32_t key_trap_count = 32;        // entries 1..31 used
constexpr int32_t timer_capacity = 256;

// The event traps and the compiled program's handler entry. The program
// thread arms traps and runs handlers; the window thread (keys, buttons) marks
// them due.
struct event_traps_record {
  trap_record buttons[button_trap_count];
  key_trap_record keys[key_trap_count];
  event_handler_entry handler = nullptr;    // the compiled program's handlers, by number; null when none
  std::atomic<int32_t> callback_active{0};  // 1 while INPUT runs a compiled callback: line events are ignored then
};
extern event_traps_record event_traps;

// The timers (ON TIMER): armed by the program thread, scanned by the timer
// thread.
struct event_timers_record {
  timer_record table[timer_capacity];
  std::atomic<int32_t> count{1};  // entries of table in use or once used; entry 0 is the unnumbered timer
};
extern event_timers_record event_timers;

// Start-up: the fixed codes of the function and cursor keys, and the unnumbered timer.
void trap_tables_init();

// Every button and key trap off and without a handler, user-defined keys
// forgotten, no callback running, the timers as at start-up, then
// trap_tables_init; the compiled handler entry stays. Program thread, with no
// handler running.
void event_traps_reset();

// Every timer off, unused and without a handler (entry 0 included). Program
// thread, with no handler running; event_traps_reset calls it.
void event_timers_reset();

// Runs due button, key and timer handlers (program thread, from line_event).
void event_dispatch();

// One scan of the timers at time now (seconds): marks the elapsed ones due.
void timer_scan(double now);

// How long the timer thread may sleep after a scan at now (seconds): the
// milliseconds until the earliest counting timer comes due (at least 1), or
// -1 when no timer counts (none on, or every one on is due or running).
int32_t timer_sleep_ms(double now);

// Any thread, after a change the timer thread must see at once: a timer
// switched on or changed, a due timer handled, the shutdown begun.
void timers_changed();

// The timer thread: scans the timers whenever one comes due or timers_changed
// is called, until the shutdown; it sleeps while no timer counts.
void timer_thread();
