#include "runtime/frame/frame.h"

#include <atomic>
#include <cmath>
#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"

event_traps_record event_traps;
event_timers_record event_timers;

void line_event(int32_t line, int32_t sub_line, const char* sub_name) {
  if (event_traps.callback_active.load()) return;
  run_flags.event_pending.store(0);
  // Stand still at the line boundary while paused; leave for good on shutdown.
  // The key that ends the pause and the shutdown both wake the program thread.
  for (;;) {
    const uint32_t seen = program_wakes();
    if (run_flags.shutdown_started.load()) stop_program_thread();
    if ((run_flags.paused.load() & 1) == 0) break;
    program_wait(seen, -1);
  }
  if (error_report.pending.load() != 0) {
    error_report.line = line;
    error_report.sub_line = sub_line;
    error_report.sub_name = sub_name;
    handle_error();
    return;
  }
  event_dispatch();
}


namespace {
// Keep a handler from being entered again by a line event inside the handler.
bool button_busy = false;
bool key_busy = false;

void run_handler(int32_t handler, int64_t argument) {
  if (event_traps.handler) event_traps.handler(handler, argument);
}

// Takes one occurrence of a trap whose handler may run now.
bool take_occurrence(trap_record& t) {
  if (t.handler.load() == 0 || t.state.load() != 1) return false;
  uint8_t n = t.pending.load();
  while (n > 0 && !t.pending.compare_exchange_weak(n, static_cast<uint8_t>(n - 1))) {
  }
  return n > 0;
}

bool dispatch_one_button() {
  int32_t ordinal = 0;
  for (int32_t i = 1; i <= device_table.count && ordinal <= 255; ++i) {
    if (device_table.entries[i].kind != device_kind_controller) continue;
    for (int32_t b = 0; b < 256; ++b) {
      trap_record& t = event_traps.buttons[ordinal * 256 + b];
      if (!button_busy && take_occurrence(t)) {
        button_busy = true;
        run_handler(t.handler.load(), t.argument.load());
        button_busy = false;
        return true;
      }
    }
    ++ordinal;
  }
  return false;
}

bool dispatch_one_key() {
  for (int32_t i = 1; i < key_trap_count; ++i) {
    trap_record& t = event_traps.keys[i].trap;
    if (!key_busy && take_occurrence(t)) {
      key_busy = true;
      run_handler(t.handler.load(), t.argument.load());
      key_busy = false;
      return true;
    }
  }
  return false;
}
}  // namespace

void trap_tables_init() {
  for (int32_t n = 1; n <= 10; ++n) event_traps.keys[n].scan_code.store(0x3B00 + 256 * (n - 1));
  const struct {
    int32_t entry, scan, code;
  } cursor_keys[] = {{11, 0x4800, 100264}, {12, 0x4B00, 100260}, {13, 0x4D00, 100262},
                     {14, 0x5000, 100258}, {30, 0x8500, 0},      {31, 0x8600, 0}};
  for (const auto& k : cursor_keys) {
    event_traps.keys[k.entry].scan_code.store(k.scan);
    event_traps.keys[k.entry].key_code.store(k.code);
  }
  event_timers.table[0].in_use.store(1);
  event_timers.table[0].handler.store(0);
  event_timers.table[0].state.store(0);
  event_timers.table[0].pending.store(0);
}

namespace {
void trap_clear(trap_record& t) {
  t.handler.store(0);
  t.argument.store(0);
  t.state.store(0);
  t.pending.store(0);
}
}  // namespace

void event_timers_reset() {
  for (timer_record& t : event_timers.table) {
    t.in_use.store(0);
    t.handler.store(0);
    t.argument.store(0);
    t.state.store(0);
    t.pending.store(0);
    t.interval.store(0);
    t.last.store(0);
  }
  event_timers.count.store(1);
}

void event_traps_reset() {
  for (trap_record& t : event_traps.buttons) trap_clear(t);
  for (key_trap_record& k : event_traps.keys) {
    trap_clear(k.trap);
    k.scan_code.store(0);
    k.key_code.store(0);
    k.make.store(0);
    k.shift_mask.store(0);
  }
  event_traps.callback_active.store(0);
  event_timers_reset();
  trap_tables_init();
}

void event_dispatch() {
  while (dispatch_one_button()) {
  }
  while (dispatch_one_key()) {
  }
  const int32_t timers = event_timers.count.load();
  for (int32_t i = 0; i < timers; ++i) {
    timer_record& t = event_timers.table[i];
    if (t.in_use.load() && t.handler.load() != 0 && t.state.load() == 1 && t.pending.load() == 1) {
      t.pending.store(2);
      run_handler(t.handler.load(), t.argument.load());
      t.pending.store(0);
      timers_changed();  // it counts again
    }
  }
}

void timer_scan(double now) {
  const int32_t timers = event_timers.count.load();
  for (int32_t i = 0; i < timers; ++i) {
    timer_record& t = event_timers.table[i];
    if (!t.in_use.load() || t.handler.load() == 0 || t.state.load() == 0 || t.pending.load() != 0)
      continue;
    const double interval = t.interval.load();
    double last = t.last.load();
    if (now - last <= interval) continue;
    if (last == 0) {
      t.last.store(now);  // the first tick only starts the timer
      continue;
    }
    last += interval;
    if (std::fabs(now - last) >= interval) last = now;  // fell behind by a whole interval
    t.last.store(last);
    t.pending.store(1);
    run_flags.event_pending.store(1);
  }
}

namespace {
// Bumped by every change the sleeping timer thread must look at.
std::atomic<uint32_t> timer_changes{0};
}  // namespace

int32_t timer_sleep_ms(double now) {
  double earliest = -1;
  const int32_t timers = event_timers.count.load();
  for (int32_t i = 0; i < timers; ++i) {
    const timer_record& t = event_timers.table[i];
    if (!t.in_use.load() || t.handler.load() == 0 || t.state.load() == 0 || t.pending.load() != 0) continue;
    const double last = t.last.load();
    // Not started yet: the next scan starts it.
    const double due = last == 0 ? now : last + t.interval.load();
    if (earliest < 0 || due < earliest) earliest = due;
  }
  if (earliest < 0) return -1;
  // A timer fires at the first millisecond past its due time; waking at the
  // millisecond rounded down and then every millisecond never wakes later.
  const double ms = std::floor((earliest - now) * 1000.0);
  if (ms < 1) return 1;
  return ms > 1000000000.0 ? 1000000000 : static_cast<int32_t>(ms);
}

void timers_changed() {
  timer_changes.fetch_add(1);
  wake_word_waiters(timer_changes);
}

void timer_thread() {
  name_this_thread("timer");
  for (;;) {
    const uint32_t seen = timer_changes.load();
    if (run_flags.shutdown_started.load()) {
      report_thread_stopped(2);
      return;
    }
    const double now = static_cast<double>(ms_counter()) * 0.001;
    timer_scan(now);
    wait_on_word(timer_changes, seen, timer_sleep_ms(now));
  }
}
