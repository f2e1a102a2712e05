#include "runtime/host/detail/window_thread.h"

#include "runtime/core/core.h"
#include "runtime/display/display.h"
#include "runtime/frame/frame.h"
#include "runtime/input/input.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/serial_port.h"
#include "runtime/screen/screen.h"

namespace {

void frame_step() { display_frame_step(); }

// How long the stop waits for the program thread to reach its next line event.
// A program blocked inside one statement (a read that never ends) is ended
// after that all the same, as a stop signal ends it: its files are flushed on
// the way out, never closed under it.
constexpr int32_t stop_grace_ms = 5000;

[[noreturn]] void shutdown() {
  // Whoever sets run_flags.shutdown_started first ends the process; the loss of the X
  // display may have begun the end already.
  if (run_flags.shutdown_started.exchange(1) != 0) park_for_good();
  run_flags.event_pending.store(1);
  // Threads asleep in a wait learn of the shutdown now, not at their next look.
  timers_changed();
  program_wake();
  serial_cancel_waits();  // a program waiting on a serial port stops waiting
  if (await_threads_stopped(3, stop_grace_ms)) {
    printer_shutdown_hand_over();
    close_all_files();
  }
  // The window thread stops touching freeglut and OpenGL before the process ends.
  window_loop_park(1000);
  process_exit(run_flags.exit_status.load());
}

void sync_toggle(bool on, int32_t code) {
  if (on == (key_held(code) != 0)) return;
  if (key_held(code))
    key_up(code);
  else
    key_down(code);
  update_shift_flags();
}

}  // namespace

void take_keyboard_state() {
  key_lock_state s;
  read_key_lock_state(&s);
  if (s.scroll_on) held_keys_add(kc_scroll_state, 0);
  if (s.scroll_held) key_down(kc_scroll_lock);
  if (s.left_shift) key_down(kc_left_shift);
  if (s.right_shift) key_down(kc_right_shift);
  if (s.left_ctrl) key_down(kc_left_ctrl);
  if (s.right_ctrl) key_down(kc_right_ctrl);
  if (s.left_alt) key_down(kc_left_alt);
  if (s.right_alt) key_down(kc_right_alt);
  if (s.caps_on) key_down(kc_caps_lock);
  if (s.num_on) key_down(kc_num_lock);
  // The press of a held Scroll Lock toggled the state pseudo-key: the system's toggle decides.
  if (s.scroll_on)
    held_keys_add(kc_scroll_state, 0);
  else
    held_keys_remove(kc_scroll_state);
  update_shift_flags();
}

void sync_lock_keys() {
  if (!key_lock_state_may_have_changed()) return;
  key_lock_state s;
  if (!read_key_lock_state(&s)) return;
  if (s.scroll_on != held_keys_contains(kc_scroll_state)) {
    if (s.scroll_on)
      held_keys_add(kc_scroll_state, 0);
    else
      held_keys_remove(kc_scroll_state);
    update_shift_flags();
  }
  sync_toggle(s.caps_on, kc_caps_lock);
  sync_toggle(s.num_on, kc_num_lock);
}

void main_loop() {
  name_this_thread("main loop");
  bool parity = false;
  for (;;) {
    if (run_flags.exit_request.load() != 0 && run_flags.exit_trap_enabled.load() == 0) shutdown();
    update_bios_ticks();

    int32_t shell = shell_state.running.load();
    if (shell == -1) {
      platform_sleep(64);
      continue;
    }
    // SHELL has just started a command: one last frame, then none until it ends.
    // The exchange loses to a command that already ended (SHELL stored 0), so
    // a short command never leaves the flag at -1 and the screen frozen.
    if (shell == 1 && shell_state.running.compare_exchange_strong(shell, -1)) {
      frame_step();
      continue;
    }

    // One sleep a pass: the pass still comes about every 16 ms.
    platform_sleep(16);
    if (run_flags.stop_request.load()) shutdown();

    parity = !parity;
    printer_page_step();
    if (parity)
      frame_step();
    else
      sync_lock_keys();
  }
}
